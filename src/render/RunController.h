// Starts, feeds and stops the drawing thread, from one thread (the
// user-interface thread, or the command-line tool's main thread).
#pragma once

#include <memory>
#include <thread>
#include <vector>

#include "core/Formula.h"
#include "core/ParaData.h"
#include "core/ShareData.h"
#include "core/ThreadCheck.h"
#include "render/FrameSink.h"
#include "render/RunMailbox.h"
#include "render/ThreadDrawOpenGL.h"

class RunController {
 public:
  RunController() = default;
  // Stops a run still on and waits for its thread.
  ~RunController();
  RunController(const RunController&) = delete;
  RunController& operator=(const RunController&) = delete;

  // Publishes the run in g_ShareData, sets DS_RUN_SURFACE (styles 0-4) or
  // DS_RUN_CONTOUR (style 5) and starts the drawing thread. The formula must
  // already be compiled (Tokenize, MakePostfix); it and the sink must outlive
  // the run. A thread that has ended by itself is reaped first.
  StartResult Start(const CParaData& para, const ClientRect& client, CFormula* formula,
                    FrameSink* sink, const RunOptions& options = {});
  // For the runs started from now on: the drawing thread yields the
  // processor to a window's event loop.
  void SetYieldToWindow(bool yield) { m_bYieldToWindow = yield; }
  // After g_ShareData.SetAngles or SetZoom: the mesh or contour picture redraws.
  void PostRotate();
  // The angles changed under a held mouse button: a coarse redraw.
  void PostDrag();
  // One timer tick: a solid turns by a degree.
  void PostTick();
  // New values for the running picture (ResampleRequest tells which fields
  // count): the drawing thread samples its grid again in place and draws,
  // keeping the angles, the zoom and the run; coarse while the user is still
  // moving something, then full. A resample still pending is replaced, so a
  // burst costs one picture. Copies para and returns at once, from any thread
  // (as the other posts). False, and nothing posted, when no run is on or
  // para looks different (style, shading, hidden lines, perspective,
  // background): that takes a new run.
  bool PostResample(const CParaData& para, bool coarse);
  // Why the last resample of the run on left the picture as it was (None
  // after a drawn one); any thread, as the posts. After Reap, the last run's.
  ResampleFault ResampleProblem() const;
  // Asks a running thread to end and returns at once: a redraw on a software
  // rasteriser can take seconds, and the window must not wait for it. The
  // sink's Ended() tells when the thread is done; Reap() then joins it.
  void RequestStop();
  // A thread exists that has not been joined yet (it may be running, ending or
  // ended).
  bool Busy() const { return m_pThread != nullptr; }
  // The thread has done its last act; Reap() returns at once.
  bool HasEnded() const { return m_pThread != nullptr && m_pThread->Finished(); }
  // Joins the thread and keeps its error text. Call after the sink's Ended();
  // called earlier, it waits for the end.
  void Reap();
  // RequestStop, then Reap: returns only after the drawing thread has ended.
  // Must not be called from the sink.
  void Stop();
  bool IsRunning() const;
  // The graphics failure the last reaped run recorded ("No Error" if none).
  const char* LastErrorText() const { return m_pszLastError; }
  // Why the last reaped run ended without its picture (None if it did not).
  RunProblem LastProblem() const { return m_lastProblem; }
  // The drawing thread's handle while one exists (for CPU accounting).
  std::thread::native_handle_type NativeHandle();
  // The display lists the drawing thread has called in this run (0 without one).
  std::uint64_t ListCalls() const;
  // The next Start behaves as if the system refused the thread.
  void FailNextStartForTesting() { m_bFailNextStart = true; }

 private:
  void Post(RunMessage message);

  RunMailbox m_mailbox;
  bool m_bYieldToWindow = false;
  std::unique_ptr<CThreadDrawOpenGL> m_pThread;
  // The grid of the last run, kept for the next one: a window that ran
  // N = 2000 is likely to run it again, and a fresh 48 MB grid costs a page
  // fault per page. Lent to the thread at Start, handed back by Reap.
  std::vector<float> m_grid;
  const char* m_pszLastError = g_glErrorText[GLERR_NONE];
  RunProblem m_lastProblem = RunProblem::None;
  ResampleFault m_lastResampleFault = ResampleFault::None;
  bool m_bFailNextStart = false;
  // Start, RequestStop and Reap come from one thread (the window's, or the
  // tool's main thread), never from the drawing thread it joins. The posts may
  // also come from the drawing thread's sink: m_pThread cannot go meanwhile,
  // since the join waits for that very thread.
  ThreadAffinity m_owner;
};
