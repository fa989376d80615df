// A 20 MB BBS-like ANSI stream received over SSH (sshd on loopback running `cat` of a file)
// and over telnet (the loopback BBS replaying the same file), each read as the session loop
// reads it: DataWaiting, one ReadBuf into a block buffer, the block through the emulator.
// The SSH time runs from the command to the last byte (the login is not counted).
// Needs root for the sshd test user; reports an error otherwise.
#include <benchmark/benchmark.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <string>

#include "console/scrollback.h"
#include "net/bbs_server_process.h"
#include "net/socket_ssl.h"
#include "net/ssh_api.h"
#include "net/ssh_server.h"
#include "term/term_ansi.h"

namespace {

constexpr size_t StreamBytes = 20u << 20;
constexpr auto FramePeriod = std::chrono::microseconds(16667);

// Colours, cursor moves, code page 437 blocks, words, CR LF and 256-colour codes; no 255 byte,
// so that telnet sends it unchanged.
std::string MakeStream() {
  std::string S;
  S.reserve(StreamBytes + 64);
  uint32_t Seed = 4242;
  auto Rand = [&](uint32_t N) {
    Seed = Seed * 1103515245u + 12345u;
    return (Seed >> 16) % N;
  };
  static const char* Words[] = {"Welcome", "to", "the", "BBS", "files", "messages", "sysop", "door"};
  static const uint8_t Blocks[] = {0xB0, 0xB1, 0xB2, 0xDB, 0xDC, 0xDF, 0xC4, 0xCD};
  while (S.size() < StreamBytes) {
    switch (Rand(6)) {
      case 0: S += "\x1b[" + std::to_string(Rand(2)) + ";" + std::to_string(30 + Rand(8)) + "m"; break;
      case 1: S += "\x1b[" + std::to_string(1 + Rand(24)) + ";" + std::to_string(1 + Rand(80)) + "H"; break;
      case 2:
        for (uint32_t I = 0, N = 4 + Rand(24); I < N; ++I) S += static_cast<char>(Blocks[Rand(8)]);
        break;
      case 3: S += "\r\n"; break;
      case 4: S += "\x1b[38;5;" + std::to_string(Rand(256)) + "m"; break;
      default:
        for (uint32_t I = 0, N = 2 + Rand(8); I < N; ++I) S += std::string(Words[Rand(8)]) + " ";
        break;
    }
  }
  S.resize(StreamBytes);
  return S;
}

// Reads until Bytes have arrived (after Skip bytes that precede the stream); false on a stall.
bool Drain(TSocketBase& S, size_t Bytes, benchmark::State& State) {
  TSDLConsoleScrollback Console;
  Console.OpenScreen(80, 25, 1);
  TTermAnsi Term(Console);
  static uint8_t Buf[16384];
  size_t Got = 0;
  auto NextFrame = std::chrono::steady_clock::now() + FramePeriod;
  while (Got < Bytes && S.DataWaiting(5000)) {
    const int32_t N = S.ReadBuf(Buf, sizeof Buf);
    if (N < 0) break;
    {
      auto Batch = Console.Batch();
      Term.ProcessBuf(Buf, static_cast<size_t>(N));
    }
    Got += static_cast<size_t>(N);
    const auto Now = std::chrono::steady_clock::now();
    if (Now >= NextFrame) {
      Console.ComposeFrame();
      NextFrame = Now + FramePeriod;
    }
  }
  if (Got < Bytes) State.SkipWithError("stream incomplete");
  return Got >= Bytes;
}

struct TFixture {
  TFixture() {
    std::ofstream(File(), std::ios::binary) << MakeStream();
  }
  std::string File() const { return Server.Dir + "/stream.ans"; }
  TSshServer Server;
};

void BM_SshStreamThroughReadBufAndEmulator(benchmark::State& State) {
  if (!TSshServer::Usable()) {
    State.SkipWithError(TSshServer::SkipReason);
    return;
  }
  TSSHLibrary Library;
  TFixture F;
  if (!Library.Loaded() || !F.Server.Start()) {
    State.SkipWithError("libssh or sshd unavailable");
    return;
  }
  for (auto _ : State) {
    TSocketSSL S;
    S.UserName = F.Server.User;
    S.Password = F.Server.Password;
    S.HostsFile = F.Server.Dir + "/lanternyx.hosts";
    S.TermType = "ANSI-256COLOR-RGB";
    if (!S.Connect("127.0.0.1", F.Server.Port, 500)) {
      State.SkipWithError("connect failed");
      return;
    }
    // Raw mode passes the bytes unchanged; the prompt and echo come before the marker.
    const auto Start = std::chrono::steady_clock::now();
    S.WriteStr("stty raw -echo; printf '\\102EGIN\\n'; cat " + F.File() + "\n");
    std::string Head;
    uint8_t C = 0;
    while (Head.find("BEGIN\n") == std::string::npos && S.DataWaiting(5000) && S.ReadBuf(&C, 1) >= 0)
      Head += static_cast<char>(C);
    if (!Drain(S, StreamBytes, State)) return;
    State.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count());
  }
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) * static_cast<int64_t>(StreamBytes));
}
BENCHMARK(BM_SshStreamThroughReadBufAndEmulator)->Unit(benchmark::kMillisecond)->Iterations(5)->UseManualTime();

void BM_TelnetStreamThroughReadBufAndEmulator(benchmark::State& State) {
  TFixture F;
  TBbsServerProcess Bbs;
  if (!Bbs.Start({"--no-negotiate", "--replay", F.File()}, {}, false)) {
    State.SkipWithError("test server did not start");
    return;
  }
  for (auto _ : State) {
    const auto Start = std::chrono::steady_clock::now();
    TSocket S;
    S.TelnetClient = true;
    if (!S.Connect("127.0.0.1", Bbs.Port, 500)) {
      State.SkipWithError("connect failed");
      return;
    }
    if (!Drain(S, StreamBytes, State)) return;
    State.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count());
  }
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) * static_cast<int64_t>(StreamBytes));
}
BENCHMARK(BM_TelnetStreamThroughReadBufAndEmulator)->Unit(benchmark::kMillisecond)->Iterations(5)->UseManualTime();

}  // namespace
