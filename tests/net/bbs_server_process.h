// Runs tools/bbsserver/bbsserver.py as the remote side of a test.
//
//   TBbsServerProcess Server;
//   ASSERT_TRUE(Server.Start({"--no-negotiate"}, "raw ff fd 18\nexpecthex ff fb 18\nsend OK\n"));
//   Sock.Connect("127.0.0.1", Server.Port, 500);
//   ... Server.Record() is every byte the client sent so far.
//
// Start adds --once, --quiet and --record <temp file> (and --script <temp file> when a script is
// given); the server is stopped (SIGTERM) and its files removed when the object goes away.
// Requires python3 on the PATH and LX_SOURCE_DIR (defined by lx_test).
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

class TBbsServerProcess {
 public:
  TBbsServerProcess() = default;
  TBbsServerProcess(const TBbsServerProcess&) = delete;
  TBbsServerProcess& operator=(const TBbsServerProcess&) = delete;
  ~TBbsServerProcess() { Stop(); }

  // Starts the server with Options and an optional byte script; false when it did not come up.
  bool Start(std::vector<std::string> Options, const std::string& Script = {}, bool Once = true) {
    char Template[] = "/tmp/lx-bbs-XXXXXX";
    if (mkdtemp(Template) == nullptr) return false;
    Dir = Template;
    RecordPath = Dir + "/record";
    std::vector<std::string> Args = {"python3", std::string(LX_SOURCE_DIR) + "/tools/bbsserver/bbsserver.py",
                                     "--quiet", "--record", RecordPath};
    if (Once) Args.push_back("--once");
    if (!Script.empty()) {
      const std::string ScriptPath = Dir + "/script";
      std::ofstream(ScriptPath, std::ios::binary) << Script;
      Args.push_back("--script");
      Args.push_back(ScriptPath);
    }
    Args.insert(Args.end(), Options.begin(), Options.end());

    int Out[2];
    if (pipe2(Out, O_CLOEXEC) != 0) return false;
    Pid = fork();
    if (Pid < 0) return false;
    if (Pid == 0) {
      dup2(Out[1], 1);
      std::vector<char*> Argv;
      for (auto& A : Args) Argv.push_back(A.data());
      Argv.push_back(nullptr);
      execvp(Argv[0], Argv.data());
      _exit(127);
    }
    close(Out[1]);
    // The first line of its output is the port it listens on.
    std::string Line;
    pollfd P{Out[0], POLLIN, 0};
    while (Line.find('\n') == std::string::npos && poll(&P, 1, 20000) > 0) {
      char Buf[64];
      const ssize_t N = read(Out[0], Buf, sizeof Buf);
      if (N <= 0) break;
      Line.append(Buf, static_cast<size_t>(N));
    }
    close(Out[0]);
    Port = static_cast<uint16_t>(std::atoi(Line.c_str()));
    return Port != 0;
  }

  // Everything the client has sent so far, exactly as it arrived.
  std::string Record() const {
    std::ifstream In(RecordPath, std::ios::binary);
    return {std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>()};
  }

  void Stop() {
    if (Pid > 0) {
      // A server that does not go within two seconds of SIGTERM is killed: a test never waits
      // on it for longer.
      kill(Pid, SIGTERM);
      int Waited = 0;
      while (waitpid(Pid, nullptr, WNOHANG) == 0) {
        if (Waited == 2000) kill(Pid, SIGKILL);
        usleep(1000);
        if (Waited <= 2000) ++Waited;
      }
      Pid = -1;
    }
    if (!Dir.empty()) {
      std::remove((Dir + "/record").c_str());
      std::remove((Dir + "/script").c_str());
      rmdir(Dir.c_str());
      Dir.clear();
    }
  }

  uint16_t Port = 0;
  std::string RecordPath;

 private:
  pid_t Pid = -1;
  std::string Dir;
};
