// The optimiser: folds what is constant, merges what is computed twice and
// drops what the result does not need, keeping every value's bits.
#include <cstring>
#include <map>
#include <tuple>

#include "core/FormulaProgram.h"

FormulaProgram FormulaProgram::Optimized() const { return Optimize(nullptr, nullptr); }

FormulaProgram FormulaProgram::Optimized(double zeroByZero) const {
  return Optimize(&zeroByZero, nullptr);
}

FormulaProgram FormulaProgram::Optimized(double zeroByZero,
                                         std::span<const double> parameters) const {
  return Optimize(&zeroByZero, &parameters);
}

FormulaProgram FormulaProgram::Optimize(const double* zeroByZero,
                                        const std::span<const double>* parameters) const {
  // Values are named as Compile names its operands while it builds: x, y and
  // the parameters by their registers, constant k | CONSTANT_FLAG, instruction
  // k | INSTR_FLAG. Constants are told apart by bit pattern, so a folded value
  // meets its twin among the literals and -0.0 stays apart from 0.0. A
  // parameter with its value given is a constant like any literal.
  std::vector<double> constants;
  std::map<std::uint64_t, std::uint32_t> constantIndex;
  auto constantOperand = [&](double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const auto [it, added] =
        constantIndex.emplace(bits, static_cast<std::uint32_t>(constants.size()));
    if (added) constants.push_back(value);
    return it->second | CONSTANT_FLAG;
  };

  std::vector<std::uint32_t> value(m_registerCount);
  value[REG_X] = REG_X;
  value[REG_Y] = REG_Y;
  for (std::uint32_t k = 0; k < m_parameterCount; ++k) {
    const std::uint32_t reg = REG_FIRST_PARAMETER + k;
    if (parameters == nullptr) {
      value[reg] = reg;
    } else {
      value[reg] = constantOperand(k < parameters->size() ? (*parameters)[k] : 0.0);
    }
  }
  for (std::size_t i = 0; i < m_constants.size(); ++i) {
    value[FirstConstantRegister() + i] = constantOperand(m_constants[i]);
  }
  std::vector<FormulaInstr> code;
  std::map<std::tuple<FormulaOpcode, std::uint32_t, std::uint32_t>, std::uint32_t> computed;
  for (const FormulaInstr& instr : m_code) {
    const std::uint32_t a = value[instr.a];
    const std::uint32_t b = value[instr.b];
    if ((a & CONSTANT_FLAG) && (b & CONSTANT_FLAG)) {
      const double va = constants[a & ~CONSTANT_FLAG];
      const double vb = constants[b & ~CONSTANT_FLAG];
      if (zeroByZero != nullptr || !FormulaUsesZeroByZero(instr.op, va, vb)) {
        value[instr.dst] =
            constantOperand(FormulaApply(instr.op, va, vb, zeroByZero ? *zeroByZero : 0.0));
        continue;
      }
    }
    // No operands are swapped: a + b and b + a differ when both are NaNs.
    const auto [it, added] = computed.emplace(std::make_tuple(instr.op, a, b),
                                              static_cast<std::uint32_t>(code.size()) | INSTR_FLAG);
    if (added) code.push_back({instr.op, it->second, a, b});
    value[instr.dst] = it->second;
  }
  const std::uint32_t result = value[m_result];

  // Keep what the result needs; the code is in dependency order, so one
  // backward walk marks it.
  std::vector<bool> liveCode(code.size(), false);
  std::vector<bool> liveConstant(constants.size(), false);
  auto markLive = [&](std::uint32_t operand) {
    if (operand & CONSTANT_FLAG) liveConstant[operand & ~CONSTANT_FLAG] = true;
    if (operand & INSTR_FLAG) liveCode[operand & ~INSTR_FLAG] = true;
  };
  markLive(result);
  for (std::size_t k = code.size(); k-- > 0;) {
    if (!liveCode[k]) continue;
    markLive(code[k].a);
    markLive(code[k].b);
  }

  FormulaProgram program(m_status);
  program.m_constants.clear();
  program.m_parameterCount = parameters == nullptr ? m_parameterCount : 0;
  const std::uint32_t firstConstant = program.FirstConstantRegister();
  std::vector<std::uint32_t> constantRegister(constants.size());
  for (std::size_t k = 0; k < constants.size(); ++k) {
    if (!liveConstant[k]) continue;
    constantRegister[k] = firstConstant + static_cast<std::uint32_t>(program.m_constants.size());
    program.m_constants.push_back(constants[k]);
  }
  const auto firstInstr = firstConstant + static_cast<std::uint32_t>(program.m_constants.size());
  std::vector<std::uint32_t> instrRegister(code.size());
  std::uint32_t next = firstInstr;
  for (std::size_t k = 0; k < code.size(); ++k) {
    if (liveCode[k]) instrRegister[k] = next++;
  }
  auto resolve = [&](std::uint32_t operand) {
    if (operand & CONSTANT_FLAG) return constantRegister[operand & ~CONSTANT_FLAG];
    if (operand & INSTR_FLAG) return instrRegister[operand & ~INSTR_FLAG];
    return operand;
  };
  for (std::size_t k = 0; k < code.size(); ++k) {
    if (!liveCode[k]) continue;
    program.m_code.push_back(
        {code[k].op, instrRegister[k], resolve(code[k].a), resolve(code[k].b)});
  }
  program.m_result = resolve(result);
  program.m_registerCount = next;
  return program;
}

std::vector<FormulaDependence> FormulaProgram::Dependences() const {
  std::vector<FormulaDependence> dependence(m_registerCount, FormulaDependence::None);
  dependence[REG_X] = FormulaDependence::X;
  dependence[REG_Y] = FormulaDependence::Y;
  for (const FormulaInstr& instr : m_code) {
    dependence[instr.dst] =
        static_cast<FormulaDependence>(static_cast<std::uint8_t>(dependence[instr.a]) |
                                       static_cast<std::uint8_t>(dependence[instr.b]));
  }
  return dependence;
}
