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

TEST(ParaFileHostile, ForgedStringLengthsAreRefusedWithoutAllocating) {
  // Each length is followed by ten bytes: far fewer than it claims.
  const std::vector<std::uint8_t> lengths[] = {
      {0xFE},
      {0xFF, 0xFD, 0xFF},
      {0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x80},  // 2^31
      {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 1},
      {0xFF, 0xFE, 0xFF, 0x06},  // 6 wide units
      {0xFF, 0xFE, 0xFF, 0xFF, 0xFD, 0xFF},
      {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x80},
  };
  for (const auto& length : lengths) {
    SCOPED_TRACE(length.size());
    std::vector<std::uint8_t> bytes = StoreParaData(CParaData());
    bytes.resize(71);
    bytes.insert(bytes.end(), length.begin(), length.end());
    bytes.insert(bytes.end(), 10, 'x');
    CParaData para = SentinelSet();
    g_largestAllocation = 0;
    EXPECT_FALSE(LoadParaData(bytes, para));
    EXPECT_LT(g_largestAllocation.load(), 4096u);
    ExpectSameSet(para, SentinelSet());
  }
}

// Mesh counts are clamped into the usable range; every other value loads as
// stored, for the drawing code to cope with.
TEST(ParaFileHostile, OutOfRangeValuesLoad) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const int intMax = std::numeric_limits<int>::max(), intMin = std::numeric_limits<int>::min();
  const struct {
    void (*change)(CParaData&, double nan, int extreme);
    int extreme;
    int loadedMesh;
  } cases[] = {
      {[](CParaData& p, double, int) { p.m_nMesh = 0; }, 0, kMinMesh},
      {[](CParaData& p, double, int e) { p.m_nMesh = e; }, intMin, kMinMesh},
      {[](CParaData& p, double, int e) { p.m_nMesh = e; }, intMax, kMaxMesh},
      {[](CParaData& p, double, int) { p.m_nMesh = kMaxMesh + 1; }, 0, kMaxMesh},
      {[](CParaData& p, double, int) { p.m_nMesh = 500; }, 0, 500},
      {[](CParaData& p, double, int) { p.m_nDrawStyle = 9; }, 0, 32},
      {[](CParaData& p, double, int e) { p.m_nBackColor = 7, p.m_bShading = e; }, intMin, 32},
      {[](CParaData& p, double, int) { p.m_dContourStep = -1.0; }, 0, 32},
      {[](CParaData& p, double n, int) { p.m_dContourStep = n, p.m_dZeroByZero = n; }, 0, 32},
      {[](CParaData& p, double n, int) { p.m_dRange = n, p.m_dZCoef = -HUGE_VAL; }, 0, 32},
      {[](CParaData& p, double, int) { p.m_strFormula = std::string("x\0y", 3); }, 0, 32},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    CParaData para;
    c.change(para, nan, c.extreme);
    CParaData loaded = SentinelSet();
    ASSERT_TRUE(LoadParaData(StoreParaData(para), loaded));
    para.m_nMesh = c.loadedMesh;
    ExpectSameSet(loaded, para);
  }
}

}  // namespace
