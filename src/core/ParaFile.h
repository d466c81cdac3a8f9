// Parameter files (".ovx"): one archived CParaData. Errors come back as values
// holding the texts the user is shown; nothing here talks to the user.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/ParaData.h"

// The text for anything that is not a parameter file.
extern const char* const PARAFILE_BAD_FORMAT;  // "予期しないﾌｧｲﾙ形式です。"

// A default file is 135 bytes and the formula is limited to 128 bytes, so a
// larger file is no parameter file; the limit keeps a huge one out of memory.
constexpr std::size_t kMaxParaFileSize = std::size_t{4} << 20;

// The archive bytes of para; the formula is stored in CP932 (see Utf8ToCp932).
std::vector<std::uint8_t> StoreParaData(const CParaData& para);

// Reads one archived CParaData into a fresh object, converts its formula to
// UTF-8, applies ClampToSafeRanges and only then assigns it to para. On false
// the bytes were not a parameter file and para is untouched. Bytes after the
// object are ignored.
bool LoadParaData(std::span<const std::uint8_t> bytes, CParaData& para);

// Brings a set read from a file into ranges the rest of the program can use
// without further checks. The entry fields keep typed-in values far inside
// these bounds; a file can hold anything.
void ClampToSafeRanges(CParaData& para);

enum class ParaFileOp { Open, Save };

// The message for a failed system call with errno value err on path.
std::string ParaFileErrorMessage(int err, const std::string& path, ParaFileOp op);

// Saves through SaveFileSafely, so a failure leaves the old file as it was.
// On false *error holds the message.
bool SaveParaFile(const std::string& path, const CParaData& para, std::string* error);

// On false *error holds the message and para is untouched.
bool LoadParaFile(const std::string& path, CParaData& para, std::string* error);
