#include "core/SamplePool.h"

#include <system_error>
#include <thread>
#include <vector>

int DefaultWorkerCount() {
  const unsigned hardware = std::thread::hardware_concurrency();
  return hardware == 0 ? 1 : static_cast<int>(hardware);
}

int RunWorkers(int count, const std::function<void(int worker)>& work) {
  std::vector<std::thread> threads;
  if (count > 1) threads.reserve(static_cast<std::size_t>(count - 1));
  for (int worker = 1; worker < count; ++worker) {
    try {
      threads.emplace_back(work, worker);
    } catch (const std::system_error&) {
      break;
    }
  }
  work(0);
  for (std::thread& thread : threads) thread.join();
  return static_cast<int>(threads.size()) + 1;
}
