// The formula engine: tokenizer, conversion to postfix, evaluation.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/FormulaProgram.h"
#include "core/ParaData.h"

// One row of the vocabulary table. Rows with priority 1..5 are operators: they
// take `arguments` values from the value stack and combine them by `opcode`
// (FormulaApply: left a, right b; a one-argument function works on b).
struct FormulaOp {
  const char* name;
  int priority;
  int arguments;
  FormulaOpcode opcode;
};

// The vocabulary, in search order; the row with the empty name ends it.
constexpr int FORMULA_OP_ROWS = 22;
extern const FormulaOp g_formulaOps[FORMULA_OP_ROWS];

// True when the whole token is a number of the formula language: digits with
// an optional decimal point and at least one digit, then optionally E or D and
// one or more digits ("12", ".5", "5.", "1E3", "2D2"). No sign, no INF or NAN,
// no hexadecimal.
bool IsFormulaNumber(std::string_view token);
// The number an operand token starts with, D read as E, converted by the C
// library's strtod in the "C" locale whatever the process locale; 0.0 when it
// starts with none (a stray bracket). Too large a number gives +infinity.
double FormulaNumberValue(const std::string& token);

class CFormula {
 public:
  // Cuts the text into tokens and rewrites unary signs. Never fails.
  BOOL Tokenize(const std::string& text);
  // Rebuilds the postfix list from the token list; FALSE at the first
  // unrecognised token (the postfix list is then partial). Also compiles the
  // postfix list, partial or not, into Program().
  BOOL MakePostfix();
  // Evaluates the postfix list at (x, y); TRUE when exactly one value results.
  // Uses g_zeroByZero for 0/0. The result is always stored: with values left
  // over it is the one popped first; with no value, or an operator short of
  // operands, it is 0.0. Not re-entrant for one object (it uses the object's
  // scratch); threads share Program() instead.
  BOOL Evaluate(const double* x, const double* y, double* result);

  static int GetPriority(const std::string& token);  // -1: unrecognised
  static int IsOperator(const std::string& token);   // priority if 1..5, else 0

  const std::vector<std::string>& Tokens() const { return m_tokens; }
  const std::vector<std::string>& Postfix() const { return m_postfix; }
  // The postfix list compiled; evaluates bit for bit as the list does.
  const FormulaProgram& Program() const { return m_program; }

 private:
  std::vector<std::string> m_tokens;
  std::vector<std::string> m_postfix;
  FormulaProgram m_program;
  FormulaProgram::Scratch m_scratch;
};

// The value the "/" operator yields for 0/0; EvaluateFormula sets it before
// every call. One per thread: a drawing thread's run and a check on the
// window's thread never see each other's value.
extern thread_local double g_zeroByZero;

// The evaluation entry handed to the drawing thread.
using PFN_EVALUATE = double (*)(CFormula* formula, const double* x, const double* y,
                                const double* zeroByZero);
double EvaluateFormula(CFormula* formula, const double* x, const double* y,
                       const double* zeroByZero);

// The longest formula a run takes, counted in the bytes a parameter file
// stores it in. Typing stops at 128 bytes, so only a file brings a longer
// one; one of megabytes would hold the window's thread for seconds at Start.
constexpr std::size_t kMaxRunFormulaBytes = 4096;
bool FormulaTooLongToRun(const std::string& text);
// "計算式が長すぎます (4096 ﾊﾞｲﾄまで)。"
extern const char* const FORMULA_TOO_LONG_MESSAGE;

// The formula check every entry field runs before it takes a formula over.
// Besides the structural faults the evaluator finds, it rejects unbalanced
// brackets as InvalidFormula (the evaluator would read a stray bracket as 0).
enum class FormulaCheck { Ok, Empty, InvalidCharacter, InvalidFormula };
FormulaCheck CheckFormula(const std::string& text);
// "計算式が入力されてません！", "不正な文字がありました！", "不正な計算式です！", or "" for Ok.
const char* FormulaCheckMessage(FormulaCheck result);

// The longest formula the entry fields take, counted in the bytes a
// parameter file stores it in (CP932: a full-width character counts twice).
constexpr std::size_t kMaxFormulaBytes = 128;
// "128 文字以内で入力してください。" for a formula over kMaxFormulaBytes, else "".
std::string FormulaLengthRefusal(const std::string& text);
// Why an entry field refuses a formula: its length, else the check's
// message; "" when it passes.
std::string FormulaEntryRefusal(const std::string& text);

// Why the window will not run (or export) a parameter set: the message it
// shows, or null when the set can run. Start's checks, in Start's order;
// only a file can bring a set that fails one.
const char* RunRefusalMessage(const CParaData& para);

// The check's verdict, and for a refused formula where it goes wrong: the
// 1-based character of the first token that is no name or number, of an
// unmatched bracket, or of the first operand or operator out of place (one
// past the end when the formula stops short of an operand). 0 when Ok.
// The length is that token's, in characters; 0 past the end and when Ok.
struct FormulaFault {
  FormulaCheck check;
  std::size_t position;
  std::size_t length;
};
FormulaFault CheckFormulaWithPosition(const std::string& text);
