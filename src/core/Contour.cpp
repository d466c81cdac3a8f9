#include "core/Contour.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "core/Ticks.h"

namespace {

struct CellCorners {
  float h00, h10, h11, h01;
};

// A corner exactly at the level counts as above; NaN counts as below.
bool Above(float v, float level) { return !(v < level || std::isnan(v)); }

// Float arithmetic, as the picture has always been made; where the corners
// lie further apart than the float range, the differences are taken in double
// (in float they would overflow to a NaN or an end on the corner).
float Fraction(float level, float p, float q) {
  const float fraction = (level - p) / (q - p);
  if (std::isfinite(q - p) && std::isfinite(level - p)) return fraction;
  return static_cast<float>((static_cast<double>(level) - p) / (static_cast<double>(q) - p));
}

// The two triangles (h00, h10, h11) and (h00, h11, h01) share the diagonal
// h00-h11; each one crossed by the level is crossed on exactly two edges and
// gives one segment. The order of the rules fixes which end of a segment
// comes first, and so the vertex order in the list.
int CellSegments(const CellCorners& h, int i, int j, float level, ContourSegment out[2]) {
  const bool a00 = Above(h.h00, level);
  const bool a10 = Above(h.h10, level);
  const bool a11 = Above(h.h11, level);
  const bool a01 = Above(h.h01, level);
  const bool a = a00 != a10;  // edge h00-h10
  const bool b = a10 != a11;  // edge h10-h11
  const bool d = a00 != a11;  // diagonal
  const bool c = a11 != a01;  // edge h11-h01
  const bool e = a00 != a01;  // edge h00-h01
  if (!(a || b || c || d || e)) return 0;

  const float fi = static_cast<float>(i);
  const float fj = static_cast<float>(j);
  struct Point {
    float u, w;
  };
  // Only crossed edges are interpolated: their ends differ, so q - p is not 0.
  auto onA = [&] { return Point{fi + Fraction(level, h.h00, h.h10), fj}; };
  auto onB = [&] { return Point{fi + 1.0f, fj + Fraction(level, h.h10, h.h11)}; };
  auto onD = [&] {
    const float t = Fraction(level, h.h00, h.h11);
    return Point{fi + t, fj + t};
  };
  auto onC = [&] { return Point{fi + Fraction(level, h.h01, h.h11), fj + 1.0f}; };
  auto onE = [&] { return Point{fi, fj + Fraction(level, h.h00, h.h01)}; };

  int count = 0;
  auto emit = [&](Point p, Point q) { out[count++] = ContourSegment{p.u, p.w, q.u, q.w}; };
  if (a || b || d) {
    if (a && b) emit(onA(), onB());
    if (a && d) emit(onA(), onD());
    if (b && d) emit(onB(), onD());
  }
  if (e || c || d) {
    if (c && e) emit(onC(), onE());
    if (c && d) emit(onC(), onD());
    if (e && d) emit(onE(), onD());
  }
  return count;
}

CellCorners CornersOf(const std::vector<float>& grid, int nMesh, int i, int j) {
  return CellCorners{grid[ContourIndex(nMesh, i, j)], grid[ContourIndex(nMesh, i + 1, j)],
                     grid[ContourIndex(nMesh, i + 1, j + 1)], grid[ContourIndex(nMesh, i, j + 1)]};
}

// The levels lo, lo + step, ... (repeated float addition) while below hi.
ContourLevelsStatus LevelsBetween(float lo, float hi, float step, std::vector<float>* levels) {
  levels->clear();
  if (!(step > 0.0f) || !std::isfinite(step)) return ContourLevelsStatus::TooMany;
  if (!std::isfinite(lo) || !std::isfinite(hi)) return ContourLevelsStatus::TooMany;

  // Refused before a level is stored: their memory is what is bounded here.
  constexpr std::size_t kMaxLevels = 4 * kMaxContourCrossings;
  const double estimate = (static_cast<double>(hi) - static_cast<double>(lo)) / step;
  if (!(estimate <= static_cast<double>(kMaxLevels))) return ContourLevelsStatus::TooMany;
  levels->reserve(static_cast<std::size_t>(estimate) + 2);

  for (float level = lo; level < hi;) {
    // Float rounding can add levels to the estimate, or stall the sum where
    // step is below half an ulp of the level.
    const float next = level + step;
    if (levels->size() == kMaxLevels || !(next > level)) {
      levels->clear();
      return ContourLevelsStatus::TooMany;
    }
    levels->push_back(level);
    level = next;
  }
  return ContourLevelsStatus::Ok;
}

// The automatic interval's levels: the multiples of a nice step within
// lo..hi, about 20 of them, so that the lines read as round numbers.
ContourLevelsStatus AutoLevels(double lo, double hi, std::vector<float>* levels) {
  levels->clear();
  const double step = AutoContourStep(lo, hi);
  if (!(step > 0.0) || !std::isfinite(lo) || !std::isfinite(hi))
    return ContourLevelsStatus::Nothing;
  for (double k = std::ceil(lo / step); k * step <= hi; k += 1.0) {
    levels->push_back(static_cast<float>(k * step));
  }
  return ContourLevelsStatus::Ok;
}

}  // namespace

ContourLevelsStatus ContourLevels(const GridExtents& extents, float step,
                                  std::vector<float>* levels) {
  levels->clear();
  const float minZ = extents.minZ;
  const float maxZ = extents.maxZ;
  // minZ > maxZ: the start extents, nothing finite was sampled.
  if (!std::isfinite(minZ) || !std::isfinite(maxZ) || minZ > maxZ) {
    return ContourLevelsStatus::Nothing;
  }
  return LevelsBetween(minZ - 0.1f * std::fabs(minZ), maxZ + 0.1f * std::fabs(maxZ), step, levels);
}

namespace {

template <typename T>
ContourColour ColourOnScale(T level, T minZ, T maxZ) {
  const T half = std::fabs((maxZ - minZ) / 2);
  if (minZ + half > level) {
    const auto f = static_cast<float>((level - minZ) / half);
    return ContourColour{0.0f, f, 1.0f - f};
  }
  const auto f = static_cast<float>((level - minZ - half) / half);
  return ContourColour{f, 1.0f - f, 0.0f};
}

}  // namespace

ContourColour ContourColourFor(float level, float minZ, float maxZ) {
  // One height alone (the rest NaN or infinite): every level is the middle.
  if (maxZ == minZ) return ContourColour{0.0f, 1.0f, 0.0f};
  // Float arithmetic, as the colours have always been made, unless the range
  // is wider than float: then double, where float would give NaN.
  if (std::isfinite(maxZ - minZ) && std::isfinite(level - minZ)) {
    return ColourOnScale<float>(level, minZ, maxZ);
  }
  return ColourOnScale<double>(level, minZ, maxZ);
}

int ContourCell(const std::vector<float>& grid, int nMesh, int i, int j, float level,
                ContourSegment out[2]) {
  if (grid.size() != ContourGridSize(nMesh) || grid.empty()) return 0;
  if (i < 0 || j < 0 || i >= nMesh || j >= nMesh) return 0;
  return CellSegments(CornersOf(grid, nMesh, i, j), i, j, level, out);
}

void ContourVertex(const GridSpec& gridSpec, float u, float w, float level, float out[3]) {
  const float halfMesh = static_cast<float>(gridSpec.nMesh) / 2.0f;
  out[0] = (u - halfMesh) * gridSpec.spacing;
  out[1] = level * gridSpec.zScale;
  out[2] = (w - halfMesh) * gridSpec.spacing;
}

std::size_t ContourLevelReach(const std::vector<float>& levels, float v) {
  // Without branches on the data: neighbouring samples fall on either side of
  // a level at random, which a predicted search would pay for at every cell.
  // Every comparison with NaN is false, so NaN ends at 0.
  if (levels.empty()) return 0;
  const float* base = levels.data();
  std::size_t length = levels.size();
  while (length > 1) {
    const std::size_t half = length / 2;
    base = base[half] <= v ? base + half : base;
    length -= half;
  }
  return static_cast<std::size_t>(base - levels.data()) + (*base <= v ? 1 : 0);
}

ContourLevelSpan ContourCrossedLevels(const std::vector<float>& levels, float h00, float h10,
                                      float h11, float h01) {
  const std::size_t r00 = ContourLevelReach(levels, h00);
  const std::size_t r10 = ContourLevelReach(levels, h10);
  const std::size_t r11 = ContourLevelReach(levels, h11);
  const std::size_t r01 = ContourLevelReach(levels, h01);
  return ContourLevelSpan{std::min({r00, r10, r11, r01}), std::max({r00, r10, r11, r01})};
}

namespace {

bool SameBits(const ContourColour& a, const ContourColour& b) {
  return std::bit_cast<std::uint32_t>(a.red) == std::bit_cast<std::uint32_t>(b.red) &&
         std::bit_cast<std::uint32_t>(a.green) == std::bit_cast<std::uint32_t>(b.green) &&
         std::bit_cast<std::uint32_t>(a.blue) == std::bit_cast<std::uint32_t>(b.blue);
}

// fit: the level's height is the fitted one instead of level * zScale.
void EmitSegments(const GridSpec& gridSpec, const ContourSegment* segments, int count, float level,
                  const SurfaceFit* fit, ContourSink& sink) {
  for (int s = 0; s < count; ++s) {
    float v1[3];
    float v2[3];
    ContourVertex(gridSpec, segments[s].u1, segments[s].w1, level, v1);
    ContourVertex(gridSpec, segments[s].u2, segments[s].w2, level, v2);
    if (fit != nullptr) v1[1] = v2[1] = fit->Height(level);
    sink.Segment(v1, v2);
  }
}

}  // namespace

ContourBuild BuildContour(const std::vector<float>& grid, const GridSpec& gridSpec,
                          const GridExtents& extents, float step, const RunSignals& signals,
                          ContourSink& sink, const SurfaceFit* fit) {
  const int n = gridSpec.nMesh;
  if (grid.empty() || grid.size() != ContourGridSize(n)) return ContourBuild::NoGrid;

  // The colour scale's ends.
  const float minZ = fit != nullptr ? static_cast<float>(fit->bottom) : extents.minZ;
  const float maxZ = fit != nullptr ? static_cast<float>(fit->top) : extents.maxZ;
  std::vector<float> levels;
  ContourLevelsStatus status = ContourLevelsStatus::Ok;
  if (step == 0.0f) {
    status = AutoLevels(minZ, maxZ, &levels);
  } else if (fit != nullptr) {
    status = LevelsBetween(minZ, maxZ, step, &levels);
  } else {
    status = ContourLevels(extents, step, &levels);
  }
  if (status == ContourLevelsStatus::TooMany) return ContourBuild::TooManyLines;

  // The reach of every grid point, searched once, not once per cell it is a
  // corner of; 8 bytes a point, like the grid's own 4.
  const std::size_t points = static_cast<std::size_t>(n) + 1;
  std::vector<std::uint32_t> reach(points * points);
  for (std::size_t k = 0; k < reach.size(); ++k) {
    reach[k] = static_cast<std::uint32_t>(ContourLevelReach(levels, grid[k]));
  }
  auto crossed = [&](int i, int j) {
    if (fit != nullptr) {
      const CellCorners h = CornersOf(grid, n, i, j);
      if (!fit->CellDrawn(h.h00, h.h10, h.h11, h.h01)) return ContourLevelSpan{0, 0};
    }
    const std::uint32_t r00 = reach[ContourIndex(n, i, j)];
    const std::uint32_t r10 = reach[ContourIndex(n, i + 1, j)];
    const std::uint32_t r11 = reach[ContourIndex(n, i + 1, j + 1)];
    const std::uint32_t r01 = reach[ContourIndex(n, i, j + 1)];
    return ContourLevelSpan{std::min({r00, r10, r11, r01}), std::max({r00, r10, r11, r01})};
  };
  std::size_t crossings = 0;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      const ContourLevelSpan span = crossed(i, j);
      crossings += span.last - span.first;
    }
    if (crossings > kMaxContourCrossings) return ContourBuild::TooManyLines;
    if (signals.Stopped()) return ContourBuild::Stopped;
  }

  bool anyColour = false;
  ContourColour current{};
  ContourSegment segments[2];
  for (int i = 0; i < n; ++i) {
    signals.Advance(1);
    for (int j = 0; j < n; ++j) {
      // Tested per cell even when nothing is crossed, so a stop ends the walk
      // within one cell wherever it comes.
      if (signals.Stopped()) return ContourBuild::Stopped;
      const ContourLevelSpan span = crossed(i, j);
      if (span.first == span.last) continue;
      const CellCorners h = CornersOf(grid, n, i, j);
      for (std::size_t k = span.first; k < span.last; ++k) {
        if (k != span.first && signals.Stopped()) return ContourBuild::Stopped;
        const ContourColour colour = ContourColourFor(levels[k], minZ, maxZ);
        if (!anyColour || !SameBits(colour, current)) {
          sink.Colour(colour);
          current = colour;
          anyColour = true;
        }
        const int count = CellSegments(h, i, j, levels[k], segments);
        EmitSegments(gridSpec, segments, count, levels[k], fit, sink);
      }
    }
  }
  return ContourBuild::Complete;
}
