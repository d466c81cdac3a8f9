// Fitted pictures: formulas that run out of the plain picture stay inside the
// frame at the default angles, also in a wide view; the default formula's
// fitted picture is its plain one at the fit's scale; no style draws a wall
// across a pole. The readout finds the grid point a picture draws under the
// pointer, and a contour line's level with the fit and without. The aids'
// box and extremes are those of the grid as drawn.
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

#include "RenderTestSupport.h"
#include "render/PictureAids.h"
#include "render/PictureSpace.h"

namespace {

// Whether anything but the black background is drawn on the picture's edge.
bool TouchesBorder(const Frame& frame) {
  for (int y = 0; y < frame.height; ++y)
    for (int x = 0; x < frame.width; ++x)
      if ((x % (frame.width - 1) == 0 || y % (frame.height - 1) == 0) &&
          PixelAt(frame, x, y) != RGB{0, 0, 0})
        return true;
  return false;
}

TEST(FitPictureTest, FittedPicturesStayInsideTheFrameAtTheDefaultAngles) {
  REQUIRE_GL_CONTEXT();
  const struct {
    const char* formula;
    int width, height;
    bool plainTouches;
  } cases[] = {
      {"1/x", 160, 120, true},
      {"1/(x^2+y^2-25)", 160, 120, true},
      {"tan(x*y)", 160, 120, true},
      {"x^5", 160, 120, true},
      {DEFAULT_FORMULA, 160, 120, false},
      // Wider than 4:3: the frame widens with the view.
      {"x-y", 240, 80, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.formula);
    CParaData para;
    para.m_strFormula = c.formula;
    const Frame plain = Render(para, c.width, c.height);
    const Frame fitted = Render(para, c.width, c.height, true);
    EXPECT_FALSE(plain.fit.has_value());
    ASSERT_TRUE(fitted.fit.has_value());
    EXPECT_EQ(TouchesBorder(plain), c.plainTouches);
    EXPECT_FALSE(TouchesBorder(fitted));
    // Not an empty picture: a good part of the view shows the surface.
    EXPECT_GT(CountPixels(fitted,
                          [](const RGB& p) {
                            return p != RGB{0, 0, 0};
                          }),
              std::size_t(c.width * c.height / 10));
  }
}

TEST(FitPictureTest, TheDefaultFormulasFittedPictureIsItsPlainOneAtTheFitsScale) {
  REQUIRE_GL_CONTEXT();
  const CParaData para;
  const Frame fitted = Render(para, 160, 120, true);
  ASSERT_TRUE(fitted.fit.has_value());
  // The plain picture of f minus the fitted range's middle, with the factor
  // as the Z coefficient: the fitted heights, unless something was cut or
  // left out. The two round their heights differently, by a float step.
  char shifted[160];
  std::snprintf(shifted, sizeof shifted, "%s - %.17g", DEFAULT_FORMULA, fitted.fit->Middle());
  CParaData plain = para;
  plain.m_strFormula = shifted;
  plain.m_dZCoef = fitted.fit->factor;
  EXPECT_LE(CountDifferent(Render(plain, 160, 120), fitted), 10u);
}

// Where the picture puts the model point (x, height, y): its pixel, rows
// from the top, and its depth; nothing off the picture.
struct Projected {
  int px, py;
  float depth;
};
std::optional<Projected> Project(const Frame& frame, float x, float height, float y) {
  const float model[4] = {x, height, y, 1.0f};
  float eye[4] = {}, clip[4] = {};  // the matrices are column by column
  for (int k = 0; k < 16; ++k) eye[k % 4] += frame.modelView[k] * model[k / 4];
  for (int k = 0; k < 16; ++k) clip[k % 4] += frame.projection[k] * eye[k / 4];
  const int px =
      static_cast<int>((clip[0] / clip[3] + 1.0f) / 2.0f * static_cast<float>(frame.width));
  const int py =
      static_cast<int>((1.0f - clip[1] / clip[3]) / 2.0f * static_cast<float>(frame.height));
  if (px < 0 || py < 0 || px >= frame.width || py >= frame.height) return std::nullopt;
  return Projected{px, py, (clip[2] / clip[3] + 1.0f) / 2.0f};
}

// Whether the picture shows the model point where it projects: the depth
// there is the point's own, so no other point is seen.
bool Shows(const Frame& frame, float x, float height, float y) {
  const std::optional<Projected> at = Project(frame, x, height, y);
  return at && std::fabs(frame.depth[static_cast<std::size_t>(at->py) * frame.width + at->px] -
                         at->depth) < 1e-3f;
}

TEST(FitPictureTest, NoStyleDrawsAWallAcrossAPole) {
  REQUIRE_GL_CONTEXT();
  // 1/x on a grid with no point on the pole: the columns next to it, at
  // x = -/+0.01, hold -100 and +100. A wall between them would show points
  // at x = 0 and heights near 0, which the fitted surface does not reach
  // anywhere near the pole.
  CParaData para;
  para.m_strFormula = "1/x", para.m_nMesh = 201, para.m_dRange = 2.0;
  const struct {
    const char* name;
    int style;
    BOOL hidden, shading;
  } cases[] = {
      {"mesh", STYLE_MESH, FALSE, FALSE},      {"hidden-line mesh", STYLE_MESH, TRUE, FALSE},
      {"shaded mesh", STYLE_MESH, TRUE, TRUE}, {"plastic", STYLE_PLASTIC, FALSE, FALSE},
      {"paper", STYLE_PAPER, FALSE, FALSE},    {"ghost", STYLE_GHOST, FALSE, FALSE},
      {"silver", STYLE_SILVER, FALSE, FALSE},  {"contour", STYLE_CONTOUR, FALSE, FALSE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    para.m_nDrawStyle = c.style, para.m_bHiddenLine = c.hidden, para.m_bShading = c.shading;
    const Frame fitted = Render(para, 320, 240, true);
    ASSERT_TRUE(fitted.fit.has_value());
    // The plain picture at the same scale, for contrast.
    CParaData plain = para;
    plain.m_dZCoef = fitted.fit->factor;
    const Frame walled = Render(plain, 320, 240);
    int seen = 0;
    int seenFitted = 0;
    for (float height = -0.4f; height <= 0.4f; height += 0.2f) {
      for (float y = -1.5f; y <= 1.5f; y += 0.25f) {
        seen += Shows(walled, 0.0f, height, y) ? 1 : 0;
        seenFitted += Shows(fitted, 0.0f, height, y) ? 1 : 0;
      }
    }
    EXPECT_GT(seen, 0);
    EXPECT_EQ(seenFitted, 0);
  }
}

TEST(ReadPictureTest, ReadsTheGridPointDrawnUnderThePointerAndALinesLevel) {
  REQUIRE_GL_CONTEXT();
  // A grid of spacing 1. A plane hides none of its own lines and tells x
  // from y; f = x has its contour lines (interval 1) along the grid's
  // columns, and so has x + 5, whose fitted range is off the middle.
  const struct {
    const char* name;
    int style;
    const char* formula;
    double (*f)(double x, double y);
    bool fit;
    double centreX = 0.0, centreY = 0.0;
  } cases[] = {
      {"mesh", STYLE_MESH, "x+2*y", [](double x, double y) { return x + 2 * y; }, false},
      {"contour", STYLE_CONTOUR, "x", [](double x, double) { return x; }, false},
      {"fitted contour", STYLE_CONTOUR, "x+5", [](double x, double) { return x + 5; }, true},
      {"mesh off the origin", STYLE_MESH, "x+2*y-16", [](double x, double y) { return x + 2 * y; },
       false, 10.0, 3.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CParaData para = SmallPara(c.style, c.formula, 24);
    para.m_bHiddenLine = FALSE, para.m_bShading = FALSE;
    para.m_dZCoef = 0.5, para.m_dContourStep = 1.0;
    para.m_dCentreX = c.centreX, para.m_dCentreY = c.centreY;
    const Frame frame = Render(para, 320, 240, c.fit);
    ASSERT_EQ(frame.fit.has_value(), c.fit);
    const CFormula formula = Compiled(c.formula);
    for (const auto& [x, y] : {std::pair{3.0f, 2.0f}, {-4.0f, 0.0f}, {0.0f, -5.0f}}) {
      SCOPED_TRACE(testing::Message() << x << ", " << y);
      const double f = c.f(x, y);
      const float height = c.fit ? frame.fit->Height(f) : static_cast<float>(f * para.m_dZCoef);
      const std::optional<Projected> at = Project(frame, x, height, y);
      ASSERT_TRUE(at);
      const std::optional<PictureReadout> read =
          ReadPicture(frame, para, formula, at->px + 0.5, at->py + 0.5);
      ASSERT_TRUE(read);
      EXPECT_EQ(std::tuple(read->x, read->y, read->value),
                std::tuple(x + c.centreX, y + c.centreY, f));
      if (c.style == STYLE_CONTOUR) {
        ASSERT_TRUE(read->level);
        EXPECT_NEAR(*read->level, f, 0.05);
      } else {
        EXPECT_FALSE(read->level);
      }
    }
    // The top left corner: nothing drawn within reach.
    EXPECT_FALSE(ReadPicture(frame, para, formula, 2.0, 2.0));
  }
}

}  // namespace

namespace {

// The box a picture's aids are drawn around and the extremes they mark: f's
// own values at the grid points of the drawn minimum and maximum, whatever
// the coefficient's sign, the layout or a fit's cut.
TEST(PictureAidsTest, TheBoxAndTheExtremesAreTheDrawnGrids) {
  const struct {
    const char* name;
    int style;
    double zCoef;
    bool fit;
    const char* formula;
    double low, high;  // f at the extremes
    double lowX, lowY, highX, highY;
    double centreX = 0.0, centreY = 0.0;
  } cases[] = {
      {"surface", STYLE_MESH, 3.0, false, "x+2*y", -6, 6, -2, -2, 2, 2},
      {"turned over", STYLE_MESH, -1.0, false, "x+2*y", -6, 6, -2, -2, 2, 2},
      {"contour", STYLE_CONTOUR, 3.0, false, "x-2*y", -6, 6, -2, 2, 2, -2},
      {"fitted", STYLE_MESH, 1.0, true, "x+2*y", -6, 6, -2, -2, 2, 2},
      {"surface off the origin", STYLE_MESH, 3.0, false, "x+2*y", -2, 10, 8, -5, 12, -1, 10, -3},
      {"contour off the origin", STYLE_CONTOUR, 3.0, false, "x-2*y", 10, 22, 8, -1, 12, -5, 10, -3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CParaData para;
    para.m_nMesh = 4, para.m_dRange = 2.0, para.m_dZCoef = c.zCoef, para.m_strFormula = c.formula;
    para.m_dCentreX = c.centreX, para.m_dCentreY = c.centreY;
    const GridSpec gridSpec = MakeGridSpec(para);
    PictureGrid sampled;
    CFormula formula = Compiled(c.formula);
    ASSERT_TRUE(SamplePictureGrid(c.style, gridSpec, formula, c.fit, RunSignals{}, sampled));
    const SurfaceFit* fit = sampled.fit ? &*sampled.fit : nullptr;
    const SampledBox box = BoxOfGrid(sampled.values, c.style != STYLE_CONTOUR, gridSpec,
                                     sampled.extents, fit, &formula);
    ASSERT_TRUE(box.minimum && box.maximum && box.valueRange);
    EXPECT_NEAR(box.minimum->value, c.low, 1e-4);
    EXPECT_NEAR(box.maximum->value, c.high, 1e-4);
    EXPECT_EQ(std::tuple(box.minimum->x, box.minimum->y, box.maximum->x, box.maximum->y),
              std::tuple(c.lowX, c.lowY, c.highX, c.highY));
    // The box and the marks stay on the model's -R..R; the x and y axes
    // number the window's centre +- R.
    EXPECT_EQ(std::tuple(box.minimum->model[0], box.minimum->model[2]),
              std::tuple(c.lowX - c.centreX, c.lowY - c.centreY));
    for (const auto& [axis, centre] : {std::pair(kAxisX, c.centreX), {kAxisY, c.centreY}}) {
      const AxisSpan& span = box.box[axis];
      EXPECT_EQ(std::tuple(span.modelLow, span.modelHigh, span.valueAtLow, span.valueAtHigh),
                std::tuple(-2.0, 2.0, centre - 2, centre + 2));
    }
    // Marked where they are drawn: the height is the value as the picture scales it.
    const double scale = fit != nullptr ? fit->factor : c.zCoef;
    EXPECT_NEAR(box.maximum->model[1] - box.minimum->model[1], (c.high - c.low) * scale, 1e-3);
    // The box's height spans the values the picture draws, from the lower.
    const AxisSpan& height = box.box[kAxisHeight];
    EXPECT_LE(height.valueAtLow, c.low + 1e-4);
    EXPECT_GE(height.valueAtHigh, c.high - 1e-4);
    EXPECT_NEAR((height.modelHigh - height.modelLow) / (height.valueAtHigh - height.valueAtLow),
                scale, 1e-4);
  }
  // A pole's values beyond the fitted range are cut from the picture, and
  // not marked: the extremes lie within the range, some samples beyond it.
  CParaData para;
  para.m_nMesh = 64, para.m_strFormula = "1/(x^2+y^2-25)";
  const GridSpec gridSpec = MakeGridSpec(para);
  CFormula formula = Compiled(para.m_strFormula);
  PictureGrid sampled;
  ASSERT_TRUE(SamplePictureGrid(STYLE_CONTOUR, gridSpec, formula, true, RunSignals{}, sampled));
  ASSERT_TRUE(sampled.fit);
  const SampledBox box =
      BoxOfGrid(sampled.values, false, gridSpec, sampled.extents, &*sampled.fit, &formula);
  ASSERT_TRUE(box.minimum && box.maximum);
  EXPECT_GE(box.minimum->value, sampled.fit->bottom);
  EXPECT_LE(box.maximum->value, sampled.fit->top);
  EXPECT_TRUE(sampled.extents.minZ < sampled.fit->bottom ||
              sampled.extents.maxZ > sampled.fit->top);
}

}  // namespace
