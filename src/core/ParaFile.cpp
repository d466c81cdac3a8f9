#include "core/ParaFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <string_view>
#include <utility>

#include "core/Archive.h"
#include "core/Cp932.h"
#include "core/SafeSave.h"

const char* const PARAFILE_BAD_FORMAT = "予期しないﾌｧｲﾙ形式です。";
const char* const PARAFILE_BLOCK_DAMAGED =
    "ﾌｧｲﾙの拡張部分が壊れています。ﾊﾟﾗﾒｰﾀ以外を読み込みました。";
const char* const PARAFILE_BLOCK_NEWER =
    "ﾌｧｲﾙの拡張部分はこのﾊﾞｰｼﾞｮﾝでは読めません。ﾊﾟﾗﾒｰﾀ以外を読み込みました。";

namespace {

constexpr std::string_view kClassName = "CParaData";
constexpr std::uint16_t kSchema = 0x0100;

constexpr std::uint8_t kBlockMagic[] = {'O', 'v', 'x', 'E'};
constexpr std::uint16_t kBlockVersion = 1;
constexpr std::uint16_t kParameterRecord = 1;
constexpr std::uint16_t kCentreRecord = 2;

std::string WithPath(std::string_view text, const std::string& path) {
  std::string message(text);
  const std::size_t at = message.find("%1");
  if (at != std::string::npos) message.replace(at, 2, path);
  return message;
}

// Fields go into the file in this order, which is not their declaration order.
bool ReadFields(CArchiveReader& ar, CParaData& para) {
  ArchiveString formula;
  if (!ar.ReadDouble(&para.m_dUpDownAngle) || !ar.ReadDouble(&para.m_dLeftRightAngle) ||
      !ar.ReadDouble(&para.m_dRange) || !ar.ReadDouble(&para.m_dZCoef) ||
      !ar.ReadInt32(&para.m_nMesh) || !ar.ReadInt32(&para.m_bPerspective) ||
      !ar.ReadInt32(&para.m_bHiddenLine) || !ar.ReadInt32(&para.m_bShading) ||
      !ar.ReadDouble(&para.m_dContourStep) || !ar.ReadString(&formula) ||
      !ar.ReadDouble(&para.m_dZeroByZero) || !ar.ReadInt32(&para.m_nDrawStyle) ||
      !ar.ReadInt32(&para.m_nBackColor)) {
    return false;
  }
  para.m_strFormula = formula.wide ? Utf16LeToUtf8(formula.bytes) : Cp932ToUtf8(formula.bytes);
  return true;
}

std::span<const std::uint8_t> AsBytes(std::string_view text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

void WriteRecord(CArchiveWriter& body, std::uint16_t tag, const CArchiveWriter& payload) {
  body.WriteU16(tag);
  body.WriteU32(static_cast<std::uint32_t>(payload.Bytes().size()));
  body.WriteBytes(payload.Bytes());
}

void WriteBlock(CArchiveWriter& ar, const CParaData& para) {
  CArchiveWriter body;
  std::vector<std::string_view> written;
  for (const FormulaParameter& param : para.m_params) {
    const auto same = [&](std::string_view name) { return SameParameterName(name, param.name); };
    if (!IsStorableParameter(param) || written.size() == kMaxFormulaParameters ||
        std::any_of(written.begin(), written.end(), same)) {
      continue;
    }
    written.push_back(param.name);
    CArchiveWriter record;
    record.WriteU8(static_cast<std::uint8_t>(param.name.size()));
    record.WriteBytes(AsBytes(param.name));
    for (const double number : {param.value, param.min, param.max, param.step})
      record.WriteDouble(number);
    record.WriteU8(static_cast<std::uint8_t>(param.play));
    WriteRecord(body, kParameterRecord, record);
  }
  if (IsStorableCentre(para) && (para.m_dCentreX != 0.0 || para.m_dCentreY != 0.0)) {
    CArchiveWriter record;
    record.WriteDouble(para.m_dCentreX);
    record.WriteDouble(para.m_dCentreY);
    WriteRecord(body, kCentreRecord, record);
  }
  if (body.Bytes().empty()) return;
  ar.WriteBytes(kBlockMagic);
  ar.WriteU16(kBlockVersion);
  ar.WriteU32(static_cast<std::uint32_t>(body.Bytes().size()));
  ar.WriteBytes(body.Bytes());
}

// Payload bytes after the play mode are a later version's fields; a play mode
// this version does not know plays as a loop.
bool ReadParameter(std::span<const std::uint8_t> payload, FormulaParameter* param) {
  CArchiveReader ar(payload);
  std::uint8_t nameLength = 0;
  std::span<const std::uint8_t> name;
  std::uint8_t play = 0;
  if (!ar.ReadU8(&nameLength) || !ar.ReadBytes(nameLength, &name) ||
      !ar.ReadDouble(&param->value) || !ar.ReadDouble(&param->min) || !ar.ReadDouble(&param->max) ||
      !ar.ReadDouble(&param->step) || !ar.ReadU8(&play)) {
    return false;
  }
  param->name.assign(name.begin(), name.end());
  param->play = play <= static_cast<std::uint8_t>(PlayMode::Once) ? static_cast<PlayMode>(play)
                                                                  : PlayMode::Loop;
  return true;
}

// Payload bytes after the two numbers are a later version's fields.
bool ReadCentre(std::span<const std::uint8_t> payload, CParaData* para) {
  CArchiveReader ar(payload);
  return ar.ReadDouble(&para->m_dCentreX) && ar.ReadDouble(&para->m_dCentreY) &&
         IsStorableCentre(*para);
}

// Reads the rest of ar as one block into para's parameters and centre, or
// says why it cannot.
const char* ReadBlock(CArchiveReader& ar, CParaData* para) {
  std::vector<FormulaParameter>* params = &para->m_params;
  bool centreRead = false;
  std::span<const std::uint8_t> magic;
  std::uint16_t version = 0;
  if (!ar.ReadBytes(sizeof kBlockMagic, &magic) ||
      !std::equal(magic.begin(), magic.end(), kBlockMagic) || !ar.ReadU16(&version) ||
      version == 0) {
    return PARAFILE_BLOCK_DAMAGED;
  }
  if (version > kBlockVersion) return PARAFILE_BLOCK_NEWER;
  std::uint32_t bodyLength = 0;
  std::span<const std::uint8_t> body;
  if (!ar.ReadU32(&bodyLength) || !ar.ReadBytes(bodyLength, &body) || ar.Remaining() != 0)
    return PARAFILE_BLOCK_DAMAGED;
  CArchiveReader records(body);
  while (records.Remaining() > 0) {
    std::uint16_t tag = 0;
    std::uint32_t length = 0;
    std::span<const std::uint8_t> payload;
    if (!records.ReadU16(&tag) || !records.ReadU32(&length) ||
        !records.ReadBytes(length, &payload)) {
      return PARAFILE_BLOCK_DAMAGED;
    }
    if (tag == kCentreRecord) {
      // A writer gives one centre at most: a second is no choice to make.
      if (centreRead || !ReadCentre(payload, para)) return PARAFILE_BLOCK_DAMAGED;
      centreRead = true;
      continue;
    }
    if (tag != kParameterRecord) continue;
    FormulaParameter param;
    const auto same = [&](const FormulaParameter& p) {
      return SameParameterName(p.name, param.name);
    };
    if (params->size() == kMaxFormulaParameters || !ReadParameter(payload, &param) ||
        !IsStorableParameter(param) || std::any_of(params->begin(), params->end(), same)) {
      return PARAFILE_BLOCK_DAMAGED;
    }
    param.value = std::clamp(param.value, param.min, param.max);
    params->push_back(param);
  }
  return nullptr;
}

}  // namespace

bool IsParameterName(std::string_view name) {
  const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  return !name.empty() && name.size() <= kMaxParameterNameBytes && letter(name[0]) &&
         std::all_of(name.begin(), name.end(),
                     [&](char c) { return letter(c) || (c >= '0' && c <= '9'); });
}

bool IsStorableParameter(const FormulaParameter& param) {
  return IsParameterName(param.name) && std::isfinite(param.value) && std::isfinite(param.min) &&
         std::isfinite(param.max) && std::isfinite(param.step) && param.min < param.max &&
         param.step > 0.0;
}

bool IsStorableCentre(const CParaData& para) {
  return std::isfinite(para.m_dCentreX) && std::isfinite(para.m_dCentreY);
}

bool SameParameterName(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char p, char q) { return lower(p) == lower(q); });
}

std::vector<std::uint8_t> StoreParaData(const CParaData& para) {
  CArchiveWriter ar;
  ar.WriteNewClass(kClassName, kSchema);
  ar.WriteDouble(para.m_dUpDownAngle);
  ar.WriteDouble(para.m_dLeftRightAngle);
  ar.WriteDouble(para.m_dRange);
  ar.WriteDouble(para.m_dZCoef);
  ar.WriteInt32(para.m_nMesh);
  ar.WriteInt32(para.m_bPerspective);
  ar.WriteInt32(para.m_bHiddenLine);
  ar.WriteInt32(para.m_bShading);
  ar.WriteDouble(para.m_dContourStep);
  ar.WriteString(Utf8ToCp932(para.m_strFormula));
  ar.WriteDouble(para.m_dZeroByZero);
  ar.WriteInt32(para.m_nDrawStyle);
  ar.WriteInt32(para.m_nBackColor);
  WriteBlock(ar, para);
  return ar.Bytes();
}

bool LoadParaData(std::span<const std::uint8_t> bytes, CParaData& para, std::string* warning) {
  CArchiveReader ar(bytes);
  CParaData loaded;
  if (!ar.ReadNewClass(kClassName, kSchema) || !ReadFields(ar, loaded)) return false;
  const char* blockProblem = nullptr;
  if (ar.Remaining() > 0) {
    blockProblem = ReadBlock(ar, &loaded);
    if (blockProblem != nullptr) {
      loaded.m_params.clear();
      loaded.m_dCentreX = loaded.m_dCentreY = 0.0;
    }
  }
  ClampToSafeRanges(loaded);
  para = std::move(loaded);
  if (warning != nullptr) *warning = blockProblem != nullptr ? blockProblem : "";
  return true;
}

// Only the mesh count can make later work unbounded on its own: the grid holds
// (N+1)^2 points, so 2^31-1 would ask for an impossible allocation and 0 or a
// negative count would divide by zero or size buffers negatively. Every other
// field is kept as read, and the code using it copes:
// - angles, range, Z coefficient, 0/0 value (any double, NaN or infinite
//   included): they only scale coordinates and colours, so the worst result
//   is an empty or odd picture; the 0/0 list shows no item for a value off it;
// - the three switches: any non-zero value means on;
// - contour interval: the contour code refuses one that is not positive and
//   finite and bounds the number of levels itself, since even a typed-in
//   interval can meet an enormous span of values;
// - style: a value outside 0..5 draws nothing;
// - background: a value outside 0..2 clears to black;
// - formula: the file size limit bounds its length, and the formula check
//   treats any text.
void ClampToSafeRanges(CParaData& para) {
  if (para.m_nMesh < kMinMesh) para.m_nMesh = kMinMesh;
  if (para.m_nMesh > kMaxMesh) para.m_nMesh = kMaxMesh;
}

std::string ParaFileErrorMessage(int err, const std::string& path, ParaFileOp op) {
  switch (err) {
    case ENOENT:
    case ENOTDIR:
      return WithPath("%1 が見つかりませんでした。", path);
    case EACCES:
    case EPERM:
    case EROFS:
      return WithPath("%1 へのｱｸｾｽは拒否されました。", path);
    case ENOSPC:
    case EDQUOT:
      return WithPath("%1 へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。", path);
    case ENAMETOOLONG:
    case EINVAL:  // also what a file system gives for a character it cannot store
      if (op == ParaFileOp::Save) return "無効なﾌｧｲﾙ名です。";
      break;
    default:
      break;
  }
  return op == ParaFileOp::Open ? "ﾄﾞｷｭﾒﾝﾄを開くことに失敗しました。"
                                : "ﾄﾞｷｭﾒﾝﾄの保存に失敗しました。";
}

bool SaveParaFile(const std::string& path, const CParaData& para, std::string* error) {
  const int err = SaveFileSafely(path, StoreParaData(para));
  if (err != 0) *error = ParaFileErrorMessage(err, path, ParaFileOp::Save);
  return err == 0;
}

bool LoadParaFile(const std::string& path, CParaData& para, std::string* error,
                  std::string* warning) {
  // Non-blocking, so that naming a FIFO cannot hang the open; anything but a
  // regular file is refused right after.
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    *error = ParaFileErrorMessage(errno, path, ParaFileOp::Open);
    return false;
  }
  std::vector<std::uint8_t> bytes;
  struct stat info {};
  bool ok = true;
  int err = 0;  // a folder or a device has no text of its own
  if (fstat(fd, &info) != 0) {
    ok = false;
    err = errno;
  } else if (!S_ISREG(info.st_mode)) {
    ok = false;
  }
  bool tooLarge = ok && static_cast<std::uint64_t>(info.st_size) > kMaxParaFileSize;
  if (ok && !tooLarge) {
    // The file may grow while it is read; one byte past the limit tells.
    bytes.resize(static_cast<std::size_t>(info.st_size) + 1);
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
      const ssize_t n = read(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        ok = false;
        err = errno;
      } else if (n == 0) {
        break;
      } else {
        done += static_cast<std::size_t>(n);
        if (done == bytes.size() && done <= kMaxParaFileSize) {
          bytes.resize(std::min(done * 2 + 1, kMaxParaFileSize + 1));
        }
      }
    }
    tooLarge = done > kMaxParaFileSize;
    bytes.resize(done);
  }
  close(fd);
  if (!ok) {
    *error = ParaFileErrorMessage(err, path, ParaFileOp::Open);
    return false;
  }
  if (tooLarge || !LoadParaData(bytes, para, warning)) {
    *error = PARAFILE_BAD_FORMAT;
    return false;
  }
  return true;
}
