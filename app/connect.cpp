// Connecting to a system and ending the call.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "app/logon_script.h"
#include "app/session.h"

#include "console/fonts.h"
#include "app/statusbar.h"
#include "net/socket.h"
#include "net/socket_ssl.h"
#include "net/ssh_api.h"
#include "net/ssh_hosts.h"
#include "support/address.h"
#include "support/strings.h"
#include "support/timeutil.h"
#include "ui/dialogs.h"
#include "ui/menubox.h"
#include "ui/menuinput.h"
#include "ui/ui_console.h"

namespace {

constexpr const char* ReadyTitle = "Lanternyx v2.00 BETA 22";

void Wipe(std::string& S) {
  explicit_bzero(S.data(), S.size());
  S.clear();
}

// A question of the SSH login: a secret to type, or a host key to accept.
struct TDialQuestion {
  bool Secret = false;
  std::string Prompt;
  THostKeyQuestion Key;
};

// The connect worker asks; the main thread, which alone draws, answers. The worker waits
// until an answer comes or the attempt is cancelled (ESC in the dialer, the window closing).
class TDialQuestions {
 public:
  // Worker: false when the answer is no or the attempt was cancelled.
  bool Ask(const TDialQuestion& Q, std::string* Text) {
    std::unique_lock<std::mutex> L(M);
    if (Cancelled) return false;
    Pending = Q;
    State = TState::Waiting;
    Cv.wait(L, [this] { return State == TState::Answered || Cancelled; });
    const bool Yes = State == TState::Answered && AnswerYes;
    if (Yes && Text) *Text = AnswerText;
    Wipe(AnswerText);
    State = TState::Idle;
    return Yes;
  }
  // Main thread: takes the question waiting to be shown, if there is one.
  bool Take(TDialQuestion& Q) {
    std::lock_guard<std::mutex> L(M);
    if (State != TState::Waiting) return false;
    Q = Pending;
    State = TState::Shown;
    return true;
  }
  void Answer(bool Yes, std::string& Text) {
    {
      std::lock_guard<std::mutex> L(M);
      AnswerYes = Yes;
      AnswerText = Text;
      State = TState::Answered;
    }
    Wipe(Text);
    Cv.notify_all();
  }
  void Cancel() {
    {
      std::lock_guard<std::mutex> L(M);
      Cancelled = true;
    }
    Cv.notify_all();
  }

 private:
  enum class TState { Idle, Waiting, Shown, Answered };
  std::mutex M;
  std::condition_variable Cv;
  TState State = TState::Idle;
  bool Cancelled = false;
  TDialQuestion Pending;
  bool AnswerYes = false;
  std::string AnswerText;
};

// What the connect worker hands back. The main thread reads Result and HostKeyRefused only
// after Finished.
struct TDialAttempt {
  std::atomic<bool> Result{false};
  std::atomic<bool> Finished{false};
  std::atomic<bool> Cancel{false};
  bool HostKeyRefused = false;
  TDialQuestions Questions;
};

// The boxes open below the dialer, whose rows still say what is going on.
constexpr int QuestionTop = 15;

// A line typed unseen; false on ESC or a closing window.
bool AskSecret(TSDLConsole& C, const lx::TUISettings& UI, const std::string& Prompt, std::string& Answer) {
  const int Cols = lx::UICols(C);
  const int W = std::min(54, Cols - 4);
  const int X1 = std::max((Cols - W - 2) / 2, 1);
  lx::TMenuBox Box(C);
  lx::ApplyBoxTheme(UI, &Box, nullptr);
  Box.Title = " SSH Login ";
  Box.Open(X1, QuestionTop, X1 + W + 3, QuestionTop + 5);
  lx::UIWriteXY(C, X1 + 2, QuestionTop + 2, 112, lx::Cut(Prompt, W));
  lx::TMenuInput In(C);
  In.FieldAttr = 79;
  In.FillAttr = 71;
  In.Mask = '*';
  In.HotKeys = std::string("\r\x1B");
  Answer = In.GetStr(X1 + 2, QuestionTop + 3, W, 255, lx::TMenuInput::ModeText, "");
  Box.Close();
  if (In.ExitCode == 13 && !lx::UITerminated(C)) return true;
  Wipe(Answer);
  return false;
}

// The old and new fingerprints and the question; NO unless the user says YES.
bool AskHostKey(TSDLConsole& C, const lx::TUISettings& UI, const THostKeyQuestion& Q,
                const std::function<void(const std::string&)>& Seen) {
  std::vector<std::string> Lines;
  if (Q.OldFingerprint.empty())
    Lines = {Q.HostPort + " has not been called before.", "Key     " + Q.NewFingerprint, "",
             "Host key not known. Accept the new key?"};
  else
    Lines = {"The host key of " + Q.HostPort + " has changed!", "Old key " + Q.OldFingerprint,
             "New key " + Q.NewFingerprint, "", "Host key changed. Accept the new key?"};
  if (Seen) {
    std::string All;
    for (const std::string& L : Lines) All += L + "\n";
    Seen(All);
  }
  const int Cols = lx::UICols(C);
  int N = 9;
  for (std::string& L : Lines) {
    L = lx::Cut(L, static_cast<size_t>(std::max(Cols - 6, 9)));
    N = std::max(N, static_cast<int>(L.size()));
  }
  const int X1 = std::max((Cols - 2 - N) / 2, 1);
  const int Rows = static_cast<int>(Lines.size());
  const int ButtonRow = QuestionTop + Rows + 3;
  lx::TMenuBox Box(C);
  lx::ApplyBoxTheme(UI, &Box, nullptr);
  Box.Title = " Host key ";
  Box.Open(X1, QuestionTop, X1 + N + 3, ButtonRow + 1);
  for (int I = 0; I < Rows; ++I) lx::UIWriteXY(C, X1 + 2, QuestionTop + 2 + I, 112, Lines[I]);
  const int B = X1 + 2 + (N - 9) / 2;
  bool Yes = false;
  auto Draw = [&] {
    lx::UIWriteXY(C, B, ButtonRow, Yes ? 79 : 116, " YES ");
    lx::UIWriteXY(C, B + 5, ButtonRow, Yes ? 116 : 79, " NO ");
  };
  Draw();
  bool Result = false;
  TMouseEvent Ev{};
  for (;;) {
    if (lx::UITerminated(C)) break;
    if (lx::UIReadMouse(C, Ev) && Ev.Kind == 1) {
      const bool OnYes = lx::UIHitTest(C, Ev, B, ButtonRow, B + 4, ButtonRow);
      if (OnYes || lx::UIHitTest(C, Ev, B + 5, ButtonRow, B + 8, ButtonRow)) {
        Result = OnYes;
        break;
      }
    }
    if (!lx::UIKeyPressed(C)) {
      lx::UIDelay(C, 1);
      continue;
    }
    const uint8_t Ch = lx::UIReadKey(C);
    if (Ch == 0) {
      const uint8_t Ext = lx::UIReadKey(C);
      if (Ext == 75 || Ext == 77) Yes = Ext == 75;
      Draw();
      continue;
    }
    const char Up = lx::UpCase(static_cast<char>(Ch));
    if (Up == 'Y' || Up == 'N' || Ch == 13 || Ch == 27) {
      Result = Up == 'Y' || (Ch == 13 && Yes);
      break;
    }
    if (Ch == 32) {
      Yes = !Yes;
      Draw();
    }
  }
  Box.Close();
  return Result && !lx::UITerminated(C);
}

}  // namespace

bool SSHAvailable() { return SSHLibraryLoaded(); }

void TSession::DialerStatus(int X, const std::string& Text) {
  Con().WriteXY(X + 26, 12, 116, lx::PadRight(Text, 40));
}

bool TSession::DialEntry() {
  auto& E = S().CurrentEntry;
  const int X = PictureColumn(Con().Cols) - 1;
  const bool SSH = E.Protocol == lx::ProtoSSH;
  // Refused before anything changes: no dialer, no connection, the old session untouched.
  if (SSH && !SSHAvailable()) {
    Message("Cannot use SSH; libssh not found");
    return false;
  }

  lx::TMenuBox Box(Con());
  lx::ApplyBoxTheme(S().UI, &Box, nullptr);
  Box.FrameType = 6;
  Box.Shadow = true;
  Box.Title = " Dialer ";
  Box.Open(X + 14, 9, X + 66, 14);
  Con().WriteXY(X + 16, 11, 112, "Dialing :");
  Con().WriteXY(X + 17, 12, 112, "Status :");
  Con().WriteXY(X + 26, 11, 116, lx::Cut(DisplayName(E), 40));
  DialerStatus(X, "Connecting: " + E.Address);

  S().Connected = false;
  // The emulator answers queries through the connection: it must not outlive it.
  if (S().Term) S().Term->SetSocket(nullptr);
  S().Socket.reset();
  auto Attempt = std::make_shared<TDialAttempt>();
  std::unique_ptr<TSocket> Sock;
  TSocketSSL* Ssl = nullptr;
  if (SSH) {
    auto P = std::make_unique<TSocketSSL>(16384, 16384, -1, -1);
    P->UserName = E.UserName;
    P->Password = E.Password;
    P->AgentSocket = App.SshAgentSocket;
    P->KeyDir = App.SshKeyDir;
    P->KeyFile = App.Config.SshKeyPath;
    P->HostsFile = App.ProgramDir + HostsFileName;
    P->AskNewHost = App.Config.AskNewHost != 0;
    P->Prompts.AskSecret = [Attempt](const std::string& Prompt, std::string& Answer) {
      return Attempt->Questions.Ask({true, Prompt, {}}, &Answer);
    };
    P->Prompts.AcceptHostKey = [Attempt](const THostKeyQuestion& Q) {
      return Attempt->Questions.Ask({false, "", Q}, nullptr);
    };
    Ssl = P.get();
    Sock = std::move(P);
  } else {
    Sock = std::make_unique<TSocket>(16384, 16384, -1, -1);
  }
  // rlogin and SSH carry raw bytes.
  Sock->TelnetClient = E.Protocol != lx::ProtoRlogin && !SSH;
  Sock->TermType = lx::Cut("ANSI-256COLOR-RGB", TermTypeMax);
  Sock->IPType = E.IPType;
  // SSH asks for its terminal during the set-up, so the size must be known before.
  Sock->WinWidth = Con().Cols;
  Sock->WinHeight = static_cast<uint8_t>(E.StatusBar != 0 ? Con().Rows - 1 : Con().Rows);
  TSocket* Raw = Sock.get();
  S().Socket = std::move(Sock);

  const lx::TAddress Address = lx::ReadAddress(E.Address, lx::DefaultPort(E.Protocol));
  const std::string Host = Address.Host;
  const uint16_t Port = Address.Port;
  std::thread Worker([Raw, Ssl, Host, Port, Attempt] {
    const bool Ok = Raw->Connect(Host, Port, 1000, [&Attempt] { return Attempt->Cancel.load(); });
    if (Ssl) Attempt->HostKeyRefused = Ssl->HostKeyRefused;
    Attempt->Result = Ok;
    Attempt->Finished = true;
  });

  bool Cancelled = false;
  auto CancelAttempt = [&] {
    Attempt->Cancel = true;
    Attempt->Questions.Cancel();
    Raw->CloseHandle();
    Cancelled = true;
  };
  while (!Attempt->Finished.load() && !Con().Terminated.load()) {
    if (TDialQuestion Q; Attempt->Questions.Take(Q)) {
      std::string Text;
      bool Yes;
      if (Q.Secret) {
        if (MessageSeen) MessageSeen(Q.Prompt);
        Yes = AskSecret(Con(), S().UI, Q.Prompt, Text);
      } else {
        Yes = AskHostKey(Con(), S().UI, Q.Key, MessageSeen);
      }
      Attempt->Questions.Answer(Yes, Text);
      continue;
    }
    // Only ESC belongs to the dialer: what else is typed now is for the session.
    if (Con().TakeKey(27)) {
      CancelAttempt();
      break;
    }
    if (Con().KeyPressed())
      Con().Delay(25);
    else
      Con().KeyWait(100);
  }
  if (!Attempt->Finished.load()) CancelAttempt();
  Worker.join();
  // The questions were for this attempt only.
  if (Ssl) Ssl->Prompts = {};
  const bool Ok = !Cancelled && Attempt->Result.load();

  if (!Ok) {
    DialerStatus(X, !Cancelled && Attempt->HostKeyRefused ? "Host key changed - refused" : "Unable to connect");
    Con().Delay(1000);
    Box.Close();
    return false;
  }
  DialerStatus(X, "Connected!");
  Con().Delay(500);
  Box.Close();

  S().Connected = true;
  S().StatusBarOn = E.StatusBar != 0;
  S().ConnectTime = SecondsToday();
  Con().WriteXY(1, Con().Rows, 7, std::string(Con().Cols, ' '));
  TellWindowSize();

  S().Pacer.Clear();
  S().Pacer.SetSpeed(E.LineSpeed, MicrosNow());
  S().Term = std::make_unique<TTermAnsi>(Con());
  HookTerminal();
  // Emulation 0 (NONE) draws as ANSI-RGB does; it only sends no replies (below).
  S().Term->SetMode(E.Emulation == 2 ? TEmulation::VT102 : TEmulation::AnsiBbs,
                    E.Charset == lx::CharsetUTF8 ? TCharset::UTF8 : TCharset::CP437);
  const uint8_t Initial = S().Term->Font;
  uint8_t Font = Initial;
  // The entry's own face when it names one, else its font type's; at the console's size.
  const uint8_t Face = E.FontFace != 0 ? E.FontFace : (E.FontType == 2 ? 2 : 1);
  if (Con().CellHeight() == 16 || Con().CellHeight() == 32) Font = FontForHeight(Face, Con().CellHeight());
  S().Term->Font = Font;
  S().Term->FontSwitch = Font != Initial ? 1 : 0;
  Con().BlinkEnabled = E.Colors == 0;
  if (E.Emulation != 0) S().Term->SetSocket(S().Socket.get());
  ResetTerminal();

  RedrawStatus();
  Con().SetTitle("(LX) " + DisplayName(E) + " [" + E.Address + "]");
  Con().SetTextAttr(7);
  Con().ClearScreen(4);

  if (App.CurrentEntryNum > 0 && S().Book) {
    E.LastCall = lx::PackedNow();
    ++E.TotalCalls;
    S().Book->SavePhoneEntry(App.CurrentEntryNum, E);
  }

  if (E.Protocol == lx::ProtoRlogin) {
    std::string Hello(1, '\0');
    Hello += E.Password + '\0' + E.UserName + '\0' + "ansi-256color/57600" + '\0';
    Send(Hello);
    // The server acknowledges with a 0 byte. One that never does must not hold the program:
    // the wait looks in short slices, gives up after 5 s and ends on ESC or a closed window.
    const int64_t End = lx::TickMS() + 5000;
    while (lx::TickMS() < End && S().Socket->Connected.load() && !Con().Terminated.load()) {
      if (Con().TakeKey(27)) break;
      if (!S().Socket->DataWaiting(50)) continue;
      uint8_t Ch = 1;
      const int32_t N = S().Socket->ReadBuf(&Ch, 1);
      if (N < 0) break;
      if (N == 1 && Ch == 0) break;
      if (N == 0) Con().Delay(10);
    }
  }

  if (!E.ScriptFile.empty()) TLogonScript(App).Run(E.ScriptFile);
  return true;
}

void TSession::TellWindowSize() {
  S().Socket->SetWindowSize(Con().Cols, static_cast<uint8_t>(S().StatusBarOn ? Con().Rows - 1 : Con().Rows));
}

void TSession::ImmediateDial(std::string Address) {
  if (S().Connected) {
    Message("You are already connected!");
    return;
  }
  if (Address.empty()) {
    Address = lx::InputBox(Con(), "Immediate Dial", "Enter address to connect to:", "", 54, 255);
    if (Address.empty()) return;
  }
  // Typed or given on the command line, a telnet:// link names the same system.
  Address = lx::StripTelnetURL(Address);
  auto& E = S().CurrentEntry;
  E.Name = lx::Cut(Address, 40);
  E.Address = lx::Cut(Address, 40);
  E.StatusBar = S().StatusBarOn ? 1 : 0;
  E.SendCRLF = 0;
  E.Mouse = 1;
  E.Emulation = App.Config.DefEmulation;
  E.FontType = 1;
  E.FontFace = 0;
  E.LineSpeed = 0;
  E.Colors = 0;
  E.IPType = lx::DefaultIPv4;
  E.Protocol = lx::ProtoTelnet;
  App.CurrentEntryNum = 0;
  DialEntry();
}

void TSession::Hangup() {
  S().Connected = false;
  S().Socket->Disconnect();
  // What the line still held goes with it; the next call sets its own speed.
  S().Pacer.Clear();
  S().Pacer.SetSpeed(0, MicrosNow());
  ResetTerminal();
  if (S().CaptureOn) {
    S().CaptureOn = false;
    S().Capture.CloseWithLine("Disconnected");
  }
  Con().SetTextAttr(7);
  Message("Connection terminated");
  Con().SetTextAttr(7);
  Con().ClearScreen(4);
  ShowTerminalReady(Con(), S().Term->Font);
  RedrawStatus();
  Con().SetTitle(ReadyTitle);
}
