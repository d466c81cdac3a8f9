#include "core/Formula.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace {

using Tokens = std::vector<std::string>;

const char kDefaultFormula[] = "sin ( sqrt ( x^2 + y^2 ) ) / sqrt ( x^2 + y^2 )";
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// Exact comparison: the engine makes the same library calls as the plain
// definition, so even the sign of zero must match; any NaN matches any NaN here.
bool SameValue(double a, double b) {
  if (std::isnan(a) && std::isnan(b)) return true;
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

std::string Join(const Tokens& tokens) {
  std::string out;
  for (const std::string& t : tokens) out += "[" + t + "]";
  return out;
}

struct TokenCase {
  const char* text;
  Tokens tokens;
};

TEST(FormulaTokenize, CutsOperatorsAndOperandsAndRewritesSigns) {
  const Tokens minus = {"(", "0", "-", "1", ")", "**"};
  auto cat = [](std::initializer_list<Tokens> parts) {
    Tokens out;
    for (const Tokens& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
  };
  const TokenCase cases[] = {
      {"", {}},
      {" \t\r\n\v\f", {}},
      {"x", {"X"}},
      {"sin x", {"SIN X"}},
      {"  a b\t(\r\nc) ", {"A B", "(", "C", ")"}},
      {"X**2", {"X", "*", "*", "2"}},
      {"1E-3", {"1E", "-", "3"}},
      {"-X^2", cat({minus, {"X", "^", "2"}})},
      {"--X", cat({minus, minus, {"X"}})},
      {"+X", {"X"}},
      {"+-+X", cat({minus, {"X"}})},
      {"X+-Y", {"X", "+", "-", "Y"}},
      {"X--Y", {"X", "-", "-", "Y"}},
      {"X++Y", {"X", "+", "+", "Y"}},
      {"X*-Y", cat({{"X", "*"}, minus, {"Y"}})},
      {"X/-Y", cat({{"X", "/"}, minus, {"Y"}})},
      {"2^-X", cat({{"2", "^"}, minus, {"X"}})},
      {"(-X)", cat({{"("}, minus, {"X", ")"}})},
      {"(+X)", {"(", "X", ")"}},
      {"SIN-X", {"SIN", "-", "X"}},
      {"X)-Y", {"X", ")", "-", "Y"}},
      // Only ASCII is upper-cased; bytes of multi-byte characters are never
      // operators or white space.
      {"\xEF\xBC\xB8+x", {"\xEF\xBC\xB8", "+", "X"}},
      {"\xEF\xBD\x98", {"\xEF\xBD\x98"}},
      {"\xC3\xA9 x*2", {"\xC3\xA9 X", "*", "2"}},
      {"pi*log10(y)", {"PI", "*", "LOG10", "(", "Y", ")"}},
  };
  for (const TokenCase& c : cases) {
    SCOPED_TRACE(c.text);
    CFormula formula;
    EXPECT_EQ(formula.Tokenize(c.text), TRUE);
    EXPECT_EQ(Join(formula.Tokens()), Join(c.tokens));
  }
}

TEST(FormulaTokenize, StartsOverAndLeavesTheTextAlone) {
  CFormula formula;
  formula.Tokenize("a+b");
  const std::string text = "x";
  formula.Tokenize(text);
  EXPECT_EQ(Join(formula.Tokens()), "[X]");
  EXPECT_EQ(text, "x");
}

struct PriorityCase {
  const char* token;
  int priority;
  int isOperator;
};

TEST(FormulaClassify, PriorityAndOperatorOfEveryKindOfToken) {
  const PriorityCase cases[] = {
      {"(", 7, 0},      {"X", 6, 0},      {"Y", 6, 0},
      {"PI", 6, 0},     {"SIN", 5, 5},    {"COS", 5, 5},
      {"TAN", 5, 5},    {"ASIN", 5, 5},   {"ACOS", 5, 5},
      {"ATAN", 5, 5},   {"EXP", 5, 5},    {"LOG", 5, 5},
      {"LOG10", 5, 5},  {"SQRT", 5, 5},   {"**", 4, 4},
      {"^", 3, 3},      {"*", 2, 2},      {"/", 2, 2},
      {"+", 1, 1},      {"-", 1, 1},      {")", 0, 0},
      {"12", 6, 0},     {"1.5", 6, 0},    {".5", 6, 0},
      {"5.", 6, 0},     {"007", 6, 0},    {"1E3", 6, 0},
      {"2D2", 6, 0},    {"1.5E10", 6, 0}, {".5D1", 6, 0},
      {"1E999", 6, 0},  {"", -1, 0},      {".", -1, 0},
      {"1E", -1, 0},    {"E", -1, 0},     {"E3", -1, 0},
      {".E3", -1, 0},   {"1E3.5", -1, 0}, {"1.2.3", -1, 0},
      {"1,5", -1, 0},   {"1E+3", -1, 0},  {"1e3", -1, 0},
      {"INF", -1, 0},   {"NAN", -1, 0},   {"0X10", -1, 0},
      {"x", -1, 0},     {"sin", -1, 0},   {"LN", -1, 0},
      {"SIN X", -1, 0}, {" 1", -1, 0},    {"2X", -1, 0},
      {"[X]", -1, 0},   {"X=Y", -1, 0},   {"\xEF\xBC\xB8", -1, 0},
  };
  for (const PriorityCase& c : cases) {
    SCOPED_TRACE(std::string("token '") + c.token + "'");
    EXPECT_EQ(CFormula::GetPriority(c.token), c.priority);
    EXPECT_EQ(CFormula::IsOperator(c.token), c.isOperator);
  }
}

struct PostfixCase {
  const char* text;
  BOOL complete;
  Tokens postfix;
};

TEST(FormulaPostfix, PriorityDrivenConversion) {
  const PostfixCase cases[] = {
      {"SIN(X)^2", TRUE, {"X", "SIN", "2", "^"}},
      {"-2^2", TRUE, {"0", "1", "-", "2", "**", "2", "^"}},
      {kDefaultFormula,
       TRUE,
       {"X", "2", "^", "Y", "2", "^", "+", "SQRT", "SIN", "X", "2", "^", "Y", "2", "^", "+", "SQRT",
        "/"}},
      {"SIN(COS(X))", TRUE, {"X", "COS", "SIN"}},
      {"2^3^2", TRUE, {"2", "3", "^", "2", "^"}},
      {"1-2-3", TRUE, {"1", "2", "-", "3", "-"}},
      {"1+2*3", TRUE, {"1", "2", "3", "*", "+"}},
      {"(1+2)*3", TRUE, {"1", "2", "+", "3", "*"}},
      {"X/Y*2", TRUE, {"X", "Y", "/", "2", "*"}},
      {"X^-1", TRUE, {"X", "0", "1", "-", "1", "**", "^"}},
      {"PI", TRUE, {"PI"}},
      {"   ", TRUE, {}},
      // Stray brackets reach the list; an unrecognised token stops it.
      {"(", TRUE, {"("}},
      {")", TRUE, {")"}},
      {"X*(", TRUE, {"X", "(", "*"}},
      {"X)", TRUE, {"X", ")"}},
      {"((X)", TRUE, {"X", "("}},
      {"X+2Y", FALSE, {"X"}},
      {"2X", FALSE, {}},
  };
  for (const PostfixCase& c : cases) {
    SCOPED_TRACE(c.text);
    CFormula formula;
    formula.Tokenize(c.text);
    EXPECT_EQ(formula.MakePostfix(), c.complete);
    EXPECT_EQ(Join(formula.Postfix()), Join(c.postfix));
  }
}

TEST(FormulaPostfix, UnaryMinusTokensOfMinusTwoSquared) {
  CFormula formula;
  formula.Tokenize("-2^2");
  EXPECT_EQ(Join(formula.Tokens()), "[(][0][-][1][)][**][2][^][2]");
}

struct CheckCase {
  const char* text;
  FormulaCheck result;
};

TEST(FormulaCheckTest, MessagesForEachKindOfFault) {
  const FormulaCheck ok = FormulaCheck::Ok;
  const FormulaCheck badChar = FormulaCheck::InvalidCharacter;
  const FormulaCheck badFormula = FormulaCheck::InvalidFormula;
  const CheckCase cases[] = {
      {"", FormulaCheck::Empty},
      {"   ", badFormula},
      {kDefaultFormula, ok},
      {"SIN ( SQRT ( X^2 + Y^2 ) ) / SQRT ( X^2 + Y^2 )", ok},
      {"2X", badChar},
      {"SIN X", badChar},
      {"1,5", badChar},
      {"1E-3", badChar},
      {"X=Y", badChar},
      {"[X]", badChar},
      {"E", badChar},
      {"LN(X)", badChar},
      {"\xEF\xBC\xB8", badChar},
      {"X*\xEF\xBC\xB8", badChar},
      {"INF", badChar},
      {"NAN", badChar},
      {"0X10", badChar},
      {"1E3", ok},
      {"1D3", ok},
      {"X**2", badFormula},
      {"X+-Y", badFormula},
      {"X--Y", badFormula},
      {"SIN-X", badFormula},
      {"X+", badFormula},
      {"X*", badFormula},
      {"-", badFormula},
      {"X-", badFormula},
      {"X*-Y", ok},
      {"X^-1", ok},
      {"-(X+Y)", ok},
      {"-X^2", ok},
      {"--X", ok},
      {"(X)(Y)", badFormula},
      {"SIN()", badFormula},
      {"LOG(X-1)", ok},
      {"1/(X-1)", ok},
      {"0/0", ok},
      // Unbalanced brackets, including those a bracket operand would satisfy.
      {"(", badFormula},
      {")", badFormula},
      {"X*(", badFormula},
      {"(X", badFormula},
      {"X)", badFormula},
      {"((X)", badFormula},
      {"(X))", badFormula},
      {")X(", badFormula},
      {"((X))", ok},
      // A bad character wins over a bracket fault met later.
      {"(2X", badChar},
  };
  for (const CheckCase& c : cases) {
    SCOPED_TRACE(std::string("formula '") + c.text + "'");
    EXPECT_EQ(CheckFormula(c.text), c.result);
  }
}

TEST(FormulaCheckTest, MessageTexts) {
  EXPECT_STREQ(FormulaCheckMessage(FormulaCheck::Ok), "");
  EXPECT_STREQ(FormulaCheckMessage(FormulaCheck::Empty), "計算式が入力されてません！");
  EXPECT_STREQ(FormulaCheckMessage(FormulaCheck::InvalidCharacter), "不正な文字がありました！");
  EXPECT_STREQ(FormulaCheckMessage(FormulaCheck::InvalidFormula), "不正な計算式です！");
}

struct ValueCase {
  const char* text;
  double x;
  double y;
  double zeroByZero;
  double value;
};

TEST(FormulaValue, EvaluateFormulaAtAPoint) {
  const ValueCase cases[] = {
      {"1/0", 0, 0, 1, DBL_MAX},
      {"-1/0", 0, 0, 1, -DBL_MAX},
      {"0/0", 0, 0, -1, -1},
      {"0/0", 0, 0, 0, 0},
      {"0/0", 0, 0, 1, 1},
      {kDefaultFormula, 0, 0, -1, -1},
      {kDefaultFormula, 0, 0, 0, 0},
      {kDefaultFormula, 0, 0, 1, 1},
      {kDefaultFormula, 3, 4, 1, std::sin(5.0) / 5.0},
      {"SQRT(X)", -1, 0, 1, kNaN},
      {"1/SQRT(X)", -1, 0, 1, DBL_MAX},
      {"-1/SQRT(X)", -1, 0, 1, -DBL_MAX},
      {"PI", 0, 0, 1, 3.141592654},
      {"LOG(EXP(1))", 0, 0, 1, 1},
      {"LOG10(100)", 0, 0, 1, 2},
      {"2^3^2", 0, 0, 1, 64},
      {"2^-1", 0, 0, 1, 0.5},
      {"-2^2", 0, 0, 1, 4},
      {"-X^2", 3, 0, 1, 9},
      {"-X^2", -3, 0, 1, 9},
      {"--X", 3, 0, 1, 3},
      {"-(X+Y)", 3, 4, 1, -7},
      {"X*-Y", 3, 4, 1, -12},
      {"1E3", 0, 0, 1, 1000},
      {"1D3", 0, 0, 1, 1000},
      {"2D2", 0, 0, 1, 200},
      {"5.+.5", 0, 0, 1, 5.5},
      {"0.1", 0, 0, 1, 0.1},
      {"1E999", 0, 0, 1, kInf},
      {"X*1E999", -1, 0, 1, -kInf},
      // Left and right operands keep their places.
      {"X-Y", 5, 3, 1, 2},
      {"X/Y", 6, 3, 1, 2},
      {"X^Y", 2, 3, 1, 8},
      // Guarded division counts NaN and -0 as zero.
      {"X/Y", kNaN, 0, -1, -1},
      {"X/Y", kNaN, kNaN, 0, 0},
      {"X/Y", kNaN, 2, 1, kNaN},
      {"X/Y", 1, kNaN, 1, DBL_MAX},
      {"X/Y", -1, kNaN, 1, -DBL_MAX},
      {"X/Y", -2, -0.0, 1, -DBL_MAX},
      {"X/Y", -0.0, 0, 1, 1},
      {"X/Y", kInf, 0, 1, DBL_MAX},
      {"X/Y", kInf, kInf, 1, kNaN},
      {"X/Y", 1, kInf, 1, 0},
      // Library results flow through untouched.
      {"LOG(X)", 0, 0, 1, -kInf},
      {"EXP(X)", 1000, 0, 1, kInf},
      {"X^Y", 0, -1, 1, kInf},
      {"ASIN(X)", 2, 0, 1, kNaN},
      {"X^Y", -8, 1.0 / 3.0, 1, kNaN},
      {"ATAN(X)", kInf, 0, 1, std::atan(kInf)},
      {"X*0", -1, 0, 1, -0.0},
  };
  for (const ValueCase& c : cases) {
    SCOPED_TRACE(std::string("formula '") + c.text + "' at " + std::to_string(c.x) + ", " +
                 std::to_string(c.y) + " z " + std::to_string(c.zeroByZero));
    ASSERT_EQ(CheckFormula(c.text), FormulaCheck::Ok);
    CFormula formula;
    formula.Tokenize(c.text);
    ASSERT_EQ(formula.MakePostfix(), TRUE);
    const double value = EvaluateFormula(&formula, &c.x, &c.y, &c.zeroByZero);
    EXPECT_TRUE(SameValue(value, c.value)) << value << " expected " << c.value;
    EXPECT_TRUE(SameValue(g_zeroByZero, c.zeroByZero));
  }
}

TEST(FormulaValue, PiIsTheTenDigitConstant) {
  CFormula formula;
  formula.Tokenize("pi");
  formula.MakePostfix();
  const double x = 0.0;
  const double z = 1.0;
  const double value = EvaluateFormula(&formula, &x, &x, &z);
  EXPECT_EQ(std::bit_cast<std::uint64_t>(value), 0x400921FB54524550u);
  EXPECT_NE(value, 3.141592653589793);
}

struct FailureCase {
  const char* text;
  double x;
  double y;
  BOOL success;
  double value;
};

// What formulas that never passed the check evaluate to (they can come from a
// parameter file): a partial list is evaluated as far as it goes, the value on
// top is taken when values are left over, and 0.0 when there is none or an
// operator lacks operands; a stray bracket reads as 0.
TEST(FormulaValue, FormulasThatFailTheCheck) {
  const FailureCase cases[] = {
      {"   ", 2, 5, FALSE, 0},   {"X+2Y", 2, 5, TRUE, 2},      {"(X)(Y+1)", 2, 5, FALSE, 6},
      {"X)", 2, 5, FALSE, 0},    {"X+", 2, 5, FALSE, 0},       {"X**2", 2, 5, FALSE, 0},
      {"SIN-X", 2, 5, FALSE, 0}, {"(", 2, 5, TRUE, 0},         {")", 2, 5, TRUE, 0},
      {"X*(", 2, 5, TRUE, 0},    {"X*(", kInf, 5, TRUE, kNaN},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.text);
    CFormula formula;
    formula.Tokenize(c.text);
    formula.MakePostfix();
    double value = -123.0;
    EXPECT_EQ(formula.Evaluate(&c.x, &c.y, &value), c.success);
    EXPECT_TRUE(SameValue(value, c.value)) << value;
    const double z = 1.0;
    EXPECT_TRUE(SameValue(EvaluateFormula(&formula, &c.x, &c.y, &z), c.value));
  }
}

TEST(FormulaValue, NumbersIgnoreADecimalCommaLocale) {
  const char* commaLocale = nullptr;
  for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "ru_RU.UTF-8", "de_DE"}) {
    if (std::setlocale(LC_NUMERIC, name) != nullptr) {
      commaLocale = name;
      break;
    }
  }
  if (commaLocale == nullptr) GTEST_SKIP() << "no decimal-comma locale installed";
  const bool comma = std::localeconv()->decimal_point[0] == ',';
  CFormula formula;
  formula.Tokenize("1.5+2D2");
  formula.MakePostfix();
  const double x = 0.0;
  const double z = 1.0;
  const double value = EvaluateFormula(&formula, &x, &x, &z);
  std::setlocale(LC_NUMERIC, "C");
  ASSERT_TRUE(comma) << commaLocale;
  EXPECT_EQ(value, 201.5);
}

}  // namespace
