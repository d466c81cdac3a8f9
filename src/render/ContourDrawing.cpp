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

BOOL CThreadDrawOpenGL::BuildContourList() {
  glNewList(2, GL_COMPILE);
  glBegin(GL_LINES);
  ListSink sink;
  // The walk tests the state at every cell and level; a stop leaves a partial
  // list that is still closed properly below.
  const ContourBuild result =
      BuildContour(m_grid, m_spec, Extents(), m_fContourStep, Signals(), sink);
  glEnd();
  glEndList();
  // An empty picture must not pass for a drawn one: the run ends with the reason.
  if (result == ContourBuild::TooManyLines) RecordProblem(RunProblem::TooManyContourLines);
  return result == ContourBuild::Complete ? TRUE : FALSE;
}

void CThreadDrawOpenGL::DrawContourPicture() {
  glPushMatrix();
  RotateModel();
  CallList(2);
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
  DrawContourPicture();
  glFinish();
  if (!SwapBuffers()) return FALSE;
  return CommandLoop();
}
