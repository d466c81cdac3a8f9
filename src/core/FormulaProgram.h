// The compiled form of a postfix list: a flat register program that evaluates
// the formula with no string work, no number conversion and no allocation.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>
#include <span>
#include <string>
#include <type_traits>
#include <vector>

// The value of "PI": the double nearest 3.141592654, not full-precision pi.
constexpr double FORMULA_PI = 3.141592654;
// The value of "E": Euler's number to full precision (PI's ten digits were
// the language's from the start; E came later and need not copy them).
constexpr double FORMULA_E = std::numbers::e;
// What a non-zero number divided by zero gives (with the dividend's sign).
constexpr double FORMULA_DIV_LIMIT = 1.7976931348623157e308;

// Division with the zero tests counting NaN as zero (an unordered comparison
// counts as equal): a NaN divisor is a division by zero, and a NaN dividend
// over a zero or NaN divisor gives the 0/0 value.
inline double GuardedDivide(double a, double b, double zeroByZero) {
  if (!(b == 0.0 || b != b)) return a / b;
  if (a == 0.0 || a != a) return zeroByZero;
  return a > 0.0 ? FORMULA_DIV_LIMIT : -FORMULA_DIV_LIMIT;
}

enum class FormulaOpcode : std::uint8_t {
  Add,
  Sub,
  Mul,  // both "*" and the "**" of the unary-minus rewrite
  Div,  // GuardedDivide
  Pow,
  Sin,
  Cos,
  Tan,
  Asin,
  Acos,
  Atan,
  Exp,
  Log,
  Log10,
  Sqrt,
  Abs,
  Sign,
  Floor,
  Ceil,
  Round,
  Sinh,
  Cosh,
  Tanh,
  Asinh,
  Acosh,
  Atanh,
  Cbrt,
  Min,
  Max,
  Mod,
  Atan2,
  Hypot,
};

// A NaN result carries the payload of the first NaN operand, left before
// right, as the processor's add and multiply give it; but the compiler may swap
// the operands of + and *, so the left NaN is passed on explicitly (a + a is a
// itself, quieted).
inline double FormulaAdd(double a, double b) { return a != a ? a + a : a + b; }
inline double FormulaMul(double a, double b) { return a != a ? a + a : a * b; }

// -1, 0 or 1 by the sign of b; a zero keeps its sign and a NaN stays itself.
inline double FormulaSign(double b) { return b > 0.0 ? 1.0 : b < 0.0 ? -1.0 : b; }

// A NaN argument makes the result NaN (the left one first, as for + and *):
// a point where either argument is undefined is a hole in the picture, not
// the other argument's value. Of two zeros min takes -0 and max +0, whatever
// their order.
inline double FormulaMin(double a, double b) {
  if (a != a) return a + a;
  if (b != b) return b + b;
  if (a == b) return std::signbit(a) ? a : b;
  return a < b ? a : b;
}
inline double FormulaMax(double a, double b) {
  if (a != a) return a + a;
  if (b != b) return b + b;
  if (a == b) return std::signbit(a) ? b : a;
  return a > b ? a : b;
}

// a - b*floor(a/b), the remainder with the sign of b, computed exactly: fmod
// is exact, and b is added when its sign and the remainder's differ (a zero
// remainder takes b's sign). A zero or NaN b is a division by zero, as in
// GuardedDivide: a/0 is the largest finite double, a whole number, so
// nothing is taken away and mod(a, 0) is a; 0/0 gives the 0/0 value, and so
// does mod(0, 0) (a NaN a counting as zero too).
inline double FormulaMod(double a, double b, double zeroByZero) {
  if (b == 0.0 || b != b) return a == 0.0 || a != a ? zeroByZero : a;
  const double r = std::fmod(a, b);
  if (r == 0.0) return std::copysign(0.0, b);
  return std::signbit(r) != std::signbit(b) ? r + b : r;
}

// The one place an opcode's arithmetic is spelled out: the program's run, the
// folding of constant subexpressions and the grid sampler's batches all come
// here, so a value computed ahead of time has the bits it would have had at
// run time. a is the left operand, b the right one; a one-argument function
// works on b.
template <FormulaOpcode op>
inline double FormulaApplyOp(double a, double b, double zeroByZero) {
  using enum FormulaOpcode;
  if constexpr (op == Add) return FormulaAdd(a, b);
  if constexpr (op == Sub) return a - b;
  if constexpr (op == Mul) return FormulaMul(a, b);
  if constexpr (op == Div) return GuardedDivide(a, b, zeroByZero);
  if constexpr (op == Pow) return std::pow(a, b);
  if constexpr (op == Sin) return std::sin(b);
  if constexpr (op == Cos) return std::cos(b);
  if constexpr (op == Tan) return std::tan(b);
  if constexpr (op == Asin) return std::asin(b);
  if constexpr (op == Acos) return std::acos(b);
  if constexpr (op == Atan) return std::atan(b);
  if constexpr (op == Exp) return std::exp(b);
  if constexpr (op == Log) return std::log(b);
  if constexpr (op == Log10) return std::log10(b);
  if constexpr (op == Sqrt) return std::sqrt(b);
  if constexpr (op == Abs) return std::fabs(b);
  if constexpr (op == Sign) return FormulaSign(b);
  if constexpr (op == Floor) return std::floor(b);
  if constexpr (op == Ceil) return std::ceil(b);
  if constexpr (op == Round) return std::round(b);
  if constexpr (op == Sinh) return std::sinh(b);
  if constexpr (op == Cosh) return std::cosh(b);
  if constexpr (op == Tanh) return std::tanh(b);
  if constexpr (op == Asinh) return std::asinh(b);
  if constexpr (op == Acosh) return std::acosh(b);
  if constexpr (op == Atanh) return std::atanh(b);
  if constexpr (op == Cbrt) return std::cbrt(b);
  if constexpr (op == Min) return FormulaMin(a, b);
  if constexpr (op == Max) return FormulaMax(a, b);
  if constexpr (op == Mod) return FormulaMod(a, b, zeroByZero);
  if constexpr (op == Atan2) return std::atan2(a, b);
  if constexpr (op == Hypot) return std::hypot(a, b);
}

// Whether op's value at these operands is the 0/0 value rather than a function
// of the operands alone: 0/0 and mod(0, 0), NaN counting as zero.
inline bool FormulaUsesZeroByZero(FormulaOpcode op, double a, double b) {
  const bool zeroOverZero = (a == 0.0 || a != a) && (b == 0.0 || b != b);
  return zeroOverZero && (op == FormulaOpcode::Div || op == FormulaOpcode::Mod);
}

// Calls f with std::integral_constant<FormulaOpcode, op> for the opcode op:
// the one switch over the opcodes, so a loop can be made per opcode with the
// operation known at compile time.
template <typename F>
decltype(auto) DispatchFormulaOpcode(FormulaOpcode op, F&& f) {
  using enum FormulaOpcode;
  switch (op) {
#define ORVEX_OPCODE_CASE(name) \
  case name:                    \
    return f(std::integral_constant<FormulaOpcode, name>{});
    ORVEX_OPCODE_CASE(Add)
    ORVEX_OPCODE_CASE(Sub)
    ORVEX_OPCODE_CASE(Mul)
    ORVEX_OPCODE_CASE(Div)
    ORVEX_OPCODE_CASE(Pow)
    ORVEX_OPCODE_CASE(Sin)
    ORVEX_OPCODE_CASE(Cos)
    ORVEX_OPCODE_CASE(Tan)
    ORVEX_OPCODE_CASE(Asin)
    ORVEX_OPCODE_CASE(Acos)
    ORVEX_OPCODE_CASE(Atan)
    ORVEX_OPCODE_CASE(Exp)
    ORVEX_OPCODE_CASE(Log)
    ORVEX_OPCODE_CASE(Log10)
    ORVEX_OPCODE_CASE(Sqrt)
    ORVEX_OPCODE_CASE(Abs)
    ORVEX_OPCODE_CASE(Sign)
    ORVEX_OPCODE_CASE(Floor)
    ORVEX_OPCODE_CASE(Ceil)
    ORVEX_OPCODE_CASE(Round)
    ORVEX_OPCODE_CASE(Sinh)
    ORVEX_OPCODE_CASE(Cosh)
    ORVEX_OPCODE_CASE(Tanh)
    ORVEX_OPCODE_CASE(Asinh)
    ORVEX_OPCODE_CASE(Acosh)
    ORVEX_OPCODE_CASE(Atanh)
    ORVEX_OPCODE_CASE(Cbrt)
    ORVEX_OPCODE_CASE(Min)
    ORVEX_OPCODE_CASE(Max)
    ORVEX_OPCODE_CASE(Mod)
    ORVEX_OPCODE_CASE(Atan2)
    ORVEX_OPCODE_CASE(Hypot)
#undef ORVEX_OPCODE_CASE
  }
  // Every opcode has its case; a value outside the enumeration is a fault.
  std::abort();
}

inline double FormulaApply(FormulaOpcode op, double a, double b, double zeroByZero) {
  return DispatchFormulaOpcode(
      op, [&](auto opcode) { return FormulaApplyOp<decltype(opcode)::value>(a, b, zeroByZero); });
}

// Which of x and y a register's value depends on (a bit set). A parameter is
// the same at every point, so it depends on neither.
enum class FormulaDependence : std::uint8_t { None = 0, X = 1, Y = 2, XY = 3 };

// One instruction: reg[dst] = op(reg[a], reg[b]). a is the left operand and b
// the right one; a one-argument function works on b and has a == b, so that
// a's and b's registers are always the true inputs of the instruction.
struct FormulaInstr {
  FormulaOpcode op;
  std::uint32_t dst;
  std::uint32_t a;
  std::uint32_t b;
};

// How evaluating the postfix list ends. It depends only on the list, never on
// the point or the values met, so it is settled when the list is compiled.
enum class FormulaStatus {
  Ok,              // exactly one value
  Empty,           // no value: the result is 0.0
  MissingOperand,  // an operator found too few values: the result is 0.0
  ExtraValues,     // values left over: the result is the one on top
};

// Register layout: 0 holds x, 1 holds y, 2.. the parameters in the order of
// the names the program was compiled with, then the constants in Constants()
// order, and every instruction writes a register of its own after those
// (single assignment), so each register is one node of the expression DAG.
// The program is immutable after Compile and may be run from several threads
// at once, each with its own Scratch.
class FormulaProgram {
 public:
  static constexpr std::uint32_t REG_X = 0;
  static constexpr std::uint32_t REG_Y = 1;
  static constexpr std::uint32_t REG_FIRST_PARAMETER = 2;

  // The caller's register file. It grows to the program's size on first use
  // and is then reused without allocation.
  class Scratch {
   public:
    friend class FormulaProgram;

   private:
    std::vector<double> m_regs;
  };

  // The program of an empty postfix list.
  FormulaProgram();

  // Compiles a postfix list of token strings, reading each token as the
  // string-walking evaluator does: the first of parameterNames equal to it
  // (upper case, as the tokens are), the first vocabulary row with that name,
  // "X", "Y", "PI", "E", and any other operand as the number it starts with
  // (0.0 when none, which is what a stray bracket or comma reads as). Every
  // name gets a parameter register, used or not, so that values go in in the
  // list's order.
  static FormulaProgram Compile(const std::vector<std::string>& postfix,
                                std::span<const std::string> parameterNames = {});

  FormulaStatus Status() const { return m_status; }
  bool Succeeds() const { return m_status == FormulaStatus::Ok; }

  // The value at (x, y) with these parameter values and this value for 0/0;
  // parameters past the end of the span read as 0.0. When Succeeds() is false
  // the value is still defined: see FormulaStatus.
  double Run(double x, double y, std::span<const double> parameters, double zeroByZero,
             Scratch& scratch) const;

  // The same function, cheaper to run: each (opcode, operands) pair is
  // computed once, instructions whose operands are all constants are computed
  // here (by FormulaApply, so with the bits they would have had), and what the
  // result does not need is dropped. Every remaining operation sees the
  // operands it saw before, so Run gives bit for bit the same values. Without
  // a 0/0 value, divisions and mods whose result would be that value (see
  // FormulaUsesZeroByZero) stay in the code
  // and the program holds for every value; with one, they are folded too and
  // the program may only be run with that value. Parameters stay inputs
  // unless their values are given too: then they fold as the same numbers
  // written into the formula would, and the program has none left.
  FormulaProgram Optimized() const;
  FormulaProgram Optimized(double zeroByZero) const;
  FormulaProgram Optimized(double zeroByZero, std::span<const double> parameters) const;

  // For every register, which of x and y its value depends on.
  std::vector<FormulaDependence> Dependences() const;

  const std::vector<double>& Constants() const { return m_constants; }
  const std::vector<FormulaInstr>& Code() const { return m_code; }
  std::uint32_t ResultRegister() const { return m_result; }
  std::uint32_t RegisterCount() const { return m_registerCount; }
  std::uint32_t ParameterCount() const { return m_parameterCount; }
  std::uint32_t FirstConstantRegister() const { return REG_FIRST_PARAMETER + m_parameterCount; }

 private:
  // A program without code whose result is the constant 0.0.
  explicit FormulaProgram(FormulaStatus status);
  // parameters null: they stay inputs.
  FormulaProgram Optimize(const double* zeroByZero,
                          const std::span<const double>* parameters) const;

  // While the compiler and the optimiser build code, an operand names a
  // value before registers are numbered: x and y by their registers, constant
  // k as k | CONSTANT_FLAG, the result of instruction k as k | INSTR_FLAG.
  static constexpr std::uint32_t CONSTANT_FLAG = 0x80000000u;
  static constexpr std::uint32_t INSTR_FLAG = 0x40000000u;

  std::vector<double> m_constants;
  std::vector<FormulaInstr> m_code;
  std::uint32_t m_result;
  std::uint32_t m_registerCount;
  std::uint32_t m_parameterCount = 0;
  FormulaStatus m_status;
};
