// Heights fitted to the data: the fitted and the percentile range of a set of
// values (percentiles, tails, widening, degenerate data), the cells a pole
// runs through, a sampled surface's mask and fitted heights, and the heights
// of a fitted grid's contour lines.
#include "core/Fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "core/Contour.h"
#include "core/Formula.h"

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

GridSpec GridOf(int nMesh, double range) {
  CParaData para;
  para.m_nMesh = nMesh, para.m_dRange = range;
  return MakeGridSpec(para);
}

std::vector<float> Ramp(int from, int to) {
  std::vector<float> values;
  for (int v = from; v <= to; ++v) values.push_back(static_cast<float>(v));
  return values;
}

std::vector<float> Joined(std::vector<float> values, const std::vector<float>& more) {
  values.insert(values.end(), more.begin(), more.end());
  return values;
}

// The values row by row in a contour grid of N = 32, the rest NaN.
std::vector<float> Grid32(std::vector<float> values) {
  values.resize(ContourGridSize(32), kNaN);
  return values;
}

// A well beyond 330 zeros that only a path down column 0 reaches: from row
// 10 on, each row holds one sample there, the 0 and then the well's, and NaN.
std::vector<float> Corridor(const std::vector<float>& well) {
  std::vector<float> values(33 * 10, 0.0f);
  for (const float v : Joined({0.0f}, well)) {
    values.push_back(v);
    values.resize(values.size() + 32, kNaN);
  }
  return values;
}

TEST(FitValuesTest, PercentilesTailsWideningAndDegenerateData) {
  const struct {
    const char* name;
    std::vector<float> values;
    double spacing;  // N = 32: R = 16 * spacing
    double bottom, top, lower, upper;
  } cases[] = {
      // 101 values: ranks 1 and 99; the tails (0 and 100) are close, so kept.
      {"non-finite values left out", Joined(Ramp(0, 100), {kNaN, kInf, -kInf}), 0.75, -5, 105, -3.9,
       103.9},
      // 102 values: ranks 1 and 100, that is 1 and 100; a million is a pole.
      {"a near tail kept, a far one cut", Joined(Ramp(1, 100), {-50, 1e6f}), 0.75, -57.5, 107.5,
       -3.95, 104.95},
      {"a tail just beyond the width cut", Joined(Ramp(1, 100), {-120, 1e6f}), 0.75, -3.95, 104.95,
       -3.95, 104.95},
      // 334 values: ranks 3 and 330 are 0. Depth 3 reached in steps of 1 stays;
      // 2.9 is not three steps deep.
      {"a well three steps deep kept", Corridor({-1, -2, -3}), 0.75, -3.15, 0.15, -0.5, 0.5},
      {"a well less deep cut", Corridor({-1, -2, -2.9f}), 0.75, -0.5, 0.5, -0.5, 0.5},
      {"all equal", {5, 5, 5}, 0.75, 2.5, 7.5, 2.5, 7.5},
      {"one finite value, 0", {kNaN, 0, -kInf}, 0.75, -0.5, 0.5, -0.5, 0.5},
      {"a negative range", {5, 5, 5}, -0.75, 2.5, 7.5, 2.5, 7.5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    GridSpec gridSpec = GridOf(32, 12.0);
    gridSpec.spacing = static_cast<float>(c.spacing);
    const std::optional<SurfaceFit> fit =
        FitValues(Grid32(c.values), GridLayout::Contour, gridSpec);
    ASSERT_TRUE(fit.has_value());
    EXPECT_DOUBLE_EQ(fit->bottom, c.bottom);
    EXPECT_DOUBLE_EQ(fit->top, c.top);
    EXPECT_DOUBLE_EQ(fit->lower, c.lower);
    EXPECT_DOUBLE_EQ(fit->upper, c.upper);
    // The fitted range spans R about the model's centre: the factor.
    EXPECT_FLOAT_EQ(fit->Height(fit->bottom), -6.0f);
    EXPECT_FLOAT_EQ(fit->Height(fit->top), 6.0f);
    EXPECT_EQ(fit->Height(fit->Middle()), 0.0f);
  }
  // Nothing finite to fit; a grid that is not the layout's.
  EXPECT_FALSE(FitValues(Grid32({kInf, -kInf}), GridLayout::Contour, GridOf(32, 12.0)));
  EXPECT_FALSE(FitValues(Grid32({1, 2}), GridLayout::Surface, GridOf(32, 12.0)));
  EXPECT_FALSE(FitValues({}, GridLayout::Contour, GridOf(32, 12.0)));
}

// Easom's function: a well of depth 1 and width about 1 at (pi, pi), almost 0
// elsewhere.
const std::string kEasom = "-cos(x)*cos(y)*exp(-((x-pi)^2+(y-pi)^2))";
const std::string kEasomPeak = kEasom.substr(1);

TEST(FitValuesTest, SmoothExtremesStayInsideAndPolesAreCut) {
  enum Expect {
    kWhole,   // the tails lie within the percentile range's width anyway
    kSmooth,  // an extreme far beyond that width, reached in small steps
    kCut,     // cut where the percentile range ends, a small part of the extent
  };
  const struct {
    std::string formula;
    double range;
    int nMesh;
    Expect expect;
  } cases[] = {
      {DEFAULT_FORMULA, 12.0, 32, kWhole},
      {kEasom, 10.0, 64, kSmooth},
      {kEasomPeak, 10.0, 64, kSmooth},
      // At N = 200 the percentile range of 1/x reaches within a width of its
      // largest finite value; at N = 500 no longer.
      {"1/x", 12.0, 500, kCut},
      // Where the ring touches a column (x = 5.04, y = 0) the samples along the
      // column climb gently to 2.5, but the neighbour across the ring is -1.3.
      {"1/(x^2+y^2-25)", 12.0, 200, kCut},
      // A disc of height 1000 whose edge falls between two samples: flat on
      // top, reached by one jump.
      {"1000/(1+exp(-200*(0.5-sqrt((x-3)^2+(y-3)^2))))", 12.0, 200, kCut},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.formula << " R=" << c.range << " N=" << c.nMesh);
    const GridSpec gridSpec = GridOf(c.nMesh, c.range);
    const CFormula formula = CompileFormula(c.formula);
    std::vector<float> grid;
    GridExtents extents;
    ASSERT_TRUE(ComputeContour(FitSampling(gridSpec), formula, {}, grid, extents));
    const std::optional<SurfaceFit> fit = FitValues(grid, GridLayout::Contour, gridSpec);
    ASSERT_TRUE(fit.has_value());
    const double minimum = extents.minZ, maximum = extents.maxZ;
    const double width = fit->upper - fit->lower;
    EXPECT_EQ(minimum < fit->lower - width || maximum > fit->upper + width, c.expect != kWhole);
    if (c.expect == kCut) {
      // Where it was cut the table above shows: here, that it was.
      EXPECT_LT(fit->top - fit->bottom, (maximum - minimum) / 4);
      EXPECT_TRUE(minimum < fit->bottom || maximum > fit->top);
    } else {
      EXPECT_LE(fit->bottom, minimum);
      EXPECT_GE(fit->top, maximum);
    }
  }
}

TEST(FitCellTest, NonFiniteCornersAndPolesAcrossThePercentileRangeAreLeftOut) {
  SurfaceFit fit;
  fit.bottom = -2, fit.lower = -1, fit.upper = 1, fit.top = 2, fit.factor = 1;
  const struct {
    const char* name;
    float h00, h10, h11, h01;
    bool drawn;
  } cases[] = {
      {"inside", 0, 0.5f, -0.5f, 0.9f, true},
      // A corner on one end and one beyond the other: cut, not left out.
      {"on the upper end", 1, -5, 0, 0, true},
      {"on the lower end", 5, -1, 0, 0, true},
      {"NaN", 0, kNaN, 0, 0, false},
      {"all beyond one side", 5, 6, 7, 8, true},
      {"both sides beyond", 5, 0, -5, 0, false},
      // The percentile range decides, not the fitted one.
      {"beyond the percentile range only", 1.5f, 0, 0, -1.5f, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(fit.CellDrawn(c.h00, c.h10, c.h11, c.h01), c.drawn) << c.name;
  }
}

TEST(FitSurfaceTest, MarksThePoleCellsAndFitsEveryHeight) {
  const struct {
    const char* formula;
    int nMesh;
    double range;
    std::set<int> leftOutColumns;  // every row's cells there; none elsewhere
  } cases[] = {
      // Column 2 is x = 0: 1/0 is the largest double, infinite as a float.
      {"1/x", 4, 2.0, {1, 2}},
      // Columns 125 and 126 are x = 0.50 and 0.52: -100 and +100 about a pole.
      {"1/(x-0.51)", 200, 2.0, {125}},
      // Almost all 0 (fitted to -0.5..0.5) but 3.4e38 at x = 2: finite, yet
      // twice that as a height is not.
      {"exp(8870*(x-1.99))", 200, 2.0, {199}},
      {DEFAULT_FORMULA, 32, 12.0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.formula);
    const GridSpec gridSpec = GridOf(c.nMesh, c.range);
    const CFormula formula = CompileFormula(c.formula);
    std::vector<float> raw;
    GridExtents extents;
    ASSERT_TRUE(ComputeSurface(FitSampling(gridSpec), formula, {}, raw, extents));
    std::vector<float> grid = raw;
    const std::optional<FittedSurface> fitted = FitSurface(grid, gridSpec);
    ASSERT_TRUE(fitted.has_value());
    const SurfaceFit& fit = fitted->fit;
    for (int j = 0; j < c.nMesh; ++j) {
      for (int i = 0; i < c.nMesh; ++i) {
        ASSERT_EQ(fitted->CellDrawn(j, i), c.leftOutColumns.count(j) == 0) << j << "," << i;
      }
    }
    for (std::size_t k = 0; k < raw.size(); k += 3) {
      ASSERT_EQ(grid[k], raw[k]);
      ASSERT_EQ(grid[k + 2], raw[k + 2]);
      const float expected = fit.Height(raw[k + 1]);
      ASSERT_TRUE(grid[k + 1] == expected || (std::isnan(grid[k + 1]) && std::isnan(expected)));
    }
  }
}

struct HeightSink : ContourSink {
  void Colour(const ContourColour&) override {}
  void Segment(const float v1[3], const float v2[3]) override {
    heights.insert(heights.end(), {v1[1], v2[1]});
  }
  std::vector<float> heights;
};

TEST(FitContourTest, TheLevelsSpanTheFittedRangeAtTheFittedHeights) {
  const GridSpec gridSpec = GridOf(200, 2.0);
  std::vector<float> grid;
  GridExtents extents;
  ASSERT_TRUE(
      ComputeContour(FitSampling(gridSpec), CompileFormula("1/(x-0.51)"), {}, grid, extents));
  const std::optional<SurfaceFit> fit = FitValues(grid, GridLayout::Contour, gridSpec);
  ASSERT_TRUE(fit.has_value());
  HeightSink sink;
  ASSERT_EQ(BuildContour(grid, gridSpec, extents, 0.05f, {}, sink, &*fit), ContourBuild::Complete);
  ASSERT_FALSE(sink.heights.empty());
  for (const float height : sink.heights) {
    // The levels are floats from the range's ends on.
    ASSERT_GE(height, fit->Height(static_cast<float>(fit->bottom)));
    ASSERT_LT(height, fit->Height(static_cast<float>(fit->top)));
  }
}

}  // namespace
