// The drawing thread's message queue: rotate and tick messages from the
// user-interface side, and the wake-up that goes with a change of run state.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>

enum class RunMessage {
  Rotate,  // an angle in g_ShareData changed; mesh and contour redraw
  Tick,    // the 200 ms timer; the solids turn
};

class RunMailbox {
 public:
  // Any thread. Queues a message and wakes the drawing thread.
  void Post(RunMessage message);
  // Any thread, after it has stored a new run state: wakes the drawing thread
  // so that it sees the state. Taking the mutex before notifying closes the
  // gap between the waiter's test of the state and its sleep.
  void Wake();

  // Drawing thread only. Blocks until a message of kind `wanted` arrives or
  // the state leaves runState; never polls. Messages of another kind are
  // dropped; once a wanted one is taken, everything still queued is dropped
  // too, so a burst of messages costs one redraw. False when the state left
  // runState (checked before any message, so a stop wins over a full queue).
  bool Wait(RunMessage wanted, const std::atomic<int>& state, int runState);

  std::size_t Pending() const;
  // Between runs only.
  void Clear();

 private:
  mutable std::mutex m_mutex;
  std::condition_variable m_wake;
  std::deque<RunMessage> m_queue;
};
