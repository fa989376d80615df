// Small readers of console state shared by the console tests.
#pragma once

#include <string>
#include <vector>

#include "console/console.h"
#include "support/test_watchdog.h"

// The characters of row Y, columns 1..Cols (trailing spaces kept).
inline std::string RowText(const TSDLConsole& Con, int Y) {
  std::string S;
  for (int X = 1; X <= Con.Cols; ++X) S += static_cast<char>(Con.Cell(X, Y).Ch);
  return S;
}

inline std::string RowTextTrimmed(const TSDLConsole& Con, int Y) {
  const std::string S = RowText(Con, Y);
  return S.substr(0, S.find_last_not_of(' ') + 1);
}

// Each row that is not blank as "row:text" without trailing spaces, a run of equal rows as
// "first-last:text"; Shown puts the cursor first ("+" when a wrap is owed).
inline std::string ScreenText(const TSDLConsole& Con) {
  std::string S;
  for (int Y = 1, E = 1; Y <= Con.Rows; Y = E + 1) {
    const std::string T = RowTextTrimmed(Con, Y);
    for (E = Y; E < Con.Rows && RowTextTrimmed(Con, E + 1) == T;) ++E;
    if (!T.empty()) S += " " + std::to_string(Y) + (E > Y ? "-" + std::to_string(E) : "") + ":" + T;
  }
  return S.empty() ? S : S.substr(1);
}
inline std::string Shown(const TSDLConsole& Con) {
  const std::string Rows = ScreenText(Con);
  return std::to_string(Con.CursorX) + "," + std::to_string(Con.CursorY) + (Con.PendingWrap ? "+" : "") +
         (Rows.empty() ? "" : " " + Rows);
}

// The characters of column X, rows 1..Rows.
inline std::string ColumnText(const TSDLConsole& Con, int X) {
  std::string S;
  for (int Y = 1; Y <= Con.Rows; ++Y) S += static_cast<char>(Con.Cell(X, Y).Ch);
  return S;
}
// The attributes of row Y, columns X1..X2.
inline std::vector<uint8_t> RowAttrs(const TSDLConsole& Con, int Y, int X1, int X2) {
  std::vector<uint8_t> A;
  for (int X = X1; X <= X2; ++X) A.push_back(Con.Cell(X, Y).Attr);
  return A;
}

// The ARGB pixel at (Px, Py) of the cell at (X, Y), 0-based inside the cell.
inline uint32_t CellPixel(const TSDLConsole& Con, int X, int Y, int Px, int Py) {
  return Con.Pixels()[((Y - 1) * Con.CellHeight() + Py) * (Con.PixelPitch() / 4) + (X - 1) * Con.CellWidth() + Px];
}

// ReadKey for tests: a key that never comes gives -1 after two seconds instead of a hang.
inline int ReadKeyWithin(TSDLConsole& Con, int Ms = 2000) { return Con.KeyWait(Ms) ? Con.ReadKey() : -1; }

// Runs a wait that should end by itself; if it is still waiting after three seconds a key
// (238) is pushed, so a broken wait fails the test instead of hanging it.
template <typename F>
auto Bounded(TSDLConsole& Con, F Wait) {
  TWatchdog Rescue(std::chrono::seconds(3), [&] { Con.PushKey(238); });
  return Wait();
}
