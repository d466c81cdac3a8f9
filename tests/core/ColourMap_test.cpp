// Colour maps: one published entry or two per table to show the table wired,
// the interpolation between entries, clamping and NaN.
#include "core/ColourMap.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

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

}  // namespace
