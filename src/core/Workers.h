// The worker threads of one sampling run: made when the run starts, joined
// before it returns.
#pragma once

#include <functional>

// One worker per hardware thread, at least 1.
int DefaultWorkerCount();

// Runs work(worker) for worker = 0..count-1, each on a thread of its own, and
// returns when all have returned. The calling thread is worker 0. When the
// system refuses a thread, the workers made so far do the job alone (work must
// not rely on a particular worker count); the return value is the number that
// ran. An exception from any worker is rethrown here once all have returned.
int RunWorkers(int count, const std::function<void(int worker)>& work);
