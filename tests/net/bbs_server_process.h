// tools/bbsserver/bbsserver.py as the remote side of a test, run with --quiet, --record (see
// Record()), --once unless Once is false, and --script when a script is given.
#pragma once

#include <fcntl.h>
#include <poll.h>

#include <cstdlib>
#include <memory>

#include "net/net_test_util.h"

class TBbsServerProcess {
 public:
  // Starts the server with Options and an optional byte script; false when it did not come up.
  bool Start(std::vector<std::string> Options, const std::string& Script = {}, bool Once = true) {
    Server.Stop();
    Dir = std::make_unique<TTempDir>();
    std::vector<std::string> Args = {"python3", LX_SOURCE_DIR "/tools/bbsserver/bbsserver.py", "--quiet", "--record",
                                     Dir->Path("record")};
    if (Once) Args.push_back("--once");
    if (!Script.empty()) {
      std::ofstream(Dir->Path("script"), std::ios::binary) << Script;
      Args.insert(Args.end(), {"--script", Dir->Path("script")});
    }
    Args.insert(Args.end(), Options.begin(), Options.end());
    int Out[2];
    if (pipe2(Out, O_CLOEXEC) != 0) return false;
    const bool Started = Server.Start(Args, {-1, Out[1], -1});
    close(Out[1]);
    // The first line of its output is the port it listens on.
    std::string Line;
    pollfd P{Out[0], POLLIN, 0};
    char Buf[64];
    ssize_t N;
    while (Started && Line.find('\n') == std::string::npos && poll(&P, 1, 20000) > 0 &&
           (N = read(Out[0], Buf, sizeof Buf)) > 0)
      Line.append(Buf, static_cast<size_t>(N));
    close(Out[0]);
    Port = static_cast<uint16_t>(std::atoi(Line.c_str()));
    return Port != 0;
  }
  // Everything the client has sent so far, exactly as it arrived.
  std::string Record() const { return ReadFileText(Dir->Path("record")); }
  void Stop() { Server.Stop(); }

  uint16_t Port = 0;

 private:
  std::unique_ptr<TTempDir> Dir;
  TChild Server;  // declared after Dir: stopped before its files go
};
