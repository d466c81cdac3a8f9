// The formula engine: the check, its notes and values at a point; the compiled
// program against itself on several threads. Every
// evaluation path against the string-walking evaluator, and a parameter
// against its value written in, is fuzz_formula's property, run over its
// corpus by the fuzz_formula_replay test.
#include "core/Formula.h"

#include <gtest/gtest.h>

#include <bit>
#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "core/FormulaProgram.h"

namespace {

const char kDefaultFormula[] = "sin ( sqrt ( x^2 + y^2 ) ) / sqrt ( x^2 + y^2 )";
const std::string kNested = std::string(10000, '(') + "X" + std::string(10000, ')');
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

std::uint64_t Bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// Hostile texts among them, which nobody types but a file or a paste can
// bring: a cut UTF-8 sequence, bytes UTF-8 never holds, what a bad CP932 byte
// reads as, a NUL; thousands of brackets, operators and signs.
TEST(FormulaCheckTest, EveryKindOfFault) {
  const std::string nul("X\0Y", 3), opens(10000, '('), pluses(4096, '+'), stars(4096, '*'),
      minuses = std::string(4096, '-') + "X";
  const std::pair<FormulaCheck, std::vector<std::string>> cases[] = {
      {FormulaCheck::Empty, {""}},
      {FormulaCheck::InvalidCharacter,
       {"2X", "SIN X", "[X]", "\xEF\xBC\xB8", "INF", "0X10", "1.2.3", "X\xC3", "\xFF\xFEX", nul}},
      // No exponent without its digits; no implicit multiplication by E.
      {FormulaCheck::InvalidCharacter, {"2E", "1E+", "1E -3", "1E-3E", "X1E-3", "MIN X"}},
      // A comma anywhere but between a two-argument function's arguments;
      // such a function without both (more in the next test).
      {FormulaCheck::InvalidFormula,
       {",", "X,Y", "(X,Y)", "MIN((X,Y))", "MIN(X,,Y)", "(2)(MIN(X))", "MIN", "MIN(X,Y)(2)",
        "ATAN2-X", "E(X)"}},
      {FormulaCheck::Ok,
       {"E", "2*e", "1E-3", "1e+3", "x-1e-3", "1D-2", "min ( -x , (y) ) ^ 2", "max(min(x,y),-1)"}},
      {FormulaCheck::InvalidFormula,
       {"   ", "X**2", "X+-Y", "SIN-X", "X+", "-", "(", ")", "X*(", "((X)", "(X))", ")X(", opens,
        pluses, stars}},
      {FormulaCheck::Ok,
       {kDefaultFormula, "X*-Y", "X^-1", "-(X+Y)", "--X", "LOG(X-1)", "1D3", "1E3", ".5+5.", "0/0",
        "((X))", minuses, kNested}},
  };
  for (const auto& [result, texts] : cases) {
    for (const std::string& text : texts) {
      SCOPED_TRACE("formula '" + text.substr(0, 20) + "'");
      EXPECT_EQ(CheckFormula(text), result);
    }
  }
  // The fault messages are pinned where they are shown (the window's tests).
  EXPECT_STREQ(FormulaCheckMessage(FormulaCheck::Ok), "");
}

// Where a refused formula goes wrong, in characters as the user counts them
// (a multi-byte character is one), and how long the faulty part is.
TEST(FormulaCheckTest, TheFaultsPlaceAndLength) {
  const std::tuple<std::string, FormulaCheck, std::size_t, std::size_t> cases[] = {
      {"x*y", FormulaCheck::Ok, 0, 0},
      {"", FormulaCheck::Empty, 1, 0},
      {"x+", FormulaCheck::InvalidFormula, 3, 0},         // one past the end: the operand is due
      {"sin(x", FormulaCheck::InvalidFormula, 4, 1},      // the bracket left open
      {"(x))+y", FormulaCheck::InvalidFormula, 4, 1},     // the bracket closing nothing
      {"x--y", FormulaCheck::InvalidFormula, 3, 1},       // a sign that is no unary one
      {"sin()", FormulaCheck::InvalidFormula, 5, 1},      // the function's operand is missing
      {"x+foo*2", FormulaCheck::InvalidCharacter, 3, 3},  // the unknown name
      {"1e-x", FormulaCheck::InvalidCharacter, 1, 2},     // no digit after the sign: no exponent
      {"1,5", FormulaCheck::InvalidFormula, 2, 1},        // a comma in no function's brackets
      {"sin(x,y)", FormulaCheck::InvalidFormula, 6, 1},   // nor in a one-argument function's
      {"min(,x)", FormulaCheck::InvalidFormula, 5, 1},    // where an argument is due
      {"min(x,)", FormulaCheck::InvalidFormula, 7, 1},    // the second argument is missing
      {"min(x)", FormulaCheck::InvalidFormula, 6, 1},     // the same without its comma
      {"(あい)*x", FormulaCheck::InvalidCharacter, 2, 2},
  };
  for (const auto& [text, check, position, length] : cases) {
    SCOPED_TRACE(text);
    const FormulaFault fault = CheckFormulaWithPosition(text);
    EXPECT_EQ(fault.check, check);
    EXPECT_EQ(fault.check, CheckFormula(text));
    EXPECT_EQ(fault.position, position);
    EXPECT_EQ(fault.length, length);
  }
}

// A name is an operand only when the list holds it, in any case; what is a
// number, a word of the vocabulary or no name at all stays as it was.
TEST(FormulaCheckTest, ParameterNamesFromTheList) {
  using Names = std::vector<std::string>;
  const std::tuple<std::string, Names, FormulaCheck, std::size_t, std::size_t> cases[] = {
      {"a*sin(b*x)", {"a", "b"}, FormulaCheck::Ok, 0, 0},
      {"E+1E3+2D2*D", {"e", "d"}, FormulaCheck::Ok, 0, 0},
      {"a*x", {}, FormulaCheck::InvalidCharacter, 1, 1},
      {"a*c", {"a"}, FormulaCheck::InvalidCharacter, 3, 1},
      // Words the language took later stay an older list's parameters.
      {"E*x+min-Ln^2", {"e", "MIN", "ln"}, FormulaCheck::Ok, 0, 0},
      {"min(x,y)", {"min"}, FormulaCheck::InvalidFormula, 4, 1},
      {"2a+a", {"a"}, FormulaCheck::InvalidCharacter, 1, 2},
      {"sin a", {"a", "sin a"}, FormulaCheck::InvalidCharacter, 1, 5},
      {"sin", {"sin"}, FormulaCheck::InvalidFormula, 4, 0},
  };
  for (const auto& [text, names, check, position, length] : cases) {
    SCOPED_TRACE(text);
    const FormulaFault fault = CheckFormulaWithPosition(text, names);
    EXPECT_EQ(fault.check, check);
    EXPECT_EQ(CheckFormula(text, names), check);
    EXPECT_EQ(fault.position, position);
    EXPECT_EQ(fault.length, length);
    EXPECT_EQ(FormulaEntryRefusal(text, names), FormulaCheckMessage(check));
  }
  CParaData para;
  para.m_strFormula = "a*sin(x)";
  EXPECT_STREQ(RunRefusalMessage(para), FormulaCheckMessage(FormulaCheck::InvalidCharacter));
  para.m_params.push_back({.name = "A"});
  EXPECT_EQ(RunRefusalMessage(para), nullptr);
  // Such words evaluate as the values set (fuzz_formula's names hold E only).
  const std::vector<FormulaParameter> older = {{.name = "Min", .value = 3},
                                               {.name = "ln", .value = -0.5}};
  CFormula formula = CompileFormula("min*x-LN^2", older);
  const double x = 2.0, y = 0.0, z = 1.0;
  EXPECT_EQ(EvaluateFormula(&formula, &x, &y, &z), 5.75);
}

TEST(FormulaCheckTest, NamesThatWouldBeParameters) {
  using Names = std::vector<std::string>;
  const std::string text = "a*sin(b*x)+A+k2-2c+E+1E3+PI+sin x+log10(y)+Theta+THETA";
  const std::tuple<std::string, Names, Names> cases[] = {
      {text, {}, {"a", "b", "k2", "Theta"}},
      {text, {"B", "theta", "2c"}, {"a", "k2"}},
      {"x+y*pi-sqrt(x)+e+Min(x,y)-1e-3", {}, {}},
  };
  for (const auto& [formula, known, names] : cases) {
    SCOPED_TRACE(formula);
    EXPECT_EQ(FormulaParameterCandidates(formula, known), names);
  }
}

TEST(FormulaValue, EvaluateFormulaAtAPoint) {
  const struct {
    const char* text;
    double x, y, zeroByZero, value;
  } cases[] = {
      {"1/0", 0, 0, 1, DBL_MAX},
      {"-1/0", 0, 0, 1, -DBL_MAX},
      {"0/0", 0, 0, -1, -1},
      {kDefaultFormula, 0, 0, 0, 0},
      {kDefaultFormula, 3, 4, 1, std::sin(5.0) / 5.0},
      {"1/SQRT(X)", -1, 0, 1, DBL_MAX},
      {"PI", 0, 0, 1, std::bit_cast<double>(std::uint64_t{0x400921FB54524550})},
      {"LOG10(100)", 0, 0, 1, 2},
      // Precedence and grouping: a function binds its bracket first, operators
      // of one level group from the left, ^ too.
      {"SQRT(X)^2", -1, 0, 1, kNaN},
      {"1-2-3", 0, 0, 1, -4},
      {"X/Y*2", 3, 4, 1, 1.5},
      {"2^3^2", 0, 0, 1, 64},
      {"2^-1", 0, 0, 1, 0.5},
      {"-2^2", 0, 0, 1, 4},
      {"--X", 3, 0, 1, 3},
      {"X*-Y", 3, 4, 1, -12},
      {"1E999", 0, 0, 1, kInf},
      // Guarded division counts NaN and -0 as zero.
      {"X/Y", kNaN, 0, -1, -1},
      {"X/Y", kNaN, 2, 1, kNaN},
      {"X/Y", -1, kNaN, 1, -DBL_MAX},
      {"X*0", -1, 0, 1, -0.0},
      // E is Euler's number in full; an exponent's sign is the number's.
      {"E", 0, 0, 1, std::bit_cast<double>(std::uint64_t{0x4005BF0A8B145769})},
      {"X-1E-3+2.5E+4-1D-2", 1, 0, 1, 1 - 1e-3 + 2.5e4 - 1e-2},
      // Two arguments: each a whole expression, the function binding as one.
      {"MIN(X+1,Y*2)", 3, 1, 1, 2},
      {"2^MIN(X,-Y)", 1, 3, 1, 0.125},
      // -0 is the smaller zero in either order.
      {"MIN(X,Y)", 0, -0.0, 1, -0.0},
      {"MAX(X,Y)", -0.0, 0, 1, 0},
      // mod takes b's sign, exactly (a - b*floor(a/b) gives 0 at 1E17); by
      // zero it divides as "/" does: a/0 is finite, nothing is taken from a;
      // 0/0 (NaN counted as 0) is the 0/0 value.
      {"MOD(X,Y)", 6, -3, 1, -0.0},
      {"MOD(X,Y)", 1e17, 3, 1, 1},
      {"MOD(X,Y)", -2.5, 0, -1, -2.5},
      {"MOD(X,Y)", 0, 0, -1, -1},
      {"SIGN(X)", -0.0, 0, 1, -0.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "formula '" << c.text << "' at " << c.x << ", " << c.y
                                    << " z " << c.zeroByZero);
    ASSERT_EQ(CheckFormula(c.text), FormulaCheck::Ok);
    CFormula formula = CompileFormula(c.text);
    const double value = EvaluateFormula(&formula, &c.x, &c.y, &c.zeroByZero);
    EXPECT_TRUE(std::isnan(c.value) ? std::isnan(value) : Bits(value) == Bits(c.value))
        << value << " expected " << c.value;
  }
}

// The functions the C library has, at its edge points.
TEST(FormulaValue, FunctionsAreTheCLibrarys) {
  const std::pair<const char*, double (*)(double)> ones[] = {
      {"abs", std::fabs},    {"floor", std::floor}, {"ceil", std::ceil}, {"round", std::round},
      {"sinh", std::sinh},   {"cosh", std::cosh},   {"tanh", std::tanh}, {"asinh", std::asinh},
      {"acosh", std::acosh}, {"atanh", std::atanh}, {"cbrt", std::cbrt}, {"ln", std::log}};
  // min and max are fmin and fmax but for a NaN, which they pass on.
  const std::pair<const char*, double (*)(double, double)> twos[] = {
      {"atan2", std::atan2},
      {"hypot", std::hypot},
      {"min", [](double a, double b) { return a != a || b != b ? a + b : std::fmin(a, b); }},
      {"max", [](double a, double b) { return a != a || b != b ? a + b : std::fmax(a, b); }}};
  const double points[] = {0.0, 1.0, -1.0, 0.5, -2.5, 710.0, 1e308, -1e308, kInf, -kInf, kNaN};
  const double z = 1.0;
  auto check = [&](std::string text, double x, double y, double expected) {
    for (std::size_t k = 0; k < text.size(); k += 2)  // in mixed case
      text[k] = static_cast<char>(std::toupper(text[k]));
    SCOPED_TRACE(testing::Message() << text << " at " << x << ", " << y);
    CFormula formula = CompileFormula(text);
    const double value = EvaluateFormula(&formula, &x, &y, &z);
    EXPECT_EQ(CheckFormula(text), FormulaCheck::Ok);
    EXPECT_TRUE(std::isnan(expected) ? std::isnan(value) : Bits(value) == Bits(expected));
  };
  for (const auto& [name, f] : ones)
    for (double x : points) check(name + std::string("(x)"), x, 0, f(x));
  for (const auto& [name, f] : twos)
    for (double x : points)
      for (double y : points) check(name + std::string("(x,y)"), x, y, f(x, y));
}

// Texts nobody types but a file or a paste can bring get their answer from the
// check (above); what passes evaluates, without deep recursion, huge memory or
// a crash.
TEST(FormulaCheckTest, HostileTextsGetAnAnswer) {
  CFormula formula = CompileFormula(kNested);
  const double x = 3.0, y = 0.0, zeroByZero = 1.0;
  EXPECT_EQ(EvaluateFormula(&formula, &x, &y, &zeroByZero), 3.0);
  // Every single byte: a digit or a variable passes, anything else is refused.
  for (int byte = 0; byte < 256; ++byte) {
    const char c = static_cast<char>(byte);
    const bool passes = (c >= '0' && c <= '9') || c == 'x' || c == 'X' || c == 'y' || c == 'Y' ||
                        c == 'e' || c == 'E';
    const bool blank = c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    const FormulaCheck result = CheckFormula(std::string(1, c));
    EXPECT_EQ(result == FormulaCheck::Ok, passes) << byte;
    EXPECT_TRUE(passes || blank || result != FormulaCheck::Empty) << byte;
  }
}

// Where a note points (position and length, 1-based like a fault's).
TEST(FormulaNotes, SignBeforePowerAndChainedPower) {
  const char* const sign = FORMULA_NOTE_SIGN_BEFORE_POWER;
  const char* const chain = FORMULA_NOTE_CHAINED_POWER;
  using Notes = std::vector<std::tuple<const char*, std::size_t, std::size_t>>;
  const std::pair<std::string, Notes> cases[] = {
      {"-x^2", {{sign, 1, 4}}},
      {"2^3^4", {{chain, 1, 5}}},
      {"-x^2^3", {{sign, 1, 4}, {chain, 1, 6}}},
      {"x*+-SIN(y)^-2", {{sign, 4, 10}}},
      {"min(-a^2, 2^(y)^x)", {{sign, 5, 4}, {chain, 11, 7}}},
      {"2^-3^4", {{chain, 1, 6}}},  // -3 is an exponent: no (-3)^4 here
      {"(-x)^2", {}},
      {"2-x^2", {}},
      {"--x^2", {}},  // two minus signs: the same either way
      {"(2^3)^4", {}},
      {"-x^", {}},  // refused: no notes
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    Notes got;
    for (const FormulaNote& n : FormulaNotes(text, std::vector<std::string>{"a"}))
      got.emplace_back(n.text, n.position, n.length);
    EXPECT_EQ(got, expected);
  }
}

TEST(FormulaProgram, ThreadsShareOneProgram) {
  const std::string text = "X/Y+SQRT(X)*LOG(Y)^-X+" + std::string(kDefaultFormula);
  ASSERT_EQ(CheckFormula(text), FormulaCheck::Ok);
  const CFormula formula = CompileFormula(text);
  auto sweep = [&formula](double z) {
    FormulaProgram::Scratch scratch;
    std::vector<std::uint64_t> out;
    for (int repeat = 0; repeat < 20; ++repeat)
      for (int i = -20; i <= 20; ++i)
        for (int j = -20; j <= 20; ++j)
          out.push_back(Bits(formula.Program().Run(i * 0.25, j * 0.25, {}, z, scratch)));
    return out;
  };
  const double zeroByZeros[] = {-1.0, 0.0, 1.0, 0.25};
  std::vector<std::uint64_t> got[4];
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) threads.emplace_back([&, t] { got[t] = sweep(zeroByZeros[t]); });
  for (std::thread& thread : threads) thread.join();
  for (int t = 0; t < 4; ++t) EXPECT_EQ(got[t], sweep(zeroByZeros[t])) << "thread " << t;
}

}  // namespace
