#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "app/settings.h"
#include "support/test_tempdir.h"

namespace {

struct TIniCase {
  const char* Body;  // nullptr: no file at all
  int Cols, Rows, FontType, ThemeFlag, Filter, WinSize;
  bool Gpu, Letterbox;
};

TEST(VideoSettings, KeysAreReadCaseBlindAndClamped) {
  const std::vector<TIniCase> Cases = {
      {nullptr, 80, 25, 1, 1, 0, 1, true, false},
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
  TTempDir T;
  for (const TIniCase& C : Cases) {
    SCOPED_TRACE(C.Body ? C.Body : "(no file)");
    if (C.Body) std::ofstream(T.Path("lanternyx.ini")) << C.Body;
    const TVideoSettings S = ReadVideoSettings(T.Path(C.Body ? "lanternyx.ini" : "none.ini"));
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

}  // namespace
