#include <cstdlib>

#include "FormulaReference.h"

FormulaStatus OracleEvaluate(const std::vector<std::string>& postfix, double x, double y,
                             double* result) {
  std::vector<double> stack;
  for (const std::string& token : postfix) {
    int row = 0;
    while (g_formulaOps[row].name[0] != '\0' && token != g_formulaOps[row].name) ++row;
    const FormulaOp& op = g_formulaOps[row];
    if (op.priority >= 1 && op.priority <= 5) {
      double left = 0.0;
      if (stack.empty()) return FormulaStatus::MissingOperand;
      const double right = stack.back();
      stack.pop_back();
      if (op.arguments > 1) {
        if (stack.empty()) return FormulaStatus::MissingOperand;
        left = stack.back();
        stack.pop_back();
      }
      stack.push_back(FormulaApply(op.opcode, left, right, g_zeroByZero));
    } else if (token == "X") {
      stack.push_back(x);
    } else if (token == "Y") {
      stack.push_back(y);
    } else if (token == "PI") {
      stack.push_back(3.141592654);
    } else {
      std::string text = token;
      for (char& c : text)
        if (c == 'D') c = 'E';
      stack.push_back(std::strtod(text.c_str(), nullptr));
    }
  }
  if (stack.empty()) {
    *result = 0.0;
    return FormulaStatus::Empty;
  }
  *result = stack.back();
  stack.pop_back();
  return stack.empty() ? FormulaStatus::Ok : FormulaStatus::ExtraValues;
}

std::vector<double> DefaultGridCoordinates() {
  constexpr int N = 500;
  constexpr double R = 12.0;
  const auto s = static_cast<float>(R / (N / 2));
  std::vector<double> coordinates;
  for (int k = 0; k <= N; ++k) {
    coordinates.push_back(static_cast<float>(static_cast<float>(k - N / 2) * s));
  }
  return coordinates;
}
