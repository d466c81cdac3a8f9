// The drawing thread's protocol: start, stop during sampling, the two display
// loops driven by the mailbox, and an idle loop that costs no CPU.
#include <pthread.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

#include "RenderTestSupport.h"
#include "core/ShareData.h"

namespace {

struct RunFixture {
  explicit RunFixture(const CParaData& runPara) : para(runPara) {
    formula.Tokenize(para.m_strFormula);
    formula.MakePostfix();
  }
  bool Start(int width = 64, int height = 64, PFN_EVALUATE evaluate = EvaluateFormula) {
    return controller.Start(para, ClientRect{0, 0, width, height}, &formula, &sink, evaluate);
  }
  CParaData para;
  CFormula formula;
  CapturingSink sink;
  RunController controller;
};

// Holds the sampler at its first point until the run is told to stop, so the
// stop lands during sampling every time.
std::atomic<bool> g_samplerEntered{false};
double HoldingEvaluate(CFormula*, const double*, const double*, const double*) {
  if (!g_samplerEntered.exchange(true)) {
    while (IsRunning(g_ShareData.m_nState.load())) std::this_thread::yield();
  }
  return 1.0;
}

TEST(DrawingThread, StopDuringSamplingEndsTheRunAtTheNextPoint) {
  for (int style : {STYLE_MESH, STYLE_CONTOUR}) {
    SCOPED_TRACE(style);
    RunFixture run(SmallPara(style, DEFAULT_FORMULA, 500));
    g_samplerEntered = false;
    ASSERT_TRUE(run.Start(64, 64, HoldingEvaluate));
    while (!g_samplerEntered) std::this_thread::yield();
    run.controller.Stop();

    EXPECT_EQ(g_ShareData.m_nState.load(), DS_IDLE);
    EXPECT_FALSE(run.controller.IsRunning());
    EXPECT_TRUE(run.sink.HasEnded());
    // One row of 501 begun by the sampler (the contour list builder counts
    // its first row before it sees the stop too).
    EXPECT_LE(g_ShareData.m_nProgress.load(), 2);
    EXPECT_GT(g_ShareData.m_nProgress.load(), 0);
    // Whatever was shown is the bare background.
    for (std::size_t k = 0; k < run.sink.Count(); ++k) {
      const Frame frame = run.sink.At(k);
      EXPECT_EQ(CountPixels(frame, [](const RGB& p) { return p != RGB{0, 0, 0}; }), 0u);
    }
  }
}

TEST(DrawingThread, StartIsRefusedWhileRunningAndForUnknownStyles) {
  REQUIRE_GL_CONTEXT();
  RunFixture run(SmallPara(STYLE_MESH, DEFAULT_FORMULA, 4));
  ASSERT_TRUE(run.Start());
  ASSERT_TRUE(run.sink.WaitForFrames(1));
  CapturingSink otherSink;
  EXPECT_FALSE(run.controller.Start(SmallPara(STYLE_CONTOUR), ClientRect{0, 0, 8, 8}, &run.formula,
                                    &otherSink));
  EXPECT_EQ(g_ShareData.m_nState.load(), DS_RUN_SURFACE);
  run.controller.Stop();
  EXPECT_EQ(g_ShareData.m_nState.load(), DS_IDLE);
  EXPECT_EQ(otherSink.Count(), 0u);

  for (int style : {-1, 6}) {
    RunFixture bad(SmallPara(style));
    EXPECT_FALSE(bad.Start());
    EXPECT_EQ(g_ShareData.m_nState.load(), DS_IDLE);
  }
}

TEST(DrawingThread, FiveQuickRotationsCollapseAndEndAtTheLastAngles) {
  REQUIRE_GL_CONTEXT();
  CParaData para = SmallPara(STYLE_MESH, DEFAULT_FORMULA, 12);
  para.m_bShading = FALSE;
  CParaData last = para;
  last.m_dLeftRightAngle = 30.0 + 5 * 17.0;
  last.m_dUpDownAngle = -20.0 - 5 * 3.0;
  bool ok = false;
  const Frame reference = RenderFirstFrame(last, 64, 64, &ok);
  ASSERT_TRUE(ok);

  RunFixture run(para);
  ASSERT_TRUE(run.Start());
  ASSERT_TRUE(run.sink.WaitForFrames(1));
  ASSERT_NE(CountDifferent(run.sink.At(0), reference), 0u);
  for (int k = 1; k <= 5; ++k) {
    g_ShareData.SetAngles(-20.0 - k * 3.0, 30.0 + k * 17.0);
    run.controller.PostRotate();
  }
  EXPECT_TRUE(
      run.sink.WaitForFrame([&](const Frame& f) { return CountDifferent(f, reference) == 0; }));
  run.controller.Stop();
  const std::size_t redraws = run.sink.Count() - 1;
  EXPECT_GE(redraws, 1u);
  EXPECT_LE(redraws, 5u);
  EXPECT_EQ(CountDifferent(run.sink.Last(), reference), 0u);
}

TEST(DrawingThread, ARedrawReplaysTheCompiledListsOnly) {
  REQUIRE_GL_CONTEXT();
  struct Case {
    int style;
    BOOL shading;
    BOOL hiddenLine;
    std::uint64_t calls;
  };
  for (const Case& c : {Case{STYLE_MESH, FALSE, FALSE, 1}, Case{STYLE_MESH, FALSE, TRUE, 2},
                        Case{STYLE_MESH, TRUE, FALSE, 2}, Case{STYLE_CONTOUR, FALSE, FALSE, 1}}) {
    SCOPED_TRACE(testing::Message() << c.style << " " << c.shading << " " << c.hiddenLine);
    CParaData para = SmallPara(c.style, DEFAULT_FORMULA, 8);
    para.m_bShading = c.shading;
    para.m_bHiddenLine = c.hiddenLine;
    RunFixture run(para);
    ASSERT_TRUE(run.Start(32, 32));
    ASSERT_TRUE(run.sink.WaitForFrames(1));
    EXPECT_EQ(run.controller.ListCalls(), c.calls);
    g_ShareData.SetAngles(-10.0, 40.0);
    run.controller.PostRotate();
    ASSERT_TRUE(run.sink.WaitForFrames(2));
    EXPECT_EQ(run.controller.ListCalls(), 2 * c.calls);
    run.controller.Stop();
  }
}

TEST(DrawingThread, MeshIgnoresTicksAndSolidsIgnoreRotations) {
  REQUIRE_GL_CONTEXT();
  struct Case {
    int style;
    RunMessage ignored;
  };
  for (const Case& c : {Case{STYLE_MESH, RunMessage::Tick}, Case{STYLE_CONTOUR, RunMessage::Tick},
                        Case{STYLE_PLASTIC, RunMessage::Rotate}}) {
    SCOPED_TRACE(c.style);
    RunFixture run(SmallPara(c.style, DEFAULT_FORMULA, 6));
    ASSERT_TRUE(run.Start(32, 32));
    ASSERT_TRUE(run.sink.WaitForFrames(1));
    for (int k = 0; k < 3; ++k) {
      if (c.ignored == RunMessage::Tick) {
        run.controller.PostTick();
      } else {
        run.controller.PostRotate();
      }
    }
    // The mailbox is first in, first out: once the wanted message has been
    // answered, the ignored ones before it have been dropped.
    if (c.ignored == RunMessage::Tick) {
      run.controller.PostRotate();
    } else {
      run.controller.PostTick();
    }
    ASSERT_TRUE(run.sink.WaitForFrames(2));
    run.controller.Stop();
    EXPECT_EQ(run.sink.Count(), 2u);
  }
}

TEST(DrawingThread, EachTickPresentsTheFrameOfTheTickBeforeAndTurnsOneDegree) {
  REQUIRE_GL_CONTEXT();
  RunFixture run(SmallPara(STYLE_PLASTIC, DEFAULT_FORMULA, 8));
  ASSERT_TRUE(run.Start(48, 48));
  ASSERT_TRUE(run.sink.WaitForFrames(1));
  // Ticks posted together collapse into one turn, so each waits for its frame.
  const std::size_t ticks = 361;
  for (std::size_t k = 1; k <= ticks; ++k) {
    run.controller.PostTick();
    ASSERT_TRUE(run.sink.WaitForFrames(k + 1));
  }
  run.controller.Stop();
  ASSERT_EQ(run.sink.Count(), ticks + 1);
  const Frame first = run.sink.At(0);
  // The first tick shows the first picture again; the turn is drawn after.
  EXPECT_EQ(CountDifferent(run.sink.At(1), first), 0u);
  EXPECT_GT(CountDifferent(run.sink.At(2), run.sink.At(1)), 0u);
  EXPECT_GT(CountDifferent(run.sink.At(3), run.sink.At(2)), 0u);
  // Frame k + 1 is turned by k degrees: half a turn looks different, a whole
  // turn (up to float drift in the accumulated matrix) is the first picture.
  EXPECT_GT(CountDifferent(run.sink.At(181), first), 48u * 48u / 10);
  EXPECT_LE(CountDifferent(run.sink.At(361), first), 48u * 48u / 100);
}

TEST(DrawingThread, AFailedPresentEndsTheRunWithoutAStop) {
  REQUIRE_GL_CONTEXT();
  for (std::size_t failFrom : {std::size_t{0}, std::size_t{1}}) {
    SCOPED_TRACE(failFrom);
    RunFixture run(SmallPara(STYLE_MESH, DEFAULT_FORMULA, 4));
    run.sink.m_failFrom = failFrom;
    ASSERT_TRUE(run.Start(16, 16));
    if (failFrom > 0) {
      ASSERT_TRUE(run.sink.WaitForFrames(1));
      run.controller.PostRotate();
    }
    EXPECT_FALSE(run.sink.WaitForFrames(failFrom + 2));
    EXPECT_TRUE(run.sink.HasEnded());
    run.controller.Stop();
    EXPECT_EQ(g_ShareData.m_nState.load(), DS_IDLE);
    EXPECT_EQ(run.sink.Count(), failFrom + 1);
  }
}

std::chrono::nanoseconds ThreadCpuTime(pthread_t thread) {
  clockid_t clock{};
  EXPECT_EQ(pthread_getcpuclockid(thread, &clock), 0);
  timespec time{};
  EXPECT_EQ(clock_gettime(clock, &time), 0);
  return std::chrono::seconds(time.tv_sec) + std::chrono::nanoseconds(time.tv_nsec);
}

TEST(DrawingThread, WaitingLoopsUseNoProcessorTime) {
  REQUIRE_GL_CONTEXT();
  for (int style : {STYLE_MESH, STYLE_GHOST}) {
    SCOPED_TRACE(style);
    RunFixture run(SmallPara(style, DEFAULT_FORMULA, 8));
    ASSERT_TRUE(run.Start(32, 32));
    ASSERT_TRUE(run.sink.WaitForFrames(1));
    const pthread_t thread = run.controller.NativeHandle();
    const auto before = ThreadCpuTime(thread);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const auto after = ThreadCpuTime(thread);
    run.controller.Stop();
    // A CPU budget, not a wall-clock limit: a polling loop would burn the
    // whole second.
    EXPECT_LT(after - before, std::chrono::milliseconds(50));
    RecordProperty(
        "idle_cpu_us_style" + std::to_string(style),
        static_cast<int>(
            std::chrono::duration_cast<std::chrono::microseconds>(after - before).count()));
  }
}

}  // namespace
