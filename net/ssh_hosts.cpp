#include "net/ssh_hosts.h"

#include <sys/stat.h>

#include <cerrno>
#include <fstream>
#include <string_view>
#include <vector>

namespace {

// A hosts file is a few lines per system; anything this large is not one.
constexpr off_t MaxHostsFileSize = 4 << 20;

std::string Lower(std::string S) {
  for (char& C : S)
    if (C >= 'A' && C <= 'Z') C = static_cast<char>(C - 'A' + 'a');
  return S;
}

std::vector<std::string_view> Fields(std::string_view Line) {
  std::vector<std::string_view> Out;
  size_t I = 0;
  while (I < Line.size() && Out.size() < 3) {
    while (I < Line.size() && (Line[I] == ' ' || Line[I] == '\t')) ++I;
    const size_t Start = I;
    while (I < Line.size() && Line[I] != ' ' && Line[I] != '\t') ++I;
    if (I > Start) Out.push_back(Line.substr(Start, I - Start));
  }
  return Out;
}

bool NamesHost(std::string_view Hosts, const std::string& Name) {
  size_t Start = 0;
  while (Start <= Hosts.size()) {
    size_t End = Hosts.find(',', Start);
    if (End == std::string_view::npos) End = Hosts.size();
    if (Lower(std::string(Hosts.substr(Start, End - Start))) == Name) return true;
    Start = End + 1;
  }
  return false;
}

}  // namespace

std::string KnownHostName(const std::string& Host, uint16_t Port) {
  const std::string H = Lower(Host);
  if (Port == 22) return H;
  return "[" + H + "]:" + std::to_string(Port);
}

THostKeyLookup LookupHostKey(const std::string& File, const std::string& Name, const std::string& KeyType,
                             const std::string& KeyBase64) {
  THostKeyLookup R;
  struct stat St {};
  if (stat(File.c_str(), &St) != 0) {
    if (errno != ENOENT) R.Result = THostKeyMatch::Unreadable;
    return R;
  }
  std::ifstream In(File, std::ios::binary);
  if (!S_ISREG(St.st_mode) || St.st_size > MaxHostsFileSize || !In) {
    R.Result = THostKeyMatch::Unreadable;
    return R;
  }
  const std::string Want = Lower(Name);
  int FirstLine = 0, SameTypeLine = 0;
  std::string Line;
  for (int Number = 1; std::getline(In, Line); ++Number) {
    if (!Line.empty() && Line.back() == '\r') Line.pop_back();
    const auto F = Fields(Line);
    // Comments, markers (@revoked, @cert-authority) and hashed names are passed over.
    if (F.size() < 3 || F[0][0] == '#' || F[0][0] == '@' || F[0][0] == '|') continue;
    if (!NamesHost(F[0], Want)) continue;
    if (F[1] == KeyType && F[2] == KeyBase64) {
      R.Result = THostKeyMatch::Match;
      R.Line = Number;
      return R;
    }
    if (FirstLine == 0) FirstLine = Number;
    if (SameTypeLine == 0 && F[1] == KeyType) SameTypeLine = Number;
  }
  if (In.bad()) {
    R.Result = THostKeyMatch::Unreadable;
    return R;
  }
  if (FirstLine != 0) {
    R.Result = THostKeyMatch::Changed;
    R.Line = SameTypeLine != 0 ? SameTypeLine : FirstLine;
  }
  return R;
}

bool RecordHostKey(const std::string& File, const std::string& Name, const std::string& KeyType,
                   const std::string& KeyBase64) {
  // One line of three fields: nothing may add a field, a line or a second host name.
  for (const std::string* F : {&Name, &KeyType, &KeyBase64})
    if (F->empty() || F->find_first_of(std::string(" \t\r\n,#\0", 7)) != std::string::npos) return false;
  // A last line without its newline must not swallow the new one.
  bool NeedNewline = false;
  {
    std::ifstream In(File, std::ios::binary | std::ios::ate);
    if (In && In.tellg() > 0) {
      In.seekg(-1, std::ios::end);
      char Last = '\n';
      In.get(Last);
      NeedNewline = Last != '\n';
    }
  }
  std::ofstream Out(File, std::ios::binary | std::ios::app);
  if (!Out) return false;
  if (NeedNewline) Out << '\n';
  Out << Lower(Name) << ' ' << KeyType << ' ' << KeyBase64 << '\n';
  Out.flush();
  return static_cast<bool>(Out);
}
