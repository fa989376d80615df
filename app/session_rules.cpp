#include "app/session_rules.h"

#include <algorithm>

#include "console/console.h"
#include "phonebook/phonerec.h"
#include "support/cp437.h"
#include "support/strings.h"
#include "term/term_ansi.h"

std::string KeySequence(uint8_t Code) {
  switch (Code) {
    case 59: return "\x1bOP";
    case 60: return "\x1bOQ";
    case 61: return "\x1bOR";
    case 62: return "\x1bOS";
    case 63: return "\x1bOt";
    case 64: return "\x1b[17~";
    case 65: return "\x1b[18~";
    case 66: return "\x1b[19~";
    case 67: return "\x1b[20~";
    case 68: return "\x1b[21~";
    case 71: return "\x1b[H";
    case 72: return "\x1b[A";
    case 73: return "\x1b[V";
    case 75: return "\x1b[D";
    case 77: return "\x1b[C";
    case 79: return "\x1b[K";
    case 80: return "\x1b[B";
    case 81: return "\x1b[U";
    case 82: return "\x1b[@";
    case 83: return "\x7f";
    default: return {};
  }
}

std::string TextForRemote(std::string_view Text, uint8_t Charset) {
  return Charset == lx::CharsetUTF8 ? std::string(Text) : lx::UTF8ToCP437(Text);
}

std::string MouseReport(const TMouseModes& Modes, const TMouseInput& In) {
  using K = TMouseInput::TKind;
  using T = TMouseTracking;
  if (Modes.Tracking == T::Off) return {};
  const int Button = In.Button & 3;
  int Code = 0;
  switch (In.Kind) {
    case K::Press: Code = Button; break;
    case K::Wheel: Code = 64 + (Button & 1); break;
    case K::Release:
      if (Modes.Tracking == T::X10) return {};
      // The old form cannot say which button was let go.
      Code = Modes.SGR ? Button : 3;
      break;
    case K::Motion:
      if (Modes.Tracking != T::AnyEvent && (Modes.Tracking != T::ButtonEvent || Button == 3)) return {};
      Code = 32 + Button;
      break;
  }
  // X10 mode knows no modifiers.
  if (Modes.Tracking != T::X10) Code += In.Mods & (4 | 8 | 16);
  if (Modes.SGR)
    return "\x1b[<" + std::to_string(Code) + ";" + std::to_string(In.X) + ";" + std::to_string(In.Y) +
           (In.Kind == K::Release ? "m" : "M");
  if (In.X < 1 || In.Y < 1 || In.X > 223 || In.Y > 223) return {};
  std::string R = "\x1b[M";
  for (int V : {Code, static_cast<int>(In.X), static_cast<int>(In.Y)}) R += static_cast<char>(32 + V);
  return R;
}

std::string SelectionText(const TSDLConsole& Console, int X1, int Y1, int X2, int Y2) {
  if (X1 > X2) std::swap(X1, X2);
  if (Y1 > Y2) std::swap(Y1, Y2);
  std::string Text;
  for (int Y = Y1; Y <= Y2; ++Y) {
    std::string Row;
    for (int X = X1; X <= X2; ++X) Row += static_cast<char>(Console.Cell(X, Y).Ch);
    // The clipboard holds UTF-8; the cells show code page 437, control codes as pictures.
    Text += lx::CP437ToUTF8(Row, true);
    Text = lx::TrimChar(Text, ' ');
    if (Y != Y2) Text += "\r\n";
  }
  return Text;
}

std::string CommandMenuText(bool ClipboardHasText, bool Connected, int ScrollbackCount) {
  std::string Menu;
  if (ClipboardHasText) Menu += "P-Paste Clipboard|C-Clear Clipboard|";
  // The transfer menu is one click away while a board is on the line.
  if (Connected) Menu += "H-Hangup|T-Transfer Files|L-Line Speed|";
  if (ScrollbackCount > 0) Menu += "B-Scrollback|";
  Menu +=
      "D-Directory|U-Upload Queue|F-Font and Filtering|S-Screen Size|O-Options|Z-Show Help|X-Exit|";
  return Menu;
}

TZmodemStart FilterReceived(const uint8_t* Buf, size_t Length, bool AutoZmodem, const TReceiveSink& Sink) {
  size_t RunStart = 0;
  auto Flush = [&](size_t End) {
    if (End > RunStart && Sink.Data) Sink.Data(Buf + RunStart, End - RunStart, true);
  };
  for (size_t i = 0; i < Length; ++i) {
    if (Buf[i] != 24 || !AutoZmodem) continue;
    // Five CAN or more end a transfer; with the backspaces that follow they wipe it from a
    // plain terminal, and they are Zmodem's, not text.
    size_t End = i;
    while (End < Length && Buf[End] == 24) ++End;
    if (End - i >= 5) {
      Flush(i);
      while (End < Length && Buf[End] == 8) ++End;
      RunStart = End;
      i = End - 1;
      continue;
    }
    if (i + 3 >= Length) continue;
    if (Buf[i + 1] == 'B' && Buf[i + 2] == '0' && (Buf[i + 3] == '0' || Buf[i + 3] == '1')) {
      // The pads ("**") before the CAN are the start header's own first bytes.
      size_t Pads = i;
      while (Pads > RunStart && Buf[Pads - 1] == '*') --Pads;
      Flush(Pads);
      return {true, Buf[i + 3] == '1', i};
    }
    Flush(i);
    RunStart = i + 1;
    // The CAN of "B0" and another digit is dropped; a lone CAN is shown but not captured.
    if ((Buf[i + 1] != 'B' || Buf[i + 2] != '0') && Sink.Data) Sink.Data(Buf + i, 1, false);
  }
  Flush(Length);
  return {};
}

TIdleWork IdlePass(TIdleState& S, int MinuteOfDay, bool StatusBarOn, bool Telnet, bool Connected) {
  TIdleWork W;
  if (++S.Passes < 60) return W;
  S.Passes = 1;
  if (StatusBarOn && MinuteOfDay != S.ShownMinute) {
    S.ShownMinute = MinuteOfDay;
    W.RedrawStatus = true;
  }
  if (Telnet && MinuteOfDay != S.KeepAliveMinute) {
    S.KeepAliveMinute = MinuteOfDay;
    W.SendKeepAlive = Connected;
  }
  return W;
}
