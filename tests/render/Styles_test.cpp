// Whole runs read back: backgrounds, the mesh variants, the solids, paper's
// checkerboard and the contour colours.
#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <tuple>

#include "RenderTestSupport.h"

namespace {

constexpr RGB kBlack{0, 0, 0};
constexpr RGB kWhite{255, 255, 255};
constexpr RGB kSurfaceIdle{128, 184, 176};
constexpr RGB kMeshLine{128, 128, 255};

// Plain mesh unless told otherwise; the other styles ignore both switches.
CParaData Plain(int style, int back, BOOL hiddenLine = FALSE,
                const std::string& formula = DEFAULT_FORMULA) {
  CParaData para = SmallPara(style, formula);
  para.m_nBackColor = back;
  para.m_bShading = FALSE;
  para.m_bHiddenLine = hiddenLine;
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
    for (const auto& [x, y] : {std::pair{0, 0}, {95, 0}, {0, 71}, {95, 71}}) {
      EXPECT_TRUE(Near(PixelAt(frame, x, y), expected)) << x << "," << y;
    }
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
