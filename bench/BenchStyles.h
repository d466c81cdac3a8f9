// The parameter sets the drawing benchmarks time: the plain mesh (no
// shading, no hidden lines), the shaded mesh, a lit solid and the contour
// lines, each otherwise the default set. bench_resample, which replaces the
// global operator new, builds its own: inlined here, GCC warns on its delete.
#pragma once

#include "core/ParaData.h"

struct BenchStyles {
  CParaData plain, shaded, plastic, contour;
};

inline BenchStyles MakeBenchStyles(int nMesh = CParaData().m_nMesh) {
  BenchStyles styles;
  styles.plain.m_nMesh = nMesh;
  styles.plain.m_nDrawStyle = STYLE_MESH;
  styles.plain.m_bShading = FALSE;
  styles.plain.m_bHiddenLine = FALSE;
  styles.shaded = styles.plain;
  styles.shaded.m_bShading = TRUE;
  styles.plastic = styles.plain;
  styles.plastic.m_nDrawStyle = STYLE_PLASTIC;
  styles.contour = styles.plain;
  styles.contour.m_nDrawStyle = STYLE_CONTOUR;
  styles.contour.m_dContourStep = 0.05;
  return styles;
}
