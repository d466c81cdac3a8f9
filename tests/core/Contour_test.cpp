#include "core/Contour.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/ShareData.h"

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

// One cell on a 2 x 2 grid (N = 1).
std::vector<float> Cell(float h00, float h10, float h11, float h01) {
  std::vector<float> grid(4);
  grid[ContourIndex(1, 0, 0)] = h00;
  grid[ContourIndex(1, 1, 0)] = h10;
  grid[ContourIndex(1, 1, 1)] = h11;
  grid[ContourIndex(1, 0, 1)] = h01;
  return grid;
}

bool SameFloat(float a, float b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

struct CellCase {
  const char* name;
  float h00, h10, h11, h01, level;
  int count;
  ContourSegment expected[2];
};

const CellCase kCellCases[] = {
    {"all below", 0, 0, 0, 0, 0.5f, 0, {}},
    {"all above", 1, 1, 1, 1, 0.5f, 0, {}},
    // Saddles: one segment cuts off h10, the other h01; neither touches the diagonal.
    {"saddle, h00 and h11 above", 1, 0, 1, 0, 0.5f, 2, {{0.5f, 0, 1, 0.5f}, {0.5f, 1, 0, 0.5f}}},
    {"saddle, h10 and h01 above", 0, 1, 0, 1, 0.5f, 2, {{0.5f, 0, 1, 0.5f}, {0.5f, 1, 0, 0.5f}}},
    // Only h00 below: both triangles end on the diagonal.
    {"h00 below", 0, 4, 4, 4, 1, 2, {{0.25f, 0, 0.25f, 0.25f}, {0, 0.25f, 0.25f, 0.25f}}},
    // Fractions on h10-h11 from h10 and on h11-h01 from h01.
    {"h11 above", 0, 0, 4, 0, 1, 2, {{1, 0.25f, 0.25f, 0.25f}, {0.25f, 1, 0.25f, 0.25f}}},
    // A corner at the level counts as above; the end lands on it.
    {"h10 at the level, t = 1",
     0,
     0.5f,
     1,
     0,
     0.5f,
     2,
     {{1, 0, 0.5f, 0.5f}, {0.5f, 1, 0.5f, 0.5f}}},
    {"h00 at the level, t = 0", 0.5f, 0, 1, 1, 0.5f, 1, {{0, 0, 1, 0.5f}, {}}},
    // NaN counts as below; the crossings it takes part in are NaN.
    {"h00 NaN, rest above", kNaN, 1, 1, 1, 0.5f, 2, {{kNaN, 0, kNaN, kNaN}, {0, kNaN, kNaN, kNaN}}},
    {"h00 NaN, rest below", kNaN, 0, 0, 0, 0.5f, 0, {}},
    {"all NaN", kNaN, kNaN, kNaN, kNaN, 0.5f, 0, {}},
};

TEST(ContourCellTest, HandMadeCells) {
  for (const CellCase& c : kCellCases) {
    SCOPED_TRACE(c.name);
    const std::vector<float> grid = Cell(c.h00, c.h10, c.h11, c.h01);
    ContourSegment out[2] = {};
    ASSERT_EQ(ContourCell(grid, 1, 0, 0, c.level, out), c.count);
    for (int s = 0; s < c.count; ++s) {
      SCOPED_TRACE(s);
      EXPECT_TRUE(SameFloat(out[s].u1, c.expected[s].u1)) << out[s].u1;
      EXPECT_TRUE(SameFloat(out[s].w1, c.expected[s].w1)) << out[s].w1;
      EXPECT_TRUE(SameFloat(out[s].u2, c.expected[s].u2)) << out[s].u2;
      EXPECT_TRUE(SameFloat(out[s].w2, c.expected[s].w2)) << out[s].w2;
    }
  }
}

TEST(ContourCellTest, CellsAwayFromTheOriginAndOutsideTheGrid) {
  // N = 2, f = 4 * i: the cell (1, 1) is crossed at u = 1.25 by the level 5.
  std::vector<float> grid(9);
  for (int i = 0; i <= 2; ++i)
    for (int j = 0; j <= 2; ++j) grid[ContourIndex(2, i, j)] = 4.0f * static_cast<float>(i);
  ContourSegment out[2] = {};
  ASSERT_EQ(ContourCell(grid, 2, 1, 1, 5.0f, out), 2);
  EXPECT_EQ(out[0].u1, 1.25f);
  EXPECT_EQ(out[0].w1, 1.0f);
  EXPECT_EQ(out[1].u1, 1.25f);
  EXPECT_EQ(out[1].w1, 2.0f);

  for (auto [i, j] : {std::pair{2, 0}, {0, 2}, {-1, 0}, {0, -1}}) {
    EXPECT_EQ(ContourCell(grid, 2, i, j, 5.0f, out), 0) << i << "," << j;
  }
  EXPECT_EQ(ContourCell(grid, 3, 0, 0, 5.0f, out), 0);  // grid of another mesh count
}

GridExtents Heights(float minZ, float maxZ) {
  GridExtents e;
  e.minZ = minZ;
  e.maxZ = maxZ;
  return e;
}

TEST(ContourLevelsTest, DefaultParameterRange) {
  const float step = 0.05f;
  const std::vector<float> levels = ContourLevels(Heights(-0.2172f, 1.0f), step);
  ASSERT_EQ(levels.size(), 27u);
  EXPECT_NEAR(levels.front(), -0.23892, 1e-6);
  EXPECT_NEAR(levels.back(), 1.06108, 1e-5);
  EXPECT_LT(levels.back(), 1.1f);
  EXPECT_GE(levels.back() + step, 1.1f);
  // Repeated float addition, not lo + k * step.
  for (std::size_t k = 1; k < levels.size(); ++k) EXPECT_EQ(levels[k], levels[k - 1] + step) << k;
}

TEST(ContourLevelsTest, ConstantFunctions) {
  const std::vector<float> two = ContourLevels(Heights(2.0f, 2.0f), 0.25f);
  ASSERT_EQ(two.size(), 2u);  // 1.8 and 2.05, below hi = 2.2
  EXPECT_FLOAT_EQ(two[0], 1.8f);
  EXPECT_FLOAT_EQ(two[1], 2.05f);
  const std::vector<float> minusTwo = ContourLevels(Heights(-2.0f, -2.0f), 0.25f);
  ASSERT_EQ(minusTwo.size(), 2u);  // -2.2 and -1.95, below hi = -1.8
  EXPECT_FLOAT_EQ(minusTwo[0], -2.2f);
  EXPECT_TRUE(ContourLevels(Heights(0.0f, 0.0f), 0.25f).empty());

  // No segment at any level of a constant cell.
  const std::vector<float> grid = Cell(2, 2, 2, 2);
  for (float level : two) {
    ContourSegment out[2];
    EXPECT_EQ(ContourCell(grid, 1, 0, 0, level, out), 0) << level;
  }
}

TEST(ContourLevelsTest, RangesTheLoopCannotWalk) {
  struct Case {
    const char* name;
    GridExtents extents;
    float step;
  };
  const Case cases[] = {
      {"zero step", Heights(0, 1), 0.0f},
      {"negative step", Heights(0, 1), -0.05f},
      {"NaN step", Heights(0, 1), kNaN},
      {"infinite step", Heights(0, 1), kInf},
      {"NaN minimum", Heights(kNaN, 1), 0.05f},
      {"NaN maximum", Heights(0, kNaN), 0.05f},
      {"infinite maximum", Heights(0, kInf), 0.05f},
      {"infinite minimum", Heights(-kInf, 1), 0.05f},
      {"hi beyond float", Heights(0, 3.4e38f), 1e33f},
      {"lo beyond float", Heights(-3.4e38f, 0), 1e33f},
      {"nothing finite sampled", GridExtents{}, 0.05f},
      {"1.1 million levels", Heights(0, 1), 1e-6f},
      {"step below the resolution", Heights(1e6f, 1e6f), 1e-9f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(ContourLevels(c.extents, c.step).empty());
  }
  // Half a million levels are still walked.
  EXPECT_GT(ContourLevels(Heights(0, 1), 2.2e-6f).size(), 400000u);
}

TEST(ContourColourTest, BlueGreenRed) {
  const float minZ = -0.2172f;
  const float maxZ = 1.0f;
  const float half = (maxZ - minZ) / 2.0f;
  struct Case {
    const char* name;
    float level;
    ContourColour expected;
  };
  const Case cases[] = {
      {"lowest", minZ, {0, 0, 1}},        {"quarter", minZ + half / 2.0f, {0, 0.5f, 0.5f}},
      {"middle", minZ + half, {0, 1, 0}}, {"three quarters", minZ + 1.5f * half, {0.5f, 0.5f, 0}},
      {"highest", maxZ, {1, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ContourColour colour = ContourColourFor(c.level, minZ, maxZ);
    EXPECT_NEAR(colour.red, c.expected.red, 1e-6);
    EXPECT_NEAR(colour.green, c.expected.green, 1e-6);
    EXPECT_NEAR(colour.blue, c.expected.blue, 1e-6);
  }
  EXPECT_NEAR(minZ + half, 0.3914, 1e-4);

  // The lowest level lies below the lowest value: left of blue.
  const ContourColour below = ContourColourFor(-0.23892f, minZ, maxZ);
  EXPECT_LT(below.green, 0.0f);
  EXPECT_GT(below.blue, 1.0f);
  const ContourColour above = ContourColourFor(1.05f, minZ, maxZ);
  EXPECT_GT(above.red, 1.0f);
  EXPECT_LT(above.green, 0.0f);
}

TEST(ContourVertexTest, GridNodesMatchTheSampledCoordinates) {
  for (auto [n, range] : {std::pair{3, 1.0}, {32, 12.0}, {7, 2.3}}) {
    CParaData para;
    para.m_nMesh = n;
    para.m_dRange = range;
    const GridSpec spec = MakeGridSpec(para);
    for (int k = 0; k <= n; ++k) {
      float v[3];
      ContourVertex(spec, static_cast<float>(k), static_cast<float>(n - k), 0.5f, v);
      EXPECT_EQ(v[0], GridCoordinate(spec, k)) << n << ":" << k;
      EXPECT_EQ(v[1], 0.5f * spec.zScale);
      EXPECT_EQ(v[2], GridCoordinate(spec, n - k)) << n << ":" << k;
    }
  }
}

struct Event {
  bool colour;
  ContourColour c;
  float v1[3], v2[3];
};

class RecordingSink : public ContourSink {
 public:
  void Colour(const ContourColour& colour) override {
    events.push_back(Event{true, colour, {}, {}});
    if (flipState != nullptr && ++colours == flipAfter) flipState->store(DS_STOP);
  }
  void Segment(const float v1[3], const float v2[3]) override {
    Event e{false, {}, {v1[0], v1[1], v1[2]}, {v2[0], v2[1], v2[2]}};
    events.push_back(e);
  }

  std::vector<Event> events;
  std::atomic<int>* flipState = nullptr;
  int flipAfter = 0;
  int colours = 0;
};

class BuildContourTest : public ::testing::Test {
 protected:
  // N = 4, R = 2 (s = 1), f = x: lines of constant x.
  void SetUp() override {
    CParaData para;
    para.m_nMesh = 4;
    para.m_dRange = 2.0;
    para.m_dZCoef = 3.0;
    spec = MakeGridSpec(para);
    grid.assign(25, 0.0f);
    for (int i = 0; i <= 4; ++i)
      for (int j = 0; j <= 4; ++j) grid[ContourIndex(4, i, j)] = static_cast<float>(i - 2);
    extents = Heights(-2.0f, 2.0f);
    levels = ContourLevels(extents, 0.5f);  // -2.2, -1.7, ..., 1.8
  }
  RunSignals Signals() { return RunSignals{&state, DS_RUN_CONTOUR, &progress}; }

  GridSpec spec;
  std::vector<float> grid;
  GridExtents extents;
  std::vector<float> levels;
  std::atomic<int> state{DS_RUN_CONTOUR};
  std::atomic<int> progress{0};
  RecordingSink sink;
};

TEST_F(BuildContourTest, PlainWalkGivesEveryCellAndLevelItsColourThenItsSegments) {
  ASSERT_EQ(levels.size(), 9u);
  ASSERT_TRUE(BuildContourPlain(grid, spec, extents, 0.5f, Signals(), sink));
  EXPECT_EQ(progress, 4);

  int colours = 0;
  int segments = 0;
  float level = 0.0f;
  for (const Event& e : sink.events) {
    if (e.colour) {
      level = levels[static_cast<std::size_t>(colours++) % levels.size()];
      const ContourColour expected = ContourColourFor(level, -2.0f, 2.0f);
      EXPECT_EQ(e.c.red, expected.red);
      EXPECT_EQ(e.c.green, expected.green);
      EXPECT_EQ(e.c.blue, expected.blue);
      continue;
    }
    ++segments;
    // On the plane f = x the line of level L lies at x = L, lifted to L * 3.
    for (const float* v : {e.v1, e.v2}) {
      EXPECT_NEAR(v[0], level, 1e-6) << level;
      EXPECT_EQ(v[1], level * 3.0f);
      EXPECT_GE(v[2], -2.0f);
      EXPECT_LE(v[2], 2.0f);
    }
  }
  // Colours for crossed and uncrossed cells alike.
  EXPECT_EQ(colours, 4 * 4 * 9);
  // -2.2 lies below every value; the other eight levels each cross one
  // column of four cells, two segments per cell.
  EXPECT_EQ(segments, 8 * 4 * 2);
}

// The current colour at each segment is that of the level whose lifted height
// L * 3 the segment has.
void ExpectLevelColours(const std::vector<Event>& events, const std::vector<float>& levels) {
  const Event* colour = nullptr;
  for (const Event& e : events) {
    if (e.colour) {
      colour = &e;
      continue;
    }
    ASSERT_NE(colour, nullptr);
    const auto level =
        std::find_if(levels.begin(), levels.end(), [&](float l) { return l * 3.0f == e.v1[1]; });
    ASSERT_NE(level, levels.end()) << e.v1[1];
    const ContourColour expected = ContourColourFor(*level, -2.0f, 2.0f);
    EXPECT_EQ(colour->c.red, expected.red) << e.v1[1];
    EXPECT_EQ(colour->c.green, expected.green) << e.v1[1];
    EXPECT_EQ(colour->c.blue, expected.blue) << e.v1[1];
  }
}

TEST_F(BuildContourTest, ColoursOnlyTheCrossedLevels) {
  // Cell (i, j) spans i - 2 .. i - 1 and is crossed by the two levels in
  // (i - 2, i - 1]; neighbours in j alternate between them, so no colour repeats.
  ASSERT_TRUE(BuildContour(grid, spec, extents, 0.5f, Signals(), sink));
  EXPECT_EQ(progress, 4);
  EXPECT_EQ(sink.colours, 0);
  int colours = 0;
  int segments = 0;
  for (const Event& e : sink.events) (e.colour ? colours : segments)++;
  EXPECT_EQ(colours, 4 * 4 * 2);
  EXPECT_EQ(segments, 4 * 4 * 2 * 2);
  ExpectLevelColours(sink.events, levels);
  for (std::size_t k = 0; k + 1 < sink.events.size(); ++k) {
    if (sink.events[k].colour) {
      EXPECT_FALSE(sink.events[k + 1].colour) << k;
    }
  }
}

TEST_F(BuildContourTest, ARepeatedColourIsLeftOut) {
  // Interval 1: levels -2.2, -1.2, ..., 1.8, one per cell, the same along a row
  // of cells; its colour is emitted once per row.
  ASSERT_TRUE(BuildContour(grid, spec, extents, 1.0f, Signals(), sink));
  int colours = 0;
  int segments = 0;
  for (const Event& e : sink.events) (e.colour ? colours : segments)++;
  EXPECT_EQ(colours, 4);
  EXPECT_EQ(segments, 4 * 4 * 2);
  ASSERT_EQ(sink.events.size(), 4u * 9u);  // per row of cells: 1 colour, 8 segments
  for (std::size_t k = 0; k < sink.events.size(); ++k) {
    EXPECT_EQ(sink.events[k].colour, k % 9 == 0) << k;
  }
  ExpectLevelColours(sink.events, ContourLevels(extents, 1.0f));
}

TEST_F(BuildContourTest, PlainWalkStopsAtTheNextCellAndLevel) {
  // 9 levels per cell, 36 per row of cells; a flip on a row's last colour is
  // seen after the next row has been counted.
  for (auto [flipAfter, rows] : {std::pair{1, 1}, {20, 1}, {36, 2}, {40, 2}, {143, 4}}) {
    SCOPED_TRACE(flipAfter);
    sink = RecordingSink{};
    sink.flipState = &state;
    sink.flipAfter = flipAfter;
    state = DS_RUN_CONTOUR;
    progress = 0;
    EXPECT_FALSE(BuildContourPlain(grid, spec, extents, 0.5f, Signals(), sink));
    EXPECT_EQ(sink.colours, flipAfter);
    EXPECT_EQ(progress, rows);
  }
  // A flip on the very last colour is not seen: nothing is tested after it.
  sink = RecordingSink{};
  sink.flipState = &state;
  sink.flipAfter = 144;
  state = DS_RUN_CONTOUR;
  EXPECT_TRUE(BuildContourPlain(grid, spec, extents, 0.5f, Signals(), sink));
}

TEST_F(BuildContourTest, StopsAtTheNextCrossedLevelOrCell) {
  // 2 crossed levels per cell, 8 per row of cells. After the flip only the
  // segments of the level just coloured follow.
  for (auto [flipAfter, rows] : {std::pair{1, 1}, {2, 1}, {7, 1}, {8, 2}, {9, 2}, {31, 4}}) {
    SCOPED_TRACE(flipAfter);
    sink = RecordingSink{};
    sink.flipState = &state;
    sink.flipAfter = flipAfter;
    state = DS_RUN_CONTOUR;
    progress = 0;
    EXPECT_FALSE(BuildContour(grid, spec, extents, 0.5f, Signals(), sink));
    EXPECT_EQ(sink.colours, flipAfter);
    EXPECT_EQ(progress, rows);
    ASSERT_GE(sink.events.size(), 3u);
    EXPECT_TRUE(sink.events[sink.events.size() - 3].colour);
  }
  sink = RecordingSink{};
  sink.flipState = &state;
  sink.flipAfter = 32;
  state = DS_RUN_CONTOUR;
  EXPECT_TRUE(BuildContour(grid, spec, extents, 0.5f, Signals(), sink));
}

TEST_F(BuildContourTest, StopIsSeenInCellsThatCrossNothing) {
  // Only cell (0, 0) has a corner above 0; it is crossed by the levels 0.5
  // and 1. A flip on its last colour is seen at cell (0, 1).
  std::fill(grid.begin(), grid.end(), 0.0f);
  grid[ContourIndex(4, 0, 0)] = 1.0f;
  sink.flipState = &state;
  sink.flipAfter = 2;
  EXPECT_FALSE(BuildContour(grid, spec, Heights(0.0f, 1.0f), 0.5f, Signals(), sink));
  EXPECT_EQ(sink.events.size(), 6u);  // two colours, two segments each
  EXPECT_EQ(progress, 1);

  // Stopped before the walk: a constant grid with levels still ends in row 0.
  std::fill(grid.begin(), grid.end(), 2.0f);
  sink = RecordingSink{};
  progress = 0;
  EXPECT_FALSE(BuildContour(grid, spec, Heights(2.0f, 2.0f), 0.25f, Signals(), sink));
  EXPECT_TRUE(sink.events.empty());
  EXPECT_EQ(progress, 1);
}

TEST_F(BuildContourTest, NoLevelsNoOutput) {
  std::fill(grid.begin(), grid.end(), 0.0f);
  for (auto walk : {BuildContour, BuildContourPlain}) {
    progress = 0;
    EXPECT_TRUE(walk(grid, spec, Heights(0.0f, 0.0f), 0.5f, Signals(), sink));
    EXPECT_TRUE(sink.events.empty());
    EXPECT_EQ(progress, 4);
  }
}

TEST_F(BuildContourTest, RefusesAGridOfAnotherLayout) {
  for (auto walk : {BuildContour, BuildContourPlain}) {
    std::vector<float> shortGrid(grid.begin(), grid.end() - 1);
    EXPECT_FALSE(walk(shortGrid, spec, extents, 0.5f, Signals(), sink));
    GridSpec none = spec;
    none.nMesh = 0;
    EXPECT_FALSE(walk(std::vector<float>(1), none, extents, 0.5f, Signals(), sink));
    EXPECT_TRUE(sink.events.empty());
    EXPECT_EQ(progress, 0);
  }
}

}  // namespace
