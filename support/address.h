// Addresses as they are typed, kept in phone books and imported: "host", "host:port", an IPv6
// literal in brackets with or without a port ("[::1]:2323", "[2001:db8::5]"), or one without
// brackets and so without a port ("2001:db8::5"). The command line and the immediate dial
// also take any of these after "telnet://", with a "/" after.
//
//   const lx::TAddress A = lx::ReadAddress(lx::StripTelnetURL(Typed), 23);
//   if (A.Problem.empty()) Socket.Connect(A.Host, A.Port, 1000);
//
// Host and port are filled even for an address with a problem: a phone-book entry is dialled
// as it reads, and a wrong one fails to connect.
#pragma once

#include <cstdint>
#include <string>

namespace lx {

// Removes a "TELNET://" prefix (any case) and then one trailing "/"; text without the prefix
// comes back unchanged.
std::string StripTelnetURL(const std::string& Text);

struct TAddress {
  std::string Host;      // without brackets; a name without trailing spaces
  uint16_t Port = 0;     // the given one taken as 16 bits, else the default
  bool HasPort = false;  // the text names a port
  std::string Problem;   // why the text is not a dialable address; empty when it is
};
TAddress ReadAddress(const std::string& Text, uint16_t DefaultPort);
// The port of an address that names none, by the entry's protocol (1 telnet, 2 rlogin, 3 SSH).
inline uint16_t DefaultPort(uint8_t Protocol) { return Protocol == 2 ? 513 : Protocol == 3 ? 22 : 23; }

// Host and port written back in the form ReadAddress reads (an IPv6 host in brackets).
std::string JoinAddress(const std::string& Host, uint16_t Port);

}  // namespace lx
