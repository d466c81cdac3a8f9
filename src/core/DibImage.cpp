#include "core/DibImage.h"

#include <limits>

#include "core/LittleEndian.h"

namespace {

void StoreInfoHeader(const BITMAPINFOHEADER& h, std::uint8_t* p) {
  PutLittleEndian(p + 0, h.biSize);
  PutLittleEndian(p + 4, h.biWidth);
  PutLittleEndian(p + 8, h.biHeight);
  PutLittleEndian(p + 12, h.biPlanes);
  PutLittleEndian(p + 14, h.biBitCount);
  PutLittleEndian(p + 16, h.biCompression);
  PutLittleEndian(p + 20, h.biSizeImage);
  PutLittleEndian(p + 24, h.biXPelsPerMeter);
  PutLittleEndian(p + 28, h.biYPelsPerMeter);
  PutLittleEndian(p + 32, h.biClrUsed);
  PutLittleEndian(p + 36, h.biClrImportant);
}

BITMAPINFOHEADER LoadInfoHeader(const std::uint8_t* p) {
  BITMAPINFOHEADER h;
  h.biSize = GetLittleEndian<std::uint32_t>(p + 0);
  h.biWidth = GetLittleEndian<std::int32_t>(p + 4);
  h.biHeight = GetLittleEndian<std::int32_t>(p + 8);
  h.biPlanes = GetLittleEndian<std::uint16_t>(p + 12);
  h.biBitCount = GetLittleEndian<std::uint16_t>(p + 14);
  h.biCompression = GetLittleEndian<std::uint32_t>(p + 16);
  h.biSizeImage = GetLittleEndian<std::uint32_t>(p + 20);
  h.biXPelsPerMeter = GetLittleEndian<std::int32_t>(p + 24);
  h.biYPelsPerMeter = GetLittleEndian<std::int32_t>(p + 28);
  h.biClrUsed = GetLittleEndian<std::uint32_t>(p + 32);
  h.biClrImportant = GetLittleEndian<std::uint32_t>(p + 36);
  return h;
}

}  // namespace

std::uint64_t CDibImage::Stride(std::int64_t width, int bitCount) {
  if (width <= 0 || bitCount <= 0) return 0;
  const auto bits = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bitCount);
  return (bits + 31) / 32 * 4;
}

bool CDibImage::ReadHeader(const std::vector<std::uint8_t>& block, BITMAPINFOHEADER& header) {
  if (block.size() < kInfoHeaderSize) return false;
  header = LoadInfoHeader(block.data());
  if (header.biSizeImage == 0) {
    const std::int64_t rows =
        header.biHeight < 0 ? -std::int64_t{header.biHeight} : header.biHeight;
    header.biSizeImage = static_cast<std::uint32_t>(Stride(header.biWidth, header.biBitCount) *
                                                    static_cast<std::uint64_t>(rows));
  }
  return true;
}

bool CDibImage::FromBitmap(const RgbaImageView& image) {
  m_block.clear();
  if (image.pixels == nullptr || image.width < 1 || image.height < 1) return false;
  const std::size_t width = static_cast<std::size_t>(image.width);
  const std::size_t height = static_cast<std::size_t>(image.height);
  const std::size_t srcStride = image.bytesPerRow != 0 ? image.bytesPerRow : width * 4;
  if (srcStride < width * 4) return false;

  constexpr int kBitCount = 24;
  const std::uint64_t stride = Stride(image.width, kBitCount);
  const std::uint64_t imageSize = stride * height;
  // The file size field (header + rows + 14) is 32 bits wide.
  if (imageSize > std::numeric_limits<std::uint32_t>::max() - kInfoHeaderSize - kFileHeaderSize) {
    return false;
  }

  BITMAPINFOHEADER header;
  header.biSize = kInfoHeaderSize;
  header.biWidth = image.width;
  header.biHeight = image.height;
  header.biPlanes = 1;
  header.biBitCount = kBitCount;
  header.biCompression = 0;
  header.biSizeImage = static_cast<std::uint32_t>(imageSize);

  m_block.assign(kInfoHeaderSize + header.biSizeImage, 0);
  StoreInfoHeader(header, m_block.data());
  std::uint8_t* rows = m_block.data() + kInfoHeaderSize;
  for (std::size_t r = 0; r < height; ++r) {
    // File rows run bottom-up; the padding bytes keep their zeros.
    const std::uint8_t* src = image.pixels + (height - 1 - r) * srcStride;
    std::uint8_t* dst = rows + r * stride;
    for (std::size_t x = 0; x < width; ++x, src += 4, dst += 3) {
      dst[0] = src[2];
      dst[1] = src[1];
      dst[2] = src[0];
    }
  }
  return true;
}

std::vector<std::uint8_t> CDibImage::FileBytes() const {
  BITMAPINFOHEADER header;
  if (!ReadHeader(m_block, header)) return {};
  const std::uint64_t dibSize = std::uint64_t{header.biSize} + header.biSizeImage;
  if (dibSize > m_block.size()) return {};

  std::vector<std::uint8_t> bytes;
  bytes.reserve(static_cast<std::size_t>(kFileHeaderSize + dibSize));
  bytes.resize(kFileHeaderSize);
  PutLittleEndian<std::uint16_t>(bytes.data() + 0, 0x4D42);
  PutLittleEndian(bytes.data() + 2, static_cast<std::uint32_t>(dibSize + kFileHeaderSize));
  PutLittleEndian(bytes.data() + 10, static_cast<std::uint32_t>(header.biSize + kFileHeaderSize));
  bytes.insert(bytes.end(), m_block.begin(),
               m_block.begin() + static_cast<std::ptrdiff_t>(dibSize));
  return bytes;
}

bool CDibImage::WriteBmp(std::FILE* file) const {
  if (file == nullptr) return false;
  const std::vector<std::uint8_t> bytes = FileBytes();
  if (bytes.empty()) return false;
  return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0;
}
