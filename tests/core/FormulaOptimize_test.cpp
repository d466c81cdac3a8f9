// What the optimiser keeps and where the grid split puts it; the values are
// compared with the string-walking evaluator in FormulaProgram_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/Formula.h"
#include "core/FormulaOptimizer.h"
#include "core/FormulaProgram.h"

namespace {

const char kDefaultFormula[] = "sin ( sqrt ( x^2 + y^2 ) ) / sqrt ( x^2 + y^2 )";
const char kHeavyFormula[] =
    "SIN(X)*COS(Y) + EXP(-X^2/10) * LOG(Y^2+1) + ATAN(X*Y) + SQRT(X^2+Y^2)";

FormulaProgram Compile(const std::string& text) {
  CFormula formula;
  formula.Tokenize(text);
  formula.MakePostfix();
  return formula.Program();
}

std::vector<FormulaOpcode> Sorted(std::vector<FormulaOpcode> ops) {
  std::sort(ops.begin(), ops.end());
  return ops;
}

std::vector<FormulaOpcode> SortedOps(const std::vector<FormulaInstr>& code) {
  std::vector<FormulaOpcode> ops;
  for (const FormulaInstr& instr : code) ops.push_back(instr.op);
  return Sorted(ops);
}

// What is computed once per x, once per y and at every point, after repeats
// are merged and constant work is folded.
TEST(FormulaOptimize, SplitsByTheVariablesUsed) {
  using Op = FormulaOpcode;
  struct Case {
    const char* text;
    std::vector<Op> x, y, point;
  };
  const Case cases[] = {
      {kDefaultFormula, {Op::Pow}, {Op::Pow}, {Op::Add, Op::Sqrt, Op::Sin, Op::Div}},
      // SIN(X); (0-1)*X, ^2, /10, EXP; X^2 | COS(Y); Y^2 once for both uses, +1, LOG
      {kHeavyFormula,
       {Op::Mul, Op::Div, Op::Pow, Op::Pow, Op::Sin, Op::Exp},
       {Op::Add, Op::Pow, Op::Cos, Op::Log},
       {Op::Add, Op::Add, Op::Add, Op::Add, Op::Mul, Op::Mul, Op::Mul, Op::Atan, Op::Sqrt}},
      {"X*Y-Y*X", {}, {}, {Op::Sub, Op::Mul, Op::Mul}},
      {"X-Y+(Y-X)", {}, {}, {Op::Add, Op::Sub, Op::Sub}},
      {"X*Y+X/Y-X^Y", {}, {}, {Op::Mul, Op::Div, Op::Pow, Op::Add, Op::Sub}},
      {"SIN(Y)", {}, {Op::Sin}, {}},
      {"SIN(2)*X", {Op::Mul}, {}, {}},
      {"SIN(X*2)+3*Y", {Op::Mul, Op::Sin}, {Op::Mul}, {Op::Add}},
      {"0/0+Y", {}, {Op::Add}, {}},
      {"7", {}, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const GridProgram grid = GridProgram::Build(Compile(c.text), -1.0);
    EXPECT_EQ(SortedOps(grid.AxisCode(FormulaVariable::X)), Sorted(c.x));
    EXPECT_EQ(SortedOps(grid.AxisCode(FormulaVariable::Y)), Sorted(c.y));
    EXPECT_EQ(SortedOps(grid.PointCode()), Sorted(c.point));
  }
  // Without a 0/0 value, 0/0 waits for it; 1/0 and 0/1 do not depend on it.
  EXPECT_EQ(Compile("0/0+X").Optimized().Code().size(), 2u);
  EXPECT_EQ(Compile("1/0+0/1*X").Optimized().Code().size(), 2u);
}

}  // namespace
