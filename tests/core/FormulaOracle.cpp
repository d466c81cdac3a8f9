#include <strings.h>

#include <cctype>
#include <cstdlib>

#include "FormulaReference.h"

namespace {

// The words the language had when parameters came: no list makes one a
// parameter. A word it took later ("E", "MIN") is one where a list holds it.
bool IsFirstWord(const std::string& token) {
  for (const char* word : {"X", "Y", "PI", "SIN", "COS", "TAN", "ASIN", "ACOS", "ATAN", "EXP",
                           "LOG", "LOG10", "SQRT"}) {
    if (token == word) return true;
  }
  return false;
}

// The parameter a token names, or -1. Of the tokens a postfix list holds,
// only names start with a letter: a list entry "2" or "(" names nothing.
int ParameterIndex(const std::string& token, std::span<const std::string> names) {
  if (!std::isalpha(static_cast<unsigned char>(token[0])) || IsFirstWord(token)) return -1;
  for (std::size_t k = 0; k < names.size(); ++k) {
    if (!names[k].empty() && strcasecmp(token.c_str(), names[k].c_str()) == 0) {
      return static_cast<int>(k);
    }
  }
  return -1;
}

}  // namespace

FormulaStatus OracleEvaluate(const std::vector<std::string>& postfix, double x, double y,
                             double* result, std::span<const std::string> parameterNames,
                             std::span<const double> parameterValues) {
  std::vector<double> stack;
  for (const std::string& token : postfix) {
    int row = 0;
    while (g_formulaOps[row].name[0] != '\0' && token != g_formulaOps[row].name) ++row;
    const FormulaOp& op = g_formulaOps[row];
    if (const int k = ParameterIndex(token, parameterNames); k >= 0) {
      const auto index = static_cast<std::size_t>(k);
      stack.push_back(index < parameterValues.size() ? parameterValues[index] : 0.0);
    } else if (op.priority >= 1 && op.priority <= 5) {
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
    } else if (token == "E") {
      stack.push_back(2.718281828459045);
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
