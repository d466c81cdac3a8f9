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

// The levels lo, lo+step, ... (repeated float addition) while < hi.
// Empty when the interval is not positive, the extents are not finite, or the
// count would exceed kMaxContourLevels.
constexpr std::size_t kMaxContourLevels = 1000000;
std::vector<float> ContourLevels(const GridExtents& extents, float step);

ContourColour ContourColourFor(float level, float minZ, float maxZ);

// Segments of cell (i, j) at level L; returns how many (0, 1 or 2) were written.
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

// Walks every cell and every level, emitting into the sink; false when stopped.
bool BuildContour(const std::vector<float>& grid, const GridSpec& spec, const GridExtents& extents,
                  float step, const RunSignals& signals, ContourSink& sink);
