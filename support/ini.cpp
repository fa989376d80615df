#include "support/ini.h"

#include "support/strings.h"

namespace lx {

namespace {
std::string MatchCopy(const std::string& Trimmed) { return UpperCase(StripControl(Trimmed)); }
}  // namespace

TIniReader::TIniReader(const std::string& FileName) : Name(FileName) {
  if (!Name.empty()) File.reset(std::fopen(Name.c_str(), "rb"));
}

// Lines end at LF, CR LF or a lone CR; longer lines than a short string are
// cut and the rest skipped.
bool TIniReader::ReadLine(std::string& Line) {
  Line.clear();
  int C = std::fgetc(File.get());
  if (C == EOF) return false;
  while (C != EOF && C != '\n' && C != '\r') {
    if (Line.size() < MaxShortString) Line += static_cast<char>(C);
    C = std::fgetc(File.get());
  }
  if (C == '\r') {
    int Next = std::fgetc(File.get());
    if (Next != '\n' && Next != EOF) std::ungetc(Next, File.get());
  }
  return true;
}

std::string TIniReader::ReadString(const std::string& Section, const std::string& Key, const std::string& Default) {
  SectionFound = false;
  if (!File) return Default;
  std::string Header = "[" + UpperCase(Section) + "]";
  std::string UKey = UpperCase(Key);
  std::rewind(File.get());

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
