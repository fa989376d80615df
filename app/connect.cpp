// Connecting to a system and ending the call.
#include <atomic>
#include <memory>
#include <thread>

#include "app/later_screens.h"
#include "app/session.h"
#include "app/statusbar.h"
#include "net/socket.h"
#include "support/strings.h"
#include "support/timeutil.h"
#include "ui/dialogs.h"
#include "ui/menubox.h"

namespace {

constexpr const char* ReadyTitle = "Lanternyx v2.00 BETA 22";

// What the connect worker hands back. The main thread reads Result only after Finished.
struct TDialAttempt {
  std::atomic<bool> Result{false};
  std::atomic<bool> Finished{false};
  std::atomic<bool> Cancel{false};
};

}  // namespace

void TSession::DialerStatus(int X, const std::string& Text) {
  Con().WriteXY(X + 26, 12, 116, lx::PadRight(Text, 40));
}

bool TSession::DialEntry() {
  auto& E = S().CurrentEntry;
  const int X = PictureColumn(Con().Cols) - 1;

  TMenuBox Box(Con());
  ApplyBoxTheme(S().UI, &Box, nullptr);
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
  auto Sock = std::make_unique<TSocket>(16384, 16384, -1, -1);
  // rlogin carries raw bytes; SSH needs cryptlib, which this build does not load yet, so an
  // SSH entry fails to connect like any unreachable system.
  Sock->TelnetClient = E.Protocol != lx::ProtoRlogin;
  Sock->TermType = lx::Cut("ANSI-256COLOR-RGB", TermTypeMax);
  Sock->IPType = E.IPType;
  TSocket* Raw = Sock.get();
  S().Socket = std::move(Sock);

  std::string Host;
  uint16_t Port = 23;
  SplitAddress(E.Address, E.Protocol, Host, Port);
  auto Attempt = std::make_shared<TDialAttempt>();
  const bool SSH = E.Protocol == lx::ProtoSSH;
  std::thread Worker([Raw, Host, Port, Attempt, SSH] {
    const bool Ok =
        !SSH && Raw->Connect(Host, Port, 1000, [&Attempt] { return Attempt->Cancel.load(); });
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

  S().Term = std::make_unique<TTermAnsi>(Con());
  const uint8_t Initial = S().Term->Font;
  uint8_t Font = Initial;
  const int H = Con().CellHeight();
  if (H == 16) Font = E.FontType == 2 ? 2 : 1;
  if (H == 32) Font = E.FontType == 2 ? 4 : 3;
  S().Term->Font = Font;
  S().Term->FontSwitch = Font != Initial ? 1 : 0;
  Con().BlinkEnabled = E.Colors == 0;
  if (E.Emulation != 0) S().Term->SetSocket(S().Socket.get());

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

  if (!E.ScriptFile.empty()) RunLogonScript(App, E.ScriptFile);
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
    Address = InputBox(Con(), "Immediate Dial", "Enter address to connect to:", "", 54, 255);
    if (Address.empty()) return;
  }
  auto& E = S().CurrentEntry;
  E.Name = lx::Cut(Address, 40);
  E.Address = lx::Cut(Address, 40);
  E.StatusBar = S().StatusBarOn ? 1 : 0;
  E.SendCRLF = 0;
  E.Mouse = 1;
  E.Emulation = App.Config.DefEmulation;
  E.FontType = 1;
  E.Colors = 0;
  E.IPType = lx::DefaultIPv4;
  E.Protocol = lx::ProtoTelnet;
  App.CurrentEntryNum = 0;
  DialEntry();
}

void TSession::Hangup() {
  S().Connected = false;
  S().Socket->Disconnect();
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
