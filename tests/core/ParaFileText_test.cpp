// The formula's text at the file boundary: UTF-8 in memory, CP932 on disk.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ParaFileTestUtil.h"
#include "core/Cp932.h"
#include "core/ParaFile.h"

namespace {

struct TextCase {
  const char* name;
  std::string from;
  std::string to;
};

TEST(ParaFileText, Cp932DecodesToUtf8AndReplacesBadBytesOneByOne) {
  const TextCase cases[] = {
      {"ascii", "sin(x)*y^2", "sin(x)*y^2"},
      {"hiragana", "\x82\xA0", "\xE3\x81\x82"},                        // あ
      {"kanji", "\x8C\x76\x8E\x5A", "\xE8\xA8\x88\xE7\xAE\x97"},       // 計算
      {"halfwidth katakana", "\xBC\xAA", "\xEF\xBD\xBC\xEF\xBD\xAA"},  // ｼｪ
      {"backslash and tilde stay ascii", "\x5C\x7E", "\\~"},
      {"vendor row 13", "\x87\x40", "\xE2\x91\xA0"},  // circled digit one
      {"lead byte before a space", "x\x81 y", "x\xEF\xBF\xBD y"},
      {"lead byte at the end", "sin(x)\x82", "sin(x)\xEF\xBF\xBD"},
      {"bytes no table has", "\x80x\xFD\xFE\xFFy",
       "\xEF\xBF\xBDx\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBDy"},
      {"good after bad", "\xFF\x82\xA0", "\xEF\xBF\xBD\xE3\x81\x82"},
      {"empty", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Cp932ToUtf8(c.from), c.to);
  }
}

TEST(ParaFileText, Utf8EncodesToCp932AndMarksWhatItCannotHold) {
  const TextCase cases[] = {
      {"ascii", "x^2 + y^2", "x^2 + y^2"},
      {"hiragana", "\xE3\x81\x82", "\x82\xA0"},
      {"kanji", "\xE8\xA8\x88\xE7\xAE\x97", "\x8C\x76\x8E\x5A"},
      {"halfwidth katakana", "\xEF\xBD\xBC", "\xBC"},
      {"euro sign", "x\xE2\x82\xACy", "x?y"},
      {"emoji", "\xF0\x9F\x98\x80", "?"},
      {"replacement character", "\xEF\xBF\xBD", "?"},
      {"overlong NUL", "\xC0\x80", "??"},
      {"encoded surrogate", "\xED\xA0\x80", "???"},
      {"cut-off sequence", "x\xE3\x81", "x??"},
      {"stray continuation", "\x80x", "?x"},
      {"empty", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Utf8ToCp932(c.from), c.to);
  }
}

TEST(ParaFileText, Cp932LengthCountsFileBytes) {
  EXPECT_EQ(Cp932Length("x+y"), 3u);
  EXPECT_EQ(Cp932Length("\xE3\x81\x82x"), 3u);  // あ takes two bytes
  EXPECT_EQ(Cp932Length("\xEF\xBD\xBC"), 1u);   // ｼ takes one
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
  std::vector<std::uint8_t> bytes = StoreParaData(SentinelSet());
  bytes.resize(71);
  const std::vector<std::uint8_t> slot = Bytes("\x05x\x81 y\xFF");
  bytes.insert(bytes.end(), slot.begin(), slot.end());
  const std::vector<std::uint8_t> tail = StoreParaData(SentinelSet());
  bytes.insert(bytes.end(), tail.end() - 16, tail.end());

  CParaData loaded;
  ASSERT_TRUE(LoadParaData(bytes, loaded));
  CParaData expected = SentinelSet();
  expected.m_strFormula = "x\xEF\xBF\xBD y\xEF\xBF\xBD";
  ExpectSameSet(loaded, expected);
}

TEST(ParaFileText, UnmappableCharactersAreStoredAsQuestionMarks) {
  CParaData para;
  para.m_strFormula = "x\xE2\x82\xAC+y";  // x€+y
  CParaData loaded;
  ASSERT_TRUE(LoadParaData(StoreParaData(para), loaded));
  EXPECT_EQ(loaded.m_strFormula, "x?+y");
}

TEST(ParaFileText, Utf16DecodesPairsAndReplacesLoneSurrogates) {
  const TextCase cases[] = {
      {"ascii", std::string("x\0+\0y\0", 6), "x+y"},
      {"kanji", "\x08\x8A", "\xE8\xA8\x88"},
      {"pair", std::string("\x3D\xD8\x00\xDE", 4), "\xF0\x9F\x98\x80"},
      {"lone high at end", "\x3D\xD8", "\xEF\xBF\xBD"},
      {"lone low", std::string("\x00\xDEx\0", 4), "\xEF\xBF\xBDx"},
      {"high then ascii", std::string("\x3D\xD8x\0", 4), "\xEF\xBF\xBDx"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Utf16LeToUtf8(c.from), c.to);
  }
}

}  // namespace
