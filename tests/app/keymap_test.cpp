#include <gtest/gtest.h>

#include "console/keymap.h"
#include "console/sdl_api.h"

namespace {

constexpr uint16_t Shift = KMOD_LSHIFT, Alt = KMOD_LALT, Ctrl = KMOD_LCTRL, Caps = KMOD_CAPS,
                   Num = KMOD_NUM;

std::string Ext(int Code) { return std::string{'\0', static_cast<char>(Code)}; }
std::string B(int Ch) { return std::string(1, static_cast<char>(Ch)); }
std::string Keys(int32_t Key, uint16_t Mod = 0) { return TranslateKey(Key, Mod).Bytes; }

TEST(KeyTranslation, LettersFollowCtrlThenAltThenCase) {
  EXPECT_EQ(Keys('a', Ctrl), B(1));
  EXPECT_EQ(Keys('z', KMOD_RCTRL), B(26));
  EXPECT_EQ(Keys('c', Ctrl | Alt), B(3));
  EXPECT_EQ(Keys('c', Alt), Ext(46));
  EXPECT_EQ(Keys('x', KMOD_RALT), Ext(45));
  EXPECT_EQ(Keys('c', Shift | Caps), "C");
  EXPECT_EQ(Keys('c', Caps), "C");
  EXPECT_EQ(Keys('c', KMOD_RSHIFT), "C");
  EXPECT_EQ(Keys('c'), "c");
  EXPECT_EQ(Keys('c', Num), "c");
  const std::string Scan = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                            49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};
  for (int I = 0; I < 26; ++I) EXPECT_EQ(Keys('a' + I, Alt), Ext(Scan[I])) << char('a' + I);
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
  for (const TRow& R : Rows) {
    SCOPED_TRACE(R.Key);
    EXPECT_EQ(Keys(R.Key), R.Plain);
    EXPECT_EQ(Keys(R.Key, Shift), R.Shift);
    EXPECT_EQ(Keys(R.Key, Alt), R.Alt);
    EXPECT_EQ(Keys(R.Key, Ctrl), R.Ctrl);
    // Shift wins over Alt, Alt over Ctrl; the lock keys change nothing.
    EXPECT_EQ(Keys(R.Key, Shift | Alt | Ctrl), R.Shift);
    EXPECT_EQ(Keys(R.Key, Alt | Ctrl), R.Alt);
    EXPECT_EQ(Keys(R.Key, Caps | Num), R.Plain);
  }
  EXPECT_EQ(Keys(SDLK_F1, Shift), Ext(59));
  EXPECT_EQ(Keys('1', Alt), "1");
}

TEST(KeyTranslation, CursorKeysIgnoreModifiers) {
  const std::vector<std::pair<int32_t, int>> Keys_ = {
      {SDLK_INSERT, 82}, {SDLK_PAGEUP, 73}, {SDLK_PAGEDOWN, 81}, {SDLK_RIGHT, 77},
      {SDLK_LEFT, 75},   {SDLK_DOWN, 80},   {SDLK_UP, 72}};
  for (auto [Key, Scan] : Keys_)
    for (uint16_t Mod : {0, int(Shift), int(Alt), int(Ctrl), int(Num)})
      EXPECT_EQ(Keys(Key, Mod), Ext(Scan)) << Key << " " << Mod;
}

TEST(KeyTranslation, KeypadFollowsNumLock) {
  const std::vector<std::tuple<int32_t, char, int>> Pad = {
      {SDLK_KP_1, '1', 79}, {SDLK_KP_2, '2', 80}, {SDLK_KP_3, '3', 81}, {SDLK_KP_4, '4', 75},
      {SDLK_KP_6, '6', 77}, {SDLK_KP_7, '7', 71}, {SDLK_KP_8, '8', 72}, {SDLK_KP_9, '9', 73},
      {SDLK_KP_0, '0', 82}, {SDLK_KP_PERIOD, '.', 83}};
  for (auto [Key, Ch, Scan] : Pad) {
    EXPECT_EQ(Keys(Key, Num), B(Ch));
    EXPECT_EQ(Keys(Key, Num | Shift), B(Ch));
    EXPECT_EQ(Keys(Key), Ext(Scan));
  }
  EXPECT_EQ(Keys(SDLK_KP_5), "5");
  EXPECT_EQ(Keys(SDLK_KP_5, Num), "5");
}

TEST(KeyTranslation, AltEnterCyclesTheWindowInsteadOfTyping) {
  EXPECT_TRUE(TranslateKey(SDLK_RETURN, Alt).SizeCycle);
  EXPECT_EQ(Keys(SDLK_RETURN, Alt), "");
  EXPECT_FALSE(TranslateKey(SDLK_RETURN, 0).SizeCycle);
  EXPECT_EQ(Keys(SDLK_RETURN), B(13));
  EXPECT_FALSE(TranslateKey(SDLK_KP_ENTER, Alt).SizeCycle);
}

TEST(KeyTranslation, OtherKeysGiveTheLowByteOfTheirCodeOrNothing) {
  EXPECT_EQ(Keys(SDLK_ESCAPE), B(27));
  EXPECT_EQ(Keys(SDLK_BACKSPACE), B(8));
  EXPECT_EQ(Keys(SDLK_TAB), B(9));
  EXPECT_EQ(Keys(SDLK_SPACE, Ctrl), B(32));
  EXPECT_EQ(Keys(SDLK_F13), B(SDLK_F13 & 0xFF));
  EXPECT_EQ(Keys(0x00E9), "");  // a key of a foreign layout: its character comes as text
  // Never a lone 0: it would swallow the next key as an extended code.
  EXPECT_EQ(Keys(SDLK_UNKNOWN), "");
  EXPECT_EQ(Keys(0x40000100), "");
  for (int32_t Key : {SDLK_CAPSLOCK, SDLK_PRINTSCREEN, SDLK_SCROLLLOCK, SDLK_PAUSE, SDLK_LCTRL,
                      SDLK_RCTRL, SDLK_LSHIFT, SDLK_RSHIFT, SDLK_LALT, SDLK_RALT,
                      SDLK_NUMLOCKCLEAR, SDLK_LGUI, SDLK_RGUI, SDLK_MODE})
    EXPECT_EQ(Keys(Key), "") << Key;  // modifier and lock keys queue nothing
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
