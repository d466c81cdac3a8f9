// Whole runs read back: backgrounds, the mesh variants, the solids, paper's
// checkerboard and the contour colours.
#include <algorithm>
#include <map>

#include "RenderTestSupport.h"

namespace {

constexpr RGB kBlack{0, 0, 0};
constexpr RGB kWhite{255, 255, 255};
constexpr RGB kSurfaceIdle{128, 184, 176};
constexpr RGB kContourIdle{128, 176, 184};
constexpr RGB kMeshLine{128, 128, 255};

Frame Render(const CParaData& para, int width = 96, int height = 72) {
  bool ok = false;
  Frame frame = RenderFirstFrame(para, width, height, &ok);
  EXPECT_TRUE(ok) << "the run presented no frame";
  return frame;
}

CParaData PlainMesh(int back = BACK_BLACK) {
  CParaData para = SmallPara(STYLE_MESH);
  para.m_bShading = FALSE;
  para.m_bHiddenLine = FALSE;
  para.m_nBackColor = back;
  return para;
}

std::size_t CountColour(const Frame& frame, const RGB& colour) {
  return CountPixels(frame, [&](const RGB& p) { return Near(p, colour); });
}

struct BackgroundCase {
  int style;
  int back;
  RGB expected;
};

class BackgroundTest : public ::testing::TestWithParam<BackgroundCase> {};

TEST_P(BackgroundTest, CornersShowTheClearColour) {
  REQUIRE_GL_CONTEXT();
  const BackgroundCase& c = GetParam();
  CParaData para = SmallPara(c.style);
  para.m_nBackColor = c.back;
  const Frame frame = Render(para);
  ASSERT_EQ(frame.width, 96);
  for (const auto& [x, y] :
       {std::pair{0, 0}, std::pair{95, 0}, std::pair{0, 71}, std::pair{95, 71}}) {
    SCOPED_TRACE(testing::Message() << "corner " << x << "," << y);
    EXPECT_TRUE(Near(PixelAt(frame, x, y), c.expected));
  }
}

INSTANTIATE_TEST_SUITE_P(AllChoices, BackgroundTest,
                         ::testing::Values(BackgroundCase{STYLE_MESH, BACK_BLACK, kBlack},
                                           BackgroundCase{STYLE_MESH, BACK_WHITE, kWhite},
                                           BackgroundCase{STYLE_MESH, BACK_KEEP, kSurfaceIdle},
                                           BackgroundCase{STYLE_SILVER, BACK_KEEP, kSurfaceIdle},
                                           BackgroundCase{STYLE_CONTOUR, BACK_BLACK, kBlack},
                                           BackgroundCase{STYLE_CONTOUR, BACK_WHITE, kWhite},
                                           BackgroundCase{STYLE_CONTOUR, BACK_KEEP, kContourIdle},
                                           BackgroundCase{STYLE_MESH, -1, kBlack},
                                           BackgroundCase{STYLE_CONTOUR, 3, kBlack}));

TEST(MeshStyle, PlainMeshDrawsOnlyUnlitLines) {
  REQUIRE_GL_CONTEXT();
  for (int back : {BACK_BLACK, BACK_WHITE, BACK_KEEP}) {
    SCOPED_TRACE(back);
    const Frame frame = Render(PlainMesh(back));
    const RGB background = back == BACK_WHITE ? kWhite : back == BACK_KEEP ? kSurfaceIdle : kBlack;
    const std::size_t lines = CountPixels(frame, [](const RGB& p) { return p == kMeshLine; });
    const std::size_t other =
        CountPixels(frame, [&](const RGB& p) { return p != kMeshLine && !Near(p, background); });
    EXPECT_GT(lines, 300u);
    EXPECT_EQ(other, 0u);
  }
}

TEST(MeshStyle, HiddenLinesRemoveLinesOfAHill) {
  REQUIRE_GL_CONTEXT();
  CParaData plain = PlainMesh();
  plain.m_strFormula = "exp ( - ( x^2 + y^2 ) / 30 )";
  CParaData hidden = plain;
  hidden.m_bHiddenLine = TRUE;
  const std::size_t plainLines = CountColour(Render(plain), kMeshLine);
  const Frame hiddenFrame = Render(hidden);
  const std::size_t hiddenLines = CountColour(hiddenFrame, kMeshLine);
  EXPECT_GT(hiddenLines, 100u);
  EXPECT_LT(hiddenLines, plainLines * 9 / 10);
}

TEST(MeshStyle, HiddenLineFillTakesTheBackgroundColour) {
  REQUIRE_GL_CONTEXT();
  for (const auto& [back, background] :
       {std::pair{BACK_WHITE, kWhite}, std::pair{BACK_KEEP, kSurfaceIdle}}) {
    SCOPED_TRACE(back);
    CParaData para = PlainMesh(back);
    para.m_bHiddenLine = TRUE;
    const Frame frame = Render(para);
    EXPECT_EQ(CountPixels(
                  frame, [&](const RGB& p) { return !Near(p, kMeshLine) && !Near(p, background); }),
              0u);
  }
}

TEST(MeshStyle, ShadingIgnoresTheHiddenLineSwitch) {
  REQUIRE_GL_CONTEXT();
  CParaData shaded = SmallPara(STYLE_MESH);
  shaded.m_bShading = TRUE;
  shaded.m_bHiddenLine = FALSE;
  CParaData shadedHidden = shaded;
  shadedHidden.m_bHiddenLine = TRUE;
  const Frame a = Render(shaded);
  const Frame b = Render(shadedHidden);
  EXPECT_EQ(CountDifferent(a, b), 0u);
  // Lit faces bring colours that are neither line nor background.
  EXPECT_GT(CountPixels(a, [](const RGB& p) { return p != kMeshLine && p != kBlack; }), 300u);
}

TEST(SolidStyles, EachLookDiffersFromTheOthersAndFromTheMesh) {
  REQUIRE_GL_CONTEXT();
  std::vector<Frame> frames;
  for (int style : {STYLE_MESH, STYLE_PLASTIC, STYLE_PAPER, STYLE_GHOST, STYLE_SILVER}) {
    frames.push_back(Render(SmallPara(style)));
  }
  const std::size_t pixels = 96 * 72;
  for (std::size_t a = 0; a < frames.size(); ++a) {
    for (std::size_t b = a + 1; b < frames.size(); ++b) {
      SCOPED_TRACE(testing::Message() << "styles " << a << " and " << b);
      EXPECT_GT(CountDifferent(frames[a], frames[b]), pixels / 20);
    }
  }
  // The solids are filled surfaces, not a few lines.
  const auto covered = [](const Frame& f) {
    return CountPixels(f, [](const RGB& p) { return p != kBlack; });
  };
  for (std::size_t s = 1; s < frames.size(); ++s) {
    SCOPED_TRACE(s);
    EXPECT_GT(covered(frames[s]), pixels / 10);
  }
}

TEST(SolidStyles, PaperShowsTwoCheckerGreysOfOneLitColour) {
  REQUIRE_GL_CONTEXT();
  // A flat sheet has one normal, so the lighting is the same everywhere and
  // the texture alone makes the difference: light = lit * 255/255, dark =
  // lit * 176/255.
  CParaData para = SmallPara(STYLE_PAPER, "0", 4);
  const Frame frame = Render(para, 128, 96);
  std::map<RGB, std::size_t> histogram;
  for (int y = 0; y < frame.height; ++y) {
    for (int x = 0; x < frame.width; ++x) {
      const RGB p = PixelAt(frame, x, y);
      if (p != kBlack) ++histogram[p];
    }
  }
  std::vector<std::pair<std::size_t, RGB>> ranked;
  for (const auto& [colour, count] : histogram) ranked.push_back({count, colour});
  ASSERT_GE(ranked.size(), 2u);
  std::sort(ranked.rbegin(), ranked.rend());
  RGB light = ranked[0].second;
  RGB dark = ranked[1].second;
  if (light[0] + light[1] + light[2] < dark[0] + dark[1] + dark[2]) std::swap(light, dark);
  std::size_t total = 0;
  for (const auto& entry : ranked) total += entry.first;
  EXPECT_GT(ranked[1].first, total / 5);
  for (int k = 0; k < 3; ++k) {
    SCOPED_TRACE(k);
    EXPECT_NEAR(dark[k], light[k] * 176.0 / 255.0, 2.0);
  }
  EXPECT_GT(int{light[0]} + light[1] + light[2], 60);
}

TEST(ContourStyle, LowestLevelIsBlueAndHighestRed) {
  REQUIRE_GL_CONTEXT();
  const Frame frame = Render(SmallPara(STYLE_CONTOUR), 128, 96);
  const std::size_t blue =
      CountPixels(frame, [](const RGB& p) { return p[2] > 220 && p[0] < 10 && p[1] < 40; });
  const std::size_t red =
      CountPixels(frame, [](const RGB& p) { return p[0] > 220 && p[2] < 10 && p[1] < 40; });
  const std::size_t green =
      CountPixels(frame, [](const RGB& p) { return p[1] > 200 && p[0] < 60 && p[2] < 60; });
  EXPECT_GT(blue, 0u);
  EXPECT_GT(red, 0u);
  EXPECT_GT(green, 0u);
}

TEST(ContourStyle, ConstantFunctionDrawsNoLines) {
  REQUIRE_GL_CONTEXT();
  const Frame frame = Render(SmallPara(STYLE_CONTOUR, "3", 8));
  EXPECT_EQ(CountPixels(frame, [](const RGB& p) { return p != kBlack; }), 0u);
}

TEST(ListBuilds, RowArraysDrawTheSamePicturesAsOneCallPerVertex) {
  REQUIRE_GL_CONTEXT();
  struct Case {
    int style;
    BOOL shading;
    BOOL hiddenLine;
    const char* formula;
  };
  const Case cases[] = {
      {STYLE_MESH, FALSE, FALSE, DEFAULT_FORMULA},  {STYLE_MESH, FALSE, TRUE, DEFAULT_FORMULA},
      {STYLE_MESH, TRUE, FALSE, DEFAULT_FORMULA},   {STYLE_PLASTIC, FALSE, FALSE, DEFAULT_FORMULA},
      {STYLE_PAPER, FALSE, FALSE, DEFAULT_FORMULA}, {STYLE_GHOST, FALSE, FALSE, DEFAULT_FORMULA},
      {STYLE_SILVER, FALSE, FALSE, "x * y / 20"},   {STYLE_CONTOUR, FALSE, FALSE, DEFAULT_FORMULA},
  };
  for (const Case& c : cases) {
    for (double upDown : {-20.0, 70.0}) {
      SCOPED_TRACE(testing::Message() << "style " << c.style << " shading " << c.shading
                                      << " hidden " << c.hiddenLine << " up/down " << upDown);
      CParaData para = SmallPara(c.style, c.formula, 23);
      para.m_bShading = c.shading;
      para.m_bHiddenLine = c.hiddenLine;
      para.m_dUpDownAngle = upDown;
      bool okVertex = false;
      bool okArrays = false;
      const Frame perVertex = RenderFirstFrame(para, 200, 150, &okVertex, ListBuild::PerVertex);
      const Frame arrays = RenderFirstFrame(para, 200, 150, &okArrays, ListBuild::RowArrays);
      ASSERT_TRUE(okVertex && okArrays);
      // Something beyond the background was drawn, so equal frames mean equal
      // geometry.
      const RGB corner = PixelAt(perVertex, 0, 0);
      EXPECT_GT(CountPixels(perVertex, [&](const RGB& p) { return p != corner; }), 1000u);
      EXPECT_EQ(CountDifferent(perVertex, arrays), 0u);
    }
  }
}

}  // namespace
