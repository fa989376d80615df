#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

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

struct TIniCase {
  const char* Body;
  int Cols, Rows, FontType, ThemeFlag, Filter, WinSize;
  bool Gpu, Letterbox;
};

TEST_F(VideoSettings, KeysAreReadCaseBlindAndClamped) {
  const std::vector<TIniCase> Cases = {
      {"[Video]\ntheme=ascii\n", 80, 25, 2, 0, 0, 1, true, false},
      {"[Video]\ntheme=Ansi2\n", 80, 25, 1, 1, 0, 1, true, false},
      {"[Video]\ntheme=ASCII2\n", 80, 25, 1, 1, 0, 1, true, false},
      {"[video]\nupscale=1\ntheme=ASCII\n", 80, 25, 4, 0, 0, 1, true, false},
      {"[Video]\nupscale=true\n", 80, 25, 3, 1, 0, 1, true, false},
      {"[Video]\nupscale=yes\n", 80, 25, 1, 1, 0, 1, true, false},
      {"[Video]\ncolumn_size=200\nrow_size=10\n", 160, 25, 1, 1, 0, 1, true, false},
      {"[Video]\ncolumn_size=-5\nrow_size=99999999999\n", 80, 60, 1, 1, 0, 1, true, false},
      {"[Video]\ncolumn_size=132\nrow_size=37\n", 132, 37, 1, 1, 0, 1, true, false},
      {"[Video]\n filter = 2 \nwin_size=0\ngpu=false\nletterbox=TRUE\n", 80, 25, 1, 1, 2, 0, false, true},
      {"[Video]\nfilter=7\nwin_size=-3\n", 80, 25, 1, 1, 0, 0, true, false},
      {"[Video]\n[Other]\ncolumn_size=132\n", 80, 25, 1, 1, 0, 1, true, false}};
  for (const TIniCase& C : Cases) {
    const TVideoSettings S = Read(C.Body);
    SCOPED_TRACE(C.Body);
    EXPECT_EQ(S.Cols, C.Cols);
    EXPECT_EQ(S.Rows, C.Rows);
    EXPECT_EQ(S.FontType(), C.FontType);
    EXPECT_EQ(S.ThemeFlag(), C.ThemeFlag);
    EXPECT_EQ(S.Filter, C.Filter);
    EXPECT_EQ(S.WinSize, C.WinSize);
    EXPECT_EQ(S.Gpu, C.Gpu);
    EXPECT_EQ(S.Letterbox, C.Letterbox);
  }
}

TEST(ProgramDir, DirectoryPartOfArgumentZero) {
  EXPECT_EQ(ProgramDirFrom("/opt/lanternyx/lanternyx"), "/opt/lanternyx/");
  EXPECT_EQ(ProgramDirFrom("./lanternyx"), "./");
  EXPECT_EQ(ProgramDirFrom("bin\\lanternyx"), "bin\\");
  EXPECT_EQ(ProgramDirFrom("lanternyx"), "");
  EXPECT_EQ(ProgramDirFrom(""), "");
}

}  // namespace
