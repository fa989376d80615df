#include "term_fixture.h"

#include <sstream>

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

constexpr char Hex[] = "0123456789ABCDEF";

}  // namespace

std::string Colour(uint8_t Mode, const std::array<uint8_t, 3>& Bytes, int Index) {
  if (Mode == 1) return "256:" + std::to_string(Index >= 0 ? Index : Bytes[0]);
  if (Mode == 2)
    return "rgb:" + std::to_string(Bytes[0]) + "," + std::to_string(Bytes[1]) + "," + std::to_string(Bytes[2]);
  return "attr";
}

std::string DumpScreen(const TSDLConsoleScrollback& Con) {
  std::string Ruler = "  |";
  for (int X = 1; X <= Con.Cols; ++X) Ruler += X % 10 == 0 ? static_cast<char>('0' + (X / 10) % 10) : '.';
  Ruler += "|\n";
  std::ostringstream O;
  O << "size " << int(Con.Cols) << " " << int(Con.Rows) << "\ncursor " << Con.CursorX << " " << Con.CursorY << "\nwindow "
    << int(Con.WinY1) << " " << int(Con.WinY2) << "\nstate attr=" << int(Con.TextAttr)
    << " fg=" << Colour(Con.FgMode, Con.FgRGB, Con.Fg256) << " bg=" << Colour(Con.BgMode, Con.BgRGB, Con.Bg256)
    << " hidden=" << Con.CursorHidden << " blink=" << Con.BlinkEnabled << " wrap=" << Con.PendingWrap
    << " scrollback=" << Con.ScrollbackCount << "\n";
  const auto Grid = [&](const char* Name, auto Show) {
    O << Name << "\n" << Ruler;
    for (int Y = 1; Y <= Con.Rows; ++Y) {
      O << (Y < 10 ? "0" : "") << Y << "|";
      for (int X = 1; X <= Con.Cols; ++X) O << Show(Con.Cell(X, Y));
      O << "|\n";
    }
  };
  Grid("glyphs", [](const TConsoleCell& C) { return Cp437[C.Ch]; });
  Grid("foreground", [](const TConsoleCell& C) { return Hex[C.Attr & 15]; });
  Grid("background", [](const TConsoleCell& C) { return Hex[C.Attr >> 4]; });
  // Runs of equal cells that take their colours from elsewhere than the attribute.
  const auto Extras = [&](int X, int Y) {
    const TConsoleCell& C = Con.Cell(X, Y);
    std::string S;
    if (C.FgMode) S += " fg=" + Colour(C.FgMode, C.Fg);
    if (C.BgMode) S += " bg=" + Colour(C.BgMode, C.Bg);
    if (C.Font != 1) S += " font=" + std::to_string(C.Font);
    return S;
  };
  O << "colours\n";
  for (int Y = 1; Y <= Con.Rows; ++Y)
    for (int X = 1, End; X <= Con.Cols; X = End + 1) {
      const std::string E = Extras(X, Y);
      for (End = X; End < Con.Cols && Extras(End + 1, Y) == E;) ++End;
      if (!E.empty()) O << "row " << Y << " col " << X << (End > X ? "-" + std::to_string(End) : "") << E << "\n";
    }
  O << "end\n";
  return O.str();
}

void ResetConsole(TSDLConsoleScrollback& Con, bool StatusLine) {
  // Blanking the visible screen is enough: nothing the emulator does brings cells
  // from past Cols or Rows into view.
  Con.StatusLine = Con.ScrollbackEnabled = Con.PendingWrap = Con.CursorHidden = Con.BlinkEnabled = false;
  Con.SetWindow(1, 1, Con.Cols, Con.Rows);
  Con.SetTextAttr(7, true);
  Con.Fg256 = 7, Con.Bg256 = 0;
  Con.FgRGB = {192, 192, 192}, Con.BgRGB = {0, 0, 0};
  Con.ClearScreen(2);
  Con.ScrollbackCount = 0;
  Con.ScrollbackEnabled = true;
  // As the session sets it up: the text window stops above the status bar.
  if (StatusLine) Con.SetWindow(1, 1, Con.Cols, Con.Rows - 1), Con.StatusLine = true;
}

std::unique_ptr<TSDLConsoleScrollback> MakeConsole(int Cols, int Rows, bool StatusLine) {
  auto Con = std::make_unique<TSDLConsoleScrollback>();
  Con->OpenScreen(Cols, Rows, 1);
  ResetConsole(*Con, StatusLine);
  return Con;
}
