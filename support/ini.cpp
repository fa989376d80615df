#include "support/ini.h"

#include "support/strings.h"

#include <algorithm>
#include <cstdio>

namespace lx {

namespace {
std::string MatchCopy(const std::string& Trimmed) { return UpperCase(StripControl(Trimmed)); }
}  // namespace

TIniReader::TIniReader(const std::string& FileName) : Name(FileName) {
  if (Name.empty()) return;
  std::FILE* F = std::fopen(Name.c_str(), "rb");
  if (!F) return;
  IsOpen = true;
  char Buf[4096];
  size_t N;
  while (Text.size() < IniMaxBytes && (N = std::fread(Buf, 1, sizeof Buf, F)) > 0)
    Text.insert(Text.end(), Buf, Buf + std::min(N, IniMaxBytes - Text.size()));
  std::fclose(F);
}

TIniReader::TIniReader(const std::string& Label, std::string_view Contents)
    : Name(Label), Text(Contents.begin(), Contents.begin() + std::min(Contents.size(), IniMaxBytes)), IsOpen(true) {}

// Lines end at LF, CR LF or a lone CR; longer lines than a short string are
// cut and the rest skipped.
bool TIniReader::ReadLine(std::string& Line) {
  Line.clear();
  if (Pos >= Text.size()) return false;
  while (Pos < Text.size() && Text[Pos] != '\n' && Text[Pos] != '\r') {
    if (Line.size() < MaxShortString) Line += Text[Pos];
    ++Pos;
  }
  if (Pos < Text.size() && Text[Pos++] == '\r' && Pos < Text.size() && Text[Pos] == '\n') ++Pos;
  return true;
}

std::string TIniReader::ReadString(const std::string& Section, const std::string& Key, const std::string& Default) {
  SectionFound = false;
  if (!IsOpen) return Default;
  std::string Header = "[" + UpperCase(Section) + "]";
  std::string UKey = UpperCase(Key);
  Pos = 0;

  std::string Line;
  while (ReadLine(Line)) {
    std::string T = TrimChar(Line, ' ');
    if (T.empty() || T[0] == ';') continue;
    if (MatchCopy(T).find(Header) != std::string::npos) {
      SectionFound = true;
      break;
    }
  }
  if (!SectionFound) return Default;

  while (ReadLine(Line)) {
    std::string T = TrimChar(Line, ' ');
    if (T.empty() || T[0] == ';') continue;
    if (T[0] == '[') return Default;
    std::string M = MatchCopy(T);
    if (M.compare(0, UKey.size(), UKey) == 0 && M.find('=') != std::string::npos) {
      return TrimChar(T.substr(T.find('=') + 1), ' ');
    }
  }
  return Default;
}

int64_t TIniReader::ReadInteger(const std::string& Section, const std::string& Key, int32_t Default) {
  return StrToInt(ReadString(Section, Key, IntToStr(Default)));
}

bool TIniReader::ReadBoolean(const std::string& Section, const std::string& Key, bool Default) {
  std::string V = Cut(UpperCase(ReadString(Section, Key, Default ? "TRUE" : "FALSE")), 6);
  return V == "TRUE" || V == "1";
}

}  // namespace lx
