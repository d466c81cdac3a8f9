#include "render/RunMailbox.h"

void RunMailbox::Post(RunMessage message) {
  {
    std::lock_guard lock(m_mutex);
    m_queue.push_back(message);
  }
  m_wake.notify_one();
}

void RunMailbox::Wake() {
  { std::lock_guard lock(m_mutex); }
  m_wake.notify_one();
}

bool RunMailbox::Wait(RunMessage wanted, const std::atomic<int>& state, int runState) {
  std::unique_lock lock(m_mutex);
  for (;;) {
    m_wake.wait(lock, [&] { return state.load() != runState || !m_queue.empty(); });
    if (state.load() != runState) return false;
    const RunMessage message = m_queue.front();
    m_queue.pop_front();
    if (message == wanted) {
      m_queue.clear();
      return true;
    }
  }
}

std::size_t RunMailbox::Pending() const {
  std::lock_guard lock(m_mutex);
  return m_queue.size();
}

void RunMailbox::Clear() {
  std::lock_guard lock(m_mutex);
  m_queue.clear();
}
