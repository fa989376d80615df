// The client against Debian's own telnet server (inetutils telnetd). The test starts it on a
// loopback port of its own, without inetd, with a small program in place of login that
// reports what reached the shell: the window size and the terminal type.
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "net/net_test_util.h"
#include "net/socket.h"
#include "support/test_tempdir.h"

namespace {

constexpr const char* TelnetdPath = "/usr/sbin/telnetd";

// telnetd serving one accepted connection as its standard input and output, as inetd runs it.
class TTelnetd {
 public:
  ~TTelnetd() {
    if (Pid > 0) {
      kill(Pid, SIGKILL);
      waitpid(Pid, nullptr, 0);
    }
    if (Listener >= 0) close(Listener);
  }
  bool Listen() {
    return (Listener = LoopbackSocket(Port, 1, SOCK_STREAM | SOCK_CLOEXEC)) >= 0;
  }
  // Takes the waiting connection and hands it to telnetd, which runs Program after login-free
  // negotiation.
  bool Serve(const std::string& Program) {
    const int Conn = accept4(Listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (Conn < 0) return false;
    std::string Arg0 = "telnetd", Host = "-h", Exec = "-E", Prog = Program;
    char* Argv[] = {Arg0.data(), Host.data(), Exec.data(), Prog.data(), nullptr};
    Pid = fork();
    if (Pid == 0) {
      dup2(Conn, 0);
      dup2(Conn, 1);
      dup2(Conn, 2);
      execv(TelnetdPath, Argv);
      _exit(127);
    }
    close(Conn);
    return Pid > 0;
  }
  int Listener = -1;
  uint16_t Port = 0;
  pid_t Pid = -1;
};

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

  TTelnetd Server;
  ASSERT_TRUE(Server.Listen());
  TSocket S;
  S.TelnetClient = true;
  S.TermType = "ANSI-256COLOR-RGB";
  S.SetWindowSize(80, 25);
  ASSERT_TRUE(S.Connect("127.0.0.1", Server.Port, 500));
  ASSERT_TRUE(Server.Serve(Program));

  // Reads until Marker, for at most 10 s (telnetd waits for every answer before the shell).
  std::string Got;
  const auto ReadUntil = [&](const std::string& Marker, size_t From = 0) {
    const auto End = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    uint8_t Buf[4096];
    while (Got.find(Marker, From) == std::string::npos && std::chrono::steady_clock::now() < End && S.Connected) {
      if (!S.DataWaiting(100)) continue;
      const int32_t N = S.ReadBuf(Buf, sizeof Buf);
      if (N < 0) break;
      Got.append(reinterpret_cast<char*>(Buf), static_cast<size_t>(N));
    }
  };
  ReadUntil(" END");
  EXPECT_NE(Got.find("SIZE 25 80 "), std::string::npos) << Got;
  S.SetWindowSize(100, 30);
  ReadUntil("RESIZED");
  ReadUntil(" END", Got.find("RESIZED"));
  EXPECT_NE(Got.find("RESIZED 30 100 END"), std::string::npos) << Got;
  const size_t Term = Got.find("TERM=");
  ASSERT_NE(Term, std::string::npos) << Got;
  // Exactly the name, nothing after it.
  std::string Name = Got.substr(Term + 5, Got.find(" END", Term) - Term - 5);
  for (char& C : Name) C = static_cast<char>(toupper(static_cast<unsigned char>(C)));
  EXPECT_EQ(Name, "ANSI-256COLOR-RGB") << Got;
}

}  // namespace
