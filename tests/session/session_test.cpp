#include "tests/session/session_fixture.h"

namespace {

TEST_F(SessionTest, KeysLoginAndMacrosGoOutOnlyWhileConnected) {
  auto& E = App.Session.CurrentEntry;
  E.UserName = "sysop";
  E.Password = "pw";
  App.Config.Macros[2] = "a@PAb";
  Session->HandleExtKey(59);
  Session->HandleKey('a');
  Connect();
  Type("abZ\x1b\x08");
  for (uint8_t Code : {59, 68, 72, 83, 38, 96}) Session->HandleExtKey(Code);  // ..., ALT-L, Ctrl-F3
  // ENTER with and without the line feed; with local echo only the CR is shown.
  E.SendCRLF = 0;
  Session->HandleKey(13);
  E.SendCRLF = 1;
  E.EchoMode = 1;
  App.Console->GotoXY(5, 5);
  Session->HandleKey(13);
  EXPECT_EQ(Sent(), "abZ\x1b\x08\x1bOP\x1b[21~\x1b[A\x7fsysop\rpw\rab\r\r\n");
  EXPECT_EQ(std::pair(App.Console->CursorX, App.Console->CursorY), std::pair(1, 5));
}

// Typed characters and a paste go out in the entry's character set.
TEST_F(SessionTest, TypedAndPastedTextInTheEntrysCharacterSet) {
  Connect();
  const std::string Text = "M\u00fcller@\u00e9\u20ac\U0001F600";
  for (const auto& [Charset, Out] :
       {std::pair{lx::CharsetCP437, "M\x81ller@\x82??"s}, {lx::CharsetUTF8, Text}}) {
    App.Session.CurrentEntry.Charset = Charset;
    for (char32_t Ch : U"M\u00fcller@\u00e9\u20ac\U0001F600"s) App.Console->PushText(Ch);
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
  for (; Passes < 60 && RowText(25) != Bar; ++Passes) Session->Pass();
  EXPECT_LT(Passes, 60);
  Keys("x");
  Session->Pass();  // a waiting key is taken at once
  EXPECT_FALSE(App.Console->KeyPressed());
}

// Echo off, on, or as the peer says (telnet's ECHO); ALT-E turns local echo on and off.
TEST_F(SessionTest, EchoModes) {
  Connect();
  const auto Typed = [&](char Ch) {
    App.Console->WriteXY(1, 10, 7, " ");
    App.Console->GotoXY(1, 10);
    Session->HandleKey(static_cast<uint8_t>(Ch));
    return App.Console->Cell(1, 10).Ch == static_cast<uint8_t>(Ch);
  };
  for (const auto& [Mode, PeerEchoes, Shown] :
       {std::tuple{0, true, false}, {1, false, true}, {2, false, false}}) {
    App.Session.CurrentEntry.EchoMode = static_cast<uint8_t>(Mode);
    App.Session.Socket->Echo = PeerEchoes;
    EXPECT_EQ(Typed('a'), Shown) << Mode;
  }
  Record();
  for (const char Ch : {'d', 'e'}) {
    Keys("\r");
    Session->HandleExtKey(18);  // ALT-E
    EXPECT_EQ(Typed(Ch), Ch == 'd');
  }
  EXPECT_EQ(Seen, (std::vector<std::string>{"Echo mode ON", "Echo mode OFF"}));
  EXPECT_EQ(Sent(), "aaade");
}

// On an emulated 300 bps line, on a clock that runs 50 ms a look, what the board sent before it
// hung up is all shown and captured (a CAN the filter saw is not) before the session hangs up.
TEST_F(SessionTest, PacedDataReachesScreenAndCaptureBeforeTheHangUp) {
  int64_t Now = 0;
  Session->MicrosNow = [&] { return Now += 50'000; };
  Connect();
  App.Session.Pacer.SetSpeed(1, 0);
  auto& E = App.Session.CurrentEntry;
  E.Name = "Test BBS";
  E.Address = "127.0.0.1:2323";
  E.CaptureFile = "session.cap";
  AutoAnswer();
  Session->HandleExtKey(25);  // ALT-P
  ASSERT_TRUE(App.Session.CaptureOn);
  Remote("\x1b[2J\x1b[1;1HHello\x18xyz\x18" "B02");
  close(PeerFd);
  PeerFd = -1;
  PassUntil([&] { return !App.Session.Connected; });
  EXPECT_EQ(std::tuple(App.Session.Connected, App.Session.CaptureOn, Seen.back()),
            std::tuple(false, false, "Connection terminated"));
  const std::string Cap = ReadFileText(TempDir + "/session.cap");
  EXPECT_EQ(Cap.find("\n----> Capture: Test BBS (127.0.0.1:2323) "), 0u);
  EXPECT_NE(Cap.find(" Start\n\x1b[2J\x1b[1;1HHelloxyzB02\n----> Capture: Disconnected\n"),
            std::string::npos);
  EXPECT_NE(RowText(9).find("Terminal ready"), std::string::npos);  // the ready screen is back
}

// A local screen over the session gives the board back its region, cursor and wrap.
TEST_F(SessionTest, ScrollbackViewerGivesTheBoardItsRegionBack) {
  Connect();
  std::string Lines;
  for (int I = 0; I < 40; ++I) Lines += "line\r\n";
  Remote(Lines + "\x1b[3;10r\x1b[10;5H");
  ASSERT_TRUE(PassUntil([this] { return App.Console->CursorX == 5; }));
  Keys("\x1b");
  Session->HandleExtKey(48);  // ALT-B
  const auto& C = *App.Console;
  EXPECT_EQ(std::tuple(C.WinY1, C.WinY2, C.CursorX, C.CursorY), std::tuple(3, 10, 5, 10));
}

TEST_F(SessionTest, CaptureNeedsAName) {
  Record();
  Connect();
  App.Session.CurrentEntry.CaptureFile.clear();
  Keys("\x1b");  // ESC in the file-name box
  Session->HandleExtKey(25);
  App.Session.CurrentEntry.CaptureFile = "no/such/dir/x.cap";
  Keys("\r");
  Session->HandleExtKey(25);
  EXPECT_EQ(std::pair(App.Session.CaptureOn, Seen),
            std::pair(false, std::vector<std::string>{"Unable to open capture file"}));
}

// IAC NOP after a quiet minute on a telnet line; typing within the minute keeps it quiet.
TEST_F(SessionTest, KeepAliveWithInjectedClock) {
  Connect(true);
  App.Session.CurrentEntry.Protocol = 1;
  int Minute = 100;
  Session->MinuteOfDay = [&] { return Minute; };
  Session->Idle = TIdleState{};
  Session->Idle.KeepAliveMinute = 100;
  const auto Passes = [&](int M, int N) {
    Minute = M;
    for (int i = 0; i < N; ++i) Session->Pass();
    return Sent(5);
  };
  EXPECT_EQ(Passes(100, 60), "");
  EXPECT_EQ(Passes(101, 60), "\xff\xf1");
  Minute = 102;
  Session->HandleKey('x');
  EXPECT_EQ(Passes(102, 120), "x");
}

// The status bar takes a row from the remote side: a peer that agreed to hear the window
// size is told each change.
TEST_F(SessionTest, StatusBarToggleTellsTheWindowSize) {
  Connect(true);
  App.Session.Socket->SetWindowSize(80, 25);
  Remote("\xff\xfd\x1f");
  Session->Pass();
  Session->HandleExtKey(31);
  Session->HandleExtKey(31);
  const std::string Size = "\xff\xfa\x1f\x00\x50\x00"s, N24 = "\x18\xff\xf0", N25 = "\x19\xff\xf0";
  EXPECT_EQ(Sent(), "\xff\xfb\x1f" + Size + N25 + Size + N24 + Size + N25);
}

// Reports go out only while the board asks and the entry allows; a hang-up forgets the modes.
TEST_F(SessionTest, MouseReportsOnlyWhileTheBoardAsks) {
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
  App.Session.CurrentEntry.Mouse = 0;
  EXPECT_EQ(Click(), "");
  // A drag copies the cells as UTF-8 (code page 437, control codes as pictures); C clears.
  App.Console->WriteXY(1, 2, 7, "  copy m\x82   ");
  App.Console->WriteXY(1, 3, 7, "  \xdb\x10 me  ");
  Record();
  Keys("\r");
  Session->HandleMouse(TMouseEvent{3, 1, 2, 12, 3});
  EXPECT_EQ(Clip->Text, "copy mé\r\n  █► me");
  Session->RunMenuCommand('C');
  EXPECT_FALSE(Clip->HasText());
  EXPECT_EQ(Seen.back(), "Text added to clipboard");
  Keys("\r");
  Session->Hangup();
  EXPECT_TRUE(App.Session.Term->Mouse == TMouseModes{} && App.Console->WinY2 == 25);
}

// NO to "Disconnect?", or YES then NO to exiting, leaves the program and the call up.
TEST_F(SessionTest, ExitAsksBothQuestions) {
  Connect();
  Record();
  for (const char* Answers : {"N", "YN", "YY"}) {
    Keys(Answers);
    Session->HandleExtKey(45);
    EXPECT_EQ(App.Console->Terminated.load(), Answers == std::string("YY"));
    EXPECT_TRUE(App.Session.Connected || Answers == std::string("YY"));
  }
  const std::string D = "Disconnect?", X = "Do you want to exit Lanternyx?";
  EXPECT_EQ(Seen, (std::vector<std::string>{D, D, X, D, X}));
}

TEST_F(SessionTest, CommandsThatNeedOrRefuseAConnection) {
  AutoAnswer();
  // ALT-T, H, Ctrl-F1, ALT-P, A
  for (uint8_t Code : {20, 35, 94, 25, 30}) Session->HandleExtKey(Code);
  Connect();
  Session->ImmediateDial("example.invalid");
  const std::string N = "You are not connected", V = "Lanternyx Version 2.00 BETA 22";
  const std::string A = "You are already connected!";
  EXPECT_EQ(Seen, (std::vector<std::string>{N + "!", N + "!", N, N, V, A}));
  EXPECT_TRUE(App.Session.Connected);
  App.Console->WriteXY(1, 1, 30, "junk");
  Session->HandleExtKey(46);  // ALT-C
  EXPECT_EQ(std::pair(RowText(1), int(App.Console->Cell(1, 1).Attr)), std::pair(""s, 7));
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
  Type("\x1b[6n");
}

// A peer that has stopped reading makes the cursor position reply wait; the window (here a
// thread standing in for the video thread) must still get the console lock meanwhile.
TEST_F(SessionTest, AStalledReplyDoesNotHoldTheConsole) {
  Connect();
  App.Session.Term->SetSocket(App.Session.Socket.get());
  const int Fd = static_cast<TSocket&>(*App.Session.Socket).GetHandle();
  const std::string Fill(4096, 'f');
  size_t Filled = 0;
  for (ssize_t N; (N = send(Fd, Fill.data(), Fill.size(), MSG_DONTWAIT)) > 0;) Filled += N;
  Remote("\x1b[3;7H\x1b[6n");
  std::atomic<bool> GotLock{false};
  std::thread Video([&] {
    // Give the reply time to start waiting, look for the lock, then read so the write ends.
    std::this_thread::sleep_for(100ms);
    GotLock = WaitUntil([this] { return App.Console->FrameMutex().try_lock(); }, 1000);
    if (GotLock) App.Console->FrameMutex().unlock();
    std::string Drained;
    for (int I = 0; I < 100 && Drained.size() < Filled + 6; ++I) Drained += DrainFd(PeerFd, 50);
    EXPECT_EQ(Drained.substr(Filled), "\x1b[3;7R");
  });
  while (App.Session.Socket->DataWaiting(0)) Session->Pass();
  Video.join();
  EXPECT_TRUE(GotLock.load());
}

TEST_F(SessionTest, ImmediateDialTakesATelnetLinkToAnIPv6Literal) {
  TBbsServerProcess Board;
  // The board runs everywhere else in the suite: failing here, it found no ::1 to listen on.
  if (!Board.Start({"--raw", "--host", "::1"}, "send WELCOME\nhold\n")) GTEST_SKIP() << "no ::1";
  const std::string Address = "[::1]:" + std::to_string(Board.Port);
  Keys("telnet://" + Address + "/\r");
  Session->HandleExtKey(23);  // ALT-I
  ASSERT_TRUE(App.Session.Connected);
  EXPECT_EQ(App.Session.CurrentEntry.Address, Address);
  EXPECT_TRUE(PassUntil([this] { return RowText(1) == "WELCOME"; }));
}

// An rlogin board: the greeting, then the entry's settings on the new session. One that never
// acknowledges holds the dial at most 5 s, or until ESC; other keys typed meanwhile stay for
// the session. A watchdog ends a wait that would last for ever.
TEST_F(SessionTest, RloginHandshakeSessionSetUpAndABoardThatNeverAnswers) {
  const std::string Greeting("\0pw\0guest\0ansi-256color/57600\0", 30);
  auto& E = App.Session.CurrentEntry;
  E.Name = "|14Rlogin|07 Board";
  E.Protocol = 2;
  E.UserName = "guest";
  E.Password = "pw";
  E.StatusBar = 1;
  E.FontType = 2;
  E.Colors = 1;
  for (const std::string How : {"answers", "silent", "esc"}) {
    SCOPED_TRACE(How);
    TBbsServerProcess Board;
    const std::string Script = How == "answers" ? "expect pw\nsend \\0\nhold\n" : "hold\n";
    ASSERT_TRUE(Board.Start({"--raw"}, Script));
    E.Address = "127.0.0.1:" + std::to_string(Board.Port);
    App.Session.Connected = false;
    if (How != "esc") Keys("x");
    std::thread Esc([&] {
      if (How != "esc") return;
      WaitUntil([&] { return Board.Record().size() >= 30; }, 5000);
      App.Console->PushKey(27);
    });
    TWatchdog Watchdog(std::chrono::seconds(8), [&] { Board.Stop(); });
    EXPECT_TRUE(Session->DialEntry());
    Esc.join();
    EXPECT_FALSE(Watchdog.Stop()) << "the handshake waited until the watchdog closed the link";
    EXPECT_EQ(Board.Record(), Greeting);
    EXPECT_EQ(App.Console->KeyPressed() ? App.Console->ReadKey() : 0, How != "esc" ? 'x' : 0);
    EXPECT_FALSE(App.Console->KeyPressed());
  }
  const auto& T = *App.Session.Term;
  const auto& Sock = *App.Session.Socket;
  EXPECT_EQ(std::tuple(Sock.TelnetClient.load(), Sock.WinHeight.load(), T.Font, T.FontSwitch,
                       App.Console->BlinkEnabled, RowText(25).substr(0, 18)),
            std::tuple(false, 24, 2, 1, false, "   Rlogin Board   "s));
}

}  // namespace
