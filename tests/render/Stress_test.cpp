// Start and stop through the window's face, a thousand runs in a row, stopped
// at random moments (during sampling, during the list build, while a picture
// is on display) with rotate, tick and resample messages flooding the
// mailbox, every style, small meshes mostly. Then the time from a stop request to the end
// notice at N = 500, measured per style. Not part of the default test run:
// scripts/stress.sh runs it (docs/STRESS.md).
//
//   ORVEX_STRESS_RUNS   runs in a row (1000)
//   ORVEX_STOP_RUNS     timed stops per style at N = 500 (15)
//   ORVEX_STRESS_SEED   repeats the random choices of an earlier run
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <string>
#include <thread>

#include "RenderTestSupport.h"
#include "render/DrawingRun.h"

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

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

// The window's side of one DrawingRun at a time: answers the notices in order,
// as an event loop would, taking each announced picture at once and checking
// it is there and of the run's size. The watchdog below bounds the waits.
struct Window {
  explicit Window(unsigned seed) : random(seed), run(&listener) {}
  ~Window() {
    quit = true;
    watchdog.join();
  }
  int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); }

  void Start(const std::string& what, std::chrono::seconds limit, const CParaData& runPara,
             int runWidth, int runHeight, std::size_t f) {
    Arm(what, limit);
    para = runPara, width = runWidth, height = runHeight;
    listener.m_nRunNice = INT_MIN;
    framesBefore = listener.Frames();
    endedBefore = listener.Ended();
    ASSERT_EQ(run.Start(para, width, height, &compiled[f]), StartResult::Started);
  }
  // Until the first picture, or an end without one.
  void WaitForPicture() {
    listener.WaitUntil(
        [&] { return listener.m_nFrames > framesBefore || listener.m_nEnded > endedBefore; });
  }
  void TakeAnnounced() {
    for (const int frames = listener.Frames(); taken < frames; ++taken) {
      Frame frame;
      ASSERT_TRUE(run.TakeFrame(frame)) << "a picture was announced and is not there";
      EXPECT_EQ(std::pair(frame.width, frame.height), std::pair(width, height));
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
    ASSERT_TRUE(listener.WaitUntil([&] { return listener.m_nEnded > endedBefore; }));
    ++figures.stops[phase];
    figures.longestMs[phase] =
        std::max(figures.longestMs[phase],
                 Ms(listener.Locked([&] { return listener.m_endedAt; }) - stopAt).count());
  }
  void Reap() {
    TakeAnnounced();
    run.Reap();
    Arm("", std::chrono::hours(24));
    EXPECT_EQ(std::tuple(run.Busy(), g_ShareData.m_nState.load(), listener.Ended()),
              std::tuple(false, DS_IDLE, endedBefore + 1));
  }

  const std::array<std::string, 2> formulas = {DEFAULT_FORMULA, "sin(x)*cos(y)"};
  std::array<CFormula, 2> compiled = {Compiled(formulas[0]), Compiled(formulas[1])};
  std::mt19937 random;
  // Bounds every run: a run still going after the limit is a deadlock, and
  // the program ends with the run's description instead of hanging the caller.
  void Arm(std::string what, std::chrono::seconds limit) {
    std::lock_guard lock(mutex);
    running = std::move(what), deadline = Clock::now() + limit;
  }
  std::mutex mutex;
  std::string running;
  Clock::time_point deadline = Clock::time_point::max();
  std::atomic<bool> quit{false};
  std::thread watchdog{[this] {
    for (; !quit; std::this_thread::sleep_for(std::chrono::milliseconds(100))) {
      std::lock_guard lock(mutex);
      if (Clock::now() < deadline) continue;
      ADD_FAILURE() << "no end within the limit, deadlock: " << running
                    << "; state = " << g_ShareData.m_nState.load()
                    << ", progress = " << g_ShareData.m_nProgress.load();
      std::fflush(stdout);
      std::_Exit(EXIT_FAILURE);
    }
  }};
  CountingListener listener;
  DrawingRun run;
  CParaData para;
  int width = 0, height = 0, taken = 0, framesBefore = 0, endedBefore = 0;
};

unsigned Seed() { return EnvNumber("ORVEX_STRESS_SEED", std::random_device{}()); }

TEST(Stress, ThousandRunsStoppedAtRandomMomentsAllEndIdleAndJoined) {
  REQUIRE_GL_CONTEXT();
  const int runs = static_cast<int>(EnvNumber("ORVEX_STRESS_RUNS", 1000));
  const unsigned seed = Seed();
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
    SCOPED_TRACE(what);
    window.Start(what, std::chrono::seconds(60), para, width, height, f);
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
      EXPECT_EQ(again, StartResult::AlreadyRunning) << "result " << static_cast<int>(again);
      if (again == StartResult::Started) window.run.RequestStop();
      refusedBeforeReap += again == StartResult::AlreadyRunning ? 1 : 0;
    }
    window.Reap();
    const bool pictured = window.listener.Frames() > window.framesBefore;
    EXPECT_TRUE(!pictured || baseNice >= 19 || window.listener.m_nRunNice.load() > baseNice)
        << "the run does not yield";
    if (HasFatalFailure()) return;
  }
  std::printf("%d runs in %.1f s, %d Starts refused between the end notice and Reap\n", runs,
              std::chrono::duration<double>(Clock::now() - begin).count(), refusedBeforeReap);
  for (int p = 0; p < kPhases; ++p)
    std::printf("  stopped during %-8s %4d runs, longest stop %7.1f ms\n", kPhaseNames[p],
                figures.stops[p], figures.longestMs[p]);
}

// Stops at N = 500 for each style: during sampling, a random moment after the
// grid is complete (context, list build, first draw), and during a redraw
// after a rotate or tick. Measured and printed only.
TEST(Stress, LongestStopAtN500PerStyle) {
  REQUIRE_GL_CONTEXT();
  const int runs = static_cast<int>(EnvNumber("ORVEX_STOP_RUNS", 15));
  Window window(Seed());
  const char* const styles[] = {"mesh", "plastic", "paper", "ghost", "silver", "contour"};
  std::printf("%-8s %5s | longest stop, ms: %9s %9s %9s | %9s\n", "style", "runs", "sampling",
              "building", "display", "all");
  for (int style = STYLE_MESH; style <= STYLE_CONTOUR; ++style) {
    CParaData para;
    para.m_nDrawStyle = style, para.m_nMesh = 500;
    StopFigures figures;
    for (int r = 0; r < runs; ++r) {
      const std::string what = std::string(styles[style]) + " at N = 500, run " + std::to_string(r);
      SCOPED_TRACE(what);
      window.Start(what, std::chrono::seconds(120), para, 1024, 768, 0);
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
