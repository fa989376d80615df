#include "ui/dialogs.h"
#include "ui_test_util.h"

using namespace lx;

namespace {

class Popup : public UITest {
 protected:
  int Run(const std::string& Items = DirMenu, int X = 10, int Y = 5) { return PopupMenu(C(), X, Y, Items); }
  static inline const std::string DirMenu = "E-Edit|I-Insert|D-Delete|S-Sort|C-Change Book|M-Import|X-Exit|";
};

// Widest text 11, so the box is 17 columns; at column 75 it moves to 62.
TEST_F(Popup, MovesLeftAndUpToStayOnScreen) {
  Pattern();
  const auto Before = Snapshot();
  Peek([&] {
    // The highlighted entry's hot letter, then another entry's.
    Expect({{62, 16, 0xDB}, {78, 16, 0xDC}, {78, 24, 0xDB}, {63, 17, -1, 79}, {64, 17, -1, 76}, {63, 18, -1, 112},
            {64, 18, -1, 127}});
    EXPECT_EQ(Text(63, 75, 17), " E Edit      ");
    EXPECT_EQ(Text(63, 75, 21), " C Change Boo");
  });
  Key(27);
  EXPECT_EQ(Run(DirMenu, 75, 24), 27);
  EXPECT_TRUE(Same(*Before));
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

TEST_F(Popup, MoreEntriesThanRowsAndOddItemStrings) {
  std::string Items;
  for (int I = 0; I < 40; ++I) Items += std::string(1, static_cast<char>('!' + I)) + "-Entry " + std::to_string(I) + "|";
  Peek([&] {
    Expect({{10, 1, 0xDB}, {10, 25, 0xDF}});  // 23 entries: the frame fills the screen's height
    EXPECT_EQ(Text(11, 21, 24), " 7 Entry 22");
  });
  Ext(79);  // nothing: a popup has no END
  PressN(-80, 30);
  Key(13);
  EXPECT_EQ(Run(Items, 10, 10), '!' + 22);
  Keys("H\x1B");  // entry 39's key: that entry was cut
  EXPECT_EQ(Run(Items, 10, 10), 27);

  EXPECT_EQ(Run("") + Run("||"), 2 * 27);
  Key('a');
  EXPECT_EQ(Run("A|B-" + std::string(100, 'x') + "|no bar at the end"), 'A');
}

}  // namespace
