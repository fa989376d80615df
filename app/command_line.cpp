#include "app/command_line.h"

#include "support/address.h"
#include "support/strings.h"

// Longest address an entry holds; a longer one would be dialled cut short.
constexpr std::size_t MaxAddress = 40;

std::string AddressProblem(const std::string& Address) {
  const std::string Upper = lx::UpperCase(Address);
  if (Upper.find("://") != std::string::npos && Upper.rfind("TELNET://", 0) != 0)
    return "only telnet:// addresses can be given";
  const std::string Plain = lx::StripTelnetURL(Address);
  if (Plain.size() > MaxAddress) return "it is longer than 40 characters";
  return lx::ReadAddress(Plain, 23).Problem;
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
  // A desktop launcher may pass more than the address: only the first one is dialled.
  C.Action = TCommandLine::Error;
  if (!Args.empty() && !Args[0].empty() && Args[0][0] == '-') {
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
         "ADDRESS is dialed at once by telnet: host, host:port, [IPv6]:port or\n"
         "telnet://host:port/ (port 23 unless given); further arguments are ignored.\n"
         "Without it the terminal-ready screen is shown; ALT-D opens the dialing\n"
         "directory and ALT-Z lists the keys.\n"
         "\n"
         "  -h, --help     show this help and exit\n"
         "  -v, --version  show the version and exit\n"
         "\n"
         "Settings, phone books, known SSH hosts and logon scripts: " + Dir(FilesDir) + "\n" +
         "Downloads and captures (unless changed in the settings):  " + Dir(DataDir) + "\n";
}
