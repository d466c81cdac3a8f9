// The walk that visits only crossed levels against the full walk over every
// level: same vertices in the same order, same colour at every vertex.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "core/Contour.h"
#include "core/Formula.h"
#include "core/ShareData.h"

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

bool SameBits(const ContourColour& a, const ContourColour& b) {
  return std::bit_cast<std::uint32_t>(a.red) == std::bit_cast<std::uint32_t>(b.red) &&
         std::bit_cast<std::uint32_t>(a.green) == std::bit_cast<std::uint32_t>(b.green) &&
         std::bit_cast<std::uint32_t>(a.blue) == std::bit_cast<std::uint32_t>(b.blue);
}

// Keeps what the picture depends on: each vertex and the colour current at it.
class TraceSink : public ContourSink {
 public:
  void Colour(const ContourColour& colour) override {
    current = colour;
    haveColour = true;
    freshColour = true;
    ++colourCommands;
  }
  void Segment(const float v1[3], const float v2[3]) override {
    if (!haveColour) ++uncoloured;
    vertices.insert(vertices.end(), {v1[0], v1[1], v1[2], v2[0], v2[1], v2[2]});
    colourAtSegment.push_back(current);
    if (freshColour) {
      // The first segment after a colour command: one cell-level that draws.
      ++drawingCellLevels;
      if (drawingCellLevels == 1 || !SameBits(current, lastDrawing)) ++colourChanges;
      lastDrawing = current;
      freshColour = false;
    }
  }

  std::vector<float> vertices;
  std::vector<ContourColour> colourAtSegment;
  std::size_t colourCommands = 0;
  std::size_t drawingCellLevels = 0;
  // Drawing cell-levels whose colour differs from the previous drawing one's.
  std::size_t colourChanges = 0;
  std::size_t uncoloured = 0;

 private:
  ContourColour current{};
  ContourColour lastDrawing{};
  bool haveColour = false;
  bool freshColour = false;
};

bool SameVertexBits(const std::vector<float>& a, const std::vector<float>& b) {
  // memcmp must not see the null data of an empty vector.
  return a.size() == b.size() &&
         (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0);
}

std::size_t CrossedCellLevels(const std::vector<float>& grid, int n,
                              const std::vector<float>& levels) {
  std::size_t total = 0;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      const ContourLevelSpan span = ContourCrossedLevels(
          levels, grid[ContourIndex(n, i, j)], grid[ContourIndex(n, i + 1, j)],
          grid[ContourIndex(n, i + 1, j + 1)], grid[ContourIndex(n, i, j + 1)]);
      total += span.last - span.first;
    }
  }
  return total;
}

// ---- ContourCrossedLevels: the span holds exactly the levels that draw. ----

TEST(ContourLevelReachTest, CountsTheLevelsAtOrBelowAtEveryLength) {
  // Every length from 0 to 20 levels, probed at, between and beyond them.
  for (std::size_t size = 0; size <= 20; ++size) {
    std::vector<float> levels;
    for (std::size_t k = 0; k < size; ++k) levels.push_back(static_cast<float>(k) - 3.0f);
    std::vector<float> probes = {-kInf, kInf, -1e30f, 1e30f};
    for (int k = -8; k <= 48; ++k) probes.push_back(static_cast<float>(k) / 2.0f - 3.0f);
    for (float v : probes) {
      const auto expected = std::upper_bound(levels.begin(), levels.end(), v) - levels.begin();
      ASSERT_EQ(ContourLevelReach(levels, v), static_cast<std::size_t>(expected))
          << size << " levels, value " << v;
    }
    EXPECT_EQ(ContourLevelReach(levels, kNaN), 0u) << size;
  }
}

TEST(ContourCrossedLevelsTest, HandMadeCells) {
  const std::vector<float> levels = {-2, -1, -0.5f, 0, 0.5f, 1, 2};
  struct Case {
    const char* name;
    float h00, h10, h11, h01;
    std::size_t first, last;
  };
  const Case cases[] = {
      {"between two levels", 0.1f, 0.2f, 0.3f, 0.4f, 4, 4},
      {"spans 0 to 1: levels 0.5 and 1", 0, 1, 0.25f, 0.75f, 4, 6},
      {"lowest corner at a level is not crossed by it", -1, -1, 0, -1, 2, 4},
      {"constant at a level", 0.5f, 0.5f, 0.5f, 0.5f, 5, 5},
      {"constant off the levels", 0.7f, 0.7f, 0.7f, 0.7f, 5, 5},
      {"NaN corner: every level up to the top", 0.7f, kNaN, 0.7f, 0.7f, 0, 5},
      {"NaN corner, top at a level", 1, 1, kNaN, 1, 0, 6},
      {"all NaN", kNaN, kNaN, kNaN, kNaN, 0, 0},
      {"NaN and -inf", kNaN, -kInf, kNaN, -kInf, 0, 0},
      {"+inf corner", 0.25f, kInf, 0.25f, 0.25f, 4, 7},
      {"-inf corner", 0.25f, -kInf, 0.25f, 0.25f, 0, 4},
      {"both infinities", -kInf, kInf, 0, 0, 0, 7},
      {"below every level", -5, -3, -4, -9, 0, 0},
      {"above every level", 5, 3, 4, 9, 7, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ContourLevelSpan span = ContourCrossedLevels(levels, c.h00, c.h10, c.h11, c.h01);
    EXPECT_EQ(span.first, c.first);
    EXPECT_EQ(span.last, c.last);
  }
  EXPECT_EQ(ContourCrossedLevels({}, kNaN, 0, 1, kInf).last, 0u);
}

TEST(ContourCrossedLevelsTest, AgreesWithTheCellAtEveryLevel) {
  // Every corner combination from a small set of awkward values, each value
  // also a level, against ContourCell at every level.
  const float values[] = {kNaN, -kInf, -1, -0.5f, 0, 0.25f, 1, kInf};
  const std::vector<float> levels = {-1.5f, -1, -0.5f, -0.1f, 0, 0.25f, 0.5f, 1, 3};
  std::size_t crossed = 0;
  for (float h00 : values) {
    for (float h10 : values) {
      for (float h11 : values) {
        for (float h01 : values) {
          const std::vector<float> grid = {h00, h01, h10, h11};  // N = 1: i * 2 + j
          const ContourLevelSpan span = ContourCrossedLevels(levels, h00, h10, h11, h01);
          ASSERT_LE(span.first, span.last);
          for (std::size_t k = 0; k < levels.size(); ++k) {
            ContourSegment out[2];
            const bool draws = ContourCell(grid, 1, 0, 0, levels[k], out) > 0;
            const bool inside = k >= span.first && k < span.last;
            ASSERT_EQ(draws, inside)
                << h00 << " " << h10 << " " << h11 << " " << h01 << " at " << levels[k];
            crossed += inside ? 1 : 0;
          }
        }
      }
    }
  }
  EXPECT_GT(crossed, 0u);
}

// ---- The two walks on a table of grids and intervals. ----

// The sampler takes a plain function pointer; the grid's function is kept here.
double (*g_function)(double x, double y) = nullptr;

double TableEvaluate(CFormula*, const double* x, const double* y, const double*) {
  return g_function(*x, *y);
}

struct Sampled {
  GridSpec spec;
  std::vector<float> grid;
  GridExtents extents;
};

GridSpec Spec(int n, double range) {
  CParaData para;
  para.m_nMesh = n;
  para.m_dRange = range;
  return MakeGridSpec(para);
}

Sampled Sample(const GridSpec& spec, CFormula* formula, PFN_EVALUATE evaluate) {
  Sampled s;
  s.spec = spec;
  const RunSignals signals{nullptr, DS_RUN_CONTOUR, nullptr};
  EXPECT_TRUE(ComputeContour(spec, formula, evaluate, signals, s.grid, s.extents));
  return s;
}

Sampled SampleTable(int n, double range, double (*f)(double, double)) {
  g_function = f;
  return Sample(Spec(n, range), nullptr, TableEvaluate);
}

Sampled SampleDefaultFormula(int n) {
  CParaData para;
  para.m_nMesh = n;
  CFormula formula;
  formula.Tokenize(para.m_strFormula);
  EXPECT_TRUE(formula.MakePostfix());
  return Sample(MakeGridSpec(para), &formula, EvaluateFormula);
}

double Saddle(double x, double y) { return x * y; }
double ConstantZero(double, double) { return 0.0; }
double ConstantTwoAndAHalf(double, double) { return 2.5; }
double ConstantMinusThree(double, double) { return -3.0; }
double Steep(double x, double y) { return 50.0 * x + y; }
double Flat(double x, double y) { return 5.0 + 1e-4 * (x - y); }
// Whole numbers from 0: lo = 0 and the levels of the intervals 1 and 100 land
// exactly on corners.
double Terraces(double x, double y) { return std::fabs(std::round(x)) + std::fabs(std::round(y)); }
double HolesAndInfinities(double x, double y) {
  if (x > 1.0 && y > 1.0) return std::numeric_limits<double>::infinity();
  if (x < -1.0 && y > 1.0) return -std::numeric_limits<double>::infinity();
  if (x > 1.0 && y < -1.0) return std::numeric_limits<double>::quiet_NaN();
  if (x == 0.0) return std::numeric_limits<double>::quiet_NaN();
  return x + y;
}
double RootOfX(double x, double) { return std::sqrt(x); }  // NaN on the left half
double NothingFinite(double, double) { return std::numeric_limits<double>::quiet_NaN(); }

struct WalkResult {
  bool complete;
  int progress;
  TraceSink sink;
};

WalkResult Walk(bool plain, const Sampled& s, float step) {
  WalkResult r{};
  std::atomic<int> state{DS_RUN_CONTOUR};
  std::atomic<int> progress{0};
  const RunSignals signals{&state, DS_RUN_CONTOUR, &progress};
  r.complete = plain ? BuildContourPlain(s.grid, s.spec, s.extents, step, signals, r.sink)
                     : BuildContour(s.grid, s.spec, s.extents, step, signals, r.sink);
  r.progress = progress.load();
  return r;
}

// The skipping walk against the plain one on one grid and interval.
void ExpectSamePicture(const Sampled& s, float step) {
  const WalkResult plain = Walk(true, s, step);
  const WalkResult skip = Walk(false, s, step);
  const std::vector<float> levels = ContourLevels(s.extents, step);
  const std::size_t n = static_cast<std::size_t>(s.spec.nMesh);

  ASSERT_TRUE(plain.complete);
  ASSERT_TRUE(skip.complete);
  EXPECT_EQ(skip.progress, s.spec.nMesh);
  EXPECT_EQ(plain.sink.colourCommands, n * n * levels.size());
  EXPECT_EQ(plain.sink.uncoloured, 0u);
  EXPECT_EQ(skip.sink.uncoloured, 0u);

  EXPECT_TRUE(SameVertexBits(skip.sink.vertices, plain.sink.vertices))
      << skip.sink.vertices.size() << " vs " << plain.sink.vertices.size() << " floats";
  ASSERT_EQ(skip.sink.colourAtSegment.size(), plain.sink.colourAtSegment.size());
  for (std::size_t k = 0; k < plain.sink.colourAtSegment.size(); ++k) {
    ASSERT_TRUE(SameBits(skip.sink.colourAtSegment[k], plain.sink.colourAtSegment[k]))
        << "segment " << k;
  }

  // The levels visited are exactly the cell-levels that draw; a colour is sent
  // only where the colour changes, and each one is followed by segments.
  EXPECT_EQ(CrossedCellLevels(s.grid, s.spec.nMesh, levels), plain.sink.drawingCellLevels);
  EXPECT_EQ(skip.sink.colourCommands, plain.sink.colourChanges);
  EXPECT_EQ(skip.sink.drawingCellLevels, skip.sink.colourCommands);
}

const float kSteps[] = {0.01f, 0.05f, 1.0f, 100.0f};

TEST(ContourWalkTest, DefaultFormulaAtSeveralMeshCounts) {
  for (int n : {1, 2, 3, 32, 101, 500}) {
    const Sampled s = SampleDefaultFormula(n);
    if (n % 2 == 0) {
      EXPECT_EQ(s.extents.maxZ, 1.0f);  // the 0/0 value at the origin
    }
    for (float step : kSteps) {
      SCOPED_TRACE("N = " + std::to_string(n) + ", interval " + std::to_string(step));
      ExpectSamePicture(s, step);
    }
  }
}

TEST(ContourWalkTest, TableOfGrids) {
  struct Case {
    const char* name;
    int n;
    double range;
    double (*f)(double, double);
  };
  const Case cases[] = {
      {"saddle", 8, 2.0, Saddle},
      {"saddle, odd N", 7, 2.0, Saddle},
      {"constant 0", 6, 3.0, ConstantZero},
      {"constant 2.5", 6, 3.0, ConstantTwoAndAHalf},
      {"constant -3", 6, 3.0, ConstantMinusThree},
      {"steep", 8, 2.0, Steep},
      {"flat", 8, 2.0, Flat},
      {"corners at levels", 6, 3.0, Terraces},
      {"NaN and infinities", 8, 3.0, HolesAndInfinities},
      {"square root of x", 9, 4.0, RootOfX},
      {"nothing finite", 4, 1.0, NothingFinite},
  };
  for (const Case& c : cases) {
    const Sampled s = SampleTable(c.n, c.range, c.f);
    for (float step : kSteps) {
      SCOPED_TRACE(std::string(c.name) + ", interval " + std::to_string(step));
      ExpectSamePicture(s, step);
    }
  }
}

TEST(ContourWalkTest, NonFiniteCornersDrawAtTheirLevels) {
  // Guards the table above against grids that never exercise the NaN and
  // infinity rules: cells with such corners must draw something.
  const Sampled s = SampleTable(8, 3.0, HolesAndInfinities);
  const std::vector<float> levels = ContourLevels(s.extents, 1.0f);
  ASSERT_FALSE(levels.empty());
  const std::size_t all = CrossedCellLevels(s.grid, 8, levels);
  std::vector<float> finite = s.grid;
  for (float& v : finite) {
    if (!std::isfinite(v)) v = 0.0f;
  }
  EXPECT_NE(all, CrossedCellLevels(finite, 8, levels));
  const WalkResult skip = Walk(false, s, 1.0f);
  bool nanVertex = false;
  for (float v : skip.sink.vertices) nanVertex = nanVertex || std::isnan(v);
  EXPECT_TRUE(nanVertex);
}

TEST(ContourWalkTest, DefaultFormulaAtFullMeshSendsFewColours) {
  const Sampled s = SampleDefaultFormula(500);
  const float step = 0.01f;
  const std::vector<float> levels = ContourLevels(s.extents, step);
  ASSERT_EQ(levels.size(), 134u);

  const WalkResult plain = Walk(true, s, step);
  const WalkResult skip = Walk(false, s, step);
  EXPECT_EQ(plain.sink.colourCommands, 500u * 500u * 134u);  // 33.5 million
  EXPECT_EQ(CrossedCellLevels(s.grid, 500, levels), plain.sink.drawingCellLevels);
  EXPECT_EQ(skip.sink.colourCommands, plain.sink.colourChanges);
  EXPECT_LE(skip.sink.colourCommands, plain.sink.drawingCellLevels);
  // About 140 thousand cell-levels draw: a small part of the full walk.
  EXPECT_GT(plain.sink.drawingCellLevels, 100000u);
  EXPECT_LT(plain.sink.drawingCellLevels, plain.sink.colourCommands / 100);
  EXPECT_TRUE(SameVertexBits(skip.sink.vertices, plain.sink.vertices));
  RecordProperty("colour_commands_plain", std::to_string(plain.sink.colourCommands));
  RecordProperty("drawing_cell_levels", std::to_string(plain.sink.drawingCellLevels));
  RecordProperty("colour_commands_skipping", std::to_string(skip.sink.colourCommands));
}

}  // namespace
