// Display list 1 from the surface grid, and the five surface looks.
#include <cmath>
#include <iterator>

#include "core/ShareData.h"
#include "render/PictureColours.h"
#include "render/ThreadDrawOpenGL.h"

namespace {

// Styles whose front and back differ only in ambient-and-diffuse.
struct TwoFacedMaterial {
  GLfloat front[4];
  GLfloat back[4];
  GLfloat specular[4];
  GLfloat shininess;
};

struct FaceMaterial {
  GLfloat ambient[4];
  GLfloat diffuse[4];
  GLfloat specular[4];
  GLfloat shininess;
};

// All directional (w = 0), set while the model-view matrix holds only the
// viewpoint, so they stay put relative to the viewer as the model turns.
struct LightSource {
  GLfloat ambient[4];
  GLfloat diffuse[4];
  GLfloat specular[4];
  GLfloat position[4];
};

constexpr TwoFacedMaterial kMeshMaterial = {
    {0.8f, 0.4f, 0.8f, 1.0f}, {0.4f, 0.4f, 1.0f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f}, 8.0f};
constexpr TwoFacedMaterial kPlasticMaterial = {
    {0.2f, 0.8f, 0.8f, 1.0f}, {0.8f, 0.2f, 0.6f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f}, 16.0f};
constexpr TwoFacedMaterial kPaperMaterial = {
    {0.4f, 0.4f, 1.0f, 1.0f}, {0.0f, 1.0f, 0.3f, 1.0f}, {0.2f, 0.2f, 0.2f, 1.0f}, 6.0f};
constexpr FaceMaterial kGhostMaterial = {
    {0.04f, 0.04f, 0.04f, 1.0f}, {0.0f, 0.4f, 1.0f, 0.5f}, {1.0f, 1.0f, 1.0f, 1.0f}, 34.0f};
constexpr FaceMaterial kSilverFront = {
    {0.0f, 0.0f, 0.0f, 1.0f}, {0.6f, 0.6f, 0.0f, 1.0f}, {0.9f, 0.9f, 0.0f, 1.0f}, 30.0f};
constexpr FaceMaterial kSilverBack = {
    {0.0f, 0.0f, 0.0f, 1.0f}, {0.5f, 0.5f, 0.5f, 1.0f}, {0.7f, 0.7f, 0.7f, 1.0f}, 34.0f};

// The ghost's opaque pass and its see-through overlay.
constexpr GLfloat kGhostDiffuseOpaque[4] = {0.0f, 0.4f, 1.0f, 0.5f};
constexpr GLfloat kGhostDiffuseOverlay[4] = {0.0f, 0.4f, 1.0f, 0.4f};

constexpr LightSource kMeshLights[] = {
    {{0.2f, 0.2f, 0.2f, 1.0f},
     {0.7f, 0.7f, 0.7f, 1.0f},
     {0.4f, 0.4f, 0.4f, 1.0f},
     {1.0f, 0.6f, 0.5f, 0.0f}},
    {{0.0f, 0.0f, 0.0f, 1.1f},
     {0.4f, 0.4f, 0.4f, 1.0f},
     {0.0f, 0.0f, 0.0f, 1.0f},
     {-0.5f, -0.4f, 1.0f, 0.0f}},
};
constexpr LightSource kPlasticLights[] = {
    {{0.3f, 0.3f, 0.3f, 1.0f},
     {0.7f, 0.7f, 0.7f, 1.0f},
     {0.0f, 0.0f, 0.0f, 0.0f},
     {1.0f, 0.3f, 1.0f, 0.0f}},
    {{0.0f, 0.0f, 0.0f, 1.0f},
     {0.0f, 0.0f, 0.0f, 1.0f},
     {0.52f, 0.52f, 0.52f, 1.0f},
     {0.0f, 0.0f, 1.0f, 0.0f}},
};
constexpr LightSource kPaperLights[] = {
    {{0.14f, 0.14f, 0.14f, 1.0f},
     {0.6f, 0.6f, 0.6f, 1.0f},
     {1.0f, 1.0f, 1.0f, 1.0f},
     {1.0f, 0.3f, 1.0f, 0.0f}},
    {{0.0f, 0.0f, 0.0f, 1.0f},
     {0.6f, 0.6f, 0.6f, 1.0f},
     {1.0f, 1.0f, 1.0f, 1.0f},
     {-0.5f, -0.4f, -1.0f, 0.0f}},
};
constexpr LightSource kGhostLights[] = {
    {{0.0f, 0.0f, 0.0f, 1.0f},
     {0.34f, 0.34f, 0.34f, 1.0f},
     {0.0f, 0.8f, 1.0f, 1.0f},
     {1.0f, 1.2f, 1.0f, 0.0f}},
    {{0.0f, 0.0f, 0.0f, 1.0f},
     {0.0f, 0.0f, 0.0f, 1.0f},
     {0.0f, 0.6f, 0.8f, 1.0f},
     {0.8f, 0.6f, -1.0f, 0.0f}},
    {{0.0f, 0.0f, 0.0f, 1.0f},
     {0.0f, 0.0f, 0.0f, 1.0f},
     {0.0f, 0.2f, 0.3f, 1.0f},
     {0.6f, 0.4f, 1.0f, 0.0f}},
    {{0.0f, 0.0f, 0.0f, 1.1f},
     {0.24f, 0.24f, 0.24f, 1.0f},
     {0.0f, 0.6f, 1.0f, 1.0f},
     {-1.0f, 1.2f, 1.0f, 0.0f}},
    {{0.0f, 0.0f, 0.0f, 1.1f},
     {0.0f, 0.0f, 0.0f, 1.0f},
     {0.0f, 0.6f, 1.0f, 1.0f},
     {-0.8f, -0.6f, 1.0f, 0.0f}},
    {{0.0f, 0.0f, 0.0f, 1.1f},
     {0.0f, 0.0f, 0.0f, 1.0f},
     {0.0f, 0.4f, 0.6f, 1.0f},
     {-0.6f, -0.4f, -1.0f, 0.0f}},
};
constexpr LightSource kSilverLights[] = {
    {{0.0f, 0.0f, 0.0f, 1.0f},
     {0.0f, 0.0f, 0.0f, 1.0f},
     {1.0f, 1.0f, 1.0f, 1.0f},
     {1.0f, 1.2f, 1.0f, 0.0f}},
    {{0.0f, 0.0f, 0.0f, 1.0f},
     {0.42f, 0.42f, 0.42f, 1.0f},
     {0.5f, 0.5f, 0.5f, 1.0f},
     {0.8f, 0.6f, 1.0f, 0.0f}},
    {{0.0f, 0.0f, 0.0f, 1.0f},
     {0.0f, 0.0f, 0.0f, 1.0f},
     {0.7f, 0.7f, 0.7f, 1.0f},
     {0.6f, 0.4f, 1.0f, 0.0f}},
    {{0.0f, 0.0f, 0.0f, 1.1f},
     {0.0f, 0.0f, 0.0f, 1.0f},
     {0.8f, 0.8f, 0.8f, 1.0f},
     {-1.0f, -1.2f, 1.0f, 0.0f}},
    {{0.0f, 0.0f, 0.0f, 1.1f},
     {0.34f, 0.34f, 0.34f, 1.0f},
     {0.2f, 0.2f, 0.2f, 1.0f},
     {-0.8f, -0.6f, 1.0f, 0.0f}},
    {{0.0f, 0.0f, 0.0f, 1.1f},
     {0.0f, 0.0f, 0.0f, 1.0f},
     {0.4f, 0.4f, 0.4f, 1.0f},
     {-0.6f, -0.4f, 1.0f, 0.0f}},
};

void ApplyMaterial(const TwoFacedMaterial& material) {
  glMaterialfv(GL_FRONT, GL_AMBIENT_AND_DIFFUSE, material.front);
  glMaterialfv(GL_BACK, GL_AMBIENT_AND_DIFFUSE, material.back);
  glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, material.specular);
  glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, material.shininess);
}

void ApplyMaterial(GLenum face, const FaceMaterial& material) {
  glMaterialfv(face, GL_AMBIENT, material.ambient);
  glMaterialfv(face, GL_DIFFUSE, material.diffuse);
  glMaterialfv(face, GL_SPECULAR, material.specular);
  glMaterialf(face, GL_SHININESS, material.shininess);
}

template <std::size_t Count>
void ApplyLights(const LightSource (&lights)[Count]) {
  for (std::size_t n = 0; n < Count; ++n) {
    const GLenum light = GL_LIGHT0 + static_cast<GLenum>(n);
    glLightfv(light, GL_AMBIENT, lights[n].ambient);
    glLightfv(light, GL_DIFFUSE, lights[n].diffuse);
    glLightfv(light, GL_SPECULAR, lights[n].specular);
    glLightfv(light, GL_POSITION, lights[n].position);
  }
}

template <std::size_t Count>
void EnableLighting(const LightSource (&)[Count]) {
  glEnable(GL_LIGHTING);
  for (std::size_t n = 0; n < Count; ++n) glEnable(GL_LIGHT0 + static_cast<GLenum>(n));
}

}  // namespace

bool CThreadDrawOpenGL::SampledGrid::SurfaceUsable() const {
  return gridSpec.nMesh >= 1 && values.size() == SurfaceGridSize(gridSpec.nMesh);
}

const float* CThreadDrawOpenGL::SampledGrid::Point(std::size_t j, std::size_t i) const {
  return values.data() + 3 * (j * (Mesh() + 1) + i);
}

bool CThreadDrawOpenGL::CellsDrawn(const SampledGrid& grid, const std::vector<std::size_t>& lines,
                                   std::size_t a, std::size_t b) const {
  if (!m_bFit) return true;
  const std::size_t n = grid.Mesh();
  for (std::size_t j = lines[b]; j < lines[b + 1]; ++j) {
    for (std::size_t i = lines[a]; i < lines[a + 1]; ++i) {
      if (grid.drawnCells[j * n + i] == 0) return false;
    }
  }
  return true;
}

void CThreadDrawOpenGL::VertexNormal(const float* a, const float* b, const float* c,
                                     float out[3]) const {
  FaceNormal(a, b, c, out);
  // Next to a pole a neighbour can lie so far out that the cross product
  // overflows.
  if (m_bFit && !(std::isfinite(out[0]) && std::isfinite(out[1]) && std::isfinite(out[2]))) {
    out[0] = 0.0f, out[1] = -1.0f, out[2] = 0.0f;
  }
}

void CThreadDrawOpenGL::BeginRow() {
  m_rowVertices.clear();
  m_rowNormals.clear();
  m_rowTexCoords.clear();
  m_rowColours.clear();
}

void CThreadDrawOpenGL::RowVertex(const float normal[3], const float* texCoord,
                                  const float* vertex) {
  m_rowNormals.insert(m_rowNormals.end(), normal, normal + 3);
  if (texCoord != nullptr) m_rowTexCoords.insert(m_rowTexCoords.end(), texCoord, texCoord + 2);
  m_rowVertices.insert(m_rowVertices.end(), vertex, vertex + 3);
  if (m_colourMap) {
    GLfloat colour[4];
    HeightColour(vertex[1], colour);
    m_rowColours.insert(m_rowColours.end(), colour, colour + 4);
  }
}

void CThreadDrawOpenGL::EndRow(GLenum mode) {
  // A row cut short by a stop is compiled as far as it got, as glBegin/glEnd
  // would have; an empty one draws nothing either way.
  const GLsizei count = static_cast<GLsizei>(m_rowVertices.size() / 3);
  if (count == 0) return;
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_NORMAL_ARRAY);
  glVertexPointer(3, GL_FLOAT, 0, m_rowVertices.data());
  glNormalPointer(GL_FLOAT, 0, m_rowNormals.data());
  const bool textured = !m_rowTexCoords.empty();
  if (textured) {
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, 0, m_rowTexCoords.data());
  }
  const bool coloured = !m_rowColours.empty();
  if (coloured) {
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_FLOAT, 0, m_rowColours.data());
  }
  glDrawArrays(mode, 0, count);
  if (coloured) glDisableClientState(GL_COLOR_ARRAY);
  if (textured) glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisableClientState(GL_NORMAL_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
}

BOOL CThreadDrawOpenGL::BuildStripList(GLuint list, const SampledGrid& grid,
                                       const std::vector<std::size_t>& lines) {
  glNewList(list, GL_COMPILE);
  if (grid.SurfaceUsable()) {
    const auto P = [&grid](std::size_t j, std::size_t i) { return grid.Point(j, i); };
    // The strips join the chosen rows and columns; for the full list they are
    // all of them. Index k of `lines` is the k-th row (or column) drawn.
    const std::size_t n = lines.size() - 1;
    m_rowVertices.reserve(6 * (n + 1));
    m_rowNormals.reserve(6 * (n + 1));
    auto finite = [&](std::size_t j, std::size_t i) { return std::isfinite(P(j, i)[1]); };
    for (std::size_t a = 0; a < n; ++a) {
      const std::size_t i = lines[a];
      const std::size_t i1 = lines[a + 1];
      // A strip per run of drawn cells; without a fit the whole row is one.
      for (std::size_t first = 0; first < n;) {
        if (!CellsDrawn(grid, lines, a, first)) {
          ++first;
          continue;
        }
        std::size_t last = first + 1;
        while (last < n && CellsDrawn(grid, lines, a, last)) ++last;
        BeginRow();
        for (std::size_t b = first; b <= last; ++b) {
          if (Stopped()) {
            EndRow(GL_QUAD_STRIP);
            glEndList();
            return FALSE;
          }
          // The neighbours for the normals: the next column, or on the last
          // column the one before; two rows on, or on the last strip the row
          // itself. Next to a cell left out they may be poles: then the other
          // side serves, as at the grid's edges.
          const std::size_t j = lines[b];
          std::size_t jNext = lines[b == n ? b - 1 : b + 1];
          if (m_bFit && b == last && b != n && !(finite(jNext, i) && finite(jNext, i1))) {
            jNext = lines[b - 1];
          }
          std::size_t iFar = lines[a == n - 1 ? a : a + 2];
          if (m_bFit && !finite(j, iFar)) iFar = i;
          float normal[3];
          VertexNormal(P(jNext, i), P(j, i), P(j, i1), normal);
          RowVertex(normal, nullptr, P(j, i));
          VertexNormal(P(jNext, i1), P(j, i1), P(j, iFar), normal);
          RowVertex(normal, nullptr, P(j, i1));
        }
        EndRow(GL_QUAD_STRIP);
        first = last;
      }
    }
  }
  glEndList();
  return TRUE;
}

void CThreadDrawOpenGL::MakeCheckerTexture() {
  // A 2 x 2 checkerboard of 32-texel squares: grey 176 where both texel
  // indices are on the same side of 32, white elsewhere.
  for (int t = 0; t < 64; ++t) {
    for (int u = 0; u < 64; ++u) {
      const bool a = (t & 32) == 0;
      const bool b = (u & 32) == 0;
      const std::uint8_t grey = a != b ? 255 : 176;
      std::uint8_t* texel = m_textureImage.data() +
                            (static_cast<std::size_t>(t) * 64 + static_cast<std::size_t>(u)) * 4;
      texel[0] = texel[1] = texel[2] = grey;
      texel[3] = 255;
    }
  }
  glGenTextures(1, &m_nTextureName);
  glBindTexture(GL_TEXTURE_2D, m_nTextureName);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 64, 64, 0, GL_RGBA, GL_UNSIGNED_BYTE,
               m_textureImage.data());
}

BOOL CThreadDrawOpenGL::BuildTexturedList(GLuint list, const SampledGrid& grid,
                                          const std::vector<std::size_t>& lines) {
  glNewList(list, GL_COMPILE);
  glEnable(GL_TEXTURE_2D);
  glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLfloat>(GL_MODULATE));
  glBindTexture(GL_TEXTURE_2D, m_nTextureName);
  if (grid.SurfaceUsable()) {
    const auto P = [&grid](std::size_t j, std::size_t i) { return grid.Point(j, i); };
    constexpr float kCorner[4][2] = {{0.0f, 0.0f}, {0.0f, 1.0f}, {1.0f, 1.0f}, {1.0f, 0.0f}};
    const std::size_t n = lines.size() - 1;
    m_rowVertices.reserve(12 * n);
    m_rowNormals.reserve(12 * n);
    m_rowTexCoords.reserve(8 * n);
    auto finite = [&](std::size_t j, std::size_t i) { return std::isfinite(P(j, i)[1]); };
    for (std::size_t a = 0; a < n; ++a) {
      BeginRow();
      for (std::size_t b = 0; b < n; ++b) {
        if (Stopped()) {
          EndRow(GL_QUADS);
          glEndList();
          return FALSE;
        }
        if (!CellsDrawn(grid, lines, a, b)) continue;
        // Every cell carries the whole texture; the normals take their
        // neighbours as the strip list does, turned back at the last row and
        // column, and next to a pole.
        const std::size_t i = lines[a];
        const std::size_t i1 = lines[a + 1];
        const std::size_t j = lines[b];
        const std::size_t j1 = lines[b + 1];
        std::size_t iFar = lines[a == n - 1 ? a : a + 2];
        std::size_t jFar = lines[b + 1 == n ? b : b + 2];
        if (m_bFit && !(finite(j, iFar) && finite(j1, iFar))) iFar = i;
        if (m_bFit && !(finite(jFar, i) && finite(jFar, i1))) jFar = j;
        float normal[3];
        VertexNormal(P(j1, i), P(j, i), P(j, i1), normal);
        RowVertex(normal, kCorner[0], P(j, i));
        VertexNormal(P(j1, i1), P(j, i1), P(j, iFar), normal);
        RowVertex(normal, kCorner[1], P(j, i1));
        VertexNormal(P(jFar, i1), P(j1, i1), P(j1, iFar), normal);
        RowVertex(normal, kCorner[2], P(j1, i1));
        VertexNormal(P(jFar, i), P(j1, i), P(j1, i1), normal);
        RowVertex(normal, kCorner[3], P(j1, i));
      }
      EndRow(GL_QUADS);
    }
  }
  glDisable(GL_TEXTURE_2D);
  glEndList();
  return TRUE;
}

void CThreadDrawOpenGL::SetSmallestLineWidth() {
  GLfloat range[2] = {1.0f, 1.0f};
  glGetFloatv(GL_LINE_WIDTH_RANGE, range);
  glLineWidth(range[0]);
}

BOOL CThreadDrawOpenGL::DrawMeshPlain() {
  SetSmallestLineWidth();
  glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  DrawPicture();
  glFinish();
  if (!SwapBuffers()) return FALSE;
  return CommandLoop();
}

void CThreadDrawOpenGL::DrawHiddenPicture() {
  glDisable(GL_POLYGON_OFFSET_FILL);
  glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  DrawModel(kMeshLineColour[0], kMeshLineColour[1], kMeshLineColour[2]);
  // Faces in the background colour, pushed back by the offset: they cover the
  // lines behind them and leave the visible ones on top.
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glEnable(GL_POLYGON_OFFSET_FILL);
  glPolygonOffset(1.0f, 1.0f);
  float rgb[3];
  ClearColour(rgb);
  if (!m_colourMap) {
    DrawModel(rgb[0], rgb[1], rgb[2]);
    return;
  }
  // A list coloured by height carries its colours: lit by nothing, with the
  // background as the faces' own light, they still come out in its colour.
  glPushAttrib(GL_LIGHTING_BIT | GL_ENABLE_BIT);
  const GLfloat none[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  const GLfloat glow[4] = {rgb[0], rgb[1], rgb[2], 1.0f};
  glDisable(GL_COLOR_MATERIAL);
  for (GLenum light = GL_LIGHT0; light <= GL_LIGHT7; ++light) glDisable(light);
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, none);
  glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE, none);
  glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, none);
  glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, glow);
  glEnable(GL_LIGHTING);
  DrawModel(rgb[0], rgb[1], rgb[2]);
  glPopAttrib();
}

BOOL CThreadDrawOpenGL::DrawMeshHidden() {
  SetSmallestLineWidth();
  DrawPicture();
  glFinish();
  if (!SwapBuffers()) return FALSE;
  return CommandLoop();
}

void CThreadDrawOpenGL::DrawShadedPicture() {
  glDisable(GL_POLYGON_OFFSET_FILL);
  glDisable(GL_LIGHTING);
  glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  DrawModel(kMeshLineColour[0], kMeshLineColour[1], kMeshLineColour[2]);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glEnable(GL_POLYGON_OFFSET_FILL);
  glPolygonOffset(1.0f, 1.0f);
  glEnable(GL_LIGHTING);
  DrawModel(0.0f, 0.0f, 0.0f);
}

BOOL CThreadDrawOpenGL::DrawMeshShaded() {
  SetSmallestLineWidth();
  glShadeModel(GL_FLAT);
  ApplyMaterial(kMeshMaterial);
  glLightModelf(GL_LIGHT_MODEL_TWO_SIDE, 1.0f);
  ApplyLights(kMeshLights);
  glEnable(GL_LIGHT0);
  glEnable(GL_LIGHT1);
  ApplyColourMaterial();
  DrawPicture();
  glFinish();
  if (!SwapBuffers()) return FALSE;
  return CommandLoop();
}

BOOL CThreadDrawOpenGL::DrawPlastic() {
  glShadeModel(GL_SMOOTH);
  ApplyMaterial(kPlasticMaterial);
  glLightModelf(GL_LIGHT_MODEL_TWO_SIDE, 1.0f);
  ApplyLights(kPlasticLights);
  EnableLighting(kPlasticLights);
  ApplyColourMaterial();
  return DrawSolid();
}

BOOL CThreadDrawOpenGL::DrawPaper() {
  glShadeModel(GL_SMOOTH);
  ApplyMaterial(kPaperMaterial);
  glLightModelf(GL_LIGHT_MODEL_TWO_SIDE, 1.0f);
  ApplyLights(kPaperLights);
  EnableLighting(kPaperLights);
  ApplyColourMaterial();
  return DrawSolid();
}

BOOL CThreadDrawOpenGL::DrawGhost() {
  glShadeModel(GL_SMOOTH);
  ApplyMaterial(GL_FRONT_AND_BACK, kGhostMaterial);
  glLightModelf(GL_LIGHT_MODEL_TWO_SIDE, 1.0f);
  ApplyLights(kGhostLights);
  EnableLighting(kGhostLights);
  ApplyColourMaterial();
  return DrawSolid();
}

BOOL CThreadDrawOpenGL::DrawSilver() {
  glShadeModel(GL_SMOOTH);
  ApplyMaterial(GL_FRONT, kSilverFront);
  ApplyMaterial(GL_BACK, kSilverBack);
  glLightModelf(GL_LIGHT_MODEL_TWO_SIDE, 1.0f);
  ApplyLights(kSilverLights);
  EnableLighting(kSilverLights);
  ApplyColourMaterial();
  return DrawSolid();
}

BOOL CThreadDrawOpenGL::DrawSolid() {
  // No push: the ticks keep turning this same matrix.
  RotateModel();
  DrawSolidGeometry();
  glFinish();
  if (!SwapBuffers()) return FALSE;
  return TickLoop();
}

void CThreadDrawOpenGL::DrawSolidGeometry() {
  DrawAidsBehind(true);
  if (m_nDrawStyle == STYLE_GHOST) {
    DrawGhostPasses();
  } else {
    CallList(ShownList());
  }
  DrawAidsInFront(true);
}

void CThreadDrawOpenGL::ApplyColourMaterial() const {
  // The lights shade the map's colours instead of the look's own.
  if (!m_colourMap) return;
  glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
  glEnable(GL_COLOR_MATERIAL);
}

void CThreadDrawOpenGL::DrawGhostPasses() {
  // An opaque pass, then a see-through copy that ignores depth so that the
  // hidden parts show through.
  glEnable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, kGhostDiffuseOpaque);
  CallList(ShownList());
  glDisable(GL_DEPTH_TEST);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, kGhostDiffuseOverlay);
  CallList(ShownList());
}
