// The drawing thread's protocol: start, stop during sampling, the two display
// loops driven by the mailbox, resamples, and runs that end without their picture; then
// its face to the window, DrawingRun: notices posted without waiting, the
// newest picture handed over, progress inside its range.
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>

#include "RenderTestSupport.h"

namespace {

// Sampling a grid of 2001 x 2001 points takes long enough that a stop given
// once the first row is done, or soon after a resample of it, lands during
// sampling: the run ends idle at the next row, with no new picture.
TEST(DrawingThread, AStopDuringSamplingEndsTheRunAtTheNextRow) {
  for (const bool resample : {false, true}) {
    for (const int style : {STYLE_MESH, STYLE_CONTOUR}) {
      const CParaData para = SmallPara(style, "SIN(X)*COS(Y) + EXP(-X^2/10) * ATAN(X*Y)", 2000);
      SCOPED_TRACE(testing::Message() << style << (resample ? " resample" : ""));
      const int perRow = style == STYLE_CONTOUR ? 1 : 2;
      TestRun run(resample ? SmallPara(style) : para);
      if (resample) {
        if (!EglAvailable()) GTEST_SKIP() << "no off-screen OpenGL context here";
        ASSERT_TRUE(run.Start());
        ASSERT_TRUE(run.controller.PostResample(para, false));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      } else {
        ASSERT_EQ(run.Begin(64, 64), StartResult::Started);
        while (g_ShareData.m_nProgress.load() < perRow) std::this_thread::yield();
      }
      run.controller.Stop();
      EXPECT_EQ(std::pair(g_ShareData.m_nState.load(), run.sink.HasEnded()),
                std::pair(DS_IDLE, true));
      if (resample) {
        EXPECT_EQ(std::pair(run.sink.Count(), run.controller.LastProblem()),
                  std::pair(std::size_t{1}, RunProblem::None));
        continue;
      }
      EXPECT_LT(g_ShareData.m_nProgress.load(), 2001 * perRow);
      // Nothing drawn on the background.
      for (std::size_t k = 0; k < run.sink.Count(); ++k)
        EXPECT_EQ(CountPixels(run.sink.At(k), [](const RGB& p) { return p != RGB{0, 0, 0}; }), 0u);
    }
  }
}

TEST(DrawingThread, StartTellsWhyItStartedNoRunAndTheEndKeepsTheWindowsState) {
  REQUIRE_GL_CONTEXT();
  TestRun run(SmallPara(STYLE_MESH, DEFAULT_FORMULA, 4));
  // The thread is held inside its first present, so the test can act while
  // a run is ending but not yet ended.
  std::atomic<bool> entered{false}, released{false};
  run.sink.m_onPresent = [&](std::size_t) {
    entered = true;
    while (!released) std::this_thread::yield();
  };
  ASSERT_EQ(run.Begin(8, 8), StartResult::Started);
  while (!entered) std::this_thread::yield();
  CapturingSink other;
  const auto startOther = [&](int style = STYLE_CONTOUR) {
    return run.controller.Start(SmallPara(style), ClientRect{0, 0, 8, 8}, &run.formula, &other);
  };
  EXPECT_EQ(startOther(), StartResult::AlreadyRunning);
  EXPECT_EQ(g_ShareData.m_nState.load(), DS_RUN_SURFACE);
  // A stop request returns while the thread is still busy presenting, and a
  // Start meanwhile neither waits nor starts a second thread.
  run.controller.RequestStop();
  EXPECT_EQ(g_ShareData.m_nState.load(), DS_STOP);
  EXPECT_FALSE(run.controller.HasEnded());
  EXPECT_EQ(startOther(), StartResult::AlreadyRunning);
  released = true;
  EXPECT_FALSE(run.sink.WaitForFrames(2));
  EXPECT_TRUE(run.sink.HasEnded());
  run.controller.Reap();
  EXPECT_EQ(g_ShareData.m_nState.load(), DS_IDLE);
  EXPECT_EQ(other.Count(), 0u);

  EXPECT_EQ(startOther(6), StartResult::BadStyle);
  EXPECT_EQ(g_ShareData.m_nState.load(), DS_IDLE);
  run.controller.FailNextStartForTesting();
  EXPECT_EQ(startOther(), StartResult::CouldNotStart);
  EXPECT_EQ(g_ShareData.m_nState.load(), DS_IDLE);
  EXPECT_FALSE(run.controller.Busy());
  EXPECT_EQ(startOther(), StartResult::Started);
  EXPECT_TRUE(other.WaitForFrames(1));
  // A state the window wrote during the run outlives the thread's end; only
  // DS_STOP, above, becomes DS_IDLE.
  g_ShareData.m_nState.store(DS_CLEAR);
  run.controller.Stop();
  EXPECT_EQ(g_ShareData.m_nState.load(), DS_CLEAR);
}

// With nothing posted, both display loops wait in the mailbox: the drawing
// thread sleeps, where a polling loop would keep a core busy.
TEST(DrawingThread, WaitingLoopsSleep) {
  REQUIRE_GL_CONTEXT();
  for (int style : {STYLE_MESH, STYLE_GHOST}) {
    SCOPED_TRACE(style);
    TestRun run(SmallPara(style, DEFAULT_FORMULA, 8));
    std::atomic<pid_t> thread{0};
    run.sink.m_onPresent = [&](std::size_t) { thread = gettid(); };
    ASSERT_TRUE(run.Start());
    const auto state = [&] {  // the third field of the thread's stat line
      std::string line;
      std::getline(std::ifstream("/proc/self/task/" + std::to_string(thread) + "/stat"), line);
      return line.substr(line.rfind(')') + 2, 1);
    };
    EXPECT_TRUE(Eventually([&] { return state() == "S"; }));
    for (int k = 0; k < 20; ++k, std::this_thread::sleep_for(std::chrono::milliseconds(10)))
      EXPECT_EQ(state(), "S") << k;
    run.controller.Stop();
  }
}

// Five resamples (the last one full) arrive while the thread is still
// presenting the first picture: they collapse into one picture, of the last.
// Messages are answered in order, so any redraws left over would come before
// the rotation posted after.
TEST(DrawingThread, ResamplesQueuedDuringARedrawCollapseIntoTheLast) {
  REQUIRE_GL_CONTEXT();
  TestRun run(SmallPara(STYLE_MESH, DEFAULT_FORMULA, 16));
  run.para.m_bShading = FALSE;
  const auto posted = [&](int k) {
    CParaData para = run.para;
    para.m_strFormula = "SIN(" + std::to_string(k) + "*X)*COS(Y)";
    return para;
  };
  run.sink.m_onPresent = [&](std::size_t frame) {
    for (int k = 1; k <= 5 && frame == 0; ++k) run.controller.PostResample(posted(k), k != 5);
  };
  ASSERT_TRUE(run.Start(64, 64));
  ASSERT_TRUE(run.sink.WaitForFrames(2));
  run.controller.PostRotate();
  ASSERT_TRUE(run.sink.WaitForFrames(3));
  run.controller.Stop();
  EXPECT_EQ(run.sink.Count(), 3u);
  EXPECT_EQ(CountDifferent(run.sink.At(1), Render(posted(5), 64, 64)), 0u);
  EXPECT_FALSE(run.sink.At(1).coarse);
}

// A redraw after ticks is the picture a run started at its angles gives: the
// ticks' turn does not outlive it.
TEST(DrawingThread, EachTickTurnsOneDegreeUntilARedraw) {
  REQUIRE_GL_CONTEXT();
  TestRun run(SmallPara(STYLE_PLASTIC, DEFAULT_FORMULA, 8));
  CParaData turned = run.para;
  turned.m_dUpDownAngle = 35.0, turned.m_dLeftRightAngle = -60.0;
  const Frame reference = Render(turned, 48, 48);
  ASSERT_TRUE(run.Start(48, 48));
  // Ticks posted together collapse into one turn, so each waits for its frame.
  for (std::size_t k = 1; k <= 361; ++k) {
    run.controller.PostTick();
    ASSERT_TRUE(run.sink.WaitForFrames(k + 1));
  }
  g_ShareData.SetAngles(turned.m_dUpDownAngle, turned.m_dLeftRightAngle);
  run.controller.PostRotate();
  ASSERT_TRUE(run.sink.WaitForFrames(363));
  run.controller.Stop();
  // Frame k + 1 is turned by k degrees (that the first tick shows the picture
  // drawn last, the resample test holds): half a turn looks different, a
  // whole turn (up to float drift in the accumulated matrix) is the first.
  EXPECT_GT(CountDifferent(run.sink.At(181), run.sink.At(0)), 48u * 48u / 10);
  EXPECT_LE(CountDifferent(run.sink.At(361), run.sink.At(0)), 48u * 48u / 100);
  EXPECT_EQ(run.sink.At(362).modelView, reference.modelView);
  EXPECT_EQ(CountDifferent(run.sink.At(362), reference), 0u);
}

// A run that cannot show its picture, or a later one, ends by itself without a
// stop and says why; before, an exception here ended the process and the
// grid and contour failures drew an empty picture as if it were the plot
// (too many contour lines: the window's Start test).
TEST(DrawingThread, ARunWithoutItsPictureEndsAndSaysWhy) {
  REQUIRE_GL_CONTEXT();
  constexpr std::size_t kNever = static_cast<std::size_t>(-1);
  // The sink throws, or refuses pictures from failFrom on; frames: the pictures
  // presented before the end.
  using P = RunProblem;
  using Case = std::tuple<const char*, int, int, const char*, bool, std::size_t, std::size_t, P>;
  const Case cases[] = {
      {"a sink that throws", STYLE_MESH, 4, DEFAULT_FORMULA, true, kNever, 0, P::Failed},
      {"a refused first picture", STYLE_MESH, 4, DEFAULT_FORMULA, false, 0, 1, P::Failed},
      {"a refused redraw", STYLE_MESH, 4, DEFAULT_FORMULA, false, 1, 2, P::Failed},
      {"mesh count 0", STYLE_PLASTIC, 0, DEFAULT_FORMULA, false, kNever, 0, P::NoGrid},
  };
  for (const auto& [name, style, mesh, formula, throwingSink, failFrom, frames, problem] : cases) {
    SCOPED_TRACE(name);
    TestRun run(SmallPara(style, formula, mesh));
    if (throwingSink) {
      run.sink.m_onPresent = [](std::size_t) { throw std::runtime_error("no memory for a frame"); };
    }
    run.sink.m_failFrom = failFrom;
    ASSERT_EQ(run.Begin(16, 16), StartResult::Started);
    if (frames > 1) {
      ASSERT_TRUE(run.sink.WaitForFrames(1));
      run.controller.PostRotate();
    }
    EXPECT_FALSE(run.sink.WaitForFrames(frames + 1));
    EXPECT_TRUE(run.sink.HasEnded());
    run.controller.Reap();
    EXPECT_EQ(run.sink.Count(), frames);
    EXPECT_EQ(run.controller.LastProblem(), problem);
    EXPECT_EQ(g_ShareData.m_nState.load(), DS_IDLE);
  }
}

// A resample samples the new values into the run's buffers and draws them at
// the angles and the zoom the run has: coarse first (from at most 100 cells,
// no depth), then full, which is the picture a new run of them draws. One
// that cannot be drawn leaves the picture and its lists as they were, and
// says why until a resample is drawn again. The run goes on: a solid keeps
// turning on ticks.
TEST(DrawingThread, AResampleRedrawsInPlaceCoarseThenFullOrKeepsThePicture) {
  REQUIRE_GL_CONTEXT();
  constexpr int kWidth = 160, kHeight = 120;
  using F = ResampleFault;
  // Style, shading, fit; a resample that cannot be drawn: formula, coarse, fault.
  const std::tuple<int, BOOL, bool, const char*, bool, F> cases[] = {
      {STYLE_MESH, FALSE, false, "SIN(X", false, F::FormulaRefused},
      {STYLE_MESH, TRUE, true, "sqrt(-1-x^2)", false, F::NothingToDraw},
      {STYLE_CONTOUR, FALSE, false, "x^5", true, F::TooManyContourLines},
      {STYLE_PLASTIC, FALSE, true, "sqrt(-1-x^2)", true, F::NothingToDraw},
  };
  for (const auto& [style, shading, fit, refusedFormula, refusedCoarse, fault] : cases) {
    SCOPED_TRACE(testing::Message() << style << " " << shading << " " << fit << " "
                                    << refusedFormula << " " << refusedCoarse);
    TestRun run(SmallPara(style, "SIN(X)*COS(Y)", 200));
    run.para.m_bShading = shading;
    run.options.fit = fit;
    // A new formula, then a slider of its parameter.
    CParaData typed = run.para;
    typed.m_strFormula = "SIN(X*b)*COS(Y)*2";
    typed.m_params = {FormulaParameter{"b", 0.7}};
    CParaData resampled = typed;
    resampled.m_params[0].value = 0.5;
    resampled.m_dUpDownAngle = 25.0, resampled.m_dLeftRightAngle = -70.0;
    RunOptions zoomed = run.options;
    zoomed.zoom = 1.5;
    const Frame reference = Render(resampled, kWidth, kHeight, zoomed);
    ASSERT_TRUE(run.Start(kWidth, kHeight));
    g_ShareData.SetAngles(resampled.m_dUpDownAngle, resampled.m_dLeftRightAngle);
    g_ShareData.SetZoom(1.5);
    run.controller.PostRotate();
    ASSERT_TRUE(run.sink.WaitForFrames(2));
    const Frame before = run.sink.At(1);

    CParaData refused = resampled;
    refused.m_nDrawStyle = style == STYLE_CONTOUR ? STYLE_MESH : STYLE_CONTOUR;
    EXPECT_FALSE(run.controller.PostResample(refused, true));
    refused = run.para;
    refused.m_strFormula = refusedFormula;
    ASSERT_TRUE(run.controller.PostResample(refused, refusedCoarse));
    EXPECT_TRUE(Eventually([&] { return run.controller.ResampleProblem() != F::None; }));
    EXPECT_EQ(run.controller.ResampleProblem(), fault);
    // A redraw comes from the lists of the picture before.
    run.controller.PostRotate();
    ASSERT_TRUE(run.sink.WaitForFrames(3));
    EXPECT_EQ(CountDifferent(run.sink.At(2), before), 0u);

    ASSERT_TRUE(run.controller.PostResample(typed, true));
    ASSERT_TRUE(run.sink.WaitForFrames(4));
    ASSERT_TRUE(run.controller.PostResample(resampled, false));
    ASSERT_TRUE(run.sink.WaitForFrames(5));
    const Frame coarse = run.sink.At(3);
    const Frame full = run.sink.At(4);
    EXPECT_TRUE(coarse.coarse);
    EXPECT_TRUE(coarse.depth.empty());
    EXPECT_FALSE(full.coarse);
    EXPECT_EQ(full.depth.size(), std::size_t{kWidth} * kHeight);
    for (const Frame* frame : {&coarse, &full}) {
      EXPECT_EQ(frame->projection, before.projection);
      EXPECT_EQ(frame->modelView, before.modelView);
      EXPECT_NE(CountDifferent(*frame, before), 0u);
    }
    EXPECT_NE(CountDifferent(coarse, full), 0u);
    EXPECT_EQ(CountDifferent(full, reference), 0u);
    if (style == STYLE_PLASTIC) {
      // The first tick shows the picture drawn last; the second, one turned further.
      for (std::size_t tick = 1; tick <= 2; ++tick) {
        run.controller.PostTick();
        ASSERT_TRUE(run.sink.WaitForFrames(5 + tick));
      }
      EXPECT_EQ(CountDifferent(run.sink.At(5), full), 0u);
      EXPECT_NE(CountDifferent(run.sink.At(6), full), 0u);
    }
    EXPECT_TRUE(run.controller.IsRunning());
    run.controller.Stop();
    EXPECT_EQ(run.controller.LastProblem(), RunProblem::None);
    EXPECT_EQ(run.controller.ResampleProblem(), F::None);
  }
}

// The progress ends at 2N + 1 for every layout. One notice waits for the
// window: a picture not yet taken is replaced by the newest without another.
TEST(DrawingRunFace, ProgressEndsAtTwoNPlusOneAndOneNoticeWaitsForTheWindow) {
  REQUIRE_GL_CONTEXT();
  CParaData turned = SmallPara(STYLE_MESH, DEFAULT_FORMULA, 8);
  turned.m_dLeftRightAngle += 40.0;
  const Frame reference = Render(turned, 40, 30);  // before the run: one run at a time
  for (int style : {STYLE_PAPER, STYLE_CONTOUR, STYLE_MESH}) {
    SCOPED_TRACE(style);
    const CParaData para = SmallPara(style, DEFAULT_FORMULA, 8);
    CFormula formula = CompileFormula(para);
    CountingListener listener;
    DrawingRun run(&listener);
    const auto noticed = [&](const int& count) {
      return listener.WaitUntil([&] { return count >= 1; });
    };
    ASSERT_EQ(run.Start(para, 40, 30, &formula), StartResult::Started);
    ASSERT_TRUE(noticed(listener.m_nFrames));
    EXPECT_EQ(std::pair(run.ProgressMax(), run.Progress()), std::pair(17, 17));
    if (style == STYLE_MESH) {
      g_ShareData.SetAngles(turned.m_dUpDownAngle, turned.m_dLeftRightAngle);
      run.Rotate();
      ASSERT_TRUE(Eventually([&] { return run.FramesPresented() >= 2; }));
      ASSERT_EQ(run.FramesPresented(), 2u);
      EXPECT_EQ(listener.Locked([&] { return listener.m_nFrames; }), 1);
      Frame frame;
      ASSERT_TRUE(run.TakeFrame(frame));
      EXPECT_FALSE(run.TakeFrame(frame));
      EXPECT_EQ(CountDifferent(frame, reference), 0u);
    }
    EXPECT_TRUE(run.Busy());
    run.RequestStop();
    ASSERT_TRUE(noticed(listener.m_nEnded));
    EXPECT_TRUE(run.Busy());
    run.Reap();
    EXPECT_FALSE(run.Busy());
    EXPECT_EQ(g_ShareData.m_nState.load(), DS_IDLE);
  }
}

}  // namespace
