// orvex-cli check and eval: the formula check and evaluation of the engine.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "cli/Numbers.h"
#include "cli/ParaOverrides.h"
#include "core/Cp932.h"
#include "core/Formula.h"

// A formula alone has no parameter list: every name that could be a
// parameter is taken as one, as the window offers a slider for each. A
// formula longer than the window's box takes is refused first, as the box
// would, unless --no-limit asks for the check alone.
int CmdCheck(const CliArgs& args) {
  CliArgs positional;
  bool limit = true;
  for (const std::string& arg : args) {
    if (arg == "--no-limit") {
      limit = false;
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 1) {
    std::fputs("usage: orvex-cli check [--no-limit] FORMULA\n", stderr);
    return 2;
  }
  const std::string& text = positional[0];
  if (const std::size_t bytes = Cp932Length(text); limit && bytes > kMaxFormulaBytes) {
    std::fprintf(stderr,
                 "orvex-cli check: the formula is %zu bytes long, longer than the window takes "
                 "(%zu bytes); --no-limit checks it all the same\n",
                 bytes, kMaxFormulaBytes);
    return 1;
  }
  const std::vector<std::string> names = FormulaParameterCandidates(text);
  const FormulaCheck result = CheckFormula(text, names);
  if (result != FormulaCheck::Ok) {
    std::printf("%s\n", FormulaCheckMessage(result));
    return 1;
  }
  for (const std::string& name : names) std::fprintf(stderr, "parameter: %s\n", name.c_str());
  // The place as the window gives a fault's: " (N 文字目)".
  for (const FormulaNote& note : FormulaNotes(text, names)) {
    std::fprintf(stderr, "note: %s (%zu 文字目)\n", note.text, note.position);
  }
  std::puts("OK");
  return 0;
}

int CmdEval(const CliArgs& args) {
  static const char kUsage[] =
      "usage: orvex-cli eval FORMULA X Y [--zero-by-zero V] [--param NAME=VALUE]...\n";
  CliArgs positional;
  std::string zeroText = "1.0";
  CParaData params;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if ((args[i] == "--zero-by-zero" || args[i] == "--param") && i + 1 == args.size()) {
      std::fputs(kUsage, stderr);
      return 2;
    }
    if (args[i] == "--zero-by-zero") {
      zeroText = args[++i];
    } else if (args[i] == "--param") {
      std::string error;
      if (!ApplyParamOverride(params, args[++i], &error)) {
        std::fprintf(stderr, "orvex-cli eval: %s\n", error.c_str());
        return 2;
      }
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 3) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const char* const names[] = {"X", "Y", "V"};
  const std::string* const texts[] = {&positional[1], &positional[2], &zeroText};
  double numbers[3] = {};
  for (int i = 0; i < 3; ++i) {
    if (!ParseDouble(*texts[i], &numbers[i])) {
      std::fprintf(stderr, "orvex-cli eval: %s is not a number: '%s'\n", names[i],
                   texts[i]->c_str());
      return 2;
    }
  }

  const std::string& text = positional[0];
  const FormulaCheck result = CheckFormula(text, FormulaParameterNames(params));
  if (result != FormulaCheck::Ok) {
    std::fprintf(stderr, "%s\n", FormulaCheckMessage(result));
    return 1;
  }
  CFormula formula = CompileFormula(text, params.m_params);
  PrintNumber(stdout, EvaluateFormula(&formula, &numbers[0], &numbers[1], &numbers[2]), 17);
  std::fputc('\n', stdout);
  return 0;
}
