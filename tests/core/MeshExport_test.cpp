// The files the core writes. The bitmap: its layout, header and failed writes.
// What the command line cannot reach of the mesh export: the height scale and
// the cell filter a caller passes, and the refusals they lead to. The files
// themselves are checked by tests/cli/mesh_export_check.py.
#include "core/MeshExport.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "core/DibImage.h"
#include "core/Formula.h"

namespace fs = std::filesystem;

namespace {

std::vector<float> Surface(const char* text, const GridSpec& gridSpec) {
  std::vector<float> grid;
  GridExtents extents;
  EXPECT_TRUE(ComputeSurface(gridSpec, CompileFormula(text), RunSignals{}, grid, extents));
  return grid;
}

// The triangle count, the highest vertex and the leftmost of a binary STL.
std::tuple<std::uint32_t, float, float> CountTopAndLeft(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
  const auto word = [&](std::size_t at) {
    std::uint32_t value = 0;
    for (int k = 3; k >= 0; --k) value = value << 8 | static_cast<std::uint8_t>(bytes[at + k]);
    return value;
  };
  const std::uint32_t count = word(80);
  float top = -1e30f, left = 1e30f;
  for (std::uint32_t t = 0; t < count; ++t) {
    for (int v = 0; v < 3; ++v) {  // each corner's x and z
      left = std::min(left, std::bit_cast<float>(word(84 + 50 * t + 12 * (v + 1))));
      top = std::max(top, std::bit_cast<float>(word(84 + 50 * t + 12 * (v + 1) + 8)));
    }
  }
  return {count, top, left};
}

TEST(MeshExport, TheScaleAndTheCellFilterShapeTheMeshAndRefusalsWriteNothing) {
  const GridSpec gridSpec{.nMesh = 4, .spacing = 1.0f, .zScale = 1.0f};
  const std::vector<float> plane = Surface("x + 2", gridSpec);  // highest point 4 at x = 2
  const std::vector<float> flat = Surface("0 - 3", gridSpec);
  const std::string path = (fs::temp_directory_path() / "orvex-meshexport-test.stl").string();
  const auto notColumn0 = [](int j, int) { return j != 0; };
  const auto none = [](int, int) { return false; };
  struct Case {
    const char* name;
    const std::vector<float>& grid;
    float scale;
    std::function<bool(int, int)> filter;
    bool solid;
    MeshExportProblem problem;
    std::uint32_t triangles;
    float top;
    float left = -2.0f;
    double centreX = 0.0;  // x where f was sampled is the grid's plus this
  };
  const Case cases[] = {
      {"as sampled", plane, 1.0f, {}, false, MeshExportProblem::None, 32, 4.0f},
      {"scaled", plane, 2.5f, {}, false, MeshExportProblem::None, 32, 10.0f},
      {"off the origin", plane, 1.0f, {}, false, MeshExportProblem::None, 32, 4.0f, 98.0f, 100.0},
      {"filtered", plane, 1.0f, notColumn0, false, MeshExportProblem::None, 24, 4.0f, -1.0f},
      {"solid", plane, 1.0f, {}, true, MeshExportProblem::None, 32 + 48, 4.0f},
      {"all left out", plane, 1.0f, none, false, MeshExportProblem::NoSurface, 0, 0.0f},
      {"solid, filtered", plane, 1.0f, notColumn0, true, MeshExportProblem::SolidWithHoles, 0, 0},
      // At -3e38 the base's margin is lost in rounding: no lower float to put it at.
      {"solid too low", flat, 1e38f, {}, true, MeshExportProblem::BaseOutOfRange, 0, 0.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(path);
    GridSpec centred = gridSpec;
    centred.centreX = c.centreX;
    const MeshExportResult result = ExportMesh(
        path, centred, c.grid,
        MeshExportOptions{.closedSolid = c.solid, .heightScale = c.scale, .cellDrawn = c.filter});
    EXPECT_EQ(result.problem, c.problem);
    if (c.problem != MeshExportProblem::None) {
      EXPECT_FALSE(fs::exists(path));
      continue;
    }
    EXPECT_EQ(result.triangles, c.triangles);
    EXPECT_EQ(CountTopAndLeft(path), std::tuple(c.triangles, c.top, c.left));
  }
  fs::remove(path);
}

using Buf = std::vector<std::uint8_t>;

// A picture whose every pixel differs in each channel from its neighbours;
// each row followed by `padding` bytes of 0xEE that are no pixels.
Buf Picture(int width, int height, int padding = 0) {
  Buf rgba;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      rgba.insert(rgba.end(),
                  {std::uint8_t(x * 3 + y), std::uint8_t(y * 5 + x), std::uint8_t(x ^ y), 0xA5});
    rgba.insert(rgba.end(), static_cast<std::size_t>(padding), 0xEE);
  }
  return rgba;
}

TEST(DibImageTest, BmpFileOf301By200ItsHeaderReadAndFailedWrites) {
  const std::size_t stride = 301 * 4 + 8;
  const Buf rgba = Picture(301, 200, 8);
  CDibImage dib;
  ASSERT_TRUE(dib.FromBitmap(RgbaImageView{rgba.data(), 301, 200, stride}));
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  ASSERT_TRUE(dib.WriteBmp(file));
  std::rewind(file);
  Buf written(200000);
  written.resize(std::fread(written.data(), 1, written.size(), file));
  std::fclose(file);

  // File size 180854, pixels at 54; a 40-byte header of 301 x 200, one plane
  // of 24 bits, no compression, 180800 bytes of pixels; the rest 0.
  Buf expected = {'B', 'M', 0x76, 0xC2, 2, 0, 0, 0, 0, 0,  54, 0, 0, 0, 40, 0,    0,    0, 0x2D,
                  1,   0,   0,    200,  0, 0, 0, 1, 0, 24, 0,  0, 0, 0, 0,  0x40, 0xC2, 2, 0};
  expected.resize(54, 0);
  // Bottom row first, blue green red, rows of 904 bytes; the source's padding skipped.
  for (int y = 199; y >= 0; --y) {
    for (int x = 0; x < 301; ++x) {
      const std::uint8_t* p = &rgba[static_cast<std::size_t>(y) * stride + x * 4];
      expected.insert(expected.end(), {p[2], p[1], p[0]});
    }
    expected.push_back(0);
  }
  ASSERT_EQ(expected.size(), 180854u);
  EXPECT_TRUE(written == expected);
  EXPECT_TRUE(dib.FileBytes() == expected);
  EXPECT_TRUE(dib.Block() == Buf(expected.begin() + 14, expected.end()));
  // A header with biSizeImage left 0 is completed in the copy only.
  Buf block(expected.begin() + 14, expected.begin() + 54);
  block[20] = block[21] = block[22] = 0;
  const Buf before = block;
  BITMAPINFOHEADER header;
  ASSERT_TRUE(CDibImage::ReadHeader(block, header));
  EXPECT_EQ(header.biSizeImage, 904u * 200u);
  EXPECT_EQ(block, before);
  EXPECT_FALSE(CDibImage::ReadHeader(Buf(39), header));

  EXPECT_FALSE(dib.WriteBmp(nullptr));
  // A device that takes no data: the failure shows at the latest on the flush.
  std::FILE* full = std::fopen("/dev/full", "wb");
  ASSERT_NE(full, nullptr);
  EXPECT_FALSE(dib.WriteBmp(full));
  std::fclose(full);
}

}  // namespace
