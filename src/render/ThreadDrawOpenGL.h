// One run in its own thread: sample the grid, compile it into a display list,
// present the first picture, then redraw on rotate messages (mesh, contour) or
// turn on tick messages (solids), and sample and compile again on resample
// messages, until the run state changes.
#pragma once

#include <GL/gl.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/Contour.h"
#include "core/Formula.h"
#include "core/Grid.h"
#include "core/ParaData.h"
#include "render/OpenGLContext.h"
#include "render/PictureAids.h"
#include "render/RunMailbox.h"

class CThreadDrawOpenGL : public COpenGLContext {
 public:
  CThreadDrawOpenGL(FrameSink* pSink, RunMailbox* pMailbox);
  ~CThreadDrawOpenGL() override;

  // Starts the thread. The caller has filled g_ShareData and set the run state
  // (DS_RUN_SURFACE or DS_RUN_CONTOUR) before, so that the thread's first test
  // of the state already sees the run's value. False when the system refused
  // a new thread.
  bool Begin();
  // Waits for the end of the thread; whoever stops the run has set the state
  // and woken the mailbox first.
  void Join();
  bool Joinable() const { return m_thread.joinable(); }
  // True once the thread has done its last act; a join then returns at once.
  bool Finished() const { return m_bFinished.load(); }
  std::thread::native_handle_type NativeHandle() { return m_thread.native_handle(); }
  // Before Begin: run below the priority of the thread that starts it, for a
  // window whose event loop must stay served.
  void SetYieldToWindow(bool yield) { m_bYieldToWindow = yield; }
  // The grid buffer belongs to the thread from Begin to its end: it is lent
  // before Begin and handed back after Join, so that the next run samples
  // into it without allocating (or faulting in) a grid of the same size.
  void LendGrid(std::vector<float>&& grid);
  std::vector<float> ReturnGrid();
  // How many display lists the thread has called so far; any thread may read it.
  std::uint64_t ListCalls() const { return m_nListCalls.load(std::memory_order_relaxed); }
  // Why the run ended without its picture (None if it did not); any thread.
  RunProblem Problem() const { return m_problem.load(); }
  // Why the last resample drew nothing (None after a drawn one, and before
  // the first); any thread.
  ResampleFault ResampleProblem() const { return m_resampleFault.load(); }

  BOOL SetProjection(double aspect) override;
  BOOL SetViewpoint() override;
  BOOL BuildScene() override;
  BOOL ClearScene() override;
  BOOL DrawScene() override;

 protected:
  // The thread's body: copy the parameters, sample, render, release, and set
  // DS_IDLE as the very last act.
  void ThreadMain();
  // A sampled grid and what the lists built from it need: the run's full
  // grid, or the coarse one a coarse resample samples.
  struct SampledGrid {
    GridSpec gridSpec;
    std::vector<float> values;
    GridExtents extents;
    std::optional<SurfaceFit> fit;  // with the fit on
    // With the fit on, a surface's cells to draw (FittedSurface's layout).
    std::vector<std::uint8_t> drawnCells;

    std::size_t Mesh() const { return static_cast<std::size_t>(gridSpec.nMesh); }
    // Surface layout: column j, row i.
    const float* Point(std::size_t j, std::size_t i) const;
    bool SurfaceUsable() const;
  };

  // Copies the run parameters from g_ShareData, narrowing them to float.
  void CopyRunParameters();
  // False when there is no grid to draw (a refused mesh count, no memory, no
  // finite value to fit).
  bool SampleGrid();
  // Samples target anew in the run's style, into the buffers it holds. None
  // also when stopped part-way (the caller tests Stopped()); the grid is then
  // partly zero and not fitted.
  ResampleFault Sample(SampledGrid& target, const GridSpec& gridSpec, const CFormula& formula,
                       const RunSignals& signals);
  // The picture's extents and fit become the grid's.
  void TakeExtents(const SampledGrid& grid);
  // Answers a resample message: samples, builds the lists and frames the
  // picture anew, keeping the angles, the zoom and, for a solid, its turns.
  // False when there is no new picture to draw (a fault, recorded, or a stop).
  bool Resample(const ResampleRequest& request);
  // The formula of a resample: compiled anew, or the thread's own with new
  // parameter values when only they changed.
  CFormula* ResampleFormula(const CParaData& para);
  // After new extents: the projection and the eye's distance, as at the start
  // of the run; a solid keeps the turns its model-view matrix holds.
  void Reframe();
  // Keeps the first problem only: later ones are its consequences.
  void RecordProblem(RunProblem problem);
  int RunState() const;
  bool Stopped() const;
  // The run's stop signal; countProgress: the sampling adds to the progress.
  RunSignals Signals(bool countProgress = true) const;
  GridExtents Extents() const;
  void ClearColour(float rgb[3]) const;
  void RotateModel();
  void DrawModel(float red, float green, float blue);
  // The display loops. Both return TRUE when the state left the run's value
  // and FALSE when a present failed.
  BOOL CommandLoop();
  BOOL TickLoop();
  // glCallList, counted.
  void CallList(GLuint list);
  // One picture of the current style (for the loops: the redraw).
  void DrawPicture();
  // The reading aids around the model: laid out for this picture's matrices,
  // the box's far faces before the model and its edges after it.
  // modelMatrixCurrent: the model's own matrix is the current one (the
  // solids), else it is made by RotateModel.
  void DrawAidsBehind(bool modelMatrixCurrent);
  void DrawAidsInFront(bool modelMatrixCurrent);
  void DecorateFrame(Frame& frame) override;
  // The sampled box, its extremes and the colour bar, for the run's aids;
  // formula gives the extremes' values.
  void SetUpAids(const SampledGrid& grid, CFormula& formula);
  // The map's colour at a model height, for a surface coloured by height.
  void HeightColour(float height, GLfloat out[4]) const;
  void DrawSolidGeometry();

  // The grid rows and columns a list is built from: every one for the full
  // picture; for the coarse one drawn during a drag, every k-th (and the last)
  // so that about kCoarseCells cells per side remain. A coarse resample
  // samples as many cells over the same range.
  static constexpr int kCoarseCells = 100;
  // With the box on, the frame is this much wider than the model, for its
  // numbers; the colour bar takes this many pixels at the right.
  static constexpr float kAxesRoom = 1.15f;
  static constexpr double kBarRoom = 72.0;
  static void GridLines(std::size_t nMesh, bool coarse, std::vector<std::size_t>& lines);
  static std::size_t CoarseStride(std::size_t nMesh);
  static std::size_t CoarseCells(std::size_t nMesh);
  // The lists of the picture from grid, the run's full one: the full list
  // and, where N is above kCoarseCells, the drag's list from every k-th line
  // of it; from a coarse resample's grid, the coarse list alone, the full one
  // left stale until a full resample. A contour list is compiled under the
  // spare name and takes the live one's place only when complete, so that a
  // refused one leaves the lists as they were. A surface's build is Complete
  // or Stopped.
  ContourBuild BuildLists(const SampledGrid& grid, bool coarseGrid, const RunSignals& signals);
  // Compiles list from the rows and columns `lines` of grid in the run's style.
  ContourBuild BuildList(GLuint list, const SampledGrid& grid,
                         const std::vector<std::size_t>& lines, const RunSignals& signals);
  // The list of the picture being drawn: the coarse one for a drag's picture
  // or while the full one is stale (where there is one), else the full one.
  GLuint ShownList() const;
  // Before a redraw: the angles and the zoom as they are now in g_ShareData.
  void ApplyViewChange();

  // Surface styles (SurfaceStyles.cpp).
  BOOL BuildStripList(GLuint list, const SampledGrid& grid, const std::vector<std::size_t>& lines);
  BOOL BuildTexturedList(GLuint list, const SampledGrid& grid,
                         const std::vector<std::size_t>& lines);
  void MakeCheckerTexture();
  // A row of display list 1: its vertices, normals and texture coordinates
  // gathered into arrays and compiled by one glDrawArrays, which compiles far
  // faster than a call per vertex.
  void BeginRow();
  void RowVertex(const float normal[3], const float* texCoord, const float* vertex);
  // GL_COLOR_MATERIAL for the lit looks of a surface coloured by height.
  void ApplyColourMaterial() const;
  void EndRow(GLenum mode);
  void SetSmallestLineWidth();
  BOOL DrawMeshPlain();
  BOOL DrawMeshHidden();
  BOOL DrawMeshShaded();
  void DrawHiddenPicture();
  void DrawShadedPicture();
  BOOL DrawPlastic();
  BOOL DrawPaper();
  BOOL DrawGhost();
  BOOL DrawSilver();
  BOOL DrawSolid();
  void DrawGhostPasses();
  // Whether the cells between lines[b], lines[b + 1] (columns) and lines[a],
  // lines[a + 1] (rows) are all drawn; always without a fit.
  bool CellsDrawn(const SampledGrid& grid, const std::vector<std::size_t>& lines, std::size_t a,
                  std::size_t b) const;
  // FaceNormal; with a fit, a normal that overflows is that of a flat patch.
  void VertexNormal(const float* a, const float* b, const float* c, float out[3]) const;

  // Contour lines (ContourDrawing.cpp).
  ContourBuild BuildContourList(GLuint list, const SampledGrid& grid,
                                const std::vector<std::size_t>& lines, const RunSignals& signals);
  BOOL DrawContour();
  void DrawContourPicture();

  FrameSink* m_pViewSink;
  RunMailbox* m_pMailbox;
  std::thread m_thread;

  ClientRect m_clientRect;
  // The grid the full lists come from (lent by the owner), and the one a
  // coarse resample samples; both reused from resample to resample.
  SampledGrid m_full;
  SampledGrid m_coarse;
  int m_nDrawStyle = -1;
  float m_fAngleY = 0.0f;
  float m_fAngleX = 0.0f;
  BOOL m_bPerspective = FALSE;
  BOOL m_bHiddenLine = FALSE;
  BOOL m_bShading = FALSE;
  bool m_bFit = false;
  // The surface coloured by height through this map; none: the style's colours.
  std::optional<ColourMap> m_colourMap;
  CPictureAids m_aids;
  float m_fMaxX = -3.4028235e38f, m_fMinX = 3.4028235e38f;
  float m_fMaxZ = -3.4028235e38f, m_fMinZ = 3.4028235e38f;
  float m_fMaxY = -3.4028235e38f, m_fMinY = 3.4028235e38f;
  float m_fEyeDistance = 0.0f;
  float m_fZoom = 1.0f;
  double m_dAspect = 1.0;
  bool m_bHasCoarseList = false;
  // A coarse resample has been drawn since the full lists were built: every
  // picture comes from the coarse list until a full resample.
  bool m_bFullListsStale = false;
  // Surfaces: 1 full, 3 coarse; contour lines: 2 and 4, and 5 to compile a
  // resample's list into before it replaces the live one.
  GLuint m_nFullList = 1;
  GLuint m_nCoarseList = 3;
  GLuint m_nSpareList = 5;
  int m_nBackColor = BACK_BLACK;

  // The formula the grid is sampled from: the run's own (g_ShareData's),
  // until a resample brings another; then it is compiled here, into a
  // candidate that replaces m_formula once it has been sampled and drawn.
  CFormula* m_pFormula = nullptr;
  CFormula m_formula;
  CFormula m_candidate;
  std::string m_formulaText;
  std::vector<FormulaParameter> m_formulaParams;
  std::vector<double> m_parameterValues;
  // The resample being answered; its buffers go back to the mailbox's slot.
  ResampleRequest m_request;
  // Rows and columns of the list being built, and the coarse contour grid
  // picked from the full one, kept between builds.
  std::vector<std::size_t> m_lines;
  std::vector<float> m_contourSubgrid;
  // Paper's checkerboard: 64 x 64 texels of red, green, blue, alpha.
  std::array<std::uint8_t, 64 * 64 * 4> m_textureImage{};
  GLuint m_nTextureName = 0;
  bool m_bYieldToWindow = false;
  static constexpr int kWindowNiceness = 5;
  // One row of the list being compiled, kept between rows.
  std::vector<GLfloat> m_rowVertices;
  std::vector<GLfloat> m_rowNormals;
  std::vector<GLfloat> m_rowTexCoords;
  std::vector<GLfloat> m_rowColours;
  std::atomic<std::uint64_t> m_nListCalls{0};
  std::atomic<bool> m_bFinished{false};
  std::atomic<RunProblem> m_problem{RunProblem::None};
  std::atomic<ResampleFault> m_resampleFault{ResampleFault::None};
};
