// The console lock and its owner checks: one mutex that the thread holding it may take again,
// so a batch of writes and every operation inside it share one lock round-trip. The fast paths
// are inline because every console write passes through them.
//
//     Lock.Enter();                       // takes the mutex, or one level deeper
//     ...
//     if (Lock.Leave()) { ...; Lock.Unlock(); }   // the outermost level finishes, then unlocks
#pragma once

#include <atomic>
#include <mutex>

class TConsoleLock {
 public:
  bool HeldByMe() const { return Owner.load(std::memory_order_relaxed) == ThreadTag(); }

  void Enter() {
    if (HeldByMe()) {
      ++Depth;
      return;
    }
    M.lock();
    Owner.store(ThreadTag(), std::memory_order_relaxed);
    Depth = 1;
  }
  // One level out. True when that was the outermost level: the lock is still held so the
  // holder can finish its batch, and must then call Unlock.
  bool Leave() { return --Depth == 0; }
  void Unlock() {
    Owner.store(nullptr, std::memory_order_relaxed);
    M.unlock();
  }

  // For a holder about to sleep: the depth it held, now reduced to the outermost level so
  // that Leave ends the batch; 0 when the calling thread does not hold the lock.
  int Flatten() {
    if (!HeldByMe()) return 0;
    const int Held = Depth;
    Depth = 1;
    return Held;
  }
  // After the sleep: the lock taken again at the depth Flatten gave.
  void Restore(int Held) {
    Enter();
    Depth = Held;
  }

  // The mutex for a thread that only needs it for a moment and may already hold it (the
  // composer, the blink timer): the returned guard owns the mutex unless the caller held it.
  std::unique_lock<std::mutex> HoldIfNotMine() {
    std::unique_lock<std::mutex> Guard(M, std::defer_lock);
    if (!HeldByMe()) Guard.lock();
    return Guard;
  }
  std::mutex& Mutex() { return M; }

 private:
  // An address unique to the calling thread: reading it costs no call, unlike asking the
  // thread library who we are.
  static const void* ThreadTag() {
    static thread_local char Byte;
    return &Byte;
  }

  std::mutex M;
  std::atomic<const void*> Owner{nullptr};
  int Depth = 0;   // touched only by the holder
};
