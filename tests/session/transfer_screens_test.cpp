// The transfer screens on a headless console: the progress display, the result line, the
// queue editor driven by queued keys, and whole transfers against real sz and rz on the other
// end of the session's connection.
#include <signal.h>
#include <sys/wait.h>

#include <random>

#include "app/transfer_screens.h"
#include "support/strings.h"
#include "tests/session/session_fixture.h"

namespace fs = std::filesystem;

namespace {

// Row Y from column X, N cells, trailing blanks kept.
std::string Cells(const TSDLConsole& Con, int X, int Y, int N) {
  std::string S;
  for (int I = 0; I < N; ++I) S += static_cast<char>(Con.Cell(X + I, Y).Ch);
  return S;
}

std::string Chars(int N, int Ch) { return std::string(N, static_cast<char>(Ch)); }

void WriteFile(const std::string& Path, const std::string& Data) {
  std::ofstream(Path, std::ios::binary) << Data;
}

std::string RandomData(size_t Size, uint32_t Seed) {
  std::mt19937 Gen(Seed);
  std::string S(Size, '\0');
  for (char& C : S) C = static_cast<char>(Gen() & 0xFF);
  return S;
}

// Command (sz, rz) run by the shell in Dir, reading InFd and writing OutFd; stderr discarded.
pid_t Spawn(const std::string& Command, const std::string& Dir, int InFd, int OutFd) {
  const std::string Line = "cd '" + Dir + "' && exec " + Command + " 2>/dev/null";
  const pid_t P = fork();
  if (P == 0 && dup2(InFd, 0) == 0 && dup2(OutFd, 1) == 1)
    execl("/bin/sh", "sh", "-c", Line.c_str(), static_cast<char*>(nullptr));
  if (P == 0) _exit(127);
  return P;
}

// The peer's exit code; killed (and -1) when it outlives the limit. What the peer still sends
// meanwhile is read from DrainFd and dropped, as the session would: a sender blocked on a full
// link never reads the cancel sequence waiting for it.
int Reap(pid_t P, int LimitMs, int DrainFd = -1) {
  int Status = 0;
  const bool Ended = WaitUntil([&] {
    for (char Buf[65536]; DrainFd >= 0 && recv(DrainFd, Buf, sizeof Buf, MSG_DONTWAIT) > 0;) {
    }
    return waitpid(P, &Status, WNOHANG) == P;
  }, LimitMs);
  if (Ended) return WIFEXITED(Status) ? WEXITSTATUS(Status) : 128;
  kill(P, SIGKILL);
  waitpid(P, &Status, 0);
  return -1;
}

class TransferTest : public SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    Src = TempDir + "/src/";
    Dl = TempDir + "/dl/";
    for (const std::string& Dir : {Src, Dl}) fs::create_directories(Dir);
    App.Config.DownloadPath = Dl;
    App.Config.AutoZmodem = 1;
    App.Session.MessageSeen = [this](const std::string& T) {
      Seen.push_back(T);
      App.Console->PushKey(static_cast<uint8_t>(T == "Clear upload queue?" ? AnswerClear : 13));
    };
  }
  void TearDown() override {
    // A relay blocked writing to a link no one reads any more must not hold the suite.
    if (PeerFd >= 0) shutdown(PeerFd, SHUT_RDWR);
    if (Relay.joinable()) Relay.join();
    SessionTest::TearDown();
  }

  // How a transfer is stopped part way: ESC, the window's close button, or the board (its sz
  // is told to end, and cancels).
  enum class TStop : uint8_t { Esc, CloseWindow, BoardCancels };

  // sz's output reaches the session through this thread: the first piece goes out in one
  // write behind Prefix, so the start arrives in the same block as text for the screen.
  // Stops the transfer once StopAfter bytes have passed.
  pid_t StartSender(const std::string& Prefix, int64_t StopAfter, TStop How) {
    int Pipe[2];
    EXPECT_EQ(pipe(Pipe), 0);
    const pid_t P = Spawn("sz big.bin", Src, PeerFd, Pipe[1]);
    close(Pipe[1]);
    Relay = std::thread([this, Fd = Pipe[0], Out = Prefix, StopAfter, How, P]() mutable {
      char Buf[16384];
      pollfd Pf{Fd, POLLIN, 0};
      for (int64_t Total = 0, N; poll(&Pf, 1, 30000) > 0 && (N = read(Fd, Buf, sizeof Buf)) > 0;) {
        Out.append(Buf, static_cast<size_t>(N));
        // Well inside the file data the transfer screen is up: drops must be refused.
        if (Total > 65536) DropsOffSeen = DropsOffSeen && !App.Drops.Accepting();
        for (ssize_t W; !Out.empty(); Out.erase(0, static_cast<size_t>(W)))
          if ((W = send(PeerFd, Out.data(), Out.size(), MSG_NOSIGNAL)) <= 0) break;
        Out.clear();
        if ((Total += N) < StopAfter || StopAfter < 0) continue;
        if (How == TStop::CloseWindow)
          App.Console->Terminate();
        else if (How == TStop::BoardCancels)
          kill(P, SIGTERM);
        else
          App.Console->PushKey(27);
        StopAfter = -1;
      }
      close(Fd);
    });
    return P;
  }

  // Passes of the session loop until a result box was seen (a transfer runs inside one pass).
  void RunUntilResult(int LimitMs = 30000) {
    PassUntil([this] { return !Seen.empty(); }, LimitMs);
  }

  int ClientFd() const { return static_cast<TSocket&>(*App.Session.Socket).GetHandle(); }

  std::string Src, Dl;
  std::thread Relay;
  std::atomic<bool> DropsOffSeen{true};
  char AnswerClear = 'Y';
};

}  // namespace

// Per file: the bar (row 20 from column 32, the same on row 21; "." where it was left as it
// was), the percentage, the rate and the name as shown.
TEST_F(TransferTest, StatusDisplayBarsRateAndNames) {
  const std::string Dots = Chars(20, '.'), Full = Chars(20, 219);
  const std::string Half = Chars(10, 219) + Chars(10, 254);
  using S = const std::string&;
  const auto W = [](S Bar, S Pct, S Rate, S Name) {
    return Bar + "|" + Pct + "|" + lx::PadRight(Rate, 14) + "|" + lx::PadRight(Name, 29);
  };
  const std::vector<std::tuple<int64_t, int64_t, int64_t, std::string, std::string>> Cases = {
      {1000, 0, 5, "/d/zero.txt", W(Dots, "...", "0 kb/sec", "zero.txt")},
      {1000, 500, 0, "/d/half.bin", W(Half, " 50", "0 kb/sec", "half.bin")},
      {3000, 1, 1, "one", W(Chars(20, 254), "  0", "0 kb/sec", "one")},
      {1000, 1000, 2, "full", W(Full, "100", "0 kb/sec", "full")},
      {2048000, 2048000, 2, "rate", W(Full, "100", "1000 kb/sec", "rate")},
      {100, 250, 1, "beyond", W(Full, "100", "0 kb/sec", "beyond")},  // more than offered
      {0, 0, 1, "empty", W(Dots, "...", "0 kb/sec", "empty")},        // zero-length file
      {0, 70, 1, "nosize", W(Dots, "...", "0 kb/sec", "nosize")},     // size not known
      {int64_t{1} << 40, int64_t{1} << 39, 1, std::string(40, 'x') + ".zip",
       W(Half, " 50", "536870912 kb/s", std::string(29, 'x'))}};
  auto& Con = *App.Console;
  for (const auto& [Size, Done, Elapsed, Name, Want] : Cases) {
    for (int Y : {20, 21}) Con.WriteXY(32, Y, 7, Dots);
    Con.WriteXY(55, 21, 7, "...");
    TTransferView View;
    const TTransferProgress P{.FileName = Name, .FileSize = Size, .BytesTransferred = Done,
                              .StartTime = 1000, .NewFile = true};
    DrawTransferStatus(Con, View, P, 1000 + Elapsed);
    const std::string Bar = Cells(Con, 32, 20, 20);
    EXPECT_EQ(W(Bar, Cells(Con, 55, 21, 3), Cells(Con, 29, 18, 14), Cells(Con, 29, 15, 29)), Want);
    EXPECT_EQ(std::pair(Cells(Con, 32, 21, 20), int(Con.Cell(32, 20).Attr)),
              std::pair(Bar, Bar == Dots ? 7 : 8));
  }
  EXPECT_EQ(Cells(Con, 29, 16, 15), "1,048,576 MB   ");
}

TEST_F(TransferTest, SummarySaysWhatBecameOfEachFile) {
  using O = TFileOutcome;
  const auto R = [](const char* Name, O Outcome, const char* Reason = "") {
    return TFileResult{.Name = Name, .LocalPath = {}, .Outcome = Outcome, .Reason = Reason};
  };
  const auto Skipped = R("/x/b", O::Skipped, "skipped by the receiver");
  const auto Failed = R("/x/c", O::Failed, "missing");
  EXPECT_EQ(TransferSummary(false, {R("a", O::Done), R("b", O::Done)}, 0),
            "Download complete: 2 done");
  EXPECT_EQ(TransferSummary(true, {R("/x/a", O::Done), Skipped, Failed}, 0),
            "Upload failed: 1 done, 1 skipped, 1 failed (c: missing)");
  EXPECT_EQ(TransferSummary(false, {R("big", O::Failed, "cancelled")}, ZStatus::Cancelled),
            "Download cancelled: 0 done, 1 failed (big: cancelled)");
  EXPECT_EQ(TransferSummary(false, {}, ZStatus::HeaderTimeout),
            "Download failed: no answer from the other side");
}

TEST_F(TransferTest, QueueEditorAddsDeletesAndBrowses) {
  const std::string Up = TempDir + "/up", Other = TempDir + "/other";
  fs::create_directories(Up + "/sub");
  fs::create_directories(Other);
  WriteFile(Up + "/a.txt", "aaa");
  WriteFile(Up + "/b.bin", "bbbb");
  WriteFile(Up + "/sub/c.txt", "c");
  WriteFile(Other + "/d.txt", "dd");
  App.Config.UploadPath = Up;
  const fs::path Cwd = fs::current_path();
  // ALT-Q. Lines in "up": sub, .., a.txt, b.bin. a.txt twice (no second entry), b.bin; to the
  // queue, where b.bin is deleted; back, up into "sub" by Right ("..", c.txt), Left back in
  // "up", F5 to the other directory ("..", d.txt).
  Press({-16, -80, -80, '\r', '\r', -80, '\r', '\t', -83, '\t'});
  Press({-72, -72, -72, -77, -80, '\r', -75, -63});
  Keys(Other + "\r");
  Press({-80, '\r', 27});
  Session->MessageSeen = App.Session.MessageSeen;
  Session->Pass();
  EXPECT_EQ(QueuedPaths(),
            (std::vector<std::string>{Up + "/a.txt", Up + "/sub/c.txt", Other + "/d.txt"}));
  EXPECT_TRUE(Seen.empty());
  EXPECT_EQ(fs::current_path(), Cwd);  // the browser never moves the program
}

TEST_F(TransferTest, QueueEditorReportsADirectoryItCannotRead) {
  App.ProgramDir = TempDir + "/";
  WriteFile(TempDir + "/here.txt", "x");
  App.Config.UploadPath = TempDir + "/missing";
  // A message box swallows keys typed ahead of it: the box is answered once it is up, and
  // the keys for the browser are queued once it has closed.
  App.Session.MessageSeen = [this](const std::string& T) { Seen.push_back(T); };
  std::thread Later([this] {
    const auto Up = [this] {
      auto Hold = App.Console->Batch();
      return RowsText(1, 25).find("Unable to access") != std::string::npos;
    };
    WaitUntil(Up, 10000);
    Keys("\r");
    WaitUntil([&] { return !Up(); }, 10000);
    Press({-80, -80, -80, '\r', 27});  // lines in the program directory: dl, src, .., here.txt
  });
  QueueEditor(App);
  Later.join();
  EXPECT_EQ(Seen, std::vector<std::string>{"Unable to access: " + TempDir + "/missing"});
  EXPECT_EQ(QueuedPaths(), std::vector<std::string>{TempDir + "/here.txt"});
}

TEST_F(TransferTest, DroppedFilesJoinTheQueueOnTheMainThreadOnly) {
  WriteFile(Src + "a.txt", "a");
  App.Drops.Push(Src + "a.txt");
  App.Drops.Push(Src + "a.txt");  // twice: queued once
  App.Drops.Push(Src.substr(0, Src.size() - 1));  // a directory is not a file
  {
    TDropsOff Off(App.Drops);
    App.Drops.Push(Src + "during.txt");  // while a transfer runs: ignored
  }
  EXPECT_EQ(App.UploadQueue.Count(), 0);  // nothing until the main thread takes them
  Session->Pass();
  EXPECT_EQ(QueuedPaths(), std::vector<std::string>{Src + "a.txt"});
}

// ESC, the board's own cancel, or the window's close button: no file under its name, and
// nothing of the transfer on the screen: not the header's pads, the rest of the stream, nor
// the cancel sequence (sz's "rz" CR before them is ordinary text). Closing the window ends
// the session too, with no boxes on the way out. Drops wait while the transfer runs.
TEST_F(TransferTest, StoppedDownloadLeavesNoFileAndNothingOnTheScreen) {
  Connect();
  WriteFile(Src + "big.bin", RandomData(4 << 20, 2));
  for (const TStop How : {TStop::Esc, TStop::BoardCancels, TStop::CloseWindow}) {
    SCOPED_TRACE(int(How));
    const bool Close = How == TStop::CloseWindow;
    Seen.clear();
    App.Console->ClearScreen(4);
    const pid_t P = StartSender("Hi\r\n", 256 * 1024, How);
    RunUntilResult();
    // sz saw the cancel sequence, or was told to end, and ended by itself (not killed: -1).
    const int Exit = Reap(P, 10000, Close ? ClientFd() : -1);
    Relay.join();
    for (int I = 0; I < 10 && !Close; ++I) Session->Pass();  // what the board sent after it
    EXPECT_EQ(std::tuple(Exit > 0, fs::exists(Dl + "big.bin"), DropsOffSeen.load(),
                         App.Drops.Accepting(), App.Console->Terminated.load(), Seen.size()),
              std::tuple(true, false, true, true, Close, Close ? 0u : 1u));
    if (Close) break;
    EXPECT_EQ(Seen[0].substr(0, 26) + RowsText(1, 3), "Zmodem download cancelled:Hi|rz|");
  }
}

// After an upload the whole queue is cleared (YES) or kept whole, sent files too (NO).
TEST_F(TransferTest, UploadFromTheQueueThenClearOrKeepIt) {
  Connect();
  const std::string A = RandomData(200000, 3), B = "second file";
  WriteFile(Src + "a.bin", A);
  WriteFile(Src + "b.txt", B);
  WriteFile(Src + "gone.txt", "x");
  for (const char* Name : {"a.bin", "gone.txt", "b.txt"})
    ASSERT_TRUE(App.UploadQueue.Add(true, Src, Name));
  fs::remove(Src + "gone.txt");
  for (const char Answer : {'N', 'Y'}) {
    SCOPED_TRACE(Answer);
    AnswerClear = Answer;
    Seen.clear();
    const std::string Dest = TempDir + "/board" + Answer + "/";
    fs::create_directories(Dest);
    // The keys first: the pass takes ALT-T before the board's greeting.
    Press({-20, '\r'});  // ALT-T, "Zmodem: Upload"
    const pid_t P = Spawn("rz", Dest, PeerFd, PeerFd);
    RunUntilResult();
    EXPECT_EQ(Reap(P, 10000), 0);
    ASSERT_EQ(Seen.size(), 2u);
    EXPECT_EQ(Seen[0].substr(0, 50) + "|" + Seen[1],
              "Zmodem upload failed: 2 done, 1 failed (gone.txt: |Clear upload queue?");
    EXPECT_EQ(ReadFileText(Dest + "a.bin") + ReadFileText(Dest + "b.txt"), A + B);
    EXPECT_EQ(App.UploadQueue.Count(), Answer == 'Y' ? 0 : 3);
  }
}

// What follows the start in its block is the transfer's: here a sender that asks and ends its
// batch in one go, so the run ends (after the wait for an "OO" that never comes) only when the
// engine was given those bytes; without them it would still wait for a header. On a paced
// line (2400 bps, on a clock that stands still) the start is acted on as it arrives, at full
// speed, with the text before it shown at once: not after the line has carried it.
TEST_F(TransferTest, TheRestOfTheStartBlockGoesToTheTransferAtOnce) {
  Session->MicrosNow = [] { return int64_t{0}; };
  for (const uint8_t Speed : {0, 4}) {
    SCOPED_TRACE(int(Speed));
    Seen.clear();
    App.Console->ClearScreen(4);
    Connect();
    App.Session.Pacer.SetSpeed(Speed, 0);
    Remote("Hi\r\n**\x18" "B00000000000000\r\x8a\x11**\x18" "B0800000000022d\r\x8a");
    TWatchdog Guard(std::chrono::seconds(5), [this] { App.Console->Terminate(); });
    RunUntilResult(6000);
    EXPECT_FALSE(Guard.Stop()) << "no transfer started";
    EXPECT_EQ(Seen, std::vector<std::string>{"Zmodem download complete: no files"});
    EXPECT_NE(Sent().find("\x18" "B08"), std::string::npos);  // our end of the batch
    EXPECT_EQ(RowsText(1, 2), "Hi|");
  }
}

// The menu's U opens the queue editor (lines "..", a.txt). With the queue empty again, its T
// while connected (Upload in the transfer type menu) and a board asking for files are told no.
TEST_F(TransferTest, MenuOpensTheTransferScreensAndAnEmptyQueueSendsNothing) {
  WriteFile(Src + "a.txt", "a");
  App.Config.UploadPath = Src;
  Session->MessageSeen = App.Session.MessageSeen;
  Press({-80, '\r', 27});
  Session->RunMenuCommand('U');
  EXPECT_EQ(App.UploadQueue.Count(), 1);
  Connect();
  App.UploadQueue.Clear();
  Keys("\r");
  Session->RunMenuCommand('T');
  const pid_t P = Spawn("rz", Dl, PeerFd, PeerFd);
  PassUntil([this] { return Seen.size() > 1; }, 15000);
  EXPECT_EQ(Seen, std::vector<std::string>(2, "No files in upload queue"));
  EXPECT_GT(Reap(P, 10000), 0);  // rz was cancelled rather than left waiting (or killed: -1)
}
