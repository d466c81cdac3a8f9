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
void ContourVertex(const GridSpec& gridSpec, float u, float w, float level, float out[3]);

// How many of the increasing levels a sample is at or above: the number of
// levels L with v >= L, found by binary search. A corner is above L exactly when
// L is one of those, so NaN (below every level) reaches none, as -inf does.
std::size_t ContourLevelReach(const std::vector<float>& levels, float v);

// Index range [first, last) into the levels of those at which a cell with
// these corners is crossed, so that ContourCell gives at least one segment
// exactly at the levels inside it: some corner is above the level and some is
// not, so first and last are the smallest and largest reach of the corners. A
// cell with a NaN corner is crossed by every level up to its largest other
// corner; equal corners and all-NaN cells give first == last.
struct ContourLevelSpan {
  std::size_t first, last;
};
ContourLevelSpan ContourCrossedLevels(const std::vector<float>& levels, float h00, float h10,
                                      float h11, float h01);

// Walks the cells (i outer, j inner; progress + 1 per i) and, per cell, only
// the levels ContourCrossedLevels gives, in increasing order: each such level's
// colour, then the cell's segments at it. A colour whose bits equal those of the
// colour emitted last is left out, since the current colour already is that
// one; so every vertex gets the colour the full walk below gives it, and the
// segments come in the same order. (Only the colour left current at the end
// differs: the full walk ends on the top level's.) The state is tested at the start of every
// cell and before every crossed level. False when stopped, or when the grid
// does not have the contour layout of gridSpec.nMesh (nothing is emitted then).
bool BuildContour(const std::vector<float>& grid, const GridSpec& gridSpec,
                  const GridExtents& extents, float step, const RunSignals& signals,
                  ContourSink& sink);

// The full walk BuildContour stands in for, kept as its reference: every cell
// and every level from lo to hi, the level's colour for each whether crossed or
// not, then the segments; the state is tested at every cell and level.
bool BuildContourPlain(const std::vector<float>& grid, const GridSpec& gridSpec,
                       const GridExtents& extents, float step, const RunSignals& signals,
                       ContourSink& sink);
