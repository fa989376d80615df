#include "support/address.h"

#include <arpa/inet.h>

#include <algorithm>

#include "support/strings.h"

namespace lx {

namespace {

bool HostChar(char C) {
  return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z') || (C >= '0' && C <= '9') || C == '.' || C == '-' ||
         C == '_';
}

bool IsIPv6(const std::string& S) {
  in6_addr A{};
  return inet_pton(AF_INET6, S.c_str(), &A) == 1;
}

}  // namespace

std::string StripTelnetURL(const std::string& Text) {
  const std::string Upper = UpperCase(Text);
  const size_t At = Upper.find("TELNET://");
  if (At == std::string::npos) return Text;
  std::string Out = Text;
  Out.erase(At, 9);
  if (!Out.empty() && Out.back() == '/') Out.pop_back();
  return Out;
}

TAddress ReadAddress(const std::string& Text, uint16_t DefaultPort) {
  TAddress A;
  A.Port = DefaultPort;
  const auto Refuse = [&A](std::string Why) {
    if (A.Problem.empty()) A.Problem = std::move(Why);
  };
  std::string PortText;
  bool Literal = false;
  if (!Text.empty() && Text[0] == '[') {
    const size_t Close = Text.find(']');
    A.Host = Text.substr(1, Close == std::string::npos ? std::string::npos : Close - 1);
    const std::string After = Close == std::string::npos ? "" : Text.substr(Close + 1);
    if (Close == std::string::npos) Refuse("the '[' before an IPv6 address has no ']'");
    if (!After.empty() && After[0] != ':') Refuse("only ':' and a port may follow ']'");
    A.HasPort = !After.empty() && After[0] == ':';
    if (A.HasPort) PortText = After.substr(1);
    Literal = true;
  } else if (std::count(Text.begin(), Text.end(), ':') > 1) {
    // Where a port would start is anyone's guess: such a literal is read as having none.
    A.Host = TrimRightChar(Text, ' ');
    Literal = true;
  } else {
    const size_t Colon = Text.find(':');
    A.Host = TrimRightChar(Text.substr(0, Colon), ' ');
    A.HasPort = Colon != std::string::npos;
    if (A.HasPort) PortText = Text.substr(Colon + 1);
  }

  if (A.Host.empty()) Refuse("it names no host");
  if (Literal && !IsIPv6(A.Host)) Refuse("'" + A.Host + "' is not an IPv6 address");
  if (!Literal && !std::all_of(A.Host.begin(), A.Host.end(), HostChar))
    Refuse("a host name holds only letters, digits, '.', '-' and '_'");
  if (A.HasPort) {
    A.Port = static_cast<uint16_t>(StrToInt(PortText));
    int64_t N = 0;
    const bool Digits = !PortText.empty() && PortText.size() <= 5 &&
                        PortText.find_first_not_of("0123456789") == std::string::npos;
    if (!Digits || !TryStrToInt(PortText, N) || N < 1 || N > 65535)
      Refuse("the port must be a number from 1 to 65535");
  }
  return A;
}

std::string JoinAddress(const std::string& Host, uint16_t Port) {
  const std::string H = Host.find(':') != std::string::npos ? "[" + Host + "]" : Host;
  return H + ":" + std::to_string(Port);
}

}  // namespace lx
