#include "app/scrollback_view.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "app/session.h"
#include "app/statusbar.h"
#include "console/fonts.h"
#include "support/strings.h"

namespace {

struct TGaugeCell {
  uint8_t Ch, Attr;
};
// A flame that grows from dim red to bright as the view nears the newest line.
constexpr TGaugeCell Gauge[10] = {{176, 4},  {177, 4},  {178, 4},  {219, 4},  {176, 76},
                                  {177, 76}, {178, 76}, {219, 12}, {177, 78}, {178, 78}};

}  // namespace

TScrollbackViewer::TScrollbackViewer(TSDLConsoleScrollback& Console, uint8_t Font)
    : C(Console), ViewFont(Font), SessionFont(Font) {
  N = C.ScrollbackCount;
  R = C.Rows;
  Cols = C.Cols;
  H = R - 4;
  End();
}

void TScrollbackViewer::Run() {
  Draw();
  while (!C.Terminated.load()) {
    if (Status) DrawGauge();
    const uint8_t Ch = C.ReadKey();
    if (C.Terminated.load()) break;
    const uint8_t Ext = Ch == 0 ? C.ReadKey() : 0;
    if (!Key(Ch, Ext)) break;
  }
}

void TScrollbackViewer::Draw() {
  DrawStatus();
  DrawLines();
}

bool TScrollbackViewer::Key(uint8_t Ch, uint8_t Ext) {
  if (Ch == 27) return false;
  if (Ch == 32) {
    ToggleStatus();
  } else if (Ch == 9) {
    // The other font family of the same cell height: a PC face and Topaz swap, an Amiga face
    // and CP437.
    const bool Large = IsLargeFont(SessionFont);
    ViewFont = ViewFont != SessionFont ? SessionFont
                                       : FontNumber(FontFaceFor(SessionFont).Amiga ? 1 : 2, Large);
    DrawLines();
  } else if (Ch == 0) {
    Move(Ext);
  }
  return true;
}

void TScrollbackViewer::End() {
  TopLine = std::max(N - H - 1, 0);
  BottomLine = N - 1;
}

void TScrollbackViewer::Move(uint8_t Code) {
  switch (Code) {
    case 71:  // Home
      if (TopLine <= 0) return;
      TopLine = 0;
      BottomLine = H;
      break;
    case 72:  // Up
      if (TopLine <= 0) return;
      --TopLine, --BottomLine;
      break;
    case 73:  // PgUp
    case 75:  // Left
      if (TopLine - H > 0) {
        TopLine -= H, BottomLine -= H;
      } else {
        TopLine = 0;
        BottomLine = H;
      }
      break;
    case 81:  // PgDn
    case 77:  // Right
      if (N - 1 <= BottomLine + H)
        End();
      else
        TopLine += H + 1, BottomLine += H + 1;
      break;
    case 79:  // End
      if (BottomLine == N - 1) return;
      End();
      break;
    case 80:  // Down
      if (BottomLine >= N - 1) return;
      ++TopLine, ++BottomLine;
      break;
    default: return;
  }
  // A store shorter than a page never shows past its last line.
  BottomLine = std::min(BottomLine, N - 1);
  DrawLines();
}

void TScrollbackViewer::ToggleStatus() {
  if (Status) {
    Status = false;
    H = R - 1;
    BottomLine += 3;
    if (BottomLine > N - 1) End();
    auto Batch = C.Batch();
    for (int Y = R - 2; Y <= R; ++Y) C.WriteXY(1, Y, 7, std::string(Cols, ' '));
  } else {
    H = R - 4;
    // Three rows fewer, but a store shorter than the page still shows whole.
    BottomLine = std::min(TopLine + H, N - 1);
    DrawStatus();
  }
  DrawLines();
}

void TScrollbackViewer::DrawStatus() {
  auto Batch = C.Batch();
  DrawBlocks(C, 1, R - 2, 15, std::string(Cols, static_cast<char>(220)));
  const std::string Line = " Scrollback       ESC/Quit   Space/Status   TAB/Font                (    /" +
                           lx::PadRight(lx::IntToStr(N - 1), 4) + ") ";
  C.WriteXY(1, R - 1, 112, lx::PadRight(Line, Cols));
  DrawBlocks(C, 1, R, 8, std::string(Cols, static_cast<char>(223)));
  Status = true;
  Shown = 0;
}

int TScrollbackViewer::GaugeLength() const {
  // Counting the bottom line itself makes the last page a full gauge for any store size.
  if (N <= 0) return 1;
  return std::clamp(static_cast<int>(std::lround((BottomLine + 1) * 10.0 / N)), 1, 10);
}

void TScrollbackViewer::DrawGauge() {
  const int G = GaugeLength();
  auto Batch = C.Batch();
  if (G != Shown) {
    DrawBlocks(C, 58, R - 1, 8, std::string(10, static_cast<char>(176)));
    for (int i = 0; i < G; ++i)
      DrawBlocks(C, 58 + i, R - 1, Gauge[i].Attr, std::string(1, static_cast<char>(Gauge[i].Ch)));
    Shown = G;
  }
  C.WriteXY(70, R - 1, 112, lx::PadLeft(lx::IntToStr(BottomLine), 4));
}

void TScrollbackViewer::DrawLines() {
  auto Batch = C.Batch();
  int Y = 1;
  for (int i = TopLine; i <= BottomLine && Y <= R; ++i, ++Y) C.DrawRow(Y, C.Line(i + 1), ViewFont);
  // Rows of the page past the last line must not keep lines an earlier view left there.
  for (; Y <= H + 1 && Y <= R; ++Y) C.WriteXY(1, Y, 7, std::string(Cols, ' '));
}

void TSession::ScrollbackViewer() {
  if (Con().ScrollbackCount == 0) {
    Message("No scrollback data");
    return;
  }
  const uint8_t Font = S().Term ? S().Term->Font : (Con().CellHeight() == 32 ? 3 : 1);
  auto Saved = std::make_unique<TConsoleImage>();
  Con().SaveScreen(1, 1, Con().Cols, Con().Rows, *Saved);
  // The viewer needs the whole screen; the board's own region comes back with the screen.
  TTerminalStateKeeper Keep(Con());
  Con().SetWindow(1, 1, Con().Cols, Con().Rows);
  Con().ClearScreen(4);
  Con().WheelLines = 3;
  TScrollbackViewer(Con(), Font).Run();
  Con().RestoreScreen(*Saved);
  Con().WheelLines = 1;
  RedrawStatus();
}
