#include "render/PictureAids.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "core/Grid.h"
#include "core/ParaData.h"
#include "render/PictureColours.h"
#include "render/TextPainter.h"

namespace {

// The labels' size in pixels: the window's small text.
constexpr int kLabelPixels = 12;
// How far the far faces, their grid lines and the box's edges go from the
// background towards the text's colour: faint panes, clear edges.
constexpr float kPaneShare = 0.1f;
constexpr float kGridShare = 0.3f;
constexpr float kEdgeShare = 0.6f;

using Rgb = std::array<float, 3>;

Rgb Mix(const Rgb& a, const Rgb& b, float share) {
  return {a[0] + (b[0] - a[0]) * share, a[1] + (b[1] - a[1]) * share, a[2] + (b[2] - a[2]) * share};
}

std::array<std::uint8_t, 3> Bytes(const Rgb& rgb) {
  std::array<std::uint8_t, 3> bytes{};
  for (std::size_t k = 0; k < 3; ++k) {
    bytes[k] = static_cast<std::uint8_t>(std::lround(std::clamp(rgb[k], 0.0f, 1.0f) * 255.0f));
  }
  return bytes;
}

Rgb Background(const AidsSetup& setup) {
  Rgb rgb{};
  BackgroundColour(setup.backColor, setup.drawStyle, rgb.data());
  return rgb;
}

// Dark text on a light background, light text on a dark one.
Rgb Ink(const AidsSetup& setup) {
  const Rgb back = Background(setup);
  const float lightness = 0.3f * back[0] + 0.59f * back[1] + 0.11f * back[2];
  return lightness > 0.5f ? Rgb{0.1f, 0.1f, 0.12f} : Rgb{0.9f, 0.9f, 0.88f};
}

void Vertex(const ModelPoint& p) { glVertex3d(p[0], p[1], p[2]); }

void Segments(const std::vector<ModelSegment>& segments) {
  for (const ModelSegment& s : segments) {
    Vertex(s.a);
    Vertex(s.b);
  }
}

// A 1-pixel line from a to b, axis-parallel or not, by its pixels.
void PaintLine(Frame& frame, PixelPoint a, PixelPoint b,
               const std::array<std::uint8_t, 3>& colour) {
  const double steps = std::max({std::fabs(b.x - a.x), std::fabs(b.y - a.y), 1.0});
  for (double k = 0.0; k <= steps; k += 1.0) {
    const double t = k / steps;
    FillRect(frame.rgba.data(), frame.width, frame.height,
             static_cast<int>(std::floor(a.x + (b.x - a.x) * t)),
             static_cast<int>(std::floor(a.y + (b.y - a.y) * t)), 1, 1, colour);
  }
}

void PaintFrameOf(Frame& frame, const PixelRect& r, const std::array<std::uint8_t, 3>& colour) {
  const int left = static_cast<int>(std::floor(r.left));
  const int top = static_cast<int>(std::floor(r.top));
  const int width = static_cast<int>(std::lround(r.width));
  const int height = static_cast<int>(std::lround(r.height));
  FillRect(frame.rgba.data(), frame.width, frame.height, left, top, width, 1, colour);
  FillRect(frame.rgba.data(), frame.width, frame.height, left, top + height - 1, width, 1, colour);
  FillRect(frame.rgba.data(), frame.width, frame.height, left, top, 1, height, colour);
  FillRect(frame.rgba.data(), frame.width, frame.height, left + width - 1, top, 1, height, colour);
}

// Unlit, untextured, opaque, filled, writing no depth, whatever the style
// left on; depthTest: hidden behind what is drawn. glPopAttrib restores.
void BeginPlainDrawing(bool depthTest) {
  glPushAttrib(GL_ENABLE_BIT | GL_POLYGON_BIT | GL_DEPTH_BUFFER_BIT | GL_CURRENT_BIT | GL_LINE_BIT |
               GL_COLOR_BUFFER_BIT);
  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glDepthMask(GL_FALSE);
  if (depthTest) {
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
  } else {
    glDisable(GL_DEPTH_TEST);
  }
}

}  // namespace

SampledBox BoxOfGrid(const std::vector<float>& grid, bool surface, const GridSpec& gridSpec,
                     const GridExtents& extents, const SurfaceFit* fit, CFormula* formula) {
  SampledBox sampled;
  // minZ > maxZ: nothing finite was sampled, so there is no range to show.
  if (!(extents.minZ <= extents.maxZ)) return sampled;
  const auto zScale = static_cast<double>(gridSpec.zScale);
  // The surface holds f times the coefficient (or the fitted height); the
  // contour grid f itself.
  double lowValue = extents.minZ;
  double highValue = extents.maxZ;
  if (surface && fit == nullptr) {
    lowValue = zScale != 0.0 ? extents.minZ / zScale : 0.0;
    highValue = zScale != 0.0 ? extents.maxZ / zScale : 0.0;
    if (lowValue > highValue) std::swap(lowValue, highValue);
  }
  if (fit != nullptr) {
    lowValue = fit->bottom;
    highValue = fit->top;
  }
  const auto height = [&](double value) {
    return fit != nullptr ? static_cast<double>(fit->Height(value)) : value * zScale;
  };
  // The box spans the model's -R..R; its x and y axes number the window's.
  sampled.box[kAxisX] = {extents.minX, extents.maxX, PlaneX(gridSpec, extents.minX),
                         PlaneX(gridSpec, extents.maxX)};
  sampled.box[kAxisY] = {extents.minY, extents.maxY, PlaneY(gridSpec, extents.minY),
                         PlaneY(gridSpec, extents.maxY)};
  sampled.box[kAxisHeight] = {height(lowValue), height(highValue), lowValue, highValue};
  sampled.valueRange = ColourBarRange{lowValue, highValue};

  // The extremes among the values the picture shows: a fit's cut leaves out
  // what lies beyond its range.
  const int n = gridSpec.nMesh;
  const std::size_t count = static_cast<std::size_t>(n + 1) * static_cast<std::size_t>(n + 1);
  if (grid.size() != (surface ? 3 * count : count)) return sampled;
  std::size_t lowest = count;
  std::size_t highest = count;
  float lowestHeight = 0.0f;
  float highestHeight = 0.0f;
  for (std::size_t k = 0; k < count; ++k) {
    const float h = surface ? grid[3 * k + 1] : grid[k];
    if (!std::isfinite(h)) continue;
    if (fit != nullptr) {
      const double value = surface ? fit->Middle() + h / fit->factor : h;
      if (value < fit->bottom || value > fit->top) continue;
    }
    if (lowest == count || h < lowestHeight) lowest = k, lowestHeight = h;
    if (highest == count || h > highestHeight) highest = k, highestHeight = h;
  }
  const auto extreme = [&](std::size_t k) {
    ExtremePoint point;
    const auto side = static_cast<std::size_t>(n + 1);
    // The contour layout runs i along x and j along y.
    const float modelX =
        surface ? grid[3 * k] : GridCoordinate(gridSpec, static_cast<int>(k / side));
    const float modelY =
        surface ? grid[3 * k + 2] : GridCoordinate(gridSpec, static_cast<int>(k % side));
    point.model = {modelX, surface ? grid[3 * k + 1] : height(grid[k]), modelY};
    point.x = PlaneX(gridSpec, modelX);
    point.y = PlaneY(gridSpec, modelY);
    if (surface) {
      // + 0.0: the middle row's -0 is the point x = 0, y = 0 a user reads.
      point.x += 0.0;
      point.y += 0.0;
    }
    double x = point.x;
    double y = point.y;
    double zeroByZero = gridSpec.zeroDiv;
    point.value = EvaluateFormula(formula, &x, &y, &zeroByZero);
    return point;
  };
  if (lowest < count && formula != nullptr) {
    // A height scaled by a negative coefficient turns the lowest into the
    // largest value: the extremes are named by f's values.
    ExtremePoint a = extreme(lowest);
    ExtremePoint b = extreme(highest);
    if (a.value > b.value) std::swap(a, b);
    sampled.minimum = a;
    sampled.maximum = b;
  }
  return sampled;
}

CPictureAids::CPictureAids() = default;
CPictureAids::~CPictureAids() = default;

void CPictureAids::Setup(const AidsSetup& setup) {
  m_setup = setup;
  m_farFaces.reset();
  m_layout = PictureLayout{};
  // The font is loaded once per run, and only for a run that shows text.
  if (Active() && m_pPainter == nullptr) m_pPainter = std::make_unique<CTextPainter>(kLabelPixels);
}

void CPictureAids::SetShown(bool axes, bool extremes) {
  m_setup.axes = axes;
  m_setup.extremes = extremes;
  if (Active() && m_pPainter == nullptr) m_pPainter = std::make_unique<CTextPainter>(kLabelPixels);
}

bool CPictureAids::Active() const {
  return m_setup.axes || m_setup.extremes || m_setup.colourMap.has_value();
}

std::array<std::uint8_t, 3> CPictureAids::TextColour() const { return Bytes(Ink(m_setup)); }

std::array<std::uint8_t, 3> CPictureAids::PaneColour() const {
  return Bytes(Mix(Background(m_setup), Ink(m_setup), kPaneShare));
}

std::array<std::uint8_t, 3> CPictureAids::GridColour() const {
  return Bytes(Mix(Background(m_setup), Ink(m_setup), kGridShare));
}

std::array<std::uint8_t, 3> CPictureAids::EdgeColour() const {
  return Bytes(Mix(Background(m_setup), Ink(m_setup), kEdgeShare));
}

std::array<std::uint8_t, 3> CPictureAids::MarkerColour(LabelKind kind) const {
  // Blue at the bottom, red at the top, as the contour lines run.
  return kind == LabelKind::Minimum ? Bytes({0.15f, 0.45f, 1.0f}) : Bytes({1.0f, 0.25f, 0.15f});
}

int CPictureAids::TextPixels() { return kLabelPixels; }

int CPictureAids::TextAscent() const {
  return m_pPainter != nullptr ? m_pPainter->Measure("0").ascent : 0;
}

void CPictureAids::LayOut(const std::array<float, 16>& projection,
                          const std::array<float, 16>& modelView, int width, int height) {
  m_layout = PictureLayout{};
  if (!Active() || m_pPainter == nullptr || !m_pPainter->Ok()) return;
  LayoutInput input;
  input.view = {projection, modelView, width, height};
  input.box = m_setup.box;
  input.axes = m_setup.axes;
  if (m_setup.colourMap) input.colourBar = m_setup.barRange;
  if (m_setup.extremes) {
    input.minimum = m_setup.minimum;
    input.maximum = m_setup.maximum;
  }
  input.previousFarFaces = m_farFaces;
  const CTextPainter& painter = *m_pPainter;
  input.measure = [&painter](const std::string& text) {
    const TextSize size = painter.Measure(text);
    return LabelSize{static_cast<double>(size.width), static_cast<double>(size.height)};
  };
  m_layout = LayOutPicture(input);
  m_farFaces = m_layout.farFaces;
}

void CPictureAids::DrawBehind() const {
  if (!m_layout.hasBox) return;
  BeginPlainDrawing(false);
  // The far faces lie behind all of the model, and their projections do not
  // overlap: drawn first, they need no depth.
  const Rgb back = Background(m_setup);
  const Rgb ink = Ink(m_setup);
  const Rgb pane = Mix(back, ink, kPaneShare);
  glColor3f(pane[0], pane[1], pane[2]);
  glBegin(GL_QUADS);
  for (const FaceLayout& face : m_layout.faces) {
    for (const ModelPoint& corner : face.corners) Vertex(corner);
  }
  glEnd();
  const Rgb grid = Mix(back, ink, kGridShare);
  glColor3f(grid[0], grid[1], grid[2]);
  glLineWidth(1.0f);
  glBegin(GL_LINES);
  for (const FaceLayout& face : m_layout.faces) Segments(face.gridLines);
  glEnd();
  glPopAttrib();
}

void CPictureAids::DrawInFront() const {
  if (!m_layout.hasBox) return;
  BeginPlainDrawing(true);
  const Rgb edge = Mix(Background(m_setup), Ink(m_setup), kEdgeShare);
  glColor3f(edge[0], edge[1], edge[2]);
  glLineWidth(1.0f);
  glBegin(GL_LINES);
  for (const ModelSegment& s : m_layout.boxEdges) {
    Vertex(s.a);
    Vertex(s.b);
  }
  for (const AxisLayout& axis : m_layout.axes) Segments(axis.tickMarks);
  glEnd();
  glPopAttrib();
}

void CPictureAids::Decorate(Frame& frame) const {
  if (m_pPainter == nullptr || frame.rgba.empty()) return;
  const std::array<std::uint8_t, 3> ink = TextColour();
  if (const auto& bar = m_layout.colourBar; bar && m_setup.colourMap) {
    // Row by row from the bottom value to the top one, as the map runs.
    const int top = static_cast<int>(std::floor(bar->bar.top));
    const int rows = std::max(1, static_cast<int>(std::lround(bar->bar.height)));
    for (int row = 0; row < rows; ++row) {
      const double t = rows > 1 ? 1.0 - static_cast<double>(row) / (rows - 1) : 0.5;
      const std::array<float, 3> c = MapColour(*m_setup.colourMap, t);
      FillRect(frame.rgba.data(), frame.width, frame.height,
               static_cast<int>(std::floor(bar->bar.left)), top + row,
               static_cast<int>(std::lround(bar->bar.width)), 1, Bytes({c[0], c[1], c[2]}));
    }
    PaintFrameOf(frame, bar->bar, ink);
    for (const PixelSegment& tick : bar->tickMarks) PaintLine(frame, tick.a, tick.b, ink);
  }
  for (const MarkerLayout& marker : m_layout.markers) {
    // A filled square, outlined.
    const double half = LayoutMetrics{}.markerSize / 2.0;
    const PixelRect square{std::floor(marker.at.x - half), std::floor(marker.at.y - half),
                           LayoutMetrics{}.markerSize, LayoutMetrics{}.markerSize};
    FillRect(frame.rgba.data(), frame.width, frame.height, static_cast<int>(square.left),
             static_cast<int>(square.top), static_cast<int>(square.width),
             static_cast<int>(square.height), MarkerColour(marker.kind));
    PaintFrameOf(frame, square, ink);
  }
  const std::array<std::uint8_t, 3> halo = Bytes(Background(m_setup));
  for (const PlacedLabel& label : m_layout.labels) {
    const int left = static_cast<int>(label.rect.left);
    const int top = static_cast<int>(label.rect.top);
    // An extreme's value may lie over the surface: a rim of the background
    // keeps it readable on any colour.
    if (label.kind == LabelKind::Minimum || label.kind == LabelKind::Maximum) {
      for (const auto& [dx, dy] :
           {std::pair(-1, 0), std::pair(1, 0), std::pair(0, -1), std::pair(0, 1)}) {
        m_pPainter->Draw(frame.rgba.data(), frame.width, frame.height, label.text, left + dx,
                         top + dy, halo);
      }
    }
    m_pPainter->Draw(frame.rgba.data(), frame.width, frame.height, label.text, left, top, ink);
  }
}
