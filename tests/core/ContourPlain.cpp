#include "ContourPlain.h"

bool BuildContourPlain(const std::vector<float>& grid, const GridSpec& gridSpec,
                       const GridExtents& extents, float step, const RunSignals& signals,
                       ContourSink& sink) {
  const int n = gridSpec.nMesh;
  if (grid.empty() || grid.size() != ContourGridSize(n)) return false;
  std::vector<float> levels;
  ContourLevels(extents, step, &levels);
  ContourSegment segments[2];
  for (int i = 0; i < n; ++i) {
    signals.Advance(1);
    for (int j = 0; j < n; ++j) {
      for (float level : levels) {
        if (signals.Stopped()) return false;
        sink.Colour(ContourColourFor(level, extents.minZ, extents.maxZ));
        const int count = ContourCell(grid, n, i, j, level, segments);
        for (int s = 0; s < count; ++s) {
          float v1[3];
          float v2[3];
          ContourVertex(gridSpec, segments[s].u1, segments[s].w1, level, v1);
          ContourVertex(gridSpec, segments[s].u2, segments[s].w2, level, v2);
          sink.Segment(v1, v2);
        }
      }
    }
  }
  return true;
}
