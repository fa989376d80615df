// Framed boxes, message and input boxes, popup menus, and the phone book's questions shown in them.
#include "phonebook/prompts_ui.h"
#include "ui/dialogs.h"
#include "ui/menubox.h"
#include "ui_test_util.h"

using namespace lx;

namespace {

class Frames : public UITest {};

// Corners and sides of every style, in the two tones: FrameHi for the top, the left and the
// inside, FrameLo for the right and the bottom; the two odd corners have their own.
TEST_F(Frames, EveryStyleDrawsItsCharactersInTheTwoTones) {
  // Top-left, top, top-right, left, right, bottom-left, bottom, bottom-right.
  const char* Styles[8] = {"\xDA\xC4\xBF\xB3\xB3\xC0\xC4\xD9", "\xC9\xCD\xBB\xBA\xBA\xC8\xCD\xBC", "\xD6\xC4\xB7\xBA\xBA\xD3\xC4\xBD",
                           "\xD5\xCD\xB8\xB3\xB3\xD4\xCD\xBE", "\xDB\xDF\xDB\xDB\xDB\xDB\xDC\xDB", "\xDB\xDF\xDC\xDB\xDB\xDF\xDC\xDB",
                           "        ",                         ".-.||`-'"};
  const int PX[8] = {10, 20, 30, 10, 30, 10, 20, 30}, PY[8] = {5, 5, 5, 7, 7, 10, 10, 10};
  for (uint8_t Style = 1; Style <= 9; ++Style) {
    SCOPED_TRACE(Style);
    TMenuBox Box(C());
    Box.FrameType = Style == 9 ? 5 : Style;  // 9: style 5 flat, all in FrameHi
    Box.Box3D = Style != 9;
    if (Style == 9) Box.FrameHi = 31;
    Box.Shadow = false;
    Box.Open(10, 5, 30, 10);
    std::string Got;
    for (int I = 0; I < 8; ++I) Got += static_cast<char>(Ch(PX[I], PY[I]));
    EXPECT_EQ(Got + Text(11, 29, 8), Styles[(Style == 9 ? 5 : Style) - 1] + std::string(19, ' '));
    const int Hi = Style == 9 ? 31 : 127, Lo = Style == 9 ? 31 : 120;
    Expect({{10, 5, -1, Hi}, {29, 5, -1, Hi}, {30, 5, -1, Lo}, {10, 9, -1, Hi}, {20, 9, -1, Hi}, {30, 9, -1, Lo},
            {10, 10, -1, Hi}, {11, 10, -1, Lo}, {30, 10, -1, Lo}});
    EXPECT_EQ(Ch(31, 7), Ch(32, 7));  // no shadow asked for
    Box.Close();
  }
}

// Titles sit left, centred (inner width 18, title of 6: from 11 + (18 - 6) / 2) or right and are
// cut to the frame. The shadow keeps the characters under it, in black; cells just outside stay.
TEST_F(Frames, TitlesAndTheShadow) {
  for (const auto& [Align, Start] : {std::pair{0, 17}, {1, 11}, {2, 23}}) {
    TMenuBox Box(C());
    Box.Shadow = false, Box.Title = " Info ", Box.TitleAlign = static_cast<uint8_t>(Align);
    Box.Open(10, 5, 29, 9);
    EXPECT_EQ(Text(Start, Start + 5, 5), " Info ") << Align;
    Expect({{Start, 5, -1, 31}, {Start - 1, 5, -1, 127}});
    Box.Close();
  }
  const auto Before = Pattern();
  const auto Under = [&](int X, int Y) { return Before->Image.Cells[Y - 1][X - 1]; };
  TMenuBox Box(C());
  Box.Open(10, 5, 30, 10);
  for (int Y = 6; Y <= 11; ++Y)
    for (int X = Y == 11 ? 12 : 31; X <= 32; ++X) Expect({{X, Y, Under(X, Y).Ch, 0}});
  Expect({{11, 11, -1, Under(11, 11).Attr}, {31, 5, -1, Under(31, 5).Attr}, {33, 8, -1, Under(33, 8).Attr}});
  Box.Close();
  Box.Shadow = false;
  Box.Title = std::string(40, 'T');
  Box.Open(10, 5, 20, 9);
  EXPECT_EQ(Text(9, 21, 5).substr(1, 11), "\xDB" + std::string(9, 'T') + "\xDC");
  EXPECT_TRUE(Ch(9, 5) != 'T' && Ch(21, 5) != 'T');
}

// Every cell, the cursor and the colours come back, through nested boxes; opening again
// redraws (clipped to the screen, corners in any order) but closing goes back to the screen
// of the first open; a box never opened puts nothing back.
TEST_F(Frames, CloseRestoresEveryCellTheCursorAndTheColours) {
  const auto S0 = Pattern();
  TMenuBox Never(C()), Outer(C()), Inner(C()), Box(C());
  Never.Close();
  EXPECT_TRUE(Same(*S0));
  Outer.Title = " Hello ";
  Outer.Open(5, 5, 50, 20);
  const auto S1 = Snapshot();
  Inner.FrameType = 2;
  Inner.Open(20, 10, 70, 22);
  EXPECT_FALSE(Same(*S1));
  Inner.Close();
  EXPECT_TRUE(Same(*S1));
  Outer.Close();
  EXPECT_TRUE(Same(*S0));
  Box.Open(5, 5, 20, 10);
  Box.Title = std::string(300, 'x');
  Box.Open(5, 5, 40, 15);
  EXPECT_EQ(Ch(40, 15), 0xDB);
  Box.Open(-10, -3, 500, 300);
  EXPECT_EQ(Attr(1, 1), 127);
  Box.Open(70, 20, 5, 2);
  Box.Close();
  EXPECT_TRUE(Same(*S0));
  Box.Close();
  EXPECT_TRUE(Same(*S0));
}

class Messages : public UITest {
 protected:
  bool Ask(const std::string& T = "Quit?") { return MessageBox(C(), Settings, MessageYesNo, T); }
  bool Tell(const std::string& T) { return MessageBox(C(), Settings, MessageInfo, T); }
};

TEST_F(Messages, SixtyCharacterMessageSpansColumnsNineToSeventyTwoWiderOnesAreCut) {
  const auto Before = Pattern();
  const std::string T(60, 'm');
  bool Seen = false;
  Peek([&] {
    Seen = true;
    Expect({{9, 10, 0xDB}, {72, 10, 0xDC}, {11, 12, -1, 112}, {39, 14, -1, 79}, {38, 10, -1, 116}});
    EXPECT_NE(Ch(8, 10), 0xDB);
    EXPECT_EQ(Text(11, 70, 12) + Text(39, 42, 14) + Text(38, 43, 10), T + " OK " + " Info ");
  });
  Keys("xyz");
  EXPECT_TRUE(Tell(T));
  EXPECT_TRUE(Seen && !C().KeyPressed() && Same(*Before));  // keys typed ahead are dropped

  Click(10, 3);   // elsewhere: ignored
  Click(41, 14);  // OK covers 39..43
  EXPECT_TRUE(Tell(T) && MouseSteps.empty());

  Settings.Theme = 0;  // the ASCII look: plain, flat frame
  Peek([&] { Expect({{9, 10, '.'}, {9, 11, '|'}, {72, 15, -1, 127}}); });
  Key(13);
  Tell(T);
  Settings.Theme = 1;
  // Wider than the screen: cut at its edges, on any screen.
  std::string W;
  for (int I = 0; I < 300; ++I) W += static_cast<char>('a' + I % 26);
  Peek([&] { EXPECT_EQ(Text(1, 1, 10) + Text(80, 80, 10) + Text(3, 78, 12), "\xDB\xDC" + W.substr(0, 76)); });
  Key(13);
  Tell(W);
  EXPECT_TRUE(Same(*Before));
  Open(160, 60);
  Peek([&] { EXPECT_EQ(Text(3, 158, 12), W.substr(0, 156)); });
  Key('n');
  EXPECT_FALSE(Ask(W));
}

// "Quit?" sits in a box wide enough for both buttons: YES at 36-40, NO at 41-44.
// The phone book's questions are such boxes, its notices OK boxes.
TEST_F(Messages, QuestionKeysClicksAndTheBookPrompts) {
  const struct { std::vector<int> Keys; bool Yes; } Cases[] = {
      {{'n'}, false},        {{'Y'}, true},         {{13}, true},  {{-77, 13}, false}, {{-77, -75, 13}, true},
      {{' ', 13}, false}, {{' ', ' ', 'q', 27, 13}, true},  // other keys are ignored
  };
  for (const auto& Case : Cases) {
    Press(Case.Keys);
    EXPECT_EQ(Ask(), Case.Yes) << Case.Keys.size() << " keys, first " << *Case.Keys.begin();
  }
  Click(42, 14);  // selects NO
  Click(20, 20);  // nowhere
  Click(43, 14);  // answers NO
  EXPECT_FALSE(Ask());
  Click(37, 14);  // YES is selected: answers it
  EXPECT_TRUE(Ask());
  lx::TPhoneBookPromptsUI Prompts(C(), Settings);
  const std::string Question = "Unable to load phonebook.  Create new one?";
  Peek([&] { EXPECT_EQ(Text(20, 61, 12), Question); });
  Key('n');
  EXPECT_FALSE(Prompts.AskYesNo(Question));
  Key('y');
  EXPECT_TRUE(Prompts.AskYesNo(Question));
  Peek([&] {
    EXPECT_EQ(Text(26, 54, 12) + Text(38, 41, 14), "Creating phone book: club.phn OK ");
    C().PushKey(13);
  });
  Prompts.Notice("Creating phone book: club.phn");
  Close();
  EXPECT_TRUE(Ask() && Tell("Bye"));
}

TEST_F(Messages, InputBoxEditsTheDefaultAndFitsTheScreen) {
  const auto Before = Pattern();
  // Prompt of 30, field 40: box from (82 - 40) / 2 = 21 to 63.
  const std::string Prompt(30, 'p');
  std::string Got;
  const auto Run = [&] { Got = InputBox(C(), "Import X", Prompt, "abc", 40, 255); };
  Watch(Run, 10, " Import X ", [&] {
    Expect({{21, 10, 0xDB}, {63, 10, 0xDC}, {37, 10, -1, 116}, {23, 12, -1, 112}, {23, 13, -1, 79}, {62, 13, -1, 71}});
    EXPECT_EQ(Text(37, 46, 10) + Text(23, 52, 12) + Text(23, 26, 13), " Import X " + Prompt + "abc\xB0");
  }, "d\r");
  EXPECT_TRUE(Got == "abcd" && Same(*Before));
  Keys("d\x1B");
  Run();
  EXPECT_EQ(Got, "");

  // Wider than the screen: narrowed, the field stops inside the frame.
  const std::string Long(100, 'k'), Huge(200, 'h');
  const auto Wide = [&] { Got = InputBox(C(), Huge, Huge, "", 200, 255); };
  Watch(Wide, 10, "hhh", [&] { Expect({{1, 10, 0xDB}, {80, 10, 0xDC}, {80, 13, 0xDB}}); },
        Long + "\r");
  EXPECT_EQ(Got, Long);
  // On a wider screen it sits over the centred 80 columns, 26 - 1 further right.
  Open(132, 25);
  Watch(Run, 10, " Import X ", [&] { EXPECT_EQ(Text(62, 71, 10), " Import X "); }, "\x1B");
  Close();
  Run();
  EXPECT_EQ(Got, "");
}

class Popup : public UITest {
 protected:
  int Run(const std::string& Items = DirMenu, int X = 10, int Y = 5) { return PopupMenu(C(), X, Y, Items); }
  static inline const std::string DirMenu = "E-Edit|I-Insert|D-Delete|S-Sort|C-Change Book|M-Import|X-Exit|";
};

// Widest text 11: 17 columns, so at column 75 it moves to 62; entries past the screen are cut.
TEST_F(Popup, StaysOnTheScreenAndTakesOddItemStrings) {
  const auto Before = Pattern();
  Peek([&] {
    // The highlighted entry's hot letter, then another entry's.
    Expect({{62, 16, 0xDB}, {78, 16, 0xDC}, {78, 24, 0xDB}, {63, 17, -1, 79}, {64, 17, -1, 76}, {63, 18, -1, 112},
            {64, 18, -1, 127}});
    EXPECT_EQ(Text(63, 75, 17) + Text(63, 75, 21), " E Edit       C Change Boo");
  });
  Key(27);
  EXPECT_TRUE(Run(DirMenu, 75, 24) == 27 && Same(*Before));

  std::string Items;
  for (int I = 0; I < 40; ++I) Items += std::string(1, static_cast<char>('!' + I)) + "-Entry " + std::to_string(I) + "|";
  Peek([&] {
    Expect({{10, 1, 0xDB}, {10, 25, 0xDF}});  // 23 entries: the frame fills the screen's height
    EXPECT_EQ(Text(11, 21, 24), " 7 Entry 22");
  });
  Press({-79});  // nothing: a popup has no END
  Press(std::vector<int>(30, -80));
  Key(13);
  EXPECT_EQ(Run(Items, 10, 10), '!' + 22);
  Keys("H\x1B");  // entry 39's key: that entry was cut
  EXPECT_EQ(Run(Items, 10, 10), 27);

  EXPECT_EQ(Run("") + Run("||"), 2 * 27);
  Key('a');
  EXPECT_EQ(Run("A|B-" + std::string(100, 'x') + "|no bar at the end"), 'A');
}

TEST_F(Popup, KeysAndClicksChooseAnEntry) {
  for (const auto& [Keys, Want] : {std::pair<std::vector<int>, int>{{'d'}, 'D'}, {{13}, 'E'}, {{-80, -80, -80, 13}, 'S'},
                                    {{'z', 'X'}, 'X'}}) {
    Press(Keys);
    EXPECT_EQ(Run(), Want);
  }
  // Box at (10, 5): entries on rows 6-12, labels from column 11, 15 wide.
  Click(14, 8);
  EXPECT_EQ(Run(), 'D');
  Move(12, 9);
  Key(13);
  EXPECT_EQ(Run(), 'S');
  Click(50, 20);  // well outside
  EXPECT_EQ(Run(), 27);
  Click(26, 9);  // within two cells of the labels: not outside
  Key('x');
  EXPECT_EQ(Run(), 'X');
  Close();
  EXPECT_EQ(Run(), 27);
}

}  // namespace
