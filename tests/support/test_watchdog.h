#pragma once
// Bounded waits for tests. TWatchdog ends a wait that would hang a test: when Stop() has not
// come within the limit, Rescue runs (under Guard(), typically closing the console) and Stop()
// then reports that it had to.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class TWatchdog {
 public:
  TWatchdog(std::chrono::milliseconds Limit, std::function<void()> Rescue)
      : Thread([this, Limit, Rescue = std::move(Rescue)] {
          std::unique_lock L(Mutex);
          if (Wake.wait_for(L, Limit, [this] { return Done; })) return;
          Fired = true;
          Rescue();
        }) {}
  ~TWatchdog() { Stop(); }
  TWatchdog(const TWatchdog&) = delete;
  TWatchdog& operator=(const TWatchdog&) = delete;
  // True when the rescue had to run.
  bool Stop() {
    {
      std::lock_guard L(Mutex);
      Done = true;
    }
    Wake.notify_all();
    if (Thread.joinable()) Thread.join();
    return Fired;
  }
  std::mutex& Guard() { return Mutex; }

 private:
  std::mutex Mutex;
  std::condition_variable Wake;
  bool Done = false, Fired = false;
  std::thread Thread;  // last: starts once the members above exist
};

// Asks Done every 5 ms until it holds (true) or LimitMs pass (false).
inline bool WaitUntil(const std::function<bool()>& Done, int LimitMs) {
  const auto End = std::chrono::steady_clock::now() + std::chrono::milliseconds(LimitMs);
  for (; !Done(); std::this_thread::sleep_for(std::chrono::milliseconds(5)))
    if (std::chrono::steady_clock::now() > End) return false;
  return true;
}
