// Sampling f(x, y) on the (N+1) x (N+1) grid, in the surface and the contour
// layouts, with the extents the projection and the contour levels derive from.
#pragma once

#include <atomic>
#include <cstddef>
#include <vector>

#include "core/Formula.h"
#include "core/ParaData.h"

// The run parameters as the drawing thread holds them: narrowed to float.
struct GridSpec {
  int nMesh = 0;          // N, cells per side
  float spacing = 0.0f;   // s = R / (N / 2)
  float zScale = 0.0f;    // Z coefficient
  float zeroDiv = 0.0f;   // value for 0/0
};
GridSpec MakeGridSpec(const CParaData& para);

// Coordinate of grid index k: (k - N/2) * s, formed in extended precision, stored as float.
float GridCoordinate(const GridSpec& spec, int k);

// Element offsets. Surface: 3 floats per point, column j (x) and row i (y).
inline std::size_t GridIndex(int nMesh, int j, int i) {
  return 3 * (static_cast<std::size_t>(j) * static_cast<std::size_t>(nMesh + 1) + static_cast<std::size_t>(i));
}
// Contour: 1 float per point, i along x and j along y.
inline std::size_t ContourIndex(int nMesh, int i, int j) {
  return static_cast<std::size_t>(i) * static_cast<std::size_t>(nMesh + 1) + static_cast<std::size_t>(j);
}

struct GridExtents {
  float maxX = -3.4028235e38f, minX = 3.4028235e38f;
  float maxY = -3.4028235e38f, minY = 3.4028235e38f;
  float maxZ = -3.4028235e38f, minZ = 3.4028235e38f;
};

// What the sampler watches and reports: it gives up as soon as *state differs
// from runState, and adds to *progress per row.
struct RunSignals {
  const std::atomic<int>* state = nullptr;
  int runState = 0;
  std::atomic<int>* progress = nullptr;
};

// Both return false when stopped part-way (the rest of the grid stays zero).
// The grid is resized (and zero-filled) by the call.
bool ComputeSurface(const GridSpec& spec, CFormula* formula, PFN_EVALUATE evaluate,
                    const RunSignals& signals, std::vector<float>& grid, GridExtents& extents);
bool ComputeContour(const GridSpec& spec, CFormula* formula, PFN_EVALUATE evaluate,
                    const RunSignals& signals, std::vector<float>& grid, GridExtents& extents);

// Unit normal of three surface vertices (3 floats each); (0,0,0) when degenerate.
void FaceNormal(const float* a, const float* b, const float* c, float* out);
