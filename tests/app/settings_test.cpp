#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "app/settings.h"
#include "support/test_tempdir.h"

namespace {

// The ini body (nullptr: no file at all) -> columns, rows, font type, theme flag, filter,
// window size, GPU, letterbox.
TEST(VideoSettings, KeysAreReadCaseBlindAndClamped) {
  const std::pair<const char*, const char*> Cases[] = {
      {nullptr, "80x25 1 1 0 1 10"},
      {"[Video]\ntheme=ascii\n", "80x25 2 0 0 1 10"},
      {"[Video]\ntheme=Ansi2\n", "80x25 1 1 0 1 10"},
      {"[Video]\ntheme=ASCII2\n", "80x25 1 1 0 1 10"},
      {"[video]\nupscale=1\ntheme=ASCII\n", "80x25 4 0 0 1 10"},
      {"[Video]\nupscale=true\n", "80x25 3 1 0 1 10"},
      {"[Video]\nupscale=yes\n", "80x25 1 1 0 1 10"},
      {"[Video]\ncolumn_size=200\nrow_size=10\n", "160x25 1 1 0 1 10"},
      {"[Video]\ncolumn_size=-5\nrow_size=99999999999\n", "80x60 1 1 0 1 10"},
      {"[Video]\ncolumn_size=132\nrow_size=37\n", "132x37 1 1 0 1 10"},
      {"[Video]\n filter = 2 \nwin_size=0\ngpu=false\nletterbox=TRUE\n", "80x25 1 1 2 0 01"},
      {"[Video]\nfilter=7\nwin_size=-3\n", "80x25 1 1 0 0 10"},
      {"[Video]\n[Other]\ncolumn_size=132\n", "80x25 1 1 0 1 10"}};
  TTempDir T;
  for (const auto& [Body, Want] : Cases) {
    if (Body) std::ofstream(T.Path("lanternyx.ini")) << Body;
    const TVideoSettings S = ReadVideoSettings(T.Path(Body ? "lanternyx.ini" : "none.ini"));
    char Got[48];
    std::snprintf(Got, sizeof Got, "%dx%d %d %d %d %d %d%d", S.Cols, S.Rows, S.FontType(),
                  S.ThemeFlag(), S.Filter, S.WinSize, S.Gpu, S.Letterbox);
    EXPECT_STREQ(Got, Want) << (Body ? Body : "(no file)");
  }
}

}  // namespace
