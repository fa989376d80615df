#include "app/transfer_screens.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <system_error>

#include <sys/stat.h>

#include "app/context.h"
#include "app/file_drop.h"
#include "app/statusbar.h"
#include "console/pictures.h"
#include "support/dirlist.h"
#include "support/files.h"
#include "support/strings.h"
#include "support/timeutil.h"
#include "ui/dialogs.h"
#include "ui/listbox.h"
#include "ui/ui_console.h"

namespace {

constexpr uint8_t Esc = 27, Tab = 9, Enter = 13;
constexpr uint8_t KeyF5 = 63, KeyF6 = 64, KeyLeft = 75, KeyRight = 77, KeyDel = 83;

void Message(TAppContext& App, const std::string& Text) {
  if (App.Session.MessageSeen) App.Session.MessageSeen(Text);
  lx::MessageBox(*App.Console, App.Session.UI, lx::MessageInfo, Text);
}

bool Question(TAppContext& App, const std::string& Text) {
  if (App.Session.MessageSeen) App.Session.MessageSeen(Text);
  return lx::MessageBox(*App.Console, App.Session.UI, lx::MessageYesNo, Text);
}

int LayoutOffset(const TSDLConsole& Con) { return PictureColumn(Con.Cols) - 1; }

// The pictures are drawn for the standard cell size; upscaled fonts use their own pair.
uint8_t PictureFont(const TSDLConsole& Con) { return Con.Font >= 3 ? 3 : 1; }

// A board that started a transfer we will not run must not be left waiting for one: its
// sz or rz ends on this.
void RefuseRemote(TAppContext& App) {
  if (!App.Session.Socket) return;
  uint8_t Seq[20];
  std::memset(Seq, 24, 10);
  std::memset(Seq + 10, 8, 10);
  App.Session.Socket->WriteBuf(Seq, sizeof Seq);
}

std::string StatusText(uint16_t Status) {
  switch (Status) {
    case ZStatus::Cancelled: return "cancelled";
    case ZStatus::SendTimeout:
    case ZStatus::HeaderTimeout: return "no answer from the other side";
    case ZStatus::LinkFailed: return "connection lost";
    case ZStatus::TooManyErrors:
    case ZStatus::TooManyRetries:
    case ZStatus::BadSubpackets:
    case ZStatus::CrcError: return "too many errors";
    case ZStatus::SkipRequested: return "skipped by the other side";
    case ZStatus::Refused:
    case ZStatus::NotLocal: return "refused";
    default: break;
  }
  if (Status > 0 && Status < 9900) return std::strerror(Status);
  return "error " + std::to_string(Status);
}

// Drives one prepared run to its end. The engine never waits long in a step, so ESC and the
// window's closing are seen within about a tenth of a second.
template <class TEngine>
void Drive(TAppContext& App, TEngine& Z) {
  TSDLConsole& Con = *App.Console;
  while (Z.Step()) {
    if (Con.Terminated.load()) {
      Z.Cancel();
      break;
    }
    while (Con.KeyPressed()) {
      const uint8_t K = Con.ReadKey();
      if (K == Esc) {
        Z.Cancel();
        break;
      }
      // An extended key's scan code goes with it; read alone it could pass for ESC.
      if (K == 0 && Con.KeyWait(50)) Con.ReadKey();
    }
  }
}

enum class TDirection : uint8_t { Upload, Download };

struct TRunResult {
  std::vector<TFileResult> Results;
  uint16_t Status = 0;
  std::vector<uint8_t> Unread;
};

// Runs a prepared engine (Zmodem or Xmodem/Ymodem: the same step interface) over the transfer
// picture. Setup configures the engine and prepares its run.
template <class TEngine, class TSetup>
TRunResult RunTransfer(TAppContext& App, TDirection Dir, const std::string& Protocol, TEngine& Z, TSetup Setup) {
  TSDLConsoleScrollback& Con = *App.Console;
  const bool Upload = Dir == TDirection::Upload;
  TDropsOff DropsOff(App.Drops);
  auto Saved = std::make_unique<TConsoleImage>();
  Con.SaveScreen(1, 1, Con.Cols, Con.Rows, *Saved);

  TTransferView View;
  View.X0 = LayoutOffset(Con);
  {
    auto Batch = Con.Batch();
    Con.SetTextAttr(7);
    Con.ClearScreen(4);
    Con.DisplayCrunched(FindPicture("transfer"), View.X0 + 1, 1, PictureFont(Con));
    Con.WriteXY(View.X0 + 23, 14, 15, Protocol + (Upload ? " Upload" : " Download"));
  }

  TRunResult R;
  if (Upload) Z.SetFileList(App.UploadQueue.FileList());
  Z.SetDestDir(App.Config.DownloadPath);
  Z.StatusInterval = 25;
  Z.StatusProc = [&](const auto&, const TTransferProgress& P) { DrawTransferStatus(Con, View, P, lx::SecondsToday()); };
  Setup(Z);
  Drive(App, Z);
  R.Results = Z.Results();
  R.Status = Z.ProtocolStatus;
  R.Unread = Z.TakeUnread();
  Con.RestoreScreen(*Saved);
  return R;
}

TRunResult RunZmodem(TAppContext& App, TDirection Dir, const uint8_t* Primed, size_t PrimedLength) {
  TZmodem Z(*App.Session.Socket, Dir == TDirection::Upload ? 0 : 1);
  return RunTransfer(App, Dir, "Zmodem", Z, [&](TZmodem& E) {
    if (Primed && PrimedLength > 0) E.Prime(Primed, PrimedLength);
    if (Dir == TDirection::Upload)
      E.PrepareTransmit();
    else
      E.PrepareReceive();
  });
}

bool DownloadDirReady(TAppContext& App) {
  if (lx::DirExists(App.Config.DownloadPath)) return true;
  Message(App, "Download path does not exist. Cannot transfer");
  return false;
}

}  // namespace

int TransferPercent(int64_t Done, int64_t Size) {
  if (Size <= 0) return -1;
  if (Done <= 0) return 0;
  if (Done >= Size) return 100;
  return static_cast<int>(std::llround(static_cast<double>(Done) * 100.0 / static_cast<double>(Size)));
}

int64_t TransferRate(int64_t Done, int64_t ElapsedSeconds) {
  if (Done <= 0 || ElapsedSeconds <= 0) return 0;
  return std::llround(static_cast<double>(Done) / static_cast<double>(ElapsedSeconds) / 1024.0);
}

namespace {
// A size in its 15 cells: past a terabyte in megabytes, so no digit is cut off.
std::string SizeText(int64_t N) {
  const std::string Full = lx::FormatThousands(N);
  if (Full.size() <= 15) return Full;
  return lx::FormatThousands(N >> 20) + " MB";
}
}  // namespace

void DrawTransferStatus(TSDLConsole& Con, TTransferView& View, const TTransferProgress& P, int64_t NowSeconds) {
  if (P.NewFile) View.LastPercent = -1;
  const int X = View.X0;
  // Seconds since midnight: a transfer running past it would otherwise look negative.
  int64_t Elapsed = NowSeconds - P.StartTime;
  if (Elapsed < 0) Elapsed += 86400;
  auto Batch = Con.Batch();
  Con.WriteXY(X + 29, 15, 112, lx::PadRight(lx::Cut(lx::JustFileName(P.FileName), 29), 29));
  Con.WriteXY(X + 29, 16, 112, lx::PadRight(SizeText(P.FileSize), 15));
  Con.WriteXY(X + 29, 17, 112, lx::PadRight(SizeText(P.BytesTransferred), 15));
  Con.WriteXY(X + 52, 17, 112, lx::PadRight(lx::Cut(std::to_string(P.TotalErrors), 3), 3));
  Con.WriteXY(X + 52, 18, 112, lx::PadRight(lx::Cut(std::to_string(P.BlockLen), 6), 6));
  Con.WriteXY(X + 29, 18, 112, lx::PadRight(lx::Cut(std::to_string(TransferRate(P.BytesTransferred, Elapsed)) + " kb/sec", 14), 14));
  if (P.BytesTransferred == 0) return;
  const int Percent = TransferPercent(P.BytesTransferred, P.FileSize);
  if (Percent < 0 || Percent == View.LastPercent) return;
  View.LastPercent = Percent;
  const int N = Percent / 5;
  const std::string Bar = lx::Replicate(static_cast<char>(219), N) + lx::Replicate(static_cast<char>(254), 20 - N);
  Con.WriteXY(X + 32, 20, 8, Bar);
  Con.WriteXY(X + 32, 21, 8, Bar);
  Con.WriteXY(X + 55, 21, 15, lx::PadLeft(std::to_string(Percent), 3));
}

std::string TransferSummary(bool Upload, const std::vector<TFileResult>& Results, uint16_t Status,
                            const std::string& Protocol) {
  const std::string Head =
      Protocol.empty() ? (Upload ? "Upload" : "Download") : Protocol + (Upload ? " upload" : " download");
  int Done = 0, Skipped = 0, Failed = 0;
  const TFileResult* Why = nullptr;
  for (const TFileResult& R : Results) {
    if (R.Outcome == TFileOutcome::Done) {
      ++Done;
      continue;
    }
    (R.Outcome == TFileOutcome::Skipped ? Skipped : Failed)++;
    // The first failure says most; a skip only when nothing failed.
    if (!Why || (Why->Outcome == TFileOutcome::Skipped && R.Outcome == TFileOutcome::Failed)) Why = &R;
  }
  const bool Cancelled = Status == ZStatus::Cancelled;
  if (Results.empty()) {
    if (Status == ZStatus::Ok) return Head + " complete: no files";
    return Head + (Cancelled ? " cancelled" : " failed: " + StatusText(Status));
  }
  const char* Verb = Cancelled ? " cancelled: " : (Failed > 0 ? " failed: " : " complete: ");
  std::string Text = Head + Verb + std::to_string(Done) + " done";
  if (Skipped > 0) Text += ", " + std::to_string(Skipped) + " skipped";
  if (Failed > 0) Text += ", " + std::to_string(Failed) + " failed";
  if (Why) {
    const std::string Reason = Why->Reason.empty() ? StatusText(Why->Status) : Why->Reason;
    Text += " (" + lx::StripControl(lx::JustFileName(Why->Name)) + ": " + Reason + ")";
  }
  return Text;
}

const char* TransferProtocolName(TTransferProtocol P) {
  switch (P) {
    case TTransferProtocol::Zmodem: return "Zmodem";
    case TTransferProtocol::Ymodem: return "Ymodem";
    case TTransferProtocol::YmodemG: return "Ymodem-G";
    case TTransferProtocol::Xmodem1K: return "Xmodem-1K";
    case TTransferProtocol::Xmodem: return "Xmodem";
  }
  return "";
}

namespace {
constexpr TTransferProtocol MenuProtocols[] = {TTransferProtocol::Zmodem, TTransferProtocol::Ymodem,
                                               TTransferProtocol::YmodemG, TTransferProtocol::Xmodem1K,
                                               TTransferProtocol::Xmodem};

TXYProtocol EngineProtocol(TTransferProtocol P) {
  switch (P) {
    case TTransferProtocol::Ymodem: return TXYProtocol::Ymodem;
    case TTransferProtocol::YmodemG: return TXYProtocol::YmodemG;
    case TTransferProtocol::Xmodem1K: return TXYProtocol::Xmodem1K;
    default: return TXYProtocol::Xmodem;
  }
}
}  // namespace

TTransferChoice TransferTypeMenu(TAppContext& App) {
  TSDLConsole& Con = *App.Console;
  const int X = LayoutOffset(Con);
  lx::TListBox List(Con);
  // The ANSI look whatever the theme.
  lx::TUISettings Ansi = App.Session.UI;
  Ansi.Theme = 1;
  lx::ApplyBoxTheme(Ansi, List);
  List.Box.FrameType = 6;
  List.Box.Shadow = true;
  List.Box.Title = " Transfer Type ";
  for (TTransferProtocol P : MenuProtocols) {
    List.Add(std::string(TransferProtocolName(P)) + ": Upload", 0);
    List.Add(std::string(TransferProtocolName(P)) + ": Download", 0);
  }
  List.Run(X + 29, 7, X + 52, 18);
  List.CloseBox();
  if (List.ExitCode == Esc || Con.Terminated.load() || List.Picked < 1) return {};
  return {List.Picked % 2 == 1 ? 1 : 2, MenuProtocols[std::min(4, (List.Picked - 1) / 2)]};
}

void RunTransferMenu(TAppContext& App) {
  std::vector<uint8_t> Unread;
  const TTransferChoice C = TransferTypeMenu(App);
  if (C.Direction == 0) return;
  if (C.Direction == 1 && App.UploadQueue.Count() == 0) {
    Message(App, "No files in upload queue");
    return;
  }
  if (C.Protocol == TTransferProtocol::Zmodem)
    Unread = C.Direction == 1 ? ZmodemUpload(App) : ZmodemDownload(App);
  else
    Unread = C.Direction == 1 ? XYUpload(App, EngineProtocol(C.Protocol)) : XYDownload(App, EngineProtocol(C.Protocol));
  if (!Unread.empty() && App.Session.Term) App.Session.Term->ProcessBuf(Unread.data(), Unread.size());
}

std::vector<uint8_t> ZmodemUpload(TAppContext& App, const uint8_t* Primed, size_t PrimedLength) {
  TRunResult R = RunZmodem(App, TDirection::Upload, Primed, PrimedLength);
  if (App.Console->Terminated.load()) return {};
  Message(App, TransferSummary(true, R.Results, R.Status, "Zmodem"));
  // The user decides for the whole queue: YES empties it, NO keeps every file for next time.
  if (Question(App, "Clear upload queue?")) App.UploadQueue.Clear();
  return std::move(R.Unread);
}

std::vector<uint8_t> ZmodemDownload(TAppContext& App, const uint8_t* Primed, size_t PrimedLength) {
  if (!DownloadDirReady(App)) {
    if (Primed) RefuseRemote(App);
    return {};
  }
  TRunResult R = RunZmodem(App, TDirection::Download, Primed, PrimedLength);
  if (App.Console->Terminated.load()) return {};
  Message(App, TransferSummary(false, R.Results, R.Status, "Zmodem"));
  return std::move(R.Unread);
}

std::vector<uint8_t> XYUpload(TAppContext& App, TXYProtocol P) {
  TXYModem X(*App.Session.Socket, P);
  TRunResult R = RunTransfer(App, TDirection::Upload, XYProtocolName(P), X, [](TXYModem& E) { E.PrepareTransmit(); });
  if (App.Console->Terminated.load()) return {};
  Message(App, TransferSummary(true, R.Results, R.Status, XYProtocolName(P)));
  if (Question(App, "Clear upload queue?")) App.UploadQueue.Clear();
  return std::move(R.Unread);
}

std::vector<uint8_t> XYDownload(TAppContext& App, TXYProtocol P) {
  if (!DownloadDirReady(App)) return {};
  std::string Name;
  if (P == TXYProtocol::Xmodem || P == TXYProtocol::Xmodem1K) {
    // Xmodem carries no name: the user gives one, checked like a name from the wire.
    const std::string Typed = lx::InputBox(*App.Console, std::string(XYProtocolName(P)) + " Download",
                                           "Save the file as:", App.Session.LastXmodemName, 40, 255);
    if (Typed.empty() || App.Console->Terminated.load()) return {};
    if (!SafeReceiveName(Typed, Name) || IsProgramFileName(Name)) {
      Message(App, "Not a usable file name: " + lx::StripControl(Typed));
      return {};
    }
    App.Session.LastXmodemName = Name;
  }
  TXYModem X(*App.Session.Socket, P);
  TRunResult R = RunTransfer(App, TDirection::Download, XYProtocolName(P), X, [&](TXYModem& E) {
    E.SetReceiveName(Name);
    E.PrepareReceive();
  });
  if (App.Console->Terminated.load()) return {};
  Message(App, TransferSummary(false, R.Results, R.Status, XYProtocolName(P)));
  return std::move(R.Unread);
}

std::vector<uint8_t> AutoTransfer(TAppContext& App, bool Upload, const uint8_t* Start, size_t Length) {
  if (!App.Session.Socket) return {};
  if (!Upload) return ZmodemDownload(App, Start, Length);
  if (App.UploadQueue.Count() == 0) {
    RefuseRemote(App);
    Message(App, "No files in upload queue");
    return {};
  }
  return ZmodemUpload(App, Start, Length);
}

// --- The upload queue editor ---------------------------------------------------------------

namespace {

class TQueueEditor {
 public:
  explicit TQueueEditor(TAppContext& A) : App(A), Con(*A.Console), Browser(Con), Queue(Con) {}
  void Run();

 private:
  bool Fill(const std::string& Where);
  void ShowQueue();
  void DrawQueue();
  void DrawBrowser();
  void DrawHeader();
  void Pick(int Line);
  void Jump();
  void TakeDrops();
  void SetUp(lx::TListBox& L);

  TAppContext& App;
  TSDLConsole& Con;
  lx::TListBox Browser, Queue;
  std::string Dir;  // absolute, ending in "/"
  std::vector<lx::TDirEntry> Entries;  // one per browser line
  int X0 = 0;
};

std::string DateText(int64_t Time) {
  const time_t T = static_cast<time_t>(Time);
  tm Local{};
  if (!localtime_r(&T, &Local)) return "00/00/00";
  char Buf[16];
  std::snprintf(Buf, sizeof Buf, "%02d/%02d/%02d", (Local.tm_mon + 1) % 100, Local.tm_mday % 100, Local.tm_year % 100);
  return Buf;
}

std::string LineText(const lx::TDirEntry& E) {
  const std::string Name = lx::StripControl(E.Name);
  if (E.IsDir) return lx::PadRight(lx::Cut(Name + " ", 60), 60) + " <DIR> " + DateText(E.Time);
  return lx::PadRight(lx::Cut(Name + " ", 55), 55) + lx::PadLeft(lx::FormatThousands(E.Size), 11) + " " +
         DateText(E.Time);
}

// Directories (but "..") first in name order, then "..", then the files.
std::string SortKey(const lx::TDirEntry& E) {
  const std::string Up = lx::UpperCase(E.Name);
  return E.IsDir && E.Name != ".." ? std::string(1, '\0') + Up : Up;
}

void TQueueEditor::SetUp(lx::TListBox& L) {
  // The picture draws the frames; the lists fill them. The search field sits in the bottom
  // edge, drawn in the frame's own line and colour.
  L.NoBox = true;
  L.Box.FrameType = 1;
  L.SearchAttr = 8;
  L.ItemAttr = 7;
  L.BarAttr = 31;
  L.TrackAttr = 8;
  L.ThumbAttr = 7;
  L.OnFileDrop = [this] { TakeDrops(); };
}

void TQueueEditor::DrawHeader() {
  auto Batch = Con.Batch();
  Con.WriteXY(X0 + 3, 6, 8, std::string(76, static_cast<char>(196)));
  Con.WriteXY(X0 + 3, 6, 14, lx::Cut(lx::StripControl(Dir) + " ", 76));
}

bool TQueueEditor::Fill(const std::string& Where) {
  namespace fs = std::filesystem;
  std::error_code Ec;
  fs::path P(Where);
  if (P.is_relative() && !Dir.empty()) P = fs::path(Dir) / P;
  const fs::path Full = fs::canonical(P, Ec);
  // The listing must be readable, not only the name known: opening the directory tells.
  bool Readable = !Ec && fs::is_directory(Full, Ec) && !Ec;
  if (Readable) {
    fs::directory_iterator It(Full, Ec);
    Readable = !Ec;
  }
  if (!Readable) {
    Message(App, "Unable to access: " + Where);
    return false;
  }
  Dir = lx::AddSlash(Full.string());
  Entries = lx::ListFiles(Dir, "*", true);
  if (Full != Full.root_path()) {
    lx::TDirEntry Up;
    Up.Name = "..";
    Up.IsDir = true;
    struct stat St{};
    if (::stat((Dir + "..").c_str(), &St) == 0) Up.Time = St.st_mtime;
    Entries.push_back(Up);
  }
  std::stable_sort(Entries.begin(), Entries.end(),
                   [](const lx::TDirEntry& A, const lx::TDirEntry& B) { return SortKey(A) < SortKey(B); });
  Browser.Clear();
  for (const auto& E : Entries) Browser.Add(LineText(E), 0);
  Browser.Picked = 1;
  Browser.Top = 1;
  DrawHeader();
  return true;
}

void TQueueEditor::ShowQueue() {
  Queue.Clear();
  for (int I = 1; I <= App.UploadQueue.Count(); ++I)
    Queue.Add(lx::StripControl(App.UploadQueue.Entry(I).Description), 0);
  Queue.Picked = std::clamp(App.UploadQueue.Current, 1, std::max(1, Queue.Count()));
}

void TQueueEditor::DrawQueue() {
  {
    auto Batch = Con.Batch();
    for (int Y = 17; Y <= 23; ++Y) Con.WriteXY(X0 + 2, Y, 7, std::string(77, ' '));
  }
  Queue.DisplayOnly = true;
  Queue.Run(X0 + 1, 16, X0 + 79, 24);
  Queue.DisplayOnly = false;
}

void TQueueEditor::DrawBrowser() {
  {
    auto Batch = Con.Batch();
    for (int Y = 7; Y <= 14; ++Y) Con.WriteXY(X0 + 2, Y, 7, std::string(77, ' '));
  }
  Browser.DisplayOnly = true;
  Browser.Run(X0 + 1, 6, X0 + 79, 15);
  Browser.DisplayOnly = false;
}

void TQueueEditor::TakeDrops() {
  if (TakeDroppedFiles(App) == 0) return;
  ShowQueue();
  DrawQueue();
}

void TQueueEditor::Pick(int Line) {
  if (Line < 1 || Line > static_cast<int>(Entries.size())) return;
  const lx::TDirEntry& E = Entries[static_cast<size_t>(Line - 1)];
  if (E.IsDir) {
    if (Fill(Dir + E.Name)) DrawBrowser();
    return;
  }
  for (int I = 1; I <= App.UploadQueue.Count(); ++I)
    if (App.UploadQueue.Entry(I).FileName == E.Name) return;
  if (!App.UploadQueue.Add(true, Dir, E.Name)) {
    Message(App, "Error adding file to Queue");
    return;
  }
  App.UploadQueue.Current = App.UploadQueue.Count();
  ShowQueue();
  DrawQueue();
}

void TQueueEditor::Jump() {
  const std::string To =
      lx::InputBox(Con, "Jump Directory", "Enter drive/directory name to jump to:", "", 54, 255);
  if (To.empty()) return;
  const std::string Full = To[0] == '/' ? To : Dir + To;
  if (lx::DirExists(Full) && Fill(Full)) DrawBrowser();
}

void TQueueEditor::Run() {
  auto Saved = std::make_unique<TConsoleImage>();
  Con.SaveScreen(1, 1, Con.Cols, Con.Rows, *Saved);
  X0 = LayoutOffset(Con);
  {
    auto Batch = Con.Batch();
    Con.SetTextAttr(7);
    Con.ClearScreen(4);
    Con.DisplayCrunched(FindPicture("queue-editor"), X0 + 1, 1, PictureFont(Con));
  }
  lx::UIWriteXYPipe(Con, X0 + 3, 25, 15, 77,
                    "ENTER|08/|07Add   |15TAB|08/|07Switch Windows   |15DEL|08/|07Delete   |15F5|08/|07Jump   "
                    "|15F6|08/|07Drive   |15ESC|08/|07Quit");

  SetUp(Browser);
  Browser.HotKeys = "\r\x1B\t";
  Browser.ExitKeys = std::string{static_cast<char>(KeyF5), static_cast<char>(KeyF6), static_cast<char>(KeyLeft),
                                 static_cast<char>(KeyRight)};
  Browser.SetHotZone(X0 + 1, 16, X0 + 79, 24, Tab);
  SetUp(Queue);
  Queue.HotKeys = "\t\x1B";
  Queue.ExitKeys = std::string(1, static_cast<char>(KeyDel));
  Queue.SetHotZone(X0 + 1, 6, X0 + 79, 15, Tab);

  // The browser starts in the upload directory; one that cannot be read leaves it in the
  // program's own.
  std::string Start = App.Config.UploadPath.empty() ? App.ProgramDir : App.Config.UploadPath;
  if (Start.empty()) Start = ".";
  if (!Fill(Start) && !Fill(App.ProgramDir.empty() ? "." : App.ProgramDir)) Fill("/");
  TakeDroppedFiles(App);
  ShowQueue();
  DrawQueue();

  bool InQueue = false;
  while (!Con.Terminated.load()) {
    if (!InQueue) {
      Browser.Run(X0 + 1, 6, X0 + 79, 15);
      const uint8_t K = Browser.ExitCode;
      if (K == Esc) break;
      if (K == Tab) {
        InQueue = true;
      } else if (K == Enter) {
        Pick(Browser.Picked);
      } else if (K == KeyRight) {
        const int L = Browser.Picked;
        if (L >= 1 && L <= static_cast<int>(Entries.size()) && Entries[static_cast<size_t>(L - 1)].IsDir) Pick(L);
      } else if (K == KeyLeft) {
        if (Fill(Dir + "..")) DrawBrowser();
      } else if (K == KeyF5) {
        Jump();
      }
    } else {
      Queue.Run(X0 + 1, 16, X0 + 79, 24);
      const uint8_t K = Queue.ExitCode;
      if (K == Esc) break;
      if (K == Tab) {
        InQueue = false;
      } else if (K == KeyDel && Queue.Count() > 0) {
        App.UploadQueue.Current = Queue.Picked;
        App.UploadQueue.Delete(Queue.Picked);
        ShowQueue();
        DrawQueue();
      }
    }
    TakeDrops();
  }
  Con.RestoreScreen(*Saved);
}

}  // namespace

void QueueEditor(TAppContext& App) { TQueueEditor(App).Run(); }
