#include "render/TextPainter.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>

namespace {

constexpr char kFamily[] = "DejaVu Sans";
// What every picture's labels use: a font without one of these is passed over.
constexpr char32_t kRequired[] =
    U"0123456789abcdefghijklmnopqrstuvwxyz"
    U"ABCDEFGHIJKLMNOPQRSTUVWXYZ-.=(),\u00D7\u2212";
// Rendered up front; inclusive ranges.
constexpr std::pair<char32_t, char32_t> kRepertoire[] = {
    {0x20, 0x7E}, {0xA0, 0xFF}, {0x391, 0x3A9}, {0x3B1, 0x3C9}, {0x2026, 0x2026}, {0x2212, 0x2212},
};
// Labels are small; this only keeps a bad argument from asking FreeType for
// megabyte bitmaps.
constexpr int kMaxPixelSize = 512;

struct ConfigFree {
  void operator()(FcConfig* c) const { FcConfigDestroy(c); }
};
struct PatternFree {
  void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
struct FontSetFree {
  void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
};
struct CharSetFree {
  void operator()(FcCharSet* c) const { FcCharSetDestroy(c); }
};
struct LibraryFree {
  void operator()(FT_Library l) const { FT_Done_FreeType(l); }
};
using LibraryPtr = std::unique_ptr<std::remove_pointer_t<FT_Library>, LibraryFree>;

int CeilPixels(FT_Pos v) { return static_cast<int>((v + 63) >> 6); }

// Invalid UTF-8 becomes U+FFFD one byte at a time, so a damaged string still
// shows where it is damaged.
std::u32string Decode(const std::string& utf8) {
  std::u32string out;
  const auto* p = reinterpret_cast<const FcChar8*>(utf8.data());
  int left = static_cast<int>(utf8.size());
  while (left > 0) {
    FcChar32 c = 0;
    int used = FcUtf8ToUcs4(p, &c, left);
    if (used <= 0) {
      c = 0xFFFD;
      used = 1;
    }
    out.push_back(static_cast<char32_t>(c));
    p += used;
    left -= used;
  }
  return out;
}

// fontconfig's candidates for kFamily, best first, each as (file, face index),
// keeping only scalable fonts that hold kRequired.
std::vector<std::pair<std::string, int>> Candidates(std::string& error) {
  std::vector<std::pair<std::string, int>> files;
  // A configuration of our own rather than the process's current one: it is
  // freed again (FcInit's is not, which leak checkers report), and no other
  // library's changes to the current one reach the pictures.
  std::unique_ptr<FcConfig, ConfigFree> config(FcInitLoadConfigAndFonts());
  if (!config) {
    error = "fontconfig could not load its configuration";
    return files;
  }
  std::unique_ptr<FcPattern, PatternFree> pattern(FcPatternCreate());
  std::unique_ptr<FcCharSet, CharSetFree> required(FcCharSetCreate());
  if (!pattern || !required) {
    error = "out of memory asking fontconfig for a font";
    return files;
  }
  for (char32_t c : kRequired) {
    if (c != 0) FcCharSetAddChar(required.get(), c);
  }
  FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(kFamily));
  FcPatternAddInteger(pattern.get(), FC_WEIGHT, FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern.get(), FC_SLANT, FC_SLANT_ROMAN);
  FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
  FcConfigSubstitute(config.get(), pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(pattern.get());
  FcResult result = FcResultNoMatch;
  std::unique_ptr<FcFontSet, FontSetFree> sorted(
      FcFontSort(config.get(), pattern.get(), FcFalse, nullptr, &result));
  for (int i = 0; sorted && i < sorted->nfont; ++i) {
    const FcPattern* font = sorted->fonts[i];
    FcBool scalable = FcFalse;
    FcCharSet* chars = nullptr;
    FcChar8* file = nullptr;
    int index = 0;
    if (FcPatternGetBool(font, FC_SCALABLE, 0, &scalable) != FcResultMatch || !scalable) continue;
    if (FcPatternGetCharSet(font, FC_CHARSET, 0, &chars) != FcResultMatch ||
        !FcCharSetIsSubset(required.get(), chars))
      continue;
    if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch) continue;
    FcPatternGetInteger(font, FC_INDEX, 0, &index);
    files.emplace_back(reinterpret_cast<const char*>(file), index);
  }
  if (files.empty())
    error =
        "no scalable font with the digits, the Latin letters, '\u00D7' and '\u2212' "
        "(Debian package fonts-dejavu-core)";
  return files;
}

}  // namespace

CTextPainter::CTextPainter(int pixelSize) {
  if (pixelSize < 1 || pixelSize > kMaxPixelSize) {
    m_error = "text size of " + std::to_string(pixelSize) + " pixels, outside 1.." +
              std::to_string(kMaxPixelSize);
    return;
  }
  std::vector<std::pair<std::string, int>> files = Candidates(m_error);
  if (files.empty()) return;

  FT_Library rawLibrary = nullptr;
  if (FT_Init_FreeType(&rawLibrary) != 0) {
    m_error = "FreeType could not start";
    return;
  }
  LibraryPtr library(rawLibrary);  // frees the face with it
  FT_Face face = nullptr;
  for (const auto& [file, index] : files) {
    if (FT_New_Face(library.get(), file.c_str(), index, &face) == 0) {
      if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize)) == 0) {
        m_fontFile = file;
        break;
      }
      FT_Done_Face(face);
      face = nullptr;
    }
  }
  if (face == nullptr) {
    m_error = "FreeType could not open " + files.front().first;
    return;
  }

  // Light hinting snaps only vertically: crisp baselines and x-heights at
  // 12 px without the width distortion of full hinting. Advances come out
  // whole pixels, so labels are laid out on the pixel grid.
  auto render = [&](FT_UInt index, Glyph& glyph) {
    if (FT_Load_Glyph(face, index, FT_LOAD_TARGET_LIGHT | FT_LOAD_NO_BITMAP | FT_LOAD_RENDER) != 0)
      return false;
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.rows * bitmap.width != 0) return false;
    glyph.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    glyph.left = slot->bitmap_left;
    glyph.top = slot->bitmap_top;
    glyph.columns = static_cast<int>(bitmap.width);
    glyph.rows = static_cast<int>(bitmap.rows);
    glyph.coverage.resize(static_cast<std::size_t>(glyph.columns) *
                          static_cast<std::size_t>(glyph.rows));
    for (int r = 0; r < glyph.rows; ++r) {
      // A negative pitch stores the bottom row first.
      const int from = bitmap.pitch >= 0 ? r : glyph.rows - 1 - r;
      const unsigned char* row =
          bitmap.buffer + static_cast<std::ptrdiff_t>(from) * std::abs(bitmap.pitch);
      std::copy(row, row + glyph.columns,
                glyph.coverage.begin() + static_cast<std::ptrdiff_t>(r) * glyph.columns);
    }
    m_ascent = std::max(m_ascent, glyph.top);
    m_descent = std::max(m_descent, glyph.rows - glyph.top);
    return true;
  };

  m_ascent = CeilPixels(face->size->metrics.ascender);
  m_descent = CeilPixels(-face->size->metrics.descender);
  if (!render(0, m_missing)) {
    m_error = "FreeType could not draw the missing-glyph box of " + m_fontFile;
    m_ascent = m_descent = 0;
    return;
  }
  for (const auto& [first, last] : kRepertoire) {
    for (char32_t c = first; c <= last; ++c) {
      const FT_UInt index = FT_Get_Char_Index(face, c);
      Glyph glyph;
      if (index != 0 && render(index, glyph)) m_glyphs.emplace(c, std::move(glyph));
    }
  }
}

const CTextPainter::Glyph& CTextPainter::Find(char32_t code) const {
  const auto it = m_glyphs.find(code);
  return it != m_glyphs.end() ? it->second : m_missing;
}

void CTextPainter::Extent(const std::u32string& text, int& penStart, int& width) const {
  int pen = 0;
  int inkLeft = 0;
  int right = 0;
  for (char32_t c : text) {
    const Glyph& glyph = Find(c);
    if (!glyph.coverage.empty()) {
      inkLeft = std::min(inkLeft, pen + glyph.left);
      right = std::max(right, pen + glyph.left + glyph.columns);
    }
    pen += glyph.advance;
    right = std::max(right, pen);
  }
  penStart = -inkLeft;
  width = right - inkLeft;
}

TextSize CTextPainter::Measure(const std::string& utf8) const {
  TextSize size;
  int penStart = 0;
  Extent(Decode(utf8), penStart, size.width);
  size.height = m_ascent + m_descent;
  size.ascent = m_ascent;
  return size;
}

void CTextPainter::Draw(std::uint8_t* rgba, int width, int height, const std::string& utf8,
                        int left, int top, const std::array<std::uint8_t, 3>& colour) const {
  if (rgba == nullptr || width <= 0 || height <= 0) return;
  const std::u32string text = Decode(utf8);
  int pen = 0;
  int boxWidth = 0;
  Extent(text, pen, boxWidth);
  const std::size_t stride = static_cast<std::size_t>(width) * 4;
  for (char32_t c : text) {
    const Glyph& glyph = Find(c);
    const int x0 = left + pen + glyph.left;
    const int y0 = top + m_ascent - glyph.top;
    pen += glyph.advance;
    const int c0 = std::max(0, -x0);
    const int c1 = std::min(glyph.columns, width - x0);
    const int r0 = std::max(0, -y0);
    const int r1 = std::min(glyph.rows, height - y0);
    for (int r = r0; r < r1; ++r) {
      const std::uint8_t* cover =
          glyph.coverage.data() + static_cast<std::size_t>(r) * glyph.columns;
      std::uint8_t* pixel =
          rgba + static_cast<std::size_t>(y0 + r) * stride + static_cast<std::size_t>(x0 + c0) * 4;
      for (int col = c0; col < c1; ++col, pixel += 4) {
        const unsigned a = cover[col];
        if (a == 0) continue;
        for (int k = 0; k < 3; ++k)
          pixel[k] = static_cast<std::uint8_t>((colour[k] * a + pixel[k] * (255 - a) + 127) / 255);
      }
    }
  }
}

void FillRect(std::uint8_t* rgba, int width, int height, int left, int top, int rectWidth,
              int rectHeight, const std::array<std::uint8_t, 3>& colour) {
  if (rgba == nullptr) return;
  const int x0 = std::max(left, 0);
  const int x1 = std::min(left + rectWidth, width);
  const int y0 = std::max(top, 0);
  const int y1 = std::min(top + rectHeight, height);
  for (int y = y0; y < y1; ++y) {
    std::uint8_t* pixel =
        rgba + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + x0) * 4;
    for (int x = x0; x < x1; ++x, pixel += 4) std::copy(colour.begin(), colour.end(), pixel);
  }
}
