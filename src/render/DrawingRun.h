// What the window sees of the drawing thread: start with a parameter copy,
// stop, rotate, tick, resample, progress, state and frames out. Includes no
// GL or EGL header, so the window layer stays free of them.
#pragma once

#include <cstdint>
#include <memory>

#include "core/Formula.h"
#include "core/ParaData.h"
#include "core/ShareData.h"
#include "render/FrameSink.h"
#include "render/RunMailbox.h"

// Told about a run from the drawing thread. Both calls must return at once:
// post a message to the window's thread and do the work there. Blocking here
// on the window's thread would deadlock a window that waits for the run.
class DrawingRunListener {
 public:
  virtual ~DrawingRunListener() = default;
  // A new picture waits in TakeFrame().
  virtual void FrameReady() = 0;
  // The run is over (stopped, or ended by itself); call Reap() next.
  virtual void RunEnded() = 0;
};

class DrawingRun {
 public:
  explicit DrawingRun(DrawingRunListener* listener);
  // Stops a run still on and waits for its thread: by then the window is gone.
  ~DrawingRun();
  DrawingRun(const DrawingRun&) = delete;
  DrawingRun& operator=(const DrawingRun&) = delete;

  // Starts a run of para's style on a width x height picture. The formula must
  // be compiled from para's formula and stay untouched until the run ends.
  // AlreadyRunning while Busy(). The drawing thread runs a few steps nicer
  // than the caller's thread.
  StartResult Start(const CParaData& para, int width, int height, CFormula* formula,
                    const RunOptions& options = {});
  // Asks the run to end and returns at once; RunEnded() follows.
  void RequestStop();
  // After RunEnded(): joins the thread, which has nothing left to do.
  void Reap();
  // From Start until Reap: Start is refused meanwhile.
  bool Busy() const;
  // After g_ShareData's angles changed: the mesh or contour picture redraws.
  // Also when a drag ends.
  void Rotate();
  // The zoom of the run on changes; its mesh or contour picture redraws.
  void SetZoom(double zoom);
  // The box with its axes, or the marked extremes, turned on or off for the
  // run on: its picture is drawn again with them.
  void SetAids(bool axes, bool extremes);
  // The angles changed under a held mouse button: a quick coarse picture.
  void Drag();
  // The 200 ms timer: a lit solid turns by a degree.
  void Tick();
  // New formula or parameter values for the running picture, which is
  // sampled and drawn again without a new run: coarse (at most 100 cells a
  // side, no depth) while a slider moves or a formula is typed, full when
  // they stop. The style and the other looks are never resampled: a change
  // of them takes a new run (false is returned, nothing is sent). Returns at
  // once: the para is copied, the window's own formula is not touched, and
  // only the newest of resamples the thread has not yet begun is drawn. The
  // picture arrives as any other, by FrameReady(); a resample that cannot be
  // drawn keeps the picture on display and says why in ResampleProblem().
  bool Resample(const CParaData& para, bool coarse);
  // Why the last resample left the picture as it was: the formula refused,
  // no finite value to fit, too many contour lines, no grid; None after a
  // drawn one. Written by the drawing thread when it has answered a
  // resample; read without waiting, for example on the 200 ms timer.
  ResampleFault ResampleProblem() const;
  // The sampling and building progress, never past ProgressMax().
  int Progress() const;
  // 2N + 1 for the run's mesh count N.
  int ProgressMax() const { return m_nProgressMax; }
  static int ProgressMaxFor(int nMesh) { return 2 * nMesh + 1; }
  // Moves the newest presented picture into frame; false when there is none
  // since the last call. Older pictures not taken in time are skipped.
  bool TakeFrame(Frame& frame);
  // Pictures presented since this object was made, taken or not.
  std::uint64_t FramesPresented() const;
  // The graphics failure of the last reaped run ("No Error" if none).
  const char* LastErrorText() const;
  // Why the last reaped run ended without its picture (None if it did not).
  RunProblem LastProblem() const;
  void FailNextStartForTesting();

 private:
  class Impl;
  std::unique_ptr<Impl> m_pImpl;
  int m_nProgressMax = 0;
};
