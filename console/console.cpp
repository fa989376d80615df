#include "console/console.h"

#include <algorithm>
#include <chrono>

#include "console/fonts.h"
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

// An address unique to the calling thread: reading it costs no call, unlike asking the
// thread library who we are.
thread_local char ThreadTagByte;
inline const void* ThreadTag() { return &ThreadTagByte; }

// Glyphs (Chars[0] N times when Same) with the attribute and the colour bytes GetColors
// names for the modes (FgM, BgM); the other colour bytes stay as the cells had them. One loop per mode pair, so no glyph
// looks at the modes.
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

// The longest a key wait sleeps before it looks at Terminated again by itself (Terminate()
// wakes it at once).
constexpr auto WaitSlice = std::chrono::milliseconds(100);

}  // namespace

TSDLConsole::TSDLConsole()
    : StoragePtr(std::make_unique<TConsoleGrid>()), Storage(*StoragePtr), SnapshotPtr(std::make_unique<TConsoleGrid>()) {
  for (int i = 0; i < ConsoleMaxRows; ++i) RowMap[i] = static_cast<uint8_t>(i);
  OpenScreen(80, 25, 1);
}

TSDLConsole::~TSDLConsole() {
  // The video thread reads this object: it must be gone before any member is.
  VideoPtr.reset();
}

// ---------------------------------------------------------------------------------------
// Lock

bool TSDLConsole::HeldByMe() const { return Owner.load(std::memory_order_relaxed) == ThreadTag(); }

void TSDLConsole::Acquire() {
  if (HeldByMe()) {
    ++Depth;
    return;
  }
  Mutex.lock();
  Owner.store(ThreadTag(), std::memory_order_relaxed);
  Depth = 1;
}

void TSDLConsole::Release() {
  if (--Depth > 0) return;
  Publish();
  Owner.store(nullptr, std::memory_order_relaxed);
  Mutex.unlock();
  // A window thread asleep because nothing was due must see this batch's changes.
  if (VideoPtr && ChangedFlag.load(std::memory_order_relaxed)) VideoPtr->Wake();
}

TSDLConsole::TWaitOutsideLock::TWaitOutsideLock(const TSDLConsole& Con)
    : C(const_cast<TSDLConsole&>(Con)) {
  if (!C.HeldByMe()) return;
  SavedDepth = C.Depth;
  C.Depth = 1;
  C.Release();
}

TSDLConsole::TWaitOutsideLock::~TWaitOutsideLock() {
  if (SavedDepth == 0) return;
  C.Acquire();
  C.Depth = SavedDepth;
}

// Hands the main thread's cursor and blink settings to the composer; runs under the lock.
void TSDLConsole::Publish() {
  if (ShownCursorX != CursorX || ShownCursorY != CursorY || ShownCursorHidden != CursorHidden ||
      ShownBlinkEnabled != BlinkEnabled || ShownSelectionAttr != SelectionAttr) {
    ShownSelectionAttr = SelectionAttr;
    ShownCursorX = CursorX;
    ShownCursorY = CursorY;
    ShownCursorHidden = CursorHidden;
    ShownBlinkEnabled = BlinkEnabled;
    ChangedFlag.store(true, std::memory_order_release);
  }
}

// ---------------------------------------------------------------------------------------
// Set-up

bool TSDLConsole::OpenScreen(int NewCols, int NewRows, uint8_t NewFont) {
  if (NewFont < 1 || NewFont > FontCount) return false;
  THold Hold(*this);
  Cols = static_cast<uint8_t>(std::clamp(NewCols, 80, ConsoleMaxCols));
  Rows = static_cast<uint8_t>(std::clamp(NewRows, 25, ConsoleMaxRows));
  Font = NewFont;
  const TFontRec& F = ConsoleFont(NewFont);
  CellW = F.Width;
  CellH = F.Height;
  PixWidth = Cols * CellW;
  PixHeight = Rows * CellH;
  // The composer sizes its pixels to match at the next frame; every row is marked changed.
  ShownCols = Cols;
  ShownRows = Rows;
  WinX1 = 1;
  WinX2 = Cols;
  WinY1 = 1;
  WinY2 = Rows;
  PendingWrap = false;
  const TConsoleCell Blank = BlankCell();
  for (int i = 0; i < ConsoleMaxRows; ++i) {
    RowMap[i] = static_cast<uint8_t>(i);
    Storage[i].fill(Blank);
  }
  MarkAll();
  return true;
}

void TSDLConsole::AttachVideo(std::unique_ptr<TConsoleVideo> NewVideo) {
  VideoPtr = std::move(NewVideo);
}

void TSDLConsole::CloseVideo() { VideoPtr.reset(); }

void TSDLConsole::SetTitle(const std::string& Text) {
  if (VideoPtr) VideoPtr->SetTitle(Text);
}

void TSDLConsole::SetIcon(const std::string& FileName) {
  if (VideoPtr) VideoPtr->SetIcon(FileName);
}

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
// Single cells and overlays

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

// ---------------------------------------------------------------------------------------
// Composing

void TSDLConsole::BlinkRedraw(bool Phase) {
  std::unique_lock<std::mutex> Lock(Mutex, std::defer_lock);
  if (!HeldByMe()) Lock.lock();
  BlinkOn.store(Phase, std::memory_order_relaxed);
  CursorShown = Phase;
  ChangedFlag.store(true, std::memory_order_release);
}

void TSDLConsole::Invalidate() {
  std::unique_lock<std::mutex> Lock(Mutex, std::defer_lock);
  if (!HeldByMe()) Lock.lock();
  MarkAll();
}

void TSDLConsole::DrawCharPixels(int X, int Y, uint8_t Ch, uint8_t CellFont, uint32_t Fg, uint32_t Bg) {
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

namespace {

// With blink on, bit 7 of a 16-colour cell blinks and its background is the dark one.
inline bool CellBlinks(const TConsoleCell& C, bool BlinkEnabled) {
  return BlinkEnabled && C.FgMode == 0 && (C.Attr & 0x80);
}

}  // namespace

void TSDLConsole::DrawCellPixels(int X, int Y, const TConsoleCell& C, uint8_t AttrOverride,
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

bool TSDLConsole::ComposeFrame(std::vector<TPixelRect>* Rects) {
  std::lock_guard<std::mutex> Composing(ComposeMutex);
  if (Rects) Rects->clear();
  TConsoleGrid& Snap = *SnapshotPtr;

  // Under the lock: what to draw, and a copy of the rows that changed.
  std::array<uint8_t, ConsoleMaxRows> Dirty{};
  int Rows_ = 0, Cols_ = 0, CurX = 0, CurY = 0;
  bool Resized = false, PhaseChanged = false, ShowCursor = false, CursorBlinks = false, Select = false;
  int SX1 = 0, SY1 = 0, SX2 = 0, SY2 = 0;
  uint8_t SelAttr = 76;
  {
    std::unique_lock<std::mutex> Lock(Mutex, std::defer_lock);
    if (!HeldByMe()) Lock.lock();
    ChangedFlag.store(false, std::memory_order_seq_cst);
    if (PixWidth <= 0 || PixHeight <= 0) return false;
    if (PixWidth != BufWidth || PixHeight != BufHeight || CellW != BufCellW || CellH != BufCellH) {
      BufWidth = PixWidth;
      BufHeight = PixHeight;
      BufCellW = CellW;
      BufCellH = CellH;
      PixelBuf.assign(static_cast<size_t>(BufWidth) * BufHeight, Palette16[0]);
      RowBlinkSpan.fill(TSpan{});
      RowOverlaySpan.fill(TSpan{});
      Resized = true;
    }
    Rows_ = ShownRows;
    Cols_ = ShownCols;
    if (ShownBlinkEnabled != ComposedBlinkEnabled) {
      ComposedBlinkEnabled = ShownBlinkEnabled;
      RowDirty.fill(1);
    }
    if (Resized) RowDirty.fill(1);
    const bool Phase = BlinkOn.load(std::memory_order_relaxed);
    PhaseChanged = Phase != ComposedBlink;
    ComposedBlink = Phase;
    CursorBlinks = !ShownCursorHidden && ShownCursorX >= 1 && ShownCursorX <= Cols_ && ShownCursorY >= 1 &&
                   ShownCursorY <= Rows_;
    ShowCursor = CursorShown && CursorBlinks;
    CurX = ShownCursorX;
    CurY = ShownCursorY;
    Select = SelectionOn;
    SX1 = std::max(SelX1, 1);
    SX2 = std::min(SelX2, Cols_);
    SY1 = std::max(SelY1, 1);
    SY2 = std::min(SelY2, Rows_);
    SelAttr = ShownSelectionAttr;
    // Every cell change marks its row, so the copy of an unmarked row is still current.
    for (int Y = 1; Y <= Rows_; ++Y) {
      Dirty[Y - 1] = RowDirty[Y - 1];
      RowDirty[Y - 1] = 0;
      if (Dirty[Y - 1]) std::copy_n(Storage[RowMap[Y - 1]].begin(), Cols_, Snap[Y - 1].begin());
    }
  }

  // Outside the lock: only this thread touches the pixels and the spans.
  bool Touched = false;
  bool Blinking = false;
  std::array<TSpan, ConsoleMaxRows> Changed{};
  for (int Y = 1; Y <= Rows_; ++Y) {
    const TConsoleRow& R = Snap[Y - 1];
    TSpan& Out = Changed[Y - 1];
    if (Dirty[Y - 1]) {
      RowBlinkSpan[Y - 1] = TSpan{};
      RowOverlaySpan[Y - 1] = TSpan{};
      for (int X = 1; X <= Cols_; ++X) DrawCellPixels(X, Y, R[X - 1], 0, false);
      Out.Add(1, Cols_);
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
        for (int X = Over.X1; X <= std::min<int>(Over.X2, Cols_); ++X) DrawCellPixels(X, Y, R[X - 1], 0, false);
        Out.Add(Over.X1, Over.X2);
        RowOverlaySpan[Y - 1] = TSpan{};
      }
    }
    if (Select && Y >= SY1 && Y <= SY2 && SX1 <= SX2) {
      for (int X = SX1; X <= SX2; ++X) DrawCellPixels(X, Y, R[X - 1], SelAttr, true);
      RowOverlaySpan[Y - 1].Add(SX1, SX2);
      Out.Add(SX1, SX2);
    }
    if (ShowCursor && Y == CurY) {
      const int First = BufCellH == 32 ? 28 : 13;
      const int Last = BufCellH == 32 ? 31 : 15;
      for (int r = First; r <= Last && r < BufCellH; ++r) {
        uint32_t* Dst = PixelBuf.data() + static_cast<size_t>((CurY - 1) * BufCellH + r) * BufWidth +
                        static_cast<size_t>(CurX - 1) * BufCellW;
        std::fill(Dst, Dst + BufCellW, Palette16[7]);
      }
      RowOverlaySpan[Y - 1].Add(CurX, CurX);
      Out.Add(CurX, CurX);
    }
    if (!Out.Empty()) Touched = true;
    if (!RowBlinkSpan[Y - 1].Empty()) Blinking = true;
  }
  BlinkWantedFlag.store(Blinking || CursorBlinks, std::memory_order_relaxed);

  if (Rects) {
    // One rectangle per run of rows that changed in the same columns.
    for (int Y = 1; Y <= Rows_; ++Y) {
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

// ---------------------------------------------------------------------------------------
// Keys

void TSDLConsole::PushKey(uint8_t Ch) {
  const uint32_t W = KeyWrite.load();
  uint32_t R = KeyRead.load();
  const uint32_t Reset = KeyResetAt.load();
  if (static_cast<int32_t>(Reset - R) > 0) R = Reset;
  // A full buffer means nobody is reading: start again with this byte alone.
  if (W - R >= KeyBuf.size()) KeyResetAt.store(W);
  KeyBuf[W % KeyBuf.size()].store(Ch);
  KeyWrite.store(W + 1);
  WakeKeyWaiters();
}

void TSDLConsole::WakeKeyWaiters() {
  // A waiter counts itself before it looks at the buffer, so either it sees the new state
  // or it is counted here; taking the mutex makes sure it is already waiting.
  if (KeyWaiters.load() == 0) return;
  { std::lock_guard<std::mutex> Lock(KeyWaitMutex); }
  KeySignal.notify_all();
}

void TSDLConsole::Terminate() {
  Terminated.store(true);
  WakeKeyWaiters();
}

void TSDLConsole::NoteMousePress(int Button) {
  if (Button < 0 || Button > 2) return;
  MousePressLatch.fetch_or(1u << Button);
  WakeKeyWaiters();
}

template <typename Pred>
bool TSDLConsole::WaitInput(int Milliseconds, Pred Done) {
  // Milliseconds < 0 waits without a limit (Terminated still ends it).
  const auto End = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(Milliseconds, 0));
  KeyWaiters.fetch_add(1);
  std::unique_lock<std::mutex> Lock(KeyWaitMutex);
  bool Result = false;
  for (;;) {
    if (Done()) {
      Result = true;
      break;
    }
    if (Terminated.load()) break;
    auto Until = std::chrono::steady_clock::now() + WaitSlice;
    if (Milliseconds >= 0) {
      if (std::chrono::steady_clock::now() >= End) break;
      Until = std::min(Until, End);
    }
    KeySignal.wait_until(Lock, Until);
  }
  Lock.unlock();
  KeyWaiters.fetch_sub(1);
  return Result;
}

void TSDLConsole::PushExtKey(uint8_t Code) {
  PushKey(0);
  PushKey(Code);
}

void TSDLConsole::PushKeyString(std::string_view S) {
  if (S.empty()) return;
  PushKey(static_cast<uint8_t>(S[0]));
  if (S.size() >= 2) PushKey(static_cast<uint8_t>(S[1]));
}

bool TSDLConsole::KeyPressed() const {
  uint32_t R = KeyRead.load();
  const uint32_t Reset = KeyResetAt.load();
  if (static_cast<int32_t>(Reset - R) > 0) R = Reset;
  return R != KeyWrite.load();
}

bool TSDLConsole::TakeKey(uint8_t Ch) {
  for (;;) {
    uint32_t R = KeyRead.load();
    const uint32_t Reset = KeyResetAt.load();
    if (static_cast<int32_t>(Reset - R) > 0) R = Reset;
    const uint32_t W = KeyWrite.load();
    uint32_t P = R;
    while (P != W) {
      const uint8_t B = KeyBuf[P % KeyBuf.size()].load();
      if (B == Ch && B != 0) break;
      P += B == 0 && P + 1 != W ? 2 : 1;   // an extended key is two bytes
    }
    // A reset while looking may have reused the slots: look again from the new start.
    if (KeyResetAt.load() != Reset) continue;
    if (P == W) return false;
    KeyRead.store(P + 1);
    return true;
  }
}

uint8_t TSDLConsole::ReadKey() {
  TWaitOutsideLock Unlocked(*this);
  for (;;) {
    WaitInput(-1, [this] { return KeyPressed(); });
    uint32_t R = KeyRead.load();
    const uint32_t Reset = KeyResetAt.load();
    if (static_cast<int32_t>(Reset - R) > 0) R = Reset;
    if (R != KeyWrite.load()) {
      const uint8_t Ch = KeyBuf[R % KeyBuf.size()].load();
      // A reset while reading may have reused the slot: read again from the new start.
      if (KeyResetAt.load() != Reset) continue;
      KeyRead.store(R + 1);
      return Ch;
    }
    if (Terminated.load()) return 1;
  }
}

bool TSDLConsole::KeyWait(int Milliseconds) {
  TWaitOutsideLock Unlocked(*this);
  WaitInput(std::max(Milliseconds, 0), [this] { return KeyPressed(); });
  return KeyPressed();
}

bool TSDLConsole::InputWait(int Milliseconds) {
  TWaitOutsideLock Unlocked(*this);
  return WaitInput(std::max(Milliseconds, 0), [this] { return KeyPressed() || MousePressLatch.load() != 0; });
}

uint8_t TSDLConsole::ReadKeyWait() {
  while (!KeyWait(1000) && !Terminated.load()) {
  }
  return ReadKey();
}

void TSDLConsole::Delay(int Milliseconds) const {
  if (Milliseconds <= 0) return;
  TWaitOutsideLock Unlocked(*this);
  std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
}
