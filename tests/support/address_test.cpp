#include "support/address.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(Address, TelnetPrefixAndTrailingSlash) {
  EXPECT_EQ(lx::StripTelnetURL("telnet://bbs.example:23/"), "bbs.example:23");
  EXPECT_EQ(lx::StripTelnetURL("TeLnEt://[::1]:2323/"), "[::1]:2323");
  EXPECT_EQ(lx::StripTelnetURL("bbs.example/"), "bbs.example/");  // without the prefix the slash stays
}

TEST(Address, HostPortAndProblem) {
  const struct {
    const char* Text;
    const char* Host;
    uint16_t Port;
    bool HasPort;
    const char* Problem;  // a piece of it; "" for none
  } Cases[] = {
      {"bbs.example", "bbs.example", 513, false, ""},  // the default given
      {"bbs.example  :2323", "bbs.example", 2323, true, ""},
      {"h:70000", "h", static_cast<uint16_t>(70000), true, "1 to 65535"},  // dialled as 16 bits
      {"h:junk", "h", 0, true, "1 to 65535"},
      {"h:", "h", 0, true, "1 to 65535"},
      {":23", "", 23, true, "no host"},
      {"bbs example", "bbs example", 513, false, "host name holds only"},
      {"[::1]:2323", "::1", 2323, true, ""},
      {"[2001:db8::5]", "2001:db8::5", 513, false, ""},
      {"2001:db8::5", "2001:db8::5", 513, false, ""},  // several colons: no port
      {"::1:2323", "::1:2323", 513, false, ""},
      {"[::1]:", "::1", 0, true, "1 to 65535"},
      {"[::1]x", "::1", 513, false, "only ':' and a port"},
      {"[::1", "::1", 513, false, "no ']'"},
      {"[bbs.example]:23", "bbs.example", 23, true, "not an IPv6 address"},
      {"1:2:3", "1:2:3", 513, false, "not an IPv6 address"},
      {"[]", "", 513, false, "no host"},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Text);
    const lx::TAddress A = lx::ReadAddress(C.Text, 513);
    EXPECT_EQ(A.Host, C.Host);
    EXPECT_EQ(A.Port, C.Port);
    EXPECT_EQ(A.HasPort, C.HasPort);
    if (*C.Problem)
      EXPECT_NE(A.Problem.find(C.Problem), std::string::npos) << A.Problem;
    else
      EXPECT_EQ(A.Problem, "");
  }
  EXPECT_EQ(lx::JoinAddress("::1", 2323), "[::1]:2323");
  EXPECT_EQ((std::vector<int>{lx::DefaultPort(1), lx::DefaultPort(2), lx::DefaultPort(3)}), (std::vector<int>{23, 513, 22}));
  EXPECT_EQ(lx::JoinAddress("bbs.example", 24), "bbs.example:24");
}

}  // namespace
