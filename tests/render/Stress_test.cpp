// Start and stop through the window's face, a thousand runs in a row, stopped
// at random moments (during sampling, during the list build, while a picture
// is on display) with rotate and tick messages flooding the mailbox, every
// style, small meshes mostly. Then the time from a stop request to the end
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
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <random>
#include <string>
#include <thread>

#include "RenderTestSupport.h"
#include "core/ShareData.h"
#include "render/DrawingRun.h"

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

int EnvInt(const char* name, int fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? std::atoi(value) : fallback;
}

// Bounds every run: a run still going after the limit is a deadlock, and the
// program ends with the run's description instead of hanging the caller.
class Watchdog {
 public:
  Watchdog() : m_thread([this] { Watch(); }) {}
  ~Watchdog() {
    {
      std::lock_guard lock(m_mutex);
      m_bQuit = true;
    }
    m_changed.notify_one();
    m_thread.join();
  }
  void Arm(std::string what, std::chrono::seconds limit) {
    std::lock_guard lock(m_mutex);
    m_what = std::move(what);
    m_deadline = Clock::now() + limit;
  }
  void Disarm() { Arm("", std::chrono::hours(24)); }

 private:
  void Watch() {
    std::unique_lock lock(m_mutex);
    while (!m_bQuit) {
      if (Clock::now() > m_deadline) {
        ADD_FAILURE() << "no end within the limit, deadlock: " << m_what
                      << "; state = " << g_ShareData.m_nState.load()
                      << ", progress = " << g_ShareData.m_nProgress.load();
        std::fflush(stdout);
        std::_Exit(EXIT_FAILURE);
      }
      m_changed.wait_for(lock, std::chrono::milliseconds(100));
    }
  }
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::string m_what;
  Clock::time_point m_deadline = Clock::now() + std::chrono::hours(24);
  bool m_bQuit = false;
  std::thread m_thread;
};

// The window's queue, reduced to counters: notices arrive on the drawing
// thread and the test thread answers them in order, as an event loop would.
class Listener : public DrawingRunListener {
 public:
  void FrameReady() override {
    m_nRunNice.store(getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())));
    std::lock_guard lock(m_mutex);
    ++m_nFrames;
    m_changed.notify_all();
  }
  void RunEnded() override {
    std::lock_guard lock(m_mutex);
    m_endedAt = Clock::now();
    ++m_nEnded;
    m_changed.notify_all();
  }
  int Frames() {
    std::lock_guard lock(m_mutex);
    return m_nFrames;
  }
  int Ended() {
    std::lock_guard lock(m_mutex);
    return m_nEnded;
  }
  // The watchdog bounds these waits.
  Clock::time_point WaitForEnd(int count) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_nEnded >= count; });
    return m_endedAt;
  }
  void WaitForFrames(int count) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_nFrames >= count || m_nEnded > m_nEndedBefore; });
  }
  void BeginRun() {
    std::lock_guard lock(m_mutex);
    m_nEndedBefore = m_nEnded;
    m_nRunNice.store(INT_MIN);
  }
  std::atomic<int> m_nRunNice{INT_MIN};  // the drawing thread's, at its last picture

 private:
  std::mutex m_mutex;
  std::condition_variable m_changed;
  int m_nFrames = 0;
  int m_nEnded = 0;
  int m_nEndedBefore = 0;
  Clock::time_point m_endedAt;
};

enum Phase { kSampling, kBuilding, kDisplay, kPhases };
constexpr std::array<const char*, kPhases> kPhaseNames = {"sampling", "building", "display"};

// The window's side of one DrawingRun: takes each announced picture at once
// and checks it is there and of the run's size.
struct Window {
  Window() : run(&listener) {
    for (std::size_t k = 0; k < formulas.size(); ++k) {
      compiled[k].Tokenize(formulas[k]);
      compiled[k].MakePostfix();
    }
  }
  void TakeAnnounced(int width, int height) {
    for (const int frames = listener.Frames(); taken < frames; ++taken) {
      Frame frame;
      ASSERT_TRUE(run.TakeFrame(frame)) << "a picture was announced and is not there";
      EXPECT_EQ(frame.width, width);
      EXPECT_EQ(frame.height, height);
    }
  }
  // Where the run is: a picture shown, the grid complete (context, list
  // build, first draw), or sampling still going.
  Phase PhaseOf(const CParaData& para, int framesBefore) {
    if (listener.Frames() > framesBefore) return kDisplay;
    const int sampled =
        para.m_nDrawStyle == STYLE_CONTOUR ? para.m_nMesh + 1 : 2 * para.m_nMesh + 2;
    return g_ShareData.m_nProgress.load() >= sampled ? kBuilding : kSampling;
  }
  // A burst of rotate and tick messages, the angles changed before it.
  void Burst(std::mt19937& random) {
    std::uniform_real_distribution<double> angle(-180.0, 180.0);
    g_ShareData.SetAngles(angle(random), angle(random));
    for (int k = std::uniform_int_distribution<int>(1, 20)(random); k > 0; --k) {
      if (std::uniform_int_distribution<int>(0, 1)(random) != 0) {
        run.Rotate();
      } else {
        run.Tick();
      }
    }
  }
  // Floods the mailbox until then, answering notices meanwhile.
  void Flood(std::mt19937& random, Clock::time_point until, int width, int height) {
    std::uniform_int_distribution<int> pauseUs(0, 2000);
    while (Clock::now() < until) {
      Burst(random);
      TakeAnnounced(width, height);
      std::this_thread::sleep_for(std::chrono::microseconds(pauseUs(random)));
    }
  }

  const std::array<std::string, 2> formulas = {DEFAULT_FORMULA, "sin(x)*cos(y)"};
  std::array<CFormula, 2> compiled;
  Listener listener;
  DrawingRun run;
  int taken = 0;
};

struct StopFigures {
  std::array<int, kPhases> stops{};
  std::array<double, kPhases> longestMs{};
  void Add(Phase phase, double ms) {
    ++stops[phase];
    longestMs[phase] = std::max(longestMs[phase], ms);
  }
  double Longest() const { return *std::max_element(longestMs.begin(), longestMs.end()); }
};

unsigned Seed() {
  const char* fixed = std::getenv("ORVEX_STRESS_SEED");
  return fixed != nullptr && *fixed != '\0'
             ? static_cast<unsigned>(std::strtoul(fixed, nullptr, 10))
             : std::random_device{}();
}

TEST(Stress, ThousandRunsStoppedAtRandomMomentsAllEndIdleAndJoined) {
  REQUIRE_GL_CONTEXT();
  const int runs = EnvInt("ORVEX_STRESS_RUNS", 1000);
  const unsigned seed = Seed();
  std::mt19937 random(seed);
  std::printf("seed %u (ORVEX_STRESS_SEED repeats the choices), %d runs\n", seed, runs);
  Watchdog watchdog;
  Window window;
  const int baseNice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
  StopFigures figures;
  int refusedBeforeReap = 0;
  const auto begin = Clock::now();
  for (int r = 0; r < runs; ++r) {
    CParaData para;
    para.m_nDrawStyle = r % 6;
    // Mostly small meshes, so that a thousand runs stay short; some medium
    // ones, whose sampling lasts long enough to be stopped in.
    para.m_nMesh = std::uniform_int_distribution<int>(0, 99)(random) < 85
                       ? std::uniform_int_distribution<int>(2, 40)(random)
                       : std::uniform_int_distribution<int>(60, 200)(random);
    para.m_bShading = std::uniform_int_distribution<int>(0, 1)(random);
    para.m_bHiddenLine = std::uniform_int_distribution<int>(0, 1)(random);
    para.m_bPerspective = std::uniform_int_distribution<int>(0, 1)(random);
    para.m_nBackColor = std::uniform_int_distribution<int>(0, 2)(random);
    const std::size_t f = std::uniform_int_distribution<std::size_t>(0, 1)(random);
    para.m_strFormula = window.formulas[f];
    const int width = std::uniform_int_distribution<int>(8, 120)(random);
    const int height = std::uniform_int_distribution<int>(8, 120)(random);
    // Stop at once, within 3 ms, within 40 ms, or some time after the first
    // picture.
    const int kind = std::uniform_int_distribution<int>(0, 3)(random);
    const auto delay = std::chrono::microseconds(
        kind == 0 ? 0 : std::uniform_int_distribution<int>(0, kind == 1 ? 3000 : 40000)(random));
    const std::string what = "run " + std::to_string(r) + ", style " +
                             std::to_string(para.m_nDrawStyle) + ", mesh " +
                             std::to_string(para.m_nMesh);
    SCOPED_TRACE(what);
    watchdog.Arm(what, std::chrono::seconds(60));

    window.listener.BeginRun();
    const int framesBefore = window.listener.Frames();
    const int endedBefore = window.listener.Ended();
    ASSERT_EQ(window.run.Start(para, width, height, &window.compiled[f]), StartResult::Started);
    if (kind == 3) window.listener.WaitForFrames(framesBefore + 1);
    window.Flood(random, Clock::now() + delay, width, height);
    const Phase phase = window.PhaseOf(para, framesBefore);
    const auto stopAt = Clock::now();
    window.run.RequestStop();
    // Messages after the stop must be dropped, not answered.
    window.Burst(random);
    const auto endedAt = window.listener.WaitForEnd(endedBefore + 1);
    figures.Add(phase, Ms(endedAt - stopAt).count());

    // The thread may have ended already; its notice has come, its Reap not yet.
    if (r % 4 == 0) {
      std::this_thread::sleep_for(std::chrono::microseconds(r % 3 * 500));
      const StartResult again = window.run.Start(para, width, height, &window.compiled[f]);
      EXPECT_EQ(again, StartResult::AlreadyRunning) << "result " << static_cast<int>(again);
      if (again == StartResult::Started) window.run.RequestStop();
      refusedBeforeReap += again == StartResult::AlreadyRunning ? 1 : 0;
    }
    window.TakeAnnounced(width, height);
    window.run.Reap();
    watchdog.Disarm();
    EXPECT_FALSE(window.run.Busy());
    EXPECT_EQ(g_ShareData.m_nState.load(), DS_IDLE);
    EXPECT_EQ(window.listener.Ended(), endedBefore + 1);
    if (window.listener.Frames() > framesBefore && baseNice < 19) {
      EXPECT_GT(window.listener.m_nRunNice.load(), baseNice) << "the run does not yield";
    }
    if (HasFatalFailure()) return;
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
  std::printf("%d runs in %.1f s, %d Starts refused between the end notice and Reap\n", runs,
              seconds, refusedBeforeReap);
  for (int p = 0; p < kPhases; ++p) {
    std::printf("  stopped during %-8s %4d runs, longest stop %7.1f ms\n", kPhaseNames[p],
                figures.stops[p], figures.longestMs[p]);
  }
}

// Stops at N = 500 for each style: during sampling, a random moment after the
// grid is complete (context, list build, first draw), and during a redraw
// after a rotate or tick. Measured and printed only.
TEST(Stress, LongestStopAtN500PerStyle) {
  REQUIRE_GL_CONTEXT();
  const int runs = EnvInt("ORVEX_STOP_RUNS", 15);
  std::mt19937 random(Seed());
  Watchdog watchdog;
  Window window;
  const char* const styles[] = {"mesh", "plastic", "paper", "ghost", "silver", "contour"};
  std::printf("%-8s %5s | longest stop, ms: %9s %9s %9s | %9s\n", "style", "runs", "sampling",
              "building", "display", "all");
  for (int style = STYLE_MESH; style <= STYLE_CONTOUR; ++style) {
    CParaData para;
    para.m_nDrawStyle = style;
    para.m_nMesh = 500;
    StopFigures figures;
    for (int r = 0; r < runs; ++r) {
      const std::string what = std::string(styles[style]) + " at N = 500, run " + std::to_string(r);
      SCOPED_TRACE(what);
      watchdog.Arm(what, std::chrono::seconds(120));
      window.listener.BeginRun();
      const int framesBefore = window.listener.Frames();
      const int endedBefore = window.listener.Ended();
      ASSERT_EQ(window.run.Start(para, 1024, 768, &window.compiled[0]), StartResult::Started);
      const int target = r % 3;
      if (target == kSampling) {
        std::this_thread::sleep_for(
            std::chrono::microseconds(std::uniform_int_distribution<int>(0, 5000)(random)));
      } else if (target == kBuilding) {
        while (window.PhaseOf(para, framesBefore) == kSampling) std::this_thread::yield();
        std::this_thread::sleep_for(
            std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 300)(random)));
      } else {
        window.listener.WaitForFrames(framesBefore + 1);
        if (style == STYLE_MESH || style == STYLE_CONTOUR) {
          window.run.Rotate();
        } else {
          window.run.Tick();
        }
        std::this_thread::sleep_for(
            std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 100)(random)));
      }
      const Phase phase = window.PhaseOf(para, framesBefore);
      const auto stopAt = Clock::now();
      window.run.RequestStop();
      const auto endedAt = window.listener.WaitForEnd(endedBefore + 1);
      figures.Add(phase, Ms(endedAt - stopAt).count());
      window.TakeAnnounced(1024, 768);
      window.run.Reap();
      watchdog.Disarm();
      EXPECT_EQ(g_ShareData.m_nState.load(), DS_IDLE);
    }
    std::printf("%-8s %5d | %27.1f %9.1f %9.1f | %9.1f\n", styles[style], runs,
                figures.longestMs[kSampling], figures.longestMs[kBuilding],
                figures.longestMs[kDisplay], figures.Longest());
  }
}

}  // namespace
