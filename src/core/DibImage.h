// Device-independent bitmap block and the bitmap file written from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

// The 40-byte information header at the start of the block (stored little-endian).
struct BITMAPINFOHEADER {
  std::uint32_t biSize = 0;
  std::int32_t biWidth = 0;
  std::int32_t biHeight = 0;
  std::uint16_t biPlanes = 0;
  std::uint16_t biBitCount = 0;
  std::uint32_t biCompression = 0;
  std::uint32_t biSizeImage = 0;
  std::int32_t biXPelsPerMeter = 0;
  std::int32_t biYPelsPerMeter = 0;
  std::uint32_t biClrUsed = 0;
  std::uint32_t biClrImportant = 0;
};

// Pixels as the view holds them: rows top first, 4 bytes per pixel in the
// order red, green, blue, alpha (alpha is dropped).
struct RgbaImageView {
  const std::uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  std::size_t bytesPerRow = 0;  // 0: width * 4
};

class CDibImage {
 public:
  static constexpr std::size_t kInfoHeaderSize = 40;
  static constexpr std::size_t kFileHeaderSize = 14;

  CDibImage() = default;
  virtual ~CDibImage() = default;

  // Builds the block: header, no colour table, 24-bit rows (blue, green, red)
  // bottom row first, each padded with zeros to a multiple of 4 bytes. False,
  // leaving the object empty, for no pixels, a size below 1 x 1, or a picture
  // whose file would not fit the header's 32-bit sizes.
  bool FromBitmap(const RgbaImageView& image);

  // The whole bitmap file: file header, then the block. Empty when the object
  // is empty.
  std::vector<std::uint8_t> FileBytes() const;

  // Writes FileBytes. False without writing when the object is empty or the
  // file is null; false when a write or the flush fails. The caller opens and
  // closes the file.
  bool WriteBmp(std::FILE* file) const;

  bool IsEmpty() const { return m_block.empty(); }
  const std::vector<std::uint8_t>& Block() const { return m_block; }

  // The block's header, with biSizeImage completed when 0 (in the copy
  // only). False for a block shorter than the header.
  static bool ReadHeader(const std::vector<std::uint8_t>& block, BITMAPINFOHEADER& header);
  // Bytes per pixel row: whole 32-bit words.
  static std::uint64_t Stride(std::int64_t width, int bitCount);

 private:
  // The device-independent bitmap: 40-byte header, then the pixel rows.
  std::vector<std::uint8_t> m_block;
};
