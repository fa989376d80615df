#include <algorithm>

#include "ui/listbox.h"
#include "ui_test_util.h"

using namespace lx;
using namespace std::string_literals;
using Ints = std::vector<int>;

namespace {

class List : public UITest {
 protected:
  void Fill(TListBox& B, int N) {
    for (int I = 1; I <= N; ++I) B.Add("Line " + std::to_string(I), 0);
  }
  // Runs with the keys queued; 10 rows inside the frame unless asked otherwise.
  void Run(const Ints& Keys, int Bottom = 16) {
    Press(Keys);
    L.Run(10, 5, 40, Bottom);
  }
  TListBox L{C()};
  std::vector<int> Seen;
};

// The bar and the search field; a search finds the next line holding the text, wrapping;
// code 1 searches again, DOWN starts afresh, BACKSPACE shortens and searches again, and
// nothing found keeps the line. The field is cleared when the list ends.
TEST_F(List, DrawsBarAndSearchesForTheNextLineContainingTheTextWrapping) {
  for (const char* T : {"Home", "The BBS one", "Other", "x", "Another Bbs", "Last"}) L.Add(T, 0);
  std::string Field;
  L.OnChange = [&](int, const std::string&) { Field = Text(12, 28, 12); };
  L.ScrollBar = false;
  L.Picked = 3;
  Run({'b', 'b', 's', 13}, 12);
  EXPECT_EQ(std::pair(L.Picked, int(L.ExitCode)), std::pair(5, 13));
  EXPECT_EQ(Field.substr(0, 5) + Text(11, 23, 10), "[BBS] Another Bbs ");
  Expect({{11, 10, -1, 31}, {39, 10, -1, 31}, {11, 9, -1, 113}, {10, 5, 0xDB}});
  EXPECT_EQ(Text(12, 28, 12), std::string(17, '\xDC'));
  const struct { int From; Ints Keys; int Want; } Cases[] = {
      {5, {'b', 'b', 's', 13}, 2}, {2, {'b', 'b', 's', 1, 13}, 2},
      {1, {'o', 't', 'h', -80, 'a', 'n', 13}, 5}, {1, {'z', 'z', 'q', 8, 8, 8, 'l', 'a', 13}, 6}};
  for (const auto& Case : Cases) {
    L.Picked = Case.From;
    Run(Case.Keys, 12);
    EXPECT_EQ(L.Picked, Case.Want) << "from " << Case.From;
  }
  L.CloseBox();
  EXPECT_EQ(Ch(10, 5), ' ');
}

// PGDN, END, PGUP, HOME, RIGHT and LEFT page; UP on line 1 does nothing; DOWN and UP past the
// window scroll it by one; PGDN and END stop the window at the last page, even when they stop
// above a divider.
TEST_F(List, PagingKeys) {
  Fill(L, 8);
  Run({-81, 13});  // 8 lines in 10 rows: the last
  EXPECT_EQ(std::pair(L.Picked, L.Top), std::pair(8, 1));
  L.Clear();
  Fill(L, 30);
  std::vector<std::pair<int, int>> Pos;
  L.OnChange = [&](int Line, const std::string&) { Pos.emplace_back(Line, L.Top); };
  L.Picked = L.Top = 1;
  Press({-81, -79, -73, -71, -77, -75, -72});
  Press(std::vector<int>(12, -80));
  Run({13});
  ASSERT_GE(Pos.size(), 8u);
  EXPECT_EQ(decltype(Pos)(Pos.begin() + 1, Pos.begin() + 8),
            (decltype(Pos){{11, 11}, {30, 21}, {20, 11}, {1, 1}, {11, 11}, {1, 1}, {1, 1}}));
  EXPECT_EQ(std::tuple(L.Picked, L.Top, Text(11, 19, 15)), std::tuple(13, 4, " Line 13 "));
  Press(std::vector<int>(10, -72));
  Run({13});
  EXPECT_EQ(std::pair(L.Picked, L.Top), std::pair(3, 3));
  L.Picked = 25, L.Top = 21;
  Run({-81, 13});
  EXPECT_EQ(std::pair(L.Picked, L.Top), std::pair(30, 21));
  L.Add("\x02-- end --", 0);
  for (int From : {1, 25}) {
    L.Picked = From, L.Top = From == 1 ? 1 : 21;
    Run({From == 1 ? -79 : -81, 13});
    EXPECT_EQ(std::pair(L.Picked, L.Top), std::pair(30, 22));
  }
}

// END lands on the last line that is not a divider; searching again skips the divider holding
// BBS; a start on a divider moves off it.
TEST_F(List, DividersAreNeverCurrent) {
  for (const char* T : {"One", "\x02-- two --", "\x02-- three --", "Four bbs", "\x02 bbs"}) L.Add(T, 0);
  L.OnChange = [this](int Line, const std::string&) { Seen.push_back(Line); };
  Run({-80, -72, -79, -71, 'b', 'b', 's', 1, 13});
  EXPECT_EQ(Seen, (Ints{1, 4, 1, 4, 1, 4, 4, 4, 4}));
  L.Picked = 2;
  Run({13});
  EXPECT_EQ(L.Picked, 4);
}

// TAB tags and moves on; state 2 cannot be tagged; without tagging TAB is just another key.
TEST_F(List, TaggingTogglesMovesAndSkipsStateTwo) {
  for (auto [T, State] : {std::pair{"a", 0}, {"b", 2}, {"c", 1}}) L.Add(T, static_cast<uint8_t>(State));
  L.TagEnabled = true;
  EXPECT_EQ(L.Tagged, 1);
  Run({9, 9, -80, 9, 13}, 12);  // tag a and move to b; b cannot be tagged; untag c
  EXPECT_EQ(std::pair(L.Tagged, L.Picked), std::pair(1, 3));
  const auto Tag = [&](int I) { bool T = true; L.GetItem(I, &T); return T; };
  EXPECT_EQ((std::vector<bool>{Tag(1), Tag(2), Tag(3), Tag(9)}), (std::vector<bool>{true, false, false, false}));
  Expect({{11, 6, '*', 127}, {11, 8, ' '}});
  L.TagEnabled = false;
  L.HotKeys = std::string("\t");
  Run({9}, 12);
  EXPECT_EQ(L.ExitCode, 9);
}

// Display only reads no key, NoBox leaves the frame to the caller; exit keys win over
// movement (a browser ends its list on LEFT or RIGHT); closing the window ends it as ESC.
TEST_F(List, EndingKeysDisplayOnlyAndNoBox) {
  Pattern();
  const uint8_t Corner = Ch(10, 5);
  Fill(L, 3);
  L.DisplayOnly = L.NoBox = true;
  L.ScrollBar = false;
  L.SearchY = 20;
  Run({13}, 12);
  EXPECT_EQ(std::tuple(C().KeyPressed(), Ch(10, 5), Text(11, 18, 7)), std::tuple(true, Corner, " Line 2 "));
  L.DisplayOnly = false;
  Run({}, 12);
  EXPECT_EQ(Text(12, 28, 20), std::string(17, '\xDC'));
  L.CloseBox();
  EXPECT_EQ(Text(11, 18, 6), " Line 1 ");
  L.ExitKeys = std::string("\x4B\x4D\x53");  // LEFT, RIGHT, DELETE
  L.Picked = 2;
  for (int Scan : {75, 77, 83}) {
    Run({-Scan, 27}, 12);
    EXPECT_EQ(std::pair(int(L.ExitCode), L.Picked), std::pair(Scan, 2));
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
  for (auto [Keys, Want] : {std::pair<Ints, int>{{13}, 6}, {{-79, 13}, 15}, {{-73, -73, -73, -73, 13}, 12}}) {
    Run(Keys);
    EXPECT_EQ(Thumb, Want);  // the last: line 60 of 100
  }
  for (int Y = 6; Y <= 15; ++Y)
    if (Y != Thumb) Expect({{40, Y, 176, 120}});  // the frame's dark tone
}

// 10000 lines and no more; a box larger than the screen keeps its lines visible.
TEST_F(List, HostileSizes) {
  for (int I = 1; I <= TListBox::MaxItems; ++I) ASSERT_TRUE(L.Add("L" + std::to_string(I), 0));
  EXPECT_FALSE(L.Add("one too many", 0) || L.Count() != 10000);
  Press({-79, -72, 'L', '9', '9', '9', '9', 13});
  L.Run(1, 1, 80, 25);
  EXPECT_EQ(std::pair(L.Picked, Text(2, 8, 24)), std::pair(9999, " L9999 "s));
  TListBox Big(C());
  Fill(Big, 200);
  Press({-81, 13});
  Big.Run(1, 10, 200, 100);  // only rows 11-25 are on the screen
  EXPECT_EQ(std::tuple(Big.Rows, Big.Picked, Text(2, 10, 11)), std::tuple(15, 16, " Line 16 "));
}

// A click makes a line current, a click on the current line ends as ENTER would (or with
// ClickKey); a divider, a row past the last line, outside or a right click do nothing; the
// hot zone hands over to whatever owns that part of the screen.
TEST_F(List, MouseClicksMoveThenChoose) {
  Fill(L, 5);
  L.Add("\x02 divider", 0);
  Click(15, 8);
  Click(15, 8);
  Run({}, 13);
  EXPECT_EQ(std::tuple(int(L.ExitCode), L.Picked, L.Clicked), std::tuple(13, 3, true));
  for (auto [X, Y] : {std::pair{15, 11}, {15, 12}, {70, 20}}) Click(X, Y);
  Click(15, 6, true);
  AfterKeys();
  Run({27}, 13);
  EXPECT_EQ(std::tuple(int(L.ExitCode), L.Picked, L.Clicked), std::tuple(27, 3, false));
  L.ClickKey = 'x';
  Click(15, 8);
  Run({}, 13);
  EXPECT_EQ(L.ExitCode, 'x');
  L.SetHotZone(1, 20, 80, 24, 9);
  Click(5, 22);
  Run({}, 13);
  EXPECT_EQ(std::pair(int(L.ExitCode), L.Clicked), std::pair(9, true));
  L.ClearHotZone();
  Click(5, 22);
  Run({13}, 13);
  EXPECT_EQ(std::pair(int(L.ExitCode), L.Clicked), std::pair(13, false));
}

}  // namespace
