#include "ui/dialogs.h"
#include "ui/listbox.h"
#include "ui_test_util.h"

namespace {

class List : public UITest {
 protected:
  void Fill(TListBox& L, int N) {
    for (int I = 1; I <= N; ++I) L.Add("Line " + std::to_string(I), 0);
  }
};

TEST_F(List, DrawsLinesBarAndFrame) {
  TListBox L(C());
  L.Add("First", 0);
  L.Add("Second", 0);
  L.ScrollBar = false;
  Key(27);
  L.Run(10, 5, 40, 12);  // 29 wide, 6 rows
  EXPECT_EQ(L.ExitCode, 27);
  EXPECT_EQ(Text(11, 17, 6), " First ");
  EXPECT_EQ(Attr(11, 6), 31);
  EXPECT_EQ(Attr(39, 6), 31);
  EXPECT_EQ(Text(11, 18, 7), " Second ");
  EXPECT_EQ(Attr(11, 7), 113);
  EXPECT_EQ(Text(11, 39, 8), std::string(29, ' '));
  EXPECT_EQ(Ch(10, 5), 0xDB);  // the box's own frame
  // The empty search field sits on the bottom edge in the frame's colour.
  EXPECT_EQ(Text(12, 28, 12), std::string(17, '\xDC'));
  L.CloseBox();
  EXPECT_EQ(Ch(10, 5), ' ');
}

TEST_F(List, TypeToSearchFindsTheNextLineAndWraps) {
  TListBox L(C());
  for (const char* T : {"Home", "The BBS one", "Other", "x", "Another Bbs", "Last"}) L.Add(T, 0);
  std::string Field;
  L.OnChange = [&](int, const std::string&) { Field = Text(12, 28, 12); };
  L.Picked = 3;
  Keys("bbs\r");
  L.Run(10, 5, 40, 12);
  EXPECT_EQ(L.Picked, 5);
  EXPECT_EQ(L.ExitCode, 13);
  EXPECT_EQ(Field.substr(0, 5), "[BBS]");
  EXPECT_EQ(Text(12, 28, 12), std::string(17, '\xDC'));  // cleared when the list ends

  // From line 5 the search wraps round to line 2; code 1 searches again.
  Keys("bbs\r");
  L.Run(10, 5, 40, 12);
  EXPECT_EQ(L.Picked, 2);
  Keys("bbs");
  Key(1);
  Key('\r');
  L.Run(10, 5, 40, 12);
  EXPECT_EQ(L.Picked, 2);

  // A key that is not text starts the search afresh.
  L.Picked = 1;
  Keys("oth");
  Ext(80);  // DOWN clears the search and moves
  Keys("an\r");
  L.Run(10, 5, 40, 12);
  EXPECT_EQ(L.Picked, 5);

  // BACKSPACE shortens the text and searches again; nothing found keeps the line.
  L.Picked = 1;
  Keys("zzq");
  Key(8);
  Key(8);
  Key(8);
  Keys("la\r");
  L.Run(10, 5, 40, 12);
  EXPECT_EQ(L.Picked, 6);
}

TEST_F(List, PageDownWithFewerLinesThanRowsGoesToTheLast) {
  TListBox L(C());
  Fill(L, 8);
  Ext(81);
  Key(13);
  L.Run(10, 5, 40, 16);  // 10 rows
  EXPECT_EQ(L.Picked, 8);
  EXPECT_EQ(L.Top, 1);
}

TEST_F(List, EndHomePageUpPageDown) {
  TListBox L(C());
  Fill(L, 30);
  std::vector<std::pair<int, int>> Seen;
  L.OnChange = [&](int Line, const std::string&) { Seen.emplace_back(Line, L.Top); };
  Ext(81);  // PGDN
  Ext(79);  // END
  Ext(73);  // PGUP
  Ext(71);  // HOME
  Ext(77);  // RIGHT pages too
  Ext(75);  // and LEFT
  Ext(72);  // UP on line 1: nothing
  for (int I = 0; I < 12; ++I) Ext(80);
  Key(13);
  L.Run(10, 5, 40, 16);  // 10 rows
  ASSERT_GE(Seen.size(), 8u);
  EXPECT_EQ(Seen[1], std::make_pair(11, 11));
  EXPECT_EQ(Seen[2], std::make_pair(30, 21));
  EXPECT_EQ(Seen[3], std::make_pair(20, 11));
  EXPECT_EQ(Seen[4], std::make_pair(1, 1));
  EXPECT_EQ(Seen[5], std::make_pair(11, 11));
  EXPECT_EQ(Seen[6], std::make_pair(1, 1));
  EXPECT_EQ(Seen[7], std::make_pair(1, 1));
  EXPECT_EQ(L.Picked, 13);
  EXPECT_EQ(L.Top, 4);  // DOWN scrolls one line at a time
  EXPECT_EQ(Text(11, 19, 15), " Line 13 ");

  // PGDN near the end stops the window at the last page.
  L.Picked = 25;
  L.Top = 21;
  Ext(81);
  Key(13);
  L.Run(10, 5, 40, 16);
  EXPECT_EQ(L.Picked, 30);
  EXPECT_EQ(L.Top, 21);
}

TEST_F(List, DividersAreNeverCurrent) {
  TListBox L(C());
  L.Add("One", 0);
  L.Add("\x02-- two --", 0);
  L.Add("\x02-- three --", 0);
  L.Add("Four bbs", 0);
  L.Add("\x02 bbs", 0);
  std::vector<int> Seen;
  L.OnChange = [&](int Line, const std::string&) { Seen.push_back(Line); };
  Ext(80);
  Ext(72);
  Ext(79);  // END lands on the last line that is not a divider
  Ext(71);
  Keys("bbs");
  Key(1);  // search again: the divider holding BBS is skipped
  Key(13);
  L.Run(10, 5, 40, 16);
  EXPECT_EQ(Seen, (std::vector<int>{1, 4, 1, 4, 1, 4, 4, 4, 4}));
  EXPECT_EQ(L.Picked, 4);

  L.Picked = 2;  // a start on a divider moves off it
  Key(13);
  L.Run(10, 5, 40, 16);
  EXPECT_EQ(L.Picked, 4);
}

TEST_F(List, TaggingTogglesMovesAndSkipsStateTwo) {
  TListBox L(C());
  L.Add("a", 0);
  L.Add("b", 2);
  L.Add("c", 1);
  L.TagEnabled = true;
  EXPECT_EQ(L.Tagged, 1);
  Key(9);   // tag a, move to b
  Key(9);   // b cannot be tagged: nothing, no move
  Ext(80);
  Key(9);   // untag c
  Key(13);
  L.Run(10, 5, 40, 12);
  EXPECT_EQ(L.Tagged, 1);
  bool T = false;
  EXPECT_EQ(L.GetItem(1, &T), "a");
  EXPECT_TRUE(T);
  L.GetItem(2, &T);
  EXPECT_FALSE(T);
  L.GetItem(3, &T);
  EXPECT_FALSE(T);
  EXPECT_EQ(L.Picked, 3);
  EXPECT_EQ(Ch(11, 6), '*');
  EXPECT_EQ(Attr(11, 6), 127);
  EXPECT_EQ(Ch(11, 8), ' ');
  EXPECT_EQ(L.GetItem(9, &T), "");
  EXPECT_FALSE(T);

  // Without tagging, TAB is just another key.
  L.TagEnabled = false;
  L.HotKeys = std::string("\t");
  Key(9);
  L.Run(10, 5, 40, 12);
  EXPECT_EQ(L.ExitCode, 9);
}

TEST_F(List, EndingKeys) {
  TListBox L(C());
  Fill(L, 3);
  L.ExitKeys = std::string("\x52\x53");  // INSERT, DELETE
  Ext(83);
  L.Run(10, 5, 40, 12);
  EXPECT_EQ(L.ExitCode, 83);
  Key(27);
  L.Run(10, 5, 40, 12);
  EXPECT_EQ(L.ExitCode, 27);
  EXPECT_FALSE(L.Clicked);
  Close();
  L.Run(10, 5, 40, 12);
  EXPECT_EQ(L.ExitCode, 27);
}

TEST_F(List, ScrollBarThumbFollowsTheLine) {
  TListBox L(C());
  Fill(L, 100);
  int Thumb = 0;
  L.OnChange = [&](int, const std::string&) {
    for (int Y = 6; Y <= 15; ++Y)
      if (Ch(40, Y) == 178) Thumb = Y;
  };
  Key(13);
  L.Run(10, 5, 40, 16);
  EXPECT_EQ(Thumb, 6);
  EXPECT_EQ(Ch(40, 7), 176);
  EXPECT_EQ(Attr(40, 7), 120);  // the frame's dark tone
  Ext(79);
  Key(13);
  L.Run(10, 5, 40, 16);
  EXPECT_EQ(Thumb, 15);
  Ext(73);
  Ext(73);
  Ext(73);
  Ext(73);
  Key(13);
  L.Run(10, 5, 40, 16);
  EXPECT_EQ(L.Picked, 60);
  EXPECT_EQ(Thumb, 6 + 60 * 10 / 100);
  for (int Y = 6; Y <= 15; ++Y)
    if (Y != Thumb) {
      EXPECT_EQ(Ch(40, Y), 176) << Y;
    }

  // The theme turns the bar off; the frame edge stays.
  TListBox Plain(C());
  ApplyBoxTheme(Settings, Plain);
  Fill(Plain, 100);
  Key(13);
  Plain.Run(10, 5, 40, 16);
  EXPECT_FALSE(Plain.ScrollBar);
  EXPECT_EQ(Ch(40, 8), 0xDB);
  EXPECT_EQ(Attr(11, 6), 79);
  EXPECT_EQ(Attr(11, 7), 112);
}

TEST_F(List, TenThousandLinesAndNoMore) {
  TListBox L(C());
  for (int I = 1; I <= TListBox::MaxItems; ++I) ASSERT_TRUE(L.Add("L" + std::to_string(I), 0));
  EXPECT_FALSE(L.Add("one too many", 0));
  EXPECT_EQ(L.Count(), 10000);
  Ext(79);
  Ext(72);
  Keys("L9999");
  Key(13);
  L.Run(1, 1, 80, 25);
  EXPECT_EQ(L.Picked, 9999);
  EXPECT_EQ(Text(2, 8, 24), " L9999 ");
}

TEST_F(List, DisplayOnlyDrawsAndReadsNothing) {
  TListBox L(C());
  Fill(L, 3);
  L.DisplayOnly = true;
  Key('x');
  L.Run(10, 5, 40, 12);
  EXPECT_TRUE(C().KeyPressed());
  EXPECT_EQ(Text(11, 18, 7), " Line 2 ");
}

TEST_F(List, NoBoxLeavesTheFrameToTheCaller) {
  Pattern();
  const uint8_t Corner = Ch(10, 5);
  TListBox L(C());
  L.NoBox = true;
  L.ScrollBar = false;
  Fill(L, 3);
  L.SearchY = 20;
  Key(13);
  L.Run(10, 5, 40, 12);
  EXPECT_EQ(Ch(10, 5), Corner);
  EXPECT_EQ(Text(11, 18, 6), " Line 1 ");
  EXPECT_EQ(Text(12, 28, 20), std::string(17, '\xDC'));
  L.CloseBox();
  EXPECT_EQ(Text(11, 18, 6), " Line 1 ");
}

TEST_F(List, BoxLargerThanTheScreenKeepsTheBarVisible) {
  TListBox L(C());
  Fill(L, 200);
  Ext(81);
  Key(13);
  L.Run(1, 10, 200, 100);  // only rows 11-25 are on the screen
  EXPECT_EQ(L.Rows, 15);
  EXPECT_EQ(L.Picked, 16);
  EXPECT_EQ(Text(2, 10, 11), " Line 16 ");
}

TEST_F(List, MouseClicksMoveThenChoose) {
  TListBox L(C());
  Fill(L, 5);
  L.Add("\x02 divider", 0);
  Click(15, 8);   // line 3: becomes current
  Click(15, 8);   // the current line: ends as ENTER would
  L.Run(10, 5, 40, 13);
  EXPECT_EQ(L.ExitCode, 13);
  EXPECT_EQ(L.Picked, 3);
  EXPECT_TRUE(L.Clicked);

  Click(15, 11);  // the divider: nothing
  Click(15, 12);  // a row past the last line: nothing
  Click(70, 20);  // outside: nothing
  RightClick(15, 6);
  AfterKeys();
  Key(27);
  L.Run(10, 5, 40, 13);
  EXPECT_EQ(L.ExitCode, 27);
  EXPECT_FALSE(L.Clicked);
  EXPECT_EQ(L.Picked, 3);

  L.ClickKey = 'x';
  Click(15, 8);
  L.Run(10, 5, 40, 13);
  EXPECT_EQ(L.ExitCode, 'x');

  // The hot zone hands over to whatever owns that part of the screen.
  L.SetHotZone(1, 20, 80, 24, 9);
  Click(5, 22);
  L.Run(10, 5, 40, 13);
  EXPECT_EQ(L.ExitCode, 9);
  EXPECT_TRUE(L.Clicked);
  L.ClearHotZone();
  Click(5, 22);
  AfterKeys();
  Key(13);
  L.Run(10, 5, 40, 13);
  EXPECT_EQ(L.ExitCode, 13);
  EXPECT_FALSE(L.Clicked);
}

}  // namespace
