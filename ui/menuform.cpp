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

TFormItem* TMenuForm::NewItem(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                              uint8_t Kind, int FieldWidth, int MaxLen) {
  if (Count() >= MaxItems) return nullptr;
  auto It = std::make_unique<TFormItem>();
  It->Key = Key;
  It->Label = Label.substr(0, 60);
  It->Help = Help.substr(0, 120);
  It->LabelX = At.LabelX;
  It->LabelY = At.LabelY;
  It->LabelWidth = At.LabelWidth;
  It->FieldX = At.FieldX ? At.FieldX : At.LabelX;
  It->FieldY = At.FieldY ? At.FieldY : At.LabelY;
  It->FieldWidth = FieldWidth;
  It->MaxLen = static_cast<uint8_t>(std::clamp(MaxLen, 0, 255));
  It->Kind = Kind;
  Items.push_back(std::move(It));
  return Items.back().get();
}

TFormItem* TMenuForm::NewText(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                              uint8_t Kind, std::string& Value) {
  TFormItem* It = NewItem(Key, Label, At, Help, Kind, At.FieldWidth, At.MaxLen);
  if (It) It->Str = &Value;
  return It;
}

bool TMenuForm::AddAction(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help) {
  return NewItem(Key, Label, At, Help, TFormItem::KindAction, 0, 0) != nullptr;
}

bool TMenuForm::AddString(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                          std::string& Value) {
  return NewText(Key, Label, At, Help, TFormItem::KindString, Value) != nullptr;
}

bool TMenuForm::AddPipeString(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                              std::string& Value) {
  return NewText(Key, Label, At, Help, TFormItem::KindPipeString, Value) != nullptr;
}

bool TMenuForm::AddPassword(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                            std::string& Value) {
  return NewText(Key, Label, At, Help, TFormItem::KindPassword, Value) != nullptr;
}

bool TMenuForm::AddPath(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                        std::string& Value) {
  return NewText(Key, Label, At, Help, TFormItem::KindPath, Value) != nullptr;
}

bool TMenuForm::AddUpper(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                         std::string& Value) {
  return NewText(Key, Label, At, Help, TFormItem::KindUpper, Value) != nullptr;
}

bool TMenuForm::AddDate(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                        std::string& Value) {
  TFormItem* It = NewItem(Key, Label, At, Help, TFormItem::KindDate, 8, 8);  // MM/DD/YY
  if (It) It->Str = &Value;
  return It != nullptr;
}

bool TMenuForm::AddToggle(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                          uint8_t Min, uint8_t Max, const std::string& Choices, uint8_t& Value) {
  TFormItem* It = NewItem(Key, Label, At, Help, TFormItem::KindToggle, At.FieldWidth, Max);
  if (!It) return false;
  It->Min = Min;
  It->Choices = Choices.substr(0, 68);
  It->Byte = &Value;
  if (Value < Min || Value > Max) Value = Min;
  return true;
}

bool TMenuForm::AddYesNo(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                         uint8_t& Value) {
  TFormItem* It = NewItem(Key, Label, At, Help, TFormItem::KindYesNo, 3, 0);
  if (It) It->Byte = &Value;
  return It != nullptr;
}

// Number items take as many characters as their widest value has.
bool TMenuForm::AddByte(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                        uint8_t Min, uint8_t Max, uint8_t& Value) {
  TFormItem* It = NewItem(Key, Label, At, Help, TFormItem::KindByte, At.FieldWidth, 3);
  if (!It) return false;
  It->Min = Min;
  It->Max = Max;
  It->Byte = &Value;
  return true;
}

bool TMenuForm::AddWord(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                        uint16_t Min, uint16_t Max, uint16_t& Value) {
  TFormItem* It = NewItem(Key, Label, At, Help, TFormItem::KindWord, At.FieldWidth, 5);
  if (!It) return false;
  It->Min = Min;
  It->Max = Max;
  It->Word = &Value;
  return true;
}

bool TMenuForm::AddLong(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                        int32_t Min, int32_t Max, int32_t& Value) {
  TFormItem* It = NewItem(Key, Label, At, Help, TFormItem::KindLong, At.FieldWidth, 11);
  if (!It) return false;
  It->Min = Min;
  It->Max = Max;
  It->Int = &Value;
  return true;
}

bool TMenuForm::AddBits(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                        uint32_t Mask, uint32_t& Value) {
  TFormItem* It = NewItem(Key, Label, At, Help, TFormItem::KindBits, 3, 0);
  if (!It) return false;
  It->Max = static_cast<int32_t>(Mask);
  It->Bits = &Value;
  return true;
}

bool TMenuForm::AddChar(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                        char& Value) {
  TFormItem* It = NewItem(Key, Label, At, Help, TFormItem::KindChar, 1, 0);
  if (It) It->Ch = &Value;
  return It != nullptr;
}

bool TMenuForm::AddColor(char Key, const std::string& Label, const TFormPlace& At, const std::string& Help,
                         uint8_t& Value) {
  TFormItem* It = NewItem(Key, Label, At, Help, TFormItem::KindColor, 8, 0);  // " Sample "
  if (It) It->Byte = &Value;
  return It != nullptr;
}

bool TMenuForm::AddZone(char Key, int X, int Y, int Width) {
  return NewItem(Key, "", {.LabelX = X, .LabelY = Y, .LabelWidth = Width}, "", TFormItem::KindZone, 0, 0) != nullptr;
}

bool TMenuForm::AddHoverZone(char Key, int X, int Y, int Width) {
  return NewItem(Key, "", {.LabelX = X, .LabelY = Y, .LabelWidth = Width}, "", TFormItem::KindHoverZone, 0, 0) !=
         nullptr;
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
  const TFormItem& It = Item(N);
  std::string Shown;
  switch (It.Kind) {
    case TFormItem::KindString:
    case TFormItem::KindPath:
    case TFormItem::KindDate:
    case TFormItem::KindUpper:
      Shown = *It.Str;
      break;
    case TFormItem::KindPassword:
    case TFormItem::KindPassword2:
      Shown = std::string(It.Str->size(), '*');
      break;
    case TFormItem::KindPipeString:
      UIWriteXYPipe(Console, It.FieldX, It.FieldY, 7, It.FieldWidth, *It.Str);
      return;
    case TFormItem::KindYesNo:
      Shown = *It.Byte ? "Yes" : "No";
      break;
    case TFormItem::KindByte:
      Shown = std::to_string(*It.Byte);
      break;
    case TFormItem::KindWord:
      Shown = std::to_string(*It.Word);
      break;
    case TFormItem::KindLong:
      Shown = std::to_string(*It.Int);
      break;
    case TFormItem::KindToggle:
      Shown = WordGet(*It.Byte - It.Min + 1, It.Choices, ' ');
      std::replace(Shown.begin(), Shown.end(), '_', ' ');
      break;
    case TFormItem::KindChar:
      Shown = std::string(1, *It.Ch);
      break;
    case TFormItem::KindColor:
      UIWriteXY(Console, It.FieldX, It.FieldY, *It.Byte, " Sample ");
      return;
    case TFormItem::KindBits:
      Shown = (*It.Bits & static_cast<uint32_t>(It.Max)) ? "Yes" : "No";
      break;
    default:
      return;
  }
  UIWriteXY(Console, It.FieldX, It.FieldY, ValueAttr, PadRight(Shown, It.FieldWidth));
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
  TFormItem& It = Item(N);
  auto EditText = [&](uint8_t Mode) {
    const std::string Old = *It.Str;
    std::string S = Input.GetStr(It.FieldX, It.FieldY, It.FieldWidth, It.MaxLen, Mode, Old);
    // Nothing typed leaves the value exactly as it was, slash or not.
    if (UITerminated(Console) || !Input.Changed) return;
    // A directory ends in a separator, but only where the field has room for it.
    if (It.Kind == TFormItem::KindPath && (S.empty() || (S.back() != '/' && S.back() != '\\')) &&
        S.size() < It.MaxLen)
      S += '/';
    *It.Str = S;
    if (S != Old) Changed = true;
  };
  auto EditNumber = [&](int32_t Value) {
    return Input.GetNum(It.FieldX, It.FieldY, It.FieldWidth, It.MaxLen, It.Min, It.Max, Value);
  };
  switch (It.Kind) {
    case TFormItem::KindString:
    case TFormItem::KindPath:
    case TFormItem::KindPassword:
    case TFormItem::KindPassword2:
    case TFormItem::KindPipeString:
      EditText(TMenuInput::ModeText);
      break;
    case TFormItem::KindDate:
      EditText(TMenuInput::ModeDate);
      break;
    case TFormItem::KindUpper:
      EditText(TMenuInput::ModeUpper);
      break;
    case TFormItem::KindYesNo:
      *It.Byte = *It.Byte ? 0 : 1;
      Changed = true;
      break;
    case TFormItem::KindByte: {
      const int32_t V = EditNumber(*It.Byte);
      if (UITerminated(Console)) break;
      if (V != *It.Byte) Changed = true;
      *It.Byte = static_cast<uint8_t>(V);
      break;
    }
    case TFormItem::KindWord: {
      const int32_t V = EditNumber(*It.Word);
      if (UITerminated(Console)) break;
      if (V != *It.Word) Changed = true;
      *It.Word = static_cast<uint16_t>(V);
      break;
    }
    case TFormItem::KindLong: {
      const int32_t V = EditNumber(*It.Int);
      if (UITerminated(Console)) break;
      if (V != *It.Int) Changed = true;
      *It.Int = V;
      break;
    }
    case TFormItem::KindToggle:
      *It.Byte = (*It.Byte >= It.MaxLen || *It.Byte < It.Min) ? static_cast<uint8_t>(It.Min)
                                                                : static_cast<uint8_t>(*It.Byte + 1);
      Changed = true;
      break;
    case TFormItem::KindChar: {
      const char Old = *It.Ch;
      PickChar(*It.Ch);
      if (*It.Ch != Old) Changed = true;
      break;
    }
    case TFormItem::KindColor: {
      const uint8_t New = PickColor(*It.Byte);
      if (New != *It.Byte) Changed = true;
      *It.Byte = New;
      break;
    }
    case TFormItem::KindBits:
      *It.Bits ^= static_cast<uint32_t>(It.Max);
      Changed = true;
      break;
    default:
      break;
  }
  DrawValue(N);
  return !UITerminated(Console);
}

uint8_t TMenuForm::Run() {
  ExitedByKey = ExitedUp = ExitedDown = false;
  Input.FieldAttr = EditAttr;
  Input.FillAttr = EditFillAttr;

  // The labels' rectangle, widened by 2, decides what counts as a click outside.
  int RX1 = INT_MAX, RY1 = INT_MAX, RX2 = INT_MIN, RY2 = INT_MIN;
  std::optional<TSDLConsole::TBatch> Batch(std::in_place, Console);
  for (int N = 1; N <= Count(); ++N) {
    const TFormItem& It = Item(N);
    RX1 = std::min(RX1, It.LabelX);
    RY1 = std::min(RY1, It.LabelY);
    RX2 = std::max(RX2, It.LabelX + It.LabelWidth - 1);
    RY2 = std::max(RY2, It.LabelY);
    DrawLabel(N, false);
    DrawValue(N);
  }
  RX1 -= 2;
  RY1 -= 2;
  RX2 += 2;
  RY2 += 2;
  if (Current < 1 || Current > Count() || Item(Current).IsMouseArea()) Current = std::max(FirstNavigable(), 1);
  if (Current <= Count() && FirstNavigable()) {
    DrawLabel(Current, true);
    ShowHelp();
  }
  const bool HaveItem = FirstNavigable() != 0;
  Batch.reset();  // never hold the lock while waiting for input

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
          if (It.Kind == TFormItem::KindAction || It.Kind == TFormItem::KindZone) {
            SetCurrent(Hit);
            return static_cast<uint8_t>(It.Key);
          }
          if (It.Kind != TFormItem::KindHoverZone) {
            SetCurrent(Hit);
            if (!EditItem(Hit)) return 27;
          }
        } else if (ClickOutsideCancels && !(Ev.X1 >= RX1 && Ev.X1 <= RX2 && Ev.Y1 >= RY1 && Ev.Y1 <= RY2)) {
          return 27;
        }
      } else if (Hit) {
        if (Item(Hit).Kind == TFormItem::KindHoverZone) {
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
      if (Item(Current).Kind == TFormItem::KindAction) return static_cast<uint8_t>(Item(Current).Key);
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
      if (It.Kind == TFormItem::KindAction) return static_cast<uint8_t>(It.Key);
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
