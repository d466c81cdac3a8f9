#include "core/Grid.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/ShareData.h"

namespace {

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

void Sample(Sampling& run, bool surface, const GridSpec& gridSpec, const std::string& text) {
  CFormula formula;
  formula.Tokenize(text);
  formula.MakePostfix();
  const int runState = surface ? DS_RUN_SURFACE : DS_RUN_CONTOUR;
  if (run.state == 0) run.state = runState;
  const RunSignals signals{&run.state, runState, &run.progress};
  run.done = surface ? ComputeSurface(gridSpec, formula, signals, run.grid, run.extents)
                     : ComputeContour(gridSpec, formula, signals, run.grid, run.extents);
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
      // The value tells the point: x * 1000 + y.
      Sample(run, surface, gridSpec, "x*1000+y");
      ASSERT_TRUE(run.done);
      ASSERT_EQ(run.grid.size(), side * side * (surface ? 3 : 1));
      EXPECT_EQ(run.progress, 7 + (n + 1) * (surface ? 2 : 1));
      // Surface: rows of y from +R down, columns of x from -R; contour: x outer, y inner, from -R.
      for (std::size_t outer = 0; outer < side; ++outer) {
        for (std::size_t inner = 0; inner < side; ++inner) {
          SCOPED_TRACE(std::to_string(outer) + "," + std::to_string(inner));
          const double a = (static_cast<double>(outer) - n / 2.0) * m.spacing;
          const double b = (static_cast<double>(inner) - n / 2.0) * m.spacing;
          const double x = surface ? b : a, y = surface ? -a : b;
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
  const float finf = std::numeric_limits<float>::infinity();
  // N = 2 over -1..1: log(x) is NaN at x = -1 and -inf at x = 0; exp(700 y)
  // at y = 1 is beyond float once stored. Only x = 1, y <= 0 stays finite.
  Sampling surface, contour;
  Sample(surface, true, Params(2, 1.0), "log(x)+exp(y*700)");
  EXPECT_TRUE(std::isnan(surface.grid[GridIndex(2, 0, 1) + 1]));  // x = -1, y = 0
  EXPECT_EQ(surface.grid[GridIndex(2, 1, 2) + 1], -finf);         // x = 0, y = -1
  EXPECT_EQ(surface.grid[GridIndex(2, 2, 0) + 1], finf);          // x = 1, y = 1
  EXPECT_TRUE(surface.extents.maxZ == 2.0f && surface.extents.minZ == 0.0f);
  Sample(contour, false, Params(2, 1.0), "log(x)+exp(y*700)");
  EXPECT_EQ(contour.grid[ContourIndex(2, 2, 2)], finf);
  EXPECT_TRUE(contour.extents.maxZ == 1.0f && contour.extents.minZ == 0.0f);
}

TEST(GridTest, NotRunningOrBadMeshSamplesNothing) {
  Sampling stopped, other;
  stopped.state = DS_STOP;
  Sample(stopped, true, Params(2, 1.0), "x+1");
  EXPECT_FALSE(stopped.done);
  EXPECT_EQ(stopped.grid, std::vector<float>(27, 0.0f));
  other.state = DS_RUN_SURFACE;  // the other run's state is not this run's
  Sample(other, false, Params(2, 1.0), "x+1");
  EXPECT_FALSE(other.done);
  EXPECT_EQ(other.grid, std::vector<float>(9, 0.0f));
  for (int n : {0, -1, kMaxGridMesh + 1}) {
    Sampling bad;
    bad.grid.assign(5, 1.0f);
    Sample(bad, true, Params(n, 1.0), "x+1");
    EXPECT_FALSE(bad.done);
    EXPECT_TRUE(bad.grid.empty());
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
  ASSERT_TRUE(ComputeSurface(gridSpec, formula, RunSignals{}, grid, extents));
  EXPECT_EQ(grid[GridIndex(32, 16, 16) + 1], 11.0f);  // 0/0 value times the Z coefficient
  EXPECT_EQ(extents.maxZ, 11.0f);
  EXPECT_NEAR(extents.minZ, -0.2172 * 11.0, 0.01);
  // The contour grid holds the raw values: the lowest one sets the level range.
  ASSERT_TRUE(ComputeContour(gridSpec, formula, RunSignals{}, grid, raw));
  EXPECT_EQ(grid[ContourIndex(32, 16, 16)], 1.0f);
  EXPECT_NEAR(raw.minZ, -0.2172, 1e-4);
}

TEST(GridTest, FlatPatchNormalPointsDown) {
  // a = next column of b's row, c = b's point in the next row.
  Sampling run;
  Sample(run, true, Params(4, 3.0), "0.25");
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
