#include "cli/PngWriter.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

bool WritePng(const std::string& path, const Frame& frame, std::string* error) {
  if (frame.width < 1 || frame.height < 1) {
    *error = "no picture to write";
    return false;
  }
  std::vector<std::uint8_t> rgb;
  rgb.reserve(frame.rgba.size() / 4 * 3);
  for (std::size_t k = 0; k + 3 < frame.rgba.size(); k += 4) {
    rgb.insert(rgb.end(), frame.rgba.begin() + static_cast<std::ptrdiff_t>(k),
               frame.rgba.begin() + static_cast<std::ptrdiff_t>(k + 3));
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    *error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  // The simplified interface reports errors in the image record instead of
  // jumping out of the caller with longjmp.
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(frame.width);
  image.height = static_cast<png_uint_32>(frame.height);
  image.format = PNG_FORMAT_RGB;
  // Faster filtering and compression: the same pixels in a somewhat larger file.
  image.flags |= PNG_IMAGE_FLAG_FAST;
  const bool written = png_image_write_to_stdio(&image, file, 0, rgb.data(), 0, nullptr) != 0;
  if (!written) *error = "cannot write " + path + ": " + image.message;
  png_image_free(&image);
  // A full disk may show only when the last buffer is flushed.
  if (std::fclose(file) != 0 && written) {
    *error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  return written;
}
