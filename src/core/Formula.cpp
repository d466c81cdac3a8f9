#include "core/Formula.h"

#include <locale.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "core/Cp932.h"
#include "core/NumericEntry.h"

thread_local double g_zeroByZero = 0.0;

namespace {

// The comma came with the two-argument functions; before, it stood inside
// operand text, where it made the token unrecognised.
bool IsOperatorChar(char c) {
  return c == '(' || c == ')' || c == '+' || c == '-' || c == '*' || c == '/' || c == '^' ||
         c == ',';
}

// Bytes of multi-byte UTF-8 characters are all >= 0x80, so testing byte by
// byte never finds an operator or white space inside such a character.
bool IsSpaceChar(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

std::string UpperCase(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

// After these (or at the start) a sign is unary.
bool OpensOperand(const std::string& previous) {
  return previous.empty() || previous == "*" || previous == "/" || previous == "^" ||
         previous == "(" || previous == ",";
}

}  // namespace

const FormulaOp g_formulaOps[FORMULA_OP_ROWS] = {
    {"(", 7, 0, FormulaOpcode::Add},       {"X", 6, 0, FormulaOpcode::Add},
    {"Y", 6, 0, FormulaOpcode::Add},       {"PI", 6, 0, FormulaOpcode::Add},
    {"SIN", 5, 1, FormulaOpcode::Sin},     {"COS", 5, 1, FormulaOpcode::Cos},
    {"TAN", 5, 1, FormulaOpcode::Tan},     {"ASIN", 5, 1, FormulaOpcode::Asin},
    {"ACOS", 5, 1, FormulaOpcode::Acos},   {"ATAN", 5, 1, FormulaOpcode::Atan},
    {"EXP", 5, 1, FormulaOpcode::Exp},     {"LOG", 5, 1, FormulaOpcode::Log},
    {"LOG10", 5, 1, FormulaOpcode::Log10}, {"SQRT", 5, 1, FormulaOpcode::Sqrt},
    {"**", 4, 2, FormulaOpcode::Mul},      {"^", 3, 2, FormulaOpcode::Pow},
    {"*", 2, 2, FormulaOpcode::Mul},       {"/", 2, 2, FormulaOpcode::Div},
    {"+", 1, 2, FormulaOpcode::Add},       {"-", 1, 2, FormulaOpcode::Sub},
    {")", 0, 0, FormulaOpcode::Add},       {"E", 6, 0, FormulaOpcode::Add},
    {"ABS", 5, 1, FormulaOpcode::Abs},     {"SIGN", 5, 1, FormulaOpcode::Sign},
    {"FLOOR", 5, 1, FormulaOpcode::Floor}, {"CEIL", 5, 1, FormulaOpcode::Ceil},
    {"ROUND", 5, 1, FormulaOpcode::Round}, {"SINH", 5, 1, FormulaOpcode::Sinh},
    {"COSH", 5, 1, FormulaOpcode::Cosh},   {"TANH", 5, 1, FormulaOpcode::Tanh},
    {"ASINH", 5, 1, FormulaOpcode::Asinh}, {"ACOSH", 5, 1, FormulaOpcode::Acosh},
    {"ATANH", 5, 1, FormulaOpcode::Atanh}, {"CBRT", 5, 1, FormulaOpcode::Cbrt},
    {"LN", 5, 1, FormulaOpcode::Log},      {"MIN", 5, 2, FormulaOpcode::Min},
    {"MAX", 5, 2, FormulaOpcode::Max},     {"MOD", 5, 2, FormulaOpcode::Mod},
    {"ATAN2", 5, 2, FormulaOpcode::Atan2}, {"HYPOT", 5, 2, FormulaOpcode::Hypot},
    {",", 0, 0, FormulaOpcode::Add},       {"", 0, 0, FormulaOpcode::Add},
};

bool IsFormulaNumber(std::string_view token) {
  std::size_t i = 0;
  std::size_t digits = 0;
  while (i < token.size() && IsDigit(token[i])) ++i, ++digits;
  if (i < token.size() && token[i] == '.') {
    ++i;
    while (i < token.size() && IsDigit(token[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < token.size() && (token[i] == 'E' || token[i] == 'D')) {
    ++i;
    if (i < token.size() && (token[i] == '+' || token[i] == '-')) ++i;
    const std::size_t exponentStart = i;
    while (i < token.size() && IsDigit(token[i])) ++i;
    if (i == exponentStart) return false;
  }
  return i == token.size();
}

double FormulaNumberValue(const std::string& token) {
  // A process locale with a decimal comma (a GUI sets it from the
  // environment) must not change how "1.5" reads.
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
  std::string text = token;
  for (char& c : text) {
    if (c == 'D') c = 'E';
  }
  return strtod_l(text.c_str(), nullptr, cLocale);
}

namespace {

bool HasNameForm(std::string_view name) {
  if (name.empty() || !IsLetter(name[0])) return false;
  for (char c : name) {
    if (!IsLetter(c) && !IsDigit(c)) return false;
  }
  return true;
}

// The vocabulary row of an upper-case token, or null.
const FormulaOp* FindOp(std::string_view token) {
  for (const FormulaOp& op : g_formulaOps) {
    if (op.name[0] == '\0') break;
    if (token == op.name) return &op;
  }
  return nullptr;
}

}  // namespace

bool IsFormulaParameterName(std::string_view name) {
  return HasNameForm(name) && CFormula::GetPriority(UpperCase(name)) == -1;
}

namespace {

// The list as the tokens spell names; "" for one that can name nothing, so
// that a damaged list ("2", "(", "SIN") never turns a number, a bracket or a
// function into a parameter. A word the language took after parameters came
// ("E", "MIN") stays a name: an older set may hold it, and its formula keeps
// reading it as that parameter.
std::vector<std::string> UpperParameterNames(std::span<const std::string> names) {
  std::vector<std::string> upper;
  upper.reserve(names.size());
  for (const std::string& name : names) {
    const std::string word = UpperCase(name);
    const FormulaOp* op = FindOp(word);
    const bool laterWord = op != nullptr && op - g_formulaOps >= FORMULA_FIRST_LATER_ROW;
    upper.push_back(HasNameForm(name) && (op == nullptr || laterWord) ? word : std::string());
  }
  return upper;
}

// GetPriority with the parameters as operands, before the vocabulary; names
// as UpperParameterNames gives them.
int TokenPriority(const std::string& token, std::span<const std::string> upperNames) {
  if (std::find(upperNames.begin(), upperNames.end(), token) != upperNames.end()) return 6;
  return CFormula::GetPriority(token);
}

bool IsOperatorPriority(int priority) { return priority >= 1 && priority <= 5; }

// A function of two arguments, written min(a, b), unless the list makes the
// word a parameter.
bool TakesArguments(const std::string& token, std::span<const std::string> upperNames) {
  const FormulaOp* op = FindOp(token);
  return op != nullptr && op->priority == 5 && op->arguments == 2 &&
         TokenPriority(token, upperNames) == 5;
}

// "1E", "2.5D", ".5E": a number's digits and its exponent letter, so that a
// sign right after it starts the exponent ("1E-3"), not an operation.
bool IsMantissaAndExponentLetter(std::string_view text) {
  if (text.size() < 2 || (text.back() != 'E' && text.back() != 'D')) return false;
  text.remove_suffix(1);
  return text.find_first_of("ED") == std::string_view::npos && IsFormulaNumber(text);
}

struct RawToken {
  std::string text;    // upper case
  std::size_t offset;  // byte offset of its first character in the text
};

// Cuts the upper-case text into operator characters and operand texts (the
// longest run without an operator character, trailing white space removed;
// the sign of a number's exponent belongs to the number).
std::vector<RawToken> SplitFormula(const std::string& upper) {
  std::vector<RawToken> raw;
  std::size_t pos = 0;
  const std::size_t end = upper.size();
  while (true) {
    while (pos < end && IsSpaceChar(upper[pos])) ++pos;
    if (pos == end) break;
    if (IsOperatorChar(upper[pos])) {
      raw.push_back({std::string(1, upper[pos]), pos});
      ++pos;
      continue;
    }
    std::size_t next = pos;
    while (next < end && !IsOperatorChar(upper[next])) ++next;
    // Only a text that was refused ("1E" is no number) reads otherwise.
    if (next + 1 < end && (upper[next] == '+' || upper[next] == '-') && IsDigit(upper[next + 1]) &&
        IsMantissaAndExponentLetter(std::string_view(upper).substr(pos, next - pos))) {
      ++next;
      while (next < end && !IsOperatorChar(upper[next])) ++next;
    }
    std::size_t last = next;
    while (last > pos && IsSpaceChar(upper[last - 1])) --last;
    raw.push_back({upper.substr(pos, last - pos), pos});
    pos = next;
  }
  return raw;
}

}  // namespace

BOOL CFormula::Tokenize(const std::string& text) {
  m_tokens.clear();
  std::vector<RawToken> raw = SplitFormula(UpperCase(text));

  // A unary minus becomes "(0-1) **", which binds tighter than "^": '-X^2' is
  // ((0-1)*X)^2. A unary plus vanishes. Neither becomes the previous token, so
  // '--X' is two rewrites.
  std::string previous;
  for (RawToken& piece : raw) {
    std::string& token = piece.text;
    const bool unary = OpensOperand(previous);
    if (unary && token == "-") {
      for (const char* t : {"(", "0", "-", "1", ")", "**"}) m_tokens.emplace_back(t);
    } else if (unary && token == "+") {
      continue;
    } else {
      previous = token;
      m_tokens.push_back(std::move(token));
    }
  }
  return TRUE;
}

int CFormula::GetPriority(const std::string& token) {
  for (int i = 0; g_formulaOps[i].name[0] != '\0'; ++i) {
    if (token == g_formulaOps[i].name) return g_formulaOps[i].priority;
  }
  return IsFormulaNumber(token) ? 6 : -1;
}

int CFormula::IsOperator(const std::string& token) {
  for (int i = 0; g_formulaOps[i].name[0] != '\0'; ++i) {
    if (token == g_formulaOps[i].name) {
      const int priority = g_formulaOps[i].priority;
      return priority >= 1 && priority <= 5 ? priority : 0;
    }
  }
  return 0;
}

// Operands wait on the operator stack too (when they follow "(" or arrive on
// an empty stack) until a token of equal or lower priority takes them off;
// this gives left grouping at every level, "^" included.
BOOL CFormula::MakePostfix() { return MakePostfix({}); }

BOOL CFormula::MakePostfix(std::span<const std::string> parameterNames) {
  m_parameterNames = UpperParameterNames(parameterNames);
  m_parameterValues.assign(m_parameterNames.size(), 0.0);
  struct Entry {
    const std::string* token;
    int priority;
  };
  std::vector<Entry> stack;
  m_postfix.clear();
  BOOL complete = TRUE;

  for (const std::string& token : m_tokens) {
    const Entry t{&token, TokenPriority(token, m_parameterNames)};
    if (t.priority == -1) {
      complete = FALSE;
      break;
    }
    if (stack.empty()) {
      stack.push_back(t);
      continue;
    }
    Entry u = stack.back();
    stack.pop_back();
    if (*t.token == "(") {
      stack.push_back(u);
      stack.push_back(t);
      continue;
    }
    while (true) {
      if (t.priority <= u.priority && *u.token != "(") {
        m_postfix.push_back(*u.token);
        if (stack.empty()) {
          stack.push_back(t);
          break;
        }
        u = stack.back();
        stack.pop_back();
        continue;
      }
      // Here u is "(" whenever t is ")" or ",": every other entry has
      // priority >= 0.
      if (*t.token == ")") break;
      stack.push_back(u);
      // A comma ends an argument as ")" ends a bracket, but the bracket stays
      // open for the next argument: 'MIN(A,B)' gives A, B, MIN.
      if (*t.token == ",") break;
      if (*u.token == "(" || IsOperatorPriority(t.priority)) {
        stack.push_back(t);
      } else {
        m_postfix.push_back(*t.token);
      }
      break;
    }
  }
  if (complete) {
    while (!stack.empty()) {
      m_postfix.push_back(*stack.back().token);
      stack.pop_back();
    }
  }
  // A partial list is compiled too: a formula that never passed the check (one
  // read from a parameter file) is still evaluated from what was converted.
  m_program = FormulaProgram::Compile(m_postfix, m_parameterNames);
  return complete;
}

void CFormula::SetParameterValues(std::span<const double> values) {
  std::copy_n(values.begin(), std::min(values.size(), m_parameterValues.size()),
              m_parameterValues.begin());
}

BOOL CFormula::Evaluate(const double* x, const double* y, double* result) {
  *result = m_program.Run(*x, *y, m_parameterValues, g_zeroByZero, m_scratch);
  return m_program.Succeeds() ? TRUE : FALSE;
}

std::vector<std::string> FormulaParameterNames(const CParaData& para) {
  std::vector<std::string> names;
  names.reserve(para.m_params.size());
  for (const FormulaParameter& parameter : para.m_params) names.push_back(parameter.name);
  return names;
}

std::vector<double> FormulaParameterValues(const CParaData& para) {
  std::vector<double> values;
  values.reserve(para.m_params.size());
  for (const FormulaParameter& parameter : para.m_params) values.push_back(parameter.value);
  return values;
}

CFormula CompileFormula(const CParaData& para) {
  return CompileFormula(para.m_strFormula, para.m_params);
}

CFormula CompileFormula(const std::string& text, std::span<const FormulaParameter> parameters) {
  std::vector<std::string> names;
  std::vector<double> values;
  for (const FormulaParameter& parameter : parameters) {
    names.push_back(parameter.name);
    values.push_back(parameter.value);
  }
  CFormula formula;
  formula.Tokenize(text);
  formula.MakePostfix(names);
  formula.SetParameterValues(values);
  return formula;
}

std::vector<std::string> FormulaParameterCandidates(const std::string& text,
                                                    std::span<const std::string> known) {
  std::vector<std::string> seen;  // upper case: known, then found
  for (const std::string& name : known) seen.push_back(UpperCase(name));
  std::vector<std::string> found;
  for (const RawToken& token : SplitFormula(UpperCase(text))) {
    if (!IsFormulaParameterName(token.text)) continue;
    if (std::find(seen.begin(), seen.end(), token.text) != seen.end()) continue;
    seen.push_back(token.text);
    found.push_back(text.substr(token.offset, token.text.size()));
  }
  return found;
}

double EvaluateFormula(CFormula* formula, const double* x, const double* y,
                       const double* zeroByZero) {
  g_zeroByZero = *zeroByZero;
  double value = 0.0;
  formula->Evaluate(x, y, &value);
  return value;
}

const char* const FORMULA_TOO_LONG_MESSAGE = "計算式が長すぎます (4096 ﾊﾞｲﾄまで)。";

bool FormulaTooLongToRun(const std::string& text) {
  // No character is more than 3 UTF-8 bytes long or fewer than 1 CP932 byte:
  // a text that short is short enough without converting it.
  if (text.size() <= kMaxRunFormulaBytes) return false;
  return Cp932Length(text) > kMaxRunFormulaBytes;
}

namespace {

// Bytes of the text, from an offset.
struct FaultSpan {
  std::size_t offset;
  std::size_t bytes;
};

FaultSpan At(const RawToken& token) { return {token.offset, token.text.size()}; }

// The first token out of place: operands and operators must alternate, a sign
// where an operand is due being unary only where the tokenizer takes it so
// ("X--Y" is refused); a comma may only part the two arguments of a function
// that takes two ("MIN(X,Y)"), and such a function needs both. Brackets are
// balanced here. A token missing at the end gives the place past it.
std::optional<FaultSpan> ArrangementFault(const std::vector<RawToken>& raw,
                                          std::span<const std::string> upperNames,
                                          std::size_t end) {
  struct Bracket {
    bool arguments;  // opened right after a two-argument function
    bool parted;     // its comma seen
  };
  std::vector<Bracket> brackets;
  bool wantOperand = true;
  std::string previous;
  for (const RawToken& token : raw) {
    const std::string& t = token.text;
    const int priority = TokenPriority(t, upperNames);
    const bool binary = priority >= 1 && priority <= 3;
    if (wantOperand) {
      if ((t == "-" || t == "+") && OpensOperand(previous)) continue;
      if (binary || t == ")" || t == ",") return At(token);
      if (t == "(") brackets.push_back({TakesArguments(previous, upperNames), false});
      wantOperand = t == "(" || priority == 5;
    } else if (t == ",") {
      // 'SIN(X,Y)', '(X,Y)', 'X,Y', 'MIN(X,Y,Z)'
      if (brackets.empty() || !brackets.back().arguments || brackets.back().parted) {
        return At(token);
      }
      brackets.back().parted = true;
      wantOperand = true;
    } else {
      if (!binary && t != ")") return At(token);
      if (t == ")" && !brackets.empty()) {
        // 'MIN(X)': the second argument is due where the bracket closes.
        if (brackets.back().arguments && !brackets.back().parted) return At(token);
        brackets.pop_back();
      }
      wantOperand = binary;
    }
    previous = t;
  }
  if (wantOperand) return FaultSpan{end, 0};
  return std::nullopt;
}

}  // namespace

FormulaCheck CheckFormula(const std::string& text, std::span<const std::string> parameterNames) {
  if (text.empty()) return FormulaCheck::Empty;
  CFormula formula;
  formula.Tokenize(text);
  if (!formula.MakePostfix(parameterNames)) return FormulaCheck::InvalidCharacter;
  // A bracket reaches the postfix list only when it has no partner; the
  // evaluator would read it as 0 and '(' alone, ')' alone or 'X*(' would plot 0.
  // A comma does when no bracket holds it ('X,Y').
  for (const std::string& token : formula.Postfix()) {
    if (token == "(" || token == ")" || token == ",") return FormulaCheck::InvalidFormula;
  }
  // Whether an evaluation succeeds depends only on the postfix list, so the
  // trial evaluation at (1, 1) reduces to the compiled status; this also keeps
  // the check from reading g_zeroByZero while a drawing thread writes it.
  if (!formula.Program().Succeeds()) return FormulaCheck::InvalidFormula;
  // The conversion drops a comma as it meets it and gives two-argument
  // functions what values there are, so a wrong count can still make one
  // value ('(2)(MIN(X))', 'MIN(X,,Y)'). Only formulas with the comma or such
  // a function are walked: what passed before passes as before.
  const std::vector<std::string>& names = formula.ParameterNames();
  const bool usesArguments =
      std::any_of(formula.Tokens().begin(), formula.Tokens().end(),
                  [&](const std::string& t) { return t == "," || TakesArguments(t, names); });
  if (usesArguments && ArrangementFault(SplitFormula(UpperCase(text)), names, text.size())) {
    return FormulaCheck::InvalidFormula;
  }
  return FormulaCheck::Ok;
}

namespace {

// Characters, not bytes, before a byte offset: the position a user counts.
std::size_t CharacterNumber(const std::string& text, std::size_t offset) {
  std::size_t characters = 0;
  for (std::size_t k = 0; k < offset && k < text.size(); ++k) {
    if ((static_cast<unsigned char>(text[k]) & 0xC0) != 0x80) ++characters;
  }
  return characters + 1;
}

// Where a formula that fails the check goes wrong, as the tokenizer and the
// conversion read it: the first token that is no name or number, an
// unmatched bracket, or the first place an operand is missing or one too
// many stands, or a comma is out of place.
FaultSpan FaultOf(const std::string& text, FormulaCheck check,
                  std::span<const std::string> upperNames) {
  const std::vector<RawToken> raw = SplitFormula(UpperCase(text));
  if (check == FormulaCheck::InvalidCharacter) {
    for (const RawToken& token : raw) {
      if (TokenPriority(token.text, upperNames) == -1) return At(token);
    }
    return {0, 0};
  }
  std::vector<std::size_t> open;
  for (const RawToken& token : raw) {
    if (token.text == "(") open.push_back(token.offset);
    if (token.text == ")") {
      if (open.empty()) return At(token);
      open.pop_back();
    }
  }
  if (!open.empty()) return {open.back(), 1};
  return ArrangementFault(raw, upperNames, text.size()).value_or(FaultSpan{text.size(), 0});
}

}  // namespace

FormulaFault CheckFormulaWithPosition(const std::string& text,
                                      std::span<const std::string> parameterNames) {
  const FormulaCheck check = CheckFormula(text, parameterNames);
  if (check == FormulaCheck::Ok) return {check, 0, 0};
  if (check == FormulaCheck::Empty) return {check, 1, 0};
  const FaultSpan span = FaultOf(text, check, UpperParameterNames(parameterNames));
  const std::size_t first = CharacterNumber(text, span.offset);
  return {check, first, CharacterNumber(text, span.offset + span.bytes) - first};
}

const char* const FORMULA_NOTE_SIGN_BEFORE_POWER = "-x^2 は (-x)^2 と読みます。-(x^2) と書けます";
const char* const FORMULA_NOTE_CHAINED_POWER = "a^b^c は (a^b)^c と読みます。a^(b^c) と書けます";

namespace {

// One bracket's expression (or one argument) as the notes read it: operands,
// each with its unary signs, between operators; a run joined by "^" is a
// chain whose first operand is the base.
struct NoteLevel {
  bool wantOperand = true;
  bool operandOpen = false;  // a sign, a function or "(" has started it
  std::size_t operandStart = 0;
  std::size_t minuses = 0;
  std::size_t firstMinus = 0;
  bool afterPower = false;
  // The chain ending at the last operand.
  std::size_t baseStart = 0;
  bool baseNegated = false;  // an odd number of minus signs
  std::size_t baseMinus = 0;
  std::size_t powers = 0;
  std::size_t firstExponentEnd = 0;
  std::size_t chainEnd = 0;
};

}  // namespace

std::vector<FormulaNote> FormulaNotes(std::string_view text,
                                      std::span<const std::string> parameterNames) {
  const std::string formula(text);
  if (CheckFormula(formula, parameterNames) != FormulaCheck::Ok) return {};
  // An accepted formula is ASCII (no token holds another byte), so a byte
  // offset is the character's place less one. Its brackets are balanced and
  // its operands and operators alternate, so the walk needs no checks of its
  // own; it keeps its levels on a stack of its own, as deep as the brackets.
  const std::vector<std::string> names = UpperParameterNames(parameterNames);
  std::vector<FormulaNote> notes;
  auto note = [&](const char* message, std::size_t from, std::size_t to) {
    notes.push_back({message, from + 1, to - from});
  };
  auto endChain = [&](NoteLevel& level) {
    if (level.powers >= 1 && level.baseNegated) {
      note(FORMULA_NOTE_SIGN_BEFORE_POWER, level.baseMinus, level.firstExponentEnd);
    }
    if (level.powers >= 2) note(FORMULA_NOTE_CHAINED_POWER, level.baseStart, level.chainEnd);
    level.powers = 0;
  };
  auto endOperand = [](NoteLevel& level, std::size_t end) {
    level.operandOpen = false;
    if (level.afterPower) {
      if (++level.powers == 1) level.firstExponentEnd = end;
    } else {
      level.baseStart = level.operandStart;
      level.baseNegated = level.minuses % 2 == 1;
      level.baseMinus = level.firstMinus;
    }
    level.chainEnd = end;
    level.wantOperand = false;
    level.afterPower = false;
    level.minuses = 0;
  };

  std::vector<NoteLevel> levels(1);
  for (const RawToken& token : SplitFormula(UpperCase(formula))) {
    const std::string& t = token.text;
    NoteLevel& level = levels.back();
    if (level.wantOperand) {
      if (!level.operandOpen) {
        level.operandOpen = true;
        level.operandStart = token.offset;
      }
      if (t == "-" && level.minuses++ == 0) level.firstMinus = token.offset;
      if (t == "(") {
        levels.emplace_back();
      } else if (t != "-" && t != "+" && TokenPriority(t, names) != 5) {
        endOperand(level, token.offset + t.size());
      }
      continue;  // a function's operand is the bracket after it
    }
    if (t == "^") {
      level.afterPower = true;
      level.wantOperand = true;
      continue;
    }
    endChain(level);
    if (t == ",") {
      level = NoteLevel{};
    } else if (t != ")") {
      level.wantOperand = true;
    } else if (levels.size() > 1) {
      levels.pop_back();
      endOperand(levels.back(), token.offset + 1);
    }
  }
  endChain(levels.back());
  std::stable_sort(notes.begin(), notes.end(), [](const FormulaNote& a, const FormulaNote& b) {
    return a.position < b.position;
  });
  return notes;
}

const char* FormulaCheckMessage(FormulaCheck result) {
  switch (result) {
    case FormulaCheck::Ok:
      return "";
    case FormulaCheck::Empty:
      return "計算式が入力されてません！";
    case FormulaCheck::InvalidCharacter:
      return "不正な文字がありました！";
    case FormulaCheck::InvalidFormula:
      return "不正な計算式です！";
  }
  return "";
}

std::string FormulaLengthRefusal(const std::string& text) {
  if (Cp932Length(text) <= kMaxFormulaBytes) return {};
  return MaxCharsMessage(static_cast<int>(kMaxFormulaBytes));
}

std::string FormulaEntryRefusal(const std::string& text,
                                std::span<const std::string> parameterNames) {
  std::string refusal = FormulaLengthRefusal(text);
  return refusal.empty() ? FormulaCheckMessage(CheckFormula(text, parameterNames)) : refusal;
}

const char* RunRefusalMessage(const CParaData& para) {
  if (!HasDrawableValues(para)) return PARA_NOT_DRAWABLE_MESSAGE;
  if (FormulaTooLongToRun(para.m_strFormula)) return FORMULA_TOO_LONG_MESSAGE;
  const FormulaCheck check = CheckFormula(para.m_strFormula, FormulaParameterNames(para));
  return check == FormulaCheck::Ok ? nullptr : FormulaCheckMessage(check);
}
