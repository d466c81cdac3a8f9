// The formula engine: tokenizer, conversion to postfix, evaluation.
#pragma once

#include <span>
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

// The vocabulary, in search order; the row with the empty name ends it. Rows
// from FORMULA_FIRST_LATER_ROW on came after formula parameters: an older
// set's parameter may bear one of their names ("E", "min"), and then the
// name is that parameter in its formula (no new parameter can take one).
constexpr int FORMULA_OP_ROWS = 42;
constexpr int FORMULA_FIRST_LATER_ROW = 21;
extern const FormulaOp g_formulaOps[FORMULA_OP_ROWS];

// True when the whole token is a number of the formula language: digits with
// an optional decimal point and at least one digit, then optionally E or D, an
// optional sign and one or more digits ("12", ".5", "5.", "1E3", "2D2",
// "1E-3"). No leading sign, no INF or NAN, no hexadecimal.
bool IsFormulaNumber(std::string_view token);
// The number an operand token starts with, D read as E, converted by the C
// library's strtod in the "C" locale whatever the process locale; 0.0 when it
// starts with none (a stray bracket). Too large a number gives +infinity.
double FormulaNumberValue(const std::string& token);

// True when the text, in any case, can name a new parameter: an ASCII
// letter, then letters and digits, and no word of the vocabulary ("A", "b2",
// "theta"; not "X", "pi", "Sin", "E", "min", "2A" or "A B").
bool IsFormulaParameterName(std::string_view name);

class CFormula {
 public:
  // Cuts the text into tokens and rewrites unary signs. Never fails.
  BOOL Tokenize(const std::string& text);
  // Rebuilds the postfix list from the token list; FALSE at the first
  // unrecognised token (the postfix list is then partial). Also compiles the
  // postfix list, partial or not, into Program(). This form knows no
  // parameters.
  BOOL MakePostfix();
  // The same with a parameter list: a token that is a parameter name and
  // equals one of the list's in any case is an operand, read as the first
  // such parameter's value. The list's order is the order of the values;
  // they all start at 0.0.
  BOOL MakePostfix(std::span<const std::string> parameterNames);
  // New values for the parameters, in the list's order; values beyond the
  // list are ignored, and parameters beyond the values keep theirs.
  void SetParameterValues(std::span<const double> values);
  // Evaluates the postfix list at (x, y); TRUE when exactly one value results.
  // Uses g_zeroByZero for 0/0. The result is always stored: with values left
  // over it is the one popped first; with no value, or an operator short of
  // operands, it is 0.0. Not re-entrant for one object (it uses the object's
  // scratch); threads share Program() instead, or call ValueAt.
  BOOL Evaluate(const double* x, const double* y, double* result);
  // The same value, with the caller's scratch: safe from several threads.
  double ValueAt(double x, double y, double zeroByZero, FormulaProgram::Scratch& scratch) const {
    return m_program.Run(x, y, m_parameterValues, zeroByZero, scratch);
  }

  static int GetPriority(const std::string& token);  // -1: unrecognised
  static int IsOperator(const std::string& token);   // priority if 1..5, else 0

  const std::vector<std::string>& Tokens() const { return m_tokens; }
  const std::vector<std::string>& Postfix() const { return m_postfix; }
  // The parameter list in upper case as the postfix list holds it; a name
  // that can name no parameter ("X", "2A") is kept as "", which no token is.
  const std::vector<std::string>& ParameterNames() const { return m_parameterNames; }
  const std::vector<double>& ParameterValues() const { return m_parameterValues; }
  // The postfix list compiled, with a parameter register per name; run with
  // ParameterValues() it evaluates bit for bit as the list does.
  const FormulaProgram& Program() const { return m_program; }

 private:
  std::vector<std::string> m_tokens;
  std::vector<std::string> m_postfix;
  std::vector<std::string> m_parameterNames;
  std::vector<double> m_parameterValues;
  FormulaProgram m_program;
  FormulaProgram::Scratch m_scratch;
};

// The names and the values of a parameter set's list, in its order.
std::vector<std::string> FormulaParameterNames(const CParaData& para);
std::vector<double> FormulaParameterValues(const CParaData& para);

// The formula of para compiled with its parameter list and values: ready for
// EvaluateFormula, the samplers and the mesh export. Every caller compiles a
// parameter set's formula here. Like MakePostfix it never fails: a formula
// the check refuses is evaluated from what converted.
CFormula CompileFormula(const CParaData& para);
// A formula text with a parameter list of its own (orvex-cli eval).
CFormula CompileFormula(const std::string& text, std::span<const FormulaParameter> parameters = {});

// The names in a formula that would be parameters (IsFormulaParameterName),
// as first written, in order of first appearance, each once in any case;
// names that equal one of `known` in any case are left out. Only whole
// operands count: "2A" and "SIN A" name nothing.
std::vector<std::string> FormulaParameterCandidates(const std::string& text,
                                                    std::span<const std::string> known = {});

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
// A name is taken when the parameter list holds it (as MakePostfix takes it);
// any other is InvalidCharacter.
enum class FormulaCheck { Ok, Empty, InvalidCharacter, InvalidFormula };
FormulaCheck CheckFormula(const std::string& text,
                          std::span<const std::string> parameterNames = {});
// "計算式が入力されてません！", "不正な文字がありました！", "不正な計算式です！", or "" for Ok.
const char* FormulaCheckMessage(FormulaCheck result);

// The longest formula the entry fields take, counted in the bytes a
// parameter file stores it in (CP932: a full-width character counts twice).
constexpr std::size_t kMaxFormulaBytes = 128;
// "128 文字以内で入力してください。" for a formula over kMaxFormulaBytes, else "".
std::string FormulaLengthRefusal(const std::string& text);
// Why an entry field refuses a formula: its length, else the check's
// message; "" when it passes.
std::string FormulaEntryRefusal(const std::string& text,
                                std::span<const std::string> parameterNames = {});

// Why the window will not run (or export) a parameter set: the message it
// shows, or null when the set can run. Start's checks, in Start's order
// (the formula checked with the set's parameter list); only a file can bring
// a set that fails one.
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
FormulaFault CheckFormulaWithPosition(const std::string& text,
                                      std::span<const std::string> parameterNames = {});

// A note on an accepted formula whose reading may surprise: the place and
// length of the part it is about, counted as FormulaFault counts them (an
// accepted formula is ASCII, so position - 1 is also the byte offset), and
// the text to show, one of the FORMULA_NOTE_ constants.
struct FormulaNote {
  const char* text;
  std::size_t position;
  std::size_t length;
};
// A unary minus binds tighter than "^": '-x^2' is (-x)^2, as in 'exp(-x^2)'.
// "-x^2 は (-x)^2 と読みます。-(x^2) と書けます"
extern const char* const FORMULA_NOTE_SIGN_BEFORE_POWER;
// "^" groups from the left: '2^3^2' is (2^3)^2.
// "a^b^c は (a^b)^c と読みます。a^(b^c) と書けます"
extern const char* const FORMULA_NOTE_CHAINED_POWER;
// The notes of a formula the check accepts with this parameter list, in order
// of position; none for one it refuses. A sign-before-power note covers the
// signs through the exponent ("-x^2" in 'exp(-x^2-y^2)'), and comes only for
// an odd number of minus signs and a base that is no exponent itself ('x^-2'
// and '--x^2' have none); a chained-power note covers the whole chain.
std::vector<FormulaNote> FormulaNotes(std::string_view text,
                                      std::span<const std::string> parameterNames = {});
