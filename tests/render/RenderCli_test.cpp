// orvex-cli render and sample, run as a user would run them.
#include <png.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "CliRunner.h"
#include "RenderTestSupport.h"
#include "core/DibImage.h"

namespace {

using Args = std::vector<std::string>;

Frame ReadPng(const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  Frame frame;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return frame;
  image.format = PNG_FORMAT_RGBA;
  frame.rgba.resize(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, frame.rgba.data(), 0, nullptr)) {
    frame.width = static_cast<int>(image.width), frame.height = static_cast<int>(image.height);
  }
  png_image_free(&image);
  return frame;
}

class RenderCli : public CliTest {
 protected:
  // `command`, each setting after a --set, then the rest.
  RunResult Run(const std::string& command, const Args& sets, const Args& rest = {}) const {
    Args args = {command};
    for (const std::string& set : sets) args.insert(args.end(), {"--set", set});
    args.insert(args.end(), rest.begin(), rest.end());
    return CliTest::Run(ORVEX_CLI_PATH, args);
  }
  // Renders to `name` and reads the picture back, an SVG drawing as librsvg
  // rasterises it.
  Frame Drawn(const Args& sets, Args rest, const std::string& name) const {
    rest.insert(rest.end(), {"-o", Path(name)});
    const RunResult run = Run("render", sets, rest);
    EXPECT_EQ(run.code, 0) << run.err;
    if (!name.ends_with(".svg")) return ReadPng(Path(name));
    const RunResult convert =
        CliTest::Run(RSVG_CONVERT_PATH, {Path(name), "-o", Path(name + ".png")});
    EXPECT_EQ(convert.code, 0) << convert.err;
    return ReadPng(Path(name + ".png"));
  }
};

TEST_F(RenderCli, WritesAPngOrByItsExtensionABitmapAtTheGivenSize) {
  REQUIRE_GL_CONTEXT();
  const Frame frame = Drawn({"m_nMesh=8", "m_nBackColor=1"}, {"--size", "90x70"}, "mesh.png");
  ASSERT_EQ(frame.width, 90);
  ASSERT_EQ(frame.height, 70);
  EXPECT_EQ(PixelAt(frame, 0, 0), (RGB{255, 255, 255}));
  EXPECT_GT(CountPixels(frame, [](const RGB& p) { return p != RGB{255, 255, 255}; }), 200u);

  // The same picture as a bitmap, by its extension in any letter case; the
  // bitmap's layout is the core's to test.
  const Args contour = {"m_nDrawStyle=5", "m_nMesh=8"}, size = {"--size", "33x20"};
  const Frame expected = Drawn(contour, size, "contour.png");
  Drawn(contour, size, "contour.BMP");
  CDibImage dib;
  ASSERT_TRUE(dib.FromBitmap(RgbaImageView{expected.rgba.data(), 33, 20, 0}));
  const std::vector<std::uint8_t> bytes = dib.FileBytes();
  EXPECT_TRUE(Slurp(Path("contour.BMP")) == std::string(bytes.begin(), bytes.end()));
  EXPECT_GT(CountPixels(expected, [](const RGB& p) { return p != RGB{0, 0, 0}; }), 20u);
}

// Whether two colours have the same hue: each scaled to full brightness
// first, since a renderer that smooths its lines dims their edge pixels.
bool SameHue(const RGB& a, const RGB& b) {
  const int topA = std::max({a[0], a[1], a[2]}), topB = std::max({b[0], b[1], b[2]});
  for (std::size_t k = 0; k < 3; ++k)
    if (std::abs(a[k] * 255 / topA - b[k] * 255 / topB) > 48) return false;
  return true;
}

// The share of a's ink (pixels off the black background by more than a
// quarter of full scale) that b has too: ink of the same hue within one pixel.
// A vector renderer smooths its lines and draws them at their exact width
// where GL's aliased ones cover whole pixels, so a line may sit a pixel over
// and its colour be dimmer; a line one picture has and the other lacks is
// ink with nothing near it.
double InkFoundIn(const Frame& a, const Frame& b) {
  const auto ink = [](const RGB& p) { return std::max({p[0], p[1], p[2]}) > 64; };
  std::size_t inked = 0, found = 0;
  for (int y = 0; y < a.height; ++y) {
    for (int x = 0; x < a.width; ++x) {
      const RGB p = PixelAt(a, x, y);
      if (!ink(p)) continue;
      ++inked;
      bool near = false;
      for (int v = std::max(y - 1, 0); v <= std::min(y + 1, b.height - 1) && !near; ++v)
        for (int u = std::max(x - 1, 0); u <= std::min(x + 1, b.width - 1) && !near; ++u)
          near = ink(PixelAt(b, u, v)) && SameHue(p, PixelAt(b, u, v));
      found += near ? 1 : 0;
    }
  }
  return inked == 0 ? 0.0 : static_cast<double>(found) / static_cast<double>(inked);
}

// The SVG drawing, rasterised by librsvg, against the PNG of the same run:
// each holds at least 95% of the other's ink (they come to 96-100%). The plain
// mesh's drawing holds the pieces the hidden-line picture hides (a fifth of
// its ink, seen from low), so against that picture it fails. Fitted drawings
// hold to it only when cut at the fitted range and without the cells at
// poles: uncut lines bring their drawings down to 80-83% of ink found, uncut
// faces 85%, 1/x's pole cells drawn 86%, contour levels not fitted 8%.
TEST_F(RenderCli, SvgDrawingsShowTheLinesThePictureShows) {
  REQUIRE_GL_CONTEXT();
  struct Case {
    Args sets;
    std::string name;
    bool fit = false;
  };
  const Case cases[] = {
      {{"m_bHiddenLine=0", "m_bShading=0", "m_dUpDownAngle=-5"}, "plain"},
      {{"m_bShading=0", "m_dUpDownAngle=-5"}, "hidden"},
      {{}, "shaded"},
      {{"m_nDrawStyle=5"}, "contour"},
      {{"m_nDrawStyle=5", "m_dUpDownAngle=-60", "m_strFormula=x*y"}, "saddle"},
      {{"m_bShading=0", "m_nMesh=32", "m_strFormula=tan(x*y)"}, "fitted-hidden", true},
      {{"m_nMesh=101", "m_dUpDownAngle=-45", "m_strFormula=1/x"}, "fitted-shaded", true},
      {{"m_nDrawStyle=5", "m_strFormula=1/x"}, "fitted-contour", true},
  };
  std::vector<std::pair<Frame, Frame>> drawn;
  for (auto [sets, name, fit] : cases) {
    SCOPED_TRACE(name);
    sets.insert(sets.begin(), "m_nMesh=16");
    const Args rest = fit ? Args{"--size", "320x240", "--fit"} : Args{"--size", "320x240"};
    const auto& [png, svg] =
        drawn.emplace_back(Drawn(sets, rest, name + ".png"), Drawn(sets, rest, name + ".svg"));
    ASSERT_EQ(svg.width, png.width);
    ASSERT_EQ(svg.height, png.height);
    EXPECT_GT(CountPixels(png, [](const RGB& p) { return p != RGB{0, 0, 0}; }), 1000u);
    EXPECT_GE(InkFoundIn(png, svg), 0.95);
    EXPECT_GE(InkFoundIn(svg, png), 0.95);
  }
  EXPECT_LT(InkFoundIn(drawn[0].second, drawn[1].first), 0.9);
}

// The reading aids of one run in its PNG and its SVG: every <text> of the
// drawing stands where the picture has the same label's ink, within 2 pixels.
TEST_F(RenderCli, AidsPutTheSameNumbersAtTheSamePlacesInThePngAndTheSvg) {
  REQUIRE_GL_CONTEXT();
  const Args sets = {"m_strFormula=(x^2+y-11)^2+(x+y^2-7)^2", "m_dRange=6", "m_bShading=0"};
  const Args aids = {"--fit", "--axes", "--colour-map", "viridis", "--extremes"};
  const Frame png = Drawn(sets, aids, "aids.png"), svg = Drawn(sets, aids, "aids.svg");
  // The labels' light grey; no line or face of the picture is as light in
  // all three channels.
  const auto bright = [](const RGB& p) { return std::min({p[0], p[1], p[2]}) > 145; };
  // The left and the bottom of a label's ink in the box it may take.
  const auto inkCorner = [&](const Frame& frame, int x, int y, int w) {
    int left = x + w, bottom = y - 16;
    for (int v = std::max(0, y - 16); v <= std::min(frame.height - 1, y + 4); ++v)
      for (int u = std::max(0, x - 3); u <= std::min(frame.width - 1, x + w); ++u)
        if (bright(PixelAt(frame, u, v))) left = std::min(left, u), bottom = std::max(bottom, v);
    return std::pair(left, bottom);
  };
  std::ifstream in(Path("aids.svg"));
  const std::string text((std::istreambuf_iterator<char>(in)), {});
  const std::regex label("<text x=\"([-0-9.e]+)\" y=\"([-0-9.e]+)\"[^>]*>([^<]*)</text>");
  std::set<std::string> texts;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), label);
       it != std::sregex_iterator(); ++it) {
    const std::string shown = (*it)[3];
    SCOPED_TRACE(shown);
    texts.insert(shown);
    const int x = static_cast<int>(std::stod((*it)[1])), y = static_cast<int>(std::stod((*it)[2]));
    const int w = 8 * static_cast<int>(shown.size());
    const auto [pngLeft, pngBottom] = inkCorner(png, x, y, w);
    const auto [svgLeft, svgBottom] = inkCorner(svg, x, y, w);
    ASSERT_LT(pngLeft, x + w);  // the picture has ink there
    EXPECT_LE(std::abs(pngLeft - svgLeft), 2);
    EXPECT_LE(std::abs(pngBottom - svgBottom), 2);
  }
  for (const char* name : {"x", "y", "f(x,y)", "2000", "min f=0.2502 at (3, 1.875)"}) {
    EXPECT_TRUE(texts.count(name)) << name;
  }
}

// --animate writes one picture per value, each as the run drew it at that
// value: the middle one of a=-1:1:1 is the flat plane of a=0.
TEST_F(RenderCli, AnimateWritesOnePicturePerValue) {
  REQUIRE_GL_CONTEXT();
  const Args sets = {"m_strFormula=a*(x^2-y^2)/30", "m_nMesh=16", "m_dZCoef=1"};
  const RunResult run =
      Run("render", sets, {"--animate", "a=-1:1:1", "--size", "96x72", "-o", Path("f%02d.png")});
  ASSERT_EQ(run.code, 0) << run.err;
  const Frame frames[] = {ReadPng(Path("f00.png")), ReadPng(Path("f01.png")),
                          ReadPng(Path("f02.png"))};
  EXPECT_EQ(CountDifferent(frames[1], Drawn({"m_strFormula=0", "m_nMesh=16", "m_dZCoef=1"},
                                            {"--size", "96x72"}, "flat.png")),
            0u);
  EXPECT_GT(CountDifferent(frames[0], frames[1]), 100u);
  EXPECT_GT(CountDifferent(frames[0], frames[2]), 100u);
  EXPECT_FALSE(std::ifstream(Path("f03.png")).good());
}

TEST_F(RenderCli, BadArgumentsAndUnwritableFilesFail) {
  const std::string png = Path("x.png");
  const std::vector<std::tuple<std::string, Args, Args>> cases = {
      {"render", {}, {}},
      {"render", {}, {"--size", "0x10", "-o", png}},
      {"render", {}, {"-o", Path("x.jpg")}},
      {"render", {}, {"--colour-map", "jet", "-o", png}},
      {"render", {}, {"--animate", "a=1:0:0.5", "-o", Path("f%d.png")}},
      {"render", {}, {"--animate", "a=0:1:0.5", "-o", png}},
      {"render", {"m_nDrawStyle=1"}, {"-o", Path("x.svg")}},
      {"render", {"m_nowhere=1"}, {"-o", png}},
      {"render", {}, {"-o", Path("no/such/folder/x.png")}},
      // A run that could draw no picture: before, an empty one was written.
      // Which settings and formulas cannot be drawn is the thread's to test.
      {"render", {"m_nMesh=0"}, {"-o", png}},
      {"sample", {"m_nDrawStyle=9"}, {}},
      {"sample", {}, {"--size", "10x10"}},
      // Nothing finite to fit.
      {"render", {"m_strFormula=sqrt(-1-x^2)"}, {"--fit", "-o", png}},
  };
  for (const auto& [command, sets, rest] : cases) {
    SCOPED_TRACE(testing::PrintToString(sets) + testing::PrintToString(rest));
    const RunResult run = Run(command, sets, rest);
    EXPECT_NE(run.code, 0);
    EXPECT_FALSE(run.err.empty());
  }
  EXPECT_FALSE(std::filesystem::exists(png));
  EXPECT_FALSE(std::filesystem::exists(Path("x.svg")));
}

// sample prints the extents (with --fit the fit after them) and then every
// element; --summary the same head, how many elements are not finite, and a
// hash that tells the grids apart. Surface points are x, height, y with x
// outermost and y falling; contour grids hold raw values, i running along x.
// "": unchecked, as the extents of a grid without a finite height. 1/x at x = -2,
// 0, 2: -0.5, inf, 0.5, fitted to -0.55..0.55 over a height of R = 2; every
// cell has a corner at x = 0. The surface grid holds the fitted heights, the
// contour grid f's own values.
TEST_F(RenderCli, SamplePrintsEveryElementAndItsSummaryCountsAndHashesThem) {
  const auto pole = [](int style) {
    return Args{"m_nMesh=2", "m_dRange=2", "m_strFormula=1/x",
                "m_nDrawStyle=" + std::to_string(style)};
  };
  const std::string fitLine = "\nfit 1.81818182 -0.55 0.55 4";
  // Settings, --fit; the head, the elements, how many are not finite.
  const std::tuple<Args, bool, std::string, std::string, int> cases[] = {
      {{"m_nMesh=1", "m_strFormula=x + 2 * y", "m_dZCoef=0.5"},
       false,
       "extents 12 -12 12 -12 18 -18",
       "-12 6 12 -12 -18 -12 12 18 12 12 -6 -12",
       0},
      {{"m_nMesh=1", "m_nDrawStyle=5", "m_strFormula=x / 7", "m_dZCoef=100"},
       false,
       "extents 12 -12 12 -12 1.71428573 -1.71428573",
       "-1.71428573 -1.71428573 1.71428573 1.71428573",
       0},
      {{"m_nMesh=1", "m_strFormula=log ( x ) + sqrt ( 0 - 1 )"},
       false,
       "",
       "-12 nan 12 -12 nan -12 12 nan 12 12 nan -12",
       4},
      {pole(STYLE_MESH), true, "extents 2 -2 2 -2 0.909090936 -0.909090936" + fitLine,
       "-2 -0.909090936 2 -2 -0.909090936 -0 -2 -0.909090936 -2 0 inf 2 0 inf -0 0 inf -2 2 "
       "0.909090936 2 2 0.909090936 -0 2 0.909090936 -2",
       3},
      {pole(STYLE_CONTOUR), true, "extents 2 -2 2 -2 0.5 -0.5" + fitLine,
       "-0.5 -0.5 -0.5 inf inf inf 0.5 0.5 0.5", 3},
  };
  std::set<std::string> hashes;
  for (auto [sets, fit, head, elements, nonfinite] : cases) {
    SCOPED_TRACE(testing::PrintToString(sets) + (fit ? " --fit" : ""));
    const RunResult all = Run("sample", sets, fit ? Args{"--fit"} : Args{});
    const RunResult summary =
        Run("sample", sets, fit ? Args{"--fit", "--summary"} : Args{"--summary"});
    ASSERT_EQ(all.code, 0) << all.err;
    ASSERT_EQ(summary.code, 0) << summary.err;
    const std::size_t headEnd = all.out.find('\n', fit ? all.out.find('\n') + 1 : 0);
    EXPECT_TRUE(head.empty() || all.out.substr(0, headEnd) == head) << all.out;
    std::replace(elements.begin(), elements.end(), ' ', '\n');
    EXPECT_TRUE(elements.empty() || all.out.substr(headEnd + 1) == elements + "\n") << all.out;
    EXPECT_EQ(summary.out.substr(0, headEnd), all.out.substr(0, headEnd));
    std::istringstream rest(summary.out.substr(headEnd + 1));
    std::vector<std::string> lines(3);
    for (std::string& line : lines) std::getline(rest, line);
    EXPECT_TRUE(rest.peek() == EOF) << summary.out;
    EXPECT_EQ(lines[0], "nonfinite " + std::to_string(nonfinite));
    EXPECT_TRUE(std::regex_match(lines[1], std::regex("fnv1a64 [0-9a-f]{16}"))) << lines[1];
    EXPECT_TRUE(hashes.insert(lines[1]).second) << lines[1];
    EXPECT_EQ(lines[2].rfind("sample_ms ", 0), 0u);
  }
}

}  // namespace
