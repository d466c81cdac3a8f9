// What gets drawn: the context's render sequence and the orientation of what
// it presents, the drawing thread's projection, then whole runs read back:
// backgrounds, the mesh variants, the solids, paper's checkerboard and the
// contour colours.
#include <EGL/egl.h>
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <string>
#include <tuple>

#include "RenderTestSupport.h"
#include "render/OpenGLContext.h"
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
  const RGB red{255, 0, 0}, blue{0, 0, 255};
  EXPECT_EQ((std::vector{PixelAt(frame, 0, 0), PixelAt(frame, 19, 14), PixelAt(frame, 0, 29),
                         PixelAt(frame, 39, 0)}),
            (std::vector{red, red, blue, blue}));
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

constexpr RGB kBlack{0, 0, 0};
constexpr RGB kWhite{255, 255, 255};
constexpr RGB kSurfaceIdle{128, 184, 176};
constexpr RGB kMeshLine{128, 128, 255};

// Plain mesh unless told otherwise; the other styles ignore both switches.
CParaData Plain(int style, int back, BOOL hiddenLine = FALSE,
                const std::string& formula = DEFAULT_FORMULA) {
  CParaData para = SmallPara(style, formula);
  para.m_nBackColor = back, para.m_bShading = FALSE, para.m_bHiddenLine = hiddenLine;
  return para;
}

std::size_t CountOther(const Frame& frame, const RGB& background) {
  return CountPixels(frame, [&](const RGB& p) { return p != kMeshLine && !Near(p, background); });
}

TEST(Background, CornersShowTheClearColourAroundAnUnlitPlainMesh) {
  REQUIRE_GL_CONTEXT();
  const std::tuple<int, int, RGB> cases[] = {
      {STYLE_MESH, BACK_BLACK, kBlack},
      {STYLE_MESH, BACK_WHITE, kWhite},
      {STYLE_MESH, BACK_KEEP, kSurfaceIdle},
      {STYLE_SILVER, BACK_KEEP, kSurfaceIdle},
      {STYLE_CONTOUR, BACK_WHITE, kWhite},
      {STYLE_CONTOUR, BACK_KEEP, {128, 176, 184}},
      {STYLE_CONTOUR, BACK_BLACK, kBlack},
      {STYLE_MESH, -1, kBlack},
      {STYLE_CONTOUR, 3, kBlack},
  };
  for (const auto& [style, back, expected] : cases) {
    SCOPED_TRACE(testing::Message() << "style " << style << " back " << back);
    const Frame frame = Render(Plain(style, back));
    ASSERT_EQ(frame.width, 96);
    for (const auto& [x, y] : {std::pair{0, 0}, {95, 0}, {0, 71}, {95, 71}})
      EXPECT_TRUE(Near(PixelAt(frame, x, y), expected)) << x << "," << y;
    if (style == STYLE_MESH) {
      EXPECT_GT(CountPixels(frame, [](const RGB& p) { return p == kMeshLine; }), 300u);
      EXPECT_EQ(CountOther(frame, expected), 0u);
    }
  }
}

TEST(MeshStyle, HiddenLinesAreFilledWithTheBackgroundAndHideLinesOfAHill) {
  REQUIRE_GL_CONTEXT();
  const std::string hill = "exp ( - ( x^2 + y^2 ) / 30 )";
  const Frame plain = Render(Plain(STYLE_MESH, BACK_WHITE, FALSE, hill));
  const Frame hidden = Render(Plain(STYLE_MESH, BACK_WHITE, TRUE, hill));
  const auto lines = [](const Frame& f) {
    return CountPixels(f, [](const RGB& p) { return Near(p, kMeshLine); });
  };
  EXPECT_GT(lines(hidden), 100u);
  EXPECT_LT(lines(hidden), lines(plain) * 9 / 10);
  EXPECT_EQ(CountOther(hidden, kWhite), 0u);
}

// A flat sheet seen from above shows its back faces and from below its front
// faces (the strips face down), each in its own material under the style's
// lights: plastic magenta over cyan, paper green over blue, ghost a blue
// glass that is dark from below, silver grey over yellow.
TEST(SolidStyles, EachSideShowsItsOwnMaterial) {
  REQUIRE_GL_CONTEXT();
  struct Mean {
    double r, g, b;
  };
  using M = const Mean&;
  const auto same = [](double a, double b) { return std::abs(a - b) < 3; };
  const std::tuple<int, double, std::function<bool(M)>> cases[] = {
      {STYLE_PLASTIC, -20, [](M m) { return m.r > 2 * m.g && m.b > 2 * m.g; }},
      {STYLE_PLASTIC, 20, [&](M m) { return m.g > 2 * m.r && same(m.g, m.b); }},
      {STYLE_PAPER, -20, [](M m) { return m.g > 2 * m.b && m.r < 5; }},
      {STYLE_PAPER, 20, [&](M m) { return m.b > 2 * m.r && same(m.r, m.g); }},
      {STYLE_GHOST, -20, [](M m) { return m.b > 2 * m.g && m.g > 10 * (m.r + 1); }},
      {STYLE_GHOST, 20, [](M m) { return m.b < 20 && m.b > m.r; }},
      {STYLE_SILVER, -20, [&](M m) { return m.r > 10 && same(m.r, m.g) && same(m.g, m.b); }},
      {STYLE_SILVER, 20, [&](M m) { return m.r > 10 && same(m.r, m.g) && m.b < 5; }},
  };
  for (const auto& [style, upDown, looks] : cases) {
    SCOPED_TRACE(testing::Message() << "style " << style << " at " << upDown);
    CParaData para = SmallPara(style, "0", 8);
    para.m_dUpDownAngle = upDown;
    const Frame frame = Render(para);
    Mean sum{0, 0, 0};
    const std::size_t lit = CountPixels(frame, [&](const RGB& p) {
      if (p == kBlack) return false;
      sum.r += p[0], sum.g += p[1], sum.b += p[2];
      return true;
    });
    // Solids are filled surfaces, not a few lines.
    ASSERT_GT(lit, 96u * 72 / 10);
    const double n = static_cast<double>(lit);
    const Mean mean{sum.r / n, sum.g / n, sum.b / n};
    EXPECT_TRUE(looks(mean)) << mean.r << " " << mean.g << " " << mean.b;
  }
}

TEST(SolidStyles, PaperShowsTwoCheckerGreysOfOneLitColour) {
  REQUIRE_GL_CONTEXT();
  // A flat sheet is lit the same everywhere, so only the texture tells the
  // squares apart: dark = light * 176/255.
  const Frame frame = Render(SmallPara(STYLE_PAPER, "0", 4), 128, 96);
  std::map<RGB, std::size_t> histogram;
  CountPixels(frame, [&](const RGB& p) { return p != kBlack && ++histogram[p] != 0; });
  std::vector<std::pair<std::size_t, RGB>> ranked;
  for (const auto& [colour, count] : histogram) ranked.push_back({count, colour});
  ASSERT_GE(ranked.size(), 2u);
  std::sort(ranked.rbegin(), ranked.rend());
  const auto sum = [](const RGB& c) { return int{c[0]} + c[1] + c[2]; };
  auto [light, dark] = std::pair{ranked[0].second, ranked[1].second};
  if (sum(light) < sum(dark)) std::swap(light, dark);
  EXPECT_GT(ranked[1].first, ranked[0].first / 2);  // checker squares share the sheet
  EXPECT_GT(sum(light), 60);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(dark[k], light[k] * 176.0 / 255.0, 2.0) << k;
}

TEST(ContourStyle, LowestLevelIsBlueAndHighestRed) {
  REQUIRE_GL_CONTEXT();
  const Frame frame = Render(SmallPara(STYLE_CONTOUR), 128, 96);
  for (const RGB& level : {RGB{0, 0, 255}, RGB{255, 0, 0}, RGB{0, 255, 0}}) {
    EXPECT_GT(CountPixels(frame, [&](const RGB& p) { return Near(p, level, 40); }), 0u)
        << int{level[0]} << "," << int{level[1]} << "," << int{level[2]};
  }
  // A flat function has no levels to draw.
  EXPECT_EQ(CountPixels(Render(SmallPara(STYLE_CONTOUR, "3", 8)),
                        [](const RGB& p) { return p != kBlack; }),
            0u);
}

}  // namespace
