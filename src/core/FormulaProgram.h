// The compiled form of a postfix list: a flat register program that evaluates
// the formula with no string work, no number conversion and no allocation.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The value of "PI": the double nearest 3.141592654, not full-precision pi.
constexpr double FORMULA_PI = 3.141592654;
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
};

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

// Register layout: 0 holds x, 1 holds y, 2.. the constants in Constants()
// order, and every instruction writes a register of its own after those
// (single assignment), so each register is one node of the expression DAG.
// The program is immutable after Compile and may be run from several threads
// at once, each with its own Scratch.
class FormulaProgram {
 public:
  static constexpr std::uint32_t REG_X = 0;
  static constexpr std::uint32_t REG_Y = 1;
  static constexpr std::uint32_t REG_FIRST_CONSTANT = 2;

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
  // string-walking evaluator does: the first vocabulary row with that name,
  // "X", "Y", "PI", and any other operand as the number it starts with (0.0
  // when none, which is what a stray bracket reads as).
  static FormulaProgram Compile(const std::vector<std::string>& postfix);

  FormulaStatus Status() const { return m_status; }
  bool Succeeds() const { return m_status == FormulaStatus::Ok; }

  // The value at (x, y) with the given value for 0/0. When Succeeds() is
  // false the value is still defined: see FormulaStatus.
  double Run(double x, double y, double zeroByZero, Scratch& scratch) const;

  const std::vector<double>& Constants() const { return m_constants; }
  const std::vector<FormulaInstr>& Code() const { return m_code; }
  std::uint32_t ResultRegister() const { return m_result; }
  std::uint32_t RegisterCount() const { return m_registerCount; }

 private:
  // A program without code whose result is the constant 0.0.
  explicit FormulaProgram(FormulaStatus status);

  std::vector<double> m_constants;
  std::vector<FormulaInstr> m_code;
  std::uint32_t m_result;
  std::uint32_t m_registerCount;
  FormulaStatus m_status;
};
