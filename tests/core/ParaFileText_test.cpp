// The formula's text at the file boundary: UTF-8 in memory, CP932 on disk.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ParaFileTestUtil.h"
#include "core/Cp932.h"
#include "core/ParaFile.h"

namespace {

TEST(ParaFileText, Cp932ConvertsBothWaysAndMarksBadBytes) {
  const struct {
    std::string cp932, utf8;
    bool bothWays;
  } cases[] = {
      {"sin(x)*y^2", "sin(x)*y^2", true},
      {"\x82\xA0\x8C\x76\x8E\x5A", "\xE3\x81\x82\xE8\xA8\x88\xE7\xAE\x97", true},  // あ計算
      {"\xBC\xAA", "\xEF\xBD\xBC\xEF\xBD\xAA", true},                              // ｼｪ
      {"\x5C\x7E", "\\~", true},
      {"\x87\x40", "\xE2\x91\xA0", true},  // circled digit one
      {"x\x81 y", "x\xEF\xBF\xBD y", false},
      {"sin(x)\x82", "sin(x)\xEF\xBF\xBD", false},
      {"\x80x\xFD\xFFy", "\xEF\xBF\xBDx\xEF\xBF\xBD\xEF\xBF\xBDy", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(Cp932ToUtf8(c.cp932), c.utf8);
    if (c.bothWays) {
      EXPECT_EQ(Utf8ToCp932(c.utf8), c.cp932);
    }
  }
  // What CP932 cannot hold, or what is not UTF-8, is stored as '?'.
  EXPECT_EQ(Utf8ToCp932("x\xE2\x82\xACy\xF0\x9F\x98\x80\xC0\x80\x80"), "x?y????");
  EXPECT_EQ(Utf8ToCp932("x\xE3\x81"), "x??");
}

TEST(ParaFileText, JapaneseFormulaIsStoredAsCp932AndReadBack) {
  CParaData para;
  para.m_strFormula = "\xE8\xA8\x88\xE7\xAE\x97 x \xEF\xBD\xBC";  // 計算 x ｼ
  const std::vector<std::uint8_t> bytes = StoreParaData(para);
  const std::vector<std::uint8_t> slot = Bytes("\x08\x8C\x76\x8E\x5A x \xBC");
  ASSERT_EQ(bytes.size(), 71 + slot.size() + 16);
  EXPECT_TRUE(std::equal(slot.begin(), slot.end(), bytes.begin() + 71));
  CParaData loaded;
  ASSERT_TRUE(LoadParaData(bytes, loaded));
  ExpectSameSet(loaded, para);
}

TEST(ParaFileText, InvalidCp932InAFileKeepsTheRestOfTheSet) {
  const std::vector<std::uint8_t> good = StoreParaData(SentinelSet());
  std::vector<std::uint8_t> bytes(good.begin(), good.begin() + 71);
  const std::vector<std::uint8_t> slot = Bytes("\x05x\x81 y\xFF");
  bytes.insert(bytes.end(), slot.begin(), slot.end());
  bytes.insert(bytes.end(), good.end() - 16, good.end());
  CParaData loaded;
  ASSERT_TRUE(LoadParaData(bytes, loaded));
  CParaData expected = SentinelSet();
  expected.m_strFormula = "x\xEF\xBF\xBD y\xEF\xBF\xBD";
  ExpectSameSet(loaded, expected);
}

}  // namespace
