// orvex-cli check and eval: the formula check and evaluation of the engine.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/CliCommands.h"
#include "cli/Numbers.h"
#include "core/Formula.h"

int CmdCheck(const CliArgs& args) {
  if (args.size() != 1) {
    std::fputs("usage: orvex-cli check FORMULA\n", stderr);
    return 2;
  }
  const FormulaCheck result = CheckFormula(args[0]);
  if (result != FormulaCheck::Ok) {
    std::printf("%s\n", FormulaCheckMessage(result));
    return 1;
  }
  std::puts("OK");
  return 0;
}

int CmdEval(const CliArgs& args) {
  static const char kUsage[] = "usage: orvex-cli eval FORMULA X Y [--zero-by-zero V]\n";
  CliArgs positional;
  std::string zeroText = "1.0";
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--zero-by-zero") {
      if (i + 1 == args.size()) {
        std::fputs(kUsage, stderr);
        return 2;
      }
      zeroText = args[++i];
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
  const FormulaCheck result = CheckFormula(text);
  if (result != FormulaCheck::Ok) {
    std::fprintf(stderr, "%s\n", FormulaCheckMessage(result));
    return 1;
  }
  CFormula formula = CompileFormula(text);
  PrintNumber(stdout, EvaluateFormula(&formula, &numbers[0], &numbers[1], &numbers[2]), 17);
  std::fputc('\n', stdout);
  return 0;
}
