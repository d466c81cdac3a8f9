// The sampled surface as a mesh file for other tools: binary STL (viewers,
// slicers for 3-D printing) and Wavefront OBJ with vertex normals.
//
// Coordinates are the function's own, with z up: (x, y, height), x and y
// where f was sampled (the window's centre added to the grid's), the height
// as the picture draws it (f times the Z coefficient, as the surface grid
// holds it). Each grid cell is two triangles, wound counter-clockwise seen
// from above, so every facet normal points to the side the surface faces up.
// A triangle touching a point whose height is not finite is left out: the
// surface gets a hole there and no NaN or infinity is ever written.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "core/Grid.h"

enum class MeshFormat { Stl, Obj };

struct MeshExportOptions {
  MeshFormat format = MeshFormat::Stl;
  // For 3-D printing: the surface closed by side walls and a flat base below
  // its lowest point into one watertight, outward-facing solid. A surface
  // with a hole cannot be closed and is refused.
  bool closedSolid = false;
  // The heights written are the grid's times this.
  float heightScale = 1.0f;
  // Leaves out the cells (j, i) for which it says false, the cell between
  // grid points (j, i) and (j + 1, i + 1); empty: no cell is left out.
  std::function<bool(int j, int i)> cellDrawn;
};

enum class MeshExportProblem {
  None,
  NoSurface,       // the grid does not fit the mesh count, or no triangle has finite corners
  SolidWithHoles,  // a closed solid asked of a surface with a hole
  BaseOutOfRange,  // no float height lies far enough below the lowest point for the base
  WriteFailed,     // err says why; the old file, if any, is as it was
};

struct MeshExportResult {
  MeshExportProblem problem = MeshExportProblem::None;
  int err = 0;                // errno of a failed write
  std::size_t triangles = 0;  // triangles written
};

// Writes the surface grid (ComputeSurface's layout for gridSpec.nMesh) to
// path through SaveFileStreamed: a refusal or a failed write never leaves a
// part-written file, nor touches an existing one. Memory beyond the grid:
// none for STL, an index and a normal per grid point for OBJ.
MeshExportResult ExportMesh(const std::string& path, const GridSpec& gridSpec,
                            const std::vector<float>& grid, const MeshExportOptions& options);

// Samples f on gridSpec's grid and writes the surface, as ExportMesh does.
// With fit, the heights are fitted as the picture's are (core/Fit.h), the
// cells a pole runs through are left out, and heights beyond the fitted range
// are held at its ends, where the picture cuts the surface: a cut that keeps
// a closed solid closed. May throw std::bad_alloc.
MeshExportResult ExportSurface(const std::string& path, const GridSpec& gridSpec,
                               const CFormula& formula, bool fit, MeshExportOptions options);

// The triangles a full grid of mesh count n gives: 2 n^2, and for the closed
// solid 8 n more in the walls and 4 n in the base.
std::size_t MeshTriangleCount(int nMesh, bool closedSolid);
