// The console lock as the console uses it: the end of a batch (publish the overlays, let go,
// wake a sleeping window thread) and letting the picture go on while a holder sleeps.
#include "console/console.h"

void TSDLConsole::EndBatch() {
  Publish();
  Lock.Unlock();
  // A window thread asleep because nothing was due must see this batch's changes.
  if (VideoPtr && ChangedFlag.load(std::memory_order_relaxed)) VideoPtr->Wake();
}

TSDLConsole::TWaitOutsideLock::TWaitOutsideLock(const TSDLConsole& Con)
    : C(const_cast<TSDLConsole&>(Con)), SavedDepth(C.Lock.Flatten()) {
  if (SavedDepth != 0) C.Release();
}

TSDLConsole::TWaitOutsideLock::~TWaitOutsideLock() {
  if (SavedDepth != 0) C.Lock.Restore(SavedDepth);
}
