#include "cli/RunSetup.h"

#include <cstdio>
#include <cstring>

#include "cli/ParaOverrides.h"
#include "core/ParaFile.h"

int PrepareRun(const char* command, const RunSource& source, CParaData* para, CFormula* formula) {
  std::string error, warning;
  if (!source.file.empty() && !LoadParaFile(source.file, *para, &error, &warning)) {
    std::fprintf(stderr, "orvex-cli %s: %s\n", command, error.c_str());
    return 1;
  }
  if (!warning.empty()) std::fprintf(stderr, "orvex-cli %s: %s\n", command, warning.c_str());
  for (const std::string& assignment : source.overrides) {
    if (!ApplyParaOverride(*para, assignment, &error)) {
      std::fprintf(stderr, "orvex-cli %s: %s\n", command, error.c_str());
      return 2;
    }
  }
  for (const std::string& assignment : source.params) {
    if (!ApplyParamOverride(*para, assignment, &error)) {
      std::fprintf(stderr, "orvex-cli %s: %s\n", command, error.c_str());
      return 2;
    }
  }
  if (!HasDrawableValues(*para)) {
    std::fprintf(stderr,
                 "orvex-cli %s: an angle, the range or the Z coefficient is not a finite "
                 "number, or the range is 0: nothing can be drawn\n",
                 command);
    return 1;
  }
  if (FormulaTooLongToRun(para->m_strFormula)) {
    std::fprintf(stderr, "orvex-cli %s: the formula is longer than %zu bytes\n", command,
                 kMaxRunFormulaBytes);
    return 1;
  }
  const FormulaCheck check = CheckFormula(para->m_strFormula, FormulaParameterNames(*para));
  if (check != FormulaCheck::Ok) {
    std::fprintf(stderr, "orvex-cli %s: %s\n", command, FormulaCheckMessage(check));
    return 1;
  }
  *formula = CompileFormula(*para);
  return 0;
}

bool EndsWith(const std::string& text, const char* suffix) {
  const std::size_t length = std::strlen(suffix);
  if (text.size() < length) return false;
  for (std::size_t k = 0; k < length; ++k) {
    const char c = text[text.size() - length + k];
    if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != suffix[k]) return false;
  }
  return true;
}
