#include "render/FrameSink.h"

bool LatestFrameSink::Present(const Frame& frame) {
  std::lock_guard lock(m_mutex);
  m_last = frame;
  ++m_count;
  m_changed.notify_all();
  return true;
}

void LatestFrameSink::Ended() {
  std::lock_guard lock(m_mutex);
  m_ended = true;
  m_changed.notify_all();
}

bool LatestFrameSink::WaitForFrames(std::size_t count) {
  std::unique_lock lock(m_mutex);
  m_changed.wait(lock, [&] { return m_count >= count || m_ended; });
  return m_count >= count;
}

std::size_t LatestFrameSink::Count() {
  std::lock_guard lock(m_mutex);
  return m_count;
}

Frame LatestFrameSink::Last() {
  std::lock_guard lock(m_mutex);
  return m_last;
}
