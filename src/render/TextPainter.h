// Text on a read-back picture: axis numbers and names, colour-bar ticks,
// marked extremes. Drawn into the RGBA frame rather than with GL, so that the
// window, saved images, the clipboard and orvex-cli carry the same pixels.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// Pixels. Every string has the same height and ascent (the line box of the
// whole repertoire), so labels placed side by side share a baseline.
struct TextSize {
  int width = 0;
  int height = 0;  // ascent + descent
  int ascent = 0;  // from the top of the box to the baseline
};

// Renders its repertoire once, in the constructor: printable ASCII, Latin-1
// (with U+00D7 '×'), basic Greek, U+2212 '−' and U+2026 '…'. Any other code
// point, and every byte sequence that is not UTF-8, is drawn as the font's
// missing-glyph box.
//
// The font: fontconfig's best match for "DejaVu Sans", regular and upright,
// among the scalable fonts that hold the digits, the Latin letters and
// "-.=(),×−"; on Debian that is fonts-dejavu-core's DejaVuSans.ttf. Where
// that family is absent fontconfig's order for it (its sans-serif
// substitutes) decides.
//
// Threads: FreeType is used inside the constructor only, with a library of
// the painter's own, and released before it returns. After that the painter
// is immutable, so one instance may be measured and drawn with from any
// number of threads at once.
class CTextPainter {
 public:
  explicit CTextPainter(int pixelSize = 12);

  // False when no font could be loaded: Measure gives zero sizes and Draw
  // draws nothing, and Error() says why.
  bool Ok() const { return m_error.empty(); }
  const std::string& Error() const { return m_error; }
  const std::string& FontFile() const { return m_fontFile; }

  // Draw's ink lies inside (left, top) - (left + width, top + height).
  TextSize Measure(const std::string& utf8) const;

  // Draws utf8 with its box's top-left at (left, top), in image coordinates
  // (rows top first, as Frame holds them), blending colour over the pixels
  // by the glyph coverage; alpha is left as it is. Clipped to the image.
  void Draw(std::uint8_t* rgba, int width, int height, const std::string& utf8, int left, int top,
            const std::array<std::uint8_t, 3>& colour) const;

 private:
  struct Glyph {
    int advance = 0;
    int left = 0;  // from the pen to the bitmap's first column
    int top = 0;   // from the baseline up to the bitmap's first row
    int columns = 0;
    int rows = 0;
    std::vector<std::uint8_t> coverage;  // rows * columns, top row first
  };

  const Glyph& Find(char32_t code) const;
  // The pen offset that keeps a glyph reaching left of the pen (a 'j' at the
  // start) inside the box, and the box's width.
  void Extent(const std::u32string& text, int& penStart, int& width) const;

  std::unordered_map<char32_t, Glyph> m_glyphs;
  Glyph m_missing;
  int m_ascent = 0;
  int m_descent = 0;
  std::string m_fontFile;
  std::string m_error;
};

// Fills a rectangle of the RGBA image (rows top first) with an opaque colour,
// clipped to the image; a 1-pixel-wide or -high rectangle is a straight line.
void FillRect(std::uint8_t* rgba, int width, int height, int left, int top, int rectWidth,
              int rectHeight, const std::array<std::uint8_t, 3>& colour);
