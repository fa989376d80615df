// Arbitrary received bytes through the emulator on the smallest and largest
// screens, with and without a status line and a scroll region.
#include <cstddef>
#include <cstdint>

#include "console/console.h"
#include "console/scrollback.h"
#include "term/term_ansi.h"

namespace {

// Consoles are costly to build and open; each run blanks a shared one instead.
TSDLConsoleScrollback& SharedConsole(bool Large) {
  static TSDLConsoleScrollback Small;
  static TSDLConsoleScrollback Big;
  static const bool Opened = Small.OpenScreen(80, 25, 1) && Big.OpenScreen(160, 60, 1);
  (void)Opened;
  TSDLConsoleScrollback& C = Large ? Big : Small;
  C.StatusLine = false;
  C.ScrollbackEnabled = false;
  C.PendingWrap = false;
  C.CursorHidden = false;
  C.SetWindow(1, 1, C.Cols, C.Rows);
  C.SetTextAttr(7, true);
  C.ClearScreen(2);
  return C;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < 2) return 0;
  // First byte: set-up; second: where the block is split in two.
  const uint8_t Setup = Data[0];
  const size_t Split = Data[1];
  Data += 2;
  Size -= 2;

  const bool Large = Setup & 1;
  TSDLConsoleScrollback& Console = SharedConsole(Large);
  Console.StatusLine = (Setup & 2) != 0;
  if (Console.StatusLine) Console.SetWindow(1, 1, Console.Cols, Console.Rows - 1);
  Console.ScrollbackEnabled = (Setup & 4) != 0;
  Console.BlinkEnabled = (Setup & 8) != 0;

  TTermAnsi Term(Console);
  Term.FontSwitch = (Setup & 16) != 0 ? 1 : 0;
  Term.Font = (Setup & 32) != 0 ? 3 : 1;
  if (Setup & 64) {
    static const uint8_t Region[] = "\x1b[5;20r";
    Term.ProcessBuf(Region, sizeof Region - 1);
  }
  if (Setup & 128) {
    for (size_t I = 0; I < Size; ++I) Term.ProcessChar(Data[I]);
  } else {
    const size_t First = Split < Size ? Split : Size;
    Term.ProcessBuf(Data, First);
    Term.ProcessBuf(Data + First, Size - First);
  }
  return 0;
}
