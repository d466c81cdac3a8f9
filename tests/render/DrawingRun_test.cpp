// The window's face of the drawing thread: notices posted without waiting,
// the newest picture handed over, progress inside its range.
#include "render/DrawingRun.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "RenderTestSupport.h"
#include "core/ShareData.h"

namespace {

struct FaceRun {
  explicit FaceRun(const CParaData& runPara)
      : para(runPara), formula(Compiled(para.m_strFormula)), run(&listener) {}
  bool WaitFor(const int& counter) {
    return listener.WaitUntil([&] { return counter >= 1; });
  }
  CParaData para;
  CFormula formula;
  CountingListener listener;
  DrawingRun run;
};

TEST(DrawingRunFace, ProgressEndsAtTwoNPlusOneForEveryLayout) {
  REQUIRE_GL_CONTEXT();
  for (int style : {STYLE_MESH, STYLE_PAPER, STYLE_CONTOUR}) {
    SCOPED_TRACE(style);
    FaceRun face(SmallPara(style, DEFAULT_FORMULA, 8));
    ASSERT_EQ(face.run.Start(face.para, 16, 16, &face.formula), StartResult::Started);
    ASSERT_TRUE(face.WaitFor(face.listener.m_nFrames));
    EXPECT_EQ(face.run.ProgressMax(), 17);
    EXPECT_EQ(face.run.Progress(), 17);
    face.run.RequestStop();
    ASSERT_TRUE(face.WaitFor(face.listener.m_nEnded));
    face.run.Reap();
  }
}

TEST(DrawingRunFace, OneNoticeWaitsForTheWindowAndItGetsTheNewestPicture) {
  REQUIRE_GL_CONTEXT();
  FaceRun face(SmallPara(STYLE_MESH, DEFAULT_FORMULA, 8));
  CParaData turned = face.para;
  turned.m_dLeftRightAngle += 40.0;
  const Frame reference = Render(turned, 40, 30);
  ASSERT_EQ(face.run.Start(face.para, 40, 30, &face.formula), StartResult::Started);
  ASSERT_TRUE(face.WaitFor(face.listener.m_nFrames));
  g_ShareData.SetAngles(turned.m_dUpDownAngle, turned.m_dLeftRightAngle);
  face.run.Rotate();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (face.run.FramesPresented() < 2 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::yield();
  }
  ASSERT_EQ(face.run.FramesPresented(), 2u);
  // The first picture was never taken, so the second brought no notice.
  EXPECT_EQ(face.listener.Frames(), 1);
  Frame frame;
  ASSERT_TRUE(face.run.TakeFrame(frame));
  EXPECT_EQ(CountDifferent(frame, reference), 0u);
  EXPECT_FALSE(face.run.TakeFrame(frame));

  EXPECT_TRUE(face.run.Busy());
  face.run.RequestStop();
  ASSERT_TRUE(face.WaitFor(face.listener.m_nEnded));
  EXPECT_TRUE(face.run.Busy());
  face.run.Reap();
  EXPECT_FALSE(face.run.Busy());
  EXPECT_EQ(g_ShareData.m_nState.load(), DS_IDLE);
}

}  // namespace
