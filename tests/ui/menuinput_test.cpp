#include "ui/menuinput.h"
#include "ui_test_util.h"

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

TEST_F(LineEditor, NumberModeTakesDigitsAndMinusAnywhere) {
  Keys("1a2-b3Z\r");
  EXPECT_EQ(Edit(TMenuInput::ModeNumber, ""), "12-3");
  EXPECT_EQ(Code, 13);
  EXPECT_TRUE(Changed);
}

TEST_F(LineEditor, UpperModeConvertsAsciiLettersOnly) {
  Keys("abC1\x84\r");
  EXPECT_EQ(Edit(TMenuInput::ModeUpper, ""), "ABC1\x84");
}

TEST_F(LineEditor, DateModeInsertsTheSlashes) {
  Keys("123199\r");
  EXPECT_EQ(Edit(TMenuInput::ModeDate, "", 8, 8), "12/31/99");
  Keys("12x3199\r");
  EXPECT_EQ(Edit(TMenuInput::ModeDate, "", 8, 8), "12/31/99");
  // The length limit still holds for the slashes.
  Keys("12345\r");
  EXPECT_EQ(Edit(TMenuInput::ModeDate, "", 8, 4), "12/3");
}

TEST_F(LineEditor, FieldShowsTextThenFillInTheirColours) {
  Keys("ab\r");
  Edit(TMenuInput::ModeText, "", 5, 10);
  EXPECT_EQ(Text(10, 14, 5), "ab\xB0\xB0\xB0");
  EXPECT_EQ(Attr(10, 5), 31);
  EXPECT_EQ(Attr(12, 5), 23);
  EXPECT_EQ(Attr(15, 5), 7);  // nothing past the field
  EXPECT_EQ(C().CursorX, 12);
  EXPECT_EQ(C().CursorY, 5);
}

TEST_F(LineEditor, LongTextScrollsThroughANarrowField) {
  const std::string T = "ABCDEFGHIJKLMNOPQRSTUVWXY";  // 25 characters
  Key('\r');
  EXPECT_EQ(Edit(TMenuInput::ModeText, T, 10, 40), T);
  EXPECT_FALSE(Changed);
  EXPECT_EQ(Text(10, 19, 5), "PQRSTUVWXY");  // characters 16-25
  EXPECT_EQ(C().CursorX, 20);               // just right of the field

  Ext(71);  // HOME
  Key('\r');
  Edit(TMenuInput::ModeText, T, 10, 40);
  EXPECT_EQ(Text(10, 19, 5), "ABCDEFGHIJ");
  EXPECT_EQ(C().CursorX, 10);

  // Leaving the first column to the left scrolls the view by one.
  for (int I = 0; I < 11; ++I) Ext(75);
  Key('\r');
  Edit(TMenuInput::ModeText, T, 10, 40);
  EXPECT_EQ(Text(10, 19, 5), "OPQRSTUVWX");
  EXPECT_EQ(C().CursorX, 10);

  // RIGHT on the last column scrolls right; typing there scrolls first.
  Ext(71);
  for (int I = 0; I < 10; ++I) Ext(77);
  Key('\r');
  Edit(TMenuInput::ModeText, T, 10, 40);
  EXPECT_EQ(Text(10, 19, 5), "BCDEFGHIJK");
  EXPECT_EQ(C().CursorX, 19);

  Ext(71);
  for (int I = 0; I < 9; ++I) Ext(77);
  Keys("z\r");
  EXPECT_EQ(Edit(TMenuInput::ModeText, T, 10, 40), "ABCDEFGHIzJKLMNOPQRSTUVWXY");
  EXPECT_EQ(Text(10, 19, 5), "BCDEFGHIzJ");
  EXPECT_EQ(C().CursorX, 19);

  // Typing at the end of a long text keeps the cursor beside the field.
  Keys("12\r");
  Edit(TMenuInput::ModeText, T, 10, 40);
  EXPECT_EQ(Text(10, 19, 5), "RSTUVWXY12");
  EXPECT_EQ(C().CursorX, 20);
}

TEST_F(LineEditor, EditingKeys) {
  Key(8);  // BACKSPACE
  Key('\r');
  EXPECT_EQ(Edit(TMenuInput::ModeText, "hello"), "hell");
  Ext(71);
  Ext(83);  // HOME, DELETE
  Key('\r');
  EXPECT_EQ(Edit(TMenuInput::ModeText, "hello"), "ello");
  Ext(71);
  Key(8);  // nothing before the cursor
  Ext(79);
  Key('!');  // END then type
  Key('\r');
  EXPECT_EQ(Edit(TMenuInput::ModeText, "hello"), "hello!");
  Ext(83);  // DELETE at the end does nothing
  Key(25);  // erase everything
  Keys("ab\r");
  EXPECT_EQ(Edit(TMenuInput::ModeText, "hello"), "ab");
  Ext(75);
  Ext(75);
  Key('x');  // insert, never overwrite
  Key('\r');
  EXPECT_EQ(Edit(TMenuInput::ModeText, "ab"), "xab");
}

TEST_F(LineEditor, MaximumLengthRefusesMoreText) {
  Keys("abcdef\r");
  EXPECT_EQ(Edit(TMenuInput::ModeText, "", 10, 3), "abc");
}

TEST_F(LineEditor, EndingKeys) {
  Keys("ab\x1B" "c\r");  // ESC is not an ending key by default
  EXPECT_EQ(Edit(TMenuInput::ModeText, ""), "abc");
  EXPECT_EQ(Code, 13);

  TMenuInput In(C());
  In.HotKeys = std::string("\r\x1B");
  In.ExitKeys = std::string("\x48");
  Keys("x\x1B");
  EXPECT_EQ(In.GetStr(1, 1, 10, 10, TMenuInput::ModeText, "q"), "qx");
  EXPECT_EQ(In.ExitCode, 27);
  Ext(80);  // not an exit key: ignored
  Key('y');
  Ext(72);
  EXPECT_EQ(In.GetStr(1, 1, 10, 10, TMenuInput::ModeText, ""), "y");
  EXPECT_EQ(In.ExitCode, 72);
  EXPECT_TRUE(In.Changed);
}

TEST_F(LineEditor, GetNumClampsAndTreatsNonNumbersAsZero) {
  TMenuInput In(C());
  Keys("999\r");
  EXPECT_EQ(In.GetNum(1, 1, 3, 3, 1, 254, 5), 254);  // appended to "5": 5999
  Key(25);
  Key('\r');
  EXPECT_EQ(In.GetNum(1, 1, 3, 3, 1, 254, 5), 1);
  Key(25);
  Keys("999\r");
  EXPECT_EQ(In.GetNum(1, 1, 3, 3, 1, 254, 5), 254);
  Key(25);
  Keys("-4-\r");
  EXPECT_EQ(In.GetNum(1, 1, 5, 5, -10, 10, 0), 0);
  Key(25);
  Keys("-4\r");
  EXPECT_EQ(In.GetNum(1, 1, 5, 5, -10, 10, 0), -4);
  Key(25);
  Keys("99999999999999999999\r");
  EXPECT_EQ(In.GetNum(1, 1, 20, 30, 0, 100, 0), 0);  // too large to be a number
}

TEST_F(LineEditor, FieldPastTheRightEdgeIsNarrowed) {
  Keys("abcdefghijklmnopqrstuvwxyz\r");
  TMenuInput In(C());
  EXPECT_EQ(In.GetStr(70, 25, 40, 100, TMenuInput::ModeText, ""), "abcdefghijklmnopqrstuvwxyz");
  EXPECT_EQ(Text(70, 80, 25), "qrstuvwxyz\xB0");  // 11 columns left on the screen
  EXPECT_EQ(C().CursorX, 80);
}

TEST_F(LineEditor, ClosingConsoleEndsTheEditUnchanged) {
  Keys("abc");
  Close();
  EXPECT_EQ(Edit(TMenuInput::ModeText, "start"), "start");
  EXPECT_EQ(Code, 27);
  EXPECT_FALSE(Changed);
}

}  // namespace
