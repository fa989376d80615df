#pragma once

// Small text helpers private to the toolkit. Case conversion touches ASCII
// letters only: everything else is code page 437 and stays as it is.

#include <string>

namespace lx {

inline char UIUpperChar(char C) { return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 32) : C; }

inline std::string UIUpper(std::string S) {
  for (char& C : S) C = UIUpperChar(C);
  return S;
}

// Fit to exactly Width cells: cut on the right, or pad.
inline std::string UIPadRight(const std::string& S, int Width) {
  if (Width <= 0) return std::string();
  if (static_cast<int>(S.size()) >= Width) return S.substr(0, Width);
  return S + std::string(Width - S.size(), ' ');
}

inline std::string UIPadLeft(const std::string& S, int Width) {
  if (Width <= 0) return std::string();
  if (static_cast<int>(S.size()) >= Width) return S.substr(0, Width);
  return std::string(Width - S.size(), ' ') + S;
}

inline std::string UIPadCentre(const std::string& S, int Width) {
  if (Width <= 0) return std::string();
  if (static_cast<int>(S.size()) >= Width) return S.substr(0, Width);
  const int Left = (Width - static_cast<int>(S.size())) / 2;
  return UIPadRight(std::string(Left, ' ') + S, Width);
}

}  // namespace lx
