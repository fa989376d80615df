#include "ui/menuform.h"
#include "ui_test_util.h"

using namespace lx;

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

  std::vector<int> ToCorner(10, -80);  // foreground and background stop at their ends
  ToCorner.resize(30, -77);
  ToCorner.push_back(13);
  for (auto [Keys, Start, Want] : {std::tuple<std::vector<int>, int, int>{{-77, -80, 13}, 142, 15 + 16},
                                   {{-75, -72, 13}, 0, 0}, {ToCorner, 0, 127}, {{-77, 27}, 142, 142}}) {
    Press(Keys);
    EXPECT_EQ(F.PickColor(static_cast<uint8_t>(Start)), Want);
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
  char Got = 'A';
  Peek([&] {
    EXPECT_EQ(Text(21, 60, 9), "Enter ASCII character number (1-254) 65\xB0");
    Expect({{21, 9, -1, 113}, {19, 8, 0xDB}, {62, 10, 0xDB}});
  });
  // 300; then "44" less a digit and "66" of which only two fit; then a sign, read as StrToInt reads it.
  for (auto [Typed, Want] : {std::pair<std::string, int>{"\x19" "300\r", 300 & 255}, {"\b667\r", 466 & 255},
                             {"\x19" "+66\r", 66}}) {
    Keys(Typed);
    F.PickChar(Got);
    EXPECT_EQ(static_cast<uint8_t>(Got), Want);
    EXPECT_TRUE(Same(*Before));
  }
  Got = 'x';
  Close();
  F.PickChar(Got);
  EXPECT_EQ(Got, 'x');
}

TEST_F(Pickers, FormItemsOpenThePickers) {
  uint8_t Color = 142;
  char Chr = 'A';
  F.AddColor('C', "Colour", {.LabelX = 5, .LabelY = 5, .FieldX = 20, .LabelWidth = 10}, "", Color);
  F.AddChar('H', "Char", {.LabelX = 5, .LabelY = 6, .FieldX = 20, .LabelWidth = 10}, "", Chr);
  Press({13, 13, 27});  // the picker taken unchanged: still 14 once the blink bit goes
  F.Run();
  EXPECT_EQ(std::tuple(Color, F.Changed, Attr(20, 5)), std::tuple(uint8_t{14}, true, uint8_t{14}));

  F.Changed = false;
  Press({'c', 27, 'h', 25, '6', '6', 13, 27});  // colour picker cancelled, then a character
  F.Run();
  EXPECT_EQ(std::tuple(Color, Chr, F.Changed, Ch(20, 6)), std::tuple(uint8_t{14}, 'B', true, uint8_t{'B'}));
}

}  // namespace
