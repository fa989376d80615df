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
  // Composing is slow under the sanitizers: an eighth of the small screens are drawn, a
  // thirty-second of the large ones.
  if ((Data[0] & 14) == 14 && (!(Data[0] & 1) || (Data[0] & 0x30) == 0x30)) Con.ComposeFrame();
  return 0;
}
