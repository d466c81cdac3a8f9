// The numbers typed into the parameter panel and the parameter dialog: how a
// field's text is read, how a value is shown, and the message for a text that
// is not acceptable. Both places check with these, so they agree on every text.
#pragma once

#include <limits>
#include <string>
#include <string_view>

// One numeric field: a double or an integer, and its inclusive limits.
struct NumericField {
  bool integer = false;
  double low = 0.0;
  double high = 0.0;
  // 0 is taken besides low..high: the contour interval's "automatic".
  bool zeroAllowed = false;
};

// The fields of the parameter set that are typed in.
inline constexpr NumericField kAngleField{false, -180.0, 180.0};
inline constexpr NumericField kScaleField{false, 0.01,
                                          100.0};  // range, Z coefficient, contour interval
inline constexpr NumericField kMeshField{true, 1.0, 500.0};
inline constexpr NumericField kContourStepField{false, 0.01, 100.0, true};
// The window's centre in x or y: any finite number.
inline constexpr NumericField kCentreField{false, std::numeric_limits<double>::lowest(),
                                           std::numeric_limits<double>::max()};

// A decimal number with blanks (space, tab) around it and nothing else:
// ".5" is 0.5, "+5" is 5, "1e2" is 100. Only the first 31 characters count. A
// value of exactly zero counts only when the text begins with the digit 0, so
// "-0", "+0" and ".0" are refused. No hexadecimal, "inf" or "nan", whatever
// the C library would accept; a decimal comma never counts.
bool ParseEntryDouble(std::string_view text, double* value);
// The same for a base-10 integer; "12.5" is refused. A number beyond the int
// range reads as the nearest int, which the limits then refuse.
bool ParseEntryInt(std::string_view text, int* value);

enum class EntryFault {
  None,
  NotANumber,  // "数字を入力してください。" or "整数を入力してください。"
  OutOfRange,  // "%1 から %2 までの数字を入力してください。" or "...までの整数を入力してください。"
};
// Checks text for field: on None, *value holds the number; otherwise *message
// holds the text to show.
EntryFault CheckEntry(std::string_view text, const NumericField& field, double* value,
                      std::string* message);

// Whether keys typed at the end of a text the field refuses could still make
// it acceptable: "", "-", "0", "0." and "." in the range field, "1" in a
// field whose minimum is 10. False for a text no typing can mend ("3211" in
// the mesh count, "-" where no value is negative, "1-"), and for an
// acceptable one. Only the keys a numeric field passes count (no exponent).
bool EntryCanBecomeValid(std::string_view text, const NumericField& field);

// How a field shows a double: "%.*g" at 15 significant digits (12, 0.05).
std::string FormatEntryDouble(double value);

// "128 文字以内で入力してください。" for a text over maxBytes.
std::string MaxCharsMessage(int maxBytes);
