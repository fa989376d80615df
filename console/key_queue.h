// The key and mouse input queue: a ring of keys with one producer (the video thread, or
// tests and macros on the main thread when there is no window) and one consumer (the main
// thread), and the sleep of a waiting reader until a key, a mouse press or the end comes.
//
//     Queue.Push(27);                                      // producer
//     if (Queue.Wait(100, Stop, [&] { return Queue.Pressed(); })) Queue.TryRead(Ch);
//
// Neither side takes a lock to move a byte; the waiters' mutex only guards the sleep.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

class TKeyQueue {
 public:
  static constexpr uint32_t Size = 128;
  // An entry is a key byte, or a typed character (its code point with TextFlag set). Typed
  // text stays Unicode here: its reader knows which character set it goes out in.
  static constexpr uint32_t TextFlag = 0x80000000u;

  // The 129th unread entry empties the queue and is kept alone: nobody is reading.
  void Push(uint32_t Entry);
  bool Pressed() const;
  // The next entry, when one is there.
  bool TryRead(uint32_t& Entry);
  // Looks through the unread bytes for the plain key Ch (the second byte of an extended key
  // does not count): when found, it and every byte before it are read and true comes back;
  // otherwise nothing is read.
  bool Take(uint8_t Ch);

  // Sleeps until Done() holds (true), Stop is set or Milliseconds have passed (false); a
  // negative time waits until one of the first two. Wakes by itself every 100 ms to look at
  // Stop, so a flag set without Wake still ends the wait.
  template <typename Pred>
  bool Wait(int Milliseconds, const std::atomic<bool>& Stop, Pred Done);
  // Every sleeper looks again (new input, or Stop set).
  void Wake();

 private:
  // Positions count up without wrapping back; ResetAt marks the first byte still valid.
  std::array<std::atomic<uint32_t>, Size> Buf{};
  std::atomic<uint32_t> Write{0};
  std::atomic<uint32_t> Read{0};
  std::atomic<uint32_t> ResetAt{0};
  // Sleepers; the producer signals only when there are some.
  std::mutex WaitMutex;
  std::condition_variable Signal;
  std::atomic<int> Waiters{0};

  uint32_t FirstUnread(uint32_t Reset) const;
};
