// 50 MB of random data over a socket pair: the engine receiving from sz and sending to rz,
// each beside lrzsz's own sz to rz in the same run; and Ymodem-1K from sb to the engine beside
// sb to rb. Every run checks the file it produced.
#include <benchmark/benchmark.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>

#include "transfer/zmodem_harness.h"

namespace {

constexpr size_t FileBytes = 50'000'000;

struct TSetup {
  TTempDir T;
  TBytes Data;
  TSetup() {
    Data = TestData(FileBytes, 42);
    std::filesystem::create_directories(T.Path("src"));
    WriteFileBytes(T.Path("src/big.bin"), Data);
  }
};

TSetup& Setup() {
  static TSetup S;
  return S;
}

// A fresh, empty directory for one run's output.
std::string Fresh(const std::string& Name) {
  const std::string D = Setup().T.Path(Name);
  std::filesystem::remove_all(D);
  std::filesystem::create_directories(D);
  return D;
}

bool Check(benchmark::State& State, const std::string& Path) {
  if (ReadFileBytes(Path) == Setup().Data) return true;
  State.SkipWithError("the received file differs");
  return false;
}

pid_t Spawn(const std::vector<std::string>& Args, const std::string& Dir, int Fd) {
  const pid_t Pid = fork();
  if (Pid != 0) return Pid;
  if (chdir(Dir.c_str()) != 0) _exit(126);
  dup2(Fd, 0);
  dup2(Fd, 1);
  std::vector<char*> Argv;
  for (const auto& A : Args) Argv.push_back(const_cast<char*>(A.c_str()));
  Argv.push_back(nullptr);
  execvp(Argv[0], Argv.data());
  _exit(127);
}

void Pair(benchmark::State& State, const std::vector<std::string>& Send, const std::vector<std::string>& Receive) {
  for (auto _ : State) {
    const std::string Out = Fresh("rz");
    const auto T0 = std::chrono::steady_clock::now();
    int Fds[2];
    socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, Fds);
    const pid_t S = Spawn(Send, Setup().T.Path("src"), Fds[0]);
    const pid_t R = Spawn(Receive, Out, Fds[1]);
    close(Fds[0]);
    close(Fds[1]);
    int St1 = 0, St2 = 0;
    waitpid(S, &St1, 0);
    waitpid(R, &St2, 0);
    State.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - T0).count());
    if (St1 != 0 || St2 != 0) State.SkipWithError("the sender or the receiver failed");
    if (!Check(State, Out + "/big.bin")) return;
  }
  State.SetBytesProcessed(int64_t(State.iterations()) * int64_t(FileBytes));
}

void BM_LrzszPair(benchmark::State& State) { Pair(State, {"sz", "-q", "big.bin"}, {"rz", "-q"}); }
void BM_SbRbPair(benchmark::State& State) { Pair(State, {"sb", "-q", "-k", "big.bin"}, {"rb", "-q"}); }

void Receive(benchmark::State& State, const std::vector<std::string>& Peer, std::optional<TXYProtocol> XY) {
  for (auto _ : State) {
    TRunOptions O;
    O.PeerArgs = Peer;
    O.XY = XY;
    O.PeerDir = Setup().T.Path("src");
    O.DownloadDir = Fresh("dl");
    O.DeadlineMs = 120000;
    O.MaxDiskBytes = 256 << 20;
    const auto T0 = std::chrono::steady_clock::now();
    const TRunResult R = RunWithPeer(O);
    State.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - T0).count());
    if (R.Status != 0 || R.PeerExit != 0) State.SkipWithError("transfer failed");
    if (!Check(State, O.DownloadDir + "/big.bin")) return;
  }
  State.SetBytesProcessed(int64_t(State.iterations()) * int64_t(FileBytes));
}

void BM_EngineFromSz(benchmark::State& State) { Receive(State, {"sz", "-q", "big.bin"}, std::nullopt); }
void BM_EngineFromSb(benchmark::State& State) { Receive(State, {"sb", "-q", "-k", "big.bin"}, TXYProtocol::Ymodem); }

void BM_EngineToRz(benchmark::State& State) {
  for (auto _ : State) {
    TRunOptions O;
    O.Upload = true;
    O.BlockMode = 0;
    O.PeerArgs = {"rz", "-q"};
    O.PeerDir = Fresh("rz");
    O.Files = {Setup().T.Path("src/big.bin")};
    O.DeadlineMs = 120000;
    O.MaxDiskBytes = 256 << 20;
    const auto T0 = std::chrono::steady_clock::now();
    const TRunResult R = RunWithPeer(O);
    State.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - T0).count());
    if (R.Status != 0 || R.PeerExit != 0) State.SkipWithError("transfer failed");
    if (!Check(State, O.PeerDir + "/big.bin")) return;
  }
  State.SetBytesProcessed(int64_t(State.iterations()) * int64_t(FileBytes));
}

BENCHMARK(BM_LrzszPair)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();
BENCHMARK(BM_EngineFromSz)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();
BENCHMARK(BM_EngineToRz)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();
BENCHMARK(BM_SbRbPair)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();
BENCHMARK(BM_EngineFromSb)->Unit(benchmark::kMillisecond)->Iterations(3)->UseManualTime();

}  // namespace
