// export: the sampled surface as a mesh file for other tools.
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "cli/RunSetup.h"
#include "core/Grid.h"
#include "core/MeshExport.h"

namespace {

const char kExportUsage[] =
    "usage: orvex-cli export [FILE.ovx] [--set FIELD=VALUE]... [--param NAME=VALUE]...\n"
    "       [--solid] [--fit] -o OUT.stl|OUT.obj\n";

struct ExportArgs {
  std::string file;
  std::vector<std::string> overrides;
  std::vector<std::string> params;
  bool solid = false;
  bool fit = false;
  std::string output;
};

// Returns 0 when the arguments are good, else the exit code after a message.
int ParseExportArgs(const CliArgs& args, ExportArgs* out) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if ((arg == "--set" || arg == "--param" || arg == "-o") && i + 1 == args.size()) {
      std::fprintf(stderr, "orvex-cli export: %s needs a value\n", arg.c_str());
      return 2;
    }
    if (arg == "--set") {
      out->overrides.push_back(args[++i]);
    } else if (arg == "--param") {
      out->params.push_back(args[++i]);
    } else if (arg == "-o") {
      out->output = args[++i];
    } else if (arg == "--solid") {
      out->solid = true;
    } else if (arg == "--fit") {
      out->fit = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      std::fprintf(stderr, "orvex-cli export: unknown option '%s'\n", arg.c_str());
      return 2;
    } else if (out->file.empty()) {
      out->file = arg;
    } else {
      std::fprintf(stderr, "orvex-cli export: unexpected argument '%s'\n", arg.c_str());
      return 2;
    }
  }
  if (out->output.empty()) {
    std::fputs(kExportUsage, stderr);
    return 2;
  }
  return 0;
}

}  // namespace

int CmdExport(const CliArgs& args) {
  ExportArgs run;
  if (const int code = ParseExportArgs(args, &run); code != 0) return code;
  MeshExportOptions options;
  options.closedSolid = run.solid;
  if (EndsWith(run.output, ".obj")) {
    options.format = MeshFormat::Obj;
  } else if (!EndsWith(run.output, ".stl")) {
    std::fprintf(stderr, "orvex-cli export: '%s' must end in .stl or .obj\n", run.output.c_str());
    return 2;
  }
  CParaData para;
  CFormula formula;
  if (const int code = PrepareRun("export", {run.file, run.overrides, run.params}, &para, &formula);
      code != 0) {
    return code;
  }
  if (!IsValidMesh(para.m_nMesh)) {
    std::fprintf(stderr, "orvex-cli export: mesh count %d is outside 1..%d\n", para.m_nMesh,
                 kMaxGridMesh);
    return 1;
  }
  const GridSpec gridSpec = MakeGridSpec(para);
  MeshExportResult result;
  try {
    result = ExportSurface(run.output, gridSpec, formula, run.fit, options);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "orvex-cli export: not enough memory for a mesh of mesh count %d\n",
                 para.m_nMesh);
    return 1;
  }
  switch (result.problem) {
    case MeshExportProblem::None:
      break;
    case MeshExportProblem::NoSurface:
      std::fputs(
          "orvex-cli export: the function has no finite value on the grid: nothing to "
          "write\n",
          stderr);
      return 1;
    case MeshExportProblem::SolidWithHoles:
      std::fputs(
          "orvex-cli export: the surface has holes where the function is not finite; "
          "a closed solid needs every point (export without --solid)\n",
          stderr);
      return 1;
    case MeshExportProblem::BaseOutOfRange:
      std::fputs("orvex-cli export: the heights are too large for a base below them\n", stderr);
      return 1;
    case MeshExportProblem::WriteFailed:
      std::fprintf(stderr, "orvex-cli export: cannot write %s: %s\n", run.output.c_str(),
                   std::strerror(result.err));
      return 1;
  }
  std::printf("triangles %zu\n", result.triangles);
  return 0;
}
