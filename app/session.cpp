#include "app/session.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "app/directory_host.h"
#include "app/file_drop.h"
#include "app/macros.h"
#include "app/settings_editor.h"
#include "app/statusbar.h"
#include "app/transfer_screens.h"
#include "app/video_menus.h"
#include "console/sdl_api.h"
#include "net/socket.h"
#include "support/cp437.h"
#include "support/files.h"
#include "support/strings.h"
#include "support/timeutil.h"
#include "ui/dialogs.h"

namespace {

// The system clipboard through SDL. Without SDL (headless runs) text stays in the object.
class TSDLClipboard : public TClipboard {
 public:
  bool HasText() override {
    if (!Sdl.Loaded || !Sdl.SDL_HasClipboardText) return !Local.empty();
    return Sdl.SDL_HasClipboardText() == SDL_TRUE;
  }
  std::string GetText() override {
    if (!Sdl.Loaded || !Sdl.SDL_GetClipboardText) return Local;
    char* Text = Sdl.SDL_GetClipboardText();
    if (!Text) return {};
    std::string Out(Text);
    Sdl.SDL_free(Text);
    return Out;
  }
  void SetText(const std::string& Text) override {
    if (!Sdl.Loaded || !Sdl.SDL_SetClipboardText) {
      Local = Text;
      return;
    }
    Sdl.SDL_SetClipboardText(Text.c_str());
  }

 private:
  std::string Local;
};

// An empty directory is the working directory, not the root.
std::string CaptureDir(const std::string& Path) { return Path.empty() ? Path : lx::AddSlash(Path); }

}  // namespace

TSession::TSession(TAppContext& A) : App(A) {
  MinuteOfDay = [] { return static_cast<int>(lx::MinutesToday()); };
  SecondsToday = [] { return lx::SecondsToday(); };
  MicrosNow = [] {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
  };
  Pause = [this](int Ms) { Con().Delay(Ms); };
  if (!S().Clipboard) S().Clipboard = std::make_unique<TSDLClipboard>();
  if (!S().Term) S().Term = std::make_unique<TTermAnsi>(Con());
  if (!S().Socket) S().Socket = std::make_unique<TSocket>(16384, 16384, -1, -1);
  S().UI.Theme = App.Theme;
  S().Term->Font = App.FontType;
  HookTerminal();
}

void TSession::Message(const std::string& Text) {
  if (MessageSeen) MessageSeen(Text);
  lx::MessageBox(Con(), S().UI, lx::MessageInfo, Text);
}

bool TSession::Question(const std::string& Text) {
  if (MessageSeen) MessageSeen(Text);
  return lx::MessageBox(Con(), S().UI, lx::MessageYesNo, Text);
}

void TSession::Send(std::string_view Text) {
  if (!Text.empty()) S().Socket->WriteStr(Text);
}

void TSession::RedrawStatus() {
  StatusFont = S().Term ? S().Term->Font : 0;
  DrawStatusBar(Con(), App.Config, S(), SecondsToday());
}

void TSession::Begin() {
  lx::InitPhoneRec(S().CurrentEntry, App.Config);
  S().StatusBarOn = App.Config.DefStatusBar != 0;
  S().CurrentEntry.Emulation = App.Config.DefEmulation;
  Con().SetWindow(1, 1, Con().Cols, S().StatusBarOn ? Con().Rows - 1 : Con().Rows);
  Idle = TIdleState{};
  Idle.KeepAliveMinute = MinuteOfDay();

  ShowAbout(Con(), S().Version, AboutMs);
  ShowTerminalReady(Con(), S().Term->Font);
  RedrawStatus();
  Con().SetTextAttr(7);

  if (App.DialAddress.empty()) {
    if (App.Config.LoadBook == 1 && OpenDialingDirectory(App)) DialEntry();
  } else {
    ImmediateDial(App.DialAddress);
  }
}

void TSession::Run() {
  Begin();
  while (Pass()) {
  }
}

bool TSession::Pass() {
  if (Con().Terminated.load()) return false;
  // Files dropped on the window since the last pass join the upload queue here, on the
  // thread that owns it.
  TakeDroppedFiles(App);
  ReportMouse();
  TMouseEvent Ev;
  if (Con().ReadMouse(Ev)) HandleMouse(Ev);

  if (!Con().KeyPressed()) {
    EndFlash();
    if (S().Connected && S().Pacer.Waiting() > 0) {
      // A board that hung up still has what it sent shown to the end, at the line's pace.
      PacedPass();
    } else if (S().Connected && !S().Socket->Connected.load()) {
      // A failed wait or write has already shown that the link is gone.
      Hangup();
    } else if (S().Connected && S().Socket->DataWaiting(10)) {
      // The wait for data is the idle pause: received bytes end it at once.
      Receive();
    } else {
      // Not connected, nothing needs a look every 10 ms: keys and clicks end this longer
      // wait at once, and each 10 ms waited counts as one idle pass for the clock.
      int Passes = 1;
      if (!S().Connected) {
        const auto Start = std::chrono::steady_clock::now();
        Con().InputWait(100);
        Passes = static_cast<int>(std::clamp<int64_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - Start).count() / 10,
            1, 10));
      }
      IdleWork(Passes);
    }
  } else {
    const auto Key = Con().ReadKeyOrText();
    if (Key.Text != 0)
      HandleText(Key.Text);
    else if (Key.Key != 0)
      HandleKey(Key.Key);
    else
      HandleExtKey(Con().ReadKey());
  }
  return !Con().Terminated.load();
}

void TSession::IdleWork(int Passes) {
  const int Minute = MinuteOfDay();
  TIdleWork W;
  for (int I = 0; I < Passes; ++I) {
    const TIdleWork P =
        IdlePass(Idle, Minute, S().StatusBarOn, S().CurrentEntry.Protocol == lx::ProtoTelnet, S().Connected);
    W.RedrawStatus |= P.RedrawStatus;
    W.SendKeepAlive |= P.SendKeepAlive;
  }
  if (W.RedrawStatus) RedrawStatus();
  // IAC NOP keeps idle routers from dropping the call.
  if (W.SendKeepAlive) S().Socket->WriteTelnetCommand(Telnet::NOP);
}

namespace {
constexpr int FrameMs = 16;  // the window's frame time
}  // namespace

void TSession::PacedPass() {
  const int64_t Begin = MicrosNow();
  ShowPaced();
  const int64_t Next = S().Pacer.UsUntilNext(MicrosNow());
  // One release a video frame: each frame shows its own share of the line, the window draws
  // once for it, and a key waits at most a frame.
  const int Ms = Next <= 0 ? 0 : FrameMs;
  if (S().Socket->Connected.load()) {
    if (S().Socket->DataWaiting(Ms)) Receive();
  } else if (Ms > 0) {
    Con().InputWait(Ms);
  }
  Paced += MicrosNow() - Begin;
  if (Paced >= 10'000) {
    IdleWork(static_cast<int>(std::min<int64_t>(Paced / 10'000, 10)));
    Paced %= 10'000;
  }
}

void TSession::ShowPaced() {
  const auto Due = S().Pacer.Take(MicrosNow());
  if (Due.empty()) return;
  const bool Recording = Con().ScrollbackEnabled;
  Con().ScrollbackEnabled = true;
  ShowFromLine(Due.data(), Due.size());
  Con().ScrollbackEnabled = Recording;
}

void TSession::ShowNow(const uint8_t* Data, size_t Length, bool Capture) {
  S().Term->ProcessBuf(Data, Length);
  AfterShow();
  if (Capture && S().CaptureOn) S().Capture.Write(Data, Length);
}

void TSession::ShowFromLine(const uint8_t* Data, size_t Length) {
  S().Term->ProcessBuf(Data, Length);
  AfterShow();
  if (!S().CaptureOn) return;
  // The filter saw these bytes on arrival; a CAN among them was shown but is Zmodem's.
  if (App.Config.AutoZmodem != 1 || !std::memchr(Data, 24, Length)) {
    S().Capture.Write(Data, Length);
    return;
  }
  for (size_t I = 0; I < Length; ++I)
    if (Data[I] != 24) S().Capture.Write(Data + I, 1);
}

void TSession::Receive() {
  Con().ScrollbackEnabled = true;
  // The connection's read buffer is as large as ours, so one read takes everything it holds.
  const int32_t N = S().Socket->ReadBuf(RecvBuf.data(), static_cast<int32_t>(RecvBuf.size()));
  if (N < 0) {
    Con().ScrollbackEnabled = false;
    // What the line still carries is shown first; the loop hangs up after it.
    if (S().Pacer.Waiting() == 0) Hangup();
    return;
  }
  if (N > 0) Show(RecvBuf.data(), static_cast<size_t>(N));
  Con().ScrollbackEnabled = false;
}

void TSession::Show(const uint8_t* Buf, size_t Length) {
  TReceiveSink Sink;
  Sink.Data = [this](const uint8_t* Data, size_t Len, bool Capture) {
    // The filter sees bytes as they arrive; the pacer holds them for the screen.
    if (S().Pacer.Paced() || S().Pacer.Waiting() > 0)
      S().Pacer.Push(Data, Len, MicrosNow());
    else
      ShowNow(Data, Len, Capture);
  };
  // No batch here: the emulator takes the lock per run and answers queries after it, so a
  // transfer found in the block runs with the lock free and the window drawing.
  std::vector<uint8_t> After;
  // What a board sends after a transfer may start the next one; a few rounds at most, then
  // the rest is only shown.
  for (int Round = 0; Round < 4; ++Round) {
    const TZmodemStart Start = FilterReceived(Buf, Length, App.Config.AutoZmodem == 1, Sink);
    if (!Start.Found) {
      ShowPaced();
      return;
    }
    // A transfer does not wait for the line: what came before its start is shown at once.
    const std::vector<uint8_t> Before = S().Pacer.TakeAll();
    if (!Before.empty()) ShowFromLine(Before.data(), Before.size());
    KeepMouseLocal();
    Con().ScrollbackEnabled = false;
    After = AutoTransfer(App, Start.Upload, Buf + Start.At, Length - Start.At);
    Con().ScrollbackEnabled = true;
    Buf = After.data();
    Length = After.size();
    if (Length == 0 || Con().Terminated.load()) return;
  }
  FilterReceived(Buf, Length, false, Sink);
  ShowPaced();
}

void TSession::HandleKey(uint8_t Ch) {
  SendTyped(std::string(1, static_cast<char>(Ch)));
  if (Ch == 13 && S().CurrentEntry.SendCRLF == 1) {
    const uint8_t LF = 10;
    S().Socket->WriteBuf(&LF, 1);
  }
}

void TSession::HandleText(char32_t C) {
  std::string Text;
  lx::AppendUTF8(Text, C);
  SendTyped(TextForRemote(Text, S().CurrentEntry.Charset));
}

void TSession::SendTyped(const std::string& Bytes) {
  const auto* Data = reinterpret_cast<const uint8_t*>(Bytes.data());
  S().Socket->WriteBuf(Data, static_cast<int32_t>(Bytes.size()));
  const uint8_t Mode = S().CurrentEntry.EchoMode;
  if (Mode == lx::EchoOn || (Mode == lx::EchoAuto && S().Socket->Echo.load())) S().Term->ProcessBuf(Data, Bytes.size());
  NoteKeySent(Idle, MinuteOfDay());
}

void TSession::HandleExtKey(uint8_t Code) {
  const bool On = S().Connected;
  if (IsMacroKey(Code)) {
    if (!On)
      Message("You are not connected");
    else
      SendMacro(Code - 93);
    return;
  }
  const std::string Seq = KeySequence(Code);
  if (!Seq.empty()) {
    if (On) Send(Seq);
    return;
  }
  KeepMouseLocal();
  switch (Code) {
    case 16: QueueEditor(App); break;
    case 18: ToggleEcho(); break;
    case 20:
      if (!On)
        Message("You are not connected!");
      else
        RunTransferMenu(App);
      break;
    case 23: ImmediateDial(""); break;
    case 24: RunSettingsEditor(App); break;
    case 25: ToggleCapture(); break;
    case 30: Message("Lanternyx Version " + S().Version); break;
    case 31:
      ToggleStatusBar(Con(), App.Config, S(), SecondsToday());
      // The bar takes a row from the remote side, or gives it back.
      if (On) TellWindowSize();
      break;
    case 32:
      if (OpenDialingDirectory(App)) DialEntry();
      break;
    case 33: TVideoMenus(App).FontAndFilter(); break;
    case 35:
      if (!On)
        Message("You are not connected!");
      else if (Question("Disconnect?"))
        Hangup();
      break;
    case 38:
      if (On) {
        Send(S().CurrentEntry.UserName + "\r");
        Send(S().CurrentEntry.Password + "\r");
      }
      break;
    case 44: ShowHelp(Con(), InUseText(S().Term->Font, S().Pacer.Speed())); break;
    case 45: Exit(); break;
    case 46:
      Con().SetTextAttr(7);
      Con().ClearScreen(4);
      break;
    case 48: ScrollbackViewer(); break;
    case 50: TVideoMenus(App).ScreenSize(); break;
    case 131:
      if (!On)
        Message("You are not connected!");
      else
        CycleLineSpeed();
      break;
    default: break;
  }
}

void TSession::HandleMouse(const TMouseEvent& Ev) {
  // A click (kind 1) reaches here only when it stayed local: it has nothing to do.
  switch (Ev.Kind) {
    case 2:
      KeepMouseLocal();
      CommandMenu(Ev.X1, Ev.Y1);
      break;
    case 3:
      KeepMouseLocal();
      S().Clipboard->SetText(SelectionText(Con(), Ev.X1, Ev.Y1, Ev.X2, Ev.Y2));
      Message("Text added to clipboard");
      break;
    default: break;
  }
}

void TSession::ReportMouse() {
  // Only a board that asked hears the mouse, and only where the entry allows it.
  const TMouseModes Modes = S().Connected && S().CurrentEntry.Mouse == 1 ? S().Term->Mouse : TMouseModes{};
  const bool On = Modes.Tracking != TMouseTracking::Off;
  Con().MouseReporting = On;
  std::string Out;
  TMouseInput In;
  while (Con().MouseInputs.Pop(In))
    if (On) Out += MouseReport(Modes, In);
  Send(Out);
}

void TSession::KeepMouseLocal() {
  Con().MouseReporting = false;
  Con().MouseInputs.Clear();
}

void TSession::ResetTerminal() {
  KeepMouseLocal();
  S().Term->Mouse = {};
  Con().SetWindow(1, 1, Con().Cols, S().StatusBarOn ? Con().Rows - 1 : Con().Rows);
}

void TSession::CommandMenu(int X, int Y) {
  const std::string Items = CommandMenuText(S().Clipboard->HasText(), S().Connected, Con().ScrollbackCount);
  RunMenuCommand(lx::PopupMenu(Con(), X, Y, Items));
}

void TSession::RunMenuCommand(uint8_t Letter) {
  switch (lx::UpCase(static_cast<char>(Letter))) {
    case 'B': ScrollbackViewer(); break;
    case 'C': S().Clipboard->SetText(""); break;
    case 'D':
      if (OpenDialingDirectory(App)) DialEntry();
      break;
    case 'F': TVideoMenus(App).FontAndFilter(); break;
    case 'H':
      if (S().Connected && Question("Disconnect?")) Hangup();
      break;
    case 'L':
      if (S().Connected) CycleLineSpeed();
      break;
    case 'O': RunSettingsEditor(App); break;
    case 'P': Paste(); break;
    case 'S': TVideoMenus(App).ScreenSize(); break;
    case 'T':
      if (S().Connected) RunTransferMenu(App);
      break;
    case 'U': QueueEditor(App); break;
    case 'X': Exit(); break;
    case 'Z': ShowHelp(Con(), InUseText(S().Term->Font, S().Pacer.Speed())); break;
    default: break;
  }
}

void TSession::Exit() {
  if (S().Connected && App.Config.ConfirmDisconnect == 1 && !Question("Disconnect?")) return;
  // Without the confirmation the command simply exits; it must never be a dead key.
  if (App.Config.ConfirmExit != 1 || Question("Do you want to exit Lanternyx?")) Con().Terminated = true;
}

void TSession::CycleLineSpeed() {
  const auto Next = static_cast<uint8_t>((S().Pacer.Speed() + 1) % TLinePacer::SpeedCount);
  S().Pacer.SetSpeed(Next, MicrosNow());
  RedrawStatus();
}

void TSession::AfterShow() {
  if (BellPending) RingBell();
  // A board that changed the line speed or the font sees it on the status bar.
  if (StatusPending || S().Term->Font != StatusFont) {
    StatusPending = false;
    RedrawStatus();
  }
}

void TSession::RingBell() {
  BellPending = false;
  const auto Mode = static_cast<TBellMode>(App.Config.Bell <= 2 ? App.Config.Bell : 0);
  if (!S().Bell.Ring(Mode, lx::TickMS()) || Mode != TBellMode::Flash || !S().StatusBarOn) return;
  // The bar in white on red for a moment (a bright background would blink); the loop puts
  // it back.
  auto Batch = Con().Batch();
  const int R = Con().Rows;
  for (int X = 1; X <= Con().Cols; ++X) {
    TConsoleCell Cell = Con().Cell(X, R);
    Cell.Attr = 79;
    Cell.FgMode = Cell.BgMode = 0;
    Con().PutCell(X, R, Cell, Cell.Font);
  }
  FlashUntil = lx::TickMS() + 150;
}

void TSession::EndFlash() {
  if (FlashUntil == 0 || lx::TickMS() < FlashUntil) return;
  FlashUntil = 0;
  RedrawStatus();
}

void TSession::HookTerminal() {
  // The emulator is inside a block of the console when it meets these: the session acts on
  // them once the block is shown.
  S().Term->OnBell = [this] { BellPending = true; };
  S().Term->OnLineSpeed = [this](int Code) {
    if (Code >= 0 && Code < TLinePacer::SpeedCount) {
      S().Pacer.SetSpeed(static_cast<uint8_t>(Code), MicrosNow());
      StatusPending = true;
    }
  };
}

void TSession::ToggleEcho() {
  const bool Now = !S().Socket->Echo.load();
  S().Socket->Echo = Now;
  Message(Now ? "Echo mode ON" : "Echo mode OFF");
}

void TSession::Paste() {
  if (!S().Connected || !S().Clipboard->HasText()) return;
  // The clipboard holds UTF-8; the remote side reads the entry's character set.
  for (char Ch : TextForRemote(S().Clipboard->GetText(), S().CurrentEntry.Charset))
    S().Socket->BufWriteChar(static_cast<uint8_t>(Ch));
  S().Socket->BufFlush();
}

void TSession::SendMacro(int Number) {
  if (Number < 1 || Number > static_cast<int>(App.Config.Macros.size())) return;
  Send(ExpandMacro(App.Config.Macros[Number - 1], S().CurrentEntry, Pause));
  NoteKeySent(Idle, MinuteOfDay());
}

void TSession::ToggleCapture() {
  if (S().CaptureOn) {
    S().Capture.CloseWithLine("OFF");
    S().CaptureOn = false;
    Message("Capture is OFF");
    return;
  }
  if (!S().Connected) {
    Message("You are not connected");
    return;
  }
  auto& E = S().CurrentEntry;
  if (E.CaptureFile.empty()) {
    E.CaptureFile = lx::Cut(
        lx::InputBox(Con(), "Capture", "Enter filename of capture file", "lanternyx.cap", 54, 255), 25);
    if (E.CaptureFile.empty()) return;
  }
  std::string Date;
  lx::FormatDate(lx::LocalNow(), 1, Date);
  if (S().Capture.Open(CaptureDir(App.Config.CapturePath) + E.CaptureFile, E.Name, E.Address, Date)) {
    S().CaptureOn = true;
    Message("Capture is ON");
  } else {
    Message("Unable to open capture file");
  }
}

void RunTerminalSession(TAppContext& App) {
  TSession Session(App);
  Session.Run();
}

void EndTerminalSession(TAppContext& App) {
  App.Session.Capture.Close();
  App.Session.CaptureOn = false;
  App.Session.Term.reset();
  App.Session.Socket.reset();
}
