#include "ui/menubox.h"
#include "ui_test_util.h"

using namespace lx;

namespace {

class Frames : public UITest {
 protected:
  void Draw(TMenuBox& Box, uint8_t Style, bool Flat = false) {
    Box.FrameType = Style;
    Box.Box3D = !Flat;
    Box.Shadow = false;
    Box.Open(10, 5, 30, 10);
  }
};

TEST_F(Frames, EveryStyleDrawsItsCharactersInTheTwoTones) {
  // Top-left, top, top-right, left, right, bottom-left, bottom, bottom-right.
  const uint8_t Styles[8][8] = {
      {0xDA, 0xC4, 0xBF, 0xB3, 0xB3, 0xC0, 0xC4, 0xD9}, {0xC9, 0xCD, 0xBB, 0xBA, 0xBA, 0xC8, 0xCD, 0xBC},
      {0xD6, 0xC4, 0xB7, 0xBA, 0xBA, 0xD3, 0xC4, 0xBD}, {0xD5, 0xCD, 0xB8, 0xB3, 0xB3, 0xD4, 0xCD, 0xBE},
      {0xDB, 0xDF, 0xDB, 0xDB, 0xDB, 0xDB, 0xDC, 0xDB}, {0xDB, 0xDF, 0xDC, 0xDB, 0xDB, 0xDF, 0xDC, 0xDB},
      {0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20}, {'.', '-', '.', '|', '|', '`', '-', '\''},
  };
  const int PX[8] = {10, 20, 30, 10, 30, 10, 20, 30}, PY[8] = {5, 5, 5, 7, 7, 10, 10, 10};
  for (uint8_t Style = 1; Style <= 8; ++Style) {
    SCOPED_TRACE(Style);
    TMenuBox Box(C());
    Draw(Box, Style);
    for (int I = 0; I < 8; ++I) EXPECT_EQ(Ch(PX[I], PY[I]), Styles[Style - 1][I]) << I;
    EXPECT_EQ(Text(11, 29, 8), std::string(19, ' '));
    // FrameHi: top, left, interior; FrameLo: right, bottom; the two odd corners have their own.
    Expect({{10, 5, -1, 127}, {29, 5, -1, 127}, {30, 5, -1, 120}, {10, 9, -1, 127}, {20, 9, -1, 127},
            {30, 9, -1, 120}, {10, 10, -1, 127}, {11, 10, -1, 120}, {30, 10, -1, 120}});
    EXPECT_EQ(Ch(31, 7), Ch(32, 7));  // no shadow asked for
    Box.Close();
  }
  TMenuBox Flat(C());
  Flat.FrameHi = 31;
  Draw(Flat, 5, true);
  for (int I = 0; I < 8; ++I) EXPECT_EQ(Attr(PX[I], PY[I]), 31) << "flat " << I;
  Expect({{11, 10, -1, 31}, {30, 9, -1, 31}});
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
  EXPECT_NE(Ch(9, 5), 'T');
  EXPECT_NE(Ch(21, 5), 'T');
}

TEST_F(Frames, ShadowKeepsTheCharactersUnderIt) {
  Pattern();
  const auto Before = Snapshot();
  const auto Under = [&](int X, int Y) { return Before->Image->Cells[Y - 1][X - 1]; };
  TMenuBox Box(C());
  Box.Open(10, 5, 30, 10);
  for (int Y = 6; Y <= 11; ++Y)
    for (int X = Y == 11 ? 12 : 31; X <= 32; ++X) Expect({{X, Y, Under(X, Y).Ch, 0}});
  // The cells just outside the shadow are untouched.
  Expect({{11, 11, -1, Under(11, 11).Attr}, {31, 5, -1, Under(31, 5).Attr}, {33, 8, -1, Under(33, 8).Attr}});
}

TEST_F(Frames, CloseRestoresEveryCellTheCursorAndTheColours) {
  Pattern();
  const auto S0 = Snapshot();
  TMenuBox Never(C());
  Never.Close();  // never opened: nothing to put back
  EXPECT_TRUE(Same(*S0));

  TMenuBox Outer(C()), Inner(C());
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

  // Opening again redraws, but closing goes back to the screen of the first open.
  TMenuBox Box(C());
  Box.Open(5, 5, 20, 10);
  Box.Title = std::string(300, 'x');
  Box.Open(5, 5, 40, 15);
  EXPECT_EQ(Ch(40, 15), 0xDB);
  Box.Open(-10, -3, 500, 300);  // off the screen: clipped
  EXPECT_EQ(Attr(1, 1), 127);
  Box.Open(70, 20, 5, 2);  // reversed corners
  Box.Close();
  EXPECT_TRUE(Same(*S0));
  Box.Close();
  EXPECT_TRUE(Same(*S0));
}

}  // namespace
