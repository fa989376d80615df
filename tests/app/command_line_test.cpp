#include <gtest/gtest.h>

#include "app/command_line.h"

namespace {

struct TLineCase {
  std::vector<std::string> Args;
  TCommandLine::TAction Action;
  std::string Want;  // Run, Help, Version: the address; Error: a piece of the message
};

TEST(CommandLine, ActionsAddressesAndMessages) {
  using A = TCommandLine;
  const TLineCase Cases[] = {
      {{}, A::Run, ""}, {{"bbs.example.org"}, A::Run, "bbs.example.org"},
      {{"127.0.0.1:2323"}, A::Run, "127.0.0.1:2323"},
      {{"telnet://bbs.example.org:23/"}, A::Run, "telnet://bbs.example.org:23/"},
      {{"TELNET://my_bbs-1.net"}, A::Run, "TELNET://my_bbs-1.net"},
      {{"--help"}, A::Help, ""}, {{"-h"}, A::Help, ""}, {{"bbs.example.org", "--help"}, A::Help, ""},
      {{"--version"}, A::Version, ""}, {{"-v"}, A::Version, ""},
      {{"--verbose"}, A::Error, "unknown option '--verbose'"},
      {{"a", "b"}, A::Run, "a"},  // a launcher's further arguments are ignored
      {{"telnet://[::1]:2323/"}, A::Run, "telnet://[::1]:2323/"}, {{"[bbs.example]"}, A::Error, "not an IPv6"},
      {{"ssh://bbs.example.org"}, A::Error, "only telnet://"}, {{":23"}, A::Error, "no host"},
      {{""}, A::Error, "no host"}, {{"telnet://"}, A::Error, "no host"},
      {{"bbs example.org"}, A::Error, "host name holds only"}, {{"bbs.example.org:0"}, A::Error, "1 to 65535"},
      {{"bbs.example.org:65536"}, A::Error, "1 to 65535"}, {{"bbs.example.org:65535"}, A::Run, "bbs.example.org:65535"},
      {{"bbs.example.org:"}, A::Error, "1 to 65535"}, {{"bbs.example.org:23x"}, A::Error, "1 to 65535"},
      {{"bbs.example.org: 23"}, A::Error, "1 to 65535"},
      {{std::string(36, 'a') + ".org"}, A::Run, std::string(36, 'a') + ".org"},
      {{std::string(37, 'a') + ".org"}, A::Error, "longer than 40"},
  };
  for (const TLineCase& C : Cases) {
    SCOPED_TRACE(C.Args.empty() ? std::string("(none)") : C.Args[0]);
    const TCommandLine L = ParseCommandLine(C.Args);
    EXPECT_EQ(L.Action, C.Action);
    const bool Error = C.Action == A::Error;
    EXPECT_TRUE(Error ? L.Message.find(C.Want) != std::string::npos : L.Address == C.Want)
        << L.Address << L.Message;
  }
}

}  // namespace
