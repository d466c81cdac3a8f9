// How orvex-cli writes numbers: non-finite values as the words nan, inf and -inf
// (printf would write "-nan" for a NaN with its sign bit set), others with %.Ng.
#pragma once

#include <cstdio>

void PrintNumber(std::FILE* out, double value, int significantDigits);
