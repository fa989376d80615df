#include <gtest/gtest.h>

#include "console/keymap.h"
#include "console/sdl_api.h"

namespace {

constexpr uint16_t Shift = KMOD_LSHIFT, Alt = KMOD_LALT, Ctrl = KMOD_LCTRL, Caps = KMOD_CAPS,
                   Num = KMOD_NUM;

std::string Ext(int Code) { return std::string{'\0', static_cast<char>(Code)}; }
std::string B(int Ch) { return std::string(1, static_cast<char>(Ch)); }
std::string Keys(int32_t Key, uint16_t Mod = 0) { return TranslateKey(Key, Mod).Bytes; }

struct TKeyCase {
  int32_t Key;
  uint16_t Mod;
  std::string Bytes;
};

// Letters follow Ctrl, then Alt, then case; cursor keys ignore modifiers; the keypad follows
// NumLock; other keys give the low byte of their code or nothing.
TEST(KeyTranslation, SingleKeys) {
  std::vector<TKeyCase> Rows = {
      {'a', Ctrl, B(1)}, {'z', KMOD_RCTRL, B(26)}, {'c', Ctrl | Alt, B(3)}, {'x', KMOD_RALT, Ext(45)},
      {'c', Shift | Caps, "C"}, {'c', Caps, "C"}, {'c', KMOD_RSHIFT, "C"}, {'c', 0, "c"}, {'c', Num, "c"},
      {SDLK_F1, Shift, Ext(59)}, {'1', Alt, "1"}, {SDLK_KP_5, 0, "5"}, {SDLK_KP_5, Num, "5"},
      {SDLK_RETURN, Alt, ""}, {SDLK_RETURN, 0, B(13)}, {SDLK_ESCAPE, 0, B(27)}, {SDLK_BACKSPACE, 0, B(8)},
      {SDLK_TAB, 0, B(9)}, {SDLK_SPACE, Ctrl, B(32)}, {SDLK_F13, 0, B(SDLK_F13 & 0xFF)},
      {0x00E9, 0, ""},  // a key of a foreign layout: its character comes as text
      // Never a lone 0: it would swallow the next key as an extended code.
      {SDLK_UNKNOWN, 0, ""}, {0x40000100, 0, ""}};
  const std::string Scan = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                            49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};
  for (int I = 0; I < 26; ++I) Rows.push_back({'a' + I, Alt, Ext(Scan[I])});
  for (auto [Key, Code] : {std::pair{SDLK_INSERT, 82}, {SDLK_PAGEUP, 73}, {SDLK_PAGEDOWN, 81},
                           {SDLK_RIGHT, 77}, {SDLK_LEFT, 75}, {SDLK_DOWN, 80}, {SDLK_UP, 72}})
    for (uint16_t Mod : {0, int(Shift), int(Alt), int(Ctrl), int(Num)}) Rows.push_back({Key, Mod, Ext(Code)});
  const int32_t Pad[] = {SDLK_KP_0, SDLK_KP_1, SDLK_KP_2, SDLK_KP_3, SDLK_KP_4,
                         SDLK_KP_6, SDLK_KP_7, SDLK_KP_8, SDLK_KP_9, SDLK_KP_PERIOD};
  const char PadCh[] = "012346789.", PadScan[] = {82, 79, 80, 81, 75, 77, 71, 72, 73, 83};
  for (int I = 0; I < 10; ++I) {
    Rows.push_back({Pad[I], Num, B(PadCh[I])});
    Rows.push_back({Pad[I], Num | Shift, B(PadCh[I])});
    Rows.push_back({Pad[I], 0, Ext(PadScan[I])});
  }
  // Modifier and lock keys queue nothing.
  for (int32_t Key : {SDLK_CAPSLOCK, SDLK_PRINTSCREEN, SDLK_SCROLLLOCK, SDLK_PAUSE, SDLK_LCTRL,
                      SDLK_RCTRL, SDLK_LSHIFT, SDLK_RSHIFT, SDLK_LALT, SDLK_RALT,
                      SDLK_NUMLOCKCLEAR, SDLK_LGUI, SDLK_RGUI, SDLK_MODE})
    Rows.push_back({Key, 0, ""});
  for (const TKeyCase& R : Rows) EXPECT_EQ(Keys(R.Key, R.Mod), R.Bytes) << R.Key << " " << R.Mod;
  // ALT+Enter cycles the window instead of typing.
  EXPECT_TRUE(TranslateKey(SDLK_RETURN, Alt).SizeCycle && !TranslateKey(SDLK_RETURN, 0).SizeCycle &&
              !TranslateKey(SDLK_KP_ENTER, Alt).SizeCycle);
}

struct TRow {
  int32_t Key;
  std::string Plain, Shift, Alt, Ctrl;
};

TEST(KeyTranslation, EveryTableRowWithEachModifier) {
  std::vector<TRow> Rows = {
      {',', ",", "<", ",", ","},        {'.', ".", ">", ".", "."},
      {'/', "/", "?", "/", "/"},        {';', ";", ":", ";", ";"},
      {'[', "[", "{", "[", "["},        {']', "]", "}", "]", B(29)},
      {'\'', "'", "\"", "'", "'"},      {SDLK_DELETE, Ext(83), Ext(83), Ext(83), Ext(83)},
      {'\\', "\\", "|", "\\", "\\"},    {'`', "`", "~", "`", "`"},
      {'-', "-", "_", "-", "-"},        {'=', "=", "+", Ext(131), "="},
      {SDLK_F11, Ext(133), Ext(133), Ext(139), Ext(133)},
      {SDLK_F12, Ext(134), Ext(134), Ext(140), Ext(134)},
      {SDLK_KP_ENTER, B(13), B(13), B(13), B(13)},
      {SDLK_KP_DIVIDE, "/", "/", "/", "/"}, {SDLK_KP_MULTIPLY, "*", "*", "*", "*"},
      {SDLK_KP_MINUS, "-", "-", "-", "-"},  {SDLK_KP_PLUS, "+", "+", "+", "+"},
      {SDLK_HOME, Ext(71), Ext(71), Ext(71), Ext(119)},
      {SDLK_END, Ext(79), Ext(79), Ext(79), Ext(117)},
  };
  const std::string Shifted = "!@#$%^&*()";
  for (int I = 0; I < 10; ++I) {
    const std::string D = B(I == 9 ? '0' : '1' + I);
    Rows.push_back({D[0], D, B(Shifted[I]), D, D});
    Rows.push_back({SDLK_F1 + I, Ext(59 + I), Ext(59 + I), Ext(104 + I), Ext(94 + I)});
  }
  // Shift wins over Alt, Alt over Ctrl; the lock keys change nothing.
  for (const TRow& R : Rows) {
    const std::string Got = Keys(R.Key) + "|" + Keys(R.Key, Shift) + "|" + Keys(R.Key, Alt) + "|" +
                            Keys(R.Key, Ctrl) + "|" + Keys(R.Key, Shift | Alt | Ctrl) + "|" +
                            Keys(R.Key, Alt | Ctrl) + "|" + Keys(R.Key, Caps | Num);
    const std::string Want = R.Plain + "|" + R.Shift + "|" + R.Alt + "|" + R.Ctrl + "|" + R.Shift;
    EXPECT_EQ(Got, Want + "|" + R.Alt + "|" + R.Plain) << R.Key;
  }
}

// A press with the text the window system typed for it: the key or the text, never both.
TEST(KeyTranslation, PressSendsItsKeyOrItsText) {
  const std::tuple<int32_t, uint16_t, std::string, std::string, std::string> Rows[] = {
      {'q', KMOD_RALT, "@", "", "@"}, {'q', KMOD_RALT, "q", Ext(16), ""},  // AltGr; US Right Alt
      {'7', Shift, "/", "", "/"},     {'[', Ctrl, "", "[", ""},  // Ctrl+[ types no text
      {',', Ctrl, ",", "", ","},      {'+', KMOD_RALT, "", "", ""},  // a dead key at AltGr
      {0xF6, 0, "\u00f6", "", "\u00f6"}, {SDLK_KP_1, Num, "1", "", "1"}};
  for (const auto& [Key, Mod, Text, Bytes, Typed] : Rows) {
    const TKeyResult P = TranslatePress(Key, Mod, Text);
    EXPECT_EQ(P.Bytes + "|" + P.Text, Bytes + "|" + Typed) << Key << " " << Mod;
  }
}

}  // namespace
