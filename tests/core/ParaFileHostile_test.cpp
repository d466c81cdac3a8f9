// Files made to hurt: forged string lengths and values far outside the ranges
// the entry fields allow.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <new>
#include <vector>

#include "ParaFileTestUtil.h"
#include "core/ParaFile.h"

// Records the largest single allocation, so a test can show that a forged
// length is refused before memory is asked for it.
namespace {
std::atomic<std::size_t> g_largestAllocation{0};
}  // namespace

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

// The default file up to the formula's length, then a forged length and ten
// bytes: far fewer than it claims.
std::vector<std::uint8_t> ForgedLength(const std::vector<std::uint8_t>& length) {
  std::vector<std::uint8_t> bytes = StoreParaData(CParaData());
  bytes.resize(71);
  bytes.insert(bytes.end(), length.begin(), length.end());
  bytes.insert(bytes.end(), 10, 'x');
  return bytes;
}

TEST(ParaFileHostile, ForgedStringLengthsAreRefusedWithoutAllocating) {
  const struct {
    const char* name;
    std::vector<std::uint8_t> length;
  } cases[] = {
      {"narrow 8-bit", {0xFE}},
      {"narrow 16-bit", {0xFF, 0xFD, 0xFF}},
      {"narrow 32-bit 2^31", {0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x80}},
      {"narrow 32-bit max", {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF}},
      {"narrow 64-bit escape", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 1}},
      {"wide 8-bit", {0xFF, 0xFE, 0xFF, 0xFE}},
      {"wide 6 units for 10 bytes", {0xFF, 0xFE, 0xFF, 0x06}},
      {"wide 16-bit", {0xFF, 0xFE, 0xFF, 0xFF, 0xFD, 0xFF}},
      {"wide 32-bit 2^31", {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x80}},
      {"wide 32-bit max", {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::uint8_t> bytes = ForgedLength(c.length);
    CParaData para = SentinelSet();
    g_largestAllocation = 0;
    EXPECT_FALSE(LoadParaData(bytes, para));
    EXPECT_LT(g_largestAllocation.load(), 4096u);
    ExpectSameSet(para, SentinelSet());
  }
}

TEST(ParaFileHostile, MeshCountIsClampedIntoTheUsableRange) {
  constexpr int kIntMax = std::numeric_limits<int>::max();
  constexpr int kIntMin = std::numeric_limits<int>::min();
  const struct {
    int stored;
    int loaded;
  } cases[] = {
      {kIntMin, kMinMesh},
      {-1, kMinMesh},
      {0, kMinMesh},
      {1, 1},
      {32, 32},
      {500, 500},
      {kMaxMesh, kMaxMesh},
      {kMaxMesh + 1, kMaxMesh},
      {32767, kMaxMesh},
      {kIntMax, kMaxMesh},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    CParaData para;
    para.m_nMesh = c.stored;
    const std::vector<std::uint8_t> bytes = StoreParaData(para);
    CParaData loaded;
    ASSERT_TRUE(LoadParaData(bytes, loaded));
    EXPECT_EQ(loaded.m_nMesh, c.loaded);
    para.m_nMesh = c.loaded;
    ExpectSameSet(loaded, para);
  }
}

TEST(ParaFileHostile, OtherOutOfRangeValuesLoadUnchanged) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    const char* name;
    void (*change)(CParaData&, double nan, double inf);
  } cases[] = {
      {"style 9", [](CParaData& p, double, double) { p.m_nDrawStyle = 9; }},
      {"style -1", [](CParaData& p, double, double) { p.m_nDrawStyle = -1; }},
      {"background 7", [](CParaData& p, double, double) { p.m_nBackColor = 7; }},
      {"background min",
       [](CParaData& p, double, double) { p.m_nBackColor = std::numeric_limits<int>::min(); }},
      {"switches 5, -1, 2",
       [](CParaData& p, double, double) {
         p.m_bPerspective = 5;
         p.m_bHiddenLine = -1;
         p.m_bShading = 2;
       }},
      {"negative contour step", [](CParaData& p, double, double) { p.m_dContourStep = -1.0; }},
      {"zero contour step", [](CParaData& p, double, double) { p.m_dContourStep = 0.0; }},
      {"NaN contour step", [](CParaData& p, double n, double) { p.m_dContourStep = n; }},
      {"tiny contour step", [](CParaData& p, double, double) { p.m_dContourStep = 1e-300; }},
      {"NaN range", [](CParaData& p, double n, double) { p.m_dRange = n; }},
      {"negative range", [](CParaData& p, double, double) { p.m_dRange = -5.0; }},
      {"infinite Z coefficient", [](CParaData& p, double, double i) { p.m_dZCoef = -i; }},
      {"NaN angles",
       [](CParaData& p, double n, double i) {
         p.m_dUpDownAngle = n;
         p.m_dLeftRightAngle = i;
       }},
      {"NaN 0/0", [](CParaData& p, double n, double) { p.m_dZeroByZero = n; }},
      {"0/0 of 7", [](CParaData& p, double, double) { p.m_dZeroByZero = 7.0; }},
      {"formula past 128 bytes",
       [](CParaData& p, double, double) { p.m_strFormula.append(200, 'x'); }},
      {"formula with a NUL",
       [](CParaData& p, double, double) { p.m_strFormula = std::string("x\0y", 3); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CParaData para;
    c.change(para, nan, inf);
    CParaData loaded = SentinelSet();
    ASSERT_TRUE(LoadParaData(StoreParaData(para), loaded));
    ExpectSameSet(loaded, para);
  }
}

}  // namespace
