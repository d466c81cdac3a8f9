#include "render/OpenGLContext.h"

#include <EGL/egl.h>
#include <GL/gl.h>

#include <cmath>
#include <string>
#include <tuple>

#include "RenderTestSupport.h"
#include "render/ThreadDrawOpenGL.h"

namespace {

// Records the render sequence with the matrix stack depth at each step, and
// draws red in the top-left quadrant of a 40x30 client, blue elsewhere.
class RecordingContext : public COpenGLContext {
 public:
  BOOL SetProjection(double aspect) override {
    m_aspect = aspect;
    return Call("Projection");
  }
  BOOL SetViewpoint() override { return Call("Viewpoint"); }
  BOOL BuildScene() override { return Call("Build"); }
  BOOL ClearScene() override { return Call("Clear"); }
  BOOL DrawScene() override {
    glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 15, 20, 15);
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    m_swapResult = SwapBuffers();
    return Call(eglGetCurrentContext() != EGL_NO_CONTEXT ? "Draw" : "DrawWithoutContext");
  }
  BOOL Call(const std::string& name) {
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    m_calls += name + std::to_string(depth) + " ";
    return TRUE;
  }
  std::string m_calls;
  double m_aspect = 0.0;
  BOOL m_swapResult = FALSE;
};

// The texts themselves are a copy of a table in the code; what matters is
// which failure a context reports.
TEST(OpenGLContextErrors, TheFirstFailureWins) {
  RecordingContext context;
  context.SetError(GLERR_MAKE_CURRENT);
  context.SetError(GLERR_DELETE);
  EXPECT_STREQ(context.ErrorText(), "wglMakeCurrent failed ");
}

TEST(OpenGLContextRender, RunsTheSequenceAndPresentsTopRowFirst) {
  REQUIRE_GL_CONTEXT();
  CapturingSink sink;
  RecordingContext context;
  const ClientRect client{10, 20, 50, 50};
  context.Render(&sink, &client);
  EXPECT_EQ(context.m_calls, "Projection1 Viewpoint1 Build1 Clear2 Draw2 ");
  EXPECT_DOUBLE_EQ(context.m_aspect, 40.0 / 30.0);
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

  // An empty client sets no projection; a refused picture is a failed swap.
  RecordingContext refused;
  sink.m_failFrom = 1;
  const ClientRect empty{0, 0, 0, 30};
  refused.Render(&sink, &empty);
  EXPECT_EQ(refused.m_calls, "Build1 Clear2 Draw2 ");
  EXPECT_FALSE(refused.m_swapResult);
  EXPECT_STREQ(refused.ErrorText(), "SwapBuffers failed ");
}

// Reaches the projection members of the drawing thread's class.
class ProjectionProbe : public CThreadDrawOpenGL {
 public:
  ProjectionProbe() : CThreadDrawOpenGL(nullptr, nullptr) {}
  void SetGrid(BOOL perspective, float maxX, float minX, float maxY, float minY) {
    m_bPerspective = perspective;
    std::tie(m_fMaxX, m_fMinX, m_fMaxY, m_fMinY) = std::tie(maxX, minX, maxY, minY);
  }
  float EyeDistance() const { return m_fEyeDistance; }
};

TEST(ThreadDrawProjection, BoxAndFrustumFollowTheGrid) {
  REQUIRE_GL_CONTEXT();
  // Perspective looks from where the model's half width fills 25 degrees.
  const double d = 21.6 / std::tan(25.0 / 180.0 * M_PI);
  // Perspective, the grid's x and y extents, the width of a client 100 high;
  // the eye's distance and projection matrix elements 0, 5, 10 and 14.
  const std::tuple<BOOL, float, float, float, float, int, double, double, double, double, double>
      cases[] = {
          // Defaults: glOrtho(-21.6, 21.6, -10.8, 10.8, 2.4, 45.6) at depth 24.
          {FALSE, 12, -12, 12, -12, 200, -24, 2 / 43.2, 2 / 21.6, -2 / 43.2, -48 / 43.2},
          // The smaller x extent sets the width, y the depth.
          {FALSE, 12, -10, 12, -12, 100, -24, 1 / 18.0, 1 / 18.0, -2 / 43.2, -48 / 43.2},
          {FALSE, 8, -12, 12, -12, 100, -24, 1 / 14.4, 1 / 14.4, -2 / 43.2, -48 / 43.2},
          {FALSE, 12, -12, 5, -3, 100, -8, 1 / 21.6, 1 / 21.6, -2 / 14.4, -12.4 / 14.4},
          // The frustum spans the whole model width at the centre.
          {TRUE, 12, -12, 12, -12, 150, -d, d / 21.6, 1.5 * d / 21.6, -(2 * d) / 43.2,
           -2 * (d + 21.6) * (d - 21.6) / 43.2},
      };
  for (const auto& [perspective, maxX, minX, maxY, minY, width, eye, m0, m5, m10, m14] : cases) {
    SCOPED_TRACE(testing::Message()
                 << perspective << " " << maxX << " " << minX << " " << maxY << " " << minY);
    ProjectionProbe probe;
    probe.SetGrid(perspective, maxX, minX, maxY, minY);
    GLdouble projection[16], modelview[16];
    ASSERT_TRUE(probe.CreateGLContext());
    const ClientRect client{0, 0, width, 100};
    probe.SetViewport(&client);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    probe.DeleteGLContext();
    EXPECT_NEAR(probe.EyeDistance(), eye, 1e-4);
    EXPECT_NEAR(modelview[14], eye, 1e-4);
    EXPECT_NEAR(projection[0], m0, 1e-5);
    EXPECT_NEAR(projection[5], m5, 1e-5);
    EXPECT_NEAR(projection[10], m10, 1e-5);
    EXPECT_NEAR(projection[14], m14, 1e-3);
  }
}

}  // namespace
