// Parameter files (".ovx"): one archived CParaData, then, only for a set with
// formula parameters or a window centre off the origin, one extension block.
// Errors come back as values holding the texts the user is shown; nothing
// here talks to the user.
//
// The block, all numbers little-endian:
//   "OvxE"  u16 version (1)  u32 body length  body
// The body is a run of records, and the file ends with it:
//   u16 tag  u32 payload length  payload
// Tag 1, one per formula parameter in the set's order:
//   u8 name length  name (ASCII)  f64 value  f64 min  f64 max  f64 step  u8 play mode
// Tag 2, once, after the parameters, only for a centre other than (0, 0):
//   f64 centre x  f64 centre y  (finite)
// A reader skips records of tags it does not know and payload bytes after the
// fields it knows, so a later writer adds records (a window centre) or fields
// without a new version; a new version is for changes older readers must not
// misread. Readers that know only the object stop after it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/ParaData.h"

// The text for anything that is not a parameter file.
extern const char* const PARAFILE_BAD_FORMAT;  // "予期しないﾌｧｲﾙ形式です。"
// The texts for a file whose object loaded and whose block did not: the set
// has the object's fields, no formula parameters and the centre at (0, 0).
// "ﾌｧｲﾙの拡張部分が壊れています。ﾊﾟﾗﾒｰﾀ以外を読み込みました。"
extern const char* const PARAFILE_BLOCK_DAMAGED;
// "ﾌｧｲﾙの拡張部分はこのﾊﾞｰｼﾞｮﾝでは読めません。ﾊﾟﾗﾒｰﾀ以外を読み込みました。"
extern const char* const PARAFILE_BLOCK_NEWER;

// What a file holds of formula parameters. Names are checked for the form the
// formula language gives them, not against its words (see
// IsFormulaParameterName), so that a word added to the language later cannot
// make an older file unreadable.
constexpr std::size_t kMaxFormulaParameters = 64;
constexpr std::size_t kMaxParameterNameBytes = 32;
// An ASCII letter, then letters and digits: 1..kMaxParameterNameBytes bytes.
bool IsParameterName(std::string_view name);
// A parameter name, finite numbers, min < max and step > 0. The value may lie
// outside [min, max]: a loaded one is clamped into it.
bool IsStorableParameter(const FormulaParameter& param);
// Both centres finite: what a file can hold of them.
bool IsStorableCentre(const CParaData& para);
// Names are matched in any letter case ("a" and "A" are one parameter).
bool SameParameterName(std::string_view a, std::string_view b);

// A default file is 135 bytes and the formula is limited to 128 bytes, so a
// larger file is no parameter file; the limit keeps a huge one out of memory.
constexpr std::size_t kMaxParaFileSize = std::size_t{4} << 20;

// The archive bytes of para; the formula is stored in CP932 (see Utf8ToCp932).
// The block follows only when para has a parameter or a centre other than
// (0, 0) to store, so a set without either writes the object alone. A
// parameter the reader would refuse (not storable, a name met before, past
// kMaxFormulaParameters) is left out, and so is a centre that is not
// storable, so a file never holds a block its own reader calls damaged.
std::vector<std::uint8_t> StoreParaData(const CParaData& para);

// Reads one archived CParaData and its block into a fresh object, converts its
// formula to UTF-8, applies ClampToSafeRanges and only then assigns it to
// para. On false the bytes were not a parameter file and para is untouched.
// On true, *warning (when given) is "" or, when bytes follow the object that
// are not exactly one good block, PARAFILE_BLOCK_NEWER for a block of a later
// version and PARAFILE_BLOCK_DAMAGED for anything else: the object still
// loads, with no formula parameters and the centre at (0, 0). A block is
// taken whole or not at all.
bool LoadParaData(std::span<const std::uint8_t> bytes, CParaData& para,
                  std::string* warning = nullptr);

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

// On false *error holds the message and para is untouched. On true the load
// may still carry a warning for the user, as LoadParaData gives it.
bool LoadParaFile(const std::string& path, CParaData& para, std::string* error,
                  std::string* warning = nullptr);
