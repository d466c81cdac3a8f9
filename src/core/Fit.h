// Heights fitted to the data: a scale chosen from the sampled values in the
// Z coefficient's place, the range the picture is cut at, and the cells left
// out because a pole runs through them. Used by the drawing thread and by
// everything else that turns a sampled grid into geometry, so that they all
// show the same surface.
//
// A fitted surface, step by step:
//   1. sample with FitSampling(gridSpec), so that the heights are f itself;
//   2. FitSurface(grid, gridSpec): the fit, the cells to draw, the heights;
//   3. draw cell (j, i) only where CellDrawn(j, i), and cut the surface at
//      Height(bottom) and Height(top), which are -R/2 and +R/2.
// The contour grid holds f itself anyway: FitValues(grid, GridLayout::Contour,
// gridSpec) and SurfaceFit::CellDrawn on a cell's four corners.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/Grid.h"

struct SurfaceFit {
  double factor = 0.0;  // model height per unit of f
  double bottom = 0.0;  // the fitted range, in f's own units
  double top = 0.0;
  // The percentile range (below), widened as the fitted range is: within
  // bottom..top, and equal to it unless a tail was kept whole.
  double lower = 0.0;
  double upper = 0.0;

  double Middle() const { return bottom + (top - bottom) / 2.0; }
  // The model height of a value of f: the middle of the fitted range goes to
  // 0, so the range spans -R/2..+R/2 and the model turns about its middle.
  // Formed in extended precision and rounded once to float, as the sampler
  // forms its heights; NaN and infinities stay what they are.
  float Height(double value) const;
  // False when a pole runs through the cell: a corner is not finite, or one
  // corner lies above upper and another below lower (1/x between x = -0.1
  // and +0.1, with the range within -5..5). Corners in f's own units. The
  // percentile range decides, so that a pole's modest values next to it
  // cannot hide it by widening the fitted range.
  bool CellDrawn(float h00, float h10, float h11, float h01) const;
};

// Where a grid keeps its heights: the surface layout's second float of three
// per point (GridIndex), or the contour layout's one float (ContourIndex).
enum class GridLayout { Surface, Contour };

// The fit of the heights of a grid of half-width R = N/2 * spacing: NaN and
// infinities are left out; the percentile range runs from the 1st to the
// 99th percentile (ranks floor(0.01 (n-1)) and its mirror from the top). The
// fitted range is that range, except that a tail reaching no further beyond
// it than its width is kept whole (a smooth peak such as the default
// formula's stays uncut; a pole's values, far beyond, are cut), and that a
// value beyond it stays inside when its depth beyond the percentile range is
// at least three times every step to its finite neighbours and every step of
// some path of neighbouring finite samples that reaches it from inside: a
// narrow smooth well such as Easom's is reached in many small steps, the
// samples next to a pole in large ones.
// Both are widened by 5% of their width at each end; one value alone (or
// all equal) gets c -/+ max(|c|, 1) / 2. factor = R / (top - bottom).
// Nothing when no value is finite (there is nothing to draw) or the grid
// does not have the layout's size for gridSpec.nMesh.
std::optional<SurfaceFit> FitValues(const std::vector<float>& grid, GridLayout layout,
                                    const GridSpec& gridSpec);

// The gridSpec to sample a fitted surface with: Z coefficient 1.
GridSpec FitSampling(GridSpec gridSpec);

// A surface grid after FitSurface: the fit, and which cells are drawn.
struct FittedSurface {
  SurfaceFit fit;
  int nMesh = 0;
  std::vector<std::uint8_t> drawn;  // 1 per cell, at j * N + i

  // The cell between columns j, j+1 and rows i, i+1 (the surface layout's
  // indices, as in GridIndex).
  bool CellDrawn(int j, int i) const {
    return drawn[static_cast<std::size_t>(j) * static_cast<std::size_t>(nMesh) +
                 static_cast<std::size_t>(i)] != 0;
  }
};

// Fits a surface grid sampled with FitSampling(gridSpec): marks the cells by
// SurfaceFit::CellDrawn, then replaces every height by fit.Height(value). A
// cell whose fitted height overflows float is not drawn either. Nothing, and
// the grid untouched, when no height is finite or the grid does not have the
// surface layout of gridSpec.nMesh.
std::optional<FittedSurface> FitSurface(std::vector<float>& grid, const GridSpec& gridSpec);

// The grid a picture of a style is drawn from: the contour layout for contour
// lines, the surface layout for the mesh and the solids. With fit it is
// sampled with FitSampling and fitted as every fitted picture is, so that the
// drawing thread, the SVG writer, the mesh export and orvex-cli sample agree.
struct PictureGrid {
  std::vector<float> values;
  GridExtents extents;                   // as sampled
  std::optional<SurfaceFit> fit;         // with fit, unless no value was finite
  std::optional<FittedSurface> surface;  // a fitted surface: its fit and its cells
};
// False when stopped part-way; the grid is not fitted then. May throw
// std::bad_alloc, as the samplers do.
bool SamplePictureGrid(int style, const GridSpec& gridSpec, const CFormula& formula, bool fit,
                       const RunSignals& runSignals, PictureGrid& out);
