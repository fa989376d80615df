#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/settings.h"

namespace fs = std::filesystem;

namespace {

class VideoSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = fs::temp_directory_path() / ("lx_ini_" + std::to_string(getpid()));
    fs::create_directories(Dir);
  }
  void TearDown() override { fs::remove_all(Dir); }
  TVideoSettings Read(const std::string& Body) {
    std::ofstream(Dir / "lanternyx.ini") << Body;
    return ReadVideoSettings((Dir / "lanternyx.ini").string());
  }
  fs::path Dir;
};

TEST_F(VideoSettings, MissingFileGivesTheDefaults) {
  const TVideoSettings S = ReadVideoSettings((Dir / "none.ini").string());
  EXPECT_FALSE(S.AsciiTheme);
  EXPECT_FALSE(S.Upscale);
  EXPECT_EQ(S.Filter, 0);
  EXPECT_EQ(S.WinSize, 1);
  EXPECT_EQ(S.Cols, 80);
  EXPECT_EQ(S.Rows, 25);
  EXPECT_TRUE(S.Gpu);
  EXPECT_FALSE(S.Letterbox);
  EXPECT_EQ(S.FontType(), 1);
  EXPECT_EQ(S.ThemeFlag(), 1);
}

TEST_F(VideoSettings, ThemeIsComparedUpperCased) {
  EXPECT_TRUE(Read("[Video]\ntheme=ascii\n").AsciiTheme);
  EXPECT_EQ(Read("[Video]\ntheme=ascii\n").FontType(), 2);
  EXPECT_EQ(Read("[Video]\ntheme=ascii\n").ThemeFlag(), 0);
  EXPECT_FALSE(Read("[Video]\ntheme=Ansi2\n").AsciiTheme);
  EXPECT_FALSE(Read("[Video]\ntheme=ASCII2\n").AsciiTheme);
}

TEST_F(VideoSettings, UpscaleAddsTwoToTheFontType) {
  EXPECT_EQ(Read("[video]\nupscale=1\ntheme=ASCII\n").FontType(), 4);
  EXPECT_EQ(Read("[Video]\nupscale=true\n").FontType(), 3);
  EXPECT_EQ(Read("[Video]\nupscale=yes\n").FontType(), 1);
}

TEST_F(VideoSettings, ScreenSizeIsClamped) {
  TVideoSettings S = Read("[Video]\ncolumn_size=200\nrow_size=10\n");
  EXPECT_EQ(S.Cols, 160);
  EXPECT_EQ(S.Rows, 25);
  S = Read("[Video]\ncolumn_size=-5\nrow_size=99999999999\n");
  EXPECT_EQ(S.Cols, 80);
  EXPECT_EQ(S.Rows, 60);
  S = Read("[Video]\ncolumn_size=132\nrow_size=37\n");
  EXPECT_EQ(S.Cols, 132);
  EXPECT_EQ(S.Rows, 37);
}

TEST_F(VideoSettings, SwitchesAndModes) {
  TVideoSettings S = Read("[Video]\n filter = 2 \nwin_size=0\ngpu=false\nletterbox=TRUE\n");
  EXPECT_EQ(S.Filter, 2);
  EXPECT_EQ(S.WinSize, 0);
  EXPECT_FALSE(S.Gpu);
  EXPECT_TRUE(S.Letterbox);
  S = Read("[Video]\nfilter=7\nwin_size=-3\n");
  EXPECT_EQ(S.Filter, 0);
  EXPECT_EQ(S.WinSize, 0);
  // Keys of another section are not taken.
  S = Read("[Video]\n[Other]\ncolumn_size=132\n");
  EXPECT_EQ(S.Cols, 80);
}

TEST(ProgramDir, DirectoryPartOfArgumentZero) {
  EXPECT_EQ(ProgramDirFrom("/opt/lanternyx/lanternyx"), "/opt/lanternyx/");
  EXPECT_EQ(ProgramDirFrom("./lanternyx"), "./");
  EXPECT_EQ(ProgramDirFrom("bin\\lanternyx"), "bin\\");
  EXPECT_EQ(ProgramDirFrom("lanternyx"), "");
  EXPECT_EQ(ProgramDirFrom(""), "");
}

}  // namespace
