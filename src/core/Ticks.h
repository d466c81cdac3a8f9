// Nice numbers for the scales of a picture: the ticks of an axis or of the
// colour bar (steps of 1, 2 or 5 x 10^k, a common factor for very large and
// very small values), the automatic contour interval, and the number texts.
// All texts are locale-independent ASCII ('-' for minus, '.' for the point),
// whatever setlocale the program made, except the factor's multiplication
// sign (kTimesSign, UTF-8).
#pragma once

#include <string>
#include <vector>

// U+00D7 MULTIPLICATION SIGN in UTF-8, in the factor text "×10^5".
inline constexpr char kTimesSign[] = "\xC3\x97";

struct NiceTicks {
  // 1, 2 or 5 x 10^k; 0 when the interval is one value (then `values` holds
  // that value alone) or nothing could be made (then `values` is empty).
  double step = 0.0;
  // The multiples of step within the interval, ascending; each is formed as
  // an integer times the step's digits and one power of ten, so 0.3 is the
  // double nearest 0.3, and 0 is exactly 0.
  std::vector<double> values;
  // The labels show value / 10^exponent with this many digits after the
  // point: the fewest that tell the ticks apart.
  int decimals = 0;
  // 0 unless the largest tick's magnitude is 1e5 or more or below 1e-4; then
  // the power of ten of that magnitude (labels "-1", "0", "1" and the factor
  // "×10^7" for ticks -1e7, 0, 1e7).
  int exponent = 0;

  // "2.5", "-0.005", "0" (never "-0").
  std::string Label(double value) const;
  // "×10^5", "×10^-6"; empty when exponent is 0.
  std::string FactorText() const;
};

// The ticks of [lo, hi] with the smallest step whose multiples within the
// interval are at most maxCount (>= 1). A reversed interval is taken as
// [hi, lo]. One value (lo == hi, or hi - lo below 1e-12 of their magnitude)
// gives that value as the only tick, with up to 4 significant digits. Nothing
// (an empty NiceTicks) for a non-finite end or width, or maxCount < 1.
// Examples: [0, 1] at most 5 -> 0, 0.5, 1; at most 6 -> 0, 0.2, ..., 1;
// [-1e-6, 1e-6] at most 5 -> -1, -0.5, 0, 0.5, 1 times 10^-6.
NiceTicks MakeNiceTicks(double lo, double hi, int maxCount);

// The contour interval for "automatic" (an interval of 0): the step of
// 1, 2 or 5 x 10^k nearest (on a log scale) to |hi - lo| / 20, so that the
// levels over [lo, hi] are about 20 (13 to 32). For lo == hi the step of
// |lo| / 20, or 1 when lo is 0; 0 when lo or hi is not finite.
double AutoContourStep(double lo, double hi);

// The 1, 2 or 5 x 10^k nearest to x (> 0) on a log scale: 0.3 -> 0.2, 0.4 -> 0.5.
double NiceStepNear(double x);

// A new slider for a formula parameter at value: -10..10 for 0 and 1, else
// symmetric out to the 1-2-5 number past |value| (37 -> -50..50); the step
// the 1-2-5 value nearest a 200th of the range.
struct SliderRange {
  double min = -10.0, max = 10.0, step = 0.1;
};
SliderRange SliderRangeFor(double value);

// The value with exactly `decimals` digits after the point (0..30), "-0.0"
// written "0.0".
std::string FormatFixed(double value, int decimals);

// The value with up to `digits` significant digits (1..17), trailing zeros
// dropped, in exponent form "1.235e-6" / "1e7" outside 1e-4..1e`digits`, as
// printf's %g but with the exponent's sign and leading zeros dropped where
// they add nothing ("1e7", "1.2e-6"). "inf", "-inf", "nan" as they are.
std::string FormatSignificant(double value, int digits);
