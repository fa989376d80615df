// Small helpers shared by the connection tests: telnet bytes, bounded reads, loopback sockets,
// and the programs a test runs (its servers and tools), which never outlive it.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "net/socket.h"
#include "support/test_tempdir.h"

// Bytes written as numbers, for telnet sequences.
inline std::string Bytes(std::initializer_list<int> Values) {
  return std::string(Values.begin(), Values.end());
}

// Reads until Marker (or with an empty one, Size bytes) has arrived, the link is gone or
// nothing comes for five seconds.
inline std::string ReadUntil(TSocketBase& S, std::string_view Marker, size_t Size = 0) {
  std::string Got;
  uint8_t Buf[16384];
  while ((Marker.empty() ? Got.size() < Size : Got.find(Marker) == std::string::npos) && S.DataWaiting(5000)) {
    const int32_t N = S.ReadBuf(Buf, sizeof Buf);
    if (N < 0) break;
    Got.append(reinterpret_cast<const char*>(Buf), static_cast<size_t>(N));
  }
  return Got;
}

// A TCP socket on 127.0.0.1 bound to a free port (stored in Port), listening with Backlog
// unless Backlog is negative; -1 when any step fails.
inline int LoopbackSocket(uint16_t& Port, int Backlog, int Type = SOCK_STREAM) {
  const int Fd = socket(AF_INET, Type, 0);
  sockaddr_in A{};
  A.sin_family = AF_INET;
  A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t L = sizeof A;
  if (Fd < 0 || bind(Fd, reinterpret_cast<sockaddr*>(&A), sizeof A) != 0 ||
      (Backlog >= 0 && listen(Fd, Backlog) != 0) || getsockname(Fd, reinterpret_cast<sockaddr*>(&A), &L) != 0) {
    if (Fd >= 0) close(Fd);
    return -1;
  }
  Port = ntohs(A.sin_port);
  return Fd;
}

// A socket connected (or, with SOCK_NONBLOCK in Type, connecting) to 127.0.0.1:Port.
inline int LoopbackConnect(uint16_t Port, int Type = SOCK_STREAM) {
  const int Fd = socket(AF_INET, Type, 0);
  sockaddr_in A{};
  A.sin_family = AF_INET;
  A.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  A.sin_port = htons(Port);
  connect(Fd, reinterpret_cast<sockaddr*>(&A), sizeof A);
  return Fd;
}

// A loopback listener that takes connections into its queue and never answers; with Full its
// queue is filled first, so that a new connection is not even answered (a host that is down).
struct TSilentListener {
  explicit TSilentListener(bool Full = false)
      : Fd(LoopbackSocket(Port, Full ? 0 : 4, SOCK_STREAM | SOCK_NONBLOCK)) {
    for (int I = 0; I < 4 && Full; ++I)
      Fillers.push_back(LoopbackConnect(Port, SOCK_STREAM | SOCK_NONBLOCK));
  }
  ~TSilentListener() {
    for (int F : Fillers) close(F);
    close(Fd);
  }
  // True when a connection has reached the queue.
  bool Reached() {
    const int C = accept(Fd, nullptr, nullptr);
    if (C < 0) return false;
    close(C);
    return true;
  }
  uint16_t Port = 0;
  int Fd = -1;
  std::vector<int> Fillers;
};

// Runs a shell command under a 20-second watchdog. Returns its exit code (-1 when it could
// not run or was killed) and what it wrote to standard output.
inline int RunTool(const std::string& Command, std::string* Output = nullptr) {
  FILE* P = popen(("timeout -s KILL 20 sh -c '" + Command + "' 2>/dev/null").c_str(), "r");
  if (!P) return -1;
  std::string Got;
  char Buf[4096];
  size_t N;
  while ((N = fread(Buf, 1, sizeof Buf, P)) > 0) Got.append(Buf, N);
  const int Status = pclose(P);
  if (Output) *Output = Got;
  return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
}

// A program the test runs, with Fds (where not -1) as its standard input, output and error;
// it dies with the test process, and is stopped (SIGTERM, two seconds later SIGKILL) with us.
class TChild {
 public:
  TChild() = default;
  TChild(const TChild&) = delete;
  TChild& operator=(const TChild&) = delete;
  ~TChild() { Stop(); }
  bool Start(std::vector<std::string> Args, std::array<int, 3> Fds = {-1, -1, -1}) {
    Pid = fork();
    if (Pid == 0) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      for (int I = 0; I < 3; ++I)
        if (Fds[I] >= 0) dup2(Fds[I], I);
      std::vector<char*> Argv;
      for (auto& A : Args) Argv.push_back(A.data());
      Argv.push_back(nullptr);
      execvp(Argv[0], Argv.data());
      _exit(127);
    }
    return Pid > 0;
  }
  bool Exited() {
    if (Pid > 0 && waitpid(Pid, nullptr, WNOHANG) == Pid) Pid = -1;
    return Pid <= 0;
  }
  void Stop() {
    if (Pid <= 0) return;
    kill(Pid, SIGTERM);
    for (int I = 0; I < 200 && !Exited(); ++I) usleep(10000);
    if (Pid > 0) {
      kill(Pid, SIGKILL);
      waitpid(Pid, nullptr, 0);
      Pid = -1;
    }
  }
  pid_t Pid = -1;
};
