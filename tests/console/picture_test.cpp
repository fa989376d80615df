// ANSI art converted to the crunched format and shown on the console.
#include <gtest/gtest.h>

#include <string>

#include "console/helpers.h"
#include "console/pictures.h"
#include "pictures_data.h"
#include "tools/ansicrunch/ansicrunch.h"

namespace {

TEST(Pictures, TheTestPictureShowsTheCellsOfItsAnsiFile) {
  ASSERT_FALSE(FindPicture("test").empty());
  EXPECT_EQ(FindPicture("test").data(), PictureTest.data());
  EXPECT_TRUE(FindPicture("nonesuch").empty());

  TSDLConsole Con;
  Con.DisplayCrunched(PictureTest, 1, 1, 1);
  EXPECT_EQ(RowTextTrimmed(Con, 1), "Hi     Box");
  EXPECT_EQ(RowAttrs(Con, 1, 1, 11), (std::vector<uint8_t>{14, 14, 7, 7, 7, 7, 7, 0x17, 0x17, 0x17, 7}));
  EXPECT_EQ(RowTextTrimmed(Con, 2), "\xC9\xCD\xCD\xCD\xBB");
  EXPECT_EQ(RowTextTrimmed(Con, 3), std::string(10, ' ') + "****");
  EXPECT_EQ(RowAttrs(Con, 3, 11, 14), std::vector<uint8_t>(4, 4));
  EXPECT_EQ(RowTextTrimmed(Con, 4), "   \x01");
  EXPECT_EQ(Con.Cell(4, 4).Attr, 7);
  for (int Y = 5; Y <= 25; ++Y) EXPECT_EQ(RowTextTrimmed(Con, Y), "") << Y;   // text after ^Z ignored
}

std::string Show(const std::string& Ansi, int Y, TSDLConsole& Con) {
  Con.DisplayCrunched(CrunchAnsi(Ansi), 1, 1, 1);
  return RowTextTrimmed(Con, Y);
}

TEST(Pictures, ConverterWrapsPositionsAndRepeats) {
  TSDLConsole Con;
  EXPECT_EQ(Show(std::string(85, 'x'), 2, Con), "xxxxx");
  EXPECT_EQ(Show("\x1b[3;5Hpos", 3, Con), "    pos");
  EXPECT_EQ(Show("ab\x1b[2Dc", 1, Con), "cb");
  const std::string Long(300, '=');
  Con.OpenScreen(160, 25, 1);
  Con.DisplayCrunched(CrunchAnsi(Long, 160), 1, 1, 1);
  EXPECT_EQ(RowText(Con, 1), std::string(160, '='));
  EXPECT_EQ(RowTextTrimmed(Con, 2), std::string(140, '='));
  EXPECT_LT(CrunchAnsi(Long, 160).size(), 20u);
}

TEST(Pictures, ConverterColours) {
  TSDLConsole Con;
  Con.DisplayCrunched(CrunchAnsi("\x1b[1;31;42mA\x1b[22mB\x1b[94mC\x1b[0;7m\x1b[mD \x1b[45m  "), 1, 1, 1);
  // Coloured blanks are kept.
  EXPECT_EQ(RowAttrs(Con, 1, 1, 8), (std::vector<uint8_t>{0x2C, 0x24, 0x29, 0x07, 0x07, 0x57, 0x57, 0x07}));
}

TEST(Pictures, ConverterSurvivesBrokenInput) {
  EXPECT_TRUE(CrunchAnsi("").empty());
  EXPECT_TRUE(CrunchAnsi("\x1b[").empty());
  CrunchAnsi("\x1b[99999999999;99999999999H\x1b[99999Bx\x1b[99999Ay");
  std::string Many;
  for (int i = 0; i < 100; ++i) Many += std::string(100, 'z') + "\r\n";
  TSDLConsole Con;
  Con.DisplayCrunched(CrunchAnsi(Many), 1, 1, 1);
  EXPECT_EQ(RowText(Con, 25), std::string(80, 'z'));
}

}  // namespace
