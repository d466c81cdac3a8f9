// The walk that visits only crossed levels against the full walk over every
// level: same vertices in the same order, same colour at every vertex.
#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "ContourPlain.h"
#include "core/Contour.h"
#include "core/Formula.h"
#include "core/ShareData.h"

namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

// Each vertex and the colour current at it, as bits; and how often the colour is sent.
struct TraceSink : ContourSink {
  void Colour(const ContourColour& c) override {
    current = {std::bit_cast<std::uint32_t>(c.red), std::bit_cast<std::uint32_t>(c.green),
               std::bit_cast<std::uint32_t>(c.blue)};
    ++colourCommands;
  }
  void Segment(const float v1[3], const float v2[3]) override {
    for (const float* v : {v1, v2})
      for (int k = 0; k < 3; ++k) trace.push_back(std::bit_cast<std::uint32_t>(v[k]));
    trace.insert(trace.end(), current.begin(), current.end());
  }
  std::vector<std::uint32_t> current = {0, 0, 0, 1};  // no colour sent yet
  std::vector<std::uint32_t> trace;
  std::size_t colourCommands = 0;
};

TEST(ContourCrossedLevelsTest, AgreesWithTheCellAtEveryLevel) {
  // Every corner combination of awkward values, each also a level, against ContourCell.
  const float values[] = {kNaN, -kInf, -1, -0.5f, 0, 0.25f, 1, kInf};
  const std::vector<float> levels = {-1.5f, -1, -0.5f, -0.1f, 0, 0.25f, 0.5f, 1, 3};
  for (float h00 : values)
    for (float h10 : values)
      for (float h11 : values)
        for (float h01 : values) {
          const std::vector<float> grid = {h00, h01, h10, h11};  // N = 1: i * 2 + j
          const ContourLevelSpan span = ContourCrossedLevels(levels, h00, h10, h11, h01);
          for (std::size_t k = 0; k < levels.size(); ++k) {
            ContourSegment out[2];
            ASSERT_EQ(ContourCell(grid, 1, 0, 0, levels[k], out) > 0,
                      k >= span.first && k < span.last)
                << h00 << " " << h10 << " " << h11 << " " << h01 << " at " << levels[k];
          }
        }
}

struct Sampled {
  GridSpec gridSpec;
  std::vector<float> grid;
  GridExtents extents;
};

Sampled Sample(int n, double range, const char* text) {
  CParaData para;
  para.m_nMesh = n, para.m_dRange = range;
  CFormula formula;
  formula.Tokenize(text);
  EXPECT_TRUE(formula.MakePostfix());
  Sampled s;
  s.gridSpec = MakeGridSpec(para);
  EXPECT_TRUE(ComputeContour(s.gridSpec, formula, {}, s.grid, s.extents));
  return s;
}

TraceSink Walk(bool plain, const Sampled& s, float step) {
  TraceSink sink;
  std::atomic<int> state{DS_RUN_CONTOUR}, progress{0};
  const RunSignals signals{&state, DS_RUN_CONTOUR, &progress};
  EXPECT_TRUE(plain ? BuildContourPlain(s.grid, s.gridSpec, s.extents, step, signals, sink)
                    : BuildContour(s.grid, s.gridSpec, s.extents, step, signals, sink) ==
                          ContourBuild::Complete);
  EXPECT_EQ(progress, s.gridSpec.nMesh);
  return sink;
}

TEST(ContourWalkTest, SkippingWalkDrawsThePlainWalksPicture) {
  const struct {
    const char* name;
    int n;
    double range;
    const char* formula;
  } cases[] = {
      {"default formula, N = 1", 1, 12, DEFAULT_FORMULA},
      {"default formula, N = 3", 3, 12, DEFAULT_FORMULA},
      {"default formula, N = 32", 32, 12, DEFAULT_FORMULA},
      {"default formula, N = 101", 101, 12, DEFAULT_FORMULA},
      {"saddle", 7, 2, "x*y"},
      {"constant 2.5", 6, 3, "2.5"},
      {"steep", 8, 2, "50*x+y"},
      {"flat", 8, 2, "5+0.0001*(x-y)"},
      // Whole numbers: levels of the intervals 1 and 100 land exactly on corners.
      {"terraces", 6, 3, "x^2+y^2"},
      {"NaN and minus infinity", 8, 3, "log(x*y)"},
      {"infinity", 8, 3, "exp(x*300)"},
      {"nothing finite", 4, 1, "sqrt(0-1-x^2)"},
  };
  for (const auto& c : cases) {
    const Sampled s = Sample(c.n, c.range, c.formula);
    for (float step : {0.01f, 0.05f, 1.0f, 100.0f}) {
      SCOPED_TRACE(std::string(c.name) + ", interval " + std::to_string(step));
      const TraceSink plain = Walk(true, s, step), skip = Walk(false, s, step);
      const std::size_t n = static_cast<std::size_t>(c.n);
      EXPECT_EQ(plain.colourCommands, n * n * ContourLevelCount(s.extents, step));
      EXPECT_LE(skip.colourCommands, plain.colourCommands);
      EXPECT_TRUE(skip.trace == plain.trace) << skip.trace.size() << " vs " << plain.trace.size();
    }
  }
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
  // A wide enough interval draws the same function.
  EXPECT_EQ(BuildContour(s.grid, s.gridSpec, s.extents, 5000.0f, {}, sink), ContourBuild::Complete);
  EXPECT_GT(sink.trace.size(), 0u);
}

}  // namespace
