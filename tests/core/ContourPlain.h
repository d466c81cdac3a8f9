// The walk the contour builder stands in for, kept as its reference: every
// cell and every level from lo to hi, the level's colour for each whether
// crossed or not, then the cell's segments; the state is tested at every cell
// and level. The builder must draw exactly its picture, with far fewer colour
// commands.
#pragma once

#include <vector>

#include "core/Contour.h"

bool BuildContourPlain(const std::vector<float>& grid, const GridSpec& gridSpec,
                       const GridExtents& extents, float step, const RunSignals& signals,
                       ContourSink& sink);
