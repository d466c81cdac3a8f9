// Shared pieces of the rendering tests: a context probe, a capturing sink,
// one-shot renders and pixel counting.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/Formula.h"
#include "core/ParaData.h"
#include "render/DrawingRun.h"
#include "render/FrameSink.h"
#include "render/RunController.h"

// True when this machine can make an off-screen OpenGL compatibility context.
bool EglAvailable();

#define REQUIRE_GL_CONTEXT()                                                  \
  do {                                                                        \
    if (!EglAvailable()) GTEST_SKIP() << "no off-screen OpenGL context here"; \
  } while (false)

// Keeps every presented frame. The waits give false when the run ended first;
// a generous safety limit turns a hang into a failure, not a stuck test run.
class CapturingSink : public FrameSink {
 public:
  bool Present(const Frame& frame) override {
    if (m_onPresent) m_onPresent(Count());
    std::lock_guard lock(m_mutex);
    m_frames.push_back(frame);
    m_changed.notify_all();
    return m_frames.size() <= m_failFrom;
  }
  void Ended() override {
    std::lock_guard lock(m_mutex);
    m_ended = true;
    m_changed.notify_all();
  }
  bool WaitForFrames(std::size_t count) {
    return Wait([&] { return m_frames.size() >= count; });
  }
  bool WaitForLatest(const std::function<bool(const Frame&)>& match) {
    return Wait([&] { return !m_frames.empty() && match(m_frames.back()); });
  }
  std::size_t Count() const {
    std::lock_guard lock(m_mutex);
    return m_frames.size();
  }
  Frame At(std::size_t index) const {
    std::lock_guard lock(m_mutex);
    return index < m_frames.size() ? m_frames[index] : Frame{};
  }
  bool HasEnded() const {
    std::lock_guard lock(m_mutex);
    return m_ended;
  }

  std::size_t m_failFrom = static_cast<std::size_t>(-1);  // Present fails from this frame on
  std::function<void(std::size_t)> m_onPresent;  // on the drawing thread, with the frame number

 private:
  bool Wait(const std::function<bool()>& done) {
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, std::chrono::seconds(60), [&] { return done() || m_ended; });
    return done();
  }
  mutable std::mutex m_mutex;
  std::condition_variable m_changed;
  std::vector<Frame> m_frames;
  bool m_ended = false;
};

// Counts a DrawingRun's notices as a window's message queue would receive them.
class CountingListener : public DrawingRunListener {
 public:
  void FrameReady() override;
  void RunEnded() override;
  // Until done() holds, called under the lock; false after a minute without.
  bool WaitUntil(const std::function<bool()>& done);
  template <typename T>
  T Read(const T& member) {
    std::lock_guard lock(m_mutex);
    return member;
  }
  // Written under the lock: read them through Read() or in WaitUntil().
  int m_nFrames = 0, m_nEnded = 0;
  std::chrono::steady_clock::time_point m_endedAt;  // of the last end
  std::atomic<int> m_nRunNice{INT_MIN};  // the drawing thread's niceness at its last picture

 private:
  std::mutex m_mutex;
  std::condition_variable m_changed;
};

CParaData SmallPara(int style, const std::string& formula = DEFAULT_FORMULA, int mesh = 16);
CFormula Compiled(const std::string& text);

// One run of the drawing thread with its own formula and sink.
struct TestRun {
  explicit TestRun(const CParaData& runPara)
      : para(runPara), formula(Compiled(para.m_strFormula)) {}
  StartResult Begin(int width = 32, int height = 32) {
    return controller.Start(para, ClientRect{0, 0, width, height}, &formula, &sink);
  }
  // Starts and waits for the first picture.
  bool Start(int width = 32, int height = 32) {
    return Begin(width, height) == StartResult::Started && sink.WaitForFrames(1);
  }
  CParaData para;
  CFormula formula;
  CapturingSink sink;
  RunController controller;
};

// The first frame of one whole run; a failure is recorded (and the frame is
// empty) when the run presented none.
Frame Render(const CParaData& para, int width = 96, int height = 72);

using RGB = std::array<std::uint8_t, 3>;
RGB PixelAt(const Frame& frame, int x, int y);
std::size_t CountPixels(const Frame& frame, const std::function<bool(const RGB&)>& match);
std::size_t CountDifferent(const Frame& a, const Frame& b);
bool Near(const RGB& a, const RGB& b, int tolerance = 1);
