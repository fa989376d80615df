// Setting up a call over loopback: families, failures, the time limit and cancelling; the
// opening against our board and against Debian's telnetd (inetutils), the latter on a loopback
// port without inetd, with a program in place of login that reports the window size and
// terminal type it was given.
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "net/bbs_server_process.h"

namespace {

constexpr int32_t ShortLimit = 300;   // hundredths: enough for a loopback connect
constexpr int32_t Forever = 1000000;  // reaching it means the attempt was not ended

TEST(Connect, FamilyFollowsIPType) {
  TBbsServerProcess Server;
  ASSERT_TRUE(Server.Start({"--raw"}, "send HELLO\nhold\n", false));
  struct TCase { const char* Host; uint8_t Type; bool Ok, V6; };
  const TCase Cases[] = {
      {"127.0.0.1", IPTypeIPv4, true, false},        {"::1", IPTypeIPv6, true, true},
      {"::1", IPTypeIPv4, false, false},             {"127.0.0.1", IPTypeIPv6, false, false},
      {"::1", IPTypeDefaultIPv4, true, true},        {"127.0.0.1", IPTypeDefaultIPv6, true, false},
      {"localhost", IPTypeDefaultIPv4, true, false},  // both families: IPv4 first
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(std::string(C.Host) + " type " + std::to_string(C.Type));
    TSocket S;
    S.IPType = C.Type;
    ASSERT_EQ(S.Connect(C.Host, Server.Port, ShortLimit), C.Ok);
    if (!C.Ok) continue;
    EXPECT_EQ(std::tuple(S.UseIPv6, S.RemoteIP), std::tuple(C.V6, C.V6 ? "::1" : "127.0.0.1"));
    EXPECT_EQ(ReadUntil(S, "HELLO"), "HELLO");
  }
}

// The board's own opening: every option it offers is answered, and the size and type asked
// for are sent.
TEST(Connect, TheBoardsTelnetOpeningIsAnswered) {
  TBbsServerProcess Server;
  ASSERT_TRUE(Server.Start({}, "expect ANSI-256COLOR-RGB\nsend OK\n"));
  TSocket S;
  S.TelnetClient = S.Echo = true;
  S.TermType = "ANSI-256COLOR-RGB";
  S.SetWindowSize(80, 24);
  ASSERT_TRUE(S.Connect("127.0.0.1", Server.Port, 500));
  EXPECT_EQ(ReadUntil(S, "OK"), "OK");
  EXPECT_EQ(Server.Record(), Bytes({255, 251, 24, 255, 251, 31, 255, 250, 31, 0, 80, 0, 24, 255, 240, 255, 253, 1, 255,
                                    253, 3, 255, 250, 24, 0}) + "ANSI-256COLOR-RGB" + Bytes({255, 240}));
  EXPECT_FALSE(S.Echo);
}

TEST(Connect, FailuresAndCancelsEndCleanly) {
  TSilentListener Silent(true);
  uint16_t Refusing = 0;
  close(LoopbackSocket(Refusing, -1));
  int Calls = 0;
  // Close: the dialer's ESC (CloseHandle from another thread) this many ms into the attempt,
  // -1 before it, -2 never.
  struct TCase { std::string Host; uint16_t Port; int32_t Limit; TAbortCheck Abort; int Close = -2; };
  const TCase Cases[] = {
      // A refused connect turns "writable" at once; that must not count as connected.
      {"127.0.0.1", Refusing, Forever, {}},
      {std::string(300, 'a') + ".invalid", 23, ShortLimit, {}},
      {"127.0.0.1", Silent.Port, 50, {}},  // gives up at the limit
      {"127.0.0.1", Silent.Port, Forever, [&] { return ++Calls >= 2; }},
      // ESC at any moment: before the attempt, while the name is looked up, while waiting for
      // an answer that never comes.
      {"localhost", Silent.Port, Forever, {}, -1}, {"localhost", Silent.Port, Forever, {}, 0},
      {"localhost", Silent.Port, Forever, {}, 1},  {"localhost", Silent.Port, Forever, {}, 5},
      {"localhost", Silent.Port, Forever, {}, 100},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Host.substr(0, 20) + ":" + std::to_string(C.Port) + " close " + std::to_string(C.Close));
    TSocket S;
    if (C.Close == -1) S.CloseHandle();
    std::thread Closer([&] {
      if (C.Close < 0) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(C.Close));
      S.CloseHandle();
    });
    EXPECT_FALSE(S.Connect(C.Host, C.Port, C.Limit, C.Abort));
    Closer.join();
    EXPECT_LE(S.Host.size(), HostMax);
    uint8_t B;
    EXPECT_EQ(std::tuple(S.Connected.load(), S.GetHandle(), S.ReadBuf(&B, 1)), std::tuple(false, -1, -1));
  }
  EXPECT_GE(Calls, 2);
}

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
