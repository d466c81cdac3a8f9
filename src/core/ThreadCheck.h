// Asserts for the threading rules the comments state: an object that one
// thread owns records that thread on first use, and every later use checks
// it. Active where assertions are (the sanitizer build); free elsewhere.
#pragma once

#include <atomic>
#include <cassert>
#include <thread>

class ThreadAffinity {
 public:
  // True when called on the owning thread (the first one that asked).
  bool OnOwner() const {
    const std::thread::id self = std::this_thread::get_id();
    std::thread::id expected{};
    return m_owner.compare_exchange_strong(expected, self) || expected == self;
  }
  // Forgets the owner: the next thread to ask owns the object.
  void Release() { m_owner.store(std::thread::id{}); }

 private:
  mutable std::atomic<std::thread::id> m_owner{};
};

#define ORVEX_ASSERT_OWNER(affinity) assert((affinity).OnOwner())
