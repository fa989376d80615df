// Turns one SDL key-down event into the DOS-style bytes a text-mode program
// reads from a PC keyboard: plain keys are one byte, extended keys are 0 and
// the IBM PC scan code.
#pragma once

#include <cstdint>
#include <string>

struct TKeyResult {
  std::string Bytes;       // bytes to queue, in order
  bool SizeCycle = false;  // ALT+Enter: step the window size / full screen instead
};

// Key is the SDL key code, Mod the SDL modifier state.
TKeyResult TranslateKey(int32_t Key, uint16_t Mod);
