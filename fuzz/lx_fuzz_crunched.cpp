// DisplayCrunched on arbitrary data at an arbitrary origin and font, then a composed frame.
#include <cstddef>
#include <cstdint>
#include <span>

#include "fuzz/fuzz_console.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < 4) return 0;
  TSDLConsole& Con = FreshConsole(Data[0] & 1);
  Con.BlinkEnabled = Data[0] & 0x80;
  Con.DisplayCrunched(std::span<const uint8_t>(Data + 4, Size - 4), Data[1] - 8, Data[2] - 8, Data[3]);
  // Composing draws the whole screen and is slow under the sanitizers: a sixteenth of the
  // small screens are drawn (the cells of a large one are the same kind).
  if ((Data[0] & 30) == 30 && !(Data[0] & 1)) Con.ComposeFrame();
  return 0;
}
