// Any text up to 4 KiB as a formula. The check, the tokenizer and the postfix
// conversion take it without failing; then, whether the check passes or not
// (a parameter file can carry a formula that never passed it, and it is drawn
// from what converted), every evaluation path must give bit for bit what the
// string-walking evaluator gives, NaN payloads aside: the compiled program
// through CFormula::Evaluate and EvaluateFormula, its two optimised forms, the
// grid program at single points, and the grid sampler on two tiny grids
// against the same sampler calling EvaluateFormula point by point. Then the
// same with a parameter list, the parameters folded in too where a path can;
// and where the formula passes the check with it, the parameters must give
// the bits of their values written into the text.
#include <strings.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "FormulaReference.h"
#include "FuzzCheck.h"
#include "GridPlain.h"
#include "core/Formula.h"
#include "core/FormulaProgram.h"
#include "core/Grid.h"
#include "core/GridProgram.h"

namespace {

constexpr std::size_t kMaxText = 4096;

struct Point {
  double x, y, zeroByZero;
};

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Grid-like points, both zeros, coordinates whose first operation overflows or
// underflows, and the non-finite values a damaged range can bring in; each
// with one of the three 0/0 values on offer, and values off the list.
constexpr Point kPoints[] = {
    {0.0, 0.0, 1.0},         {-0.0, 0.0, -1.0},    {1.0, 1.0, 0.0},      {-2.5, 3.75, 1.0},
    {1e-300, -1e300, -1},    {kInf, -kInf, 0.0},   {kNaN, 1.0, 1.0},     {0.5, -0.0, 0.125},
    {710.0, 4.9e-324, kNaN}, {1e16, 0.048f, kInf}, {-1.0, -kNaN, -kInf},
};

// Names in mixed case, two of them letters the numbers use (1E3, 2D2); E is
// also the constant, which a list holding it (an older set's) makes a name.
const std::vector<std::string> kNames = {"a", "B2", "E", "Theta", "d"};
// Values for them, set in turn; the sets without a NaN can be written in.
const std::vector<double> kValueSets[] = {
    {1.5, -0.0, 1e308, -2.5, 0.0},
    {0.0, -1.0, kInf, 0.125, 710.0},
    {kNaN, 4.9e-324, -kInf, 1.0, -1e-5},
};

std::vector<FormulaParameter> Parameters() {
  std::vector<FormulaParameter> parameters;
  for (const std::string& name : kNames) parameters.push_back({.name = name});
  return parameters;
}

bool SameExtents(const GridExtents& a, const GridExtents& b) {
  return SameBits(a.maxX, b.maxX) && SameBits(a.minX, b.minX) && SameBits(a.maxY, b.maxY) &&
         SameBits(a.minY, b.minY) && SameBits(a.maxZ, b.maxZ) && SameBits(a.minZ, b.minZ);
}

void CheckPoint(const std::string& text, CFormula& formula, const FormulaProgram& anyZero,
                const Point& p, std::span<const std::string> names) {
  const FormulaProgram& program = formula.Program();
  const std::vector<double>& values = formula.ParameterValues();

  // The oracle's "/" reads g_zeroByZero, which EvaluateFormula also sets.
  g_zeroByZero = p.zeroByZero;
  double expected = 0.0;
  const FormulaStatus status =
      OracleEvaluate(formula.Postfix(), p.x, p.y, &expected, names, values);
  FUZZ_CHECK_MSG(status == program.Status(), "'%s': oracle status %d, program %d", text.c_str(),
                 static_cast<int>(status), static_cast<int>(program.Status()));
  // The oracle stores nothing when an operator finds too few values; the
  // program gives 0.0 then.
  if (status == FormulaStatus::MissingOperand) expected = 0.0;

  FormulaProgram::Scratch scratch;
  double viaEvaluate = 1.0;
  const BOOL ok = formula.Evaluate(&p.x, &p.y, &viaEvaluate);
  FUZZ_CHECK((ok == TRUE) == (status == FormulaStatus::Ok));
  const FormulaProgram thisZero = program.Optimized(p.zeroByZero);
  const FormulaProgram bound = program.Optimized(p.zeroByZero, values);
  FUZZ_CHECK(anyZero.Status() == status && thisZero.Status() == status &&
             bound.Status() == status && bound.ParameterCount() == 0);
  const std::pair<const char*, double> paths[] = {
      {"EvaluateFormula", EvaluateFormula(&formula, &p.x, &p.y, &p.zeroByZero)},
      {"Evaluate", viaEvaluate},
      {"Optimized()", anyZero.Run(p.x, p.y, values, p.zeroByZero, scratch)},
      {"Optimized(z)", thisZero.Run(p.x, p.y, values, p.zeroByZero, scratch)},
      {"Optimized(z, parameters)", bound.Run(p.x, p.y, {}, p.zeroByZero, scratch)},
      {"GridProgram", GridProgram::Build(program, p.zeroByZero, values).Evaluate(p.x, p.y)}};
  for (const auto& [path, value] : paths) {
    FUZZ_CHECK_MSG(SameValue(value, expected), "'%s' at (%a, %a; 0/0 %a): %s %a, oracle %a",
                   text.c_str(), p.x, p.y, p.zeroByZero, path, value, expected);
  }
}

void CheckGrid(const std::string& text, CFormula& formula, bool surface, const GridSpec& gridSpec) {
  std::vector<float> fast, slow;
  GridExtents fastExtents, slowExtents;
  // One worker: the fuzzer runs one input at a time, and the row order then
  // stays the same from run to run.
  const PointFunction perPoint = EvaluatingFunction(formula, gridSpec);
  FUZZ_CHECK(surface ? ComputeSurface(gridSpec, formula, {}, fast, fastExtents, 1) &&
                           SampleSurfacePlain(gridSpec, perPoint, {}, slow, slowExtents)
                     : ComputeContour(gridSpec, formula, {}, fast, fastExtents, 1) &&
                           SampleContourPlain(gridSpec, perPoint, {}, slow, slowExtents));
  FUZZ_CHECK(fast.size() == slow.size());
  for (std::size_t k = 0; k < fast.size(); ++k) {
    FUZZ_CHECK_MSG(SameValue(fast[k], slow[k]), "'%s' grid element %zu: %a, per point %a",
                   text.c_str(), k, static_cast<double>(fast[k]), static_cast<double>(slow[k]));
  }
  FUZZ_CHECK(SameExtents(fastExtents, slowExtents));
}

// N = 4 over -12..12 hits 0 and both ends; N = 3 puts no point on an axis.
const GridSpec kSurface{.nMesh = 4, .spacing = 6.0f, .zScale = 11.0f, .zeroDiv = 1.0f};
const GridSpec kContour{.nMesh = 3, .spacing = 8.0f / 3.0f, .zScale = 1.0f, .zeroDiv = -1.0f};

// A value as the formula language writes it: a sign is a unary minus in
// brackets, infinity overflows, and an exponent may not be negative.
std::string Literal(double value) {
  if (std::signbit(value)) return "(-" + Literal(-value) + ")";
  if (std::isinf(value)) return "1E999";
  char buffer[400];
  std::string text(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
  if (const std::size_t e = text.find('e'); e != std::string::npos) {
    if (text[e + 1] == '-') {
      return std::string(
          buffer,
          std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed).ptr);
    }
    text.replace(e, 2, "E");  // "e+"
  }
  return text;
}

// The text with every operand that names a parameter replaced by its value,
// cut as the tokenizer cuts: at operator characters, white space trimmed (a
// cut inside a number, as in 1E-3, names nothing and leaves it whole).
std::string WrittenIn(const std::string& text, std::span<const double> values) {
  const char* const space = " \t\n\v\f\r";
  std::string out;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t end = std::min(text.find_first_of("()+-*/^,", pos), text.size());
    if (end == pos) {
      out += text[pos++];
      continue;
    }
    const std::size_t first = std::min(text.find_first_not_of(space, pos), end);
    const std::size_t last = std::max(text.find_last_not_of(space, end - 1) + 1, first);
    const std::string operand = text.substr(first, last - first);
    const auto name = std::find_if(kNames.begin(), kNames.end(), [&](const std::string& n) {
      return strcasecmp(operand.c_str(), n.c_str()) == 0;
    });
    out += text.substr(pos, first - pos) +
           (name == kNames.end() ? operand : Literal(values[name - kNames.begin()])) +
           text.substr(last, end - last);
    pos = end;
  }
  return out;
}

void CheckWithParameters(const std::string& text, const CFormula& plain) {
  CFormula formula = CompileFormula(text, Parameters());
  const FormulaCheck check = CheckFormula(text, kNames);
  // A list the text names nothing of changes nothing: the conversion without
  // one stops at the first name. E converts alike, the constant without the
  // list and the parameter with it.
  const std::vector<std::string>& postfix = formula.Postfix();
  if (postfix == plain.Postfix() &&
      std::find(postfix.begin(), postfix.end(), "E") == postfix.end()) {
    FUZZ_CHECK(check == CheckFormula(text));
    return;
  }
  // Optimised with the parameters as inputs: one program for every value set.
  const FormulaProgram anyZero = formula.Program().Optimized();
  for (std::size_t i = 0; i < std::size(kPoints); ++i) {
    formula.SetParameterValues(kValueSets[i % std::size(kValueSets)]);
    CheckPoint(text, formula, anyZero, kPoints[i], kNames);
  }
  formula.SetParameterValues(kValueSets[2]);
  CheckGrid(text, formula, true, kSurface);
  CheckGrid(text, formula, false, kContour);
  if (check != FormulaCheck::Ok) return;

  for (std::size_t set = 0; set < 2; ++set) {
    formula.SetParameterValues(kValueSets[set]);
    const std::string literal = WrittenIn(text, kValueSets[set]);
    FUZZ_CHECK_MSG(CheckFormula(literal) == FormulaCheck::Ok, "'%s' written in: '%s' refused",
                   text.c_str(), literal.c_str());
    CFormula written = CompileFormula(literal);
    for (const Point& p : kPoints) {
      const double want = EvaluateFormula(&written, &p.x, &p.y, &p.zeroByZero);
      const double got = EvaluateFormula(&formula, &p.x, &p.y, &p.zeroByZero);
      FUZZ_CHECK_MSG(SameBits(got, want), "'%s' at (%a, %a; 0/0 %a): %a, written in '%s': %a",
                     text.c_str(), p.x, p.y, p.zeroByZero, got, literal.c_str(), want);
    }
    std::vector<float> got, want;
    GridExtents gotExtents, wantExtents;
    FUZZ_CHECK(ComputeSurface(kSurface, formula, {}, got, gotExtents, 1) &&
               ComputeSurface(kSurface, written, {}, want, wantExtents, 1));
    FUZZ_CHECK(std::equal(got.begin(), got.end(), want.begin(), want.end(),
                          [](float a, float b) { return SameBits(a, b); }) &&
               SameExtents(gotExtents, wantExtents));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxText) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);

  const FormulaCheck check = CheckFormula(text);
  CFormula formula;
  FUZZ_CHECK(formula.Tokenize(text) == TRUE);
  for (const std::string& token : formula.Tokens()) FUZZ_CHECK(!token.empty());
  const bool complete = formula.MakePostfix() == TRUE;

  // The check's verdicts, from what the conversion found.
  if (text.empty()) {
    FUZZ_CHECK(check == FormulaCheck::Empty);
  } else if (!complete) {
    FUZZ_CHECK(check == FormulaCheck::InvalidCharacter);
  } else {
    FUZZ_CHECK(check == FormulaCheck::Ok || check == FormulaCheck::InvalidFormula);
  }
  if (check == FormulaCheck::Ok) {
    FUZZ_CHECK(formula.Program().Status() == FormulaStatus::Ok);
    for (const std::string& token : formula.Postfix()) FUZZ_CHECK(token != "(" && token != ")");
  }
  // Notes only for an accepted formula, each inside it: a sign's at its
  // minus, a chain's over two powers at least.
  for (const FormulaNote& note : FormulaNotes(text)) {
    FUZZ_CHECK(check == FormulaCheck::Ok && note.position >= 1 &&
               note.position - 1 + note.length <= text.size());
    const std::string part = text.substr(note.position - 1, note.length);
    FUZZ_CHECK(note.text == FORMULA_NOTE_SIGN_BEFORE_POWER
                   ? part[0] == '-'
                   : std::count(part.begin(), part.end(), '^') >= 2);
  }

  // The optimised program computes nothing twice.
  std::set<std::tuple<FormulaOpcode, std::uint32_t, std::uint32_t>> seen;
  const FormulaProgram optimized = formula.Program().Optimized();
  for (const FormulaInstr& in : optimized.Code())
    FUZZ_CHECK_MSG(seen.emplace(in.op, in.a, in.b).second, "'%s': computed twice", text.c_str());

  for (const Point& p : kPoints) CheckPoint(text, formula, optimized, p, {});
  CheckGrid(text, formula, true, kSurface);
  CheckGrid(text, formula, false, kContour);

  CheckWithParameters(text, formula);
  return 0;
}
