// Small contour grids (up to 12 x 12 points) of any floats, NaN, infinities and
// values near the float limit among them, with any contour interval. The level
// walk ends and gives increasing finite levels one interval apart; every
// cell's segments lie inside the cell wherever its corners are finite, and
// exist exactly at the levels ContourCrossedLevels names; the walk over crossed
// levels emits what the full walk emits.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "ContourPlain.h"
#include "FuzzCheck.h"
#include "core/Contour.h"

namespace {

constexpr int kMaxMeshHere = 11;  // 12 x 12 points
constexpr float kFloatMax = std::numeric_limits<float>::max();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// Values where float arithmetic is at its edges: the limit and values whose
// difference or one-tenth margin overflows, subnormals, both zeros.
constexpr float kSpecial[] = {
    kNaN,    -kNaN,  kInf,   -kInf,   kFloatMax, -kFloatMax, 3e38f, -3e38f,
    1.6e38f, -2e38f, 1e-45f, -1e-45f, 1.2e-38f,  0.0f,       -0.0f, 1e30f,
};

float ConsumeValue(FuzzedDataProvider& in) {
  const auto selector = in.ConsumeIntegral<std::uint8_t>();
  // Mostly quarter steps between -16 and 16: samples on or next to a level are
  // the cases the "at the level counts as above" rule is for.
  if (selector < 128) return static_cast<float>(selector - 64) / 4.0f;
  if (selector < 192) return kSpecial[selector % std::size(kSpecial)];
  return std::bit_cast<float>(in.ConsumeIntegral<std::uint32_t>());
}

// Any interval: the refused ones (zero, negative, NaN, infinite), ones too
// small for the range, raw bits, and a fraction of the range, which gives a
// walk of a chosen length.
float ConsumeStep(FuzzedDataProvider& in, float lo, float hi) {
  constexpr float kFixed[] = {0.0f, -0.0f, -0.5f, kNaN, kInf, 1e-45f, 1e-30f};
  const int kind = in.ConsumeIntegralInRange<int>(0, 11);
  if (kind < 7) return kFixed[kind];
  if (kind == 7) return std::bit_cast<float>(in.ConsumeIntegral<std::uint32_t>());
  if (kind == 8) return 0.05f;
  return (hi - lo) / static_cast<float>(in.ConsumeIntegralInRange<int>(1, 5000));
}

// The extents the sampler derives: finite heights only, the first of equal
// extremes kept.
GridExtents HeightExtents(const std::vector<float>& grid) {
  GridExtents extents;
  for (const float v : grid) {
    if (!std::isfinite(v)) continue;
    if (!(extents.maxZ >= v)) extents.maxZ = v;
    if (extents.minZ > v) extents.minZ = v;
  }
  return extents;
}

// The picture a walk draws, as a 64-bit FNV-1a hash of each vertex's bits and
// the colour current at it (two walks drawing the same picture hash alike), and
// whether two colours in a row were the same. Its own branches are no coverage
// worth guiding the search by, and a walk can call it millions of times: not
// instrumented (clang's attribute; GCC builds only the replay, uninstrumented).
#ifdef __clang__
#define NO_COVERAGE __attribute__((no_sanitize("coverage")))
#else
#define NO_COVERAGE
#endif
struct TraceSink : ContourSink {
  NO_COVERAGE void Colour(const ContourColour& c) override {
    const std::uint32_t bits[3] = {std::bit_cast<std::uint32_t>(c.red),
                                   std::bit_cast<std::uint32_t>(c.green),
                                   std::bit_cast<std::uint32_t>(c.blue)};
    repeatedColour |= colours > 0 && std::equal(bits, bits + 3, current);
    nonFiniteColour |= !std::isfinite(c.red) || !std::isfinite(c.green) || !std::isfinite(c.blue);
    std::copy(bits, bits + 3, current);
    ++colours;
  }
  NO_COVERAGE void Segment(const float v1[3], const float v2[3]) override {
    segmentWithoutColour |= colours == 0;
    for (const float* v : {v1, v2}) {
      for (int k = 0; k < 3; ++k) {
        Hash(std::bit_cast<std::uint32_t>(v[k]));
        nonFiniteVertex |= !std::isfinite(v[k]);
      }
    }
    for (const std::uint32_t bits : current) Hash(bits);
    ++segments;
  }
  NO_COVERAGE void Hash(std::uint32_t word) {
    for (int shift = 0; shift < 32; shift += 8) {
      picture = (picture ^ ((word >> shift) & 0xFF)) * 0x100000001B3u;
    }
  }

  std::uint64_t picture = 0xCBF29CE484222325u;
  std::uint32_t current[3] = {};
  bool repeatedColour = false, segmentWithoutColour = false;
  bool nonFiniteVertex = false, nonFiniteColour = false;
  std::size_t colours = 0, segments = 0;
};

void CheckLevels(ContourLevelsStatus status, const std::vector<float>& levels,
                 const GridExtents& extents, float step) {
  if (!std::isfinite(extents.minZ) || !std::isfinite(extents.maxZ) || extents.minZ > extents.maxZ) {
    FUZZ_CHECK(status == ContourLevelsStatus::Nothing);
  } else if (!(step > 0.0f) || !std::isfinite(step)) {
    FUZZ_CHECK(status == ContourLevelsStatus::TooMany);
  } else {
    FUZZ_CHECK(status != ContourLevelsStatus::Nothing);
  }
  if (status != ContourLevelsStatus::Ok) {
    FUZZ_CHECK(levels.empty());
    return;
  }
  FUZZ_CHECK(levels.size() <= 4 * kMaxContourCrossings);
  if (levels.empty()) return;
  const float lo = extents.minZ - 0.1f * std::fabs(extents.minZ);
  const float hi = extents.maxZ + 0.1f * std::fabs(extents.maxZ);
  FUZZ_CHECK(SameBits(levels.front(), lo));
  // Every level of a short list; of a long one (up to 16 million) the ends
  // and every 997th, so that a long walk costs the search little.
  const std::size_t stride = levels.size() <= 100000 ? 1 : 997;
  auto checkAt = [&](std::size_t k) {
    FUZZ_CHECK(std::isfinite(levels[k]));
    if (k + 1 < levels.size()) FUZZ_CHECK(SameBits(levels[k + 1], levels[k] + step));
  };
  for (std::size_t k = 0; k < levels.size(); k += stride) checkAt(k);
  for (std::size_t k = levels.size() - std::min<std::size_t>(levels.size(), 1000);
       k < levels.size(); ++k) {
    checkAt(k);
  }
  FUZZ_CHECK(levels.back() < hi);
  FUZZ_CHECK(!(levels.back() + step < hi));
}

// How many levels a value is at or above, found without the search under test.
std::size_t Reach(const std::vector<float>& levels, float v) {
  const auto end =
      std::partition_point(levels.begin(), levels.end(), [v](float level) { return v >= level; });
  return static_cast<std::size_t>(end - levels.begin());
}

void CheckCell(const std::vector<float>& grid, int n, int i, int j, float level, bool crossed,
               bool checkCrossing) {
  ContourSegment out[2];
  const int count = ContourCell(grid, n, i, j, level, out);
  FUZZ_CHECK(count >= 0 && count <= 2);
  FUZZ_CHECK(!checkCrossing || (count > 0) == crossed);
  const float h[4] = {grid[ContourIndex(n, i, j)], grid[ContourIndex(n, i + 1, j)],
                      grid[ContourIndex(n, i + 1, j + 1)], grid[ContourIndex(n, i, j + 1)]};
  if (!std::isfinite(level) || !std::all_of(h, h + 4, [](float v) { return std::isfinite(v); })) {
    return;
  }
  const auto fi = static_cast<float>(i);
  const auto fj = static_cast<float>(j);
  for (int s = 0; s < count; ++s) {
    for (const auto& [u, w] : {std::pair(out[s].u1, out[s].w1), std::pair(out[s].u2, out[s].w2)}) {
      FUZZ_CHECK(u >= fi && u <= fi + 1.0f && w >= fj && w <= fj + 1.0f);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const int n = in.ConsumeIntegralInRange<int>(1, kMaxMeshHere);
  const bool ownExtents = in.ConsumeBool();
  const auto side = static_cast<std::size_t>(n) + 1;
  std::vector<float> grid(side * side);
  for (float& v : grid) v = ConsumeValue(in);

  // The walk also takes extents that do not match the grid (a stale range);
  // it must still end, though its segments then mean little.
  GridExtents extents = HeightExtents(grid);
  if (ownExtents) {
    extents.minZ = ConsumeValue(in);
    extents.maxZ = ConsumeValue(in);
  }
  const float lo = extents.minZ - 0.1f * std::fabs(extents.minZ);
  const float hi = extents.maxZ + 0.1f * std::fabs(extents.maxZ);
  const float step = ConsumeStep(in, lo, hi);

  std::vector<float> levels{1.0f};  // the call must empty it where it refuses
  const ContourLevelsStatus status = ContourLevels(extents, step, &levels);
  CheckLevels(status, levels, extents, step);

  for (const float v : grid) FUZZ_CHECK(ContourLevelReach(levels, v) == Reach(levels, v));

  // Every level where there are few, else those at and next to the ends of each
  // cell's span and one more the input picks.
  const auto pick = in.ConsumeIntegral<std::uint32_t>();
  std::size_t crossings = 0;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      const float h[4] = {grid[ContourIndex(n, i, j)], grid[ContourIndex(n, i + 1, j)],
                          grid[ContourIndex(n, i + 1, j + 1)], grid[ContourIndex(n, i, j + 1)]};
      const ContourLevelSpan span = ContourCrossedLevels(levels, h[0], h[1], h[2], h[3]);
      FUZZ_CHECK(span.first <= span.last && span.last <= levels.size());
      crossings += span.last - span.first;
      auto check = [&](std::size_t k) {
        if (k < levels.size()) {
          CheckCell(grid, n, i, j, levels[k], k >= span.first && k < span.last, true);
        }
      };
      if (levels.size() <= 64) {
        for (std::size_t k = 0; k < levels.size(); ++k) check(k);
      } else {
        for (const std::size_t k : {span.first, span.last}) {
          check(k);
          if (k > 0) check(k - 1);
        }
        check(pick % levels.size());
      }
      // Levels off the list: the corners themselves, where ties decide.
      for (const float level : h) CheckCell(grid, n, i, j, level, false, false);
    }
  }

  const GridSpec gridSpec{.nMesh = n,
                          .spacing = 24.0f / static_cast<float>(n),
                          .zScale = in.ConsumeBool() ? 1.0f : -0.5f};
  const RunSignals signals;

  // The full walk costs a colour per level per cell: only where that is small.
  const bool compareWithFull =
      status == ContourLevelsStatus::Ok &&
      levels.size() * static_cast<std::size_t>(n) * static_cast<std::size_t>(n) <= 50000;
  TraceSink walk;
  const ContourBuild built = BuildContour(grid, gridSpec, extents, step, signals, walk);
  // A step of 0 (or -0) is the automatic interval, with levels of its own.
  const bool automatic = step == 0.0f;
  const bool refused =
      !automatic && (status == ContourLevelsStatus::TooMany || crossings > kMaxContourCrossings);
  FUZZ_CHECK(automatic || built == (refused ? ContourBuild::TooManyLines : ContourBuild::Complete));
  if (refused) FUZZ_CHECK(walk.colours == 0 && walk.segments == 0);
  FUZZ_CHECK(!walk.repeatedColour && !walk.segmentWithoutColour);
  const bool finiteGrid =
      std::all_of(grid.begin(), grid.end(), [](float v) { return std::isfinite(v); });
  if (finiteGrid && !ownExtents) FUZZ_CHECK(!walk.nonFiniteVertex);
  // A colour depends on the level and the extents alone, all finite here.
  if (status == ContourLevelsStatus::Ok) FUZZ_CHECK(!walk.nonFiniteColour);

  if (compareWithFull && !refused) {
    TraceSink full;
    FUZZ_CHECK(BuildContourPlain(grid, gridSpec, extents, step, RunSignals{}, full));
    FUZZ_CHECK(full.segments == walk.segments && full.picture == walk.picture);
  }

  // A run already stopped emits nothing. (Skipped for long level lists,
  // whose making alone would double the cost of the input.)
  if (levels.size() > 100000) return 0;
  const std::atomic<int> state{1};
  const RunSignals stopped{&state, 0, nullptr};
  TraceSink none;
  const ContourBuild halted = BuildContour(grid, gridSpec, extents, step, stopped, none);
  FUZZ_CHECK(halted == ContourBuild::Stopped || halted == ContourBuild::TooManyLines);
  FUZZ_CHECK(none.colours == 0 && none.segments == 0);
  return 0;
}
