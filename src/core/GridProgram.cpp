#include "core/GridProgram.h"

#include <algorithm>
#include <cmath>

namespace {

// Where an operand of a part lives until the registers are numbered: the
// number of registers of each kind is known only when all code is split.
enum class Kind : std::uint8_t { Variable, XValue, YValue, Constant, Node };
struct Operand {
  Kind kind;
  std::uint32_t index;
};
struct PendingInstr {
  FormulaOpcode op;
  Operand a, b;
};

// Keeps each program register's index in a list of the part that uses it.
class IndexOf {
 public:
  explicit IndexOf(std::size_t registers) : m_index(registers, NONE) {}
  std::uint32_t Get(std::uint32_t reg, std::vector<std::uint32_t>& list) {
    if (m_index[reg] == NONE) {
      m_index[reg] = static_cast<std::uint32_t>(list.size());
      list.push_back(reg);
    }
    return m_index[reg];
  }

 private:
  static constexpr std::uint32_t NONE = 0xFFFFFFFFu;
  std::vector<std::uint32_t> m_index;
};

// out[p] = f(a[p], b[p]) over a batch. The output never overlaps an input
// (every register has a buffer of its own), which lets the compiler keep the
// loop tight.
template <typename F>
void Map(std::size_t n, const double* a, const double* b, double* __restrict out, F f) {
  for (std::size_t p = 0; p < n; ++p) out[p] = f(a[p], b[p]);
}

}  // namespace

GridProgram::GridProgram() : m_pointConstants{0.0}, m_pointRegisterCount(1), m_result(0) {}

GridProgram GridProgram::Build(const FormulaProgram& source, double zeroByZero,
                               std::span<const double> parameters) {
  // With the 0/0 value and the parameters fixed every constant subexpression
  // folds, so each remaining instruction depends on x, on y, or on both, and
  // every register that depends on neither is a constant.
  const FormulaProgram program = source.Optimized(zeroByZero, parameters);
  const std::uint32_t firstConstant = program.FirstConstantRegister();
  const std::vector<FormulaDependence> dependence = program.Dependences();
  const std::size_t registers = program.RegisterCount();

  GridProgram grid;
  grid.m_zeroByZero = zeroByZero;
  grid.m_pointConstants.clear();

  // Per part: constants and exports as lists of program registers, the code
  // with pending operands.
  struct Building {
    std::vector<std::uint32_t> constants;
    std::vector<std::uint32_t> exports;
    std::vector<PendingInstr> code;
  } axis[2];
  std::vector<std::uint32_t> pointConstants;
  std::vector<PendingInstr> pointCode;
  std::vector<std::uint32_t> node(registers, 0);  // instruction's index in its part
  IndexOf axisConstant[2] = {IndexOf(registers), IndexOf(registers)};
  IndexOf axisExport[2] = {IndexOf(registers), IndexOf(registers)};
  IndexOf pointConstant(registers);

  auto axisOperand = [&](std::size_t side, std::uint32_t reg) -> Operand {
    if (reg == FormulaProgram::REG_X || reg == FormulaProgram::REG_Y) return {Kind::Variable, 0};
    if (dependence[reg] == FormulaDependence::None) {
      return {Kind::Constant, axisConstant[side].Get(reg, axis[side].constants)};
    }
    return {Kind::Node, node[reg]};
  };
  auto pointOperand = [&](std::uint32_t reg) -> Operand {
    switch (dependence[reg]) {
      case FormulaDependence::X:
        return {Kind::XValue, axisExport[0].Get(reg, axis[0].exports)};
      case FormulaDependence::Y:
        return {Kind::YValue, axisExport[1].Get(reg, axis[1].exports)};
      case FormulaDependence::None:
        return {Kind::Constant, pointConstant.Get(reg, pointConstants)};
      case FormulaDependence::XY:
        break;
    }
    return {Kind::Node, node[reg]};
  };

  for (const FormulaInstr& instr : program.Code()) {
    const FormulaDependence d = dependence[instr.dst];
    if (d == FormulaDependence::X || d == FormulaDependence::Y) {
      const std::size_t side = d == FormulaDependence::X ? 0 : 1;
      node[instr.dst] = static_cast<std::uint32_t>(axis[side].code.size());
      axis[side].code.push_back({instr.op, axisOperand(side, instr.a), axisOperand(side, instr.b)});
    } else {
      node[instr.dst] = static_cast<std::uint32_t>(pointCode.size());
      pointCode.push_back({instr.op, pointOperand(instr.a), pointOperand(instr.b)});
    }
  }
  const Operand result = pointOperand(program.ResultRegister());

  for (std::size_t side = 0; side < 2; ++side) {
    AxisPart& part = grid.m_parts[side];
    const Building& built = axis[side];
    for (std::uint32_t reg : built.constants) {
      part.constants.push_back(program.Constants()[reg - firstConstant]);
    }
    const auto firstNode = 1 + static_cast<std::uint32_t>(part.constants.size());
    auto resolve = [firstNode](Operand operand) {
      switch (operand.kind) {
        case Kind::Constant:
          return 1 + operand.index;
        case Kind::Node:
          return firstNode + operand.index;
        default:
          return 0u;
      }
    };
    for (std::size_t k = 0; k < built.code.size(); ++k) {
      const PendingInstr& instr = built.code[k];
      part.code.push_back({instr.op, firstNode + static_cast<std::uint32_t>(k), resolve(instr.a),
                           resolve(instr.b)});
    }
    part.registerCount = firstNode + static_cast<std::uint32_t>(part.code.size());
    for (std::uint32_t reg : built.exports) part.exports.push_back(resolve(axisOperand(side, reg)));
  }

  for (std::uint32_t reg : pointConstants) {
    grid.m_pointConstants.push_back(program.Constants()[reg - firstConstant]);
  }
  const auto xValues = static_cast<std::uint32_t>(grid.m_parts[0].exports.size());
  const auto yValues = static_cast<std::uint32_t>(grid.m_parts[1].exports.size());
  const auto constantBase = xValues + yValues;
  const auto nodeBase = constantBase + static_cast<std::uint32_t>(grid.m_pointConstants.size());
  auto resolve = [&](Operand operand) {
    switch (operand.kind) {
      case Kind::XValue:
        return operand.index;
      case Kind::YValue:
        return xValues + operand.index;
      case Kind::Constant:
        return constantBase + operand.index;
      default:
        return nodeBase + operand.index;
    }
  };
  for (std::size_t k = 0; k < pointCode.size(); ++k) {
    const PendingInstr& instr = pointCode[k];
    grid.m_pointCode.push_back(
        {instr.op, nodeBase + static_cast<std::uint32_t>(k), resolve(instr.a), resolve(instr.b)});
  }
  grid.m_pointRegisterCount = nodeBase + static_cast<std::uint32_t>(pointCode.size());
  grid.m_result = resolve(result);
  return grid;
}

std::uint32_t GridProgram::ExportBase(FormulaVariable variable) const {
  return variable == FormulaVariable::X ? 0 : static_cast<std::uint32_t>(m_parts[0].exports.size());
}

void GridProgram::RunAxis(const AxisPart& part, double coordinate,
                          std::vector<double>& regs) const {
  regs.resize(part.registerCount);
  regs[0] = coordinate;
  std::copy(part.constants.begin(), part.constants.end(), regs.begin() + 1);
  for (const FormulaInstr& instr : part.code) {
    regs[instr.dst] = FormulaApply(instr.op, regs[instr.a], regs[instr.b], m_zeroByZero);
  }
}

GridProgram::AxisTable GridProgram::Tabulate(FormulaVariable variable, const double* coords,
                                             std::size_t count) const {
  const AxisPart& part = Part(variable);
  AxisTable table;
  table.m_variable = variable;
  table.m_size = count;
  table.m_values.resize(part.exports.size() * count);
  std::vector<double> regs;
  for (std::size_t i = 0; i < count; ++i) {
    RunAxis(part, coords[i], regs);
    for (std::size_t k = 0; k < part.exports.size(); ++k) {
      table.m_values[k * count + i] = regs[part.exports[k]];
    }
  }
  return table;
}

void GridProgram::EvaluateRow(const AxisTable& along, std::size_t first, std::size_t count,
                              const AxisTable& fixed, std::size_t fixedIndex, RowScratch& scratch,
                              double* out) const {
  if (count == 0) return;
  scratch.m_buffers.resize(static_cast<std::size_t>(m_pointRegisterCount) * BATCH);
  scratch.m_operands.resize(m_pointRegisterCount);
  double* const buffers = scratch.m_buffers.data();
  const double** const operand = scratch.m_operands.data();
  auto buffer = [buffers](std::uint32_t reg) { return buffers + std::size_t{reg} * BATCH; };

  // The fixed variable's values and the constants are the same at every
  // point of the row: each fills a batch buffer once per call.
  const std::size_t width = std::min(count, BATCH);
  const std::size_t fixedCount = Part(fixed.m_variable).exports.size();
  const std::uint32_t fixedBase = ExportBase(fixed.m_variable);
  for (std::size_t k = 0; k < fixedCount; ++k) {
    const auto reg = fixedBase + static_cast<std::uint32_t>(k);
    std::fill_n(buffer(reg), width, fixed.m_values[k * fixed.m_size + fixedIndex]);
    operand[reg] = buffer(reg);
  }
  const auto constantBase =
      static_cast<std::uint32_t>(m_parts[0].exports.size() + m_parts[1].exports.size());
  for (std::size_t k = 0; k < m_pointConstants.size(); ++k) {
    const auto reg = constantBase + static_cast<std::uint32_t>(k);
    std::fill_n(buffer(reg), width, m_pointConstants[k]);
    operand[reg] = buffer(reg);
  }
  for (const FormulaInstr& instr : m_pointCode) operand[instr.dst] = buffer(instr.dst);

  const std::size_t alongCount = Part(along.m_variable).exports.size();
  const std::uint32_t alongBase = ExportBase(along.m_variable);
  const double z = m_zeroByZero;
  for (std::size_t done = 0; done < count; done += BATCH) {
    const std::size_t n = std::min(BATCH, count - done);
    for (std::size_t k = 0; k < alongCount; ++k) {
      operand[alongBase + k] = along.m_values.data() + k * along.m_size + first + done;
    }
    for (const FormulaInstr& instr : m_pointCode) {
      const double* a = operand[instr.a];
      const double* b = operand[instr.b];
      double* o = buffer(instr.dst);
      // One loop per opcode with the operation inlined; a one-argument
      // function has a == b, so reading a costs nothing new.
      DispatchFormulaOpcode(instr.op, [&](auto opcode) {
        Map(n, a, b, o,
            [z](double u, double v) { return FormulaApplyOp<decltype(opcode)::value>(u, v, z); });
      });
    }
    std::copy_n(operand[m_result], n, out + done);
  }
}

double GridProgram::Evaluate(double x, double y) const {
  std::vector<double> regs(m_pointRegisterCount);
  std::vector<double> axisRegs;
  const double coordinate[2] = {x, y};
  for (std::size_t side = 0; side < 2; ++side) {
    const AxisPart& part = m_parts[side];
    RunAxis(part, coordinate[side], axisRegs);
    const std::uint32_t base = ExportBase(static_cast<FormulaVariable>(side));
    for (std::size_t k = 0; k < part.exports.size(); ++k) {
      regs[base + k] = axisRegs[part.exports[k]];
    }
  }
  const auto constantBase =
      static_cast<std::uint32_t>(m_parts[0].exports.size() + m_parts[1].exports.size());
  std::copy(m_pointConstants.begin(), m_pointConstants.end(), regs.begin() + constantBase);
  for (const FormulaInstr& instr : m_pointCode) {
    regs[instr.dst] = FormulaApply(instr.op, regs[instr.a], regs[instr.b], m_zeroByZero);
  }
  return regs[m_result];
}
