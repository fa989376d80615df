// WriteXYPipe with arbitrary position, attribute, width and text, then a composed frame.
#include <cstddef>
#include <cstdint>
#include <string_view>

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
  const std::string_view Text(reinterpret_cast<const char*>(Data + 4), Size - 4);
  Con->StatusLine = Data[0] & 2;
  Con->WriteXYPipe(Data[0] >> 1, Data[1] - 8, Data[2], Data[3] - 16, Text);
  Con->WriteXYPipe(1, 1, 7, 0, Text);
  if ((Data[2] & 6) == 6) Con->ComposeFrame();
  return 0;
}
