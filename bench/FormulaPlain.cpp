// Built with -fno-builtin and -ffp-contract=off (see CMakeLists.txt): pow must
// stay a library call and nothing may be fused, or the values would differ
// from the formula engine's.
#include <math.h>

#include "FormulaPlain.h"

namespace {

double Divide(double a, double b, double zeroByZero) {
  if (!(b == 0.0 || isnan(b))) return a / b;
  if (a == 0.0 || isnan(a)) return zeroByZero;
  return a > 0.0 ? 1.7976931348623157e308 : -1.7976931348623157e308;
}

}  // namespace

double DefaultFormulaPlain(double x, double y, double zeroByZero) {
  return Divide(sin(sqrt(pow(x, 2.0) + pow(y, 2.0))), sqrt(pow(x, 2.0) + pow(y, 2.0)), zeroByZero);
}

double HeavyFormulaPlain(double x, double y, double zeroByZero) {
  // The unary minus reads as (0 - 1) * x; the additions group from the left.
  const double gauss = exp(Divide(pow((0.0 - 1.0) * x, 2.0), 10.0, zeroByZero));
  return sin(x) * cos(y) + gauss * log(pow(y, 2.0) + 1.0) + atan(x * y) +
         sqrt(pow(x, 2.0) + pow(y, 2.0));
}

std::vector<double> DefaultGridCoordinates() {
  constexpr int N = 500;
  constexpr double R = 12.0;
  const auto s = static_cast<float>(R / (N / 2));
  std::vector<double> coordinates;
  for (int k = 0; k <= N; ++k) {
    coordinates.push_back(static_cast<float>(static_cast<float>(k - N / 2) * s));
  }
  return coordinates;
}
