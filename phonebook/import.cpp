#include "phonebook/import.h"

#include <algorithm>
#include <cstdlib>

#include "support/address.h"
#include "support/binrec.h"
#include "support/capread.h"
#include "support/files.h"
#include "support/strings.h"
#include "ui/dialogs.h"
#include "ui/listbox.h"
#include "ui/menubox.h"
#include "ui/ui_console.h"

namespace lx {

namespace {

// Field sizes of TPhoneRec that an imported value must fit whole: a host or
// a password cut short would dial a different system or fail every login.
constexpr std::size_t NameMax = 40, AddressMax = 40, UserNameMax = 40, PasswordMax = 20;
// Enough to name the refused connection types without flooding the box.
constexpr std::size_t MaxTypeNames = 6, TypeNameMax = 16;

struct TSystem {
  std::string Name, Address, UserName, Password;
  uint8_t Protocol = ProtoTelnet;
  int StatusBar = -1;  // -1: the configured default
};

// Fills free entries in order. Entries only ever become used here, so the
// search goes on from the last entry it filled.
class TFiller {
 public:
  TFiller(TPhoneBookFile& Book, const TConfigRec& Cfg, TImportResult& R) : Book(Book), Cfg(Cfg), R(R) {}

  void Skip(TSkipReason Why) { ++R.Skips(Why); }

  void Store(const TSystem& S) {
    if (S.Address.size() > AddressMax) return Skip(TSkipReason::AddressTooLong);
    if (S.UserName.size() > UserNameMax) return Skip(TSkipReason::UserNameTooLong);
    if (S.Password.size() > PasswordMax) return Skip(TSkipReason::PasswordTooLong);
    while (Next <= PhoneEntries && !IsBlankEntry(Book.Entry(Next))) ++Next;
    if (Next > PhoneEntries) {
      ++R.NotFitted;
      return;
    }
    TPhoneRec& E = Book.Entry(Next++);
    InitPhoneRec(E, Cfg);
    E.Name = S.Name.substr(0, NameMax);
    E.Address = S.Address;
    E.UserName = S.UserName;
    E.Password = S.Password;
    E.Protocol = S.Protocol;
    if (S.StatusBar >= 0) E.StatusBar = static_cast<uint8_t>(S.StatusBar);
    ++R.Imported;
  }

 private:
  TPhoneBookFile& Book;
  const TConfigRec& Cfg;
  TImportResult& R;
  int Next = 1;
};

std::string TrimBlanks(std::string_view S) {
  std::size_t A = 0, B = S.size();
  while (A < B && (S[A] == ' ' || S[A] == '\t')) ++A;
  while (B > A && (S[B - 1] == ' ' || S[B - 1] == '\t' || S[B - 1] == '\r')) --B;
  return std::string(S.substr(A, B - A));
}

bool IsTrue(const std::string& V) {
  const std::string U = UpperCase(V);
  int64_t N = 0;
  return U == "TRUE" || U == "YES" || U == "ON" || (TryStrToInt(V, N) && N != 0);
}

// One section of a SyncTerm list. A key's first line wins, as an INI lookup
// finds it; a line too long to read whole marks its value as unusable.
struct TSyncSection {
  struct TValue {
    bool Set = false, Cut = false;
    std::string Text;
  };
  enum Key { Address, Port, ConnectionType, UserName, Password, NoStatus, KeyCount };
  std::string Name;
  std::array<TValue, KeyCount> V;

  static int KeyOf(const std::string& K) {
    static constexpr const char* Names[KeyCount] = {"ADDRESS", "PORT", "CONNECTIONTYPE",
                                                    "USERNAME", "PASSWORD", "NOSTATUS"};
    const std::string U = UpperCase(K);
    for (int I = 0; I < KeyCount; ++I)
      if (U == Names[I]) return I;
    return -1;
  }
};

uint8_t ProtocolOf(const std::string& Type) {
  const std::string U = UpperCase(Type);
  if (U == "TELNET") return ProtoTelnet;
  if (U == "RLOGIN") return ProtoRlogin;
  if (U == "SSH") return ProtoSSH;
  return 0;
}

void StoreSection(const TSyncSection& S, TFiller& Fill, TImportResult& R) {
  using K = TSyncSection;
  const auto& Type = S.V[K::ConnectionType];
  // A list that does not say is a telnet list.
  const uint8_t Proto = !Type.Set ? ProtoTelnet : Type.Cut ? 0 : ProtocolOf(Type.Text);
  if (Proto == 0) {
    std::string T = Type.Text.substr(0, TypeNameMax);
    if (R.SkippedTypes.size() < MaxTypeNames &&
        std::find(R.SkippedTypes.begin(), R.SkippedTypes.end(), T) == R.SkippedTypes.end())
      R.SkippedTypes.push_back(T);
    return Fill.Skip(TSkipReason::ConnectionType);
  }

  const auto& Addr = S.V[K::Address];
  if (Addr.Cut) return Fill.Skip(TSkipReason::AddressTooLong);
  if (Addr.Text.empty()) return Fill.Skip(TSkipReason::NoAddress);
  // Without a port the connect step uses the protocol's own one.
  const uint16_t Default = DefaultPort(Proto);
  const TAddress Read = ReadAddress(Addr.Text, Default);
  // The list keeps the port on a line of its own; one in the address would be a second.
  if (Read.HasPort) return Fill.Skip(TSkipReason::PortInAddress);

  std::string Address = Addr.Text;
  const auto& Port = S.V[K::Port];
  if (Port.Cut) return Fill.Skip(TSkipReason::BadPort);
  if (!Port.Text.empty()) {
    int64_t N = 0;
    if (!TryStrToInt(Port.Text, N) || N < 1 || N > 65535) return Fill.Skip(TSkipReason::BadPort);
    if (N != Default) Address = JoinAddress(Read.Host, static_cast<uint16_t>(N));
  }

  const auto& User = S.V[K::UserName];
  const auto& Pass = S.V[K::Password];
  if (User.Cut) return Fill.Skip(TSkipReason::UserNameTooLong);
  if (Pass.Cut) return Fill.Skip(TSkipReason::PasswordTooLong);

  TSystem Sys;
  Sys.Name = S.Name;
  Sys.Address = Address;
  Sys.UserName = User.Text;
  Sys.Password = Pass.Text;
  Sys.Protocol = Proto;
  Sys.StatusBar = IsTrue(S.V[K::NoStatus].Text) ? 0 : 1;
  Fill.Store(Sys);
}

TImportStatus StatusOf(TReadStatus S) {
  switch (S) {
    case TReadStatus::Ok: return TImportStatus::Done;
    case TReadStatus::NotAFile: return TImportStatus::NotAFile;
    case TReadStatus::ReadError: return TImportStatus::ReadError;
    case TReadStatus::CannotOpen: break;
  }
  return TImportStatus::CannotOpen;
}

std::string Plural(int N, const std::string& One, const std::string& Many) {
  return IntToStr(N) + " " + (N == 1 ? One : Many);
}

}  // namespace

int TImportResult::SkippedTotal() const {
  int N = 0;
  for (int S : Skipped) N += S;
  return N;
}

TImportResult ImportKivatelData(std::span<const uint8_t> Data, TPhoneBookFile& Book, const TConfigRec& Cfg) {
  using namespace KivatelOfs;
  TImportResult R;
  TFiller Fill(Book, Cfg, R);
  // A remainder shorter than a record is not a record.
  const std::size_t Records = Data.size() / RecSize;
  const std::size_t Used = std::min<std::size_t>(Records, KivatelMaxRecords);
  R.Unread = static_cast<int>(Records - Used);
  for (std::size_t I = 0; I < Used; ++I) {
    // Each string is read within its own slot whatever its length byte says.
    std::span<const uint8_t> Rec = Data.subspan(I * RecSize, RecSize);
    TSystem S;
    S.Name = GetStr(Rec, Name, NameLen);
    S.Address = GetStr(Rec, Address, AddressLen);
    S.Password = GetStr(Rec, Password, PasswordLen);
    S.UserName = GetStr(Rec, UserName, UserNameLen);
    if (S.Name.empty() && S.Address.empty()) continue;
    Fill.Store(S);
  }
  return R;
}

TImportResult ImportSyncTermData(std::string_view Text, TPhoneBookFile& Book, const TConfigRec& Cfg) {
  TImportResult R;
  TFiller Fill(Book, Cfg, R);
  TLineReader Lines(Text, SyncTermMaxLine);
  TSyncSection Sec;
  bool Open = false;  // lines before the first section belong to none
  std::string Line;
  bool Cut = false;
  while (Lines.Next(Line, Cut)) {
    const std::string T = TrimBlanks(Line);
    if (T.empty() || T[0] == ';') continue;
    if (T[0] == '[') {
      if (Open) StoreSection(Sec, Fill, R);
      Sec = TSyncSection{};
      Open = true;
      const std::size_t Close = T.find(']');
      Sec.Name = TrimBlanks(std::string_view(T).substr(1, Close == std::string::npos ? std::string::npos : Close - 1));
      continue;
    }
    const std::size_t Eq = T.find('=');
    if (!Open || Eq == std::string::npos) continue;
    const int K = TSyncSection::KeyOf(TrimBlanks(std::string_view(T).substr(0, Eq)));
    if (K < 0 || Sec.V[K].Set) continue;
    Sec.V[K] = {true, Cut, TrimBlanks(std::string_view(T).substr(Eq + 1))};
  }
  if (Open) StoreSection(Sec, Fill, R);
  return R;
}

TImportResult ImportKivatel(const std::string& Path, TPhoneBookFile& Book, const TConfigRec& Cfg) {
  constexpr std::size_t Cap = KivatelMaxRecords * KivatelOfs::RecSize;
  TFileRead F = ReadFileCapped(Path, Cap);
  if (F.Status != TReadStatus::Ok) {
    TImportResult R;
    R.Status = StatusOf(F.Status);
    return R;
  }
  TImportResult R = ImportKivatelData(F.Data, Book, Cfg);
  if (F.Truncated)
    R.Unread = static_cast<int>(std::clamp<int64_t>(F.FileSize / static_cast<int64_t>(KivatelOfs::RecSize) -
                                                        KivatelMaxRecords, 1, 1 << 30));
  return R;
}

TImportResult ImportSyncTerm(const std::string& Path, TPhoneBookFile& Book, const TConfigRec& Cfg) {
  TFileRead F = ReadFileCapped(Path, SyncTermMaxFile);
  TImportResult R;
  if (F.Status != TReadStatus::Ok) {
    R.Status = StatusOf(F.Status);
    return R;
  }
  // Cutting the list would cut a system in half.
  if (F.Truncated) {
    R.Status = TImportStatus::TooLarge;
    return R;
  }
  return ImportSyncTermData(std::string_view(reinterpret_cast<const char*>(F.Data.data()), F.Data.size()), Book,
                            Cfg);
}

std::vector<std::string> ImportSummary(const TImportResult& R) {
  std::vector<std::string> L;
  L.push_back(Plural(R.Imported, "system", "systems") + " imported.");
  if (int N = R.SkippedTotal()) {
    L.push_back(IntToStr(N) + " skipped:");
    static constexpr const char* Why[] = {
        "connection type not supported",       "no address",
        "colon in the address (IPv6)",         "port not a number from 1 to 65535",
        "address longer than 40 characters",   "user name longer than 40 characters",
        "password longer than 20 characters"};
    static_assert(std::size(Why) == static_cast<std::size_t>(TSkipReason::Count));
    for (std::size_t I = 0; I < R.Skipped.size(); ++I) {
      if (!R.Skipped[I]) continue;
      std::string S = "  " + IntToStr(R.Skipped[I]) + " " + Why[I];
      if (static_cast<TSkipReason>(I) == TSkipReason::ConnectionType && !R.SkippedTypes.empty()) {
        std::string Names;
        for (const auto& T : R.SkippedTypes) Names += (Names.empty() ? "" : ", ") + StripControl(T);
        S += " (" + Names + ")";
      }
      L.push_back(S);
    }
  }
  if (R.NotFitted) L.push_back(Plural(R.NotFitted, "more system", "more systems") + " did not fit: the book is full.");
  if (R.Unread)
    L.push_back(Plural(R.Unread, "record", "records") + " after the first " + IntToStr(KivatelMaxRecords) +
                " not read.");
  return L;
}

std::string DefaultSyncTermList(const std::string& Home) {
  if (!Home.empty()) {
    const std::string P = AddSlash(Home) + ".syncterm/syncterm.lst";
    if (FileExists(P)) return P;
  }
  return "SyncTerm.lst";
}

namespace {

// Left column of a layout made for 80 columns, centred on a wider screen.
int LayoutLeft(const TSDLConsole& C) { return UICols(C) > 80 ? (UICols(C) - 79) / 2 : 1; }

std::string HomeDir() {
  const char* H = std::getenv("HOME");
  return H ? H : "";
}

// A path typed as "~/..." means the user's home, as in a shell.
std::string ExpandHome(const std::string& Path) {
  if (Path.size() >= 2 && Path[0] == '~' && Path[1] == '/' && !HomeDir().empty()) return AddSlash(HomeDir()) + Path.substr(2);
  return Path;
}

// An information box of several lines with an OK button, closed by any key
// or a click on OK.
void ShowLines(TSDLConsole& Console, const TUISettings& UI, const std::string& Title,
               std::vector<std::string> Lines) {
  const int Cols = UICols(Console), Rows = UIRows(Console);
  const int MaxW = std::max(Cols - 6, 4);
  const int MaxLines = std::max(Rows - 6, 1);
  if (static_cast<int>(Lines.size()) > MaxLines) Lines.resize(MaxLines);
  int W = 4;
  for (auto& S : Lines) {
    if (static_cast<int>(S.size()) > MaxW) S.resize(MaxW);
    W = std::max(W, static_cast<int>(S.size()));
  }
  const int N = static_cast<int>(Lines.size());
  const int X1 = std::max((Cols - 2 - W) / 2, 1);
  const int Y1 = std::max((Rows - (N + 5)) / 2 + 1, 1);

  TMenuBox Box(Console);
  ApplyBoxTheme(UI, &Box, nullptr);
  Box.Title = Title;
  Box.Open(X1, Y1, X1 + W + 3, Y1 + N + 4);
  for (int I = 0; I < N; ++I) UIWriteXY(Console, X1 + 2, Y1 + 2 + I, 112, Lines[I]);
  const int B = X1 + 2 + (W - 4) / 2, BY = Y1 + N + 3;
  UIWriteXY(Console, B, BY, 79, " OK ");
  TMouseEvent Ev{};
  while (!UITerminated(Console)) {
    if (UIReadMouse(Console, Ev) && Ev.Kind == 1 && UIHitTest(Console, Ev, B, BY, B + 4, BY)) break;
    if (UIKeyPressed(Console)) break;
    UIDelay(Console, 10);
  }
  // A key typed ahead must not leak into the directory underneath.
  while (!UITerminated(Console) && UIKeyPressed(Console)) UIReadKey(Console);
  Box.Close();
}

}  // namespace

void ImportPhoneBook(TSDLConsole& Console, const TUISettings& UI, TPhoneBookFile& Book, const TConfigRec& Cfg) {
  const int Off = LayoutLeft(Console) - 1;
  bool Kivatel = true;
  {
    TListBox List(Console);
    ApplyBoxTheme(UI, List);
    List.Box.Title = " Import Type ";
    List.Add("Kivatel", 0);
    List.Add("SyncTerm", 0);
    List.Run(30 + Off, 11, 49 + Off, 14);
    List.CloseBox();
    if (UITerminated(Console) || List.ExitCode == 27) return;
    Kivatel = List.Picked == 1;
  }

  const std::string Kind = Kivatel ? "Kivatel" : "SyncTerm";
  const std::string Path = ExpandHome(InputBox(
      Console, "Import " + Kind + " Phone Book",
      "Enter full path and filename of phone book (" + std::string(Kivatel ? "kvtl.fon" : "SyncTerm.lst") + "):",
      Kivatel ? "kvtl.fon" : DefaultSyncTermList(HomeDir()), 54, 255));
  if (Path.empty() || UITerminated(Console)) return;

  const TImportResult R = Kivatel ? ImportKivatel(Path, Book, Cfg) : ImportSyncTerm(Path, Book, Cfg);
  switch (R.Status) {
    case TImportStatus::Done: break;
    case TImportStatus::CannotOpen:
    case TImportStatus::NotAFile:
      MessageBox(Console, UI, MessageInfo, "Unable to open " + Kind + " phone book!");
      return;
    case TImportStatus::ReadError:
      MessageBox(Console, UI, MessageInfo, "Error reading " + Kind + " phone book");
      return;
    case TImportStatus::TooLarge:
      MessageBox(Console, UI, MessageInfo, Kind + " phone book is too large");
      return;
  }
  const bool Saved = R.Imported == 0 || Book.SavePhoneBook();
  ShowLines(Console, UI, " " + Kind + " Import ", ImportSummary(R));
  if (!Saved) MessageBox(Console, UI, MessageInfo, "Unable to save phone book");
}

}  // namespace lx
