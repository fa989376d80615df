#include "phonebook/directory.h"

#include <memory>
#include <utility>

#include "console/pictures.h"
#include "phonebook/editor.h"
#include "phonebook/import.h"
#include "phonebook/selector.h"
#include "phonebook/sort.h"
#include "support/files.h"
#include "support/strings.h"
#include "support/timeutil.h"
#include "ui/dialogs.h"
#include "ui/layout.h"
#include "ui/ui_console.h"

namespace lx {

namespace {

constexpr uint8_t ScanHome = 71, ScanUp = 72, ScanPgUp = 73, ScanLeft = 75, ScanRight = 77, ScanEnd = 79,
                  ScanDown = 80, ScanPgDn = 81, ScanInsert = 82, ScanDelete = 83, ScanAltE = 18, ScanAltI = 23,
                  ScanAltS = 31, ScanAltB = 48, ScanAltF = 33;

constexpr const char* PopupItems = "E-Edit|I-Insert|D-Delete|S-Sort|C-Change Book|M-Import|X-Exit|";
constexpr const char* SaveFailed = "Unable to save phone book";

// The gauge's ten cells when full: light to dark in red, then yellow on red.
constexpr uint8_t GaugeChars[10] = {176, 177, 178, 219, 176, 177, 178, 219, 177, 178};
constexpr uint8_t GaugeAttrs[10] = {4, 4, 4, 4, 76, 76, 76, 12, 78, 78};

// The last shown entry in twentieths, halves to the even neighbour: 1..10.
int GaugeCells(int LastShown) {
  const int Q = LastShown / 20, R = LastShown % 20;
  return R < 10 ? Q : R > 10 ? Q + 1 : Q + (Q & 1);
}

bool ContainsNoCase(const std::string& Text, const std::string& Want) {
  return UpperCase(StripPipe(Text)).find(UpperCase(Want)) != std::string::npos;
}

std::array<TPhoneRec, PhoneEntries> CopyEntries(const TPhoneBookFile& Book) {
  std::array<TPhoneRec, PhoneEntries> A;
  for (int N = 1; N <= PhoneEntries; ++N) A[N - 1] = Book.Entry(N);
  return A;
}

void PutEntries(TPhoneBookFile& Book, std::array<TPhoneRec, PhoneEntries>& A) {
  for (int N = 1; N <= PhoneEntries; ++N) Book.Entry(N) = std::move(A[N - 1]);
}

}  // namespace

TPhoneDirectory::TPhoneDirectory(TSDLConsole& Console, const TUISettings& UI, TPhoneBookFile& Book, TConfigRec& Cfg,
                                 TDirectoryHost& Host, TPhoneBookPrompts& Prompts, std::string ProgramDir)
    : Console(Console), UI(UI), Book(Book), Cfg(Cfg), Host(Host), Prompts(Prompts), ProgramDir(std::move(ProgramDir)) {}

bool PhoneDirectory(TSDLConsole& Console, const TUISettings& UI, TPhoneBookFile& Book, TConfigRec& Cfg,
                    TDirectoryHost& Host, TPhoneBookPrompts& Prompts, const std::string& ProgramDir) {
  TPhoneDirectory D(Console, UI, Book, Cfg, Host, Prompts, ProgramDir);
  return D.Run();
}

// A stored position comes from a file (another screen height, another
// program, damage): anything that would show rows outside 1..200 starts over.
void TPhoneDirectory::FitPosition() {
  auto& H = Book.Header;
  if (H.TopEntry < 1 || H.BarRow < 1 || H.BarRow > ListRows() || H.TopEntry + ListRows() - 1 > PhoneEntries) {
    H.TopEntry = 1;
    H.BarRow = 1;
  }
}

// After a load: the session's entry number means nothing in another file.
void TPhoneDirectory::AfterLoad(const std::string& Before) {
  FitPosition();
  if (Book.FileName() != Before) Host.SetCurrentEntryNum(0);
}

bool TPhoneDirectory::Run() {
  Tags.fill(false);
  ShownGauge = 0;
  Left = LeftColumn(Console.Cols);
  Extra = Console.Rows >= 50 ? 26 : 1;
  const std::string Before = Book.FileName();
  if (!Book.LoadPhoneBook(ProgramDir + Cfg.BookName, Cfg, Prompts)) return false;
  AfterLoad(Before);

  auto Saved = std::make_unique<TConsoleImage>();
  Console.SaveScreen(1, 1, Console.Cols, Console.Rows, *Saved);
  TCursorScope NoCursor(Console, true);
  DrawBackground();

  bool Dial = false;
  while (!Console.Terminated.load()) {
    if (Current() != ShownEntry) {
      DrawCounter();
      DrawRow(Book.Header.BarRow, true);
    }
    TMouseEvent Ev{};
    if (UIReadMouse(Console, Ev)) {
      const int Row = Ev.Y1 - 9;
      if (Ev.Kind == 1 && Row >= 1 && Row <= ListRows()) {
        if (Row == Book.Header.BarRow)
          Console.PushKey(13);  // a second click on the bar dials
        else
          MoveBar(Book.Header.TopEntry, Row);
      } else if (Ev.Kind == 2) {
        const char Choice = UpCase(static_cast<char>(PopupMenu(Console, Ev.X1, Ev.Y1, PopupItems)));
        static constexpr std::pair<char, uint8_t> Menu[] = {
            {'C', ScanAltB}, {'D', ScanDelete}, {'E', ScanAltE}, {'I', ScanInsert}, {'M', ScanAltI}, {'S', ScanAltS}};
        for (const auto& [Letter, Scan] : Menu)
          if (Choice == Letter) Command(Scan, true);
        if (Choice == 'X') break;
      }
      continue;
    }
    if (!UIKeyPressed(Console)) {
      UIDelay(Console, 1);
      continue;
    }
    uint8_t Code = UIReadKey(Console);
    const bool Extended = Code == 0;
    if (Extended) Code = UIReadKey(Console);
    if (Console.Terminated.load()) break;
    if (!Extended && Code == 27) break;
    if (!Extended && Code == 13) {
      if (TryDial()) {
        Dial = true;
        break;
      }
      continue;
    }
    Command(Code, Extended);
  }

  Console.RestoreScreen(*Saved);
  Book.SavePhoneHeader();  // the position for next time; a failure costs only that
  return Dial;
}

bool TPhoneDirectory::TryDial() {
  const int N = Current();
  const TPhoneRec& R = Book.Entry(N);
  if (Host.Connected()) {
    Prompts.Notice("You are already connected");
    return false;
  }
  // SSH may log in with a key, or ask for the password when the server wants one.
  if ((R.Protocol == ProtoRlogin && (R.UserName.empty() || R.Password.empty())) ||
      (R.Protocol == ProtoSSH && R.UserName.empty())) {
    Prompts.Notice("Set username/pass to use this connection type");
    return false;
  }
  if (R.Protocol == ProtoSSH && !Host.SSHUsable()) {
    Prompts.Notice("Cannot use SSH; libssh not found");
    return false;
  }
  Host.Dial(N, R);
  return true;
}

bool TPhoneDirectory::Command(uint8_t Code, bool Extended) {
  auto& H = Book.Header;
  const int Rows = ListRows();
  if (!Extended) {
    if (Code == ' ') {
      Tags[Current()] = !Tags[Current()];
      DrawRow(H.BarRow, true);
    }
    return false;
  }
  switch (Code) {
    case ScanAltE: Edit(); break;
    case ScanAltI: Import(); break;
    case ScanAltS: Sort(); break;
    case ScanAltB: ChangeBook(); break;
    case ScanAltF: Find(); break;
    case ScanInsert: Insert(); break;
    case ScanDelete: Delete(); break;
    case ScanHome: MoveBar(1, 1); break;
    case ScanUp:
      if (H.BarRow > 1)
        MoveBar(H.TopEntry, H.BarRow - 1);
      else if (H.TopEntry > 1)
        MoveBar(H.TopEntry - 1, H.BarRow);
      break;
    case ScanDown:
      if (H.BarRow < Rows)
        MoveBar(H.TopEntry, H.BarRow + 1);
      else if (H.TopEntry + Rows - 1 < PhoneEntries)
        MoveBar(H.TopEntry + 1, H.BarRow);
      break;
    case ScanPgUp:
    case ScanLeft:
      if (H.TopEntry <= Rows)
        MoveBar(1, 1);
      else
        MoveBar(H.TopEntry - Rows, H.BarRow);
      break;
    case ScanPgDn:
    case ScanRight:
      if (H.TopEntry + 2 * Extra + 19 >= PhoneEntries)
        MoveBar(PhoneEntries - Rows + 1, Rows);
      else
        MoveBar(H.TopEntry + Rows, H.BarRow);
      break;
    case ScanEnd: MoveBar(PhoneEntries - Rows + 1, Rows); break;
    default: break;  // ALT+G and the rest do nothing here
  }
  return false;
}

void TPhoneDirectory::MoveBar(int NewTop, int NewBar) {
  auto& H = Book.Header;
  if (NewTop == H.TopEntry && NewBar == H.BarRow) return;
  const bool Scroll = NewTop != H.TopEntry;
  const int OldBar = H.BarRow;
  H.TopEntry = static_cast<uint8_t>(NewTop);
  H.BarRow = static_cast<uint8_t>(NewBar);
  if (Scroll) {
    DrawList();
  } else {
    DrawRow(OldBar, false);
    DrawRow(NewBar, true);
    DrawCounter();
  }
}

void TPhoneDirectory::ShowEntry(int N) {
  const auto& H = Book.Header;
  const int Rows = ListRows();
  if (N < 1 || N > PhoneEntries) return;
  if (N >= H.TopEntry && N <= H.TopEntry + Rows - 1) {
    MoveBar(H.TopEntry, N - H.TopEntry + 1);
    return;
  }
  const int Top = N <= PhoneEntries - Rows + 1 ? N : PhoneEntries - Rows + 1;
  MoveBar(Top, N - Top + 1);
}

void TPhoneDirectory::DrawBackground() {
  auto Batch = Console.Batch();
  // Block graphics exist only in the CP437 fonts; keep the console's resolution.
  const uint8_t Font = Console.Font >= 3 ? 3 : 1;
  Console.DisplayCrunched(FindPicture(Extra > 1 ? "directory-50" : "directory"), Left, 1, Font);
  DrawTitle();
  ShownGauge = 0;
  DrawList();
}

void TPhoneDirectory::DrawTitle() {
  UIWriteXY(Console, Left + 2, Extra + 21, 112, PadRight(Cut(Book.Header.Title, 40), 40));
}

void TPhoneDirectory::DrawList() {
  auto Batch = Console.Batch();
  for (int Row = 1; Row <= ListRows(); ++Row) DrawRow(Row, Row == Book.Header.BarRow);
  DrawGauge();
  DrawCounter();
}

void TPhoneDirectory::DrawRow(int Row, bool High) {
  const int N = Book.Header.TopEntry + Row - 1;
  if (Row < 1 || Row > ListRows() || N < 1 || N > PhoneEntries) return;
  const TPhoneRec& R = Book.Entry(N);
  const int Y = Row + 9;
  const bool Tagged = Tags[N];
  const uint8_t A = High ? (Tagged ? 78 : 76) : (Tagged ? 14 : 7);
  auto Batch = Console.Batch();
  if (!High && !Tagged)
    UIWriteXYPipe(Console, Left + 1, Y, 7, 27, " " + R.Name);
  else
    UIWriteXY(Console, Left + 1, Y, A, PadRight(Cut(" " + StripPipe(R.Name), 27), 27));
  UIWriteXY(Console, Left + 29, Y, A, PadRight(Cut(" " + R.Address, 27), 27));
  std::string Date;
  FormatPackedDate(R.LastCall, 1, Date);  // 0 reads as 00/00/80
  UIWriteXY(Console, Left + 57, Y, A, " " + Date + "  ");
  UIWriteXY(Console, Left + 69, Y, A, PadRight(Cut(" " + FormatThousands(R.TotalCalls) + " ", 9), 9));
  if (High) ShownEntry = N;
}

void TPhoneDirectory::DrawGauge() {
  const int G = GaugeCells(Book.Header.TopEntry + ListRows() - 1);
  if (G == ShownGauge) return;
  ShownGauge = G;
  const int Y = Extra + 21;
  UIWriteXY(Console, Left + 57, Y, 8, std::string(10, static_cast<char>(176)));
  for (int I = 0; I < G && I < 10; ++I)
    UIWriteXY(Console, Left + 57 + I, Y, GaugeAttrs[I], std::string(1, static_cast<char>(GaugeChars[I])));
}

void TPhoneDirectory::DrawCounter() {
  const int Y = Extra + 21;
  UIWriteXY(Console, Left + 68, Y, 112, "(   /200)");
  UIWriteXY(Console, Left + 69, Y, 112, PadLeft(IntToStr(Current()), 3, '0'));
  // The entry's emulated line speed, where the title leaves room; none for an unlimited line.
  const uint32_t Bps = LineSpeedBps(Book.Entry(Current()).LineSpeed);
  UIWriteXY(Console, Left + 43, Y, 112, PadLeft(Bps ? IntToStr(static_cast<int>(Bps)) + " bps" : "", 12));
}

void TPhoneDirectory::Follow(const std::array<int, PhoneEntries + 1>& Moved) {
  std::array<bool, PhoneEntries + 1> NewTags{};
  for (int N = 1; N <= PhoneEntries; ++N)
    if (Tags[N] && Moved[N] >= 1 && Moved[N] <= PhoneEntries) NewTags[Moved[N]] = true;
  Tags = NewTags;
  const int Live = Host.CurrentEntryNum();
  if (Live >= 1 && Live <= PhoneEntries) Host.SetCurrentEntryNum(Moved[Live]);
  else if (Live != 0) Host.SetCurrentEntryNum(0);
}

void TPhoneDirectory::Edit() { EditPhoneEntry(*this); }

void TPhoneDirectory::Insert() {
  const int N = Current();
  int J = N;
  while (J <= PhoneEntries && !IsBlankEntry(Book.Entry(J))) ++J;
  auto Before = CopyEntries(Book);
  const auto TagsBefore = Tags;
  const int LiveBefore = Host.CurrentEntryNum();
  if (!Book.InsertEntry(N, Cfg, Prompts)) return;  // no blank entry: already said so
  std::array<int, PhoneEntries + 1> Moved{};
  for (int K = 1; K <= PhoneEntries; ++K) Moved[K] = (K >= N && K < J) ? K + 1 : K;
  Moved[J] = 0;
  Follow(Moved);
  Tags[N] = false;
  DrawList();
  // The new entry exists only once the editor saves; otherwise the book in
  // memory goes back to what the file holds.
  if (!EditPhoneEntry(*this)) {
    PutEntries(Book, Before);
    Tags = TagsBefore;
    Host.SetCurrentEntryNum(LiveBefore);
    DrawList();
  }
}

void TPhoneDirectory::Delete() {
  if (!Prompts.AskYesNo("Delete this record?")) return;
  const int N = Current();
  auto Before = CopyEntries(Book);
  if (!Book.DeleteEntry(N)) {
    PutEntries(Book, Before);
    Prompts.Notice(SaveFailed);
    DrawList();
    return;
  }
  std::array<int, PhoneEntries + 1> Moved{};
  for (int K = 1; K <= PhoneEntries; ++K) Moved[K] = K < N ? K : K - 1;
  Follow(Moved);
  DrawList();
}

void TPhoneDirectory::Sort() {
  const int N = Current();
  const bool WasBlank = IsBlankEntry(Book.Entry(N));
  const TSortResult R = SortPhoneBook(Console, Book, Cfg, Prompts, Left);
  if (R.Saved) {
    Follow(R.Moves);
    if (!WasBlank) ShowEntry(R.Moves[N]);
  }
  DrawList();
}

void TPhoneDirectory::Import() {
  TCursorScope Cursor(Console, false);
  ImportPhoneBook(Console, UI, Book, Cfg);
  DrawList();
}

void TPhoneDirectory::ChangeBook() {
  const TSelectorBooks Books{ProgramDir, JustFileName(Book.FileName()), Cfg.BookName};
  std::string Name;
  {
    TCursorScope Cursor(Console, false);
    Name = SelectPhoneBook(Console, UI, Books, Cfg);
  }
  const std::string Before = Book.FileName();
  const bool Loaded = !Name.empty() && Book.LoadPhoneBook(ProgramDir + Name, Cfg, Prompts);
  if (Loaded) AfterLoad(Before);
  // The rows under the question are the new book's (or the old one's once more).
  DrawTitle();
  ShownGauge = 0;
  DrawList();
  if (Loaded) {
    // A name longer than the configuration's field would be stored cut, naming another
    // file (or none), so such a book can be opened but not made the default.
    if (Name.size() <= CfgOfs::BookNameLen && Prompts.AskYesNo("Set this as your default phone book?")) {
      const std::string Old = Cfg.BookName;
      Cfg.BookName = Name;
      if (!Host.SaveConfig()) {
        Cfg.BookName = Old;
        Prompts.Notice(SaveFailed);
      }
    }
  }
}

void TPhoneDirectory::Find() {
  std::string Want;
  {
    TCursorScope Cursor(Console, false);
    Want = InputBox(Console, "Find", "Find a system by name or address:", "", 40, 40);
  }
  if (Want.empty()) return;
  const int From = Current();
  for (int Step = 1; Step <= PhoneEntries; ++Step) {
    const int N = (From - 1 + Step) % PhoneEntries + 1;
    const TPhoneRec& R = Book.Entry(N);
    if (ContainsNoCase(R.Name, Want) || ContainsNoCase(R.Address, Want)) {
      ShowEntry(N);
      return;
    }
  }
  Prompts.Notice("Not found");
}

}  // namespace lx
