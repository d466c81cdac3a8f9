// How quickly the picture follows a slider: for each style and mesh count,
// the time from a resample (a new value of the parameter b, posted with
// PostResample) to the presented picture, coarse (the slider moving) and
// full (the slider let go), at 1024 x 768 in a real run; for comparison, a
// formula typed (the number written into the text, compiled anew each time). Each resample is
// posted only after the picture of the last one is out, so a figure is one
// resample, not a queue. Also counts the heap allocations (operator new,
// every thread of the process) between the post and the picture. Prints a
// markdown table.
//
//   bench_resample [STYLE [N]]   only the rows of that style ("plain mesh",
//                                "shaded mesh", "contour") and mesh count
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "core/Formula.h"
#include "core/ParaData.h"
#include "core/ShareData.h"
#include "render/FrameSink.h"
#include "render/RunController.h"

namespace {

std::atomic<std::uint64_t> g_allocations{0};
std::atomic<std::uint64_t> g_allocatedBytes{0};

}  // namespace

void* operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  g_allocatedBytes.fetch_add(size, std::memory_order_relaxed);
  if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
  throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSamples = 30;

struct Latency {
  double median = 0.0;
  double p95 = 0.0;
  int coarse = 0;  // how many of the pictures were flagged coarse
  // Medians per resample.
  std::uint64_t allocations = 0;
  std::uint64_t bytes = 0;
};

// The nearest-rank percentile of sorted values.
template <typename T>
T Percentile(const std::vector<T>& sorted, double fraction) {
  const auto rank = static_cast<std::size_t>(fraction * static_cast<double>(sorted.size()) + 0.5);
  return sorted[std::min(sorted.size() - 1, rank == 0 ? 0 : rank - 1)];
}

// The formula at the slider's value b: with the parameter, or b written in.
void SetSlider(CParaData& para, double b, bool typed) {
  if (typed) {
    char text[96];
    std::snprintf(text, sizeof text, "SIN(%.2f*SQRT(X^2+Y^2))/SQRT(X^2+Y^2)", b);
    para.m_strFormula = text;
    para.m_params.clear();
    return;
  }
  para.m_strFormula = "SIN(b*SQRT(X^2+Y^2))/SQRT(X^2+Y^2)";
  para.m_params.resize(1);
  para.m_params[0].name = "b";
  para.m_params[0].value = b;
}

// Moves the slider kSamples steps, posting each resample after the last
// picture is out.
bool Time(RunController& controller, LatestFrameSink& sink, CParaData& para, double& b, bool typed,
          bool coarse, Latency* out) {
  std::vector<double> ms;
  std::vector<std::uint64_t> allocations;
  std::vector<std::uint64_t> bytes;
  ms.reserve(kSamples), allocations.reserve(kSamples), bytes.reserve(kSamples);
  for (int k = 0; k < kSamples; ++k) {
    b += 0.01;
    SetSlider(para, b, typed);
    const std::size_t frames = sink.Count();
    const std::uint64_t allocationsBefore = g_allocations.load();
    const std::uint64_t bytesBefore = g_allocatedBytes.load();
    const Clock::time_point posted = Clock::now();
    if (!controller.PostResample(para, coarse) || !sink.WaitForFrames(frames + 1)) return false;
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - posted).count());
    allocations.push_back(g_allocations.load() - allocationsBefore);
    bytes.push_back(g_allocatedBytes.load() - bytesBefore);
    if (sink.Last().coarse) ++out->coarse;
  }
  std::sort(ms.begin(), ms.end());
  std::sort(allocations.begin(), allocations.end());
  std::sort(bytes.begin(), bytes.end());
  out->median = Percentile(ms, 0.5);
  out->p95 = Percentile(ms, 0.95);
  out->allocations = Percentile(allocations, 0.5);
  out->bytes = Percentile(bytes, 0.5);
  return true;
}

bool Measure(const std::string& name, CParaData para, bool typed, std::vector<std::string>* rows) {
  double b = 1.0;
  SetSlider(para, b, typed);
  CFormula formula = CompileFormula(para);
  LatestFrameSink sink;
  RunController controller;
  g_ShareData.SetAngles(para.m_dUpDownAngle, para.m_dLeftRightAngle);
  if (controller.Start(para, ClientRect{0, 0, 1024, 768}, &formula, &sink) !=
          StartResult::Started ||
      !sink.WaitForFrames(1)) {
    std::fprintf(stderr, "bench_resample: %s N=%d: no picture\n", name.c_str(), para.m_nMesh);
    controller.Stop();
    return false;
  }
  Latency coarse;
  Latency full;
  const bool ok = Time(controller, sink, para, b, typed, true, &coarse) &&
                  Time(controller, sink, para, b, typed, false, &full);
  controller.Stop();
  if (!ok) {
    std::fprintf(stderr, "bench_resample: %s N=%d: a resample drew nothing\n", name.c_str(),
                 para.m_nMesh);
    return false;
  }
  char row[320];
  std::snprintf(
      row, sizeof row,
      "| %s | %d | %.1f | %.1f | %d/%d | %llu / %.1f KiB | %.1f | %.1f | %llu / %.1f KiB |",
      name.c_str(), para.m_nMesh, coarse.median, coarse.p95, coarse.coarse, kSamples,
      static_cast<unsigned long long>(coarse.allocations),
      static_cast<double>(coarse.bytes) / 1024.0, full.median, full.p95,
      static_cast<unsigned long long>(full.allocations), static_cast<double>(full.bytes) / 1024.0);
  rows->push_back(row);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string onlyStyle = argc > 1 ? argv[1] : "";
  const int onlyMesh = argc > 2 ? std::atoi(argv[2]) : 0;
  CParaData plain;
  plain.m_nDrawStyle = STYLE_MESH;
  plain.m_bShading = FALSE;
  plain.m_bHiddenLine = FALSE;
  CParaData shaded = plain;
  shaded.m_bShading = TRUE;
  CParaData contour = plain;
  contour.m_nDrawStyle = STYLE_CONTOUR;
  contour.m_dContourStep = 0.05;
  const struct {
    const char* name;
    CParaData para;
  } styles[] = {{"plain mesh", plain}, {"shaded mesh", shaded}, {"contour", contour}};

  bool ok = true;
  std::vector<std::string> rows;
  for (const auto& style : styles) {
    if (!onlyStyle.empty() && onlyStyle != style.name) continue;
    for (int mesh : {100, 250, 500}) {
      if (onlyMesh != 0 && onlyMesh != mesh) continue;
      CParaData para = style.para;
      para.m_nMesh = mesh;
      ok = Measure(style.name, para, false, &rows) && ok;
    }
  }
  if (onlyStyle.empty() && onlyMesh == 0) {
    CParaData para = plain;
    para.m_nMesh = 500;
    ok = Measure("plain mesh, formula typed", para, true, &rows) && ok;
  }
  std::printf(
      "| style | N | coarse median, ms | coarse p95, ms | flagged coarse | coarse: allocations "
      "/ bytes (median) | full median, ms | full p95, ms | full: allocations / bytes (median) "
      "|\n|---|---|---|---|---|---|---|---|---|\n");
  for (const std::string& row : rows) std::printf("%s\n", row.c_str());
  return ok ? 0 : 1;
}
