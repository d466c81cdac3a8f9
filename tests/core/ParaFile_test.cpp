// The parameter set and its file: the bytes written by hand, string length
// forms, foreign and cut records, files made to hurt (forged lengths, values
// far outside the entry fields' ranges), and the formula's text at the file
// boundary (UTF-8 in memory, CP932 on disk).
#include "core/ParaFile.h"

#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <new>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "ParaFileTestUtil.h"
#include "core/Cp932.h"

// Records the largest single allocation, so a test can show that a forged
// length is refused before memory is asked for it.
static std::atomic<std::size_t> g_largestAllocation{0};

void* operator new(std::size_t size) {
  std::size_t seen = g_largestAllocation.load();
  while (size > seen && !g_largestAllocation.compare_exchange_weak(seen, size)) {
  }
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
// Out of line, so the compiler does not pair a visible free() with new.
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

using Buf = std::vector<std::uint8_t>;

Buf Hex(const std::string& hex) {
  Buf bytes;
  std::string digits = hex;
  std::erase(digits, ' ');
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

// The default file up to its formula slot, then these bytes.
Buf UpToFormula(const Buf& rest) {
  Buf bytes = DefaultFile();
  bytes.resize(kFormulaOffset);
  return Cat(bytes, rest);
}
// The default file with its formula slot replaced by raw string bytes.
Buf WithFormulaSlot(const Buf& slot) { return Cat(UpToFormula(slot), kTail); }

Buf Utf16Le(const std::u16string& text) {
  Buf bytes;
  for (char16_t unit : text)
    bytes.insert(bytes.end(), {std::uint8_t(unit & 0xFF), std::uint8_t(unit >> 8)});
  return bytes;
}

void ExpectRefused(const Buf& bytes) {
  CParaData para = SentinelSet();
  EXPECT_FALSE(LoadParaData(bytes, para));
  EXPECT_EQ(Fields(para), Fields(SentinelSet()));
}

// Formula slots as written (the shortest length form, CP932: true) or only
// read (longer length forms, wide strings, bytes that are not CP932, each of
// which becomes U+FFFD), and the formula they hold; the rest of the set loads.
TEST(ParaFileFormat, EveryFormulaSlotIsReadAndTheShortestWritten) {
  const auto x = [](std::size_t n) { return std::string(n, 'x'); };
  const std::tuple<Buf, std::string, bool> cases[] = {
      {Hex("00"), "", true},
      {Cat(Hex("FE"), Bytes(x(254))), x(254), true},
      {Cat(Hex("FF FF00"), Bytes(x(255))), x(255), true},
      {Cat(Hex("FF FDFF"), Bytes(x(0xFFFD))), x(0xFFFD), true},
      {Cat(Hex("FF FFFF FEFF0000"), Bytes(x(0xFFFE))), x(0xFFFE), true},
      {Hex("FF 0300 782B79"), "x+y", false},
      {Cat(Hex("FF FEFF 04"), Utf16Le(u"計算式x")), "\xE8\xA8\x88\xE7\xAE\x97\xE5\xBC\x8Fx", false},
      {Cat(Hex("FF FEFF FF 2C01"), Utf16Le(std::u16string(300, u'y'))), std::string(300, 'y'),
       false},
      {Cat(Hex("FF FEFF FF FFFF 02000000"), Utf16Le(u"xy")), "xy", false},
      {Cat(Hex("FF FEFF 02"), Utf16Le(u"\U0001F600")), "\xF0\x9F\x98\x80", false},
      {Cat(Hex("FF FEFF 03"), Utf16Le(u"x\xD800y")), "x\xEF\xBF\xBDy", false},
      {Bytes("\x08\x8C\x76\x8E\x5A x \xBC"), "\xE8\xA8\x88\xE7\xAE\x97 x \xEF\xBD\xBC",
       true},  // 計算 x ｼ
      {Bytes("\x05x\x81 y\xFF"), "x\xEF\xBF\xBD y\xEF\xBF\xBD", false},
  };
  for (const auto& [slot, formula, shortest] : cases) {
    SCOPED_TRACE(std::to_string(formula.size()) + " bytes: " + formula.substr(0, 20));
    CParaData para = SentinelSet(), expected;
    expected.m_strFormula = formula;  // and the fields after it read from the right offset
    ASSERT_TRUE(LoadParaData(WithFormulaSlot(slot), para));
    EXPECT_EQ(Fields(para), Fields(expected));
    EXPECT_TRUE(!shortest || StoreParaData(expected) == WithFormulaSlot(slot));
  }
}

TEST(ParaFileFormat, ForeignObjectRecordsAreRefused) {
  const Buf full = DefaultFile(), fields(full.begin() + 15, full.end());
  const std::string name = "435061726144617461";
  for (const std::string& header : std::vector<std::string>{
           "0000", "0180 0001 0900" + name, "FFFF 0101 0900" + name,
           "FFFF 0001 0900 435061726144617462", "FFFF 0001 0800 4350617261446174", "FFFF 0001 0000",
           "FFFF 0001 FFFF" + name}) {
    SCOPED_TRACE(header);
    ExpectRefused(Cat(Hex(header), fields));
  }
}

// A cut object is refused; a cut block loads the object alone and says so.
TEST(ParaFileFormat, EveryTruncation) {
  CParaData longFormula, withParams;
  longFormula.m_strFormula = std::string(0x10000, 'x');
  withParams.m_params = {{"a", 1.0}, {"bb", -1.0, -2.0, 0.0, 0.5, PlayMode::Once}};
  const Buf plain = DefaultFile(), wide = WithFormulaSlot(Hex("FF FEFF 03 7800 2B00 7900"));
  const Buf huge = StoreParaData(longFormula), block = StoreParaData(withParams);
  ASSERT_EQ(block.size(), plain.size() + 10 + 41 + 42);
  for (const Buf* full : {&plain, &wide, &huge, &block}) {
    const std::size_t size = full->size();
    for (std::size_t length = 0; length < size; length = length < 300 || length == size - 1
                                                             ? length + 1
                                                             : std::min(length + 997, size - 1)) {
      SCOPED_TRACE(length);
      const Buf cut(full->begin(), full->begin() + length);
      if (full != &block || length < plain.size()) {
        ExpectRefused(cut);
        continue;
      }
      CParaData loaded = SentinelSet();
      std::string warning;
      ASSERT_TRUE(LoadParaData(cut, loaded, &warning));
      EXPECT_EQ(Fields(loaded), Fields(CParaData()));
      EXPECT_EQ(warning, length == plain.size() ? "" : PARAFILE_BLOCK_DAMAGED);
    }
  }
}

TEST(ParaFileHostile, ForgedStringLengthsAreRefusedWithoutAllocating) {
  // Each length is followed by ten bytes: far fewer than it claims.
  for (const char* length :
       {"FE", "FF FDFF", "FF FFFF 00000080", "FF FEFF 06", "FF FEFF FF FFFF 00000080"}) {
    SCOPED_TRACE(length);
    CParaData para = SentinelSet();
    const Buf bytes = UpToFormula(Cat(Hex(length), Buf(10, 'x')));
    g_largestAllocation = 0;
    EXPECT_FALSE(LoadParaData(bytes, para));
    EXPECT_LT(g_largestAllocation.load(), 4096u);
    EXPECT_EQ(Fields(para), Fields(SentinelSet()));
  }
}

Buf Le(std::uint64_t value, int bytes) {
  Buf out;
  for (int k = 0; k < bytes; ++k) out.push_back(static_cast<std::uint8_t>(value >> (8 * k)));
  return out;
}
Buf Block(const Buf& body, std::uint16_t version = 1) {
  return Cat(Cat(Bytes("OvxE"), Le(version, 2)), Cat(Le(body.size(), 4), body));
}
Buf Record(std::uint16_t tag, const Buf& payload) {
  return Cat(Cat(Le(tag, 2), Le(payload.size(), 4)), payload);
}
Buf ParamRecord(const std::string& name, double value, double min = -10.0, double max = 10.0,
                double step = 0.1, std::uint8_t play = 0) {
  Buf payload = Cat(Le(name.size(), 1), Bytes(name));
  for (double number : {value, min, max, step})
    payload = Cat(payload, Le(std::bit_cast<std::uint64_t>(number), 8));
  payload.push_back(play);
  return Record(1, payload);
}
Buf CentreRecord(double x, double y, const Buf& more = {}) {
  return Record(
      2, Cat(Cat(Le(std::bit_cast<std::uint64_t>(x), 8), Le(std::bit_cast<std::uint64_t>(y), 8)),
             more));
}
Buf Records(int count) {
  Buf body;
  for (int k = 0; k < count; ++k) body = Cat(body, ParamRecord("p" + std::to_string(k), 0.0));
  return body;
}

std::vector<FormulaParameter> Params(int count) {
  std::vector<FormulaParameter> params;
  for (int k = 0; k < count; ++k) params.push_back({"p" + std::to_string(k), 0.0});
  return params;
}

// What a later version may add is passed over and values are kept in their
// range. A block is taken whole or not at all; the object loads either way,
// and a forged length asks for no more memory than the most parameters take.
TEST(ParaFileBlock, WhatABlockLoadsAndTheWarningItGives) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = HUGE_VAL;
  const FormulaParameter a{"a", 0.0};
  const Buf good = ParamRecord("a", 1.0), body = Cat(good, ParamRecord("b", 2.0));
  const Buf block = Block(body), a0 = ParamRecord("a", 0);
  const char* damaged = PARAFILE_BLOCK_DAMAGED;
  struct Case {
    const char* what;
    Buf bytes;
    std::vector<FormulaParameter> params = {};
    const char* message = "";
  };
  const Case cases[] = {
      {"no block", {}},
      {"unknown tags",
       Block(Cat(Record(3, Buf(16, 0)), Cat(Record(0xFFFF, {}), ParamRecord("a", 0)))),
       {a}},
      {"fields after the play mode",
       Block(Record(1, Cat(Buf(a0.begin() + 6, a0.end()), Hex("AABBCC")))),
       {a}},
      {"unknown play modes",
       Block(Cat(ParamRecord("a", 0, -1, 1, 1, 3), ParamRecord("b", 0, -1, 1, 1, 255))),
       {{"a", 0, -1, 1, 1}, {"b", 0, -1, 1, 1}}},
      {"values outside the range",
       Block(Cat(ParamRecord("a", 50, -10, 10, 1, 2), ParamRecord("b", -1e300, -1, 3, 0.5))),
       {{"a", 10, -10, 10, 1, PlayMode::Once}, {"b", -1, -1, 3, 0.5}}},
      {"longest name", Block(ParamRecord(std::string(32, 'Z'), 0)), {{std::string(32, 'Z'), 0.0}}},
      {"names of every kind",
       Block(Cat(ParamRecord("Q", 0), ParamRecord("x9Y", 0))),
       {{"Q", 0.0}, {"x9Y", 0.0}}},
      {"64 parameters", Block(Records(64)), Params(64)},
      {"bad magic", Cat(Bytes("OvxF"), Buf(block.begin() + 4, block.end())), {}, damaged},
      {"version 0", Block(body, 0), {}, damaged},
      {"version 2", Block(body, 2), {}, PARAFILE_BLOCK_NEWER},
      {"a byte after the block", Cat(Block(body), Hex("00")), {}, damaged},
      {"body length past the end", Cat(Hex("4F767845 0100 FFFFFFFF"), body), {}, damaged},
      {"record length past the body",
       Block(Cat(Hex("0100 FFFFFF7F"), Buf(good.begin() + 6, good.end()))),
       {},
       damaged},
      {"record shorter than its fields",
       Block(Record(1, Buf(good.begin() + 6, good.end() - 1))),
       {},
       damaged},
      {"name length past the record", Block(Record(1, Hex("FF 61"))), {}, damaged},
      {"empty name", Block(ParamRecord("", 0)), {}, damaged},
      {"name with a digit first", Block(ParamRecord("1a", 0)), {}, damaged},
      {"name with an underscore", Block(ParamRecord("a_b", 0)), {}, damaged},
      {"name of 33 bytes", Block(ParamRecord(std::string(33, 'a'), 0)), {}, damaged},
      {"NaN value", Block(ParamRecord("a", nan)), {}, damaged},
      {"infinite min", Block(ParamRecord("a", 0, -inf)), {}, damaged},
      {"min equal to max", Block(ParamRecord("a", 1, 1, 1)), {}, damaged},
      {"step 0", Block(ParamRecord("a", 0, -1, 1, 0)), {}, damaged},
      {"infinite step", Block(ParamRecord("a", 0, -1, 1, inf)), {}, damaged},
      {"a name twice in two cases",
       Block(Cat(ParamRecord("Rate", 0), ParamRecord("rATE", 1))),
       {},
       damaged},
      {"a good parameter then a bad one", Block(Cat(good, ParamRecord("b", nan))), {}, damaged},
      {"65 parameters", Block(Records(65)), {}, damaged},
      {"NaN centre", Block(CentreRecord(nan, 0)), {}, damaged},
      {"centre cut short", Block(Record(2, Buf(15, 0))), {}, damaged},
      {"two centres", Block(Cat(CentreRecord(1, 1), CentreRecord(1, 1))), {}, damaged},
  };
  for (const auto& [what, bytes, params, message] : cases) {
    SCOPED_TRACE(what);
    CParaData loaded = SentinelSet(), expected;
    expected.m_params = params;
    std::string warning = "stale";
    g_largestAllocation = 0;
    ASSERT_TRUE(LoadParaData(Cat(DefaultFile(), bytes), loaded, &warning));
    EXPECT_LE(g_largestAllocation.load(), kMaxFormulaParameters * sizeof(FormulaParameter));
    EXPECT_EQ(Fields(loaded), Fields(expected));
    EXPECT_EQ(warning, message);
  }
}

// Sets and the bytes they are stored as; each loads back as itself. A centre
// at the origin, -0 included, leaves the file as it always was.
TEST(ParaFileFormat, SetsAndTheirBytes) {
  const auto set = [](std::vector<FormulaParameter> params, double x = 0, double y = 0) {
    CParaData para;
    para.m_params = std::move(params);
    para.m_dCentreX = x, para.m_dCentreY = y;
    return para;
  };
  const std::pair<CParaData, Buf> cases[] = {
      {CParaData(), DefaultFile()},
      {set({}, -0.0), DefaultFile()},
      {set({{"a", 1.5, -10.0, 10.0, 0.1, PlayMode::Loop},
            {"Beta", -2.0, -5.0, 5.0, 0.5, PlayMode::BackAndForth}}),
       Cat(DefaultFile(),
           Hex("4F767845 0100 55000000"  // "OvxE", version 1, 85 bytes of records
               "0100 23000000 01 61"     // a parameter in 35 bytes: "a"
               "000000000000F83F 00000000000024C0 0000000000002440 9A9999999999B93F 00"
               "0100 26000000 04 42657461"  // "Beta"
               "00000000000000C0 00000000000014C0 0000000000001440 000000000000E03F 01"))},
      {set({}, 2.5), Cat(DefaultFile(), Block(CentreRecord(2.5, 0.0)))},
      {set({{"a", 1.0}}, 0.0, -1e300),
       Cat(DefaultFile(), Block(Cat(ParamRecord("a", 1.0), CentreRecord(0.0, -1e300))))},
  };
  ASSERT_EQ(DefaultFile().size(), 135u);
  for (auto [para, bytes] : cases) {
    SCOPED_TRACE(bytes.size());
    CParaData loaded = SentinelSet();
    EXPECT_EQ(StoreParaData(para), bytes);
    ASSERT_TRUE(LoadParaData(bytes, loaded));
    para.m_dCentreX += 0.0;  // -0 is not stored: it loads as 0
    EXPECT_EQ(Fields(loaded), Fields(para));
  }
  CParaData loaded;
  ASSERT_TRUE(LoadParaData(StoreParaData(SentinelSet()), loaded));
  EXPECT_EQ(Fields(loaded), Fields(SentinelSet()));
  // Fields a later version adds after the centre's two numbers are passed over.
  ASSERT_TRUE(LoadParaData(Cat(DefaultFile(), Block(CentreRecord(1.0, 2.0, Hex("AABB")))), loaded));
  EXPECT_EQ(std::pair(loaded.m_dCentreX, loaded.m_dCentreY), std::pair(1.0, 2.0));
}

// So that no saved file can hold a block its own reader calls damaged.
TEST(ParaFileBlock, SavingLeavesOutWhatLoadingWouldRefuse) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  CParaData para;
  para.m_params = {{"a", 20.0}, {"1x", 0.0},          {"b", nan},
                   {"A", 0.0},  {"c", 0.0, 1.0, 1.0}, {"d", 0.0, -1.0, 1.0, 0.0}};
  CParaData expected;
  expected.m_params = {{"a", 10.0}};
  for (int k = 0; k < 70; ++k) para.m_params.push_back({"p" + std::to_string(k), 0.0});
  for (int k = 0; k < 63; ++k) expected.m_params.push_back({"p" + std::to_string(k), 0.0});
  CParaData loaded;
  std::string warning;
  ASSERT_TRUE(LoadParaData(StoreParaData(para), loaded, &warning));
  EXPECT_EQ(Fields(loaded), Fields(expected));
  EXPECT_EQ(warning, "");

  para.m_params = {{"1x", 0.0}, {"b", nan}, {"c", 0.0, 1.0, 1.0}, {"d", 0.0, -1.0, 1.0, 0.0}};
  para.m_dCentreX = 1.0, para.m_dCentreY = nan;
  EXPECT_EQ(StoreParaData(para), DefaultFile());
}

TEST(ParaFileText, Cp932ConvertsBothWaysAndMarksBadBytes) {
  const std::tuple<std::string, std::string, bool> cases[] = {
      {"\x82\xA0\x8C\x76\x8E\x5A", "\xE3\x81\x82\xE8\xA8\x88\xE7\xAE\x97", true},  // あ計算
      {"\xBC\xAA", "\xEF\xBD\xBC\xEF\xBD\xAA", true},                              // ｼｪ
      {"\x5C\x7E", "\\~", true},
      {"\x87\x40", "\xE2\x91\xA0", true},  // circled digit one
      {"x\x81 y", "x\xEF\xBF\xBD y", false},
      {"sin(x)\x82", "sin(x)\xEF\xBF\xBD", false},
      {"\x80x\xFD\xFFy", "\xEF\xBF\xBDx\xEF\xBF\xBD\xEF\xBF\xBDy", false},
  };
  for (const auto& [cp932, utf8, bothWays] : cases) {
    SCOPED_TRACE(utf8);
    EXPECT_EQ(Cp932ToUtf8(cp932), utf8);
    if (bothWays) {
      EXPECT_EQ(Utf8ToCp932(utf8), cp932);
    }
  }
  // What CP932 cannot hold, or what is not UTF-8, is stored as '?'.
  EXPECT_EQ(Utf8ToCp932("x\xE2\x82\xACy\xF0\x9F\x98\x80\xC0\x80\x80"), "x?y????");
  EXPECT_EQ(Utf8ToCp932("x\xE3\x81"), "x??");
}

}  // namespace
