// The drawing area. It starts and stops runs, hands each run its parameters
// and formula, shows every picture the drawing thread presents, and paints
// from its backing image by the shared drawing state: cleared after start-up,
// a style change or a load, otherwise the last picture. The mouse turns the
// model (left drag), zooms (wheel; Home resets) and reads values off the
// picture (hover).
#pragma once

#include <QImage>
#include <QWidget>

#include "core/Formula.h"
#include "core/ParaData.h"
#include "render/DrawingRun.h"
#include "render/FrameSink.h"

class CMainFrame;

class COrvexView : public QWidget, private DrawingRunListener {
  Q_OBJECT

 public:
  explicit COrvexView(CMainFrame* frame);
  ~COrvexView() override;

  void OnStart();
  // Asks a running thread to end and returns at once; the frame hears of the
  // end when the thread is done.
  void OnStop();
  // The fit was turned on or off: a run on starts again with the new setting,
  // which a user expects of a toggle; otherwise the next Start takes it.
  void OnFitChanged();
  // Saves what the view shows as a bitmap or, for a name ending in .png, as PNG.
  void OnSaveImage();
  // Puts what the view shows on the clipboard, as the image save takes it.
  void OnCopyImage();
  // A run's picture is on the view (not the idle fill of a clear).
  bool HasPicture() const { return m_bHasPicture; }
  void Rotate() { m_run.Rotate(); }
  // x, y and f(x,y) of the grid point under a point of the view, as pane 0
  // shows them; empty where the picture shows no surface or line.
  QString ReadoutAt(QPointF position);
  void Tick() { m_run.Tick(); }
  bool IsBusy() const { return m_run.Busy(); }
  int Progress() const { return m_run.Progress(); }

  // What the client area shows now, in device pixels.
  QImage ShownPicture() const;
  const QImage& Backing() const { return m_backing; }
  // The last picture taken from the run, with its depth and matrices.
  const Frame& LastFrame() const { return m_frame; }
  void FailNextStartForTesting() { m_run.FailNextStartForTesting(); }

 signals:
  // After the first paint has asked the frame to show the panel.
  void firstPainted();
  // A picture of the run went on the view: a drag's quick one, or a full one.
  void pictureShown(bool coarse);

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

  QSize DeviceSize() const;
  // A new backing image of the client size, in the idle colour.
  void RebuildBacking();
  void ClearPicture();
  // The zoom of every run from now on; a run on redraws.
  void SetZoom(double zoom);
  // Pane 0 shows the readout at the point, or its message off the surface.
  void ShowReadout(QPointF position);
  void HideReadout();

  CMainFrame* m_pFrame;
  CParaData m_para;
  CFormula m_formula;
  QImage m_backing;
  Frame m_frame;  // reused for every picture taken from the run
  // The parameters and formula of the run whose pictures are shown, for the
  // readout: m_para follows the frame's edits, and the run's own formula
  // belongs to the drawing thread until the run ends.
  CParaData m_runPara;
  CFormula m_readoutFormula;
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
  // The first paint shows the parameter panel.
  bool m_bPaintedOnce = false;
  // Last: destroyed first, so the thread is joined while the formula and the
  // listener it uses still exist.
  DrawingRun m_run;
};
