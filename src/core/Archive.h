// Byte-level writer and reader of the object archive that parameter files use:
// little-endian integers, IEEE-754 doubles, length-prefixed strings and the
// new-class record that introduces the one object a file holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class CArchiveWriter {
 public:
  void WriteU8(std::uint8_t value);
  void WriteU16(std::uint16_t value);
  void WriteU32(std::uint32_t value);
  void WriteInt32(std::int32_t value);
  void WriteDouble(double value);
  // Tag 0xFFFF, schema, 16-bit name length, the name without a terminator.
  void WriteNewClass(std::string_view className, std::uint16_t schema);
  // Narrow form: n in one byte when n <= 254, else 0xFF and 16 bits when
  // n <= 0xFFFD, else 0xFF, 0xFFFF and 32 bits; then the bytes. The caller keeps
  // n below 0xFFFFFFFF.
  void WriteString(std::string_view bytes);
  // The bytes as they are, with no length.
  void WriteBytes(std::span<const std::uint8_t> bytes);

  const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }

 private:
  std::vector<std::uint8_t> m_bytes;
};

// A string as read: either 8-bit text, or (wide) UTF-16LE with two bytes per unit.
struct ArchiveString {
  bool wide = false;
  std::string bytes;
};

// Reads from bytes it does not own. A read that would run past the end fails
// and leaves its output alone; lengths are checked against the bytes that
// remain before anything is allocated, so a forged length costs nothing.
class CArchiveReader {
 public:
  explicit CArchiveReader(std::span<const std::uint8_t> bytes) : m_bytes(bytes) {}

  bool ReadU8(std::uint8_t* value);
  bool ReadU16(std::uint16_t* value);
  bool ReadU32(std::uint32_t* value);
  bool ReadInt32(std::int32_t* value);
  bool ReadDouble(double* value);
  // Accepts only a new-class record (tag 0xFFFF) naming className with the
  // given schema; the null tag 0x0000, references to earlier classes and names
  // longer than 63 bytes are refused.
  bool ReadNewClass(std::string_view className, std::uint16_t schema);
  // Accepts the narrow form and the wide form (0xFF, 0xFFFE, then the length
  // in the same scheme counting 16-bit units).
  bool ReadString(ArchiveString* value);
  // The next count bytes, still owned by the caller of the constructor.
  bool ReadBytes(std::size_t count, std::span<const std::uint8_t>* bytes);

  std::size_t Remaining() const { return m_bytes.size() - m_pos; }

 private:
  bool ReadLength(std::uint32_t* length, bool* wide);
  bool Take(std::size_t count, const std::uint8_t** data);
  template <typename T>
  bool ReadNumber(T* value);

  std::span<const std::uint8_t> m_bytes;
  std::size_t m_pos = 0;
};
