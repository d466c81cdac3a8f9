// The drawing thread's message queue: rotate, drag, tick and resample
// messages from the user-interface side, and the wake-up that goes with a
// change of run state.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <initializer_list>
#include <mutex>

#include "core/ParaData.h"

// In the order they win over each other when several are queued.
enum class RunMessage {
  Resample,  // new values for the running picture (ResampleRequest): sampled and drawn again
  Rotate,    // the angles or the zoom in g_ShareData changed: redraw the full picture
  Drag,      // the angles changed under a held mouse button: redraw coarsely
  Tick,      // the 200 ms timer; the solids turn
};

// New values for the running picture. Taken from para: the formula and its
// parameters, the mesh count, the range, the Z coefficient, the 0/0 value
// and the contour interval. Not taken: the angles (g_ShareData's are), and
// how the picture looks (style, shading, hidden lines, perspective,
// background), for which the window starts a new run. coarse: drawn from at
// most 100 cells a side, quickly, while the user is still moving something;
// the full picture follows with a resample that is not coarse.
struct ResampleRequest {
  CParaData para;
  bool coarse = false;
};

// Why a resample left the picture before it on display; the run goes on.
enum class ResampleFault {
  None,
  FormulaRefused,       // the formula does not compile
  NoGrid,               // the mesh count is refused, or there is no memory for the grid
  NothingToDraw,        // with the fit on, no value of the formula is finite
  TooManyContourLines,  // the interval is too small for the new range of values
};
// The window's text for a problem; "" for None.
const char* ResampleFaultMessage(ResampleFault fault);

class RunMailbox {
 public:
  // Any thread. Queues a message other than Resample and wakes the drawing
  // thread.
  void Post(RunMessage message);
  // Any thread. Puts the request in the one resample slot, replacing one
  // still pending there, so that the thread draws only the newest; wakes the
  // thread. The slot is assigned to, not made anew, so once its strings have
  // grown to size a post allocates nothing.
  void PostResample(const CParaData& para, bool coarse);
  // Any thread, after it has stored a new run state: wakes the drawing thread
  // so that it sees the state. Taking the mutex before notifying closes the
  // gap between the waiter's test of the state and its sleep.
  void Wake();

  // Drawing thread only. Blocks until a message of a `wanted` kind arrives or
  // the state leaves runState; never polls. Then the whole queue goes, and the
  // wanted message that wins is stored in *got (Resample over Rotate over Drag
  // over Tick): a burst costs one redraw, and a release after a drag is never
  // lost under the drag's own messages. A resample's redraw takes the angles
  // and the zoom as they are, so it answers the others too. A winning
  // resample is swapped into *resample, whose buffers go back to the slot for
  // the next post. Messages of other kinds are dropped. False when the state
  // left runState (checked before any message, so a stop wins over a full
  // queue).
  bool Wait(std::initializer_list<RunMessage> wanted, const std::atomic<int>& state, int runState,
            RunMessage* got, ResampleRequest* resample = nullptr);

  std::size_t Pending() const;
  // Between runs only.
  void Clear();

 private:
  mutable std::mutex m_mutex;
  std::condition_variable m_wake;
  std::deque<RunMessage> m_queue;
  ResampleRequest m_resample;
  bool m_bResamplePending = false;
};
