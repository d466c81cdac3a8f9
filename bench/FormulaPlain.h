// The benchmarks' baseline: formulas written out in plain C++ with the library
// calls the engine makes, and the default grid's coordinates.
#pragma once

#include <vector>

// "sin ( sqrt ( x^2 + y^2 ) ) / sqrt ( x^2 + y^2 )" written out in C++ with
// the same library calls, compiled without builtins or contraction.
double DefaultFormulaPlain(double x, double y, double zeroByZero);

// "SIN(X)*COS(Y) + EXP(-X^2/10) * LOG(Y^2+1) + ATAN(X*Y) + SQRT(X^2+Y^2)", the
// heavier benchmark formula, written out the same way.
double HeavyFormulaPlain(double x, double y, double zeroByZero);

// The coordinates of the default grid (R = 12, N = 500): (k - N/2) * s with
// s = R / (N/2), formed in float and widened, k = 0..N.
std::vector<double> DefaultGridCoordinates();
