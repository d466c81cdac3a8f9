// orvex-cli render and sample, run as a user would run them.
#include <png.h>

#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "CliRunner.h"
#include "RenderTestSupport.h"
#include "core/Grid.h"

namespace fs = std::filesystem;

namespace {

struct Picture {
  bool ok = false;
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
};

Picture ReadPng(const std::string& path) {
  Picture picture;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return picture;
  image.format = PNG_FORMAT_RGB;
  picture.width = static_cast<int>(image.width);
  picture.height = static_cast<int>(image.height);
  picture.rgb.resize(PNG_IMAGE_SIZE(image));
  picture.ok = png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr) != 0;
  png_image_free(&image);
  return picture;
}

class RenderCli : public CliTest {
 protected:
  RunResult Run(const std::vector<std::string>& args) const {
    return CliTest::Run(ORVEX_CLI_PATH, args);
  }
};

TEST_F(RenderCli, WritesThePictureAsPngAtTheGivenSize) {
  REQUIRE_GL_CONTEXT();
  const std::string png = Path("mesh.png");
  const RunResult run = Run(
      {"render", "--set", "m_nMesh=8", "--set", "m_nBackColor=1", "--size", "90x70", "-o", png});
  ASSERT_EQ(run.code, 0) << run.err;
  const Picture picture = ReadPng(png);
  ASSERT_TRUE(picture.ok);
  EXPECT_EQ(picture.width, 90);
  EXPECT_EQ(picture.height, 70);
  EXPECT_EQ(picture.rgb[0], 255);  // white background at the top-left corner
  std::size_t drawn = 0;
  for (std::size_t k = 0; k + 2 < picture.rgb.size(); k += 3) {
    if (picture.rgb[k] != 255 || picture.rgb[k + 1] != 255 || picture.rgb[k + 2] != 255) ++drawn;
  }
  EXPECT_GT(drawn, 200u);
}

TEST_F(RenderCli, WritesABitmapFileByItsExtension) {
  REQUIRE_GL_CONTEXT();
  const std::string bmp = Path("contour.BMP");
  const RunResult run = Run(
      {"render", "--set", "m_nDrawStyle=5", "--set", "m_nMesh=8", "--size", "33x20", "-o", bmp});
  ASSERT_EQ(run.code, 0) << run.err;
  const std::string bytes = Slurp(bmp);
  ASSERT_GE(bytes.size(), 54u);
  EXPECT_EQ(bytes.substr(0, 2), "BM");
  // 33 pixels of 3 bytes padded to 100 bytes a row, 20 rows.
  EXPECT_EQ(bytes.size(), 54u + 100u * 20u);
}

TEST_F(RenderCli, TicksTurnASolidAndTheFirstTickShowsTheFirstPicture) {
  REQUIRE_GL_CONTEXT();
  const auto render = [&](const std::string& ticks) {
    const std::string png = Path("plastic" + ticks + ".png");
    const RunResult run = Run({"render", "--set", "m_nDrawStyle=1", "--set", "m_nMesh=8", "--size",
                               "64x48", "--ticks", ticks, "-o", png});
    EXPECT_EQ(run.code, 0) << run.err;
    return ReadPng(png).rgb;
  };
  const auto none = render("0");
  const auto one = render("1");
  const auto two = render("2");
  ASSERT_FALSE(none.empty());
  EXPECT_EQ(none, one);
  EXPECT_NE(one, two);
}

TEST_F(RenderCli, BadArgumentsAndUnwritableFilesFail) {
  const std::string png = Path("x.png");
  const std::vector<std::vector<std::string>> cases = {
      {"render"},
      {"render", "--size", "0x10", "-o", png},
      {"render", "--size", "10", "-o", png},
      {"render", "--size", "10x-4", "-o", png},
      {"render", "-o", Path("x.jpg")},
      {"render", "--set", "m_nDrawStyle=6", "-o", png},
      {"render", "--set", "m_strFormula=x+", "-o", png},
      {"render", "--set", "m_nowhere=1", "-o", png},
      {"render", Path("missing.ovx"), "-o", png},
      {"render", "-o", Path("no/such/folder/x.png")},
      {"sample", "--set", "m_nDrawStyle=9"},
      {"sample", "--set", "m_nMesh=0"},
      {"sample", "--size", "10x10"},
  };
  for (const auto& args : cases) {
    SCOPED_TRACE(testing::PrintToString(args));
    const RunResult run = Run(args);
    EXPECT_NE(run.code, 0);
    EXPECT_FALSE(run.err.empty());
  }
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST_F(RenderCli, SamplePrintsExtentsThenTheSurfaceGridInStorageOrder) {
  const RunResult run = Run(
      {"sample", "--set", "m_nMesh=2", "--set", "m_strFormula=x + 2 * y", "--set", "m_dZCoef=0.5"});
  ASSERT_EQ(run.code, 0) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 1u + 27u);
  EXPECT_EQ(lines[0], "extents 12 -12 12 -12 18 -18");
  // Column j = 1 (x = 0), row i = 0 (y = +12): height (0 + 24) * 0.5.
  const std::size_t at = 1 + GridIndex(2, 1, 0);
  EXPECT_EQ(lines[at], "0");
  EXPECT_EQ(lines[at + 1], "12");
  EXPECT_EQ(lines[at + 2], "12");
}

TEST_F(RenderCli, SampleOfTheContourStyleHoldsRawValues) {
  const RunResult run = Run({"sample", "--set", "m_nMesh=1", "--set", "m_nDrawStyle=5", "--set",
                             "m_strFormula=x / 7", "--set", "m_dZCoef=100"});
  ASSERT_EQ(run.code, 0) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 5u);
  // i runs along x: the first two points lie at x = -12, the last two at +12.
  EXPECT_EQ(lines[1], "-1.71428573");
  EXPECT_EQ(lines[2], "-1.71428573");
  EXPECT_EQ(lines[3], "1.71428573");
  EXPECT_EQ(lines[4], "1.71428573");
}

TEST_F(RenderCli, SamplePrintsNonFiniteValuesPlainly) {
  const RunResult run =
      Run({"sample", "--set", "m_nMesh=1", "--set", "m_strFormula=log ( x ) + sqrt ( 0 - 1 )"});
  ASSERT_EQ(run.code, 0) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 13u);
  for (std::size_t point = 0; point < 4; ++point) {
    SCOPED_TRACE(point);
    EXPECT_EQ(lines[1 + 3 * point + 1], "nan");
  }
  const RunResult infinite =
      Run({"sample", "--set", "m_nMesh=1", "--set", "m_strFormula=0 - exp ( 1000 )"});
  ASSERT_EQ(infinite.code, 0) << infinite.err;
  EXPECT_EQ(Lines(infinite.out).at(2), "-inf");
}

std::uint64_t Fnv1aOfPrintedFloats(const std::vector<std::string>& lines, std::size_t first) {
  std::uint64_t hash = 14695981039346656037ull;
  for (std::size_t k = first; k < lines.size(); ++k) {
    const float value = std::strtof(lines[k].c_str(), nullptr);
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    for (int shift = 0; shift < 32; shift += 8) {
      hash ^= (bits >> shift) & 0xffu;
      hash *= 1099511628211ull;
    }
  }
  return hash;
}

TEST_F(RenderCli, SampleSummaryHashesTheGridThatSamplePrints) {
  const std::vector<std::vector<std::string>> sets = {
      {"--set", "m_nMesh=7"},
      {"--set", "m_nMesh=4", "--set", "m_nDrawStyle=5"},
      {"--set", "m_nMesh=3", "--set", "m_strFormula=x + 2 * y", "--set", "m_dZCoef=0.5"},
  };
  for (const auto& set : sets) {
    SCOPED_TRACE(testing::PrintToString(set));
    std::vector<std::string> full = {"sample"};
    full.insert(full.end(), set.begin(), set.end());
    std::vector<std::string> brief = full;
    brief.push_back("--summary");
    const RunResult all = Run(full);
    const RunResult summary = Run(brief);
    ASSERT_EQ(all.code, 0) << all.err;
    ASSERT_EQ(summary.code, 0) << summary.err;
    const std::vector<std::string> values = Lines(all.out);
    const std::vector<std::string> lines = Lines(summary.out);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], values.at(0));
    EXPECT_EQ(lines[1], "nonfinite 0");
    char expected[40];
    std::snprintf(expected, sizeof expected, "fnv1a64 %016" PRIx64,
                  Fnv1aOfPrintedFloats(values, 1));
    EXPECT_EQ(lines[2], expected);
    double ms = -1.0;
    char tail = 0;
    EXPECT_EQ(std::sscanf(lines[3].c_str(), "sample_ms %lf%c", &ms, &tail), 1) << lines[3];
    EXPECT_GE(ms, 0.0);
  }
}

TEST_F(RenderCli, SampleSummaryCountsNonFiniteElements) {
  // SQRT(X) is NaN on the columns left of the axis: 2 of 5 per row, 5 rows.
  const RunResult run =
      Run({"sample", "--set", "m_nMesh=4", "--set", "m_strFormula=sqrt ( x )", "--summary"});
  ASSERT_EQ(run.code, 0) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1], "nonfinite 10");
  const RunResult contour = Run({"sample", "--set", "m_nMesh=4", "--set", "m_nDrawStyle=5", "--set",
                                 "m_strFormula=sqrt ( x )", "--summary"});
  ASSERT_EQ(contour.code, 0) << contour.err;
  EXPECT_EQ(Lines(contour.out).at(1), "nonfinite 10");
}

}  // namespace
