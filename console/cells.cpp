// The cell model: what each cell holds and why. Writes (teletype, positioned, pipe-coded),
// scrolls and line and character edits, clears, saved screens and pictures, and the colour
// state a write takes its colours from. Every change here marks its rows; the pixels are
// composed from the cells later (composer.cpp).
#include <algorithm>
#include <memory>

#include "console/console.h"
#include "console/palette.h"

namespace {

const TConsoleRow& BlankRowConst() {
  static const TConsoleRow Blank = [] {
    TConsoleRow R;
    R.fill(TConsoleCell{});
    return R;
  }();
  return Blank;
}

// Glyphs (Chars[0] N times when Same) with the attribute and the colour bytes GetColors
// names for the modes (FgM, BgM); the other colour bytes stay as the cells had them. One
// loop per mode pair, so no glyph looks at the modes.
template <int FgM, int BgM, bool Same>
void PutGlyphs(TConsoleCell* Cells, const uint8_t* Chars, int N, const TConsoleCell& Ink, uint8_t CharFont) {
  for (int K = 0; K < N; ++K) {
    TConsoleCell& C = Cells[K];
    C.Ch = Same ? Chars[0] : Chars[K];
    C.Attr = Ink.Attr;
    if constexpr (FgM == 1) C.Fg[0] = Ink.Fg[0];
    if constexpr (FgM == 2) C.Fg = Ink.Fg;
    if constexpr (BgM == 1) C.Bg[0] = Ink.Bg[0];
    if constexpr (BgM == 2) C.Bg = Ink.Bg;
    C.Font = CharFont;
    C.FgMode = FgM;
    C.BgMode = BgM;
  }
}

}  // namespace

TConsoleCell TSDLConsole::BlankCell() const {
  TConsoleCell C;
  C.Font = Font;
  return C;
}

void TSDLConsole::MarkAll() {
  RowDirty.fill(1);
  ChangedFlag.store(true, std::memory_order_release);
}

// ---------------------------------------------------------------------------------------
// Colours

void TSDLConsole::SetTextAttr(uint8_t Attr, bool Force) {
  const uint8_t Old = TextAttr;
  TextAttr = Attr;
  if (Force || ((Old ^ Attr) & 0x0F)) {
    FgMode = 0;
    FgPixel = Palette16[Attr & 15];
  }
  if (Force || ((Old ^ Attr) & 0xF0)) {
    BgMode = 0;
    BgPixel = Palette16[Attr >> 4];
  }
}

void TSDLConsole::SetFg256(uint8_t Index) {
  FgMode = 1;
  Fg256 = Index;
  FgPixel = Palette256[Index];
}

void TSDLConsole::SetBg256(uint8_t Index) {
  BgMode = 1;
  Bg256 = Index;
  BgPixel = Palette256[Index];
}

void TSDLConsole::SetFgRGB(uint8_t R, uint8_t G, uint8_t B) {
  FgMode = 2;
  FgRGB = {R, G, B};
  FgPixel = MapRGB(R, G, B);
}

void TSDLConsole::SetBgRGB(uint8_t R, uint8_t G, uint8_t B) {
  BgMode = 2;
  BgRGB = {R, G, B};
  BgPixel = MapRGB(R, G, B);
}

void TSDLConsole::GetColors(TConsoleCell& Cell) const {
  // The attribute is kept even when both colours are extended: restoring it is what lets
  // SGR 39 / 49 and the 16-colour codes that follow start from the right nibbles.
  Cell.Attr = TextAttr;
  if (FgMode == 1) {
    Cell.Fg[0] = Fg256;
  } else if (FgMode == 2) {
    Cell.Fg = FgRGB;
  }
  if (BgMode == 1) {
    Cell.Bg[0] = Bg256;
  } else if (BgMode == 2) {
    Cell.Bg = BgRGB;
  }
  Cell.FgMode = FgMode;
  Cell.BgMode = BgMode;
}

void TSDLConsole::SetColors(const TConsoleCell& Cell) {
  // The attribute first: setting it afterwards would drop a 256-colour or RGB mode whose
  // nibble differs from the attribute in force in between.
  SetTextAttr(Cell.Attr, true);
  if (Cell.FgMode == 1) {
    SetFg256(Cell.Fg[0]);
  } else if (Cell.FgMode == 2) {
    SetFgRGB(Cell.Fg[0], Cell.Fg[1], Cell.Fg[2]);
  }
  if (Cell.BgMode == 1) {
    SetBg256(Cell.Bg[0]);
  } else if (Cell.BgMode == 2) {
    SetBgRGB(Cell.Bg[0], Cell.Bg[1], Cell.Bg[2]);
  }
}

// ---------------------------------------------------------------------------------------
// Cursor and window

void TSDLConsole::GotoXY(int X, int Y) {
  THold Hold(*this);
  const int Last = StatusLine ? Rows - 1 : Rows;
  X = std::min<int>(X, Cols);
  Y = std::min(Y, Last);
  // A wrap still owed from the bottom-right cell belongs to that position; text sent after
  // moving elsewhere must not scroll the screen first.
  if (X != CursorX || Y != CursorY) PendingWrap = false;
  CursorX = X;
  CursorY = Y;
}

void TSDLConsole::SetWindow(int X1, int Y1, int X2, int Y2) {
  if (X1 < 1 || Y1 < 1) return;
  if (X1 <= X2 && X2 <= Cols && Y1 <= Y2 && Y2 <= Rows) {
    WinX1 = static_cast<uint8_t>(X1);
    WinX2 = static_cast<uint8_t>(X2);
    WinY1 = static_cast<uint8_t>(Y1);
    WinY2 = static_cast<uint8_t>(Y2);
  }
}

// ---------------------------------------------------------------------------------------
// Writing

void TSDLConsole::PutGlyph(int X, int Y, uint8_t Ch, uint8_t CharFont) {
  TConsoleCell& C = CellAt(X, Y);
  GetColors(C);
  C.Ch = Ch;
  C.Font = CharFont;
  MarkRow(Y);
}

void TSDLConsole::PutGlyphSpan(int Y, int X, const uint8_t* Chars, int N, bool Same, uint8_t CharFont) {
  if (N <= 0) return;
  if (FgMode > 2 || BgMode > 2) {
    for (int K = 0; K < N; ++K) PutGlyph(X + K, Y, Same ? Chars[0] : Chars[K], CharFont);
    return;
  }
  using TLoop = void (*)(TConsoleCell*, const uint8_t*, int, const TConsoleCell&, uint8_t);
  static constexpr TLoop Loops[2][3][3] = {
      {{PutGlyphs<0, 0, false>, PutGlyphs<0, 1, false>, PutGlyphs<0, 2, false>},
       {PutGlyphs<1, 0, false>, PutGlyphs<1, 1, false>, PutGlyphs<1, 2, false>},
       {PutGlyphs<2, 0, false>, PutGlyphs<2, 1, false>, PutGlyphs<2, 2, false>}},
      {{PutGlyphs<0, 0, true>, PutGlyphs<0, 1, true>, PutGlyphs<0, 2, true>},
       {PutGlyphs<1, 0, true>, PutGlyphs<1, 1, true>, PutGlyphs<1, 2, true>},
       {PutGlyphs<2, 0, true>, PutGlyphs<2, 1, true>, PutGlyphs<2, 2, true>}}};
  TConsoleCell Ink;
  GetColors(Ink);
  Loops[Same][FgMode][BgMode](&CellAt(X, Y), Chars, N, Ink, CharFont);
  MarkRow(Y);
}

void TSDLConsole::WriteCharXY(int X, int Y, uint8_t Ch) {
  if (X < 1 || X > Cols || Y < 1 || Y > Rows || Terminated.load(std::memory_order_relaxed)) return;
  THold Hold(*this);
  PutGlyph(X, Y, Ch, Font);
}

void TSDLConsole::PutCell(int X, int Y, const TConsoleCell& Cell, uint8_t CellFont) {
  if (X < 1 || X > Cols || Y < 1 || Y > Rows || Terminated.load(std::memory_order_relaxed)) return;
  THold Hold(*this);
  TConsoleCell& C = CellAt(X, Y);
  C = Cell;
  C.Font = CellFont;
  MarkRow(Y);
}

void TSDLConsole::WriteXY(int X, int Y, uint8_t Attr, std::string_view Text) {
  if (Text.empty()) return;
  THold Hold(*this);
  TConsoleCell Saved;
  GetColors(Saved);
  SetTextAttr(Attr, false);
  for (size_t i = 0; i < Text.size(); ++i) {
    const int Col = X + static_cast<int>(i);
    if (Col > Cols) break;
    WriteCharXY(Col, Y, static_cast<uint8_t>(Text[i]));
  }
  SetColors(Saved);
}

namespace {

// The value of a two-character pipe code: decimal after trimming spaces, else 0.
int PipeValue(std::string_view Code) {
  while (!Code.empty() && Code.front() == ' ') Code.remove_prefix(1);
  while (!Code.empty() && Code.back() == ' ') Code.remove_suffix(1);
  if (Code.empty()) return 0;
  bool Negative = false;
  if (Code.front() == '+' || Code.front() == '-') {
    Negative = Code.front() == '-';
    Code.remove_prefix(1);
    if (Code.empty()) return 0;
  }
  int V = 0;
  for (char c : Code) {
    if (c < '0' || c > '9') return 0;
    V = V * 10 + (c - '0');
  }
  V = Negative ? -V : V;
  return ((V % 256) + 256) % 256;
}

}  // namespace

void TSDLConsole::WriteXYPipe(int X, int Y, uint8_t Attr, int Width, std::string_view Text) {
  THold Hold(*this);
  const int SavedX = CursorX;
  const int SavedY = CursorY;
  const bool SavedWrap = PendingWrap;
  TConsoleCell SavedColors;
  GetColors(SavedColors);
  GotoXY(X, Y);
  SetTextAttr(Attr, true);

  int Col = CursorX;
  const int Row = CursorY;
  int Written = 0;
  auto Put = [&](uint8_t Ch) {
    if (Col <= Cols) WriteCharXY(Col, Row, Ch);
    ++Col;
    ++Written;
  };
  auto Full = [&] { return Width > 0 && Written >= Width; };

  size_t i = 0;
  int Literal = 0;   // characters after a bar that was not a colour code
  while (i < Text.size() && !Full()) {
    const char c = Text[i];
    if (c != '|' || Literal > 0) {
      Put(static_cast<uint8_t>(c));
      ++i;
      if (Literal > 0) --Literal;
      continue;
    }
    // A code needs both of its characters; a bar near the end is plain text.
    const std::string_view Code = i + 2 < Text.size() ? Text.substr(i + 1, 2) : std::string_view();
    const int V = Code.size() == 2 ? PipeValue(Code) : -1;
    const bool IsColour =
        Code == "00" || (V >= 1 && V <= 31 && Code[0] != '&' && Code[0] != '$');
    if (!IsColour) {
      Put('|');
      ++i;
      Literal = 2;
      continue;
    }
    i += 3;
    if (V < 16) {
      SetTextAttr(static_cast<uint8_t>((TextAttr & 0xF0) + V), false);
    } else {
      SetTextAttr(static_cast<uint8_t>((TextAttr & 0x0F) + (V - 16) * 16), false);
    }
  }
  while (Written < Width) Put(' ');

  SetColors(SavedColors);
  CursorX = SavedX;
  CursorY = SavedY;
  PendingWrap = SavedWrap;
}

void TSDLConsole::WriteChar(uint8_t Ch) { WriteCharFont(Ch, Font); }

void TSDLConsole::WriteCharFont(uint8_t Ch, uint8_t CharFont) {
  THold Hold(*this);
  // The window as the fields say, kept inside the screen whatever was stored there.
  const int R = std::clamp<int>(WinX2, 1, Cols);
  const int L = std::clamp<int>(WinX1, 1, R);
  const int B = std::clamp<int>(WinY2, 1, Rows);
  const int T = std::clamp<int>(WinY1, 1, B);
  (void)T;
  if (PendingWrap) {
    PendingWrap = false;
    ScrollUp();
  }
  switch (Ch) {
    case 8:
      if (CursorX > L) --CursorX;
      return;
    case 10:
      if (CursorY >= B) {
        ScrollUp();
        CursorY = B;
      } else {
        ++CursorY;
      }
      return;
    case 13:
      CursorX = L;
      return;
    default:
      break;
  }
  if (CursorX >= 1 && CursorX <= Cols && CursorY >= 1 && CursorY <= Rows &&
      !Terminated.load(std::memory_order_relaxed)) {
    PutGlyph(CursorX, CursorY, Ch, CharFont);
  }
  if (CursorX < R) {
    ++CursorX;
  } else if (CursorY == B) {
    CursorX = L;
    PendingWrap = true;
  } else {
    CursorX = L;
    ++CursorY;
  }
}

void TSDLConsole::WriteRun(const uint8_t* Text, size_t Length, uint8_t CharFont) {
  if (Text == nullptr || Length == 0) return;
  THold Hold(*this);
  const int R = std::clamp<int>(WinX2, 1, Cols);
  const int L = std::clamp<int>(WinX1, 1, R);
  const int B = std::clamp<int>(WinY2, 1, Rows);
  const bool Dead = Terminated.load(std::memory_order_relaxed);
  size_t I = 0;
  while (I < Length) {
    if (PendingWrap) {
      PendingWrap = false;
      ScrollUp();
    }
    const int Y = CursorY;
    const int X = CursorX;
    const bool RowOk = !Dead && Y >= 1 && Y <= Rows;
    if (X < R) {
      // Glyphs that only move the cursor right: the rest of the row up to the window edge.
      const size_t N = std::min(Length - I, static_cast<size_t>(R - X));
      if (RowOk) {
        const int From = std::max(X, 1);
        const int To = X + static_cast<int>(N);   // one past the last column written
        if (From < To) PutGlyphSpan(Y, From, Text + I + (From - X), To - From, false, CharFont);
      }
      CursorX = X + static_cast<int>(N);
      I += N;
      continue;
    }
    // At (or past) the window's right edge: one glyph, then the wrap.
    if (RowOk && X >= 1 && X <= Cols) PutGlyph(X, Y, Text[I], CharFont);
    CursorX = L;
    if (Y == B)
      PendingWrap = true;
    else
      ++CursorY;
    ++I;
  }
}

void TSDLConsole::WriteStr(std::string_view Text) {
  THold Hold(*this);
  const auto* P = reinterpret_cast<const uint8_t*>(Text.data());
  size_t I = 0;
  while (I < Text.size()) {
    size_t End = I;
    while (End < Text.size() && P[End] != 8 && P[End] != 10 && P[End] != 13) ++End;
    if (End > I) {
      WriteRun(P + I, End - I, Font);
      I = End;
    } else {
      WriteChar(P[I++]);
    }
  }
}

void TSDLConsole::ClearLinePart(int X1, int X2) {
  if (CursorY < 1 || CursorY > Rows || Terminated.load(std::memory_order_relaxed)) return;
  THold Hold(*this);
  const int From = std::max(X1, 1);
  const int To = std::min<int>(X2, Cols);
  const uint8_t Space = 32;
  PutGlyphSpan(CursorY, From, &Space, To - From + 1, true, Font);
}

void TSDLConsole::ClearScreen(uint8_t Mode) {
  THold Hold(*this);
  const int Last = StatusLine ? Rows - 1 : Rows;
  auto Blank = [&](int Y, int X1, int X2) {
    if (Y < 1 || Y > Rows || Terminated.load(std::memory_order_relaxed)) return;
    X1 = std::max(X1, 1);
    X2 = std::min<int>(X2, Cols);
    const uint8_t Space = 32;
    PutGlyphSpan(Y, X1, &Space, X2 - X1 + 1, true, Font);
  };
  switch (Mode) {
    case 0:
      if (CursorY > Last) return;
      Blank(CursorY, CursorX, Cols);
      for (int Y = CursorY + 1; Y <= Last; ++Y) Blank(Y, 1, Cols);
      break;
    case 1:
      for (int Y = 1; Y < CursorY && Y <= Rows; ++Y) Blank(Y, 1, Cols);
      Blank(CursorY, 1, CursorX);
      break;
    case 2:
      for (int Y = 1; Y <= Last; ++Y) Blank(Y, 1, Cols);
      CursorX = 1;
      CursorY = 1;
      PendingWrap = false;
      break;
    case 4: {
      const int R = std::clamp<int>(WinX2, 1, Cols);
      const int L = std::clamp<int>(WinX1, 1, R);
      const int B = std::clamp<int>(WinY2, 1, Rows);
      const int T = std::clamp<int>(WinY1, 1, B);
      for (int Y = T; Y <= B; ++Y) Blank(Y, L, R);
      CursorX = L;
      CursorY = T;
      PendingWrap = false;
      break;
    }
    default:
      break;
  }
}

// ---------------------------------------------------------------------------------------
// Scrolling and editing

void TSDLConsole::ScrollUp() { ScrollWindowUp(); }

void TSDLConsole::ScrollWindowUp() {
  if (Terminated.load(std::memory_order_relaxed)) return;
  THold Hold(*this);
  const int B = std::clamp<int>(WinY2, 1, Rows);
  const int T = std::clamp<int>(WinY1, 1, B);
  // Rows T+1..B move up one: rotate their storage, then blank the row that came round.
  std::rotate(RowMap.begin() + (T - 1), RowMap.begin() + T, RowMap.begin() + B);
  FillBlankRow(B);
  MarkRows(T, B);
}

void TSDLConsole::FillBlankRow(int Y) {
  if (BlankRowFont != Font) {
    BlankRow.fill(BlankCell());
    BlankRowFont = Font;
  }
  RowAt(Y) = BlankRow;
}

void TSDLConsole::DeleteLines(int Top, int Count, int Bottom) {
  if (Terminated.load(std::memory_order_relaxed)) return;
  THold Hold(*this);
  Top = std::max(Top, 1);
  Bottom = std::min<int>(Bottom, Rows);
  if (Top > Bottom || Count < 1) return;
  TConsoleCell Blank = BlankCell();
  Blank.Attr = TextAttr;
  const int Span = Bottom - Top + 1;
  const int K = std::min(Count, Span);
  std::rotate(RowMap.begin() + (Top - 1), RowMap.begin() + (Top - 1) + K, RowMap.begin() + Bottom);
  for (int Y = Bottom - K + 1; Y <= Bottom; ++Y) RowAt(Y).fill(Blank);
  MarkRows(Top, Bottom);
}

void TSDLConsole::InsertLines(int Top, int Count, int Bottom) {
  if (Terminated.load(std::memory_order_relaxed)) return;
  THold Hold(*this);
  Top = std::max(Top, 1);
  Bottom = std::min<int>(Bottom, Rows);
  if (Top > Bottom || Count < 1) return;
  TConsoleCell Blank = BlankCell();
  GetColors(Blank);
  const int Span = Bottom - Top + 1;
  const int K = std::min(Count, Span);
  std::rotate(RowMap.begin() + (Top - 1), RowMap.begin() + Bottom - K, RowMap.begin() + Bottom);
  for (int Y = Top; Y < Top + K; ++Y) RowAt(Y).fill(Blank);
  MarkRows(Top, Bottom);
}

void TSDLConsole::InsertChars(int Y, int X, int Count) {
  if (Y < 1 || Y > Rows || X < 1 || X > Cols || Count <= 0) return;
  if (Terminated.load(std::memory_order_relaxed)) return;
  THold Hold(*this);
  TConsoleRow& R = RowAt(Y);
  const int K = std::min(Count, Cols - X + 1);
  // Cells X..Cols-K move right by K; the opened gap repeats cell X's colours.
  std::copy_backward(R.begin() + (X - 1), R.begin() + (Cols - K), R.begin() + Cols);
  TConsoleCell Gap = R[X - 1];
  Gap.Ch = 32;
  std::fill(R.begin() + (X - 1), R.begin() + (X - 1 + K), Gap);
  MarkRow(Y);
}

void TSDLConsole::DeleteChars(int Y, int X, int Count) {
  if (Y < 1 || Y > Rows || X < 1 || X > Cols || Count <= 0) return;
  if (Terminated.load(std::memory_order_relaxed)) return;
  THold Hold(*this);
  TConsoleRow& R = RowAt(Y);
  const int K = std::min(Count, Cols - X + 1);
  TConsoleCell Tail = R[Cols - 1];
  Tail.Ch = 32;
  std::copy(R.begin() + (X - 1 + K), R.begin() + Cols, R.begin() + (X - 1));
  std::fill(R.begin() + (Cols - K), R.begin() + Cols, Tail);
  MarkRow(Y);
}

// ---------------------------------------------------------------------------------------
// Saving and restoring

void TSDLConsole::SaveScreen(int X1, int Y1, int X2, int Y2, TConsoleImage& Image) const {
  THold Hold(*this);
  for (int i = 0; i < ConsoleMaxRows; ++i) Image.Cells[i] = Storage[RowMap[i]];
  Image.CursorX = static_cast<uint8_t>(std::clamp(CursorX, 0, 255));
  Image.CursorY = static_cast<uint8_t>(std::clamp(CursorY, 0, 255));
  Image.TextAttr = TextAttr;
  Image.FgMode = FgMode;
  Image.BgMode = BgMode;
  Image.Fg256 = Fg256;
  Image.Bg256 = Bg256;
  Image.FgRGB = FgRGB;
  Image.BgRGB = BgRGB;
  Image.BoxX1 = static_cast<uint8_t>(X1);
  Image.BoxX2 = static_cast<uint8_t>(X2);
  Image.BoxY1 = static_cast<uint8_t>(Y1);
  Image.BoxY2 = static_cast<uint8_t>(Y2);
}

void TSDLConsole::RestoreScreen(const TConsoleImage& Image) {
  THold Hold(*this);
  RedrawCells(Image.Cells);
  CursorX = Image.CursorX;
  CursorY = Image.CursorY;
  TConsoleCell Colors;
  Colors.Attr = Image.TextAttr;
  Colors.FgMode = Image.FgMode;
  Colors.BgMode = Image.BgMode;
  Colors.Fg = Image.FgMode == 2 ? Image.FgRGB : std::array<uint8_t, 3>{Image.Fg256, 0, 0};
  Colors.Bg = Image.BgMode == 2 ? Image.BgRGB : std::array<uint8_t, 3>{Image.Bg256, 0, 0};
  SetColors(Colors);
}

void TSDLConsole::RedrawCells(const TConsoleGrid& Cells) {
  if (Terminated.load(std::memory_order_relaxed)) return;
  THold Hold(*this);
  for (int Y = 1; Y <= Rows; ++Y) {
    std::copy(Cells[Y - 1].begin(), Cells[Y - 1].begin() + Cols, RowAt(Y).begin());
  }
  MarkAll();
}

void TSDLConsole::RedrawScreen() {
  THold Hold(*this);
  MarkAll();
}

void TSDLConsole::DrawRow(int Y, std::span<const TConsoleCell> Row, uint8_t RowFont) {
  THold Hold(*this);
  const int N = std::min<int>(Cols, static_cast<int>(Row.size()));
  for (int X = 1; X <= N; ++X) PutCell(X, Y, Row[X - 1], RowFont);
}

void TSDLConsole::DisplayCrunched(std::span<const uint8_t> Data, int X, int Y, uint8_t PicFont) {
  auto Image = std::make_unique<TConsoleImage>();
  TConsoleCell Blank;
  Blank.Font = PicFont;
  for (auto& R : Image->Cells) R.fill(Blank);
  int Col = 1, Row = 1;
  uint8_t Attr = 7;
  auto Put = [&](uint8_t Ch) {
    // Pictures wider or taller than the stored screen are cut, not written past it.
    const int TX = Col + X - 1, TY = Row + Y - 1;
    if (TX >= 1 && TX <= ConsoleMaxCols && TY >= 1 && TY <= ConsoleMaxRows) {
      TConsoleCell& C = Image->Cells[TY - 1][TX - 1];
      C.Ch = Ch;
      C.Attr = Attr;
      C.Font = PicFont;
      C.FgMode = 0;
      C.BgMode = 0;
    }
    if (Col < 65535) ++Col;
  };
  const size_t N = Data.size();
  for (size_t i = 0; i < N; ++i) {
    const uint8_t B = Data[i];
    if (B <= 15) {
      Attr = static_cast<uint8_t>((Attr & 0xF0) + B);
    } else if (B <= 23) {
      Attr = static_cast<uint8_t>((Attr & 0x0F) + (B - 16) * 16);
    } else if (B == 24) {
      if (Row < 65535) ++Row;
      Col = 1;
    } else if (B == 25) {
      if (i + 1 >= N) break;          // a run cut short by the end of the data
      const int Count = Data[++i] + 1;
      for (int k = 0; k < Count; ++k) Put(' ');
    } else if (B == 26) {
      if (i + 2 >= N) break;
      const int Count = Data[i + 1] + 1;
      const uint8_t Ch = Data[i + 2];
      i += 2;
      for (int k = 0; k < Count; ++k) Put(Ch);
    } else if (B >= 32) {
      Put(B);
    }
  }
  Image->CursorX = static_cast<uint8_t>(std::min(Col, 255));
  Image->CursorY = static_cast<uint8_t>(std::min(Row, 255));
  Image->TextAttr = Attr;
  Image->FgMode = 0;
  Image->BgMode = 0;
  Image->BoxX1 = static_cast<uint8_t>(X);
  Image->BoxX2 = Cols;
  Image->BoxY1 = static_cast<uint8_t>(Y);
  Image->BoxY2 = static_cast<uint8_t>(std::min(Row, 255));
  RestoreScreen(*Image);
}

// ---------------------------------------------------------------------------------------
// Reading cells

const TConsoleCell& TSDLConsole::Cell(int X, int Y) const {
  if (X < 1 || X > ConsoleMaxCols || Y < 1 || Y > ConsoleMaxRows) return BlankRowConst()[0];
  return Storage[RowMap[Y - 1]][X - 1];
}

const TConsoleRow& TSDLConsole::Row(int Y) const {
  if (Y < 1 || Y > ConsoleMaxRows) return BlankRowConst();
  return Storage[RowMap[Y - 1]];
}

// ---------------------------------------------------------------------------------------
// Single cells

void TSDLConsole::DrawCell(int X, int Y, const TConsoleCell& Cell, uint8_t CellFont) {
  if (X < 1 || X > Cols || Y < 1 || Y > Rows) return;
  THold Hold(*this);
  TConsoleCell& C = CellAt(X, Y);
  C = Cell;
  C.Font = CellFont;
  MarkRow(Y);
}

void TSDLConsole::DrawChar(int X, int Y, uint8_t Attr, uint8_t Ch, uint8_t CharFont) {
  if (X < 1 || X > Cols || Y < 1 || Y > Rows) return;
  THold Hold(*this);
  TConsoleCell& C = CellAt(X, Y);
  C.Ch = Ch;
  C.Attr = Attr;
  C.Font = CharFont;
  C.FgMode = 0;
  C.BgMode = 0;
  MarkRow(Y);
}
