// DisplayCrunched on arbitrary data at an arbitrary origin and font, then a composed frame.
#include <cstddef>
#include <cstdint>
#include <span>

#include "console/console.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < 4) return 0;
  // One console for the whole run, set back to a fresh screen for every input: building a
  // new one each time costs more than the code under test.
  static TSDLConsole Console;
  TSDLConsole* const Con = &Console;
  Con->OpenScreen((Data[0] & 1) ? 160 : 80, (Data[0] & 1) ? 60 : 25, 1);
  Con->SetTextAttr(7, true);
  Con->GotoXY(1, 1);
  Con->BlinkEnabled = Data[0] & 0x80;
  Con->DisplayCrunched(std::span<const uint8_t>(Data + 4, Size - 4), Data[1] - 8, Data[2] - 8, Data[3]);
  // Composing is slow under the sanitizers; a quarter of the inputs are drawn.
  if ((Data[0] & 6) == 6) Con->ComposeFrame();
  return 0;
}
