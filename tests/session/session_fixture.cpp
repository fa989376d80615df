#include "tests/session/session_fixture.h"

void SessionTest::SetUp() {
  App.Console = std::make_unique<TSDLConsoleScrollback>();
  ASSERT_TRUE(App.Console->OpenScreen(80, 25, 1));
  auto C = std::make_unique<TMemoryClipboard>();
  Clip = C.get();
  App.Session.Clipboard = std::move(C);
  lx::InitPhoneRec(App.Session.CurrentEntry, App.Config);
  Session = std::make_unique<TSession>(App);
  Session->Pause = [](int) {};
  Session->AboutMs = 0;
  App.Config.CapturePath = TempDir + "/";
  Watchdog = std::make_unique<TWatchdog>(std::chrono::seconds(20),
                                         [this] { App.Console->Terminated = true; });
}

void SessionTest::TearDown() {
  EXPECT_FALSE(Watchdog->Stop()) << "a screen waited for a key that was never queued";
  Session.reset();
  EndTerminalSession(App);
  if (PeerFd >= 0) close(PeerFd);
}

std::string DrainFd(int Fd, int WaitMs) {
  std::string Out;
  pollfd P{Fd, POLLIN, 0};
  while (poll(&P, 1, WaitMs) > 0) {
    char Buf[4096];
    const ssize_t N = read(Fd, Buf, sizeof Buf);
    if (N <= 0) break;
    Out.append(Buf, static_cast<size_t>(N));
    WaitMs = 10;
  }
  return Out;
}

void SessionTest::Connect(bool Telnet) {
  if (PeerFd >= 0) close(PeerFd);
  int Fds[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, Fds), 0);
  PeerFd = Fds[1];
  auto Sock = std::make_unique<TSocket>(16384, 16384, -1, -1);
  Sock->TelnetClient = Telnet;
  ASSERT_TRUE(Sock->AttachHandle(Fds[0]));
  App.Session.Socket = std::move(Sock);
  App.Session.Connected = true;
}

std::string SessionTest::RowText(int Y) const {
  std::string S;
  for (int X = 1; X <= App.Console->Cols; ++X) S += static_cast<char>(App.Console->Cell(X, Y).Ch);
  while (!S.empty() && S.back() == ' ') S.pop_back();
  return S;
}

std::string SessionTest::RowsText(int Y1, int Y2) const {
  std::string S = RowText(Y1);
  for (int Y = Y1 + 1; Y <= Y2; ++Y) S += "|" + RowText(Y);
  return S;
}

std::vector<std::string> SessionTest::QueuedPaths() const {
  std::vector<std::string> Out;
  const auto& Q = App.UploadQueue;
  for (int I = 1; I <= Q.Count(); ++I) Out.push_back(Q.Entry(I).FullPath());
  return Out;
}

bool SessionTest::PassUntil(const std::function<bool()>& Done, int LimitMs) {
  const auto End = std::chrono::steady_clock::now() + std::chrono::milliseconds(LimitMs);
  while (!Done() && std::chrono::steady_clock::now() < End && !App.Console->Terminated.load())
    Session->Pass();
  return Done();
}

void SessionTest::AutoAnswer() {
  Session->MessageSeen = [this](const std::string& T) {
    Seen.push_back(T);
    App.Console->PushKey(13);
  };
}
