#include "core/Cp932.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>

namespace {

constexpr char kReplacementUtf8[] = "\xEF\xBF\xBD";  // U+FFFD

// glibc knows the code page under several names; older or trimmed installations
// may lack some of them.
constexpr const char* kCp932Names[] = {"CP932", "WINDOWS-31J", "SHIFT_JIS"};

class Converter {
 public:
  explicit Converter(bool toUtf8) {
    for (const char* name : kCp932Names) {
      m_cd = toUtf8 ? iconv_open("UTF-8", name) : iconv_open(name, "UTF-8");
      if (m_cd != Invalid()) return;
    }
  }
  ~Converter() {
    if (m_cd != Invalid()) iconv_close(m_cd);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool Valid() const { return m_cd != Invalid(); }

  // Converts as much as it can from *in, appending to out. Returns true when
  // all input was consumed; otherwise *in points at the offending bytes.
  bool Convert(std::string_view* in, std::string& out) {
    char* src = const_cast<char*>(in->data());
    std::size_t srcLeft = in->size();
    char buffer[512];
    bool done = false;
    while (!done) {
      char* dst = buffer;
      std::size_t dstLeft = sizeof buffer;
      const std::size_t result = iconv(m_cd, &src, &srcLeft, &dst, &dstLeft);
      out.append(buffer, static_cast<std::size_t>(dst - buffer));
      if (result != static_cast<std::size_t>(-1)) {
        done = true;
      } else if (errno != E2BIG) {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        *in = std::string_view(src, srcLeft);
        return false;
      }
    }
    *in = std::string_view(src, srcLeft);
    return true;
  }

 private:
  static iconv_t Invalid() { return reinterpret_cast<iconv_t>(-1); }
  iconv_t m_cd;
};

// Length of the well-formed UTF-8 sequence at the start of text, or 1 when it
// is malformed (a stray continuation byte, an overlong form such as C0 80, an
// encoded surrogate, a value past U+10FFFF, or a cut-off sequence).
std::size_t Utf8SequenceLength(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
  const std::uint8_t lead = byte(0);
  std::size_t length = 0;
  std::uint8_t low = 0x80;
  std::uint8_t high = 0xBF;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 1;
  }
  if (text.size() < length) return 1;
  if (byte(1) < low || byte(1) > high) return 1;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 1;
  }
  return length;
}

void AppendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace

std::string Cp932ToUtf8(std::string_view cp932) {
  std::string out;
  out.reserve(cp932.size());
  Converter converter(true);
  while (!cp932.empty()) {
    if (converter.Valid()) {
      if (converter.Convert(&cp932, out)) break;
    } else if (static_cast<std::uint8_t>(cp932[0]) < 0x80) {
      // Without a converter ASCII, and so every formula of the language, still passes.
      out += cp932[0];
      cp932.remove_prefix(1);
      continue;
    }
    out += kReplacementUtf8;
    cp932.remove_prefix(1);
  }
  return out;
}

std::string Utf8ToCp932(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  Converter converter(false);
  while (!utf8.empty()) {
    if (converter.Valid()) {
      if (converter.Convert(&utf8, out)) break;
    } else if (static_cast<std::uint8_t>(utf8[0]) < 0x80) {
      out += utf8[0];
      utf8.remove_prefix(1);
      continue;
    }
    out += '?';
    utf8.remove_prefix(Utf8SequenceLength(utf8));
  }
  return out;
}

std::string Utf16LeToUtf8(std::string_view utf16le) {
  std::string out;
  out.reserve(utf16le.size());
  const std::size_t units = utf16le.size() / 2;
  const auto unit = [&](std::size_t i) {
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(utf16le[2 * i]) |
                                      (static_cast<std::uint8_t>(utf16le[2 * i + 1]) << 8));
  };
  for (std::size_t i = 0; i < units; ++i) {
    const std::uint32_t first = unit(i);
    if (first >= 0xD800 && first <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 &&
        unit(i + 1) <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((first - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
      ++i;
    } else if (first >= 0xD800 && first <= 0xDFFF) {
      out += kReplacementUtf8;
    } else {
      AppendUtf8(out, first);
    }
  }
  return out;
}

std::size_t Cp932Length(std::string_view utf8) { return Utf8ToCp932(utf8).size(); }
