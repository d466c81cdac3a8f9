#include "core/FormulaProgram.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <map>
#include <tuple>
#include <unordered_map>

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
      m_result(REG_FIRST_PARAMETER),
      m_registerCount(REG_FIRST_PARAMETER + 1),
      m_status(status) {}

FormulaProgram FormulaProgram::Compile(const std::vector<std::string>& postfix,
                                       std::span<const std::string> parameterNames) {
  FormulaProgram program(FormulaStatus::Ok);
  program.m_constants.clear();
  program.m_parameterCount = static_cast<std::uint32_t>(parameterNames.size());

  // Constants and instructions are numbered apart while the code is built
  // (operands carry a flag saying which) and get their registers at the end,
  // constants first.
  // Equal constants share a register; found by their bits in a hash map, so
  // a formula of many numbers compiles in time linear in its length.
  std::unordered_map<std::uint64_t, std::uint32_t> constantIndex;
  auto constantOperand = [&program, &constantIndex](double value) {
    const auto [at, added] =
        constantIndex.emplace(std::bit_cast<std::uint64_t>(value),
                              static_cast<std::uint32_t>(program.m_constants.size()));
    if (added) program.m_constants.push_back(value);
    return at->second | CONSTANT_FLAG;
  };

  // The value stack of the string-walking evaluator, holding operands instead
  // of values. Instruction k writes operand k | INSTR_FLAG until renumbered.
  std::vector<std::uint32_t> stack;
  for (const std::string& token : postfix) {
    const FormulaOp& row = FindRow(token);
    // A name on the list is the parameter even where the language has since
    // taken the word (an older set's "E" or "min"); the list holds no word
    // the language had when parameters came.
    if (const auto name = std::find(parameterNames.begin(), parameterNames.end(), token);
        name != parameterNames.end()) {
      stack.push_back(REG_FIRST_PARAMETER +
                      static_cast<std::uint32_t>(name - parameterNames.begin()));
    } else if (row.priority >= 1 && row.priority <= 5) {
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
    } else if (token == "E") {
      stack.push_back(constantOperand(FORMULA_E));
    } else {
      stack.push_back(constantOperand(FormulaNumberValue(token)));
    }
  }
  if (stack.empty()) return FormulaProgram(FormulaStatus::Empty);

  const std::uint32_t firstConstant = program.FirstConstantRegister();
  const auto firstInstr = firstConstant + static_cast<std::uint32_t>(program.m_constants.size());
  auto resolve = [firstConstant, firstInstr](std::uint32_t operand) {
    if (operand & CONSTANT_FLAG) return firstConstant + (operand & ~CONSTANT_FLAG);
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

double FormulaProgram::Run(double x, double y, std::span<const double> parameters,
                           double zeroByZero, Scratch& scratch) const {
  if (scratch.m_regs.size() < m_registerCount) scratch.m_regs.resize(m_registerCount);
  double* const reg = scratch.m_regs.data();
  reg[REG_X] = x;
  reg[REG_Y] = y;
  const std::size_t given = std::min<std::size_t>(parameters.size(), m_parameterCount);
  std::copy_n(parameters.begin(), given, reg + REG_FIRST_PARAMETER);
  std::fill(reg + REG_FIRST_PARAMETER + given, reg + FirstConstantRegister(), 0.0);
  std::copy(m_constants.begin(), m_constants.end(), reg + FirstConstantRegister());

  for (const FormulaInstr& instr : m_code) {
    reg[instr.dst] = FormulaApply(instr.op, reg[instr.a], reg[instr.b], zeroByZero);
  }
  return reg[m_result];
}
