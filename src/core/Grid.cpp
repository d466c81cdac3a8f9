#include "core/Grid.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>

#include "core/GridProgram.h"
#include "core/Workers.h"

namespace {

// The maximum takes v unless it already is >= v; the minimum only when it is > v.
void Extend(float v, float& maxV, float& minV) {
  if (!(maxV >= v)) maxV = v;
  if (minV > v) minV = v;
}

// The extremes of a part of the grid; combined part by part, in row order,
// with the rule above they give what one walk over all the points gives (the
// first of equal extremes wins either way, which tells 0.0 from -0.0).
struct PartExtents {
  GridExtents extents;
  bool anyHeight = false;  // no finite height: the height extremes mean nothing
};

// NaN and infinities stay in the grid but out of the height extents: the contour
// levels and the projection are derived from them and must stay finite.
void ExtendHeight(float v, PartExtents& part) {
  if (!std::isfinite(v)) return;
  Extend(v, part.extents.maxZ, part.extents.minZ);
  part.anyHeight = true;
}

void Combine(float partMax, float partMin, float& maxV, float& minV) {
  if (!(maxV >= partMax)) maxV = partMax;
  if (minV > partMin) minV = partMin;
}

void Combine(const PartExtents& part, GridExtents& extents) {
  const GridExtents& e = part.extents;
  Combine(e.maxX, e.minX, extents.maxX, extents.minX);
  Combine(e.maxY, e.minY, extents.maxY, extents.minY);
  if (part.anyHeight) Combine(e.maxZ, e.minZ, extents.maxZ, extents.minZ);
}

enum class Layout { Surface, Contour };

// The first write to a fresh page costs a page fault, slow on a virtual
// machine (up to 10 us: over 100 ms for the 48 MB grid of N = 2000); the
// kernel maps a whole range in one call at a fraction of that. The contents
// stay as they are, so any memory of ours may be populated. Where the call is
// missing (EINVAL before Linux 5.14) the pages fault in one by one, as before.
void PopulatePages(const void* data, std::size_t bytes) {
#ifdef MADV_POPULATE_WRITE
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto address = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t begin = (address + page - 1) & ~(page - 1);
  const std::uintptr_t end = (address + bytes) & ~(page - 1);
  if (end > begin) {
    static_cast<void>(madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE));
  }
#else
  static_cast<void>(data);
  static_cast<void>(bytes);
#endif
}

// The walk writes every element (a stopped one zeroes the rows it did not
// finish), so a buffer large enough is taken as it is, stale values and all:
// no allocation and no zero fill. A new buffer is populated before the resize
// writes its zeros into it. Size 0 (a refused mesh count): false, the grid
// left empty.
bool PrepareGrid(std::vector<float>& grid, std::size_t size) {
  if (size == 0) {
    grid.clear();
    return false;
  }
  if (grid.capacity() < size) {
    // Released first: the old values need no copy, and the two never coexist.
    std::vector<float>().swap(grid);
    grid.reserve(size);
    PopulatePages(grid.data(), grid.capacity() * sizeof(float));
  }
  grid.resize(size);
  return true;
}

// A stopped walk leaves the rows it did not finish as the buffer held them;
// they become zero, in storage order (the surface's rows interleave).
void ZeroUnfinishedRows(Layout layout, int n, const std::vector<char>& rowDone,
                        std::vector<float>& grid) {
  const auto side = static_cast<std::size_t>(n) + 1;
  if (layout == Layout::Contour) {
    for (int i = 0; i <= n; ++i) {
      if (!rowDone[i]) std::fill_n(grid.begin() + ContourIndex(n, i, 0), side, 0.0f);
    }
    return;
  }
  for (int j = 0; j <= n; ++j) {
    for (int i = 0; i <= n; ++i) {
      if (!rowDone[i]) std::fill_n(grid.begin() + GridIndex(n, j, i), 3, 0.0f);
    }
  }
}

// Points evaluated between two looks at the stop signal.
constexpr int kStopCheckPoints = 128;

// The optimised, multi-threaded walk for EvaluateFormula. Workers take rows
// from one counter; with several workers the counter runs through the bands
// of rows in turn (row 0, the first row of band 1, ..., row 1, ...), so that
// rows in work at the same time lie far apart and no two workers write into one
// cache line of the surface grid, whose rows interleave in memory.
bool SampleProgram(const GridSpec& gridSpec, const CFormula& formula, Layout layout,
                   const RunSignals& signals, int threads, std::vector<float>& grid,
                   GridExtents& extents) {
  const int n = gridSpec.nMesh;
  const auto side = static_cast<std::size_t>(n) + 1;
  const double zeroByZero = gridSpec.zeroDiv;
  // EvaluateFormula leaves the 0/0 value behind; so does this walk.
  g_zeroByZero = zeroByZero;
  const GridProgram program =
      GridProgram::Build(formula.Program(), zeroByZero, formula.ParameterValues());

  // Surface rows run against y (row 0 at y = +R) with x along the row; contour
  // rows run along x with y along the row. The grid holds model coordinates;
  // the formula sees them moved to the window's centre.
  std::vector<float> coord(side);
  std::vector<double> alongCoord(side);
  std::vector<double> rowCoord(side);
  for (int k = 0; k <= n; ++k) {
    coord[k] = GridCoordinate(gridSpec, k);
    if (layout == Layout::Surface) {
      alongCoord[k] = PlaneX(gridSpec, coord[k]);
      rowCoord[k] = PlaneY(gridSpec, -coord[k]);
    } else {
      alongCoord[k] = PlaneY(gridSpec, coord[k]);
      rowCoord[k] = PlaneX(gridSpec, coord[k]);
    }
  }
  const FormulaVariable alongVariable =
      layout == Layout::Surface ? FormulaVariable::X : FormulaVariable::Y;
  const FormulaVariable rowVariable =
      layout == Layout::Surface ? FormulaVariable::Y : FormulaVariable::X;
  const GridProgram::AxisTable along = program.Tabulate(alongVariable, alongCoord.data(), side);
  const GridProgram::AxisTable fixed = program.Tabulate(rowVariable, rowCoord.data(), side);

  const int workers = std::max(1, std::min(threads > 0 ? threads : DefaultWorkerCount(), n + 1));
  const int bandRows = (n + 1 + workers - 1) / workers;
  const int tickets = bandRows * workers;
  std::atomic<int> nextTicket{0};
  std::vector<PartExtents> rowExtents(side);
  std::vector<char> rowDone(side, 0);

  auto work = [&](int) {
    GridProgram::RowScratch scratch;
    std::vector<double> values(side);
    for (;;) {
      if (signals.Stopped()) return;
      const int ticket = nextTicket.fetch_add(1);
      if (ticket >= tickets) return;
      const int i = (ticket % workers) * bandRows + ticket / workers;
      if (i > n) continue;
      for (int first = 0; first <= n; first += kStopCheckPoints) {
        if (first > 0 && signals.Stopped()) return;
        const int count = std::min(kStopCheckPoints, n + 1 - first);
        program.EvaluateRow(along, static_cast<std::size_t>(first), static_cast<std::size_t>(count),
                            fixed, static_cast<std::size_t>(i), scratch, values.data() + first);
      }
      PartExtents& part = rowExtents[i];
      if (layout == Layout::Surface) {
        const float y = -coord[i];
        for (int j = 0; j <= n; ++j) {
          float* point = &grid[GridIndex(n, j, i)];
          point[0] = coord[j];
          Extend(coord[j], part.extents.maxX, part.extents.minX);
          const float height = static_cast<float>(static_cast<long double>(values[j]) *
                                                  static_cast<long double>(gridSpec.zScale));
          point[1] = height;
          ExtendHeight(height, part);
          point[2] = y;
        }
        Extend(y, part.extents.maxY, part.extents.minY);
      } else {
        Extend(coord[i], part.extents.maxX, part.extents.minX);
        float* row = &grid[ContourIndex(n, i, 0)];
        for (int j = 0; j <= n; ++j) {
          Extend(coord[j], part.extents.maxY, part.extents.minY);
          const float value = static_cast<float>(values[j]);
          ExtendHeight(value, part);
          row[j] = value;
        }
      }
      rowDone[i] = 1;
      signals.Advance(layout == Layout::Surface ? 2 : 1);
    }
  };
  RunWorkers(workers, work);

  bool complete = true;
  for (std::size_t i = 0; i < side; ++i) {
    if (rowDone[i]) {
      Combine(rowExtents[i], extents);
    } else {
      complete = false;
    }
  }
  if (!complete) ZeroUnfinishedRows(layout, n, rowDone, grid);
  return complete;
}

}  // namespace

GridSpec MakeGridSpec(const CParaData& para) {
  GridSpec gridSpec;
  gridSpec.nMesh = para.m_nMesh;
  gridSpec.spacing = GridSpacing(para.m_dRange, para.m_nMesh);
  gridSpec.zScale = static_cast<float>(para.m_dZCoef);
  gridSpec.zeroDiv = static_cast<float>(para.m_dZeroByZero);
  gridSpec.contourStep = static_cast<float>(para.m_dContourStep);
  gridSpec.centreX = para.m_dCentreX;
  gridSpec.centreY = para.m_dCentreY;
  return gridSpec;
}

float GridSpacing(double range, int nMesh) {
  return static_cast<float>(static_cast<long double>(range) /
                            (static_cast<long double>(nMesh) / 2.0L));
}

std::size_t SurfaceGridSize(int nMesh) { return 3 * ContourGridSize(nMesh); }

std::size_t ContourGridSize(int nMesh) {
  if (!IsValidMesh(nMesh)) return 0;
  const std::size_t side = static_cast<std::size_t>(nMesh) + 1;
  return side * side;
}

int NearestGridIndex(const GridSpec& gridSpec, double coordinate) {
  if (!IsValidMesh(gridSpec.nMesh) || !(gridSpec.spacing > 0.0f) || !std::isfinite(coordinate)) {
    return -1;
  }
  const double k = std::round(coordinate / gridSpec.spacing + gridSpec.nMesh / 2.0);
  return static_cast<int>(std::clamp(k, 0.0, static_cast<double>(gridSpec.nMesh)));
}

float GridCoordinate(const GridSpec& gridSpec, int k) {
  const long double offset =
      static_cast<long double>(k) - static_cast<long double>(gridSpec.nMesh) / 2.0L;
  return static_cast<float>(offset * static_cast<long double>(gridSpec.spacing));
}

bool ComputeSurface(const GridSpec& gridSpec, const CFormula& formula, const RunSignals& signals,
                    std::vector<float>& grid, GridExtents& extents, int threads) {
  if (!PrepareGrid(grid, SurfaceGridSize(gridSpec.nMesh))) return false;
  return SampleProgram(gridSpec, formula, Layout::Surface, signals, threads, grid, extents);
}

bool ComputeContour(const GridSpec& gridSpec, const CFormula& formula, const RunSignals& signals,
                    std::vector<float>& grid, GridExtents& extents, int threads) {
  if (!PrepareGrid(grid, ContourGridSize(gridSpec.nMesh))) return false;
  return SampleProgram(gridSpec, formula, Layout::Contour, signals, threads, grid, extents);
}

void FaceNormal(const float* a, const float* b, const float* c, float* out) {
  const float u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
  const float v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
  float n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
  // Squares in double: a cross product near the float limit still normalises.
  const double nx = n[0], ny = n[1], nz = n[2];
  const float len = static_cast<float>(std::sqrt(nx * nx + ny * ny + nz * nz));
  if (len != 0.0f) {
    n[0] /= len;
    n[1] /= len;
    n[2] /= len;
  }
  out[0] = n[0];
  out[1] = n[1];
  out[2] = n[2];
}
