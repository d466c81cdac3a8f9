#include "core/Archive.h"

#include "core/LittleEndian.h"

namespace {

constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::size_t kMaxClassNameLength = 63;

}  // namespace

void CArchiveWriter::WriteU8(std::uint8_t value) { m_bytes.push_back(value); }
void CArchiveWriter::WriteU16(std::uint16_t value) { AppendLittleEndian(m_bytes, value); }
void CArchiveWriter::WriteU32(std::uint32_t value) { AppendLittleEndian(m_bytes, value); }
void CArchiveWriter::WriteInt32(std::int32_t value) { AppendLittleEndian(m_bytes, value); }
void CArchiveWriter::WriteDouble(double value) { AppendLittleEndian(m_bytes, value); }

void CArchiveWriter::WriteNewClass(std::string_view className, std::uint16_t schema) {
  WriteU16(kNewClassTag);
  WriteU16(schema);
  WriteU16(static_cast<std::uint16_t>(className.size()));
  m_bytes.insert(m_bytes.end(), className.begin(), className.end());
}

void CArchiveWriter::WriteString(std::string_view bytes) {
  const std::size_t n = bytes.size();
  if (n < 0xFF) {
    WriteU8(static_cast<std::uint8_t>(n));
  } else if (n < 0xFFFE) {
    WriteU8(0xFF);
    WriteU16(static_cast<std::uint16_t>(n));
  } else {
    WriteU8(0xFF);
    WriteU16(0xFFFF);
    WriteU32(static_cast<std::uint32_t>(n));
  }
  m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
}

void CArchiveWriter::WriteBytes(std::span<const std::uint8_t> bytes) {
  m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
}

bool CArchiveReader::Take(std::size_t count, const std::uint8_t** data) {
  if (count > Remaining()) return false;
  *data = m_bytes.data() + m_pos;
  m_pos += count;
  return true;
}

template <typename T>
bool CArchiveReader::ReadNumber(T* value) {
  const std::uint8_t* p = nullptr;
  if (!Take(sizeof(T), &p)) return false;
  *value = GetLittleEndian<T>(p);
  return true;
}

bool CArchiveReader::ReadU8(std::uint8_t* value) {
  const std::uint8_t* p = nullptr;
  if (!Take(1, &p)) return false;
  *value = p[0];
  return true;
}

bool CArchiveReader::ReadU16(std::uint16_t* value) { return ReadNumber(value); }
bool CArchiveReader::ReadU32(std::uint32_t* value) { return ReadNumber(value); }
bool CArchiveReader::ReadInt32(std::int32_t* value) { return ReadNumber(value); }
bool CArchiveReader::ReadDouble(double* value) { return ReadNumber(value); }

bool CArchiveReader::ReadNewClass(std::string_view className, std::uint16_t schema) {
  std::uint16_t tag = 0;
  std::uint16_t storedSchema = 0;
  std::uint16_t length = 0;
  if (!ReadU16(&tag) || tag != kNewClassTag) return false;
  if (!ReadU16(&storedSchema) || !ReadU16(&length)) return false;
  if (length > kMaxClassNameLength) return false;
  const std::uint8_t* name = nullptr;
  if (!Take(length, &name)) return false;
  if (std::string_view(reinterpret_cast<const char*>(name), length) != className) return false;
  return storedSchema == schema;
}

// 0xFF escapes to 16 bits; there 0xFFFE switches to 16-bit units and starts the
// scheme over once, and 0xFFFF escapes to 32 bits. A 32-bit 0xFFFFFFFF would
// escape further to 64 bits, which no file within the size limit can need.
bool CArchiveReader::ReadLength(std::uint32_t* length, bool* wide) {
  *wide = false;
  std::uint8_t byteLength = 0;
  if (!ReadU8(&byteLength)) return false;
  if (byteLength < 0xFF) {
    *length = byteLength;
    return true;
  }
  std::uint16_t wordLength = 0;
  if (!ReadU16(&wordLength)) return false;
  if (wordLength == 0xFFFE) {
    *wide = true;
    if (!ReadU8(&byteLength)) return false;
    if (byteLength < 0xFF) {
      *length = byteLength;
      return true;
    }
    if (!ReadU16(&wordLength)) return false;
  }
  if (wordLength < 0xFFFF) {
    *length = wordLength;
    return true;
  }
  std::uint32_t longLength = 0;
  if (!ReadU32(&longLength) || longLength == 0xFFFFFFFF) return false;
  *length = longLength;
  return true;
}

bool CArchiveReader::ReadString(ArchiveString* value) {
  std::uint32_t length = 0;
  bool wide = false;
  if (!ReadLength(&length, &wide)) return false;
  const std::uint64_t byteCount = wide ? std::uint64_t{length} * 2 : length;
  if (byteCount > Remaining()) return false;
  const std::uint8_t* text = nullptr;
  if (!Take(static_cast<std::size_t>(byteCount), &text)) return false;
  value->wide = wide;
  value->bytes.assign(reinterpret_cast<const char*>(text), static_cast<std::size_t>(byteCount));
  return true;
}

bool CArchiveReader::ReadBytes(std::size_t count, std::span<const std::uint8_t>* bytes) {
  const std::uint8_t* data = nullptr;
  if (!Take(count, &data)) return false;
  *bytes = {data, count};
  return true;
}
