// Sampling f(x, y) on the (N+1) x (N+1) grid, in the surface and the contour
// layouts, with the extents the projection and the contour levels derive from.
#pragma once

#include <atomic>
#include <cstddef>
#include <vector>

#include "core/Formula.h"
#include "core/ParaData.h"

// The run parameters as the drawing thread holds them: narrowed to float,
// but for the centre, which only moves the values the formula sees.
struct GridSpec {
  int nMesh = 0;             // N, cells per side
  float spacing = 0.0f;      // s = R / (N / 2)
  float zScale = 0.0f;       // Z coefficient
  float zeroDiv = 0.0f;      // value for 0/0
  float contourStep = 0.0f;  // contour interval, raw function units
  // The window's centre. The model stays centred on 0 whatever it is (the
  // picture, its turning and its box keep their geometry); the formula sees
  // x = centreX + the model's x, and y likewise.
  double centreX = 0.0, centreY = 0.0;
};
GridSpec MakeGridSpec(const CParaData& para);
// s = R / (N / 2), divided out in long double (N / 2 exact) and rounded once to
// float: every grid over -R..R, the full one and a drag's coarse one, alike.
float GridSpacing(double range, int nMesh);

// The x (PlaneX) or y (PlaneY) the formula sees at a model coordinate, in
// double. A centre of 0 adds nothing, so that a window at the origin keeps
// every bit: 0 + -0 is +0, and the surface's middle row lies at y = -0.
inline double OnPlane(double centre, double model) {
  return centre != 0.0 ? centre + model : model;
}
inline double PlaneX(const GridSpec& gridSpec, double modelX) {
  return OnPlane(gridSpec.centreX, modelX);
}
inline double PlaneY(const GridSpec& gridSpec, double modelY) {
  return OnPlane(gridSpec.centreY, modelY);
}

// Mesh counts the samplers accept: indices stay in 16-bit range, which keeps
// every index product far from overflow and the grids within reason.
constexpr int kMaxGridMesh = 32766;
inline bool IsValidMesh(int nMesh) { return nMesh >= 1 && nMesh <= kMaxGridMesh; }
// Element counts of the two layouts; 0 for a mesh count the samplers refuse.
std::size_t SurfaceGridSize(int nMesh);
std::size_t ContourGridSize(int nMesh);

// Model coordinate of grid index k: (k - N/2) * s, formed in extended
// precision, stored as float; the centre is not in it.
float GridCoordinate(const GridSpec& gridSpec, int k);

// The grid index whose coordinate is nearest to a coordinate of the model
// (x, or y, which the model holds in its third component), clamped to 0..N;
// -1 for a coordinate that is not finite or a grid that is not valid.
int NearestGridIndex(const GridSpec& gridSpec, double coordinate);

// Element offsets. Surface: 3 floats per point, column j (x) and row i (y).
inline std::size_t GridIndex(int nMesh, int j, int i) {
  return 3 * (static_cast<std::size_t>(j) * (static_cast<std::size_t>(nMesh) + 1) +
              static_cast<std::size_t>(i));
}
// Contour: 1 float per point, i along x and j along y.
inline std::size_t ContourIndex(int nMesh, int i, int j) {
  return static_cast<std::size_t>(i) * (static_cast<std::size_t>(nMesh) + 1) +
         static_cast<std::size_t>(j);
}

// Start values make the first sample replace both ends. Heights that are NaN or
// infinite are left out, so the height extents are finite or still the start values.
struct GridExtents {
  float maxX = -3.4028235e38f, minX = 3.4028235e38f;
  float maxY = -3.4028235e38f, minY = 3.4028235e38f;
  float maxZ = -3.4028235e38f, minZ = 3.4028235e38f;
};

// What the sampler watches and reports: it gives up as soon as *state differs
// from runState, and adds to *progress per row. A null state never stops the
// walk; a null progress is not counted.
struct RunSignals {
  const std::atomic<int>* state = nullptr;
  int runState = 0;
  std::atomic<int>* progress = nullptr;

  bool Stopped() const { return state != nullptr && state->load() != runState; }
  void Advance(int amount) const {
    if (progress != nullptr) progress->fetch_add(amount);
  }
};

// Both sample the formula's compiled program, optimised for the grid
// (GridProgram), with the rows shared out among `threads` workers (0: one per
// hardware thread); the values are bit for bit those of one EvaluateFormula
// call per point with gridSpec.zeroDiv. A row is stored, counted in the
// progress and taken into the extents only once it is complete, so a stop
// leaves whole rows zero; the stop is seen before each row and every few
// points within one. The grid is resized by the call and every element
// written; a buffer that holds enough is kept, so a caller that keeps its
// grid between runs allocates nothing for the same or a smaller one. False
// when stopped part-way; a mesh count outside 1..kMaxGridMesh samples nothing
// and leaves the grid empty.
bool ComputeSurface(const GridSpec& gridSpec, const CFormula& formula, const RunSignals& runSignals,
                    std::vector<float>& grid, GridExtents& extents, int threads = 0);
bool ComputeContour(const GridSpec& gridSpec, const CFormula& formula, const RunSignals& runSignals,
                    std::vector<float>& grid, GridExtents& extents, int threads = 0);

// Unit normal of three surface vertices (3 floats each); (0,0,0) when degenerate.
// The cross product is taken in float, its length in double.
void FaceNormal(const float* a, const float* b, const float* c, float* out);
