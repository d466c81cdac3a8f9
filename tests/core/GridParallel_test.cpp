// The optimised, multi-threaded sampling against one EvaluateFormula call per
// point: the grids must be equal bit for bit, the extents too, and a stop must
// leave whole rows unsampled with the progress counting the finished ones.
#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "core/Grid.h"
#include "core/ShareData.h"

namespace {

const char kDefaultFormula[] = "sin ( sqrt ( x^2 + y^2 ) ) / sqrt ( x^2 + y^2 )";
const char kHeavyFormula[] =
    "SIN(X)*COS(Y) + EXP(-X^2/10) * LOG(Y^2+1) + ATAN(X*Y) + SQRT(X^2+Y^2)";

// Any evaluate other than EvaluateFormula itself takes the per-point path.
double OnePointAtATime(CFormula* formula, const double* x, const double* y, const double* z) {
  return EvaluateFormula(formula, x, y, z);
}

enum class Layout { Surface, Contour };

struct Sampled {
  bool done = false;
  std::vector<float> grid;
  GridExtents extents;
};

Sampled Sample(Layout layout, const GridSpec& spec, CFormula& formula, PFN_EVALUATE evaluate,
               const RunSignals& signals, int threads) {
  Sampled s;
  s.done = layout == Layout::Surface
               ? ComputeSurface(spec, &formula, evaluate, signals, s.grid, s.extents, threads)
               : ComputeContour(spec, &formula, evaluate, signals, s.grid, s.extents, threads);
  return s;
}

bool SameBits(const GridExtents& a, const GridExtents& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

GridSpec Spec(int nMesh, float range, float zScale, float zeroDiv) {
  GridSpec spec;
  spec.nMesh = nMesh;
  spec.spacing = static_cast<float>(static_cast<long double>(range) / (nMesh / 2.0L));
  spec.zScale = zScale;
  spec.zeroDiv = zeroDiv;
  return spec;
}

struct FormulaCase {
  const char* text;
  float range;
};

const FormulaCase kFormulas[] = {
    {kDefaultFormula, 12.0f},
    {kHeavyFormula, 12.0f},
    {"SIN(X)+COS(Y)+TAN(X*Y)", 3.0f},
    {"ASIN(X)+ACOS(Y)-ATAN(X/Y)", 1.5f},  // NaN outside -1..1
    {"EXP(X*Y)+LOG(X)*LOG10(Y)", 30.0f},  // overflow, log of 0 and of negatives
    {"SQRT(X)^Y/SQRT(Y)", 4.0f},
    {"X^Y-Y^X", 4.0f},
    {"1/0+X", 2.0f},
    {"-1/0*Y", 2.0f},
    {"0/0", 2.0f},
    {"X/0+0/Y", 2.0f},
    {"(X-X)/(Y-Y)", 2.0f},
    {"X/Y", 2.0f},  // 0/0 on the x axis
    {"1/SQRT(X)", 2.0f},
    {"SIN(X)^2", 12.0f},                            // x only
    {"LOG(Y^2+1)*3", 12.0f},                        // y only
    {"SIN(2)*X+COS(3)/Y-LOG(2)^EXP(1)", 5.0f},      // constant subexpressions
    {"SIN(X*Y)+SIN(X*Y)*SIN(X*Y)-SIN(X*Y)", 5.0f},  // repeats
    {"-X^2--Y+-(X*-Y)", 5.0f},                      // unary minus
    {"X*Y*0", 1.0f},  // zeros of both signs: the first one met is the extreme
    {"7", 1.0f},
    {"X", 1.0f},
    {"Y", 1.0f},
    {"PI*X", 1.0f},
    // Partial and unbalanced lists, as a formula read from a parameter file
    // without the check leaves them.
    {"", 1.0f},
    {"X+2Y", 3.0f},
    {"X+", 3.0f},
    {"SIN(X) COS(Y) X*Y", 3.0f},
    {"(X+Y", 3.0f},
    {"X*(", 3.0f},
    {")", 3.0f},
};

TEST(GridParallel, EqualsOneEvaluationPerPoint) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float zeroDivs[] = {-1.0f, 0.0f, 1.0f, nan, inf, -inf};
  const float zScales[] = {11.0f, 0.3f, 1e30f};
  const int meshes[] = {1, 2, 3, 32, 101};
  int variant = 0;
  for (const FormulaCase& f : kFormulas) {
    SCOPED_TRACE(std::string("formula '") + f.text + "'");
    CFormula formula;
    formula.Tokenize(f.text);
    formula.MakePostfix();
    for (int n : meshes) {
      SCOPED_TRACE("N " + std::to_string(n));
      for (Layout layout : {Layout::Surface, Layout::Contour}) {
        SCOPED_TRACE(layout == Layout::Surface ? "surface" : "contour");
        ++variant;
        const float zeroDiv = zeroDivs[variant % std::size(zeroDivs)];
        const float zScale = zScales[variant % std::size(zScales)];
        SCOPED_TRACE("0/0 " + std::to_string(zeroDiv) + ", Z " + std::to_string(zScale));
        const GridSpec spec = Spec(n, f.range, zScale, zeroDiv);
        const Sampled expected = Sample(layout, spec, formula, OnePointAtATime, RunSignals{}, 1);
        ASSERT_TRUE(expected.done);
        for (int threads : {1, 2, 3}) {
          SCOPED_TRACE("threads " + std::to_string(threads));
          const Sampled got = Sample(layout, spec, formula, EvaluateFormula, RunSignals{}, threads);
          EXPECT_TRUE(got.done);
          ASSERT_EQ(got.grid.size(), expected.grid.size());
          EXPECT_EQ(
              std::memcmp(got.grid.data(), expected.grid.data(), got.grid.size() * sizeof(float)),
              0);
          EXPECT_TRUE(SameBits(got.extents, expected.extents));
        }
      }
    }
  }
}

TEST(GridParallel, EveryZeroByZeroValueOnEveryLayout) {
  // The origin of an even grid is 0/0 for the default formula.
  const float inf = std::numeric_limits<float>::infinity();
  CFormula formula;
  formula.Tokenize(kDefaultFormula);
  ASSERT_TRUE(formula.MakePostfix());
  for (float zeroDiv : {-1.0f, 0.0f, 1.0f, std::numeric_limits<float>::quiet_NaN(), inf, -inf}) {
    SCOPED_TRACE(zeroDiv);
    const GridSpec spec = Spec(32, 12.0f, 11.0f, zeroDiv);
    for (Layout layout : {Layout::Surface, Layout::Contour}) {
      const Sampled expected = Sample(layout, spec, formula, OnePointAtATime, RunSignals{}, 1);
      const Sampled got = Sample(layout, spec, formula, EvaluateFormula, RunSignals{}, 2);
      ASSERT_EQ(got.grid.size(), expected.grid.size());
      EXPECT_EQ(std::memcmp(got.grid.data(), expected.grid.data(), got.grid.size() * sizeof(float)),
                0);
      EXPECT_TRUE(SameBits(got.extents, expected.extents));
      const float origin = layout == Layout::Surface ? got.grid[GridIndex(32, 16, 16) + 1]
                                                     : got.grid[ContourIndex(32, 16, 16)];
      const float scaled = layout == Layout::Surface ? zeroDiv * 11.0f : zeroDiv;
      EXPECT_EQ(std::bit_cast<std::uint32_t>(origin), std::bit_cast<std::uint32_t>(scaled));
    }
  }
}

TEST(GridParallel, HeightsAreScaledInExtendedPrecision) {
  // v * s is just above a float midpoint by less than half a double ulp:
  // rounded to double first, it would fall back to the even float below.
  const double v = 1.2777760823573772;
  const float s = 1.0f + 3.0f / 8388608.0f;
  const float viaDouble = static_cast<float>(v * static_cast<double>(s));
  const float expected = 1.2777765989303589f;
  ASSERT_NE(viaDouble, expected);
  CFormula formula;
  formula.Tokenize("1.2777760823573772+X*0");
  ASSERT_TRUE(formula.MakePostfix());
  std::vector<float> grid;
  GridExtents extents;
  ASSERT_TRUE(ComputeSurface(Spec(2, 1.0f, s, 0.0f), &formula, EvaluateFormula, RunSignals{}, grid,
                             extents, 2));
  for (std::size_t k = 1; k < grid.size(); k += 3) EXPECT_EQ(grid[k], expected) << k;
}

TEST(GridParallel, ExtentsStartFromTheCallersValues) {
  // The extents are only ever widened, row by row, as one walk widens them.
  CFormula formula;
  formula.Tokenize("X*Y");
  ASSERT_TRUE(formula.MakePostfix());
  const GridSpec spec = Spec(4, 2.0f, 1.0f, 0.0f);
  Sampled expected;
  expected.extents.maxZ = 100.0f;
  expected.extents.minX = -0.5f;
  Sampled got = expected;
  ComputeSurface(spec, &formula, OnePointAtATime, RunSignals{}, expected.grid, expected.extents);
  ComputeSurface(spec, &formula, EvaluateFormula, RunSignals{}, got.grid, got.extents, 2);
  EXPECT_TRUE(SameBits(got.extents, expected.extents));
  EXPECT_EQ(got.extents.maxZ, 100.0f);
  EXPECT_EQ(got.extents.minX, -2.0f);
}

TEST(GridParallel, ProgressCountsEveryRow) {
  CFormula formula;
  formula.Tokenize(kDefaultFormula);
  ASSERT_TRUE(formula.MakePostfix());
  std::atomic<int> state{DS_RUN_SURFACE};
  std::atomic<int> progress{5};
  std::vector<float> grid;
  GridExtents extents;
  ASSERT_TRUE(ComputeSurface(Spec(20, 3.0f, 1.0f, 1.0f), &formula, EvaluateFormula,
                             RunSignals{&state, DS_RUN_SURFACE, &progress}, grid, extents, 3));
  EXPECT_EQ(progress, 5 + 2 * 21);
  state = DS_RUN_CONTOUR;
  progress = 0;
  ASSERT_TRUE(ComputeContour(Spec(20, 3.0f, 1.0f, 1.0f), &formula, EvaluateFormula,
                             RunSignals{&state, DS_RUN_CONTOUR, &progress}, grid, extents, 3));
  EXPECT_EQ(progress, 21);
}

TEST(GridParallel, NotRunningFromTheStartSamplesNothing) {
  CFormula formula;
  formula.Tokenize(kDefaultFormula);
  ASSERT_TRUE(formula.MakePostfix());
  std::atomic<int> state{DS_STOP};
  std::atomic<int> progress{0};
  for (Layout layout : {Layout::Surface, Layout::Contour}) {
    const int runState = layout == Layout::Surface ? DS_RUN_SURFACE : DS_RUN_CONTOUR;
    const Sampled s = Sample(layout, Spec(8, 1.0f, 1.0f, 1.0f), formula, EvaluateFormula,
                             RunSignals{&state, runState, &progress}, 2);
    EXPECT_FALSE(s.done);
    EXPECT_EQ(s.grid, std::vector<float>(s.grid.size(), 0.0f));
    EXPECT_FALSE(s.grid.empty());
    EXPECT_EQ(progress, 0);
    EXPECT_TRUE(SameBits(s.extents, GridExtents{}));
  }
}

// The state is flipped by another thread once the first row is reported. A
// busy machine could let the sampling finish first; then it is run again.
TEST(GridParallel, StopFromAnotherThreadLeavesWholeRowsZero) {
  CFormula formula;
  formula.Tokenize(kHeavyFormula);
  ASSERT_TRUE(formula.MakePostfix());
  const int n = 401;  // odd: no coordinate is 0, so a sampled point is never all zero
  const auto side = static_cast<std::size_t>(n) + 1;
  const GridSpec spec = Spec(n, 12.0f, 2.0f, 1.0f);
  for (Layout layout : {Layout::Surface, Layout::Contour}) {
    SCOPED_TRACE(layout == Layout::Surface ? "surface" : "contour");
    const int runState = layout == Layout::Surface ? DS_RUN_SURFACE : DS_RUN_CONTOUR;
    const int perRow = layout == Layout::Surface ? 2 : 1;
    const Sampled full = Sample(layout, spec, formula, EvaluateFormula, RunSignals{}, 1);
    for (int threads : {1, 2}) {
      SCOPED_TRACE("threads " + std::to_string(threads));
      bool stopped = false;
      for (int attempt = 0; attempt < 5 && !stopped; ++attempt) {
        std::atomic<int> state{runState};
        std::atomic<int> progress{0};
        std::thread stopper([&] {
          while (progress.load() < perRow) std::this_thread::yield();
          state = DS_STOP;
        });
        const Sampled s = Sample(layout, spec, formula, EvaluateFormula,
                                 RunSignals{&state, runState, &progress}, threads);
        stopper.join();
        if (s.done) continue;
        stopped = true;

        // Each row is complete or all zero; the progress counts the complete ones.
        GridExtents expected;
        int finished = 0;
        for (std::size_t row = 0; row < side; ++row) {
          std::size_t same = 0, zero = 0;
          for (std::size_t k = 0; k < side; ++k) {
            const std::size_t first =
                layout == Layout::Surface ? 3 * (k * side + row) : row * side + k;
            const std::size_t width = layout == Layout::Surface ? 3 : 1;
            for (std::size_t e = first; e < first + width; ++e) {
              if (std::memcmp(&s.grid[e], &full.grid[e], sizeof(float)) == 0) ++same;
              if (s.grid[e] == 0.0f) ++zero;
            }
          }
          const std::size_t elements = side * (layout == Layout::Surface ? 3 : 1);
          ASSERT_TRUE(same == elements || zero == elements) << "row " << row;
          if (same != elements) continue;
          ++finished;
          // The sequential rule over the finished rows, in row order.
          for (std::size_t k = 0; k < side; ++k) {
            const float x =
                GridCoordinate(spec, static_cast<int>(layout == Layout::Surface ? k : row));
            const float y = layout == Layout::Surface ? -GridCoordinate(spec, static_cast<int>(row))
                                                      : GridCoordinate(spec, static_cast<int>(k));
            const float z = layout == Layout::Surface ? s.grid[3 * (k * side + row) + 1]
                                                      : s.grid[row * side + k];
            if (!(expected.maxX >= x)) expected.maxX = x;
            if (expected.minX > x) expected.minX = x;
            if (!(expected.maxY >= y)) expected.maxY = y;
            if (expected.minY > y) expected.minY = y;
            if (std::isfinite(z) && !(expected.maxZ >= z)) expected.maxZ = z;
            if (std::isfinite(z) && expected.minZ > z) expected.minZ = z;
          }
        }
        EXPECT_GE(finished, 1);
        EXPECT_LT(finished, n + 1);
        EXPECT_EQ(progress, perRow * finished);
        EXPECT_TRUE(SameBits(s.extents, expected));
      }
      EXPECT_TRUE(stopped) << "the sampling never saw the stop";
    }
  }
}

TEST(GridParallel, OtherEvaluatorsRunOnTheCallingThreadInOrder) {
  // A fake that is not thread-safe: it records the thread and the order.
  static std::vector<std::thread::id> callers;
  static std::vector<double> ys;
  callers.clear();
  ys.clear();
  const PFN_EVALUATE fake = [](CFormula*, const double*, const double* y, const double*) {
    callers.push_back(std::this_thread::get_id());
    ys.push_back(*y);
    return 1.0;
  };
  std::vector<float> grid;
  GridExtents extents;
  ASSERT_TRUE(
      ComputeSurface(Spec(6, 3.0f, 1.0f, 1.0f), nullptr, fake, RunSignals{}, grid, extents, 4));
  ASSERT_EQ(callers.size(), 49u);
  for (std::size_t k = 0; k < callers.size(); ++k) {
    EXPECT_EQ(callers[k], std::this_thread::get_id());
    // Row by row, y going down.
    if (k > 0) {
      EXPECT_LE(ys[k], ys[k - 1]);
    }
  }
}

}  // namespace
