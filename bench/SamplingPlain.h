// The heavier benchmark formula written out in plain C++ (SamplingPlain.cpp is
// built without builtins or contraction, so every call stays a library call).
#pragma once

// "SIN(X)*COS(Y) + EXP(-X^2/10) * LOG(Y^2+1) + ATAN(X*Y) + SQRT(X^2+Y^2)",
// in the formula language's order of operations.
double HeavyFormulaPlain(double x, double y, double zeroByZero);
