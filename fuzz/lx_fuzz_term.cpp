// Arbitrary received bytes through the emulator on the smallest and largest
// screens, with and without a status line and a scroll region, in both dialects
// and both character sets. The same bytes fed whole and split in two must leave
// the same screen.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "fuzz/fuzz_console.h"
#include "console/scrollback.h"
#include "term/term_ansi.h"

namespace {

template <int Slot>
TSDLConsoleScrollback& SharedConsole(bool Large) {
  TSDLConsoleScrollback& C = FreshConsole<TSDLConsoleScrollback, Slot>(Large);
  C.ScrollbackEnabled = false;
  C.ScrollbackCount = 0;
  return C;
}

void Run(TSDLConsoleScrollback& Console, uint8_t Setup, bool Utf8, const uint8_t* Data, size_t Size, size_t Split) {
  Console.StatusLine = (Setup & 2) != 0;
  if (Console.StatusLine) Console.SetWindow(1, 1, Console.Cols, Console.Rows - 1);
  Console.ScrollbackEnabled = (Setup & 4) != 0;
  Console.BlinkEnabled = (Setup & 8) != 0;
  TTermAnsi Term(Console);
  Term.SetMode((Setup & 128) != 0 ? TEmulation::VT102 : TEmulation::AnsiBbs, Utf8 ? TCharset::UTF8 : TCharset::CP437);
  Term.FontSwitch = (Setup & 16) != 0 ? 1 : 0;
  Term.Font = (Setup & 32) != 0 ? 3 : 1;
  if (Setup & 64) {
    static const uint8_t Region[] = "\x1b[5;20r";
    Term.ProcessBuf(Region, sizeof Region - 1);
  }
  if (Split >= Size) {
    for (size_t I = 0; I < Size; ++I) Term.ProcessChar(Data[I]);
  } else {
    Term.ProcessBuf(Data, Split);
    Term.ProcessBuf(Data + Split, Size - Split);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < 2) return 0;
  // First byte: set-up (bit 7: VT102); second: UTF-8 (bit 7) and where the second feed
  // splits the block.
  const uint8_t Setup = Data[0];
  const bool Utf8 = (Data[1] & 128) != 0;
  const size_t Split = Data[1] & 127;
  Data += 2;
  Size -= 2;

  const bool Large = Setup & 1;
  TSDLConsoleScrollback& Whole = SharedConsole<0>(Large);
  TSDLConsoleScrollback& Parts = SharedConsole<1>(Large);
  Run(Whole, Setup, Utf8, Data, Size, Size);
  Run(Parts, Setup, Utf8, Data, Size, Split < Size ? Split : Size / 2);

  bool Same = Whole.CursorX == Parts.CursorX && Whole.CursorY == Parts.CursorY &&
              Whole.WinY1 == Parts.WinY1 && Whole.WinY2 == Parts.WinY2 &&
              Whole.TextAttr == Parts.TextAttr && Whole.ScrollbackCount == Parts.ScrollbackCount;
  // Cells have no padding (their size is pinned), so whole rows compare as bytes.
  for (int Y = 1; Same && Y <= Whole.Rows; ++Y)
    Same = std::memcmp(Whole.Row(Y).data(), Parts.Row(Y).data(), Whole.Cols * sizeof(TConsoleCell)) == 0;
  if (!Same) __builtin_trap();
  return 0;
}
