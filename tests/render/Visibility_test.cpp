// What a picture shows, read back from hand-made frames with no GL: the
// readout's pick square and the shaded faces the SVG drawing recovers. With
// identity matrices a model point (x, height, y) lands at window x, window y
// and depth (each from -1..1 to the picture), so a cell whose y equals its
// height is a face seen from the front, its depth growing up the picture.
#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "RenderTestSupport.h"
#include "render/PictureColours.h"
#include "render/PictureSpace.h"
#include "render/PictureVisibility.h"

namespace {

constexpr int kSize = 40;

Frame Blank(int width, int height) {
  Frame frame;
  frame.width = width, frame.height = height;
  frame.rgba.assign(static_cast<std::size_t>(width) * height * 4, 0);
  frame.depth.assign(static_cast<std::size_t>(width) * height, 1.0f);
  for (const int k : {0, 5, 10, 15}) frame.projection[k] = frame.modelView[k] = 1.0f;
  return frame;
}

// A pixel given as a window pixel (rows counted from the bottom).
void Put(Frame& frame, int px, int py, float depth, const Rgb& colour) {
  const std::size_t pixel = static_cast<std::size_t>(frame.height - 1 - py) * frame.width + px;
  frame.depth[pixel] = depth;
  for (int k = 0; k < 3; ++k) frame.rgba[pixel * 4 + k] = colour[k];
}

// The nMesh = 1 cell over window columns x0..x1 and rows y0..y1.
std::vector<float> Cell(double x0, double x1, double y0, double y1) {
  std::vector<float> grid(12);
  for (int j = 0; j < 2; ++j) {
    for (int i = 0; i < 2; ++i) {
      const auto height = static_cast<float>((i == 0 ? y0 : y1) / kSize * 2 - 1);
      const std::size_t at = GridIndex(1, j, i);
      grid[at] = static_cast<float>((j == 0 ? x0 : x1) / kSize * 2 - 1);
      grid[at + 1] = grid[at + 2] = height;
    }
  }
  return grid;
}

// Paints the face of Cell(x0, x1, ...) over rows y0..y1 as GL leaves it: its
// depth at each pixel's centre, pushed back by half its slope of a row.
void PaintFace(Frame& frame, int x0, int x1, int y0, int y1,
               const std::function<Rgb(int, int)>& colour) {
  for (int py = y0; py < y1; ++py)
    for (int px = x0; px < x1; ++px)
      Put(frame, px, py, static_cast<float>((py + 1.0) / kSize), colour(px, py));
}

TEST(PictureSpaceTest, TheReadoutPicksADrawnPixelOnItsRadiusAndNoFarther) {
  const CFormula formula = CompileFormula(DEFAULT_FORMULA);
  // The mouse at pixel (8, 5), rows from the top; the one drawn pixel offset by:
  const struct {
    int dx, dy;
    bool read;
  } cases[] = {{4, 0, true},  {-4, 0, true}, {0, 4, true},  {0, -4, true},
               {5, 0, false}, {0, 5, false}, {3, 3, false}, {-3, -3, false}};
  for (const auto& [dx, dy, read] : cases) {
    SCOPED_TRACE(testing::Message() << dx << "," << dy);
    Frame frame = Blank(20, 12);
    frame.depth[static_cast<std::size_t>(5 + dy) * 20 + 8 + dx] = 0.5f;
    EXPECT_EQ(ReadPicture(frame, CParaData{}, formula, 8.5, 5.5).has_value(), read);
  }
  // At the picture's edges the square stops: nothing beyond them is read.
  for (const auto& [x, y] : {std::pair{8.5, 11.5}, {19.5, 5.5}, {0.5, 0.5}})
    EXPECT_FALSE(ReadPicture(Blank(20, 12), CParaData{}, formula, x, y).has_value());
  Frame line = Blank(20, 1);  // a picture one pixel high is read too
  line.depth[8] = 0.5f;
  EXPECT_TRUE(ReadPicture(line, CParaData{}, formula, 8.5, 0.5).has_value());
}

TEST(ShadedFacesTest, AFaceIsShownInThePixelsItsDepthsOwn) {
  const Rgb line = ToBytes(kMeshLineColour);
  const Rgb other{200, 10, 10};
  // Each pixel's colour names the pixel.
  const auto where = [](int px, int py) {
    return Rgb{static_cast<std::uint8_t>(px), static_cast<std::uint8_t>(py), 77};
  };
  const struct {
    std::string name;
    int x0, x1;                               // the face's columns, rows 10..30
    std::function<Rgb(int, int)> colour;      // nothing painted when empty
    std::function<bool(const Rgb&)> isShown;  // the face's colour; empty: left out
  } cases[] = {
      // Its own pixel nearest to its centre (20, 20): one of columns and rows 19, 20.
      {"wide", 10, 30, where,
       [](const Rgb& c) { return c[0] >= 19 && c[0] <= 20 && c[1] >= 19 && c[1] <= 20; }},
      // Two pixels wide, none clear of its edges: the pixels unlike the lines.
      {"narrow", 10, 12, [&](int, int py) { return py >= 27 ? other : line; },
       [&](const Rgb& c) { return c == other; }},
      {"not drawn", 10, 30, nullptr, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Frame frame = Blank(kSize, kSize);
    if (c.colour) PaintFace(frame, c.x0, c.x1, 10, 30, c.colour);
    const std::vector<ShownFace> faces =
        ShadedFaces(Cell(c.x0, c.x1, 10, 30), 1, nullptr, PictureSpace(frame));
    ASSERT_EQ(faces.size(), c.isShown ? 1u : 0u);
    if (!c.isShown) continue;
    EXPECT_TRUE(c.isShown(faces[0].colour))
        << int{faces[0].colour[0]} << "," << int{faces[0].colour[1]};
    EXPECT_NEAR(faces[0].depth, 0.5, 1e-9);
  }
}

// A sheared cell, its top edge 10 pixels right of its bottom one, is not
// drawn; something at the front lies in its bounding box but outside it.
TEST(ShadedFacesTest, OnlyPixelsInsideAFaceCanShowIt) {
  Frame frame = Blank(kSize, kSize);
  std::vector<float> grid = Cell(10, 20, 10, 30);
  for (int j = 0; j < 2; ++j) grid[GridIndex(1, j, 1)] += 10.0f / kSize * 2;
  Put(frame, 28, 12, 0.0f, Rgb{1, 2, 3});
  EXPECT_TRUE(ShadedFaces(grid, 1, nullptr, PictureSpace(frame)).empty());
}

// A fitted cell over rows 10..34 reaching above the cut at model height 0.6
// (row 32) keeps rows 10..32; it is ordered by its mean depth over that band,
// the depth of its middle row, not by the mean of its outline's corners.
TEST(ShadedFacesTest, ACutFaceIsOrderedByItsMeanDepthOverItsArea) {
  Frame frame = Blank(kSize, kSize);
  PaintFace(frame, 10, 30, 10, 32, [](int, int) { return Rgb{90, 200, 90}; });
  FittedSurface fitted;
  fitted.fit.factor = 1.0, fitted.fit.bottom = -0.6, fitted.fit.top = 0.6;
  fitted.nMesh = 1, fitted.drawn = {1};
  const std::vector<ShownFace> faces =
      ShadedFaces(Cell(10, 30, 10, 34), 1, &fitted, PictureSpace(frame));
  ASSERT_EQ(faces.size(), 1u);
  EXPECT_EQ(faces[0].colour, (Rgb{90, 200, 90}));
  EXPECT_NEAR(faces[0].depth, 21.0 / kSize, 1e-6);
  // Its two triangles are joined along the diagonal into the 20 x 22 band.
  double area = 0.0;
  for (std::size_t k = 0; k < faces[0].count; ++k) {
    const WindowPoint &a = faces[0].corners[k], &b = faces[0].corners[(k + 1) % faces[0].count];
    area += (a.x * b.y - b.x * a.y) / 2;
  }
  EXPECT_NEAR(std::abs(area), 20.0 * 22, 1e-3);
}

// A corner on the eye's plane (clip w = 0, and z = 0 with it) has no place in
// the window: the face is left to the lines, though the picture is drawn all over.
TEST(ShadedFacesTest, AFaceWithACornerOnTheEyesPlaneIsLeftOut) {
  Frame frame = Blank(kSize, kSize);
  PaintFace(frame, 0, kSize, 0, kSize, [](int, int) { return Rgb{90, 200, 90}; });
  frame.projection = {1, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};  // w = x + 1
  EXPECT_TRUE(ShadedFaces(Cell(0, 30, 10, 30), 1, nullptr, PictureSpace(frame)).empty());
}

// A line leaving the view through the far or the near plane (depth 1 or 0) is
// cut there: from window x 10 it reaches the middle, x 20, and no farther.
TEST(ShownLinesTest, ALineEndsWhereItLeavesTheViewInDepth) {
  struct Ends : ShownLines {
    void Colour(const Rgb&) override {}
    void MoveTo(const WindowPoint& p) override { from = p.x; }
    void LineTo(const WindowPoint& p) override { to = p.x; }
    double from = -1, to = -1;
  };
  const Frame frame = Blank(kSize, kSize);
  for (const double depth : {0.5, -0.5}) {
    Ends ends;
    TraceModelSegments({ModelSegment{{-0.5, 0, depth}, {0.5, 0, 3 * depth}}}, Rgb{},
                       PictureSpace(frame), false, ends);
    EXPECT_TRUE(ends.from == 10 && std::abs(ends.to - 20) < 1e-9) << depth;
  }
}

}  // namespace
