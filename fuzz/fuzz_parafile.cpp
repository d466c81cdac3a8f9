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
#include "ParaFileTestUtil.h"
#include "core/Cp932.h"
#include "core/ParaFile.h"

namespace {

// The object's fields alone: what a file whose block is damaged still loads.
CParaData ObjectOnly(CParaData p) {
  p.m_params.clear();
  p.m_dCentreX = p.m_dCentreY = 0.0;
  return p;
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
    FUZZ_CHECK(Fields(loaded) == Fields(sentinel));
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
  FUZZ_CHECK(Fields(ObjectOnly(loadedLonger)) == Fields(ObjectOnly(loaded)));
  FUZZ_CHECK(!warning.empty() || (!warningLonger.empty() && loadedLonger.m_params.empty()));

  const std::vector<std::uint8_t> saved = StoreParaData(loaded);
  CParaData reloaded = sentinel;
  FUZZ_CHECK(LoadParaData(saved, reloaded, &warning));
  FUZZ_CHECK(warning.empty());
  FUZZ_CHECK(OnlySaveFoldings(loaded.m_strFormula, reloaded.m_strFormula));
  CParaData unfolded = reloaded;
  unfolded.m_strFormula = loaded.m_strFormula;
  FUZZ_CHECK(Fields(unfolded) == Fields(loaded));

  // After one save the set is one the file format holds exactly: a second save
  // changes nothing.
  const std::vector<std::uint8_t> savedAgain = StoreParaData(reloaded);
  CParaData reloadedAgain = sentinel;
  FUZZ_CHECK(LoadParaData(savedAgain, reloadedAgain));
  FUZZ_CHECK(Fields(reloadedAgain) == Fields(reloaded));
  return 0;
}
