#include <algorithm>

#include "ui/dialogs.h"
#include "ui/listbox.h"
#include "ui_test_util.h"

namespace {

class List : public UITest {
 protected:
  void Fill(int N) {
    for (int I = 1; I <= N; ++I) L.Add("Line " + std::to_string(I), 0);
  }
  // 10 rows inside the frame unless asked otherwise.
  void Run(int Bottom = 16) { L.Run(10, 5, 40, Bottom); }
  std::vector<int> Seen;
  void Track() {
    L.OnChange = [this](int Line, const std::string&) { Seen.push_back(Line); };
  }
  TListBox L{C()};
};

TEST_F(List, DrawsLinesBarAndFrame) {
  L.Add("First", 0);
  L.Add("Second", 0);
  L.ScrollBar = false;
  Key(27);
  Run(12);  // 29 wide, 6 rows
  EXPECT_EQ(L.ExitCode, 27);
  EXPECT_EQ(Text(11, 17, 6), " First ");
  EXPECT_EQ(Text(11, 18, 7), " Second ");
  EXPECT_EQ(Text(11, 39, 8), std::string(29, ' '));
  Expect({{11, 6, -1, 31}, {39, 6, -1, 31}, {11, 7, -1, 113}, {10, 5, 0xDB}});
  // The empty search field sits on the bottom edge in the frame's colour.
  EXPECT_EQ(Text(12, 28, 12), std::string(17, '\xDC'));
  L.CloseBox();
  EXPECT_EQ(Ch(10, 5), ' ');
}

TEST_F(List, TypeToSearchFindsTheNextLineAndWraps) {
  for (const char* T : {"Home", "The BBS one", "Other", "x", "Another Bbs", "Last"}) L.Add(T, 0);
  std::string Field;
  L.OnChange = [&](int, const std::string&) { Field = Text(12, 28, 12); };
  L.Picked = 3;
  Keys("bbs\r");
  Run(12);
  EXPECT_EQ(L.Picked, 5);
  EXPECT_EQ(L.ExitCode, 13);
  EXPECT_EQ(Field.substr(0, 5), "[BBS]");
  EXPECT_EQ(Text(12, 28, 12), std::string(17, '\xDC'));  // cleared when the list ends

  // From 5 the search wraps to 2; code 1 searches again; DOWN starts afresh;
  // BACKSPACE shortens and searches again, and nothing found keeps the line.
  const struct {
    int From;
    std::vector<int> Keys;
    int Want;
  } Cases[] = {
      {5, {'b', 'b', 's', 13}, 2},
      {2, {'b', 'b', 's', 1, 13}, 2},
      {1, {'o', 't', 'h', -80, 'a', 'n', 13}, 5},
      {1, {'z', 'z', 'q', 8, 8, 8, 'l', 'a', 13}, 6},
  };
  for (const auto& Case : Cases) {
    L.Picked = Case.From;
    Press(Case.Keys);
    Run(12);
    EXPECT_EQ(L.Picked, Case.Want) << "from " << Case.From;
  }
}

TEST_F(List, PagingKeysAndPageDownWithFewerLinesThanRows) {
  Fill(8);
  Press({-81, 13});
  Run();
  EXPECT_EQ(L.Picked, 8);
  EXPECT_EQ(L.Top, 1);

  L.Clear();
  Fill(30);
  std::vector<std::pair<int, int>> Pos;
  L.OnChange = [&](int Line, const std::string&) { Pos.emplace_back(Line, L.Top); };
  // PGDN, END, PGUP, HOME, RIGHT and LEFT page too, UP on line 1 does nothing.
  Press({-81, -79, -73, -71, -77, -75, -72});
  PressN(-80, 12);
  Key(13);
  L.Picked = L.Top = 1;
  Run();
  ASSERT_GE(Pos.size(), 8u);
  const std::vector<std::pair<int, int>> Want = {{11, 11}, {30, 21}, {20, 11}, {1, 1}, {11, 11}, {1, 1}, {1, 1}};
  EXPECT_TRUE(std::equal(Want.begin(), Want.end(), Pos.begin() + 1));
  EXPECT_EQ(L.Picked, 13);
  EXPECT_EQ(L.Top, 4);  // DOWN scrolls one line at a time
  EXPECT_EQ(Text(11, 19, 15), " Line 13 ");

  L.Picked = 25;  // PGDN near the end stops the window at the last page
  L.Top = 21;
  Press({-81, 13});
  Run();
  EXPECT_EQ(L.Picked, 30);
  EXPECT_EQ(L.Top, 21);
}

TEST_F(List, DividersAreNeverCurrent) {
  for (const char* T : {"One", "\x02-- two --", "\x02-- three --", "Four bbs", "\x02 bbs"}) L.Add(T, 0);
  Track();
  // END lands on the last line that is not a divider; searching again skips the divider holding BBS.
  Press({-80, -72, -79, -71, 'b', 'b', 's', 1, 13});
  Run();
  EXPECT_EQ(Seen, (std::vector<int>{1, 4, 1, 4, 1, 4, 4, 4, 4}));
  EXPECT_EQ(L.Picked, 4);
  L.Picked = 2;  // a start on a divider moves off it
  Key(13);
  Run();
  EXPECT_EQ(L.Picked, 4);
}

TEST_F(List, TaggingTogglesMovesAndSkipsStateTwo) {
  L.Add("a", 0);
  L.Add("b", 2);
  L.Add("c", 1);
  L.TagEnabled = true;
  EXPECT_EQ(L.Tagged, 1);
  // Tag a and move to b; b cannot be tagged; untag c.
  Press({9, 9, -80, 9, 13});
  Run(12);
  EXPECT_EQ(L.Tagged, 1);
  EXPECT_EQ(L.Picked, 3);
  for (int I = 1; I <= 4; ++I) {
    bool T = true;
    L.GetItem(I == 4 ? 9 : I, &T);
    EXPECT_EQ(T, I == 1) << I;
  }
  Expect({{11, 6, '*', 127}, {11, 8, ' '}});
  L.TagEnabled = false;  // now TAB is just another key
  L.HotKeys = std::string("\t");
  Key(9);
  Run(12);
  EXPECT_EQ(L.ExitCode, 9);
}

TEST_F(List, EndingKeysDisplayOnlyAndNoBox) {
  Pattern();
  const uint8_t Corner = Ch(10, 5);
  Fill(3);
  L.DisplayOnly = true;
  L.NoBox = true;
  L.ScrollBar = false;
  L.SearchY = 20;
  Key(13);
  Run(12);
  EXPECT_TRUE(C().KeyPressed());  // nothing read
  EXPECT_EQ(Ch(10, 5), Corner);   // the frame is the caller's
  EXPECT_EQ(Text(11, 18, 7), " Line 2 ");
  L.DisplayOnly = false;
  Run(12);
  EXPECT_EQ(Text(12, 28, 20), std::string(17, '\xDC'));
  L.CloseBox();
  EXPECT_EQ(Text(11, 18, 6), " Line 1 ");

  L.ExitKeys = std::string("\x52\x53");  // INSERT, DELETE
  Ext(83);
  Run(12);
  EXPECT_EQ(L.ExitCode, 83);
  Close();
  Run(12);
  EXPECT_EQ(L.ExitCode, 27);
}

TEST_F(List, ScrollBarThumbFollowsTheLine) {
  Fill(100);
  int Thumb = 0;
  L.OnChange = [&](int, const std::string&) {
    for (int Y = 6; Y <= 15; ++Y)
      if (Ch(40, Y) == 178) Thumb = Y;
  };
  const struct {
    std::vector<int> Keys;
    int Want;
  } Cases[] = {{{13}, 6}, {{-79, 13}, 15}, {{-73, -73, -73, -73, 13}, 6 + 60 * 10 / 100}};
  for (const auto& Case : Cases) {
    Press(Case.Keys);
    Run();
    EXPECT_EQ(Thumb, Case.Want);
  }
  for (int Y = 6; Y <= 15; ++Y)
    if (Y != Thumb) Expect({{40, Y, 176, 120}});  // the frame's dark tone

  // The theme turns the bar off; the frame edge stays.
  TListBox Plain(C());
  ApplyBoxTheme(Settings, Plain);
  for (int I = 1; I <= 100; ++I) Plain.Add("x", 0);
  Key(13);
  Plain.Run(10, 5, 40, 16);
  EXPECT_FALSE(Plain.ScrollBar);
  Expect({{40, 8, 0xDB}, {11, 6, -1, 79}, {11, 7, -1, 112}});
}

TEST_F(List, HostileSizes) {
  for (int I = 1; I <= TListBox::MaxItems; ++I) ASSERT_TRUE(L.Add("L" + std::to_string(I), 0));
  EXPECT_FALSE(L.Add("one too many", 0));
  EXPECT_EQ(L.Count(), 10000);
  Press({-79, -72, 'L', '9', '9', '9', '9', 13});
  L.Run(1, 1, 80, 25);
  EXPECT_EQ(L.Picked, 9999);
  EXPECT_EQ(Text(2, 8, 24), " L9999 ");

  // A box larger than the screen keeps the bar and lines visible.
  TListBox Big(C());
  for (int I = 1; I <= 200; ++I) Big.Add("Line " + std::to_string(I), 0);
  Press({-81, 13});
  Big.Run(1, 10, 200, 100);  // only rows 11-25 are on the screen
  EXPECT_EQ(Big.Rows, 15);
  EXPECT_EQ(Big.Picked, 16);
  EXPECT_EQ(Text(2, 10, 11), " Line 16 ");
}

TEST_F(List, MouseClicksMoveThenChoose) {
  Fill(5);
  L.Add("\x02 divider", 0);
  Click(15, 8);  // line 3: becomes current
  Click(15, 8);  // the current line: ends as ENTER would
  Run(13);
  EXPECT_EQ(L.ExitCode, 13);
  EXPECT_EQ(L.Picked, 3);
  EXPECT_TRUE(L.Clicked);

  Click(15, 11);  // the divider, a row past the last line, outside, a right click: nothing
  Click(15, 12);
  Click(70, 20);
  Click(15, 6, true);
  AfterKeys();
  Key(27);
  Run(13);
  EXPECT_EQ(L.ExitCode, 27);
  EXPECT_FALSE(L.Clicked);
  EXPECT_EQ(L.Picked, 3);

  L.ClickKey = 'x';
  Click(15, 8);
  Run(13);
  EXPECT_EQ(L.ExitCode, 'x');

  // The hot zone hands over to whatever owns that part of the screen.
  L.SetHotZone(1, 20, 80, 24, 9);
  Click(5, 22);
  Run(13);
  EXPECT_EQ(L.ExitCode, 9);
  EXPECT_TRUE(L.Clicked);
  L.ClearHotZone();
  Click(5, 22);
  AfterKeys();
  Key(13);
  Run(13);
  EXPECT_EQ(L.ExitCode, 13);
  EXPECT_FALSE(L.Clicked);
}

}  // namespace
