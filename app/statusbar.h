// The status bar on the last screen row and the built-in full-screen pictures.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/session_state.h"
#include "config/config.h"
#include "console/scrollback.h"
#include "ui/layout.h"

// What drawing over the session (the bar's row, a local screen) could disturb of the remote
// side's terminal: its scroll region, cursor, owed wrap and colours. Put back exactly when the
// drawing is done, so a board that keeps writing afterwards never notices.
class TTerminalStateKeeper {
 public:
  explicit TTerminalStateKeeper(TSDLConsole& Con)
      : C(Con), WinX1(Con.WinX1), WinX2(Con.WinX2), WinY1(Con.WinY1), WinY2(Con.WinY2),
        CursorX(Con.CursorX), CursorY(Con.CursorY), PendingWrap(Con.PendingWrap), TextAttr(Con.TextAttr),
        FgMode(Con.FgMode), BgMode(Con.BgMode), Fg256(Con.Fg256), Bg256(Con.Bg256), FgRGB(Con.FgRGB),
        BgRGB(Con.BgRGB), FgPixel(Con.FgPixel), BgPixel(Con.BgPixel) {}
  ~TTerminalStateKeeper() {
    C.WinX1 = WinX1, C.WinX2 = WinX2, C.WinY1 = WinY1, C.WinY2 = WinY2;
    C.CursorX = CursorX, C.CursorY = CursorY, C.PendingWrap = PendingWrap;
    C.TextAttr = TextAttr, C.FgMode = FgMode, C.BgMode = BgMode, C.Fg256 = Fg256, C.Bg256 = Bg256;
    C.FgRGB = FgRGB, C.BgRGB = BgRGB, C.FgPixel = FgPixel, C.BgPixel = BgPixel;
  }
  TTerminalStateKeeper(const TTerminalStateKeeper&) = delete;
  TTerminalStateKeeper& operator=(const TTerminalStateKeeper&) = delete;

 private:
  TSDLConsole& C;
  uint8_t WinX1, WinX2, WinY1, WinY2;
  int CursorX, CursorY;
  bool PendingWrap;
  uint8_t TextAttr, FgMode, BgMode, Fg256, Bg256;
  std::array<uint8_t, 3> FgRGB, BgRGB;
  uint32_t FgPixel, BgPixel;
};

// Left column of an 80-column layout on this screen: the status bar's offset (0 on 80
// columns) and the pictures' column (1 on 80 columns).
inline int StatusOffset(int Cols) { return Cols >= 81 ? (Cols - 80) / 2 : 0; }
inline int PictureColumn(int Cols) { return lx::LeftColumn(Cols); }

// The code page 437 font at the console's resolution (1 or 3). Block graphics and line
// characters exist only there: in Topaz the same codes are accented letters, so the program's
// own chrome and pictures are drawn in it whatever font the session uses.
uint8_t BlockFont(const TSDLConsole& Console);
// Text in BlockFont and exactly the attribute Attr, from (X, Y) to the right edge at most.
void DrawBlocks(TSDLConsole& Console, int X, int Y, uint8_t Attr, std::string_view Text);

// The system's name as the status bar, dialer and title show it: pipe codes removed, the
// address when there is no name.
std::string DisplayName(const lx::TPhoneRec& Entry);

// Draws the status bar (or, with Message, a one-line note) and narrows the text window to
// the rows above it; with the bar off it only clears the console's StatusLine.
void DrawStatusBar(TSDLConsole& Console, const lx::TConfigRec& Cfg, const TSessionState& S,
                   int64_t NowSeconds, const std::string& Message = {});
void ToggleStatusBar(TSDLConsole& Console, const lx::TConfigRec& Cfg, TSessionState& S, int64_t NowSeconds);

// The start-up picture; gives way after 3 seconds, a key, a click or the window closing.
void ShowAbout(TSDLConsole& Console, const std::string& Version, int WaitMs = 3000);
// The picture shown whenever no session is on the screen, in the emulator's font family.
void ShowTerminalReady(TSDLConsoleScrollback& Console, uint8_t FontType);
// The help picture over a saved screen, until a key or a click; InUse (the font and line
// speed of the session) is written centred in the box.
void ShowHelp(TSDLConsole& Console, const std::string& InUse = {});
// That line: "Font: <name> (<resolution>)  Line speed: <speed>".
std::string InUseText(uint8_t Font, uint8_t LineSpeed);
