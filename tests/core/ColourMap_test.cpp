// Colour maps: one published entry or two per table to show the table wired,
// the interpolation between entries, clamping and NaN, the contour map against
// the contour lines' colours, and the names.
#include "core/ColourMap.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "core/Contour.h"

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

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

TEST(ColourMapTest, TheContourMapIsTheContourLinesColours) {
  const float minZ = -2.0f, maxZ = 6.0f;
  for (const double t : {0.0, 0.25, 0.6, 1.0}) {
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
  const std::pair<ColourMap, std::string> names[] = {{ColourMap::Viridis, "viridis"},
                                                     {ColourMap::Cividis, "CIVIDIS"},
                                                     {ColourMap::Turbo, "Turbo"},
                                                     {ColourMap::Contour, "contour"}};
  for (const auto& [map, name] : names) {
    EXPECT_EQ(ColourMapFromName(name), map) << name;
    EXPECT_EQ(ColourMapFromName(ColourMapName(map)), map) << name;
  }
  EXPECT_EQ(ColourMapName(ColourMap::Cividis), "cividis");
  for (const char* refused : {"", "jet", "viridi", "viridiss", " turbo"}) {
    EXPECT_FALSE(ColourMapFromName(refused).has_value()) << '"' << refused << '"';
  }
}

}  // namespace
