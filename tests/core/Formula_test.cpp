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

const char kDefaultFormula[] = "sin ( sqrt ( x^2 + y^2 ) ) / sqrt ( x^2 + y^2 )";
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// Each token in brackets, so that token boundaries show in a comparison.
std::string Join(const std::vector<std::string>& tokens) {
  std::string out;
  for (const std::string& t : tokens) out += "[" + t + "]";
  return out;
}

TEST(FormulaTokenize, CutsTokensAndRewritesUnarySigns) {
  const char* const minus = "[(][0][-][1][)][**]";
  const std::pair<const char*, std::string> cases[] = {
      {" \t\r\n\v\f", ""},
      {"sin x", "[SIN X]"},
      {"X**2", "[X][*][*][2]"},
      {"1E-3", "[1E][-][3]"},
      {"-X^2", std::string(minus) + "[X][^][2]"},
      {"-2^2", std::string(minus) + "[2][^][2]"},
      {"--X", std::string(minus) + minus + "[X]"},
      {"+-+X", std::string(minus) + "[X]"},
      {"X+-Y", "[X][+][-][Y]"},
      {"X*-Y", std::string("[X][*]") + minus + "[Y]"},
      {"(-X)", std::string("[(]") + minus + "[X][)]"},
      {"SIN-X", "[SIN][-][X]"},
      {"X)-Y", "[X][)][-][Y]"},
      {"\xEF\xBC\xB8+x", "[\xEF\xBC\xB8][+][X]"},  // only ASCII is upper-cased
      {"pi*log10(y)", "[PI][*][LOG10][(][Y][)]"},
  };
  for (const auto& [text, tokens] : cases) {
    SCOPED_TRACE(text);
    CFormula formula;
    EXPECT_EQ(formula.Tokenize(text), TRUE);
    EXPECT_EQ(Join(formula.Tokens()), tokens);
  }
}

TEST(FormulaPostfix, PriorityDrivenConversion) {
  struct Case {
    const char* text;
    BOOL complete;
    const char* postfix;
  };
  const Case cases[] = {
      {"SIN(X)^2", TRUE, "[X][SIN][2][^]"},
      {"-2^2", TRUE, "[0][1][-][2][**][2][^]"},
      {kDefaultFormula, TRUE, "[X][2][^][Y][2][^][+][SQRT][SIN][X][2][^][Y][2][^][+][SQRT][/]"},
      {"SIN(COS(X))", TRUE, "[X][COS][SIN]"},
      {"2^3^2", TRUE, "[2][3][^][2][^]"},
      {"1-2-3", TRUE, "[1][2][-][3][-]"},
      {"(1+2)*3", TRUE, "[1][2][+][3][*]"},
      {"X/Y*2", TRUE, "[X][Y][/][2][*]"},
      {"X*(", TRUE, "[X][(][*]"},  // stray brackets reach the list
      {"((X)", TRUE, "[X][(]"},
      {"X+2Y", FALSE, "[X]"},  // an unrecognised token stops it
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    CFormula formula;
    formula.Tokenize(c.text);
    EXPECT_EQ(formula.MakePostfix(), c.complete);
    EXPECT_EQ(Join(formula.Postfix()), c.postfix);
  }
}

TEST(FormulaCheckTest, EveryKindOfFault) {
  const std::pair<FormulaCheck, std::vector<const char*>> cases[] = {
      {FormulaCheck::Empty, {""}},
      {FormulaCheck::InvalidCharacter,
       {"2X", "SIN X", "1,5", "1E-3", "X=Y", "[X]", "E", "LN(X)", "\xEF\xBC\xB8", "INF", "NAN",
        "0X10", "1E+3", "1.2.3", "(2X"}},
      {FormulaCheck::InvalidFormula,
       {"   ", "X**2", "X+-Y", "X--Y", "SIN-X", "X+", "X-", "-", "(X)(Y)", "SIN()", "(", ")", "X*(",
        "(X", "X)", "((X)", "(X))", ")X("}},
      {FormulaCheck::Ok,
       {kDefaultFormula, "X*-Y", "X^-1", "-(X+Y)", "--X", "LOG(X-1)", "1D3", "1E3", ".5+5.", "0/0",
        "((X))"}},
  };
  for (const auto& [result, texts] : cases) {
    for (const char* text : texts) {
      SCOPED_TRACE(std::string("formula '") + text + "'");
      EXPECT_EQ(CheckFormula(text), result);
    }
  }
  EXPECT_STREQ(FormulaCheckMessage(FormulaCheck::Ok), "");
  EXPECT_STREQ(FormulaCheckMessage(FormulaCheck::Empty), "計算式が入力されてません！");
  EXPECT_STREQ(FormulaCheckMessage(FormulaCheck::InvalidCharacter), "不正な文字がありました！");
  EXPECT_STREQ(FormulaCheckMessage(FormulaCheck::InvalidFormula), "不正な計算式です！");
}

TEST(FormulaValue, EvaluateFormulaAtAPoint) {
  struct Case {
    const char* text;
    double x, y, zeroByZero, value;
  };
  const Case cases[] = {
      {"1/0", 0, 0, 1, DBL_MAX},
      {"-1/0", 0, 0, 1, -DBL_MAX},
      {"0/0", 0, 0, -1, -1},
      {"0/0", 0, 0, 0, 0},
      {"0/0", 0, 0, 1, 1},
      {kDefaultFormula, 0, 0, -1, -1},
      {kDefaultFormula, 0, 0, 0, 0},
      {kDefaultFormula, 3, 4, 1, std::sin(5.0) / 5.0},
      {"SQRT(X)", -1, 0, 1, kNaN},
      {"1/SQRT(X)", -1, 0, 1, DBL_MAX},
      {"PI", 0, 0, 1, std::bit_cast<double>(std::uint64_t{0x400921FB54524550})},
      {"LOG(EXP(1))", 0, 0, 1, 1},
      {"LOG10(100)", 0, 0, 1, 2},
      {"2^3^2", 0, 0, 1, 64},
      {"2^-1", 0, 0, 1, 0.5},
      {"-2^2", 0, 0, 1, 4},
      {"-X^2", -3, 0, 1, 9},
      {"--X", 3, 0, 1, 3},
      {"X*-Y", 3, 4, 1, -12},
      {"1D3+2D2+.5", 0, 0, 1, 1200.5},
      {"1E999", 0, 0, 1, kInf},
      {"X-Y", 5, 3, 1, 2},
      {"X^Y", 2, 3, 1, 8},
      // Guarded division counts NaN and -0 as zero.
      {"X/Y", kNaN, 0, -1, -1},
      {"X/Y", kNaN, kNaN, 0, 0},
      {"X/Y", kNaN, 2, 1, kNaN},
      {"X/Y", -1, kNaN, 1, -DBL_MAX},
      {"X/Y", -2, -0.0, 1, -DBL_MAX},
      {"X*0", -1, 0, 1, -0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("formula '") + c.text + "' at " + std::to_string(c.x) + ", " +
                 std::to_string(c.y) + " z " + std::to_string(c.zeroByZero));
    ASSERT_EQ(CheckFormula(c.text), FormulaCheck::Ok);
    CFormula formula;
    formula.Tokenize(c.text);
    ASSERT_EQ(formula.MakePostfix(), TRUE);
    const double value = EvaluateFormula(&formula, &c.x, &c.y, &c.zeroByZero);
    if (std::isnan(c.value)) {
      EXPECT_TRUE(std::isnan(value)) << value;
    } else {
      EXPECT_EQ(std::bit_cast<std::uint64_t>(value), std::bit_cast<std::uint64_t>(c.value))
          << value << " expected " << c.value;
    }
  }
}

TEST(FormulaValue, NumbersIgnoreADecimalCommaLocale) {
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr &&
      std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") == nullptr)
    GTEST_SKIP() << "no decimal-comma locale installed";
  CFormula formula;
  formula.Tokenize("1.5+2D2");
  formula.MakePostfix();
  const double x = 0.0, z = 1.0;
  const double value = EvaluateFormula(&formula, &x, &x, &z);
  std::setlocale(LC_NUMERIC, "C");
  EXPECT_EQ(value, 201.5);
}

}  // namespace

namespace {

// Texts nobody types but a file or a paste can bring: each is checked, and
// what passes evaluates, without deep recursion, huge memory or a crash.
TEST(FormulaCheckTest, HostileTextsGetAnAnswer) {
  const std::string nested = std::string(10000, '(') + "X" + std::string(10000, ')');
  const struct {
    std::string text;
    FormulaCheck result;
  } cases[] = {
      {nested, FormulaCheck::Ok},
      {std::string(10000, '('), FormulaCheck::InvalidFormula},
      {std::string(4096, '+'), FormulaCheck::InvalidFormula},
      {std::string(4096, '*'), FormulaCheck::InvalidFormula},
      {std::string(4096, '-') + "X", FormulaCheck::Ok},
      {"X\xC3", FormulaCheck::InvalidCharacter},  // a cut UTF-8 sequence
      {"\xFF\xFE"
       "X",
       FormulaCheck::InvalidCharacter},                   // bytes UTF-8 never holds
      {"X\xEF\xBF\xBD", FormulaCheck::InvalidCharacter},  // what a bad CP932 byte reads as
      {std::string("X\0Y", 3), FormulaCheck::InvalidCharacter},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 20));
    EXPECT_EQ(CheckFormula(c.text), c.result);
  }
  CFormula formula;
  formula.Tokenize(nested);
  ASSERT_TRUE(formula.MakePostfix());
  const double x = 3.0, y = 0.0, zeroByZero = 1.0;
  EXPECT_EQ(EvaluateFormula(&formula, &x, &y, &zeroByZero), 3.0);
  // Every single byte: a digit or a variable passes, anything else is refused.
  for (int byte = 0; byte < 256; ++byte) {
    const char c = static_cast<char>(byte);
    const bool passes = (c >= '0' && c <= '9') || c == 'x' || c == 'X' || c == 'y' || c == 'Y';
    const bool blank = c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    const FormulaCheck result = CheckFormula(std::string(1, c));
    EXPECT_EQ(result == FormulaCheck::Ok, passes) << byte;
    if (!passes && !blank) {
      EXPECT_NE(result, FormulaCheck::Empty) << byte;
    }
  }
}

}  // namespace
