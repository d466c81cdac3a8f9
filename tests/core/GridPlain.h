// The grid sampling the optimised sampler stands in for, kept as its
// reference: one call of a function per point, rows in order, the progress
// counted as each row starts, the state tested at every point, the extents
// taken point by point. The production sampler must give the same grid, bit
// for bit, when the function is EvaluateFormula. The function sees the
// points moved to the window's centre, the grid holds them as the model has them.
#pragma once

#include <functional>
#include <vector>

#include "core/Formula.h"
#include "core/Grid.h"

using PointFunction = std::function<double(double x, double y)>;

bool SampleSurfacePlain(const GridSpec& gridSpec, const PointFunction& f, const RunSignals& signals,
                        std::vector<float>& grid, GridExtents& extents);
bool SampleContourPlain(const GridSpec& gridSpec, const PointFunction& f, const RunSignals& signals,
                        std::vector<float>& grid, GridExtents& extents);

// The formula through EvaluateFormula with the grid's 0/0 value.
PointFunction EvaluatingFunction(CFormula& formula, const GridSpec& gridSpec);
