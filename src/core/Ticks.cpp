#include "core/Ticks.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace {

// Exact up to 10^22; beyond that as near as pow gets.
double Pow10(int k) {
  static constexpr double kExact[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                      1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  if (k >= 0 && k <= 22) return kExact[k];
  return std::pow(10.0, k);
}

// n x 10^k with one rounding where n and 10^|k| are exact: 3 x 10^-1 is the
// double nearest 0.3, which 3 * 0.1 is not.
double Scaled(double n, int k) { return k >= 0 ? n * Pow10(k) : n / Pow10(-k); }

// The power of ten of a positive magnitude: 10^e <= m < 10^(e+1).
int DecimalExponent(double magnitude) {
  int e = static_cast<int>(std::floor(std::log10(magnitude)));
  if (magnitude >= Scaled(1.0, e + 1)) ++e;
  if (magnitude < Scaled(1.0, e)) --e;
  return e;
}

// Labels of up to 5 digits before the point and no more than 4 zeros after
// it; beyond, the common factor.
int FactorExponent(double magnitude) {
  if (!(magnitude > 0.0) || !std::isfinite(magnitude)) return 0;
  if (magnitude >= 1e5 || magnitude < 1e-4) return DecimalExponent(magnitude);
  return 0;
}

constexpr int kMaxDecimals = 30;

}  // namespace

std::string NiceTicks::Label(double value) const {
  const double mantissa = exponent > 0   ? value / Pow10(exponent)
                          : exponent < 0 ? value * Pow10(-exponent)
                                         : value;
  return FormatFixed(mantissa, decimals);
}

std::string NiceTicks::FactorText() const {
  if (exponent == 0) return {};
  return std::string(kTimesSign) + "10^" + std::to_string(exponent);
}

NiceTicks MakeNiceTicks(double lo, double hi, int maxCount) {
  NiceTicks ticks;
  if (!std::isfinite(lo) || !std::isfinite(hi) || maxCount < 1) return ticks;
  if (lo > hi) std::swap(lo, hi);
  const double span = hi - lo;
  if (!std::isfinite(span)) return ticks;
  const double magnitude = std::max(std::fabs(lo), std::fabs(hi));
  if (span <= 1e-12 * magnitude || span == 0.0) {
    // One value: shown with up to 4 significant digits, trailing zeros cut.
    const double value = lo + span / 2.0;
    ticks.values = {value};
    ticks.exponent = FactorExponent(std::fabs(value));
    if (value != 0.0) {
      const double mantissa = std::fabs(value) / Scaled(1.0, ticks.exponent);
      int decimals = std::clamp(3 - DecimalExponent(mantissa), 0, kMaxDecimals);
      std::string text = FormatFixed(mantissa, decimals);
      while (decimals > 0 && text.back() == '0') {
        --decimals;
        text.pop_back();
      }
      ticks.decimals = decimals;
    }
    return ticks;
  }
  // Below span / (maxCount + 1) every step has more than maxCount multiples
  // in the interval; from there up the ladder 1, 2, 5, 10, ... the first step
  // with few enough is the answer, at most four rungs on.
  int k = DecimalExponent(span / (maxCount + 1));
  static constexpr double kDigits[] = {1.0, 2.0, 5.0};
  // The multiples are counted with a margin of a millionth of a step, so an
  // end that is a multiple but for rounding counts.
  constexpr double kSlack = 1e-6;
  for (int rung = 0;; ++rung) {
    const double digits = kDigits[rung % 3];
    const int power = k + rung / 3;
    const double step = Scaled(digits, power);
    const double first = std::ceil(lo / step - kSlack);
    const double last = std::floor(hi / step + kSlack);
    if (last - first + 1.0 > maxCount) continue;
    ticks.step = step;
    for (double i = first; i <= last; i += 1.0) {
      // Scaled(i * digits, power), but -0 made 0.
      const double value = Scaled(i * digits, power);
      ticks.values.push_back(value == 0.0 ? 0.0 : value);
    }
    double largest = 0.0;
    for (const double v : ticks.values) largest = std::max(largest, std::fabs(v));
    ticks.exponent = FactorExponent(largest > 0.0 ? largest : magnitude);
    // The step's digit is whole, so the labels need the decimals of its power.
    ticks.decimals = std::clamp(ticks.exponent - power, 0, kMaxDecimals);
    return ticks;
  }
}

double AutoContourStep(double lo, double hi) {
  if (!std::isfinite(lo) || !std::isfinite(hi)) return 0.0;
  // Each end divided first, so that -DBL_MAX..DBL_MAX does not overflow.
  double target = std::fabs(hi / 20.0 - lo / 20.0);
  if (target == 0.0) target = std::fabs(lo) / 20.0;
  if (target == 0.0) return 1.0;
  const int k = DecimalExponent(target);
  const double digits = target / Scaled(1.0, k);
  // Nearest on a log scale: the boundaries are the geometric means of
  // neighbouring rungs.
  double step = 0.0;
  if (digits < std::sqrt(2.0)) {
    step = Scaled(1.0, k);
  } else if (digits < std::sqrt(10.0)) {
    step = Scaled(2.0, k);
  } else if (digits < std::sqrt(50.0)) {
    step = Scaled(5.0, k);
  } else {
    step = Scaled(1.0, k + 1);
  }
  // Down among the subnormal numbers the powers of ten run out.
  return step > 0.0 && std::isfinite(step) ? step : target;
}

std::string FormatFixed(double value, int decimals) {
  decimals = std::clamp(decimals, 0, kMaxDecimals);
  // 309 digits of DBL_MAX, a sign, a point and the decimals.
  char buffer[400];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  std::string text(buffer, result.ptr);
  if (text.size() > 1 && text[0] == '-' && text.find_first_not_of("0.", 1) == std::string::npos) {
    text.erase(0, 1);
  }
  return text;
}

std::string FormatSignificant(double value, int digits) {
  digits = std::clamp(digits, 1, 17);
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits);
  std::string text(buffer, result.ptr);
  const std::size_t e = text.find('e');
  if (e == std::string::npos) return text;
  // "e-06" -> "e-6", "e+07" -> "e7".
  const bool negative = text[e + 1] == '-';
  std::string power = text.substr(e + 2);
  power.erase(0, std::min(power.find_first_not_of('0'), power.size() - 1));
  return text.substr(0, e) + "e" + (negative ? "-" : "") + power;
}

double NiceStepNear(double x) {
  if (!(x > 0.0) || !std::isfinite(x)) return 1.0;
  const double power = std::pow(10.0, std::floor(std::log10(x)));
  double best = power;
  for (double digit : {1.0, 2.0, 5.0, 10.0}) {
    if (std::fabs(std::log(digit * power / x)) < std::fabs(std::log(best / x))) {
      best = digit * power;
    }
  }
  return best;
}

SliderRange SliderRangeFor(double value) {
  SliderRange range;
  if (value != 0.0 && value != 1.0 && std::isfinite(value)) {
    // The 1-2-5 number past |value|.
    double power = std::pow(10.0, std::floor(std::log10(std::fabs(value))));
    double end = power;
    for (double digit : {1.0, 2.0, 5.0, 10.0}) {
      end = digit * power;
      if (end > std::fabs(value)) break;
    }
    range.min = -end;
    range.max = end;
  }
  range.step = NiceStepNear((range.max - range.min) / 200.0);
  return range;
}
