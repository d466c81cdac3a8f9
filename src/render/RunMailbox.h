// The drawing thread's message queue: rotate and tick messages from the
// user-interface side, and the wake-up that goes with a change of run state.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <initializer_list>
#include <mutex>

// In the order they win over each other when several are queued.
enum class RunMessage {
  Rotate,  // the angles or the zoom in g_ShareData changed: redraw the full picture
  Drag,    // the angles changed under a held mouse button: redraw coarsely
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

  // Drawing thread only. Blocks until a message of a `wanted` kind arrives or
  // the state leaves runState; never polls. Then the whole queue goes, and the
  // wanted message that wins is stored in *got (Rotate over Drag over Tick):
  // a burst costs one redraw, and a release after a drag is never lost under
  // the drag's own messages. Messages of other kinds are dropped. False when
  // the state left runState (checked before any message, so a stop wins over
  // a full queue).
  bool Wait(std::initializer_list<RunMessage> wanted, const std::atomic<int>& state, int runState,
            RunMessage* got);

  std::size_t Pending() const;
  // Between runs only.
  void Clear();

 private:
  mutable std::mutex m_mutex;
  std::condition_variable m_wake;
  std::deque<RunMessage> m_queue;
};
