// Connecting to a system and ending the call.
#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
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
#include "ui/ui_console.h"

namespace {

constexpr const char* ReadyTitle = "Lanternyx v2.00 BETA 22";

// What the connect worker hands back. The main thread reads Result only after Finished.
struct TDialAttempt {
  std::atomic<bool> Result{false};
  std::atomic<bool> Finished{false};
  std::atomic<bool> Cancel{false};
  // Written by the worker before Finished: an SSH server whose key was refused.
  THostKeyRefusal HostKey;
};

// The server showed a key other than the one recorded for it. The user is told which system,
// the key it showed and where the recorded one is, so that an expected change can be allowed
// by removing that line; nothing else lets the call through.
void ShowHostKeyRefusal(TSDLConsole& C, const lx::TUISettings& UI, const THostKeyRefusal& R,
                        const std::function<void(const std::string&)>& Seen) {
  std::vector<std::string> Lines = {"The host key of " + R.HostPort + " has changed!", "New key " + R.Fingerprint,
                                    "If the change is expected, remove line " + std::to_string(R.Line) + " of",
                                    R.File};
  if (Seen) Seen(Lines[0] + " " + Lines[1] + " " + Lines[2] + " " + Lines[3]);
  const int Cols = lx::UICols(C);
  const int MaxLen = std::max(Cols - 6, 10);
  int N = 4;
  for (std::string& L : Lines) {
    // A long path keeps its end, where the file name is.
    if (static_cast<int>(L.size()) > MaxLen) L = "..." + L.substr(L.size() - static_cast<size_t>(MaxLen - 3));
    N = std::max(N, static_cast<int>(L.size()));
  }
  const int X1 = std::max((Cols - 2 - N) / 2, 1);
  lx::TMenuBox Box(C);
  lx::ApplyBoxTheme(UI, &Box, nullptr);
  Box.Title = " Host key refused ";
  // Below the dialer, whose status row still says why the call ended.
  Box.Open(X1, 15, X1 + N + 3, 23);
  for (size_t I = 0; I < Lines.size(); ++I) lx::UIWriteXY(C, X1 + 2, 17 + static_cast<int>(I), 112, Lines[I]);
  const int B = X1 + 2 + (N - 4) / 2;
  lx::UIWriteXY(C, B, 22, 79, " OK ");
  TMouseEvent Ev{};
  while (!lx::UITerminated(C)) {
    if (lx::UIKeyPressed(C)) break;
    if (lx::UIReadMouse(C, Ev) && Ev.Kind == 1 && lx::UIHitTest(C, Ev, B, 22, B + 4, 22)) break;
    lx::UIDelay(C, 1);
  }
  while (!lx::UITerminated(C) && lx::UIKeyPressed(C)) lx::UIReadKey(C);
  Box.Close();
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
  std::unique_ptr<TSocket> Sock;
  TSocketSSL* Ssl = nullptr;
  if (SSH) {
    auto P = std::make_unique<TSocketSSL>(16384, 16384, -1, -1);
    P->UserName = E.UserName;
    P->Password = E.Password;
    P->HostsFile = App.ProgramDir + HostsFileName;
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
  auto Attempt = std::make_shared<TDialAttempt>();
  std::thread Worker([Raw, Ssl, Host, Port, Attempt] {
    const bool Ok = Raw->Connect(Host, Port, 1000, [&Attempt] { return Attempt->Cancel.load(); });
    if (Ssl) Attempt->HostKey = Ssl->HostKeyRefusal;
    Attempt->Result = Ok;
    Attempt->Finished = true;
  });

  bool Cancelled = false;
  while (!Attempt->Finished.load() && !Con().Terminated.load()) {
    // Only ESC belongs to the dialer: what else is typed now is for the session.
    if (Con().TakeKey(27)) {
      Attempt->Cancel = true;
      Raw->CloseHandle();
      Cancelled = true;
      break;
    }
    if (Con().KeyPressed())
      Con().Delay(25);
    else
      Con().KeyWait(100);
  }
  if (!Attempt->Finished.load()) {
    Attempt->Cancel = true;
    Raw->CloseHandle();
    Cancelled = true;
  }
  Worker.join();
  const bool Ok = !Cancelled && Attempt->Result.load();

  if (!Ok && !Cancelled && Attempt->HostKey.Refused) {
    DialerStatus(X, "Host key changed - refused");
    ShowHostKeyRefusal(Con(), S().UI, Attempt->HostKey, MessageSeen);
    Box.Close();
    return false;
  }
  if (!Ok) {
    DialerStatus(X, "Unable to connect");
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
