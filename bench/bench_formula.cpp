// Formula evaluation on the default 501 x 501 grid and per point: the compiled
// program, the design's entry EvaluateFormula on top of it, the string-walking
// evaluator, and the same formula as plain C++. Before timing, the grids of all
// paths are checked to be bit-identical; the program exits 1 if they are not.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "FormulaPlain.h"
#include "FormulaReference.h"
#include "core/Formula.h"

namespace {

const char kDefaultFormula[] = "sin ( sqrt ( x^2 + y^2 ) ) / sqrt ( x^2 + y^2 )";
constexpr double kZeroByZero = 1.0;

struct Setup {
  CFormula formula;
  std::vector<double> coords = DefaultGridCoordinates();
  std::size_t points = coords.size() * coords.size();
  Setup() {
    formula.Tokenize(kDefaultFormula);
    formula.MakePostfix();
  }
};

Setup& Shared() {
  static Setup setup;
  return setup;
}

void FillCompiled(Setup& s, double* out) {
  const FormulaProgram& program = s.formula.Program();
  FormulaProgram::Scratch scratch;
  for (double y : s.coords) {
    for (double x : s.coords) *out++ = program.Run(x, y, {}, kZeroByZero, scratch);
  }
}

void FillEntry(Setup& s, double* out) {
  for (double y : s.coords) {
    for (double x : s.coords) *out++ = EvaluateFormula(&s.formula, &x, &y, &kZeroByZero);
  }
}

void FillOracle(Setup& s, double* out) {
  g_zeroByZero = kZeroByZero;
  for (double y : s.coords) {
    for (double x : s.coords) OracleEvaluate(s.formula.Postfix(), x, y, out++);
  }
}

void FillPlain(Setup& s, double* out) {
  for (double y : s.coords) {
    for (double x : s.coords) *out++ = DefaultFormulaPlain(x, y, kZeroByZero);
  }
}

template <void (*Fill)(Setup&, double*)>
void BM_Grid(benchmark::State& state) {
  Setup& s = Shared();
  std::vector<double> out(s.points);
  for (auto _ : state) {
    Fill(s, out.data());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.counters["ns_per_point"] = benchmark::Counter(
      static_cast<double>(s.points),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// One evaluation per iteration, walking the grid's points in order.
template <typename Eval>
void RunPoints(benchmark::State& state, Eval eval) {
  const std::vector<double>& c = Shared().coords;
  std::size_t i = 0;
  std::size_t j = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(eval(c[i], c[j]));
    if (++i == c.size()) {
      i = 0;
      if (++j == c.size()) j = 0;
    }
  }
}

void BM_PointCompiled(benchmark::State& state) {
  const FormulaProgram& program = Shared().formula.Program();
  FormulaProgram::Scratch scratch;
  RunPoints(state, [&](double x, double y) { return program.Run(x, y, {}, kZeroByZero, scratch); });
}

void BM_PointEntry(benchmark::State& state) {
  CFormula* formula = &Shared().formula;
  RunPoints(state,
            [&](double x, double y) { return EvaluateFormula(formula, &x, &y, &kZeroByZero); });
}

void BM_PointOracle(benchmark::State& state) {
  const std::vector<std::string>& postfix = Shared().formula.Postfix();
  g_zeroByZero = kZeroByZero;
  RunPoints(state, [&](double x, double y) {
    double value;
    OracleEvaluate(postfix, x, y, &value);
    return value;
  });
}

void BM_PointPlain(benchmark::State& state) {
  RunPoints(state, [](double x, double y) { return DefaultFormulaPlain(x, y, kZeroByZero); });
}

// A formula of distinct numbers as long as a parameter file can hold one
// ("x+1+2+3+..."): tokenizing, the postfix conversion and compiling must stay
// linear in its length.
void BM_CompileLong(benchmark::State& state) {
  std::string text = "x";
  for (int k = 1; text.size() < static_cast<std::size_t>(state.range(0)); ++k) {
    text += "+" + std::to_string(k);
  }
  for (auto _ : state) {
    CFormula formula;
    formula.Tokenize(text);
    benchmark::DoNotOptimize(formula.MakePostfix());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(text.size()));
}

BENCHMARK(BM_CompileLong)
    ->Arg(4 << 10)
    ->Arg(64 << 10)
    ->Arg(1 << 20)
    ->Arg(4 << 20)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Grid<FillCompiled>)->Name("BM_GridCompiled")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Grid<FillEntry>)->Name("BM_GridEvaluateFormula")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Grid<FillOracle>)->Name("BM_GridOracle")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Grid<FillPlain>)->Name("BM_GridPlainCpp")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PointCompiled);
BENCHMARK(BM_PointEntry);
BENCHMARK(BM_PointOracle);
BENCHMARK(BM_PointPlain);

bool GridsAgree() {
  Setup& s = Shared();
  std::vector<double> compiled(s.points), entry(s.points), oracle(s.points), plain(s.points);
  FillCompiled(s, compiled.data());
  FillEntry(s, entry.data());
  FillOracle(s, oracle.data());
  FillPlain(s, plain.data());
  const std::size_t bytes = s.points * sizeof(double);
  return std::memcmp(compiled.data(), entry.data(), bytes) == 0 &&
         std::memcmp(compiled.data(), oracle.data(), bytes) == 0 &&
         std::memcmp(compiled.data(), plain.data(), bytes) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (!GridsAgree()) {
    std::fputs("bench_formula: the grids of the evaluation paths differ\n", stderr);
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
