// What the command line cannot reach of the mesh export: the height scale and
// the cell filter a caller passes, and the refusals they lead to. The files
// themselves are checked by tests/cli/mesh_export_check.py.
#include "core/MeshExport.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "FormulaReference.h"

namespace fs = std::filesystem;

namespace {

std::vector<float> Surface(const char* text, const GridSpec& gridSpec) {
  std::vector<float> grid;
  GridExtents extents;
  EXPECT_TRUE(ComputeSurface(gridSpec, Compiled(text), RunSignals{}, grid, extents));
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

}  // namespace
