// The text painter on plain RGBA buffers: ink stays in the measured box,
// clipping at every edge, and the multiplication and minus signs come from
// the font rather than as its missing-glyph box.
#include "render/TextPainter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr std::array<std::uint8_t, 3> kBlack = {0, 0, 0};

struct Image {
  int width;
  int height;
  std::vector<std::uint8_t> rgba;
  Image(int w, int h) : width(w), height(h), rgba(static_cast<std::size_t>(w) * h * 4, 255) {}
  bool Inked(int x, int y) const {
    const std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
    return p[0] != 255 || p[1] != 255 || p[2] != 255;
  }
};

// Black on white, returned as the image it leaves.
Image Drawn(const CTextPainter& painter, const std::string& text, int w = 120, int h = 40,
            int left = 30, int top = 10) {
  Image image(w, h);
  painter.Draw(image.rgba.data(), w, h, text, left, top, kBlack);
  return image;
}

#define REQUIRE_FONT(painter)                               \
  do {                                                      \
    if (!(painter).Ok()) GTEST_SKIP() << (painter).Error(); \
  } while (false)

// Each string's ink differs from the others' and lies in its measured box,
// which widens with another character and is empty for no text.
TEST(TextPainter, InkLiesInsideTheMeasuredBoxAndDiffersByString) {
  for (int size : {9, 12, 20}) {
    const CTextPainter painter(size);
    REQUIRE_FONT(painter);
    std::map<std::vector<std::uint8_t>, std::string> seen;
    // 'j' and '(' reach left of the pen and below the baseline, 'Å' above
    // the capitals, '_' lowest of all.
    for (const std::string text :
         {"0", "8", "-1.25", "y = 3", "\u00D710^-3", "\u22120.5", "jÅg(,)_", "f(x,y)", "\u2026"}) {
      SCOPED_TRACE(std::to_string(size) + " px: " + text);
      const TextSize box = painter.Measure(text);
      EXPECT_EQ(box.height, painter.Measure("1").height);
      EXPECT_LT(box.width, painter.Measure(text + "1").width);
      EXPECT_GT(box.ascent, 0);
      EXPECT_LT(box.ascent, box.height);
      const int left = 30, top = 10;
      const Image image = Drawn(painter, text, 120, 40, left, top);
      int ink = 0;
      for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
          if (!image.Inked(x, y)) continue;
          ++ink;
          EXPECT_TRUE(x >= left && x < left + box.width && y >= top && y < top + box.height)
              << "ink at " << x << "," << y << " outside " << box.width << "x" << box.height;
        }
      }
      EXPECT_GT(ink, 0);
      const auto [it, fresh] = seen.emplace(image.rgba, text);
      EXPECT_TRUE(fresh) << "same ink as " << it->second;
    }
    EXPECT_EQ(painter.Measure("").width, 0);
  }
}

// A window of a larger picture, drawn at the same place relative to it, must
// hold the same pixels as the larger one there, and nothing may be written
// outside the window's buffer.
TEST(TextPainter, ClippedDrawingIsACropOfTheUnclippedOne) {
  const CTextPainter painter;
  REQUIRE_FONT(painter);
  const int bigW = 160, bigH = 80, ox = 60, oy = 30, w = 24, h = 10, guard = 64;
  const std::string text = "j\u22121.5\u00D710^3";
  const TextSize box = painter.Measure(text);
  const struct {
    int left, top;
  } places[] = {{-5, -3},   {w - 4, h - 3}, {-box.width + 1, 0}, {0, -box.height + 1},
                {3, h - 1}, {w - 1, -2},    {-1000, 5},          {5, 1000}};
  for (const auto& place : places) {
    SCOPED_TRACE(std::to_string(place.left) + "," + std::to_string(place.top));
    Image big(bigW, bigH);
    painter.Draw(big.rgba.data(), bigW, bigH, text, ox + place.left, oy + place.top, kBlack);
    std::vector<std::uint8_t> buffer(guard + static_cast<std::size_t>(w) * h * 4 + guard, 0xA5);
    std::uint8_t* window = buffer.data() + guard;
    std::fill(window, window + static_cast<std::ptrdiff_t>(w) * h * 4, std::uint8_t{255});
    painter.Draw(window, w, h, text, place.left, place.top, kBlack);
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.begin() + guard,
                            [](std::uint8_t b) { return b == 0xA5; }));
    EXPECT_TRUE(
        std::all_of(buffer.end() - guard, buffer.end(), [](std::uint8_t b) { return b == 0xA5; }));
    for (int y = 0; y < h; ++y) {
      const auto* expected = &big.rgba[(static_cast<std::size_t>(oy + y) * bigW + ox) * 4];
      ASSERT_TRUE(std::equal(expected, expected + w * 4, window + y * w * 4)) << "row " << y;
    }
  }
}

TEST(TextPainter, SignsAreTheFontsOwnGlyphs) {
  const CTextPainter painter;
  REQUIRE_FONT(painter);
  // U+0378 is unassigned; "\xFF" is not UTF-8.
  const Image missing = Drawn(painter, "\u0378");
  EXPECT_EQ(Drawn(painter, "\xFF").rgba, missing.rgba);
  for (const std::string sign : {"\u00D7", "\u2212", "-", "="}) {
    SCOPED_TRACE(sign);
    EXPECT_NE(Drawn(painter, sign).rgba, missing.rgba);
  }
  EXPECT_NE(Drawn(painter, "\u2212").rgba, Drawn(painter, "-").rgba);
}

TEST(TextPainter, WithoutAFontNothingIsMeasuredOrDrawn) {
  const CTextPainter painter(0);
  EXPECT_FALSE(painter.Ok());
  EXPECT_FALSE(painter.Error().empty());
  const TextSize box = painter.Measure("12");
  EXPECT_EQ(box.width + box.height + box.ascent, 0);
  EXPECT_EQ(Drawn(painter, "12").rgba, Image(120, 40).rgba);
}

TEST(TextPainter, FillRectIsClippedToTheImage) {
  Image image(6, 4);
  FillRect(image.rgba.data(), 6, 4, -2, 1, 4, 9, {10, 20, 30});
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 6; ++x) {
      SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
      EXPECT_EQ(image.Inked(x, y), x < 2 && y >= 1);
    }
  }
}

}  // namespace
