// What the parameter panel and dialog accept in a numeric field, and the
// message for what they refuse.
#include "core/NumericEntry.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

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

}  // namespace
