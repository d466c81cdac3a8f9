#include "cli/Numbers.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

// strtod and strtol skip leading blanks; a value with them is refused like one
// with trailing text, so " 1" and "1 " fail alike.
bool StartsCleanly(const std::string& text) {
  return !text.empty() && !std::isspace(static_cast<unsigned char>(text[0]));
}

}  // namespace

bool ParseDouble(const std::string& text, double* value) {
  if (!StartsCleanly(text)) return false;
  char* end = nullptr;
  errno = 0;
  const double parsed = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || (errno == ERANGE && std::isinf(parsed))) return false;
  *value = parsed;
  return true;
}

bool ParseInt(const std::string& text, int* value) {
  if (!StartsCleanly(text)) return false;
  char* end = nullptr;
  errno = 0;
  const long parsed = std::strtol(text.c_str(), &end, 10);
  if (end != text.c_str() + text.size() || errno == ERANGE ||
      parsed < std::numeric_limits<int>::min() || parsed > std::numeric_limits<int>::max()) {
    return false;
  }
  *value = static_cast<int>(parsed);
  return true;
}

void PrintNumber(std::FILE* out, double value, int significantDigits) {
  if (std::isnan(value)) {
    std::fputs("nan", out);
  } else if (std::isinf(value)) {
    std::fputs(value > 0 ? "inf" : "-inf", out);
  } else {
    std::fprintf(out, "%.*g", significantDigits, value);
  }
}
