#include "console/keymap.h"

#include <array>

#include "console/sdl_api.h"
#include "support/cp437.h"

namespace {

constexpr uint16_t ModShift = 3, ModCtrl = 192, ModAlt = 768, ModNum = 4096, ModCaps = 8192;

std::string Ext(uint8_t Code) { return std::string{'\0', static_cast<char>(Code)}; }
std::string Byte(uint8_t Ch) { return std::string(1, static_cast<char>(Ch)); }

// PC scan codes of the letters a..z, sent for ALT+letter.
constexpr std::array<uint8_t, 26> LetterScan = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                               49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};

struct TKeyRow {
  int32_t Key;
  std::string Plain, Shift, Alt, Ctrl;
};

const std::vector<TKeyRow>& KeyTable() {
  static const std::vector<TKeyRow> Rows = [] {
    std::vector<TKeyRow> R = {
        {SDLK_COMMA, ",", "<", ",", ","},
        {SDLK_PERIOD, ".", ">", ".", "."},
        {SDLK_SLASH, "/", "?", "/", "/"},
        {SDLK_SEMICOLON, ";", ":", ";", ";"},
        {SDLK_LEFTBRACKET, "[", "{", "[", "["},
        {SDLK_RIGHTBRACKET, "]", "}", "]", Byte(29)},
        {SDLK_QUOTE, "'", "\"", "'", "'"},
        {SDLK_DELETE, Ext(83), Ext(83), Ext(83), Ext(83)},
        {SDLK_BACKSLASH, "\\", "|", "\\", "\\"},
        {SDLK_BACKQUOTE, "`", "~", "`", "`"},
        {SDLK_MINUS, "-", "_", "-", "-"},
        // ALT-= is the PC scan code 131, as ALT-letters are theirs.
        {SDLK_EQUALS, "=", "+", Ext(131), "="},
    };
    const char* Shifted = "!@#$%^&*()";
    for (int I = 0; I < 10; ++I) {
      const char Digit = static_cast<char>(I == 9 ? '0' : '1' + I);
      const std::string D(1, Digit);
      R.push_back({static_cast<int32_t>(Digit), D, std::string(1, Shifted[I]), D, D});
    }
    for (int I = 0; I < 10; ++I) {
      const uint8_t N = static_cast<uint8_t>(I);
      R.push_back({SDLK_F1 + I, Ext(59 + N), Ext(59 + N), Ext(104 + N), Ext(94 + N)});
    }
    R.push_back({SDLK_F11, Ext(133), Ext(133), Ext(139), Ext(133)});
    R.push_back({SDLK_F12, Ext(134), Ext(134), Ext(140), Ext(134)});
    R.push_back({SDLK_KP_ENTER, Byte(13), Byte(13), Byte(13), Byte(13)});
    R.push_back({SDLK_KP_DIVIDE, "/", "/", "/", "/"});
    R.push_back({SDLK_KP_MULTIPLY, "*", "*", "*", "*"});
    R.push_back({SDLK_KP_MINUS, "-", "-", "-", "-"});
    R.push_back({SDLK_KP_PLUS, "+", "+", "+", "+"});
    R.push_back({SDLK_HOME, Ext(71), Ext(71), Ext(71), Ext(119)});
    R.push_back({SDLK_END, Ext(79), Ext(79), Ext(79), Ext(117)});
    return R;
  }();
  return Rows;
}

bool IsSilent(int32_t Key) {
  switch (Key) {
    case SDLK_CAPSLOCK: case SDLK_PRINTSCREEN: case SDLK_SCROLLLOCK: case SDLK_PAUSE:
    case SDLK_LCTRL: case SDLK_RCTRL: case SDLK_LSHIFT: case SDLK_RSHIFT:
    case SDLK_LALT: case SDLK_RALT:
    // Lock and compose keys are modifiers too: their low bytes ('S' for NumLock,
    // Ctrl-A for AltGr) would reach the remote side as typed characters.
    case SDLK_NUMLOCKCLEAR: case SDLK_LGUI: case SDLK_RGUI: case SDLK_MODE:
      return true;
    default:
      return false;
  }
}

std::string Keypad(int32_t Key, bool NumLock) {
  struct TPad { int32_t Key; char Ch; uint8_t Scan; };
  static constexpr std::array<TPad, 11> Pad = {{
      {SDLK_KP_1, '1', 79}, {SDLK_KP_2, '2', 80}, {SDLK_KP_3, '3', 81}, {SDLK_KP_4, '4', 75},
      {SDLK_KP_5, '5', 0},  {SDLK_KP_6, '6', 77}, {SDLK_KP_7, '7', 71}, {SDLK_KP_8, '8', 72},
      {SDLK_KP_9, '9', 73}, {SDLK_KP_0, '0', 82}, {SDLK_KP_PERIOD, '.', 83}}};
  for (const TPad& P : Pad) {
    if (P.Key != Key) continue;
    if (NumLock || P.Scan == 0) return std::string(1, P.Ch);
    return Ext(P.Scan);
  }
  return {};
}

// Whether Text is nothing or the key's own character (either case of a letter), as Alt and
// Shift leave it on X11; a level shift (AltGr) types another one.
bool IsOwnText(int32_t Key, std::string_view Text) {
  char32_t C = 0;
  if (Text.empty()) return true;
  if (lx::DecodeUTF8(Text, 0, C) != Text.size()) return false;
  return C == static_cast<char32_t>(Key) || (Key >= 'a' && Key <= 'z' && C == static_cast<char32_t>(Key - 'a' + 'A'));
}

}  // namespace

TKeyResult TranslateKey(int32_t Key, uint16_t Mod) {
  TKeyResult R;
  const bool Shift = Mod & ModShift, Caps = Mod & ModCaps, Alt = Mod & ModAlt,
             Ctrl = Mod & ModCtrl, NumLock = Mod & ModNum;

  if (Key >= 'a' && Key <= 'z') {
    const int Index = Key - 'a';
    if (Ctrl) R.Bytes = Byte(static_cast<uint8_t>(Index + 1));
    else if (Alt) R.Bytes = Ext(LetterScan[Index]);
    else R.Bytes = Byte(static_cast<uint8_t>((Shift || Caps) ? 'A' + Index : Key));
    return R;
  }
  if (IsSilent(Key)) return R;
  switch (Key) {
    case SDLK_INSERT: R.Bytes = Ext(82); return R;
    case SDLK_PAGEUP: R.Bytes = Ext(73); return R;
    case SDLK_PAGEDOWN: R.Bytes = Ext(81); return R;
    case SDLK_RIGHT: R.Bytes = Ext(77); return R;
    case SDLK_LEFT: R.Bytes = Ext(75); return R;
    case SDLK_DOWN: R.Bytes = Ext(80); return R;
    case SDLK_UP: R.Bytes = Ext(72); return R;
    default: break;
  }
  if (std::string Pad = Keypad(Key, NumLock); !Pad.empty()) {
    R.Bytes = Pad;
    return R;
  }
  if (Key == SDLK_RETURN && Alt) {
    R.SizeCycle = true;
    return R;
  }
  for (const TKeyRow& Row : KeyTable()) {
    if (Row.Key != Key) continue;
    R.Bytes = Shift ? Row.Shift : Alt ? Row.Alt : Ctrl ? Row.Ctrl : Row.Plain;
    return R;
  }
  // A character key beyond ASCII: its low byte would be a Latin-1 character, which a code
  // page 437 board shows as another one.
  if (Key >= 128 && Key < SDLK_SCANCODE_MASK) return R;
  // A lone 0 would be read as the first half of an extended key and swallow
  // the next key press.
  const uint8_t Low = static_cast<uint8_t>(Key & 0xFF);
  if (Low != 0) R.Bytes = Byte(Low);
  return R;
}

TKeyResult TranslatePress(int32_t Key, uint16_t Mod, std::string_view Text) {
  TKeyResult R = TranslateKey(Key, Mod);
  if (R.SizeCycle) return R;
  const auto First = R.Bytes.empty() ? 0xFF : static_cast<uint8_t>(R.Bytes[0]);
  const bool Command = First < 32 || First == 127;
  // A command keeps the key and loses its text, unless a level shift (AltGr) changed the
  // character. Ctrl+[ or Ctrl+2 type no text (X makes control characters of them): the table says.
  if ((Command && IsOwnText(Key, Text)) || (Text.empty() && (Mod & ModCtrl))) return R;
  // A character key without text is a dead key or a compose sequence under way.
  R.Bytes.clear();
  R.Text = Text;
  return R;
}
