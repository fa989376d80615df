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
    EXPECT_EQ(Got, Styles[(Style == 9 ? 5 : Style) - 1]);
    EXPECT_EQ(Text(11, 29, 8), std::string(19, ' '));
    const int Hi = Style == 9 ? 31 : 127, Lo = Style == 9 ? 31 : 120;
    Expect({{10, 5, -1, Hi}, {29, 5, -1, Hi}, {30, 5, -1, Lo}, {10, 9, -1, Hi}, {20, 9, -1, Hi}, {30, 9, -1, Lo},
            {10, 10, -1, Hi}, {11, 10, -1, Lo}, {30, 10, -1, Lo}});
    EXPECT_EQ(Ch(31, 7), Ch(32, 7));  // no shadow asked for
    Box.Close();
  }
}

TEST_F(Frames, TitlePlacementAndCutting) {
  // Inner width 18, title of 6: centred starts at 11 + (18 - 6) / 2.
  const int Start[3] = {17, 11, 23};
  for (uint8_t Align = 0; Align < 3; ++Align) {
    TMenuBox Box(C());
    Box.Shadow = false;
    Box.Title = " Info ";
    Box.TitleAlign = Align;
    Box.Open(10, 5, 29, 9);
    EXPECT_EQ(Text(Start[Align], Start[Align] + 5, 5), " Info ") << int(Align);
    Expect({{Start[Align], 5, -1, 31}, {Start[Align] - 1, 5, -1, 127}});
    Box.Close();
  }
  Pattern();
  TMenuBox Box(C());
  Box.Shadow = false;
  Box.Title = std::string(40, 'T');
  Box.Open(10, 5, 20, 9);
  EXPECT_EQ(Text(9, 21, 5).substr(1, 11), "\xDB" + std::string(9, 'T') + "\xDC");
  EXPECT_TRUE(Ch(9, 5) != 'T' && Ch(21, 5) != 'T');
}

// The shadow keeps the characters under it, in black; the cells just outside are untouched.
TEST_F(Frames, ShadowKeepsTheCharactersUnderIt) {
  Pattern();
  const auto Before = Snapshot();
  const auto Under = [&](int X, int Y) { return Before->Image.Cells[Y - 1][X - 1]; };
  TMenuBox Box(C());
  Box.Open(10, 5, 30, 10);
  for (int Y = 6; Y <= 11; ++Y)
    for (int X = Y == 11 ? 12 : 31; X <= 32; ++X) Expect({{X, Y, Under(X, Y).Ch, 0}});
  Expect({{11, 11, -1, Under(11, 11).Attr}, {31, 5, -1, Under(31, 5).Attr}, {33, 8, -1, Under(33, 8).Attr}});
}

// Every cell, the cursor and the colours come back, through nested boxes; opening again
// redraws (clipped to the screen, corners in any order) but closing goes back to the screen
// of the first open; a box never opened puts nothing back.
TEST_F(Frames, CloseRestoresEveryCellTheCursorAndTheColours) {
  Pattern();
  const auto S0 = Snapshot();
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

}  // namespace
