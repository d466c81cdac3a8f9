// The display loop of a real run at N = 500, 1024 x 768: the drawing thread's
// CPU time while nothing arrives (mesh: command loop; plastic: tick loop with
// no ticks), and one rotation redraw's wall time and display-list calls.
// Prints a markdown table.
#include <pthread.h>
#include <time.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "BenchStyles.h"
#include "core/Formula.h"
#include "core/ParaData.h"
#include "core/ShareData.h"
#include "render/FrameSink.h"
#include "render/RunController.h"

namespace {

using Clock = std::chrono::steady_clock;

double ThreadCpuSeconds(pthread_t thread) {
  clockid_t clock{};
  timespec time{};
  if (pthread_getcpuclockid(thread, &clock) != 0 || clock_gettime(clock, &time) != 0) return -1.0;
  return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_nsec) * 1e-9;
}

struct Row {
  std::string what;
  std::string value;
};

void Add(std::vector<Row>* rows, std::string what, const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  rows->push_back({std::move(what), text});
}

// One run: the first picture, then `idle` of display with nothing arriving;
// for the mesh styles also one rotation.
bool Measure(const char* name, CParaData para, std::chrono::seconds idle, bool rotate,
             std::vector<Row>* rows) {
  CFormula formula;
  formula.Tokenize(para.m_strFormula);
  formula.MakePostfix();
  LatestFrameSink sink;
  RunController controller;
  g_ShareData.SetAngles(para.m_dUpDownAngle, para.m_dLeftRightAngle);
  const Clock::time_point started = Clock::now();
  if (controller.Start(para, ClientRect{0, 0, 1024, 768}, &formula, &sink) !=
      StartResult::Started) {
    return false;
  }
  if (!sink.WaitForFrames(1)) {
    std::fprintf(stderr, "bench_display: %s: no picture (%s)\n", name,
                 controller.IsRunning() ? "still running" : "run ended");
    controller.Stop();
    return false;
  }
  const double firstSeconds = std::chrono::duration<double>(Clock::now() - started).count();
  const pthread_t thread = controller.NativeHandle();
  const double cpuBefore = ThreadCpuSeconds(thread);
  std::this_thread::sleep_for(idle);
  const double cpuAfter = ThreadCpuSeconds(thread);
  Add(rows, std::string(name) + ": first picture, ms", "%.0f", firstSeconds * 1e3);
  Add(rows,
      std::string(name) + ": drawing thread CPU over " + std::to_string(idle.count()) +
          " s idle, % of a core",
      "%.3f", (cpuAfter - cpuBefore) / static_cast<double>(idle.count()) * 100.0);
  if (rotate) {
    const std::uint64_t callsBefore = controller.ListCalls();
    const std::size_t frames = sink.Count();
    g_ShareData.SetAngles(para.m_dUpDownAngle + 5.0, para.m_dLeftRightAngle + 5.0);
    const Clock::time_point posted = Clock::now();
    controller.PostRotate();
    const bool redrawn = sink.WaitForFrames(frames + 1);
    const double redrawSeconds = std::chrono::duration<double>(Clock::now() - posted).count();
    if (redrawn) {
      Add(rows, std::string(name) + ": rotation to presented frame, ms", "%.1f",
          redrawSeconds * 1e3);
      Add(rows, std::string(name) + ": glCallList calls per redraw", "%.0f",
          static_cast<double>(controller.ListCalls() - callsBefore));
    }
  }
  controller.Stop();
  return true;
}

}  // namespace

int main() {
  const std::chrono::seconds idle(5);
  std::vector<Row> rows;
  const BenchStyles sets = MakeBenchStyles(500);
  const CParaData &plain = sets.plain, &shaded = sets.shaded, &contour = sets.contour,
                  &plastic = sets.plastic;
  bool ok = Measure("plain mesh", plain, idle, true, &rows);
  ok = Measure("shaded mesh", shaded, idle, true, &rows) && ok;
  ok = Measure("contour", contour, idle, true, &rows) && ok;
  ok = Measure("plastic (no ticks)", plastic, idle, false, &rows) && ok;

  std::printf("| N = 500, 1024x768 | value |\n|---|---|\n");
  for (const Row& row : rows) std::printf("| %s | %s |\n", row.what.c_str(), row.value.c_str());
  return ok ? 0 : 1;
}
