// A formula program taken apart for sampling on a grid: what depends on x
// alone is computed once per x coordinate, what depends on y alone once per y
// coordinate, and only the rest at every point, a batch of points at a time.
// Every operation still sees the operands it sees in FormulaProgram::Run, so
// the values are bit for bit the same.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/FormulaProgram.h"

enum class FormulaVariable : std::uint8_t { X = 0, Y = 1 };

class GridProgram {
 public:
  // Points per batch of the per-point part: each register of that part takes
  // this many doubles, which keeps a batch's registers in the first-level cache.
  static constexpr std::size_t BATCH = 128;

  // The hoisted values of one variable at each of a list of coordinates, one
  // array per value that the per-point part reads ([value][coordinate]): a
  // batch then reads its operands straight from the table.
  class AxisTable {
   public:
    FormulaVariable Variable() const { return m_variable; }
    std::size_t Size() const { return m_size; }

   private:
    friend class GridProgram;
    FormulaVariable m_variable = FormulaVariable::X;
    std::size_t m_size = 0;
    std::vector<double> m_values;
  };

  // One thread's batch registers; sized on first use, then reused.
  class RowScratch {
   private:
    friend class GridProgram;
    std::vector<double> m_buffers;
    std::vector<const double*> m_operands;
  };

  // The program of an empty formula (the value 0.0 everywhere).
  GridProgram();

  // Splits the optimised program (FormulaProgram::Optimized with this 0/0
  // value and these parameter values: they are fixed for the whole grid, so
  // the parameters fold away as numbers written in would).
  static GridProgram Build(const FormulaProgram& program, double zeroByZero,
                           std::span<const double> parameters);

  // The variable's part at coords[0..count).
  AxisTable Tabulate(FormulaVariable variable, const double* coords, std::size_t count) const;

  // The values of `count` points of one grid row into out[0..count): the
  // variable of `along` takes its table's coordinates first..first+count-1 and
  // the variable of `fixed` (the other one) its coordinate `fixedIndex`.
  void EvaluateRow(const AxisTable& along, std::size_t first, std::size_t count,
                   const AxisTable& fixed, std::size_t fixedIndex, RowScratch& scratch,
                   double* out) const;

  // One point through the same parts; slow, for checks.
  double Evaluate(double x, double y) const;

  double ZeroByZero() const { return m_zeroByZero; }
  // The code of a variable's part: register 0 holds the variable, then come
  // the part's constants, then one register per instruction.
  const std::vector<FormulaInstr>& AxisCode(FormulaVariable variable) const {
    return Part(variable).code;
  }
  // The code run at every point. Its registers: the values read from the x
  // table, those from the y table, the constants, one per instruction.
  const std::vector<FormulaInstr>& PointCode() const { return m_pointCode; }

 private:
  struct AxisPart {
    std::vector<double> constants;
    std::vector<FormulaInstr> code;
    std::uint32_t registerCount = 1;
    std::vector<std::uint32_t> exports;  // registers the per-point part reads
  };

  const AxisPart& Part(FormulaVariable variable) const {
    return m_parts[static_cast<std::size_t>(variable)];
  }
  // The first per-point register holding a value of the variable's table.
  std::uint32_t ExportBase(FormulaVariable variable) const;
  void RunAxis(const AxisPart& part, double coordinate, std::vector<double>& regs) const;

  double m_zeroByZero = 0.0;
  AxisPart m_parts[2];
  std::vector<double> m_pointConstants;
  std::vector<FormulaInstr> m_pointCode;
  std::uint32_t m_pointRegisterCount = 1;
  std::uint32_t m_result = 0;
};
