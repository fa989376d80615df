// Forms, their pickers and the line editor.
#include "ui/menuform.h"
#include "ui/menuinput.h"
#include "ui_test_util.h"

using namespace lx;
using namespace std::string_literals;

namespace {

class Form : public UITest {
 protected:
  // Records the current item every time it changes (the help hook fires then).
  void Track() {
    F.OnHelp = [this](int Cur, const std::string&) { Path.push_back(Cur); };
  }
  // Runs from item From with the keys queued and ESC after them; returns the path taken.
  std::vector<int> Walk(int From, const std::vector<int>& Keys) {
    Path.clear();
    F.Current = From;
    Press(Keys);
    Key(27);
    F.Run();
    return Path;
  }
  // A label at (5, Y) 10 wide; a 10-wide value at (FieldX, Y).
  static TFormPlace Row(int Y, int FieldX = 20) {
    return {.LabelX = 5, .LabelY = Y, .FieldX = FieldX, .LabelWidth = 10, .FieldWidth = 10, .MaxLen = 40};
  }
  void Strings(int N) {
    for (int I = 0; I < N; ++I) F.AddString('A' + I, std::string(1, 'A' + I), Row(5 + I), "", S[I]);
  }
  TMenuForm F{C()};
  std::vector<int> Path;
  std::string S[8];
};

TEST_F(Form, TogglesWrapAndOutOfRangeValuesAreReset) {
  uint8_t V = 3, Bad = 7, Top = 2;
  F.AddToggle('T', "Type", {.LabelX = 5, .LabelY = 5, .FieldX = 20, .LabelWidth = 10, .FieldWidth = 12}, "", 1, 3,
              "One Two Default_IPV4", V);
  F.AddToggle('U', "Type", Row(6), "", 0, 2, "A B C", Bad);
  F.AddToggle('V', "Type", Row(7), "", 0, 2, "A B C", Top);
  EXPECT_EQ(std::pair(Bad, Top), std::pair(uint8_t{0}, uint8_t{2}));
  EXPECT_EQ(Text(20, 31, 5), std::string(12, ' '));  // nothing drawn before Run
  for (auto [Keys, Want, Shown] : {std::tuple<std::vector<int>, int, std::string>{{13, 27}, 1, "One         "},
                                   {{13, 13, 27}, 3, "Default IPV4"}}) {
    Press(Keys);
    EXPECT_EQ(F.Run(), 27);
    EXPECT_EQ(std::tuple(int(V), F.Changed, Text(20, 31, 5), Attr(20, 5)), std::tuple(Want, true, Shown, 113));
  }
}

TEST_F(Form, ItemsSharingAHotKeyBothAct) {
  uint8_t A = 0, B = 1;
  F.AddToggle('P', "Protocol", Row(5), "", 0, 2, "A B C", A);
  F.AddString('N', "Name", Row(6), "", S[0]);
  F.AddToggle('P', "Port", Row(7), "", 0, 2, "A B C", B);
  Track();
  EXPECT_EQ(Walk(1, {'p'}), (std::vector<int>{1, 3}));
  EXPECT_EQ((std::vector<int>{A, B, F.Current}), (std::vector<int>{1, 2, 3}));
  // The hot-key letter is picked out in the labels, the current label's in its own colour.
  Expect({{5, 5, -1, 127}, {6, 5, -1, 112}, {5, 6, -1, 127}, {5, 7, -1, 31}, {6, 7, -1, 27}});
  EXPECT_EQ(Text(5, 14, 7), "Port      ");
}

TEST_F(Form, ActionsAndEndingKeys) {
  F.AddAction('E', "Edit", {.LabelX = 5, .LabelY = 5, .LabelWidth = 10}, "");
  F.AddAction('X', "Exit", {.LabelX = 5, .LabelY = 6, .LabelWidth = 10}, "");
  F.HotKeys = "q";
  F.ExitKeys = std::string("\x3B");  // F1
  for (auto [Keys, Want] : {std::pair<std::vector<int>, int>{{'x'}, 'X'}, {{-80, 13}, 'X'}, {{'q'}, 'q'}, {{-59}, 59}, {{27}, 27}}) {
    F.Current = 1;
    Press(Keys);
    EXPECT_EQ(F.Run(), Want);
    EXPECT_EQ(F.ExitedByKey, Want == 59) << Want;  // only an exit key sets it
  }
  Close();
  EXPECT_EQ(F.Run(), 27);
}

TEST_F(Form, UpDownLeftRightFollowTheValueColumn) {
  // Items 1, 2, 4 at field x 20; item 3 at field x 60.
  Strings(2);
  F.AddString('C', "C", {.LabelX = 45, .LabelY = 5, .FieldX = 60, .LabelWidth = 10, .FieldWidth = 10}, "", S[2]);
  F.AddString('D', "D", Row(7), "", S[3]);
  Track();
  EXPECT_EQ(Walk(3, {-80}), (std::vector<int>{3, 4}));  // nothing below in its column: the last item
  EXPECT_EQ(Walk(3, {-72}), (std::vector<int>{3, 1}));  // nothing above: back to the first
  EXPECT_EQ(Walk(1, {-80, -80, -80, -72, -72, -72, -77, -77, -75}), (std::vector<int>{1, 2, 4, 2, 1, 3, 1}));

  F.WrapUp = F.WrapDown = true;
  for (const int Scan : {72, 80}) {
    F.Current = 1;
    Press(std::vector<int>(Scan == 72 ? 1 : 3, -Scan));
    EXPECT_EQ(F.Run(), Scan);
    EXPECT_EQ(std::pair(F.ExitedUp, F.ExitedDown), std::pair(Scan == 72, Scan == 80));
  }
  F.AddString('E', "E", Row(6), "", S[4]);  // level with item 2: UP takes the first of them
  EXPECT_EQ(Walk(4, {-72}), (std::vector<int>{4, 2}));
}

TEST_F(Form, MouseAreasSplitTheItemsIntoGroups) {
  uint8_t V[4] = {};
  F.AddYesNo('A', "A", Row(5), "", V[0]);
  F.AddYesNo('B', "B", Row(6, 30), "", V[1]);
  F.AddZone('Z', 1, 20, 10);
  F.AddYesNo('C', "C", Row(8, 40), "", V[2]);
  F.AddYesNo('D', "D", Row(9, 50), "", V[3]);
  Track();
  // DOWN stops at the item before the zone, UP goes back; the hot key makes item 4 current,
  // DOWN goes on to the last, UP back to the first after the zone; a zone's key is no hot key.
  EXPECT_EQ(Walk(1, {-80, -80, -72, 'c', -80, -72, 'z'}), (std::vector<int>{1, 2, 1, 4, 5, 4}));
  EXPECT_EQ(std::pair(F.Current, int(V[2])), std::pair(4, 1));
  EXPECT_EQ(Text(1, 10, 20), std::string(10, ' '));  // mouse areas are never drawn
}

TEST_F(Form, ValuesShownEditedAndChanged) {
  std::string Pass = "secret", Pipe = "|14Hi|07!", Dir = "dir", Empty, Up;
  uint8_t Flag = 0, Byte = 5;
  uint32_t Bits = 6;
  S[0] = "A long piece of text";
  F.AddString('S', "S", Row(1), "", S[0]);
  F.AddPassword('P', "P", Row(2), "", Pass);
  F.AddPipeString('I', "I", Row(3), "", Pipe);
  F.AddPath('T', "T", {.LabelX = 5, .LabelY = 4, .FieldX = 20, .LabelWidth = 10, .FieldWidth = 10, .MaxLen = 4}, "",
            Dir);
  F.AddPath('E', "E", Row(5), "", Empty);
  F.AddYesNo('F', "F", Row(6), "", Flag);
  F.AddByte('B', "B", Row(7), "", 1, 254, Byte);
  F.AddBits('G', "G", Row(8), "", 4, Bits);
  F.AddUpper('U', "U", Row(9), "", Up);
  Keys("\r\rt\re\r\x1B");  // the string and both paths edited but left as they were
  F.Run();
  EXPECT_EQ(std::pair(F.Changed, Dir + Empty + Text(20, 29, 1) + Text(20, 29, 2) + Text(20, 24, 3)),
            std::pair(false, "dirA long pie******    Hi!  "s));
  Expect({{20, 3, -1, 14}, {22, 3, -1, 7}});

  Keys("td\retmp\rfb");
  Key(25);
  Keys("999\rguxy\r\x1B");
  F.Run();
  EXPECT_EQ(std::tuple(F.Changed, Dir + Empty + Up, Text(20, 22, 7)), std::tuple(true, "dirdtmp/XY"s, "254"s));
  EXPECT_EQ((std::vector<uint32_t>{Flag, Byte, Bits}), (std::vector<uint32_t>{1, 254, 2}));
}

TEST_F(Form, HelpLineOnAndOff) {
  F.AddString('A', "A", Row(5), "|15First|07 help", S[0]);
  Key(27);
  F.Run();
  EXPECT_EQ(Text(5, 79, 24), "First help" + std::string(65, ' '));
  Expect({{5, 24, -1, 15}, {10, 24, -1, 7}});

  Open(80, 25);
  TMenuForm G(C());
  G.AddString('A', "A", Row(5), "Help", S[0]);
  int Called = 0;
  G.OnHelp = [&](int, const std::string&) { ++Called; };
  for (int Width : {0, 40}) {  // off; then on, with the hook drawing instead of the line
    G.HelpWidth = Width;
    Key(27);
    G.Run();
    EXPECT_EQ(Text(5, 8, 24), "    ");
  }
  EXPECT_EQ(Called, 1);
}

TEST_F(Form, SixtyItemsAndNoMoreAndItemsOffTheScreen) {
  std::vector<std::string> V(61);
  for (int I = 0; I < 60; ++I) ASSERT_TRUE(F.AddString('A', "A", Row(1 + I % 25, 10 + I / 25 * 20), "", V[I]));
  EXPECT_FALSE(F.AddString('A', "A", Row(1), "", V[60]) || F.AddAction('B', "B", Row(1), "") || F.AddZone('C', 1, 1, 5));
  EXPECT_EQ(F.Count(), 60);

  TMenuForm G(C());
  S[0] = "x";
  G.AddString('A', std::string(100, 'L'),
              {.LabelX = 70, .LabelY = 30, .FieldX = 200, .FieldY = 40, .LabelWidth = 90, .FieldWidth = 300, .MaxLen = 255},
              std::string(200, 'h'), S[0]);
  G.HelpX = 70;
  G.HelpWidth = 200;
  Keys("\ryz\r\x1B");
  G.Run();
  EXPECT_EQ(S[0], "xyz");
}

TEST_F(Form, MouseOnLabelsAndZones) {
  uint8_t Flag = 0;
  S[0] = "a";
  F.AddString('N', "Name", Row(5), "", S[0]);
  F.AddYesNo('F', "Flag", Row(6), "", Flag);
  F.AddAction('S', "Save", {.LabelX = 5, .LabelY = 7, .LabelWidth = 10}, "");
  Track();
  Move(8, 6);     // pointer onto Flag: it becomes current
  Click(12, 5);   // click on Name's label (width 10): edits it
  Click(14, 6);   // click on Flag: flips it
  Move(15, 6);    // past the label: nothing
  Click(40, 20);  // outside, but clicks outside do not cancel by default
  Peek([&] { C().PushKey(27); });
  Keys("b\r");  // for the editor opened by the click on Name
  EXPECT_EQ(F.Run(), 27);
  EXPECT_EQ(std::pair(S[0] + char('0' + Flag), Path), std::pair("ab1"s, std::vector<int>{1, 2, 1, 2}));
  Click(6, 7);
  EXPECT_EQ(F.Run(), 'S');
  EXPECT_EQ(F.Current, 3);
  F.ClickOutsideCancels = true;
  Click(15, 9);  // inside the labels' rectangle widened by two
  Click(40, 20);
  EXPECT_EQ(F.Run(), 27);
  EXPECT_TRUE(MouseSteps.empty());

  TMenuForm G(C());
  G.AddYesNo('F', "Flag", Row(6), "", Flag);
  G.AddZone('Z', 30, 10, 5);
  G.AddHoverZone('H', 50, 10, 5);
  Move(31, 10);  // onto the click zone: nothing
  Click(32, 10);
  EXPECT_EQ(G.Run(), 'Z');
  EXPECT_EQ(std::pair(G.ExitedByKey, G.Current), std::pair(false, 1));  // a zone never becomes current
  Move(52, 10);
  EXPECT_EQ(G.Run(), 'H');
  EXPECT_TRUE(G.ExitedByKey);
}

using Pickers = Form;

TEST_F(Pickers, ColourPickerStartPositionAndResult) {
  const auto Before = Pattern();
  // 142: foreground 14, background 0 once bit 7 is dropped. The marker rings
  // the chosen swatch in dark grey on grey; other swatches show their own colour.
  Peek([&] {
    EXPECT_EQ(Text(34, 47, 7), " Select color ");
    EXPECT_EQ(Text(37, 44, 18), " Sample ");
    Expect({{47, 9, 0xFE, 14}, {37, 18, -1, 14}, {47, 8, 0xDC, 0x78}, {46, 9, 0xDB}, {47, 10, 0xDF},
            {33, 16, -1, 0x70}, {40, 12, -1, 7 + 16 * 3}});
  });
  Key(13);
  EXPECT_EQ(F.PickColor(142), 14);
  EXPECT_TRUE(Same(*Before));

  std::vector<int> ToCorner(10, -80);  // foreground and background stop at their ends
  ToCorner.resize(30, -77);
  ToCorner.push_back(13);
  for (auto [Keys, Start, Want] : {std::tuple<std::vector<int>, int, int>{{-77, -80, 13}, 142, 15 + 16},
                                   {{-75, -72, 13}, 0, 0}, {ToCorner, 0, 127}, {{-77, 27}, 142, 142}}) {
    Press(Keys);
    EXPECT_EQ(F.PickColor(static_cast<uint8_t>(Start)), Want);
  }
  Click(36, 11);  // foreground 3, background 2
  Click(60, 20);  // outside the grid
  Click(36, 11);  // the chosen one again: taken
  EXPECT_EQ(F.PickColor(7), 3 + 32);
  Close();
  EXPECT_EQ(F.PickColor(142), 142);
}

TEST_F(Pickers, CharacterPickerStoresTheLowEightBits) {
  const auto Before = Pattern();
  char Got = 'A';
  Watch([&] { F.PickChar(Got); }, 9, "Enter ASCII", [&] {
    EXPECT_EQ(Text(21, 60, 9), "Enter ASCII character number (1-254) 65\xB0");
    Expect({{21, 9, -1, 113}, {19, 8, 0xDB}, {62, 10, 0xDB}});
  }, "\r");
  EXPECT_EQ(Got, 'A');
  // 300; then "44" less a digit and "66" of which only two fit; then a sign, read as StrToInt reads it.
  for (auto [Typed, Want] : {std::pair<std::string, int>{"\x19" "300\r", 300 & 255}, {"\b667\r", 466 & 255},
                             {"\x19" "+66\r", 66}}) {
    Keys(Typed);
    F.PickChar(Got);
    EXPECT_EQ(static_cast<uint8_t>(Got), Want);
    EXPECT_TRUE(Same(*Before));
  }
  Got = 'x';
  Close();
  F.PickChar(Got);
  EXPECT_EQ(Got, 'x');
}

TEST_F(Pickers, FormItemsOpenThePickers) {
  uint8_t Color = 142;
  char Chr = 'A';
  F.AddColor('C', "Colour", {.LabelX = 5, .LabelY = 5, .FieldX = 20, .LabelWidth = 10}, "", Color);
  F.AddChar('H', "Char", {.LabelX = 5, .LabelY = 6, .FieldX = 20, .LabelWidth = 10}, "", Chr);
  Press({13, 13, 27});  // the picker taken unchanged: still 14 once the blink bit goes
  F.Run();
  EXPECT_EQ(std::tuple(Color, F.Changed, Attr(20, 5)), std::tuple(uint8_t{14}, true, uint8_t{14}));

  F.Changed = false;
  Press({'c', 27, 'h', 25, '6', '6', 13, 27});  // colour picker cancelled, then a character
  F.Run();
  EXPECT_EQ(std::tuple(Color, Chr, F.Changed, Ch(20, 6)), std::tuple(uint8_t{14}, 'B', true, uint8_t{'B'}));
}

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
  // Mode, start text, keys, field width and length -> the text.
  const std::tuple<uint8_t, const char*, std::vector<int>, int, int, const char*> Cases[] = {
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
  for (const auto& [Mode, Start, Keys, Width, Max, Want] : Cases) {
    Press(Keys);
    Key('\r');
    EXPECT_EQ(Edit(Mode, Start, Width, Max), Want);
    EXPECT_EQ(Code, 13);
  }
  EXPECT_TRUE(Changed);
}

TEST_F(LineEditor, FieldColoursAndTheScrollingView) {
  Keys("ab\r");
  Edit(TMenuInput::ModeText, "", 5, 10);
  Expect({{10, 5, 'a', 31}, {11, 5, 'b'}, {12, 5, 0xB0, 23}, {14, 5, 0xB0}, {15, 5, -1, 7}});
  EXPECT_EQ(std::pair(C().CursorX, C().CursorY), std::pair(12, 5));

  const std::string T = "ABCDEFGHIJKLMNOPQRSTUVWXY";  // 25 characters in a 10-wide field
  // Want: null when unchanged.
  const struct { std::vector<int> Keys; const char *Want, *View; int CursorX; } Cases[] = {
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
  EXPECT_EQ(Text(70, 80, 25) + std::to_string(C().CursorX), "qrstuvwxyz\xB0" "80");
  // A secret shows a star for every character.
  Keys("pass\r");
  In.Mask = '*';
  EXPECT_EQ(In.GetStr(1, 3, 6, 10, TMenuInput::ModeText, ""), "pass");
  EXPECT_EQ(Text(1, 6, 3), "****\xB0\xB0");
}

TEST_F(LineEditor, EndingKeysNumbersAndClosing) {
  TMenuInput In(C());
  In.HotKeys = std::string("\r\x1B");
  In.ExitKeys = std::string("\x48");
  Keys("x\x1B");
  EXPECT_EQ(In.GetStr(1, 1, 10, 10, TMenuInput::ModeText, "q"), "qx");
  EXPECT_EQ(In.ExitCode, 27);
  Press({-80, 'y', -72});  // DOWN is no exit key: ignored
  EXPECT_EQ(In.GetStr(1, 1, 10, 10, TMenuInput::ModeText, ""), "y");
  EXPECT_EQ(std::pair(int(In.ExitCode), In.Changed), std::pair(72, true));

  // Numbers: keys, field width and length, range, start -> the number; no number is zero.
  const std::tuple<std::vector<int>, int, int, int, int, int> Cases[] = {
      {{'9', '9', '9'}, 3, 1, 254, 5, 254},  // appended to "5": 5999
      {{25}, 3, 1, 254, 5, 1}, {{25, '9', '9', '9'}, 3, 1, 254, 5, 254},
      {{25, '-', '4', '-'}, 5, -10, 10, 0, 0}, {{25, '-', '4'}, 5, -10, 10, 0, -4}};
  TMenuInput Num(C());
  for (const auto& [Keys, Width, Lo, Hi, Start, Want] : Cases) {
    Press(Keys);
    Key('\r');
    EXPECT_EQ(Num.GetNum(1, 1, Width, Width, Lo, Hi, Start), Want);
  }

  Keys("abc");
  Close();
  EXPECT_EQ(Edit(TMenuInput::ModeText, "start"), "start");
  EXPECT_EQ(std::pair(int(Code), Changed), std::pair(27, false));
}

}  // namespace
