#include "core/Workers.h"

#include <exception>
#include <mutex>
#include <thread>
#include <vector>

int DefaultWorkerCount() {
  const unsigned hardware = std::thread::hardware_concurrency();
  return hardware == 0 ? 1 : static_cast<int>(hardware);
}

int RunWorkers(int count, const std::function<void(int worker)>& work) {
  // An exception leaving a thread's function ends the process, and one leaving
  // the caller's share would skip the joins, which ends it too: each share is
  // caught, every thread joined, and the first failure passed on after.
  std::mutex failureMutex;
  std::exception_ptr failure;
  auto guarded = [&](int worker) {
    try {
      work(worker);
    } catch (...) {
      std::lock_guard lock(failureMutex);
      if (failure == nullptr) failure = std::current_exception();
    }
  };
  std::vector<std::thread> threads;
  try {
    if (count > 1) threads.reserve(static_cast<std::size_t>(count - 1));
    for (int worker = 1; worker < count; ++worker) threads.emplace_back(guarded, worker);
  } catch (...) {
    // No memory or no thread to be had: the workers made so far do the job.
  }
  guarded(0);
  for (std::thread& thread : threads) thread.join();
  if (failure != nullptr) std::rethrow_exception(failure);
  return static_cast<int>(threads.size()) + 1;
}
