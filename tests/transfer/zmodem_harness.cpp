#include "transfer/zmodem_harness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <random>
#include <thread>
#include <utility>

#include "net/socket.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using K = TFault::TKind;

int64_t MsSince(Clock::time_point T0) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - T0).count();
}

bool WriteAllFd(int Fd, const uint8_t* P, size_t N) {
  while (N > 0) {
    pollfd Pf{Fd, POLLOUT, 0};
    if (poll(&Pf, 1, 5000) <= 0) return false;
    const ssize_t W = send(Fd, P, N, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (W < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (W <= 0) return false;
    P += W;
    N -= static_cast<size_t>(W);
  }
  return true;
}

// Forwards bytes both ways between the engine's end and the peer's end, applying one fault;
// whichever side hangs up, it hangs up on both.
class TRelay {
 public:
  TRelay(int EngineFd, int PeerFd, TFault F, Clock::time_point T0)
      : E(EngineFd), P(PeerFd), Fault(F), Start(T0), NextFlip(F.At), Thread([this] { Run(); }) {}
  ~TRelay() {
    Stop = true;
    Thread.join();
    close(E);
    close(P);
  }
  std::atomic<int64_t> FaultMs{-1};

 private:
  void Run() {
    uint8_t Buf[16384];
    int64_t Count[2] = {0, 0};  // bytes seen toward the engine, toward the peer
    while (!Stop) {
      pollfd Pf[2] = {{P, POLLIN, 0}, {E, POLLIN, 0}};
      if (poll(Pf, 2, 50) <= 0) continue;
      for (int Dir = 0; Dir < 2 && !Stop; ++Dir) {
        if (!(Pf[Dir].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        const ssize_t N = recv(Dir == 0 ? P : E, Buf, sizeof Buf, MSG_DONTWAIT);
        if (N < 0 && errno == EAGAIN) continue;
        std::vector<uint8_t> Out(Buf, Buf + std::max<ssize_t>(N, 0));
        if ((Dir == 0) == Fault.ToEngine || Fault.Kind == K::Telnet) Apply(Out, Count[Dir], Dir == 0);
        Count[Dir] += std::max<ssize_t>(N, 0);
        Stop = N <= 0 || Closed || !WriteAllFd(Dir == 0 ? E : P, Out.data(), Out.size());
      }
    }
    shutdown(E, SHUT_RDWR);
    shutdown(P, SHUT_RDWR);
  }

  // Out holds the bytes from offset Before of its direction.
  void Apply(std::vector<uint8_t>& Out, int64_t Before, bool TowardEngine) {
    const int64_t End = Before + static_cast<int64_t>(Out.size());
    const bool Due = !Applied && Fault.At < End;
    const size_t At = static_cast<size_t>(Fault.At - Before);
    if (Fault.Kind == K::BitFlip) {
      for (; NextFlip < End; NextFlip += Fault.At, Mark()) Out[static_cast<size_t>(NextFlip - Before)] ^= 0x04;
    } else if (Fault.Kind == K::Telnet) {
      std::vector<uint8_t> T;
      for (const uint8_t B : Out) {
        if (TowardEngine) {
          T.push_back(B);
          if (B == 255) T.push_back(255);
          if (++Sprinkle % 997 == 0) T.insert(T.end(), {255, 241});
        } else if (std::exchange(SawIac, !SawIac && B == 255)) {
          if (B == 255) T.push_back(255);
        } else if (B != 255) {
          T.push_back(B);
        }
      }
      Out.swap(T);
      Mark();
    } else if (Due && Fault.Kind == K::Drop) {
      Out.erase(Out.begin() + static_cast<long>(At));
    } else if (Due && Fault.Kind == K::Stall) {
      const auto Until = Clock::now() + std::chrono::milliseconds(Fault.StallMs);
      while (!Stop && Clock::now() < Until) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } else if (Due && Fault.Kind == K::CanBurst) {
      // Always toward the engine: while it sends, straight into the reply stream.
      const std::vector<uint8_t> Cans(10, 24);
      if (TowardEngine)
        Out.insert(Out.begin() + static_cast<long>(At), Cans.begin(), Cans.end());
      else
        WriteAllFd(E, Cans.data(), Cans.size());
    } else if (Due && Fault.Kind == K::Close) {
      WriteAllFd(Fault.ToEngine ? E : P, Out.data(), At);
      Out.clear();
      Closed = true;
    }
    if (Due && Fault.Kind != K::BitFlip && Fault.Kind != K::Telnet) Applied = true, Mark();
  }

  void Mark() {
    if (FaultMs < 0) FaultMs = MsSince(Start);
  }

  int E, P;
  TFault Fault;
  Clock::time_point Start;
  int64_t NextFlip, Sprinkle = 0;
  bool Applied = false, Closed = false, SawIac = false;
  std::atomic<bool> Stop{false};
  std::thread Thread;  // last: starts once the members above exist
};

pid_t StartPeer(const std::vector<std::string>& Args, const std::string& Dir, int Fd, const std::string& Log) {
  const pid_t Pid = fork();
  if (Pid != 0) return Pid;
  if (chdir(Dir.c_str()) != 0) _exit(126);
  const int LogFd = open(Log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  dup2(Fd, 0);
  dup2(Fd, 1);
  if (LogFd >= 0) dup2(LogFd, 2);
  std::vector<char*> Argv;
  for (const auto& A : Args) Argv.push_back(const_cast<char*>(A.c_str()));
  Argv.push_back(nullptr);
  execvp(Argv[0], Argv.data());
  _exit(127);
}

// The peer's exit code (128 + signal when killed by one); kills it after TimeoutMs.
int WaitPeer(pid_t Pid, int TimeoutMs) {
  const auto T0 = Clock::now();
  int St = 0;
  pid_t W;
  while ((W = waitpid(Pid, &St, WNOHANG)) == 0) {
    if (MsSince(T0) > TimeoutMs) {
      kill(Pid, SIGKILL);
      waitpid(Pid, &St, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (W < 0) return -1;
  return WIFEXITED(St) ? WEXITSTATUS(St) : 128 + WTERMSIG(St);
}

int64_t DirBytes(const std::string& Dir) {
  int64_t Sum = 0;
  std::error_code Ec, E2;
  if (Dir.empty()) return 0;
  for (auto It = fs::recursive_directory_iterator(Dir, Ec); !Ec && It != fs::recursive_directory_iterator(); It.increment(Ec))
    if (It->is_regular_file(E2)) Sum += static_cast<int64_t>(It->file_size(E2));
  return Sum;
}

// As the session's start detector would: what it read up to the ZDLE is gone, the rest of
// that read is handed to the engine.
TBytes ReadStart(TSocket& Sock) {
  TBytes Got;
  uint8_t Buf[256];
  for (int32_t N; Sock.DataWaiting(5000) && (N = Sock.ReadBuf(Buf, sizeof Buf)) > 0;) {
    Got.insert(Got.end(), Buf, Buf + N);
    const auto Z = std::find(Got.begin(), Got.end(), uint8_t{24});
    if (Z != Got.end()) return {Z, Got.end()};
  }
  return Got;
}

}  // namespace

TRunResult RunWithPeer(const TRunOptions& O) {
  TRunResult R;
  const auto T0 = Clock::now();
  int A[2], B[2] = {-1, -1};
  socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, A);
  const bool Relayed = O.Fault.Kind != K::None;
  if (Relayed) socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, B);
  const int PeerFd = Relayed ? B[1] : A[1];
  const TTempDir LogDir;
  const std::string LogName = LogDir.Path("peer.log");
  const pid_t Pid = StartPeer(O.PeerArgs, O.PeerDir, PeerFd, LogName);
  close(PeerFd);
  std::unique_ptr<TRelay> Relay;
  if (Relayed) Relay = std::make_unique<TRelay>(A[1], B[0], O.Fault, T0);
  {
    TSocket Sock;
    Sock.AttachHandle(A[0]);
    Sock.TelnetClient = O.Fault.Kind == K::Telnet;
    const TBytes Primed = O.PrimeStart ? ReadStart(Sock) : TBytes{};
    bool Killed = false, DiskOverran = false;
    int64_t NextDiskCheck = 0;
    auto Drive = [&](auto& Z) {
      Z.SetDestDir(O.DownloadDir);
      Z.SetFileList(O.Files);
      Z.StatusInterval = 25;
      Z.StatusProc = [&](const auto&, const TTransferProgress& G) {
        R.HookStarts += G.Starting;
        R.HookEnds += G.Ending;
      };
      O.Upload ? Z.PrepareTransmit() : Z.PrepareReceive();
      while (Z.Step()) {
        if (O.KillPeerAt >= 0 && !Killed && Z.BytesTransferred >= O.KillPeerAt) Killed = kill(Pid, SIGKILL) == 0;
        // A run that writes without end must not fill the disk: the peer goes, the run ends.
        if (!DiskOverran && MsSince(T0) >= NextDiskCheck) {
          NextDiskCheck = MsSince(T0) + 100;
          DiskOverran = DirBytes(O.DownloadDir) + DirBytes(O.PeerDir) > O.MaxDiskBytes;
          if (DiskOverran) kill(Pid, SIGKILL);
        }
        R.EngineOverran = DiskOverran || MsSince(T0) > O.DeadlineMs;
        if (R.EngineOverran) Z.Cancel();
      }
      R.EndMs = MsSince(T0);
      R.Status = Z.ProtocolStatus;
      R.Results = Z.Results();
    };
    if (O.XY) {
      TXYModem X(Sock, *O.XY);
      X.SetReceiveName(O.XName);
      X.BlockWaitMs = O.BlockWaitMs;
      Drive(X);
    } else {
      TZmodem Z(Sock, O.BlockMode);
      Z.LogProc = [&](const TZmodem&, TTransferEvent Ev) { R.Events.push_back(Ev); };
      if (O.Setup) O.Setup(Z);
      Z.Prime(Primed.data(), Primed.size());
      Drive(Z);
    }
  }
  R.PeerExit = WaitPeer(Pid, 15000);
  if (Relay) R.FaultMs = Relay->FaultMs;
  Relay.reset();
  R.PeerLog = ReadFileText(LogName);
  return R;
}

TBytes TestData(size_t Size, uint32_t Seed) {
  std::mt19937 Gen(Seed);
  TBytes B(Size);
  for (auto& X : B) X = static_cast<uint8_t>(Gen());
  // Runs of the bytes with special meaning on the wire: ZDLE, XON/XOFF, 255, "@" CR.
  static const uint8_t Specials[] = {24, 24, 17, 19, 145, 147, 255, 255, '@', 13, '@', 141, 16, 144, 127, '*'};
  for (size_t I = 0; I + sizeof Specials < Size; I += 4099)
    std::copy(std::begin(Specials), std::end(Specials), B.begin() + static_cast<long>(I));
  return B;
}

TFiles Snapshot(const std::string& Root, const std::string& Skip) {
  TFiles M;
  for (const auto& F : fs::recursive_directory_iterator(Root)) {
    const std::string P = F.path().string();
    if ((Skip.empty() || P.rfind(Skip, 0) != 0) && (F.is_regular_file() || F.is_symlink()))
      M[P.substr(Root.size())] = ReadFileBytes(P);
  }
  return M;
}
