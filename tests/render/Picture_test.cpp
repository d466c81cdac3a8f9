// What gets drawn: the context's render sequence and what it presents, one
// table of whole pictures and what each must show (backgrounds, styles, fit;
// the aids' labels are held by the CLI's PNG and SVG test); then the readout
// and the aids' box.
#include <EGL/egl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>

#include "RenderTestSupport.h"
#include "cli/ParaOverrides.h"
#include "render/OpenGLContext.h"
#include "render/PictureAids.h"
#include "render/PictureSpace.h"

namespace {

// Notes whether a projection was set and whether the frame went out; the
// steps' order and the aspect are in every picture the other tests look at.
class RecordingContext : public COpenGLContext {
 public:
  BOOL SetProjection(double) override { return m_projected = TRUE; }
  BOOL SetViewpoint() override { return TRUE; }
  BOOL BuildScene() override { return TRUE; }
  BOOL ClearScene() override { return TRUE; }
  BOOL DrawScene() override { return (m_swapResult = SwapBuffers()), TRUE; }
  BOOL m_projected = FALSE, m_swapResult = FALSE;
};

// The client's own size from its corners, opaque, and the context let go after.
// An empty client sets no projection; a refused picture is a failed swap, and
// the first failure is the one told.
TEST(OpenGLContextRender, PresentsAnOpaqueFrameOfTheClientAndTellsTheFirstFailure) {
  REQUIRE_GL_CONTEXT();
  CapturingSink sink;
  RecordingContext context;
  const ClientRect client{10, 20, 50, 50};
  context.Render(&sink, &client);
  EXPECT_EQ(std::tuple(context.m_projected, context.m_swapResult, eglGetCurrentContext()),
            std::tuple(TRUE, TRUE, EGL_NO_CONTEXT));
  ASSERT_EQ(sink.Count(), 1u);
  EXPECT_EQ(std::tuple(sink.At(0).width, sink.At(0).height, sink.At(0).Pixel(0, 0)[3]),
            std::tuple(40, 30, 255));
  RecordingContext refused;
  sink.m_failFrom = 1;
  const ClientRect empty{0, 0, 0, 30};
  refused.Render(&sink, &empty);
  refused.SetError(GLERR_DELETE);
  EXPECT_EQ(std::tuple(refused.m_projected, refused.m_swapResult, refused.ErrorText()),
            std::tuple(FALSE, FALSE, g_glErrorText[GLERR_SWAP]));
}

constexpr RGB kBlack{0, 0, 0};
constexpr RGB kWhite{255, 255, 255};
constexpr RGB kSurfaceIdle{128, 184, 176};
constexpr RGB kMeshLine{128, 128, 255};

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

// What a picture must show, given the settings it was drawn with.
using Check = std::function<void(const Frame&, const CParaData&)>;

// The clear colour in the corners; with lines, an unlit mesh: more line
// pixels than that on the background, nothing else.
Check Background(RGB colour, std::size_t lines = 0) {
  return [=](const Frame& f, auto&) {
    for (const auto& [x, y] :
         {std::pair{0, 0}, {f.width - 1, 0}, {0, f.height - 1}, {f.width - 1, f.height - 1}})
      EXPECT_TRUE(Near(PixelAt(f, x, y), colour)) << x << "," << y;
    if (lines == 0) return;
    EXPECT_GT(CountPixels(f, [](const RGB& p) { return p == kMeshLine; }), lines);
    EXPECT_EQ(CountPixels(f, [&](const RGB& p) { return p != kMeshLine && !Near(p, colour); }), 0u);
  };
}

// The mean colour of all that is drawn on the black background, which a
// solid fills a good part of.
struct Mean {
  double r, g, b;
};
Check Solid(const std::function<bool(const Mean&)>& looks) {
  return [=](const Frame& f, auto&) {
    Mean sum{0, 0, 0};
    const std::size_t lit = CountPixels(f, [&](const RGB& p) {
      sum.r += p[0], sum.g += p[1], sum.b += p[2];
      return p != kBlack;
    });
    ASSERT_GT(lit, std::size_t(f.width * f.height / 10));
    const double n = static_cast<double>(lit);
    EXPECT_TRUE(looks({sum.r / n, sum.g / n, sum.b / n}))
        << sum.r / n << " " << sum.g / n << " " << sum.b / n;
  };
}

// Whether anything but the black background is drawn on the picture's edge.
bool TouchesBorder(const Frame& frame) {
  for (int y = 0; y < frame.height; ++y)
    for (int x = 0; x < frame.width; ++x)
      if ((x % (frame.width - 1) == 0 || y % (frame.height - 1) == 0) &&
          PixelAt(frame, x, y) != kBlack)
        return true;
  return false;
}

// Fitted, the surface stays inside the frame and fills a good part of it;
// the plain picture may run out.
Check StaysInside(bool plainTouches) {
  return [=](const Frame& fitted, const CParaData& para) {
    const Frame plain = Render(para, fitted.width, fitted.height);
    EXPECT_FALSE(plain.fit.has_value());
    EXPECT_EQ(TouchesBorder(plain), plainTouches);
    EXPECT_FALSE(TouchesBorder(fitted));
    EXPECT_GT(CountPixels(fitted, [](const RGB& p) { return p != kBlack; }),
              std::size_t(fitted.width * fitted.height / 10));
  };
}

// The plain picture of f minus the fitted range's middle, with the factor as
// the Z coefficient: the fitted heights, unless something was cut or left
// out. The two round their heights differently, by a float step.
Check PlainAtTheFitsScale() {
  return [](const Frame& fitted, const CParaData& para) {
    ASSERT_TRUE(fitted.fit);
    char shifted[160];
    std::snprintf(shifted, sizeof shifted, "%s - %.17g", para.m_strFormula.c_str(),
                  fitted.fit->Middle());
    CParaData plain = para;
    plain.m_strFormula = shifted, plain.m_dZCoef = fitted.fit->factor;
    EXPECT_LE(CountDifferent(Render(plain, fitted.width, fitted.height), fitted), 10u);
  };
}

// 1/x on a grid with no point on the pole: the columns next to it, at
// x = -/+0.01, hold -100 and +100. A wall between them would show points at
// x = 0 and heights near 0, which the fitted surface does not reach anywhere
// near the pole; the plain picture at the fit's scale shows them.
Check NoWallAtThePole() {
  return [](const Frame& fitted, const CParaData& para) {
    ASSERT_TRUE(fitted.fit);
    CParaData plain = para;
    plain.m_dZCoef = fitted.fit->factor;
    const Frame walled = Render(plain, fitted.width, fitted.height);
    int seen = 0, seenFitted = 0;
    for (float height = -0.4f; height <= 0.4f; height += 0.2f) {
      for (float y = -1.5f; y <= 1.5f; y += 0.25f) {
        seen += Shows(walled, 0.0f, height, y) ? 1 : 0;
        seenFitted += Shows(fitted, 0.0f, height, y) ? 1 : 0;
      }
    }
    EXPECT_GT(seen, 0);
    EXPECT_EQ(seenFitted, 0);
  };
}

TEST(PictureLook, EachPictureShowsWhatItsSettingsAskFor) {
  REQUIRE_GL_CONTEXT();
  const std::string plain = "m_nMesh=16 m_bShading=0 m_bHiddenLine=0 ";
  const std::string sheet = "m_strFormula=0 m_nMesh=8 m_dUpDownAngle=";
  const std::string pole = "m_strFormula=1/x m_nMesh=201 m_dRange=2 m_bShading=0 ";
  RunOptions fit;
  fit.fit = true;
  using M = const Mean&;
  const struct {
    std::string sets;  // FIELD=VALUE ... over the defaults
    std::vector<Check> seen;
    RunOptions options = {};
    int width = 96, height = 72;
  } looks[] = {
      // White, the idle colour, black (also for a choice outside 0..2) and the
      // contour lines' own idle colour: each branch of the background once.
      {plain + "m_nBackColor=1", {Background(kWhite, 300)}},
      {plain + "m_nBackColor=2", {Background(kSurfaceIdle, 300)}},
      {plain + "m_nBackColor=-1", {Background(kBlack, 300)}},
      {plain + "m_nDrawStyle=5 m_nBackColor=2", {Background({128, 176, 184})}},
      // A flat sheet seen from above shows its back faces and from below its
      // front faces (the strips face down), each in its own material under the
      // style's lights: plastic magenta over cyan; ghost's glass dark from below.
      {"m_nDrawStyle=1 " + sheet + "-20",
       {Solid([](M m) { return m.r > 2 * m.g && m.b > 2 * m.g; })}},
      {"m_nDrawStyle=1 " + sheet + "20",
       {Solid([](M m) { return m.g > 2 * m.r && std::abs(m.g - m.b) < 3; })}},
      {"m_nDrawStyle=3 " + sheet + "20", {Solid([](M m) { return m.b < 20 && m.b > m.r; })}},
      // Fitted pictures stay inside the frame, also in a view wider than 4:3.
      {"", {StaysInside(false), PlainAtTheFitsScale()}, fit, 160, 120},
      {"m_strFormula=x-y", {StaysInside(true)}, fit, 240, 80},
      // No style draws a wall across a pole (the solids share one drawing).
      {pole + "m_bHiddenLine=0", {NoWallAtThePole()}, fit, 320, 240},
      {pole + "m_bHiddenLine=1 m_bShading=1", {NoWallAtThePole()}, fit, 320, 240},
      {pole + "m_nDrawStyle=1", {NoWallAtThePole()}, fit, 320, 240},
      {pole + "m_nDrawStyle=5", {NoWallAtThePole()}, fit, 320, 240},
  };
  for (const auto& look : looks) {
    SCOPED_TRACE(look.sets);
    CParaData para;
    std::istringstream sets(look.sets);
    std::string error;
    for (std::string set; sets >> set;) ASSERT_TRUE(ApplyParaOverride(para, set, &error)) << error;
    const Frame frame = Render(para, look.width, look.height, look.options);
    ASSERT_EQ(frame.width, look.width);
    EXPECT_EQ(frame.fit.has_value(), look.options.fit);
    for (const Check& check : look.seen) check(frame, para);
  }
}

TEST(ReadPictureTest, ReadsTheGridPointDrawnUnderThePointerAndALinesLevel) {
  REQUIRE_GL_CONTEXT();
  // A grid of spacing 1. A plane hides none of its own lines and tells x
  // from y; x + 5 has its contour lines (interval 1) along the grid's
  // columns, its fitted range off the middle. The window's hover test reads
  // a mesh at the origin.
  const struct {
    const char* name;
    int style;
    const char* formula;
    double (*f)(double x, double y);
    bool fit;
    double centreX = 0.0, centreY = 0.0;
  } cases[] = {
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
    RunOptions options;
    options.fit = c.fit;
    const Frame frame = Render(para, 320, 240, options);
    ASSERT_EQ(frame.fit.has_value(), c.fit);
    const CFormula formula = CompileFormula(c.formula);
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
      EXPECT_EQ(read->level.has_value(), c.style == STYLE_CONTOUR);
      if (read->level) {
        EXPECT_NEAR(*read->level, f, 0.05);
      }
    }
    // The top left corner: nothing drawn within reach.
    EXPECT_FALSE(ReadPicture(frame, para, formula, 2.0, 2.0));
  }
}

// The box a picture's aids are drawn around and the extremes they mark: f's
// own values at the grid points of the drawn extremes, turned over or off the
// origin; x and y number the window's centre +- R on the model's -R..R, the
// height spans the values at the picture's scale. A pole's values beyond the
// fitted range are cut, and not marked.
TEST(PictureAidsTest, TheBoxAndTheExtremesAreTheDrawnGrids) {
  const struct {
    int style, mesh;
    double zCoef, centreX, centreY;
    const char* formula;
    std::array<double, 6> extremes;  // f at the minimum and the maximum; their x, y
  } cases[] = {
      {STYLE_MESH, 4, -1.0, 0, 0, "x+2*y", {-6, 6, -2, -2, 2, 2}},
      {STYLE_CONTOUR, 4, 3.0, 10, -3, "x-2*y", {10, 22, 8, -1, 12, -5}},
      {STYLE_CONTOUR, 64, 1.0, 0, 0, "1/(x^2+y^2-25)", {}},  // fitted
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.formula);
    CParaData para = SmallPara(c.style, c.formula, c.mesh);
    para.m_dZCoef = c.zCoef, para.m_dCentreX = c.centreX, para.m_dCentreY = c.centreY;
    para.m_dRange = c.mesh == 4 ? 2.0 : para.m_dRange;
    const GridSpec grid = MakeGridSpec(para);
    const bool fitted = c.mesh != 4;
    PictureGrid s;
    CFormula formula = CompileFormula(c.formula);
    ASSERT_TRUE(SamplePictureGrid(c.style, grid, formula, fitted, RunSignals{}, s));
    const SampledBox box = BoxOfGrid(s.values, c.style != STYLE_CONTOUR, grid, s.extents,
                                     s.fit ? &*s.fit : nullptr, &formula);
    ASSERT_TRUE(box.minimum && box.maximum);
    const auto& [low, high] = std::tie(*box.minimum, *box.maximum);
    const AxisSpan &x = box.box[kAxisX], &y = box.box[kAxisY], &height = box.box[kAxisHeight];
    const double scale = fitted ? s.fit->factor : c.zCoef;
    EXPECT_NEAR((height.modelHigh - height.modelLow) / (height.valueAtHigh - height.valueAtLow),
                scale, 1e-4);
    EXPECT_NEAR(high.model[1] - low.model[1], (high.value - low.value) * scale, 1e-3);
    if (fitted) {
      EXPECT_TRUE(low.value >= s.fit->bottom && high.value <= s.fit->top);
      EXPECT_TRUE(s.extents.minZ < s.fit->bottom || s.extents.maxZ > s.fit->top);
      continue;
    }
    EXPECT_EQ((std::array{low.value, high.value, low.x, low.y, high.x, high.y}), c.extremes);
    EXPECT_EQ((std::array{low.model[0], low.model[2], x.modelLow, x.valueAtLow, y.modelHigh,
                          y.valueAtHigh, height.valueAtLow, height.valueAtHigh}),
              (std::array{low.x - c.centreX, low.y - c.centreY, -2.0, c.centreX - 2, 2.0,
                          c.centreY + 2, c.extremes[0], c.extremes[1]}));
  }
}

}  // namespace
