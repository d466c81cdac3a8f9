#include "render/PictureVisibility.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <optional>
#include <utility>

#include "render/PictureColours.h"

namespace {

ClipPoint Lerp(const ClipPoint& a, const ClipPoint& b, double t) { return a + t * (b - a); }

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
  LineTracer(const PictureSpace& space, bool depthTest, ShownLines& out)
      : m_space(space), m_bDepthTest(depthTest), m_out(out) {}

  void Colour(const float rgb[3]) override {
    m_out.Colour(ToBytes(rgb));
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
    // Clipped before the divide by w, so points behind the eye cannot fold
    // back into the view. A segment that only touches the view draws nothing.
    const std::optional<SegmentPart> part = ClipSegment({{ca.w + ca.x, cb.w + cb.x},
                                                         {ca.w - ca.x, cb.w - cb.x},
                                                         {ca.w + ca.y, cb.w + cb.y},
                                                         {ca.w - ca.y, cb.w - cb.y},
                                                         {ca.w + ca.z, cb.w + cb.z},
                                                         {ca.w - ca.z, cb.w - cb.z}});
    if (!part || !(part->t0 < part->t1)) return;
    const double t0 = part->t0;
    const double t1 = part->t1;
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
      if (!(first == 0 && t0 == 0.0 && penWasDown)) m_out.MoveTo(at(from));
      m_out.LineTo(at(to));
      m_bPenDown = last == steps && t1 == 1.0;
    }
  }

  // About 64 steps of a 24-bit depth buffer: what its rounding and the
  // rasteriser's own interpolation may differ by.
  static constexpr double kDepthSlack = 1.0 / (1 << 18);

  const PictureSpace& m_space;
  bool m_bDepthTest;
  ShownLines& m_out;
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
    const std::optional<SegmentPart> part =
        ClipSegment({{from[1] - m_slab.bottom, v[1] - m_slab.bottom},
                     {m_slab.top - from[1], m_slab.top - v[1]}});
    m_bPenDown = part.has_value();
    if (!part) return;
    if (part->t0 > 0.0 || !penWasDown) m_lines.MoveTo(At(from, part->t0).data());
    m_lines.LineTo(At(from, part->t1).data());
    m_bPenDown = part->t1 == 1.0;
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

}  // namespace

void TraceMeshLines(const std::vector<float>& grid, int nMesh, const FittedSurface* fitted,
                    const PictureSpace& space, bool depthTest, ShownLines& out) {
  LineTracer tracer(space, depthTest, out);
  if (fitted == nullptr) return MeshLines(grid, nMesh, nullptr, tracer);
  const Slab slab = CutSlab(fitted->fit);
  SlabCut cut(tracer, slab);
  MeshLines(grid, nMesh, fitted, cut);
  CutLines(grid, nMesh, *fitted, slab, tracer);
}

void TraceModelSegments(const std::vector<ModelSegment>& segments, const Rgb& colour,
                        const PictureSpace& space, bool depthTest, ShownLines& out) {
  LineTracer tracer(space, depthTest, out);
  const float rgb[3] = {colour[0] / 255.0f, colour[1] / 255.0f, colour[2] / 255.0f};
  tracer.Colour(rgb);
  for (const auto& [a, b] : segments) {
    const float from[3] = {static_cast<float>(a[0]), static_cast<float>(a[1]),
                           static_cast<float>(a[2])};
    const float to[3] = {static_cast<float>(b[0]), static_cast<float>(b[1]),
                         static_cast<float>(b[2])};
    tracer.MoveTo(from);
    tracer.LineTo(to);
  }
}

ContourBuild TraceContourLines(const std::vector<float>& grid, const GridSpec& gridSpec,
                               const GridExtents& extents, float step, const SurfaceFit* fit,
                               const PictureSpace& space, ShownLines& out) {
  LineTracer tracer(space, true, out);
  ContourToLines sink(tracer);
  return BuildContour(grid, gridSpec, extents, step, RunSignals{}, sink, fit);
}

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
