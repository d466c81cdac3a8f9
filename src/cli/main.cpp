// orvex-cli: the headless face of Orvex, for scripts, batch work and tests.
#include <malloc.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/CliCommands.h"

namespace {

const char kUsage[] =
    "usage: orvex-cli COMMAND [ARGS]\n"
    "\n"
    "Commands:\n"
    "  check [--no-limit] FORMULA\n"
    "      Check a formula as the entry fields do, every name that is no word of\n"
    "      the formula language taken as a formula parameter: each is listed on\n"
    "      standard error as \"parameter: NAME\". Prints OK and exits 0, or prints\n"
    "      the check's message and exits 1. A formula longer than the window's\n"
    "      formula box takes (128 bytes as a parameter file stores it) is refused\n"
    "      with exit 1 unless --no-limit is given. Where an accepted formula reads\n"
    "      otherwise than it may look (-x^2 is (-x)^2, a^b^c is (a^b)^c), a line\n"
    "      \"note: TEXT (N 文字目)\" on standard error says so, N its character.\n"
    "  eval FORMULA X Y [--zero-by-zero V] [--param NAME=VALUE]...\n"
    "      Print f(X, Y) with %.17g (nan, inf, -inf for non-finite values). V is the\n"
    "      value taken for 0/0 (default 1.0). A formula failing the check prints its\n"
    "      message on standard error and exits 1.\n"
    "  write FILE.ovx [--set FIELD=VALUE]... [--param NAME=VALUE]...\n"
    "      Write the default parameter set, with the named fields replaced and the\n"
    "      formula parameters given, as a parameter file. FIELD is a parameter name\n"
    "      such as m_nMesh or m_strFormula, or m_dCentreX and m_dCentreY, the\n"
    "      window's centre (any finite number; the grid spans centre +- m_dRange).\n"
    "  info FILE.ovx\n"
    "      Print the thirteen fields of a parameter file, one FIELD=VALUE per line,\n"
    "      then the centre when it is not (0, 0) (m_dCentreX and m_dCentreY), then\n"
    "      its formula parameters, one NAME=VALUE per line. A file that is not\n"
    "      a parameter file prints the message and exits 1; one whose parameters\n"
    "      cannot be read prints the message on standard error and the rest.\n"
    "  render [FILE.ovx] [--set FIELD=VALUE]... [--param NAME=VALUE]... [--size WxH]\n"
    "         [--ticks T] [--fit] [--axes] [--colour-map NAME] [--extremes]\n"
    "         [--animate NAME=START:END:STEP] -o OUT.png|OUT.bmp|OUT.svg\n"
    "      Run the drawing off-screen on the file's parameter set (or the defaults),\n"
    "      with the named fields replaced, at a client size of WxH (default 800x600),\n"
    "      and write the first picture as PNG or bitmap file by the extension. For\n"
    "      the solid styles (1-4), --ticks T writes the picture shown after T timer\n"
    "      ticks instead (each tick shows the turn drawn at the tick before).\n"
    "      .svg writes the mesh (style 0) or the contour lines (5) as a vector\n"
    "      drawing of the lines the picture shows, hidden pieces left out; the\n"
    "      shaded mesh adds its faces in the picture's colours. The solids have\n"
    "      no lines and are refused.\n"
    "      --fit fits the heights to the data instead of the Z coefficient: the\n"
    "      1st to 99th percentile of the finite values (a tail not much further out\n"
    "      kept whole), widened by 10%, spans a height of the range R; the surface\n"
    "      is cut there, and cells a pole runs through are left out; a smooth\n"
    "      narrow peak or well stays whole.\n"
    "      --axes draws a box around the drawn range with three numbered axes;\n"
    "      --colour-map NAME (viridis, cividis, turbo, contour) colours the mesh and\n"
    "      the solids by height and adds a colour bar; --extremes marks the sampled\n"
    "      minimum and maximum with their values. A contour interval of 0\n"
    "      (--set m_dContourStep=0) draws about 20 lines at a round step.\n"
    "      --animate a=0:2:0.1 writes one picture per value of the parameter a\n"
    "      (0, 0.1, ..., 2), the run drawing each again without starting over, to\n"
    "      OUT with its number: -o frame%03d.png writes frame000.png, frame001.png...\n"
    "  sample [FILE.ovx] [--set FIELD=VALUE]... [--param NAME=VALUE]... [--summary]\n"
    "         [--fit]\n"
    "      Sample the grid of the run's style (surface for 0-4, contour for 5) and\n"
    "      print \"extents MAXX MINX MAXY MINY MAXZ MINZ\", then every grid element\n"
    "      in storage order, one per line, with %.9g (nan, inf, -inf as such).\n"
    "      --fit stores the fitted heights in the surface grid (the contour grid\n"
    "      keeps f's values) and prints \"fit FACTOR BOTTOM TOP LEFTOUT\" after the\n"
    "      extents: the height per unit of f, the fitted range, and the count of\n"
    "      cells left out for a pole.\n"
    "      --summary prints, after the extents line, \"nonfinite K\" (the count of\n"
    "      non-finite elements), \"fnv1a64 H\" (the 64-bit FNV-1a hash of the\n"
    "      elements' float bytes, little-endian, in storage order, 16 lowercase hex\n"
    "      digits) and \"sample_ms T\" (the wall time of the sampling alone, in\n"
    "      milliseconds) instead of the elements.\n"
    "  export [FILE.ovx] [--set FIELD=VALUE]... [--param NAME=VALUE]... [--solid]\n"
    "         [--fit] -o OUT.stl|OUT.obj\n"
    "      Sample the surface of the file's parameter set (or the defaults), with the\n"
    "      named fields replaced, and write it as a mesh by the extension: binary STL\n"
    "      or Wavefront OBJ with vertex normals, in (x, y, f*Z coefficient) with z up,\n"
    "      two triangles per grid cell. Triangles touching a point where the function\n"
    "      is not finite are left out. --solid closes the surface with side walls and\n"
    "      a flat base below its lowest point into a watertight solid for 3-D\n"
    "      printing (refused when the surface has holes). --fit writes the heights\n"
    "      render --fit draws: fitted to the data, held at the fitted range's ends,\n"
    "      the cells a pole runs through left out. Prints \"triangles K\".\n"
    "  --help\n"
    "      Show this text.\n"
    "\n"
    "--param NAME=VALUE sets the formula parameter NAME (a letter, then letters and\n"
    "digits, up to 32, in any letter case; no word of the formula language) to the\n"
    "finite number VALUE, or adds it with a slider range around VALUE (-10..10 for\n"
    "0 and 1). A value outside a parameter's range widens the range. A set holds at\n"
    "most 64 parameters; a file's parameter named like a later word of the language\n"
    "(E, min, ...) keeps its name and can be set. A file whose parameters cannot be\n"
    "read gives its message on standard error, and the command goes on without them.\n";

struct Command {
  const char* name;
  int (*run)(const CliArgs&);
};

const Command kCommands[] = {
    {"check", CmdCheck},   {"eval", CmdEval},     {"write", CmdWrite},   {"info", CmdInfo},
    {"render", CmdRender}, {"sample", CmdSample}, {"export", CmdExport},
};

}  // namespace

int main(int argc, char** argv) {
  // The software GL driver allocates and frees large vertex buffers for every big
  // draw; by default glibc hands them back to the kernel at once and the next draw
  // faults them in again. A short-lived render is faster keeping them.
  mallopt(M_MMAP_THRESHOLD, 256 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string name = argv[1];
  const CliArgs args(argv + 2, argv + argc);
  int code = 2;
  if (name == "--help" || name == "-h" || name == "help") {
    std::fputs(kUsage, stdout);
    code = 0;
  } else {
    const Command* command = nullptr;
    for (const Command& candidate : kCommands) {
      if (name == candidate.name) command = &candidate;
    }
    if (command == nullptr) {
      std::fprintf(stderr, "orvex-cli: unknown command '%s' (see orvex-cli --help)\n",
                   name.c_str());
      return 2;
    }
    code = command->run(args);
  }
  // Output that never arrived (a full disk, a closed pipe) is a failure,
  // whichever command wrote it.
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    std::fprintf(stderr, "orvex-cli %s: cannot write the output: %s\n", name.c_str(),
                 std::strerror(errno));
    return code != 0 ? code : 1;
  }
  return code;
}
