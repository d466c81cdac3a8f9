// Display list 2: the contour lines as one GL_LINES primitive.
#include "core/Contour.h"
#include "core/ShareData.h"
#include "render/ThreadDrawOpenGL.h"

namespace {

// Compiles what the contour walk emits into the open list.
class ListSink : public ContourSink {
 public:
  void Colour(const ContourColour& colour) override {
    glColor3f(colour.red, colour.green, colour.blue);
  }
  void Segment(const float v1[3], const float v2[3]) override {
    glVertex3fv(v1);
    glVertex3fv(v2);
  }
};

}  // namespace

ContourBuild CThreadDrawOpenGL::BuildContourList(GLuint list, const SampledGrid& grid,
                                                 const std::vector<std::size_t>& lines,
                                                 const RunSignals& signals) {
  // The drag's list walks a grid of the chosen rows and columns only; its
  // cells are `lines` steps wide (equal, where the stride divides N).
  const bool everyLine = lines.size() == grid.Mesh() + 1;
  GridSpec gridSpec = grid.gridSpec;
  if (!everyLine) {
    const std::size_t side = lines.size();
    gridSpec.nMesh = static_cast<int>(side - 1);
    gridSpec.spacing = grid.gridSpec.spacing * static_cast<float>(lines[1]);
    m_contourSubgrid.resize(side * side);
    for (std::size_t a = 0; a < side; ++a) {
      for (std::size_t b = 0; b < side; ++b) {
        m_contourSubgrid[a * side + b] = grid.values[ContourIndex(
            grid.gridSpec.nMesh, static_cast<int>(lines[a]), static_cast<int>(lines[b]))];
      }
    }
  }
  glNewList(list, GL_COMPILE);
  glBegin(GL_LINES);
  ListSink sink;
  // The walk tests the state at every cell and level; a stop leaves a partial
  // list that is still closed properly below.
  const ContourBuild result =
      BuildContour(everyLine ? grid.values : m_contourSubgrid, gridSpec, grid.extents,
                   grid.gridSpec.contourStep, signals, sink, grid.fit ? &*grid.fit : nullptr);
  glEnd();
  glEndList();
  return result;
}

void CThreadDrawOpenGL::DrawContourPicture() {
  glPushMatrix();
  RotateModel();
  CallList(ShownList());
  glPopMatrix();
}

BOOL CThreadDrawOpenGL::DrawContour() {
  // A list that could not be built is no picture to present.
  if (Problem() != RunProblem::None) return FALSE;
  GLfloat range[2] = {1.0f, 1.0f};
  GLfloat granularity = 0.0f;
  glGetFloatv(GL_LINE_WIDTH_RANGE, range);
  glGetFloatv(GL_LINE_WIDTH_GRANULARITY, &granularity);
  glLineWidth(range[0] + 6.0f * granularity);
  glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  DrawPicture();
  glFinish();
  if (!SwapBuffers()) return FALSE;
  return CommandLoop();
}
