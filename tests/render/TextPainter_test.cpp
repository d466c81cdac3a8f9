// The text painter on plain RGBA buffers: ink stays in the measured box, the
// multiplication and minus signs are the font's own glyphs, and drawing is
// clipped at every edge of the buffer.
#include "render/TextPainter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// Black text on a white w x h buffer; ink is anything not white.
std::vector<std::uint8_t> Drawn(const CTextPainter& painter, const std::string& text, int w = 120,
                                int h = 40, int left = 30, int top = 10) {
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(w) * h * 4, 255);
  painter.Draw(rgba.data(), w, h, text, left, top, {0, 0, 0});
  return rgba;
}

// 'j' and '(' reach left of the pen and below the baseline, 'Å' above the
// capitals, '_' lowest of all. U+0378 is unassigned: the missing glyph, which
// neither sign is; the minus is not the hyphen.
TEST(TextPainter, InkLiesInsideTheMeasuredBoxAndSignsAreTheFontsOwnGlyphs) {
  const CTextPainter painter(12);
  if (!painter.Ok()) GTEST_SKIP() << painter.Error();
  const std::vector<std::uint8_t> missing = Drawn(painter, "\u0378");
  for (const std::string text : {"jÅg(,)_", "\u00D710^-3", "\u22120.5"}) {
    SCOPED_TRACE(text);
    const TextSize box = painter.Measure(text);
    const std::vector<std::uint8_t> image = Drawn(painter, text);
    int ink = 0;
    for (std::size_t k = 0; k < image.size(); k += 4) {
      const int x = static_cast<int>(k / 4 % 120), y = static_cast<int>(k / 4 / 120);
      if (image[k] == 255) continue;
      ++ink;
      EXPECT_TRUE(x >= 30 && x < 30 + box.width && y >= 10 && y < 10 + box.height) << x << "," << y;
    }
    EXPECT_GT(ink, 0);
    EXPECT_NE(Drawn(painter, text.substr(0, text.find_first_of("0123456789"))), missing);
  }
  EXPECT_NE(Drawn(painter, "\u2212"), Drawn(painter, "-"));
}

// A window of a larger picture, drawn at the same place relative to it, must
// hold the same pixels as the larger one there, and nothing may be written
// outside the window's buffer.
TEST(TextPainter, ClippedDrawingIsACropOfTheUnclippedOne) {
  const CTextPainter painter;
  if (!painter.Ok()) GTEST_SKIP() << painter.Error();
  const int bigW = 160, bigH = 80, ox = 60, oy = 30, w = 24, h = 10, guard = 64;
  const std::string text = "j\u22121.5\u00D710^3";
  for (const auto& [left, top] : {std::pair{-5, -3}, {w - 4, h - 3}, {-1000, 5}, {5, 1000}}) {
    SCOPED_TRACE(std::to_string(left) + "," + std::to_string(top));
    const std::vector<std::uint8_t> big = Drawn(painter, text, bigW, bigH, ox + left, oy + top);
    std::vector<std::uint8_t> buffer(guard + static_cast<std::size_t>(w) * h * 4 + guard, 0xA5);
    std::uint8_t* window = buffer.data() + guard;
    std::fill(window, window + static_cast<std::ptrdiff_t>(w) * h * 4, std::uint8_t{255});
    painter.Draw(window, w, h, text, left, top, {0, 0, 0});
    const auto untouched = [](std::uint8_t b) { return b == 0xA5; };
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.begin() + guard, untouched));
    EXPECT_TRUE(std::all_of(buffer.end() - guard, buffer.end(), untouched));
    for (int y = 0; y < h; ++y) {
      const auto* expected = &big[(static_cast<std::size_t>(oy + y) * bigW + ox) * 4];
      ASSERT_TRUE(std::equal(expected, expected + w * 4, window + y * w * 4)) << "row " << y;
    }
  }
  std::vector<std::uint8_t> rect(6 * 4 * 4, 255);
  FillRect(rect.data(), 6, 4, -2, 1, 4, 9, {10, 20, 30});
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x)
      EXPECT_EQ(rect[(y * 6 + x) * 4] == 10, x < 2 && y >= 1) << x << "," << y;
}

}  // namespace
