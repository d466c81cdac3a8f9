// Numbers as bytes in little-endian order whatever the machine's own, the
// order of the parameter files, the bitmaps and binary STL: unsigned and
// signed integers of 2, 4 or 8 bytes (signed ones as two's complement) and
// IEEE-754 floats and doubles.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

template <typename T>
concept LittleEndianNumber = std::is_arithmetic_v<T> &&
    (sizeof(T) == 2 || sizeof(T) == 4 || sizeof(T) == 8);

template <LittleEndianNumber T>
using LittleEndianBits =
    std::conditional_t<sizeof(T) == 2, std::uint16_t,
                       std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>>;

// Writes sizeof(T) bytes at out.
template <LittleEndianNumber T>
void PutLittleEndian(std::uint8_t* out, T value) {
  const auto bits = std::bit_cast<LittleEndianBits<T>>(value);
  for (std::size_t k = 0; k < sizeof(T); ++k) out[k] = static_cast<std::uint8_t>(bits >> (8 * k));
}

template <LittleEndianNumber T>
T GetLittleEndian(const std::uint8_t* in) {
  LittleEndianBits<T> bits = 0;
  for (std::size_t k = sizeof(T); k-- > 0;) {
    bits = static_cast<LittleEndianBits<T>>(bits << 8 | in[k]);
  }
  return std::bit_cast<T>(bits);
}

template <LittleEndianNumber T>
void AppendLittleEndian(std::vector<std::uint8_t>& bytes, T value) {
  const std::size_t at = bytes.size();
  bytes.resize(at + sizeof(T));
  PutLittleEndian(bytes.data() + at, value);
}
