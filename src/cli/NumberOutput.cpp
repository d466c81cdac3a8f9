#include "cli/NumberOutput.h"

#include <cmath>

void PrintNumber(std::FILE* out, double value, int significantDigits) {
  if (std::isnan(value)) {
    std::fputs("nan", out);
  } else if (std::isinf(value)) {
    std::fputs(value > 0 ? "inf" : "-inf", out);
  } else {
    std::fprintf(out, "%.*g", significantDigits, value);
  }
}
