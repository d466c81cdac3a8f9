// How orvex-cli reads and writes numbers, in one place for every command.
#pragma once

#include <cstdio>
#include <string>

// The whole text as strtod reads it ("nan" and "inf" included); no blanks
// before or after, and an overflow to infinity is not what was written.
bool ParseDouble(const std::string& text, double* value);
// The whole text as a base-10 int, no blanks, nothing beyond the int range.
bool ParseInt(const std::string& text, int* value);

// Non-finite values as the words nan, inf and -inf (printf would write "-nan"
// for a NaN with its sign bit set), others with %.Ng.
void PrintNumber(std::FILE* out, double value, int significantDigits);
