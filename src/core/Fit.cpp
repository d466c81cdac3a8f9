#include "core/Fit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <queue>
#include <utility>

namespace {

// How deep beyond the percentile range a finite extreme must lie, counted in
// the steepest step around it and on the gentlest path to it, to stay inside
// the fitted range. Near a simple pole such as 1/x a sample d spacings from
// the pole differs from its neighbour on the pole's side by about 1/(d - 1)
// of its height, so at least the samples within four spacings of a pole are
// cut, at any N; a smooth well or peak the grid resolves lies deeper
// (Easom's well at R = 10: 3.3 steps at N = 64, 11 at N = 200).
constexpr double kSmoothDepth = 3.0;

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

// The heights of a grid in either layout, point by point in storage order:
// N + 1 rows of N + 1, so that neighbours are 1 apart along a row and N + 1
// apart across.
struct Heights {
  const std::vector<float>& grid;
  std::size_t stride;  // floats per point
  std::size_t offset;  // of the height within a point
  std::size_t side;    // N + 1

  std::size_t Points() const { return side * side; }
  float operator[](std::size_t k) const { return grid[stride * k + offset]; }
  template <typename Visit>
  void ForNeighbours(std::size_t k, Visit visit) const {
    if (k % side != 0) visit(k - 1);
    if (k % side != side - 1) visit(k + 1);
    if (k >= side) visit(k - side);
    if (k + side < Points()) visit(k + side);
  }
};

float Step(float a, float b) {
  return static_cast<float>(std::fabs(static_cast<double>(a) - static_cast<double>(b)));
}

// Widens the ends to every finite sample beyond lowValue..highValue that lies
// kSmoothDepth times deeper than the steepest step around it and than the
// steepest step of the gentlest path of neighbouring finite samples leading
// to it from inside. The gentlest paths come from Dijkstra's order with a
// path's steepest step for its length, run over the samples beyond alone (a
// few percent of the grid, in storage order), seeded by their steps from the
// samples inside.
void KeepSmoothExtremes(const Heights& heights, double lowValue, double highValue,
                        double* bottomEnd, double* topEnd) {
  auto beyond = [&](float v) { return std::isfinite(v) && (v < lowValue || v > highValue); };
  std::vector<std::size_t> tail;
  for (std::size_t k = 0; k < heights.Points(); ++k) {
    if (beyond(heights[k])) tail.push_back(k);
  }
  const std::size_t count = tail.size();
  std::vector<float> value(count);
  for (std::size_t t = 0; t < count; ++t) value[t] = heights[tail[t]];
  auto depth = [&](std::size_t t) {
    return value[t] < lowValue ? lowValue - value[t] : value[t] - highValue;
  };

  // Each sample's neighbours among those beyond, by their places in the
  // tail (count for none): in storage order, the places of k - (N+1) and
  // k + (N+1) only grow.
  std::vector<std::array<std::size_t, 4>> linked(count);
  std::vector<float> around(count, 0.0f);
  std::vector<float> steepest(count, std::numeric_limits<float>::infinity());
  std::size_t up = 0;
  std::size_t down = 0;
  for (std::size_t t = 0; t < count; ++t) {
    const std::size_t k = tail[t];
    linked[t].fill(count);
    std::size_t links = 0;
    heights.ForNeighbours(k, [&](std::size_t m) {
      if (!std::isfinite(heights[m])) return;
      const float step = Step(value[t], heights[m]);
      around[t] = std::max(around[t], step);
      if (!beyond(heights[m])) {
        steepest[t] = std::min(steepest[t], step);
      } else if (m + 1 == k) {
        linked[t][links++] = t - 1;
      } else if (m == k + 1) {
        linked[t][links++] = t + 1;
      } else {
        std::size_t& place = m < k ? up : down;
        while (tail[place] < m) ++place;
        linked[t][links++] = place;
      }
    });
  }

  // Only a sample kSmoothDepth times deeper than every step around it can
  // stay, so no path need be followed past the steps the deepest of those
  // allows: next to poles almost none is.
  double limit = -1.0;
  for (std::size_t t = 0; t < count; ++t) {
    if (depth(t) >= kSmoothDepth * around[t]) limit = std::max(limit, depth(t) / kSmoothDepth);
  }
  using Entry = std::pair<float, std::size_t>;
  std::priority_queue<Entry, std::vector<Entry>, std::greater<>> queue;
  for (std::size_t t = 0; t < count; ++t) {
    if (steepest[t] <= limit) queue.emplace(steepest[t], t);
  }
  while (!queue.empty()) {
    const auto [reach, t] = queue.top();
    queue.pop();
    if (reach > steepest[t]) continue;
    for (const std::size_t u : linked[t]) {
      if (u == count) break;
      const float via = std::max(reach, Step(value[t], value[u]));
      if (via <= limit && via < steepest[u]) {
        steepest[u] = via;
        queue.emplace(via, u);
      }
    }
  }
  for (std::size_t t = 0; t < count; ++t) {
    if (depth(t) < kSmoothDepth * std::max(steepest[t], around[t])) continue;
    *bottomEnd = std::min(*bottomEnd, static_cast<double>(value[t]));
    *topEnd = std::max(*topEnd, static_cast<double>(value[t]));
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

std::optional<SurfaceFit> FitValues(const std::vector<float>& grid, GridLayout layout,
                                    const GridSpec& gridSpec) {
  const int n = gridSpec.nMesh;
  const bool surface = layout == GridLayout::Surface;
  if (!IsValidMesh(n) || grid.size() != (surface ? SurfaceGridSize(n) : ContourGridSize(n))) {
    return std::nullopt;
  }
  const Heights heights{grid, surface ? 3u : 1u, surface ? 1u : 0u,
                        static_cast<std::size_t>(n) + 1};
  std::vector<float> values(heights.Points());
  for (std::size_t k = 0; k < values.size(); ++k) values[k] = heights[k];
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
  double bottomEnd = minimum >= lowValue - width ? minimum : lowValue;
  double topEnd = maximum <= highValue + width ? maximum : highValue;
  if (bottomEnd > minimum || topEnd < maximum) {
    KeepSmoothExtremes(heights, lowValue, highValue, &bottomEnd, &topEnd);
  }
  SurfaceFit fit;
  Widen(lowValue, highValue, &fit.lower, &fit.upper);
  Widen(bottomEnd, topEnd, &fit.bottom, &fit.top);
  const double range = std::fabs(static_cast<double>(gridSpec.spacing) * n / 2.0);
  fit.factor = range / (fit.top - fit.bottom);
  return fit;
}

GridSpec FitSampling(GridSpec gridSpec) {
  gridSpec.zScale = 1.0f;
  return gridSpec;
}

std::optional<FittedSurface> FitSurface(std::vector<float>& grid, const GridSpec& gridSpec) {
  const int n = gridSpec.nMesh;
  const std::optional<SurfaceFit> fit = FitValues(grid, GridLayout::Surface, gridSpec);
  if (!fit) return std::nullopt;
  const std::size_t points = grid.size() / 3;

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
    out.fit = FitValues(out.values, GridLayout::Contour, gridSpec);
  } else if ((out.surface = FitSurface(out.values, gridSpec))) {
    out.fit = out.surface->fit;
  }
  return true;
}
