// What a presented mesh or contour picture really shows, recovered from its
// depth buffer: the picture's lines and faces are made again from the grid
// it was drawn from, projected with its matrices, and kept where its depths
// say they were seen. No GL here: it works on the Frame alone.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "core/Contour.h"
#include "core/Fit.h"
#include "core/Grid.h"
#include "core/PictureLayout.h"
#include "render/PictureSpace.h"

// Where the shown pieces of the lines go: polylines in window coordinates,
// each in the colour set last. Pieces that meet at a vertex stay one polyline.
class ShownLines {
 public:
  virtual ~ShownLines() = default;
  virtual void Colour(const Rgb& colour) = 0;
  virtual void MoveTo(const WindowPoint& p) = 0;
  virtual void LineTo(const WindowPoint& p) = 0;
};

// The mesh's lines, the rows and columns of the surface grid, clipped to the
// view. depthTest: kept only where the picture shows them; without it (the
// plain mesh hides nothing) all of them. A fitted surface (fitted not null)
// is drawn as the fit drew it: only the edges of the cells drawn, cut at the
// fitted range, and the edges the cut leaves.
void TraceMeshLines(const std::vector<float>& grid, int nMesh, const FittedSurface* fitted,
                    const PictureSpace& space, bool depthTest, ShownLines& out);

// Straight segments in model coordinates (a box's edges, grid lines, tick
// marks) in one colour, kept where the picture shows them when depthTest.
void TraceModelSegments(const std::vector<ModelSegment>& segments, const Rgb& colour,
                        const PictureSpace& space, bool depthTest, ShownLines& out);

// The contour lines of the contour grid, walked as the picture's list was
// (BuildContour, with the fit when the picture had one), in their level
// colours, where the picture shows them.
ContourBuild TraceContourLines(const std::vector<float>& grid, const GridSpec& gridSpec,
                               const GridExtents& extents, float step, const SurfaceFit* fit,
                               const PictureSpace& space, ShownLines& out);

// A cell of the shaded mesh as the picture shows it: the quad, or with a fit
// the part of it the cut leaves.
struct ShownFace {
  double depth;  // of its centre, for the order of drawing
  Rgb colour;    // what the picture shows it in
  std::array<WindowPoint, 8> corners;
  std::size_t count;
};

// The faces of the shaded mesh that the picture shows, farthest first; a
// face the picture shows nowhere (hidden, or all line) is left out. With a
// fit, only the cells drawn, cut to its range.
std::vector<ShownFace> ShadedFaces(const std::vector<float>& grid, int nMesh,
                                   const FittedSurface* fitted, const PictureSpace& space);
