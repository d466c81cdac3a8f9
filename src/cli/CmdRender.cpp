// render and sample: one run off-screen, or only its sampling, from the
// command line.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "cli/Numbers.h"
#include "cli/ParaOverrides.h"
#include "cli/PngWriter.h"
#include "cli/RunSetup.h"
#include "core/ColourMap.h"
#include "core/Contour.h"
#include "core/DibImage.h"
#include "core/Fit.h"
#include "core/Formula.h"
#include "core/Grid.h"
#include "core/ParaFile.h"
#include "core/SafeSave.h"
#include "render/FrameSink.h"
#include "render/OpenGLContext.h"
#include "render/RunController.h"
#include "render/SvgPicture.h"

namespace {

struct RunArgs {
  std::string file;
  std::vector<std::string> overrides;
  std::vector<std::string> params;
  // --animate NAME=START:END:STEP (render only): one picture per value.
  std::string animate;
  int width = 800;
  int height = 600;
  long ticks = 0;
  std::string output;
  bool summary = false;
  bool fit = false;
  // The picture's reading aids (render only).
  bool axes = false;
  bool extremes = false;
  std::optional<ColourMap> colourMap;
};

constexpr int kMaxSide = 16384;

constexpr char kNothingToFit[] =
    "orvex-cli %s: the formula has no finite value on the grid: there is nothing to fit or "
    "draw\n";

// A size or a count: digits only, within low..high.
bool ParseCount(const std::string& text, long low, long high, long* value) {
  int parsed = 0;
  if (text.empty() || text[0] == '+' || text[0] == '-' || !ParseInt(text, &parsed) ||
      parsed < low || parsed > high) {
    return false;
  }
  *value = parsed;
  return true;
}

bool ParseSize(const std::string& text, int* width, int* height) {
  const std::size_t x = text.find_first_of("xX");
  if (x == std::string::npos) return false;
  long w = 0;
  long h = 0;
  if (!ParseCount(text.substr(0, x), 1, kMaxSide, &w) ||
      !ParseCount(text.substr(x + 1), 1, kMaxSide, &h)) {
    return false;
  }
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  return true;
}

// Returns 0 when the arguments are good, else the exit code after a message.
int ParseRunArgs(const char* command, const CliArgs& args, bool forRender, RunArgs* out) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool takesValue = arg == "--set" || arg == "--param" ||
                            (forRender && (arg == "--size" || arg == "--ticks" || arg == "-o" ||
                                           arg == "--animate" || arg == "--colour-map"));
    if (takesValue && i + 1 == args.size()) {
      std::fprintf(stderr, "orvex-cli %s: %s needs a value\n", command, arg.c_str());
      return 2;
    }
    if (arg == "--set") {
      out->overrides.push_back(args[++i]);
    } else if (arg == "--param") {
      out->params.push_back(args[++i]);
    } else if (forRender && arg == "--size") {
      if (!ParseSize(args[++i], &out->width, &out->height)) {
        std::fprintf(stderr, "orvex-cli %s: bad --size '%s' (expected WxH, each 1..%d)\n", command,
                     args[i].c_str(), kMaxSide);
        return 2;
      }
    } else if (forRender && arg == "--ticks") {
      if (!ParseCount(args[++i], 0, 1000000, &out->ticks)) {
        std::fprintf(stderr, "orvex-cli %s: bad --ticks '%s' (expected 0..1000000)\n", command,
                     args[i].c_str());
        return 2;
      }
    } else if (forRender && arg == "-o") {
      out->output = args[++i];
    } else if (forRender && arg == "--animate") {
      out->animate = args[++i];
    } else if (forRender && arg == "--axes") {
      out->axes = true;
    } else if (forRender && arg == "--extremes") {
      out->extremes = true;
    } else if (forRender && arg == "--colour-map") {
      out->colourMap = ColourMapFromName(args[++i]);
      if (!out->colourMap) {
        std::fprintf(stderr,
                     "orvex-cli %s: unknown colour map '%s' (viridis, cividis, turbo, contour)\n",
                     command, args[i].c_str());
        return 2;
      }
    } else if (!forRender && arg == "--summary") {
      out->summary = true;
    } else if (arg == "--fit") {
      out->fit = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      std::fprintf(stderr, "orvex-cli %s: unknown option '%s'\n", command, arg.c_str());
      return 2;
    } else if (out->file.empty()) {
      out->file = arg;
    } else {
      std::fprintf(stderr, "orvex-cli %s: unexpected argument '%s'\n", command, arg.c_str());
      return 2;
    }
  }
  return 0;
}

bool WriteBmp(const std::string& path, const Frame& frame, std::string* error) {
  CDibImage dib;
  if (!dib.FromBitmap(RgbaImageView{frame.rgba.data(), frame.width, frame.height, 0})) {
    *error = "the picture cannot be stored as a bitmap";
    return false;
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    *error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  const bool written = dib.WriteBmp(file);
  const int writeErrno = errno;
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    *error = "cannot write " + path + ": " + std::strerror(written ? errno : writeErrno);
    return false;
  }
  return true;
}

// The picture as an SVG drawing of its lines; the run's own formula and
// parameters give the geometry again.
bool WriteSvg(const std::string& path, const Frame& frame, const CParaData& para,
              const CFormula& formula, const RunOptions& options, std::string* error) {
  std::string svg;
  switch (BuildSvgPicture(frame, para, formula, &svg, options)) {
    case SvgPictureResult::Ok:
      break;
    case SvgPictureResult::SolidStyle:
      *error = "style " + std::to_string(para.m_nDrawStyle) +
               " is a lit solid; only the mesh (0) and the contour lines (5) can be written as SVG";
      return false;
    case SvgPictureResult::NoDepth:
      *error = "the picture has no depth to tell the visible lines by";
      return false;
    case SvgPictureResult::NoGrid:
      *error = "the grid cannot be sampled again for the SVG drawing";
      return false;
    case SvgPictureResult::TooManyLines:
      *error = "the contour lines cannot be drawn: the interval is too small";
      return false;
  }
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(svg.data());
  if (const int err = SaveFileSafely(path, {bytes, svg.size()}); err != 0) {
    *error = "cannot write " + path + ": " + std::strerror(err);
    return false;
  }
  return true;
}

// 64-bit FNV-1a over the floats' bytes, little-endian, in storage order.
std::uint64_t Fnv1a64(const std::vector<float>& values) {
  std::uint64_t hash = 14695981039346656037ull;
  for (float value : values) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    for (int shift = 0; shift < 32; shift += 8) {
      hash ^= (bits >> shift) & 0xffu;
      hash *= 1099511628211ull;
    }
  }
  return hash;
}

// What sample --fit reports of a fitted grid beyond its values: the cells a
// pole runs through; a surface's height extents become those of its fitted
// heights.
std::size_t FittedCellsLeftOut(const GridSpec& gridSpec, PictureGrid& sampled) {
  const std::vector<float>& grid = sampled.values;
  if (sampled.surface) {
    GridExtents& extents = sampled.extents;
    extents.maxZ = -3.4028235e38f;
    extents.minZ = 3.4028235e38f;
    for (std::size_t k = 1; k < grid.size(); k += 3) {
      if (!std::isfinite(grid[k])) continue;
      extents.maxZ = std::max(extents.maxZ, grid[k]);
      extents.minZ = std::min(extents.minZ, grid[k]);
    }
    const std::vector<std::uint8_t>& drawn = sampled.surface->drawn;
    return static_cast<std::size_t>(std::count(drawn.begin(), drawn.end(), 0));
  }
  const int n = gridSpec.nMesh;
  std::size_t leftOut = 0;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      leftOut += sampled.fit->CellDrawn(
                     grid[ContourIndex(n, i, j)], grid[ContourIndex(n, i + 1, j)],
                     grid[ContourIndex(n, i + 1, j + 1)], grid[ContourIndex(n, i, j + 1)])
                     ? 0
                     : 1;
    }
  }
  return leftOut;
}

}  // namespace

// An animation: a parameter's values from start to end by step.
struct Animation {
  std::string name;
  std::vector<double> values;
};

// "a=0:2:0.1" -> a at 0, 0.1, ..., 2 (the end when a step lands on it within
// rounding); false for a text of another form, a step not above 0, an end
// below the start or more than kMaxFrames pictures.
bool ParseAnimation(const std::string& text, Animation* out) {
  constexpr double kMaxFrames = 10000;
  const std::size_t equals = text.find('=');
  const std::size_t colon1 = text.find(':', equals);
  const std::size_t colon2 = colon1 == std::string::npos ? colon1 : text.find(':', colon1 + 1);
  if (equals == std::string::npos || colon2 == std::string::npos) return false;
  double start = 0.0;
  double end = 0.0;
  double step = 0.0;
  if (!ParseDouble(text.substr(equals + 1, colon1 - equals - 1), &start) ||
      !ParseDouble(text.substr(colon1 + 1, colon2 - colon1 - 1), &end) ||
      !ParseDouble(text.substr(colon2 + 1), &step) || !(step > 0.0) || !(end >= start) ||
      !std::isfinite(start) || !std::isfinite(end) || (end - start) / step > kMaxFrames) {
    return false;
  }
  out->name = text.substr(0, equals);
  const auto count = static_cast<long>(std::floor((end - start) / step + 1e-9));
  out->values.clear();
  for (long k = 0; k <= count; ++k) out->values.push_back(start + static_cast<double>(k) * step);
  return true;
}

// The file name of picture k: the pattern's one integer conversion ("%03d")
// filled in; false for a pattern without exactly one, or with another %.
bool FrameName(const std::string& pattern, long k, std::string* name) {
  const std::size_t percent = pattern.find('%');
  if (percent == std::string::npos) return false;
  std::size_t at = percent + 1;
  while (at < pattern.size() && std::isdigit(static_cast<unsigned char>(pattern[at]))) ++at;
  if (at >= pattern.size() || pattern[at] != 'd' || pattern.find('%', at) != std::string::npos) {
    return false;
  }
  char number[32];
  std::snprintf(number, sizeof number, ("%" + pattern.substr(percent + 1, at - percent)).c_str(),
                k);
  *name = pattern.substr(0, percent) + number + pattern.substr(at + 1);
  return true;
}

// Writes the picture on display as picture 0, then resamples the run once
// per further value and writes each picture; the exit code.
int WriteAnimation(const RunArgs& run, const Animation& animation, const RunOptions& options,
                   CParaData para, RunController& controller, LatestFrameSink& sink) {
  const auto parameter = std::find_if(
      para.m_params.begin(), para.m_params.end(),
      [&](const FormulaParameter& p) { return SameParameterName(p.name, animation.name); });
  for (std::size_t k = 0; k < animation.values.size(); ++k) {
    if (k > 0) {
      parameter->value = animation.values[k];
      const std::size_t shown = sink.Count();
      if (!controller.PostResample(para, false) || !sink.WaitForFrames(shown + 1)) {
        std::fputs("orvex-cli render: no picture was drawn\n", stderr);
        return 1;
      }
    }
    if (const ResampleFault fault = controller.ResampleProblem(); fault != ResampleFault::None) {
      std::fprintf(stderr, "orvex-cli render: %s=%g cannot be drawn: %s\n", animation.name.c_str(),
                   animation.values[k], ResampleFaultMessage(fault));
      return 1;
    }
    std::string name;
    FrameName(run.output, static_cast<long>(k), &name);
    std::string error;
    const Frame frame = sink.Last();
    const bool written = EndsWith(name, ".svg")
                             ? WriteSvg(name, frame, para, CompileFormula(para), options, &error)
                         : EndsWith(name, ".png") ? WritePng(name, frame, &error)
                                                  : WriteBmp(name, frame, &error);
    if (!written) {
      std::fprintf(stderr, "orvex-cli render: %s\n", error.c_str());
      return 1;
    }
  }
  return 0;
}

int CmdRender(const CliArgs& args) {
  ConfigureSoftwareRasteriserForOnePicture();
  RunArgs run;
  if (const int code = ParseRunArgs("render", args, true, &run); code != 0) return code;
  if (run.output.empty()) {
    std::fputs(
        "usage: orvex-cli render [FILE.ovx] [--set FIELD=VALUE]... [--param NAME=VALUE]... "
        "[--size WxH] [--ticks T] [--fit] -o OUT.png|OUT.bmp|OUT.svg\n",
        stderr);
    return 2;
  }
  const bool png = EndsWith(run.output, ".png");
  const bool svg = EndsWith(run.output, ".svg");
  if (!png && !svg && !EndsWith(run.output, ".bmp")) {
    std::fprintf(stderr, "orvex-cli render: '%s' must end in .png, .bmp or .svg\n",
                 run.output.c_str());
    return 2;
  }
  Animation animation;
  if (!run.animate.empty()) {
    std::string first;
    if (!ParseAnimation(run.animate, &animation)) {
      std::fprintf(stderr,
                   "orvex-cli render: bad --animate '%s' (expected NAME=START:END:STEP, a step "
                   "above 0 and at most 10000 pictures)\n",
                   run.animate.c_str());
      return 2;
    }
    if (!FrameName(run.output, 0, &first)) {
      std::fprintf(stderr,
                   "orvex-cli render: with --animate, '%s' must hold one number like %%03d\n",
                   run.output.c_str());
      return 2;
    }
    // The parameter at its first value, made as --param makes it.
    char value[64];
    std::snprintf(value, sizeof value, "%.17g", animation.values.front());
    run.params.push_back(animation.name + "=" + value);
  }
  CParaData para;
  CFormula formula;
  if (const int code = PrepareRun("render", {run.file, run.overrides, run.params}, &para, &formula);
      code != 0)
    return code;
  // Refused before the run: a solid's picture has no lines to draw.
  if (svg && para.m_nDrawStyle >= STYLE_PLASTIC && para.m_nDrawStyle <= STYLE_SILVER) {
    std::fprintf(stderr,
                 "orvex-cli render: style %d is a lit solid; only the mesh (0) and the contour "
                 "lines (5) can be written as SVG\n",
                 para.m_nDrawStyle);
    return 1;
  }

  LatestFrameSink sink;
  RunController controller;
  RunOptions options;
  options.fit = run.fit;
  options.axes = run.axes;
  options.extremes = run.extremes;
  options.colourMap = run.colourMap;
  switch (
      controller.Start(para, ClientRect{0, 0, run.width, run.height}, &formula, &sink, options)) {
    case StartResult::Started:
      break;
    case StartResult::BadStyle:
      std::fprintf(stderr, "orvex-cli render: style %d cannot be drawn (0..5)\n",
                   para.m_nDrawStyle);
      return 1;
    case StartResult::AlreadyRunning:
    case StartResult::CouldNotStart:
      std::fputs("orvex-cli render: the drawing thread could not be started\n", stderr);
      return 1;
  }
  // The mesh and contour loops ignore ticks, so only a solid gets them. Each
  // tick waits for its frame: ticks queued together would collapse into one.
  const bool solid = para.m_nDrawStyle >= STYLE_PLASTIC && para.m_nDrawStyle <= STYLE_SILVER;
  const std::size_t ticks = solid ? static_cast<std::size_t>(run.ticks) : 0;
  bool presented = sink.WaitForFrames(1);
  for (std::size_t k = 1; presented && k <= ticks; ++k) {
    controller.PostTick();
    presented = sink.WaitForFrames(k + 1);
  }
  if (!animation.values.empty() && presented) {
    const int code = WriteAnimation(run, animation, options, para, controller, sink);
    controller.Stop();
    return code;
  }
  controller.Stop();
  // A run that drew no picture, or not the whole of it, says why: an empty
  // picture must never be written as if it were the plot.
  switch (controller.LastProblem()) {
    case RunProblem::None:
      break;
    case RunProblem::NoGrid:
      std::fprintf(stderr,
                   "orvex-cli render: the grid cannot be sampled: mesh count %d is outside "
                   "1..%d or there is no memory for it\n",
                   para.m_nMesh, kMaxGridMesh);
      return 1;
    case RunProblem::TooManyContourLines:
      std::fprintf(stderr,
                   "orvex-cli render: the contour lines cannot be drawn: the interval %g is too "
                   "small for the range of values (more than %zu line crossings)\n",
                   para.m_dContourStep, kMaxContourCrossings);
      return 1;
    case RunProblem::NothingToDraw:
      std::fprintf(stderr, kNothingToFit, "render");
      return 1;
    case RunProblem::NoContext:
      std::fprintf(stderr, "orvex-cli render: no OpenGL context could be made (%s)\n",
                   controller.LastErrorText());
      return 1;
    case RunProblem::Failed:
      std::fprintf(stderr, "orvex-cli render: the drawing failed (%s)\n",
                   controller.LastErrorText());
      return 1;
  }
  if (!presented) {
    std::fputs("orvex-cli render: no picture was drawn\n", stderr);
    return 1;
  }

  std::string error;
  const Frame frame = sink.Last();
  const bool written = svg   ? WriteSvg(run.output, frame, para, formula, options, &error)
                       : png ? WritePng(run.output, frame, &error)
                             : WriteBmp(run.output, frame, &error);
  if (!written) {
    std::fprintf(stderr, "orvex-cli render: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

int CmdSample(const CliArgs& args) {
  RunArgs run;
  if (const int code = ParseRunArgs("sample", args, false, &run); code != 0) return code;
  CParaData para;
  CFormula formula;
  if (const int code = PrepareRun("sample", {run.file, run.overrides, run.params}, &para, &formula);
      code != 0)
    return code;

  const int style = para.m_nDrawStyle;
  if (style < STYLE_MESH || style > STYLE_CONTOUR) {
    std::fprintf(stderr, "orvex-cli sample: style %d has no grid (0..5)\n", style);
    return 1;
  }
  if (!IsValidMesh(para.m_nMesh)) {
    std::fprintf(stderr, "orvex-cli sample: mesh count %d is outside 1..%d\n", para.m_nMesh,
                 kMaxGridMesh);
    return 1;
  }
  const GridSpec gridSpec = MakeGridSpec(para);
  PictureGrid sampled;
  std::size_t leftOut = 0;
  const auto started = std::chrono::steady_clock::now();
  try {
    SamplePictureGrid(style, gridSpec, formula, run.fit, RunSignals{}, sampled);
    if (sampled.fit) leftOut = FittedCellsLeftOut(gridSpec, sampled);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "orvex-cli sample: not enough memory for a grid of mesh count %d\n",
                 para.m_nMesh);
    return 1;
  }
  const std::chrono::duration<double, std::milli> sampling =
      std::chrono::steady_clock::now() - started;
  const std::vector<float>& grid = sampled.values;
  const GridExtents& extents = sampled.extents;
  const std::optional<SurfaceFit>& fit = sampled.fit;
  if (run.fit && !fit) {
    std::fprintf(stderr, kNothingToFit, "sample");
    return 1;
  }

  std::fputs("extents", stdout);
  for (float value :
       {extents.maxX, extents.minX, extents.maxY, extents.minY, extents.maxZ, extents.minZ}) {
    std::fputc(' ', stdout);
    PrintNumber(stdout, value, 9);
  }
  std::fputc('\n', stdout);
  if (fit) std::printf("fit %.9g %.9g %.9g %zu\n", fit->factor, fit->bottom, fit->top, leftOut);
  if (run.summary) {
    std::size_t nonFinite = 0;
    for (float value : grid) nonFinite += std::isfinite(value) ? 0 : 1;
    std::printf("nonfinite %zu\nfnv1a64 %016" PRIx64 "\nsample_ms %.3f\n", nonFinite, Fnv1a64(grid),
                sampling.count());
  } else {
    for (float value : grid) {
      PrintNumber(stdout, value, 9);
      std::fputc('\n', stdout);
    }
  }
  if (std::fflush(stdout) != 0) {
    std::fprintf(stderr, "orvex-cli sample: cannot write the output: %s\n", std::strerror(errno));
    return 1;
  }
  return 0;
}
