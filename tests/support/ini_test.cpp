#include "support/ini.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/test_tempdir.h"

using namespace lx;

class Ini : public ::testing::Test {
 protected:
  std::string Write(const std::string& Text) {
    std::string F = Dir.Path("lanternyx.ini");
    std::ofstream(F, std::ios::binary) << Text;
    return F;
  }
  TTempDir Dir;
};

TEST_F(Ini, CaseAndSpacesAroundNamesAndValues) {
  TIniReader R(Write("[video]\n   width  =  132   \n"));
  EXPECT_TRUE(R.Opened());
  EXPECT_EQ(R.ReadInteger("Video", "WIDTH", 80), 132);
  EXPECT_TRUE(R.Found());
  EXPECT_EQ(R.ReadString("VIDEO", "width", "x"), "132");
}

TEST_F(Ini, KeyAfterTheNextSectionIsNotFound) {
  TIniReader R(Write("[Video]\nfont=1\n[Other]\nwidth=100\n"));
  EXPECT_EQ(R.ReadInteger("Video", "width", 80), 80);
  EXPECT_TRUE(R.Found());
  EXPECT_EQ(R.ReadInteger("Other", "width", 80), 100);
  EXPECT_EQ(R.ReadInteger("Missing", "width", 80), 80);
  EXPECT_FALSE(R.Found());
}

TEST_F(Ini, KeyIsAPrefixMatchFirstLineWins) {
  TIniReader R(Write("[Video]\nmyfont=7\nfontsize=9\nfont=2\nfont=3\nnoequals\n"));
  EXPECT_EQ(R.ReadInteger("Video", "font", 1), 9);
  EXPECT_EQ(R.ReadInteger("Video", "fontsize", 1), 9);
  EXPECT_EQ(R.ReadString("Video", "noequals", "d"), "d");
}

TEST_F(Ini, BooleansAndNumbers) {
  TIniReader R(Write("[V]\na=yes\nb=1\nc=TrUe\nd=true and more\ne=abc\nf=-12\ng=\n"));
  EXPECT_FALSE(R.ReadBoolean("V", "a", true));
  EXPECT_TRUE(R.ReadBoolean("V", "b", false));
  EXPECT_TRUE(R.ReadBoolean("V", "c", false));
  EXPECT_FALSE(R.ReadBoolean("V", "d", true));
  EXPECT_TRUE(R.ReadBoolean("V", "zz", true));
  EXPECT_FALSE(R.ReadBoolean("V", "zz", false));
  EXPECT_EQ(R.ReadInteger("V", "e", 5), 0);
  EXPECT_EQ(R.ReadInteger("V", "f", 5), -12);
  EXPECT_EQ(R.ReadInteger("V", "g", 5), 0);
}

TEST_F(Ini, CommentsAndSectionHeadersInsideText) {
  TIniReader R(Write(";[Video]\n[A]\nx=1\n; x=2\njunk [Video] junk\n;width=1\nwidth=90\n"));
  EXPECT_EQ(R.ReadInteger("Video", "width", 80), 90);
  EXPECT_EQ(R.ReadInteger("A", "x", 0), 1);
}

TEST_F(Ini, ValuesKeepQuotesTabsAndComments) {
  TIniReader R(Write("[V]\ntheme = \"ascii\" ; note\ntab=a\tb\nsplit=a=b\n"));
  EXPECT_EQ(R.ReadString("V", "theme", ""), "\"ascii\" ; note");
  EXPECT_EQ(R.ReadString("V", "tab", ""), "a\tb");
  EXPECT_EQ(R.ReadString("V", "split", ""), "a=b");
}

TEST_F(Ini, LineEndingsAndLongLines) {
  std::string Long = "[V]\r\nlong=" + std::string(300, 'x') + "\r\nw=7\rh=8";
  TIniReader R(Write(Long));
  EXPECT_EQ(R.ReadString("V", "long", "").size(), 250u);  // the line is cut at 255
  EXPECT_EQ(R.ReadInteger("V", "w", 0), 7);
  EXPECT_EQ(R.ReadInteger("V", "h", 0), 8);
}

TEST_F(Ini, MissingFileGivesDefaults) {
  TIniReader R(Dir.Path("none.ini"));
  EXPECT_FALSE(R.Opened());
  EXPECT_EQ(R.ReadString("Video", "theme", "ANSI"), "ANSI");
  EXPECT_EQ(R.ReadInteger("Video", "win_size", 1), 1);
  EXPECT_TRUE(R.ReadBoolean("Video", "gpu", true));
}
