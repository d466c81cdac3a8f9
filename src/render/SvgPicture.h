// A presented picture of the mesh or the contour style redrawn as an SVG
// vector drawing: every line the picture draws, projected with the matrices
// the picture was drawn with and cut where the picture's depth buffer hides
// it, so the drawing shows the lines the picture shows. No GL here: it works
// on the Frame alone.
#pragma once

#include <string>

#include "core/Formula.h"
#include "core/ParaData.h"
#include "core/ShareData.h"
#include "render/FrameSink.h"

enum class SvgPictureResult {
  Ok,
  SolidStyle,    // styles 1-4 are lit solids, not lines
  NoDepth,       // the frame has no pixels or no depth (a drag's coarse picture)
  NoGrid,        // the grid cannot be sampled: mesh count or memory
  TooManyLines,  // the contour interval is too small for the range of values
};

// para and formula are those of the run that presented the frame (the
// formula compiled from para's); the grid is sampled again, bit for bit as
// the run sampled it. The mesh is drawn as its lines: all of them when the
// picture hides none, else the visible pieces. The shaded mesh also gets its
// faces, each filled in the colour the picture shows it in, farthest first,
// under the lines; a face the picture shows nowhere (hidden, or all line) is
// left out. Contour lines keep their level colours. A fitted picture (frame.fit)
// is drawn as the fit drew it: its heights, no cell a pole runs through, the
// mesh's lines and faces cut at the fitted range with the edges the cut
// leaves, the contour's levels over that range. The run's reading aids
// (options: the box with its axes, the colour bar, the extremes) are laid out
// as the run laid them out on this frame: the box's far faces and grid lines
// behind, its edges where the picture shows them, the numbers as <text> at
// the places the picture has them. *svg is set only on Ok.
SvgPictureResult BuildSvgPicture(const Frame& frame, const CParaData& para, const CFormula& formula,
                                 std::string* svg, const RunOptions& options = {});
