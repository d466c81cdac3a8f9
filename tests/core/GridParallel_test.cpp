// The optimised, multi-threaded sampling against one EvaluateFormula call per
// point: the grids must be equal bit for bit, the extents too, and a stop must
// leave whole rows unsampled with the progress counting the finished ones.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "GridPlain.h"
#include "core/Formula.h"
#include "core/Grid.h"
#include "core/Workers.h"
#include "core/ShareData.h"

namespace {

const char kHeavyFormula[] =
    "SIN(X)*COS(Y) + EXP(-X^2/10) * LOG(Y^2+1) + ATAN(X*Y) + SQRT(X^2+Y^2)";

struct Sampled {
  bool done = false;
  std::vector<float> grid;
  GridExtents extents;
};

Sampled Sample(bool surface, const GridSpec& gridSpec, CFormula& formula, const RunSignals& signals,
               int threads) {
  Sampled s;
  s.done = surface ? ComputeSurface(gridSpec, formula, signals, s.grid, s.extents, threads)
                   : ComputeContour(gridSpec, formula, signals, s.grid, s.extents, threads);
  return s;
}

// One EvaluateFormula call per point, in order: what the sampler must equal.
Sampled SamplePlain(bool surface, const GridSpec& gridSpec, CFormula& formula) {
  Sampled s;
  const PointFunction f = EvaluatingFunction(formula, gridSpec);
  s.done = surface ? SampleSurfacePlain(gridSpec, f, RunSignals{}, s.grid, s.extents)
                   : SampleContourPlain(gridSpec, f, RunSignals{}, s.grid, s.extents);
  return s;
}

bool SameBits(const Sampled& a, const Sampled& b) {
  return a.done == b.done && a.grid.size() == b.grid.size() &&
         std::memcmp(a.grid.data(), b.grid.data(), a.grid.size() * sizeof(float)) == 0 &&
         std::memcmp(&a.extents, &b.extents, sizeof a.extents) == 0;
}

GridSpec MakeSpec(int nMesh, float range, float zScale, float zeroDiv) {
  GridSpec gridSpec;
  gridSpec.nMesh = nMesh;
  gridSpec.spacing = static_cast<float>(static_cast<long double>(range) / (nMesh / 2.0L));
  gridSpec.zScale = zScale;
  gridSpec.zeroDiv = zeroDiv;
  return gridSpec;
}

TEST(GridParallel, EqualsOneEvaluationPerPoint) {
  const std::pair<const char*, float> formulas[] = {
      {"sin ( sqrt ( x^2 + y^2 ) ) / sqrt ( x^2 + y^2 )", 12.0f},  // 0/0 at the origin
      {kHeavyFormula, 12.0f},
      {"ASIN(X)+ACOS(Y)-ATAN(X/Y)*TAN(X)", 1.5f},  // NaN outside -1..1
      {"EXP(X*Y)+LOG(X)*LOG10(Y)", 30.0f},         // overflow, log of 0 and of negatives
      {"SQRT(X)^Y/SQRT(Y)-Y^X", 4.0f},
      {"1/0+X-1/0*Y", 2.0f},
      {"X/0+0/Y+0/0", 2.0f},
      {"(X-X)/(Y-Y)+X/Y", 2.0f},
      {"1/SQRT(X)", 2.0f},
      {"SIN(X)^2", 12.0f},                            // x only
      {"LOG(Y^2+1)*3", 12.0f},                        // y only
      {"SIN(2)*X+COS(3)/Y-LOG(2)^EXP(1)", 5.0f},      // constant subexpressions
      {"SIN(X*Y)+SIN(X*Y)*SIN(X*Y)-SIN(X*Y)", 5.0f},  // repeats
      {"-X^2--Y+-(X*-Y)", 5.0f},
      {"X*Y*0", 1.0f},  // zeros of both signs: the first one met is the extreme
      {"7", 1.0f},
      {"X-1E999*Y", 1.0f},
      // Partial and unbalanced lists, as an unchecked formula leaves them.
      {"", 1.0f},
      {"X+2Y", 3.0f},
      {"SIN(X) COS(Y) X*Y", 3.0f},
      {"X*(", 3.0f},
  };
  const float inf = std::numeric_limits<float>::infinity();
  const float zeroDivs[] = {-1.0f, 0.0f, 1.0f, std::numeric_limits<float>::quiet_NaN(), inf, -inf};
  const float zScales[] = {11.0f, 0.3f, 1e30f};
  int variant = 0;
  for (const auto& [text, range] : formulas) {
    SCOPED_TRACE(std::string("formula '") + text + "'");
    CFormula formula;
    formula.Tokenize(text);
    formula.MakePostfix();
    for (int n : {1, 2, 3, 32, 141}) {
      for (bool surface : {true, false}) {
        for (float zeroDiv : zeroDivs) {
          const float zScale = zScales[variant++ % 3];
          SCOPED_TRACE("N " + std::to_string(n) + (surface ? " surface" : " contour") + ", 0/0 " +
                       std::to_string(zeroDiv) + ", Z " + std::to_string(zScale));
          const GridSpec gridSpec = MakeSpec(n, range, zScale, zeroDiv);
          const Sampled expected = SamplePlain(surface, gridSpec, formula);
          ASSERT_TRUE(expected.done);
          for (int threads : {1, 3}) {
            SCOPED_TRACE("threads " + std::to_string(threads));
            EXPECT_TRUE(
                SameBits(Sample(surface, gridSpec, formula, RunSignals{}, threads), expected));
          }
        }
      }
    }
  }
}

TEST(GridParallel, HeightsAreScaledInExtendedPrecision) {
  // v * s is just above a float midpoint by less than half a double ulp:
  // rounded to double first, it would fall back to the even float below.
  const float s = 1.0f + 3.0f / 8388608.0f;
  CFormula formula;
  formula.Tokenize("1.2777760823573772+X*0");
  ASSERT_TRUE(formula.MakePostfix());
  const Sampled got = Sample(true, MakeSpec(2, 1.0f, s, 0.0f), formula, RunSignals{}, 2);
  for (std::size_t k = 1; k < got.grid.size(); k += 3)
    EXPECT_EQ(got.grid[k], 1.2777765989303589f) << k;
}

// The state is flipped by another thread once the first row is reported. A
// busy machine could let the sampling finish first; then it is run again.
TEST(GridParallel, StopLeavesWholeRowsZeroAndCountsTheFinishedOnes) {
  CFormula formula;
  formula.Tokenize(kHeavyFormula);
  ASSERT_TRUE(formula.MakePostfix());
  const int n = 401;  // odd: no coordinate is 0, so a sampled point is never all zero
  const std::size_t side = n + 1;
  const GridSpec gridSpec = MakeSpec(n, 12.0f, 2.0f, 1.0f);
  for (bool surface : {true, false}) {
    SCOPED_TRACE(surface ? "surface" : "contour");
    const int runState = surface ? DS_RUN_SURFACE : DS_RUN_CONTOUR;
    const int perRow = surface ? 2 : 1;
    const std::size_t width = surface ? 3 : 1;
    std::atomic<int> state{runState}, progress{7};
    const Sampled full =
        Sample(surface, gridSpec, formula, RunSignals{&state, runState, &progress}, 3);
    ASSERT_TRUE(full.done);
    EXPECT_EQ(progress, 7 + perRow * (n + 1));
    bool stopped = false;
    for (int attempt = 0; attempt < 5 && !stopped; ++attempt) {
      state = runState;
      progress = 0;
      std::atomic<bool> over{false};
      std::thread stopper([&] {
        while (progress.load() < perRow && !over) std::this_thread::yield();
        state = DS_STOP;
      });
      const Sampled s =
          Sample(surface, gridSpec, formula, RunSignals{&state, runState, &progress}, 2);
      over = true;
      stopper.join();
      if (s.done) continue;
      stopped = true;
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
        ASSERT_TRUE(same == side * width || zero == side * width) << "row " << row;
        finished += same == side * width;
      }
      EXPECT_GE(finished, 1);
      EXPECT_LT(finished, n + 1);
      EXPECT_EQ(progress, perRow * finished);
    }
    EXPECT_TRUE(stopped) << "the sampling never saw the stop";
    // Not running from the start: nothing is sampled or counted.
    state = DS_STOP;
    progress = 0;
    const Sampled none = Sample(surface, MakeSpec(8, 1.0f, 1.0f, 1.0f), formula,
                                RunSignals{&state, runState, &progress}, 2);
    EXPECT_FALSE(none.done);
    EXPECT_EQ(none.grid, std::vector<float>(surface ? 243 : 81, 0.0f));
    EXPECT_EQ(progress, 0);
  }
}

}  // namespace

namespace {

// Any worker's exception comes out of RunWorkers after every worker has
// returned; before, one from a thread ended the process and one from the
// caller's share left threads unjoined.
TEST(GridParallel, AWorkersExceptionReachesTheCallerAfterAllHaveReturned) {
  for (int thrower : {0, 1, 3}) {
    SCOPED_TRACE(thrower);
    std::atomic<int> finished{0};
    const auto work = [&](int worker) {
      if (worker == thrower) throw std::runtime_error("no memory for this row");
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      ++finished;
    };
    EXPECT_THROW(RunWorkers(4, work), std::runtime_error);
    EXPECT_EQ(finished.load(), 3);
  }
}

TEST(GridParallel, EachThreadHasItsOwnZeroByZeroValue) {
  g_zeroByZero = 1.0;
  std::thread([] { g_zeroByZero = -1.0; }).join();
  EXPECT_EQ(g_zeroByZero, 1.0);
}

}  // namespace
