// A 20 MB BBS-like stream (colours, cursor moves, code page 437 blocks, 256-colour and RGB
// codes, CR LF) sent by the loopback BBS over telnet, read through ReadBuf as the session loop
// reads it: DataWaiting, then one ReadBuf into a block buffer.
#include <benchmark/benchmark.h>

#include <memory>

#include "net/bbs_server_process.h"
#include "net/socket.h"

namespace {

constexpr int64_t StreamBytes = 20 * 1024 * 1024;

void BM_TelnetStreamThroughReadBuf(benchmark::State& State) {
  TBbsServerProcess Server;
  if (!Server.Start({"--stream", std::to_string(StreamBytes)}, {}, false)) {
    State.SkipWithError("test server did not start");
    return;
  }
  int64_t Total = 0;
  for (auto _ : State) {
    TSocket S;
    S.TelnetClient = true;
    S.TermType = "ANSI-256COLOR-RGB";
    S.WinWidth = 80;
    S.WinHeight = 24;
    if (!S.Connect("127.0.0.1", Server.Port, 500)) {
      State.SkipWithError("connect failed");
      return;
    }
    uint8_t Buf[16384];
    int64_t Got = 0;
    while (S.DataWaiting(5000)) {
      const int32_t N = S.ReadBuf(Buf, sizeof Buf);
      if (N < 0) break;
      Got += N;
      benchmark::DoNotOptimize(Buf);
    }
    if (Got != StreamBytes) {
      State.SkipWithError("stream incomplete");
      return;
    }
    Total += Got;
  }
  State.SetBytesProcessed(Total);
}
BENCHMARK(BM_TelnetStreamThroughReadBuf)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

}  // namespace
