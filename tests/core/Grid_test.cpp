// Grid sampling: coordinates, layout, extents and progress; the optimised,
// multi-threaded sampler against one EvaluateFormula call per point (grids
// and extents equal bit for bit, non-finite values stored but left out of
// the extents); a stop leaves whole rows unsampled with the progress counting
// the finished ones.
#include "core/Grid.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "GridPlain.h"
#include "core/Formula.h"
#include "core/ShareData.h"
#include "core/Workers.h"

namespace {

const char kHeavyFormula[] =
    "SIN(X)*COS(Y) + EXP(-X^2/10) * LOG(Y^2+1) + ATAN(X*Y) + SQRT(X^2+Y^2)";

// The grid a parameter set with these values samples.
GridSpec GridOf(int nMesh, double range, double zCoef = 2.0, double zeroByZero = 0.5) {
  CParaData para;
  para.m_nMesh = nMesh, para.m_dRange = range, para.m_dZCoef = zCoef;
  para.m_dZeroByZero = zeroByZero;
  return MakeGridSpec(para);
}

struct Sampled {
  bool done = false;
  std::vector<float> grid;
  GridExtents extents;
};

// reused: the buffer to sample into, as a caller that keeps its grid hands it over.
Sampled Sample(bool surface, const GridSpec& gridSpec, const CFormula& formula,
               const RunSignals& signals = {}, int threads = 0, std::vector<float> reused = {}) {
  Sampled s;
  s.grid = std::move(reused);
  s.done = (surface ? ComputeSurface : ComputeContour)(gridSpec, formula, signals, s.grid,
                                                       s.extents, threads);
  return s;
}

// One EvaluateFormula call per point, in order: what the sampler must equal.
Sampled SamplePlain(bool surface, const GridSpec& gridSpec, CFormula& formula) {
  Sampled s;
  s.done = (surface ? SampleSurfacePlain : SampleContourPlain)(
      gridSpec, EvaluatingFunction(formula, gridSpec), RunSignals{}, s.grid, s.extents);
  return s;
}

bool SameBits(const Sampled& a, const Sampled& b) {
  return a.done == b.done && a.grid.size() == b.grid.size() &&
         std::memcmp(a.grid.data(), b.grid.data(), a.grid.size() * sizeof(float)) == 0 &&
         std::memcmp(&a.extents, &b.extents, sizeof a.extents) == 0;
}

float F(double v) { return static_cast<float>(v); }

TEST(GridTest, CoordinatesLayoutOrderExtentsAndProgress) {
  // N, R and the spacing, exact in float for these.
  const std::tuple<int, double, float> cases[] = {
      {1, 1.0, 2.0f}, {2, 1.0, 1.0f}, {3, 1.5, 1.0f}, {32, 12.0, 0.75f}};
  const CFormula formula = CompileFormula("x*1000+y");  // the value tells the point
  for (const auto& [n, range, spacing] : cases) {
    for (bool surface : {true, false}) {
      SCOPED_TRACE(std::to_string(n) + (surface ? " surface" : " contour"));
      const GridSpec gridSpec = GridOf(n, range);
      EXPECT_EQ(gridSpec.spacing, spacing);
      const int runState = surface ? DS_RUN_SURFACE : DS_RUN_CONTOUR;
      std::atomic<int> state{runState}, progress{7};
      const Sampled s = Sample(surface, gridSpec, formula, {&state, runState, &progress});
      const auto side = static_cast<std::size_t>(n) + 1;
      ASSERT_TRUE(s.done);
      ASSERT_EQ(s.grid.size(), side * side * (surface ? 3 : 1));
      EXPECT_EQ(progress, 7 + (n + 1) * (surface ? 2 : 1));
      // Surface: rows of y from +R down, columns of x from -R; contour: x
      // outer, y inner, from -R.
      for (int outer = 0; outer <= n; ++outer) {
        for (int inner = 0; inner <= n; ++inner) {
          SCOPED_TRACE(std::to_string(outer) + "," + std::to_string(inner));
          const double a = (outer - n / 2.0) * spacing, b = (inner - n / 2.0) * spacing;
          const double x = surface ? b : a, y = surface ? -a : b;
          EXPECT_EQ(GridCoordinate(gridSpec, inner), F(b));
          EXPECT_EQ(NearestGridIndex(gridSpec, b + spacing / 4), inner);  // the hover's snap
          const std::vector<float> point = surface ? std::vector{F(x), F((x * 1000 + y) * 2), F(y)}
                                                   : std::vector{F(x * 1000 + y)};
          const float* at =
              &s.grid[surface ? GridIndex(n, inner, outer) : ContourIndex(n, outer, inner)];
          EXPECT_EQ(std::vector<float>(at, at + point.size()), point);
        }
      }
      const float r = F(range), top = F(range * 1001.0 * (surface ? 2.0 : 1.0));
      EXPECT_TRUE(s.extents.minX == -r && s.extents.maxX == r && s.extents.minY == -r &&
                  s.extents.maxY == r);
      EXPECT_TRUE(s.extents.minZ == -top && s.extents.maxZ == top);
    }
  }
  EXPECT_EQ(NearestGridIndex(GridOf(0, 1.0), 0.0), -1);
}

// Every formula kind the grid split treats apart, NaN, overflow and partial
// lists are fuzz_formula seeds, whose property is this comparison with one
// worker on tiny grids; here the rows shared out among threads, at a large N,
// a window centred far enough off the origin that float coordinates would lose
// bits, and 0/0 values and Z coefficients the fuzzer keeps fixed.
TEST(GridParallel, EqualsOneEvaluationPerPoint) {
  const double inf = std::numeric_limits<double>::infinity();
  int variant = 0;
  for (const char* text : {"sin ( sqrt ( x^2 + y^2 ) ) / sqrt ( x^2 + y^2 )", kHeavyFormula}) {
    CFormula formula = CompileFormula(text);
    for (const auto& [n, centreX, centreY] :
         {std::tuple{2, 0.0, 0.0}, std::tuple{141, 1.5, -1e7 - 0.1}}) {
      for (bool surface : {true, false}) {
        for (double zeroDiv : {-1.0, std::numeric_limits<double>::quiet_NaN(), inf, -inf}) {
          const double zScale = std::array{11.0, 0.3, 1e30}[variant++ % 3];
          SCOPED_TRACE(testing::Message() << text << " N " << n << (surface ? " surface" : "")
                                          << " 0/0 " << zeroDiv << " Z " << zScale);
          GridSpec gridSpec = GridOf(n, 12.0, zScale, zeroDiv);
          gridSpec.centreX = centreX, gridSpec.centreY = centreY;
          const Sampled expected = SamplePlain(surface, gridSpec, formula);
          ASSERT_TRUE(expected.done);
          EXPECT_TRUE(SameBits(Sample(surface, gridSpec, formula, {}, 3), expected));
        }
      }
    }
  }
}

TEST(GridParallel, HeightsAreScaledInExtendedPrecision) {
  // v * s is just above a float midpoint by less than half a double ulp:
  // rounded to double first, it would fall back to the even float below.
  const double s = 1.0 + 3.0 / 8388608.0;
  const Sampled got =
      Sample(true, GridOf(2, 1.0, s, 0.0), CompileFormula("1.2777760823573772+X*0"), {}, 2);
  for (std::size_t k = 1; k < got.grid.size(); k += 3)
    EXPECT_EQ(got.grid[k], 1.2777765989303589f) << k;
}

// The state is flipped by another thread once the first row is reported. A
// busy machine could let the sampling finish first; then it is run again.
TEST(GridParallel, StopLeavesWholeRowsZeroAndCountsTheFinishedOnes) {
  const CFormula formula = CompileFormula(kHeavyFormula);
  const int n = 401;  // odd: no coordinate is 0, so a sampled point is never all zero
  const std::size_t side = n + 1;
  const GridSpec gridSpec = GridOf(n, 12.0, 2.0, 1.0);
  for (bool surface : {true, false}) {
    SCOPED_TRACE(surface ? "surface" : "contour");
    const int runState = surface ? DS_RUN_SURFACE : DS_RUN_CONTOUR, perRow = surface ? 2 : 1;
    const std::size_t width = surface ? 3 : 1, rowSize = side * width;
    std::atomic<int> state{runState}, progress{7};
    const Sampled full = Sample(surface, gridSpec, formula, {&state, runState, &progress}, 3);
    ASSERT_TRUE(full.done);
    EXPECT_EQ(progress, 7 + perRow * (n + 1));
    bool stopped = false;
    for (int attempt = 0; attempt < 5 && !stopped; ++attempt) {
      state = runState, progress = 0;
      std::atomic<bool> over{false};
      std::thread stopper([&] {
        while (progress.load() < perRow && !over) std::this_thread::yield();
        state = DS_STOP;
      });
      // Into a larger buffer that still holds another run's values: none may
      // show through the rows the stop left.
      const Sampled s = Sample(surface, gridSpec, formula, {&state, runState, &progress}, 2,
                               std::vector<float>(3 * side * side + 1, 7.0f));
      over = true;
      stopper.join();
      if (s.done) continue;
      stopped = true;
      ASSERT_EQ(s.grid.size(), side * rowSize);
      int finished = 0;
      for (std::size_t row = 0; row < side; ++row) {
        std::size_t same = 0, zero = 0;
        for (std::size_t k = 0; k < side; ++k) {
          const std::size_t first = surface ? 3 * (k * side + row) : row * side + k;
          for (std::size_t e = first; e < first + width; ++e) {
            same += std::memcmp(&s.grid[e], &full.grid[e], sizeof(float)) == 0;
            zero += s.grid[e] == 0.0f;
          }
        }
        ASSERT_TRUE(same == rowSize || zero == rowSize) << "row " << row;
        finished += same == rowSize;
      }
      EXPECT_TRUE(finished >= 1 && finished < n + 1 && progress == perRow * finished) << finished;
    }
    EXPECT_TRUE(stopped) << "the sampling never saw the stop";
  }
}

}  // namespace
