#include "ui/menuform.h"
#include "ui_test_util.h"

namespace {

class Form : public UITest {
 protected:
  // Records the current item every time it changes (the help hook fires then).
  void Track(TMenuForm& F) {
    F.OnHelp = [this](int Cur, const std::string&) { Path.push_back(Cur); };
  }
  std::vector<int> Path;
};

TEST_F(Form, TogglesStepAndWrapBackToTheLowest) {
  TMenuForm F(C());
  uint8_t V = 3;
  F.AddToggle('T', "Type", 5, 5, 20, 5, 10, "", 12, 1, 3, "One Two Default_IPV4", V);
  EXPECT_EQ(Text(20, 31, 5), std::string(12, ' '));  // nothing drawn before Run
  Key(13);
  Key(27);
  EXPECT_EQ(F.Run(), 27);
  EXPECT_EQ(V, 1);
  EXPECT_TRUE(F.Changed);
  EXPECT_EQ(Text(20, 31, 5), "One         ");
  Key(13);
  Key(13);
  Key(27);
  F.Run();
  EXPECT_EQ(V, 3);
  EXPECT_EQ(Text(20, 31, 5), "Default IPV4");
  EXPECT_EQ(Attr(20, 5), 113);
}

TEST_F(Form, ToggleOutsideItsRangeIsResetWhenAdded) {
  TMenuForm F(C());
  uint8_t V = 7;
  F.AddToggle('T', "Type", 5, 5, 20, 5, 10, "", 8, 0, 2, "A B C", V);
  EXPECT_EQ(V, 0);
  uint8_t W = 2;
  F.AddToggle('U', "Type", 5, 6, 20, 6, 10, "", 8, 0, 2, "A B C", W);
  EXPECT_EQ(W, 2);
}

TEST_F(Form, ItemsSharingAHotKeyBothAct) {
  TMenuForm F(C());
  uint8_t A = 0, B = 1;
  std::string S = "x";
  F.AddToggle('P', "Protocol", 5, 5, 20, 5, 10, "", 8, 0, 2, "A B C", A);
  F.AddString('N', "Name", 5, 6, 20, 6, 10, "", 10, 20, S);
  F.AddToggle('P', "Port", 5, 7, 20, 7, 10, "", 8, 0, 2, "A B C", B);
  Track(F);
  Key('p');
  Key(27);
  F.Run();
  EXPECT_EQ(A, 1);
  EXPECT_EQ(B, 2);
  EXPECT_EQ(F.Current, 3);
  EXPECT_EQ(Path, (std::vector<int>{1, 3}));
  // The hot-key letter is picked out in the labels.
  EXPECT_EQ(Attr(5, 5), 127);
  EXPECT_EQ(Attr(6, 5), 112);
  EXPECT_EQ(Attr(5, 6), 127);  // N of Name
  EXPECT_EQ(Attr(5, 7), 31);   // current label's letter
  EXPECT_EQ(Attr(6, 7), 27);
  EXPECT_EQ(Text(5, 14, 7), "Port      ");
}

TEST_F(Form, ActionsEndTheFormWithTheirKey) {
  TMenuForm F(C());
  F.AddAction('E', "Edit", 5, 5, 5, 5, 10, "");
  F.AddAction('X', "Exit", 5, 6, 5, 6, 10, "");
  Key('x');
  EXPECT_EQ(F.Run(), 'X');
  Ext(80);
  Key(13);
  F.Current = 1;
  EXPECT_EQ(F.Run(), 'X');
  F.HotKeys = "q";
  Key('q');
  EXPECT_EQ(F.Run(), 'q');
  F.ExitKeys = std::string("\x3B");  // F1
  Ext(59);
  EXPECT_EQ(F.Run(), 59);
  EXPECT_TRUE(F.ExitedByKey);
  Key(27);
  EXPECT_EQ(F.Run(), 27);
  EXPECT_FALSE(F.ExitedByKey);
  Close();
  EXPECT_EQ(F.Run(), 27);
}

TEST_F(Form, UpAndDownFollowTheValueColumn) {
  TMenuForm F(C());
  std::string S[5];
  // Column one: items 1, 2, 4 at field x 20; item 3 at field x 60.
  F.AddString('A', "A", 5, 5, 20, 5, 10, "", 10, 10, S[0]);
  F.AddString('B', "B", 5, 6, 20, 6, 10, "", 10, 10, S[1]);
  F.AddString('C', "C", 45, 5, 60, 5, 10, "", 10, 10, S[2]);
  F.AddString('D', "D", 5, 7, 20, 7, 10, "", 10, 10, S[3]);
  Track(F);
  // Nothing below item 3 in its column: forward to the last item.
  F.Current = 3;
  Ext(80);
  Key(27);
  F.Run();
  EXPECT_EQ(Path, (std::vector<int>{3, 4}));
  Path.clear();
  F.Current = 1;
  Ext(80);
  Ext(80);
  Ext(80);
  Ext(72);
  Ext(72);
  Ext(72);
  Ext(77);
  Ext(77);
  Ext(75);  // LEFT back to 1
  Key(27);
  F.Run();
  EXPECT_EQ(Path, (std::vector<int>{1, 2, 4, 2, 1, 3, 1}));

  // Item 3 has nothing above it: UP goes back to item 1.
  Path.clear();
  F.Current = 3;
  Ext(72);
  Key(27);
  F.Run();
  EXPECT_EQ(Path, (std::vector<int>{3, 1}));
}

TEST_F(Form, WrapEndsTheFormAtEitherEnd) {
  TMenuForm F(C());
  std::string A, B;
  F.AddString('A', "A", 5, 5, 20, 5, 10, "", 10, 10, A);
  F.AddString('B', "B", 5, 6, 20, 6, 10, "", 10, 10, B);
  F.WrapUp = F.WrapDown = true;
  Ext(72);
  EXPECT_EQ(F.Run(), 72);
  EXPECT_TRUE(F.ExitedUp);
  Ext(80);
  Ext(80);
  EXPECT_EQ(F.Run(), 80);
  EXPECT_TRUE(F.ExitedDown);
  EXPECT_FALSE(F.ExitedUp);
}

TEST_F(Form, MouseAreasSplitTheItemsIntoGroups) {
  TMenuForm F(C());
  uint8_t V[4] = {};
  F.AddYesNo('A', "A", 5, 5, 20, 5, 10, "", V[0]);
  F.AddYesNo('B', "B", 5, 6, 30, 6, 10, "", V[1]);
  F.AddZone('Z', 1, 20, 10);
  F.AddYesNo('C', "C", 5, 8, 40, 8, 10, "", V[2]);
  F.AddYesNo('D', "D", 5, 9, 50, 9, 10, "", V[3]);
  Track(F);
  Ext(80);  // nothing below in column 20: to the item before the zone (2)
  Ext(80);  // on 2, the zone follows at once: stays
  Ext(72);  // back to item 1
  Key('c');  // hot key: flips item 4 and makes it current
  Ext(80);  // forward to the last item
  Ext(72);  // back to the first item after the zone
  Key('z');  // a zone's key is not a hot key
  Key(27);
  F.Run();
  EXPECT_EQ(Path, (std::vector<int>{1, 2, 1, 4, 5, 4}));
  EXPECT_EQ(F.Current, 4);
  EXPECT_EQ(V[2], 1);
  // Mouse areas are never drawn.
  EXPECT_EQ(Text(1, 10, 20), std::string(10, ' '));
}

TEST_F(Form, ValuesOfEveryKindAreShown) {
  TMenuForm F(C());
  std::string Str = "A long piece of text", Pass = "secret", Pipe = "|14Hi|07!", Path = "/tmp", Up = "UP", Date = "12/31/99";
  uint8_t Flag = 1, Byte = 42, Color = 31;
  uint16_t Word = 1234;
  int32_t Long = -5;
  uint32_t Bits = 6;
  char Chr = 'Q';
  F.AddString('S', "S", 1, 1, 20, 1, 10, "", 10, 40, Str);
  F.AddPassword('P', "P", 1, 2, 20, 2, 10, "", 10, 40, Pass);
  F.AddPipeString('I', "I", 1, 3, 20, 3, 10, "", 5, 40, Pipe);
  F.AddPath('T', "T", 1, 4, 20, 4, 10, "", 10, 40, Path);
  F.AddUpper('U', "U", 1, 5, 20, 5, 10, "", 10, 40, Up);
  F.AddDate('D', "D", 1, 6, 20, 6, 10, "", Date);
  F.AddYesNo('F', "F", 1, 7, 20, 7, 10, "", Flag);
  F.AddByte('B', "B", 1, 8, 20, 8, 10, "", 3, 0, 255, Byte);
  F.AddWord('W', "W", 1, 9, 20, 9, 10, "", 5, 0, 65535, Word);
  F.AddLong('L', "L", 1, 10, 20, 10, 10, "", 6, -100, 100, Long);
  F.AddBits('G', "G", 1, 11, 20, 11, 10, "", 4, Bits);
  F.AddChar('H', "H", 1, 12, 20, 12, 10, "", Chr);
  F.AddColor('C', "C", 1, 13, 20, 13, 10, "", Color);
  Key(27);
  F.Run();
  EXPECT_EQ(Text(20, 29, 1), "A long pie");
  EXPECT_EQ(Text(20, 29, 2), "******    ");
  EXPECT_EQ(Text(20, 24, 3), "Hi!  ");
  EXPECT_EQ(Attr(20, 3), 14);
  EXPECT_EQ(Attr(22, 3), 7);
  EXPECT_EQ(Text(20, 24, 4), "/tmp ");
  EXPECT_EQ(Text(20, 27, 6), "12/31/99");
  EXPECT_EQ(Text(20, 22, 7), "Yes");
  EXPECT_EQ(Text(20, 22, 8), "42 ");
  EXPECT_EQ(Text(20, 24, 9), "1234 ");
  EXPECT_EQ(Text(20, 21, 10), "-5");
  EXPECT_EQ(Text(20, 22, 11), "Yes");
  EXPECT_EQ(Ch(20, 12), 'Q');
  EXPECT_EQ(Text(20, 27, 13), " Sample ");
  EXPECT_EQ(Attr(20, 13), 31);
  EXPECT_FALSE(F.Changed);
}

TEST_F(Form, EditingEachKindAndChanged) {
  TMenuForm F(C());
  std::string Str = "ab", Path = "dir", Empty, Up;
  uint8_t Flag = 0, Byte = 5;
  uint32_t Bits = 6;
  F.AddString('S', "S", 1, 1, 20, 1, 10, "", 10, 40, Str);
  F.AddPath('T', "T", 1, 2, 20, 2, 10, "", 10, 40, Path);
  F.AddPath('E', "E", 1, 3, 20, 3, 10, "", 10, 40, Empty);
  F.AddYesNo('F', "F", 1, 4, 20, 4, 10, "", Flag);
  F.AddByte('B', "B", 1, 5, 20, 5, 10, "", 3, 1, 254, Byte);
  F.AddBits('G', "G", 1, 6, 20, 6, 10, "", 4, Bits);
  F.AddUpper('U', "U", 1, 7, 20, 7, 10, "", 10, 10, Up);

  Key(13);  // edit the string without changing it
  Key(13);
  Key(27);
  F.Run();
  EXPECT_FALSE(F.Changed);

  Keys("s");
  Keys("c\r");
  Keys("t\r");
  Keys("e\r");
  Keys("f");
  Keys("b");
  Key(25);
  Keys("999\r");
  Keys("g");
  Keys("uxy\r");
  Key(27);
  F.Run();
  EXPECT_TRUE(F.Changed);
  EXPECT_EQ(Str, "abc");
  EXPECT_EQ(Path, "dir/");
  EXPECT_EQ(Empty, "/");
  EXPECT_EQ(Flag, 1);
  EXPECT_EQ(Byte, 254);
  EXPECT_EQ(Bits, 2u);
  EXPECT_EQ(Up, "XY");
  EXPECT_EQ(Text(20, 22, 5), "254");
}

TEST_F(Form, HelpLineOnOffAndReplaced) {
  TMenuForm F(C());
  std::string A, B;
  F.AddString('A', "A", 5, 5, 20, 5, 10, "|15First|07 help", 10, 10, A);
  F.AddString('B', "B", 5, 6, 20, 6, 10, "Second", 10, 10, B);
  Key(27);
  F.Run();
  EXPECT_EQ(Text(5, 15, 24), "First help ");
  EXPECT_EQ(Attr(5, 24), 15);
  EXPECT_EQ(Attr(10, 24), 7);
  EXPECT_EQ(Text(5, 79, 24), "First help" + std::string(65, ' '));

  Open(80, 25);
  TMenuForm G(C());
  G.AddString('A', "A", 5, 5, 20, 5, 10, "Help", 10, 10, A);
  G.HelpWidth = 0;
  bool Called = false;
  G.OnHelp = [&](int, const std::string&) { Called = true; };
  Key(27);
  G.Run();
  EXPECT_EQ(Text(5, 8, 24), "    ");
  EXPECT_FALSE(Called);

  G.HelpWidth = 40;
  Key(27);
  G.Run();
  EXPECT_TRUE(Called);
  EXPECT_EQ(Text(5, 8, 24), "    ");
}

TEST_F(Form, SixtyItemsAndNoMore) {
  TMenuForm F(C());
  std::vector<std::string> V(61);
  for (int I = 0; I < 60; ++I) ASSERT_TRUE(F.AddString('A', "A", 1, 1 + I % 25, 10 + I / 25 * 20, 1 + I % 25, 5, "", 5, 5, V[I]));
  EXPECT_FALSE(F.AddString('A', "A", 1, 1, 10, 1, 5, "", 5, 5, V[60]));
  EXPECT_FALSE(F.AddAction('B', "B", 1, 1, 1, 1, 5, ""));
  EXPECT_FALSE(F.AddZone('C', 1, 1, 5));
  EXPECT_EQ(F.Count(), 60);
  Ext(79);
  Key(27);
  F.Run();
}

TEST_F(Form, ItemsOffTheScreenAreClippedNotFatal) {
  TMenuForm F(C());
  std::string S = "x";
  F.AddString('A', std::string(100, 'L'), 70, 30, 200, 40, 90, std::string(200, 'h'), 300, 255, S);
  F.HelpX = 70;
  F.HelpWidth = 200;
  Key(13);
  Keys("yz\r");
  Key(27);
  F.Run();
  EXPECT_EQ(S, "xyz");
}

TEST_F(Form, MouseOnLabels) {
  TMenuForm F(C());
  std::string S = "a";
  uint8_t Flag = 0;
  F.AddString('N', "Name", 5, 5, 20, 5, 10, "", 10, 10, S);
  F.AddYesNo('F', "Flag", 5, 6, 20, 6, 10, "", Flag);
  F.AddAction('S', "Save", 5, 7, 5, 7, 10, "");
  Track(F);
  Move(8, 6);      // pointer onto Flag: it becomes current
  Click(12, 5);    // click on Name's label (width 10): edits it
  Click(14, 6);    // click on Flag: flips it
  Move(15, 6);     // past the label: nothing
  Click(40, 20);   // outside, but clicks outside do not cancel by default
  Peek([&] { C().PushKey(27); });
  Keys("b\r");    // for the editor opened by the click on Name
  EXPECT_EQ(F.Run(), 27);
  EXPECT_EQ(S, "ab");
  EXPECT_EQ(Flag, 1);
  EXPECT_EQ(Path, (std::vector<int>{1, 2, 1, 2}));

  Click(6, 7);
  EXPECT_EQ(F.Run(), 'S');
  EXPECT_EQ(F.Current, 3);

  F.ClickOutsideCancels = true;
  Click(15, 9);  // inside the labels' rectangle widened by two
  Click(40, 20);
  EXPECT_EQ(F.Run(), 27);
  EXPECT_TRUE(MouseSteps.empty());
}

TEST_F(Form, MouseZones) {
  TMenuForm F(C());
  uint8_t Flag = 0;
  F.AddYesNo('F', "Flag", 5, 6, 20, 6, 10, "", Flag);
  F.AddZone('Z', 30, 10, 5);
  F.AddHoverZone('H', 50, 10, 5);
  Move(31, 10);   // onto the click zone: nothing
  Click(32, 10);
  EXPECT_EQ(F.Run(), 'Z');
  EXPECT_FALSE(F.ExitedByKey);
  EXPECT_EQ(F.Current, 1);  // a zone never becomes current
  Move(52, 10);
  EXPECT_EQ(F.Run(), 'H');
  EXPECT_TRUE(F.ExitedByKey);
}

}  // namespace
