#include "core/MeshExport.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>

#include "core/Fit.h"
#include "core/LittleEndian.h"
#include "core/SafeSave.h"

namespace {

using Vec3 = std::array<float, 3>;

struct Corner {
  int j, i;
};

// Bytes go to the file in pieces of about this size: one system call per
// triangle would cost more than building the whole mesh.
constexpr std::size_t kChunk = std::size_t{1} << 20;

// The base lies this fraction of the solid's larger extent (height span, or
// width) below the lowest point.
constexpr double kBaseMargin = 0.05;

class Output {
 public:
  explicit Output(SaveStream& stream) : m_stream(stream) { m_buffer.reserve(kChunk + 256); }
  ~Output() { Flush(); }

  bool Failed() const { return m_stream.Error() != 0; }
  void Bytes(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    m_buffer.insert(m_buffer.end(), bytes, bytes + size);
    Filled();
  }
  void Text(std::string_view text) { Bytes(text.data(), text.size()); }
  // Little-endian whatever the machine, as the STL layout has it.
  template <typename T>
  void Binary(T value) {
    AppendLittleEndian(m_buffer, value);
    Filled();
  }
  // The shortest decimal text that reads back as the same float.
  void Number(float value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    Bytes(text, static_cast<std::size_t>(result.ptr - text));
  }
  void Number(std::uint32_t value) {
    char text[16];
    const auto result = std::to_chars(text, text + sizeof text, value);
    Bytes(text, static_cast<std::size_t>(result.ptr - text));
  }
  void Flush() {
    if (m_buffer.empty()) return;
    m_stream.Write({m_buffer.data(), m_buffer.size()});
    m_buffer.clear();
  }

 private:
  void Filled() {
    if (m_buffer.size() >= kChunk) Flush();
  }

  SaveStream& m_stream;
  std::vector<std::uint8_t> m_buffer;
};

// The grid's face normal, by the right-hand rule. A cross product beyond
// float's range has no direction left, and the file gets (0, 0, 0) rather
// than a NaN.
Vec3 FacetNormal(const Vec3& a, const Vec3& b, const Vec3& c) {
  Vec3 normal{};
  FaceNormal(a.data(), b.data(), c.data(), normal.data());
  if (!std::all_of(normal.begin(), normal.end(), [](float v) { return std::isfinite(v); })) {
    return {0.0f, 0.0f, 0.0f};
  }
  return normal;
}

// The grid as a mesh: its points in the file's axes, the triangles of its
// cells, and for the solid the boundary loop, the walls and the base.
class Surface {
 public:
  Surface(const GridSpec& gridSpec, const std::vector<float>& grid,
          const MeshExportOptions& options)
      : m_n(gridSpec.nMesh), m_gridSpec(gridSpec), m_grid(grid), m_options(options) {}

  int N() const { return m_n; }

  // False when the point's scaled height is not finite. x and y are where
  // the formula was sampled: the model's moved to the window's centre.
  bool Point(Corner corner, Vec3& point) const {
    const float* stored = &m_grid[GridIndex(m_n, corner.j, corner.i)];
    point = {static_cast<float>(PlaneX(m_gridSpec, stored[0])),
             static_cast<float>(PlaneY(m_gridSpec, stored[2])), stored[1] * m_options.heightScale};
    return std::isfinite(point[0]) && std::isfinite(point[1]) && std::isfinite(point[2]);
  }

  // Calls emit(corners, vertices) for every triangle of the surface that is
  // written, row of cells by row. Two triangles per cell, split along the
  // diagonal (j, i)-(j+1, i+1); rows run against y, so (j, i), (j, i+1),
  // (j+1, i+1) turns counter-clockwise seen from above whichever the sign of
  // the spacing (a negative one turns the grid half round, not over).
  template <typename Emit>
  void ForEachTriangle(Emit&& emit) const {
    for (int i = 0; i < m_n; ++i) {
      for (int j = 0; j < m_n; ++j) {
        if (m_options.cellDrawn && !m_options.cellDrawn(j, i)) continue;
        const std::array<Corner, 3> triangles[2] = {{{{j, i}, {j, i + 1}, {j + 1, i + 1}}},
                                                    {{{j, i}, {j + 1, i + 1}, {j + 1, i}}}};
        for (const auto& corners : triangles) {
          std::array<Vec3, 3> vertices;
          if (Point(corners[0], vertices[0]) && Point(corners[1], vertices[1]) &&
              Point(corners[2], vertices[2])) {
            emit(corners, vertices);
          }
        }
      }
    }
  }

  // The 4N boundary points counter-clockwise seen from above, the way the
  // surface's own triangles run along the edge: the walls run the other way.
  // Side k / N of point k: 0 the row i = N, 1 the column j = N, 2 the row
  // i = 0, 3 the column j = 0.
  Corner Boundary(int k) const {
    const int side = k / m_n, step = k % m_n;
    switch (side) {
      case 0:
        return {step, m_n};
      case 1:
        return {m_n, m_n - step};
      case 2:
        return {m_n - step, 0};
      default:
        return {0, step};
    }
  }
  int BoundaryCount() const { return 4 * m_n; }

  // The middle of the base, where its triangles meet.
  Vec3 BaseCentre(float baseZ) const {
    Vec3 first{}, opposite{};
    Point({0, 0}, first);
    Point({m_n, m_n}, opposite);
    return {(first[0] + opposite[0]) / 2, (first[1] + opposite[1]) / 2, baseZ};
  }

  // The walls' and the base's triangles, segment by segment of the boundary:
  // emit(kind, vertices) with kind 0..3 the wall's side, 4 the base. The base
  // is a fan from its centre to the walls' lower edges, which it shares.
  template <typename Emit>
  void ForEachClosingTriangle(float baseZ, Emit&& emit) const {
    const Vec3 centre = BaseCentre(baseZ);
    const int count = BoundaryCount();
    for (int k = 0; k < count; ++k) {
      const int next = (k + 1) % count;
      Vec3 aTop{}, bTop{};
      Point(Boundary(k), aTop);
      Point(Boundary(next), bTop);
      const Vec3 aBase{aTop[0], aTop[1], baseZ}, bBase{bTop[0], bTop[1], baseZ};
      emit(k / m_n, std::array<Vec3, 3>{bTop, aTop, aBase});
      emit(k / m_n, std::array<Vec3, 3>{bTop, aBase, bBase});
      emit(4, std::array<Vec3, 3>{centre, bBase, aBase});
    }
  }

 private:
  int m_n;
  const GridSpec& m_gridSpec;
  const std::vector<float>& m_grid;
  const MeshExportOptions& m_options;
};

void WriteStl(const Surface& surface, std::size_t triangles, bool closed, float baseZ,
              Output& out) {
  // Not "solid ...": readers take a file starting so for the text form.
  char header[80] = {};
  std::strncpy(header, "Orvex surface mesh, binary STL, z up", sizeof header - 1);
  out.Bytes(header, sizeof header);
  out.Binary(static_cast<std::uint32_t>(triangles));
  const auto facet = [&out](const std::array<Vec3, 3>& v) {
    for (float value : FacetNormal(v[0], v[1], v[2])) out.Binary(value);
    for (const Vec3& vertex : v) {
      for (float value : vertex) out.Binary(value);
    }
    out.Binary(std::uint16_t{0});
  };
  surface.ForEachTriangle([&](const std::array<Corner, 3>&, const std::array<Vec3, 3>& v) {
    if (!out.Failed()) facet(v);
  });
  if (closed) {
    surface.ForEachClosingTriangle(baseZ, [&](int, const std::array<Vec3, 3>& v) { facet(v); });
  }
}

void WriteObj(const Surface& surface, bool closed, float baseZ, Output& out) {
  const int n = surface.N();
  const std::size_t points = static_cast<std::size_t>(n + 1) * static_cast<std::size_t>(n + 1);
  const auto slot = [n](Corner c) {
    return static_cast<std::size_t>(c.j) * static_cast<std::size_t>(n + 1) +
           static_cast<std::size_t>(c.i);
  };
  // A point's normal is the mean of the facet normals around it, so the
  // surface shades smoothly; only points on a written triangle are written.
  std::vector<float> sums(3 * points, 0.0f);
  std::vector<std::uint32_t> number(points, 0);
  surface.ForEachTriangle([&](const std::array<Corner, 3>& c, const std::array<Vec3, 3>& v) {
    const Vec3 normal = FacetNormal(v[0], v[1], v[2]);
    for (const Corner& corner : c) {
      float* sum = &sums[3 * slot(corner)];
      for (int k = 0; k < 3; ++k) sum[k] += normal[k];
      number[slot(corner)] = 1;
    }
  });
  std::uint32_t count = 0;
  for (std::uint32_t& used : number) used = used != 0 ? ++count : 0;

  out.Text("# Orvex surface mesh, z up\n");
  const auto line = [&out](std::string_view tag, const Vec3& values) {
    out.Text(tag);
    for (float value : values) {
      out.Text(" ");
      out.Number(value);
    }
    out.Text("\n");
  };
  for (int j = 0; j <= n && !out.Failed(); ++j) {
    for (int i = 0; i <= n; ++i) {
      Vec3 point{};
      if (number[slot({j, i})] != 0 && surface.Point({j, i}, point)) line("v", point);
    }
  }
  if (closed) {
    for (int k = 0; k < surface.BoundaryCount(); ++k) {
      Vec3 point{};
      surface.Point(surface.Boundary(k), point);
      line("v", {point[0], point[1], baseZ});
    }
    line("v", surface.BaseCentre(baseZ));
  }
  for (int j = 0; j <= n && !out.Failed(); ++j) {
    for (int i = 0; i <= n; ++i) {
      const std::size_t at = slot({j, i});
      if (number[at] == 0) continue;
      const float* sum = &sums[3 * at];
      const double length =
          std::sqrt(double{sum[0]} * sum[0] + double{sum[1]} * sum[1] + double{sum[2]} * sum[2]);
      // Normals that cancel out (a knife edge) fall back to straight up.
      line("vn", length > 0.0 ? Vec3{static_cast<float>(sum[0] / length),
                                     static_cast<float>(sum[1] / length),
                                     static_cast<float>(sum[2] / length)}
                              : Vec3{0.0f, 0.0f, 1.0f});
    }
  }
  // One normal per wall and one for the base, after the points' own.
  std::array<Vec3, 5> closingNormals{};
  if (closed) {
    surface.ForEachClosingTriangle(baseZ, [&](int kind, const std::array<Vec3, 3>& v) {
      closingNormals[static_cast<std::size_t>(kind)] = FacetNormal(v[0], v[1], v[2]);
    });
    for (const Vec3& normal : closingNormals) line("vn", normal);
  }

  const auto face = [&out](const std::array<std::uint32_t, 3>& v,
                           const std::array<std::uint32_t, 3>& vn) {
    out.Text("f");
    for (std::size_t k = 0; k < 3; ++k) {
      out.Text(" ");
      out.Number(v[k]);
      out.Text("//");
      out.Number(vn[k]);
    }
    out.Text("\n");
  };
  surface.ForEachTriangle([&](const std::array<Corner, 3>& c, const std::array<Vec3, 3>&) {
    if (out.Failed()) return;
    const std::array<std::uint32_t, 3> v = {number[slot(c[0])], number[slot(c[1])],
                                            number[slot(c[2])]};
    face(v, v);
  });
  if (closed) {
    // Base points follow the surface's: boundary point k, then the centre.
    const auto boundaryCount = static_cast<std::uint32_t>(surface.BoundaryCount());
    const auto base = [count](int k) { return count + 1 + static_cast<std::uint32_t>(k); };
    const std::uint32_t centre = count + 1 + boundaryCount;
    const std::uint32_t wallNormal = count + 1, baseNormal = count + 5;
    for (int k = 0; k < surface.BoundaryCount() && !out.Failed(); ++k) {
      const int next = (k + 1) % surface.BoundaryCount();
      const std::uint32_t aTop = number[slot(surface.Boundary(k))];
      const std::uint32_t bTop = number[slot(surface.Boundary(next))];
      const std::uint32_t side = wallNormal + static_cast<std::uint32_t>(k / n);
      face({bTop, aTop, base(k)}, {side, side, side});
      face({bTop, base(k), base(next)}, {side, side, side});
      face({centre, base(next), base(k)}, {baseNormal, baseNormal, baseNormal});
    }
  }
}

}  // namespace

std::size_t MeshTriangleCount(int nMesh, bool closedSolid) {
  const auto n = static_cast<std::size_t>(nMesh);
  return 2 * n * n + (closedSolid ? 12 * n : 0);
}

MeshExportResult ExportMesh(const std::string& path, const GridSpec& gridSpec,
                            const std::vector<float>& grid, const MeshExportOptions& options) {
  MeshExportResult result;
  if (!IsValidMesh(gridSpec.nMesh) || grid.size() != SurfaceGridSize(gridSpec.nMesh)) {
    result.problem = MeshExportProblem::NoSurface;
    return result;
  }
  const Surface surface(gridSpec, grid, options);
  // Everything that can refuse the export is settled before the file opens.
  std::size_t triangles = 0;
  float minZ = std::numeric_limits<float>::infinity(), maxZ = -minZ;
  surface.ForEachTriangle([&](const std::array<Corner, 3>&, const std::array<Vec3, 3>& v) {
    for (const Vec3& vertex : v) {
      minZ = std::min(minZ, vertex[2]);
      maxZ = std::max(maxZ, vertex[2]);
    }
    ++triangles;
  });
  if (triangles == 0) {
    result.problem = MeshExportProblem::NoSurface;
    return result;
  }
  float baseZ = 0.0f;
  if (options.closedSolid) {
    if (triangles != MeshTriangleCount(gridSpec.nMesh, false)) {
      result.problem = MeshExportProblem::SolidWithHoles;
      return result;
    }
    Vec3 first{}, opposite{};
    surface.Point({0, 0}, first);
    surface.Point({gridSpec.nMesh, gridSpec.nMesh}, opposite);
    const double width = std::fabs(double{opposite[0]} - first[0]);
    const double span = double{maxZ} - minZ;
    baseZ = static_cast<float>(minZ - kBaseMargin * std::max(span, width));
    if (!std::isfinite(baseZ) || !(baseZ < minZ)) {
      result.problem = MeshExportProblem::BaseOutOfRange;
      return result;
    }
    triangles = MeshTriangleCount(gridSpec.nMesh, true);
  }
  result.err = SaveFileStreamed(path, [&](SaveStream& stream) {
    Output out(stream);
    if (options.format == MeshFormat::Stl) {
      WriteStl(surface, triangles, options.closedSolid, baseZ, out);
    } else {
      WriteObj(surface, options.closedSolid, baseZ, out);
    }
  });
  if (result.err != 0) {
    result.problem = MeshExportProblem::WriteFailed;
    return result;
  }
  result.triangles = triangles;
  return result;
}

MeshExportResult ExportSurface(const std::string& path, const GridSpec& gridSpec,
                               const CFormula& formula, bool fit, MeshExportOptions options) {
  PictureGrid sampled;
  SamplePictureGrid(STYLE_MESH, gridSpec, formula, fit, RunSignals{}, sampled);
  std::vector<float>& grid = sampled.values;
  if (!fit) return ExportMesh(path, gridSpec, grid, options);
  const std::optional<FittedSurface>& fitted = sampled.surface;
  if (!fitted) return MeshExportResult{MeshExportProblem::NoSurface, 0, 0};
  const float bottom = fitted->fit.Height(fitted->fit.bottom);
  const float top = fitted->fit.Height(fitted->fit.top);
  for (std::size_t k = 1; k < grid.size(); k += 3) {
    if (std::isfinite(grid[k])) grid[k] = std::clamp(grid[k], bottom, top);
  }
  options.heightScale = 1.0f;
  options.cellDrawn = [&fitted](int j, int i) { return fitted->CellDrawn(j, i); };
  return ExportMesh(path, gridSpec, grid, options);
}
