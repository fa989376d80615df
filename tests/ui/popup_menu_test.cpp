#include "ui/dialogs.h"
#include "ui_test_util.h"

namespace {

class Popup : public UITest {};

const std::string DirMenu = "E-Edit|I-Insert|D-Delete|S-Sort|C-Change Book|M-Import|X-Exit|";

// Widest text 11, so the box is 17 columns; at column 75 it moves to 62.
TEST_F(Popup, MovesLeftAndUpToStayOnScreen) {
  Pattern();
  const auto Before = Snapshot();
  Peek([&] {
    EXPECT_EQ(Ch(62, 16), 0xDB);
    EXPECT_EQ(Ch(78, 16), 0xDC);
    EXPECT_EQ(Ch(78, 24), 0xDB);
    EXPECT_EQ(Text(63, 75, 17), " E Edit      ");
    EXPECT_EQ(Attr(63, 17), 79);
    EXPECT_EQ(Attr(64, 17), 76);   // hot letter of the highlighted entry
    EXPECT_EQ(Attr(63, 18), 112);
    EXPECT_EQ(Attr(64, 18), 127);  // hot letter elsewhere
    EXPECT_EQ(Text(63, 75, 21), " C Change Boo");
    EXPECT_EQ(Text(1, 79, 24).find_first_of('\xDB') != std::string::npos, true);
  });
  Key(27);
  EXPECT_EQ(PopupMenu(C(), 75, 24, DirMenu), 27);
  EXPECT_TRUE(Same(*Before));
}

TEST_F(Popup, KeysChooseAnEntry) {
  Key('d');
  EXPECT_EQ(PopupMenu(C(), 10, 5, DirMenu), 'D');
  Key(13);
  EXPECT_EQ(PopupMenu(C(), 10, 5, DirMenu), 'E');
  Ext(80);
  Ext(80);
  Ext(80);
  Key(13);
  EXPECT_EQ(PopupMenu(C(), 10, 5, DirMenu), 'S');
  Keys("zX");
  EXPECT_EQ(PopupMenu(C(), 10, 5, DirMenu), 'X');
  Close();
  EXPECT_EQ(PopupMenu(C(), 10, 5, DirMenu), 27);
}

TEST_F(Popup, MouseClicksAndHover) {
  // Box at (10, 5): entries on rows 6-12, labels from column 11, 15 wide.
  Click(14, 8);
  EXPECT_EQ(PopupMenu(C(), 10, 5, DirMenu), 'D');
  Move(12, 9);
  Key(13);
  EXPECT_EQ(PopupMenu(C(), 10, 5, DirMenu), 'S');
  Click(50, 20);  // well outside
  EXPECT_EQ(PopupMenu(C(), 10, 5, DirMenu), 27);
  Click(26, 9);  // within two cells of the labels: not outside
  Key('x');
  EXPECT_EQ(PopupMenu(C(), 10, 5, DirMenu), 'X');
}

TEST_F(Popup, MoreEntriesThanRowsAreCut) {
  std::string Items;
  for (int I = 0; I < 40; ++I) Items += std::string(1, static_cast<char>('!' + I)) + "-Entry " + std::to_string(I) + "|";
  Peek([&] {
    EXPECT_EQ(Ch(10, 1), 0xDB);
    EXPECT_EQ(Ch(10, 25), 0xDF);  // 23 entries: the frame fills the screen's height
    EXPECT_EQ(Text(11, 21, 24), " 7 Entry 22");
  });
  Ext(79);  // nothing: a popup has no END
  for (int I = 0; I < 30; ++I) Ext(80);
  Key(13);
  EXPECT_EQ(PopupMenu(C(), 10, 10, Items), '!' + 22);
  Key('H');  // entry 39's key: that entry was cut
  Key(27);
  EXPECT_EQ(PopupMenu(C(), 10, 10, Items), 27);
}

TEST_F(Popup, OddItemStrings) {
  EXPECT_EQ(PopupMenu(C(), 10, 10, ""), 27);
  EXPECT_EQ(PopupMenu(C(), 10, 10, "||"), 27);
  Key('a');
  EXPECT_EQ(PopupMenu(C(), 10, 10, "A|B-" + std::string(100, 'x') + "|no bar at the end"), 'A');
}

}  // namespace
