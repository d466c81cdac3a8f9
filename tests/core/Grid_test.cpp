#include "core/Grid.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "core/ShareData.h"

namespace {

struct Call {
  double x, y, zeroDiv;
  CFormula* formula;
};

// The evaluator is a plain function pointer, so the fake keeps its state here.
struct FakeEvaluator {
  std::vector<Call> calls;
  std::function<double(double, double, double)> f = [](double x, double y, double) {
    return x * 1000.0 + y;
  };
  std::atomic<int>* flipState = nullptr;  // set to DS_STOP on call number flipAfter
  std::size_t flipAfter = 0;
};
FakeEvaluator g_fake;

double FakeEvaluate(CFormula* formula, const double* x, const double* y, const double* zeroDiv) {
  g_fake.calls.push_back(Call{*x, *y, *zeroDiv, formula});
  if (g_fake.flipState != nullptr && g_fake.calls.size() == g_fake.flipAfter) {
    g_fake.flipState->store(DS_STOP);
  }
  return g_fake.f(*x, *y, *zeroDiv);
}

GridSpec Params(int nMesh, double range, double zCoef = 2.0, double zeroByZero = 0.5) {
  CParaData para;
  para.m_nMesh = nMesh;
  para.m_dRange = range;
  para.m_dZCoef = zCoef;
  para.m_dZeroByZero = zeroByZero;
  return MakeGridSpec(para);
}

class GridTest : public ::testing::Test {
 protected:
  void SetUp() override { g_fake = FakeEvaluator{}; }

  RunSignals Signals(int runState) { return RunSignals{&state, runState, &progress}; }

  std::atomic<int> state{DS_RUN_SURFACE};
  std::atomic<int> progress{0};
  CFormula formula;
  std::vector<float> grid;
  GridExtents extents;
};

struct MeshCase {
  int nMesh;
  double range;
  float spacing;  // exact in float for these cases
};
const MeshCase kMeshCases[] = {{1, 1.0, 2.0f}, {2, 1.0, 1.0f}, {3, 1.5, 1.0f}, {32, 12.0, 0.75f}};

// Independent of the code under test: exact for the cases above.
double Coordinate(const MeshCase& m, int k) { return (k - m.nMesh / 2.0) * m.spacing; }

TEST(MakeGridSpecTest, NarrowsTheParameterSet) {
  const GridSpec spec = MakeGridSpec(CParaData{});
  EXPECT_EQ(spec.nMesh, 32);
  EXPECT_EQ(spec.spacing, 0.75f);
  EXPECT_EQ(spec.zScale, 11.0f);
  EXPECT_EQ(spec.zeroDiv, 1.0f);
  EXPECT_EQ(spec.contourStep, 0.05f);

  for (const MeshCase& m : kMeshCases) {
    SCOPED_TRACE(m.nMesh);
    EXPECT_EQ(Params(m.nMesh, m.range).spacing, m.spacing);
  }
  EXPECT_EQ(Params(3, 1.0).spacing, static_cast<float>(2.0 / 3.0));
}

TEST(GridCoordinateTest, RunsFromMinusRToPlusR) {
  struct Case {
    int nMesh;
    double range;
    std::vector<float> expected;
  };
  const Case cases[] = {
      {1, 1.0, {-1.0f, 1.0f}},
      {2, 1.0, {-1.0f, 0.0f, 1.0f}},
      {3, 1.5, {-1.5f, -0.5f, 0.5f, 1.5f}},  // odd N: no point on the axis
      {4, 12.0, {-12.0f, -6.0f, 0.0f, 6.0f, 12.0f}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.nMesh);
    const GridSpec spec = Params(c.nMesh, c.range);
    for (int k = 0; k <= c.nMesh; ++k) EXPECT_EQ(GridCoordinate(spec, k), c.expected[k]) << k;
  }
  const GridSpec spec = Params(32, 12.0);
  EXPECT_EQ(GridCoordinate(spec, 0), -12.0f);
  EXPECT_EQ(GridCoordinate(spec, 17), 0.75f);
  EXPECT_EQ(GridCoordinate(spec, 32), 12.0f);
}

TEST_F(GridTest, SurfaceLayoutAndEvaluationOrder) {
  for (const MeshCase& m : kMeshCases) {
    SCOPED_TRACE(m.nMesh);
    SetUp();
    extents = GridExtents{};
    progress = 7;
    const int n = m.nMesh;
    const GridSpec spec = Params(n, m.range);
    ASSERT_TRUE(
        ComputeSurface(spec, &formula, FakeEvaluate, Signals(DS_RUN_SURFACE), grid, extents));
    const std::size_t side = static_cast<std::size_t>(n) + 1;
    ASSERT_EQ(grid.size(), side * side * 3);
    ASSERT_EQ(g_fake.calls.size(), side * side);
    EXPECT_EQ(progress, 7 + 2 * (n + 1));

    for (int i = 0; i <= n; ++i) {
      const double y = -Coordinate(m, i);
      for (int j = 0; j <= n; ++j) {
        const double x = Coordinate(m, j);
        const float* p = &grid[3 * (j * side + i)];
        EXPECT_EQ(p[0], static_cast<float>(x)) << j << "," << i;
        EXPECT_EQ(p[1], static_cast<float>((x * 1000.0 + y) * 2.0)) << j << "," << i;
        EXPECT_EQ(p[2], static_cast<float>(y)) << j << "," << i;
        // Rows outer, columns inner.
        const Call& call = g_fake.calls[i * side + j];
        EXPECT_EQ(call.x, x);
        EXPECT_EQ(call.y, y);
        EXPECT_EQ(call.zeroDiv, 0.5);
        EXPECT_EQ(call.formula, &formula);
      }
    }
    // Row 0 is y = +R, column 0 is x = -R.
    EXPECT_EQ(grid[GridIndex(n, 0, 0)], static_cast<float>(-m.range));
    EXPECT_EQ(grid[GridIndex(n, 0, 0) + 2], static_cast<float>(m.range));
    EXPECT_EQ(grid[GridIndex(n, n, n)], static_cast<float>(m.range));
    EXPECT_EQ(grid[GridIndex(n, n, n) + 2], static_cast<float>(-m.range));

    const float r = static_cast<float>(m.range);
    EXPECT_EQ(extents.minX, -r);
    EXPECT_EQ(extents.maxX, r);
    EXPECT_EQ(extents.minY, -r);
    EXPECT_EQ(extents.maxY, r);
    EXPECT_EQ(extents.maxZ, static_cast<float>(m.range * 1001.0 * 2.0));
    EXPECT_EQ(extents.minZ, static_cast<float>(-m.range * 1001.0 * 2.0));
  }
}

TEST_F(GridTest, ContourLayoutAndEvaluationOrder) {
  for (const MeshCase& m : kMeshCases) {
    SCOPED_TRACE(m.nMesh);
    SetUp();
    extents = GridExtents{};
    progress = 0;
    state = DS_RUN_CONTOUR;
    const int n = m.nMesh;
    ASSERT_TRUE(ComputeContour(Params(n, m.range), &formula, FakeEvaluate, Signals(DS_RUN_CONTOUR),
                               grid, extents));
    const std::size_t side = static_cast<std::size_t>(n) + 1;
    ASSERT_EQ(grid.size(), side * side);
    ASSERT_EQ(g_fake.calls.size(), side * side);
    EXPECT_EQ(progress, n + 1);

    // i along x, j along y, both from -R; values unscaled.
    for (int i = 0; i <= n; ++i) {
      for (int j = 0; j <= n; ++j) {
        const double x = Coordinate(m, i);
        const double y = Coordinate(m, j);
        EXPECT_EQ(grid[i * side + j], static_cast<float>(x * 1000.0 + y)) << i << "," << j;
        EXPECT_EQ(grid[ContourIndex(n, i, j)], grid[i * side + j]);
        const Call& call = g_fake.calls[i * side + j];
        EXPECT_EQ(call.x, x);
        EXPECT_EQ(call.y, y);
      }
    }
    const float r = static_cast<float>(m.range);
    EXPECT_EQ(extents.minY, -r);
    EXPECT_EQ(extents.maxX, r);
    EXPECT_EQ(extents.maxZ, static_cast<float>(m.range * 1001.0));
    EXPECT_EQ(extents.minZ, static_cast<float>(-m.range * 1001.0));
  }
}

TEST_F(GridTest, OddMeshHasNoPointOnAnAxis) {
  ASSERT_TRUE(ComputeSurface(Params(3, 1.0), &formula, FakeEvaluate, Signals(DS_RUN_SURFACE), grid,
                             extents));
  for (std::size_t k = 0; k < grid.size(); k += 3) {
    EXPECT_NE(grid[k], 0.0f) << k;
    EXPECT_NE(grid[k + 2], 0.0f) << k;
  }
}

TEST_F(GridTest, NonFiniteSamplesAreStoredButLeftOutOfTheExtents) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  // N = 2: nine samples in call order; the first one is NaN, which the
  // extent rule would otherwise take as the maximum.
  const std::vector<double> values = {nan, 3.0, inf, -inf, -5.0, 1e300, 4.0, nan, 1.0};
  g_fake.f = [&](double, double, double) { return values[g_fake.calls.size() - 1]; };

  ASSERT_TRUE(ComputeSurface(Params(2, 1.0), &formula, FakeEvaluate, Signals(DS_RUN_SURFACE), grid,
                             extents));
  EXPECT_TRUE(std::isnan(grid[GridIndex(2, 0, 0) + 1]));
  EXPECT_EQ(grid[GridIndex(2, 2, 0) + 1], std::numeric_limits<float>::infinity());
  EXPECT_EQ(grid[GridIndex(2, 0, 1) + 1], -std::numeric_limits<float>::infinity());
  // Finite, but beyond float once scaled.
  EXPECT_EQ(grid[GridIndex(2, 2, 1) + 1], std::numeric_limits<float>::infinity());
  EXPECT_EQ(extents.maxZ, 8.0f);
  EXPECT_EQ(extents.minZ, -10.0f);

  SetUp();
  g_fake.f = [&](double, double, double) { return values[g_fake.calls.size() - 1]; };
  extents = GridExtents{};
  state = DS_RUN_CONTOUR;
  ASSERT_TRUE(ComputeContour(Params(2, 1.0), &formula, FakeEvaluate, Signals(DS_RUN_CONTOUR), grid,
                             extents));
  EXPECT_TRUE(std::isnan(grid[ContourIndex(2, 0, 0)]));
  EXPECT_EQ(grid[ContourIndex(2, 0, 2)], std::numeric_limits<float>::infinity());
  EXPECT_EQ(extents.maxZ, 4.0f);
  EXPECT_EQ(extents.minZ, -5.0f);
}

TEST_F(GridTest, AllNonFiniteKeepsTheStartExtents) {
  g_fake.f = [](double, double, double) { return std::nan(""); };
  ASSERT_TRUE(ComputeSurface(Params(2, 1.0), &formula, FakeEvaluate, Signals(DS_RUN_SURFACE), grid,
                             extents));
  EXPECT_EQ(extents.maxZ, -3.4028235e38f);
  EXPECT_EQ(extents.minZ, 3.4028235e38f);
  EXPECT_EQ(extents.maxX, 1.0f);
}

TEST_F(GridTest, StopPartWayLeavesTheRestZero) {
  // N = 2: nine points; the state flips during call K, so the point after it
  // is the first one not sampled (none after the last).
  for (std::size_t k : {1u, 3u, 4u, 8u, 9u}) {
    SCOPED_TRACE(k);
    for (int runState : {DS_RUN_SURFACE, DS_RUN_CONTOUR}) {
      SCOPED_TRACE(runState);
      SetUp();
      state = runState;
      progress = 0;
      extents = GridExtents{};
      g_fake.flipState = &state;
      g_fake.flipAfter = k;
      const bool surface = runState == DS_RUN_SURFACE;
      const bool done = surface ? ComputeSurface(Params(2, 1.0), &formula, FakeEvaluate,
                                                 Signals(runState), grid, extents)
                                : ComputeContour(Params(2, 1.0), &formula, FakeEvaluate,
                                                 Signals(runState), grid, extents);
      EXPECT_EQ(done, k == 9);
      EXPECT_EQ(g_fake.calls.size(), k);
      const int rowsStarted = static_cast<int>((k == 9 ? 8 : k) / 3) + 1;
      EXPECT_EQ(progress, rowsStarted * (surface ? 2 : 1));
      ASSERT_EQ(grid.size(), surface ? 27u : 9u);
      for (std::size_t point = 0; point < 9; ++point) {
        const int outer = static_cast<int>(point / 3);  // row i
        const int inner = static_cast<int>(point % 3);  // column j
        if (surface) {
          const float* p = &grid[GridIndex(2, inner, outer)];
          if (point < k) {
            const float x = static_cast<float>(inner - 1);
            const float y = static_cast<float>(1 - outer);
            EXPECT_EQ(p[0], x) << point;
            EXPECT_EQ(p[1], (x * 1000.0f + y) * 2.0f) << point;
            EXPECT_EQ(p[2], y) << point;
          } else {
            EXPECT_EQ(p[0], 0.0f) << point;
            EXPECT_EQ(p[1], 0.0f) << point;
            EXPECT_EQ(p[2], 0.0f) << point;
          }
        } else {
          // Point 4 is the origin, whose value is 0 anyway.
          const float x = static_cast<float>(outer - 1);
          const float y = static_cast<float>(inner - 1);
          const float sampled = x * 1000.0f + y;
          EXPECT_EQ(grid[ContourIndex(2, outer, inner)], point < k ? sampled : 0.0f) << point;
        }
      }
    }
  }
}

TEST_F(GridTest, StopExtentsCoverOnlyTheSampledPart) {
  g_fake.flipState = &state;
  g_fake.flipAfter = 4;  // row 0 (y = +1) and the first point of row 1 (y = 0)
  EXPECT_FALSE(ComputeSurface(Params(2, 1.0), &formula, FakeEvaluate, Signals(DS_RUN_SURFACE), grid,
                              extents));
  EXPECT_EQ(extents.maxY, 1.0f);
  EXPECT_EQ(extents.minY, 0.0f);
  EXPECT_EQ(extents.minZ, (-1000.0f + 0.0f) * 2.0f);
  EXPECT_EQ(extents.maxZ, (1000.0f + 1.0f) * 2.0f);
}

TEST_F(GridTest, NotRunningFromTheStartSamplesNothing) {
  state = DS_STOP;
  EXPECT_FALSE(ComputeSurface(Params(2, 1.0), &formula, FakeEvaluate, Signals(DS_RUN_SURFACE), grid,
                              extents));
  EXPECT_TRUE(g_fake.calls.empty());
  EXPECT_EQ(progress, 2);
  EXPECT_EQ(grid, std::vector<float>(27, 0.0f));
  // The other run's state is not this run's either.
  state = DS_RUN_SURFACE;
  EXPECT_FALSE(ComputeContour(Params(2, 1.0), &formula, FakeEvaluate, Signals(DS_RUN_CONTOUR), grid,
                              extents));
  EXPECT_TRUE(g_fake.calls.empty());
  EXPECT_EQ(progress, 3);
}

TEST_F(GridTest, RefusesMeshCountsOutsideTheIndexRange) {
  for (int n : {0, -1, kMaxGridMesh + 1}) {
    SCOPED_TRACE(n);
    grid.assign(5, 1.0f);
    EXPECT_FALSE(ComputeSurface(Params(n, 1.0), &formula, FakeEvaluate, Signals(DS_RUN_SURFACE),
                                grid, extents));
    EXPECT_TRUE(grid.empty());
    EXPECT_FALSE(ComputeContour(Params(n, 1.0), &formula, FakeEvaluate, Signals(DS_RUN_SURFACE),
                                grid, extents));
    EXPECT_TRUE(grid.empty());
    EXPECT_EQ(SurfaceGridSize(n), 0u);
  }
  EXPECT_TRUE(g_fake.calls.empty());
  EXPECT_EQ(progress, 0);
  EXPECT_EQ(SurfaceGridSize(500), 753003u);
  EXPECT_EQ(ContourGridSize(kMaxGridMesh), 32767u * 32767u);
}

// sin(r)/r with the 0/0 value at the origin, as the default formula gives it.
double DefaultFormula(double x, double y, double zeroDiv) {
  const double r = std::sqrt(x * x + y * y);
  return r == 0.0 ? zeroDiv : std::sin(r) / r;
}

TEST_F(GridTest, DefaultParameterSet) {
  g_fake.f = DefaultFormula;
  const GridSpec spec = MakeGridSpec(CParaData{});
  ASSERT_TRUE(ComputeSurface(spec, &formula, FakeEvaluate, Signals(DS_RUN_SURFACE), grid, extents));
  EXPECT_EQ(grid.size(), 33u * 33u * 3u);
  EXPECT_EQ(grid[GridIndex(32, 16, 16)], 0.0f);
  EXPECT_EQ(grid[GridIndex(32, 16, 16) + 1], 11.0f);
  EXPECT_EQ(grid[GridIndex(32, 16, 16) + 2], 0.0f);
  EXPECT_EQ(extents.minX, -12.0f);
  EXPECT_EQ(extents.maxX, 12.0f);
  EXPECT_EQ(extents.minY, -12.0f);
  EXPECT_EQ(extents.maxY, 12.0f);
  EXPECT_EQ(extents.maxZ, 11.0f);
}

TEST_F(GridTest, DefaultFormulaThroughTheFormulaEngine) {
  const CParaData para;
  ASSERT_TRUE(formula.Tokenize(para.m_strFormula));
  ASSERT_TRUE(formula.MakePostfix());
  const GridSpec spec = MakeGridSpec(para);
  ASSERT_TRUE(
      ComputeSurface(spec, &formula, EvaluateFormula, Signals(DS_RUN_SURFACE), grid, extents));
  EXPECT_EQ(grid[GridIndex(32, 16, 16) + 1], 11.0f);  // 0/0 value times the Z coefficient
  EXPECT_EQ(extents.maxZ, 11.0f);
  EXPECT_NEAR(extents.minZ, -0.2172 * 11.0, 0.01);
  EXPECT_EQ(extents.minX, -12.0f);
  EXPECT_EQ(extents.maxY, 12.0f);

  // The contour grid holds the raw values: the lowest one sets the level range.
  GridExtents raw;
  state = DS_RUN_CONTOUR;
  ASSERT_TRUE(ComputeContour(spec, &formula, EvaluateFormula, Signals(DS_RUN_CONTOUR), grid, raw));
  EXPECT_EQ(grid[ContourIndex(32, 16, 16)], 1.0f);
  EXPECT_NEAR(raw.minZ, -0.2172, 1e-4);
  EXPECT_EQ(raw.maxZ, 1.0f);
}

TEST_F(GridTest, FlatPatchNormalPointsDown) {
  // a = next column of b's row, c = b's point in the next row.
  g_fake.f = [](double, double, double) { return 0.25; };
  const int n = 4;
  ASSERT_TRUE(ComputeSurface(Params(n, 3.0), &formula, FakeEvaluate, Signals(DS_RUN_SURFACE), grid,
                             extents));
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) {
      float normal[3] = {9.0f, 9.0f, 9.0f};
      FaceNormal(&grid[GridIndex(n, j + 1, i)], &grid[GridIndex(n, j, i)],
                 &grid[GridIndex(n, j, i + 1)], normal);
      EXPECT_EQ(normal[0], 0.0f);
      EXPECT_EQ(normal[1], -1.0f);
      EXPECT_EQ(normal[2], 0.0f);
    }
  }
}

TEST(FaceNormalTest, HandMadeTriples) {
  struct Case {
    const char* name;
    float a[3], b[3], c[3];
    float expected[3];
  };
  const float h = 0.70710677f;
  const Case cases[] = {
      {"xy plane", {0, 0, 0}, {3, 0, 0}, {0, 4, 0}, {0, 0, 1}},
      {"reversed", {0, 0, 0}, {0, 4, 0}, {3, 0, 0}, {0, 0, -1}},
      {"slope", {0, 0, 0}, {1, 1, 0}, {0, 0, 1}, {h, -h, 0}},
      {"offset", {5, 5, 5}, {6, 5, 5}, {5, 5, 6}, {0, -1, 0}},
      // The cross product is 1e38, its square far beyond float.
      {"near the float limit", {0, 0, 0}, {1e19f, 0, 0}, {0, 1e19f, 0}, {0, 0, 1}},
      {"all one point", {1, 2, 3}, {1, 2, 3}, {1, 2, 3}, {0, 0, 0}},
      {"collinear", {0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    float out[3] = {7.0f, 7.0f, 7.0f};
    FaceNormal(c.a, c.b, c.c, out);
    for (int k = 0; k < 3; ++k) EXPECT_FLOAT_EQ(out[k], c.expected[k]) << k;
  }
}

TEST(ShareDataTest, StartsInTheInitialState) {
  EXPECT_EQ(g_ShareData.m_nState.load(), DS_INITIAL);
  EXPECT_EQ(g_ShareData.m_nProgress.load(), 0);
}

}  // namespace
