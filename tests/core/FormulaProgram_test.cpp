// The compiled program against the string-walking evaluator, the plain C++
// formula, and itself on several threads. Values are compared bit for bit,
// NaN sign and payload included: both paths perform the same operations on
// the same operands in the same order, so even the NaN that propagates must
// be the same one.
#include "core/FormulaProgram.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "FormulaReference.h"
#include "core/Formula.h"

namespace {

const char kDefaultFormula[] = "sin ( sqrt ( x^2 + y^2 ) ) / sqrt ( x^2 + y^2 )";

std::uint64_t Bits(double v) { return std::bit_cast<std::uint64_t>(v); }

const std::vector<std::string>& HandWrittenFormulas() {
  static const std::vector<std::string> formulas = [] {
    std::vector<std::string> f = {
        kDefaultFormula,
        "SIN(X)+COS(Y)*TAN(X-Y)",
        "ASIN(X)-ACOS(Y)/ATAN(X*Y)",
        "EXP(X)^LOG(Y)",
        "LOG10(X)+SQRT(Y)",
        "X^Y",
        "Y^X",
        "X/Y",
        "Y/X",
        "1/0",
        "-1/0",
        "0/0",
        "X/0",
        "0/Y",
        "(X-X)/(Y-Y)",
        "SQRT(X)/SQRT(Y)",
        "SQRT(X)+LOG(Y)",
        "LOG(X)*0",
        "1E999-1E999",
        "1E999*X",
        "X*1E999/Y",
        "PI*X",
        "-X^2",
        "--X",
        "---X^-Y",
        "-(-(-(X+Y)))",
        "X*-Y/-X",
        "2^-X^-Y",
        "-2^2",
        "2^3^2",
        "1D3*X+2D2/Y+1E3-.5+5.",
        "((((((((X))))))))",
        "X-Y-X-Y+X*Y/X^Y",
        "1/(X-1)",
        "LOG(X-1)",
        // Outside the check: partial lists, missing operands, extra values and
        // stray brackets must give the same results too.
        "",
        "   ",
        "X+2Y",
        "X+",
        "X**2",
        "(X)(Y+1)",
        "X Y",
        "(",
        ")",
        "X*(",
        "((X)",
        "X)",
        "SIN-X",
    };
    std::string nested = "X";
    for (int i = 0; i < 60; ++i) nested = (i % 2 ? "SIN(" : "COS(") + nested + ")";
    f.push_back(nested);
    std::string sum = "X";
    for (int i = 0; i < 60; ++i) sum += (i % 3 ? "+Y*" : "-X/") + std::to_string(i);
    f.push_back(sum);
    std::string signs = "X";
    for (int i = 0; i < 20; ++i) signs = "-(" + signs + ")^-" + std::to_string(i % 3 + 1);
    f.push_back(signs);
    return f;
  }();
  return formulas;
}

std::size_t Pick(std::mt19937& rng, std::size_t count) {
  return static_cast<std::size_t>(rng()) % count;
}

// Well-formed random formulas over the whole vocabulary.
std::string RandomExpression(std::mt19937& rng, int depth) {
  static const char* const kLeaves[] = {"X",   "Y",     "PI", "0",   "1",  "2", "0.5", "1E3",
                                        "2D2", "1E999", "3.", ".25", "10", "X", "Y"};
  static const char* const kFunctions[] = {"SIN",  "COS", "TAN", "ASIN",  "ACOS",
                                           "ATAN", "EXP", "LOG", "LOG10", "SQRT"};
  static const char* const kOperators[] = {"+", "-", "*", "/", "^"};
  const std::size_t pick = Pick(rng, depth > 0 ? 10 : 3);
  if (pick < 3) return kLeaves[Pick(rng, std::size(kLeaves))];
  if (pick < 5)
    return std::string(kFunctions[Pick(rng, std::size(kFunctions))]) + "(" +
           RandomExpression(rng, depth - 1) + ")";
  if (pick < 9)
    return RandomExpression(rng, depth - 1) + kOperators[Pick(rng, std::size(kOperators))] +
           RandomExpression(rng, depth - 1);
  return std::string(Pick(rng, 2) ? "-" : "(-") + RandomExpression(rng, depth - 1) +
         (Pick(rng, 2) ? "" : ")");
}

// Token soup: any structure the evaluator may meet from an unchecked formula.
std::string RandomTokens(std::mt19937& rng) {
  static const char* const kTokens[] = {"X", "Y", "2", "(", ")",   "+",
                                        "-", "*", "/", "^", "SIN", "PI"};
  std::string text;
  const std::size_t length = 1 + Pick(rng, 8);
  for (std::size_t i = 0; i < length; ++i)
    text += std::string(kTokens[Pick(rng, std::size(kTokens))]) + " ";
  return text;
}

std::vector<std::string> AllFormulas() {
  std::vector<std::string> formulas = HandWrittenFormulas();
  std::mt19937 rng(20240607);
  for (int i = 0; i < 300; ++i) formulas.push_back(RandomExpression(rng, 4));
  for (int i = 0; i < 200; ++i) formulas.push_back(RandomTokens(rng));
  return formulas;
}

std::vector<double> InterestingValues() {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  return {0.0,      -0.0, 1.0,  -1.0, 0.5,  -2.5,  3.0,  1e308,  -1e308,  1e-308,
          4.9e-324, inf,  -inf, nan,  -nan, 710.0, 1e16, 0.048f, -11.952f};
}

TEST(FormulaProgram, MatchesTheStringWalkingEvaluator) {
  const std::vector<double> values = InterestingValues();
  const double zeroByZeros[] = {-1.0, 0.0, 1.0};
  FormulaProgram::Scratch scratch;  // shared by programs of every size
  for (const std::string& text : AllFormulas()) {
    SCOPED_TRACE("formula '" + text + "'");
    CFormula formula;
    formula.Tokenize(text);
    formula.MakePostfix();
    const FormulaProgram& program = formula.Program();
    int point = 0;
    for (double x : values) {
      for (double y : values) {
        const double z = zeroByZeros[point++ % 3];
        g_zeroByZero = z;
        double expected = 0.0;
        const FormulaStatus status = OracleEvaluate(formula.Postfix(), x, y, &expected);
        ASSERT_EQ(program.Status(), status);
        const double compiled = program.Run(x, y, z, scratch);
        double viaEvaluate = 1.0;
        const BOOL success = formula.Evaluate(&x, &y, &viaEvaluate);
        ASSERT_EQ(success, status == FormulaStatus::Ok ? TRUE : FALSE);
        if (status == FormulaStatus::MissingOperand) expected = 0.0;
        ASSERT_EQ(Bits(compiled), Bits(expected))
            << "at " << x << ", " << y << " z " << z << ": " << compiled << " vs " << expected;
        ASSERT_EQ(Bits(viaEvaluate), Bits(expected));
      }
    }
  }
}

// Single assignment with inputs defined before use is what later passes
// (shared subexpressions, hoisting, folding) rely on.
TEST(FormulaProgram, RegistersAreAssignedOnceInOrder) {
  for (const std::string& text : AllFormulas()) {
    SCOPED_TRACE("formula '" + text + "'");
    CFormula formula;
    formula.Tokenize(text);
    formula.MakePostfix();
    const FormulaProgram& program = formula.Program();
    const std::vector<double>& constants = program.Constants();
    for (std::size_t i = 0; i < constants.size(); ++i) {
      for (std::size_t j = 0; j < i; ++j) EXPECT_NE(Bits(constants[i]), Bits(constants[j]));
    }
    auto next = static_cast<std::uint32_t>(FormulaProgram::REG_FIRST_CONSTANT + constants.size());
    std::size_t operators = 0;
    for (const std::string& token : formula.Postfix()) {
      if (CFormula::IsOperator(token) != 0) ++operators;
    }
    if (program.Status() == FormulaStatus::Ok || program.Status() == FormulaStatus::ExtraValues) {
      EXPECT_EQ(program.Code().size(), operators);
    } else {
      EXPECT_TRUE(program.Code().empty());
    }
    for (const FormulaInstr& instr : program.Code()) {
      EXPECT_EQ(instr.dst, next++);
      EXPECT_LT(instr.a, instr.dst);
      EXPECT_LT(instr.b, instr.dst);
    }
    EXPECT_EQ(program.RegisterCount(), next);
    EXPECT_LT(program.ResultRegister(), program.RegisterCount());
  }
}

TEST(FormulaProgram, DefaultFormulaShape) {
  CFormula formula;
  formula.Tokenize(kDefaultFormula);
  formula.MakePostfix();
  const FormulaProgram& program = formula.Program();
  EXPECT_EQ(program.Status(), FormulaStatus::Ok);
  ASSERT_EQ(program.Constants().size(), 1u);
  EXPECT_EQ(program.Constants()[0], 2.0);
  ASSERT_EQ(program.Code().size(), 10u);
  EXPECT_EQ(program.Code().back().op, FormulaOpcode::Div);
  EXPECT_EQ(program.ResultRegister(), program.Code().back().dst);
  const FormulaInstr& sine = program.Code()[4];  // ^ ^ + SQRT SIN ...
  EXPECT_EQ(sine.op, FormulaOpcode::Sin);
  EXPECT_EQ(sine.a, sine.b);
}

TEST(FormulaProgram, ThreadsShareOneProgram) {
  const std::string texts[] = {kDefaultFormula, "X/Y+SQRT(X)*LOG(Y)^-X", "(X-Y)/(X+Y)"};
  const double zeroByZeros[] = {-1.0, 0.0, 1.0, 0.25};
  std::vector<double> coords;
  for (int k = -20; k <= 20; ++k) coords.push_back(k * 0.25);
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    CFormula formula;
    formula.Tokenize(text);
    ASSERT_EQ(formula.MakePostfix(), TRUE);
    const FormulaProgram& program = formula.Program();
    auto sweep = [&program, &coords](double z, std::vector<double>& out) {
      FormulaProgram::Scratch scratch;
      out.clear();
      for (double x : coords) {
        for (double y : coords) out.push_back(program.Run(x, y, z, scratch));
      }
    };
    std::vector<std::vector<double>> expected(std::size(zeroByZeros));
    for (std::size_t t = 0; t < std::size(zeroByZeros); ++t) sweep(zeroByZeros[t], expected[t]);

    std::vector<std::vector<double>> got(std::size(zeroByZeros));
    std::vector<int> unstableRounds(std::size(zeroByZeros), 0);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < std::size(zeroByZeros); ++t) {
      threads.emplace_back([&, t] {
        sweep(zeroByZeros[t], got[t]);
        std::vector<double> round;
        for (int repeat = 1; repeat < 30; ++repeat) {
          sweep(zeroByZeros[t], round);
          if (std::memcmp(round.data(), got[t].data(), round.size() * sizeof(double)) != 0) {
            ++unstableRounds[t];
          }
        }
      });
    }
    for (std::thread& thread : threads) thread.join();
    for (std::size_t t = 0; t < std::size(zeroByZeros); ++t) {
      EXPECT_EQ(unstableRounds[t], 0) << "thread " << t;
      ASSERT_EQ(got[t].size(), expected[t].size());
      EXPECT_EQ(std::memcmp(got[t].data(), expected[t].data(), expected[t].size() * sizeof(double)),
                0)
          << "thread " << t;
    }
  }
}

TEST(FormulaProgram, DefaultGridEqualsPlainCAndOracle) {
  const std::vector<double> coords = DefaultGridCoordinates();
  ASSERT_EQ(coords.size(), 501u);
  ASSERT_EQ(coords[250], 0.0);
  CFormula formula;
  formula.Tokenize(kDefaultFormula);
  ASSERT_EQ(formula.MakePostfix(), TRUE);
  const double z = 1.0;
  g_zeroByZero = z;
  FormulaProgram::Scratch scratch;
  std::size_t mismatches = 0;
  for (double y : coords) {
    for (double x : coords) {
      const double compiled = formula.Program().Run(x, y, z, scratch);
      const double entry = EvaluateFormula(&formula, &x, &y, &z);
      const double plain = DefaultFormulaPlain(x, y, z);
      double oracle = 0.0;
      OracleEvaluate(formula.Postfix(), x, y, &oracle);
      if (Bits(compiled) != Bits(plain) || Bits(compiled) != Bits(oracle) ||
          Bits(compiled) != Bits(entry)) {
        ++mismatches;
      }
    }
  }
  EXPECT_EQ(mismatches, 0u);
  EXPECT_EQ(formula.Program().Run(0.0, 0.0, z, scratch), z);
}

}  // namespace
