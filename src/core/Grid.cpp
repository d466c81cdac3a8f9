#include "core/Grid.h"

#include <cmath>

namespace {

// The maximum takes v unless it already is >= v; the minimum only when it is > v.
void Extend(float v, float& maxV, float& minV) {
  if (!(maxV >= v)) maxV = v;
  if (minV > v) minV = v;
}

// NaN and infinities stay in the grid but out of the height extents: the contour
// levels and the projection are derived from them and must stay finite.
void ExtendHeight(float v, GridExtents& extents) {
  if (std::isfinite(v)) Extend(v, extents.maxZ, extents.minZ);
}

double Evaluate(PFN_EVALUATE evaluate, CFormula* formula, float x, float y, float zeroDiv) {
  const double dx = x;
  const double dy = y;
  const double dz = zeroDiv;
  return evaluate(formula, &dx, &dy, &dz);
}

}  // namespace

GridSpec MakeGridSpec(const CParaData& para) {
  GridSpec spec;
  spec.nMesh = para.m_nMesh;
  spec.spacing = static_cast<float>(static_cast<long double>(para.m_dRange) /
                                    (static_cast<long double>(para.m_nMesh) / 2.0L));
  spec.zScale = static_cast<float>(para.m_dZCoef);
  spec.zeroDiv = static_cast<float>(para.m_dZeroByZero);
  spec.contourStep = static_cast<float>(para.m_dContourStep);
  return spec;
}

std::size_t SurfaceGridSize(int nMesh) { return 3 * ContourGridSize(nMesh); }

std::size_t ContourGridSize(int nMesh) {
  if (!IsValidMesh(nMesh)) return 0;
  const std::size_t side = static_cast<std::size_t>(nMesh) + 1;
  return side * side;
}

float GridCoordinate(const GridSpec& spec, int k) {
  const long double offset =
      static_cast<long double>(k) - static_cast<long double>(spec.nMesh) / 2.0L;
  return static_cast<float>(offset * static_cast<long double>(spec.spacing));
}

bool ComputeSurface(const GridSpec& spec, CFormula* formula, PFN_EVALUATE evaluate,
                    const RunSignals& signals, std::vector<float>& grid, GridExtents& extents) {
  const int n = spec.nMesh;
  grid.assign(SurfaceGridSize(n), 0.0f);
  if (grid.empty() || evaluate == nullptr) return false;

  for (int i = 0; i <= n; ++i) {
    signals.Advance(2);
    // Row 0 lies at y = +R: the rows run against the y axis.
    const float y = -GridCoordinate(spec, i);
    for (int j = 0; j <= n; ++j) {
      if (signals.Stopped()) return false;
      float* point = &grid[GridIndex(n, j, i)];
      const float x = GridCoordinate(spec, j);
      point[0] = x;
      Extend(x, extents.maxX, extents.minX);
      const double value = Evaluate(evaluate, formula, x, y, spec.zeroDiv);
      const float height = static_cast<float>(static_cast<long double>(value) *
                                              static_cast<long double>(spec.zScale));
      point[1] = height;
      ExtendHeight(height, extents);
      point[2] = y;
      Extend(y, extents.maxY, extents.minY);
    }
  }
  return true;
}

bool ComputeContour(const GridSpec& spec, CFormula* formula, PFN_EVALUATE evaluate,
                    const RunSignals& signals, std::vector<float>& grid, GridExtents& extents) {
  const int n = spec.nMesh;
  grid.assign(ContourGridSize(n), 0.0f);
  if (grid.empty() || evaluate == nullptr) return false;

  for (int i = 0; i <= n; ++i) {
    signals.Advance(1);
    const float x = GridCoordinate(spec, i);
    Extend(x, extents.maxX, extents.minX);
    for (int j = 0; j <= n; ++j) {
      if (signals.Stopped()) return false;
      const float y = GridCoordinate(spec, j);
      Extend(y, extents.maxY, extents.minY);
      const float value = static_cast<float>(Evaluate(evaluate, formula, x, y, spec.zeroDiv));
      ExtendHeight(value, extents);
      grid[ContourIndex(n, i, j)] = value;
    }
  }
  return true;
}

void FaceNormal(const float* a, const float* b, const float* c, float* out) {
  const float u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
  const float v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
  float n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
  // Squares in double: a cross product near the float limit still normalises.
  const double nx = n[0], ny = n[1], nz = n[2];
  const float len = static_cast<float>(std::sqrt(nx * nx + ny * ny + nz * nz));
  if (len != 0.0f) {
    n[0] /= len;
    n[1] /= len;
    n[2] /= len;
  }
  out[0] = n[0];
  out[1] = n[1];
  out[2] = n[2];
}
