// The drawing area. It starts and stops runs with the model's parameter set,
// shows every picture the drawing thread presents, and paints from its
// backing image: the idle colour after start-up, a style change or a load,
// otherwise the last picture. The mouse turns the model (left drag), zooms
// (wheel; Home resets) and reads values off the picture (hover). It reports
// to whoever listens by signals and knows nothing of the window around it.
#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <chrono>

#include "core/Formula.h"
#include "core/ParaData.h"
#include "render/DrawingRun.h"
#include "render/FrameSink.h"

class CParamModel;

class COrvexView : public QWidget, private DrawingRunListener {
  Q_OBJECT

 public:
  COrvexView(CParamModel* model, QWidget* parent);
  ~COrvexView() override;

  // Takes the keyboard focus (which commits what was typed in a field), then
  // runs the model's parameter set; refused sets are answered with a message.
  void OnStart();
  // Asks a running thread to end and returns at once; runEnded follows when
  // the thread is done.
  void OnStop();
  // Saves what the view shows as a bitmap or, for a name ending in .png, as PNG.
  void OnSaveImage();
  // Puts what the view shows on the clipboard, as the image save takes it.
  void OnCopyImage();

  // A run's picture is on the view (not the idle fill of a clear).
  bool HasPicture() const { return m_bHasPicture; }
  // A drawing thread is alive: from Start until its end has been reported.
  bool IsBusy() const { return m_run.Busy(); }
  // A stop may still be asked for: the run has not been told to end.
  bool IsStoppable() const;
  // The run on follows the rotation commands: a mesh or a contour run (the
  // lit solids turn by themselves).
  bool IsTurnable() const;
  int Progress() const { return m_run.Progress(); }
  // The 200 ms timer: a lit solid turns by a degree.
  void Tick() { m_run.Tick(); }
  // The wheel's zoom of every run from now on (1 = as the projection frames it).
  double Zoom() const { return m_dZoom; }

  // x, y and f(x,y) of the grid point under a point of the view, as the
  // readout pane shows them; empty where the picture shows no surface or line.
  QString ReadoutAt(QPointF position);

  // What the client area shows now, in device pixels.
  QImage ShownPicture() const;
  const QImage& Backing() const { return m_backing; }
  // The last picture taken from the run, with its depth and matrices.
  const Frame& LastFrame() const { return m_frame; }
  void FailNextStartForTesting() { m_run.FailNextStartForTesting(); }

 signals:
  // The first paint: the window around is laid out and shown.
  void firstPainted();
  // Start is under way: the progress runs over 0..progressMax.
  void runStarted(int progressMax);
  // The drawing thread has ended and been joined; problem says why there is
  // no picture (None when there is one, or the run was stopped).
  void runEnded(RunProblem problem);
  // Something the commands are enabled by changed: a picture came or went,
  // a stop was asked for, a thread started.
  void stateChanged();
  // A picture of the run went on the view: a drag's quick one, or a full one.
  void pictureShown(bool coarse);
  // The fit of the picture on display, or null when it has none.
  void fitShown(const SurfaceFit* fit);
  // The readout under the mouse; empty when it goes.
  void readoutChanged(const QString& text);
  // A full resample's picture arrived this many milliseconds after it was asked.
  void fullResampleTook(int ms);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Drawing thread: post to the window's thread and return.
  void FrameReady() override;
  void RunEnded() override;
  void OnFrameReady();
  void OnRunEnded();

  // The model changed during a run: new angles turn its picture, a new
  // formula or new parameter values sample it again.
  void FollowModel();
  // The run's formula and values sampled again: coarse or in full.
  void Resample(bool coarse);
  // A setting the grid or the lists are made with changed: a run on starts
  // again with it, which a user expects of a toggle; otherwise the next
  // Start takes it.
  void RestartRun();
  QSize DeviceSize() const;
  // A new backing image of the client size, in the idle colour.
  void RebuildBacking();
  void ClearPicture();
  void SetZoom(double zoom);
  void ShowReadout(QPointF position);
  void HideReadout();
  void SetHasPicture(bool has);

  CParamModel* m_pModel;
  CFormula m_formula;
  QImage m_backing;
  Frame m_frame;  // reused for every picture taken from the run
  // The parameters and formula of the run whose pictures are shown, for the
  // readout: the model follows the user's edits, and the run's own formula
  // belongs to the drawing thread until the run ends.
  CParaData m_runPara;
  CFormula m_readoutFormula;
  double m_dZoom = 1.0;
  // Starts again at every coarse resample: when it runs out, the full one.
  QTimer m_restTimer;
  bool m_bFullResamplePending = false;
  std::chrono::steady_clock::time_point m_fullResampleSent;
  // The colour map of the run on (none: the style's colours).
  std::optional<ColourMap> m_runColourMap;
  bool m_bDragging = false;
  bool m_bDragMoved = false;
  QPoint m_dragFrom;
  bool m_bReadoutShown = false;
  // The run is being stopped to start again with the fit toggled.
  bool m_bRestart = false;
  // Pictures of a run belong on screen until a clear; a late one after it
  // (a run ending under a load) is dropped.
  bool m_bAcceptFrames = false;
  bool m_bHasPicture = false;
  bool m_bPaintedOnce = false;
  // Last: destroyed first, so the thread is joined while the formula and the
  // listener it uses still exist.
  DrawingRun m_run;
};
