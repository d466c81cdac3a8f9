// write and info: parameter files from the command line.
#include <cstdio>
#include <string>

#include "cli/CliCommands.h"
#include "cli/ParaOverrides.h"
#include "core/ParaFile.h"

int CmdWrite(const CliArgs& args) {
  std::string path;
  CParaData para;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--set" || arg == "--param") {
      const bool field = arg == "--set";
      if (i + 1 == args.size()) {
        std::fprintf(stderr, "orvex-cli write: %s needs %s=VALUE\n", arg.c_str(),
                     field ? "FIELD" : "NAME");
        return 2;
      }
      std::string error;
      if (!(field ? ApplyParaOverride(para, args[++i], &error)
                  : ApplyParamOverride(para, args[++i], &error))) {
        std::fprintf(stderr, "orvex-cli write: %s\n", error.c_str());
        return 2;
      }
    } else if (arg.size() > 1 && arg[0] == '-') {
      std::fprintf(stderr, "orvex-cli write: unknown option '%s'\n", arg.c_str());
      return 2;
    } else if (path.empty()) {
      path = arg;
    } else {
      std::fprintf(stderr, "orvex-cli write: unexpected argument '%s'\n", arg.c_str());
      return 2;
    }
  }
  if (path.empty()) {
    std::fputs("usage: orvex-cli write FILE.ovx [--set FIELD=VALUE]... [--param NAME=VALUE]...\n",
               stderr);
    return 2;
  }
  std::string error;
  if (!SaveParaFile(path, para, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  return 0;
}

int CmdInfo(const CliArgs& args) {
  if (args.size() != 1) {
    std::fputs("usage: orvex-cli info FILE.ovx\n", stderr);
    return 2;
  }
  CParaData para;
  std::string error, warning;
  if (!LoadParaFile(args[0], para, &error, &warning)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  if (!warning.empty()) std::fprintf(stderr, "%s\n", warning.c_str());
  // fwrite, not fputs: a formula read from a file may hold a NUL byte.
  const std::string fields = FormatParaFields(para) + FormatFormulaParameters(para);
  std::fwrite(fields.data(), 1, fields.size(), stdout);
  return 0;
}
