// Shared pieces of the rendering tests: a context probe, a sink that keeps
// every presented frame, one-shot renders and pixel counting.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/Formula.h"
#include "core/ParaData.h"
#include "render/FrameSink.h"
#include "render/RunController.h"

// True when this machine can make an off-screen OpenGL compatibility context.
bool EglAvailable();

#define REQUIRE_GL_CONTEXT()                                                  \
  do {                                                                        \
    if (!EglAvailable()) GTEST_SKIP() << "no off-screen OpenGL context here"; \
  } while (false)

class CapturingSink : public FrameSink {
 public:
  bool Present(const Frame& frame) override;
  void Ended() override;

  // Waits until `count` frames have been presented or the run has ended;
  // false if the run ended first. A generous safety limit turns a hang into a
  // failure instead of a stuck test run.
  bool WaitForFrames(std::size_t count);
  // Waits until a presented frame satisfies `match`; false if the run ended or
  // the safety limit passed.
  bool WaitForFrame(const std::function<bool(const Frame&)>& match);
  std::size_t Count() const;
  Frame Last() const;
  Frame At(std::size_t index) const;
  bool HasEnded() const;

  // When set, Present fails from this frame number on (0-based).
  std::size_t m_failFrom = static_cast<std::size_t>(-1);

 private:
  mutable std::mutex m_mutex;
  std::condition_variable m_changed;
  std::vector<Frame> m_frames;
  bool m_ended = false;
};

// A parameter set for small, quick pictures.
CParaData SmallPara(int style, const std::string& formula = DEFAULT_FORMULA, int mesh = 16);

// Runs one whole run and returns its first presented frame; *ok is false when
// the run ended without one.
Frame RenderFirstFrame(const CParaData& para, int width, int height, bool* ok,
                       ListBuild build = ListBuild::RowArrays);

using RGB = std::array<std::uint8_t, 3>;
RGB PixelAt(const Frame& frame, int x, int y);
std::size_t CountPixels(const Frame& frame, const std::function<bool(const RGB&)>& match);
std::size_t CountDifferent(const Frame& a, const Frame& b);
bool Near(const RGB& a, const RGB& b, int tolerance = 1);
