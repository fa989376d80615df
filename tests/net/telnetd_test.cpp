// The client against Debian's telnetd (inetutils), on a loopback port without inetd, with a
// program in place of login that reports the window size and terminal type it was given.
#include <fstream>

#include <gtest/gtest.h>

#include "net/net_test_util.h"

namespace {

constexpr const char* TelnetdPath = "/usr/sbin/telnetd";

TEST(Telnetd, ShellStartsWithTheWindowSizeAndTerminalType) {
  if (access(TelnetdPath, X_OK) != 0) GTEST_SKIP() << "telnetd (package inetutils-telnetd) is not installed";
  if (geteuid() != 0) GTEST_SKIP() << "telnetd must run as root to open a terminal for the shell";
  TTempDir Dir;
  const std::string Program = Dir.Path("report.sh");
  // telnetd may start the program a moment before it applies the size: wait for one (3 s at
  // most), report, then report again once the size changes.
  std::ofstream(Program) << "#!/bin/sh\n"
                            "i=0; while [ \"$(stty size)\" = \"0 0\" ] && [ $i -lt 30 ]; do sleep 0.1; i=$((i+1)); done\n"
                            "first=$(stty size); echo \"SIZE $first TERM=$TERM END\"\n"
                            "i=0; while [ \"$(stty size)\" = \"$first\" ] && [ $i -lt 30 ]; do sleep 0.1; i=$((i+1)); done\n"
                            "echo \"RESIZED $(stty size) END\"\nsleep 1\n";
  ASSERT_EQ(chmod(Program.c_str(), 0755), 0);

  uint16_t Port = 0;
  const int Listener = LoopbackSocket(Port, 1, SOCK_STREAM | SOCK_CLOEXEC);
  TSocket S;
  S.TelnetClient = true;
  S.TermType = "ANSI-256COLOR-RGB";
  S.SetWindowSize(80, 25);
  ASSERT_TRUE(S.Connect("127.0.0.1", Port, 500));
  // telnetd serves the accepted connection on its standard input and output, as inetd runs
  // it, and starts the program without a login.
  const int Conn = accept4(Listener, nullptr, nullptr, SOCK_CLOEXEC);
  close(Listener);
  TChild Telnetd;
  ASSERT_TRUE(Conn >= 0 && Telnetd.Start({TelnetdPath, "-h", "-E", Program}, {Conn, Conn, Conn}));
  close(Conn);

  std::string Got = ReadUntil(S, " END");
  for (char& C : Got) C = static_cast<char>(toupper(static_cast<unsigned char>(C)));  // telnetd may lower the name
  EXPECT_NE(Got.find("SIZE 25 80 TERM=ANSI-256COLOR-RGB END"), std::string::npos) << Got;
  S.SetWindowSize(100, 30);
  const std::string Resized = ReadUntil(S, " END");
  EXPECT_NE(Resized.find("RESIZED 30 100 END"), std::string::npos) << Resized;
}

}  // namespace
