// The drawing area. It starts and stops runs, hands each run its parameters
// and formula, shows every picture the drawing thread presents, and paints
// from its backing image by the shared drawing state: cleared after start-up,
// a style change or a load, otherwise the last picture.
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
  void OnSaveImage();
  void Rotate() { m_run.Rotate(); }
  void Tick() { m_run.Tick(); }
  bool IsBusy() const { return m_run.Busy(); }
  int Progress() const { return m_run.Progress(); }

  // What the client area shows now, in device pixels.
  QImage ShownPicture() const;
  const QImage& Backing() const { return m_backing; }
  void FailNextStartForTesting() { m_run.FailNextStartForTesting(); }

 signals:
  // After the first paint has asked the frame to show the panel.
  void firstPainted();

 protected:
  void paintEvent(QPaintEvent* event) override;

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

  CMainFrame* m_pFrame;
  CParaData m_para;
  CFormula m_formula;
  QImage m_backing;
  Frame m_frame;  // reused for every picture taken from the run
  // Pictures of a run belong on screen until a clear; a late one after it
  // (a run ending under a load) is dropped.
  bool m_bAcceptFrames = false;
  // The first paint shows the parameter panel.
  bool m_bPaintedOnce = false;
  // Last: destroyed first, so the thread is joined while the formula and the
  // listener it uses still exist.
  DrawingRun m_run;
};
