// What the parameter panel and dialog accept in a numeric field and the
// message for what they refuse; how the rotation buttons, a drag and the wheel
// move the view.
#include "core/NumericEntry.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "core/ViewControl.h"

namespace {

const std::string kNotANumber = "数字を入力してください。";
const std::string kNotAnInteger = "整数を入力してください。";
const std::string kScaleRange = "0.01 から 100 までの数字を入力してください。";
const std::string kAngleRange = "-180 から 180 までの数字を入力してください。";
const std::string kMeshRange = "1 から 500 までの整数を入力してください。";

TEST(NumericEntry, FieldsAcceptTheirNumbersNameWhatIsWrongAndShowFifteenDigits) {
  // Text, field, message ("" = accepted), value.
  const std::tuple<const char*, NumericField, std::string, double> cases[] = {
      {"", kScaleField, kNotANumber, 0},
      {"0", kScaleField, kScaleRange, 0},
      {"0", kContourStepField, "", 0},  // the automatic interval
      {"0.005", kContourStepField, kScaleRange, 0},
      {"0.01", kScaleField, "", 0.01},
      {"100.5", kScaleField, kScaleRange, 0},
      {" \t5  ", kScaleField, "", 5},
      {".5", kScaleField, "", 0.5},
      {"1e999", kScaleField, kScaleRange, 0},
      {"1e-999", kScaleField, kNotANumber, 0},  // reads as zero, not begun with 0
      {".", kScaleField, kNotANumber, 0},
      {"-0", kAngleField, kNotANumber, 0},
      {"-180", kAngleField, "", -180},
      {"181", kAngleField, kAngleRange, 0},
      {"1,5", kAngleField, kNotANumber, 0},
      {"0x10", kScaleField, kNotANumber, 0},
      {"", kMeshField, kNotAnInteger, 0},
      {"500", kMeshField, "", 500},
      {"501", kMeshField, kMeshRange, 0},
      {"12.5", kMeshField, kNotAnInteger, 0},
      {"99999999999999999999", kMeshField, kMeshRange, 0},
      // Only the first 31 characters are read: the rest cannot spoil a number.
      {"5                              x", kScaleField, "", 5},
  };
  for (const auto& [text, field, expected, expectedValue] : cases) {
    SCOPED_TRACE(std::string("'") + text + "'");
    double value = -12345.0;
    std::string message;
    const EntryFault fault = CheckEntry(text, field, &value, &message);
    EXPECT_EQ(message, expected);
    EXPECT_EQ(value, expected.empty() ? expectedValue : -12345.0);
    const bool parseFault = message == kNotANumber || message == kNotAnInteger;
    EXPECT_EQ(fault, message.empty() ? EntryFault::None
                     : parseFault    ? EntryFault::NotANumber
                                     : EntryFault::OutOfRange);
  }
  // Numbers show with fifteen significant digits.
  EXPECT_EQ(FormatEntryDouble(-20.0), "-20");
  EXPECT_EQ(FormatEntryDouble(1.0 / 3.0), "0.333333333333333");
}

// A refused text that typing on can still make acceptable is not answered
// while it is typed: the field with a minimum of 10 is the case where a
// valid number's first digit is below the minimum.
TEST(NumericEntry, ATextIsOnItsWayToANumberOnlyWhenKeysAtItsEndCanMakeItOne) {
  const NumericField tens{false, 10.0, 20.0};
  const std::tuple<const char*, NumericField, bool> cases[] = {
      {"", kScaleField, true},     {"0.0", kScaleField, true},     {"0.00", kScaleField, false},
      {"-", kScaleField, false},   {"-", kAngleField, true},       {"+", kScaleField, true},
      {"100.", kScaleField, true}, {"100.01", kScaleField, false}, {"1", tens, true},
      {"3", tens, false},          {"0", kMeshField, true},        {"501", kMeshField, false},
      {"12.", kMeshField, false},  {"-18", kAngleField, true},     {"-181", kAngleField, false},
      {"1-", kAngleField, false},  {"5 ", kScaleField, false},     {"1e", kScaleField, false},
  };
  for (const auto& [text, field, can] : cases) {
    EXPECT_EQ(EntryCanBecomeValid(text, field), can) << '"' << text << '"';
  }
}

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

}  // namespace
