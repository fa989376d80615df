// Composing pixels from cells: the console's side of a frame (the overlays the main thread
// asks for, what is copied under the lock for a frame) and TFrameComposer, which draws the
// glyphs, the cursor, the highlight and the blink phase into the picture. The cursor and blink
// settings reach the composer at the end of each batch (TSDLConsole::Publish, console_lock.cpp).
#include "console/composer.h"

#include "console/fonts.h"
#include "console/palette.h"

namespace {

// For each byte of glyph bits, eight pixel masks (all ones where the bit is set), with the
// leftmost pixel in bit 7 (8-pixel-wide fonts) or bit 0 (each byte of a 16-pixel row).
using TMaskTable = std::array<std::array<uint32_t, 8>, 256>;
constexpr TMaskTable MakeMasks(bool LeftInBit7) {
  TMaskTable T{};
  for (int B = 0; B < 256; ++B)
    for (int I = 0; I < 8; ++I) T[B][I] = ((B >> (LeftInBit7 ? 7 - I : I)) & 1) ? 0xFFFFFFFFu : 0u;
  return T;
}
constexpr TMaskTable MasksLeftInBit7 = MakeMasks(true);
constexpr TMaskTable MasksLeftInBit0 = MakeMasks(false);

// Eight pixels: Fg where the mask is set, else Bg (Diff is Fg ^ Bg).
inline void PutEight(uint32_t* Dst, const std::array<uint32_t, 8>& Mask, uint32_t Bg, uint32_t Diff) {
  for (int I = 0; I < 8; ++I) Dst[I] = Bg ^ (Diff & Mask[I]);
}

// With blink on, bit 7 of a 16-colour cell blinks and its background is the dark one.
inline bool CellBlinks(const TConsoleCell& C, bool BlinkEnabled) {
  return BlinkEnabled && C.FgMode == 0 && (C.Attr & 0x80);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// The console's side: overlay settings and the hand-over of a frame

void TSDLConsole::DrawCursor(bool Visible) {
  THold Hold(*this);
  CursorShown = Visible;
  ChangedFlag.store(true, std::memory_order_release);
}

void TSDLConsole::HighlightRect(int X1, int Y1, int X2, int Y2) {
  THold Hold(*this);
  SelX1 = std::min(X1, X2);
  SelX2 = std::max(X1, X2);
  SelY1 = std::min(Y1, Y2);
  SelY2 = std::max(Y1, Y2);
  SelectionOn = true;
  ChangedFlag.store(true, std::memory_order_release);
}

void TSDLConsole::ClearHighlight() {
  THold Hold(*this);
  SelectionOn = false;
  ChangedFlag.store(true, std::memory_order_release);
}

void TSDLConsole::BlinkRedraw(bool Phase) {
  auto Guard = Lock.HoldIfNotMine();
  BlinkOn.store(Phase, std::memory_order_relaxed);
  CursorShown = Phase;
  ChangedFlag.store(true, std::memory_order_release);
}

void TSDLConsole::Invalidate() {
  auto Guard = Lock.HoldIfNotMine();
  MarkAll();
}

bool TSDLConsole::ComposeFrame(std::vector<TPixelRect>* Rects) {
  TFrameComposer& C = *Composer;
  std::lock_guard<std::mutex> Composing(C.Mutex());
  if (Rects) Rects->clear();

  // Under the lock: what to draw, and a copy of the rows that changed.
  TFrameOrder Order;
  {
    auto Guard = Lock.HoldIfNotMine();
    ChangedFlag.store(false, std::memory_order_seq_cst);
    if (PixWidth <= 0 || PixHeight <= 0) return false;
    Order.Width = PixWidth;
    Order.Height = PixHeight;
    Order.CellW = CellW;
    Order.CellH = CellH;
    Order.Rows = ShownRows;
    Order.Cols = ShownCols;
    Order.BlinkEnabled = ShownBlinkEnabled;
    Order.BlinkOn = BlinkOn.load(std::memory_order_relaxed);
    Order.CursorBlinks = !ShownCursorHidden && ShownCursorX >= 1 && ShownCursorX <= Order.Cols &&
                         ShownCursorY >= 1 && ShownCursorY <= Order.Rows;
    Order.ShowCursor = CursorShown && Order.CursorBlinks;
    Order.CursorX = ShownCursorX;
    Order.CursorY = ShownCursorY;
    Order.Select = SelectionOn;
    Order.SX1 = std::max(SelX1, 1);
    Order.SX2 = std::min(SelX2, Order.Cols);
    Order.SY1 = std::max(SelY1, 1);
    Order.SY2 = std::min(SelY2, Order.Rows);
    Order.SelectionAttr = ShownSelectionAttr;
    if (C.NeedsAllRows(Order)) RowDirty.fill(1);
    // Every cell change marks its row, so the copy of an unmarked row is still current.
    TConsoleGrid& Snap = C.Cells();
    for (int Y = 1; Y <= Order.Rows; ++Y) {
      Order.Dirty[Y - 1] = RowDirty[Y - 1];
      RowDirty[Y - 1] = 0;
      if (Order.Dirty[Y - 1]) std::copy_n(Storage[RowMap[Y - 1]].begin(), Order.Cols, Snap[Y - 1].begin());
    }
  }

  const bool Touched = C.Draw(Order, Rects);
  BlinkWantedFlag.store(C.BlinkWanted(), std::memory_order_relaxed);
  return Touched;
}

const uint32_t* TSDLConsole::Pixels() const { return Composer->Pixels(); }
int TSDLConsole::ComposedWidth() const { return Composer->Width(); }
int TSDLConsole::ComposedHeight() const { return Composer->Height(); }

// ---------------------------------------------------------------------------------------
// TFrameComposer: everything below runs on the composing thread without the console lock.

TFrameComposer::TFrameComposer() : SnapshotPtr(std::make_unique<TConsoleGrid>()) {}

bool TFrameComposer::SizeDiffers(const TFrameOrder& Order) const {
  return Order.Width != BufWidth || Order.Height != BufHeight || Order.CellW != BufCellW ||
         Order.CellH != BufCellH;
}

bool TFrameComposer::NeedsAllRows(const TFrameOrder& Order) const {
  return SizeDiffers(Order) || Order.BlinkEnabled != ComposedBlinkEnabled;
}

void TFrameComposer::DrawCharPixels(int X, int Y, uint8_t Ch, uint8_t CellFont, uint32_t Fg, uint32_t Bg) {
  const TFontRec& F = ConsoleFont(FontForHeight(CellFont, BufCellH));
  if (F.Height != BufCellH || F.Width != BufCellW) return;
  uint32_t* Dst = PixelBuf.data() + static_cast<size_t>(Y - 1) * BufCellH * BufWidth +
                  static_cast<size_t>(X - 1) * BufCellW;
  const uint32_t Diff = Fg ^ Bg;
  if (BufCellW == 8) {
    const uint8_t* G = &F.Data[Ch * 16];
    for (int r = 0; r < 16; ++r, Dst += BufWidth) PutEight(Dst, MasksLeftInBit7[G[r]], Bg, Diff);
  } else {
    const uint8_t* G = &F.Data[Ch * 64];
    for (int r = 0; r < 32; ++r, Dst += BufWidth) {
      PutEight(Dst, MasksLeftInBit0[G[2 * r]], Bg, Diff);
      PutEight(Dst + 8, MasksLeftInBit0[G[2 * r + 1]], Bg, Diff);
    }
  }
}

void TFrameComposer::DrawCellPixels(int X, int Y, const TConsoleCell& C, uint8_t AttrOverride,
                                    bool UseOverride) {
  if (UseOverride) {
    DrawCharPixels(X, Y, C.Ch, C.Font, Palette16[AttrOverride & 15], Palette16[AttrOverride >> 4]);
    return;
  }
  const bool Blinks = CellBlinks(C, ComposedBlinkEnabled);
  uint32_t Fg, Bg;
  if (C.FgMode == 1) {
    Fg = Palette256[C.Fg[0]];
  } else if (C.FgMode == 2) {
    Fg = MapRGB(C.Fg[0], C.Fg[1], C.Fg[2]);
  } else {
    Fg = Palette16[C.Attr & 15];
  }
  if (C.BgMode == 1) {
    Bg = Palette256[C.Bg[0]];
  } else if (C.BgMode == 2) {
    Bg = MapRGB(C.Bg[0], C.Bg[1], C.Bg[2]);
  } else {
    Bg = Palette16[Blinks ? (C.Attr >> 4) & 7 : C.Attr >> 4];
  }
  if (Blinks) {
    RowBlinkSpan[Y - 1].Add(X, X);
    if (!ComposedBlink) Fg = Bg;
  }
  DrawCharPixels(X, Y, C.Ch, C.Font, Fg, Bg);
}

bool TFrameComposer::Draw(const TFrameOrder& Order, std::vector<TPixelRect>* Rects) {
  if (SizeDiffers(Order)) {
    BufWidth = Order.Width;
    BufHeight = Order.Height;
    BufCellW = Order.CellW;
    BufCellH = Order.CellH;
    PixelBuf.assign(static_cast<size_t>(BufWidth) * BufHeight, Palette16[0]);
    RowBlinkSpan.fill(TSpan{});
    RowOverlaySpan.fill(TSpan{});
  }
  ComposedBlinkEnabled = Order.BlinkEnabled;
  const bool PhaseChanged = Order.BlinkOn != ComposedBlink;
  ComposedBlink = Order.BlinkOn;
  const int Rows = Order.Rows, Cols = Order.Cols;
  const TConsoleGrid& Snap = *SnapshotPtr;

  bool Touched = false;
  bool BlinkingCells = false;
  std::array<TSpan, ConsoleMaxRows> Changed{};
  for (int Y = 1; Y <= Rows; ++Y) {
    const TConsoleRow& R = Snap[Y - 1];
    TSpan& Out = Changed[Y - 1];
    if (Order.Dirty[Y - 1]) {
      RowBlinkSpan[Y - 1] = TSpan{};
      RowOverlaySpan[Y - 1] = TSpan{};
      for (int X = 1; X <= Cols; ++X) DrawCellPixels(X, Y, R[X - 1], 0, false);
      Out.Add(1, Cols);
    } else {
      // Blink work only where cells blink; overlays of the last frame go by drawing their
      // cells again.
      const TSpan Blink = RowBlinkSpan[Y - 1];
      if (PhaseChanged && !Blink.Empty()) {
        for (int X = Blink.X1; X <= Blink.X2; ++X)
          if (CellBlinks(R[X - 1], ComposedBlinkEnabled)) DrawCellPixels(X, Y, R[X - 1], 0, false);
        Out.Add(Blink.X1, Blink.X2);
      }
      const TSpan Over = RowOverlaySpan[Y - 1];
      if (!Over.Empty()) {
        for (int X = Over.X1; X <= std::min<int>(Over.X2, Cols); ++X) DrawCellPixels(X, Y, R[X - 1], 0, false);
        Out.Add(Over.X1, Over.X2);
        RowOverlaySpan[Y - 1] = TSpan{};
      }
    }
    if (Order.Select && Y >= Order.SY1 && Y <= Order.SY2 && Order.SX1 <= Order.SX2) {
      for (int X = Order.SX1; X <= Order.SX2; ++X) DrawCellPixels(X, Y, R[X - 1], Order.SelectionAttr, true);
      RowOverlaySpan[Y - 1].Add(Order.SX1, Order.SX2);
      Out.Add(Order.SX1, Order.SX2);
    }
    if (Order.ShowCursor && Y == Order.CursorY) {
      const int First = BufCellH == 32 ? 28 : 13;
      const int Last = BufCellH == 32 ? 31 : 15;
      for (int r = First; r <= Last && r < BufCellH; ++r) {
        uint32_t* Dst = PixelBuf.data() + static_cast<size_t>((Order.CursorY - 1) * BufCellH + r) * BufWidth +
                        static_cast<size_t>(Order.CursorX - 1) * BufCellW;
        std::fill(Dst, Dst + BufCellW, Palette16[7]);
      }
      RowOverlaySpan[Y - 1].Add(Order.CursorX, Order.CursorX);
      Out.Add(Order.CursorX, Order.CursorX);
    }
    if (!Out.Empty()) Touched = true;
    if (!RowBlinkSpan[Y - 1].Empty()) BlinkingCells = true;
  }
  Blinking = BlinkingCells || Order.CursorBlinks;

  if (Rects) {
    // One rectangle per run of rows that changed in the same columns.
    for (int Y = 1; Y <= Rows; ++Y) {
      const TSpan S = Changed[Y - 1];
      if (S.Empty()) continue;
      TPixelRect Rect{(S.X1 - 1) * BufCellW, (Y - 1) * BufCellH, (S.X2 - S.X1 + 1) * BufCellW, BufCellH};
      if (!Rects->empty() && Rects->back().X == Rect.X && Rects->back().W == Rect.W &&
          Rects->back().Y + Rects->back().H == Rect.Y)
        Rects->back().H += BufCellH;
      else
        Rects->push_back(Rect);
    }
  }
  return Touched;
}
