#include "core/FormulaProgram.h"

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
    reg[instr.dst] = FormulaApply(instr.op, reg[instr.a], reg[instr.b], zeroByZero);
  }
  return reg[m_result];
}

FormulaProgram FormulaProgram::Optimized() const { return Optimize(nullptr); }

FormulaProgram FormulaProgram::Optimized(double zeroByZero) const { return Optimize(&zeroByZero); }

FormulaProgram FormulaProgram::Optimize(const double* zeroByZero) const {
  // Values are named as Compile names its operands while it builds: x, y,
  // constant k | CONSTANT_FLAG, instruction k | INSTR_FLAG. Constants are told
  // apart by bit pattern, so a folded value meets its twin among the literals
  // and -0.0 stays apart from 0.0.
  constexpr std::uint32_t CONSTANT_FLAG = 0x80000000u;
  constexpr std::uint32_t INSTR_FLAG = 0x40000000u;
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
  for (std::size_t i = 0; i < m_constants.size(); ++i) {
    value[REG_FIRST_CONSTANT + i] = constantOperand(m_constants[i]);
  }
  std::vector<FormulaInstr> code;
  std::map<std::tuple<FormulaOpcode, std::uint32_t, std::uint32_t>, std::uint32_t> computed;
  for (const FormulaInstr& instr : m_code) {
    const std::uint32_t a = value[instr.a];
    const std::uint32_t b = value[instr.b];
    if ((a & CONSTANT_FLAG) && (b & CONSTANT_FLAG)) {
      const double va = constants[a & ~CONSTANT_FLAG];
      const double vb = constants[b & ~CONSTANT_FLAG];
      // 0/0 is the one result that is not a function of the operands alone.
      const bool zeroOverZero =
          instr.op == FormulaOpcode::Div && (vb == 0.0 || vb != vb) && (va == 0.0 || va != va);
      if (zeroByZero != nullptr || !zeroOverZero) {
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
  std::vector<std::uint32_t> constantRegister(constants.size());
  for (std::size_t k = 0; k < constants.size(); ++k) {
    if (!liveConstant[k]) continue;
    constantRegister[k] =
        REG_FIRST_CONSTANT + static_cast<std::uint32_t>(program.m_constants.size());
    program.m_constants.push_back(constants[k]);
  }
  const auto firstInstr =
      REG_FIRST_CONSTANT + static_cast<std::uint32_t>(program.m_constants.size());
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
