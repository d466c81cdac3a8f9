#include "core/NumericEntry.h"

#include <cerrno>
#include <climits>
#include <clocale>
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
  // The "C" locale: a window sets the process locale from the environment,
  // and "1.5" must not read differently under a decimal comma.
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
  const std::string copy(core);
  const double parsed = strtod_l(copy.c_str(), nullptr, cLocale);
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
  if (!(parsed >= field.low && parsed <= field.high)) {
    *message = WithLimits("%1 から %2 までの数字を入力してください。", FormatEntryDouble(field.low),
                          FormatEntryDouble(field.high));
    return EntryFault::OutOfRange;
  }
  *value = parsed;
  return EntryFault::None;
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
