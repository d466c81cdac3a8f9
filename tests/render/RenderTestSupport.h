// Shared pieces of the rendering tests: a context probe, a capturing sink,
// one-shot renders and pixel counting.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/Formula.h"
#include "core/ParaData.h"
#include "core/ShareData.h"
#include "render/DrawingRun.h"
#include "render/FrameSink.h"
#include "render/RunController.h"

// True when this machine can make an off-screen OpenGL compatibility context.
bool EglAvailable();

#define REQUIRE_GL_CONTEXT()                                                  \
  do {                                                                        \
    if (!EglAvailable()) GTEST_SKIP() << "no off-screen OpenGL context here"; \
  } while (false)

// A mutex and a condition for what the drawing thread reports; a wait gives
// up after a generous minute, so a hang fails instead of sticking the run.
class Notified {
 public:
  template <typename F>
  auto Locked(F read) const {
    std::lock_guard lock(m_mutex);
    return read();
  }
  bool WaitUntil(const std::function<bool()>& done) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::seconds(60), done);
  }

 protected:
  template <typename F>
  void Change(F change) {
    std::lock_guard lock(m_mutex);
    change();
    m_changed.notify_all();
  }

 private:
  mutable std::mutex m_mutex;
  std::condition_variable m_changed;
};

// Polls until done() holds, for at most a minute; whether it came to hold.
inline bool Eventually(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!done() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return done();
}

// Keeps every presented frame. The wait gives false when the run ended first.
class CapturingSink : public FrameSink, public Notified {
 public:
  bool Present(const Frame& frame) override {
    if (m_onPresent) m_onPresent(Count());
    Change([&] { m_frames.push_back(frame); });
    return Count() <= m_failFrom;
  }
  void Ended() override {
    Change([&] { m_ended = true; });
  }
  bool WaitForFrames(std::size_t count) {
    WaitUntil([&] { return m_frames.size() >= count || m_ended; });
    return Count() >= count;
  }
  std::size_t Count() const {
    return Locked([&] { return m_frames.size(); });
  }
  Frame At(std::size_t k) const {
    return Locked([&] { return k < m_frames.size() ? m_frames[k] : Frame{}; });
  }
  bool HasEnded() const {
    return Locked([&] { return m_ended; });
  }

  std::size_t m_failFrom = static_cast<std::size_t>(-1);  // Present fails from this frame on
  std::function<void(std::size_t)> m_onPresent;  // on the drawing thread, with the frame number

 private:
  std::vector<Frame> m_frames;
  bool m_ended = false;
};

// Counts a DrawingRun's notices as a window's message queue would receive them.
// The counts change under the lock: read them through Locked() or WaitUntil().
class CountingListener : public DrawingRunListener, public Notified {
 public:
  void FrameReady() override {
    Change([&] { ++m_nFrames; });
  }
  void RunEnded() override {
    Change([&] { ++m_nEnded; });
  }
  int m_nFrames = 0, m_nEnded = 0;
};

inline CParaData SmallPara(int style, const std::string& formula = DEFAULT_FORMULA, int mesh = 16) {
  CParaData para;
  para.m_nDrawStyle = style, para.m_strFormula = formula, para.m_nMesh = mesh;
  return para;
}

// One run of the drawing thread with its own formula and sink.
struct TestRun {
  explicit TestRun(const CParaData& runPara) : para(runPara), formula(CompileFormula(para)) {}
  StartResult Begin(int width = 32, int height = 32) {
    return controller.Start(para, ClientRect{0, 0, width, height}, &formula, &sink, options);
  }
  // Starts and waits for the first picture.
  bool Start(int width = 32, int height = 32) {
    return Begin(width, height) == StartResult::Started && sink.WaitForFrames(1);
  }
  CParaData para;
  CFormula formula;
  RunOptions options;
  CapturingSink sink;
  RunController controller;
};

// The first frame of one whole run; a failure is recorded (and the frame is
// empty) when the run presented none.
Frame Render(const CParaData& para, int width = 96, int height = 72,
             const RunOptions& options = {});

using RGB = std::array<std::uint8_t, 3>;
inline RGB PixelAt(const Frame& frame, int x, int y) {
  const std::uint8_t* p = frame.Pixel(x, y);
  return {p[0], p[1], p[2]};
}
inline std::size_t CountPixels(const Frame& frame, const std::function<bool(const RGB&)>& match) {
  std::size_t count = 0;
  for (std::size_t k = 0; k + 3 < frame.rgba.size(); k += 4)
    count += match(RGB{frame.rgba[k], frame.rgba[k + 1], frame.rgba[k + 2]}) ? 1 : 0;
  return count;
}
inline std::size_t CountDifferent(const Frame& a, const Frame& b) {
  if (a.width != b.width || a.height != b.height) return static_cast<std::size_t>(-1);
  std::size_t count = 0;
  for (std::size_t k = 0; k + 3 < a.rgba.size(); k += 4)
    count += std::equal(&a.rgba[k], &a.rgba[k + 3], &b.rgba[k]) ? 0 : 1;
  return count;
}
inline bool Near(const RGB& a, const RGB& b, int tolerance = 1) {
  for (int k = 0; k < 3; ++k)
    if (std::abs(int{a[k]} - int{b[k]}) > tolerance) return false;
  return true;
}
