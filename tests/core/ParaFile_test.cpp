#include "core/ParaFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "ParaFileTestUtil.h"

namespace {

std::vector<std::uint8_t> FromHex(const std::string& hex) {
  std::vector<std::uint8_t> bytes;
  std::string digits;
  for (char c : hex) {
    if (c != ' ') digits += c;
  }
  for (std::size_t i = 0; i + 1 < digits.size(); i += 2) {
    bytes.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

// The default set as a file, written out by hand.
std::vector<std::uint8_t> DefaultFile() {
  std::vector<std::uint8_t> bytes = FromHex(
      "FFFF 0001 0900 43 50 61 72 61 44 61 74 61"  // new class CParaData, schema 0x0100
      "0000000000 0034C0"                          // -20.0
      "0000000000 003E40"                          // 30.0
      "0000000000 002840"                          // 12.0
      "0000000000 002640"                          // 11.0
      "20000000 01000000 01000000 01000000"        // mesh 32, three switches on
      "9A99999999 99A93F"                          // 0.05
      "2F");                                       // formula length 47
  const std::string formula = "sin ( sqrt ( x^2 + y^2 ) ) / sqrt ( x^2 + y^2 )";
  bytes.insert(bytes.end(), formula.begin(), formula.end());
  const std::vector<std::uint8_t> tail = FromHex(
      "0000000000 00F03F"  // 0/0 = 1.0
      "00000000 00000000"  // style 0, background 0
  );
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  return bytes;
}

constexpr std::size_t kFormulaOffset = 71;

// The default file with its formula slot replaced by raw string bytes.
std::vector<std::uint8_t> WithFormulaSlot(const std::vector<std::uint8_t>& slot) {
  std::vector<std::uint8_t> bytes = DefaultFile();
  const std::vector<std::uint8_t> tail(bytes.end() - 16, bytes.end());
  bytes.resize(kFormulaOffset);
  bytes.insert(bytes.end(), slot.begin(), slot.end());
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  return bytes;
}

std::vector<std::uint8_t> Utf16Le(const std::u16string& text) {
  std::vector<std::uint8_t> bytes;
  for (char16_t unit : text) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return bytes;
}

std::vector<std::uint8_t> Concat(std::vector<std::uint8_t> a, const std::vector<std::uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

void ExpectRefused(const std::vector<std::uint8_t>& bytes) {
  CParaData para = SentinelSet();
  EXPECT_FALSE(LoadParaData(bytes, para));
  ExpectSameSet(para, SentinelSet());
}

TEST(ParaFileFormat, DefaultSetIsTheKnown135Bytes) {
  const std::vector<std::uint8_t> bytes = StoreParaData(CParaData());
  ASSERT_EQ(bytes.size(), 135u);
  EXPECT_EQ(bytes, DefaultFile());
}

TEST(ParaFileFormat, DefaultFileLoadsAsTheDefaults) {
  CParaData para = SentinelSet();
  ASSERT_TRUE(LoadParaData(DefaultFile(), para));
  ExpectSameSet(para, CParaData());
}

TEST(ParaFileFormat, EveryFieldRoundTripsToItsOwnSlot) {
  const CParaData sentinel = SentinelSet();
  const std::vector<std::uint8_t> bytes = StoreParaData(sentinel);
  // mesh at 47 and the style after the formula: file order is not declaration order
  EXPECT_EQ(bytes[47], 77);
  EXPECT_EQ(bytes[kFormulaOffset], 3);
  EXPECT_EQ(bytes[kFormulaOffset + 1 + 3 + 8], STYLE_SILVER);
  EXPECT_EQ(bytes[kFormulaOffset + 1 + 3 + 12], BACK_KEEP);
  CParaData loaded;
  ASSERT_TRUE(LoadParaData(bytes, loaded));
  ExpectSameSet(loaded, sentinel);
}

TEST(ParaFileFormat, BytesAfterTheObjectAreIgnored) {
  CParaData para = SentinelSet();
  ASSERT_TRUE(LoadParaData(Concat(DefaultFile(), FromHex("FFFF 0001 DEADBEEF")), para));
  ExpectSameSet(para, CParaData());
}

TEST(ParaFileFormat, StringLengthTakesTheShortestForm) {
  const struct {
    std::size_t length;
    std::string prefix;
  } cases[] = {
      {0, "00"},
      {1, "01"},
      {254, "FE"},
      {255, "FF FF00"},
      {0x1234, "FF 3412"},
      {0xFFFD, "FF FDFF"},
      {0xFFFE, "FF FFFF FEFF0000"},
      {0x10000, "FF FFFF 00000100"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    CParaData para;
    para.m_strFormula = std::string(c.length, 'x');
    const std::vector<std::uint8_t> bytes = StoreParaData(para);
    const std::vector<std::uint8_t> prefix = FromHex(c.prefix);
    ASSERT_EQ(bytes.size(), kFormulaOffset + prefix.size() + c.length + 16);
    EXPECT_TRUE(std::equal(prefix.begin(), prefix.end(), bytes.begin() + kFormulaOffset));
    CParaData loaded;
    ASSERT_TRUE(LoadParaData(bytes, loaded));
    ExpectSameSet(loaded, para);
  }
}

TEST(ParaFileFormat, LongerLengthFormsAreReadForShortStrings) {
  const std::vector<std::uint8_t> xy = {'x', '+', 'y'};
  for (const char* prefix : {"03", "FF 0300", "FF FFFF 03000000"}) {
    SCOPED_TRACE(prefix);
    CParaData para;
    ASSERT_TRUE(LoadParaData(WithFormulaSlot(Concat(FromHex(prefix), xy)), para));
    EXPECT_EQ(para.m_strFormula, "x+y");
    EXPECT_EQ(para.m_nBackColor, BACK_BLACK);
  }
}

TEST(ParaFileFormat, WideStringsAreReadAsUtf8) {
  const std::u16string longText(300, u'y');
  const struct {
    const char* name;
    std::vector<std::uint8_t> slot;
    std::string formula;
  } cases[] = {
      {"empty", FromHex("FF FEFF 00"), ""},
      {"ascii", Concat(FromHex("FF FEFF 03"), Utf16Le(u"x*y")), "x*y"},
      {"japanese", Concat(FromHex("FF FEFF 04"), Utf16Le(u"計算式x")),
       "\xE8\xA8\x88\xE7\xAE\x97\xE5\xBC\x8F"
       "x"},
      {"halfwidth katakana", Concat(FromHex("FF FEFF 02"), Utf16Le(u"ｼｪ")),
       "\xEF\xBD\xBC\xEF\xBD\xAA"},
      {"16-bit length", Concat(FromHex("FF FEFF FF 2C01"), Utf16Le(longText)),
       std::string(300, 'y')},
      {"32-bit length", Concat(FromHex("FF FEFF FF FFFF 02000000"), Utf16Le(u"xy")), "xy"},
      {"surrogate pair", Concat(FromHex("FF FEFF 02"), Utf16Le(u"\U0001F600")), "\xF0\x9F\x98\x80"},
      {"unpaired surrogate", Concat(FromHex("FF FEFF 03"), Utf16Le(u"x\xD800y")), "x\xEF\xBF\xBDy"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CParaData para;
    ASSERT_TRUE(LoadParaData(WithFormulaSlot(c.slot), para));
    EXPECT_EQ(para.m_strFormula, c.formula);
    // The fields after the string are still read from the right offset.
    EXPECT_EQ(para.m_dZeroByZero, 1.0);
    EXPECT_EQ(para.m_nDrawStyle, STYLE_MESH);
  }
}

TEST(ParaFileFormat, ForeignObjectRecordsAreRefused) {
  const std::vector<std::uint8_t> full = DefaultFile();
  const std::vector<std::uint8_t> fields(full.begin() + 15, full.end());
  const struct {
    const char* name;
    std::string header;
  } cases[] = {
      {"null object", "0000"},
      {"null object then class", "0000 0001 0900 435061726144617461"},
      {"reference to class 1", "0180 0001 0900 435061726144617461"},
      {"big object tag", "FF7F 0001 0900 435061726144617461"},
      {"schema 0x0101", "FFFF 0101 0900 435061726144617461"},
      {"schema 1", "FFFF 0100 0900 435061726144617461"},
      {"schema 0", "FFFF 0000 0900 435061726144617461"},
      {"other class", "FFFF 0001 0900 435061726144617462"},
      {"lower case", "FFFF 0001 0900 637061726164617461"},
      {"prefix of the name", "FFFF 0001 0800 4350617261446174"},
      {"name with terminator", "FFFF 0001 0A00 43506172614461746100"},
      {"empty name", "FFFF 0001 0000"},
      {"name of 64 bytes", "FFFF 0001 4000 435061726144617461" + std::string(110, '0')},
      {"name length 0xFFFF", "FFFF 0001 FFFF 435061726144617461"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectRefused(Concat(FromHex(c.header), fields));
  }
}

TEST(ParaFileFormat, EveryTruncationIsRefused) {
  const std::vector<std::uint8_t> full = DefaultFile();
  for (std::size_t length = 0; length < full.size(); ++length) {
    SCOPED_TRACE(length);
    ExpectRefused(std::vector<std::uint8_t>(full.begin(), full.begin() + length));
  }
}

TEST(ParaFileFormat, TruncatedLongFormsAreRefused) {
  CParaData para;
  para.m_strFormula = std::string(0x10000, 'x');
  const std::vector<std::uint8_t> full = StoreParaData(para);
  // Inside the 7-byte length and at the edges of the text and the fields after it.
  for (std::size_t length : {72u, 73u, 74u, 75u, 76u, 77u, 78u, 79u, 78u + 0x10000u - 1u,
                             78u + 0x10000u, 78u + 0x10000u + 15u}) {
    SCOPED_TRACE(length);
    ExpectRefused(std::vector<std::uint8_t>(full.begin(), full.begin() + length));
  }
  const std::vector<std::uint8_t> wide = WithFormulaSlot(FromHex("FF FEFF 03 7800 2B00 7900"));
  for (std::size_t length = kFormulaOffset; length < wide.size(); ++length) {
    SCOPED_TRACE(length);
    ExpectRefused(std::vector<std::uint8_t>(wide.begin(), wide.begin() + length));
  }
}

}  // namespace
