#include "term/term_ansi.h"

#include <algorithm>
#include <array>
#include <climits>

#include "console/console.h"
#include "console/font_faces.h"
#include "net/socket_base.h"

namespace {

// ANSI colour order (red = 1) to the PC attribute order (blue = 1).
constexpr uint8_t AnsiToAttr[8] = {0, 4, 2, 6, 1, 5, 3, 7};

// Bytes that state 0 draws as glyphs and that move the cursor only as a glyph does: every
// byte but NUL, BEL, BS, TAB, LF, FF, CR and ESC.
constexpr std::array<bool, 256> RunGlyphs = [] {
  std::array<bool, 256> T{};
  T.fill(true);
  for (uint8_t B : {0, 7, 8, 9, 10, 12, 13, 27}) T[B] = false;
  return T;
}();
inline bool IsRunGlyph(uint8_t Ch) { return RunGlyphs[Ch]; }
inline bool IsParamChar(uint8_t Ch) { return (Ch >= '0' && Ch <= '9') || Ch == ';' || Ch == '?'; }

// The Amiga faces of the font-selection identifiers 37-42; every other one is CP437. The
// remote side picks only the face: the size stays the one in use.
int FaceOfFontId(int Id) {
  constexpr std::array<int, 6> Amiga = {22, 23, 21, 17, 20, 2};  // P0T-NOoDLE .. Topaz
  return Id >= 37 && Id <= 42 ? Amiga[Id - 37] : 1;
}

// Remote counts are untrusted: clamp them into a range the console can take.
int ClampInt(long long Value, int Lo, int Hi) {
  return static_cast<int>(std::clamp<long long>(Value, Lo, Hi));
}

} // namespace

TTermAnsi::TTermAnsi(TSDLConsole& C) : Console(C) { ResetState(); }

TTermAnsi::~TTermAnsi() = default;

void TTermAnsi::SetSocket(TSocketBase* S) { Socket = S; }

void TTermAnsi::MoveTo(int X, int Y) {
  // A wrap owed by the bottom-right cell is cancelled by any explicit placement, even
  // onto the cell the cursor already shows (column 1 of the bottom row): a BBS that
  // fills the last row and then places the cursor must not scroll its screen.
  Console.PendingWrap = false;
  Console.GotoXY(X, Y);
}

void TTermAnsi::ResetState() {
  State = 0;
  Params.clear();
  ParamPos = 0;
}

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

void TTermAnsi::ProcessBuf(const uint8_t* Data, size_t Length) {
  if (Data == nullptr || Length == 0) return;
  {
    auto Batch = Console.Batch();
    InBlock = true;
    size_t I = 0;
    while (I < Length) {
      if (State == 2 && IsParamChar(Data[I])) {
        // Parameter characters of a sequence, appended together (cut at MaxParams).
        size_t End = I + 1;
        while (End < Length && IsParamChar(Data[End])) ++End;
        const size_t Room = MaxParams - std::min(Params.size(), MaxParams);
        Params.append(reinterpret_cast<const char*>(Data + I), std::min(End - I, Room));
        Printed = 0;
        I = End;
        continue;
      }
      if (State != 0 || !IsRunGlyph(Data[I])) {
        ProcessChar(Data[I++]);
        continue;
      }
      // Text between control bytes goes to the console as one run.
      size_t End = I + 1;
      while (End < Length && IsRunGlyph(Data[End])) ++End;
      Console.WriteRun(Data + I, End - I, Font);
      Printed = 1;
      I = End;
    }
    InBlock = false;
  }
  SendReplies();
}

void TTermAnsi::SendReplies() {
  if (PendingReply.empty()) return;
  std::string Out;
  Out.swap(PendingReply);
  if (Socket != nullptr) Socket->WriteStr(Out);
}

void TTermAnsi::ProcessChar(uint8_t Ch) {
  Printed = 0;
  switch (State) {
  case 0:
    switch (Ch) {
    case 0:
      break;
    case 7:
      if (OnBell) OnBell();
      break;
    case 9:
      // No tab stops: eight columns right, stopping at the right edge.
      MoveTo(ClampInt(static_cast<long long>(Console.CursorX) + 8, 1, Console.Cols), Console.CursorY);
      break;
    case 10:
      Console.WriteCharFont(10, Font);
      break;
    case 12:
      Console.ClearScreen(4);
      break;
    case 27:
      State = 1;
      break;
    default:
      Console.WriteCharFont(Ch, Font);
      Printed = 1;
      break;
    }
    break;
  case 1:
    // Only CSI is understood; any other escape swallows its second byte.
    if (Ch == '[') {
      State = 2;
      Params.clear();
      ParamPos = 0;
    } else {
      State = 0;
    }
    break;
  case 2:
    ProcessCSI(Ch);
    break;
  default:
    if (State == 3 && Ch == 'D' && FontSwitch) SelectFont();
    if (State == 4 && Ch == 'r' && OnLineSpeed) {
      NextParam();  // Ps1, not used
      OnLineSpeed(NextParam());
    }
    ResetState();
    break;
  }
  if (!InBlock) SendReplies();
}

void TTermAnsi::SelectFont() {
  NextParam(); // the font slot, not used
  Font = FontNumber(FaceOfFontId(NextParam()), IsLargeFont(Font));
}

void TTermAnsi::ProcessCSI(uint8_t Ch) {
  if (Ch < 32 || Ch > 117) {
    ResetState();
    return;
  }
  if (IsParamChar(Ch)) {
    if (Params.size() < MaxParams) Params.push_back(static_cast<char>(Ch));
    return;
  }
  if (Ch == ' ') {
    State = 3;
    return;
  }
  if (Ch == '*') {
    State = 4;
    return;
  }

  const int Cols = Console.Cols;
  const int Rows = Console.Rows;
  const int LastRow = Console.StatusLine ? Rows - 1 : Rows;
  const long long X = Console.CursorX;
  const long long Y = Console.CursorY;
  auto N1 = [this] {
    const int N = NextParam();
    return N == 0 ? 1 : N;
  };

  switch (Ch) {
  case '@': {
    int N = NextParam() % 256;
    if (N == 0) N = 1;
    Console.InsertChars(Console.CursorY, Console.CursorX, N);
    break;
  }
  case 'A':
    MoveTo(Console.CursorX, ClampInt(Y - N1(), 1, Rows));
    break;
  case 'B':
    MoveTo(Console.CursorX, ClampInt(Y + N1(), 1, Rows));
    break;
  case 'C':
    MoveTo(ClampInt(X + N1(), 1, Cols), Console.CursorY);
    break;
  case 'D':
    MoveTo(ClampInt(X - N1(), 1, Cols), Console.CursorY);
    break;
  case 'G':
    MoveTo(ClampInt(N1(), 1, Cols), Console.CursorY);
    break;
  case 'H':
  case 'f': {
    const int Row = N1();
    const int Col = N1();
    MoveTo(ClampInt(Col, 1, Cols), ClampInt(Row, 1, Rows));
    break;
  }
  case 'J':
    Console.ClearScreen(static_cast<uint8_t>(NextParam() % 256));
    break;
  case 'K':
    switch (NextParam()) {
    case 0:
      Console.ClearLinePart(Console.CursorX, 160);
      break;
    case 1:
      Console.ClearLinePart(1, Console.CursorX);
      break;
    case 2:
      Console.ClearLinePart(1, 160);
      break;
    default:
      break;
    }
    break;
  case 'L':
    // A count past the screen height does no more than the height; capped, a hostile
    // count costs no more either.
    Console.InsertLines(Console.CursorY, std::min(N1(), Rows), Console.WinY2);
    break;
  case 'M':
    Console.DeleteLines(Console.CursorY, std::min(N1(), Rows), Console.WinY2);
    break;
  case 'P':
    Console.DeleteChars(Console.CursorY, Console.CursorX, std::min(N1(), Cols));
    break;
  case 'h':
  case 'l':
    SetModes(Ch == 'h');
    break;
  case 'm':
    SelectRendition();
    break;
  case 'n':
    if (Socket != nullptr) {
      const std::string Report =
          "\x1b[" + std::to_string(Console.CursorY) + ";" + std::to_string(Console.CursorX) + "R";
      if (PendingReply.size() + Report.size() <= MaxPendingReply) PendingReply += Report;
    }
    break;
  case 'r': {
    const int Top = NextParam();
    if (Top == 0) {
      Console.SetWindow(1, 1, Cols, LastRow);
      break;
    }
    const int Bottom = NextParam();
    const int B = Bottom == 0 ? LastRow : std::min(Bottom, LastRow);
    if (Top <= B) Console.SetWindow(1, Top, Cols, B);
    break;
  }
  case 's':
    SavedX = Console.CursorX;
    SavedY = Console.CursorY;
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
    MoveTo(SavedX, SavedY);
    break;
  default:
    break;
  }
  ResetState();
}

void TTermAnsi::SetModes(bool On) {
  // Mouse modes are private ones (CSI ? ...); ANSI modes of the same numbers mean other things.
  const bool Private = !Params.empty() && Params[0] == '?';
  while (MoreParams()) {
    const int N = NextParam();
    if (N == 25) {
      if (!On) Console.DrawCursor(false);
      Console.CursorHidden = !On;
    } else if (N == 33 || N == 35) {
      Console.BlinkEnabled = !On;
    } else if (Private) {
      SetMouseMode(N, On);
    }
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
    return;
  }
  while (MoreParams()) {
    const int P = NextParam() % 256;
    const uint8_t A = Console.TextAttr;
    if (P == 0) {
      Console.SetTextAttr(7, true);
    } else if (P == 1) {
      Console.SetTextAttr(A | 8, false);
    } else if (P == 5) {
      Console.SetTextAttr(A | 128, false);
    } else if (P == 7) {
      // Reverse: swap the low three bits of each half; bright is dropped, bit 7 kept.
      const uint8_t Base = A & 247;
      const uint8_t Fg = Base & 7;
      const uint8_t Bg = (Base >> 4) & 7;
      Console.SetTextAttr(static_cast<uint8_t>((Base & 0x80) | (Fg << 4) | Bg), false);
    } else if (P >= 30 && P <= 37) {
      Console.SetTextAttr(static_cast<uint8_t>((A & 248) + AnsiToAttr[P - 30]), false);
    } else if (P >= 40 && P <= 47) {
      Console.SetTextAttr(static_cast<uint8_t>((A & 143) | (AnsiToAttr[P - 40] << 4)), false);
    } else if (P == 38 || P == 48) {
      const int Kind = NextParam() % 256;
      if (Kind == 2) {
        const uint8_t R = NextParam() % 256;
        const uint8_t G = NextParam() % 256;
        const uint8_t B = NextParam() % 256;
        if (P == 38)
          Console.SetFgRGB(R, G, B);
        else
          Console.SetBgRGB(R, G, B);
      } else if (Kind == 5) {
        const uint8_t Index = NextParam() % 256;
        if (P == 38)
          Console.SetFg256(Index);
        else
          Console.SetBg256(Index);
      } else {
        return; // an unknown colour kind ends the whole rendition
      }
    }
  }
}
