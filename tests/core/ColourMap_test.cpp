// Colour maps: published colours at the ends and the middle, clamping and
// NaN, lightness that grows evenly along the perceptual maps, the contour
// map against the contour lines' colours, and the names.
#include "core/ColourMap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "core/Contour.h"

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// CIE L* of an sRGB colour (D65 white): 0 black, 100 white.
double Lightness(const std::array<float, 3>& rgb) {
  auto linear = [](double c) {
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  const double y = 0.2126 * linear(rgb[0]) + 0.7152 * linear(rgb[1]) + 0.0722 * linear(rgb[2]);
  return y > 216.0 / 24389.0 ? 116.0 * std::cbrt(y) - 16.0 : y * 24389.0 / 27.0;
}

TEST(ColourMapTest, PublishedColoursAtTheEndsAndTheMiddle) {
  // From the published 256-entry tables; t = 0.5 lies halfway between
  // entries 127 and 128.
  const struct {
    ColourMap map;
    double t;
    float red, green, blue;
  } cases[] = {
      {ColourMap::Viridis, 0.0, 0.267004f, 0.004874f, 0.329415f},
      {ColourMap::Viridis, 0.5, 0.1281485f, 0.565107f, 0.5508925f},
      {ColourMap::Viridis, 1.0, 0.993248f, 0.906157f, 0.143936f},
      {ColourMap::Viridis, 128.0 / 255.0, 0.127568f, 0.566949f, 0.550556f},
      {ColourMap::Cividis, 0.0, 0.0f, 0.135112f, 0.304751f},
      {ColourMap::Cividis, 0.5, 0.486919f, 0.4838845f, 0.470696f},
      {ColourMap::Cividis, 1.0, 0.995737f, 0.909344f, 0.217772f},
      {ColourMap::Turbo, 0.0, 0.18995f, 0.07176f, 0.23217f},
      {ColourMap::Turbo, 0.5, 0.638425f, 0.99097f, 0.236465f},
      {ColourMap::Turbo, 1.0, 0.4796f, 0.01583f, 0.01055f},
      // Clamped to the ends; NaN is the middle.
      {ColourMap::Viridis, -0.5, 0.267004f, 0.004874f, 0.329415f},
      {ColourMap::Cividis, -kInf, 0.0f, 0.135112f, 0.304751f},
      {ColourMap::Turbo, 7.0, 0.4796f, 0.01583f, 0.01055f},
      {ColourMap::Viridis, kInf, 0.993248f, 0.906157f, 0.143936f},
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

TEST(ColourMapTest, ThePublishedMapsRunSmoothlyAndTheirLightnessGrowsEvenly) {
  for (const ColourMap map : {ColourMap::Viridis, ColourMap::Cividis, ColourMap::Turbo}) {
    SCOPED_TRACE(ColourMapName(map));
    const bool perceptual = map != ColourMap::Turbo;
    // L* from one end to the other, spread over the 255 steps between entries.
    const double meanStep = (Lightness(MapColour(map, 1.0)) - Lightness(MapColour(map, 0.0))) / 255;
    if (perceptual) {
      EXPECT_GT(meanStep, 0.25);
    }
    for (int i = 0; i < 255; ++i) {
      SCOPED_TRACE(i);
      const std::array<float, 3> from = MapColour(map, i / 255.0);
      const std::array<float, 3> to = MapColour(map, (i + 1) / 255.0);
      for (int c = 0; c < 3; ++c) ASSERT_LT(std::fabs(to[c] - from[c]), 0.03f);
      if (perceptual) {
        const double step = Lightness(to) - Lightness(from);
        ASSERT_GT(step, 0.5 * meanStep);
        ASSERT_LT(step, 1.5 * meanStep);
      }
    }
  }
}

TEST(ColourMapTest, TheContourMapIsTheContourLinesColours) {
  const float minZ = -2.0f, maxZ = 6.0f;
  for (const double t : {0.0, 0.1, 0.25, 0.4, 0.5, 0.6, 0.75, 0.9, 1.0}) {
    SCOPED_TRACE(t);
    const ContourColour line =
        ContourColourFor(minZ + static_cast<float>(t) * (maxZ - minZ), minZ, maxZ);
    const std::array<float, 3> colour = MapColour(ColourMap::Contour, t);
    EXPECT_FLOAT_EQ(colour[0], line.red);
    EXPECT_FLOAT_EQ(colour[1], line.green);
    EXPECT_FLOAT_EQ(colour[2], line.blue);
  }
}

TEST(ColourMapTest, NamesRoundTripInAnyCaseAndOtherTextIsRefused) {
  for (const ColourMap map : kColourMaps) {
    std::string upper(ColourMapName(map));
    for (char& c : upper) c = static_cast<char>(c - 'a' + 'A');
    EXPECT_EQ(ColourMapFromName(ColourMapName(map)), map) << upper;
    EXPECT_EQ(ColourMapFromName(upper), map) << upper;
  }
  EXPECT_EQ(ColourMapName(ColourMap::Viridis), "viridis");
  EXPECT_EQ(ColourMapName(ColourMap::Cividis), "cividis");
  EXPECT_EQ(ColourMapName(ColourMap::Turbo), "turbo");
  EXPECT_EQ(ColourMapName(ColourMap::Contour), "contour");
  EXPECT_EQ(ColourMapFromName("Turbo"), ColourMap::Turbo);
  for (const char* refused : {"", "jet", "viridi", "viridiss", " turbo", "turbo ", "contour\n"}) {
    EXPECT_FALSE(ColourMapFromName(refused).has_value()) << '"' << refused << '"';
  }
}

}  // namespace
