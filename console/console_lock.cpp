// The console lock as the console uses it: the end of a batch (publish the cursor and blink
// settings for the composer, let go, wake a sleeping window thread) and letting the picture go
// on while a holder sleeps.
#include "console/console.h"

// Hands the main thread's cursor and blink settings to the composer; runs under the lock.
void TSDLConsole::Publish() {
  if (ShownCursorX != CursorX || ShownCursorY != CursorY || ShownCursorHidden != CursorHidden ||
      ShownBlinkEnabled != BlinkEnabled || ShownSelectionAttr != SelectionAttr) {
    ShownSelectionAttr = SelectionAttr;
    ShownCursorX = CursorX;
    ShownCursorY = CursorY;
    ShownCursorHidden = CursorHidden;
    ShownBlinkEnabled = BlinkEnabled;
    ChangedFlag.store(true, std::memory_order_release);
  }
}

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
