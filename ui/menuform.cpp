#include "ui/menuform.h"

#include <algorithm>
#include <climits>
#include <optional>

#include "support/strings.h"
#include "ui/menubox.h"
#include "ui/ui_console.h"

namespace lx {

TMenuForm::TMenuForm(TSDLConsole& C) : Console(C), Input(C) {}

void TMenuForm::Clear() {
  Items.clear();
  Current = 1;
  Changed = false;
}

namespace {

// One callable from several lambdas, for std::visit.
template <typename... F>
struct TOverload : F... {
  using F::operator()...;
};
// Spelled out for compilers without deduction for aggregates (clang 14 builds the fuzzers).
template <typename... F>
TOverload(F...) -> TOverload<F...>;

}  // namespace

bool TMenuForm::NewItem(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                        int FieldWidth, int MaxLen, TFormItem::TValue Value) {
  if (Count() >= MaxItems) return false;
  Items.push_back(std::make_unique<TFormItem>(TFormItem{
      .Key = Key,
      .Label = Label.substr(0, 60),
      .Help = Help.substr(0, 120),
      .LabelX = At.LabelX,
      .LabelY = At.LabelY,
      .LabelWidth = At.LabelWidth,
      .FieldX = At.FieldX ? At.FieldX : At.LabelX,
      .FieldY = At.FieldY ? At.FieldY : At.LabelY,
      .FieldWidth = FieldWidth,
      .MaxLen = static_cast<uint8_t>(std::clamp(MaxLen, 0, 255)),
      .Value = std::move(Value),
  }));
  return true;
}

bool TMenuForm::NewText(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                        TFormItem::TTextStyle Style, std::string& Value) {
  return NewItem(Key, Label, At, Help, At.FieldWidth, At.MaxLen, TFormItem::TText{Value, Style});
}

bool TMenuForm::AddAction(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help) {
  return NewItem(Key, Label, At, Help, 0, 0, TFormItem::TAction{});
}

bool TMenuForm::AddString(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                          std::string& Value) {
  return NewText(Key, Label, At, Help, TFormItem::TTextStyle::Plain, Value);
}

bool TMenuForm::AddPipeString(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                              std::string& Value) {
  return NewText(Key, Label, At, Help, TFormItem::TTextStyle::PipeCodes, Value);
}

bool TMenuForm::AddPassword(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                            std::string& Value) {
  return NewText(Key, Label, At, Help, TFormItem::TTextStyle::Password, Value);
}

bool TMenuForm::AddPath(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                        std::string& Value) {
  return NewText(Key, Label, At, Help, TFormItem::TTextStyle::Path, Value);
}

bool TMenuForm::AddUpper(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                         std::string& Value) {
  return NewText(Key, Label, At, Help, TFormItem::TTextStyle::Upper, Value);
}

bool TMenuForm::AddDate(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                        std::string& Value) {
  return NewItem(Key, Label, At, Help, 8, 8, TFormItem::TText{Value, TFormItem::TTextStyle::Date});  // MM/DD/YY
}

bool TMenuForm::AddToggle(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                          uint8_t Min, uint8_t Max, const std::string& Choices, uint8_t& Value) {
  if (!NewItem(Key, Label, At, Help, At.FieldWidth, 0, TFormItem::TToggle{Value, Min, Max, Choices.substr(0, 68)}))
    return false;
  if (Value < Min || Value > Max) Value = Min;
  return true;
}

bool TMenuForm::AddYesNo(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                         uint8_t& Value) {
  return NewItem(Key, Label, At, Help, 3, 0, TFormItem::TYesNo{Value});
}

// Number items take as many characters as their widest value has.
bool TMenuForm::AddByte(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                        uint8_t Min, uint8_t Max, uint8_t& Value) {
  return NewItem(Key, Label, At, Help, At.FieldWidth, 3, TFormItem::TNumber<uint8_t>{Value, Min, Max});
}

bool TMenuForm::AddWord(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                        uint16_t Min, uint16_t Max, uint16_t& Value) {
  return NewItem(Key, Label, At, Help, At.FieldWidth, 5, TFormItem::TNumber<uint16_t>{Value, Min, Max});
}

bool TMenuForm::AddLong(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                        int32_t Min, int32_t Max, int32_t& Value) {
  return NewItem(Key, Label, At, Help, At.FieldWidth, 11, TFormItem::TNumber<int32_t>{Value, Min, Max});
}

bool TMenuForm::AddBits(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                        uint32_t Mask, uint32_t& Value) {
  return NewItem(Key, Label, At, Help, 3, 0, TFormItem::TBits{Value, Mask});
}

bool TMenuForm::AddChar(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                        char& Value) {
  return NewItem(Key, Label, At, Help, 1, 0, TFormItem::TChar{Value});
}

bool TMenuForm::AddColor(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                         uint8_t& Value) {
  return NewItem(Key, Label, At, Help, 8, 0, TFormItem::TColor{Value});  // " Sample "
}

bool TMenuForm::AddZone(char Key, int X, int Y, int Width) {
  return NewItem(Key, "", {.LabelX = X, .LabelY = Y, .LabelWidth = Width}, "", 0, 0, TFormItem::TZone{});
}

bool TMenuForm::AddHoverZone(char Key, int X, int Y, int Width) {
  return NewItem(Key, "", {.LabelX = X, .LabelY = Y, .LabelWidth = Width}, "", 0, 0, TFormItem::THoverZone{});
}

void TMenuForm::DrawLabel(int N, bool High) {
  const TFormItem& It = Item(N);
  if (It.IsMouseArea()) return;
  const std::string Text = PadRight(It.Label, It.LabelWidth);
  UIWriteXY(Console, It.LabelX, It.LabelY, High ? HighAttr : LabelAttr, Text);
  if (It.Key == 0) return;
  const size_t Pos = UpperCase(Text).find(UpCase(It.Key));
  if (Pos != std::string::npos)
    UIWriteXY(Console, It.LabelX + static_cast<int>(Pos), It.LabelY, High ? HighHotAttr : LabelHotAttr,
              std::string(1, Text[Pos]));
}

void TMenuForm::DrawValue(int N) {
  using T = TFormItem;
  using TShown = std::optional<std::string>;
  const TFormItem& It = Item(N);
  // The text for the field in ValueAttr; pipe-coded text and the colour sample draw
  // themselves, actions and mouse areas show nothing.
  const TShown Shown = std::visit(
      TOverload{
          [](const T::TAction&) -> TShown { return std::nullopt; },
          [](const T::TZone&) -> TShown { return std::nullopt; },
          [](const T::THoverZone&) -> TShown { return std::nullopt; },
          [&](const T::TText& V) -> TShown {
            if (V.Style == T::TTextStyle::PipeCodes) {
              UIWriteXYPipe(Console, It.FieldX, It.FieldY, 7, It.FieldWidth, V.Value);
              return std::nullopt;
            }
            if (V.Style == T::TTextStyle::Password) return std::string(V.Value.size(), '*');
            return V.Value;
          },
          [](const T::TYesNo& V) -> TShown { return V.Value ? "Yes" : "No"; },
          []<typename U>(const T::TNumber<U>& V) -> TShown { return std::to_string(V.Value); },
          [](const T::TToggle& V) -> TShown {
            std::string Word = WordGet(V.Value - V.Min + 1, V.Choices, ' ');
            std::replace(Word.begin(), Word.end(), '_', ' ');
            return Word;
          },
          [](const T::TChar& V) -> TShown { return std::string(1, V.Value); },
          [&](const T::TColor& V) -> TShown {
            UIWriteXY(Console, It.FieldX, It.FieldY, V.Value, " Sample ");
            return std::nullopt;
          },
          [](const T::TBits& V) -> TShown { return (V.Value & V.Mask) ? "Yes" : "No"; },
      },
      It.Value);
  if (Shown) UIWriteXY(Console, It.FieldX, It.FieldY, ValueAttr, PadRight(*Shown, It.FieldWidth));
}

void TMenuForm::ShowHelp() {
  if (HelpWidth == 0 || Current < 1 || Current > Count()) return;
  if (OnHelp)
    OnHelp(Current, Item(Current).Help);
  else
    UIWriteXYPipe(Console, HelpX, HelpY, HelpAttr, HelpWidth, Item(Current).Help);
}

void TMenuForm::SetCurrent(int N) {
  if (N < 1 || N > Count() || N == Current || Item(N).IsMouseArea()) return;
  if (Current >= 1 && Current <= Count()) DrawLabel(Current, false);
  Current = N;
  DrawLabel(Current, true);
  ShowHelp();
}

bool TMenuForm::OnLabel(const TFormItem& It, int X, int Y) const {
  return Y == It.LabelY && X >= It.LabelX && X <= It.LabelX + It.LabelWidth - 1;
}

int TMenuForm::FirstNavigable() const {
  for (int N = 1; N <= Count(); ++N)
    if (!Items[N - 1]->IsMouseArea()) return N;
  return 0;
}

int TMenuForm::LastNavigable() const {
  for (int N = Count(); N >= 1; --N)
    if (!Items[N - 1]->IsMouseArea()) return N;
  return 0;
}

bool TMenuForm::EditItem(int N) {
  using T = TFormItem;
  TFormItem& It = Item(N);
  std::visit(
      TOverload{
          [](const T::TAction&) {},
          [](const T::TZone&) {},
          [](const T::THoverZone&) {},
          [&](T::TText& V) {
            const uint8_t Mode = V.Style == T::TTextStyle::Date    ? TMenuInput::ModeDate
                                 : V.Style == T::TTextStyle::Upper ? TMenuInput::ModeUpper
                                                                   : TMenuInput::ModeText;
            const std::string Old = V.Value;
            std::string S = Input.GetStr(It.FieldX, It.FieldY, It.FieldWidth, It.MaxLen, Mode, Old);
            // Nothing typed leaves the value exactly as it was, slash or not.
            if (UITerminated(Console) || !Input.Changed) return;
            // A directory ends in a separator, but only where the field has room for it.
            if (V.Style == T::TTextStyle::Path && (S.empty() || (S.back() != '/' && S.back() != '\\')) &&
                S.size() < It.MaxLen)
              S += '/';
            V.Value = S;
            if (S != Old) Changed = true;
          },
          [&](T::TYesNo& V) {
            V.Value = V.Value ? 0 : 1;
            Changed = true;
          },
          [&]<typename U>(T::TNumber<U>& V) {
            const int32_t New = Input.GetNum(It.FieldX, It.FieldY, It.FieldWidth, It.MaxLen, V.Min, V.Max, V.Value);
            if (UITerminated(Console)) return;
            if (New != V.Value) Changed = true;
            V.Value = static_cast<U>(New);
          },
          [&](T::TToggle& V) {
            V.Value = (V.Value >= V.Max || V.Value < V.Min) ? V.Min : static_cast<uint8_t>(V.Value + 1);
            Changed = true;
          },
          [&](T::TChar& V) {
            const char Old = V.Value;
            PickChar(V.Value);
            if (V.Value != Old) Changed = true;
          },
          [&](T::TColor& V) {
            const uint8_t New = PickColor(V.Value);
            if (New != V.Value) Changed = true;
            V.Value = New;
          },
          [&](T::TBits& V) {
            V.Value ^= V.Mask;
            Changed = true;
          },
      },
      It.Value);
  DrawValue(N);
  return !UITerminated(Console);
}

uint8_t TMenuForm::Run() {
  ExitedByKey = ExitedUp = ExitedDown = false;
  Input.FieldAttr = EditAttr;
  Input.FillAttr = EditFillAttr;

  // The labels' rectangle, widened by 2, decides what counts as a click outside.
  int RX1 = INT_MAX, RY1 = INT_MAX, RX2 = INT_MIN, RY2 = INT_MIN;
  {
    // Drawn under one batch; the lock is never held while waiting for input.
    auto Batch = Console.Batch();
    for (int N = 1; N <= Count(); ++N) {
      const TFormItem& It = Item(N);
      RX1 = std::min(RX1, It.LabelX);
      RY1 = std::min(RY1, It.LabelY);
      RX2 = std::max(RX2, It.LabelX + It.LabelWidth - 1);
      RY2 = std::max(RY2, It.LabelY);
      DrawLabel(N, false);
      DrawValue(N);
    }
    if (Current < 1 || Current > Count() || Item(Current).IsMouseArea()) Current = std::max(FirstNavigable(), 1);
    if (Current <= Count() && FirstNavigable()) {
      DrawLabel(Current, true);
      ShowHelp();
    }
  }
  RX1 -= 2;
  RY1 -= 2;
  RX2 += 2;
  RY2 += 2;
  const bool HaveItem = FirstNavigable() != 0;

  for (;;) {
    TMouseEvent Ev{};
    bool Mouse = false;
    for (;;) {
      if (UITerminated(Console)) return 27;
      if (UIReadMouse(Console, Ev) && (Ev.Kind == 1 || Ev.Kind == 5)) {
        Mouse = true;
        break;
      }
      if (UIKeyPressed(Console)) break;
      UIDelay(Console, 25);
    }

    if (Mouse) {
      int Hit = 0;
      for (int N = 1; N <= Count() && !Hit; ++N)
        if (OnLabel(Item(N), Ev.X1, Ev.Y1)) Hit = N;
      if (Ev.Kind == 1) {
        if (Hit) {
          TFormItem& It = Item(Hit);
          if (It.IsAction() || std::holds_alternative<TFormItem::TZone>(It.Value)) {
            SetCurrent(Hit);
            return static_cast<uint8_t>(It.Key);
          }
          if (!std::holds_alternative<TFormItem::THoverZone>(It.Value)) {
            SetCurrent(Hit);
            if (!EditItem(Hit)) return 27;
          }
        } else if (ClickOutsideCancels && !(Ev.X1 >= RX1 && Ev.X1 <= RX2 && Ev.Y1 >= RY1 && Ev.Y1 <= RY2)) {
          return 27;
        }
      } else if (Hit) {
        if (std::holds_alternative<TFormItem::THoverZone>(Item(Hit).Value)) {
          ExitedByKey = true;
          return static_cast<uint8_t>(Item(Hit).Key);
        }
        SetCurrent(Hit);
      }
      continue;
    }

    const uint8_t Ch = UIReadKey(Console);
    if (UITerminated(Console)) return 27;
    if (Ch == 0) {
      const uint8_t Ext = UIReadKey(Console);
      if (UITerminated(Console)) return 27;
      if (ExitKeys.find(static_cast<char>(Ext)) != std::string::npos) {
        ExitedByKey = true;
        return Ext;
      }
      if (!HaveItem) continue;
      const TFormItem& Cur = Item(Current);
      if (Ext == 72) {  // UP
        int Best = 0;
        for (int N = 1; N <= Count(); ++N) {
          const TFormItem& It = Item(N);
          if (N == Current || It.IsMouseArea() || It.FieldX != Cur.FieldX || It.FieldY >= Cur.FieldY) continue;
          if (!Best || It.FieldY > Item(Best).FieldY) Best = N;
        }
        if (Best) {
          SetCurrent(Best);
        } else if (Current == FirstNavigable()) {
          if (WrapUp) {
            ExitedUp = true;
            return 72;
          }
        } else {
          // Back to the start of this group: item 1, or the first item after
          // the nearest mouse area above.
          int Target = 1;
          for (int K = Current - 1; K >= 1; --K)
            if (Item(K).IsMouseArea()) {
              Target = K + 1;
              break;
            }
          while (Target < Current && Item(Target).IsMouseArea()) ++Target;
          SetCurrent(Target);
        }
      } else if (Ext == 80) {  // DOWN
        int Best = 0;
        for (int N = 1; N <= Count() && !Best; ++N) {
          const TFormItem& It = Item(N);
          if (N != Current && !It.IsMouseArea() && It.FieldX == Cur.FieldX && It.FieldY > Cur.FieldY) Best = N;
        }
        if (Best) {
          SetCurrent(Best);
        } else if (Current == LastNavigable()) {
          if (WrapDown) {
            ExitedDown = true;
            return 80;
          }
        } else {
          int Target = Count();
          for (int K = Current + 1; K <= Count(); ++K)
            if (Item(K).IsMouseArea()) {
              Target = K - 1;
              break;
            }
          while (Target > Current && Item(Target).IsMouseArea()) --Target;
          SetCurrent(Target);
        }
      } else if (Ext == 75 || Ext == 77) {  // LEFT, RIGHT
        int Best = 0;
        for (int N = 1; N <= Count(); ++N) {
          const TFormItem& It = Item(N);
          if (N == Current || It.IsMouseArea() || It.LabelY != Cur.LabelY) continue;
          if (Ext == 75 && It.LabelX < Cur.LabelX && (!Best || It.LabelX > Item(Best).LabelX)) Best = N;
          if (Ext == 77 && It.LabelX > Cur.LabelX && (!Best || It.LabelX < Item(Best).LabelX)) Best = N;
        }
        if (Best) SetCurrent(Best);
      }
      continue;
    }

    if (Ch == 27) return 27;
    if (Ch == 13) {
      if (!HaveItem) continue;
      if (Item(Current).IsAction()) return static_cast<uint8_t>(Item(Current).Key);
      if (!EditItem(Current)) return 27;
      continue;
    }
    if (HotKeys.find(static_cast<char>(Ch)) != std::string::npos) return Ch;
    // Every item with this hot key acts, in order.
    const char Up = UpCase(static_cast<char>(Ch));
    for (int N = 1; N <= Count(); ++N) {
      TFormItem& It = Item(N);
      if (It.IsMouseArea() || It.Key == 0 || UpCase(It.Key) != Up) continue;
      SetCurrent(N);
      if (It.IsAction()) return static_cast<uint8_t>(It.Key);
      if (!EditItem(N)) return 27;
    }
  }
}

uint8_t TMenuForm::PickColor(uint8_t A) {
  TMenuBox Box(Console);
  Box.Title = " Select color ";
  Box.Open(30, 7, 51, 18);
  int F = A & 15;
  int B = (A >> 4) & 7;
  uint8_t Result = A;

  // A ring of dark half-blocks around the chosen swatch, on the box's grey.
  static const char* const Marker[3] = {
      "|08|23 \xDC\xDC\xDC ",
      "|08|23 \xDB \xDB ",
      "|08|23 \xDF\xDF\xDF ",
  };
  for (;;) {
    std::optional<TSDLConsole::TBatch> Batch(std::in_place, Console);
    for (int Y = 8; Y <= 17; ++Y) UIWriteXY(Console, 31, Y, Box.FrameHi, std::string(20, ' '));
    for (int BB = 0; BB < 8; ++BB)
      for (int FF = 0; FF < 16; ++FF) UIWriteXY(Console, 33 + FF, 9 + BB, static_cast<uint8_t>(FF + 16 * BB), "\xFE");
    UIWriteXY(Console, 37, 18, static_cast<uint8_t>(F + 16 * B), " Sample ");
    for (int I = 0; I < 3; ++I) UIWriteXYPipe(Console, F + 31, B + 8 + I, 15, 5, Marker[I]);
    UIWriteXY(Console, 33 + F, 9 + B, static_cast<uint8_t>(F + 16 * B), "\xFE");
    Batch.reset();

    TMouseEvent Ev{};
    bool Mouse = false;
    for (;;) {
      if (UITerminated(Console)) {
        Box.Close();
        return A;
      }
      if (UIReadMouse(Console, Ev) && Ev.Kind == 1) {
        Mouse = true;
        break;
      }
      if (UIKeyPressed(Console)) break;
      UIDelay(Console, 25);
    }
    if (Mouse) {
      // A click on a swatch moves there; a click on the chosen one takes it.
      if (UIHitTest(Console, Ev, 33, 9, 48, 16)) {
        const int NF = Ev.X1 - 33, NB = Ev.Y1 - 9;
        if (NF == F && NB == B) {
          Result = static_cast<uint8_t>(F + 16 * B);
          break;
        }
        F = NF;
        B = NB;
      }
      continue;
    }
    const uint8_t Ch = UIReadKey(Console);
    if (UITerminated(Console)) continue;
    if (Ch == 13) {
      Result = static_cast<uint8_t>(F + 16 * B);
      break;
    }
    if (Ch == 27) break;
    if (Ch != 0) continue;
    switch (UIReadKey(Console)) {
      case 72: B = std::max(B - 1, 0); break;
      case 80: B = std::min(B + 1, 7); break;
      case 75: F = std::max(F - 1, 0); break;
      case 77: F = std::min(F + 1, 15); break;
      default: break;
    }
  }
  Box.Close();
  return Result;
}

void TMenuForm::PickChar(char& C) {
  TMenuBox Box(Console);
  Box.Open(19, 8, 62, 10);
  UIWriteXY(Console, 21, 9, 113, "Enter ASCII character number (1-254)");
  const std::string S = Input.GetStr(58, 9, 3, 3, TMenuInput::ModeText, IntToStr(static_cast<uint8_t>(C)));
  if (!UITerminated(Console)) C = static_cast<char>(StrToInt(S) & 255);
  Box.Close();
}

}  // namespace lx
