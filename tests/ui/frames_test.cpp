#include "ui/menubox.h"
#include "ui_test_util.h"

namespace {

class Frames : public UITest {};

// Expected character at each frame position of a style.
struct TEdges {
  uint8_t TL, T, TR, L, R, BL, B, BR;
};
const TEdges Styles[8] = {
    {0xDA, 0xC4, 0xBF, 0xB3, 0xB3, 0xC0, 0xC4, 0xD9}, {0xC9, 0xCD, 0xBB, 0xBA, 0xBA, 0xC8, 0xCD, 0xBC},
    {0xD6, 0xC4, 0xB7, 0xBA, 0xBA, 0xD3, 0xC4, 0xBD}, {0xD5, 0xCD, 0xB8, 0xB3, 0xB3, 0xD4, 0xCD, 0xBE},
    {0xDB, 0xDF, 0xDB, 0xDB, 0xDB, 0xDB, 0xDC, 0xDB}, {0xDB, 0xDF, 0xDC, 0xDB, 0xDB, 0xDF, 0xDC, 0xDB},
    {0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20}, {'.', '-', '.', '|', '|', '`', '-', '\''},
};

TEST_F(Frames, EveryStyleDrawsItsCharactersInTheTwoTones) {
  for (int Style = 1; Style <= 8; ++Style) {
    SCOPED_TRACE(Style);
    TMenuBox Box(C());
    Box.FrameType = static_cast<uint8_t>(Style);
    Box.Shadow = false;
    Box.Open(10, 5, 30, 10);
    const TEdges& E = Styles[Style - 1];
    EXPECT_EQ(Ch(10, 5), E.TL);
    EXPECT_EQ(Ch(20, 5), E.T);
    EXPECT_EQ(Ch(30, 5), E.TR);
    EXPECT_EQ(Ch(10, 7), E.L);
    EXPECT_EQ(Ch(30, 7), E.R);
    EXPECT_EQ(Ch(10, 10), E.BL);
    EXPECT_EQ(Ch(20, 10), E.B);
    EXPECT_EQ(Ch(30, 10), E.BR);
    EXPECT_EQ(Text(11, 29, 8), std::string(19, ' '));
    // FrameHi: top, left, top-left, interior; FrameLo: right, bottom,
    // bottom-right; the two odd corners have their own colours.
    EXPECT_EQ(Attr(10, 5), 127);
    EXPECT_EQ(Attr(29, 5), 127);
    EXPECT_EQ(Attr(30, 5), 120);
    EXPECT_EQ(Attr(10, 9), 127);
    EXPECT_EQ(Attr(20, 9), 127);
    EXPECT_EQ(Attr(30, 9), 120);
    EXPECT_EQ(Attr(10, 10), 127);
    EXPECT_EQ(Attr(11, 10), 120);
    EXPECT_EQ(Attr(30, 10), 120);
    EXPECT_EQ(Ch(31, 7), Ch(32, 7));  // nothing right of the box without a shadow
    Box.Close();
  }
}

TEST_F(Frames, FlatFramesAreAllFrameHi) {
  for (uint8_t Hi : {uint8_t(127), uint8_t(31)}) {
    TMenuBox Box(C());
    Box.Box3D = false;
    Box.FrameHi = Hi;
    Box.Shadow = false;
    Box.Open(5, 3, 25, 8);
    for (int X = 5; X <= 25; ++X) {
      EXPECT_EQ(Attr(X, 3), Hi) << X;
      EXPECT_EQ(Attr(X, 8), Hi) << X;
    }
    for (int Y = 3; Y <= 8; ++Y) {
      EXPECT_EQ(Attr(5, Y), Hi) << Y;
      EXPECT_EQ(Attr(25, Y), Hi) << Y;
    }
    EXPECT_EQ(Box.FrameLo, Hi);
    EXPECT_EQ(Box.CornerBL, Hi);
    EXPECT_EQ(Box.CornerTR, Hi);
    Box.Close();
  }
}

TEST_F(Frames, TitleCentredLeftOrRightInItsColour) {
  // Inner width 18, title of 6: centred starts at 11 + (18 - 6) / 2.
  const int Expect[3] = {17, 11, 23};
  for (uint8_t Align = 0; Align < 3; ++Align) {
    TMenuBox Box(C());
    Box.Shadow = false;
    Box.Title = " Info ";
    Box.TitleAlign = Align;
    Box.Open(10, 5, 29, 9);
    EXPECT_EQ(Text(Expect[Align], Expect[Align] + 5, 5), " Info ") << int(Align);
    EXPECT_EQ(Attr(Expect[Align], 5), 31);
    EXPECT_EQ(Attr(Expect[Align] - 1, 5), 127);
    Box.Close();
  }
}

TEST_F(Frames, TitleWiderThanTheBoxStaysBetweenTheCorners) {
  Pattern();
  TMenuBox Box(C());
  Box.Shadow = false;
  Box.Title = std::string(40, 'T');
  Box.Open(10, 5, 20, 9);
  EXPECT_EQ(Text(11, 19, 5), std::string(9, 'T'));
  EXPECT_EQ(Ch(10, 5), 0xDB);
  EXPECT_EQ(Ch(20, 5), 0xDC);
  EXPECT_NE(Ch(9, 5), 'T');
  EXPECT_NE(Ch(21, 5), 'T');
}

TEST_F(Frames, ShadowKeepsTheCharactersUnderIt) {
  Pattern();
  const auto Before = Snapshot();
  const uint8_t Under = Ch(32, 7);
  TMenuBox Box(C());
  Box.Open(10, 5, 30, 10);
  for (int Y = 6; Y <= 11; ++Y)
    for (int X : {31, 32}) {
      EXPECT_EQ(Attr(X, Y), 0) << X << "," << Y;
      EXPECT_EQ(Ch(X, Y), Before->Image->Cells[Y - 1][X - 1].Ch) << X << "," << Y;
    }
  for (int X = 12; X <= 32; ++X) EXPECT_EQ(Attr(X, 11), 0) << X;
  EXPECT_EQ(Ch(32, 7), Under);
  // The cells just outside the shadow are untouched.
  EXPECT_EQ(Attr(11, 11), Before->Image->Cells[10][10].Attr);
  EXPECT_EQ(Attr(31, 5), Before->Image->Cells[4][30].Attr);
  EXPECT_EQ(Attr(33, 8), Before->Image->Cells[7][32].Attr);
}

TEST_F(Frames, CloseRestoresEveryCellTheCursorAndTheColours) {
  Pattern();
  const auto Before = Snapshot();
  TMenuBox Box(C());
  Box.Title = " Hello ";
  Box.Open(3, 4, 60, 20);
  EXPECT_FALSE(Same(*Before));
  Box.Close();
  EXPECT_TRUE(Same(*Before));
  TMenuBox Never(C());
  Never.Close();  // never opened: nothing to put back
  EXPECT_TRUE(Same(*Before));
}

TEST_F(Frames, NestedBoxesUnwindInReverseOrder) {
  Pattern();
  const auto S0 = Snapshot();
  TMenuBox Outer(C()), Inner(C());
  Outer.Open(5, 5, 50, 20);
  const auto S1 = Snapshot();
  Inner.FrameType = 2;
  Inner.Open(20, 10, 70, 22);
  Inner.Close();
  EXPECT_TRUE(Same(*S1));
  Outer.Close();
  EXPECT_TRUE(Same(*S0));
}

TEST_F(Frames, SecondOpenRedrawsButCloseGoesBackToTheFirstScreen) {
  Pattern();
  const auto S0 = Snapshot();
  TMenuBox Box(C());
  Box.Open(5, 5, 20, 10);
  Box.Title = " Again ";
  Box.Open(5, 5, 40, 15);
  EXPECT_EQ(Ch(40, 15), 0xDB);
  Box.Close();
  EXPECT_TRUE(Same(*S0));
  Box.Close();  // a second close does nothing more
  EXPECT_TRUE(Same(*S0));
}

TEST_F(Frames, CornersOffTheScreenAreClipped) {
  Pattern();
  const auto S0 = Snapshot();
  TMenuBox Box(C());
  Box.Title = std::string(300, 'x');
  Box.Open(-10, -3, 500, 300);
  Box.Open(70, 20, 5, 2);  // reversed corners: drawn, nothing breaks
  EXPECT_EQ(Attr(1, 1), 127);  // interior reached the top-left cell
  Box.Close();
  EXPECT_TRUE(Same(*S0));
}

}  // namespace
