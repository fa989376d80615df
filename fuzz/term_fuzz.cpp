// Arbitrary received bytes through the emulator on the smallest and largest
// screens, with and without a status line and a scroll region.
#include <cstddef>
#include <cstdint>

#include "console/console.h"
#include "console/scrollback.h"
#include "term/term_ansi.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < 2) return 0;
  // First byte: set-up; second: where the block is split in two.
  const uint8_t Setup = Data[0];
  const size_t Split = Data[1];
  Data += 2;
  Size -= 2;

  const bool Large = Setup & 1;
  TSDLConsoleScrollback Console;
  Console.OpenScreen(Large ? 160 : 80, Large ? 60 : 25, 1);
  Console.StatusLine = (Setup & 2) != 0;
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
