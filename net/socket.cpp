#include "net/socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// What the resolver thread works on. The thread keeps its own reference, so a Connect that
// gives up (time-out, abort) and a connection object that is freed leave nothing it touches
// dangling; its late result is simply never looked at.
struct TResolveJob {
  std::string Host;
  std::mutex Lock;
  std::condition_variable Cv;
  bool Done = false;
  bool HaveIPv4 = false;
  bool HaveIPv6 = false;
  in_addr IPv4{};
  in6_addr IPv6{};
  int Result = 0;
};

namespace {

constexpr int MaxRetries = 1000;  // reads: pauses without data before giving up
constexpr int RetryPauseMs = 25;
constexpr auto RetryPause = milliseconds(RetryPauseMs);
constexpr int PollStepMs = 250;
constexpr auto DrainLimit = std::chrono::seconds(30);

void ResolveHost(const std::shared_ptr<TResolveJob>& Job) {
  addrinfo Hints{};
  Hints.ai_socktype = SOCK_STREAM;
  addrinfo* List = nullptr;
  const int Result = getaddrinfo(Job->Host.c_str(), nullptr, &Hints, &List);
  bool Have4 = false, Have6 = false;
  in_addr A4{};
  in6_addr A6{};
  if (Result == 0) {
    // The last address of each family wins.
    for (addrinfo* P = List; P != nullptr; P = P->ai_next) {
      if (P->ai_family == AF_INET && P->ai_addrlen >= sizeof(sockaddr_in)) {
        A4 = reinterpret_cast<const sockaddr_in*>(P->ai_addr)->sin_addr;
        Have4 = true;
      } else if (P->ai_family == AF_INET6 && P->ai_addrlen >= sizeof(sockaddr_in6)) {
        A6 = reinterpret_cast<const sockaddr_in6*>(P->ai_addr)->sin6_addr;
        Have6 = true;
      }
    }
    freeaddrinfo(List);
  }
  {
    std::lock_guard<std::mutex> G(Job->Lock);
    Job->HaveIPv4 = Have4;
    Job->HaveIPv6 = Have6;
    Job->IPv4 = A4;
    Job->IPv6 = A6;
    Job->Result = Result;
    Job->Done = true;
  }
  Job->Cv.notify_all();
}

bool IsWouldBlock(int Err) { return Err == EAGAIN || Err == EWOULDBLOCK; }

// IAC SB NAWS, width and height as 16-bit big-endian values (a 255 doubled), IAC SE.
void AppendNaws(std::vector<uint8_t>& Out, uint8_t Width, uint8_t Height) {
  Out.insert(Out.end(), {Telnet::IAC, Telnet::SB, Telnet::OptNAWS});
  for (uint8_t V : {uint8_t{0}, Width, uint8_t{0}, Height}) {
    Out.push_back(V);
    if (V == Telnet::IAC) Out.push_back(Telnet::IAC);
  }
  Out.insert(Out.end(), {Telnet::IAC, Telnet::SE});
}

int PollOne(int Fd, short Events, int TimeoutMs, short& REvents) {
  pollfd P{Fd, Events, 0};
  int R;
  do {
    R = poll(&P, 1, TimeoutMs);
  } while (R < 0 && errno == EINTR);
  REvents = P.revents;
  return R;
}

}  // namespace

TSocket::TSocket(int32_t ReadSize_, int32_t WriteSize_, int32_t ClientReadSize_, int32_t ClientWriteSize_)
    : TSocketBase(ReadSize_, WriteSize_, ClientReadSize_, ClientWriteSize_) {}

TSocket::~TSocket() { Disconnect(); }

std::unique_ptr<TSocketBase> TSocket::Clone() {
  return std::make_unique<TSocket>(ClientReadSize, ClientWriteSize, -1, -1);
}

bool TSocket::SetBlocking(bool Blocking) {
  const int H = Handle.load();
  if (H == -1) return true;
  const int Flags = fcntl(H, F_GETFL);
  if (Flags < 0) return false;
  const int Wanted = Blocking ? (Flags & ~O_NONBLOCK) : (Flags | O_NONBLOCK);
  return fcntl(H, F_SETFL, Wanted) == 0;
}

void TSocket::CloseDescriptor() {
  std::lock_guard<std::mutex> G(HandleLock);
  const int H = Handle.exchange(-1);
  if (H != -1) close(H);
}

void TSocket::CloseHandle() {
  std::shared_ptr<TResolveJob> J;
  {
    std::lock_guard<std::mutex> G(HandleLock);
    Aborted = true;
    Connected = false;
    J = Job;
    if (WakeFd != -1) {
      const uint64_t One = 1;
      [[maybe_unused]] ssize_t N = write(WakeFd, &One, sizeof One);
    }
    const int H = Handle.load();
    if (H != -1) shutdown(H, SHUT_RDWR);
  }
  if (J) {
    // Taking the job's lock orders the flag before a waiter's next look at it.
    { std::lock_guard<std::mutex> G(J->Lock); }
    J->Cv.notify_all();
  }
}

bool TSocket::AttachHandle(int Fd) {
  if (Fd < 0) return false;
  CloseDescriptor();
  {
    std::lock_guard<std::mutex> G(HandleLock);
    Handle = Fd;
    Aborted = false;
  }
  Connected = true;
  ReadPos = ReadCount = WriteCount = 0;
  TelnetState = TelnetCmd = TelnetOpt = 0;
  SubData.clear();
  EOFCount = 0;
  NawsAgreed = false;
  return true;
}

bool TSocket::Connect(const std::string& Host_, uint16_t Port, int32_t Timeout, TAbortCheck AbortCheck) {
  Host = Host_.substr(0, HostMax);
  const auto Deadline = steady_clock::now() + milliseconds(int64_t{std::max<int32_t>(Timeout, 0)} * 10);
  const auto TimeLeftMs = [&Deadline]() -> int {
    const auto Left = std::chrono::duration_cast<milliseconds>(Deadline - steady_clock::now()).count();
    return static_cast<int>(std::clamp<int64_t>(Left, 0, PollStepMs));
  };
  const auto Fail = [this]() {
    Connected = false;
    return false;
  };
  if (Handle.load() != -1) CloseDescriptor();
  ReadPos = ReadCount = WriteCount = 0;
  TelnetState = 0;
  SubData.clear();
  EOFCount = 0;
  NawsAgreed = false;

  // Resolution runs on its own thread so that an abort or the time limit is noticed even when
  // the name service hangs.
  auto J = std::make_shared<TResolveJob>();
  J->Host = Host;
  {
    std::lock_guard<std::mutex> G(HandleLock);
    if (Aborted) return Fail();
    Job = J;
  }
  Resolving = true;
  try {
    std::thread([J] { ResolveHost(J); }).detach();
  } catch (const std::system_error&) {
    Resolving = false;
    return Fail();
  }
  bool Resolved = false;
  bool HaveIPv4 = false, HaveIPv6 = false;
  in_addr A4{};
  in6_addr A6{};
  for (;;) {
    {
      std::unique_lock<std::mutex> L(J->Lock);
      J->Cv.wait_for(L, milliseconds(TimeLeftMs()), [&] { return J->Done || Aborted.load(); });
      if (J->Done) {
        Resolved = true;
        HaveIPv4 = J->HaveIPv4;
        HaveIPv6 = J->HaveIPv6;
        A4 = J->IPv4;
        A6 = J->IPv6;
      }
    }
    if (Resolved || Aborted) break;
    if (AbortCheck && AbortCheck()) break;
    if (steady_clock::now() >= Deadline) break;
  }
  Resolving = false;
  {
    std::lock_guard<std::mutex> G(HandleLock);
    Job.reset();
  }
  if (!Resolved || Aborted) return Fail();

  char Text4[INET_ADDRSTRLEN] = "";
  char Text6[INET6_ADDRSTRLEN] = "";
  if (HaveIPv4) inet_ntop(AF_INET, &A4, Text4, sizeof Text4);
  if (HaveIPv6) inet_ntop(AF_INET6, &A6, Text6, sizeof Text6);

  sockaddr_storage Addr{};
  socklen_t AddrLen = 0;
  const auto Try = [&](bool V6) {
    const char* Text = V6 ? Text6 : Text4;
    if (Text[0] == '\0') return false;
    RemoteIP = Text;
    UseIPv6 = V6;
    Addr = {};
    if (V6) {
      auto* S = reinterpret_cast<sockaddr_in6*>(&Addr);
      S->sin6_family = AF_INET6;
      S->sin6_port = htons(Port);
      S->sin6_addr = A6;
      AddrLen = sizeof(sockaddr_in6);
    } else {
      auto* S = reinterpret_cast<sockaddr_in*>(&Addr);
      S->sin_family = AF_INET;
      S->sin_port = htons(Port);
      S->sin_addr = A4;
      AddrLen = sizeof(sockaddr_in);
    }
    return true;
  };
  bool Chosen = false;
  switch (IPType.load()) {
    case IPTypeIPv4: Chosen = Try(false); break;
    case IPTypeIPv6: Chosen = Try(true); break;
    case IPTypeDefaultIPv6: Chosen = Try(true) || Try(false); break;
    default: Chosen = Try(false) || Try(true); break;
  }
  if (!Chosen) return Fail();

  ReportStatus(StatusKindNotice, "Using address " + RemoteIP);
  int WakeLocal = -1;
  {
    std::lock_guard<std::mutex> G(HandleLock);
    if (Aborted) return Fail();
    const int H = socket(UseIPv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (H < 0) {
      const int Err = errno;
      ReportStatus(StatusKindFailure, "Cannot create socket " + std::to_string(Err));
      return Fail();
    }
    Handle = H;
    WakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    WakeLocal = WakeFd;
  }
  const auto ReleaseWake = [this]() {
    std::lock_guard<std::mutex> G(HandleLock);
    if (WakeFd != -1) close(WakeFd);
    WakeFd = -1;
  };

  bool Ok = false;
  const int H = Handle.load();
  SetBlocking(false);
  int R = connect(H, reinterpret_cast<const sockaddr*>(&Addr), AddrLen);
  if (R == 0) {
    Ok = true;
  } else if (errno == EINPROGRESS || errno == EINTR) {
    for (;;) {
      pollfd P[2] = {{H, POLLOUT, 0}, {WakeLocal, POLLIN, 0}};
      R = poll(P, WakeLocal != -1 ? 2 : 1, TimeLeftMs());
      if (Aborted) break;
      if (R < 0 && errno != EINTR) {
        ReportStatus(StatusKindFailure, "WFD result " + std::to_string(errno));
        break;
      }
      if (R > 0 && P[0].revents != 0) {
        // Writable also means "failed": a refused or unreachable peer shows up in SO_ERROR.
        int Err = 0;
        socklen_t Len = sizeof Err;
        if (getsockopt(H, SOL_SOCKET, SO_ERROR, &Err, &Len) == 0 && Err == 0) Ok = true;
        break;
      }
      if (AbortCheck && AbortCheck()) break;
      if (steady_clock::now() >= Deadline) break;
    }
  }
  ReleaseWake();
  SetBlocking(true);
  if (Ok) {
    const int On = 1;
    if (setsockopt(H, SOL_SOCKET, SO_KEEPALIVE, &On, sizeof On) != 0)
      ReportStatus(StatusKindFailure, "Cannot set keepalive");
  }
  {
    std::lock_guard<std::mutex> G(HandleLock);
    if (Ok && !Aborted) {
      Connected = true;
      return true;
    }
  }
  CloseDescriptor();
  return Fail();
}

void TSocket::Disconnect() {
  const int H = Handle.load();
  if (H != -1) {
    shutdown(H, SHUT_RDWR);
    // Take what the peer still sends so that it sees an orderly close, but never for long.
    const auto End = steady_clock::now() + DrainLimit;
    uint8_t Junk[4096];
    for (;;) {
      const auto Left = std::chrono::duration_cast<milliseconds>(End - steady_clock::now()).count();
      if (Left <= 0) break;
      short REvents = 0;
      if (PollOne(H, POLLIN, static_cast<int>(Left), REvents) <= 0) break;
      if (recv(H, Junk, sizeof Junk, MSG_DONTWAIT) <= 0) break;
    }
    CloseDescriptor();
  }
  Connected = false;
}

int32_t TSocket::WaitForData(int32_t TimeoutMs, bool ForRead) {
  const int H = Handle.load();
  short REvents = 0;
  int R = -1;
  int Err = EBADF;
  if (H != -1) {
    R = PollOne(H, ForRead ? POLLIN : POLLOUT, TimeoutMs < 0 ? -1 : TimeoutMs, REvents);
    Err = errno;
    if (R > 0 && (REvents & POLLNVAL)) {
      R = -1;
      Err = EBADF;
    }
  }
  if (R < 0) {
    Connected = false;
    ReportStatus(StatusKindFailure, "WFD result " + std::to_string(Err));
    return -1;
  }
  return R > 0 ? 1 : 0;
}

int32_t TSocket::SendWithRetry(const uint8_t* Buf, int32_t Len, const char* StatusText, const char* ResultText) {
  if (Len <= 0) return 0;
  const int H = Handle.load();
  if (H == -1) {
    Connected = false;
    ReportStatus(StatusKindFailure, std::string(ResultText) + std::to_string(EBADF));
    return -1;
  }
  int32_t Sent = 0;
  int Retries = 0;
  // A short count is followed by the rest: a dropped tail would corrupt what the BBS gets. The
  // send never blocks outright: a peer that stops reading holds the program up for at most
  // SendRetries pauses without progress, then the write gives up (the link stays up).
  while (Sent < Len) {
    // MSG_NOSIGNAL: a peer that has gone must give an error here, not kill the program.
    const ssize_t N = send(H, Buf + Sent, static_cast<size_t>(Len - Sent), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (N >= 0) {
      Sent += static_cast<int32_t>(N);
      Retries = 0;
      continue;
    }
    const int Err = errno;
    if (Err == EINTR) continue;
    if (Retries >= SendRetries) return Sent > 0 ? Sent : -1;
    ++Retries;
    if (IsWouldBlock(Err)) {
      short REvents = 0;
      PollOne(H, POLLOUT, RetryPauseMs, REvents);
      continue;
    }
    ReportStatus(StatusKindFailure, std::string(StatusText) + std::to_string(Err));
    Connected = false;
    ReportStatus(StatusKindFailure, std::string(ResultText) + std::to_string(Err));
    return -1;
  }
  return Sent;
}

// Negotiation answers are produced by what the peer sends, so a peer that floods requests and
// never reads must not be able to block the program in send: an answer that does not fit in
// the socket's buffer right now is dropped.
void TSocket::SendAnswer(const uint8_t* Buf, int32_t Len) {
  const int H = Handle.load();
  if (H == -1) return;
  ssize_t N;
  do {
    N = send(H, Buf, static_cast<size_t>(Len), MSG_NOSIGNAL | MSG_DONTWAIT);
  } while (N < 0 && errno == EINTR);
  if (N < 0 && !IsWouldBlock(errno)) {
    const int Err = errno;
    Connected = false;
    ReportStatus(StatusKindFailure, "WB Socket Write result " + std::to_string(Err));
  }
}

int32_t TSocket::WriteBuf(const uint8_t* Buf, int32_t Len) {
  if (TelnetClient) return TelnetWrite(Buf, Len);
  return SendWithRetry(Buf, Len, "WB Socket Write status ", "WB Socket Write result ");
}

int32_t TSocket::WriteStr(std::string_view S) {
  if (S.size() > static_cast<size_t>(INT32_MAX)) S = S.substr(0, INT32_MAX);
  const auto* Data = reinterpret_cast<const uint8_t*>(S.data());
  const auto Len = static_cast<int32_t>(S.size());
  if (TelnetClient) return TelnetWrite(Data, Len);
  return SendWithRetry(Data, Len, "WS Socket write status ", "WB Socket Write result ");
}

int32_t TSocket::WriteTelnetCommand(uint8_t Cmd) {
  if (!TelnetClient) return 0;
  const uint8_t Command[2] = {Telnet::IAC, Cmd};
  return SendWithRetry(Command, 2, "WBE Socket Write status ", "WBE Socket Write result ");
}

// Returns how many of Buf's bytes went out whole (a 255 counts once both copies are sent).
int32_t TSocket::TelnetWrite(const uint8_t* Buf, int32_t Len) {
  std::vector<uint8_t> Out;
  Out.reserve(static_cast<size_t>(std::max(Len, 0)) * 2);
  for (int32_t I = 0; I < Len; ++I) {
    Out.push_back(Buf[I]);
    if (Buf[I] == Telnet::IAC) Out.push_back(Telnet::IAC);
  }
  const int32_t Sent = SendWithRetry(Out.data(), static_cast<int32_t>(Out.size()), "WBE Socket Write status ",
                                     "WBE Socket Write result ");
  if (Sent < 0 || Sent == static_cast<int32_t>(Out.size())) return Sent < 0 ? Sent : Len;
  int32_t Whole = 0;
  for (int32_t Pos = 0; Whole < Len; ++Whole) {
    Pos += Buf[Whole] == Telnet::IAC ? 2 : 1;
    if (Pos > Sent) break;
  }
  return Whole;
}

void TSocket::BufFlush() {
  if (WriteCount < 1) return;
  if (TelnetClient)
    TelnetWrite(WriteBuffer.data(), WriteCount);
  else
    WriteBuf(WriteBuffer.data(), WriteCount);
  WriteCount = 0;
}

int32_t TSocket::ReadBuf(uint8_t* Buf, int32_t Len) {
  if (Len < 0) Len = 0;
  if (ReadPos >= ReadCount) {
    if (!Connected) return -1;
    ReadPos = 0;
    ReadCount = 0;
    const int H = Handle.load();
    ssize_t N = recv(H, ReadBuffer.data(), static_cast<size_t>(ReadSize), 0);
    if (N == 0) {
      // The peer closed: a few empty reads are tolerated before the link counts as gone.
      if (Len < 1) return 0;
      if (++EOFCount < 31) return 0;
      Connected = false;
      return -1;
    }
    EOFCount = 0;
    int Retries = 0;
    while (N < 0) {
      const int Err = errno;
      if (Err == EINTR) {
        N = recv(H, ReadBuffer.data(), static_cast<size_t>(ReadSize), 0);
        continue;
      }
      if (Retries >= MaxRetries) return 0;
      ++Retries;
      ReportStatus(StatusKindFailure, "RB Socket read status " + std::to_string(Err));
      if (IsWouldBlock(Err)) {
        std::this_thread::sleep_for(RetryPause);
        N = recv(H, ReadBuffer.data(), static_cast<size_t>(ReadSize), 0);
        continue;
      }
      Connected = false;
      LastError = ("RB Socket read buffer result " + std::to_string(N) + " " + std::to_string(Err))
                      .substr(0, LastErrorMax);
      if (Err != 0) ReportStatus(StatusKindFailure, "RB Socket read result " + std::to_string(Err));
      return -1;
    }
    ReadCount = static_cast<int32_t>(N);
    if (TelnetClient) TelnetFilter();
  }
  const int32_t Count = std::min(Len, ReadCount - ReadPos);
  if (Count > 0) {
    std::memcpy(Buf, ReadBuffer.data() + ReadPos, static_cast<size_t>(Count));
    ReadPos += Count;
  }
  return Count;
}

// Removes telnet commands from the fresh block in place, answering what needs an answer.
// The state survives between blocks, so a command split across two receives is completed.
void TSocket::TelnetFilter() {
  int32_t Out = 0;
  for (int32_t I = 0; I < ReadCount; ++I) {
    const uint8_t B = ReadBuffer[static_cast<size_t>(I)];
    switch (TelnetState) {
      case 0:
        if (B == Telnet::IAC)
          TelnetState = 1;
        else
          ReadBuffer[static_cast<size_t>(Out++)] = B;
        break;
      case 1:
        if (B >= Telnet::SB && B <= Telnet::DONT) {
          TelnetCmd = B;
          TelnetState = 2;
        } else {
          // IAC IAC is a data 255; every one-byte command (NOP, GA, ...) vanishes.
          if (B == Telnet::IAC) ReadBuffer[static_cast<size_t>(Out++)] = B;
          TelnetState = 0;
        }
        break;
      case 2:
        TelnetState = 0;
        if (B == Telnet::IAC) {
          TelnetState = 1;
        } else if (TelnetCmd == Telnet::SB) {
          TelnetOpt = B;
          SubData.clear();
          TelnetState = 3;
        } else if (TelnetCmd == Telnet::WILL || TelnetCmd == Telnet::DO) {
          TelnetAnswer(TelnetCmd, B);
        } else {
          TelnetRefused(TelnetCmd, B);
        }
        break;
      default:
        if (B == Telnet::SE) {
          if (TelnetOpt == Telnet::OptTerminalType) {
            std::vector<uint8_t> Reply = {Telnet::IAC, Telnet::SB, Telnet::OptTerminalType, 0};
            const std::string Name = TermType.substr(0, TermTypeMax);
            for (char C : Name) {
              Reply.push_back(static_cast<uint8_t>(C));
              if (static_cast<uint8_t>(C) == Telnet::IAC) Reply.push_back(Telnet::IAC);
            }
            // The name ends at IAC SE: a NUL after it would become part of the name.
            Reply.insert(Reply.end(), {Telnet::IAC, Telnet::SE});
            SendAnswer(Reply.data(), static_cast<int32_t>(Reply.size()));
          }
          SubData.clear();
          TelnetState = 0;
        } else if (B != 0 && B != Telnet::IAC && SubData.size() < SubDataMax) {
          SubData.push_back(static_cast<char>(B));
        }
        break;
    }
  }
  ReadCount = Out;
}

void TSocket::TelnetAnswer(uint8_t Cmd, uint8_t Opt) {
  const bool Will = Cmd == Telnet::WILL;
  uint8_t Reply;
  switch (Opt) {
    case Telnet::OptBinary:
    case Telnet::OptEcho:
    case Telnet::OptSuppressGoAhead:
    case Telnet::OptTerminalType:
      Reply = Will ? Telnet::DO : Telnet::WILL;
      break;
    case Telnet::OptNAWS: {
      // The window size is ours to tell: agree with WILL (servers such as telnetd wait for it
      // before they start the login), then tell it. A DO repeated after that only asks for
      // the size again, so no second WILL can start a negotiation loop.
      const uint8_t W = WinWidth, H = WinHeight;
      if (!Will && W > 0 && H > 0) {
        std::vector<uint8_t> Naws;
        if (!NawsAgreed) Naws = {Telnet::IAC, Telnet::WILL, Telnet::OptNAWS};
        AppendNaws(Naws, W, H);
        NawsAgreed = true;
        SendAnswer(Naws.data(), static_cast<int32_t>(Naws.size()));
        return;
      }
      Reply = Will ? Telnet::DONT : Telnet::WONT;
      break;
    }
    default:
      Reply = Will ? Telnet::DONT : Telnet::WONT;
      break;
  }
  const uint8_t Answer[3] = {Telnet::IAC, Reply, Opt};
  SendAnswer(Answer, 3);
  // The peer takes charge of echoing (or refuses to): local echo would double every key.
  if (Opt == Telnet::OptEcho) Echo = false;
}

// WONT and DONT need no answer, except a DONT for the window size we agreed to send: it is
// acknowledged, and no further sizes go out.
void TSocket::TelnetRefused(uint8_t Cmd, uint8_t Opt) {
  if (Cmd != Telnet::DONT || Opt != Telnet::OptNAWS || !NawsAgreed) return;
  NawsAgreed = false;
  const uint8_t Answer[3] = {Telnet::IAC, Telnet::WONT, Telnet::OptNAWS};
  SendAnswer(Answer, 3);
}

void TSocket::SetWindowSize(uint8_t Cols, uint8_t Rows) {
  TSocketBase::SetWindowSize(Cols, Rows);
  if (!TelnetClient || !NawsAgreed || Cols == 0 || Rows == 0) return;
  std::vector<uint8_t> Naws;
  AppendNaws(Naws, Cols, Rows);
  SendAnswer(Naws.data(), static_cast<int32_t>(Naws.size()));
}
