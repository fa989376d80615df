// Turns one SDL key press into what a text-mode program reads from a PC keyboard: plain keys
// are one byte, extended keys are 0 and the IBM PC scan code; characters are the text the
// window system typed for the press, which knows the layout, dead keys and compose.
//
//     const TKeyResult R = TranslatePress(Ev.key.keysym.sym, Ev.key.keysym.mod, TextOfThisPress);
//     // queue R.Bytes, or the characters of R.Text: never both
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct TKeyResult {
  std::string Bytes;       // key bytes to queue, in order
  std::string Text;        // or the characters typed, UTF-8
  bool SizeCycle = false;  // ALT+Enter: step the window size / full screen instead
};

// The key's bytes by the PC table, as on a US keyboard. Key is the SDL key code, Mod the SDL
// modifier state. Keys of characters beyond ASCII give nothing: only text can say what they are.
TKeyResult TranslateKey(int32_t Key, uint16_t Mod);

// One press with Text, what the window system typed for it (UTF-8, empty when nothing). The key
// wins where it has no text or is a command (cursor, function and keypad keys, ENTER, ESC,
// Ctrl+letter, Alt+letter); otherwise the text goes out. Alt that typed a character other than
// the key's own is AltGr, not a command: AltGr+Q types "@" on a German layout.
TKeyResult TranslatePress(int32_t Key, uint16_t Mod, std::string_view Text);
