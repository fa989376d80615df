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

#include "net/socket.h"

namespace {

using Clock = std::chrono::steady_clock;

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

// Forwards bytes both ways between the engine's end and the peer's end, applying one fault.
class TRelay {
 public:
  TRelay(int EngineFd, int PeerFd, TFault F, Clock::time_point T0)
      : E(EngineFd), P(PeerFd), Fault(F), Start(T0), Thread([this] { Run(); }) {}
  ~TRelay() {
    Stop = true;
    Thread.join();
    if (E >= 0) close(E);
    if (P >= 0) close(P);
  }
  int64_t FaultMs() const { return FaultAt.load(); }

 private:
  void Run() {
    uint8_t Buf[16384];
    int64_t Count[2] = {0, 0};  // bytes seen toward the engine, toward the peer
    int64_t NextFlip = Fault.At;
    while (!Stop) {
      pollfd Pf[2] = {{P, POLLIN, 0}, {E, POLLIN, 0}};
      if (poll(Pf, 2, 50) <= 0) continue;
      for (int Dir = 0; Dir < 2; ++Dir) {
        if (!(Pf[Dir].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        const int From = Dir == 0 ? P : E, To = Dir == 0 ? E : P;
        const ssize_t N = recv(From, Buf, sizeof Buf, MSG_DONTWAIT);
        if (N < 0 && errno == EAGAIN) continue;
        if (N <= 0) {
          Stop = true;
          break;
        }
        std::vector<uint8_t> Out(Buf, Buf + N);
        const bool Target = (Dir == 0) == Fault.ToEngine || Fault.Kind == TFault::TKind::Telnet;
        const int64_t Before = Count[Dir];
        Count[Dir] += N;
        if (Target && !Applied) ApplyFault(Out, Before, NextFlip, Dir == 0);
        if (Closed) {
          Stop = true;
          break;
        }
        if (!WriteAllFd(To, Out.data(), Out.size())) {
          Stop = true;
          break;
        }
      }
    }
    // Whichever side hung up, the relay hangs up on both.
    shutdown(E, SHUT_RDWR);
    shutdown(P, SHUT_RDWR);
  }

  void Mark() {
    if (FaultAt.load() < 0) FaultAt = MsSince(Start);
  }

  void ApplyFault(std::vector<uint8_t>& Out, int64_t Before, int64_t& NextFlip, bool TowardEngine) {
    const int64_t End = Before + static_cast<int64_t>(Out.size());
    switch (Fault.Kind) {
      case TFault::TKind::None:
        break;
      case TFault::TKind::BitFlip:
        while (NextFlip < End) {
          Out[static_cast<size_t>(NextFlip - Before)] ^= 0x04;
          NextFlip += Fault.At;
          Mark();
        }
        break;
      case TFault::TKind::Drop:
        if (Fault.At < End) {
          Out.erase(Out.begin() + (Fault.At - Before));
          Applied = true;
          Mark();
        }
        break;
      case TFault::TKind::Stall:
        if (Fault.At < End) {
          Applied = true;
          Mark();
          const auto Until = Clock::now() + std::chrono::milliseconds(Fault.StallMs);
          while (!Stop && Clock::now() < Until) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        break;
      case TFault::TKind::CanBurst:
        // Always toward the engine: while it sends, straight into the reply stream.
        if (Fault.At < End) {
          if (TowardEngine) {
            Out.insert(Out.begin() + (Fault.At - Before), 10, uint8_t{24});
          } else {
            const std::vector<uint8_t> Cans(10, 24);
            WriteAllFd(E, Cans.data(), Cans.size());
          }
          Applied = true;
          Mark();
        }
        break;
      case TFault::TKind::Telnet: {
        std::vector<uint8_t> T;
        for (const uint8_t B : Out) {
          if (TowardEngine) {
            T.push_back(B);
            if (B == 255) T.push_back(255);
            if (++Sprinkle % 997 == 0) T.insert(T.end(), {255, 241});  // IAC NOP
          } else if (SawIac) {
            if (B == 255) T.push_back(255);  // any other command is dropped
            SawIac = false;
          } else if (B == 255) {
            SawIac = true;
          } else {
            T.push_back(B);
          }
        }
        Out.swap(T);
        Mark();
        break;
      }
      case TFault::TKind::Close:
        if (Fault.At < End) {
          Out.resize(static_cast<size_t>(Fault.At - Before));
          WriteAllFd(Fault.ToEngine ? E : P, Out.data(), Out.size());
          Out.clear();
          Applied = Closed = true;
          Mark();
        }
        break;
    }
  }

  int E, P;
  TFault Fault;
  Clock::time_point Start;
  std::atomic<bool> Stop{false};
  bool Applied = false;
  bool Closed = false;
  bool SawIac = false;
  int64_t Sprinkle = 0;
  std::atomic<int64_t> FaultAt{-1};
  std::thread Thread;
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
  for (;;) {
    const pid_t R = waitpid(Pid, &St, WNOHANG);
    if (R == Pid) break;
    if (R < 0) return -1;
    if (MsSince(T0) > TimeoutMs) {
      kill(Pid, SIGKILL);
      waitpid(Pid, &St, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return WIFEXITED(St) ? WEXITSTATUS(St) : 128 + WTERMSIG(St);
}

// Bytes in the regular files under Dir (0 when there is no such directory).
int64_t DirBytes(const std::string& Dir) {
  namespace fs = std::filesystem;
  int64_t Sum = 0;
  std::error_code Ec;
  if (Dir.empty()) return 0;
  for (auto It = fs::recursive_directory_iterator(Dir, Ec); !Ec && It != fs::recursive_directory_iterator();
       It.increment(Ec)) {
    std::error_code E2;
    if (It->is_regular_file(E2)) Sum += static_cast<int64_t>(It->file_size(E2));
  }
  return Sum;
}

}  // namespace

TRunResult RunWithPeer(const TRunOptions& O) {
  TRunResult R;
  const auto T0 = Clock::now();
  int A[2], B[2] = {-1, -1};
  socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, A);
  const bool Relayed = O.Fault.Kind != TFault::TKind::None;
  if (Relayed) socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, B);
  const int PeerFd = Relayed ? B[1] : A[1];
  char LogName[] = "/tmp/lx-zpeer-XXXXXX";
  const int LogFd = mkstemp(LogName);
  if (LogFd >= 0) close(LogFd);
  const std::string Log = LogName;
  const pid_t Pid = StartPeer(O.PeerArgs, O.PeerDir, PeerFd, Log);
  close(PeerFd);
  std::unique_ptr<TRelay> Relay;
  if (Relayed) Relay = std::make_unique<TRelay>(A[1], B[0], O.Fault, T0);

  // As the session's start detector would: what it read up to the ZDLE is gone, the rest
  // of that read is handed to the engine.
  std::vector<uint8_t> Primed;
  while (O.PrimeStart && MsSince(T0) < 5000) {
    pollfd Pf{A[0], POLLIN, 0};
    uint8_t Buf[256];
    if (poll(&Pf, 1, 100) <= 0) continue;
    const ssize_t N = recv(A[0], Buf, sizeof Buf, 0);
    if (N <= 0) break;
    Primed.insert(Primed.end(), Buf, Buf + N);
    const auto Z = std::find(Primed.begin(), Primed.end(), uint8_t{24});
    if (Z != Primed.end()) {
      Primed.erase(Primed.begin(), Z);
      break;
    }
  }
  {
    TSocket Sock;
    Sock.AttachHandle(A[0]);
    Sock.TelnetClient = O.Fault.Kind == TFault::TKind::Telnet;
    bool Killed = false;
    int64_t NextDiskCheck = 0;
    auto Drive = [&](auto& Z) {
      Z.SetDestDir(O.DownloadDir);
      Z.SetFileList(O.Files);
      Z.StatusInterval = 25;
      Z.StatusProc = [&](const auto&, const TTransferProgress& G) {
        R.HookStarts += G.Starting;
        R.HookEnds += G.Ending;
      };
      if (O.Upload)
        Z.PrepareTransmit();
      else
        Z.PrepareReceive();
      while (Z.Step()) {
        if (O.KillPeerAt >= 0 && !Killed && Z.BytesTransferred >= O.KillPeerAt) {
          kill(Pid, SIGKILL);
          Killed = true;
        }
        // A run that writes without end must not fill the disk: the peer goes, the run ends.
        if (MsSince(T0) >= NextDiskCheck) {
          NextDiskCheck = MsSince(T0) + 100;
          if (DirBytes(O.DownloadDir) + DirBytes(O.PeerDir) > O.MaxDiskBytes) {
            R.DiskOverran = R.EngineOverran = true;
            kill(Pid, SIGKILL);
            Z.Cancel();
          }
        }
        if (MsSince(T0) > O.DeadlineMs) {
          R.EngineOverran = true;
          Z.Cancel();
        }
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
  if (Relay) R.FaultMs = Relay->FaultMs();
  Relay.reset();
  const TBytes L = ReadFileBytes(Log);
  R.PeerLog.assign(L.begin(), L.end());
  unlink(Log.c_str());
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

std::map<std::string, TBytes> Snapshot(const std::string& Root, const std::string& Skip) {
  namespace fs = std::filesystem;
  std::map<std::string, TBytes> M;
  std::error_code Ec;
  for (auto It = fs::recursive_directory_iterator(Root, Ec); It != fs::recursive_directory_iterator(); ++It) {
    const std::string P = It->path().string();
    if (!Skip.empty() && P.rfind(Skip, 0) == 0) continue;
    if (It->is_regular_file() || It->is_symlink()) M[P.substr(Root.size())] = ReadFileBytes(P);
  }
  return M;
}
