#include "render/DrawingRun.h"

#include <algorithm>
#include <mutex>
#include <new>

#include "core/ShareData.h"
#include "render/RunController.h"

namespace {

// Keeps the newest picture for the window's thread. Present copies under a
// short lock and posts at most one notice until the picture is taken, so the
// drawing thread never waits for the window and a slow window costs memory
// for one picture only.
class LatestFrameSlot : public FrameSink {
 public:
  explicit LatestFrameSlot(DrawingRunListener* listener) : m_pListener(listener) {}

  bool Present(const Frame& frame) override {
    bool notify = false;
    {
      std::lock_guard lock(m_mutex);
      try {
        m_frame.rgba.assign(frame.rgba.begin(), frame.rgba.end());
        m_frame.depth.assign(frame.depth.begin(), frame.depth.end());
      } catch (const std::bad_alloc&) {
        return false;
      }
      m_frame.width = frame.width;
      m_frame.height = frame.height;
      m_frame.coarse = frame.coarse;
      m_frame.projection = frame.projection;
      m_frame.modelView = frame.modelView;
      m_frame.fit = frame.fit;
      notify = !m_bWaiting;
      m_bWaiting = true;
      ++m_nPresented;
    }
    if (notify) m_pListener->FrameReady();
    return true;
  }

  void Ended() override { m_pListener->RunEnded(); }

  std::uint64_t Presented() {
    std::lock_guard lock(m_mutex);
    return m_nPresented;
  }

  bool Take(Frame& frame) {
    std::lock_guard lock(m_mutex);
    if (!m_bWaiting) return false;
    // Swapping hands the buffers back and forth instead of allocating anew.
    std::swap(frame, m_frame);
    m_bWaiting = false;
    return true;
  }

 private:
  DrawingRunListener* m_pListener;
  std::mutex m_mutex;
  Frame m_frame;
  bool m_bWaiting = false;
  std::uint64_t m_nPresented = 0;
};

}  // namespace

class DrawingRun::Impl {
 public:
  // The window's thread shares the cores with the run: the run yields to it.
  explicit Impl(DrawingRunListener* listener) : slot(listener) {
    controller.SetYieldToWindow(true);
  }
  // The controller joins in its destructor, so it goes before the slot.
  LatestFrameSlot slot;
  RunController controller;
};

DrawingRun::DrawingRun(DrawingRunListener* listener) : m_pImpl(std::make_unique<Impl>(listener)) {}

DrawingRun::~DrawingRun() = default;

StartResult DrawingRun::Start(const CParaData& para, int width, int height, CFormula* formula,
                              const RunOptions& options) {
  // Until Reap, even when the thread has already ended: its end notice is
  // still on the way, and the Reap it brings would join the next run's thread
  // and wait for a stop that only this caller can give.
  if (Busy()) return StartResult::AlreadyRunning;
  // A picture of the last run that was never taken is not the next one's. It
  // goes while no thread exists: after the start it could be the new run's
  // first picture, presented at once by a small run.
  Frame stale;
  m_pImpl->slot.Take(stale);
  const StartResult result = m_pImpl->controller.Start(para, ClientRect{0, 0, width, height},
                                                       formula, &m_pImpl->slot, options);
  if (result == StartResult::Started) m_nProgressMax = ProgressMaxFor(para.m_nMesh);
  return result;
}

void DrawingRun::RequestStop() { m_pImpl->controller.RequestStop(); }

void DrawingRun::Reap() { m_pImpl->controller.Reap(); }

bool DrawingRun::Busy() const { return m_pImpl->controller.Busy(); }

void DrawingRun::Rotate() { m_pImpl->controller.PostRotate(); }

void DrawingRun::SetZoom(double zoom) {
  // No thread reads the zoom between runs: Start hands the next one its own.
  if (!Busy()) return;
  g_ShareData.SetZoom(zoom);
  m_pImpl->controller.PostRotate();
}

void DrawingRun::SetAids(bool axes, bool extremes) {
  if (!Busy()) return;
  g_ShareData.SetAids(axes, extremes);
  m_pImpl->controller.PostRotate();
}

void DrawingRun::Drag() { m_pImpl->controller.PostDrag(); }

void DrawingRun::Tick() { m_pImpl->controller.PostTick(); }

bool DrawingRun::Resample(const CParaData& para, bool coarse) {
  return m_pImpl->controller.PostResample(para, coarse);
}

ResampleFault DrawingRun::ResampleProblem() const { return m_pImpl->controller.ResampleProblem(); }

int DrawingRun::Progress() const {
  // A surface run counts 2 per row over N + 1 rows, one more than the range.
  return std::clamp(g_ShareData.m_nProgress.load(), 0, m_nProgressMax);
}

bool DrawingRun::TakeFrame(Frame& frame) { return m_pImpl->slot.Take(frame); }

std::uint64_t DrawingRun::FramesPresented() const { return m_pImpl->slot.Presented(); }

const char* DrawingRun::LastErrorText() const { return m_pImpl->controller.LastErrorText(); }

RunProblem DrawingRun::LastProblem() const { return m_pImpl->controller.LastProblem(); }

void DrawingRun::FailNextStartForTesting() { m_pImpl->controller.FailNextStartForTesting(); }
