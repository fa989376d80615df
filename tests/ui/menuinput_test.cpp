#include "ui/menuinput.h"
#include "ui_test_util.h"

using namespace lx;

namespace {

class LineEditor : public UITest {
 protected:
  std::string Edit(uint8_t Mode, const std::string& Start, int Width = 20, int Max = 40) {
    TMenuInput In(C());
    std::string S = In.GetStr(10, 5, Width, Max, Mode, Start);
    Code = In.ExitCode;
    Changed = In.Changed;
    return S;
  }
  uint8_t Code = 0;
  bool Changed = false;
};

TEST_F(LineEditor, ModesAndEditingKeys) {
  const struct {
    uint8_t Mode;
    const char* Start;
    std::vector<int> Keys;
    int Width, Max;
    const char* Want;
  } Cases[] = {
      {TMenuInput::ModeNumber, "", {'1', 'a', '2', '-', 'b', '3', 'Z'}, 20, 40, "12-3"},
      {TMenuInput::ModeUpper, "", {'a', 'b', 'C', '1', 0x84}, 20, 40, "ABC1\x84"},
      {TMenuInput::ModeDate, "", {'1', '2', '3', '1', '9', '9'}, 8, 8, "12/31/99"},
      {TMenuInput::ModeDate, "", {'1', '2', 'x', '3', '1', '9', '9'}, 8, 8, "12/31/99"},
      {TMenuInput::ModeDate, "", {'1', '2', '3', '4', '5'}, 8, 4, "12/3"},  // the limit counts the slashes
      {TMenuInput::ModeText, "", {'a', 'b', 'c', 'd'}, 10, 3, "abc"},
      {TMenuInput::ModeText, "", {'a', 'b', 27, 'c'}, 20, 40, "abc"},  // ESC ends nothing by default
      {TMenuInput::ModeText, "hello", {8}, 20, 40, "hell"},            // BACKSPACE
      {TMenuInput::ModeText, "hello", {-71, -83}, 20, 40, "ello"},     // HOME, DELETE
      {TMenuInput::ModeText, "hello", {-75, -83}, 20, 40, "hell"},     // LEFT, DELETE: the last one
      {TMenuInput::ModeText, "hello", {-71, 8, -79, '!'}, 20, 40, "hello!"},
      {TMenuInput::ModeText, "hello", {-83, 25, 'a', 'b'}, 20, 40, "ab"},  // 25 erases everything
      {TMenuInput::ModeText, "ab", {-75, -75, 'x'}, 20, 40, "xab"},        // insert, never overwrite
  };
  for (const auto& Case : Cases) {
    Press(Case.Keys);
    Key('\r');
    EXPECT_EQ(Edit(Case.Mode, Case.Start, Case.Width, Case.Max), Case.Want);
    EXPECT_EQ(Code, 13);
  }
  EXPECT_TRUE(Changed);
}

TEST_F(LineEditor, FieldColoursAndTheScrollingView) {
  Keys("ab\r");
  Edit(TMenuInput::ModeText, "", 5, 10);
  EXPECT_EQ(Text(10, 14, 5), "ab\xB0\xB0\xB0");
  Expect({{10, 5, -1, 31}, {12, 5, -1, 23}, {15, 5, -1, 7}});
  EXPECT_EQ(std::pair(C().CursorX, C().CursorY), std::pair(12, 5));

  const std::string T = "ABCDEFGHIJKLMNOPQRSTUVWXY";  // 25 characters in a 10-wide field
  const struct {
    std::vector<int> Keys;
    const char* Want;  // null: unchanged
    const char* View;
    int CursorX;
  } Cases[] = {
      {{}, nullptr, "PQRSTUVWXY", 20},  // the end, cursor just right of the field
      {{-71}, nullptr, "ABCDEFGHIJ", 10},
      {{-71, -79}, nullptr, "PQRSTUVWXY", 20},  // HOME, END
      {std::vector<int>(11, -75), nullptr, "OPQRSTUVWX", 10},  // leaving column one scrolls by one
      {{-71, -77, -77, -77, -77, -77, -77, -77, -77, -77, -77}, nullptr, "BCDEFGHIJK", 19},
      {{-71, -77, -77, -77, -77, -77, -77, -77, -77, -77, 'z'}, "ABCDEFGHIzJKLMNOPQRSTUVWXY", "BCDEFGHIzJ", 19},
      {{'1', '2'}, "ABCDEFGHIJKLMNOPQRSTUVWXY12", "RSTUVWXY12", 20},
  };
  for (const auto& Case : Cases) {
    Press(Case.Keys);
    Key('\r');
    const std::string Got = Edit(TMenuInput::ModeText, T, 10, 40);
    EXPECT_EQ(std::tuple(Got, Changed, Text(10, 19, 5), C().CursorX),
              std::tuple(Case.Want ? Case.Want : T, Got != T, std::string(Case.View), Case.CursorX));
  }

  // A field past the right edge is narrowed to the 11 columns left.
  Keys("abcdefghijklmnopqrstuvwxyz\r");
  TMenuInput In(C());
  EXPECT_EQ(In.GetStr(70, 25, 40, 100, TMenuInput::ModeText, ""), "abcdefghijklmnopqrstuvwxyz");
  EXPECT_EQ(Text(70, 80, 25), "qrstuvwxyz\xB0");
  EXPECT_EQ(C().CursorX, 80);
}

TEST_F(LineEditor, EndingKeysAndClosing) {
  TMenuInput In(C());
  In.HotKeys = std::string("\r\x1B");
  In.ExitKeys = std::string("\x48");
  Keys("x\x1B");
  EXPECT_EQ(In.GetStr(1, 1, 10, 10, TMenuInput::ModeText, "q"), "qx");
  EXPECT_EQ(In.ExitCode, 27);
  Press({-80, 'y', -72});  // DOWN is no exit key: ignored
  EXPECT_EQ(In.GetStr(1, 1, 10, 10, TMenuInput::ModeText, ""), "y");
  EXPECT_EQ(In.ExitCode, 72);
  EXPECT_TRUE(In.Changed);

  Keys("abc");
  Close();
  EXPECT_EQ(Edit(TMenuInput::ModeText, "start"), "start");
  EXPECT_EQ(std::pair(int(Code), Changed), std::pair(27, false));
}

TEST_F(LineEditor, GetNumClampsAndTreatsNonNumbersAsZero) {
  const struct {
    std::vector<int> Keys;
    int Width, Max, Lo, Hi, Start, Want;
  } Cases[] = {
      {{'9', '9', '9'}, 3, 3, 1, 254, 5, 254},  // appended to "5": 5999
      {{25}, 3, 3, 1, 254, 5, 1},
      {{25, '9', '9', '9'}, 3, 3, 1, 254, 5, 254},
      {{25, '-', '4', '-'}, 5, 5, -10, 10, 0, 0},
      {{25, '-', '4'}, 5, 5, -10, 10, 0, -4},
  };
  TMenuInput In(C());
  for (const auto& Case : Cases) {
    Press(Case.Keys);
    Key('\r');
    EXPECT_EQ(In.GetNum(1, 1, Case.Width, Case.Max, Case.Lo, Case.Hi, Case.Start), Case.Want);
  }
}

}  // namespace
