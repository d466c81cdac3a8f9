#include "render/OpenGLContext.h"

#include <EGL/egl.h>
#include <GL/gl.h>

#include <cmath>
#include <string>
#include <vector>

#include "RenderTestSupport.h"
#include "render/ThreadDrawOpenGL.h"

namespace {

// Records which virtual operations the render sequence calls, and what the
// GL state is at each.
class RecordingContext : public COpenGLContext {
 public:
  BOOL SetProjection(double aspect) override {
    m_calls.push_back("SetProjection");
    m_aspect = aspect;
    return TRUE;
  }
  BOOL SetViewpoint() override {
    m_calls.push_back("SetViewpoint");
    return TRUE;
  }
  BOOL BuildScene() override {
    m_calls.push_back("BuildScene");
    return TRUE;
  }
  BOOL ClearScene() override {
    m_calls.push_back("ClearScene");
    m_clearStackDepth = StackDepth();
    return TRUE;
  }
  BOOL DrawScene() override {
    m_calls.push_back("DrawScene");
    m_drawStackDepth = StackDepth();
    m_currentWhileDrawing = eglGetCurrentContext() != EGL_NO_CONTEXT;
    // Red in the top-left quadrant, blue elsewhere.
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, m_height / 2, m_width / 2, m_height - m_height / 2);
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    m_swapResult = SwapBuffers();
    return TRUE;
  }
  static GLint StackDepth() {
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    return depth;
  }

  std::vector<std::string> m_calls;
  double m_aspect = 0.0;
  GLint m_clearStackDepth = 0;
  GLint m_drawStackDepth = 0;
  bool m_currentWhileDrawing = false;
  BOOL m_swapResult = FALSE;
  int m_width = 0;
  int m_height = 0;
};

TEST(OpenGLContextErrors, TextsAreTheFixedTable) {
  const char* const expected[8] = {
      "No Error",
      "Unable to get a DC ",
      "ChoosePixelFormat failed ",
      "SelectPixelFormat failed ",
      "wglCreateContext failed ",
      "wglMakeCurrent failed ",
      "wglDeleteContext failed ",
      "SwapBuffers failed ",
  };
  for (int code = 0; code < 8; ++code) {
    SCOPED_TRACE(code);
    EXPECT_STREQ(g_glErrorText[code], expected[code]);
    RecordingContext context;
    context.SetError(code);
    EXPECT_STREQ(context.ErrorText(), expected[code]);
  }
}

TEST(OpenGLContextErrors, OnlyTheFirstFailureIsRecorded) {
  RecordingContext context;
  EXPECT_STREQ(context.ErrorText(), "No Error");
  context.SetError(GLERR_MAKE_CURRENT);
  context.SetError(GLERR_DELETE);
  EXPECT_STREQ(context.ErrorText(), "wglMakeCurrent failed ");
}

TEST(OpenGLContextRender, RunsTheSequenceAndPresentsTopRowFirst) {
  REQUIRE_GL_CONTEXT();
  CapturingSink sink;
  RecordingContext context;
  context.m_width = 40;
  context.m_height = 30;
  const ClientRect client{10, 20, 50, 50};
  context.Render(&sink, &client);

  const std::vector<std::string> expected = {"SetProjection", "SetViewpoint", "BuildScene",
                                             "ClearScene", "DrawScene"};
  EXPECT_EQ(context.m_calls, expected);
  EXPECT_DOUBLE_EQ(context.m_aspect, 40.0 / 30.0);
  // Both ClearScene and DrawScene run inside their own push.
  EXPECT_EQ(context.m_clearStackDepth, 2);
  EXPECT_EQ(context.m_drawStackDepth, 2);
  EXPECT_TRUE(context.m_currentWhileDrawing);
  EXPECT_TRUE(context.m_swapResult);
  EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
  EXPECT_STREQ(context.ErrorText(), "No Error");

  ASSERT_EQ(sink.Count(), 1u);
  const Frame frame = sink.At(0);
  ASSERT_EQ(frame.width, 40);
  ASSERT_EQ(frame.height, 30);
  EXPECT_EQ(PixelAt(frame, 0, 0), (RGB{255, 0, 0}));
  EXPECT_EQ(PixelAt(frame, 19, 14), (RGB{255, 0, 0}));
  EXPECT_EQ(PixelAt(frame, 0, 29), (RGB{0, 0, 255}));
  EXPECT_EQ(PixelAt(frame, 39, 0), (RGB{0, 0, 255}));
  EXPECT_EQ(frame.Pixel(0, 0)[3], 255);
}

TEST(OpenGLContextRender, EmptyClientSetsNoProjectionButStillDraws) {
  REQUIRE_GL_CONTEXT();
  for (const ClientRect& client :
       {ClientRect{0, 0, 0, 30}, ClientRect{0, 0, 30, 0}, ClientRect{5, 5, 4, 40}}) {
    SCOPED_TRACE(client.Width());
    CapturingSink sink;
    RecordingContext context;
    context.Render(&sink, &client);
    const std::vector<std::string> expected = {"BuildScene", "ClearScene", "DrawScene"};
    EXPECT_EQ(context.m_calls, expected);
    EXPECT_STREQ(context.ErrorText(), "No Error");
  }
}

TEST(OpenGLContextRender, RefusedPresentFailsTheSwapAndIsRecorded) {
  REQUIRE_GL_CONTEXT();
  CapturingSink sink;
  sink.m_failFrom = 0;
  RecordingContext context;
  context.m_width = context.m_height = 8;
  const ClientRect client{0, 0, 8, 8};
  context.Render(&sink, &client);
  EXPECT_FALSE(context.m_swapResult);
  EXPECT_STREQ(context.ErrorText(), "SwapBuffers failed ");
}

// Reaches the projection members of the drawing thread's class.
class ProjectionProbe : public CThreadDrawOpenGL {
 public:
  ProjectionProbe() : CThreadDrawOpenGL(nullptr, nullptr) {}
  void SetGrid(BOOL perspective, float maxX, float minX, float maxY, float minY) {
    m_bPerspective = perspective;
    m_fMaxX = maxX;
    m_fMinX = minX;
    m_fMaxY = maxY;
    m_fMinY = minY;
  }
  float EyeDistance() const { return m_fEyeDistance; }
};

struct Matrices {
  GLdouble projection[16];
  GLdouble modelview[16];
};

Matrices ProjectFor(ProjectionProbe& probe, const ClientRect& client) {
  Matrices m{};
  EXPECT_TRUE(probe.CreateGLContext());
  probe.SetViewport(&client);
  glGetDoublev(GL_PROJECTION_MATRIX, m.projection);
  glGetDoublev(GL_MODELVIEW_MATRIX, m.modelview);
  probe.DeleteGLContext();
  return m;
}

TEST(ThreadDrawProjection, OrthographicDefaultsGiveTheFixedBox) {
  REQUIRE_GL_CONTEXT();
  ProjectionProbe probe;
  probe.SetGrid(FALSE, 12.0f, -12.0f, 12.0f, -12.0f);
  const Matrices m = ProjectFor(probe, ClientRect{0, 0, 200, 100});
  EXPECT_FLOAT_EQ(probe.EyeDistance(), -24.0f);
  // glOrtho(-21.6, 21.6, -10.8, 10.8, 2.4, 45.6)
  EXPECT_NEAR(m.projection[0], 2.0 / 43.2, 1e-6);
  EXPECT_NEAR(m.projection[5], 2.0 / 21.6, 1e-6);
  EXPECT_NEAR(m.projection[10], -2.0 / 43.2, 1e-6);
  EXPECT_NEAR(m.projection[14], -(45.6 + 2.4) / 43.2, 1e-5);
  EXPECT_NEAR(m.modelview[14], -24.0, 1e-6);
}

TEST(ThreadDrawProjection, PerspectiveDefaultsGiveTheFixedFrustum) {
  REQUIRE_GL_CONTEXT();
  ProjectionProbe probe;
  probe.SetGrid(TRUE, 12.0f, -12.0f, 12.0f, -12.0f);
  const Matrices m = ProjectFor(probe, ClientRect{0, 0, 150, 100});
  const double d = 21.6 / std::tan(25.0 / 180.0 * M_PI);
  const double zNear = d - 21.6;
  const double zFar = d + 21.6;
  EXPECT_NEAR(probe.EyeDistance(), -d, 1e-4);
  EXPECT_NEAR(zNear, 24.72, 0.01);
  EXPECT_NEAR(zFar, 67.92, 0.01);
  // The frustum spans the whole model width at the centre: m[0] = D / half.
  EXPECT_NEAR(m.projection[0], d / 21.6, 1e-5);
  EXPECT_NEAR(m.projection[5], 1.5 * d / 21.6, 1e-5);
  EXPECT_NEAR(m.projection[10], -(zFar + zNear) / (zFar - zNear), 1e-5);
  EXPECT_NEAR(m.projection[14], -2.0 * zFar * zNear / (zFar - zNear), 1e-3);
  EXPECT_NEAR(m.modelview[14], -d, 1e-4);
}

TEST(ThreadDrawProjection, TheSmallerXExtentSetsTheWidthAndYTheDepth) {
  REQUIRE_GL_CONTEXT();
  struct Case {
    float maxX, minX, maxY, minY;
    double halfWidth, zNear, zFar;
  };
  const Case cases[] = {
      {12.0f, -10.0f, 12.0f, -12.0f, 18.0, 2.4, 45.6},
      {8.0f, -12.0f, 12.0f, -12.0f, 14.4, 2.4, 45.6},
      {12.0f, -12.0f, 5.0f, -3.0f, 21.6, -1.0, 13.4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.halfWidth);
    ProjectionProbe probe;
    probe.SetGrid(FALSE, c.maxX, c.minX, c.maxY, c.minY);
    const Matrices m = ProjectFor(probe, ClientRect{0, 0, 100, 100});
    EXPECT_NEAR(m.projection[0], 1.0 / c.halfWidth, 1e-6);
    EXPECT_NEAR(m.projection[10], -2.0 / (c.zFar - c.zNear), 1e-6);
    EXPECT_NEAR(m.projection[14], -(c.zFar + c.zNear) / (c.zFar - c.zNear), 1e-5);
  }
}

}  // namespace
