#include "support/strings.h"

#include <algorithm>
#include <limits>

namespace lx {

std::string Cut(const std::string& S, std::size_t N) {
  return S.size() > N ? S.substr(0, N) : S;
}

std::string PadRight(const std::string& S, int Width, char Ch) {
  if (Width <= 0) return {};
  std::size_t W = static_cast<std::size_t>(Width);
  if (S.size() >= W) return S.substr(0, W);
  return S + std::string(W - S.size(), Ch);
}

std::string PadLeft(const std::string& S, int Width, char Ch) {
  if (Width <= 0) return {};
  std::size_t W = static_cast<std::size_t>(Width);
  if (S.size() >= W) return S.substr(0, W);
  return std::string(W - S.size(), Ch) + S;
}

std::string PadCenter(const std::string& S, int Width, char Ch, bool FillRight) {
  if (Width <= 0) return {};
  std::size_t W = static_cast<std::size_t>(Width);
  if (S.size() > W) return S.substr(0, W);
  std::size_t Front = (W - S.size()) / 2;
  std::string R = std::string(Front, Ch) + S;
  if (FillRight) R.append(W - R.size(), Ch);
  return R;
}

std::string Replicate(char Ch, int N) {
  return N > 0 ? std::string(static_cast<std::size_t>(N), Ch) : std::string();
}

char UpCase(char Ch) { return (Ch >= 'a' && Ch <= 'z') ? static_cast<char>(Ch - 32) : Ch; }

std::string UpperCase(const std::string& S) {
  std::string R = S;
  for (char& C : R) C = UpCase(C);
  return R;
}

std::string LowerCase(const std::string& S) {
  std::string R = S;
  for (char& C : R)
    if (C >= 'A' && C <= 'Z') C = static_cast<char>(C + 32);
  return R;
}

std::string TrimLeftChar(const std::string& S, char Ch) {
  std::size_t I = S.find_first_not_of(Ch);
  return I == std::string::npos ? std::string() : S.substr(I);
}

std::string TrimRightChar(const std::string& S, char Ch) {
  std::size_t I = S.find_last_not_of(Ch);
  return I == std::string::npos ? std::string() : S.substr(0, I + 1);
}

std::string TrimChar(const std::string& S, char Ch) { return TrimRightChar(TrimLeftChar(S, Ch), Ch); }

std::string StripControl(const std::string& S) {
  std::string R;
  R.reserve(S.size());
  for (char C : S)
    if (static_cast<unsigned char>(C) >= 32) R += C;
  return R;
}

std::string StripPipe(const std::string& S) {
  std::string R;
  R.reserve(S.size());
  std::size_t I = 0;
  while (I < S.size()) {
    if (S[I] == '|' && I + 2 < S.size()) {
      int64_t V = 0;
      if (TryStrToInt(S.substr(I + 1, 2), V) && V < 33) {
        I += 3;
        continue;
      }
      R.append(S, I, 3);
      I += 3;
      continue;
    }
    R += S[I++];
  }
  return R;
}

std::string WordGet(int N, const std::string& S, char Delim) {
  if (N < 1) return {};
  std::size_t Pos = 0;
  if (Delim == ' ') {
    for (int Field = 1;; ++Field) {
      while (Pos < S.size() && S[Pos] == ' ') ++Pos;
      if (Pos >= S.size()) return {};
      std::size_t End = S.find(' ', Pos);
      if (End == std::string::npos) End = S.size();
      if (Field == N) return S.substr(Pos, End - Pos);
      Pos = End;
    }
  }
  for (int Field = 1;; ++Field) {
    std::size_t End = S.find(Delim, Pos);
    if (Field == N) return S.substr(Pos, End == std::string::npos ? std::string::npos : End - Pos);
    if (End == std::string::npos) return {};
    Pos = End + 1;
  }
}

std::string ReplaceAll(const std::string& S, const std::string& Find, const std::string& Repl) {
  if (Find.empty()) return S;
  std::string R;
  std::size_t Pos = 0;
  for (;;) {
    std::size_t Hit = S.find(Find, Pos);
    if (Hit == std::string::npos) break;
    R.append(S, Pos, Hit - Pos);
    R += Repl;
    Pos = Hit + Find.size();
  }
  R.append(S, Pos, std::string::npos);
  return R;
}

std::string IntToStr(int64_t N) { return std::to_string(N); }

bool TryStrToInt(const std::string& S, int64_t& Value) {
  Value = 0;
  std::string T = TrimChar(S, ' ');
  std::size_t I = 0;
  bool Neg = false;
  if (I < T.size() && (T[I] == '+' || T[I] == '-')) Neg = T[I++] == '-';
  if (I >= T.size()) return false;
  // Accumulate as a negative number so INT64_MIN is representable.
  int64_t Acc = 0;
  constexpr int64_t Min = std::numeric_limits<int64_t>::min();
  for (; I < T.size(); ++I) {
    if (T[I] < '0' || T[I] > '9') return false;
    int D = T[I] - '0';
    if (Acc < (Min + D) / 10) return false;
    Acc = Acc * 10 - D;
  }
  if (!Neg) {
    if (Acc == Min) return false;
    Acc = -Acc;
  }
  Value = Acc;
  return true;
}

int64_t StrToInt(const std::string& S) {
  int64_t V = 0;
  return TryStrToInt(S, V) ? V : 0;
}

std::string Int2(int64_t N) {
  std::string S = IntToStr(N);
  if (S.size() == 1) return "0" + S;
  return S.substr(0, 2);
}

std::string FormatThousands(int64_t N) {
  std::string Digits = IntToStr(N);
  std::string Sign;
  if (!Digits.empty() && Digits[0] == '-') {
    Sign = "-";
    Digits.erase(0, 1);
  }
  std::string R;
  std::size_t Count = 0;
  for (std::size_t I = Digits.size(); I-- > 0;) {
    if (Count > 0 && Count % 3 == 0) R += ',';
    R += Digits[I];
    ++Count;
  }
  std::reverse(R.begin(), R.end());
  return Sign + R;
}

std::string OctStr(uint64_t N) {
  if (N == 0) return "0";
  std::string R;
  while (N > 0) {
    R += static_cast<char>('0' + (N & 7));
    N >>= 3;
  }
  std::reverse(R.begin(), R.end());
  return R;
}

int64_t MaxInt64(int64_t A, int64_t B) { return A > B ? A : B; }

}  // namespace lx
