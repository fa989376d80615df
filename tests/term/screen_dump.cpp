#include "screen_dump.h"

#include <array>
#include <sstream>

#include "console/console.h"
#include "console/scrollback.h"

namespace {

// Code page 437 as drawn; 0 and 255 get visible stand-ins so every cell shows.
constexpr std::array<const char*, 256> Cp437 = {
    "␀", "☺", "☻", "♥", "♦", "♣", "♠", "•", "◘", "○", "◙", "♂", "♀", "♪", "♫", "☼",
    "►", "◄", "↕", "‼", "¶", "§", "▬", "↨", "↑", "↓", "→", "←", "∟", "↔", "▲", "▼",
    " ", "!", "\"", "#", "$", "%", "&", "'", "(", ")", "*", "+", ",", "-", ".", "/",
    "0", "1", "2", "3", "4", "5", "6", "7", "8", "9", ":", ";", "<", "=", ">", "?",
    "@", "A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M", "N", "O",
    "P", "Q", "R", "S", "T", "U", "V", "W", "X", "Y", "Z", "[", "\\", "]", "^", "_",
    "`", "a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l", "m", "n", "o",
    "p", "q", "r", "s", "t", "u", "v", "w", "x", "y", "z", "{", "|", "}", "~", "⌂",
    "Ç", "ü", "é", "â", "ä", "à", "å", "ç", "ê", "ë", "è", "ï", "î", "ì", "Ä", "Å",
    "É", "æ", "Æ", "ô", "ö", "ò", "û", "ù", "ÿ", "Ö", "Ü", "¢", "£", "¥", "₧", "ƒ",
    "á", "í", "ó", "ú", "ñ", "Ñ", "ª", "º", "¿", "⌐", "¬", "½", "¼", "¡", "«", "»",
    "░", "▒", "▓", "│", "┤", "╡", "╢", "╖", "╕", "╣", "║", "╗", "╝", "╜", "╛", "┐",
    "└", "┴", "┬", "├", "─", "┼", "╞", "╟", "╚", "╔", "╩", "╦", "╠", "═", "╬", "╧",
    "╨", "╤", "╥", "╙", "╘", "╒", "╓", "╫", "╪", "┘", "┌", "█", "▄", "▌", "▐", "▀",
    "α", "ß", "Γ", "π", "Σ", "σ", "µ", "τ", "Φ", "Θ", "Ω", "δ", "∞", "φ", "ε", "∩",
    "≡", "±", "≥", "≤", "⌠", "⌡", "÷", "≈", "°", "∙", "·", "√", "ⁿ", "²", "■", "⍽",
};

std::string Describe(uint8_t Mode, const std::array<uint8_t, 3>& Bytes) {
  if (Mode == 1) return "256:" + std::to_string(Bytes[0]);
  if (Mode == 2)
    return "rgb:" + std::to_string(Bytes[0]) + "," + std::to_string(Bytes[1]) + "," + std::to_string(Bytes[2]);
  return "attr";
}

std::string RowLabel(int Y) {
  return (Y < 10 ? "0" : "") + std::to_string(Y) + "|";
}

constexpr char Hex[] = "0123456789ABCDEF";

bool IsPlainCell(const TDumpCell& C) { return C.Fg == "attr" && C.Bg == "attr" && C.Font == 1; }

std::string CellExtras(const TDumpCell& C) {
  std::string S;
  if (C.Fg != "attr") S += " fg=" + C.Fg;
  if (C.Bg != "attr") S += " bg=" + C.Bg;
  if (C.Font != 1) S += " font=" + std::to_string(C.Font);
  return S;
}

} // namespace

TDumpCell ReadCell(const TSDLConsole& Con, int X, int Y) {
  const TConsoleCell& C = Con.Cell(X, Y);
  TDumpCell D;
  D.Ch = C.Ch;
  D.Attr = C.Attr;
  D.Font = C.Font;
  D.Fg = Describe(C.FgMode, C.Fg);
  D.Bg = Describe(C.BgMode, C.Bg);
  return D;
}

TScreenDump CaptureScreen(const TSDLConsoleScrollback& Con) {
  TScreenDump D;
  D.Cols = Con.Cols;
  D.Rows = Con.Rows;
  D.CursorX = Con.CursorX;
  D.CursorY = Con.CursorY;
  D.WinY1 = Con.WinY1;
  D.WinY2 = Con.WinY2;
  const std::array<uint8_t, 3> Fg256{Con.Fg256, 0, 0};
  const std::array<uint8_t, 3> Bg256{Con.Bg256, 0, 0};
  D.State = "attr=" + std::to_string(Con.TextAttr) +
            " fg=" + (Con.FgMode == 1 ? Describe(1, Fg256) : Describe(Con.FgMode, Con.FgRGB)) +
            " bg=" + (Con.BgMode == 1 ? Describe(1, Bg256) : Describe(Con.BgMode, Con.BgRGB)) +
            " hidden=" + std::to_string(Con.CursorHidden ? 1 : 0) +
            " blink=" + std::to_string(Con.BlinkEnabled ? 1 : 0) +
            " wrap=" + std::to_string(Con.PendingWrap ? 1 : 0) +
            " scrollback=" + std::to_string(Con.ScrollbackCount);
  D.Cells.resize(static_cast<size_t>(D.Cols) * D.Rows);
  for (int Y = 1; Y <= D.Rows; ++Y)
    for (int X = 1; X <= D.Cols; ++X) D.At(X, Y) = ReadCell(Con, X, Y);
  return D;
}

std::string FormatDump(const TScreenDump& D) {
  std::ostringstream O;
  O << "size " << D.Cols << " " << D.Rows << "\n";
  O << "cursor " << D.CursorX << " " << D.CursorY << "\n";
  O << "window " << D.WinY1 << " " << D.WinY2 << "\n";
  O << "state " << D.State << "\n";
  std::string Ruler = "  |";
  for (int X = 1; X <= D.Cols; ++X) Ruler += X % 10 == 0 ? static_cast<char>('0' + (X / 10) % 10) : '.';
  Ruler += "|";
  O << "glyphs\n" << Ruler << "\n";
  for (int Y = 1; Y <= D.Rows; ++Y) {
    O << RowLabel(Y);
    for (int X = 1; X <= D.Cols; ++X) O << Cp437[D.At(X, Y).Ch];
    O << "|\n";
  }
  O << "foreground\n" << Ruler << "\n";
  for (int Y = 1; Y <= D.Rows; ++Y) {
    O << RowLabel(Y);
    for (int X = 1; X <= D.Cols; ++X) O << Hex[D.At(X, Y).Attr & 15];
    O << "|\n";
  }
  O << "background\n" << Ruler << "\n";
  for (int Y = 1; Y <= D.Rows; ++Y) {
    O << RowLabel(Y);
    for (int X = 1; X <= D.Cols; ++X) O << Hex[D.At(X, Y).Attr >> 4];
    O << "|\n";
  }
  // Runs of equal cells that take their colours from elsewhere than the attribute.
  O << "colours\n";
  for (int Y = 1; Y <= D.Rows; ++Y) {
    for (int X = 1; X <= D.Cols;) {
      const TDumpCell& C = D.At(X, Y);
      int End = X;
      while (End < D.Cols && CellExtras(D.At(End + 1, Y)) == CellExtras(C)) ++End;
      if (!IsPlainCell(C)) {
        O << "row " << Y << " col " << X;
        if (End > X) O << "-" << End;
        O << CellExtras(C) << "\n";
      }
      X = End + 1;
    }
  }
  O << "end\n";
  return O.str();
}

std::string FirstDifference(const std::string& Expected, const std::string& Actual) {
  std::istringstream E(Expected), A(Actual);
  std::string Le, La;
  for (int N = 1;; ++N) {
    const bool He = static_cast<bool>(std::getline(E, Le)), Ha = static_cast<bool>(std::getline(A, La));
    if (!He && !Ha) return {};
    if (!He || !Ha || Le != La) return "line " + std::to_string(N) + ": expected\n" + Le + "\ngot\n" + La;
  }
}
