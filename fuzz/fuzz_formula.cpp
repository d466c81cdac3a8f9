// Any text up to 4 KiB as a formula. The check, the tokenizer and the postfix
// conversion take it without failing; then, whether the check passes or not
// (a parameter file can carry a formula that never passed it, and it is drawn
// from what converted), every evaluation path must give bit for bit what the
// string-walking evaluator gives, NaN payloads aside: the compiled program
// through CFormula::Evaluate and EvaluateFormula, its two optimised forms, the
// grid program at single points, and the grid sampler on two tiny grids
// against the same sampler calling EvaluateFormula point by point.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "FormulaReference.h"
#include "FuzzCheck.h"
#include "GridPlain.h"
#include "core/Formula.h"
#include "core/GridProgram.h"
#include "core/Grid.h"

namespace {

constexpr std::size_t kMaxText = 4096;

struct Point {
  double x, y, zeroByZero;
};

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Grid-like points, both zeros, coordinates whose first operation overflows or
// underflows, and the non-finite values a damaged range can bring in; each
// with one of the three 0/0 values on offer, and one value off the list.
constexpr Point kPoints[] = {
    {0.0, 0.0, 1.0},      {-0.0, 0.0, -1.0},  {1.0, 1.0, 0.0},  {-2.5, 3.75, 1.0},
    {1e-300, -1e300, -1}, {kInf, -kInf, 0.0}, {kNaN, 1.0, 1.0}, {0.5, -0.0, 0.125},
};

const char* StatusName(FormulaStatus status) {
  switch (status) {
    case FormulaStatus::Ok:
      return "Ok";
    case FormulaStatus::Empty:
      return "Empty";
    case FormulaStatus::MissingOperand:
      return "MissingOperand";
    case FormulaStatus::ExtraValues:
      return "ExtraValues";
  }
  return "?";
}

bool SameExtents(const GridExtents& a, const GridExtents& b) {
  return SameBits(a.maxX, b.maxX) && SameBits(a.minX, b.minX) && SameBits(a.maxY, b.maxY) &&
         SameBits(a.minY, b.minY) && SameBits(a.maxZ, b.maxZ) && SameBits(a.minZ, b.minZ);
}

void CheckPoint(const std::string& text, CFormula& formula, const Point& p) {
  const FormulaProgram& program = formula.Program();

  // The oracle's "/" reads g_zeroByZero, which EvaluateFormula also sets.
  g_zeroByZero = p.zeroByZero;
  double expected = 0.0;
  const FormulaStatus status = OracleEvaluate(formula.Postfix(), p.x, p.y, &expected);
  FUZZ_CHECK_MSG(status == program.Status(), "'%s': oracle %s, program %s", text.c_str(),
                 StatusName(status), StatusName(program.Status()));
  // The oracle stores nothing when an operator finds too few values; the
  // program gives 0.0 then.
  if (status == FormulaStatus::MissingOperand) expected = 0.0;

  const double viaEntry = EvaluateFormula(&formula, &p.x, &p.y, &p.zeroByZero);
  FUZZ_CHECK_MSG(SameValue(viaEntry, expected),
                 "'%s' at (%a, %a; 0/0 %a): EvaluateFormula %a, oracle %a", text.c_str(), p.x, p.y,
                 p.zeroByZero, viaEntry, expected);

  double viaEvaluate = 1.0;
  const BOOL ok = formula.Evaluate(&p.x, &p.y, &viaEvaluate);
  FUZZ_CHECK((ok == TRUE) == (status == FormulaStatus::Ok));
  FUZZ_CHECK(SameValue(viaEvaluate, expected));

  FormulaProgram::Scratch scratch;
  const FormulaProgram anyZero = program.Optimized();
  FUZZ_CHECK(anyZero.Status() == status);
  const double optimized = anyZero.Run(p.x, p.y, p.zeroByZero, scratch);
  FUZZ_CHECK_MSG(SameValue(optimized, expected),
                 "'%s' at (%a, %a; 0/0 %a): Optimized() %a, oracle %a", text.c_str(), p.x, p.y,
                 p.zeroByZero, optimized, expected);

  const FormulaProgram thisZero = program.Optimized(p.zeroByZero);
  FUZZ_CHECK(thisZero.Status() == status);
  const double folded = thisZero.Run(p.x, p.y, p.zeroByZero, scratch);
  FUZZ_CHECK_MSG(SameValue(folded, expected),
                 "'%s' at (%a, %a; 0/0 %a): Optimized(z) %a, oracle %a", text.c_str(), p.x, p.y,
                 p.zeroByZero, folded, expected);

  const GridProgram grid = GridProgram::Build(program, p.zeroByZero);
  const double split = grid.Evaluate(p.x, p.y);
  FUZZ_CHECK_MSG(SameValue(split, expected), "'%s' at (%a, %a; 0/0 %a): GridProgram %a, oracle %a",
                 text.c_str(), p.x, p.y, p.zeroByZero, split, expected);
}

void CheckGrid(const std::string& text, CFormula& formula, bool surface, const GridSpec& gridSpec) {
  std::vector<float> fast;
  std::vector<float> slow;
  GridExtents fastExtents;
  GridExtents slowExtents;
  const RunSignals signals;
  bool fastDone = false;
  bool slowDone = false;
  // One worker: the fuzzer runs one input at a time, and the row order then
  // stays the same from run to run.
  const PointFunction perPoint = EvaluatingFunction(formula, gridSpec);
  if (surface) {
    fastDone = ComputeSurface(gridSpec, formula, signals, fast, fastExtents, 1);
    slowDone = SampleSurfacePlain(gridSpec, perPoint, signals, slow, slowExtents);
  } else {
    fastDone = ComputeContour(gridSpec, formula, signals, fast, fastExtents, 1);
    slowDone = SampleContourPlain(gridSpec, perPoint, signals, slow, slowExtents);
  }
  FUZZ_CHECK(fastDone && slowDone);
  FUZZ_CHECK(fast.size() == slow.size());
  for (std::size_t k = 0; k < fast.size(); ++k) {
    FUZZ_CHECK_MSG(SameValue(fast[k], slow[k]),
                   "'%s' %s grid element %zu: program %a, per point %a", text.c_str(),
                   surface ? "surface" : "contour", k, static_cast<double>(fast[k]),
                   static_cast<double>(slow[k]));
  }
  FUZZ_CHECK(SameExtents(fastExtents, slowExtents));
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

  for (const Point& p : kPoints) CheckPoint(text, formula, p);

  // N = 4 over -12..12 hits 0 and both ends; N = 3 puts no point on an axis.
  GridSpec surface;
  surface.nMesh = 4;
  surface.spacing = 6.0f;
  surface.zScale = 11.0f;
  surface.zeroDiv = 1.0f;
  CheckGrid(text, formula, true, surface);
  GridSpec contour;
  contour.nMesh = 3;
  contour.spacing = 8.0f / 3.0f;
  contour.zScale = 1.0f;
  contour.zeroDiv = -1.0f;
  CheckGrid(text, formula, false, contour);
  return 0;
}
