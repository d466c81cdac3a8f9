#include "core/Contour.h"

#include <cmath>

namespace {

struct CellCorners {
  float h00, h10, h11, h01;
};

// A corner exactly at the level counts as above; NaN counts as below.
bool Above(float v, float level) { return !(v < level || std::isnan(v)); }

float Fraction(float level, float p, float q) { return (level - p) / (q - p); }

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

}  // namespace

std::vector<float> ContourLevels(const GridExtents& extents, float step) {
  std::vector<float> levels;
  if (!(step > 0.0f) || !std::isfinite(step)) return levels;
  const float minZ = extents.minZ;
  const float maxZ = extents.maxZ;
  // minZ > maxZ: the start extents, nothing finite was sampled.
  if (!std::isfinite(minZ) || !std::isfinite(maxZ) || minZ > maxZ) return levels;
  const float lo = minZ - 0.1f * std::fabs(minZ);
  const float hi = maxZ + 0.1f * std::fabs(maxZ);
  if (!std::isfinite(lo) || !std::isfinite(hi)) return levels;

  // Refuse before walking: every level costs a colour command per cell.
  const double estimate = (static_cast<double>(hi) - static_cast<double>(lo)) / step;
  if (!(estimate <= static_cast<double>(kMaxContourLevels))) return levels;
  levels.reserve(static_cast<std::size_t>(estimate) + 2);

  for (float level = lo; level < hi;) {
    // Float rounding can add a few levels to the estimate, or stall the sum
    // where step is below half an ulp of the level.
    if (levels.size() == kMaxContourLevels) return {};
    levels.push_back(level);
    const float next = level + step;
    if (!(next > level)) return {};
    level = next;
  }
  return levels;
}

ContourColour ContourColourFor(float level, float minZ, float maxZ) {
  const float half = std::fabs((maxZ - minZ) / 2.0f);
  if (minZ + half > level) {
    const float f = (level - minZ) / half;
    return ContourColour{0.0f, f, 1.0f - f};
  }
  const float f = (level - minZ - half) / half;
  return ContourColour{f, 1.0f - f, 0.0f};
}

int ContourCell(const std::vector<float>& grid, int nMesh, int i, int j, float level,
                ContourSegment out[2]) {
  if (grid.size() != ContourGridSize(nMesh) || grid.empty()) return 0;
  if (i < 0 || j < 0 || i >= nMesh || j >= nMesh) return 0;
  return CellSegments(CornersOf(grid, nMesh, i, j), i, j, level, out);
}

void ContourVertex(const GridSpec& spec, float u, float w, float level, float out[3]) {
  const float halfMesh = static_cast<float>(spec.nMesh) / 2.0f;
  out[0] = (u - halfMesh) * spec.spacing;
  out[1] = level * spec.zScale;
  out[2] = (w - halfMesh) * spec.spacing;
}

bool BuildContour(const std::vector<float>& grid, const GridSpec& spec, const GridExtents& extents,
                  float step, const RunSignals& signals, ContourSink& sink) {
  const int n = spec.nMesh;
  if (grid.empty() || grid.size() != ContourGridSize(n)) return false;

  const std::vector<float> levels = ContourLevels(extents, step);
  std::vector<ContourColour> colours;
  colours.reserve(levels.size());
  for (float level : levels) colours.push_back(ContourColourFor(level, extents.minZ, extents.maxZ));

  ContourSegment segments[2];
  for (int i = 0; i < n; ++i) {
    signals.Advance(1);
    for (int j = 0; j < n; ++j) {
      const CellCorners corners = CornersOf(grid, n, i, j);
      for (std::size_t k = 0; k < levels.size(); ++k) {
        if (signals.Stopped()) return false;
        sink.Colour(colours[k]);
        const int count = CellSegments(corners, i, j, levels[k], segments);
        for (int s = 0; s < count; ++s) {
          float v1[3];
          float v2[3];
          ContourVertex(spec, segments[s].u1, segments[s].w1, levels[k], v1);
          ContourVertex(spec, segments[s].u2, segments[s].w2, levels[k], v2);
          sink.Segment(v1, v2);
        }
      }
    }
  }
  return true;
}
