// WriteXYPipe with arbitrary position, attribute, width and text, then a composed frame.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/fuzz_console.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < 4) return 0;
  TSDLConsole& Con = FreshConsole(Data[0] & 1);
  const std::string_view Text(reinterpret_cast<const char*>(Data + 4), Size - 4);
  Con.StatusLine = Data[0] & 2;
  Con.WriteXYPipe(Data[0] >> 1, Data[1] - 8, Data[2], Data[3] - 16, Text);
  Con.WriteXYPipe(1, 1, 7, 0, Text);
  // Composing is slow under the sanitizers: an eighth of the small screens are drawn, a
  // thirty-second of the large ones.
  if ((Data[2] & 14) == 14 && (!(Data[0] & 1) || (Data[2] & 0x30) == 0x30)) Con.ComposeFrame();
  return 0;
}
