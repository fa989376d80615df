#include "net/ssh_hosts.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <string_view>
#include <vector>

#include "support/files.h"

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

namespace {

enum class TRead { Ok, Missing, Failed };

// The whole file, when it is a regular file of a sensible size.
TRead ReadHosts(const std::string& File, std::string& Out) {
  Out.clear();
  struct stat St {};
  if (stat(File.c_str(), &St) != 0) return errno == ENOENT ? TRead::Missing : TRead::Failed;
  if (!S_ISREG(St.st_mode) || St.st_size > MaxHostsFileSize) return TRead::Failed;
  std::ifstream In(File, std::ios::binary);
  if (!In) return TRead::Failed;
  Out.assign(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
  return In.bad() || Out.size() > static_cast<size_t>(MaxHostsFileSize) ? TRead::Failed : TRead::Ok;
}

// The 1-based line N of Text without its ending, and where it starts; false past the end.
bool LineAt(std::string_view Text, int N, size_t& Start, std::string_view& Line) {
  Start = 0;
  for (int I = 1; I < N; ++I) {
    const size_t Nl = Text.find('\n', Start);
    if (Nl == std::string_view::npos) return false;
    Start = Nl + 1;
  }
  if (Start >= Text.size()) return false;
  Line = Text.substr(Start, std::min(Text.find('\n', Start), Text.size()) - Start);
  if (!Line.empty() && Line.back() == '\r') Line.remove_suffix(1);
  return true;
}

// One field of a line: nothing may add a field, a line or a second host name.
bool SafeField(const std::string& F) {
  return !F.empty() && F.find_first_of(std::string(" \t\r\n,#\0", 7)) == std::string::npos;
}

bool WriteHosts(const std::string& File, const std::string& Text) {
  return lx::WriteFileAtomic(File, Text.data(), Text.size());
}

}  // namespace

THostKeyLookup LookupHostKey(const std::string& File, const std::string& Name, const std::string& KeyType,
                             const std::string& KeyBase64) {
  THostKeyLookup R;
  std::string Text;
  switch (ReadHosts(File, Text)) {
    case TRead::Missing: return R;
    case TRead::Failed: R.Result = THostKeyMatch::Unreadable; return R;
    case TRead::Ok: break;
  }
  const std::string Want = Lower(Name);
  int FirstLine = 0, SameTypeLine = 0;
  size_t Start = 0;
  std::string_view Line;
  for (int Number = 1; LineAt(Text, Number, Start, Line); ++Number) {
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
  if (FirstLine != 0) {
    R.Result = THostKeyMatch::Changed;
    R.Line = SameTypeLine != 0 ? SameTypeLine : FirstLine;
    LineAt(Text, R.Line, Start, Line);
    const auto F = Fields(Line);
    R.KeyType = F[1];
    R.KeyBase64 = F[2];
  }
  return R;
}

bool RecordHostKey(const std::string& File, const std::string& Name, const std::string& KeyType,
                   const std::string& KeyBase64) {
  if (!SafeField(Name) || !SafeField(KeyType) || !SafeField(KeyBase64)) return false;
  std::string Text;
  if (ReadHosts(File, Text) == TRead::Failed) return false;
  // A last line without its newline must not swallow the new one.
  if (!Text.empty() && Text.back() != '\n') Text += '\n';
  Text += Lower(Name) + ' ' + KeyType + ' ' + KeyBase64 + '\n';
  return WriteHosts(File, Text);
}

bool ReplaceHostKey(const std::string& File, int LineNumber, const std::string& OldType, const std::string& OldBase64,
                    const std::string& NewType, const std::string& NewBase64) {
  if (!SafeField(NewType) || !SafeField(NewBase64) || LineNumber < 1) return false;
  std::string Text;
  size_t Start = 0;
  std::string_view Line;
  if (ReadHosts(File, Text) != TRead::Ok || !LineAt(Text, LineNumber, Start, Line)) return false;
  // Another program may have changed the file since it was looked up.
  const auto F = Fields(Line);
  if (F.size() < 3 || F[1] != OldType || F[2] != OldBase64) return false;
  const size_t NamesEnd = Start + static_cast<size_t>(F[0].data() + F[0].size() - Line.data());
  const size_t LineEnd = Start + Line.size();
  Text.replace(NamesEnd, LineEnd - NamesEnd, " " + NewType + " " + NewBase64);
  return WriteHosts(File, Text);
}
