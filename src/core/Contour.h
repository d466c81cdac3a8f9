// Contour-line geometry: levels, per-cell segments, colours. No GL here: the
// drawing thread turns the output into a display list.
#pragma once

#include <cstddef>
#include <vector>

#include "core/Fit.h"
#include "core/Grid.h"

struct ContourColour {
  float red, green, blue;
};

struct ContourSegment {
  // Fractional grid coordinates: u along i (x), w along j (y).
  float u1, w1, u2, w2;
};

// How many level crossings one picture may hold: every crossing of a cell is
// one or two line segments in the display list, about 24 bytes each. Normal
// pictures stay far below (the default formula at N = 500 and an interval of
// 0.01 has about 250 000); a range holding millions of levels (x^5 at an
// interval of 0.05) would need gigabytes, and is refused instead.
constexpr std::size_t kMaxContourCrossings = 4000000;

enum class ContourLevelsStatus {
  Ok,
  Nothing,  // no finite height was sampled: there is nothing to draw
  TooMany,  // the interval is not positive and finite, or too small for the range
};

// The levels lo, lo+step, ... (repeated float addition) while < hi, with
// lo = minZ - 0.1|minZ| and hi = maxZ + 0.1|maxZ|. TooMany when the interval
// is not positive and finite, lo or hi is not finite, the levels would be more
// than 4 kMaxContourCrossings (most of them are then crossed, so the picture
// would be refused anyway), or the sum stops growing (the interval is below
// half a float step of the level); *levels is empty then.
ContourLevelsStatus ContourLevels(const GridExtents& extents, float step,
                                  std::vector<float>* levels);

// Blue at minZ, green halfway, red at maxZ; levels outside minZ..maxZ give
// components outside 0..1 (GL clamps them). Equal extents give green.
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

enum class ContourBuild {
  Complete,
  Stopped,       // the run state changed on the way
  TooManyLines,  // the levels or their crossings exceed what a picture may hold
  NoGrid,        // the grid does not have the contour layout of gridSpec.nMesh
};

// Walks the cells (i outer, j inner; progress + 1 per i) and, per cell, only
// the levels ContourCrossedLevels gives, in increasing order: each such level's
// colour, then the cell's segments at it. A colour whose bits equal those of the
// colour emitted last is left out, since the current colour already is that
// one; so every vertex gets the colour a walk over every level of every cell
// gives it, and the segments come in the same order. The crossings are
// counted first, so a picture over kMaxContourCrossings emits nothing. The
// state is tested at the start of every cell and before every crossed level.
// A step of 0 is the automatic interval: the multiples of AutoContourStep over
// the colour scale's range (the extents' or the fit's), about 20 levels.
// With a fit, the levels run from fit->bottom while below fit->top, coloured
// from blue at the bottom to red at the top, at the heights fit->Height(L); the
// extents and the Z coefficient are not used, and the cells a pole runs
// through (SurfaceFit::CellDrawn) give no lines.
ContourBuild BuildContour(const std::vector<float>& grid, const GridSpec& gridSpec,
                          const GridExtents& extents, float step, const RunSignals& runSignals,
                          ContourSink& sink, const SurfaceFit* fit = nullptr);
