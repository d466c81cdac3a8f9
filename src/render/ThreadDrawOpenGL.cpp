#include "render/ThreadDrawOpenGL.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <cmath>
#include <exception>
#include <optional>
#include <system_error>
#include <utility>

#include "core/Fit.h"
#include "core/ShareData.h"
#include "render/PictureColours.h"

namespace {

// The formula of a parameter set compiled for a run's grid; false when it is
// refused. The drawing thread's one compile: a resample's formula.
bool CompileRunFormula(const CParaData& para, CFormula& formula) {
  if (FormulaTooLongToRun(para.m_strFormula) ||
      CheckFormula(para.m_strFormula, FormulaParameterNames(para)) != FormulaCheck::Ok) {
    return false;
  }
  formula = CompileFormula(para);
  return true;
}

}  // namespace

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
  m_full.values = std::move(grid);
}

std::vector<float> CThreadDrawOpenGL::ReturnGrid() {
  assert(!m_thread.joinable());
  return std::exchange(m_full.values, {});
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
  m_full.gridSpec = MakeGridSpec(para);
  m_bPerspective = para.m_bPerspective;
  m_bHiddenLine = para.m_bHiddenLine;
  m_bShading = para.m_bShading;
  m_pFormula = g_ShareData.m_pFormula;
  m_formulaText = para.m_strFormula;
  m_formulaParams = para.m_params;
  if (m_nDrawStyle == STYLE_CONTOUR) m_nFullList = 2, m_nCoarseList = 4;
  double upDown = 0.0;
  double leftRight = 0.0;
  g_ShareData.GetAngles(upDown, leftRight);
  m_fAngleY = static_cast<float>(leftRight);
  m_fAngleX = static_cast<float>(upDown);
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
  const bool drawable = m_nDrawStyle >= STYLE_MESH && m_nDrawStyle <= STYLE_CONTOUR;
  const ResampleFault fault =
      drawable ? Sample(m_full, m_full.gridSpec, *m_pFormula, Signals()) : ResampleFault::NoGrid;
  if (fault == ResampleFault::NoGrid) {
    RecordProblem(RunProblem::NoGrid);
    return false;
  }
  TakeExtents(m_full);
  // A stopped run shows no picture, so a partial grid is not fitted.
  if (Stopped()) return true;
  if (fault == ResampleFault::NothingToDraw) {
    RecordProblem(RunProblem::NothingToDraw);
    return false;
  }
  SetUpAids(m_full, *m_pFormula);
  return true;
}

ResampleFault CThreadDrawOpenGL::Sample(SampledGrid& target, const GridSpec& gridSpec,
                                        const CFormula& formula, const RunSignals& signals) {
  PictureGrid sampled;
  sampled.values = std::move(target.values);
  bool complete = false;
  try {
    complete = SamplePictureGrid(m_nDrawStyle, gridSpec, formula, m_bFit, signals, sampled);
  } catch (const std::bad_alloc&) {
    sampled = PictureGrid{};
  }
  target.values = std::move(sampled.values);
  target.gridSpec = gridSpec;
  target.extents = sampled.extents;
  target.fit = sampled.fit;
  if (sampled.surface) target.drawnCells = std::move(sampled.surface->drawn);
  // An empty grid was refused (the mesh count) or could not be had.
  if (target.values.empty()) return ResampleFault::NoGrid;
  if (complete && m_bFit && !target.fit) return ResampleFault::NothingToDraw;
  return ResampleFault::None;
}

void CThreadDrawOpenGL::TakeExtents(const SampledGrid& grid) {
  m_fMaxX = grid.extents.maxX;
  m_fMinX = grid.extents.minX;
  m_fMaxY = grid.extents.maxY;
  m_fMinY = grid.extents.minY;
  m_fMaxZ = grid.extents.maxZ;
  m_fMinZ = grid.extents.minZ;
  m_pictureFit = grid.fit;
}

CFormula* CThreadDrawOpenGL::ResampleFormula(const CParaData& para) {
  // The window's own formula is left to the window from the first resample
  // on: the thread compiles one of its own.
  const auto sameNames = [&] {
    return std::equal(
        para.m_params.begin(), para.m_params.end(), m_formulaParams.begin(), m_formulaParams.end(),
        [](const FormulaParameter& a, const FormulaParameter& b) { return a.name == b.name; });
  };
  if (m_pFormula != &m_formula || para.m_strFormula != m_formulaText || !sameNames()) {
    return CompileRunFormula(para, m_candidate) ? &m_candidate : nullptr;
  }
  // A slider, or a change of the range, N or the Z coefficient: the program
  // stays and takes the values, with no compile and nothing allocated.
  m_parameterValues.clear();
  for (const FormulaParameter& parameter : para.m_params)
    m_parameterValues.push_back(parameter.value);
  m_formula.SetParameterValues(m_parameterValues);
  m_formulaParams = para.m_params;
  return &m_formula;
}

bool CThreadDrawOpenGL::Resample(const ResampleRequest& request) {
  const CParaData& para = request.para;
  CFormula* formula = ResampleFormula(para);
  if (formula == nullptr) {
    m_resampleFault.store(ResampleFault::FormulaRefused);
    return false;
  }
  GridSpec gridSpec = MakeGridSpec(para);
  // Up to kCoarseCells cells a side the coarse picture is the full one.
  const bool coarseGrid =
      request.coarse && IsValidMesh(gridSpec.nMesh) && gridSpec.nMesh > kCoarseCells;
  if (coarseGrid) {
    // Over the same -R..R, so that the picture keeps its frame.
    gridSpec.nMesh = static_cast<int>(CoarseCells(static_cast<std::size_t>(gridSpec.nMesh)));
    gridSpec.spacing = GridSpacing(para.m_dRange, gridSpec.nMesh);
  }
  SampledGrid& grid = coarseGrid ? m_coarse : m_full;
  const RunSignals signals = Signals(false);
  // A fault leaves the lists, the extents and the aids of the picture on
  // display as they are; only the grid buffer holds the refused values, and
  // nothing is built from it before the next resample samples it again.
  ResampleFault fault = Sample(grid, gridSpec, *formula, signals);
  if (Stopped()) return false;
  if (fault == ResampleFault::None) {
    // The surface lists take their colours from the aids' height span; the
    // contour list may be refused, so its aids wait for it.
    const bool contour = m_nDrawStyle == STYLE_CONTOUR;
    if (!contour) SetUpAids(grid, *formula);
    const ContourBuild built = BuildLists(grid, coarseGrid, signals);
    if (built == ContourBuild::Stopped) return false;
    if (built == ContourBuild::TooManyLines) fault = ResampleFault::TooManyContourLines;
    if (built == ContourBuild::NoGrid) fault = ResampleFault::NoGrid;
    if (contour && fault == ResampleFault::None) SetUpAids(grid, *formula);
  }
  m_resampleFault.store(fault);
  if (fault != ResampleFault::None) return false;
  if (formula == &m_candidate) {
    std::swap(m_formula, m_candidate);
    m_pFormula = &m_formula;
    m_formulaText = para.m_strFormula;
    m_formulaParams = para.m_params;
  }
  TakeExtents(grid);
  Reframe();
  return true;
}

void CThreadDrawOpenGL::Reframe() {
  const float eye = m_fEyeDistance;
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  SetProjection(m_dAspect);
  glMatrixMode(GL_MODELVIEW);
  if (m_fEyeDistance == eye) return;
  if (m_nDrawStyle == STYLE_MESH || m_nDrawStyle == STYLE_CONTOUR) {
    glLoadIdentity();
    SetViewpoint();
    return;
  }
  // The solid's matrix is the viewpoint times the turns: only the first moves.
  GLfloat turned[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, turned);
  glLoadIdentity();
  glTranslatef(0.0f, 0.0f, m_fEyeDistance - eye);
  glMultMatrixf(turned);
}

void CThreadDrawOpenGL::SetUpAids(const SampledGrid& grid, CFormula& formula) {
  const RunOptions options = g_ShareData.Options();
  const SampledBox sampled = BoxOfGrid(grid.values, m_nDrawStyle != STYLE_CONTOUR, grid.gridSpec,
                                       grid.extents, grid.fit ? &*grid.fit : nullptr, &formula);
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

RunSignals CThreadDrawOpenGL::Signals(bool countProgress) const {
  return RunSignals{&g_ShareData.m_nState, RunState(),
                    countProgress ? &g_ShareData.m_nProgress : nullptr};
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

std::size_t CThreadDrawOpenGL::CoarseStride(std::size_t n) {
  // The smallest stride that leaves kCoarseCells cells or fewer, made a
  // divisor of N where one is within a quarter more, so that the coarse
  // cells are equal without thinning the picture much.
  const std::size_t least = (n + kCoarseCells - 1) / kCoarseCells;
  for (std::size_t k = least; k <= least + least / 4; ++k) {
    if (n % k == 0) return k;
  }
  return least;
}

std::size_t CThreadDrawOpenGL::CoarseCells(std::size_t n) {
  const std::size_t stride = CoarseStride(n);
  return (n + stride - 1) / stride;
}

void CThreadDrawOpenGL::GridLines(std::size_t n, bool coarse, std::vector<std::size_t>& lines) {
  const std::size_t stride = coarse ? CoarseStride(n) : 1;
  lines.clear();
  for (std::size_t k = 0; k < n; k += stride) lines.push_back(k);
  lines.push_back(n);
}

BOOL CThreadDrawOpenGL::BuildScene() {
  if (m_nDrawStyle == STYLE_PAPER) MakeCheckerTexture();
  const ContourBuild built = BuildLists(m_full, false, Signals());
  // An empty picture must not pass for a drawn one: the run ends with the reason.
  if (built == ContourBuild::TooManyLines) RecordProblem(RunProblem::TooManyContourLines);
  return built == ContourBuild::Complete ? TRUE : FALSE;
}

ContourBuild CThreadDrawOpenGL::BuildLists(const SampledGrid& grid, bool coarseGrid,
                                           const RunSignals& signals) {
  const bool contour = m_nDrawStyle == STYLE_CONTOUR;
  GLuint& live = coarseGrid ? m_nCoarseList : m_nFullList;
  GridLines(grid.Mesh(), false, m_lines);
  const ContourBuild built = BuildList(contour ? m_nSpareList : live, grid, m_lines, signals);
  if (built != ContourBuild::Complete) return built;
  if (contour) std::swap(live, m_nSpareList);
  if (coarseGrid) {
    m_bHasCoarseList = true;
    m_bFullListsStale = true;
    return built;
  }
  m_bFullListsStale = false;
  // A coarse copy of the picture for the frames of a drag, where the full one
  // would take longer than a mouse move. It has the full one's levels and
  // fewer crossings, so it cannot be refused where that was not.
  m_bHasCoarseList = grid.Mesh() > kCoarseCells;
  if (!m_bHasCoarseList) return built;
  GridLines(grid.Mesh(), true, m_lines);
  return BuildList(m_nCoarseList, grid, m_lines, {signals.state, signals.runState, nullptr});
}

ContourBuild CThreadDrawOpenGL::BuildList(GLuint list, const SampledGrid& grid,
                                          const std::vector<std::size_t>& lines,
                                          const RunSignals& signals) {
  BOOL built = FALSE;
  switch (m_nDrawStyle) {
    case STYLE_CONTOUR:
      return BuildContourList(list, grid, lines, signals);
    case STYLE_PAPER:
      built = BuildTexturedList(list, grid, lines);
      break;
    default:
      built = BuildStripList(list, grid, lines);
      break;
  }
  return built ? ContourBuild::Complete : ContourBuild::Stopped;
}

GLuint CThreadDrawOpenGL::ShownList() const {
  return m_bCoarsePicture && m_bHasCoarseList ? m_nCoarseList : m_nFullList;
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
  CallList(ShownList());
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
  // redraw: coarse for a drag or a coarse resample, full for a rotation
  // command, the release or a full resample (coarse still while a coarse
  // resample waits for its full one). A resample that cannot be drawn leaves
  // the picture on display.
  RunMessage message{};
  while (m_pMailbox->Wait({RunMessage::Resample, RunMessage::Rotate, RunMessage::Drag},
                          g_ShareData.m_nState, RunState(), &message, &m_request)) {
    const bool resample = message == RunMessage::Resample;
    if (resample && !Resample(m_request)) continue;
    m_bCoarsePicture =
        message == RunMessage::Drag || (resample && m_request.coarse) || m_bFullListsStale;
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
  // A resample keeps the turns (a slider moves the surface, not the view) and
  // shows its picture at once; the ticks go on turning it.
  RunMessage message{};
  while (m_pMailbox->Wait(
      {RunMessage::Resample, RunMessage::Rotate, RunMessage::Drag, RunMessage::Tick},
      g_ShareData.m_nState, RunState(), &message, &m_request)) {
    if (message == RunMessage::Tick) {
      if (!SwapBuffers()) return FALSE;
      ClearScene();
      glRotatef(1.0f, 1.0f, 1.0f, 1.0f);
      glGetFloatv(GL_MODELVIEW_MATRIX, m_pictureModelView.data());
      m_bCoarsePicture = m_bFullListsStale;
      DrawSolidGeometry();
      glFinish();
      continue;
    }
    if (message == RunMessage::Resample) {
      if (!Resample(m_request)) continue;
      m_bCoarsePicture = m_request.coarse || m_bFullListsStale;
      ApplyViewChange();
      glGetFloatv(GL_MODELVIEW_MATRIX, m_pictureModelView.data());
    } else {
      m_bCoarsePicture = message == RunMessage::Drag || m_bFullListsStale;
      ApplyViewChange();
      glLoadIdentity();
      SetViewpoint();
      RotateModel();
    }
    ClearScene();
    DrawSolidGeometry();
    glFinish();
    if (!SwapBuffers()) return FALSE;
  }
  return TRUE;
}
