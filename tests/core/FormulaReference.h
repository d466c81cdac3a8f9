// Reference evaluators the compiled formula program is measured against, in
// the tests and in the benchmarks.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "core/Formula.h"

// The string-walking evaluator: every postfix token is looked up in the
// vocabulary by name, every number token is converted again by strtod, and the
// values go through a stack, at every call. The "/" row reads g_zeroByZero.
// Stores the result as the evaluation algorithm does: 0.0 for an empty list,
// the value popped first when values are left over, nothing when an operator
// finds too few values. A token that starts with a letter, is none of the
// words the language had when parameters came (X, Y, PI, the first ten
// functions) and equals a parameter name in any case reads as the first such
// name's value (0.0 past the end of the values), even a word added since.
FormulaStatus OracleEvaluate(const std::vector<std::string>& postfix, double x, double y,
                             double* result, std::span<const std::string> parameterNames = {},
                             std::span<const double> parameterValues = {});
