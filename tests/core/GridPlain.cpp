#include "GridPlain.h"

#include <cmath>

namespace {

void Extend(float v, float& maxV, float& minV) {
  if (!(maxV >= v)) maxV = v;
  if (minV > v) minV = v;
}

void ExtendHeight(float v, GridExtents& extents) {
  if (std::isfinite(v)) Extend(v, extents.maxZ, extents.minZ);
}

// Where f is evaluated: a centre of 0 is no addition at all, so that the
// middle row's -0 reaches f as -0.
double OnThePlane(double centre, float model) { return centre == 0.0 ? model : centre + model; }

}  // namespace

bool SampleSurfacePlain(const GridSpec& gridSpec, const PointFunction& f, const RunSignals& signals,
                        std::vector<float>& grid, GridExtents& extents) {
  const int n = gridSpec.nMesh;
  grid.assign(SurfaceGridSize(n), 0.0f);
  if (grid.empty()) return false;
  for (int i = 0; i <= n; ++i) {
    signals.Advance(2);
    // Row 0 lies at y = +R: the rows run against the y axis.
    const float y = -GridCoordinate(gridSpec, i);
    for (int j = 0; j <= n; ++j) {
      if (signals.Stopped()) return false;
      float* point = &grid[GridIndex(n, j, i)];
      const float x = GridCoordinate(gridSpec, j);
      point[0] = x;
      Extend(x, extents.maxX, extents.minX);
      const double fx = OnThePlane(gridSpec.centreX, x), fy = OnThePlane(gridSpec.centreY, y);
      const float height = static_cast<float>(static_cast<long double>(f(fx, fy)) *
                                              static_cast<long double>(gridSpec.zScale));
      point[1] = height;
      ExtendHeight(height, extents);
      point[2] = y;
      Extend(y, extents.maxY, extents.minY);
    }
  }
  return true;
}

bool SampleContourPlain(const GridSpec& gridSpec, const PointFunction& f, const RunSignals& signals,
                        std::vector<float>& grid, GridExtents& extents) {
  const int n = gridSpec.nMesh;
  grid.assign(ContourGridSize(n), 0.0f);
  if (grid.empty()) return false;
  for (int i = 0; i <= n; ++i) {
    signals.Advance(1);
    const float x = GridCoordinate(gridSpec, i);
    Extend(x, extents.maxX, extents.minX);
    for (int j = 0; j <= n; ++j) {
      if (signals.Stopped()) return false;
      const float y = GridCoordinate(gridSpec, j);
      Extend(y, extents.maxY, extents.minY);
      const float value =
          static_cast<float>(f(OnThePlane(gridSpec.centreX, x), OnThePlane(gridSpec.centreY, y)));
      ExtendHeight(value, extents);
      grid[ContourIndex(n, i, j)] = value;
    }
  }
  return true;
}

PointFunction EvaluatingFunction(CFormula& formula, const GridSpec& gridSpec) {
  const double zeroByZero = gridSpec.zeroDiv;
  return [&formula, zeroByZero](double x, double y) {
    return EvaluateFormula(&formula, &x, &y, &zeroByZero);
  };
}
