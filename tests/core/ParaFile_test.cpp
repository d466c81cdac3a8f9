#include "core/ParaFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ParaFileTestUtil.h"

namespace {

using Buf = std::vector<std::uint8_t>;

Buf Hex(const std::string& hex) {
  Buf bytes;
  std::string digits;
  for (char c : hex)
    if (c != ' ') digits += c;
  for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
    bytes.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
  return bytes;
}

Buf Cat(Buf a, const Buf& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

constexpr std::size_t kFormulaOffset = 71;
const Buf kTail = Hex("0000000000 00F03F 00000000 00000000");  // 0/0 = 1.0, style 0, background 0

// The default set as a file, written out by hand.
Buf DefaultFile() {
  return Cat(
      Cat(Hex("FFFF 0001 0900 43 50 61 72 61 44 61 74 61"  // new class CParaData, schema 0x0100
              "0000000000 0034C0 0000000000 003E40"        // -20.0, 30.0
              "0000000000 002840 0000000000 002640"        // 12.0, 11.0
              "20000000 01000000 01000000 01000000"        // mesh 32, three switches on
              "9A99999999 99A93F 2F"),                     // 0.05, formula length 47
          Bytes("sin ( sqrt ( x^2 + y^2 ) ) / sqrt ( x^2 + y^2 )")),
      kTail);
}

// The default file with its formula slot replaced by raw string bytes.
Buf WithFormulaSlot(const Buf& slot) {
  Buf bytes = DefaultFile();
  bytes.resize(kFormulaOffset);
  return Cat(Cat(bytes, slot), kTail);
}

Buf Utf16Le(const std::u16string& text) {
  Buf bytes;
  for (char16_t unit : text)
    bytes.insert(bytes.end(), {std::uint8_t(unit & 0xFF), std::uint8_t(unit >> 8)});
  return bytes;
}

void ExpectRefused(const Buf& bytes) {
  CParaData para = SentinelSet();
  EXPECT_FALSE(LoadParaData(bytes, para));
  ExpectSameSet(para, SentinelSet());
}

TEST(ParaFileFormat, DefaultSetIsTheKnown135BytesAndRoundTrips) {
  EXPECT_EQ(StoreParaData(CParaData()), DefaultFile());
  ASSERT_EQ(DefaultFile().size(), 135u);
  CParaData para = SentinelSet();
  ASSERT_TRUE(
      LoadParaData(Cat(DefaultFile(), Hex("FFFF 0001 DEADBEEF")), para));  // trailing bytes ignored
  ExpectSameSet(para, CParaData());
  CParaData loaded;
  ASSERT_TRUE(LoadParaData(StoreParaData(SentinelSet()), loaded));
  ExpectSameSet(loaded, SentinelSet());
}

TEST(ParaFileFormat, StringLengthTakesTheShortestForm) {
  const struct {
    std::size_t length;
    const char* prefix;
  } cases[] = {{0, "00"},
               {254, "FE"},
               {255, "FF FF00"},
               {0xFFFD, "FF FDFF"},
               {0xFFFE, "FF FFFF FEFF0000"},
               {0x10000, "FF FFFF 00000100"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    CParaData para;
    para.m_strFormula = std::string(c.length, 'x');
    const Buf bytes = StoreParaData(para);
    const Buf prefix = Hex(c.prefix);
    ASSERT_EQ(bytes.size(), kFormulaOffset + prefix.size() + c.length + 16);
    EXPECT_EQ(Buf(bytes.begin() + kFormulaOffset, bytes.begin() + kFormulaOffset + prefix.size()),
              prefix);
    CParaData loaded;
    ASSERT_TRUE(LoadParaData(bytes, loaded));
    ExpectSameSet(loaded, para);
  }
}

TEST(ParaFileFormat, LongerLengthFormsAndWideStringsAreRead) {
  const struct {
    Buf slot;
    std::string formula;
  } cases[] = {
      {Hex("FF 0300 782B79"), "x+y"},
      {Hex("FF FFFF 03000000 782B79"), "x+y"},
      {Hex("FF FEFF 00"), ""},
      {Cat(Hex("FF FEFF 04"), Utf16Le(u"計算式x")), "\xE8\xA8\x88\xE7\xAE\x97\xE5\xBC\x8Fx"},
      {Cat(Hex("FF FEFF 02"), Utf16Le(u"ｼｪ")), "\xEF\xBD\xBC\xEF\xBD\xAA"},
      {Cat(Hex("FF FEFF FF 2C01"), Utf16Le(std::u16string(300, u'y'))), std::string(300, 'y')},
      {Cat(Hex("FF FEFF FF FFFF 02000000"), Utf16Le(u"xy")), "xy"},
      {Cat(Hex("FF FEFF 02"), Utf16Le(u"\U0001F600")), "\xF0\x9F\x98\x80"},
      {Cat(Hex("FF FEFF 03"), Utf16Le(u"x\xD800y")), "x\xEF\xBF\xBDy"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.formula);
    CParaData para;
    ASSERT_TRUE(LoadParaData(WithFormulaSlot(c.slot), para));
    CParaData expected;
    expected.m_strFormula = c.formula;  // and the fields after it read from the right offset
    ExpectSameSet(para, expected);
  }
}

TEST(ParaFileFormat, ForeignObjectRecordsAreRefused) {
  const Buf full = DefaultFile(), fields(full.begin() + 15, full.end());
  const std::string name = "435061726144617461";
  for (const std::string& header : std::vector<std::string>{
           "0000", "0000 0001 0900" + name, "0180 0001 0900" + name,
           "FF7F 0001 0900" + name,                                                    // tags
           "FFFF 0101 0900" + name, "FFFF 0100 0900" + name, "FFFF 0000 0900" + name,  // schemas
           "FFFF 0001 0900 435061726144617462", "FFFF 0001 0900 637061726164617461",
           "FFFF 0001 0800 4350617261446174", "FFFF 0001 0A00" + name + "00", "FFFF 0001 0000",
           "FFFF 0001 4000" + name + std::string(110, '0'), "FFFF 0001 FFFF" + name}) {
    SCOPED_TRACE(header);
    ExpectRefused(Cat(Hex(header), fields));
  }
}

TEST(ParaFileFormat, EveryTruncationIsRefused) {
  CParaData longFormula;
  longFormula.m_strFormula = std::string(0x10000, 'x');
  for (const Buf& full : {DefaultFile(), WithFormulaSlot(Hex("FF FEFF 03 7800 2B00 7900")),
                          StoreParaData(longFormula)}) {
    for (std::size_t length = 0; length < full.size(); length += (length < 200 ? 1 : 997)) {
      SCOPED_TRACE(length);
      ExpectRefused(Buf(full.begin(), full.begin() + length));
    }
    ExpectRefused(Buf(full.begin(), full.end() - 1));
  }
}

}  // namespace
