// Nice ticks for the axes and the colour bar (steps, values, decimals, the
// common factor, their texts), the sliders' ranges, the locale-independent number texts and
// the colour maps: a published entry or two per table, interpolation, clamping and NaN.
#include "core/Ticks.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "core/ColourMap.h"
#include "core/NumericEntry.h"

namespace {

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const std::string kTimesTenTo = "\u00D710^";

TEST(NiceTicksTest, StepsValuesDecimalsAndFactor) {
  // The labels, space-separated. Each value is the double nearest the decimal
  // its label and the factor show (formed as digits x power of ten); a single
  // value for a zero-width interval is that value.
  const struct {
    const char* name;
    double lo, hi;
    int maxCount;
    double step;
    int exponent;
    const char* labels;
  } cases[] = {
      {"reversed", 1, 0, 5, 0.5, 0, "0.0 0.5 1.0"},
      {"the default range", -12, 12, 10, 5, 0, "-10 -5 0 5 10"},
      {"small R", -0.01, 0.01, 5, 0.005, 0, "-0.010 -0.005 0.000 0.005 0.010"},
      {"tiny", -1e-6, 1e-6, 5, 5e-7, -6, "-1.0 -0.5 0.0 0.5 1.0"},
      {"just 1e5", 0, 2e5, 5, 5e4, 5, "0.0 0.5 1.0 1.5 2.0"},
      {"below 1e5", 0, 5e4, 5, 2e4, 0, "0 20000 40000"},
      {"1e-4 is plain", 0, 1e-4, 5, 5e-5, 0, "0.00000 0.00005 0.00010"},
      {"below 1e-4", 0, 5e-5, 5, 2e-5, -5, "0 2 4"},
      {"at most one", 0, 1, 1, 2, 0, "0"},
      {"no multiple inside", 0.3, 0.7, 1, 0.5, 0, "0.5"},
      {"far from zero", 1e6, 1e6 + 1, 5, 0.5, 6, "1.0000000 1.0000005 1.0000010"},
      {"one value", 3.14159, 3.14159, 5, 0, 0, "3.142"},
      {"one value, whole", 2e7, 2e7, 5, 0, 7, "2"},
      {"not finite", 0, kInf, 5, 0, 0, ""},
      {"no count", 0, 1, 0, 0, 0, ""},
      {"width overflows", -DBL_MAX, DBL_MAX, 5, 0, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const NiceTicks ticks = MakeNiceTicks(c.lo, c.hi, c.maxCount);
    EXPECT_DOUBLE_EQ(ticks.step, c.step);
    std::string labels;
    for (const double v : ticks.values) {
      const std::string label = ticks.Label(v);
      labels += (labels.empty() ? "" : " ") + label;
      const std::string decimal = label + "e" + std::to_string(c.exponent);
      EXPECT_EQ(v, c.step == 0 ? c.lo : std::strtod(decimal.c_str(), nullptr)) << label;
      EXPECT_FALSE(std::signbit(v) && v == 0.0) << "-0";
    }
    EXPECT_EQ(labels, c.labels);
    const char* point = std::strchr(c.labels, '.');
    EXPECT_EQ(ticks.decimals, point ? static_cast<int>(std::strcspn(point + 1, " ")) : 0);
    EXPECT_EQ(ticks.exponent, c.exponent);
    EXPECT_EQ(ticks.FactorText(), c.exponent == 0 ? "" : kTimesTenTo + std::to_string(c.exponent));
    EXPECT_LE(ticks.values.size(), static_cast<std::size_t>(std::max(c.maxCount, 0)));
  }
}

// Fixed and significant texts, read and written with points even by a
// program that called setlocale(LC_ALL, "") (QApplication does) in a locale
// with a decimal comma.
TEST(NumberTextTest, FixedAndSignificantWhateverTheLocale) {
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous != nullptr ? previous : "C";
  bool comma = false;
  for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE", "fr_FR"}) {
    comma = comma || std::setlocale(LC_NUMERIC, name) != nullptr;
  }
  // The value, the digits (negative: after the point, fixed; else significant), the text.
  const std::tuple<double, int, std::string> cases[] = {
      {-3.14159, -2, "-3.14"},
      {-0.0001, -2, "0.00"},
      {12346, 4, "1.235e4"},
      {1e7, 4, "1e7"},
      {1.23456e-6, 4, "1.235e-6"},
      {0.0001234, 4, "0.0001234"},
      {0, 4, "0"},
      {-kInf, 4, "-inf"},
  };
  for (const auto& [value, digits, text] : cases) {
    EXPECT_EQ(digits < 0 ? FormatFixed(value, -digits) : FormatSignificant(value, digits), text);
  }
  EXPECT_EQ(FormatFixed(0.3, 40), "0.299999999999999988897769753748");
  EXPECT_EQ(MakeNiceTicks(0, 1, 5).Label(0.5), "0.5");
  EXPECT_EQ(FormatEntryDouble(0.05), "0.05");
  double point = 0.0, decimalComma = 0.0;
  EXPECT_TRUE(ParseEntryDouble("1.5", &point) && point == 1.5);
  EXPECT_FALSE(ParseEntryDouble("1,5", &decimalComma));
  std::setlocale(LC_NUMERIC, saved.c_str());
  if (!comma) GTEST_SKIP() << "no locale with a decimal comma is installed";
}

// A new parameter's slider: -10..10 for the usual 0 and 1, else out to the
// round number past the value; about 200 steps of a round size.
TEST(SliderRangeTest, RoundEndsAndStepsAroundTheValue) {
  const std::tuple<double, double, double> cases[] = {
      {1.0, 10.0, 0.1},  {0.0, 10.0, 0.1},  {37.0, 50.0, 0.5},
      {-3.0, 5.0, 0.05}, {10.0, 20.0, 0.2}, {0.25, 0.5, 0.005},
  };
  for (const auto& [value, end, step] : cases) {
    const SliderRange range = SliderRangeFor(value);
    EXPECT_EQ(std::tuple(range.min, range.max), std::tuple(-end, end)) << value;
    EXPECT_DOUBLE_EQ(range.step, step) << value;
  }
  EXPECT_EQ(NiceStepNear(0.3), 0.2);
  EXPECT_EQ(NiceStepNear(0.4), 0.5);
}

TEST(ColourMapTest, TablesInterpolationClampingAndNaN) {
  const struct {
    ColourMap map;
    double t;
    float red, green, blue;
  } cases[] = {
      {ColourMap::Viridis, 0.0, 0.267004f, 0.004874f, 0.329415f},
      {ColourMap::Viridis, 1.0, 0.993248f, 0.906157f, 0.143936f},
      {ColourMap::Cividis, 1.0, 0.995737f, 0.909344f, 0.217772f},
      {ColourMap::Turbo, 0.0, 0.18995f, 0.07176f, 0.23217f},
      // Halfway between the published entries 127 and 128, then entry 128.
      {ColourMap::Viridis, 0.5, 0.1281485f, 0.565107f, 0.5508925f},
      {ColourMap::Viridis, 128.0 / 255.0, 0.127568f, 0.566949f, 0.550556f},
      // Clamped to the ends; NaN is the middle.
      {ColourMap::Cividis, -kInf, 0.0f, 0.135112f, 0.304751f},
      {ColourMap::Turbo, 7.0, 0.4796f, 0.01583f, 0.01055f},
      {ColourMap::Viridis, kNaN, 0.1281485f, 0.565107f, 0.5508925f},
      {ColourMap::Contour, kNaN, 0.0f, 1.0f, 0.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << ColourMapName(c.map) << " at " << c.t);
    const std::array<float, 3> colour = MapColour(c.map, c.t);
    EXPECT_NEAR(colour[0], c.red, 1e-6);
    EXPECT_NEAR(colour[1], c.green, 1e-6);
    EXPECT_NEAR(colour[2], c.blue, 1e-6);
  }
}

}  // namespace
