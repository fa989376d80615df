#include "ui/listbox.h"

#include <algorithm>

#include "support/strings.h"
#include "ui/ui_console.h"

namespace lx {

TListBox::TListBox(TSDLConsole& C) : Console(C), Box(C) {}

void TListBox::Clear() {
  Items.clear();
  Tagged = 0;
}

bool TListBox::Add(const std::string& Text, uint8_t State) {
  if (Count() >= MaxItems) return false;
  Items.push_back({Cut(Text), State});
  if (State == 1) ++Tagged;
  return true;
}

void TListBox::Delete(int N) {
  if (N < 1 || N > Count()) return;
  if (Items[N - 1].State == 1) --Tagged;
  Items.erase(Items.begin() + (N - 1));
  Picked = std::clamp(Picked, 1, std::max(1, Count()));
}

std::string TListBox::GetItem(int N, bool* IsTagged) const {
  const bool Valid = N >= 1 && N <= Count();
  if (IsTagged) *IsTagged = Valid && Items[N - 1].State == 1;
  return Valid ? Items[N - 1].Text : std::string();
}

void TListBox::SetHotZone(int AX1, int AY1, int AX2, int AY2, uint8_t Key) {
  HotZone = {AX1, AY1, AX2, AY2, Key};
  HotZoneCount = 1;
}

void TListBox::CloseBox() {
  if (!NoBox) Box.Close();
}

bool TListBox::Selectable(int N) const {
  return N >= 1 && N <= Count() && (Items[N - 1].Text.empty() || Items[N - 1].Text[0] != '\x02');
}

int TListBox::NextSelectable(int From, int Step) const {
  for (int N = From; N >= 1 && N <= Count(); N += Step)
    if (Selectable(N)) return N;
  return 0;
}

uint8_t TListBox::ScrollAttr() const { return TrackAttr ? TrackAttr : Box.FrameLo; }

void TListBox::DrawLine(int N) {
  const int Row = Y1 + 1 + N - Top;
  if (N < Top || N > Top + Rows - 1) return;
  if (N > Count()) {
    UIWriteXY(Console, X1 + 1, Row, ItemAttr, std::string(Width, ' '));
    return;
  }
  const TItem& It = Items[N - 1];
  const bool High = N == Picked;
  if (OnDrawItem) {
    OnDrawItem(X1 + 1, Row, Width, High, It.Text, It.State);
  } else {
    const std::string T = " " + It.Text + " ";
    std::string Shown;
    if (Align == 1)
      Shown = PadLeft(T, Width);
    else if (Align == 2)
      Shown = PadCenter(T, Width, ' ', true);
    else
      Shown = PadRight(T, Width);
    UIWriteXY(Console, X1 + 1, Row, High ? BarAttr : ItemAttr, Shown);
  }
  if (TagEnabled) UIWriteXY(Console, TagX, Row, TagAttr, std::string(1, It.State == 1 ? TagChar : ' '));
}

void TListBox::DrawAll() {
  auto Batch = Console.Batch();
  for (int N = Top; N < Top + Rows; ++N) DrawLine(N);
  UpdateThumb();
}

void TListBox::DrawTrack() {
  if (!ScrollBar) return;
  const int Bottom = std::min(SY + SH - 1, UIRows(Console));
  for (int Y = std::max(SY, 1); Y <= Bottom; ++Y)
    UIWriteXY(Console, SX, Y, ScrollAttr(), std::string(1, static_cast<char>(Y == ThumbY ? ThumbChar : TrackChar)));
}

void TListBox::UpdateThumb() {
  if (!ScrollBar) return;
  if (ScrollMode == 0) {
    UIGotoXY(Console, SX, SY);
    return;
  }
  int Offset = 0;
  if (Count() > 0 && SH > 0) {
    Offset = static_cast<int>(static_cast<int64_t>(Picked) * SH / Count());
    if (Picked >= Count()) Offset = SH - 1;
    if (Picked == 1 || !AnySelectable(Picked - 1, -1)) Offset = 0;
    Offset = std::clamp(Offset, 0, SH - 1);
  }
  const int NewY = SY + Offset;
  if (NewY == ThumbY) return;
  if (ThumbY >= SY && ThumbY < SY + SH)
    UIWriteXY(Console, SX, ThumbY, ScrollAttr(), std::string(1, static_cast<char>(TrackChar)));
  UIWriteXY(Console, SX, NewY, ScrollAttr(), std::string(1, static_cast<char>(ThumbChar)));
  ThumbY = NewY;
}

void TListBox::DefaultSearchField() {
  const char Edge = TMenuBox::FrameChars(Box.FrameType)[6];
  const int X = SearchX ? SearchX : X1 + 2;
  const int Y = SearchY ? SearchY : Y2;
  const uint8_t Attr = SearchAttr ? SearchAttr : Box.CornerTR;
  std::string Field;
  if (Search.empty()) {
    Field = std::string(17, Edge);
  } else {
    const std::string Tail = Search.size() > 15 ? Search.substr(Search.size() - 15) : Search;
    Field = "[" + Tail + "]";
    Field += std::string(17 - Field.size(), Edge);
  }
  UIWriteXY(Console, X, Y, Attr, Field);
}

void TListBox::ShowSearch() {
  if (OnSearch)
    OnSearch();
  else
    DefaultSearchField();
}

void TListBox::MoveTo(int NewPicked, int NewTop) {
  if (NewPicked < 1) return;
  if (NewPicked < NewTop) NewTop = NewPicked;
  if (NewPicked > NewTop + Rows - 1) NewTop = NewPicked - Rows + 1;
  NewTop = std::max(NewTop, 1);
  const int Old = Picked;
  Picked = NewPicked;
  if (NewTop != Top) {
    Top = NewTop;
    DrawAll();
    return;
  }
  if (Old != Picked) {
    DrawLine(Old);
    DrawLine(Picked);
  }
  UpdateThumb();
}

bool TListBox::FindSearch() {
  if (Search.empty() || Count() == 0) return false;
  for (int I = 1; I < Count(); ++I) {
    const int N = (Picked - 1 + I) % Count() + 1;
    if (Selectable(N) && UpperCase(Items[N - 1].Text).find(Search) != std::string::npos) {
      MoveTo(N, Top);
      return true;
    }
  }
  return false;
}

void TListBox::Run(int AX1, int AY1, int AX2, int AY2) {
  const int ScreenCols = UICols(Console);
  const int ScreenRows = UIRows(Console);
  if (!NoBox) Box.Open(AX1, AY1, AX2, AY2);
  X1 = AX1;
  Y1 = AY1;
  Y2 = AY2;
  // Lines that would fall off the screen are never shown, so the bar can
  // never move somewhere the user cannot see it.
  Width = std::max(1, std::min(AX2 - AX1 - 1, ScreenCols - AX1));
  Rows = std::max(1, std::min(AY2 - AY1 - 1, ScreenRows - AY1));
  TagX = X1 + 1;
  SH = ScrollHeight ? ScrollHeight : Rows;
  SX = ScrollX ? ScrollX : X1 + Width + 1;
  SY = ScrollY ? ScrollY : Y1 + 1;

  Picked = std::clamp(Picked, 1, std::max(1, Count()));
  if (Picked < Top || Picked > Top + Rows - 1) Picked = Top = 1;
  if (!Selectable(Picked)) {
    int N = NextSelectable(Picked, 1);
    if (!N) N = NextSelectable(Picked, -1);
    if (N) Picked = N;
  }
  if (Picked > Top + Rows - 1) Top = Picked - Rows + 1;

  DrawTrack();
  if (DisplayOnly) {
    // Nothing waits for input, but the lines are still shown: an inactive
    // pane beside an active one must show its contents.
    DrawAll();
    return;
  }
  DrawAll();
  Search.clear();
  Clicked = false;
  bool SearchDirty = true;

  auto Finish = [&](uint8_t Code) {
    if (!Search.empty()) {
      Search.clear();
      ShowSearch();
    }
    ExitCode = Code;
  };

  for (;;) {
    if (SearchDirty) {
      ShowSearch();
      SearchDirty = false;
    }
    if (OnChange) OnChange(Picked, GetItem(Picked));

    TMouseEvent Ev{};
    bool Mouse = false;
    for (;;) {
      if (UITerminated(Console)) return Finish(27);
      if (UIReadMouse(Console, Ev) && Ev.Kind == 1) {
        Mouse = true;
        break;
      }
      if (UIKeyPressed(Console)) break;
      UIDelay(Console, 25);
      if (OnFileDrop && UICheckFileDrop(Console)) OnFileDrop();
    }

    if (Mouse) {
      if (UIHitTest(Console, Ev, X1 + 1, Y1 + 1, X1 + Width, Y1 + Rows)) {
        const int N = Top + Ev.Y1 - (Y1 + 1);
        if (N == Picked && N <= Count()) {
          Clicked = true;
          return Finish(ClickKey);
        }
        if (Selectable(N)) MoveTo(N, Top);
      } else if (HotZoneCount > 0 &&
                 UIHitTest(Console, Ev, HotZone.X1, HotZone.Y1, HotZone.X2, HotZone.Y2)) {
        Clicked = true;
        return Finish(HotZone.Key);
      }
      continue;
    }

    const uint8_t Ch = UIReadKey(Console);
    if (UITerminated(Console)) return Finish(27);
    const std::string Before = Search;
    if (Ch == 0) {
      const uint8_t Ext = UIReadKey(Console);
      Search.clear();
      // The caller's exit keys come first, so a list can end on a key that
      // would otherwise move the bar (a browser leaving its pane on LEFT).
      if (ExitKeys.find(static_cast<char>(Ext)) != std::string::npos) return Finish(Ext);
      switch (Ext) {
        case 71:  // HOME
          if (AnySelectable(Picked - 1, -1)) MoveTo(NextSelectable(1, 1), 1);
          break;
        case 72:  // UP
          if (int N = NextSelectable(Picked - 1, -1)) MoveTo(N, Top);
          break;
        case 73:  // PGUP
        case 75:  // LEFT
          if (AnySelectable(Picked - 1, -1)) {
            int P = Picked - Rows;
            if (P < 2) P = 1;
            int T = std::max(1, Top - Rows);
            if (!Selectable(P)) {
              int N = NextSelectable(P, 1);
              if (!N || N >= Picked) N = NextSelectable(P, -1);
              P = N;
            }
            if (P) MoveTo(P, T);
          }
          break;
        case 79:  // END
          if (AnySelectable(Picked + 1, 1)) {
            int T = Count() > Rows ? Count() - Rows + 1 : Top;
            MoveTo(NextSelectable(Count(), -1), T);
          }
          break;
        case 80:  // DOWN
          if (int N = NextSelectable(Picked + 1, 1)) MoveTo(N, Top);
          break;
        case 81:  // PGDN
        case 77:  // RIGHT
          if (AnySelectable(Picked + 1, 1)) {
            int P = Count(), T = Top;
            if (Count() > Rows) {
              P = std::min(Picked + Rows, Count());
              T = Top + Rows;
              if (T + Rows - 1 > Count()) T = Count() - Rows + 1;
            }
            if (!Selectable(P)) {
              int N = NextSelectable(P, -1);
              if (N <= Picked) N = NextSelectable(P, 1);
              P = N;
            }
            if (P) MoveTo(P, T);
          }
          break;
        default:
          break;
      }
    } else if (TagEnabled && Ch == TagKey) {
      Search.clear();
      if (Picked <= Count() && Items[Picked - 1].State != 2 && Selectable(Picked)) {
        TItem& It = Items[Picked - 1];
        It.State = It.State == 1 ? 0 : 1;
        Tagged += It.State == 1 ? 1 : -1;
        DrawLine(Picked);
        if (int N = NextSelectable(Picked + 1, 1)) MoveTo(N, Top);
      }
    } else if (HotKeys.find(static_cast<char>(Ch)) != std::string::npos) {
      return Finish(Ch);
    } else if (Ch == 1) {
      FindSearch();
    } else if (Ch == 8) {
      if (!Search.empty()) {
        Search.pop_back();
        FindSearch();
      }
    } else if (Ch < 32) {
      Search.clear();
    } else {
      if (Search.size() < MaxShortString) Search += UpCase(static_cast<char>(Ch));
      FindSearch();
    }
    if (Search != Before) SearchDirty = true;
  }
}

}  // namespace lx
