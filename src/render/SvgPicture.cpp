#include "render/SvgPicture.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <limits>
#include <new>
#include <optional>
#include <utility>
#include <vector>

#include "core/Contour.h"
#include "core/Fit.h"
#include "core/Grid.h"
#include "render/PictureColours.h"

namespace {

using Rgb = std::array<std::uint8_t, 3>;

// As GL stores a colour component in an 8-bit buffer: clamped, then rounded.
Rgb ToBytes(const float rgb[3]) {
  Rgb bytes{};
  for (int k = 0; k < 3; ++k) {
    const float c = std::clamp(rgb[k], 0.0f, 1.0f);
    bytes[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(std::lround(c * 255.0f));
  }
  return bytes;
}

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

// A point of the window: x and y in pixels from the bottom left, as GL counts
// them, and the depth the buffer holds for it (0 near .. 1 far).
struct WindowPoint {
  double x, y, z;
};

using ClipPoint = std::array<double, 4>;

// The picture's matrices, and the look-ups into its pixels and depths.
class PictureSpace {
 public:
  explicit PictureSpace(const Frame& frame) : m_frame(frame) {
    // Both matrices are column-major; combined = projection * model-view.
    for (int row = 0; row < 4; ++row) {
      for (int col = 0; col < 4; ++col) {
        double sum = 0.0;
        for (int k = 0; k < 4; ++k) {
          sum += static_cast<double>(frame.projection[static_cast<std::size_t>(k * 4 + row)]) *
                 static_cast<double>(frame.modelView[static_cast<std::size_t>(col * 4 + k)]);
        }
        m_combined[static_cast<std::size_t>(col * 4 + row)] = sum;
      }
    }
  }

  int Width() const { return m_frame.width; }
  int Height() const { return m_frame.height; }

  ClipPoint Clip(const float v[3]) const {
    ClipPoint c{};
    for (std::size_t row = 0; row < 4; ++row) {
      c[row] = m_combined[row] * v[0] + m_combined[4 + row] * v[1] + m_combined[8 + row] * v[2] +
               m_combined[12 + row];
    }
    return c;
  }

  // The viewport transform of a point inside the view volume.
  WindowPoint ToWindow(const ClipPoint& c) const {
    return {(c[0] / c[3] * 0.5 + 0.5) * m_frame.width, (c[1] / c[3] * 0.5 + 0.5) * m_frame.height,
            c[2] / c[3] * 0.5 + 0.5};
  }

  // The pixel holding a window point, clamped to the picture (a point on its
  // right or top edge belongs to the last column or row).
  std::size_t PixelIndex(double x, double y) const {
    const int px = std::clamp(static_cast<int>(std::floor(x)), 0, m_frame.width - 1);
    const int py = std::clamp(static_cast<int>(std::floor(y)), 0, m_frame.height - 1);
    // The frame's rows run from the top.
    return static_cast<std::size_t>(m_frame.height - 1 - py) *
               static_cast<std::size_t>(m_frame.width) +
           static_cast<std::size_t>(px);
  }
  float Depth(std::size_t pixel) const { return m_frame.depth[pixel]; }
  Rgb Colour(std::size_t pixel) const {
    const std::uint8_t* p = m_frame.rgba.data() + pixel * 4;
    return {p[0], p[1], p[2]};
  }

 private:
  const Frame& m_frame;
  std::array<double, 16> m_combined{};
};

// The part of the segment a..b inside the view volume, as the parameters
// [*t0, *t1] along it; false when no part is inside. Done before the divide
// by w, so points behind the eye cannot fold back into the view.
bool ClipToVolume(const ClipPoint& a, const ClipPoint& b, double* t0, double* t1) {
  *t0 = 0.0;
  *t1 = 1.0;
  for (int axis = 0; axis < 3; ++axis) {
    for (double sign : {1.0, -1.0}) {
      const double da = a[3] + sign * a[static_cast<std::size_t>(axis)];
      const double db = b[3] + sign * b[static_cast<std::size_t>(axis)];
      if (da < 0.0 && db < 0.0) return false;
      if (da < 0.0) *t0 = std::max(*t0, da / (da - db));
      if (db < 0.0) *t1 = std::min(*t1, da / (da - db));
    }
  }
  return *t0 < *t1;
}

ClipPoint Lerp(const ClipPoint& a, const ClipPoint& b, double t) {
  ClipPoint c{};
  for (std::size_t k = 0; k < 4; ++k) c[k] = a[k] + t * (b[k] - a[k]);
  return c;
}

// The drawing's line paths, one per colour in the order the colours come,
// each a run of polylines in SVG's y-down coordinates.
class LinePaths {
 public:
  explicit LinePaths(int height) : m_height(height) {}

  void SetColour(const Rgb& colour) {
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
  void MoveTo(const WindowPoint& p) {
    Path& path = m_paths[m_current];
    path.pendingMove = true;
    path.lastX = Tenths(p.x);
    path.lastY = Tenths(m_height - p.y);
  }
  void LineTo(const WindowPoint& p) {
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

// What the picture's geometry is handed to: polylines in model coordinates.
class ModelLines {
 public:
  virtual ~ModelLines() = default;
  virtual void Colour(const float rgb[3]) = 0;
  virtual void MoveTo(const float v[3]) = 0;
  virtual void LineTo(const float v[3]) = 0;
};

// Puts model polylines onto the picture. Each segment is clipped to the view,
// walked a pixel at a time along its longer axis, and kept where the picture
// shows it: everywhere when the picture hides nothing, else where it is no
// farther than the depth buffer holds at that pixel. A line's own pixels hold
// its own depth, and the faces that hide lines are pushed back by a polygon
// offset, so a visible line is never behind its buffer value by more than its
// own depth step across one pixel. Pieces that meet at a vertex stay one
// polyline.
class LineTracer : public ModelLines {
 public:
  LineTracer(const PictureSpace& space, bool depthTest, LinePaths* paths)
      : m_space(space), m_bDepthTest(depthTest), m_paths(paths) {}

  void Colour(const float rgb[3]) override {
    m_paths->SetColour(ToBytes(rgb));
    m_bPenDown = false;
  }
  void MoveTo(const float v[3]) override {
    std::copy(v, v + 3, m_last.begin());
    m_bPenDown = false;
  }
  void LineTo(const float v[3]) override {
    const float from[3] = {m_last[0], m_last[1], m_last[2]};
    std::copy(v, v + 3, m_last.begin());
    Trace(from, v);
  }

 private:
  void Trace(const float a[3], const float b[3]) {
    const bool penWasDown = m_bPenDown;
    m_bPenDown = false;
    for (int k = 0; k < 3; ++k) {
      // A point the formula gave no number for is a hole, never a line.
      if (!std::isfinite(a[k]) || !std::isfinite(b[k])) return;
    }
    const ClipPoint ca = m_space.Clip(a);
    const ClipPoint cb = m_space.Clip(b);
    double t0 = 0.0;
    double t1 = 1.0;
    if (!ClipToVolume(ca, cb, &t0, &t1)) return;
    const WindowPoint p = m_space.ToWindow(Lerp(ca, cb, t0));
    const WindowPoint q = m_space.ToWindow(Lerp(ca, cb, t1));
    const double dx = q.x - p.x;
    const double dy = q.y - p.y;
    const double dz = q.z - p.z;
    // The depth in the window is linear along the projected segment, also
    // in perspective, so it is interpolated with the window position.
    const auto steps =
        static_cast<long>(std::max(1.0, std::ceil(std::max(std::fabs(dx), std::fabs(dy)))));
    const double tolerance = 1.5 * std::fabs(dz) / static_cast<double>(steps) + kDepthSlack;
    const auto at = [&](double s) { return WindowPoint{p.x + s * dx, p.y + s * dy, p.z + s * dz}; };
    const auto shown = [&](long k) {
      if (!m_bDepthTest) return true;
      const WindowPoint w = at(static_cast<double>(k) / static_cast<double>(steps));
      return w.z <= m_space.Depth(m_space.PixelIndex(w.x, w.y)) + tolerance;
    };
    // Runs of shown samples; a run ends halfway to the first hidden one.
    long k = 0;
    while (k <= steps) {
      if (!shown(k)) {
        ++k;
        continue;
      }
      const long first = k;
      while (k <= steps && shown(k)) ++k;
      const long last = k - 1;
      const double from =
          first == 0 ? 0.0 : (static_cast<double>(first) - 0.5) / static_cast<double>(steps);
      const double to =
          last == steps ? 1.0 : (static_cast<double>(last) + 0.5) / static_cast<double>(steps);
      if (!(first == 0 && t0 == 0.0 && penWasDown)) m_paths->MoveTo(at(from));
      m_paths->LineTo(at(to));
      m_bPenDown = last == steps && t1 == 1.0;
    }
  }

  // About 64 steps of a 24-bit depth buffer: what its rounding and the
  // rasteriser's own interpolation may differ by.
  static constexpr double kDepthSlack = 1.0 / (1 << 18);

  const PictureSpace& m_space;
  bool m_bDepthTest;
  LinePaths* m_paths;
  std::array<float, 3> m_last{};
  bool m_bPenDown = false;
};

// The picture's geometry: MeshLines, ContourToLines and the cells that
// ShadedFaces walks. Both the display lists and these come from the same
// sampled grid: the mesh's list draws every cell of it as a quad outline,
// which are its rows and columns; the contour list is the same walk
// (BuildContour) this one takes. A fitted surface leaves out the cells a pole
// runs through and is cut at the ends of its range, here as in the lists:
// MeshLines and ShadedFaces skip the cells, SlabCut and CutToSlab cut, and
// CutLines draws the edges the cut leaves.
const float* GridPoint(const std::vector<float>& grid, int nMesh, int j, int i) {
  return grid.data() + GridIndex(nMesh, j, i);
}

// The model heights a fitted surface is cut at, as the picture's clip planes
// cut it.
struct Slab {
  double bottom, top;
};

Slab CutSlab(const SurfaceFit& fit) { return {fit.Height(fit.bottom), fit.Height(fit.top)}; }

// With a fit, only the edges of the cells drawn: an edge is a line of the
// picture when a cell on either side of it is drawn.
void MeshLines(const std::vector<float>& grid, int nMesh, const FittedSurface* fitted,
               ModelLines& lines) {
  const auto drawn = [&](int j, int i) {
    return j >= 0 && j < nMesh && i >= 0 && i < nMesh &&
           (fitted == nullptr || fitted->CellDrawn(j, i));
  };
  lines.Colour(kMeshLineColour);
  for (int i = 0; i <= nMesh; ++i) {
    bool penDown = false;
    for (int j = 1; j <= nMesh; ++j) {
      if (!drawn(j - 1, i - 1) && !drawn(j - 1, i)) {
        penDown = false;
        continue;
      }
      if (!penDown) lines.MoveTo(GridPoint(grid, nMesh, j - 1, i));
      lines.LineTo(GridPoint(grid, nMesh, j, i));
      penDown = true;
    }
  }
  for (int j = 0; j <= nMesh; ++j) {
    bool penDown = false;
    for (int i = 1; i <= nMesh; ++i) {
      if (!drawn(j - 1, i - 1) && !drawn(j, i - 1)) {
        penDown = false;
        continue;
      }
      if (!penDown) lines.MoveTo(GridPoint(grid, nMesh, j, i - 1));
      lines.LineTo(GridPoint(grid, nMesh, j, i));
      penDown = true;
    }
  }
}

// The parameters [*t0, *t1] of the part of a..b at model heights (y) in the
// slab; false when no part is, or a height is not a number.
bool CutSegment(double ya, double yb, const Slab& slab, double* t0, double* t1) {
  *t0 = 0.0;
  *t1 = 1.0;
  if (!std::isfinite(ya) || !std::isfinite(yb)) return false;
  for (const auto& [da, db] :
       {std::pair(ya - slab.bottom, yb - slab.bottom), std::pair(slab.top - ya, slab.top - yb)}) {
    if (da < 0.0 && db < 0.0) return false;
    if (da < 0.0) *t0 = std::max(*t0, da / (da - db));
    if (db < 0.0) *t1 = std::min(*t1, da / (da - db));
  }
  return *t0 <= *t1;
}

// Hands on the parts of the polylines inside the slab, as the picture's clip
// planes leave them; a polyline leaving the slab and coming back goes on as a
// new one.
class SlabCut : public ModelLines {
 public:
  SlabCut(ModelLines& lines, const Slab& slab) : m_lines(lines), m_slab(slab) {}

  void Colour(const float rgb[3]) override {
    m_lines.Colour(rgb);
    m_bPenDown = false;
  }
  void MoveTo(const float v[3]) override {
    std::copy(v, v + 3, m_last.begin());
    m_bPenDown = false;
  }
  void LineTo(const float v[3]) override {
    const std::array<float, 3> from = m_last;
    std::copy(v, v + 3, m_last.begin());
    const bool penWasDown = m_bPenDown;
    double t0 = 0.0;
    double t1 = 1.0;
    m_bPenDown = CutSegment(from[1], v[1], m_slab, &t0, &t1);
    if (!m_bPenDown) return;
    if (t0 > 0.0 || !penWasDown) m_lines.MoveTo(At(from, t0).data());
    m_lines.LineTo(At(from, t1).data());
    m_bPenDown = t1 == 1.0;
  }

 private:
  // The point at t along from..m_last, its ends exactly.
  std::array<float, 3> At(const std::array<float, 3>& from, double t) const {
    if (t == 0.0) return from;
    if (t == 1.0) return m_last;
    std::array<float, 3> point{};
    for (std::size_t k = 0; k < 3; ++k) {
      point[k] = static_cast<float>(from[k] + t * (static_cast<double>(m_last[k]) - from[k]));
    }
    return point;
  }

  ModelLines& m_lines;
  Slab m_slab;
  std::array<float, 3> m_last{};
  bool m_bPenDown = false;
};

// The lines along the cut. A polygon drawn as lines gets an edge where a
// clip plane cuts it, so the picture outlines the cut: across each triangle
// of a drawn cell that reaches past the slab, at the height it is cut at. The
// strip's quads are drawn as two triangles split along the diagonal from
// (j, i) to (j + 1, i + 1), as Mesa splits a quad strip under GL's default
// (last) provoking vertex; a cell crossed on that diagonal gets one line
// with a bend there.
void CutLines(const std::vector<float>& grid, int nMesh, const FittedSurface& fitted,
              const Slab& slab, ModelLines& lines) {
  using Point = std::array<float, 3>;
  for (int j = 0; j < nMesh; ++j) {
    for (int i = 0; i < nMesh; ++i) {
      if (!fitted.CellDrawn(j, i)) continue;
      const float* a = GridPoint(grid, nMesh, j, i);
      const float* b = GridPoint(grid, nMesh, j, i + 1);
      const float* c = GridPoint(grid, nMesh, j + 1, i + 1);
      const float* d = GridPoint(grid, nMesh, j + 1, i);
      for (const double level : {slab.bottom, slab.top}) {
        // Where p..q crosses the level: a plane crosses a triangle on two
        // of its edges or on none.
        const auto crossing = [&](const float* p, const float* q, Point* at) {
          const double dp = p[1] - level;
          const double dq = q[1] - level;
          if ((dp >= 0.0) == (dq >= 0.0)) return false;
          const double t = dp / (dp - dq);
          for (std::size_t k = 0; k < 3; ++k) {
            (*at)[k] = static_cast<float>(p[k] + t * (static_cast<double>(q[k]) - p[k]));
          }
          (*at)[1] = static_cast<float>(level);
          return true;
        };
        // Triangles (a, b, c) and (a, c, d).
        Point ab, bc, cd, da, ac;
        const bool xab = crossing(a, b, &ab);
        const bool xbc = crossing(b, c, &bc);
        const bool xcd = crossing(c, d, &cd);
        const bool xda = crossing(d, a, &da);
        if (crossing(a, c, &ac)) {
          lines.MoveTo(xab ? ab.data() : bc.data());
          lines.LineTo(ac.data());
          lines.LineTo(xcd ? cd.data() : da.data());
          continue;
        }
        if (xab && xbc) {
          lines.MoveTo(ab.data());
          lines.LineTo(bc.data());
        }
        if (xcd && xda) {
          lines.MoveTo(cd.data());
          lines.LineTo(da.data());
        }
      }
    }
  }
}

// The contour walk's output as polylines of one segment each.
class ContourToLines : public ContourSink {
 public:
  explicit ContourToLines(ModelLines& lines) : m_lines(lines) {}
  void Colour(const ContourColour& colour) override {
    const float rgb[3] = {colour.red, colour.green, colour.blue};
    m_lines.Colour(rgb);
  }
  void Segment(const float v1[3], const float v2[3]) override {
    m_lines.MoveTo(v1);
    m_lines.LineTo(v2);
  }

 private:
  ModelLines& m_lines;
};

// A cell of the shaded mesh as the picture shows it: the quad, or with a fit
// the part of it the cut leaves (see AddCutFaces).
struct ShownFace {
  double depth;  // of its centre, for the order of drawing
  Rgb colour;
  std::array<WindowPoint, 8> corners;
  std::size_t count;
};

using Triangle = std::array<WindowPoint, 3>;

// The window depth of the triangle a, b, c at (x, y), and the largest of its
// depth slopes; false when (x, y) is outside it.
bool TriangleDepth(const WindowPoint& a, const WindowPoint& b, const WindowPoint& c, double x,
                   double y, double* z, double* slope) {
  const double area = (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
  if (area == 0.0) return false;
  const double wb = ((x - a.x) * (c.y - a.y) - (c.x - a.x) * (y - a.y)) / area;
  const double wc = ((b.x - a.x) * (y - a.y) - (x - a.x) * (b.y - a.y)) / area;
  const double wa = 1.0 - wb - wc;
  if (wa < 0.0 || wb < 0.0 || wc < 0.0) return false;
  *z = wa * a.z + wb * b.z + wc * c.z;
  const double dzdx = ((b.z - a.z) * (c.y - a.y) - (c.z - a.z) * (b.y - a.y)) / area;
  const double dzdy = ((c.z - a.z) * (b.x - a.x) - (b.z - a.z) * (c.x - a.x)) / area;
  *slope = std::max(std::fabs(dzdx), std::fabs(dzdy));
  return true;
}

// The distance from (x, y) to the nearest edge of the face.
double EdgeDistance(const ShownFace& face, double x, double y) {
  double nearest = std::numeric_limits<double>::infinity();
  for (std::size_t k = 0; k < face.count; ++k) {
    const WindowPoint& a = face.corners[k];
    const WindowPoint& b = face.corners[(k + 1) % face.count];
    const double ex = b.x - a.x;
    const double ey = b.y - a.y;
    const double length2 = ex * ex + ey * ey;
    const double t =
        length2 > 0.0 ? std::clamp(((x - a.x) * ex + (y - a.y) * ey) / length2, 0.0, 1.0) : 0.0;
    nearest = std::min(nearest, std::hypot(x - (a.x + t * ex), y - (a.y + t * ey)));
  }
  return nearest;
}

// Sets the face's depth, and its colour from its own pixel nearest to its
// centre; false when the picture shows it nowhere. A pixel is the face's when
// it lies in one of the triangles (which may overlap: a quad need not be
// flat), is not a line's, and holds the triangle's depth pushed back by the
// polygon offset the faces are drawn with (one depth slope and a step of the
// buffer); a face in front would hold less, nothing behind could hold it.
bool ShowFace(const PictureSpace& space, const std::vector<Triangle>& triangles, ShownFace* face) {
  const Rgb lineColour = ToBytes(kMeshLineColour);
  constexpr double kSlack = 1.0 / (1 << 18);
  // The centre and the bounds, the corners taken in order.
  const auto& w = face->corners;
  double cx = w[0].x, cy = w[0].y;
  double minX = w[0].x, maxX = w[0].x, minY = w[0].y, maxY = w[0].y;
  face->depth = w[0].z;
  for (std::size_t k = 1; k < face->count; ++k) {
    cx += w[k].x, cy += w[k].y, face->depth += w[k].z;
    minX = std::min(minX, w[k].x), maxX = std::max(maxX, w[k].x);
    minY = std::min(minY, w[k].y), maxY = std::max(maxY, w[k].y);
  }
  const auto count = static_cast<double>(face->count);
  cx /= count, cy /= count, face->depth /= count;
  const auto bound = [](double low, double high, int size, int* first, int* last) {
    *first = static_cast<int>(std::max(0.0, std::floor(low)));
    *last = static_cast<int>(std::min(static_cast<double>(size - 1), std::floor(high)));
  };
  int x0, x1, y0, y1;
  bound(minX, maxX, space.Width(), &x0, &x1);
  bound(minY, maxY, space.Height(), &y0, &y1);
  double best = 0.0;
  int bestRank = -1;
  for (int py = y0; py <= y1; ++py) {
    for (int px = x0; px <= x1; ++px) {
      // GL samples a pixel at its centre.
      const double x = px + 0.5;
      const double y = py + 0.5;
      double low = 0.0;
      double high = 0.0;
      bool inside = false;
      for (const auto& [a, b, c] : triangles) {
        double z = 0.0;
        double slope = 0.0;
        if (!TriangleDepth(a, b, c, x, y, &z, &slope)) continue;
        low = inside ? std::min(low, z) : z;
        high = inside ? std::max(high, z + 1.05 * slope) : z + 1.05 * slope;
        inside = true;
      }
      if (!inside) continue;
      const std::size_t pixel = space.PixelIndex(x, y);
      const double held = space.Depth(pixel);
      if (held < low - kSlack || held > high + kSlack) continue;
      // The face's own lines run along its edges, and a lit face may
      // well have the lines' colour, so a pixel clear of the edges tells
      // the face's colour best, then one unlike the lines; a face too
      // small for either is all line in the picture, and so here.
      const Rgb colour = space.Colour(pixel);
      const int rank = EdgeDistance(*face, x, y) >= 1.0 ? 2 : colour != lineColour ? 1 : 0;
      const double distance = (x - cx) * (x - cx) + (y - cy) * (y - cy);
      if (rank > bestRank || (rank == bestRank && distance < best)) {
        best = distance;
        bestRank = rank;
        face->colour = colour;
      }
    }
  }
  return bestRank >= 0;
}

// A corner in clip space with its model height, the coordinate a cut is made
// in. Model and clip space are linear images of each other, so a cut point
// takes the same parameter along an edge in both. `diagonal`: the point lies
// on the diagonal the cell's two triangles share.
struct FacePoint {
  double y;
  ClipPoint c;
  bool diagonal;
};
using FacePolygon = std::vector<FacePoint>;

// The part of the polygon at model heights slab.bottom..top, one plane after
// the other (Sutherland-Hodgman). Points on a plane are kept, as GL keeps them.
FacePolygon CutToSlab(FacePolygon polygon, const Slab& slab) {
  for (const auto& [level, sign] : {std::pair(slab.bottom, 1.0), std::pair(slab.top, -1.0)}) {
    FacePolygon kept;
    for (std::size_t k = 0; k < polygon.size(); ++k) {
      const FacePoint& a = polygon[k];
      const FacePoint& b = polygon[(k + 1) % polygon.size()];
      const double da = sign * (a.y - level);
      const double db = sign * (b.y - level);
      if (da >= 0.0) kept.push_back(a);
      if ((da >= 0.0) != (db >= 0.0)) {
        kept.push_back({level, Lerp(a.c, b.c, da / (da - db)), a.diagonal && b.diagonal});
      }
    }
    polygon = std::move(kept);
  }
  return polygon;
}

bool InDepthRange(const ClipPoint& c) {
  return std::isfinite(c[0] + c[1] + c[2] + c[3]) && c[3] > 0.0 && std::fabs(c[2]) <= c[3];
}

// The two cut triangles of a cell as one outline, joined along the part of
// the diagonal both keep; nothing when they keep none of it. They run along
// it in opposite directions: all of the first from the shared edge's end
// round to its start, then the second's points off the edge.
std::optional<FacePolygon> JoinOnDiagonal(const FacePolygon& first, const FacePolygon& second) {
  const auto diagonalEdge = [](const FacePolygon& piece) -> std::optional<std::size_t> {
    for (std::size_t k = 0; k < piece.size(); ++k) {
      if (piece[k].diagonal && piece[(k + 1) % piece.size()].diagonal) return k;
    }
    return std::nullopt;
  };
  const std::optional<std::size_t> m = diagonalEdge(first);
  const std::optional<std::size_t> n = diagonalEdge(second);
  if (!m || !n) return std::nullopt;
  FacePolygon joined;
  for (std::size_t k = 1; k <= first.size(); ++k) joined.push_back(first[(*m + k) % first.size()]);
  for (std::size_t k = 2; k < second.size(); ++k) {
    joined.push_back(second[(*n + k) % second.size()]);
  }
  return joined;
}

// A cell the cut reaches into, as the picture draws it: the two triangles
// CutLines cuts, each cut to the slab (a cut leaves a triangle's plane, and
// so its depths, as they were). Each is coloured by its own pixels, since a
// cell folded at the cut shows one triangle's front and the other's back;
// two of one colour that share a part of the diagonal become one face, so no
// seam shows between them. A cut piece's corners crowd at the cut, so it is
// ordered by its mean depth over its area rather than over its corners: a
// tall wall's rim would draw it in front of the wall before it. Nothing when
// a corner is outside the depth range.
void AddCutFaces(const float* const corner[4], const PictureSpace& space, const Slab& slab,
                 std::vector<ShownFace>* faces) {
  FacePolygon quad;
  for (std::size_t k = 0; k < 4; ++k) {
    quad.push_back({corner[k][1], space.Clip(corner[k]), k % 2 == 0});
  }
  const FacePolygon pieces[2] = {CutToSlab({quad[0], quad[1], quad[2]}, slab),
                                 CutToSlab({quad[0], quad[2], quad[3]}, slab)};
  // A cut triangle has up to 5 corners, two joined up to 8.
  const auto toFace = [&](const FacePolygon& outline, ShownFace* face) {
    if (outline.size() > face->corners.size()) return false;
    face->count = outline.size();
    for (std::size_t k = 0; k < outline.size(); ++k) {
      face->corners[k] = space.ToWindow(outline[k].c);
    }
    return true;
  };
  // Window depth is linear over a flat piece, so its mean over the area is
  // that of its triangles' centroids, weighted by their areas.
  double weighted[2] = {0.0, 0.0};
  double area[2] = {0.0, 0.0};
  const auto meanDepth = [&](std::initializer_list<std::size_t> of, double byCorners) {
    double sum = 0.0, total = 0.0;
    for (const std::size_t p : of) sum += weighted[p], total += area[p];
    return total > 0.0 ? sum / total : byCorners;
  };
  ShownFace shown[2]{};
  bool found[2] = {false, false};
  std::vector<Triangle> triangles;
  for (std::size_t p = 0; p < 2; ++p) {
    for (const FacePoint& point : pieces[p]) {
      if (!InDepthRange(point.c)) return;
    }
    if (pieces[p].size() < 3 || !toFace(pieces[p], &shown[p])) continue;
    triangles.clear();
    for (std::size_t k = 2; k < shown[p].count; ++k) {
      const Triangle t = {shown[p].corners[0], shown[p].corners[k - 1], shown[p].corners[k]};
      const double a =
          std::fabs((t[1].x - t[0].x) * (t[2].y - t[0].y) - (t[2].x - t[0].x) * (t[1].y - t[0].y));
      weighted[p] += a * (t[0].z + t[1].z + t[2].z) / 3.0;
      area[p] += a;
      triangles.push_back(t);
    }
    found[p] = ShowFace(space, triangles, &shown[p]);
    shown[p].depth = meanDepth({p}, shown[p].depth);
  }
  if (found[0] && found[1] && shown[0].colour == shown[1].colour) {
    const std::optional<FacePolygon> joined = JoinOnDiagonal(pieces[0], pieces[1]);
    ShownFace face{};
    if (joined && toFace(*joined, &face)) {
      face.colour = shown[0].colour;
      face.depth = meanDepth({0, 1}, (shown[0].depth + shown[1].depth) / 2.0);
      faces->push_back(face);
      return;
    }
  }
  for (std::size_t p = 0; p < 2; ++p) {
    if (found[p]) faces->push_back(shown[p]);
  }
}

// The faces of the shaded mesh that the picture shows, farthest first. With
// a fit, only the cells drawn, cut to its slab.
std::vector<ShownFace> ShadedFaces(const std::vector<float>& grid, int nMesh,
                                   const FittedSurface* fitted, const PictureSpace& space) {
  // Either diagonal may split a quad: the pixel is the face's by either split.
  constexpr std::array<std::array<std::size_t, 3>, 4> kSplits = {
      {{0, 1, 2}, {0, 2, 3}, {0, 1, 3}, {1, 2, 3}}};
  std::optional<Slab> slab;
  if (fitted != nullptr) slab = CutSlab(fitted->fit);
  const auto outside = [&](const float* v) { return v[1] < slab->bottom || v[1] > slab->top; };
  std::vector<ShownFace> faces;
  std::vector<Triangle> triangles;
  for (int j = 0; j < nMesh; ++j) {
    for (int i = 0; i < nMesh; ++i) {
      if (fitted != nullptr && !fitted->CellDrawn(j, i)) continue;
      const float* const corner[4] = {
          GridPoint(grid, nMesh, j, i), GridPoint(grid, nMesh, j, i + 1),
          GridPoint(grid, nMesh, j + 1, i + 1), GridPoint(grid, nMesh, j + 1, i)};
      if (slab && std::any_of(corner, corner + 4, outside)) {
        AddCutFaces(corner, space, *slab, &faces);
        continue;
      }
      ShownFace face{};
      face.count = 4;
      bool inDepth = true;
      for (std::size_t k = 0; k < 4 && inDepth; ++k) {
        const ClipPoint c = space.Clip(corner[k]);
        inDepth = InDepthRange(c);
        if (inDepth) face.corners[k] = space.ToWindow(c);
      }
      // Faces reaching out of the depth range or to a hole are left to the lines.
      if (!inDepth) continue;
      triangles.clear();
      for (const auto& [a, b, c] : kSplits) {
        triangles.push_back({face.corners[a], face.corners[b], face.corners[c]});
      }
      if (ShowFace(space, triangles, &face)) faces.push_back(face);
    }
  }
  std::stable_sort(faces.begin(), faces.end(),
                   [](const ShownFace& a, const ShownFace& b) { return a.depth > b.depth; });
  return faces;
}

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
  // The plain mesh hides nothing: every line is drawn, in one colour.
  const bool hides = style == STYLE_CONTOUR || para.m_bHiddenLine || para.m_bShading;
  LineTracer tracer(space, hides, &paths);
  if (style == STYLE_CONTOUR) {
    ContourToLines sink(tracer);
    const ContourBuild built =
        BuildContour(grid, gridSpec, extents, static_cast<float>(para.m_dContourStep), RunSignals{},
                     sink, sampled.fit ? &*sampled.fit : nullptr);
    if (built == ContourBuild::TooManyLines) return SvgPictureResult::TooManyLines;
  } else {
    const FittedSurface* cells = sampled.surface ? &*sampled.surface : nullptr;
    if (para.m_bShading) faces = ShadedFaces(grid, gridSpec.nMesh, cells, space);
    if (cells != nullptr) {
      const Slab slab = CutSlab(cells->fit);
      SlabCut cut(tracer, slab);
      MeshLines(grid, gridSpec.nMesh, cells, cut);
      CutLines(grid, gridSpec.nMesh, *cells, slab, tracer);
    } else {
      MeshLines(grid, gridSpec.nMesh, nullptr, tracer);
    }
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
