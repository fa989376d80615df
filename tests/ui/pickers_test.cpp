#include "ui/menuform.h"
#include "ui_test_util.h"

namespace {

class Pickers : public UITest {
 protected:
  TMenuForm F{C()};
};

TEST_F(Pickers, ColourPickerStartPositionAndResult) {
  Pattern();
  const auto Before = Snapshot();
  // 142: foreground 14, background 0 once bit 7 is dropped. The marker rings
  // the chosen swatch in dark grey on grey; other swatches show their own colour.
  Peek([&] {
    EXPECT_EQ(Text(34, 47, 7), " Select color ");
    EXPECT_EQ(Text(37, 44, 18), " Sample ");
    Expect({{47, 9, 0xFE, 14}, {37, 18, -1, 14}, {47, 8, 0xDC, 0x78}, {46, 9, 0xDB}, {47, 10, 0xDF},
            {33, 16, -1, 0x70}, {40, 12, -1, 7 + 16 * 3}});
  });
  Key(13);
  EXPECT_EQ(F.PickColor(142), 14);
  EXPECT_TRUE(Same(*Before));

  const struct {
    std::vector<int> Keys;
    uint8_t Start, Want;
  } Cases[] = {
      {{-77, -80, 13}, 142, 15 + 16},
      {{-75, -72, 13}, 0, 0},  // foreground and background stop at their ends
      {{-80, -80, -80, -80, -80, -80, -80, -80, -80, -80, -77, -77, -77, -77, -77, -77, -77, -77, -77, -77, -77, -77,
        -77, -77, -77, -77, -77, -77, -77, -77, 13},
       0, 127},
      {{-77, 27}, 142, 142},
  };
  for (const auto& Case : Cases) {
    Press(Case.Keys);
    EXPECT_EQ(F.PickColor(Case.Start), Case.Want);
  }
  Click(36, 11);  // foreground 3, background 2
  Click(60, 20);  // outside the grid
  Click(36, 11);  // the chosen one again: taken
  EXPECT_EQ(F.PickColor(7), 3 + 32);
  Close();
  EXPECT_EQ(F.PickColor(142), 142);
}

TEST_F(Pickers, CharacterPickerStoresTheLowEightBits) {
  Pattern();
  const auto Before = Snapshot();
  char C1 = 'A';
  Peek([&] {
    EXPECT_EQ(Text(21, 56, 9), "Enter ASCII character number (1-254)");
    EXPECT_EQ(Text(58, 60, 9), "65\xB0");
    Expect({{21, 9, -1, 113}, {19, 8, 0xDB}, {62, 10, 0xDB}});
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
  uint8_t Color = 142;
  char Chr = 'A';
  F.AddColor('C', "Colour", 5, 5, 20, 5, 10, "", Color);
  F.AddChar('H', "Char", 5, 6, 20, 6, 10, "", Chr);
  Press({13, 13, 27});  // the picker taken unchanged: still 14 once the blink bit goes
  F.Run();
  EXPECT_EQ(Color, 14);
  EXPECT_TRUE(F.Changed);
  EXPECT_EQ(Attr(20, 5), 14);

  F.Changed = false;
  Press({'c', 27, 'h', 25, '6', '6', 13, 27});  // colour picker cancelled, then a character
  F.Run();
  EXPECT_EQ(Color, 14);
  EXPECT_EQ(Chr, 'B');
  EXPECT_TRUE(F.Changed);
  EXPECT_EQ(Ch(20, 6), 'B');
}

}  // namespace
