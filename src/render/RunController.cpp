#include "render/RunController.h"

#include <utility>

RunController::~RunController() { Stop(); }

StartResult RunController::Start(const CParaData& para, const ClientRect& client, CFormula* formula,
                                 FrameSink* sink, const RunOptions& options) {
  ORVEX_ASSERT_OWNER(m_owner);
  if (IsRunning() || (m_pThread != nullptr && !m_pThread->Finished())) {
    return StartResult::AlreadyRunning;
  }
  if (para.m_nDrawStyle < STYLE_MESH || para.m_nDrawStyle > STYLE_CONTOUR) {
    return StartResult::BadStyle;
  }
  // A thread that ended by itself has done its last act; reap it before
  // g_ShareData is written for the next one.
  Reap();

  // No drawing thread exists here, so g_ShareData may be written freely.
  g_ShareData.m_para = para;
  g_ShareData.m_clientRect = client;
  g_ShareData.m_pFormula = formula;
  g_ShareData.SetOptions(options);
  g_ShareData.m_nProgress.store(0);
  // The run state is in place before the thread exists, so its first test
  // already sees the run's value.
  g_ShareData.m_nState.store(para.m_nDrawStyle == STYLE_CONTOUR ? DS_RUN_CONTOUR : DS_RUN_SURFACE);
  // Messages left from the last run mean nothing to this one.
  m_mailbox.Clear();
  m_pThread = std::make_unique<CThreadDrawOpenGL>(sink, &m_mailbox);
  m_pThread->SetYieldToWindow(m_bYieldToWindow);
  m_pThread->LendGrid(std::move(m_grid));
  const bool failForTesting = std::exchange(m_bFailNextStart, false);
  if (failForTesting || !m_pThread->Begin()) {
    // No thread will ever write DS_IDLE, so the run must not be claimed.
    m_grid = m_pThread->ReturnGrid();
    m_pThread.reset();
    g_ShareData.m_nState.store(DS_IDLE);
    return StartResult::CouldNotStart;
  }
  return StartResult::Started;
}

void RunController::Post(RunMessage message) {
  // Messages go only to a running thread, as the timer and the rotation
  // buttons post only while the state says so.
  if (m_pThread != nullptr && IsRunning()) m_mailbox.Post(message);
}

void RunController::PostRotate() { Post(RunMessage::Rotate); }

void RunController::PostDrag() { Post(RunMessage::Drag); }

void RunController::PostTick() { Post(RunMessage::Tick); }

bool RunController::PostResample(const CParaData& para, bool coarse) {
  if (m_pThread == nullptr || !IsRunning()) return false;
  // The run's own set is not written while the run is on: reading it here
  // races with nothing.
  const CParaData& running = g_ShareData.m_para;
  const bool sameLook =
      para.m_nDrawStyle == running.m_nDrawStyle && para.m_bShading == running.m_bShading &&
      para.m_bHiddenLine == running.m_bHiddenLine &&
      para.m_bPerspective == running.m_bPerspective && para.m_nBackColor == running.m_nBackColor;
  if (!sameLook) return false;
  m_mailbox.PostResample(para, coarse);
  return true;
}

ResampleFault RunController::ResampleProblem() const {
  return m_pThread != nullptr ? m_pThread->ResampleProblem() : m_lastResampleFault;
}

void RunController::RequestStop() {
  ORVEX_ASSERT_OWNER(m_owner);
  if (m_pThread == nullptr) return;
  // Only a running state becomes DS_STOP: if the thread has just written
  // DS_IDLE on its own, or the window has written DS_LOADED, that must stay.
  int state = g_ShareData.m_nState.load();
  while (::IsRunning(state) && !g_ShareData.m_nState.compare_exchange_weak(state, DS_STOP)) {
  }
  // The thread may be asleep in its mailbox; the wake makes it test the state.
  m_mailbox.Wake();
}

void RunController::Reap() {
  ORVEX_ASSERT_OWNER(m_owner);
  if (m_pThread == nullptr) return;
  m_pThread->Join();
  // Joined: the thread's last act has happened.
  m_pszLastError = m_pThread->ErrorText();
  m_lastProblem = m_pThread->Problem();
  m_lastResampleFault = m_pThread->ResampleProblem();
  m_grid = m_pThread->ReturnGrid();
  m_pThread.reset();
}

void RunController::Stop() {
  RequestStop();
  Reap();
}

bool RunController::IsRunning() const { return ::IsRunning(g_ShareData.m_nState.load()); }

std::uint64_t RunController::ListCalls() const {
  return m_pThread != nullptr ? m_pThread->ListCalls() : 0;
}

std::thread::native_handle_type RunController::NativeHandle() {
  return m_pThread != nullptr ? m_pThread->NativeHandle() : std::thread::native_handle_type{};
}
