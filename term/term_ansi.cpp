// The parser: one handler per state, one per control function. Text output, character sets
// and UTF-8 are in term_text.cpp.
#include "term/term_ansi.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>

#include "console/font_faces.h"
#include "net/socket_base.h"

namespace {

// ANSI colour order (red = 1) to the PC attribute order (blue = 1).
constexpr uint8_t AnsiToAttr[8] = {0, 4, 2, 6, 1, 5, 3, 7};

// Parameter bytes the block path appends without a look at the state machine; both dialects
// take them.
inline bool IsCommonParam(uint8_t Ch) { return (Ch >= '0' && Ch <= '9') || Ch == ';' || Ch == '?'; }

// The Amiga faces of the font-selection identifiers 37-42; every other one is CP437. The
// remote side picks only the face: the size stays the one in use.
int FaceOfFontId(int Id) {
  constexpr std::array<int, 6> Amiga = {22, 23, 21, 17, 20, 2};  // P0T-NOoDLE .. Topaz
  return Id >= 37 && Id <= 42 ? Amiga[Id - 37] : 1;
}

// Remote counts are untrusted: clamp them into a range the console can take.
int ClampInt(long long Value, int Lo, int Hi) { return static_cast<int>(std::clamp<long long>(Value, Lo, Hi)); }

// What a VT102 answers to "what are you": a VT100 with the advanced video option.
constexpr const char* DeviceAttributesReply = "\x1b[?6c";

} // namespace

TTermAnsi::TTermAnsi(TSDLConsole& C) : Console(C) {
  UpdateByteKinds();
  ResetState();
}

TTermAnsi::~TTermAnsi() = default;

void TTermAnsi::SetSocket(TSocketBase* S) { Socket = S; }

void TTermAnsi::SetMode(TEmulation NewEmulation, TCharset NewCharset) {
  Emul = NewEmulation;
  Chars = NewCharset;
  UpdateByteKinds();
}

// ---------------------------------------------------------------------------------------
// Feeding

void TTermAnsi::ProcessBuf(const uint8_t* Data, size_t Length) {
  if (Data == nullptr || Length == 0) return;
  {
    auto Batch = Console.Batch();
    InBlock = true;
    size_t I = 0;
    while (I < Length) {
      const uint8_t Ch = Data[I];
      if (State == TParseState::Ground && Kinds[Ch] == TByteKind::Glyph) {
        // Text between control bytes goes to the console as one run.
        size_t End = I + 1;
        while (End < Length && Kinds[Data[End]] == TByteKind::Glyph) ++End;
        PutGlyphs(Data + I, End - I);
        Printed = 1;
        I = End;
        continue;
      }
      if (Ch == 27 && State == TParseState::Ground && I + 1 < Length && Data[I + 1] == '[') {
        // The start of a CSI sequence, the commonest thing after text.
        ResetState();
        State = TParseState::Csi;
        Printed = 0;
        I += 2;
        continue;
      }
      if (State == TParseState::Csi && IsCommonParam(Ch)) {
        // Parameter characters of a sequence, appended together (cut at MaxParams).
        size_t End = I + 1;
        while (End < Length && IsCommonParam(Data[End])) ++End;
        const size_t Room = MaxParams - std::min(Params.size(), MaxParams);
        Params.append(reinterpret_cast<const char*>(Data + I), std::min(End - I, Room));
        Printed = 0;
        I = End;
        if (I < Length && Data[I] >= 0x40 && Data[I] <= 117) DispatchCsi(Data[I++]);  // its final byte
        continue;
      }
      ProcessChar(Data[I++]);
    }
    InBlock = false;
  }
  SendReplies();
}

void TTermAnsi::ProcessChar(uint8_t Ch) {
  Printed = 0;
  if (State == TParseState::Ground && Kinds[Ch] == TByteKind::Glyph) {
    // Text first: most bytes are.
    PutGlyphs(&Ch, 1);
    Printed = 1;
    return;
  }
  if (Ch < 0x20 && VT() && State != TParseState::Ground && State != TParseState::Utf8) {
    InSequenceControl(Ch);
  } else {
    switch (State) {
    case TParseState::Ground: Ground(Ch); break;
    case TParseState::Utf8: Utf8Continue(Ch); break;
    case TParseState::Escape: Escape(Ch); break;
    case TParseState::EscHash: EscHash(Ch); break;
    case TParseState::Designate: Designate(Ch); break;
    case TParseState::EscIgnore:
      if (Ch < 0x20 || Ch > 0x2F) ResetState();
      break;
    case TParseState::Csi: CsiByte(Ch); break;
    case TParseState::CsiIntermediate: CsiIntermediateByte(Ch); break;
    }
  }
  if (!InBlock && !PendingReply.empty()) SendReplies();
}

void TTermAnsi::SendReplies() {
  if (PendingReply.empty()) return;
  std::string Out;
  Out.swap(PendingReply);
  if (Socket != nullptr) Socket->WriteStr(Out);
}

void TTermAnsi::Reply(const std::string& Text) {
  if (Socket != nullptr && PendingReply.size() + Text.size() <= MaxPendingReply) PendingReply += Text;
}

// ---------------------------------------------------------------------------------------
// States

void TTermAnsi::ResetState() {
  State = TParseState::Ground;
  Params.clear();
  ParamPos = 0;
  Intermediate = 0;
}

void TTermAnsi::EnterEscape() {
  ResetState();
  State = TParseState::Escape;
}

void TTermAnsi::Ground(uint8_t Ch) {
  switch (Kinds[Ch]) {
  case TByteKind::Glyph:
    PutGlyphs(&Ch, 1);
    Printed = 1;
    break;
  case TByteKind::Mapped: {
    const uint8_t Glyph = MapGL(Ch);
    PutGlyphs(&Glyph, 1);
    Printed = 1;
    break;
  }
  case TByteKind::Control: Execute(Ch); break;
  case TByteKind::Utf8: Utf8Start(Ch); break;
  }
}

// A VT102 runs control bytes met inside a sequence and goes on with the sequence; ESC starts
// a new one, CAN and SUB cancel it.
void TTermAnsi::InSequenceControl(uint8_t Ch) {
  if (Ch == 27)
    EnterEscape();
  else if (Ch == 24 || Ch == 26)
    ResetState();
  else
    Execute(Ch);
}

void TTermAnsi::Escape(uint8_t Ch) {
  // Most escapes are complete with this byte: back to text before the function runs, so a
  // full reset leaves a clean parser too (ESC left the parameters empty).
  State = TParseState::Ground;
  switch (Ch) {
  case '[': State = TParseState::Csi; break;
  case '#': State = TParseState::EscHash; break;
  case '(':
  case ')':
    DesignateSlot = Ch == '(' ? 0 : 1;
    State = TParseState::Designate;
    break;
  case '*':
  case '+':
  case '-':
  case '.':
  case '/':
    DesignateSlot = 2;  // G2 and G3: a VT102 has none, the byte after is swallowed
    State = TParseState::Designate;
    break;
  case '7': SaveCursor(); break;
  case '8': RestoreCursor(); break;
  case 'D': Index(); break;
  case 'E':
    CarriageReturn();
    Index();
    break;
  case 'H':
    EnsureTabs();
    if (Console.CursorX >= 1 && Console.CursorX <= Console.Cols) TabStops.set(static_cast<size_t>(Console.CursorX));
    break;
  case 'M': ReverseIndex(); break;
  case 'Z': DeviceAttributes(); break;
  case 'c': FullReset(); break;
  default:
    // Other intermediates open a sequence of their own, swallowed up to its final byte; the
    // ANSI-BBS screen drops the byte after ESC and goes on.
    if (VT() && Ch >= 0x20 && Ch <= 0x2F) State = TParseState::EscIgnore;
    break;
  }
}

void TTermAnsi::EscHash(uint8_t Ch) {
  ResetState();
  if (Ch == '8') AlignmentPattern();
}

void TTermAnsi::Designate(uint8_t Ch) {
  if (VT() && Ch >= 0x20 && Ch <= 0x2F) return;  // a longer set name: wait for its final byte
  ResetState();
  if (DesignateSlot > 1) return;
  Sets.G[DesignateSlot] = Ch == '0' ? TGSet::DecGraphics : Ch == 'A' ? TGSet::UK : TGSet::Ascii;
  if (DesignateSlot == 1) Sets.G1Designated = true;
  UpdateByteKinds();
}

void TTermAnsi::CsiByte(uint8_t Ch) {
  // The ANSI-BBS screen knows digits, ";" and "?"; a VT102 takes "<", "=", ">" and ":" too.
  const bool Param = VT() ? (Ch >= 0x30 && Ch <= 0x3F) : IsCommonParam(Ch);
  if (Param) {
    if (Params.size() < MaxParams) Params.push_back(static_cast<char>(Ch));
    return;
  }
  // Both dialects know the space (font selection) and "*" (the line speed, CSI Ps1;Ps2 * r).
  if (Ch == ' ' || Ch == '*' || (VT() && Ch > ' ' && Ch <= 0x2F)) {
    Intermediate = static_cast<char>(Ch);
    State = TParseState::CsiIntermediate;
    return;
  }
  if (Ch >= 0x40 && Ch <= (VT() ? 0x7E : 117)) {
    DispatchCsi(Ch);
    return;
  }
  if (VT() && Ch == 0x7F) return;  // DEL is ignored anywhere
  ResetState();                    // anything else ends the sequence and is dropped
}

void TTermAnsi::CsiIntermediateByte(uint8_t Ch) {
  if (VT() && (Ch <= 0x3F || Ch == 0x7F)) return;
  if (Intermediate == ' ' && Ch == 'D' && FontSwitch) SelectFont();
  if (Intermediate == '*' && Ch == 'r' && OnLineSpeed) {
    NextParam();  // Ps1, not used
    OnLineSpeed(NextParam());
  }
  ResetState();
}

// ---------------------------------------------------------------------------------------
// Control bytes

void TTermAnsi::Execute(uint8_t Ch) {
  switch (Ch) {
  case 8:
    Backspace();
    Printed = 1;
    break;
  case 9: Tab(1); break;
  case 10:
  case 11: LineFeed(); break;
  case 12:
    // The ANSI-BBS screen clears the text window (as the DOS driver does); a VT102 feeds a line.
    if (VT()) {
      LineFeed();
    } else {
      WrapFlag = false;
      Console.ClearScreen(4);
    }
    break;
  case 13:
    CarriageReturn();
    Printed = 1;
    break;
  case 14: ShiftTo(1); break;
  case 15: ShiftTo(0); break;
  case 27: EnterEscape(); break;
  case 7:
    if (OnBell) OnBell();
    break;
  default: break;  // NUL, ENQ, XON, XOFF and the rest
  }
}

void TTermAnsi::Backspace() {
  WrapFlag = false;
  if (!VT()) {
    Console.WriteCharFont(8, Font);
    return;
  }
  MoveTo(std::max(Console.CursorX - 1, 1), Console.CursorY);
}

void TTermAnsi::CarriageReturn() {
  WrapFlag = false;
  if (!VT()) {
    Console.WriteCharFont(13, Font);
    return;
  }
  MoveTo(1, Console.CursorY);
}

void TTermAnsi::LineFeed() {
  Index();
  if (NewLineMode) CarriageReturn();
}

void TTermAnsi::Index() {
  WrapFlag = false;
  if (!VT()) {
    // The ANSI-BBS line feed: the console's, which also pays a wrap owed at the bottom.
    Console.WriteCharFont(10, Font);
    return;
  }
  // Only the region's bottom row scrolls; below the region the cursor stops at the last row.
  if (Console.CursorY == RegionBottom())
    Console.ScrollUp();
  else if (Console.CursorY < LastRow())
    Console.GotoXY(Console.CursorX, Console.CursorY + 1);
}

void TTermAnsi::ReverseIndex() {
  WrapFlag = false;
  Console.PendingWrap = false;
  if (Console.CursorY == RegionTop())
    ScrollRegionDown(1);
  else if (Console.CursorY > 1)
    Console.GotoXY(Console.CursorX, Console.CursorY - 1);
}

// ---------------------------------------------------------------------------------------
// Escape sequences

void TTermAnsi::SaveCursor() {
  Saved.X = Console.CursorX;
  Saved.Y = Console.CursorY;
  Console.GetColors(Saved.Colors);
  Saved.Reversed = Reversed;
  Saved.OriginMode = OriginMode;
  Saved.WrapDue = VT() ? WrapDue() : Console.PendingWrap;
  Saved.Sets = Sets;
}

void TTermAnsi::RestoreCursor() {
  // Before any ESC 7 this is home in the default colours, as on a VT102.
  Console.SetColors(Saved.Colors);
  Reversed = Saved.Reversed;
  OriginMode = Saved.OriginMode;
  Sets = Saved.Sets;
  UpdateByteKinds();
  MoveTo(std::clamp(Saved.X, 1, static_cast<int>(Console.Cols)), std::clamp(Saved.Y, 1, LastRow()));
  if (!Saved.WrapDue) return;
  if (VT()) {
    WrapFlag = true;
    WrapX = Console.CursorX;
    WrapY = Console.CursorY;
  } else {
    Console.PendingWrap = true;
  }
}

void TTermAnsi::FullReset() {
  Console.SetTextAttr(7, true);
  Reversed = false;
  AutoWrap = true;
  OriginMode = false;
  InsertMode = false;
  NewLineMode = false;
  WrapFlag = false;
  Sets = {};
  Saved = {};
  SavedX = SavedY = 1;
  Mouse = {};
  TabCols = 0;
  LastGlyph = 0;
  UpdateByteKinds();
  Console.SetWindow(1, 1, Console.Cols, LastRow());
  Console.CursorHidden = false;
  Console.ClearScreen(2);
}

// The screen filled with E's in the default colours, margins reset, cursor home: what a
// VT102 shows to line up its tube.
void TTermAnsi::AlignmentPattern() {
  static constexpr auto Es = [] {
    std::array<uint8_t, ConsoleMaxCols> A{};
    A.fill('E');
    return A;
  }();
  Console.SetWindow(1, 1, Console.Cols, LastRow());
  TConsoleCell Keep;
  Console.GetColors(Keep);
  Console.SetTextAttr(7, true);
  for (int Y = 1; Y <= LastRow(); ++Y) Console.WriteAt(1, Y, Es.data(), Console.Cols, Font);
  Console.SetColors(Keep);
  CursorTo(1, 1);
}

void TTermAnsi::ShiftTo(uint8_t GL) {
  Sets.GL = GL;
  UpdateByteKinds();
}

// ---------------------------------------------------------------------------------------
// CSI sequences

int TTermAnsi::NextParam() {
  // Any character that is not a digit separates parameters; a missing one reads
  // as 0. Huge numbers saturate rather than overflow.
  // The parameters taken so far are skipped, not erased: a sequence costs one pass.
  size_t Pos = ParamPos;
  long long Value = 0;
  while (Pos < Params.size() && Params[Pos] >= '0' && Params[Pos] <= '9') {
    Value = Value * 10 + (Params[Pos] - '0');
    if (Value > INT_MAX) Value = INT_MAX;
    ++Pos;
  }
  ParamPos = std::min(Pos + 1, Params.size());
  return static_cast<int>(Value);
}

char TTermAnsi::PrivateMarker() const {
  return !Params.empty() && Params[0] >= '<' && Params[0] <= '?' ? Params[0] : 0;
}

void TTermAnsi::DispatchCsi(uint8_t Final) {
  auto N1 = [this] {
    const int N = NextParam();
    return N == 0 ? 1 : N;
  };
  const char Marker = PrivateMarker();
  if (VT() && Marker != 0) {
    // The marker is not a parameter; sequences that do not know it are ignored.
    ParamPos = 1;
    if (std::strchr("hlJK", Final) == nullptr) Final = 0;
  }
  const int X = Console.CursorX;
  const int Cols = Console.Cols;

  switch (Final) {
  case '@': {
    int N = NextParam() % 256;
    WrapFlag = false;
    Console.InsertChars(Console.CursorY, X, N == 0 ? 1 : N);
    break;
  }
  case 'A': CursorUp(N1()); break;
  case 'B': CursorDown(N1()); break;
  case 'C': MoveTo(ClampInt(static_cast<long long>(X) + N1(), 1, Cols), Console.CursorY); break;
  case 'D': MoveTo(ClampInt(static_cast<long long>(X) - N1(), 1, Cols), Console.CursorY); break;
  case 'G':
  case '`': MoveTo(ClampInt(N1(), 1, Cols), Console.CursorY); break;
  case 'H':
  case 'f': {
    const int Row = N1();
    CursorTo(Row, N1());
    break;
  }
  case 'I': Tab(std::min(N1(), Cols)); break;
  case 'J': EraseDisplay(NextParam()); break;
  case 'K': EraseLine(NextParam()); break;
  case 'L': InsertLines(N1()); break;
  case 'M': DeleteLines(N1()); break;
  case 'P':
    WrapFlag = false;
    Console.DeleteChars(Console.CursorY, X, std::min(N1(), Cols));
    break;
  case 'S': ScrollRegionUp(N1()); break;
  case 'T':
    // With more parameters this is xterm's mouse highlighting, not a scroll.
    if (Params.find(';') == std::string::npos) ScrollRegionDown(N1());
    break;
  case 'X': {
    const int N = std::min(N1(), Cols);
    WrapFlag = false;
    Console.ClearLinePart(X, std::min(X + N - 1, Cols));
    break;
  }
  case 'Z': BackTab(std::min(N1(), Cols)); break;
  case 'b': Repeat(N1()); break;
  case 'c':
    if (NextParam() == 0) DeviceAttributes();
    break;
  case 'd': RowTo(N1()); break;
  case 'g': ClearTabs(NextParam()); break;
  case 'h':
  case 'l': SetModes(Final == 'h'); break;
  case 'm': SelectRendition(); break;
  case 'n': DeviceStatus(NextParam()); break;
  case 'r': SetScrollRegion(); break;
  case 's':
    if (VT()) {
      SaveCursor();
    } else {
      SavedX = static_cast<uint16_t>(X);
      SavedY = static_cast<uint16_t>(Console.CursorY);
    }
    break;
  case 't': {
    const int Kind = NextParam();
    if (Kind == 0 || Kind == 1) {
      const uint8_t R = NextParam() % 256;
      const uint8_t G = NextParam() % 256;
      const uint8_t B = NextParam() % 256;
      if (Kind == 0)
        Console.SetBgRGB(R, G, B);
      else
        Console.SetFgRGB(R, G, B);
    } else if (Kind == 8) {
      const int NewRows = NextParam();
      const int NewCols = NextParam();
      if (OnScreenSize) OnScreenSize(NewCols % 256, NewRows % 256);
    }
    break;
  }
  case 'u':
    if (VT())
      RestoreCursor();
    else
      MoveTo(SavedX, SavedY);
    break;
  default: break;
  }
  ResetState();
}

int TTermAnsi::LastRow() const { return Console.StatusLine ? Console.Rows - 1 : Console.Rows; }
int TTermAnsi::RegionTop() const { return std::clamp<int>(Console.WinY1, 1, Console.Rows); }
int TTermAnsi::RegionBottom() const { return std::clamp<int>(Console.WinY2, RegionTop(), Console.Rows); }

void TTermAnsi::MoveTo(int X, int Y) {
  // A wrap owed by the bottom-right cell is cancelled by any explicit placement, even
  // onto the cell the cursor already shows (column 1 of the bottom row): a BBS that
  // fills the last row and then places the cursor must not scroll its screen.
  WrapFlag = false;
  Console.PendingWrap = false;
  Console.GotoXY(X, Y);
}

// Up and down stop at the scroll region's edge when they start inside it (VT102); the
// ANSI-BBS screen knows only the screen's edges.
void TTermAnsi::CursorUp(int N) {
  const int Y = Console.CursorY;
  const int Top = VT() && Y >= RegionTop() ? RegionTop() : 1;
  MoveTo(Console.CursorX, ClampInt(static_cast<long long>(Y) - N, Top, Console.Rows));
}

void TTermAnsi::CursorDown(int N) {
  const int Y = Console.CursorY;
  const int Bottom = VT() && Y <= RegionBottom() ? RegionBottom() : Console.Rows;
  MoveTo(Console.CursorX, ClampInt(static_cast<long long>(Y) + N, 1, Bottom));
}

// Rows count from the scroll region's top, and stay in it, in origin mode.
void TTermAnsi::CursorTo(int Row, int Col) {
  const int Y = OriginMode ? ClampInt(static_cast<long long>(RegionTop()) + Row - 1, RegionTop(), RegionBottom())
                           : ClampInt(Row, 1, Console.Rows);
  MoveTo(ClampInt(Col, 1, Console.Cols), Y);
}

void TTermAnsi::RowTo(int Row) { CursorTo(Row, Console.CursorX); }

void TTermAnsi::EraseDisplay(int Mode) {
  WrapFlag = false;
  if (VT() && Mode == 2) {
    // A VT102 clears without moving the cursor; the ANSI-BBS screen goes home as DOS did.
    const int X = Console.CursorX, Y = Console.CursorY;
    Console.ClearScreen(2);
    Console.GotoXY(X, Y);
    return;
  }
  Console.ClearScreen(static_cast<uint8_t>(Mode % 256));
}

void TTermAnsi::EraseLine(int Mode) {
  WrapFlag = false;
  switch (Mode) {
  case 0: Console.ClearLinePart(Console.CursorX, ConsoleMaxCols); break;
  case 1: Console.ClearLinePart(1, Console.CursorX); break;
  case 2: Console.ClearLinePart(1, ConsoleMaxCols); break;
  default: break;
  }
}

// A count past the screen height does no more than the height; capped, a hostile count
// costs no more either. A VT102 edits lines only inside the scroll region and then returns
// the carriage.
void TTermAnsi::InsertLines(int N) {
  const int Y = Console.CursorY;
  if (VT() && (Y < RegionTop() || Y > RegionBottom())) return;
  Console.InsertLines(Y, std::min<int>(N, Console.Rows), Console.WinY2);
  if (VT()) MoveTo(1, Y);
}

void TTermAnsi::DeleteLines(int N) {
  const int Y = Console.CursorY;
  if (VT() && (Y < RegionTop() || Y > RegionBottom())) return;
  Console.DeleteLines(Y, std::min<int>(N, Console.Rows), Console.WinY2);
  if (VT()) MoveTo(1, Y);
}

// Lines scrolled up leave the region as a line feed at its bottom makes them, into the
// scrollback when the region starts at the top.
void TTermAnsi::ScrollRegionUp(int N) {
  const int Lines = std::min(N, RegionBottom() - RegionTop() + 1);
  for (int I = 0; I < Lines; ++I) Console.ScrollUp();
}

void TTermAnsi::ScrollRegionDown(int N) {
  Console.InsertLines(RegionTop(), std::min<int>(N, Console.Rows), RegionBottom());
}

void TTermAnsi::SetScrollRegion() {
  const int Cols = Console.Cols;
  const int Last = LastRow();
  const int Top = NextParam();
  if (Top == 0) {
    Console.SetWindow(1, 1, Cols, Last);
  } else {
    const int Bottom = NextParam();
    const int B = Bottom == 0 ? Last : std::min(Bottom, Last);
    if (Top > B) return;  // an invalid region changes nothing
    Console.SetWindow(1, Top, Cols, B);
  }
  // A VT102 also homes the cursor; the ANSI-BBS screen leaves it.
  if (VT()) CursorTo(1, 1);
}

void TTermAnsi::ClearTabs(int Mode) {
  EnsureTabs();
  if (Mode == 0 && Console.CursorX >= 1 && Console.CursorX <= Console.Cols)
    TabStops.reset(static_cast<size_t>(Console.CursorX));
  else if (Mode == 3)
    TabStops.reset();
}

void TTermAnsi::Repeat(int N) {
  if (LastGlyph == 0) return;
  // More than a screenful repeats nothing new.
  const int Total = std::min(N, Console.Cols * Console.Rows);
  std::array<uint8_t, ConsoleMaxCols> Run;
  Run.fill(LastGlyph);
  for (int Done = 0; Done < Total;) {
    const int K = std::min<int>(Total - Done, ConsoleMaxCols);
    PutGlyphs(Run.data(), static_cast<size_t>(K));
    Done += K;
  }
}

void TTermAnsi::DeviceStatus(int Query) {
  // The ANSI-BBS screen has always answered any query but 5 with the position.
  if (Query == 5) {
    Reply("\x1b[0n");
  } else if (Query == 6 || !VT()) {
    const int Row = Console.CursorY - (OriginMode ? RegionTop() - 1 : 0);
    Reply("\x1b[" + std::to_string(Row) + ";" + std::to_string(Console.CursorX) + "R");
  }
}

void TTermAnsi::DeviceAttributes() { Reply(DeviceAttributesReply); }

void TTermAnsi::SetModes(bool On) {
  // Mouse, wrap and origin modes are private ones (CSI ? ...); ANSI modes of the same numbers
  // mean other things.
  const bool Private = PrivateMarker() == '?';
  while (MoreParams()) {
    const int N = NextParam();
    if (N == 25) {
      if (!On) Console.DrawCursor(false);
      Console.CursorHidden = !On;
    } else if (N == 33 || N == 35) {
      Console.BlinkEnabled = !On;
    } else if (Private) {
      SetPrivateMode(N, On);
    } else if (N == 4) {
      InsertMode = On;
    } else if (N == 20) {
      NewLineMode = On;
    }
  }
}

void TTermAnsi::SetPrivateMode(int Mode, bool On) {
  switch (Mode) {
  case 3:
    // 80 or 132 columns: the width stays as the window has it, but what the switch does
    // besides, a cleared screen with full margins and the cursor home, programs rely on.
    // (DOS screen-mode codes look alike: the ANSI-BBS screen leaves its art alone.)
    if (!VT()) break;
    WrapFlag = false;
    Console.SetWindow(1, 1, Console.Cols, LastRow());
    Console.ClearScreen(2);
    break;
  case 6:
    OriginMode = On;
    CursorTo(1, 1);
    break;
  case 7:
    AutoWrap = On;
    WrapFlag = false;
    break;
  default: SetMouseMode(Mode, On); break;
  }
}

void TTermAnsi::SetMouseMode(int Mode, bool On) {
  TMouseTracking Tracking;
  switch (Mode) {
  case 9: Tracking = TMouseTracking::X10; break;
  case 1000: Tracking = TMouseTracking::Normal; break;
  case 1002: Tracking = TMouseTracking::ButtonEvent; break;
  case 1003: Tracking = TMouseTracking::AnyEvent; break;
  case 1006:
    Mouse.SGR = On;
    return;
  default:
    return;
  }
  // The last mode asked for is the one in force; resetting another one leaves it.
  if (On)
    Mouse.Tracking = Tracking;
  else if (Mouse.Tracking == Tracking)
    Mouse.Tracking = TMouseTracking::Off;
}

void TTermAnsi::SelectRendition() {
  if (!MoreParams()) {
    Console.SetTextAttr(7, true);
    Reversed = false;
    return;
  }
  while (MoreParams()) {
    const int P = NextParam() % 256;
    const uint8_t A = Console.TextAttr;
    if (P == 0) {
      Console.SetTextAttr(7, true);
      Reversed = false;
    } else if (P == 1) {
      Console.SetTextAttr(A | 8, false);
    } else if (P == 5) {
      Console.SetTextAttr(A | 128, false);
    } else if (P == 7 || P == 27) {
      Reverse(P == 7);
    } else if (P == 22) {
      Console.SetTextAttr(A & ~8, false);
    } else if (P == 25) {
      Console.SetTextAttr(A & ~128, false);
    } else if (P >= 30 && P <= 37) {
      SetColour(true, P - 30);
    } else if (P >= 40 && P <= 47) {
      SetColour(false, P - 40);
    } else if (P == 39 || P == 49) {
      SetDefaultColour(P == 39);
    } else if (P == 38 || P == 48) {
      // While reversed a VT102 paints the foreground colour behind the text.
      const bool Fg = (P == 38) != (VT() && Reversed);
      const int Kind = NextParam() % 256;
      if (Kind == 2) {
        const uint8_t R = NextParam() % 256;
        const uint8_t G = NextParam() % 256;
        const uint8_t B = NextParam() % 256;
        if (Fg)
          Console.SetFgRGB(R, G, B);
        else
          Console.SetBgRGB(R, G, B);
      } else if (Kind == 5) {
        const uint8_t Index = NextParam() % 256;
        if (Fg)
          Console.SetFg256(Index);
        else
          Console.SetBg256(Index);
      } else {
        return; // an unknown colour kind ends the whole rendition
      }
    }
    // 2-4, 6, 8, 9, 21, 23, 24, 28, 29 and the rest: the cells have no such rendition.
  }
}

// The bright bit of a foreground and the blink bit of a background stay. While reversed a
// VT102 puts the foreground behind the text; the ANSI-BBS screen colours what it shows.
void TTermAnsi::SetColour(bool Foreground, int Ansi) {
  const uint8_t A = Console.TextAttr;
  const uint8_t C = AnsiToAttr[Ansi];
  const bool Low = Foreground != (VT() && Reversed);
  Console.SetTextAttr(static_cast<uint8_t>(Low ? (A & 0xF8) | C : (A & 0x8F) | (C << 4)), false);
}

// SGR 39 / 49 end a 256-colour or RGB colour too, whatever the nibble held. Bold stays; the
// bright bit of an iCE background goes with the colour.
void TTermAnsi::SetDefaultColour(bool Foreground) {
  const bool Low = Foreground != (VT() && Reversed);
  TConsoleCell Cell;
  Console.GetColors(Cell);
  const uint8_t C = Foreground ? 7 : 0;
  if (Low) {
    Cell.Attr = static_cast<uint8_t>((Cell.Attr & 0xF8) | C);
    Cell.FgMode = 0;
  } else {
    Cell.Attr = static_cast<uint8_t>((Cell.Attr & (Console.BlinkEnabled ? 0x8F : 0x0F)) | (C << 4));
    Cell.BgMode = 0;
  }
  Console.SetColors(Cell);
}

// Reverse swaps the low three bits of each half (bright is dropped, bit 7 kept). On the
// ANSI-BBS screen every SGR 7 swaps again (twice restores); a VT102 stays reversed.
void TTermAnsi::Reverse(bool On) {
  if (On ? (VT() && Reversed) : !Reversed) return;
  const uint8_t Base = Console.TextAttr & 247;
  const uint8_t Fg = Base & 7;
  const uint8_t Bg = (Base >> 4) & 7;
  Console.SetTextAttr(static_cast<uint8_t>((Base & 0x80) | (Fg << 4) | Bg), false);
  Reversed = On && !Reversed;
}

void TTermAnsi::SelectFont() {
  NextParam(); // the font slot, not used
  Font = FontNumber(FaceOfFontId(NextParam()), IsLargeFont(Font));
}
