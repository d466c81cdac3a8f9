// Contour geometry: one cell at one level, the build with its stop and its refusals. The levels of
// a range (and the ranges refused), the walk over crossed levels against the walk over every
// level, and the crossed levels against the cell are fuzz_contour's property, run over its corpus
// by the fuzz_contour_replay test.
#include "core/Contour.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <set>
#include <utility>
#include <vector>

#include "core/Formula.h"
#include "core/ShareData.h"

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();

GridExtents Heights(float minZ, float maxZ) { return {.maxZ = maxZ, .minZ = minZ}; }

// A grid of one cell (N = 1) with these corner heights.
std::vector<float> Cell(float h00, float h10, float h11, float h01) {
  std::vector<float> grid(4);
  grid[ContourIndex(1, 0, 0)] = h00, grid[ContourIndex(1, 1, 0)] = h10;
  grid[ContourIndex(1, 1, 1)] = h11, grid[ContourIndex(1, 0, 1)] = h01;
  return grid;
}

bool Same(float a, float b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

TEST(ContourCellTest, HandMadeCells) {
  const float h = 0.5f, q = 0.25f;
  const struct {
    const char* name;
    float h00, h10, h11, h01, level;
    int count;
    ContourSegment expected[2];
  } cases[] = {
      {"all below", 0, 0, 0, 0, h, 0, {}},
      // Saddles: one segment cuts off h10, the other h01; neither touches the diagonal.
      {"saddle 1", 1, 0, 1, 0, h, 2, {{h, 0, 1, h}, {h, 1, 0, h}}},
      {"h00 below", 0, 4, 4, 4, 1, 2, {{q, 0, q, q}, {0, q, q, q}}},
      {"h11 above", 0, 0, 4, 0, 1, 2, {{1, q, q, q}, {q, 1, q, q}}},
      // A corner at the level counts as above; the end lands on it.
      {"h10 on it, t = 1", 0, h, 1, 0, h, 2, {{1, 0, h, h}, {h, 1, h, h}}},
      {"h00 on it, t = 0", h, 0, 1, 1, h, 1, {{0, 0, 1, h}, {}}},
      // NaN counts as below; the crossings it takes part in are NaN.
      {"h00 NaN, rest above", kNaN, 1, 1, 1, h, 2, {{kNaN, 0, kNaN, kNaN}, {0, kNaN, kNaN, kNaN}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<float> grid = Cell(c.h00, c.h10, c.h11, c.h01);
    ContourSegment out[2] = {};
    ASSERT_EQ(ContourCell(grid, 1, 0, 0, c.level, out), c.count);
    for (int s = 0; s < c.count; ++s) {
      const ContourSegment &o = out[s], &e = c.expected[s];
      EXPECT_TRUE(Same(o.u1, e.u1) && Same(o.w1, e.w1) && Same(o.u2, e.u2) && Same(o.w2, e.w2))
          << s << ": " << o.u1 << " " << o.w1 << " " << o.u2 << " " << o.w2;
    }
    EXPECT_EQ(ContourCell(grid, 1, 1, 0, c.level, out), 0);  // outside the grid
  }
}

std::vector<float> Levels(const GridExtents& extents, float step,
                          ContourLevelsStatus expected = ContourLevelsStatus::Ok) {
  std::vector<float> levels = {1.0f};
  EXPECT_EQ(ContourLevels(extents, step, &levels), expected)
      << extents.minZ << ".." << extents.maxZ << " by " << step;
  return levels;
}

// Each vertex and the colour current at it, as bits; how often the colour is
// sent; a stop after the stopAfter-th colour when asked.
struct TraceSink : ContourSink {
  void Colour(const ContourColour& c) override {
    current = {std::bit_cast<std::uint32_t>(c.red), std::bit_cast<std::uint32_t>(c.green),
               std::bit_cast<std::uint32_t>(c.blue)};
    if (++colourCommands == stopAfter) state->store(DS_STOP);
  }
  void Segment(const float v1[3], const float v2[3]) override {
    for (const float* v : {v1, v2})
      for (int k = 0; k < 3; ++k) trace.push_back(std::bit_cast<std::uint32_t>(v[k]));
    trace.insert(trace.end(), current.begin(), current.end());
  }
  float At(std::size_t k) const { return std::bit_cast<float>(trace[k]); }
  std::vector<std::uint32_t> current = {0, 0, 0, 1};  // no colour sent yet
  std::vector<std::uint32_t> trace;
  std::size_t colourCommands = 0, stopAfter = 0;
  std::atomic<int>* state = nullptr;
};

TEST(ContourBuildTest, EachCrossingGetsItsColourThenItsSegmentsUntilAStop) {
  CParaData para;
  para.m_nMesh = 4, para.m_dRange = 4.0, para.m_dZCoef = 3.0;  // spacing 2, f = x / 2
  const GridSpec gridSpec = MakeGridSpec(para);
  std::vector<float> grid(25);
  for (int i = 0; i <= 4; ++i)
    for (int j = 0; j <= 4; ++j) grid[ContourIndex(4, i, j)] = static_cast<float>(i - 2);
  const std::vector<float> levels = Levels(Heights(-2, 2), 0.5f);
  ASSERT_EQ(levels.size(), 9u);
  for (std::size_t stopAfter : {0, 1}) {  // 0: no stop
    SCOPED_TRACE(stopAfter);
    std::atomic<int> state{DS_RUN_CONTOUR}, progress{0};
    TraceSink sink;
    sink.state = &state, sink.stopAfter = stopAfter;
    const ContourBuild result = BuildContour(grid, gridSpec, Heights(-2, 2), 0.5f,
                                             {&state, DS_RUN_CONTOUR, &progress}, sink);
    EXPECT_EQ(result, stopAfter == 0 ? ContourBuild::Complete : ContourBuild::Stopped);
    // On the plane f = x / 2 the line of level L lies at x = 2L, lifted to
    // L * 3, in L's colour, and runs across the grid to y = +-4; each segment
    // is two ends and a colour.
    float farthest = 0.0f;
    for (std::size_t s = 0; s + 9 <= sink.trace.size(); s += 9) {
      const auto at = std::find_if(levels.begin(), levels.end(), [&](float candidate) {
        return candidate * 3.0f == sink.At(s + 1);
      });
      ASSERT_NE(at, levels.end()) << sink.At(s + 1);
      for (std::size_t v : {s, s + 3}) {
        EXPECT_TRUE(std::fabs(sink.At(v) - 2 * *at) < 1e-6f && sink.At(v + 1) == *at * 3.0f);
        farthest = std::max(farthest, std::fabs(sink.At(v + 2)));
      }
      EXPECT_EQ(sink.At(s + 7), ContourColourFor(*at, -2.0f, 2.0f).green);
    }
    EXPECT_EQ(farthest, 4.0f);  // the first crossing's cell reaches y = -4
    // The eight levels above -2.2 each cross a column of 4 cells, with a
    // segment in each of the cell's triangles; a stop after the first colour
    // leaves the first crossing's two.
    EXPECT_EQ(sink.trace.size(), (stopAfter == 0 ? 8u * 4 * 2 : 2u) * 9);
    EXPECT_EQ(progress, stopAfter == 0 ? 4 : 1);
  }
  TraceSink none;
  EXPECT_EQ(BuildContour(std::vector<float>(24), gridSpec, Heights(-2, 2), 0.5f, {}, none),
            ContourBuild::NoGrid);
}

// Found by fuzzing: corners further apart than the float range gave segment ends on a corner or
// NaN, and colours of NaN; equal extents (one finite height) gave infinite colours.
TEST(ContourCellTest, HeightsWiderThanFloatAreInterpolatedAsNarrowerOnesAre) {
  ContourSegment out[2] = {};
  ASSERT_EQ(ContourCell(Cell(-3e38f, -3e38f, 3e38f, 3e38f), 1, 0, 0, 0.0f, out), 2);
  for (const ContourSegment& s : out)
    EXPECT_TRUE(s.w1 == 0.5f && s.u2 == 0.5f && s.w2 == 0.5f) << s.w1 << " " << s.w2;
  const ContourColour wide = ContourColourFor(-1e38f, -3e38f, 3e38f);
  const ContourColour narrow = ContourColourFor(-1.0f, -3.0f, 3.0f);
  for (const auto& [a, b] :
       {std::pair(wide.red, narrow.red), {wide.green, narrow.green}, {wide.blue, narrow.blue}})
    EXPECT_NEAR(a, b, 1e-6f);
  const ContourColour one = ContourColourFor(4.75f, 5.0f, 5.0f);
  EXPECT_TRUE(one.red == 0.0f && one.green == 1.0f && one.blue == 0.0f);
}

struct Sampled {
  GridSpec gridSpec;
  std::vector<float> grid;
  GridExtents extents;
};

Sampled Sample(int n, double range, const char* text) {
  CParaData para;
  para.m_nMesh = n, para.m_dRange = range;
  Sampled s;
  s.gridSpec = MakeGridSpec(para);
  EXPECT_TRUE(ComputeContour(s.gridSpec, CompileFormula(text), {}, s.grid, s.extents));
  return s;
}

// A range of millions of levels: before, the levels were cut off silently
// and the picture came out empty as if it were complete.
TEST(ContourWalkTest, APictureOfTooManyCrossingsIsRefusedWhole) {
  const Sampled s = Sample(8, 12, "x^5");
  TraceSink sink;
  EXPECT_EQ(BuildContour(s.grid, s.gridSpec, s.extents, 0.05f, {}, sink),
            ContourBuild::TooManyLines);
  EXPECT_TRUE(sink.trace.empty());
  EXPECT_EQ(sink.colourCommands, 0u);
  // The automatic interval (0): about 20 levels at round multiples of a nice
  // step over the range of values, +-12^5.
  TraceSink automatic;
  EXPECT_EQ(BuildContour(s.grid, s.gridSpec, s.extents, 0.0f, {}, automatic),
            ContourBuild::Complete);
  std::set<float> levels;
  for (std::size_t k = 1; k < automatic.trace.size(); k += 9) {
    levels.insert(automatic.At(k) / s.gridSpec.zScale);
  }
  EXPECT_GE(levels.size(), 13u);
  EXPECT_LE(levels.size(), 32u);
  for (float level : levels) EXPECT_EQ(std::fmod(level, 20000.0f), 0.0f) << level;
}

}  // namespace
