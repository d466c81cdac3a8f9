// The optimised program and its split for the grid against the program as
// compiled, bit for bit (NaN sign and payload included): the optimiser only
// removes repeated work, so every value must come out the same.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "core/Formula.h"
#include "core/FormulaOptimizer.h"
#include "core/FormulaProgram.h"

namespace {

const char kDefaultFormula[] = "sin ( sqrt ( x^2 + y^2 ) ) / sqrt ( x^2 + y^2 )";
const char kHeavyFormula[] =
    "SIN(X)*COS(Y) + EXP(-X^2/10) * LOG(Y^2+1) + ATAN(X*Y) + SQRT(X^2+Y^2)";

std::uint64_t Bits(double v) { return std::bit_cast<std::uint64_t>(v); }

FormulaProgram Compile(const std::string& text) {
  CFormula formula;
  formula.Tokenize(text);
  formula.MakePostfix();
  return formula.Program();
}

std::vector<std::string> Formulas() {
  std::vector<std::string> f = {
      kDefaultFormula,
      kHeavyFormula,
      "SIN(X)+COS(Y)*TAN(X-Y)",
      "ASIN(X)-ACOS(Y)/ATAN(X*Y)",
      "EXP(X)^LOG(Y)+LOG10(X*Y)",
      "X^Y+Y^X",
      "X/Y-Y/X",
      "1/0",
      "-1/0",
      "0/0",
      "0/0*X+Y",
      "X/0",
      "0/Y",
      "(X-X)/(Y-Y)",
      "SQRT(X)/SQRT(Y)",
      "1/SQRT(X)",
      "1E999-1E999+X",
      "(1E999-1E999)*X",
      "SIN(2)*X+COS(3)/Y+LOG(2)^EXP(1)",
      "SIN(PI/2)*(X+1)",
      "SQRT(0-1)*X+(0-1)^0.5",
      "SIN(X)+SIN(X)*SIN(X)-SIN(X)/SIN(X)",
      "X*Y+Y*X+X*Y",
      "SQRT(X^2+Y^2)*SQRT(X^2+Y^2)",
      "-X^2",
      "--Y",
      "-(-(-(X+Y)))",
      "X*-Y/-X",
      "2^-X^-Y",
      "X",
      "Y",
      "PI",
      "2",
      "0.0*-1",
      // Partial or unbalanced lists, as a formula read from a parameter file
      // without the check may leave them.
      "",
      "   ",
      "X+2Y",
      "X+",
      "X**2",
      "(X)(Y+1)",
      "X Y",
      "SIN(X) COS(Y) X*Y",
      "(",
      ")",
      "X*(",
      "((X)",
      "X)",
      "SIN-X",
  };
  // Random well-formed formulas with many repeats of few leaves.
  std::mt19937 rng(7);
  const char* const leaves[] = {"X", "Y", "2", "0", "PI", "X", "Y"};
  const char* const functions[] = {"SIN",  "COS", "TAN", "ASIN",  "ACOS",
                                   "ATAN", "EXP", "LOG", "LOG10", "SQRT"};
  const char* const operators[] = {"+", "-", "*", "/", "^"};
  auto pick = [&rng](std::size_t n) { return static_cast<std::size_t>(rng()) % n; };
  for (int k = 0; k < 150; ++k) {
    std::vector<std::string> pool;
    for (int i = 0; i < 4; ++i) pool.push_back(leaves[pick(std::size(leaves))]);
    for (int step = 0; step < 8; ++step) {
      const std::string& a = pool[pick(pool.size())];
      const std::string& b = pool[pick(pool.size())];
      if (pick(3) == 0) {
        pool.push_back(std::string(functions[pick(std::size(functions))]) + "(" + a + ")");
      } else {
        pool.push_back("(" + a + ")" + operators[pick(std::size(operators))] + "(" + b + ")");
      }
    }
    f.push_back(pool.back());
  }
  return f;
}

std::vector<double> Values() {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  return {0.0, -0.0, 1.0, -1.0, 0.5,   -2.5,    3.0,   1e308, -1e308, 4.9e-324,
          inf, -inf, nan, -nan, 710.0, -11.952, 0.048, 1e16,  2.0};
}

std::vector<double> ZeroByZeros() {
  return {-1.0,
          0.0,
          1.0,
          std::numeric_limits<double>::quiet_NaN(),
          std::numeric_limits<double>::infinity(),
          -std::numeric_limits<double>::infinity()};
}

TEST(FormulaOptimize, SameValuesAsTheCompiledProgram) {
  const std::vector<double> values = Values();
  FormulaProgram::Scratch scratch;
  for (const std::string& text : Formulas()) {
    SCOPED_TRACE("formula '" + text + "'");
    const FormulaProgram program = Compile(text);
    const FormulaProgram anyZero = program.Optimized();
    EXPECT_EQ(anyZero.Status(), program.Status());
    for (double z : ZeroByZeros()) {
      const FormulaProgram fixedZero = program.Optimized(z);
      EXPECT_EQ(fixedZero.Status(), program.Status());
      const GridProgram grid = GridProgram::Build(program, z);
      for (double x : values) {
        for (double y : values) {
          const std::uint64_t expected = Bits(program.Run(x, y, z, scratch));
          ASSERT_EQ(Bits(anyZero.Run(x, y, z, scratch)), expected) << x << ", " << y << " z " << z;
          ASSERT_EQ(Bits(fixedZero.Run(x, y, z, scratch)), expected)
              << x << ", " << y << " z " << z;
          ASSERT_EQ(Bits(grid.Evaluate(x, y)), expected) << x << ", " << y << " z " << z;
        }
      }
    }
  }
}

// Whole rows both ways round, longer than a batch and starting part-way.
TEST(FormulaOptimize, RowsMatchTheCompiledProgram) {
  std::vector<double> coords;
  for (int k = 0; k < 300; ++k) coords.push_back((k - 150) * 0.0731);
  const std::vector<double> special = Values();
  coords.insert(coords.begin() + 97, special.begin(), special.end());
  const std::size_t n = coords.size();
  FormulaProgram::Scratch scratch;
  GridProgram::RowScratch rowScratch;  // shared by programs of every size
  const std::size_t starts[][2] = {{0, n}, {5, GridProgram::BATCH + 1}, {n - 3, 3}, {40, 1}};
  for (const std::string& text : Formulas()) {
    SCOPED_TRACE("formula '" + text + "'");
    const FormulaProgram program = Compile(text);
    const double z = 0.5;
    const GridProgram grid = GridProgram::Build(program, z);
    const GridProgram::AxisTable xs = grid.Tabulate(FormulaVariable::X, coords.data(), n);
    const GridProgram::AxisTable ys = grid.Tabulate(FormulaVariable::Y, coords.data(), n);
    std::vector<double> row(n);
    for (std::size_t fixed : {std::size_t{0}, std::size_t{100}, n - 1}) {
      for (const auto& [first, count] : starts) {
        grid.EvaluateRow(xs, first, count, ys, fixed, rowScratch, row.data());
        for (std::size_t p = 0; p < count; ++p) {
          ASSERT_EQ(Bits(row[p]), Bits(program.Run(coords[first + p], coords[fixed], z, scratch)))
              << "x along, point " << first + p << " of row " << fixed;
        }
        grid.EvaluateRow(ys, first, count, xs, fixed, rowScratch, row.data());
        for (std::size_t p = 0; p < count; ++p) {
          ASSERT_EQ(Bits(row[p]), Bits(program.Run(coords[fixed], coords[first + p], z, scratch)))
              << "y along, point " << first + p << " of row " << fixed;
        }
      }
    }
  }
}

TEST(FormulaOptimize, CodeIsSingleAssignedWithoutRepeatsOrConstantWork) {
  for (const std::string& text : Formulas()) {
    SCOPED_TRACE("formula '" + text + "'");
    const FormulaProgram program = Compile(text);
    for (bool fixedZero : {false, true}) {
      const FormulaProgram optimized = fixedZero ? program.Optimized(1.0) : program.Optimized();
      EXPECT_LE(optimized.Code().size(), program.Code().size());
      const std::vector<double>& constants = optimized.Constants();
      for (std::size_t i = 0; i < constants.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) EXPECT_NE(Bits(constants[i]), Bits(constants[j]));
      }
      const std::vector<FormulaDependence> dependence = optimized.Dependences();
      auto next = static_cast<std::uint32_t>(FormulaProgram::REG_FIRST_CONSTANT + constants.size());
      std::map<std::tuple<FormulaOpcode, std::uint32_t, std::uint32_t>, int> seen;
      for (const FormulaInstr& instr : optimized.Code()) {
        EXPECT_EQ(instr.dst, next++);
        EXPECT_LT(instr.a, instr.dst);
        EXPECT_LT(instr.b, instr.dst);
        EXPECT_EQ(++seen[std::make_tuple(instr.op, instr.a, instr.b)], 1) << "computed twice";
        if (dependence[instr.dst] == FormulaDependence::None) {
          // Left only for the 0/0 value, which is not known yet: a 0/0 of
          // constants, or work on the result of one.
          EXPECT_FALSE(fixedZero);
          const auto firstInstr =
              static_cast<std::uint32_t>(FormulaProgram::REG_FIRST_CONSTANT + constants.size());
          if (instr.a < firstInstr && instr.b < firstInstr) {
            const double a = constants[instr.a - FormulaProgram::REG_FIRST_CONSTANT];
            const double b = constants[instr.b - FormulaProgram::REG_FIRST_CONSTANT];
            EXPECT_EQ(instr.op, FormulaOpcode::Div);
            EXPECT_TRUE((a == 0.0 || std::isnan(a)) && (b == 0.0 || std::isnan(b)));
          }
        }
      }
      EXPECT_EQ(optimized.RegisterCount(), next);
      EXPECT_LT(optimized.ResultRegister(), optimized.RegisterCount());
    }
  }
}

TEST(FormulaOptimize, DefaultFormulaComputesItsRadiusOnce) {
  const FormulaProgram program = Compile(kDefaultFormula);
  ASSERT_EQ(program.Code().size(), 10u);
  const FormulaProgram optimized = program.Optimized();
  std::vector<FormulaOpcode> ops;
  for (const FormulaInstr& instr : optimized.Code()) ops.push_back(instr.op);
  using Op = FormulaOpcode;
  EXPECT_EQ(ops, (std::vector<Op>{Op::Pow, Op::Pow, Op::Add, Op::Sqrt, Op::Sin, Op::Div}));
  // The division takes the sine and the one square root.
  const FormulaInstr& division = optimized.Code().back();
  EXPECT_EQ(division.a, optimized.Code()[4].dst);
  EXPECT_EQ(division.b, optimized.Code()[3].dst);

  const GridProgram grid = GridProgram::Build(program, 1.0);
  ASSERT_EQ(grid.AxisCode(FormulaVariable::X).size(), 1u);
  EXPECT_EQ(grid.AxisCode(FormulaVariable::X)[0].op, Op::Pow);
  ASSERT_EQ(grid.AxisCode(FormulaVariable::Y).size(), 1u);
  EXPECT_EQ(grid.AxisCode(FormulaVariable::Y)[0].op, Op::Pow);
  ops.clear();
  for (const FormulaInstr& instr : grid.PointCode()) ops.push_back(instr.op);
  EXPECT_EQ(ops, (std::vector<Op>{Op::Add, Op::Sqrt, Op::Sin, Op::Div}));
}

std::vector<FormulaOpcode> Ops(const std::vector<FormulaInstr>& code) {
  std::vector<FormulaOpcode> ops;
  for (const FormulaInstr& instr : code) ops.push_back(instr.op);
  std::sort(ops.begin(), ops.end());
  return ops;
}

TEST(FormulaOptimize, SplitsByTheVariablesUsed) {
  using Op = FormulaOpcode;
  struct Case {
    const char* text;
    std::vector<Op> x, y, point;  // sorted
  };
  const Case cases[] = {
      {kHeavyFormula,
       // SIN(X); (0-1)*X, ^2, /10, EXP; X^2
       {Op::Mul, Op::Div, Op::Pow, Op::Pow, Op::Sin, Op::Exp},
       // COS(Y); Y^2 (once for both uses), +1, LOG
       {Op::Add, Op::Pow, Op::Cos, Op::Log},
       {Op::Add, Op::Add, Op::Add, Op::Add, Op::Mul, Op::Mul, Op::Mul, Op::Atan, Op::Sqrt}},
      {"X*Y", {}, {}, {Op::Mul}},
      {"X", {}, {}, {}},
      {"SIN(Y)", {}, {Op::Sin}, {}},
      {"SIN(2)*X", {Op::Mul}, {}, {}},
      {"SIN(X*2)+3*Y", {Op::Mul, Op::Sin}, {Op::Mul}, {Op::Add}},
      {"0/0+Y", {}, {Op::Add}, {}},
      {"EXP(X)/LOG(Y)", {Op::Exp}, {Op::Log}, {Op::Div}},
      {"7", {}, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const GridProgram grid = GridProgram::Build(Compile(c.text), -1.0);
    EXPECT_EQ(Ops(grid.AxisCode(FormulaVariable::X)), c.x);
    EXPECT_EQ(Ops(grid.AxisCode(FormulaVariable::Y)), c.y);
    EXPECT_EQ(Ops(grid.PointCode()), c.point);
  }
}

TEST(FormulaOptimize, DependencesFollowTheOperands) {
  using D = FormulaDependence;
  const FormulaProgram program = Compile("SIN(X)*COS(Y)+(1+2)");
  // X SIN Y COS * 1 2 + +
  std::vector<D> got;
  const std::vector<FormulaDependence> dependence = program.Dependences();
  for (const FormulaInstr& instr : program.Code()) got.push_back(dependence[instr.dst]);
  EXPECT_EQ(got, (std::vector<D>{D::X, D::Y, D::XY, D::None, D::XY}));
  EXPECT_EQ(dependence[FormulaProgram::REG_X], D::X);
  EXPECT_EQ(dependence[FormulaProgram::REG_Y], D::Y);
  EXPECT_EQ(dependence[FormulaProgram::REG_FIRST_CONSTANT], D::None);
}

TEST(FormulaOptimize, FoldsConstantsWithTheRuntimeFunctions) {
  const FormulaProgram sine = Compile("SIN(1)+X").Optimized();
  ASSERT_EQ(sine.Code().size(), 1u);
  ASSERT_EQ(sine.Constants().size(), 1u);
  const double one = 1.0;
  EXPECT_EQ(Bits(sine.Constants()[0]), Bits(std::sin(one)));

  // 0/0 waits for its value; 1/0 and 0/1 do not depend on it.
  const FormulaProgram open = Compile("0/0+X").Optimized();
  EXPECT_EQ(open.Code().size(), 2u);
  const FormulaProgram closed = Compile("0/0+X").Optimized(-1.0);
  ASSERT_EQ(closed.Code().size(), 1u);
  EXPECT_EQ(closed.Constants(), std::vector<double>{-1.0});
  EXPECT_EQ(Compile("1/0+0/1*X").Optimized().Code().size(), 2u);

  // A folded value that equals a literal shares its register.
  const FormulaProgram shared = Compile("(1+1)*X+2*Y").Optimized();
  EXPECT_EQ(shared.Constants(), std::vector<double>{2.0});
  // -0.0 and 0.0 are different constants.
  EXPECT_EQ(Compile("0*(0-1)+X*0").Optimized().Constants().size(), 2u);
}

}  // namespace
