// Files dropped on the window. The video thread hands each path to an inbox; the main thread
// takes them out and puts them in the upload queue, so the queue is only ever touched by the
// main thread. While a transfer runs the inbox refuses drops.
#pragma once

#include <mutex>
#include <string>
#include <vector>

struct TAppContext;

class TDropInbox {
 public:
  // More paths than the queue could ever hold are not kept.
  static constexpr size_t MaxPending = 200;

  // Video thread. Ignored while switched off or full.
  void Push(const std::string& Path);
  // Main thread: everything dropped since the last call.
  std::vector<std::string> Take();
  // Off for the duration of a transfer; what arrives meanwhile is ignored.
  void SetAccepting(bool On);
  bool Accepting() const;

 private:
  mutable std::mutex Mutex;
  std::vector<std::string> Paths;
  bool On = true;
};

// Switches the inbox off for a scope (a transfer) and on again afterwards.
class TDropsOff {
 public:
  explicit TDropsOff(TDropInbox& I) : Inbox(I) { Inbox.SetAccepting(false); }
  ~TDropsOff() { Inbox.SetAccepting(true); }
  TDropsOff(const TDropsOff&) = delete;
  TDropsOff& operator=(const TDropsOff&) = delete;

 private:
  TDropInbox& Inbox;
};

// Main thread: queues the dropped files (regular files only, each at most once); returns how
// many were added.
int TakeDroppedFiles(TAppContext& App);
// Installs the hand-over as the console's drop handler; called before the window opens.
void InstallDropHandler(TAppContext& App);
