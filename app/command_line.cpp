#include "app/command_line.h"

#include "app/session_rules.h"
#include "support/strings.h"

namespace {

// Longest address an entry holds; a longer one would be dialled cut short.
constexpr std::size_t MaxAddress = 40;

bool HostChar(char C) {
  return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || (C >= '0' && C <= '9') || C == '.' || C == '-' ||
         C == '_';
}

}  // namespace

std::string AddressProblem(const std::string& Address) {
  const std::string Upper = lx::UpperCase(Address);
  if (Upper.find("://") != std::string::npos && Upper.rfind("TELNET://", 0) != 0)
    return "only telnet:// addresses can be given";
  const std::string Plain = StripTelnetURL(Address);
  if (Plain.size() > MaxAddress) return "it is longer than 40 characters";
  const std::size_t Colon = Plain.find(':');
  const std::string Host = Plain.substr(0, Colon);
  if (Host.empty()) return "it names no host";
  for (char C : Host)
    if (!HostChar(C)) return "a host name holds only letters, digits, '.', '-' and '_'";
  if (Colon != std::string::npos) {
    const std::string Port = Plain.substr(Colon + 1);
    int64_t N = 0;
    const bool Digits = !Port.empty() && Port.size() <= 5 && Port.find_first_not_of("0123456789") == std::string::npos;
    if (!Digits || !lx::TryStrToInt(Port, N) || N < 1 || N > 65535) return "the port must be a number from 1 to 65535";
  }
  return {};
}

TCommandLine ParseCommandLine(const std::vector<std::string>& Args) {
  TCommandLine C;
  for (const std::string& A : Args)
    if (A == "--help" || A == "-h") {
      C.Action = TCommandLine::Help;
      return C;
    }
  for (const std::string& A : Args)
    if (A == "--version" || A == "-v") {
      C.Action = TCommandLine::Version;
      return C;
    }
  C.Action = TCommandLine::Error;
  if (Args.size() > 1) {
    C.Message = "one address at most can be given";
  } else if (!Args.empty() && !Args[0].empty() && Args[0][0] == '-') {
    C.Message = "unknown option '" + Args[0] + "'";
  } else if (!Args.empty()) {
    const std::string Problem = AddressProblem(Args[0]);
    if (!Problem.empty()) C.Message = "cannot dial '" + Args[0] + "': " + Problem;
  }
  if (C.Message.empty()) {
    C.Action = TCommandLine::Run;
    if (!Args.empty()) C.Address = Args[0];
  }
  return C;
}

std::string HelpText(const std::string& FilesDir, const std::string& DataDir) {
  const auto Dir = [](const std::string& D) { return D.empty() ? std::string("the working directory") : D; };
  return "Usage: lanternyx [ADDRESS]\n"
         "A graphical terminal client for bulletin board systems.\n"
         "\n"
         "ADDRESS is dialed at once by telnet: host, host:port or telnet://host:port/\n"
         "(port 23 unless given). Without it the terminal-ready screen is shown;\n"
         "ALT-D opens the dialing directory and ALT-Z lists the keys.\n"
         "\n"
         "  -h, --help     show this help and exit\n"
         "  -v, --version  show the version and exit\n"
         "\n"
         "Settings, phone books, known SSH hosts and logon scripts: " + Dir(FilesDir) + "\n" +
         "Downloads and captures (unless changed in the settings):  " + Dir(DataDir) + "\n";
}
