// The contour walk on the default formula at N = 500, into a sink that only
// counts: the full walk over every level against the walk that visits only the
// levels each cell is crossed by, at intervals 0.1, 0.05 and 0.01. Before timing,
// both walks are checked to give the same, non-empty vertex lists; the program
// exits 1 if not.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "ContourPlain.h"
#include "core/Contour.h"
#include "core/Formula.h"
#include "core/ShareData.h"

namespace {

constexpr int kMesh = 500;
const float kSteps[] = {0.1f, 0.05f, 0.01f};

class CountingSink : public ContourSink {
 public:
  void Colour(const ContourColour& colour) override {
    ++colours;
    green += colour.green;
  }
  void Segment(const float v1[3], const float v2[3]) override {
    ++segments;
    height += v1[1] + v2[1];
  }
  std::size_t colours = 0;
  std::size_t segments = 0;
  // Keep the arguments live without a per-call store to memory.
  float green = 0.0f;
  float height = 0.0f;
};

class VertexSink : public ContourSink {
 public:
  void Colour(const ContourColour&) override {}
  void Segment(const float v1[3], const float v2[3]) override {
    vertices.insert(vertices.end(), {v1[0], v1[1], v1[2], v2[0], v2[1], v2[2]});
  }
  std::vector<float> vertices;
};

struct Setup {
  GridSpec gridSpec;
  std::vector<float> grid;
  GridExtents extents;
  Setup() {
    CParaData para;
    para.m_nMesh = kMesh;
    para.m_nDrawStyle = STYLE_CONTOUR;
    CFormula formula;
    formula.Tokenize(para.m_strFormula);
    formula.MakePostfix();
    gridSpec = MakeGridSpec(para);
    ComputeContour(gridSpec, formula, RunSignals{}, grid, extents);
  }
};

const Setup& Shared() {
  static const Setup setup;
  return setup;
}

using Walk = bool (*)(const std::vector<float>&, const GridSpec&, const GridExtents&, float,
                      const RunSignals&, ContourSink&);

bool BuildContourSkipping(const std::vector<float>& grid, const GridSpec& gridSpec,
                          const GridExtents& extents, float step, const RunSignals& signals,
                          ContourSink& sink) {
  return BuildContour(grid, gridSpec, extents, step, signals, sink) == ContourBuild::Complete;
}

std::size_t CrossedCellLevels(const Setup& s, const std::vector<float>& levels) {
  std::size_t total = 0;
  for (int i = 0; i < kMesh; ++i) {
    for (int j = 0; j < kMesh; ++j) {
      const ContourLevelSpan span = ContourCrossedLevels(
          levels, s.grid[ContourIndex(kMesh, i, j)], s.grid[ContourIndex(kMesh, i + 1, j)],
          s.grid[ContourIndex(kMesh, i + 1, j + 1)], s.grid[ContourIndex(kMesh, i, j + 1)]);
      total += span.last - span.first;
    }
  }
  return total;
}

void BM_Contour(benchmark::State& state, Walk walk, bool plain) {
  const Setup& s = Shared();
  const float step = kSteps[state.range(0)];
  CountingSink sink;
  for (auto _ : state) {
    sink = CountingSink{};
    benchmark::DoNotOptimize(walk(s.grid, s.gridSpec, s.extents, step, RunSignals{}, sink));
    benchmark::DoNotOptimize(sink.green);
    benchmark::DoNotOptimize(sink.height);
  }
  std::vector<float> levels;
  ContourLevels(s.extents, step, &levels);
  const double cells = static_cast<double>(kMesh) * kMesh;
  state.counters["levels"] = static_cast<double>(levels.size());
  state.counters["cell_levels_visited"] = plain ? cells * static_cast<double>(levels.size())
                                                : static_cast<double>(CrossedCellLevels(s, levels));
  state.counters["colour_cmds"] = static_cast<double>(sink.colours);
  state.counters["segments"] = static_cast<double>(sink.segments);
  char label[32];
  std::snprintf(label, sizeof label, "interval %g", static_cast<double>(step));
  state.SetLabel(label);
}

BENCHMARK_CAPTURE(BM_Contour, plain, BuildContourPlain, true)
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Contour, skipping, BuildContourSkipping, false)
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond);

bool SameVertices() {
  const Setup& s = Shared();
  for (float step : kSteps) {
    VertexSink plain;
    VertexSink skipping;
    BuildContourPlain(s.grid, s.gridSpec, s.extents, step, RunSignals{}, plain);
    BuildContour(s.grid, s.gridSpec, s.extents, step, RunSignals{}, skipping);
    if (plain.vertices.size() != skipping.vertices.size() || plain.vertices.empty() ||
        std::memcmp(plain.vertices.data(), skipping.vertices.data(),
                    plain.vertices.size() * sizeof(float)) != 0) {
      std::fprintf(stderr, "the walks differ at interval %g\n", static_cast<double>(step));
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  if (!SameVertices()) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
