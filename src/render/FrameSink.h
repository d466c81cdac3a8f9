// Where the drawing thread's finished pictures go: the view, the command-line
// tool, a test.
#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "core/Fit.h"

// One presented picture of the client size: 4 bytes per pixel (red, green,
// blue, alpha = 255), rows top first.
struct Frame {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgba;
  // Drawn quickly while the mouse drags or a slider moves: from every k-th
  // grid line when N is above 100, and without the depth below, to keep up.
  // The full picture follows when the drag ends or the values rest.
  bool coarse = false;
  // The depth of each pixel (0 near .. 1 far, 1 where nothing was drawn),
  // rows top first; empty for a coarse picture. With the matrices the
  // picture was drawn with (column-major, as GL keeps them), it tells which
  // point of the model a pixel shows.
  std::vector<float> depth;
  std::array<float, 16> projection{};
  std::array<float, 16> modelView{};
  // The width the picture's lines were drawn with, in pixels.
  float lineWidth = 1.0f;
  // The fit the heights were drawn with; none when the Z coefficient scaled them.
  std::optional<SurfaceFit> fit;

  const std::uint8_t* Pixel(int x, int y) const {
    return rgba.data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                          static_cast<std::size_t>(x)) *
                             4;
  }
};

// Called on the drawing thread only. Implementations must not block on the
// run's controller (Stop joins this very thread).
class FrameSink {
 public:
  virtual ~FrameSink() = default;
  // False: the picture could not be shown; the display loop ends as after a
  // failed buffer swap.
  virtual bool Present(const Frame& frame) = 0;
  // The thread has finished its run, by a stop or by itself (for example when
  // no context could be made). The state is still the run's value here; it
  // becomes DS_IDLE right after, and the owner must still call Stop() to join.
  virtual void Ended() {}
};

// Keeps the last presented frame and lets another thread wait for the n-th one
// or for the end of the run, whichever comes first. Used by the command-line
// tool and the benchmarks.
class LatestFrameSink : public FrameSink {
 public:
  bool Present(const Frame& frame) override;
  void Ended() override;
  // False when the run ended before `count` frames were presented.
  bool WaitForFrames(std::size_t count);
  std::size_t Count();
  Frame Last();

 private:
  std::mutex m_mutex;
  std::condition_variable m_changed;
  Frame m_last;
  std::size_t m_count = 0;
  bool m_ended = false;
};
