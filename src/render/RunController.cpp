#include "render/RunController.h"

RunController::~RunController() { Stop(); }

bool RunController::Start(const CParaData& para, const ClientRect& client, CFormula* formula,
                          FrameSink* sink, PFN_EVALUATE evaluate) {
  if (IsRunning()) return false;
  if (para.m_nDrawStyle < STYLE_MESH || para.m_nDrawStyle > STYLE_CONTOUR) return false;
  // A thread that ended by itself has set DS_IDLE and is finishing; reap it
  // before g_ShareData is written for the next one.
  Stop();

  // No drawing thread exists here, so g_ShareData may be written freely.
  g_ShareData.m_para = para;
  g_ShareData.m_clientRect = client;
  g_ShareData.m_pFormula = formula;
  g_ShareData.m_pfnEval = evaluate;
  g_ShareData.m_nProgress.store(0);
  // The run state is in place before the thread exists, so its first test
  // already sees the run's value.
  g_ShareData.m_nState.store(para.m_nDrawStyle == STYLE_CONTOUR ? DS_RUN_CONTOUR : DS_RUN_SURFACE);
  // Messages left from the last run mean nothing to this one.
  m_mailbox.Clear();
  m_pThread = std::make_unique<CThreadDrawOpenGL>(sink, &m_mailbox);
  m_pThread->SetListBuild(m_listBuild);
  m_pThread->Begin();
  return true;
}

void RunController::Post(RunMessage message) {
  // Messages go only to a running thread, as the timer and the rotation
  // buttons post only while the state says so.
  if (m_pThread != nullptr && IsRunning()) m_mailbox.Post(message);
}

void RunController::PostRotate() { Post(RunMessage::Rotate); }

void RunController::PostTick() { Post(RunMessage::Tick); }

void RunController::Stop() {
  if (m_pThread == nullptr) return;
  // Only a running state becomes DS_STOP: if the thread has just written
  // DS_IDLE on its own, that must stay.
  int state = g_ShareData.m_nState.load();
  while (::IsRunning(state) && !g_ShareData.m_nState.compare_exchange_weak(state, DS_STOP)) {
  }
  // The thread may be asleep in its mailbox; the wake makes it test the state.
  m_mailbox.Wake();
  m_pThread->Join();
  // Joined: the thread's last act, storing DS_IDLE, has happened.
  m_pszLastError = m_pThread->ErrorText();
  m_pThread.reset();
}

bool RunController::IsRunning() const { return ::IsRunning(g_ShareData.m_nState.load()); }

std::uint64_t RunController::ListCalls() const {
  return m_pThread != nullptr ? m_pThread->ListCalls() : 0;
}

std::thread::native_handle_type RunController::NativeHandle() {
  return m_pThread != nullptr ? m_pThread->NativeHandle() : std::thread::native_handle_type{};
}
