#include "core/NumericEntry.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr std::size_t kReadLimit = 31;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The text without the blanks around it, or false when nothing is left.
bool Trim(std::string_view text, std::string_view* core) {
  text = text.substr(0, kReadLimit);
  std::size_t begin = 0;
  while (begin < text.size() && IsBlank(text[begin])) ++begin;
  std::size_t end = text.size();
  while (end > begin && IsBlank(text[end - 1])) --end;
  *core = text.substr(begin, end - begin);
  return !core->empty();
}

// sign, digits, and with fraction also a point with more digits and an
// exponent; at least one digit before the exponent: "5", "-.5", "5.", "1e-3".
bool IsDecimal(std::string_view s, bool fraction) {
  std::size_t k = 0;
  if (k < s.size() && (s[k] == '+' || s[k] == '-')) ++k;
  std::size_t digits = 0;
  while (k < s.size() && IsDigit(s[k])) ++k, ++digits;
  if (fraction && k < s.size() && s[k] == '.') {
    ++k;
    while (k < s.size() && IsDigit(s[k])) ++k, ++digits;
  }
  if (digits == 0) return false;
  if (fraction && k < s.size() && (s[k] == 'e' || s[k] == 'E')) {
    ++k;
    if (k < s.size() && (s[k] == '+' || s[k] == '-')) ++k;
    std::size_t exponent = 0;
    while (k < s.size() && IsDigit(s[k])) ++k, ++exponent;
    if (exponent == 0) return false;
  }
  return k == s.size();
}

// A plain decimal number ("12", "0.009") in the "C" locale: a window sets the
// process locale from the environment, and "1.5" must not read differently
// under a decimal comma.
double ReadDecimal(const std::string& text) {
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
  return strtod_l(text.c_str(), nullptr, cLocale);
}

std::string WithLimits(const char* pattern, const std::string& low, const std::string& high) {
  std::string message = pattern;
  message.replace(message.find("%1"), 2, low);
  message.replace(message.find("%2"), 2, high);
  return message;
}

}  // namespace

bool ParseEntryDouble(std::string_view text, double* value) {
  std::string_view core;
  if (!Trim(text, &core) || !IsDecimal(core, true)) return false;
  const double parsed = ReadDecimal(std::string(core));
  if (parsed == 0.0 && core[0] != '0') return false;
  *value = parsed;
  return true;
}

bool ParseEntryInt(std::string_view text, int* value) {
  std::string_view core;
  if (!Trim(text, &core) || !IsDecimal(core, false)) return false;
  const std::string copy(core);
  errno = 0;
  const long long parsed = std::strtoll(copy.c_str(), nullptr, 10);
  if (parsed == 0 && core[0] != '0') return false;
  *value = parsed > INT_MAX ? INT_MAX : parsed < INT_MIN ? INT_MIN : static_cast<int>(parsed);
  return true;
}

EntryFault CheckEntry(std::string_view text, const NumericField& field, double* value,
                      std::string* message) {
  if (field.integer) {
    int parsed = 0;
    if (!ParseEntryInt(text, &parsed)) {
      *message = "整数を入力してください。";
      return EntryFault::NotANumber;
    }
    if (parsed < field.low || parsed > field.high) {
      char low[32];
      char high[32];
      std::snprintf(low, sizeof low, "%lu", static_cast<unsigned long>(field.low));
      std::snprintf(high, sizeof high, "%lu", static_cast<unsigned long>(field.high));
      *message = WithLimits("%1 から %2 までの整数を入力してください。", low, high);
      return EntryFault::OutOfRange;
    }
    *value = parsed;
    return EntryFault::None;
  }
  double parsed = 0.0;
  if (!ParseEntryDouble(text, &parsed)) {
    *message = "数字を入力してください。";
    return EntryFault::NotANumber;
  }
  if (!(parsed >= field.low && parsed <= field.high) && !(field.zeroAllowed && parsed == 0.0)) {
    *message = WithLimits("%1 から %2 までの数字を入力してください。", FormatEntryDouble(field.low),
                          FormatEntryDouble(field.high));
    return EntryFault::OutOfRange;
  }
  *value = parsed;
  return EntryFault::None;
}

bool EntryCanBecomeValid(std::string_view text, const NumericField& field) {
  if (text.size() >= kReadLimit) return false;
  std::size_t k = 0;
  while (k < text.size() && IsBlank(text[k])) ++k;
  // A sign can still come first while nothing else has.
  const bool signTyped = k < text.size() && (text[k] == '+' || text[k] == '-');
  const bool negative = signTyped && text[k] == '-';
  if (signTyped) ++k;
  const std::size_t intBegin = k;
  while (k < text.size() && IsDigit(text[k])) ++k;
  const std::string intDigits(text.substr(intBegin, k - intBegin));
  const bool point = k < text.size() && text[k] == '.' && !field.integer;
  if (point) ++k;
  const std::size_t fracBegin = k;
  while (k < text.size() && IsDigit(text[k])) ++k;
  const std::size_t fracDigits = k - fracBegin;
  // Anything else (a blank after the number, a second sign or point) ends it.
  if (k != text.size()) return false;
  // The typed digits and the number one unit of their last digit above,
  // both read as the parser reads them ("0.009" and "0.010"), so that a
  // bound is met exactly or not at all.
  std::string digits = intDigits.empty() ? "0" : intDigits;
  if (point) digits += "." + std::string(text.substr(fracBegin, fracDigits));
  std::string next = digits;
  bool carry = true;
  for (auto it = next.rbegin(); carry && it != next.rend(); ++it) {
    if (*it == '.') continue;
    carry = *it == '9';
    *it = carry ? '0' : static_cast<char>(*it + 1);
  }
  if (carry) next.insert(next.begin(), '1');
  const double value = ReadDecimal(digits);
  const double above = ReadDecimal(next);
  // The magnitudes typing can reach, as ranges [low, high): more fraction
  // digits stay within the last one's step; without a point, a point or
  // more integer digits may follow.
  const double limit = std::max(std::fabs(field.low), std::fabs(field.high));
  const auto reaches = [&](double low, double high) {
    const auto meets = [&](double sign) {
      const double a = sign > 0 ? low : -high;
      const double b = sign > 0 ? high : -low;
      // The open end of a range is never reached, the closed one may be.
      return sign > 0 ? (a <= field.high && b > field.low) : (b >= field.low && a < field.high);
    };
    if (signTyped) return meets(negative ? -1.0 : 1.0);
    return meets(1.0) || (intDigits.empty() && !point && meets(-1.0));
  };
  if (point || !intDigits.empty()) {
    if (reaches(value, above)) return true;
    if (point) return false;
  }
  if (intDigits.empty() || value == 0.0) return reaches(0.0, HUGE_VAL);
  for (double scale = 10.0; value * scale <= limit; scale *= 10.0) {
    if (reaches(value * scale, (value + 1.0) * scale)) return true;
  }
  return false;
}

std::string FormatEntryDouble(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*g", 15, value);
  return text;
}

std::string MaxCharsMessage(int maxBytes) {
  // One whole text with its place for the number, as a translation needs it.
  std::string message = "%1 文字以内で入力してください。";
  message.replace(message.find("%1"), 2, std::to_string(maxBytes));
  return message;
}
