#include "core/DibImage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

// A picture whose every pixel differs in each channel from its neighbours.
std::vector<std::uint8_t> Picture(int width, int height) {
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
      p[0] = static_cast<std::uint8_t>(x * 3 + y);
      p[1] = static_cast<std::uint8_t>(y * 5 + x);
      p[2] = static_cast<std::uint8_t>(x ^ y);
      p[3] = 0xA5;
    }
  }
  return rgba;
}

std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t Le16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

TEST(DibImageTest, BlockOf301By200) {
  const std::vector<std::uint8_t> rgba = Picture(301, 200);
  CDibImage dib;
  ASSERT_TRUE(dib.FromBitmap(RgbaImageView{rgba.data(), 301, 200, 0}));
  const std::vector<std::uint8_t>& block = dib.Block();
  ASSERT_EQ(block.size(), 40u + 180800u);

  EXPECT_EQ(Le32(block, 0), 40u);       // biSize
  EXPECT_EQ(Le32(block, 4), 301u);      // biWidth
  EXPECT_EQ(Le32(block, 8), 200u);      // biHeight: positive, bottom row first
  EXPECT_EQ(Le16(block, 12), 1u);       // biPlanes
  EXPECT_EQ(Le16(block, 14), 24u);      // biBitCount
  EXPECT_EQ(Le32(block, 16), 0u);       // biCompression
  EXPECT_EQ(Le32(block, 20), 180800u);  // biSizeImage
  for (std::size_t at = 24; at < 40; at += 4) EXPECT_EQ(Le32(block, at), 0u) << at;

  for (int row = 0; row < 200; ++row) {
    const std::size_t start = 40 + static_cast<std::size_t>(row) * 904;
    const int y = 199 - row;
    for (int x = 0; x < 301; ++x) {
      const std::uint8_t* src = &rgba[(static_cast<std::size_t>(y) * 301 + x) * 4];
      const std::size_t at = start + static_cast<std::size_t>(x) * 3;
      ASSERT_EQ(block[at], src[2]) << row << "," << x;
      ASSERT_EQ(block[at + 1], src[1]) << row << "," << x;
      ASSERT_EQ(block[at + 2], src[0]) << row << "," << x;
    }
    EXPECT_EQ(block[start + 903], 0u) << row;
  }

  BITMAPINFOHEADER header;
  ASSERT_TRUE(CDibImage::ReadHeader(block, header));
  EXPECT_EQ(header.biWidth, 301);
  EXPECT_EQ(header.biSizeImage, 180800u);
  EXPECT_EQ(header.biClrUsed, 0u);
}

TEST(DibImageTest, SourceRowPaddingIsSkipped) {
  // 3 x 2 pixels in rows of 16 bytes; the last 4 bytes of each row are junk.
  const std::vector<std::uint8_t> rgba = {
      1,  2,  3,  0, 4,  5,  6,  0, 7,  8,  9,  0, 0xEE, 0xEE, 0xEE, 0xEE,  // top
      10, 11, 12, 0, 13, 14, 15, 0, 16, 17, 18, 0, 0xEE, 0xEE, 0xEE, 0xEE,  // bottom
  };
  CDibImage dib;
  ASSERT_TRUE(dib.FromBitmap(RgbaImageView{rgba.data(), 3, 2, 16}));
  const std::vector<std::uint8_t> rows(dib.Block().begin() + 40, dib.Block().end());
  const std::vector<std::uint8_t> expected = {
      12, 11, 10, 15, 14, 13, 18, 17, 16, 0, 0, 0,  // bottom row first
      3,  2,  1,  6,  5,  4,  9,  8,  7,  0, 0, 0,
  };
  EXPECT_EQ(rows, expected);
}

TEST(DibImageTest, RefusesPicturesItCannotHold) {
  const std::vector<std::uint8_t> rgba = Picture(4, 4);
  struct Case {
    const char* name;
    RgbaImageView view;
  };
  const Case cases[] = {
      {"no pixels", {nullptr, 4, 4, 0}},
      {"zero width", {rgba.data(), 0, 4, 0}},
      {"negative height", {rgba.data(), 4, -1, 0}},
      {"rows shorter than the width", {rgba.data(), 4, 4, 15}},
      // 90,000-byte rows times 50,000 exceed the 32-bit size fields.
      {"beyond 4 GiB", {rgba.data(), 30000, 50000, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CDibImage dib;
    ASSERT_TRUE(dib.FromBitmap(RgbaImageView{rgba.data(), 4, 4, 0}));
    EXPECT_FALSE(dib.FromBitmap(c.view));
    EXPECT_TRUE(dib.IsEmpty());
  }
}

TEST(DibImageTest, Stride) {
  struct Case {
    int width, bitCount;
    std::uint64_t stride;
  };
  const Case cases[] = {{1, 24, 4},     {2, 24, 8},      {3, 24, 12},   {4, 24, 12},  {5, 24, 16},
                        {301, 24, 904}, {301, 32, 1204}, {301, 8, 304}, {301, 1, 40}, {0, 24, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(CDibImage::Stride(c.width, c.bitCount), c.stride) << c.width << "x" << c.bitCount;
  }
}

TEST(DibImageTest, ColourTable) {
  struct Case {
    std::uint32_t clrUsed;
    std::uint16_t bitCount;
    std::uint16_t count;
  };
  const Case cases[] = {{0, 1, 2},  {0, 4, 16}, {0, 8, 256}, {0, 16, 0},
                        {0, 24, 0}, {0, 32, 0}, {5, 8, 5},   {12, 24, 12}};
  for (const Case& c : cases) {
    BITMAPINFOHEADER header;
    header.biClrUsed = c.clrUsed;
    header.biBitCount = c.bitCount;
    EXPECT_EQ(CDibImage::ColorCount(header), c.count) << c.clrUsed << "/" << c.bitCount;
    EXPECT_EQ(CDibImage::ColorTableSize(header), c.count * 4) << c.clrUsed << "/" << c.bitCount;
  }
}

TEST(DibImageTest, ReadHeaderCompletesTheCopyOnly) {
  // An 8-bit header with biSizeImage and biClrUsed left 0.
  std::vector<std::uint8_t> block(40, 0);
  block[0] = 40;
  block[4] = 301 & 0xFF;
  block[5] = 301 >> 8;
  block[8] = 200;
  block[12] = 1;
  block[14] = 8;
  const std::vector<std::uint8_t> before = block;
  BITMAPINFOHEADER header;
  ASSERT_TRUE(CDibImage::ReadHeader(block, header));
  EXPECT_EQ(header.biSizeImage, 304u * 200u);
  EXPECT_EQ(header.biClrUsed, 256u);
  EXPECT_EQ(header.biBitCount, 8u);
  EXPECT_EQ(block, before);

  block.resize(39);
  EXPECT_FALSE(CDibImage::ReadHeader(block, header));
}

TEST(DibImageTest, WriteBmpFileBytes) {
  const std::vector<std::uint8_t> rgba = Picture(301, 200);
  CDibImage dib;
  ASSERT_TRUE(dib.FromBitmap(RgbaImageView{rgba.data(), 301, 200, 301 * 4}));

  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  ASSERT_TRUE(dib.WriteBmp(file));
  std::rewind(file);
  std::vector<std::uint8_t> written(200000);
  written.resize(std::fread(written.data(), 1, written.size(), file));
  std::fclose(file);

  std::vector<std::uint8_t> expected = {
      'B',  'M',  0x76, 0xC2, 0x02, 0x00,  // file size 180854
      0,    0,    0,    0,                 // reserved
      54,   0,    0,    0,                 // pixel offset
      40,   0,    0,    0,                 // biSize
      0x2D, 0x01, 0,    0,                 // biWidth 301
      200,  0,    0,    0,                 // biHeight
      1,    0,    24,   0,                 // biPlanes, biBitCount
      0,    0,    0,    0,                 // biCompression
      0x40, 0xC2, 0x02, 0x00,              // biSizeImage 180800
  };
  expected.resize(54, 0);
  for (int y = 199; y >= 0; --y) {
    for (int x = 0; x < 301; ++x) {
      const std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * 301 + x) * 4];
      expected.insert(expected.end(), {p[2], p[1], p[0]});
    }
    expected.push_back(0);
  }
  ASSERT_EQ(expected.size(), 180854u);
  EXPECT_TRUE(written == expected);
}

TEST(DibImageTest, WriteBmpFailures) {
  CDibImage empty;
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  EXPECT_FALSE(empty.WriteBmp(file));
  EXPECT_EQ(std::ftell(file), 0);  // nothing written
  std::fclose(file);

  const std::vector<std::uint8_t> rgba = Picture(8, 8);
  CDibImage dib;
  ASSERT_TRUE(dib.FromBitmap(RgbaImageView{rgba.data(), 8, 8, 0}));
  EXPECT_FALSE(dib.WriteBmp(nullptr));

  // A device that takes no data: the failure shows at the latest on the flush.
  std::FILE* full = std::fopen("/dev/full", "wb");
  if (full == nullptr) GTEST_SKIP() << "no /dev/full";
  EXPECT_FALSE(dib.WriteBmp(full));
  std::fclose(full);
}

}  // namespace
