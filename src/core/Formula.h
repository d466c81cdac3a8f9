// The formula engine: tokenizer, conversion to postfix, evaluation.
#pragma once

#include <string>
#include <vector>

#include "core/ParaData.h"

class CFormula {
public:
  // Cuts the text into tokens and rewrites unary signs. Never fails.
  BOOL Tokenize(const std::string& text);
  // Rebuilds the postfix list from the token list; FALSE at the first
  // unrecognised token (the postfix list is then partial).
  BOOL MakePostfix();
  // Evaluates the postfix list at (x, y); TRUE when exactly one value results.
  // Uses g_zeroByZero for 0/0.
  BOOL Evaluate(const double* x, const double* y, double* result);

  static int GetPriority(const std::string& token);  // -1: unrecognised
  static int IsOperator(const std::string& token);   // priority if 1..5, else 0

  const std::vector<std::string>& Tokens() const { return m_tokens; }
  const std::vector<std::string>& Postfix() const { return m_postfix; }

private:
  std::vector<std::string> m_tokens;
  std::vector<std::string> m_postfix;
};

// The value the "/" operator yields for 0/0; EvaluateFormula sets it before every call.
extern double g_zeroByZero;

// The evaluation entry handed to the drawing thread.
using PFN_EVALUATE = double (*)(CFormula* formula, const double* x, const double* y,
                                const double* zeroByZero);
double EvaluateFormula(CFormula* formula, const double* x, const double* y,
                       const double* zeroByZero);

// The formula check every entry field runs before it takes a formula over.
enum class FormulaCheck { Ok, Empty, InvalidCharacter, InvalidFormula };
FormulaCheck CheckFormula(const std::string& text);
// "計算式が入力されてません！", "不正な文字がありました！", "不正な計算式です！", or "" for Ok.
const char* FormulaCheckMessage(FormulaCheck result);
