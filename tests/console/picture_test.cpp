// ANSI art converted to the crunched format and shown on the console.
#include <gtest/gtest.h>

#include <string>

#include "console/helpers.h"
#include "console/pictures.h"
#include "pictures_data.h"
#include "tools/ansicrunch/ansicrunch.h"

namespace {

TEST(Pictures, TheTestPictureShowsTheCellsOfItsAnsiFile) {
  EXPECT_EQ(FindPicture("test").data(), PictureTest.data());
  EXPECT_TRUE(FindPicture("nonesuch").empty());
  TSDLConsole Con;
  Con.DisplayCrunched(PictureTest, 1, 1, 1);
  // Text after ^Z is ignored.
  EXPECT_EQ(ScreenText(Con), "1:Hi     Box 2:\xC9\xCD\xCD\xCD\xBB 3:" + std::string(10, ' ') + "**** 4:   \x01");
  EXPECT_EQ(RowAttrs(Con, 1, 1, 11), (std::vector<uint8_t>{14, 14, 7, 7, 7, 7, 7, 0x17, 0x17, 0x17, 7}));
  EXPECT_EQ(RowAttrs(Con, 3, 11, 14), std::vector<uint8_t>(4, 4));
  EXPECT_EQ(Con.Cell(4, 4).Attr, 7);
}

TEST(Pictures, ConverterWrapsMovesRepeatsAndColours) {
  const struct {
    std::string Ansi;
    int Width;
    std::string Screen;
  } Cases[] = {
      {std::string(85, 'x'), 80, "1:" + std::string(80, 'x') + " 2:xxxxx"},
      {"\x1b[3;5Hpos", 80, "3:    pos"},
      {"ab\x1b[2Dc", 80, "1:cb"},
      {std::string(300, '='), 160, "1:" + std::string(160, '=') + " 2:" + std::string(140, '=')},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Screen.substr(0, 12));
    TSDLConsole Con;
    Con.OpenScreen(C.Width, 25, 1);
    Con.DisplayCrunched(CrunchAnsi(C.Ansi, C.Width), 1, 1, 1);
    EXPECT_EQ(ScreenText(Con), C.Screen);
  }
  EXPECT_LT(CrunchAnsi(std::string(300, '='), 160).size(), 20u);
  // Broken input survives; a picture longer than the screen is cut.
  EXPECT_TRUE(CrunchAnsi("").empty() && CrunchAnsi("\x1b[").empty());
  CrunchAnsi("\x1b[99999999999;99999999999H\x1b[99999Bx\x1b[99999Ay");
  std::string Many;
  for (int i = 0; i < 100; ++i) Many += std::string(100, 'z') + "\r\n";
  TSDLConsole Con;
  Con.DisplayCrunched(CrunchAnsi(Many), 1, 1, 1);
  EXPECT_EQ(RowText(Con, 25), std::string(80, 'z'));
  // Coloured blanks are kept.
  Con.DisplayCrunched(CrunchAnsi("\x1b[1;31;42mA\x1b[22mB\x1b[94mC\x1b[0;7m\x1b[mD \x1b[45m  "), 1, 1, 1);
  EXPECT_EQ(RowAttrs(Con, 1, 1, 8), (std::vector<uint8_t>{0x2C, 0x24, 0x29, 0x07, 0x07, 0x57, 0x57, 0x07}));
}

}  // namespace
