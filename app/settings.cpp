#include "app/settings.h"

#include <algorithm>

#include "support/files.h"
#include "support/ini.h"
#include "support/strings.h"

TVideoSettings ReadVideoSettings(const std::string& IniFile) {
  TVideoSettings S;
  lx::TIniReader Ini(IniFile);
  S.AsciiTheme = lx::UpperCase(Ini.ReadString("Video", "theme", "ANSI")) == "ASCII";
  S.Upscale = Ini.ReadBoolean("Video", "upscale", false);
  // Unknown filter and window modes behave as 0 (nearest, plain window).
  const auto Mode = [](int64_t V) { return V >= 0 && V <= 2 ? static_cast<int>(V) : 0; };
  S.Filter = Mode(Ini.ReadInteger("Video", "filter", 0));
  S.WinSize = Mode(Ini.ReadInteger("Video", "win_size", 1));
  S.Cols = static_cast<int>(std::clamp<int64_t>(Ini.ReadInteger("Video", "column_size", 80), 80, 160));
  S.Rows = static_cast<int>(std::clamp<int64_t>(Ini.ReadInteger("Video", "row_size", 25), 25, 60));
  S.Gpu = Ini.ReadBoolean("Video", "gpu", true);
  S.Letterbox = Ini.ReadBoolean("Video", "letterbox", false);
  return S;
}

std::string ProgramDirFrom(const std::string& Arg0) { return lx::JustPath(Arg0); }
