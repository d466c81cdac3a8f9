#include "core/Fit.h"

#include <algorithm>
#include <cmath>

namespace {

void Widen(double lo, double hi, double* bottom, double* top) {
  if (hi > lo) {
    *bottom = lo - 0.05 * (hi - lo);
    *top = hi + 0.05 * (hi - lo);
  } else {
    const double half = std::max(std::fabs(lo), 1.0) / 2.0;
    *bottom = lo - half;
    *top = hi + half;
  }
}

}  // namespace

float SurfaceFit::Height(double value) const {
  return static_cast<float>((static_cast<long double>(value) - Middle()) *
                            static_cast<long double>(factor));
}

bool SurfaceFit::CellDrawn(float h00, float h10, float h11, float h01) const {
  bool above = false;
  bool below = false;
  for (const float h : {h00, h10, h11, h01}) {
    if (!std::isfinite(h)) return false;
    above = above || h > upper;
    below = below || h < lower;
  }
  return !(above && below);
}

std::optional<SurfaceFit> FitValues(std::vector<float> values, const GridSpec& gridSpec) {
  std::erase_if(values, [](float v) { return !std::isfinite(v); });
  if (values.empty()) return std::nullopt;
  // Two partial sorts: the low rank first, then the high one among the
  // values above it; each end's extreme lies on its own side.
  const std::size_t last = values.size() - 1;
  const std::size_t low = last / 100;
  const std::size_t high = last - low;
  const auto begin = values.begin();
  std::nth_element(begin, begin + static_cast<std::ptrdiff_t>(low), values.end());
  const double lowValue = values[low];
  const double minimum = *std::min_element(begin, begin + static_cast<std::ptrdiff_t>(low) + 1);
  std::nth_element(begin + static_cast<std::ptrdiff_t>(low),
                   begin + static_cast<std::ptrdiff_t>(high), values.end());
  const double highValue = values[high];
  const double maximum = *std::max_element(begin + static_cast<std::ptrdiff_t>(high), values.end());

  const double width = highValue - lowValue;
  SurfaceFit fit;
  Widen(lowValue, highValue, &fit.lower, &fit.upper);
  Widen(minimum >= lowValue - width ? minimum : lowValue,
        maximum <= highValue + width ? maximum : highValue, &fit.bottom, &fit.top);
  const double range = std::fabs(static_cast<double>(gridSpec.spacing) * gridSpec.nMesh / 2.0);
  fit.factor = range / (fit.top - fit.bottom);
  return fit;
}

GridSpec FitSampling(GridSpec gridSpec) {
  gridSpec.zScale = 1.0f;
  return gridSpec;
}

std::optional<FittedSurface> FitSurface(std::vector<float>& grid, const GridSpec& gridSpec) {
  const int n = gridSpec.nMesh;
  if (!IsValidMesh(n) || grid.size() != SurfaceGridSize(n)) return std::nullopt;
  const std::size_t points = grid.size() / 3;
  std::vector<float> heights(points);
  for (std::size_t k = 0; k < points; ++k) heights[k] = grid[3 * k + 1];
  const std::optional<SurfaceFit> fit = FitValues(heights, gridSpec);
  if (!fit) return std::nullopt;

  FittedSurface fitted{*fit, n, std::vector<std::uint8_t>(static_cast<std::size_t>(n) * n)};
  auto height = [&](int j, int i) -> float& { return grid[GridIndex(n, j, i) + 1]; };
  auto corners = [&](int j, int i) {
    return fit->CellDrawn(height(j, i), height(j + 1, i), height(j + 1, i + 1), height(j, i + 1));
  };
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) fitted.drawn[static_cast<std::size_t>(j) * n + i] = corners(j, i);
  }
  for (std::size_t k = 0; k < points; ++k) grid[3 * k + 1] = fit->Height(grid[3 * k + 1]);
  // Far beyond a narrow range a finite value can scale past float.
  auto finite = [&](int j, int i) { return std::isfinite(height(j, i)); };
  for (int j = 0; j < n; ++j) {
    for (int i = 0; i < n; ++i) {
      std::uint8_t& drawn = fitted.drawn[static_cast<std::size_t>(j) * n + i];
      drawn = drawn && finite(j, i) && finite(j + 1, i) && finite(j + 1, i + 1) && finite(j, i + 1);
    }
  }
  return fitted;
}

bool SamplePictureGrid(int style, const GridSpec& gridSpec, const CFormula& formula, bool fit,
                       const RunSignals& runSignals, PictureGrid& out) {
  const GridSpec sampling = fit ? FitSampling(gridSpec) : gridSpec;
  out.fit.reset();
  out.surface.reset();
  const bool complete =
      style == STYLE_CONTOUR
          ? ComputeContour(sampling, formula, runSignals, out.values, out.extents)
          : ComputeSurface(sampling, formula, runSignals, out.values, out.extents);
  if (!complete || !fit) return complete;
  if (style == STYLE_CONTOUR) {
    out.fit = FitValues(out.values, gridSpec);
  } else if ((out.surface = FitSurface(out.values, gridSpec))) {
    out.fit = out.surface->fit;
  }
  return true;
}
