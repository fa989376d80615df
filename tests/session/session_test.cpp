#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>
#include <tuple>
#include <vector>

#include "net/bbs_server_process.h"
#include "net/net_test_util.h"
#include "net/socket.h"
#include "tests/session/session_fixture.h"

namespace {

TEST_F(SessionTest, KeysGoOutOnlyWhileConnected) {
  Session->HandleExtKey(59);
  Session->HandleKey('a');
  Connect();
  EXPECT_EQ(Sent(), "");
  for (char Ch : std::string("abZ\x1b\x08")) Session->HandleKey(static_cast<uint8_t>(Ch));
  for (uint8_t Code : {59, 68, 72, 83}) Session->HandleExtKey(Code);
  EXPECT_EQ(Sent(), "abZ\x1b\x08\x1bOP\x1b[21~\x1b[A\x7f");
  // ENTER with and without the line feed; with local echo only the CR is shown.
  App.Session.CurrentEntry.SendCRLF = 0;
  Session->HandleKey(13);
  EXPECT_EQ(Sent(), "\r");
  App.Session.CurrentEntry.SendCRLF = 1;
  App.Session.CurrentEntry.EchoMode = 1;
  App.Console->GotoXY(5, 5);
  Session->HandleKey(13);
  EXPECT_EQ(Sent(), "\r\n");
  EXPECT_EQ(App.Console->CursorX, 1);
  EXPECT_EQ(App.Console->CursorY, 5);
}

// Typed characters and a paste go out in the entry's character set.
TEST_F(SessionTest, TypedAndPastedTextInTheEntrysCharacterSet) {
  Connect();
  const std::string Text = "M\u00fcller@\u00e9\u20ac\U0001F600";
  for (const auto& [Charset, Out] : {std::pair<uint8_t, std::string>{lx::CharsetCP437, "M\x81ller@\x82??"},
                                     {lx::CharsetUTF8, Text}}) {
    App.Session.CurrentEntry.Charset = Charset;
    for (char32_t Ch : std::u32string(U"M\u00fcller@\u00e9\u20ac\U0001F600")) App.Console->PushText(Ch);
    while (App.Console->KeyPressed()) Session->Pass();
    Clip->Text = Text;
    Session->RunMenuCommand('P');
    EXPECT_EQ(Sent(), Out + Out);
  }
}

// Offline the loop sleeps longer between passes (keys and clicks end the wait); the status
// bar is still redrawn when the minute changes, each 10 ms waited counting as one pass.
TEST_F(SessionTest, OfflineStatusBarFollowsTheMinuteWithFewerPasses) {
  App.Session.StatusBarOn = false;
  Session->HandleExtKey(31);  // ALT-S
  ASSERT_TRUE(App.Session.StatusBarOn);
  const std::string Bar = RowText(25);
  App.Console->WriteXY(1, 25, 7, "scribbled over");
  Session->MinuteOfDay = [] { return 13 * 60 + 7; };
  Session->Idle = TIdleState{};
  int Passes = 0;
  while (Passes < 60 && RowText(25) != Bar) {
    Session->Pass();
    ++Passes;
  }
  EXPECT_EQ(RowText(25), Bar);
  EXPECT_LT(Passes, 60);
  Keys("x");
  Session->Pass();  // a waiting key is taken at once
  EXPECT_FALSE(App.Console->KeyPressed());
}

TEST_F(SessionTest, EchoModes) {
  Connect();
  auto& E = App.Session.CurrentEntry;
  auto Typed = [&](char Ch) {
    App.Console->GotoXY(1, 10);
    App.Console->WriteXY(1, 10, 7, " ");
    Session->HandleKey(static_cast<uint8_t>(Ch));
    return App.Console->Cell(1, 10).Ch == static_cast<uint8_t>(Ch);
  };
  E.EchoMode = 0;
  App.Session.Socket->Echo = true;
  EXPECT_FALSE(Typed('a'));
  E.EchoMode = 1;
  App.Session.Socket->Echo = false;
  EXPECT_TRUE(Typed('b'));
  E.EchoMode = 2;
  EXPECT_FALSE(Typed('c'));
  Record();
  Keys("\r");
  Session->HandleExtKey(18);  // ALT-E
  EXPECT_TRUE(App.Session.Socket->Echo.load());
  EXPECT_TRUE(Typed('d'));
  Keys("\r");
  Session->HandleExtKey(18);
  EXPECT_FALSE(Typed('e'));
  EXPECT_EQ(Seen, (std::vector<std::string>{"Echo mode ON", "Echo mode OFF"}));
  EXPECT_EQ(Sent(), "abcde");
}

TEST_F(SessionTest, LoginKeyAndMacros) {
  auto& E = App.Session.CurrentEntry;
  E.UserName = "sysop";
  E.Password = "pw";
  Connect();
  Session->HandleExtKey(38);  // ALT-L
  EXPECT_EQ(Sent(), "sysop\rpw\r");
  Session->HandleExtKey(94);
  Session->HandleExtKey(95);
  EXPECT_EQ(Sent(), "sysop\rpw\r");
  // A pause inside a macro holds back the whole text until it is over.
  App.Config.Macros[2] = "a@PAb";
  std::string AtPause = "unset";
  Session->Pause = [&](int Ms) {
    EXPECT_EQ(Ms, 500);
    AtPause = Sent(5);
  };
  Session->HandleExtKey(96);
  EXPECT_EQ(AtPause, "");
  EXPECT_EQ(Sent(), "ab");
}

TEST_F(SessionTest, ReceivedDataReachesScreenAndCapture) {
  // Unlimited, then an emulated 300 bps line on a clock that runs 50 ms a look: what the board
  // sent before it hung up is all shown, and captured, before the session hangs up.
  int64_t Now = 0;
  for (uint8_t Speed : {0, 1}) {
    SCOPED_TRACE(int(Speed));
    if (Speed) {
      TearDown();
      SetUp();
      Session->MicrosNow = [&] { return Now += 50'000; };
    }
    Connect();
    App.Session.Pacer.SetSpeed(Speed, 0);
    App.Session.CurrentEntry.Name = "Test BBS";
    App.Session.CurrentEntry.Address = "127.0.0.1:2323";
    App.Session.CurrentEntry.CaptureFile = "session" + std::to_string(Speed) + ".cap";
    AutoAnswer();
    Session->HandleExtKey(25);  // ALT-P
    ASSERT_TRUE(App.Session.CaptureOn);
    Remote("\x1b[2J\x1b[1;1HHello\x18xyz\x18" "B02");
    for (int i = 0; i < 20 && RowText(1).find("B02") == std::string::npos && !Speed; ++i) Session->Pass();
    if (!Speed) {
      EXPECT_EQ(RowText(1).substr(0, 5), "Hello");
      EXPECT_NE(RowText(1).find("B02"), std::string::npos);
    }
    // The server closes: the read fails and the session hangs up.
    close(PeerFd);
    PeerFd = -1;
    for (int i = 0; i < 200 && App.Session.Connected; ++i) Session->Pass();
    EXPECT_FALSE(App.Session.Connected);
    EXPECT_FALSE(App.Session.CaptureOn);
    EXPECT_EQ(Seen.back(), "Connection terminated");
    const std::string Cap = ReadFileText(TempDir + "/" + App.Session.CurrentEntry.CaptureFile);
    EXPECT_EQ(Cap.find("\n----> Capture: Test BBS (127.0.0.1:2323) "), 0u);
    EXPECT_NE(Cap.find(" Start\n\x1b[2J\x1b[1;1HHelloxyzB02\n----> Capture: Disconnected\n"), std::string::npos);
    // The terminal-ready screen is back.
    EXPECT_NE(RowText(9).find("Terminal ready"), std::string::npos);
  }
}

// A local screen over the session gives the board back its region, cursor and wrap.
TEST_F(SessionTest, ScrollbackViewerGivesTheBoardItsRegionBack) {
  Connect();
  std::string Lines;
  for (int I = 0; I < 40; ++I) Lines += "line\r\n";
  Remote(Lines + "\x1b[3;10r\x1b[10;5H");
  for (int I = 0; I < 20 && App.Console->CursorX != 5; ++I) Session->Pass();
  ASSERT_GT(App.Console->ScrollbackCount, 0);
  Keys("\x1b");
  Session->HandleExtKey(48);  // ALT-B
  EXPECT_EQ(std::tuple(App.Console->WinY1, App.Console->WinY2, App.Console->CursorX, App.Console->CursorY),
            std::tuple(3, 10, 5, 10));
}

TEST_F(SessionTest, CaptureNeedsAName) {
  Record();
  Connect();
  App.Session.CurrentEntry.CaptureFile.clear();
  Keys("\x1b");  // ESC in the file-name box
  Session->HandleExtKey(25);
  EXPECT_FALSE(App.Session.CaptureOn);
  EXPECT_TRUE(Seen.empty());
  App.Session.CurrentEntry.CaptureFile = "no/such/dir/x.cap";
  Keys("\r");
  Session->HandleExtKey(25);
  EXPECT_FALSE(App.Session.CaptureOn);
  EXPECT_EQ(Seen.back(), "Unable to open capture file");
}

TEST_F(SessionTest, KeepAliveWithInjectedClock) {
  Connect(true);
  App.Session.CurrentEntry.Protocol = 1;
  int Minute = 100;
  Session->MinuteOfDay = [&] { return Minute; };
  Session->Idle = TIdleState{};
  Session->Idle.KeepAliveMinute = 100;
  for (int i = 0; i < 60; ++i) Session->Pass();
  EXPECT_EQ(Sent(5), "");
  Minute = 101;
  for (int i = 0; i < 60; ++i) Session->Pass();
  EXPECT_EQ(Sent(), "\xff\xf1");
  // Typing within the minute keeps it quiet.
  Minute = 102;
  Session->HandleKey('x');
  for (int i = 0; i < 120; ++i) Session->Pass();
  EXPECT_EQ(Sent(), "x");
}

// The status bar takes a row from the remote side: a peer that agreed to hear the window
// size is told each change.
TEST_F(SessionTest, StatusBarToggleTellsTheWindowSize) {
  Connect(true);
  App.Session.Socket->SetWindowSize(80, 25);
  Remote("\xff\xfd\x1f");
  Session->Pass();
  EXPECT_EQ(Sent(), std::string("\xff\xfb\x1f\xff\xfa\x1f\x00\x50\x00\x19\xff\xf0", 12));
  Session->HandleExtKey(31);
  EXPECT_EQ(Sent(), std::string("\xff\xfa\x1f\x00\x50\x00\x18\xff\xf0", 9));
  Session->HandleExtKey(31);
  EXPECT_EQ(Sent(), std::string("\xff\xfa\x1f\x00\x50\x00\x19\xff\xf0", 9));
}

TEST_F(SessionTest, MouseReportsOnlyWhileTheBoardAsksSelectionAndPaste) {
  Connect();
  App.Session.CurrentEntry.Mouse = 1;
  const auto Click = [this] {
    App.Console->MouseInputs.Push({TMouseInput::TKind::Press, 0, 0, 3, 4});
    Session->Pass();
    return Sent(5);
  };
  EXPECT_EQ(Click(), "");
  Remote("\x1b[?1000h\x1b[?1006h\x1b[1;10r");
  Session->Pass();
  EXPECT_EQ(Click(), "\x1b[<0;3;4M");
  App.Session.CurrentEntry.Mouse = 0;  // the entry forbids it
  EXPECT_EQ(Click(), "");

  App.Console->WriteXY(1, 2, 7, "  copy m\x82   ");
  App.Console->WriteXY(1, 3, 7, "  \xdb\x10 me  ");
  Record();
  Keys("\r");
  Session->HandleMouse(TMouseEvent{3, 1, 2, 12, 3});
  EXPECT_EQ(Clip->Text, "copy mé\r\n  █► me");  // code page 437 goes out as UTF-8
  EXPECT_EQ(Seen.back(), "Text added to clipboard");

  Clip->Text = "line1\r\n╔é€";
  Session->RunMenuCommand('P');
  EXPECT_EQ(Sent(), "line1\r\n\xc9\x82?");
  Session->RunMenuCommand('C');
  EXPECT_FALSE(Clip->HasText());
  Keys("\r");
  Session->Hangup();  // forgets the modes and the region
  EXPECT_TRUE(App.Session.Term->Mouse == TMouseModes{} && App.Console->WinY2 == 25);
}

TEST_F(SessionTest, ExitAsksBothQuestions) {
  Connect();
  Record();
  Keys("N");
  Session->HandleExtKey(45);
  EXPECT_FALSE(App.Console->Terminated.load());
  Keys("YN");
  Session->HandleExtKey(45);
  EXPECT_FALSE(App.Console->Terminated.load());
  EXPECT_TRUE(App.Session.Connected);  // YES then NO leaves the call up
  Keys("YY");
  Session->HandleExtKey(45);
  EXPECT_TRUE(App.Console->Terminated.load());
  EXPECT_EQ(Seen, (std::vector<std::string>{"Disconnect?", "Disconnect?", "Do you want to exit Lanternyx?",
                                            "Disconnect?", "Do you want to exit Lanternyx?"}));
}

TEST_F(SessionTest, CommandsThatNeedOrRefuseAConnection) {
  AutoAnswer();
  for (uint8_t Code : {20, 35, 94, 25, 30}) Session->HandleExtKey(Code);  // ALT-T, H, Ctrl-F1, ALT-P, A
  Connect();
  Session->ImmediateDial("example.invalid");
  EXPECT_EQ(Seen, (std::vector<std::string>{"You are not connected!", "You are not connected!", "You are not connected",
                                            "You are not connected", "Lanternyx Version 2.00 BETA 22",
                                            "You are already connected!"}));
  EXPECT_TRUE(App.Session.Connected);
  App.Console->WriteXY(1, 1, 30, "junk");
  Session->HandleExtKey(46);  // ALT-C
  EXPECT_EQ(RowText(1), "");
  EXPECT_EQ(App.Console->Cell(1, 1).Attr, 7);
}

TEST_F(SessionTest, FailedDialLeavesNoEmulatorPointingAtTheOldConnection) {
  Connect();
  App.Session.Term->SetSocket(App.Session.Socket.get());
  App.Session.Connected = false;
  App.Session.CurrentEntry.Address = "127.0.0.1:1";  // nothing listens there
  App.Session.CurrentEntry.Protocol = 1;
  EXPECT_FALSE(Session->DialEntry());
  EXPECT_EQ(App.Session.Term->Socket, nullptr);
  // A status query typed with local echo on reaches the emulator without a link to answer on.
  App.Session.CurrentEntry.EchoMode = 1;
  for (char Ch : std::string("\x1b[6n")) Session->HandleKey(static_cast<uint8_t>(Ch));
}

// A peer that has stopped reading makes the cursor position reply wait; the window (here a
// thread standing in for the video thread) must still get the console lock meanwhile.
TEST_F(SessionTest, AStalledReplyDoesNotHoldTheConsole) {
  Connect();
  App.Session.Term->SetSocket(App.Session.Socket.get());
  const int Fd = static_cast<TSocket&>(*App.Session.Socket).GetHandle();
  const std::string Fill(4096, 'f');
  size_t Filled = 0;
  for (ssize_t N; (N = send(Fd, Fill.data(), Fill.size(), MSG_DONTWAIT)) > 0;) Filled += static_cast<size_t>(N);
  Remote("\x1b[3;7H\x1b[6n");
  std::atomic<bool> GotLock{false};
  std::thread Video([&] {
    // Give the reply time to start waiting, look for the lock, then read so the write ends.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    for (int I = 0; I < 200 && !GotLock; ++I) {
      if (App.Console->FrameMutex().try_lock()) {
        App.Console->FrameMutex().unlock();
        GotLock = true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::string Drained;
    char Buf[65536];
    pollfd P{PeerFd, POLLIN, 0};
    while (Drained.size() < Filled + 6 && poll(&P, 1, 5000) > 0) {
      const ssize_t N = read(PeerFd, Buf, sizeof Buf);
      if (N <= 0) break;
      Drained.append(Buf, static_cast<size_t>(N));
    }
    EXPECT_EQ(Drained.substr(Filled), "\x1b[3;7R");
  });
  while (App.Session.Socket->DataWaiting(0)) Session->Pass();
  Video.join();
  EXPECT_TRUE(GotLock.load());
}

// A listener whose accept queue is full, so a connect hangs until the test makes room:
// the dialer's loop is then surely running while the user types.
class TSlowListener {
 public:
  TSlowListener() : Listen(LoopbackSocket(Port, 0)), Filler(LoopbackConnect(Port)) {}
  // After MakeRoomMs the queued filler is taken, and the dialer's retried connect gets in.
  void MakeRoomAfter(int Ms) {
    Thread = std::thread([this, Ms] {
      std::this_thread::sleep_for(std::chrono::milliseconds(Ms));
      for (int I = 0; I < 2; ++I) {
        pollfd P{Listen, POLLIN, 0};
        if (poll(&P, 1, 5000) <= 0) break;
        Accepted.push_back(accept(Listen, nullptr, nullptr));
      }
    });
  }
  ~TSlowListener() {
    if (Thread.joinable()) Thread.join();
    for (int Fd : Accepted) close(Fd);
    close(Filler);
    close(Listen);
  }
  uint16_t Port = 0;
  int Listen = -1, Filler = -1;
  std::vector<int> Accepted;
  std::thread Thread;
};

TEST_F(SessionTest, KeysTypedWhileDialingStayForTheSession) {
  TSlowListener Peer;
  Peer.MakeRoomAfter(300);
  auto& E = App.Session.CurrentEntry;
  E.Address = "127.0.0.1:" + std::to_string(Peer.Port);
  E.Protocol = 1;
  Keys("x");
  ASSERT_TRUE(Session->DialEntry());
  ASSERT_TRUE(App.Console->KeyPressed());
  EXPECT_EQ(App.Console->ReadKey(), 'x');
}

TEST_F(SessionTest, ImmediateDialTakesATelnetLinkToAnIPv6Literal) {
  TBbsServerProcess Board;
  // The board runs everywhere else in the suite: failing here, it found no ::1 to listen on.
  if (!Board.Start({"--raw", "--host", "::1"}, "send WELCOME\nhold\n")) GTEST_SKIP() << "no IPv6 loopback";
  const std::string Address = "[::1]:" + std::to_string(Board.Port);
  Keys("telnet://" + Address + "/\r");
  Session->HandleExtKey(23);  // ALT-I
  ASSERT_TRUE(App.Session.Connected);
  EXPECT_EQ(App.Session.CurrentEntry.Address, Address);
  const auto End = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (RowText(1) != "WELCOME" && std::chrono::steady_clock::now() < End) Session->Pass();
  EXPECT_EQ(RowText(1), "WELCOME");
}

// A one-call rlogin server on loopback: reads the client's greeting, answers with the 0 byte.
class TRloginPeer {
 public:
  // Answer false: the server never sends its 0 byte. OnGreeting runs once the greeting is in.
  explicit TRloginPeer(bool Answer = true, std::function<void()> OnGreeting = {}) {
    Listen = LoopbackSocket(Port, 1);
    Thread = std::thread([this, Answer, OnGreeting] {
      const int C = accept(Listen, nullptr, nullptr);
      if (C < 0) return;
      char Buf[256];
      // The greeting ends with the fourth 0 byte.
      int Zeros = 0;
      while (Zeros < 4) {
        const ssize_t N = read(C, Buf, sizeof Buf);
        if (N <= 0) break;
        Greeting.append(Buf, static_cast<size_t>(N));
        Zeros = static_cast<int>(std::count(Greeting.begin(), Greeting.end(), '\0'));
      }
      if (OnGreeting) OnGreeting();
      const char Ack = 0;
      if (Answer) (void)!write(C, &Ack, 1);
      Conn = C;
      Done.wait(false);
      close(C);
    });
  }
  ~TRloginPeer() {
    Done = true;
    Done.notify_all();
    shutdown(Listen, SHUT_RDWR);
    Thread.join();
    close(Listen);
  }
  int Listen = -1;
  uint16_t Port = 0;
  std::string Greeting;
  std::atomic<bool> Done{false};
  std::atomic<int> Conn{-1};
  std::thread Thread;
};

// Against a server that never acknowledges, the session starts after at most 5 s, or at once
// on ESC (which the wait takes). A watchdog ends a wait that would last for ever.
TEST_F(SessionTest, RloginServerThatNeverAnswersDoesNotHangTheDial) {
  for (bool Escape : {false, true}) {
    SCOPED_TRACE(Escape);
    TRloginPeer Peer(false, [&] {
      if (Escape) App.Console->PushKey(27);
    });
    auto& E = App.Session.CurrentEntry;
    E.Address = "127.0.0.1:" + std::to_string(Peer.Port);
    E.Protocol = 2;
    E.UserName = "guest";
    E.Password = "pw";
    TWatchdog Watchdog(std::chrono::seconds(8), [&] { shutdown(Peer.Conn, SHUT_RDWR); });
    EXPECT_TRUE(Session->DialEntry());
    EXPECT_FALSE(Watchdog.Stop()) << "the handshake waited until the watchdog closed the link";
    EXPECT_FALSE(App.Console->KeyPressed());
  }
}

TEST_F(SessionTest, DialEntryRloginHandshakeAndSessionSetUp) {
  TRloginPeer Peer;
  auto& E = App.Session.CurrentEntry;
  E.Name = "|14Rlogin|07 Board";
  E.Address = "127.0.0.1:" + std::to_string(Peer.Port);
  E.Protocol = 2;
  E.UserName = "guest";
  E.Password = "pw";
  E.StatusBar = 1;
  E.FontType = 2;
  E.Colors = 1;
  ASSERT_TRUE(Session->DialEntry());
  EXPECT_TRUE(App.Session.Connected);
  EXPECT_FALSE(App.Session.Socket->TelnetClient.load());
  EXPECT_EQ(App.Session.Socket->WinHeight.load(), 24);
  EXPECT_EQ(App.Session.Term->Font, 2);
  EXPECT_EQ(App.Session.Term->FontSwitch, 1);
  EXPECT_FALSE(App.Console->BlinkEnabled);
  EXPECT_TRUE(App.Session.StatusBarOn);
  EXPECT_NE(RowText(25).find("Rlogin Board"), std::string::npos);
  EXPECT_EQ(Peer.Greeting, std::string("\0pw\0guest\0ansi-256color/57600\0", 30));
}

}  // namespace
