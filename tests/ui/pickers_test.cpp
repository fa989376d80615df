#include "ui/menuform.h"
#include "ui_test_util.h"

namespace {

class Pickers : public UITest {};

TEST_F(Pickers, ColourPickerStartsAtTheAttributeWithoutTheBlinkBit) {
  Pattern();
  const auto Before = Snapshot();
  TMenuForm F(C());
  // 142: foreground 14, background 0 once bit 7 is dropped.
  Peek([&] {
    EXPECT_EQ(Text(34, 47, 7), " Select color ");
    EXPECT_EQ(Ch(47, 9), 0xFE);
    EXPECT_EQ(Attr(47, 9), 14);
    EXPECT_EQ(Text(37, 44, 18), " Sample ");
    EXPECT_EQ(Attr(37, 18), 14);
    // The marker rings the chosen swatch in dark grey on grey.
    EXPECT_EQ(Ch(47, 8), 0xDC);
    EXPECT_EQ(Attr(47, 8), 0x78);
    EXPECT_EQ(Ch(46, 9), 0xDB);
    EXPECT_EQ(Ch(47, 10), 0xDF);
    // Other swatches show their own colour.
    EXPECT_EQ(Attr(33, 16), 0x70);
    EXPECT_EQ(Attr(40, 12), 7 + 16 * 3);
  });
  Key(13);
  EXPECT_EQ(F.PickColor(142), 14);
  EXPECT_TRUE(Same(*Before));
}

TEST_F(Pickers, ColourPickerKeys) {
  TMenuForm F(C());
  Ext(77);
  Ext(80);
  Key(13);
  EXPECT_EQ(F.PickColor(142), 15 + 16);
  Ext(75);  // foreground and background stop at their ends
  Ext(72);
  Key(13);
  EXPECT_EQ(F.PickColor(0), 0);
  for (int I = 0; I < 10; ++I) Ext(80);
  for (int I = 0; I < 20; ++I) Ext(77);
  Key(13);
  EXPECT_EQ(F.PickColor(0), 127);
  Ext(77);
  Key(27);
  EXPECT_EQ(F.PickColor(142), 142);
  Close();
  EXPECT_EQ(F.PickColor(142), 142);
}

TEST_F(Pickers, ColourPickerClicks) {
  TMenuForm F(C());
  Click(36, 11);  // foreground 3, background 2
  Click(60, 20);  // outside the grid
  Click(36, 11);  // the chosen one again: taken
  EXPECT_EQ(F.PickColor(7), 3 + 32);
}

TEST_F(Pickers, CharacterPickerStoresTheLowEightBits) {
  Pattern();
  const auto Before = Snapshot();
  TMenuForm F(C());
  char C1 = 'A';
  Peek([&] {
    EXPECT_EQ(Text(21, 56, 9), "Enter ASCII character number (1-254)");
    EXPECT_EQ(Attr(21, 9), 113);
    EXPECT_EQ(Text(58, 60, 9), "65\xB0");
    EXPECT_EQ(Ch(19, 8), 0xDB);
    EXPECT_EQ(Ch(62, 10), 0xDB);
  });
  Key(25);
  Keys("300\r");
  F.PickChar(C1);
  EXPECT_EQ(static_cast<uint8_t>(C1), 300 & 255);
  EXPECT_TRUE(Same(*Before));

  Key(8);
  Keys("667\r");  // "44" less one, then "66": only three digits fit
  F.PickChar(C1);
  EXPECT_EQ(static_cast<uint8_t>(C1), 466 & 255);
  Key(25);
  Keys("ab\r");
  F.PickChar(C1);
  EXPECT_EQ(C1, '\0');
  C1 = 'x';
  Close();
  F.PickChar(C1);
  EXPECT_EQ(C1, 'x');
}

TEST_F(Pickers, FormItemsOpenThePickers) {
  TMenuForm F(C());
  uint8_t Color = 142;
  char Chr = 'A';
  F.AddColor('C', "Colour", 5, 5, 20, 5, 10, "", Color);
  F.AddChar('H', "Char", 5, 6, 20, 6, 10, "", Chr);
  Key(13);
  Key(13);  // the picker: unchanged colour, still 14 after the blink bit goes
  Key(27);
  F.Run();
  EXPECT_EQ(Color, 14);
  EXPECT_TRUE(F.Changed);
  EXPECT_EQ(Attr(20, 5), 14);

  F.Changed = false;
  Key('c');
  Key(27);  // picker cancelled
  Key('h');
  Key(25);
  Keys("66\r");
  Key(27);
  F.Run();
  EXPECT_EQ(Color, 14);
  EXPECT_EQ(Chr, 'B');
  EXPECT_TRUE(F.Changed);
  EXPECT_EQ(Ch(20, 6), 'B');
}

}  // namespace
