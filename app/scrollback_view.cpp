// The scrollback viewer: pages through the lines that scrolled off the terminal screen.
#include <algorithm>
#include <cmath>

#include "app/session.h"
#include "app/statusbar.h"
#include "support/strings.h"
#include "ui/dialogs.h"

namespace {

struct TGaugeCell {
  uint8_t Ch, Attr;
};
// A flame that grows from dim red to bright as the view nears the newest line.
constexpr TGaugeCell Gauge[10] = {{176, 4},  {177, 4},  {178, 4},  {219, 4},  {176, 76},
                                  {177, 76}, {178, 76}, {219, 12}, {177, 78}, {178, 78}};

class TViewer {
 public:
  TViewer(TSDLConsoleScrollback& Con, uint8_t ViewFont) : C(Con), Font(ViewFont) {
    N = C.ScrollbackCount;
    R = C.Rows;
    Cols = C.Cols;
    H = R - 4;
    End();
  }

  void Run() {
    DrawStatus();
    DrawLines();
    while (!C.Terminated.load()) {
      if (StatusShown) DrawGauge();
      const uint8_t Key = C.ReadKey();
      if (C.Terminated.load() || Key == 27) break;
      if (Key == 32) {
        ToggleStatus();
      } else if (Key == 9) {
        // The other font family of the same cell height: CP437 and Topaz swap.
        Font = static_cast<uint8_t>(Font == 1 ? 2 : Font == 2 ? 1 : Font == 3 ? 4 : 3);
        DrawLines();
      } else if (Key == 0) {
        Move(C.ReadKey());
      }
    }
  }

 private:
  void End() {
    Top = std::max(N - H - 1, 0);
    Bottom = N - 1;
  }

  void Move(uint8_t Code) {
    switch (Code) {
      case 71:  // Home
        if (Top <= 0) return;
        Top = 0;
        Bottom = H;
        break;
      case 72:  // Up
        if (Top <= 0) return;
        --Top, --Bottom;
        break;
      case 73:  // PgUp
      case 75:  // Left
        if (Top - H > 0) {
          Top -= H, Bottom -= H;
        } else {
          Top = 0;
          Bottom = H;
        }
        break;
      case 81:  // PgDn
      case 77:  // Right
        if (N - 1 <= Bottom + H)
          End();
        else
          Top += H + 1, Bottom += H + 1;
        break;
      case 79:  // End
        if (Bottom == N - 1) return;
        End();
        break;
      case 80:  // Down
        if (Bottom >= N - 1) return;
        ++Top, ++Bottom;
        break;
      default: return;
    }
    // A store shorter than a page never scrolls past its last line.
    Bottom = std::min(Bottom, N - 1);
    DrawLines();
  }

  void ToggleStatus() {
    if (StatusShown) {
      StatusShown = false;
      H = R - 1;
      Bottom += 3;
      if (Bottom > N - 1) End();
      auto Batch = C.Batch();
      for (int Y = R - 2; Y <= R; ++Y) C.WriteXY(1, Y, 7, std::string(Cols, ' '));
    } else {
      H = R - 4;
      Bottom -= 3;
      if (Bottom < Top) Bottom = std::min(Top + H, N - 1);
      DrawStatus();
    }
    DrawLines();
  }

  void DrawStatus() {
    auto Batch = C.Batch();
    C.WriteXY(1, R - 2, 15, std::string(Cols, static_cast<char>(220)));
    const std::string Line = " Scrollback       ESC/Quit   Space/Status   TAB/Font                (    /" +
                             lx::PadRight(lx::IntToStr(N - 1), 4) + ") ";
    C.WriteXY(1, R - 1, 112, lx::PadRight(Line, Cols));
    C.WriteXY(1, R, 8, std::string(Cols, static_cast<char>(223)));
    StatusShown = true;
    Shown = 0;
  }

  void DrawGauge() {
    // Counting the bottom line itself makes the last page a full gauge for any store size.
    const int G = std::clamp(static_cast<int>(std::lround((Bottom + 1) * 10.0 / N)), 1, 10);
    auto Batch = C.Batch();
    if (G != Shown) {
      C.WriteXY(58, R - 1, 8, std::string(10, static_cast<char>(176)));
      for (int i = 0; i < G; ++i) C.WriteXY(58 + i, R - 1, Gauge[i].Attr, std::string(1, static_cast<char>(Gauge[i].Ch)));
      Shown = G;
    }
    C.WriteXY(70, R - 1, 112, lx::PadLeft(lx::IntToStr(Bottom), 4));
  }

  void DrawLines() {
    auto Batch = C.Batch();
    int Y = 1;
    for (int i = Top; i <= Bottom && Y <= R; ++i, ++Y) C.DrawRow(Y, C.Line(i + 1), Font);
  }

  TSDLConsoleScrollback& C;
  uint8_t Font;
  int N = 0, R = 25, Cols = 80, H = 21, Top = 0, Bottom = 0, Shown = 0;
  bool StatusShown = false;
};

}  // namespace

void TSession::ScrollbackViewer() {
  if (Con().ScrollbackCount == 0) {
    Message("No scrollback data");
    return;
  }
  uint8_t Font = S().Term ? S().Term->Font : (Con().CellHeight() == 32 ? 3 : 1);
  auto Saved = std::make_unique<TConsoleImage>();
  Con().SaveScreen(1, 1, Con().Cols, Con().Rows, *Saved);
  Con().SetWindow(1, 1, Con().Cols, Con().Rows);
  Con().ClearScreen(4);
  Con().WheelLines = 3;
  {
    TViewer View(Con(), Font);
    View.Run();
  }
  Con().RestoreScreen(*Saved);
  Con().WheelLines = 1;
  RedrawStatus();
}
