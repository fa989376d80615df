#include <algorithm>

#include "ui/listbox.h"
#include "ui_test_util.h"

using namespace lx;

namespace {

class List : public UITest {
 protected:
  void Fill(TListBox& B, int N) {
    for (int I = 1; I <= N; ++I) B.Add("Line " + std::to_string(I), 0);
  }
  // Runs with the keys queued; 10 rows inside the frame unless asked otherwise.
  void Run(const std::vector<int>& Keys, int Bottom = 16) {
    Press(Keys);
    L.Run(10, 5, 40, Bottom);
  }
  void Track() {
    L.OnChange = [this](int Line, const std::string&) { Seen.push_back(Line); };
  }
  TListBox L{C()};
  std::vector<int> Seen;
};

TEST_F(List, DrawsBarAndSearchesForTheNextLineContainingTheTextWrapping) {
  for (const char* T : {"Home", "The BBS one", "Other", "x", "Another Bbs", "Last"}) L.Add(T, 0);
  std::string Field;
  L.OnChange = [&](int, const std::string&) { Field = Text(12, 28, 12); };
  L.ScrollBar = false;
  L.Picked = 3;
  Run({'b', 'b', 's', 13}, 12);
  EXPECT_EQ(L.Picked, 5);
  EXPECT_EQ(L.ExitCode, 13);
  EXPECT_EQ(Field.substr(0, 5), "[BBS]");
  EXPECT_EQ(Text(11, 23, 10), " Another Bbs ");
  Expect({{11, 10, -1, 31}, {39, 10, -1, 31}, {11, 9, -1, 113}, {10, 5, 0xDB}});
  EXPECT_EQ(Text(12, 28, 12), std::string(17, '\xDC'));  // the field is cleared when the list ends

  // From 5 it wraps to 2; code 1 searches again; DOWN starts afresh;
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
    Run(Case.Keys, 12);
    EXPECT_EQ(L.Picked, Case.Want) << "from " << Case.From;
  }
  L.CloseBox();
  EXPECT_EQ(Ch(10, 5), ' ');
}

TEST_F(List, PagingKeys) {
  Fill(L, 8);
  Run({-81, 13});  // 8 lines in 10 rows: the last
  EXPECT_EQ(L.Picked, 8);
  EXPECT_EQ(L.Top, 1);

  L.Clear();
  Fill(L, 30);
  std::vector<std::pair<int, int>> Pos;
  L.OnChange = [&](int Line, const std::string&) { Pos.emplace_back(Line, L.Top); };
  L.Picked = L.Top = 1;
  // PGDN, END, PGUP, HOME, RIGHT and LEFT page too, UP on line 1 does nothing, then DOWN scrolls by one.
  Press({-81, -79, -73, -71, -77, -75, -72});
  PressN(-80, 12);
  Run({13});
  ASSERT_GE(Pos.size(), 8u);
  const std::vector<std::pair<int, int>> Want = {{11, 11}, {30, 21}, {20, 11}, {1, 1}, {11, 11}, {1, 1}, {1, 1}};
  EXPECT_TRUE(std::equal(Want.begin(), Want.end(), Pos.begin() + 1));
  EXPECT_EQ(L.Picked, 13);
  EXPECT_EQ(L.Top, 4);
  EXPECT_EQ(Text(11, 19, 15), " Line 13 ");
  PressN(-72, 10);  // UP past the top line scrolls by one
  Run({13});
  EXPECT_EQ(L.Picked, 3);
  EXPECT_EQ(L.Top, 3);

  L.Picked = 25;  // PGDN near the end stops the window at the last page
  L.Top = 21;
  Run({-81, 13});
  EXPECT_EQ(L.Picked, 30);
  EXPECT_EQ(L.Top, 21);

  L.Add("\x02-- end --", 0);  // END and PGDN show the last page even when they stop above a divider
  for (int From : {1, 25}) {
    L.Picked = From;
    L.Top = From == 1 ? 1 : 21;
    Run({From == 1 ? -79 : -81, 13});
    EXPECT_EQ(L.Picked, 30);
    EXPECT_EQ(L.Top, 22);
  }
}

TEST_F(List, DividersAreNeverCurrent) {
  for (const char* T : {"One", "\x02-- two --", "\x02-- three --", "Four bbs", "\x02 bbs"}) L.Add(T, 0);
  Track();
  // END lands on the last line that is not a divider; searching again skips the divider holding BBS.
  Run({-80, -72, -79, -71, 'b', 'b', 's', 1, 13});
  EXPECT_EQ(Seen, (std::vector<int>{1, 4, 1, 4, 1, 4, 4, 4, 4}));
  L.Picked = 2;  // a start on a divider moves off it
  Run({13});
  EXPECT_EQ(L.Picked, 4);
}

TEST_F(List, TaggingTogglesMovesAndSkipsStateTwo) {
  for (auto [T, State] : {std::pair{"a", 0}, {"b", 2}, {"c", 1}}) L.Add(T, static_cast<uint8_t>(State));
  L.TagEnabled = true;
  EXPECT_EQ(L.Tagged, 1);
  Run({9, 9, -80, 9, 13}, 12);  // tag a and move to b; b cannot be tagged; untag c
  EXPECT_EQ(L.Tagged, 1);
  EXPECT_EQ(L.Picked, 3);
  for (int I : {1, 2, 3, 9}) {
    bool T = true;
    L.GetItem(I, &T);
    EXPECT_EQ(T, I == 1) << I;
  }
  Expect({{11, 6, '*', 127}, {11, 8, ' '}});
  L.TagEnabled = false;  // now TAB is just another key
  L.HotKeys = std::string("\t");
  Run({9}, 12);
  EXPECT_EQ(L.ExitCode, 9);
}

TEST_F(List, EndingKeysDisplayOnlyAndNoBox) {
  Pattern();
  const uint8_t Corner = Ch(10, 5);
  Fill(L, 3);
  L.DisplayOnly = L.NoBox = true;
  L.ScrollBar = false;
  L.SearchY = 20;
  Run({13}, 12);
  EXPECT_TRUE(C().KeyPressed());  // nothing read
  EXPECT_EQ(Ch(10, 5), Corner);   // the frame is the caller's
  EXPECT_EQ(Text(11, 18, 7), " Line 2 ");
  L.DisplayOnly = false;
  Run({}, 12);
  EXPECT_EQ(Text(12, 28, 20), std::string(17, '\xDC'));
  L.CloseBox();
  EXPECT_EQ(Text(11, 18, 6), " Line 1 ");

  // Exit keys win over movement: a browser ends its list on LEFT or RIGHT.
  L.ExitKeys = std::string("\x4B\x4D\x53");  // LEFT, RIGHT, DELETE
  L.Picked = 2;
  for (int Scan : {75, 77, 83}) {
    Run({-Scan, 27}, 12);
    EXPECT_EQ(L.ExitCode, Scan);
    EXPECT_EQ(L.Picked, 2);
    if (C().KeyPressed()) C().ReadKey();  // the ESC meant for a list that kept going
  }
  Close();
  Run({}, 12);
  EXPECT_EQ(L.ExitCode, 27);
}

TEST_F(List, ScrollBarThumbFollowsTheLine) {
  Fill(L, 100);
  int Thumb = 0;
  L.OnChange = [&](int, const std::string&) {
    for (int Y = 6; Y <= 15; ++Y)
      if (Ch(40, Y) == 178) Thumb = Y;
  };
  for (auto [Keys, Want] : {std::pair<std::vector<int>, int>{{13}, 6}, {{-79, 13}, 15}, {{-73, -73, -73, -73, 13}, 12}}) {
    Run(Keys);
    EXPECT_EQ(Thumb, Want);  // line 60 of 100
  }
  for (int Y = 6; Y <= 15; ++Y)
    if (Y != Thumb) Expect({{40, Y, 176, 120}});  // the frame's dark tone

}

TEST_F(List, HostileSizes) {
  for (int I = 1; I <= TListBox::MaxItems; ++I) ASSERT_TRUE(L.Add("L" + std::to_string(I), 0));
  EXPECT_FALSE(L.Add("one too many", 0));
  EXPECT_EQ(L.Count(), 10000);
  Press({-79, -72, 'L', '9', '9', '9', '9', 13});
  L.Run(1, 1, 80, 25);
  EXPECT_EQ(L.Picked, 9999);
  EXPECT_EQ(Text(2, 8, 24), " L9999 ");

  TListBox Big(C());  // a box larger than the screen keeps its lines visible
  Fill(Big, 200);
  Press({-81, 13});
  Big.Run(1, 10, 200, 100);  // only rows 11-25 are on the screen
  EXPECT_EQ(Big.Rows, 15);
  EXPECT_EQ(Big.Picked, 16);
  EXPECT_EQ(Text(2, 10, 11), " Line 16 ");
}

TEST_F(List, MouseClicksMoveThenChoose) {
  Fill(L, 5);
  L.Add("\x02 divider", 0);
  Click(15, 8);  // line 3: becomes current
  Click(15, 8);  // the current line: ends as ENTER would
  Run({}, 13);
  EXPECT_EQ(L.ExitCode, 13);
  EXPECT_EQ(L.Picked, 3);
  EXPECT_TRUE(L.Clicked);

  // The divider, a row past the last line, outside, a right click: nothing.
  for (auto [X, Y] : {std::pair{15, 11}, {15, 12}, {70, 20}}) Click(X, Y);
  Click(15, 6, true);
  AfterKeys();
  Run({27}, 13);
  EXPECT_EQ(L.ExitCode, 27);
  EXPECT_FALSE(L.Clicked);
  EXPECT_EQ(L.Picked, 3);

  L.ClickKey = 'x';
  Click(15, 8);
  Run({}, 13);
  EXPECT_EQ(L.ExitCode, 'x');

  // The hot zone hands over to whatever owns that part of the screen.
  L.SetHotZone(1, 20, 80, 24, 9);
  Click(5, 22);
  Run({}, 13);
  EXPECT_EQ(L.ExitCode, 9);
  EXPECT_TRUE(L.Clicked);
  L.ClearHotZone();
  Click(5, 22);
  AfterKeys();
  Run({13}, 13);
  EXPECT_EQ(L.ExitCode, 13);
  EXPECT_FALSE(L.Clicked);
}

}  // namespace
