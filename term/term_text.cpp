// Text: glyphs at the cursor and the two ways of wrapping, the character sets a board can
// shift in (DEC line drawing, UK), UTF-8 drawn with code page 437 glyphs, and tab stops.
#include <algorithm>

#include "support/cp437.h"
#include "term/term_ansi.h"

namespace {

// DEC special graphics for 0x5F-0x7E, as characters; the code page's nearest glyphs draw them.
constexpr char32_t DecGraphics[32] = {
    U' ',    U'\u2666', U'\u2592', U'\u2409', U'\u240C', U'\u240D', U'\u240A', U'\u00B0',
    U'\u00B1', U'\u2424', U'\u240B', U'\u2518', U'\u2510', U'\u250C', U'\u2514', U'\u253C',
    U'\u23BA', U'\u23BB', U'\u2500', U'\u23BC', U'\u23BD', U'\u251C', U'\u2524', U'\u2534',
    U'\u252C', U'\u2502', U'\u2264', U'\u2265', U'\u03C0', U'\u2260', U'\u00A3', U'\u00B7',
};

constexpr uint8_t Unknown = '?';

uint8_t GlyphOf(char32_t C) {
  const uint8_t G = lx::CP437Glyph(C);
  return G != 0 ? G : Unknown;
}

struct TRange {
  char32_t Lo, Hi;
};

// Marks that combine with the character before, and invisible format characters: a terminal
// gives them no cell of their own.
constexpr TRange ZeroWidth[] = {
    {0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x0610, 0x061A}, {0x064B, 0x065F},
    {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF}, {0x200B, 0x200F}, {0x202A, 0x202E}, {0x2060, 0x2064},
    {0x20D0, 0x20FF}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}, {0xFEFF, 0xFEFF}, {0xE0100, 0xE01EF},
};

// East Asian wide characters and emoji take two cells on the sender's terminal; giving them
// two here keeps the rest of the line where the board put it.
constexpr TRange Wide[] = {
    {0x1100, 0x115F},  {0x2E80, 0x303E},  {0x3041, 0x33FF},  {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},
    {0xA000, 0xA4CF},  {0xAC00, 0xD7A3},  {0xF900, 0xFAFF},  {0xFE30, 0xFE4F},   {0xFF00, 0xFF60},
    {0xFFE0, 0xFFE6},  {0x1F300, 0x1F64F}, {0x1F900, 0x1F9FF}, {0x20000, 0x3FFFD},
};

template <size_t N>
bool InRanges(const TRange (&Ranges)[N], char32_t C) {
  return std::any_of(std::begin(Ranges), std::end(Ranges), [C](const TRange& R) { return C >= R.Lo && C <= R.Hi; });
}

constexpr char32_t Replacement = 0xFFFD;

}  // namespace

// ---------------------------------------------------------------------------------------
// What each byte is

void TTermAnsi::UpdateByteKinds() {
  // The ANSI-BBS screen runs only these control bytes (SO and SI once the board has set G1)
  // and draws the others as their pictures; a VT102 draws none of them.
  auto AnsiControl = [this](int B) {
    return B == 0 || B == 7 || B == 8 || B == 9 || B == 10 || B == 12 || B == 13 || B == 27 ||
           ((B == 14 || B == 15) && Sets.G1Designated);
  };
  const TGSet GL = Sets.G[Sets.GL];
  for (int B = 0; B < 256; ++B) {
    TByteKind K = TByteKind::Glyph;
    if (B < 32 || B == 127)
      K = (VT() || AnsiControl(B)) ? TByteKind::Control : TByteKind::Glyph;
    else if (B > 127)
      K = Chars == TCharset::UTF8 ? TByteKind::Utf8 : TByteKind::Glyph;
    else if ((GL == TGSet::DecGraphics && B >= 0x5F) || (GL == TGSet::UK && B == '#'))
      K = TByteKind::Mapped;
    Kinds[static_cast<size_t>(B)] = K;
  }
}

uint8_t TTermAnsi::MapGL(uint8_t Ch) const {
  if (Sets.G[Sets.GL] == TGSet::UK) return Ch == '#' ? GlyphOf(U'\u00A3') : Ch;
  return Ch >= 0x5F && Ch <= 0x7E ? GlyphOf(DecGraphics[Ch - 0x5F]) : Ch;
}

// ---------------------------------------------------------------------------------------
// UTF-8

void TTermAnsi::Utf8Start(uint8_t Ch) {
  Utf8Lo = 0x80;
  Utf8Hi = 0xBF;
  if (Ch >= 0xC2 && Ch <= 0xDF) {
    Utf8Due = 1;
    Utf8Code = Ch & 0x1F;
  } else if (Ch >= 0xE0 && Ch <= 0xEF) {
    Utf8Due = 2;
    Utf8Code = Ch & 0x0F;
    if (Ch == 0xE0) Utf8Lo = 0xA0;  // shorter forms are overlong
    if (Ch == 0xED) Utf8Hi = 0x9F;  // surrogates
  } else if (Ch >= 0xF0 && Ch <= 0xF4) {
    Utf8Due = 3;
    Utf8Code = Ch & 0x07;
    if (Ch == 0xF0) Utf8Lo = 0x90;
    if (Ch == 0xF4) Utf8Hi = 0x8F;  // past U+10FFFF
  } else {
    // A stray continuation byte, an overlong lead (C0, C1) or a byte UTF-8 never uses.
    PutCodePoint(Replacement);
    return;
  }
  State = TParseState::Utf8;
}

void TTermAnsi::Utf8Continue(uint8_t Ch) {
  if (Ch >= Utf8Lo && Ch <= Utf8Hi) {
    Utf8Code = (Utf8Code << 6) | (Ch & 0x3F);
    Utf8Lo = 0x80;
    Utf8Hi = 0xBF;
    if (--Utf8Due == 0) {
      State = TParseState::Ground;
      PutCodePoint(Utf8Code);
    }
    return;
  }
  // A cut sequence is one bad character; the byte that cut it is itself again.
  State = TParseState::Ground;
  PutCodePoint(Replacement);
  Ground(Ch);
}

void TTermAnsi::PutCodePoint(char32_t C) {
  if (InRanges(ZeroWidth, C)) return;
  const uint8_t G = GlyphOf(C);
  if (InRanges(Wide, C)) {
    const uint8_t Two[2] = {G, ' '};
    PutGlyphs(Two, 2);
  } else {
    PutGlyphs(&G, 1);
  }
  Printed = 1;
}

// ---------------------------------------------------------------------------------------
// Glyphs at the cursor

void TTermAnsi::PutGlyphs(const uint8_t* Glyphs, size_t N) {
  if (N == 0) return;
  LastGlyph = Glyphs[N - 1];
  if (VT() || !AutoWrap) {
    PutGlyphsVT(Glyphs, N);
  } else if (InsertMode) {
    PutGlyphsAnsiInsert(Glyphs, N);
  } else if (N == 1 && Glyphs[0] != 8 && Glyphs[0] != 10 && Glyphs[0] != 13) {
    // The ANSI-BBS wrap is the console's own. (The glyphs of BS, LF and CR, which UTF-8 text
    // can ask for, must not be taken for those controls.)
    Console.WriteCharFont(Glyphs[0], Font);
  } else {
    Console.WriteRun(Glyphs, N, Font);
  }
}

// Insert mode opens one cell per glyph, where the glyph then goes: the cells come out the
// same however the text was cut into blocks.
void TTermAnsi::PutGlyphsAnsiInsert(const uint8_t* Glyphs, size_t N) {
  const int R = std::clamp<int>(Console.WinX2, 1, Console.Cols);
  for (size_t I = 0; I < N; ++I) {
    if (Console.PendingWrap) {
      Console.PendingWrap = false;
      Console.ScrollUp();
    }
    Console.InsertChars(Console.CursorY, std::clamp(Console.CursorX, 1, R), 1);
    Console.WriteRun(Glyphs + I, 1, Font);
  }
}

bool TTermAnsi::WrapDue() const { return WrapFlag && Console.CursorX == WrapX && Console.CursorY == WrapY; }

// The VT102 way: a glyph in the last column leaves the cursor there, and the wrap (a carriage
// return and an index) comes before the next glyph, or never when a move comes first. With
// wrapping off, glyphs past the last column each replace the one there.
void TTermAnsi::PutGlyphsVT(const uint8_t* Glyphs, size_t N) {
  const int R = std::clamp<int>(Console.WinX2, 1, Console.Cols);
  if (Console.PendingWrap) {
    // Owed by the ANSI-BBS wrap before wrapping was turned off.
    Console.PendingWrap = false;
    Console.ScrollUp();
  }
  while (N > 0) {
    if (WrapDue()) {
      WrapFlag = false;
      if (AutoWrap) {
        Console.GotoXY(1, Console.CursorY);
        Index();
      }
    }
    const int X = std::clamp(Console.CursorX, 1, R);
    const int Y = Console.CursorY;
    const auto Room = static_cast<size_t>(R - X + 1);
    size_t K = InsertMode ? 1 : std::min(N, Room);
    if (!AutoWrap && !InsertMode && N > Room) {
      if (Room > 1) Console.WriteAt(X, Y, Glyphs, Room - 1, Font);
      Glyphs += N - 1;
      N = 1;
      Console.GotoXY(R, Y);
      continue;
    }
    if (InsertMode) Console.InsertChars(Y, X, static_cast<int>(K));
    Console.WriteAt(X, Y, Glyphs, K, Font);
    if (X + static_cast<int>(K) > R) {
      Console.GotoXY(R, Y);
      WrapFlag = true;
      WrapX = R;
      WrapY = Y;
    } else {
      Console.GotoXY(X + static_cast<int>(K), Y);
    }
    Glyphs += K;
    N -= K;
  }
}

// ---------------------------------------------------------------------------------------
// Tab stops

void TTermAnsi::EnsureTabs() {
  // Every eighth column from 9, set again whenever the screen's width changed.
  if (TabCols == Console.Cols) return;
  TabStops.reset();
  for (size_t C = 9; C <= ConsoleMaxCols; C += 8) TabStops.set(C);
  TabCols = Console.Cols;
}

void TTermAnsi::Tab(int Count) {
  EnsureTabs();
  const int R = std::clamp<int>(Console.WinX2, 1, Console.Cols);
  int X = std::clamp(Console.CursorX, 1, R);
  for (int I = 0; I < Count && X < R; ++I) {
    ++X;
    while (X < R && !TabStops[static_cast<size_t>(X)]) ++X;
  }
  MoveTo(X, Console.CursorY);
}

void TTermAnsi::BackTab(int Count) {
  EnsureTabs();
  int X = std::clamp(Console.CursorX, 1, static_cast<int>(Console.Cols));
  for (int I = 0; I < Count && X > 1; ++I) {
    --X;
    while (X > 1 && !TabStops[static_cast<size_t>(X)]) --X;
  }
  MoveTo(X, Console.CursorY);
}
