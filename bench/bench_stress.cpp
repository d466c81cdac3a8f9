// Start and stop through the window's face, a thousand runs in a row, stopped
// at random moments (during sampling, during the list build, while a picture
// is on display) with rotate, tick and resample messages flooding the
// mailbox, every style, small meshes mostly. Then the time from a stop
// request to the end notice at N = 500, measured per style. A soak and a
// measurement, a minute long, so not part of ctest: scripts/stress.sh and
// scripts/tsan.sh run it (docs/STRESS.md). A broken rule is printed and
// makes the exit code 1; a run that does not end within its limit ends the
// program with the run's description.
//
//   bench_stress [--runs-only]    --runs-only: the thousand runs, no stop times
//   ORVEX_STRESS_RUNS   runs in a row (1000)
//   ORVEX_STOP_RUNS     timed stops per style at N = 500 (15)
//   ORVEX_STRESS_SEED   repeats the random choices of an earlier run
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <thread>

#include "core/Formula.h"
#include "core/ParaData.h"
#include "core/ShareData.h"
#include "render/DrawingRun.h"

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

int g_failures = 0;
std::string g_current;  // the run being made, for the failure lines

void Check(bool holds, const std::string& what) {
  if (holds) return;
  ++g_failures;
  std::printf("FAILED: %s (%s)\n", what.c_str(), g_current.c_str());
  std::fflush(stdout);
}

unsigned EnvNumber(const char* name, unsigned fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0'
             ? static_cast<unsigned>(std::strtoul(value, nullptr, 10))
             : fallback;
}

enum Phase { kSampling, kBuilding, kDisplay, kPhases };
constexpr std::array<const char*, kPhases> kPhaseNames = {"sampling", "building", "display"};

struct StopFigures {
  std::array<int, kPhases> stops{};
  std::array<double, kPhases> longestMs{};
};

// Counts the notices as a window's message queue would receive them, under a
// lock, with the time of the last end and the thread's niceness at its last
// picture.
class Listener : public DrawingRunListener {
 public:
  void FrameReady() override {
    m_nRunNice.store(getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())));
    Change([&] { ++m_nFrames; });
  }
  void RunEnded() override {
    Change([&] { m_endedAt = Clock::now(), ++m_nEnded; });
  }
  template <typename F>
  auto Locked(F read) const {
    std::lock_guard lock(m_mutex);
    return read();
  }
  int Frames() const {
    return Locked([&] { return m_nFrames; });
  }
  int Ended() const {
    return Locked([&] { return m_nEnded; });
  }
  void WaitUntil(const std::function<bool()>& done) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, done);
  }
  int m_nFrames = 0, m_nEnded = 0;
  Clock::time_point m_endedAt;
  std::atomic<int> m_nRunNice{INT_MIN};

 private:
  template <typename F>
  void Change(F change) {
    std::lock_guard lock(m_mutex);
    change();
    m_changed.notify_all();
  }
  mutable std::mutex m_mutex;
  std::condition_variable m_changed;
};

// The window's side of one DrawingRun at a time: answers the notices in order,
// as an event loop would, taking each announced picture at once and checking
// it is there and of the run's size. The watchdog bounds every wait.
struct Window {
  explicit Window(unsigned seed) : random(seed), run(&listener) {}
  ~Window() {
    quit = true;
    watchdog.join();
  }
  int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); }

  bool Start(const std::string& what, std::chrono::seconds limit, const CParaData& runPara,
             int runWidth, int runHeight, std::size_t f) {
    Arm(what, limit);
    para = runPara, width = runWidth, height = runHeight;
    listener.m_nRunNice = INT_MIN;
    framesBefore = listener.Frames();
    endedBefore = listener.Ended();
    const bool started = run.Start(para, width, height, &compiled[f]) == StartResult::Started;
    Check(started, "the run did not start");
    return started;
  }
  // Until the first picture, or an end without one.
  void WaitForPicture() {
    listener.WaitUntil(
        [&] { return listener.m_nFrames > framesBefore || listener.m_nEnded > endedBefore; });
  }
  void TakeAnnounced() {
    for (const int frames = listener.Frames(); taken < frames; ++taken) {
      Frame frame;
      const bool there = run.TakeFrame(frame);
      Check(there, "a picture was announced and is not there");
      Check(!there || (frame.width == width && frame.height == height),
            "a picture not of the run's size");
    }
  }
  // Where the run is: a picture shown, the grid complete (context, list
  // build, first draw), or sampling still going.
  Phase Where() {
    if (listener.Frames() > framesBefore) return kDisplay;
    const int sampled =
        para.m_nDrawStyle == STYLE_CONTOUR ? para.m_nMesh + 1 : 2 * para.m_nMesh + 2;
    return g_ShareData.m_nProgress.load() >= sampled ? kBuilding : kSampling;
  }
  // A burst of rotate, tick and resample messages, the angles changed before
  // it; a resample brings either formula at another small mesh count, coarse
  // or full.
  void Burst() {
    std::uniform_real_distribution<double> angle(-180.0, 180.0);
    g_ShareData.SetAngles(angle(random), angle(random));
    for (int k = Pick(1, 20); k > 0; --k) {
      const int kind = Pick(0, 2);
      if (kind == 2) {
        CParaData changed = para;
        changed.m_strFormula = formulas[static_cast<std::size_t>(Pick(0, 1))];
        changed.m_nMesh = Pick(2, 60);
        run.Resample(changed, Pick(0, 1) != 0);
      } else {
        kind != 0 ? run.Rotate() : run.Tick();
      }
    }
  }
  // Asks for the stop, with a burst after it when asked (to be dropped, not
  // answered), and adds the time to the end notice to the figures.
  void Stop(StopFigures& figures, bool burst) {
    const Phase phase = Where();
    const auto stopAt = Clock::now();
    run.RequestStop();
    if (burst) Burst();
    listener.WaitUntil([&] { return listener.m_nEnded > endedBefore; });
    ++figures.stops[phase];
    figures.longestMs[phase] =
        std::max(figures.longestMs[phase],
                 Ms(listener.Locked([&] { return listener.m_endedAt; }) - stopAt).count());
  }
  void Reap() {
    TakeAnnounced();
    run.Reap();
    Arm(g_current, std::chrono::hours(24));
    Check(!run.Busy(), "busy after Reap");
    Check(g_ShareData.m_nState.load() == DS_IDLE, "not idle after Reap");
    Check(listener.Ended() == endedBefore + 1, "not exactly one end notice");
  }

  const std::array<std::string, 2> formulas = {DEFAULT_FORMULA, "sin(x)*cos(y)"};
  std::array<CFormula, 2> compiled = {CompileFormula(formulas[0]), CompileFormula(formulas[1])};
  std::mt19937 random;
  // A run still going after its limit is a deadlock: the program ends with
  // the run's description instead of hanging the caller.
  void Arm(const std::string& what, std::chrono::seconds limit) {
    std::lock_guard lock(mutex);
    g_current = what, deadline = Clock::now() + limit;
  }
  std::mutex mutex;
  Clock::time_point deadline = Clock::time_point::max();
  std::atomic<bool> quit{false};
  std::thread watchdog{[this] {
    for (; !quit; std::this_thread::sleep_for(std::chrono::milliseconds(100))) {
      std::lock_guard lock(mutex);
      if (Clock::now() < deadline) continue;
      std::printf("FAILED: no end within the limit, deadlock: %s; state = %d, progress = %d\n",
                  g_current.c_str(), g_ShareData.m_nState.load(), g_ShareData.m_nProgress.load());
      std::fflush(stdout);
      std::_Exit(EXIT_FAILURE);
    }
  }};
  Listener listener;
  DrawingRun run;
  CParaData para;
  int width = 0, height = 0, taken = 0, framesBefore = 0, endedBefore = 0;
};

// Every run ends idle and joined with one end notice, whenever it is stopped.
void ThousandRuns(unsigned seed) {
  const int runs = static_cast<int>(EnvNumber("ORVEX_STRESS_RUNS", 1000));
  std::printf("seed %u (ORVEX_STRESS_SEED repeats the choices), %d runs\n", seed, runs);
  Window window(seed);
  const int baseNice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
  StopFigures figures;
  int refusedBeforeReap = 0;
  const auto begin = Clock::now();
  for (int r = 0; r < runs; ++r) {
    CParaData para;
    para.m_nDrawStyle = r % 6;
    // Mostly small meshes, so that a thousand runs stay short; some medium
    // ones, whose sampling lasts long enough to be stopped in.
    para.m_nMesh = window.Pick(0, 99) < 85 ? window.Pick(2, 40) : window.Pick(60, 200);
    para.m_bShading = window.Pick(0, 1), para.m_bHiddenLine = window.Pick(0, 1);
    para.m_bPerspective = window.Pick(0, 1), para.m_nBackColor = window.Pick(0, 2);
    const auto f = static_cast<std::size_t>(window.Pick(0, 1));
    para.m_strFormula = window.formulas[f];
    const int width = window.Pick(8, 120), height = window.Pick(8, 120);
    // Stop at once, within 3 ms, within 40 ms, or some time after the first
    // picture.
    const int kind = window.Pick(0, 3);
    const std::chrono::microseconds delay(kind == 0 ? 0 : window.Pick(0, kind == 1 ? 3000 : 40000));
    const std::string what = "run " + std::to_string(r) + ", style " +
                             std::to_string(para.m_nDrawStyle) + ", mesh " +
                             std::to_string(para.m_nMesh);
    if (!window.Start(what, std::chrono::seconds(60), para, width, height, f)) return;
    if (kind == 3) window.WaitForPicture();
    // Floods the mailbox until then, answering notices meanwhile.
    for (const auto until = Clock::now() + delay; Clock::now() < until;) {
      window.Burst();
      window.TakeAnnounced();
      std::this_thread::sleep_for(std::chrono::microseconds(window.Pick(0, 2000)));
    }
    window.Stop(figures, true);
    // The thread may have ended already; its notice has come, its Reap not yet.
    if (r % 4 == 0) {
      std::this_thread::sleep_for(std::chrono::microseconds(r % 3 * 500));
      const StartResult again = window.run.Start(para, width, height, &window.compiled[f]);
      Check(again == StartResult::AlreadyRunning, "Start between the end notice and Reap gave " +
                                                      std::to_string(static_cast<int>(again)));
      if (again == StartResult::Started) window.run.RequestStop();
      refusedBeforeReap += again == StartResult::AlreadyRunning ? 1 : 0;
    }
    window.Reap();
    const bool pictured = window.listener.Frames() > window.framesBefore;
    Check(!pictured || baseNice >= 19 || window.listener.m_nRunNice.load() > baseNice,
          "the run does not yield");
  }
  std::printf("%d runs in %.1f s, %d Starts refused between the end notice and Reap\n", runs,
              std::chrono::duration<double>(Clock::now() - begin).count(), refusedBeforeReap);
  for (int p = 0; p < kPhases; ++p)
    std::printf("  stopped during %-8s %4d runs, longest stop %7.1f ms\n", kPhaseNames[p],
                figures.stops[p], figures.longestMs[p]);
}

// Stops at N = 500 for each style: during sampling, a random moment after the
// grid is complete (context, list build, first draw), and during a redraw
// after a rotate or tick.
void LongestStopAtN500PerStyle(unsigned seed) {
  const int runs = static_cast<int>(EnvNumber("ORVEX_STOP_RUNS", 15));
  Window window(seed);
  const char* const styles[] = {"mesh", "plastic", "paper", "ghost", "silver", "contour"};
  std::printf("%-8s %5s | longest stop, ms: %9s %9s %9s | %9s\n", "style", "runs", "sampling",
              "building", "display", "all");
  for (int style = STYLE_MESH; style <= STYLE_CONTOUR; ++style) {
    CParaData para;
    para.m_nDrawStyle = style, para.m_nMesh = 500;
    StopFigures figures;
    for (int r = 0; r < runs; ++r) {
      const std::string what = std::string(styles[style]) + " at N = 500, run " + std::to_string(r);
      if (!window.Start(what, std::chrono::seconds(120), para, 1024, 768, 0)) return;
      if (r % 3 == kSampling) {
        std::this_thread::sleep_for(std::chrono::microseconds(window.Pick(0, 5000)));
      } else if (r % 3 == kBuilding) {
        while (window.Where() == kSampling) std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(window.Pick(0, 300)));
      } else {
        window.WaitForPicture();
        style == STYLE_MESH || style == STYLE_CONTOUR ? window.run.Rotate() : window.run.Tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(window.Pick(0, 100)));
      }
      window.Stop(figures, false);
      window.Reap();
    }
    std::printf("%-8s %5d | %27.1f %9.1f %9.1f | %9.1f\n", styles[style], runs,
                figures.longestMs[kSampling], figures.longestMs[kBuilding],
                figures.longestMs[kDisplay],
                *std::max_element(figures.longestMs.begin(), figures.longestMs.end()));
  }
}

}  // namespace

int main(int argc, char** argv) {
  const bool runsOnly = argc > 1 && std::strcmp(argv[1], "--runs-only") == 0;
  const unsigned seed = EnvNumber("ORVEX_STRESS_SEED", std::random_device{}());
  ThousandRuns(seed);
  if (!runsOnly && g_failures == 0) LongestStopAtN500PerStyle(seed);
  std::printf("%d failures\n", g_failures);
  return g_failures == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
