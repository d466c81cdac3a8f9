// Any bytes as a parameter file. A refused file leaves the target set alone; a
// loaded set is within the safe ranges and holds only parameters a file may
// hold, a byte more after it changes nothing of the object, and saving it and
// loading the result gives the same set back without a warning: every number
// with the same bits, the formula byte for byte except where a character has
// no CP932 form of its own (see OnlySaveFoldings); and a second save and load
// changes nothing at all.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "core/Cp932.h"
#include "core/ParaFile.h"

namespace {

// Differs from the defaults and from anything plausible in every field, so a
// refused load that wrote a field shows.
CParaData SentinelSet() {
  CParaData p;
  p.m_dUpDownAngle = 1.5, p.m_dLeftRightAngle = -2.5, p.m_dRange = 3.25, p.m_dZCoef = 4.75;
  p.m_bPerspective = 7, p.m_bHiddenLine = 8, p.m_bShading = 9, p.m_nMesh = 77;
  p.m_dContourStep = 0.5, p.m_nDrawStyle = 11, p.m_strFormula = "sentinel";
  p.m_dZeroByZero = -1.0, p.m_nBackColor = 12;
  p.m_params = {{"sentinel", 2.0, -3.0, 3.0, 0.25, PlayMode::Once}};
  return p;
}

// Every field but the formula, doubles by their bits.
bool SameNumbers(const CParaData& a, const CParaData& b) {
  return SameBits(a.m_dUpDownAngle, b.m_dUpDownAngle) &&
         SameBits(a.m_dLeftRightAngle, b.m_dLeftRightAngle) && SameBits(a.m_dRange, b.m_dRange) &&
         SameBits(a.m_dZCoef, b.m_dZCoef) && a.m_bPerspective == b.m_bPerspective &&
         a.m_bHiddenLine == b.m_bHiddenLine && a.m_bShading == b.m_bShading &&
         a.m_nMesh == b.m_nMesh && SameBits(a.m_dContourStep, b.m_dContourStep) &&
         a.m_nDrawStyle == b.m_nDrawStyle && SameBits(a.m_dZeroByZero, b.m_dZeroByZero) &&
         a.m_nBackColor == b.m_nBackColor;
}

bool SameParams(const CParaData& a, const CParaData& b) {
  const auto same = [](const FormulaParameter& p, const FormulaParameter& q) {
    return p.name == q.name && SameBits(p.value, q.value) && SameBits(p.min, q.min) &&
           SameBits(p.max, q.max) && SameBits(p.step, q.step) && p.play == q.play;
  };
  return std::equal(a.m_params.begin(), a.m_params.end(), b.m_params.begin(), b.m_params.end(),
                    same);
}

bool SameObject(const CParaData& a, const CParaData& b) {
  return SameNumbers(a, b) && a.m_strFormula == b.m_strFormula;
}

bool SameSet(const CParaData& a, const CParaData& b) {
  return SameObject(a, b) && SameParams(a, b);
}

bool ParamsAFileMayHold(const std::vector<FormulaParameter>& params) {
  for (auto p = params.begin(); p != params.end(); ++p) {
    const auto same = [&](const FormulaParameter& q) { return SameParameterName(q.name, p->name); };
    if (!IsStorableParameter(*p) || p->value < p->min || p->value > p->max ||
        std::any_of(params.begin(), p, same)) {
      return false;
    }
  }
  return params.size() <= kMaxFormulaParameters;
}

// Bytes of the UTF-8 character at the start of text (which the reader made,
// so it is well formed).
std::size_t CharacterLength(std::string_view text) {
  const auto lead = static_cast<std::uint8_t>(text[0]);
  const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  return std::min(length, text.size());
}

// The changes a save may make to a loaded formula, character by character,
// none dropped or merged: a character CP932 cannot hold comes back as '?', and
// one that shares its CP932 code with another comes back as the character that
// code reads as (U+00A3 '£' is saved as 81 92 and read as U+FFE1 '￡').
bool OnlySaveFoldings(std::string_view loaded, std::string_view reloaded) {
  while (!loaded.empty() && !reloaded.empty()) {
    const std::string_view before = loaded.substr(0, CharacterLength(loaded));
    const std::string_view after = reloaded.substr(0, CharacterLength(reloaded));
    const std::string code = Utf8ToCp932(before);
    if (after != before && !(after == "?" && code == "?") &&
        !(code != "?" && Utf8ToCp932(after) == code)) {
      return false;
    }
    loaded.remove_prefix(before.size());
    reloaded.remove_prefix(after.size());
  }
  return loaded.empty() && reloaded.empty();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  const CParaData sentinel = SentinelSet();

  CParaData loaded = sentinel;
  std::string warning;
  if (!LoadParaData(bytes, loaded, &warning)) {
    FUZZ_CHECK(SameSet(loaded, sentinel));
    return 0;
  }
  FUZZ_CHECK(loaded.m_nMesh >= kMinMesh && loaded.m_nMesh <= kMaxMesh);
  FUZZ_CHECK(ParamsAFileMayHold(loaded.m_params));
  FUZZ_CHECK(warning.empty() || loaded.m_params.empty());

  // A byte after the object, or after its good block, damages only the block.
  std::vector<std::uint8_t> longer(bytes.begin(), bytes.end());
  longer.push_back(0xFF);
  CParaData loadedLonger = sentinel;
  std::string warningLonger;
  FUZZ_CHECK(LoadParaData(longer, loadedLonger, &warningLonger));
  FUZZ_CHECK(SameObject(loadedLonger, loaded));
  FUZZ_CHECK(!warning.empty() || (!warningLonger.empty() && loadedLonger.m_params.empty()));

  const std::vector<std::uint8_t> saved = StoreParaData(loaded);
  CParaData reloaded = sentinel;
  FUZZ_CHECK(LoadParaData(saved, reloaded, &warning));
  FUZZ_CHECK(warning.empty());
  FUZZ_CHECK(SameNumbers(reloaded, loaded));
  FUZZ_CHECK(SameParams(reloaded, loaded));
  FUZZ_CHECK(OnlySaveFoldings(loaded.m_strFormula, reloaded.m_strFormula));

  // After one save the set is one the file format holds exactly: a second save
  // changes nothing.
  const std::vector<std::uint8_t> savedAgain = StoreParaData(reloaded);
  CParaData reloadedAgain = sentinel;
  FUZZ_CHECK(LoadParaData(savedAgain, reloadedAgain));
  FUZZ_CHECK(SameSet(reloadedAgain, reloaded));
  return 0;
}
