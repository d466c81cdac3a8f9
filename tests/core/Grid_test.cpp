#include "core/Grid.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <vector>

#include "core/ShareData.h"

namespace {

struct Call {
  double x, y, zeroDiv;
  bool operator==(const Call&) const = default;
};

// The evaluator is a plain function pointer, so the fake keeps its state here.
// It returns x * 1000 + y, or the next of `values` when there are any, and
// sets *flipState to DS_STOP during call number flipAfter.
struct FakeEvaluator {
  std::vector<Call> calls;
  std::vector<double> values;
  std::atomic<int>* flipState = nullptr;
  std::size_t flipAfter = 0;
} g_fake;

double FakeEvaluate(CFormula*, const double* x, const double* y, const double* zeroDiv) {
  g_fake.calls.push_back(Call{*x, *y, *zeroDiv});
  if (g_fake.flipState != nullptr && g_fake.calls.size() == g_fake.flipAfter)
    g_fake.flipState->store(DS_STOP);
  return g_fake.values.empty() ? *x * 1000.0 + *y : g_fake.values[g_fake.calls.size() - 1];
}

GridSpec Params(int nMesh, double range) {
  CParaData para;
  para.m_nMesh = nMesh;
  para.m_dRange = range;
  para.m_dZCoef = 2.0;
  para.m_dZeroByZero = 0.5;
  return MakeGridSpec(para);
}

struct Sampling {
  bool done = false;
  std::atomic<int> state{0}, progress{0};
  std::vector<float> grid;
  GridExtents extents;
};

// One run with the fake evaluator, starting from a fresh fake.
void Sample(Sampling& run, bool surface, const GridSpec& gridSpec, FakeEvaluator fake = {}) {
  g_fake = std::move(fake);
  const int runState = surface ? DS_RUN_SURFACE : DS_RUN_CONTOUR;
  if (run.state == 0) run.state = runState;
  const RunSignals signals{&run.state, runState, &run.progress};
  run.done = surface
                 ? ComputeSurface(gridSpec, nullptr, FakeEvaluate, signals, run.grid, run.extents)
                 : ComputeContour(gridSpec, nullptr, FakeEvaluate, signals, run.grid, run.extents);
}

TEST(GridTest, CoordinatesLayoutOrderExtentsAndProgress) {
  struct Case {
    int nMesh;
    double range;
    float spacing;  // exact in float for these cases
  };
  const Case cases[] = {{1, 1.0, 2.0f}, {2, 1.0, 1.0f}, {3, 1.5, 1.0f}, {32, 12.0, 0.75f}};
  for (const Case& m : cases) {
    for (bool surface : {true, false}) {
      SCOPED_TRACE(std::to_string(m.nMesh) + (surface ? " surface" : " contour"));
      const int n = m.nMesh;
      const auto side = static_cast<std::size_t>(n) + 1;
      const GridSpec gridSpec = Params(n, m.range);
      EXPECT_EQ(gridSpec.spacing, m.spacing);
      Sampling run;
      run.progress = 7;
      Sample(run, surface, gridSpec);
      ASSERT_TRUE(run.done);
      ASSERT_EQ(run.grid.size(), side * side * (surface ? 3 : 1));
      ASSERT_EQ(g_fake.calls.size(), side * side);
      EXPECT_EQ(run.progress, 7 + (n + 1) * (surface ? 2 : 1));
      // Surface: rows of y from +R down, columns of x from -R; contour: x outer, y inner, from -R.
      for (std::size_t outer = 0; outer < side; ++outer) {
        for (std::size_t inner = 0; inner < side; ++inner) {
          SCOPED_TRACE(std::to_string(outer) + "," + std::to_string(inner));
          const double a = (static_cast<double>(outer) - n / 2.0) * m.spacing;
          const double b = (static_cast<double>(inner) - n / 2.0) * m.spacing;
          const double x = surface ? b : a, y = surface ? -a : b;
          const Call& call = g_fake.calls[outer * side + inner];
          EXPECT_EQ(call, (Call{x, y, 0.5}));
          EXPECT_EQ(GridCoordinate(gridSpec, static_cast<int>(inner)), static_cast<float>(b));
          if (surface) {
            const float* p =
                &run.grid[GridIndex(n, static_cast<int>(inner), static_cast<int>(outer))];
            const auto z = static_cast<float>((x * 1000.0 + y) * 2.0);
            EXPECT_EQ(std::vector<float>(p, p + 3),
                      (std::vector<float>{static_cast<float>(x), z, static_cast<float>(y)}));
          } else {
            EXPECT_EQ(run.grid[ContourIndex(n, static_cast<int>(outer), static_cast<int>(inner))],
                      static_cast<float>(x * 1000.0 + y));
          }
        }
      }
      const float r = static_cast<float>(m.range);
      const float top = static_cast<float>(m.range * 1001.0 * (surface ? 2.0 : 1.0));
      EXPECT_TRUE(run.extents.minX == -r && run.extents.maxX == r && run.extents.minY == -r &&
                  run.extents.maxY == r);
      EXPECT_TRUE(run.extents.minZ == -top && run.extents.maxZ == top);
    }
  }
}

TEST(GridTest, NonFiniteSamplesAreStoredButLeftOutOfTheExtents) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const float finf = std::numeric_limits<float>::infinity();
  // N = 2: nine samples in call order; the first one is NaN, which the extent
  // rule would otherwise take as the maximum; 1e300 is beyond float once scaled.
  const std::vector<double> values = {nan, 3.0, inf, -inf, -5.0, 1e300, 4.0, nan, 1.0};
  Sampling surface, contour;
  Sample(surface, true, Params(2, 1.0), {{}, values});
  EXPECT_TRUE(std::isnan(surface.grid[GridIndex(2, 0, 0) + 1]));
  EXPECT_EQ(surface.grid[GridIndex(2, 2, 0) + 1], finf);
  EXPECT_EQ(surface.grid[GridIndex(2, 0, 1) + 1], -finf);
  EXPECT_EQ(surface.grid[GridIndex(2, 2, 1) + 1], finf);
  EXPECT_TRUE(surface.extents.maxZ == 8.0f && surface.extents.minZ == -10.0f);
  Sample(contour, false, Params(2, 1.0), {{}, values});
  EXPECT_EQ(contour.grid[ContourIndex(2, 0, 2)], finf);
  EXPECT_TRUE(contour.extents.maxZ == 4.0f && contour.extents.minZ == -5.0f);
}

TEST(GridTest, StopPartWayLeavesTheRestZero) {
  // N = 2: nine points; the state flips during call k, so the point after it
  // is the first one not sampled (none after the last).
  for (std::size_t k : {1u, 3u, 4u, 8u, 9u}) {
    for (bool surface : {true, false}) {
      SCOPED_TRACE(std::to_string(k) + (surface ? " surface" : " contour"));
      Sampling run;
      Sample(run, surface, Params(2, 1.0), {{}, {}, &run.state, k});
      EXPECT_EQ(run.done, k == 9);
      EXPECT_EQ(g_fake.calls.size(), k);
      EXPECT_EQ(run.progress, static_cast<int>((k == 9 ? 8 : k) / 3 + 1) * (surface ? 2 : 1));
      Sampling full;
      Sample(full, surface, Params(2, 1.0));
      const std::size_t width = surface ? 3 : 1;
      for (std::size_t point = 0; point < 9; ++point) {
        const std::size_t at =
            surface ? GridIndex(2, static_cast<int>(point % 3), static_cast<int>(point / 3))
                    : point;
        for (std::size_t e = at; e < at + width; ++e)
          EXPECT_EQ(run.grid[e], point < k ? full.grid[e] : 0.0f) << "point " << point;
      }
      if (k == 4 && surface) {  // row 0 (y = +1) and the first point of row 1 (y = 0)
        EXPECT_TRUE(run.extents.maxY == 1.0f && run.extents.minY == 0.0f);
        EXPECT_TRUE(run.extents.minZ == -2000.0f && run.extents.maxZ == 2002.0f);
      }
    }
  }
}

TEST(GridTest, NotRunningOrBadMeshSamplesNothing) {
  Sampling stopped, other;
  stopped.state = DS_STOP;
  Sample(stopped, true, Params(2, 1.0));
  EXPECT_FALSE(stopped.done);
  EXPECT_EQ(stopped.grid, std::vector<float>(27, 0.0f));
  other.state = DS_RUN_SURFACE;  // the other run's state is not this run's
  Sample(other, false, Params(2, 1.0));
  EXPECT_FALSE(other.done);
  EXPECT_TRUE(g_fake.calls.empty());
  for (int n : {0, -1, kMaxGridMesh + 1}) {
    Sampling bad;
    bad.grid.assign(5, 1.0f);
    Sample(bad, true, Params(n, 1.0));
    EXPECT_FALSE(bad.done);
    EXPECT_TRUE(bad.grid.empty());
    EXPECT_TRUE(g_fake.calls.empty());
  }
}

TEST(GridTest, DefaultFormulaThroughTheFormulaEngine) {
  const CParaData para;
  CFormula formula;
  ASSERT_TRUE(formula.Tokenize(para.m_strFormula));
  ASSERT_TRUE(formula.MakePostfix());
  const GridSpec gridSpec = MakeGridSpec(para);
  EXPECT_TRUE(gridSpec.nMesh == 32 && gridSpec.spacing == 0.75f && gridSpec.zScale == 11.0f &&
              gridSpec.zeroDiv == 1.0f && gridSpec.contourStep == 0.05f);
  std::vector<float> grid;
  GridExtents extents, raw;
  ASSERT_TRUE(ComputeSurface(gridSpec, &formula, EvaluateFormula, RunSignals{}, grid, extents));
  EXPECT_EQ(grid[GridIndex(32, 16, 16) + 1], 11.0f);  // 0/0 value times the Z coefficient
  EXPECT_EQ(extents.maxZ, 11.0f);
  EXPECT_NEAR(extents.minZ, -0.2172 * 11.0, 0.01);
  // The contour grid holds the raw values: the lowest one sets the level range.
  ASSERT_TRUE(ComputeContour(gridSpec, &formula, EvaluateFormula, RunSignals{}, grid, raw));
  EXPECT_EQ(grid[ContourIndex(32, 16, 16)], 1.0f);
  EXPECT_NEAR(raw.minZ, -0.2172, 1e-4);
}

TEST(GridTest, FlatPatchNormalPointsDown) {
  // a = next column of b's row, c = b's point in the next row.
  Sampling run;
  Sample(run, true, Params(4, 3.0), {{}, std::vector<double>(25, 0.25)});
  for (int j = 0; j < 4; ++j) {
    for (int i = 0; i < 4; ++i) {
      float normal[3] = {9.0f, 9.0f, 9.0f};
      FaceNormal(&run.grid[GridIndex(4, j + 1, i)], &run.grid[GridIndex(4, j, i)],
                 &run.grid[GridIndex(4, j, i + 1)], normal);
      EXPECT_TRUE(normal[0] == 0.0f && normal[1] == -1.0f && normal[2] == 0.0f) << j << "," << i;
    }
  }
}

TEST(FaceNormalTest, HandMadeTriples) {
  struct Case {
    float a[3], b[3], c[3], expected[3];
  };
  const float h = 0.70710677f;
  const Case cases[] = {
      {{0, 0, 0}, {0, 4, 0}, {3, 0, 0}, {0, 0, -1}},
      {{0, 0, 0}, {1, 1, 0}, {0, 0, 1}, {h, -h, 0}},
      {{0, 0, 0}, {1e19f, 0, 0}, {0, 1e19f, 0}, {0, 0, 1}},  // the square of 1e38 is beyond float
      {{1, 2, 3}, {1, 2, 3}, {1, 2, 3}, {0, 0, 0}},          // one point
      {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {0, 0, 0}},          // collinear
  };
  for (const Case& c : cases) {
    float out[3] = {7.0f, 7.0f, 7.0f};
    FaceNormal(c.a, c.b, c.c, out);
    for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(out[k], c.expected[k]) << &c - cases << " " << k;
  }
}

}  // namespace
