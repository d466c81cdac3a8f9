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

#include "FormulaReference.h"
#include "core/Contour.h"

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

TEST(FitValuesTest, PercentilesTailsWideningAndDegenerateData) {
  const struct {
    const char* name;
    std::vector<float> values;
    double spacing;  // N = 32: R = 16 * spacing
    double bottom, top, lower, upper, factor;
  } cases[] = {
      // 101 values: ranks 1 and 99; the tails (0 and 100) are close, so kept.
      {"ramp", Ramp(0, 100), 0.75, -5, 105, -3.9, 103.9, 12.0 / 110},
      {"non-finite values left out", Joined(Ramp(0, 100), {kNaN, kInf, -kInf}), 0.75, -5, 105, -3.9,
       103.9, 12.0 / 110},
      // 102 values: ranks 1 and 100, that is 1 and 100; a million is a pole.
      {"far tails cut", Joined(Ramp(1, 100), {-1e6f, 1e6f}), 0.75, -3.95, 104.95, -3.95, 104.95,
       12.0 / 108.9},
      {"a near tail kept, a far one cut", Joined(Ramp(1, 100), {-50, 1e6f}), 0.75, -57.5, 107.5,
       -3.95, 104.95, 12.0 / 165},
      {"a tail just beyond the width cut", Joined(Ramp(1, 100), {-120, 1e6f}), 0.75, -3.95, 104.95,
       -3.95, 104.95, 12.0 / 108.9},
      {"all equal", {5, 5, 5}, 0.75, 2.5, 7.5, 2.5, 7.5, 12.0 / 5},
      {"one finite value, 0", {kNaN, 0, -kInf}, 0.75, -0.5, 0.5, -0.5, 0.5, 12.0},
      {"a negative range", {5, 5, 5}, -0.75, 2.5, 7.5, 2.5, 7.5, 12.0 / 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    GridSpec gridSpec = GridOf(32, 12.0);
    gridSpec.spacing = static_cast<float>(c.spacing);
    const std::optional<SurfaceFit> fit = FitValues(c.values, gridSpec);
    ASSERT_TRUE(fit.has_value());
    EXPECT_DOUBLE_EQ(fit->bottom, c.bottom);
    EXPECT_DOUBLE_EQ(fit->top, c.top);
    EXPECT_DOUBLE_EQ(fit->lower, c.lower);
    EXPECT_DOUBLE_EQ(fit->upper, c.upper);
    EXPECT_DOUBLE_EQ(fit->factor, c.factor);
    // The fitted range spans R about the model's centre.
    EXPECT_FLOAT_EQ(fit->Height(fit->bottom), -6.0f);
    EXPECT_FLOAT_EQ(fit->Height(fit->top), 6.0f);
    EXPECT_EQ(fit->Height(fit->Middle()), 0.0f);
  }
  EXPECT_FALSE(FitValues({kNaN, kInf, -kInf}, GridOf(32, 12.0)).has_value());
  EXPECT_FALSE(FitValues({}, GridOf(32, 12.0)).has_value());
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
      {"on the ends", 1, -1, 0, 0, true},
      {"NaN", 0, kNaN, 0, 0, false},
      {"infinite", 0, 0, 0, -kInf, false},
      {"one side beyond: cut, not left out", 5, 0, 0, 0, true},
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
    bool cut;                      // some finite value lies outside the fitted range
  } cases[] = {
      // Column 2 is x = 0: 1/0 is the largest double, infinite as a float.
      {"1/x", 4, 2.0, {1, 2}, false},
      // Columns 125 and 126 are x = 0.50 and 0.52: -100 and +100 about a pole.
      {"1/(x-0.51)", 200, 2.0, {125}, true},
      // Almost all 0 (fitted to -0.5..0.5) but 3.4e38 at x = 2: finite, yet
      // twice that as a height is not.
      {"exp(8870*(x-1.99))", 200, 2.0, {199}, true},
      {"x^5", 32, 12.0, {}, false},
      {DEFAULT_FORMULA, 32, 12.0, {}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.formula);
    const GridSpec gridSpec = GridOf(c.nMesh, c.range);
    const CFormula formula = Compiled(c.formula);
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
    bool cut = false;
    for (std::size_t k = 0; k < raw.size(); k += 3) {
      ASSERT_EQ(grid[k], raw[k]);
      ASSERT_EQ(grid[k + 2], raw[k + 2]);
      const float expected = fit.Height(raw[k + 1]);
      ASSERT_TRUE(grid[k + 1] == expected || (std::isnan(grid[k + 1]) && std::isnan(expected)));
      cut = cut || (std::isfinite(raw[k + 1]) && (raw[k + 1] < fit.bottom || raw[k + 1] > fit.top));
    }
    EXPECT_EQ(cut, c.cut);
  }

  // Nothing finite to fit; a grid that is not the gridSpec's.
  for (const auto& [formula, specMesh] : {std::pair{"sqrt(-1-x^2)", 4}, std::pair{"x", 5}}) {
    std::vector<float> grid;
    GridExtents extents;
    ASSERT_TRUE(ComputeSurface(GridOf(4, 2.0), Compiled(formula), {}, grid, extents));
    EXPECT_FALSE(FitSurface(grid, GridOf(specMesh, 2.0)).has_value()) << formula;
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
  ASSERT_TRUE(ComputeContour(FitSampling(gridSpec), Compiled("1/(x-0.51)"), {}, grid, extents));
  const std::optional<SurfaceFit> fit = FitValues(grid, gridSpec);
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
