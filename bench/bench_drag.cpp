// How quickly a drag's picture follows the mouse: for each style and mesh
// count, the time from a drag message (angles changed, Drag posted) to the
// presented coarse picture, and from a rotation command to the presented
// full picture, at 1024 x 768 in a real run. Each message is posted only
// after the picture of the last one is out, so a figure is one redraw, not
// a queue. Prints a markdown table.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchStyles.h"
#include "core/Formula.h"
#include "core/ParaData.h"
#include "core/ShareData.h"
#include "render/FrameSink.h"
#include "render/RunController.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSamples = 30;

struct Latency {
  double median = 0.0;
  double p95 = 0.0;
  int coarse = 0;  // how many of the pictures were coarse
};

// The nearest-rank percentile of sorted milliseconds.
double Percentile(const std::vector<double>& sorted, double fraction) {
  const auto rank = static_cast<std::size_t>(fraction * static_cast<double>(sorted.size()) + 0.5);
  return sorted[std::min(sorted.size() - 1, rank == 0 ? 0 : rank - 1)];
}

// Turns the model by a degree and posts `message` kSamples times, each after
// the last picture is out.
bool Time(RunController& controller, LatestFrameSink& sink, bool drag, Latency* out) {
  std::vector<double> ms;
  double upDown = 0.0;
  double leftRight = 0.0;
  g_ShareData.GetAngles(upDown, leftRight);
  for (int k = 0; k < kSamples; ++k) {
    leftRight += 1.0;
    const std::size_t frames = sink.Count();
    g_ShareData.SetAngles(upDown, leftRight);
    const Clock::time_point posted = Clock::now();
    drag ? controller.PostDrag() : controller.PostRotate();
    if (!sink.WaitForFrames(frames + 1)) return false;
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - posted).count());
    if (sink.Last().coarse) ++out->coarse;
  }
  std::sort(ms.begin(), ms.end());
  out->median = Percentile(ms, 0.5);
  out->p95 = Percentile(ms, 0.95);
  return true;
}

bool Measure(const std::string& name, CParaData para, const RunOptions& options,
             std::vector<std::string>* rows) {
  CFormula formula;
  formula.Tokenize(para.m_strFormula);
  formula.MakePostfix();
  LatestFrameSink sink;
  RunController controller;
  g_ShareData.SetAngles(para.m_dUpDownAngle, para.m_dLeftRightAngle);
  if (controller.Start(para, ClientRect{0, 0, 1024, 768}, &formula, &sink, options) !=
          StartResult::Started ||
      !sink.WaitForFrames(1)) {
    std::fprintf(stderr, "bench_drag: %s N=%d: no picture\n", name.c_str(), para.m_nMesh);
    controller.Stop();
    return false;
  }
  Latency drag;
  Latency full;
  const bool ok = Time(controller, sink, true, &drag) && Time(controller, sink, false, &full);
  controller.Stop();
  if (!ok) return false;
  char row[256];
  std::snprintf(row, sizeof row, "| %s | %d | %.1f | %.1f | %d/%d | %.1f | %.1f |", name.c_str(),
                para.m_nMesh, drag.median, drag.p95, drag.coarse, kSamples, full.median, full.p95);
  rows->push_back(row);
  return true;
}

}  // namespace

int main() {
  const BenchStyles sets = MakeBenchStyles();
  const struct {
    const char* name;
    CParaData para;
  } styles[] = {{"plain mesh", sets.plain},
                {"shaded mesh", sets.shaded},
                {"plastic", sets.plastic},
                {"contour", sets.contour}};

  bool ok = true;
  std::vector<std::string> rows;
  for (const auto& style : styles) {
    for (int mesh : {100, 250, 500}) {
      CParaData para = style.para;
      para.m_nMesh = mesh;
      ok = Measure(style.name, para, {}, &rows) && ok;
    }
  }
  // Every reading aid on: the box laid out and drawn, its labels, the colour
  // bar and the extremes painted onto each frame, the surface coloured.
  RunOptions aids;
  aids.axes = true;
  aids.extremes = true;
  aids.colourMap = ColourMap::Viridis;
  for (const auto& style : styles) {
    CParaData para = style.para;
    para.m_nMesh = 500;
    ok = Measure(std::string(style.name) + ", aids on", para, aids, &rows) && ok;
  }
  std::printf(
      "| style | N | drag frame median, ms | drag frame p95, ms | coarse | full redraw median, ms "
      "| full redraw p95, ms |\n|---|---|---|---|---|---|---|\n");
  for (const std::string& row : rows) std::printf("%s\n", row.c_str());
  return ok ? 0 : 1;
}
