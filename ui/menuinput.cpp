#include "ui/menuinput.h"

#include <algorithm>

#include "support/strings.h"
#include "ui/ui_console.h"

namespace lx {

TMenuInput::TMenuInput(TSDLConsole& C) : Console(C) {}

std::string TMenuInput::GetStr(int X, int Y, int FieldWidth, int MaxLen, uint8_t Mode, const std::string& Start) {
  const int Cols = UICols(Console);
  X = std::clamp(X, 1, Cols);
  const int W = std::clamp(FieldWidth, 1, Cols - X + 1);
  MaxLen = std::clamp(MaxLen, 0, 255);
  std::string Text = Cut(Start);
  int Len = static_cast<int>(Text.size());
  int P = Len + 1;                    // cursor position in the text, 1-based
  int View = std::max(1, Len - W + 1);  // first text position shown

  auto Draw = [&]() {
    // Keep the cursor inside the field or just right of it.
    View = std::min(View, P);
    View = std::max({View, P - W, 1});
    std::string Shown = Text.size() >= static_cast<size_t>(View) ? Text.substr(View - 1, W) : std::string();
    if (Mask) Shown.assign(Shown.size(), Mask);
    UIWriteXY(Console, X, Y, FieldAttr, Shown);
    if (static_cast<int>(Shown.size()) < W)
      UIWriteXY(Console, X + static_cast<int>(Shown.size()), Y, FillAttr, std::string(W - Shown.size(), FillChar));
    UIGotoXY(Console, X + (P - View + 1) - 1, Y);
  };
  auto Offset = [&]() { return P - View + 1; };
  auto Insert = [&](char C) {
    if (static_cast<int>(Text.size()) >= MaxLen) return;
    if (Offset() == W) ++View;
    Text.insert(Text.begin() + (P - 1), C);
    ++P;
  };

  Draw();
  for (;;) {
    const uint8_t Ch = UIReadKey(Console);
    if (UITerminated(Console)) {
      ExitCode = 27;
      Changed = false;
      return Start;
    }
    if (Ch == 0) {
      const uint8_t Ext = UIReadKey(Console);
      if (UITerminated(Console)) continue;
      switch (Ext) {
        case 71:  // HOME
          if (P > 1) P = View = 1;
          break;
        case 75:  // LEFT
          if (P > 1) {
            if (Offset() == 1) --View;
            --P;
          }
          break;
        case 77:  // RIGHT
          if (P <= static_cast<int>(Text.size())) {
            if (Offset() == W) ++View;
            ++P;
          }
          break;
        case 79:  // END
          P = static_cast<int>(Text.size()) + 1;
          View = std::max(1, static_cast<int>(Text.size()) - W + 1);
          break;
        case 83:  // DELETE
          if (P <= static_cast<int>(Text.size())) Text.erase(P - 1, 1);
          break;
        default:
          if (ExitKeys.find(static_cast<char>(Ext)) != std::string::npos) {
            ExitCode = Ext;
            Changed = Text != Start;
            return Text;
          }
          continue;
      }
      Draw();
      continue;
    }
    if (Ch == 8) {
      if (P > 1) {
        if (Offset() == 1) --View;
        Text.erase(P - 2, 1);
        --P;
      }
    } else if (Ch == 25) {
      Text.clear();
      P = View = 1;
    } else if (Ch >= 32 && Ch <= 254) {
      const char C = static_cast<char>(Ch);
      const bool Digit = C >= '0' && C <= '9';
      switch (Mode) {
        case ModeNumber:
          if (Digit || C == '-') Insert(C);
          break;
        case ModeUpper:
          Insert(UpCase(C));
          break;
        case ModeDate:
          if (!Digit) break;
          // MM/DD/YY: the slashes come by themselves around the digits.
          if (P == 3 || P == 6) {
            Insert('/');
            Insert(C);
          } else if (P == 2 || P == 5) {
            const size_t Before = Text.size();
            Insert(C);
            if (Text.size() > Before) Insert('/');
          } else {
            Insert(C);
          }
          break;
        default:
          Insert(C);
          break;
      }
    } else {
      if (HotKeys.find(static_cast<char>(Ch)) != std::string::npos) {
        ExitCode = Ch;
        Changed = Text != Start;
        return Text;
      }
      continue;
    }
    Draw();
  }
}

int32_t TMenuInput::GetNum(int X, int Y, int FieldWidth, int MaxLen, int32_t Min, int32_t Max, int32_t Start) {
  const int64_t V = StrToInt(GetStr(X, Y, FieldWidth, MaxLen, ModeNumber, IntToStr(Start)));
  if (Min > Max) std::swap(Min, Max);
  return static_cast<int32_t>(std::clamp<int64_t>(V, Min, Max));
}

}  // namespace lx
