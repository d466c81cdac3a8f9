#include "core/DibImage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

using Buf = std::vector<std::uint8_t>;

// A picture whose every pixel differs in each channel from its neighbours;
// each row followed by `padding` bytes of 0xEE that are no pixels.
Buf Picture(int width, int height, int padding = 0) {
  Buf rgba;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      rgba.insert(rgba.end(),
                  {std::uint8_t(x * 3 + y), std::uint8_t(y * 5 + x), std::uint8_t(x ^ y), 0xA5});
    rgba.insert(rgba.end(), static_cast<std::size_t>(padding), 0xEE);
  }
  return rgba;
}

TEST(DibImageTest, BmpFileOf301By200ItsHeaderReadAndFailedWrites) {
  const std::size_t stride = 301 * 4 + 8;
  const Buf rgba = Picture(301, 200, 8);
  CDibImage dib;
  ASSERT_TRUE(dib.FromBitmap(RgbaImageView{rgba.data(), 301, 200, stride}));
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  ASSERT_TRUE(dib.WriteBmp(file));
  std::rewind(file);
  Buf written(200000);
  written.resize(std::fread(written.data(), 1, written.size(), file));
  std::fclose(file);

  // File size 180854, pixels at 54; a 40-byte header of 301 x 200, one plane
  // of 24 bits, no compression, 180800 bytes of pixels; the rest 0.
  Buf expected = {'B', 'M', 0x76, 0xC2, 2, 0, 0, 0, 0, 0,  54, 0, 0, 0, 40, 0,    0,    0, 0x2D,
                  1,   0,   0,    200,  0, 0, 0, 1, 0, 24, 0,  0, 0, 0, 0,  0x40, 0xC2, 2, 0};
  expected.resize(54, 0);
  // Bottom row first, blue green red, rows of 904 bytes; the source's padding skipped.
  for (int y = 199; y >= 0; --y) {
    for (int x = 0; x < 301; ++x) {
      const std::uint8_t* p = &rgba[static_cast<std::size_t>(y) * stride + x * 4];
      expected.insert(expected.end(), {p[2], p[1], p[0]});
    }
    expected.push_back(0);
  }
  ASSERT_EQ(expected.size(), 180854u);
  EXPECT_TRUE(written == expected);
  EXPECT_TRUE(dib.FileBytes() == expected);
  EXPECT_TRUE(dib.Block() == Buf(expected.begin() + 14, expected.end()));
  // A header with biSizeImage left 0 is completed in the copy only.
  Buf block(expected.begin() + 14, expected.begin() + 54);
  block[20] = block[21] = block[22] = 0;
  const Buf before = block;
  BITMAPINFOHEADER header;
  ASSERT_TRUE(CDibImage::ReadHeader(block, header));
  EXPECT_EQ(header.biSizeImage, 904u * 200u);
  EXPECT_EQ(block, before);
  EXPECT_FALSE(CDibImage::ReadHeader(Buf(39), header));

  EXPECT_FALSE(dib.WriteBmp(nullptr));
  // A device that takes no data: the failure shows at the latest on the flush.
  std::FILE* full = std::fopen("/dev/full", "wb");
  ASSERT_NE(full, nullptr);
  EXPECT_FALSE(dib.WriteBmp(full));
  std::fclose(full);
}

}  // namespace
