// Logon scripts against the loopback board and a socket pair: the login, what the board
// received, notes and errors on the status bar (or in a box), ESC, hang-ups and a closed
// window, the Zmodem filter and capture on the script's path, and the upload queue.
#include <sys/stat.h>

#include "app/logon_script.h"
#include "tests/session/session_fixture.h"

namespace {

using TClock = std::chrono::steady_clock;

// The session fixture's console, connection and keys; the board is a socket pair or the
// loopback BBS.
class LogonScriptTest : public SessionTest {
 public:
  void SetUp() override {
    SessionTest::SetUp();
    App.Session.Term = std::make_unique<TTermAnsi>(*App.Console);
    App.Session.CurrentEntry.UserName = "alice";
    App.Session.CurrentEntry.Password = "s3cret";
    App.Session.StatusBarOn = true;
    App.Session.Connected = true;
    App.Config.ScriptPath = Dir.Dir();
    App.Config.UploadPath = Dir.Path("up");
    App.Config.AutoZmodem = 0;
    std::filesystem::create_directory(Dir.Path("up"));
  }
  void TearDown() override {
    if (Helper.joinable()) Helper.join();
    App.Session.Capture.Close();
    SessionTest::TearDown();
  }

  void Board(const std::string& Script) {
    ASSERT_TRUE(Server.Start({"--raw"}, Script));
    auto S = std::make_unique<TSocket>(16384, 16384, -1, -1);
    ASSERT_TRUE(S->Connect("127.0.0.1", Server.Port, 500));
    App.Session.Socket = std::move(S);
  }
  // What the board recorded, once it holds at least Want bytes (or after 3 s).
  std::string Recorded(size_t Want) {
    WaitUntil([&] { return Server.Record().size() >= Want; }, 3000);
    return Server.Record();
  }

  // Writes Name.scr (unless Text is empty) and runs it; returns how long it ran.
  TClock::duration Run(const std::string& Name, const std::string& Text = "") {
    if (!Text.empty()) std::ofstream(Dir.Path(Name + ".scr"), std::ios::binary) << Text;
    TLogonScript L(App);
    L.ErrorPauseMs = 0;
    L.Seen = [this](const std::string& T) {
      Seen.push_back(T);
      // The status bar's text, or whatever else the row holds, without the blanks around it.
      const std::string Row = RowText(App.Console->Rows);
      Bar.push_back(Row.substr(std::min(Row.size(), Row.find_first_not_of(' '))));
    };
    const auto Start = TClock::now();
    L.Run(Name);
    return TClock::now() - Start;
  }
  // Runs Action on a helper thread 100 ms from now.
  void Later(std::function<void()> Action) {
    Helper = std::thread([Action] {
      std::this_thread::sleep_for(100ms);
      Action();
    });
  }

  TTempDir Dir;
  TBbsServerProcess Server;
  std::vector<std::string> Bar;
  std::thread Helper;
};

TEST_F(LogonScriptTest, LogsIntoTheBoard) {
  // The prompts come with colour codes inside them, split into small reads, or both at once.
  const std::string Coloured =
      "timeout 3000\nsend \\e[2J\\e[1;33mLog\\e[0;37min: \nexpect alice\\r\nchunk 3\ndelay 20\n"
      "send \\e[1mPass\\e[0mword: \nexpect s3cret\\r\nhold\n";
  const std::string Together = "timeout 3000\nsend \\e[2JLogin: Password: \nexpect alice\\r\nexpect s3cret\\r\nhold\n";
  const std::string PerLine = "WAITFOR \"login:\"\nSEND \"@UN@CR\"\nWAITFOR \"password:\"\nSEND \"@PW@CR\"\n";
  const std::string OneLine = "waitfor \"LOGIN:\" send \"@UN@CR\" WaitFor \"Password:\" Send \"@PW@CR\"";
  const std::vector<std::string> Notes = {
      "login.scr (Line: 1, Col: 16): WAITFOR \"login:\"", "login.scr (Line: 2, Col: 13): SEND: @UN@CR",
      "login.scr (Line: 3, Col: 19): WAITFOR \"password:\"", "login.scr (Line: 4, Col: 13): SEND: @PW@CR"};
  for (const auto& [Script, Text] : {std::pair{Coloured, PerLine}, {Coloured, OneLine}, {Together, PerLine}}) {
    SCOPED_TRACE(Script + Text);
    Seen.clear();
    Bar.clear();
    App.Console->ClearScreen(4);
    Board(Script);
    Run("login", Text);
    EXPECT_EQ(Recorded(13) + RowText(1), "alice\rs3cret\rLogin: Password:");
    // Each note was on the status bar while it ran; afterwards the bar is back.
    EXPECT_EQ(std::tuple(Seen.size(), Seen == Notes, Bar == Seen, RowText(25).substr(38, 9)),
              std::tuple(4u, Text == PerLine, true, "Connected"s));
    Server.Stop();
  }
}

// With the status bar off, an error still reaches the user, in a box; notes do not.
TEST_F(LogonScriptTest, ErrorsShowWhereTheReaderStands) {
  const std::vector<std::tuple<std::string, bool, std::string, std::string>> Cases = {
      {"SEND", true, "(Line: 1, Col: 4): Syntax error", ""},
      {"SEND \"a\"\n\"oops\"", true, "(Line: 2, Col: 6): Syntax error", "a"},
      {"DELAY \"5\"", true, "(Line: 1, Col: 9): Expected number value", ""},
      {"WAITFOR 12 ", true, "(Line: 1, Col: 11): Expected string value (4)", ""},
      {"WAITFOR", true, "(Line: 1, Col: 7): Syntax error", ""},
      {"WAITFOR\n", true, "(Line: 2, Col: 0): Expected string value (2)", ""},
      {"QUEUE 5 ", true, "(Line: 1, Col: 8): Expected string value", ""},
      {"SEND hello ", true, "(Line: 1, Col: 11): Expected string value", ""},
      {"QUEUE \"missing.zip\"", true, "(Line: 1, Col: 19): Cannot queue file (locked or missing)", ""},
      {"SEND \"a\" SEND", false, "(Line: 1, Col: 13): Syntax error", "a"}};
  for (const auto& [Script, BarOn, Error, Out] : Cases) {
    SCOPED_TRACE(Script);
    Seen.clear();
    Bar.clear();
    Connect();
    App.Session.StatusBarOn = BarOn;
    if (!BarOn) App.Console->PushKey(13);
    Run("x", Script);
    ASSERT_FALSE(Seen.empty());
    EXPECT_EQ(std::tuple(Seen.back(), BarOn ? Bar.back() : std::to_string(Seen.size()),
                         App.Console->KeyPressed(), Sent()),
              std::tuple("x.scr " + Error, BarOn ? Seen.back() : "1", false, Out));
  }
}

TEST_F(LogonScriptTest, ScriptFilesThatCannotBeRun) {
  Connect();
  ASSERT_EQ(mkfifo(Dir.Path("fifo.scr").c_str(), 0600), 0);
  std::ofstream(Dir.Path("big.scr"), std::ios::binary) << std::string(TLogonScript::MaxScriptSize + 1, ' ');
  std::ofstream(Dir.Path("in.scr"), std::ios::binary) << "SEND \"x\"";
  for (const auto& [Name, Shown] : std::vector<std::pair<std::string, std::string>>{
           {"nope", " not found!"}, {"fifo", " not found!"}, {"big", " is too large!"},
           {"up/../in", " not found!"}, {"in\0x"s, " not found!"}}) {
    Seen.clear();
    App.Console->PushKey(13);
    Run(Name);
    EXPECT_EQ(std::pair(Seen, App.Console->KeyPressed()),
              std::pair(std::vector<std::string>{Dir.Path(Name + ".scr") + Shown}, false));
  }
  EXPECT_EQ(Sent(), "");
}

// ESC, a hang-up or the window's closing ends a WAITFOR or a DELAY; the script goes no further.
TEST_F(LogonScriptTest, EscHangUpAndClosingEndTheWait) {
  const std::function<void()> Actions[] = {[this] { App.Console->PushKey(27); },
                                            [this] { shutdown(PeerFd, SHUT_RDWR); },
                                            [this] { App.Console->Terminated = true; }};
  for (const auto& Action : Actions)
    for (const char* Wait : {"WAITFOR \"never\"", "DELAY 60000"}) {
      SCOPED_TRACE(std::string(Wait) + " " + std::to_string(&Action - Actions));
      App.Console->Terminated = false;
      App.Console->ClearScreen(4);
      Connect();
      Remote("Welcome\r\n");
      Later(Action);
      // Each case has its own limit, so a broken case fails in seconds and the next still runs.
      TWatchdog CaseLimit{3s, [this] { App.Console->Terminated = true; }};
      Run("x", std::string(Wait) + "\nSEND \"x\"");
      Helper.join();
      EXPECT_FALSE(CaseLimit.Stop()) << "the wait did not end by itself";
      EXPECT_EQ(Sent(), "");
      if (!App.Console->Terminated) {  // a closed console takes no more writes
        EXPECT_EQ(RowText(1), "Welcome");
        EXPECT_NE(RowText(25).find("Alt-Z/Help"), std::string::npos);  // the note is gone
      }
    }
}

TEST_F(LogonScriptTest, DelayPausesModulo65536AndKeepsOtherKeysForTheSession) {
  Connect();
  App.Console->PushExtKey(27);  // an extended key whose scan code is ESC's byte
  App.Console->PushKey('a');
  const auto Took = Run("d", "DELAY 65636 SEND \"x\"");
  // Never shorter than asked, though the tick counts whole milliseconds.
  EXPECT_TRUE(Took >= 100ms && Took < 8s);
  EXPECT_EQ(Sent(), "x");
  EXPECT_EQ(Seen, (std::vector<std::string>{"d.scr (Line: 1, Col: 12): DELAY for 65636 milliseconds",
                                            "d.scr (Line: 1, Col: 20): SEND: x"}));
  std::string Left;
  while (App.Console->KeyPressed()) Left += static_cast<char>(App.Console->ReadKey());
  EXPECT_EQ(Left, "\0\x1b"s + "a");
}

// What a WAITFOR reads goes the session's way: a Zmodem start's CAN never reaches the capture
// file, and everything after the match is shown and captured before the session goes on.
TEST_F(LogonScriptTest, WaitForUsesTheSessionsReceiveFilter) {
  // A start hands the rest of its block to the transfer; here there is nowhere to download
  // to, so the board is told no and the script goes on with what comes next.
  App.Config.DownloadPath = Dir.Path("no-such-dir");
  std::vector<std::string> Boxes;
  App.Session.MessageSeen = [&](const std::string& T) {
    Boxes.push_back(T);
    App.Console->PushKey(13);
  };
  for (const uint8_t Auto : {1, 0}) {
    SCOPED_TRACE(int(Auto));
    App.Config.AutoZmodem = Auto;
    App.Console->ClearScreen(4);
    Connect();
    const std::string Cap = Dir.Path("cap" + std::to_string(Auto) + ".txt");
    ASSERT_TRUE(App.Session.Capture.Open(Cap, "Board", "here", "01/01/25"));
    App.Session.CaptureOn = true;
    Remote("abc\x18" "B00000");
    Later([this] { Remote("\r\nlogin: more"); });
    Run("z", "WAITFOR \"LOGIN:\"");
    Helper.join();
    App.Session.Capture.Close();
    App.Session.CaptureOn = false;
    const std::string Got = ReadFileText(Cap);
    EXPECT_NE(Got.find(Auto ? "abc\r\nlogin: more" : "abc\x18" "B00000\r\nlogin: more"), std::string::npos) << Got;
    EXPECT_EQ(RowText(2), "login: more");
    EXPECT_EQ(Boxes, std::vector<std::string>{"Download path does not exist. Cannot transfer"});
    EXPECT_EQ(Sent().find(std::string(10, '\x18')) != std::string::npos, Auto == 1);
  }
}

TEST_F(LogonScriptTest, QueueTakesFilesOnceAndReportsAFullQueue) {
  Connect();
  std::ofstream(Dir.Path("up/a.zip")) << "abc";
  std::ofstream(Dir.Path("b.zip")) << "de";
  const std::string Script = "QUEUE \"a.zip\"\nQUEUE \"" + Dir.Path("b.zip") + "\"\nQUEUE \"a.zip\"\n";
  Run("q", Script);
  Run("q", Script);  // the next call runs it again
  auto& Q = App.UploadQueue;
  EXPECT_EQ(std::pair(QueuedPaths(), Q.TotalSize),
            std::pair(std::vector<std::string>{Dir.Path("up/a.zip"), Dir.Path("b.zip")}, 5l));
  while (Q.Count() < TProtocolQueue::MaxEntries) Q.Add(false, Dir.Dir(), "f" + std::to_string(Q.Count()));
  Run("q", Script);  // all already queued: nothing to report
  std::ofstream(Dir.Path("up/c.zip")) << "c";
  Run("full", "QUEUE \"c.zip\"");
  // The only message of the test.
  EXPECT_EQ(Seen, std::vector<std::string>{"full.scr (Line: 1, Col: 13): Upload queue is full"});
}

}  // namespace
