#include "render/SvgPicture.h"

#include <cmath>
#include <cstdio>
#include <new>
#include <utility>
#include <vector>

#include "core/Fit.h"
#include "core/Grid.h"
#include "render/PictureAids.h"
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

// The box's far faces, behind everything else, as the picture has them.
void WritePanes(const PictureLayout& layout, const PictureSpace& space, const Rgb& colour,
                std::string* out) {
  for (const FaceLayout& face : layout.faces) {
    std::string data;
    bool inside = true;
    for (const ModelPoint& corner : face.corners) {
      const float v[3] = {static_cast<float>(corner[0]), static_cast<float>(corner[1]),
                          static_cast<float>(corner[2])};
      const ClipPoint c = space.Clip(v);
      // A face reaching behind the eye has no flat outline to fill.
      if (!(c.w > 0.0)) inside = false;
      if (!inside) break;
      const WindowPoint w = space.ToWindow(c);
      data += data.empty() ? "M" : " ";
      AppendTenths(&data, std::lround(w.x * 10.0));
      data.push_back(' ');
      AppendTenths(&data, std::lround((space.Height() - w.y) * 10.0));
    }
    if (inside) *out += "<path fill=\"" + HexColour(colour) + "\" d=\"" + data + "Z\"/>\n";
  }
}

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

// XML's five special characters; the labels hold none today but "×".
std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

// The colour bar, the extremes' markers and every label, over the drawing,
// where the picture paints them.
void WriteAids(const CPictureAids& aids, const AidsSetup& setup, const std::string& background,
               std::string* out) {
  const PictureLayout& layout = aids.Layout();
  const std::string ink = HexColour(aids.TextColour());
  if (layout.colourBar && setup.colourMap) {
    const ColourBarLayout& bar = *layout.colourBar;
    *out += "<defs><linearGradient id=\"bar\" x1=\"0\" y1=\"1\" x2=\"0\" y2=\"0\">\n";
    constexpr int kStops = 16;
    for (int k = 0; k <= kStops; ++k) {
      const double t = static_cast<double>(k) / kStops;
      const std::array<float, 3> c = MapColour(*setup.colourMap, t);
      const float rgb[3] = {c[0], c[1], c[2]};
      *out +=
          "<stop offset=\"" + Number(t) + "\" stop-color=\"" + HexColour(ToBytes(rgb)) + "\"/>\n";
    }
    *out += "</linearGradient></defs>\n";
    *out += "<rect x=\"" + Number(bar.bar.left) + "\" y=\"" + Number(bar.bar.top) + "\" width=\"" +
            Number(bar.bar.width) + "\" height=\"" + Number(bar.bar.height) +
            "\" fill=\"url(#bar)\" stroke=\"" + ink + "\"/>\n";
    for (const PixelSegment& tick : bar.tickMarks) {
      *out += "<line x1=\"" + Number(tick.a.x) + "\" y1=\"" + Number(tick.a.y) + "\" x2=\"" +
              Number(tick.b.x) + "\" y2=\"" + Number(tick.b.y) + "\" stroke=\"" + ink + "\"/>\n";
    }
  }
  const double marker = LayoutMetrics{}.markerSize;
  for (const MarkerLayout& m : layout.markers) {
    const std::string fill = HexColour(aids.MarkerColour(m.kind));
    *out += "<rect x=\"" + Number(std::floor(m.at.x - marker / 2)) + "\" y=\"" +
            Number(std::floor(m.at.y - marker / 2)) + "\" width=\"" + Number(marker) +
            "\" height=\"" + Number(marker) + "\" fill=\"" + fill + "\" stroke=\"" + ink + "\"/>\n";
  }
  if (layout.labels.empty()) return;
  // The raster's font at its pixel size: the same text at the same place.
  *out += "<g font-family=\"DejaVu Sans, sans-serif\" font-size=\"" +
          std::to_string(CPictureAids::TextPixels()) + "px\" fill=\"" + ink + "\">\n";
  for (const PlacedLabel& label : layout.labels) {
    // An extreme's value may lie over the surface: a rim of the background.
    const bool rim = label.kind == LabelKind::Minimum || label.kind == LabelKind::Maximum;
    *out += "<text x=\"" + Number(label.rect.left) + "\" y=\"" +
            Number(label.rect.top + aids.TextAscent()) + "\"";
    if (rim) *out += " stroke=\"" + background + "\" stroke-width=\"2\" paint-order=\"stroke\"";
    *out += ">" + Escaped(label.text) + "</text>\n";
  }
  *out += "</g>\n";
}

}  // namespace

SvgPictureResult BuildSvgPicture(const Frame& frame, const CParaData& para, const CFormula& formula,
                                 std::string* svg, const RunOptions& options) {
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

  // The aids as the run made them for this frame: the same box, extremes
  // and layout, the first frame's far faces.
  CFormula evaluated = formula;
  const SampledBox box = BoxOfGrid(grid, style != STYLE_CONTOUR, gridSpec, extents,
                                   sampled.fit ? &*sampled.fit : nullptr, &evaluated);
  AidsSetup setup;
  setup.axes = options.axes;
  setup.extremes = options.extremes;
  if (options.colourMap) {
    setup.colourMap = style == STYLE_CONTOUR ? ColourMap::Contour : *options.colourMap;
  }
  setup.barRange = box.valueRange;
  setup.box = box.box;
  setup.minimum = box.minimum;
  setup.maximum = box.maximum;
  setup.backColor = para.m_nBackColor;
  setup.drawStyle = style;
  CPictureAids aids;
  aids.Setup(setup);
  aids.LayOut(frame.projection, frame.modelView, frame.width, frame.height);
  const PictureLayout& layout = aids.Layout();
  LinePaths gridLines(frame.height);
  LinePaths edges(frame.height);
  if (layout.hasBox) {
    std::vector<ModelSegment> lines;
    for (const FaceLayout& face : layout.faces) {
      lines.insert(lines.end(), face.gridLines.begin(), face.gridLines.end());
    }
    TraceModelSegments(lines, aids.GridColour(), space, true, gridLines);
    lines.assign(layout.boxEdges.begin(), layout.boxEdges.end());
    for (const AxisLayout& axis : layout.axes) {
      lines.insert(lines.end(), axis.tickMarks.begin(), axis.tickMarks.end());
    }
    TraceModelSegments(lines, aids.EdgeColour(), space, true, edges);
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
  if (layout.hasBox) {
    WritePanes(layout, space, aids.PaneColour(), &out);
    out += "<g fill=\"none\" stroke-width=\"1\">\n";
    gridLines.Write(&out);
    out += "</g>\n";
  }
  WriteFaces(faces, frame.height, &out);
  out += "<g fill=\"none\" stroke-width=\"" + std::string(lineWidth) +
         "\" stroke-linejoin=\"round\">\n";
  paths.Write(&out);
  out += "</g>\n";
  if (layout.hasBox) {
    out += "<g fill=\"none\" stroke-width=\"1\">\n";
    edges.Write(&out);
    out += "</g>\n";
  }
  WriteAids(aids, setup, HexColour(ToBytes(background)), &out);
  out += "</svg>\n";
  *svg = std::move(out);
  return SvgPictureResult::Ok;
}
