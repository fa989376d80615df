#include "tools/ansicrunch/ansicrunch.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string>

namespace {

constexpr int MaxCols = 160;
constexpr int MaxRows = 60;

struct TCell {
  uint8_t Ch = 32;
  uint8_t Attr = 7;
};

// The picture is first drawn on a grid the size of the largest screen, then the grid is
// written row by row; trailing blanks of a row and blank rows at the end are left out.
struct TGrid {
  std::array<std::array<TCell, MaxCols>, MaxRows> Cells{};
  int Width = 80;
  int X = 0, Y = 0;           // 0-based
  uint8_t Fg = 7, Bg = 0;
  bool Bold = false;

  uint8_t Attr() const { return static_cast<uint8_t>((Fg | (Bold ? 8 : 0)) | (Bg << 4)); }
  void Put(uint8_t Ch) {
    if (X >= Width) {
      X = 0;
      ++Y;
    }
    if (Y < MaxRows) Cells[Y][X] = {Ch, Attr()};
    ++X;
  }
  void Sgr(const std::vector<int>& P) {
    if (P.empty()) {
      Fg = 7, Bg = 0, Bold = false;
      return;
    }
    for (int V : P) {
      if (V == 0) {
        Fg = 7, Bg = 0, Bold = false;
      } else if (V == 1) {
        Bold = true;
      } else if (V == 22) {
        Bold = false;
      } else if (V >= 30 && V <= 37) {
        Fg = static_cast<uint8_t>((Fg & 8) | Ansi2Pc(V - 30));
      } else if (V == 39) {
        Fg = 7;
      } else if (V >= 40 && V <= 47) {
        Bg = Ansi2Pc(V - 40);
      } else if (V == 49) {
        Bg = 0;
      } else if (V >= 90 && V <= 97) {
        Fg = static_cast<uint8_t>(8 | Ansi2Pc(V - 90));
      }
    }
  }
  // ANSI colour order (red = 1) to the PC attribute order (blue = 1).
  static uint8_t Ansi2Pc(int C) {
    static constexpr uint8_t Map[8] = {0, 4, 2, 6, 1, 5, 3, 7};
    return Map[C & 7];
  }
};

void Emit(std::vector<uint8_t>& Out, const TGrid& G) {
  int LastRow = -1;
  for (int y = 0; y < MaxRows; ++y)
    for (int x = 0; x < MaxCols; ++x)
      if (G.Cells[y][x].Ch != 32 || G.Cells[y][x].Attr != 7) LastRow = y;
  uint8_t Attr = 7;
  auto SetAttr = [&](uint8_t A) {
    if ((A & 0x0F) != (Attr & 0x0F)) Out.push_back(A & 0x0F);
    // The format has backgrounds 0-7 only.
    if (((A >> 4) & 7) != ((Attr >> 4) & 7)) Out.push_back(static_cast<uint8_t>(16 + ((A >> 4) & 7)));
    Attr = static_cast<uint8_t>((A & 0x0F) | (A & 0x70));
  };
  for (int y = 0; y <= LastRow; ++y) {
    if (y > 0) Out.push_back(24);
    const auto& Row = G.Cells[y];
    int End = MaxCols;
    while (End > 0 && Row[End - 1].Ch == 32 && Row[End - 1].Attr == 7) --End;
    int x = 0;
    while (x < End) {
      const TCell C = Row[x];
      int Run = 1;
      while (x + Run < End && Run < 256 && Row[x + Run].Ch == C.Ch && Row[x + Run].Attr == C.Attr) ++Run;
      SetAttr(static_cast<uint8_t>(C.Attr & 0x7F));
      if (C.Ch == 32 && Run >= 2) {
        Out.push_back(25);
        Out.push_back(static_cast<uint8_t>(Run - 1));
      } else if (Run >= 4 || C.Ch < 32) {
        // Bytes below 32 are codes of the format, so those glyphs always go as a run.
        Out.push_back(26);
        Out.push_back(static_cast<uint8_t>(Run - 1));
        Out.push_back(C.Ch);
      } else {
        Out.insert(Out.end(), Run, C.Ch);
      }
      x += Run;
    }
  }
}

}  // namespace

std::vector<uint8_t> CrunchAnsi(std::string_view Ansi, int Width) {
  auto G = std::make_unique<TGrid>();
  G->Width = std::clamp(Width, 1, MaxCols);
  size_t i = 0;
  while (i < Ansi.size()) {
    const auto B = static_cast<uint8_t>(Ansi[i]);
    if (B == 26) break;   // end of file; a SAUCE record may follow
    if (B == 13) {
      G->X = 0;
      ++i;
      continue;
    }
    if (B == 10) {
      ++G->Y;
      ++i;
      continue;
    }
    if (B == 27 && i + 1 < Ansi.size() && Ansi[i + 1] == '[') {
      i += 2;
      std::vector<int> P;
      int V = -1;
      while (i < Ansi.size()) {
        const char c = Ansi[i];
        if (c >= '0' && c <= '9') {
          V = std::min((V < 0 ? 0 : V) * 10 + (c - '0'), 9999);
        } else if (c == ';') {
          P.push_back(V < 0 ? 0 : V);
          V = -1;
        } else if (c == '?' || c == '=') {
        } else {
          break;
        }
        ++i;
      }
      if (V >= 0) P.push_back(V);
      if (i >= Ansi.size()) break;
      const char Final = Ansi[i++];
      const int N = P.empty() || P[0] == 0 ? 1 : P[0];
      switch (Final) {
        case 'm': G->Sgr(P); break;
        case 'C': G->X = std::min(G->X + N, G->Width); break;
        case 'D': G->X = std::max(G->X - N, 0); break;
        case 'A': G->Y = std::max(G->Y - N, 0); break;
        case 'B': G->Y += N; break;
        case 'H':
        case 'f':
          G->Y = (P.size() > 0 && P[0] > 0 ? P[0] : 1) - 1;
          G->X = std::min((P.size() > 1 && P[1] > 0 ? P[1] : 1) - 1, G->Width - 1);
          break;
        default: break;   // other sequences do not change the picture
      }
      G->Y = std::min(G->Y, MaxRows);
      continue;
    }
    G->Put(B);
    ++i;
  }
  std::vector<uint8_t> Out;
  Emit(Out, *G);
  return Out;
}
