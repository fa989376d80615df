#include "app/statusbar.h"

#include <array>

#include "console/fonts.h"
#include "console/pictures.h"
#include "support/strings.h"
#include "support/timeutil.h"

uint8_t BlockFont(const TSDLConsole& Console) { return Console.Font >= 3 ? 3 : 1; }

void DrawBlocks(TSDLConsole& Console, int X, int Y, uint8_t Attr, std::string_view Text) {
  auto Batch = Console.Batch();
  const uint8_t Font = BlockFont(Console);
  for (size_t I = 0; I < Text.size() && X + static_cast<int>(I) <= Console.Cols; ++I)
    Console.DrawChar(X + static_cast<int>(I), Y, Attr, static_cast<uint8_t>(Text[I]), Font);
}

std::string DisplayName(const lx::TPhoneRec& Entry) {
  const std::string Name = lx::StripPipe(Entry.Name);
  return Name.empty() ? Entry.Address : Name;
}

namespace {

void DrawBarRow(TSDLConsole& Console, const lx::TConfigRec& Cfg, const TSessionState& S, int64_t NowSeconds,
                const std::string& Message) {
  TTerminalStateKeeper Keep(Console);
  const int C = Console.Cols, R = Console.Rows;
  Console.SetWindow(1, 1, C, R);
  const int X = StatusOffset(C);
  if (!Message.empty()) {
    Console.WriteXY(1, R, Cfg.StatusColor2, lx::PadCenter(lx::Cut(Message, C), C, ' ', true));
  } else {
    // Dividers sit between the fields: name | size | state | emulation | time | help; during a
    // call the name gives room to the session's font.
    Console.WriteXY(1, R, Cfg.StatusColor1, std::string(C, ' '));
    for (int P : {1, 9, 21, 32, 40}) DrawBlocks(Console, X + 28 + P, R, Cfg.StatusColor1, "\xdd");
    if (S.Connected) {
      DrawBlocks(Console, X + 19, R, Cfg.StatusColor1, "\xdd");
      const uint8_t Font = S.Term ? S.Term->Font : 1;
      Console.WriteXY(X + 20, R, Cfg.StatusColor4, lx::PadCenter(FontFaceFor(Font).Short, 9, ' ', true));
    }
    const std::string Name = S.Connected ? DisplayName(S.CurrentEntry) : "Lanternyx " + S.Version;
    const int NameWidth = X + (S.Connected ? 17 : 26);
    Console.WriteXY(2, R, Cfg.StatusColor2, lx::PadCenter(lx::Cut(Name, NameWidth), NameWidth, ' ', true));
    Console.WriteXY(X + 70, R, Cfg.StatusColor2, "Alt-Z/Help");
    if (S.Connected) {
      // An emulated line shows its speed where an unlimited one says it is connected.
      const uint32_t Bps = TLinePacer::Bps(S.Pacer.Speed());
      const std::string State = Bps ? std::to_string(Bps) + " bps" : "Connected";
      Console.WriteXY(X + 38, R, Cfg.StatusColor4, lx::PadCenter(State, 11, ' ', true));
      int64_t Online = NowSeconds - S.ConnectTime;
      if (Online < 0) Online += 24 * 60 * 60;  // the session went past midnight
      Console.WriteXY(X + 62, R, Cfg.StatusColor4, lx::Int2(Online / 3600 % 100) + ":" + lx::Int2(Online / 60 % 60));
    } else {
      Console.WriteXY(X + 39, R, Cfg.StatusColor3, " OFFLINE ");
      Console.WriteXY(X + 62, R, Cfg.StatusColor3, "00:00");
    }
    Console.WriteXY(X + 30, R, Cfg.StatusColor4, lx::PadLeft(lx::IntToStr(C), 3) + "x" + lx::IntToStr(R - 1));
    static constexpr const char* Emulations[3] = {"  None  ", "ANSI-RGB", " VT-102 "};
    const uint8_t E = S.CurrentEntry.Emulation;
    Console.WriteXY(X + 51, R, Cfg.StatusColor4, Emulations[E <= 2 ? E : 1]);
  }
}

}  // namespace

void DrawStatusBar(TSDLConsole& Console, const lx::TConfigRec& Cfg, const TSessionState& S,
                   int64_t NowSeconds, const std::string& Message) {
  if (!S.StatusBarOn) {
    Console.StatusLine = false;
    return;
  }
  auto Batch = Console.Batch();
  DrawBarRow(Console, Cfg, S, NowSeconds, Message);
  // The remote side keeps its region; only a region reaching into the bar's row gives it up.
  const int R = Console.Rows;
  if (Console.WinY2 > R - 1 || Console.WinY1 > R - 1)
    Console.SetWindow(Console.WinX1, Console.WinY1 <= R - 1 ? Console.WinY1 : 1, Console.WinX2, R - 1);
  Console.StatusLine = true;
}

void ToggleStatusBar(TSDLConsole& Console, const lx::TConfigRec& Cfg, TSessionState& S, int64_t NowSeconds) {
  const int R = Console.Rows;
  S.StatusBarOn = !S.StatusBarOn;
  if (S.StatusBarOn) {
    DrawStatusBar(Console, Cfg, S, NowSeconds);
    if (Console.CursorY == R) Console.GotoXY(Console.CursorX, R - 1);
    return;
  }
  Console.WriteXY(1, R, 7, std::string(Console.Cols, ' '));
  if (Console.WinY2 == R - 1) Console.SetWindow(Console.WinX1, Console.WinY1, Console.WinX2, R);
  DrawStatusBar(Console, Cfg, S, NowSeconds);
}

namespace {

// True once a key, a mouse event other than movement or the window closing asks to go on.
bool WaitForUser(TSDLConsole& Console, int WaitMs) {
  const int64_t End = lx::TickMS() + WaitMs;
  while (WaitMs < 0 || lx::TickMS() < End) {
    if (Console.Terminated.load() || Console.KeyPressed()) return true;
    TMouseEvent Ev;
    if (Console.ReadMouse(Ev) && Ev.Kind != 5 && Ev.Kind != 0) return true;
    Console.Delay(25);
  }
  return false;
}

void DiscardKeys(TSDLConsole& Console) {
  while (Console.KeyPressed() && !Console.Terminated.load()) Console.ReadKey();
}

}  // namespace

void ShowAbout(TSDLConsole& Console, const std::string& Version, int WaitMs) {
  const int X = PictureColumn(Console.Cols);
  {
    auto Batch = Console.Batch();
    Console.SetTextAttr(7);
    Console.ClearScreen(4);
    Console.DisplayCrunched(FindPicture("about"), X, 1, BlockFont(Console));
    Console.WriteXY(X + 30, 18, 7, "VERSION  ");
    Console.WriteXY(X + 38, 18, 15, Version);
    Console.WriteXY(X + 28, 19, 12, "PRE-RELEASE TEST VERSION");
  }
  WaitForUser(Console, WaitMs);
  DiscardKeys(Console);
}

void ShowTerminalReady(TSDLConsoleScrollback& Console, uint8_t FontType) {
  const int X = PictureColumn(Console.Cols);
  const bool Topaz = FontFaceFor(FontType).Amiga;
  auto Batch = Console.Batch();
  Console.SetTextAttr(7);
  Console.ClearScreen(4);
  const char Mark = Topaz ? '*' : static_cast<char>(254);
  auto Marked = [&](std::string Text) {
    for (char& Ch : Text)
      if (Ch == '*') Ch = Mark;
    return Text;
  };
  if (Topaz) {
    Console.DisplayCrunched(FindPicture("term-ready-topaz"), X, 1, FontType);
  } else {
    Console.DisplayCrunched(FindPicture("term-ready"), X, 1, FontType);
    Console.WriteXY(1, 7, 8, std::string(Console.Cols, static_cast<char>(196)));
  }
  if (Console.ScrollbackCount > 0)
    Console.WriteXYPipe(X + 18, 9, 7, 44,
                        Marked("|08[|15*|08] |07Terminal ready|08; |07Scrollback available |08[|15*|08]"));
  else
    Console.WriteXYPipe(X + 13, 9, 7, 53,
                        Marked("|08[|15*|08] |07Terminal ready|08. |07Right click or ALT-Z for Help |08[|15*|08]"));
}

std::string InUseText(uint8_t Font, uint8_t LineSpeed) {
  const uint32_t Bps = TLinePacer::Bps(LineSpeed);
  return std::string("Font: ") + FontFaceFor(Font).Name + (IsLargeFont(Font) ? " (Upscaled)" : " (Standard)") +
         "   Line speed: " + (Bps ? std::to_string(Bps) + " bps" : "unlimited");
}

void ShowHelp(TSDLConsole& Console, const std::string& InUse) {
  auto Saved = std::make_unique<TConsoleImage>();
  Console.SaveScreen(1, 1, Console.Cols, Console.Rows, *Saved);
  {
    auto Batch = Console.Batch();
    Console.SetTextAttr(7);
    Console.ClearScreen(4);
    const int X = PictureColumn(Console.Cols);
    Console.DisplayCrunched(FindPicture("help"), X, 1, BlockFont(Console));
    Console.WriteXY(X + 3, 20, 11, lx::PadCenter(lx::Cut(InUse, 74), 74, ' ', true));
  }
  WaitForUser(Console, -1);
  DiscardKeys(Console);
  Console.RestoreScreen(*Saved);
}
