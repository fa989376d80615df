#pragma once

#include <cstdint>
#include <string>

#include "console/console.h"

namespace lx {

// One-line editor in a fixed-width field, scrolling sideways when the text is
// longer than the field. Always inserts; there is no overwrite mode.
class TMenuInput {
 public:
  enum : uint8_t { ModeNumber = 0, ModeText = 1, ModeUpper = 2, ModeDate = 3 };

  explicit TMenuInput(TSDLConsole& Console);

  // Edits at column X, row Y. A field reaching past the right edge of the
  // screen is narrowed to fit.
  std::string GetStr(int X, int Y, int FieldWidth, int MaxLen, uint8_t Mode, const std::string& Start);
  // Edits the decimal form of Start; the result, 0 when not a number, is
  // clamped to Min..Max.
  int32_t GetNum(int X, int Y, int FieldWidth, int MaxLen, int32_t Min, int32_t Max, int32_t Start);

  TSDLConsole& Console;
  std::string ExitKeys;              // extended-key scan codes that end editing
  std::string HotKeys = std::string("\r");  // control keys that end editing
  uint8_t ExitCode = 0;
  uint8_t FieldAttr = 31;
  char FillChar = '\xB0';
  char Mask = 0;  // when set, shown in place of every character typed (secrets)
  uint8_t FillAttr = 23;
  bool Changed = false;
};

}  // namespace lx
