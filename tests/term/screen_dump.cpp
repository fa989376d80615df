#include "screen_dump.h"

#include <array>
#include <map>
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

const std::map<std::string, uint8_t>& GlyphIndex() {
  static const std::map<std::string, uint8_t> Index = [] {
    std::map<std::string, uint8_t> M;
    for (int I = 0; I < 256; ++I) M[Cp437[I]] = static_cast<uint8_t>(I);
    return M;
  }();
  return Index;
}

// Splits a UTF-8 line into characters (each a string of 1-4 bytes).
std::vector<std::string> Utf8Chars(const std::string& S) {
  std::vector<std::string> Out;
  for (size_t I = 0; I < S.size();) {
    const auto B = static_cast<unsigned char>(S[I]);
    size_t N = B < 0x80 ? 1 : (B >> 5) == 6 ? 2 : (B >> 4) == 14 ? 3 : 4;
    Out.push_back(S.substr(I, N));
    I += N;
  }
  return Out;
}

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

std::string GlyphToUtf8(uint8_t Ch) { return Cp437[Ch]; }

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

bool ParseDump(const std::string& Text, TScreenDump& D, std::string& Error) {
  std::istringstream In(Text);
  std::string Line;
  auto Next = [&](std::string& L) { return static_cast<bool>(std::getline(In, L)); };
  auto Expect = [&](const char* Word, auto&... Values) {
    if (!Next(Line)) return false;
    std::istringstream L(Line);
    std::string W;
    L >> W;
    if (W != Word) return false;
    ((L >> Values), ...);
    return !L.fail();
  };
  if (!Expect("size", D.Cols, D.Rows) || D.Cols < 1 || D.Cols > 160 || D.Rows < 1 || D.Rows > 60) {
    Error = "bad size line";
    return false;
  }
  if (!Expect("cursor", D.CursorX, D.CursorY) || !Expect("window", D.WinY1, D.WinY2)) {
    Error = "bad cursor or window line";
    return false;
  }
  if (!Next(Line) || Line.rfind("state ", 0) != 0) {
    Error = "bad state line";
    return false;
  }
  D.State = Line.substr(6);
  D.Cells.assign(D.Cols * D.Rows, TDumpCell{});

  auto ReadGrid = [&](const char* Title, auto&& Apply) {
    if (!Next(Line) || Line != Title || !Next(Line)) {
      Error = std::string("missing section ") + Title;
      return false;
    }
    for (int Y = 1; Y <= D.Rows; ++Y) {
      if (!Next(Line) || Line.size() < 4 || Line.substr(0, 3) != RowLabel(Y)) {
        Error = std::string(Title) + ": bad row " + std::to_string(Y);
        return false;
      }
      std::vector<std::string> Chars = Utf8Chars(Line.substr(3));
      if (static_cast<int>(Chars.size()) != D.Cols + 1 || Chars.back() != "|") {
        Error = std::string(Title) + ": row " + std::to_string(Y) + " is not " + std::to_string(D.Cols) + " cells wide";
        return false;
      }
      for (int X = 1; X <= D.Cols; ++X)
        if (!Apply(D.At(X, Y), Chars[X - 1])) {
          Error = std::string(Title) + ": bad cell at column " + std::to_string(X) + " row " + std::to_string(Y);
          return false;
        }
    }
    return true;
  };
  auto HexValue = [](const std::string& S) -> int {
    if (S.size() != 1) return -1;
    const char C = S[0];
    if (C >= '0' && C <= '9') return C - '0';
    if (C >= 'A' && C <= 'F') return C - 'A' + 10;
    return -1;
  };
  if (!ReadGrid("glyphs", [&](TDumpCell& C, const std::string& G) {
        auto It = GlyphIndex().find(G);
        if (It == GlyphIndex().end()) return false;
        C.Ch = It->second;
        return true;
      }))
    return false;
  if (!ReadGrid("foreground", [&](TDumpCell& C, const std::string& G) {
        const int V = HexValue(G);
        if (V < 0) return false;
        C.Attr = static_cast<uint8_t>((C.Attr & 0xF0) | V);
        return true;
      }))
    return false;
  if (!ReadGrid("background", [&](TDumpCell& C, const std::string& G) {
        const int V = HexValue(G);
        if (V < 0) return false;
        C.Attr = static_cast<uint8_t>((C.Attr & 0x0F) | (V << 4));
        return true;
      }))
    return false;
  if (!Next(Line) || Line != "colours") {
    Error = "missing section colours";
    return false;
  }
  while (Next(Line) && Line != "end") {
    std::istringstream L(Line);
    std::string RowWord, ColWord, Range, Item;
    int Y = 0, X1 = 0, X2 = 0;
    char Dash = 0;
    L >> RowWord >> Y >> ColWord >> Range;
    std::istringstream R(Range);
    R >> X1;
    if (!(R >> Dash)) X2 = X1; else R >> X2;
    if (RowWord != "row" || ColWord != "col" || Y < 1 || Y > D.Rows || X1 < 1 || X2 < X1 || X2 > D.Cols) {
      Error = "bad colours line: " + Line;
      return false;
    }
    TDumpCell Extra;
    while (L >> Item) {
      if (Item.rfind("fg=", 0) == 0) Extra.Fg = Item.substr(3);
      else if (Item.rfind("bg=", 0) == 0) Extra.Bg = Item.substr(3);
      else if (Item.rfind("font=", 0) == 0) Extra.Font = static_cast<uint8_t>(std::stoi(Item.substr(5)));
      else {
        Error = "bad colours item: " + Item;
        return false;
      }
    }
    for (int X = X1; X <= X2; ++X) {
      D.At(X, Y).Fg = Extra.Fg;
      D.At(X, Y).Bg = Extra.Bg;
      D.At(X, Y).Font = Extra.Font;
    }
  }
  if (Line != "end") {
    Error = "missing end";
    return false;
  }
  return true;
}

std::vector<std::string> DiffDumps(const TScreenDump& E, const TScreenDump& A, size_t Limit) {
  std::vector<std::string> Out;
  auto Add = [&](std::string S) {
    if (Out.size() < Limit) Out.push_back(std::move(S));
  };
  if (E.Cols != A.Cols || E.Rows != A.Rows) {
    Add("size differs");
    return Out;
  }
  if (E.CursorX != A.CursorX || E.CursorY != A.CursorY)
    Add("cursor: expected " + std::to_string(E.CursorX) + "," + std::to_string(E.CursorY) + " got " +
        std::to_string(A.CursorX) + "," + std::to_string(A.CursorY));
  if (E.WinY1 != A.WinY1 || E.WinY2 != A.WinY2)
    Add("window: expected " + std::to_string(E.WinY1) + "-" + std::to_string(E.WinY2) + " got " +
        std::to_string(A.WinY1) + "-" + std::to_string(A.WinY2));
  if (E.State != A.State) Add("state: expected '" + E.State + "' got '" + A.State + "'");
  for (int Y = 1; Y <= E.Rows; ++Y)
    for (int X = 1; X <= E.Cols; ++X) {
      const TDumpCell& Ce = E.At(X, Y);
      const TDumpCell& Ca = A.At(X, Y);
      if (Ce == Ca) continue;
      auto Show = [](const TDumpCell& C) {
        return "'" + std::string(Cp437[C.Ch]) + "' attr " + std::to_string(C.Attr) + CellExtras(C);
      };
      Add("cell " + std::to_string(X) + "," + std::to_string(Y) + ": expected " + Show(Ce) + ", got " + Show(Ca));
    }
  return Out;
}
