#include "core/FormulaProgram.h"

#include <cmath>
#include <cstring>

#include "core/Formula.h"

namespace {

const FormulaOp& FindRow(const std::string& token) {
  int i = 0;
  while (g_formulaOps[i].name[0] != '\0' && token != g_formulaOps[i].name) ++i;
  return g_formulaOps[i];
}

}  // namespace

FormulaProgram::FormulaProgram() : FormulaProgram(FormulaStatus::Empty) {}

FormulaProgram::FormulaProgram(FormulaStatus status)
    : m_constants{0.0},
      m_result(REG_FIRST_CONSTANT),
      m_registerCount(REG_FIRST_CONSTANT + 1),
      m_status(status) {}

FormulaProgram FormulaProgram::Compile(const std::vector<std::string>& postfix) {
  FormulaProgram program(FormulaStatus::Ok);
  program.m_constants.clear();

  // Constants and instructions are numbered apart while the code is built
  // (operands carry a flag saying which) and get their registers at the end,
  // constants first.
  constexpr std::uint32_t CONSTANT_FLAG = 0x80000000u;
  auto constantOperand = [&program](double value) {
    for (std::size_t i = 0; i < program.m_constants.size(); ++i) {
      if (std::memcmp(&program.m_constants[i], &value, sizeof value) == 0) {
        return static_cast<std::uint32_t>(i) | CONSTANT_FLAG;
      }
    }
    program.m_constants.push_back(value);
    return static_cast<std::uint32_t>(program.m_constants.size() - 1) | CONSTANT_FLAG;
  };

  // The value stack of the string-walking evaluator, holding operands instead
  // of values. Instruction k writes operand k | INSTR_FLAG until renumbered.
  constexpr std::uint32_t INSTR_FLAG = 0x40000000u;
  std::vector<std::uint32_t> stack;
  for (const std::string& token : postfix) {
    const FormulaOp& row = FindRow(token);
    if (row.priority >= 1 && row.priority <= 5) {
      if (stack.empty()) return FormulaProgram(FormulaStatus::MissingOperand);
      const std::uint32_t right = stack.back();
      stack.pop_back();
      std::uint32_t left = right;
      if (row.arguments > 1) {
        if (stack.empty()) return FormulaProgram(FormulaStatus::MissingOperand);
        left = stack.back();
        stack.pop_back();
      }
      const auto dst = static_cast<std::uint32_t>(program.m_code.size()) | INSTR_FLAG;
      program.m_code.push_back({row.opcode, dst, left, right});
      stack.push_back(dst);
    } else if (token == "X") {
      stack.push_back(REG_X);
    } else if (token == "Y") {
      stack.push_back(REG_Y);
    } else if (token == "PI") {
      stack.push_back(constantOperand(FORMULA_PI));
    } else {
      stack.push_back(constantOperand(FormulaNumberValue(token)));
    }
  }
  if (stack.empty()) return FormulaProgram(FormulaStatus::Empty);

  const auto firstInstr =
      REG_FIRST_CONSTANT + static_cast<std::uint32_t>(program.m_constants.size());
  auto resolve = [firstInstr](std::uint32_t operand) {
    if (operand & CONSTANT_FLAG) return REG_FIRST_CONSTANT + (operand & ~CONSTANT_FLAG);
    if (operand & INSTR_FLAG) return firstInstr + (operand & ~INSTR_FLAG);
    return operand;
  };
  for (FormulaInstr& instr : program.m_code) {
    instr.dst = resolve(instr.dst);
    instr.a = resolve(instr.a);
    instr.b = resolve(instr.b);
  }
  program.m_result = resolve(stack.back());
  program.m_registerCount = firstInstr + static_cast<std::uint32_t>(program.m_code.size());
  program.m_status = stack.size() == 1 ? FormulaStatus::Ok : FormulaStatus::ExtraValues;
  return program;
}

double FormulaProgram::Run(double x, double y, double zeroByZero, Scratch& scratch) const {
  if (scratch.m_regs.size() < m_registerCount) scratch.m_regs.resize(m_registerCount);
  double* const reg = scratch.m_regs.data();
  reg[REG_X] = x;
  reg[REG_Y] = y;
  const std::size_t constantCount = m_constants.size();
  for (std::size_t i = 0; i < constantCount; ++i) reg[REG_FIRST_CONSTANT + i] = m_constants[i];

  for (const FormulaInstr& instr : m_code) {
    const double a = reg[instr.a];
    const double b = reg[instr.b];
    double& out = reg[instr.dst];
    switch (instr.op) {
      case FormulaOpcode::Add:
        out = a + b;
        break;
      case FormulaOpcode::Sub:
        out = a - b;
        break;
      case FormulaOpcode::Mul:
        out = a * b;
        break;
      case FormulaOpcode::Div:
        out = GuardedDivide(a, b, zeroByZero);
        break;
      case FormulaOpcode::Pow:
        out = std::pow(a, b);
        break;
      case FormulaOpcode::Sin:
        out = std::sin(b);
        break;
      case FormulaOpcode::Cos:
        out = std::cos(b);
        break;
      case FormulaOpcode::Tan:
        out = std::tan(b);
        break;
      case FormulaOpcode::Asin:
        out = std::asin(b);
        break;
      case FormulaOpcode::Acos:
        out = std::acos(b);
        break;
      case FormulaOpcode::Atan:
        out = std::atan(b);
        break;
      case FormulaOpcode::Exp:
        out = std::exp(b);
        break;
      case FormulaOpcode::Log:
        out = std::log(b);
        break;
      case FormulaOpcode::Log10:
        out = std::log10(b);
        break;
      case FormulaOpcode::Sqrt:
        out = std::sqrt(b);
        break;
    }
  }
  return reg[m_result];
}
