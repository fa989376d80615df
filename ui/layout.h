#pragma once
// Where the program's 80-column screens sit on a wider screen.

namespace lx {

// Left column of an 80-column screen or picture: centred on a wider screen,
// column 1 on an 80-column one.
inline int LeftColumn(int Cols) { return Cols >= 81 ? (Cols - 79) / 2 : 1; }

}  // namespace lx
