// Sampling the whole 501 x 501 grid (R = 12, N = 500, 0/0 = 1.0) with three
// formulas, the default one, a heavier one, and the heavier one with three of
// its numbers made parameters (the same values, so the same grid), each way
// the program can or could do it:
//   BM_PlainCpp   the formula written out in C++ calling the C library (pow for "^")
//   BM_Oracle     the string-walking evaluator
//   BM_Compiled   FormulaProgram::Run per point, unoptimised
//   BM_Sampler    ComputeSurface: the optimised program, rows on
//                 threads:1 or threads:2 workers
//   BM_MuParser   the muparser library with a guarded-division callback (only
//                 when it was found at configure time)
//   BM_PictureGrid/<N>  what `orvex-cli sample --summary` times, warm: the
//                 default parameter set and formula at N = 500 and 2000,
//                 sampled again and again into the grid it holds
// Names are BM_<path>/<formula>[/threads:<n>]; every benchmark reports wall
// time, so the ratios compare like with like. Before a path is timed, its grid
// is compared bit for bit with one EvaluateFormula call per point; a path that
// differs is reported as an error instead of timed (muparser, which squares
// with x*x, reports its count of differing values as a counter instead).
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "FormulaPlain.h"
#include "FormulaReference.h"
#include "core/Fit.h"
#include "core/Formula.h"
#include "core/Grid.h"

#ifdef ORVEX_HAVE_MUPARSER
#include <muParser.h>
#endif

namespace {

constexpr int kMesh = 500;
constexpr double kRange = 12.0;
constexpr float kZScale = 11.0f;  // the default parameter set's
constexpr float kZeroDiv = 1.0f;

struct FormulaCase {
  const char* name;
  const char* text;
  double (*plain)(double x, double y, double zeroByZero);
  const char* muparser;  // the same formula in muparser's syntax
  std::vector<FormulaParameter> parameters;
};

const FormulaCase kCases[] = {
    {"default",
     "sin ( sqrt ( x^2 + y^2 ) ) / sqrt ( x^2 + y^2 )",
     DefaultFormulaPlain,
     "gdiv(sin(sqrt(x^2+y^2)), sqrt(x^2+y^2))",
     {}},
    {"heavy",
     "SIN(X)*COS(Y) + EXP(-X^2/10) * LOG(Y^2+1) + ATAN(X*Y) + SQRT(X^2+Y^2)",
     HeavyFormulaPlain,
     "sin(x)*cos(y) + exp(gdiv((-x)^2, 10)) * ln(y^2+1) + atan(x*y) + sqrt(x^2+y^2)",
     {}},
    {"heavy-named",
     "SIN(X)*COS(Y) + EXP(-X^P/K) * LOG(Y^P+B) + ATAN(X*Y) + SQRT(X^P+Y^P)",
     HeavyFormulaPlain,
     "sin(x)*cos(y) + exp(gdiv((-x)^2, 10)) * ln(y^2+1) + atan(x*y) + sqrt(x^2+y^2)",
     {{.name = "p", .value = 2}, {.name = "k", .value = 10}, {.name = "b", .value = 1}}},
};

GridSpec DefaultGridSpec() {
  CParaData para;
  para.m_nMesh = kMesh;
  para.m_dRange = kRange;
  para.m_dZCoef = kZScale;
  para.m_dZeroByZero = kZeroDiv;
  return MakeGridSpec(para);
}

// One formula's setup: the compiled formula, the grid's coordinates as the
// sampler forms them, and the per-point reference values in row order.
struct Setup {
  CFormula formula;
  std::vector<std::string> names;
  GridSpec gridSpec = DefaultGridSpec();
  std::vector<double> xs, ys;  // column j: x; row i: y (row 0 at y = +R)
  std::vector<double> reference;
  std::size_t points = 0;

  explicit Setup(const FormulaCase& c) {
    formula = CompileFormula(c.text, c.parameters);
    for (const FormulaParameter& parameter : c.parameters) names.push_back(parameter.name);
    for (int k = 0; k <= kMesh; ++k) {
      xs.push_back(GridCoordinate(gridSpec, k));
      ys.push_back(-GridCoordinate(gridSpec, k));
    }
    points = xs.size() * ys.size();
    const double z = kZeroDiv;
    for (double y : ys) {
      for (double x : xs) reference.push_back(EvaluateFormula(&formula, &x, &y, &z));
    }
  }
};

Setup& Shared(std::size_t index) {
  static Setup setups[] = {Setup(kCases[0]), Setup(kCases[1]), Setup(kCases[2])};
  return setups[index];
}

std::size_t Mismatches(const std::vector<double>& a, const std::vector<double>& b) {
  std::size_t count = 0;
  for (std::size_t k = 0; k < a.size(); ++k) {
    if (std::memcmp(&a[k], &b[k], sizeof(double)) != 0) ++count;
  }
  return count;
}

// Wall time per grid point (in seconds, shown as ns).
void PerPoint(benchmark::State& state, const Setup& s) {
  state.counters["per_point"] = benchmark::Counter(
      static_cast<double>(s.points),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// A path that fills doubles in row order.
template <typename Fill>
void RunFill(benchmark::State& state, std::size_t index, Fill fill) {
  const Setup& s = Shared(index);
  std::vector<double> out(s.points);
  fill(s, out.data());
  if (Mismatches(out, s.reference) != 0) {
    state.SkipWithError("the grid differs from one EvaluateFormula call per point");
    return;
  }
  for (auto _ : state) {
    fill(s, out.data());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  PerPoint(state, s);
}

void BM_PlainCpp(benchmark::State& state, std::size_t index) {
  const auto plain = kCases[index].plain;
  RunFill(state, index, [plain](const Setup& s, double* out) {
    for (double y : s.ys) {
      for (double x : s.xs) *out++ = plain(x, y, kZeroDiv);
    }
  });
}

void BM_Oracle(benchmark::State& state, std::size_t index) {
  RunFill(state, index, [](const Setup& s, double* out) {
    g_zeroByZero = kZeroDiv;
    for (double y : s.ys) {
      for (double x : s.xs) {
        OracleEvaluate(s.formula.Postfix(), x, y, out++, s.names, s.formula.ParameterValues());
      }
    }
  });
}

void BM_Compiled(benchmark::State& state, std::size_t index) {
  RunFill(state, index, [](const Setup& s, double* out) {
    const FormulaProgram& program = s.formula.Program();
    FormulaProgram::Scratch scratch;
    for (double y : s.ys) {
      for (double x : s.xs)
        *out++ = program.Run(x, y, s.formula.ParameterValues(), kZeroDiv, scratch);
    }
  });
}

void BM_Sampler(benchmark::State& state, std::size_t index, int threads) {
  Setup& s = Shared(index);
  std::vector<float> grid;
  GridExtents extents;
  ComputeSurface(s.gridSpec, s.formula, RunSignals{}, grid, extents, threads);
  // The stored height is the value times the Z coefficient, in long double.
  const auto side = static_cast<std::size_t>(kMesh) + 1;
  for (std::size_t i = 0; i < side; ++i) {
    for (std::size_t j = 0; j < side; ++j) {
      const auto expected = static_cast<float>(static_cast<long double>(s.reference[i * side + j]) *
                                               static_cast<long double>(kZScale));
      if (std::memcmp(&grid[GridIndex(kMesh, static_cast<int>(j), static_cast<int>(i)) + 1],
                      &expected, sizeof(float)) != 0) {
        state.SkipWithError("the grid differs from one EvaluateFormula call per point");
        return;
      }
    }
  }
  for (auto _ : state) {
    extents = GridExtents{};
    ComputeSurface(s.gridSpec, s.formula, RunSignals{}, grid, extents, threads);
    benchmark::DoNotOptimize(grid.data());
    benchmark::ClobberMemory();
  }
  PerPoint(state, s);
}

// SamplePictureGrid for the mesh without a fit on the default worker count, as
// orvex-cli sample runs it. Sampled once before timing into the grid every
// iteration reuses: the warm side of a fresh process's first sampling, whose
// pages are not mapped yet (bench/first_sampling.sh times both).
void BM_PictureGrid(benchmark::State& state) {
  CParaData para;
  para.m_nMesh = static_cast<int>(state.range(0));
  const CFormula formula = CompileFormula(para);
  const GridSpec gridSpec = MakeGridSpec(para);
  PictureGrid grid;
  SamplePictureGrid(STYLE_MESH, gridSpec, formula, false, RunSignals{}, grid);
  const std::vector<float> first = grid.values;
  for (auto _ : state) {
    SamplePictureGrid(STYLE_MESH, gridSpec, formula, false, RunSignals{}, grid);
    benchmark::DoNotOptimize(grid.values.data());
    benchmark::ClobberMemory();
  }
  if (grid.values.size() != first.size() ||
      std::memcmp(grid.values.data(), first.data(), first.size() * sizeof(float)) != 0)
    state.SkipWithError("a reused grid differs from the first sampling");
}

#ifdef ORVEX_HAVE_MUPARSER
double g_muZeroByZero = 1.0;

double GuardedDivideCallback(double a, double b) { return GuardedDivide(a, b, g_muZeroByZero); }

void BM_MuParser(benchmark::State& state, std::size_t index) {
  const Setup& s = Shared(index);
  g_muZeroByZero = kZeroDiv;
  double x = 0.0;
  double y = 0.0;
  mu::Parser parser;
  try {
    parser.DefineVar("x", &x);
    parser.DefineVar("y", &y);
    parser.DefineFun("gdiv", GuardedDivideCallback);
    parser.SetExpr(kCases[index].muparser);
    parser.Eval();
  } catch (const mu::Parser::exception_type& e) {
    state.SkipWithError(e.GetMsg().c_str());
    return;
  }
  std::vector<double> out(s.points);
  auto fill = [&] {
    double* o = out.data();
    for (double yv : s.ys) {
      y = yv;
      for (double xv : s.xs) {
        x = xv;
        *o++ = parser.Eval();
      }
    }
  };
  fill();
  const std::size_t mismatches = Mismatches(out, s.reference);
  for (auto _ : state) {
    fill();
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  PerPoint(state, s);
  state.counters["mismatches"] = static_cast<double>(mismatches);
}
#endif

void RegisterAll() {
  for (std::size_t index = 0; index < std::size(kCases); ++index) {
    const std::string formula = kCases[index].name;
    auto add = [&](const std::string& path, auto fn) {
      benchmark::RegisterBenchmark(("BM_" + path + "/" + formula).c_str(), fn, index)
          ->UseRealTime()
          ->Unit(benchmark::kMillisecond);
    };
    add("PlainCpp", BM_PlainCpp);
    add("Oracle", BM_Oracle);
    add("Compiled", BM_Compiled);
    for (int threads : {1, 2}) {
      benchmark::RegisterBenchmark(
          ("BM_Sampler/" + formula + "/threads:" + std::to_string(threads)).c_str(), BM_Sampler,
          index, threads)
          ->UseRealTime()
          ->Unit(benchmark::kMillisecond);
    }
#ifdef ORVEX_HAVE_MUPARSER
    add("MuParser", BM_MuParser);
#endif
  }
  benchmark::RegisterBenchmark("BM_PictureGrid", BM_PictureGrid)
      ->Arg(500)
      ->Arg(2000)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
}

}  // namespace

int main(int argc, char** argv) {
  RegisterAll();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
