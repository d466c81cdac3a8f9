#include "render/RunMailbox.h"

#include <algorithm>

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

bool RunMailbox::Wait(std::initializer_list<RunMessage> wanted, const std::atomic<int>& state,
                      int runState, RunMessage* got) {
  const auto isWanted = [&](RunMessage message) {
    return std::find(wanted.begin(), wanted.end(), message) != wanted.end();
  };
  std::unique_lock lock(m_mutex);
  for (;;) {
    m_wake.wait(lock, [&] { return state.load() != runState || !m_queue.empty(); });
    if (state.load() != runState) return false;
    bool found = false;
    for (RunMessage message : m_queue) {
      if (!isWanted(message)) continue;
      // The enumeration's order is the order of precedence.
      if (!found || message < *got) *got = message;
      found = true;
    }
    m_queue.clear();
    if (found) return true;
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
