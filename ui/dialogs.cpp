#include "ui/dialogs.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "support/strings.h"
#include "ui/layout.h"
#include "ui/menuform.h"
#include "ui/menuinput.h"
#include "ui/ui_console.h"

namespace lx {

void ApplyBoxTheme(const TUISettings& Settings, TMenuBox* Box, TListBox* List) {
  if (Box) {
    Box->FrameType = Settings.Ascii() ? 8 : 6;
    Box->TitleAttr = 116;
    Box->Box3D = !Settings.Ascii();
  }
  if (List) {
    List->BarAttr = 79;
    List->ItemAttr = 112;
    List->ScrollBar = false;
  }
}

namespace {

// Waits for a key or a left click; false when the window is closing.
bool WaitInput(TSDLConsole& Console, TMouseEvent& Ev, bool& Mouse) {
  Mouse = false;
  for (;;) {
    if (UITerminated(Console)) return false;
    if (UIReadMouse(Console, Ev) && Ev.Kind == 1) {
      Mouse = true;
      return true;
    }
    if (UIKeyPressed(Console)) return true;
    UIDelay(Console, 1);
  }
}

}  // namespace

bool MessageBox(TSDLConsole& Console, const TUISettings& Settings, int Mode, const std::string& Text) {
  const int Cols = UICols(Console);
  // The box is the text plus two columns each side; cut what cannot fit.
  const std::string T = Text.substr(0, std::max(Cols - 4, 0));
  const int Len = static_cast<int>(T.size());
  // Wide enough for its buttons, so a one-word message still frames them.
  const int N = std::max(Len, Mode == MessageYesNo ? 9 : 4);
  const int X1 = std::max((Cols - 2 - N) / 2, 1);

  TMenuBox Box(Console);
  ApplyBoxTheme(Settings, &Box, nullptr);
  Box.Title = " Info ";
  Box.Open(X1, 10, X1 + N + 3, 15);
  UIWriteXY(Console, X1 + 2 + (N - Len) / 2, 12, 112, T);

  bool Result = true;
  TMouseEvent Ev{};
  bool Mouse = false;
  if (Mode != MessageYesNo) {
    const int B = X1 + 2 + (N - 4) / 2;
    UIWriteXY(Console, B, 14, 79, " OK ");
    while (WaitInput(Console, Ev, Mouse)) {
      if (!Mouse || UIHitTest(Console, Ev, B, 14, B + 4, 14)) break;
    }
    // A key typed ahead must not leak into the screen underneath.
    while (!UITerminated(Console) && UIKeyPressed(Console)) UIReadKey(Console);
  } else {
    const int B = X1 + 2 + (N - 9) / 2;
    bool Yes = true;
    auto Draw = [&]() {
      UIWriteXY(Console, B, 14, Yes ? 79 : 116, " YES ");
      UIWriteXY(Console, B + 5, 14, Yes ? 116 : 79, " NO ");
    };
    Draw();
    for (;;) {
      if (!WaitInput(Console, Ev, Mouse)) {
        Result = true;
        break;
      }
      if (Mouse) {
        const bool OnYes = UIHitTest(Console, Ev, B, 14, B + 4, 14);
        const bool OnNo = !OnYes && UIHitTest(Console, Ev, B + 5, 14, B + 8, 14);
        if (!OnYes && !OnNo) continue;
        if (OnYes == Yes) {
          Result = Yes;
          break;
        }
        Yes = OnYes;
        Draw();
        continue;
      }
      const uint8_t Ch = UIReadKey(Console);
      if (UITerminated(Console)) continue;
      if (Ch == 0) {
        const uint8_t Ext = UIReadKey(Console);
        if (Ext == 75) Yes = true;
        if (Ext == 77) Yes = false;
        Draw();
        continue;
      }
      const char Up = UpCase(static_cast<char>(Ch));
      if (Up == 'Y' || Up == 'N') {
        Result = Up == 'Y';
        break;
      }
      if (Ch == 13) {
        Result = Yes;
        break;
      }
      if (Ch == 32) {
        Yes = !Yes;
        Draw();
      }
    }
  }
  Box.Close();
  return Result;
}

uint8_t PopupMenu(TSDLConsole& Console, int X, int Y, const std::string& Items) {
  std::vector<std::pair<char, std::string>> Entries;
  size_t Start = 0;
  for (size_t Bar = Items.find('|'); Bar != std::string::npos; Start = Bar + 1, Bar = Items.find('|', Start)) {
    const std::string E = Items.substr(Start, Bar - Start);
    if (E.empty()) continue;
    Entries.emplace_back(E[0], E.size() > 2 ? E.substr(2, 18) : std::string());
  }
  if (Entries.empty()) return 27;

  const int Cols = UICols(Console);
  const int Rows = UIRows(Console);
  int W = 0;
  for (const auto& E : Entries) W = std::max(W, static_cast<int>(E.second.size()));
  W += 3;
  // Entries that cannot fit on the screen are left out rather than drawn off it.
  const int N = std::min({static_cast<int>(Entries.size()), Rows - 2, TMenuForm::MaxItems});
  if (X + W + 4 > Cols) X = Cols - (W + 4);
  if (Y + N + 2 > Rows) Y = Rows - (N + 2);
  X = std::max(X, 1);
  Y = std::max(Y, 1);

  TMenuBox Box(Console);
  Box.Open(X, Y, X + W + 2, Y + N + 1);
  TMenuForm Form(Console);
  Form.HelpWidth = 0;
  Form.LabelAttr = 112;
  Form.HighAttr = 79;
  Form.LabelHotAttr = 127;
  Form.HighHotAttr = 76;
  Form.ClickOutsideCancels = true;
  for (int I = 0; I < N; ++I) {
    const auto& [Key, Text] = Entries[I];
    Form.AddAction(Key, std::string(" ") + Key + " " + Text, {.LabelX = X + 1, .LabelY = Y + 1 + I, .LabelWidth = W + 1},
                   "");
  }
  const uint8_t Result = Form.Run();
  Box.Close();
  return Result;
}

std::string InputBox(TSDLConsole& Console, const std::string& Title, const std::string& Prompt,
                     const std::string& Default, int FieldWidth, int MaxLen) {
  const int Cols = UICols(Console);
  // Box, prompt and field are all kept on the screen; a wider request is narrowed.
  const int W = std::clamp(std::max(FieldWidth, static_cast<int>(Prompt.size())), 1, Cols - 3);
  const int F = std::clamp(FieldWidth, 1, W);
  // Centred over the 80-column screens it is opened from, wherever they sit.
  int X1 = LeftColumn(Cols) - 1 + (82 - W) / 2;
  if (X1 + W + 2 > Cols) X1 = Cols - W - 2;
  X1 = std::max(X1, 1);

  TMenuBox Box(Console);
  Box.FrameType = 6;
  Box.Title = " " + Title + " ";
  Box.TitleAttr = 116;
  Box.Box3D = true;
  Box.Open(X1, 10, X1 + W + 2, 15);
  UIWriteXY(Console, X1 + 2, 12, 112, Prompt.substr(0, W));

  TMenuInput Input(Console);
  Input.FieldAttr = 79;
  Input.FillAttr = 71;
  Input.HotKeys = std::string("\r\x1B");
  const std::string S = Input.GetStr(X1 + 2, 13, F, MaxLen, TMenuInput::ModeText, Default);
  Box.Close();
  return Input.ExitCode == 27 ? std::string() : S;
}

}  // namespace lx
