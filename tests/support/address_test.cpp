#include "support/address.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Text (after the telnet:// prefix is removed) -> host, port (default 513), whether a port was
// named, and a piece of the problem ("" for none).
TEST(Address, HostPortAndProblem) {
  const struct { const char *Text, *Host; uint16_t Port; bool HasPort; const char* Problem; } Cases[] = {
      {"bbs.example", "bbs.example", 513, false, ""},
      {"TeLnEt://bbs.example  :2323/", "bbs.example", 2323, true, ""},
      {"bbs.example/", "bbs.example/", 513, false, "host name holds only"},  // no prefix: the slash stays
      {"h:70000", "h", static_cast<uint16_t>(70000), true, "1 to 65535"},   // an entry dials it as 16 bits
      {"h:junk", "h", 0, true, "1 to 65535"},
      {":23", "", 23, true, "no host"},
      {"telnet://[::1]:2323/", "::1", 2323, true, ""},
      {"[2001:db8::5]", "2001:db8::5", 513, false, ""},
      {"2001:db8::5", "2001:db8::5", 513, false, ""},  // several colons and no brackets: no port
      {"[::1]:", "::1", 0, true, "1 to 65535"},
      {"[::1]x", "::1", 513, false, "only ':' and a port"},
      {"[::1", "::1", 513, false, "no ']'"},
      {"[bbs.example]:23", "bbs.example", 23, true, "not an IPv6 address"},
      {"1:2:3", "1:2:3", 513, false, "not an IPv6 address"},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Text);
    const lx::TAddress A = lx::ReadAddress(lx::StripTelnetURL(C.Text), 513);
    EXPECT_EQ(A.Host + " " + std::to_string(A.Port) + (A.HasPort ? " port" : ""),
              C.Host + (" " + std::to_string(C.Port)) + (C.HasPort ? " port" : ""));
    EXPECT_EQ(*C.Problem ? A.Problem.find(C.Problem) != std::string::npos : A.Problem.empty(), true) << A.Problem;
  }
  EXPECT_EQ(lx::JoinAddress("::1", 2323) + " " + lx::JoinAddress("bbs.example", 24), "[::1]:2323 bbs.example:24");
  EXPECT_EQ((std::vector<int>{lx::DefaultPort(1), lx::DefaultPort(2), lx::DefaultPort(3)}), (std::vector<int>{23, 513, 22}));
}

}  // namespace
