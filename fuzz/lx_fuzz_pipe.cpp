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
  // Composing draws the whole screen and is slow under the sanitizers: a sixteenth of the
  // small screens are drawn (the cells of a large one are the same kind).
  if ((Data[2] & 30) == 30 && !(Data[0] & 1)) Con.ComposeFrame();
  return 0;
}
