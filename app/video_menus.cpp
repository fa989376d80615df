#include "app/video_menus.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "app/startup.h"
#include "app/statusbar.h"
#include "console/fonts.h"
#include "console/reopen.h"
#include "support/strings.h"
#include "support/timeutil.h"
#include "ui/dialogs.h"
#include "ui/listbox.h"

namespace {

struct TSizeChoice {
  int Cols, Rows;
  const char* Text;
};
constexpr TSizeChoice Sizes[] = {
    {80, 25, " 80x25 (DOS 4:3 terminal)"},
    {80, 50, " 80x50 (DOS 4:3 terminal)"},
    {132, 37, "132x37 (Widescreen 16:9 terminal)"},
    {160, 60, "160x60 (DOS 4:3 terminal)"},
    {160, 45, "160x45 (Widescreen 16:9 terminal)"},
};

constexpr const char* Filters[] = {"No Filtering", "Linear Filtering", "Anisotropic Filtering"};

}  // namespace

std::string FontMenuText(uint8_t Number) {
  return lx::PadRight(FontFaceFor(Number).Name, 21) +
         (IsLargeFont(Number) ? " (Upscaled Resolution)" : " (Standard Resolution)");
}

int SizeItem(int Cols, int Rows) {
  int Best = 1;
  long BestDistance = -1;
  for (int I = 0; I < 5; ++I) {
    const long Distance = std::labs(Cols - Sizes[I].Cols) * 1000L + std::labs(Rows - Sizes[I].Rows);
    if (BestDistance < 0 || Distance < BestDistance) {
      Best = I + 1;
      BestDistance = Distance;
    }
  }
  return Best;
}

void ConvertCellFonts(TConsoleGrid& Cells, uint8_t OldFont, uint8_t NewFont) {
  const int Height = IsLargeFont(NewFont) ? 32 : 16;
  for (auto& Row : Cells)
    for (TConsoleCell& C : Row) {
      if (C.Font == OldFont) C.Font = NewFont;
      C.Font = FontForHeight(C.Font, Height);
    }
}

TVideoMenus::TVideoMenus(TAppContext& A) : Out(&std::cout), App(A) {
  Open = [this](const TVideoSetup& V) {
    return ReopenVideo(*App.Console, V.Cols, V.Rows, V.WindowMode, V.Filter, V.FontCode);
  };
  WindowMode = [this] { return PresentWindowMode(*App.Console); };
}

// Re-opens the console; when the setup fails, the lowest settings at the same size. When
// even those fail the program ends in order: the capture and the connection are closed here,
// the rest by the usual shut-down, and it exits with a non-zero code.
bool TVideoMenus::Rebuild(const TVideoSetup& Setup) {
  TSDLConsoleScrollback& Con = *App.Console;
  TSessionState& S = App.Session;
  // Rows that a smaller screen pushes off the top belong to the session's history.
  const bool Recording = Con.ScrollbackEnabled;
  Con.ScrollbackEnabled = S.Connected;
  bool Ok = Open(Setup);
  if (!Ok) {
    Ok = Open({Setup.Cols, Setup.Rows, 0, 0, 1});
    Lowest = Ok;
  }
  Con.ScrollbackEnabled = Recording;
  if (Ok) return true;

  if (S.CaptureOn) S.Capture.CloseWithLine("Disconnected");
  S.CaptureOn = false;
  if (S.Connected && S.Socket) S.Socket->Disconnect();
  S.Connected = false;
  *Out << "Unable to initialize video" << std::endl;
  App.ExitCode = 1;
  Con.Terminated = true;
  return false;
}

void TVideoMenus::Finish() {
  TSDLConsoleScrollback& Con = *App.Console;
  TSessionState& S = App.Session;
  if (!S.Connected) ShowTerminalReady(Con, S.Term->Font);
  // A new window has no title: the session's, as the dialer set it, or the program's.
  const auto& E = S.CurrentEntry;
  Con.SetTitle(S.Connected ? "(LX) " + DisplayName(E) + " [" + E.Address + "]" : std::string(ProgramTitle));
  if (!App.IconFile.empty()) Con.SetIcon(App.IconFile);
  DrawStatusBar(Con, App.Config, S, lx::SecondsToday());
  if (S.Connected && S.Socket)
    S.Socket->SetWindowSize(Con.Cols, static_cast<uint8_t>(S.StatusBarOn ? Con.Rows - 1 : Con.Rows));
  if (Lowest) {
    const std::string Text = "Could not initialize video; Lowest settings used";
    if (MessageSeen) MessageSeen(Text);
    lx::MessageBox(Con, S.UI, lx::MessageInfo, Text);
  }
}

void TVideoMenus::ScreenSize() {
  TSDLConsoleScrollback& Con = *App.Console;
  const int X = PictureColumn(Con.Cols);
  lx::TListBox List(Con);
  lx::ApplyBoxTheme(App.Session.UI, List);
  List.Box.Title = " Select Terminal Size ";
  for (const auto& Z : Sizes) List.Add(Z.Text, 0);
  List.Picked = SizeItem(Con.Cols, Con.Rows);
  List.Run(X + 19, 10, X + 59, 16);
  List.CloseBox();
  if (List.ExitCode == 27 || Con.Terminated.load() || List.Picked < 1 || List.Picked > 5) return;
  const TSizeChoice& Z = Sizes[List.Picked - 1];
  if (Z.Cols == Con.Cols && Z.Rows == Con.Rows) return;
  if (!Rebuild({Z.Cols, Z.Rows, WindowMode(), Con.ScaleQuality, Con.Font})) return;
  Finish();
}

void TVideoMenus::FontAndFilter() {
  TSDLConsoleScrollback& Con = *App.Console;
  TSessionState& S = App.Session;
  const uint8_t Old = S.Term->Font;
  const int X = PictureColumn(Con.Cols);

  lx::TListBox FontList(Con);
  lx::ApplyBoxTheme(S.UI, FontList);
  FontList.Box.Title = " Select Font Type ";
  // Item N is font N: the numbers the README lists and phone-book entries store.
  for (int N = 1; N <= FontCount; ++N) FontList.Add(FontMenuText(static_cast<uint8_t>(N)), 0);
  FontList.Picked = Old >= 1 && Old <= FontCount ? Old : 1;
  FontList.Top = std::max(1, FontList.Picked - 11);  // the font in use on the list's page of 12
  FontList.Run(X + 16, 6, X + 63, 19);
  if (FontList.ExitCode == 27 || Con.Terminated.load() || FontList.Picked < 1 || FontList.Picked > FontCount) {
    FontList.CloseBox();
    return;
  }
  const auto Chosen = static_cast<uint8_t>(FontList.Picked);

  lx::TListBox FilterList(Con);
  lx::ApplyBoxTheme(S.UI, FilterList);
  FilterList.Box.Title = " Select Filtering ";
  for (const char* F : Filters) FilterList.Add(F, 0);
  FilterList.Picked = 3;
  FilterList.Run(X + 24, 9, X + 54, 13);
  // ENTER or ESC: the filter is the line highlighted when the list closed.
  const auto Filter = static_cast<uint8_t>(std::clamp(FilterList.Picked, 1, 3) - 1);
  FilterList.CloseBox();
  FontList.CloseBox();
  if (Con.Terminated.load()) return;

  S.Term->Font = Chosen;
  if (!Rebuild({Con.Cols, Con.Rows, WindowMode(), Filter, static_cast<uint8_t>(IsLargeFont(Chosen) ? 3 : 1)}))
    return;
  // The lowest settings are the standard resolution: the session's font follows.
  S.Term->Font = FontForHeight(S.Term->Font, Con.Font >= 3 ? 32 : 16);
  const uint8_t New = S.Term->Font;
  App.FontType = New;
  App.Theme = App.Session.UI.Theme = FontFaceFor(New).Amiga ? 0 : 1;

  auto Screen = std::make_unique<TConsoleImage>();
  Con.SaveScreen(1, 1, Con.Cols, Con.Rows, *Screen);
  ConvertCellFonts(Screen->Cells, Old, New);
  Con.RestoreScreen(*Screen);
  Finish();
}
