// The compiled program, optimised or not, against the string-walking
// evaluator, the plain C++ formula, and itself on several threads. Values are compared bit for bit,
// NaN sign and payload included: both paths perform the same operations on
// the same operands in the same order, so even the NaN that propagates must
// be the same one.
#include "core/FormulaProgram.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "FormulaReference.h"
#include "core/Formula.h"
#include "core/GridProgram.h"

namespace {

const char kDefaultFormula[] = "sin ( sqrt ( x^2 + y^2 ) ) / sqrt ( x^2 + y^2 )";

std::uint64_t Bits(double v) { return std::bit_cast<std::uint64_t>(v); }

std::vector<std::string> Formulas() {
  std::vector<std::string> f = {
      kDefaultFormula, "SIN(X)+COS(Y)*TAN(X-Y)", "ASIN(X)-ACOS(Y)/ATAN(X*Y)", "EXP(X)^LOG(Y)",
      "LOG10(X)+SQRT(Y)", "X^Y", "Y/X", "1/0", "-1/0", "0/0", "0/0*X+Y", "(X-X)/(Y-Y)",
      "SQRT(X)/SQRT(Y)", "1E999-1E999", "X*1E999/Y", "---X^-Y", "2^-X^-Y", "0.0*-1",
      "SIN(2)*X+COS(3)/Y+LOG(2)^EXP(1)", "SIN(X)+SIN(X)*SIN(X)-SIN(X)/SIN(X)", "X*Y+Y*X-X/Y-Y/X",
      // Outside the check: partial lists, missing operands, extra values and
      // stray brackets must give the same results too.
      "", "X+2Y", "X+", "X**2", "(X)(Y+1)", "X Y", "(", "X*(", "((X)", "X)", "SIN-X"};
  // Random well-formed formulas over the whole vocabulary, with many repeated
  // subexpressions: each step combines earlier ones.
  const char* const leaves[] = {"X", "Y", "PI", "0", "1", "0.5", "2D2", "1E999", "X", "Y"};
  const char* const functions[] = {"SIN",  "COS", "TAN", "ASIN",  "ACOS",
                                   "ATAN", "EXP", "LOG", "LOG10", "SQRT"};
  const char* const operators[] = {"+", "-", "*", "/", "^", "*-"};
  std::mt19937 rng(20240607);
  auto pick = [&rng](std::size_t n) { return static_cast<std::size_t>(rng()) % n; };
  for (int k = 0; k < 300; ++k) {
    std::vector<std::string> pool;
    for (int i = 0; i < 4; ++i) pool.push_back(leaves[pick(std::size(leaves))]);
    for (int step = 0; step < 8; ++step) {
      const std::string a = pool[pick(pool.size())], b = pool[pick(pool.size())];
      pool.push_back(pick(3) == 0 ? std::string(functions[pick(10)]) + "(" + a + ")"
                                  : "(" + a + ")" + operators[pick(6)] + "(" + b + ")");
    }
    f.push_back(pool.back());
  }
  const char* const tokens[] = {"X", "Y", "2", "(", ")", "+", "-", "*", "/", "^", "SIN"};
  for (int i = 0; i < 200; ++i) {  // token soup, any structure an unchecked formula may have
    std::string text;
    for (std::size_t k = 0, n = 1 + pick(8); k < n; ++k)
      text += tokens[pick(11)] + std::string(" ");
    f.push_back(text);
  }
  return f;
}

// The compiled, the optimised and the grid-split programs against the oracle.
TEST(FormulaProgram, MatchesTheStringWalkingEvaluator) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double values[] = {0.0, -0.0, 1.0, -1.0, 0.5,   -2.5, 1e308, 4.9e-324,
                           inf, -inf, nan, -nan, 710.0, 1e16, 0.048f};
  const double zeroByZeros[] = {-1.0, 0.0, 1.0, nan, inf, -inf};
  FormulaProgram::Scratch scratch;  // shared by programs of every size
  for (const std::string& text : Formulas()) {
    SCOPED_TRACE("formula '" + text + "'");
    CFormula formula;
    formula.Tokenize(text);
    formula.MakePostfix();
    const FormulaProgram anyZero = formula.Program().Optimized();
    std::set<std::tuple<FormulaOpcode, std::uint32_t, std::uint32_t>> seen;
    for (const FormulaInstr& in : anyZero.Code())
      EXPECT_TRUE(seen.emplace(in.op, in.a, in.b).second) << "computed twice";
    std::vector<FormulaProgram> fixedZero;
    std::vector<GridProgram> grid;
    for (double z : zeroByZeros) {
      fixedZero.push_back(formula.Program().Optimized(z));
      grid.push_back(GridProgram::Build(formula.Program(), z));
    }
    std::size_t point = 0;
    for (double x : values) {
      for (double y : values) {
        const std::size_t zi = point++ % std::size(zeroByZeros);
        const double z = zeroByZeros[zi];
        g_zeroByZero = z;
        double expected = 0.0;
        const FormulaStatus status = OracleEvaluate(formula.Postfix(), x, y, &expected);
        ASSERT_EQ(formula.Program().Status(), status);
        if (status == FormulaStatus::MissingOperand) expected = 0.0;
        const double compiled = formula.Program().Run(x, y, z, scratch);
        double viaEvaluate = 1.0;
        ASSERT_EQ(formula.Evaluate(&x, &y, &viaEvaluate), status == FormulaStatus::Ok);
        ASSERT_EQ(Bits(compiled), Bits(expected)) << "at " << x << ", " << y << " z " << z;
        ASSERT_EQ(Bits(viaEvaluate), Bits(expected));
        ASSERT_EQ(Bits(anyZero.Run(x, y, z, scratch)), Bits(expected)) << "optimised";
        ASSERT_EQ(Bits(fixedZero[zi].Run(x, y, z, scratch)), Bits(expected)) << "for this 0/0";
        ASSERT_EQ(Bits(grid[zi].Evaluate(x, y)), Bits(expected)) << "split for the grid";
      }
    }
  }
}

TEST(FormulaProgram, ThreadsShareOneProgram) {
  CFormula formula;
  formula.Tokenize("X/Y+SQRT(X)*LOG(Y)^-X+" + std::string(kDefaultFormula));
  ASSERT_EQ(formula.MakePostfix(), TRUE);
  auto sweep = [&formula](double z) {
    FormulaProgram::Scratch scratch;
    std::vector<std::uint64_t> out;
    for (int repeat = 0; repeat < 20; ++repeat) {
      for (int i = -20; i <= 20; ++i) {
        for (int j = -20; j <= 20; ++j)
          out.push_back(Bits(formula.Program().Run(i * 0.25, j * 0.25, z, scratch)));
      }
    }
    return out;
  };
  const double zeroByZeros[] = {-1.0, 0.0, 1.0, 0.25};
  std::vector<std::uint64_t> got[4];
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) threads.emplace_back([&, t] { got[t] = sweep(zeroByZeros[t]); });
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < 4; ++t) EXPECT_EQ(got[t], sweep(zeroByZeros[t])) << "thread " << t;
}

// The plain C++ formula the benchmarks time the sampler against.
TEST(FormulaProgram, DefaultGridEqualsPlainC) {
  CFormula formula;
  formula.Tokenize(kDefaultFormula);
  ASSERT_EQ(formula.MakePostfix(), TRUE);
  FormulaProgram::Scratch scratch;
  std::size_t mismatches = 0;
  for (double y : DefaultGridCoordinates()) {
    for (double x : DefaultGridCoordinates())
      mismatches +=
          Bits(formula.Program().Run(x, y, 1.0, scratch)) != Bits(DefaultFormulaPlain(x, y, 1.0));
  }
  EXPECT_EQ(mismatches, 0u);
}

}  // namespace
