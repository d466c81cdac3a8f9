// How the rotation buttons, a drag and the wheel move the view.
#include "core/ViewControl.h"

#include <gtest/gtest.h>

#include <tuple>

TEST(ViewControl, TurnsWrapOnlyPastTheSideTheyMoveTo) {
  // angle, step or drag pixels, the button's result, the drag's result
  const std::tuple<double, double, double, double> cases[] = {
      {30.0, 5.0, 35.0, 32.5},       {178.0, 5.0, -177.0, 180.5 - 360.0},
      {-178.0, -5.0, 177.0, 179.5},  {180.0, 0.0, 180.0, 180.0},
      {-180.0, 0.0, -180.0, -180.0}, {175.0, 5.0, 180.0, 177.5},  // 180 itself stays
      {200.0, -5.0, 195.0, 197.5},  // outside the range (a damaged file): no jump
  };
  for (const auto& [angle, step, turned, dragged] : cases) {
    SCOPED_TRACE(angle);
    EXPECT_EQ(TurnAngle(angle, step), turned);
    EXPECT_EQ(DragAngle(angle, static_cast<int>(step)), dragged);
  }
  // Half a degree per pixel, and never more than half a turn per move.
  EXPECT_EQ(DragAngle(0.0, 100), 50.0);
  EXPECT_EQ(DragAngle(10.0, 5000), -170.0);
  EXPECT_EQ(DragAngle(10.0, -5000), -170.0);
}

TEST(ViewControl, TheWheelZoomsByAQuarterPerNotchBetweenAQuarterAndEight) {
  const std::tuple<double, double, double> cases[] = {
      {1.0, 1.0, 1.25},   {1.0, -1.0, 0.8},   {1.0, 0.5, 1.118033988749895},
      {1.0, 40.0, 8.0},   {1.0, -40.0, 0.25}, {8.0, 1.0, 8.0},
      {0.25, -1.0, 0.25},
  };
  for (const auto& [zoom, notches, result] : cases) {
    SCOPED_TRACE(notches);
    EXPECT_DOUBLE_EQ(ZoomBy(zoom, notches), result);
  }
}
