#include "render/SvgPicture.h"

#include <cmath>
#include <cstdio>
#include <new>
#include <utility>
#include <vector>

#include "core/Fit.h"
#include "core/Grid.h"
#include "render/PictureColours.h"
#include "render/PictureSpace.h"
#include "render/PictureVisibility.h"

namespace {

std::string HexColour(const Rgb& rgb) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", rgb[0], rgb[1], rgb[2]);
  return text;
}

// Coordinates in tenths of a pixel: finer than any renderer shows, and short.
void AppendTenths(std::string* out, long tenths) {
  if (tenths < 0) {
    out->push_back('-');
    tenths = -tenths;
  }
  *out += std::to_string(tenths / 10);
  if (tenths % 10 != 0) {
    out->push_back('.');
    out->push_back(static_cast<char>('0' + tenths % 10));
  }
}

// The drawing's line paths, one per colour in the order the colours come,
// each a run of polylines in SVG's y-down coordinates.
class LinePaths : public ShownLines {
 public:
  explicit LinePaths(int height) : m_height(height) {}

  void Colour(const Rgb& colour) override {
    for (std::size_t k = 0; k < m_paths.size(); ++k) {
      if (m_paths[k].colour == colour) {
        m_current = k;
        return;
      }
    }
    m_paths.push_back({colour, {}, false, 0, 0});
    m_current = m_paths.size() - 1;
  }
  // A polyline starts here; it is written once a second, different point
  // comes, so a piece that rounds to a dot leaves nothing behind.
  void MoveTo(const WindowPoint& p) override {
    Path& path = m_paths[m_current];
    path.pendingMove = true;
    path.lastX = Tenths(p.x);
    path.lastY = Tenths(m_height - p.y);
  }
  void LineTo(const WindowPoint& p) override {
    Path& path = m_paths[m_current];
    const long x = Tenths(p.x);
    const long y = Tenths(m_height - p.y);
    if (x == path.lastX && y == path.lastY) return;
    if (path.pendingMove) {
      path.data.push_back('M');
      AppendTenths(&path.data, path.lastX);
      path.data.push_back(' ');
      AppendTenths(&path.data, path.lastY);
      path.pendingMove = false;
    }
    path.data.push_back(' ');
    AppendTenths(&path.data, x);
    path.data.push_back(' ');
    AppendTenths(&path.data, y);
    path.lastX = x;
    path.lastY = y;
  }

  void Write(std::string* out) const {
    for (const Path& path : m_paths) {
      if (path.data.empty()) continue;
      *out += "<path stroke=\"" + HexColour(path.colour) + "\" d=\"";
      *out += path.data;
      *out += "\"/>\n";
    }
  }

 private:
  struct Path {
    Rgb colour;
    std::string data;
    bool pendingMove;
    long lastX, lastY;
  };
  static long Tenths(double v) { return std::lround(v * 10.0); }

  int m_height;
  std::vector<Path> m_paths;
  std::size_t m_current = 0;
};

void WriteFaces(const std::vector<ShownFace>& faces, int height, std::string* out) {
  for (const ShownFace& face : faces) {
    *out += "<path fill=\"" + HexColour(face.colour) + "\" d=\"M";
    for (std::size_t k = 0; k < face.count; ++k) {
      if (k > 0) out->push_back(' ');
      AppendTenths(out, std::lround(face.corners[k].x * 10.0));
      out->push_back(' ');
      AppendTenths(out, std::lround((height - face.corners[k].y) * 10.0));
    }
    *out += "Z\"/>\n";
  }
}

}  // namespace

SvgPictureResult BuildSvgPicture(const Frame& frame, const CParaData& para, const CFormula& formula,
                                 std::string* svg) {
  const int style = para.m_nDrawStyle;
  if (style != STYLE_MESH && style != STYLE_CONTOUR) return SvgPictureResult::SolidStyle;
  if (frame.width < 1 || frame.height < 1 || frame.coarse ||
      frame.depth.size() != static_cast<std::size_t>(frame.width) * frame.height ||
      frame.rgba.size() != frame.depth.size() * 4) {
    return SvgPictureResult::NoDepth;
  }
  // Sampled and fitted as the drawing thread does: the same heights, cells
  // and levels again.
  const GridSpec gridSpec = MakeGridSpec(para);
  PictureGrid sampled;
  try {
    SamplePictureGrid(style, gridSpec, formula, frame.fit.has_value(), RunSignals{}, sampled);
  } catch (const std::bad_alloc&) {
    sampled.values.clear();
  }
  const std::vector<float>& grid = sampled.values;
  const GridExtents& extents = sampled.extents;
  if (grid.empty()) return SvgPictureResult::NoGrid;
  // The picture had finite values to fit: a grid without them is not its grid.
  if (frame.fit && !sampled.fit) return SvgPictureResult::NoGrid;

  const PictureSpace space(frame);
  LinePaths paths(frame.height);
  std::vector<ShownFace> faces;
  if (style == STYLE_CONTOUR) {
    const ContourBuild built =
        TraceContourLines(grid, gridSpec, extents, static_cast<float>(para.m_dContourStep),
                          sampled.fit ? &*sampled.fit : nullptr, space, paths);
    if (built == ContourBuild::TooManyLines) return SvgPictureResult::TooManyLines;
  } else {
    const FittedSurface* cells = sampled.surface ? &*sampled.surface : nullptr;
    if (para.m_bShading) faces = ShadedFaces(grid, gridSpec.nMesh, cells, space);
    // The plain mesh hides nothing: every line is drawn, in one colour.
    TraceMeshLines(grid, gridSpec.nMesh, cells, space, para.m_bHiddenLine || para.m_bShading,
                   paths);
  }

  float background[3];
  BackgroundColour(para.m_nBackColor, style, background);
  const std::string width = std::to_string(frame.width);
  const std::string height = std::to_string(frame.height);
  char lineWidth[32];
  std::snprintf(lineWidth, sizeof lineWidth, "%g", static_cast<double>(frame.lineWidth));
  std::string out;
  out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" + width +
         "\" height=\"" + height + "\" viewBox=\"0 0 " + width + " " + height + "\">\n";
  out += "<rect width=\"" + width + "\" height=\"" + height + "\" fill=\"" +
         HexColour(ToBytes(background)) + "\"/>\n";
  WriteFaces(faces, frame.height, &out);
  out += "<g fill=\"none\" stroke-width=\"" + std::string(lineWidth) +
         "\" stroke-linejoin=\"round\">\n";
  paths.Write(&out);
  out += "</g>\n</svg>\n";
  *svg = std::move(out);
  return SvgPictureResult::Ok;
}
