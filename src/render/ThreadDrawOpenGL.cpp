#include "render/ThreadDrawOpenGL.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cassert>
#include <cmath>
#include <exception>
#include <optional>
#include <system_error>
#include <utility>

#include "core/Fit.h"
#include "core/ShareData.h"
#include "render/PictureColours.h"

CThreadDrawOpenGL::CThreadDrawOpenGL(FrameSink* pSink, RunMailbox* pMailbox)
    : m_pViewSink(pSink), m_pMailbox(pMailbox) {}

// The owner joins before it deletes; a still running thread here would be a
// fault of the owner, and std::thread terminates on it.
CThreadDrawOpenGL::~CThreadDrawOpenGL() = default;

bool CThreadDrawOpenGL::Begin() {
  try {
    m_thread = std::thread(&CThreadDrawOpenGL::ThreadMain, this);
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void CThreadDrawOpenGL::Join() {
  if (m_thread.joinable()) m_thread.join();
}

void CThreadDrawOpenGL::LendGrid(std::vector<float>&& grid) {
  assert(!m_thread.joinable());
  m_grid = std::move(grid);
}

std::vector<float> CThreadDrawOpenGL::ReturnGrid() {
  assert(!m_thread.joinable());
  return std::exchange(m_grid, {});
}

void CThreadDrawOpenGL::ThreadMain() {
  if (m_bYieldToWindow) {
    // A window's thread shares the cores with this one and with the software
    // rasteriser's helpers, which are made from this thread and inherit its
    // priority. A few steps of niceness keep the window's event loop served
    // (longest stall during Stop at N = 2000: 51 ms at equal priority, 12 ms
    // so) and cost the picture nothing while the window is idle.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()),
                getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())) + kWindowNiceness);
  }
  try {
    CopyRunParameters();
    if (SampleGrid()) {
      if (!Render(m_pViewSink, &m_clientRect)) RecordProblem(RunProblem::NoContext);
      if (ErrorText() == g_glErrorText[GLERR_SWAP]) RecordProblem(RunProblem::Failed);
    }
  } catch (...) {
    // An exception leaving this thread would end the process: the run ends
    // as any run does, and its owner reports the failure.
    RecordProblem(RunProblem::Failed);
  }
  m_pViewSink->Ended();
  // Only the run's own states end in DS_IDLE: a DS_LOADED or DS_CLEAR that the
  // user-interface side wrote meanwhile still has a paint to trigger.
  int state = RunState();
  if (!g_ShareData.m_nState.compare_exchange_strong(state, DS_IDLE) && state == DS_STOP) {
    g_ShareData.m_nState.compare_exchange_strong(state, DS_IDLE);
  }
  // The last act: the owner may join and start the next run from here on.
  m_bFinished.store(true);
}

void CThreadDrawOpenGL::CopyRunParameters() {
  // g_ShareData.m_para is not written while the run is on, except the angles,
  // which are read under their lock.
  const CParaData& para = g_ShareData.m_para;
  m_clientRect = g_ShareData.m_clientRect;
  m_nDrawStyle = para.m_nDrawStyle;
  m_spec = MakeGridSpec(para);
  m_nMesh = m_spec.nMesh;
  m_fSpacing = m_spec.spacing;
  m_fZScale = m_spec.zScale;
  m_bPerspective = para.m_bPerspective;
  m_bHiddenLine = para.m_bHiddenLine;
  m_bShading = para.m_bShading;
  m_fZeroDivValue = m_spec.zeroDiv;
  double upDown = 0.0;
  double leftRight = 0.0;
  g_ShareData.GetAngles(upDown, leftRight);
  m_fAngleY = static_cast<float>(leftRight);
  m_fAngleX = static_cast<float>(upDown);
  m_fContourStep = static_cast<float>(para.m_dContourStep);
  const RunOptions options = g_ShareData.Options();
  m_fZoom = static_cast<float>(options.zoom);
  m_nBackColor = para.m_nBackColor;
  m_bFit = options.fit;
  m_colourMap = options.colourMap;
}

void CThreadDrawOpenGL::RecordProblem(RunProblem problem) {
  RunProblem none = RunProblem::None;
  m_problem.compare_exchange_strong(none, problem);
}

bool CThreadDrawOpenGL::SampleGrid() {
  PictureGrid sampled;
  try {
    if (m_nDrawStyle >= STYLE_MESH && m_nDrawStyle <= STYLE_CONTOUR) {
      sampled.values = std::move(m_grid);
      SamplePictureGrid(m_nDrawStyle, m_spec, *g_ShareData.m_pFormula, m_bFit, Signals(), sampled);
    }
  } catch (const std::bad_alloc&) {
    sampled = PictureGrid{};
  }
  m_grid = std::move(sampled.values);
  const GridExtents& extents = sampled.extents;
  // A stop during sampling leaves the grid partly zero but whole; an empty one
  // was refused (the mesh count) or could not be had.
  if (m_grid.empty()) {
    RecordProblem(RunProblem::NoGrid);
    return false;
  }
  m_fMaxX = extents.maxX;
  m_fMinX = extents.minX;
  m_fMaxY = extents.maxY;
  m_fMinY = extents.minY;
  m_fMaxZ = extents.maxZ;
  m_fMinZ = extents.minZ;
  // A stopped run shows no picture, so a partial grid is not fitted.
  if (Stopped()) return true;
  if (m_bFit) {
    if (!sampled.fit) {
      RecordProblem(RunProblem::NothingToDraw);
      return false;
    }
    m_pictureFit = sampled.fit;
    if (sampled.surface) m_drawnCells = std::move(sampled.surface->drawn);
  }
  SetUpAids();
  return true;
}

void CThreadDrawOpenGL::SetUpAids() {
  const RunOptions options = g_ShareData.Options();
  const SampledBox sampled =
      BoxOfGrid(m_grid, m_nDrawStyle != STYLE_CONTOUR, m_spec, Extents(),
                m_pictureFit ? &*m_pictureFit : nullptr, g_ShareData.m_pFormula);
  AidsSetup setup;
  setup.axes = options.axes;
  setup.extremes = options.extremes;
  // The contour lines have their colours by height already: the bar shows those.
  if (m_colourMap)
    setup.colourMap = m_nDrawStyle == STYLE_CONTOUR ? ColourMap::Contour : *m_colourMap;
  setup.barRange = sampled.valueRange;
  setup.box = sampled.box;
  setup.minimum = sampled.minimum;
  setup.maximum = sampled.maximum;
  setup.backColor = m_nBackColor;
  setup.drawStyle = m_nDrawStyle;
  m_aids.Setup(setup);
}

void CThreadDrawOpenGL::HeightColour(float height, GLfloat out[4]) const {
  const AxisSpan& span = m_aids.Setting().box[kAxisHeight];
  const double t = (height - span.modelLow) / (span.modelHigh - span.modelLow);
  const std::array<float, 3> rgb = MapColour(*m_colourMap, t);
  out[0] = rgb[0];
  out[1] = rgb[1];
  out[2] = rgb[2];
  // The ghost's see-through passes take their alpha from the colour.
  out[3] = m_nDrawStyle == STYLE_GHOST ? 0.5f : 1.0f;
}

void CThreadDrawOpenGL::DrawAidsBehind(bool modelMatrixCurrent) {
  if (!m_aids.Active()) return;
  glPushMatrix();
  if (modelMatrixCurrent) {
    glGetFloatv(GL_MODELVIEW_MATRIX, m_pictureModelView.data());
  } else {
    RotateModel();
  }
  m_aids.LayOut(m_pictureProjection, m_pictureModelView, m_clientRect.Width(),
                m_clientRect.Height());
  m_aids.DrawBehind();
  glPopMatrix();
}

void CThreadDrawOpenGL::DrawAidsInFront(bool modelMatrixCurrent) {
  if (!m_aids.Active()) return;
  glPushMatrix();
  if (!modelMatrixCurrent) RotateModel();
  m_aids.DrawInFront();
  glPopMatrix();
}

void CThreadDrawOpenGL::DecorateFrame(Frame& frame) {
  if (m_aids.Active()) m_aids.Decorate(frame);
}

int CThreadDrawOpenGL::RunState() const {
  return m_nDrawStyle == STYLE_CONTOUR ? DS_RUN_CONTOUR : DS_RUN_SURFACE;
}

bool CThreadDrawOpenGL::Stopped() const { return g_ShareData.m_nState.load() != RunState(); }

RunSignals CThreadDrawOpenGL::Signals() const {
  return RunSignals{&g_ShareData.m_nState, RunState(), &g_ShareData.m_nProgress};
}

GridExtents CThreadDrawOpenGL::Extents() const {
  GridExtents extents;
  extents.maxX = m_fMaxX;
  extents.minX = m_fMinX;
  extents.maxY = m_fMaxY;
  extents.minY = m_fMinY;
  extents.maxZ = m_fMaxZ;
  extents.minZ = m_fMinZ;
  return extents;
}

BOOL CThreadDrawOpenGL::SetProjection(double aspect) {
  m_dAspect = aspect;
  const float k = 1.8f;
  // The wheel's zoom narrows the frame around the centre; the eye and the
  // depth planes stay where they are, so nothing of the model is cut away.
  // The box's numbers want a little room around the model.
  const float frame = (m_aids.Setting().axes ? kAxesRoom : 1.0f) / m_fZoom;
  const float absMax = std::fabs(m_fMaxX);
  const float absMin = std::fabs(m_fMinX);
  const float w = absMax > absMin ? absMin : absMax;
  // The colour bar takes a strip at the right: the model is framed in what is
  // left, at the same scale across and up.
  const double width = m_clientRect.Width();
  const double room = m_aids.Setting().colourMap && width > 2.0 * kBarRoom ? kBarRoom : 0.0;
  const double shown = room > 0.0 ? aspect * (width - room) / width : aspect;
  const float extra = room > 0.0 ? static_cast<float>(room / (width - room)) : 0.0f;
  // A fitted model is a box R high, which at the default angles just fits
  // the height of a 4:3 view: a wider view widens the frame instead of
  // cutting the box.
  const float widen = m_pictureFit && shown > 4.0 / 3.0 ? static_cast<float>(shown * 0.75) : 1.0f;
  float x = 0.0f;
  float zNear = 0.0f;
  float zFar = 0.0f;
  if (m_bPerspective) {
    const float half = w * k;
    const float t =
        static_cast<float>(std::tan(50.0 / 180.0 * static_cast<double>(3.1415927f) / 2.0));
    const float d = half / t;
    m_fEyeDistance = -d;
    zNear = d - k * m_fMaxY;
    zFar = d - k * m_fMinY;
    const float r = zNear / d;
    x = half * r * frame * widen;
  } else {
    const float depth = std::fabs(m_fMaxY) + std::fabs(m_fMinY);
    m_fEyeDistance = -depth;
    zNear = depth - k * m_fMaxY;
    zFar = depth - k * m_fMinY;
    x = w * k * frame * widen;
  }
  const double y = x / shown;
  if (m_bPerspective) {
    glFrustum(-x, x + 2.0f * x * extra, -y, y, zNear, zFar);
  } else {
    glOrtho(-x, x + 2.0f * x * extra, -y, y, zNear, zFar);
  }
  glGetFloatv(GL_PROJECTION_MATRIX, m_pictureProjection.data());
  return TRUE;
}

BOOL CThreadDrawOpenGL::SetViewpoint() {
  glTranslatef(0.0f, 0.0f, m_fEyeDistance);
  return TRUE;
}

std::vector<std::size_t> CThreadDrawOpenGL::GridLines(bool coarse) const {
  const auto n = static_cast<std::size_t>(m_nMesh);
  std::size_t stride = 1;
  if (coarse) {
    // The smallest stride that leaves kCoarseCells cells or fewer, made a
    // divisor of N where one is within a quarter more, so that the coarse
    // cells are equal without thinning the picture much.
    const std::size_t least = (n + kCoarseCells - 1) / kCoarseCells;
    stride = least;
    for (std::size_t k = least; k <= least + least / 4; ++k) {
      if (n % k == 0) {
        stride = k;
        break;
      }
    }
  }
  std::vector<std::size_t> lines;
  for (std::size_t k = 0; k < n; k += stride) lines.push_back(k);
  lines.push_back(n);
  return lines;
}

BOOL CThreadDrawOpenGL::BuildScene() {
  // A coarse copy of the picture for the frames of a drag, where the full one
  // would take longer than a mouse move.
  m_bHasCoarseList = m_nMesh > kCoarseCells;
  const std::vector<std::size_t> all = GridLines(false);
  switch (m_nDrawStyle) {
    case STYLE_MESH:
    case STYLE_PLASTIC:
    case STYLE_GHOST:
    case STYLE_SILVER:
      return BuildStripList(1, all) && (!m_bHasCoarseList || BuildStripList(3, GridLines(true)));
    case STYLE_PAPER:
      MakeCheckerTexture();
      return BuildTexturedList(1, all) &&
             (!m_bHasCoarseList || BuildTexturedList(3, GridLines(true)));
    case STYLE_CONTOUR:
      return BuildContourList(2, all) &&
             (!m_bHasCoarseList || BuildContourList(4, GridLines(true)));
    default:
      return FALSE;
  }
}

GLuint CThreadDrawOpenGL::SurfaceList() const {
  return m_bCoarsePicture && m_bHasCoarseList ? 3 : 1;
}

GLuint CThreadDrawOpenGL::ContourList() const {
  return m_bCoarsePicture && m_bHasCoarseList ? 4 : 2;
}

void CThreadDrawOpenGL::ApplyViewChange() {
  double upDown = 0.0;
  double leftRight = 0.0;
  g_ShareData.GetAngles(upDown, leftRight);
  m_fAngleX = static_cast<float>(upDown);
  m_fAngleY = static_cast<float>(leftRight);
  const RunOptions options = g_ShareData.Options();
  const bool roomChanges = options.axes != m_aids.Setting().axes;
  m_aids.SetShown(options.axes, options.extremes);
  const auto zoom = static_cast<float>(options.zoom);
  if (zoom != m_fZoom || roomChanges) {
    m_fZoom = zoom;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    SetProjection(m_dAspect);
    glMatrixMode(GL_MODELVIEW);
  }
}

void CThreadDrawOpenGL::ClearColour(float rgb[3]) const {
  BackgroundColour(m_nBackColor, m_nDrawStyle, rgb);
}

BOOL CThreadDrawOpenGL::ClearScene() {
  float rgb[3];
  ClearColour(rgb);
  glClearColor(rgb[0], rgb[1], rgb[2], 0.0f);
  glClearDepth(1.0);
  glEnable(GL_DEPTH_TEST);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  return TRUE;
}

BOOL CThreadDrawOpenGL::DrawScene() {
  // Stopped while sampling or building: present the cleared background only.
  // Drawing a partial list first took up to half a second at N = 500, for a
  // picture nobody waits for.
  if (Stopped()) {
    glFinish();
    SwapBuffers();
    return TRUE;
  }
  switch (m_nDrawStyle) {
    case STYLE_MESH:
      if (m_bShading) {
        DrawMeshShaded();
      } else if (m_bHiddenLine) {
        DrawMeshHidden();
      } else {
        DrawMeshPlain();
      }
      break;
    case STYLE_PLASTIC:
      DrawPlastic();
      break;
    case STYLE_PAPER:
      DrawPaper();
      break;
    case STYLE_GHOST:
      DrawGhost();
      break;
    case STYLE_SILVER:
      DrawSilver();
      break;
    case STYLE_CONTOUR:
      DrawContour();
      break;
    default:
      break;
  }
  return TRUE;
}

void CThreadDrawOpenGL::RotateModel() {
  glRotatef(-m_fAngleX, 1.0f, 0.0f, 0.0f);
  glRotatef(m_fAngleY, 0.0f, 1.0f, 0.0f);
  glGetFloatv(GL_MODELVIEW_MATRIX, m_pictureModelView.data());
}

void CThreadDrawOpenGL::DrawModel(float red, float green, float blue) {
  glColor3f(red, green, blue);
  glPushMatrix();
  RotateModel();
  CallList(SurfaceList());
  glPopMatrix();
}

void CThreadDrawOpenGL::CallList(GLuint list) {
  m_nListCalls.fetch_add(1, std::memory_order_relaxed);
  // A fitted surface is cut at the ends of the fitted range. The planes are
  // given in model coordinates, under the matrix the model is drawn with, so
  // they turn with it. The contour levels lie within the range anyway.
  const bool cut = m_pictureFit && m_nDrawStyle != STYLE_CONTOUR;
  if (cut) {
    const GLdouble bottom[4] = {0.0, 1.0, 0.0, -m_pictureFit->Height(m_pictureFit->bottom)};
    const GLdouble top[4] = {0.0, -1.0, 0.0, m_pictureFit->Height(m_pictureFit->top)};
    glClipPlane(GL_CLIP_PLANE0, bottom);
    glClipPlane(GL_CLIP_PLANE1, top);
    glEnable(GL_CLIP_PLANE0);
    glEnable(GL_CLIP_PLANE1);
  }
  glCallList(list);
  if (cut) {
    glDisable(GL_CLIP_PLANE0);
    glDisable(GL_CLIP_PLANE1);
  }
}

void CThreadDrawOpenGL::DrawPicture() {
  DrawAidsBehind(false);
  switch (m_nDrawStyle) {
    case STYLE_MESH:
      if (m_bShading) {
        DrawShadedPicture();
      } else if (m_bHiddenLine) {
        DrawHiddenPicture();
      } else {
        DrawModel(kMeshLineColour[0], kMeshLineColour[1], kMeshLineColour[2]);
      }
      break;
    case STYLE_CONTOUR:
      DrawContourPicture();
      break;
    default:
      DrawSolidGeometry();
      return;
  }
  DrawAidsInFront(false);
}

BOOL CThreadDrawOpenGL::CommandLoop() {
  // Blocks in the mailbox; a message redraws with the angles and the zoom as
  // they are now, so messages that queued up meanwhile collapse into this
  // redraw: coarse for a drag, full for a rotation command or the release.
  RunMessage message{};
  while (m_pMailbox->Wait({RunMessage::Rotate, RunMessage::Drag}, g_ShareData.m_nState, RunState(),
                          &message)) {
    m_bCoarsePicture = message == RunMessage::Drag;
    ApplyViewChange();
    ClearScene();
    DrawPicture();
    glFinish();
    if (!SwapBuffers()) return FALSE;
  }
  return TRUE;
}

BOOL CThreadDrawOpenGL::TickLoop() {
  // Each tick first shows the frame drawn at the tick before, then draws the
  // next one turned by a further degree; the turns accumulate in the
  // model-view matrix. A drag (and its release) sets the angles the solid
  // turns from: the turns so far are dropped and the picture is shown at once.
  RunMessage message{};
  while (m_pMailbox->Wait({RunMessage::Rotate, RunMessage::Drag, RunMessage::Tick},
                          g_ShareData.m_nState, RunState(), &message)) {
    if (message == RunMessage::Tick) {
      if (!SwapBuffers()) return FALSE;
      ClearScene();
      glRotatef(1.0f, 1.0f, 1.0f, 1.0f);
      glGetFloatv(GL_MODELVIEW_MATRIX, m_pictureModelView.data());
      m_bCoarsePicture = false;
      DrawSolidGeometry();
      glFinish();
      continue;
    }
    m_bCoarsePicture = message == RunMessage::Drag;
    ApplyViewChange();
    glLoadIdentity();
    SetViewpoint();
    RotateModel();
    ClearScene();
    DrawSolidGeometry();
    glFinish();
    if (!SwapBuffers()) return FALSE;
  }
  return TRUE;
}
