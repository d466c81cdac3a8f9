// Contour-line geometry: levels, per-cell segments, colours. No GL here: the
// drawing thread turns the output into a display list.
#pragma once

#include <cstddef>
#include <vector>

#include "core/Grid.h"

struct ContourColour {
  float red, green, blue;
};

struct ContourSegment {
  // Fractional grid coordinates: u along i (x), w along j (y).
  float u1, w1, u2, w2;
};

// The levels lo, lo+step, ... (repeated float addition) while < hi, with
// lo = minZ - 0.1|minZ| and hi = maxZ + 0.1|maxZ|.
// Empty when the interval is not positive or not finite, the range is not
// finite (or still the start extents of an all-NaN grid), or the count would
// exceed kMaxContourLevels.
constexpr std::size_t kMaxContourLevels = 1000000;
std::vector<float> ContourLevels(const GridExtents& extents, float step);

// Blue at minZ, green halfway, red at maxZ; levels outside minZ..maxZ give
// components outside 0..1 (GL clamps them).
ContourColour ContourColourFor(float level, float minZ, float maxZ);

// Segments of cell (i, j) at level L; returns how many (0, 1 or 2) were written.
// A cell outside the grid gives none. A corner that is NaN counts as below L.
int ContourCell(const std::vector<float>& grid, int nMesh, int i, int j, float level,
                ContourSegment out[2]);

// Receives what the list builder emits, in order.
class ContourSink {
 public:
  virtual ~ContourSink() = default;
  virtual void Colour(const ContourColour& colour) = 0;
  // Two vertices in model coordinates ((u - N/2) s, L * zScale, (w - N/2) s).
  virtual void Segment(const float v1[3], const float v2[3]) = 0;
};

// Model coordinates of grid point (u, w) at level L, all in float arithmetic.
// At whole u and w this equals GridCoordinate, since u - N/2 is exact.
void ContourVertex(const GridSpec& spec, float u, float w, float level, float out[3]);

// Walks every cell and every level, emitting into the sink: for each cell
// (i outer, j inner; progress + 1 per i) and each level, the level's colour and
// then the cell's segments. False when stopped, or when the grid does not have
// the contour layout of spec.nMesh (nothing is emitted then).
bool BuildContour(const std::vector<float>& grid, const GridSpec& spec, const GridExtents& extents,
                  float step, const RunSignals& signals, ContourSink& sink);
