#include "app/logon_script.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "app/context.h"
#include "app/macros.h"
#include "app/script_reader.h"
#include "app/session_rules.h"
#include "app/statusbar.h"
#include "app/transfer_screens.h"
#include "support/files.h"
#include "support/strings.h"
#include "support/timeutil.h"
#include "ui/dialogs.h"

namespace {

enum class TLoad { Ok, Missing, TooLarge };

class TFd {
 public:
  explicit TFd(int F) : Fd(F) {}
  ~TFd() {
    if (Fd >= 0) ::close(Fd);
  }
  TFd(const TFd&) = delete;
  TFd& operator=(const TFd&) = delete;
  int Fd;
};

// Read-only and never blocking: a FIFO or a device named like a script must not hang the
// connect, and a file growing while it is read stops at the limit.
TLoad LoadScript(const std::string& Path, size_t Limit, std::string& Text) {
  TFd F(::open(Path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (F.Fd < 0) return TLoad::Missing;
  struct stat S {};
  if (::fstat(F.Fd, &S) != 0 || !S_ISREG(S.st_mode)) return TLoad::Missing;
  if (static_cast<uint64_t>(S.st_size) > Limit) return TLoad::TooLarge;
  Text.clear();
  char Buf[4096];
  for (;;) {
    const ssize_t N = ::read(F.Fd, Buf, sizeof Buf);
    if (N < 0 && errno == EINTR) continue;
    if (N < 0) return TLoad::Missing;
    if (N == 0) return TLoad::Ok;
    if (Text.size() + static_cast<size_t>(N) > Limit) return TLoad::TooLarge;
    Text.append(Buf, static_cast<size_t>(N));
  }
}

std::string UpperText(std::string S) {
  for (char& C : S) C = lx::UpCase(C);
  return S;
}

std::string Dir(const std::string& Path) { return Path.empty() ? Path : lx::AddSlash(Path); }

}  // namespace

// The last printed characters, upper-cased, and whether they now hold the wanted text.
struct TLogonScript::TMatch {
  std::string Want;
  std::string Have;
  bool Found = false;
  void Add(uint8_t Ch) {
    if (Have.size() >= TScriptReader::ValueMax) Have.erase(0, 1);
    Have.push_back(lx::UpCase(static_cast<char>(Ch)));
    Found = Have.find(Want) != std::string::npos;
  }
};

TLogonScript::TLogonScript(TAppContext& A) : App(A) {}

void TLogonScript::Run(const std::string& ScriptFile) {
  if (!App.Session.Socket || !App.Session.Term) return;
  const std::string Path = Dir(App.Config.ScriptPath) + ScriptFile + ".scr";
  std::string Text;
  // The entry names a script in the script directory, nothing elsewhere; a NUL would cut the
  // path short of its extension.
  const bool Plain = ScriptFile.find('/') == std::string::npos && ScriptFile.find('\0') == std::string::npos;
  const TLoad L = Plain ? LoadScript(Path, MaxScriptSize, Text) : TLoad::Missing;
  if (L == TLoad::Missing) {
    Box(Path + " not found!");
    return;
  }
  if (L == TLoad::TooLarge) {
    Box(Path + " is too large!");
    return;
  }
  Name = ScriptFile + ".scr";
  Pending.clear();
  TScriptReader R(Text);
  Execute(R);
  ShowPending();
  DrawBar({});
}

void TLogonScript::Execute(TScriptReader& R) {
  for (;;) {
    switch (R.Next()) {
      case TScriptToken::Skip: break;
      case TScriptToken::End: return;
      case TScriptToken::String:
      case TScriptToken::Word:
      case TScriptToken::Number: Error(R, "Syntax error"); return;
      case TScriptToken::Delay:
        if (R.Next() != TScriptToken::Number) {
          Error(R, "Expected number value");
          return;
        }
        Note(R, "DELAY for " + R.Value + " milliseconds");
        if (!Delay(R.Number)) return;
        break;
      case TScriptToken::WaitFor: {
        // The kind shown is the offending token's own: reading one more would eat the script.
        const TScriptToken K = R.Next();
        if (K != TScriptToken::String) {
          Error(R, "Expected string value (" + std::to_string(static_cast<int>(K)) + ")");
          return;
        }
        Note(R, "WAITFOR \"" + R.Value + "\"");
        if (!WaitFor(R.Value)) return;
        break;
      }
      case TScriptToken::Queue:
        if (R.Next() != TScriptToken::String) {
          Error(R, "Expected string value");
          return;
        }
        if (!Queue(R.Value)) {
          Error(R, App.UploadQueue.Count() >= TProtocolQueue::MaxEntries ? "Upload queue is full"
                                                                          : "Cannot queue file (locked or missing)");
          return;
        }
        break;
      case TScriptToken::Send:
        if (R.Next() != TScriptToken::String) {
          Error(R, "Expected string value");
          return;
        }
        Note(R, "SEND: " + R.Value);
        Send(R.Value);
        break;
    }
    if (!Live()) return;
  }
}

bool TLogonScript::Live() const {
  return App.Session.Socket && App.Session.Socket->Connected.load() && !App.Console->Terminated.load();
}

bool TLogonScript::Delay(int Ms) {
  const int64_t End = lx::TickMS() + Ms;
  for (;;) {
    // Only ESC belongs to the script: what else is typed now waits for the session.
    if (!Live() || App.Console->TakeKey(27)) return false;
    // The tick counts whole milliseconds and the start fell somewhere inside one, so the
    // pause lasts until the tick has passed the end: never shorter than asked.
    const int64_t Left = End - lx::TickMS();
    if (Left < 0) return true;
    // Watching the link while pausing notices a hang-up at once; what arrives is kept for
    // the next WAITFOR, as if it had stayed in the connection.
    Listen(static_cast<int>(std::min<int64_t>(Left + 1, 20)));
  }
}

bool TLogonScript::WaitFor(const std::string& Text) {
  TMatch M;
  M.Want = UpperText(Text);
  for (;;) {
    if (Pending.empty()) Listen(50);
    // A bounded share per pass, so that a flood still lets ESC and the window's closing in.
    for (int Pass = 0; Pass < 16 && !Pending.empty(); ++Pass) {
      const size_t Used = Show(Pending.data(), Pending.size(), &M);
      Pending.erase(Pending.begin(), Pending.begin() + static_cast<std::ptrdiff_t>(Used));
      TakeUnread();
      if (M.Found) return true;
      if (Pending.empty()) Listen(0);
    }
    if (Escape() || !Live()) return false;
  }
}

bool TLogonScript::Queue(const std::string& Text) {
  // Relative names are the upload directory's, not wherever the program was started.
  const std::string Full = !Text.empty() && Text[0] == '/' ? Text : Dir(App.Config.UploadPath) + Text;
  const std::string Path = lx::JustPath(Full);
  const std::string File = lx::TrimChar(lx::TrimChar(lx::TrimChar(lx::JustFileName(Full), ' '), '\0'), ' ');
  // The script runs on every connect: a file queued by an earlier call stays queued once.
  if (!File.empty() && App.UploadQueue.Contains(Path + File)) return true;
  return App.UploadQueue.Add(true, Path, File);
}

void TLogonScript::Send(const std::string& Text) {
  auto& Sock = *App.Session.Socket;
  Sock.BufWriteStr(ExpandMacro(Text, App.Session.CurrentEntry, [this](int Ms) { App.Console->Delay(Ms); }));
  Sock.BufFlush();
}

void TLogonScript::Listen(int Ms) {
  auto& Sock = *App.Session.Socket;
  if (Pending.size() >= MaxPending) {
    App.Console->Delay(Ms);
    return;
  }
  if (!Sock.DataWaiting(Ms)) return;
  uint8_t Buf[4096];
  const size_t Room = std::min(sizeof Buf, MaxPending - Pending.size());
  const int32_t N = Sock.ReadBuf(Buf, static_cast<int32_t>(Room));
  if (N > 0) Pending.insert(Pending.end(), Buf, Buf + N);
}

bool TLogonScript::Escape() {
  auto& C = *App.Console;
  while (C.KeyPressed()) {
    const uint8_t K = C.ReadKey();
    if (K == 27) return true;
    // An extended key's scan code goes with it; read alone it could pass for ESC.
    if (K == 0 && C.KeyWait(50)) C.ReadKey();
  }
  return false;
}

// The one way received bytes reach the screen during a script, the same filter the session
// loop uses (Zmodem starts, capture). With a match, it stops after the printed byte that
// completes it; returns how many bytes it used.
size_t TLogonScript::Show(const uint8_t* Buf, size_t Length, TMatch* Match) {
  auto& S = App.Session;
  size_t Used = Length;
  bool Done = false;
  TReceiveSink Sink;
  Sink.Data = [&](const uint8_t* D, size_t N, bool Capture) {
    if (Done) return;
    if (Match) {
      for (size_t I = 0; I < N; ++I) {
        S.Term->ProcessChar(D[I]);
        if (!S.Term->Printed) continue;
        Match->Add(D[I]);
        if (Match->Found) {
          Done = true;
          N = I + 1;
          Used = static_cast<size_t>(D + N - Buf);
        }
      }
    } else {
      S.Term->ProcessBuf(D, N);
    }
    if (Capture && S.CaptureOn) S.Capture.Write(D, N);
  };
  TZmodemStart Start;
  App.Console->ScrollbackEnabled = true;
  {
    auto Batch = App.Console->Batch();
    Start = FilterReceived(Buf, Length, App.Config.AutoZmodem == 1, Sink);
  }
  App.Console->ScrollbackEnabled = false;
  // A transfer runs once the block is on the screen and the console lock is free; what the
  // board sends after it is read as if it had just arrived.
  if (Start.Found && !Done) {
    std::vector<uint8_t> After = AutoTransfer(App, Start.Upload, Buf + Start.At, Length - Start.At);
    Unread.insert(Unread.end(), After.begin(), After.end());
  }
  return Used;
}

void TLogonScript::ShowPending() {
  // Bounded: what a transfer left is shown, and may hold one more start, a few times over.
  for (int Round = 0; Round < 4 && !Pending.empty(); ++Round) {
    Show(Pending.data(), Pending.size(), nullptr);
    Pending.clear();
    TakeUnread();
  }
  Pending.clear();
}

void TLogonScript::TakeUnread() {
  if (Unread.empty()) return;
  // Before anything still pending: it was sent first.
  const size_t Room = MaxPending > Pending.size() ? MaxPending - Pending.size() : 0;
  Pending.insert(Pending.begin(), Unread.begin(), Unread.begin() + static_cast<std::ptrdiff_t>(std::min(Room, Unread.size())));
  Unread.clear();
}

void TLogonScript::DrawBar(const std::string& Text) {
  DrawStatusBar(*App.Console, App.Config, App.Session, lx::SecondsToday(), Text);
}

std::string TLogonScript::Where(const TScriptReader& R, const std::string& Text) const {
  return Name + " (Line: " + std::to_string(R.Line) + ", Col: " + std::to_string(R.Col) + "): " + Text;
}

void TLogonScript::Note(const TScriptReader& R, const std::string& Text) {
  if (!App.Session.StatusBarOn) return;
  const std::string Msg = Where(R, Text);
  DrawBar(Msg);
  if (Seen) Seen(Msg);
}

void TLogonScript::Error(const TScriptReader& R, const std::string& Text) {
  const std::string Msg = Where(R, Text);
  // A hidden status bar would swallow the error; it gets a box instead.
  if (!App.Session.StatusBarOn) {
    Box(Msg);
    return;
  }
  DrawBar(Msg);
  if (Seen) Seen(Msg);
  const int64_t End = lx::TickMS() + ErrorPauseMs;
  while (lx::TickMS() < End && !App.Console->Terminated.load()) App.Console->Delay(20);
}

void TLogonScript::Box(const std::string& Text) {
  if (Seen) Seen(Text);
  lx::MessageBox(*App.Console, App.Session.UI, lx::MessageInfo, Text);
}
