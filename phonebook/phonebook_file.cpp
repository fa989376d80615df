#include "phonebook/phonebook_file.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace lx {

namespace {
int Clamp(int N) { return N < 1 ? 1 : (N > PhoneEntries ? PhoneEntries : N); }

// A book holds passwords: a new one is readable by its owner only. An
// existing book keeps the bits it has.
constexpr mode_t NewBookMode = 0600;

// Only a name that holds nothing at all may be given a new book: a file we
// cannot read, a directory or a dangling link is the user's, and stays.
bool NothingAt(const std::string& Path) {
  struct stat St {};
  return ::lstat(Path.c_str(), &St) != 0 && errno == ENOENT;
}

// A fifo or device would block the read or feed it endless bytes.
bool RegularFile(const std::string& Path) {
  struct stat St {};
  return ::stat(Path.c_str(), &St) == 0 && S_ISREG(St.st_mode);
}

std::vector<uint8_t> EncodeBook(const TPhoneHeader& H, const std::array<TPhoneRec, PhoneEntries>& E) {
  std::vector<uint8_t> Buf(PhoneBookSize);
  EncodePhoneHeader(H, std::span<uint8_t, PhoneHeaderSize>(Buf.data(), PhoneHeaderSize));
  for (int N = 1; N <= PhoneEntries; ++N)
    EncodePhoneRec(E[N - 1], std::span<uint8_t, PhoneRecSize>(Buf.data() + PhoneEntryOffset(N), PhoneRecSize));
  return Buf;
}
}  // namespace

bool CreatePhoneBook(const std::string& Path, const std::string& Title, const TConfigRec& Cfg,
                     const TWriteFn& Write) {
  if (Path.empty()) return false;
  TPhoneHeader H;
  H.Title = Title.substr(0, 40);
  std::array<TPhoneRec, PhoneEntries> E;
  for (auto& R : E) InitPhoneRec(R, Cfg);
  std::vector<uint8_t> Buf = EncodeBook(H, E);
  return WriteFileAtomic(Path, Buf.data(), Buf.size(), Write, NewBookMode);
}

bool ReadPhoneHeader(const std::string& Path, TPhoneHeader& H) {
  TFile F;
  std::array<uint8_t, PhoneHeaderSize> Buf{};
  if (!F.ResetRetry(Path, 1, fmOpenRead | fmShareDenyNone)) return false;
  if (F.BlockReadRetry(Buf.data(), PhoneHeaderSize) != static_cast<int64_t>(PhoneHeaderSize)) return false;
  H = DecodePhoneHeader(Buf);
  return true;
}

TPhoneRec& TPhoneBookFile::Entry(int N) { return Entries[Clamp(N) - 1]; }
const TPhoneRec& TPhoneBookFile::Entry(int N) const { return Entries[Clamp(N) - 1]; }

bool TPhoneBookFile::LoadPhoneBook(const std::string& Path, const TConfigRec& Cfg, TPhoneBookPrompts& Prompts) {
  if (Path.empty()) return false;
  // The whole book is read into memory, so reading is all the load needs;
  // a read-only book still loads.
  TFile F;
  F.SetRetryPolicy(Policy);
  if (NothingAt(Path)) {
    if (!Prompts.AskYesNo("Unable to load phonebook.  Create new one?")) return false;
    Prompts.Notice("Creating phone book: " + JustFileName(Path));
    if (!CreatePhoneBook(Path, DefaultPhoneBookTitle, Cfg, WriteHook)) return false;
  }
  const std::string Unreadable = "Unable to read phone book: " + JustFileName(Path);
  if (!RegularFile(Path) || !F.ResetRetry(Path, 1, fmOpenRead | fmShareDenyNone)) {
    Prompts.Notice(Unreadable);
    return false;
  }

  std::vector<uint8_t> Buf(PhoneBookSize, 0);
  int64_t Got = F.BlockReadRetry(Buf.data(), static_cast<int64_t>(PhoneBookSize));
  F.Close();
  if (Got < 0) {
    Prompts.Notice(Unreadable);
    return false;
  }
  if (Got < static_cast<int64_t>(PhoneHeaderSize)) {
    Prompts.Notice("Phone book file is too short: " + JustFileName(Path));
    return false;
  }

  if (!DecodeBook(std::span<const uint8_t>(Buf.data(), static_cast<size_t>(Got)), Prompts)) return false;
  BoundName = Path;
  return true;
}

bool TPhoneBookFile::DecodeBook(std::span<const uint8_t> Data, TPhoneBookPrompts& Prompts) {
  if (Data.size() < PhoneHeaderSize) return false;
  TPhoneHeader H = DecodePhoneHeader(std::span<const uint8_t, PhoneHeaderSize>(Data.data(), PhoneHeaderSize));
  if (H.Version != PhoneBookVersion) {
    Prompts.Notice("Phone book version mismatch");
    return false;
  }
  // A book cut short (by a crash of an older writer) keeps what it has; the
  // missing entries read as zero bytes and are repaired like any other.
  std::array<uint8_t, PhoneRecSize> Rec;
  for (int N = 1; N <= PhoneEntries; ++N) {
    const size_t At = PhoneEntryOffset(N);
    const size_t Have = At < Data.size() ? std::min(Data.size() - At, PhoneRecSize) : 0;
    Rec.fill(0);
    if (Have > 0) std::copy_n(Data.data() + At, Have, Rec.begin());
    TPhoneRec R = DecodePhoneRec(Rec);
    NormalisePhoneRec(R);
    Entries[N - 1] = std::move(R);
  }
  Header = std::move(H);
  return true;
}

bool TPhoneBookFile::SavePhoneBook() {
  if (BoundName.empty()) return false;
  std::vector<uint8_t> Buf = EncodeBook(Header, Entries);
  return WriteFileAtomic(BoundName, Buf.data(), Buf.size(), WriteHook, NewBookMode);
}

bool TPhoneBookFile::SavePhoneHeader() {
  if (BoundName.empty()) return false;
  TFile F;
  F.SetRetryPolicy(Policy);
  if (!F.ResetRetry(BoundName, 1, fmOpenReadWrite | fmShareDenyNone)) return false;
  std::array<uint8_t, PhoneHeaderSize> Buf{};
  EncodePhoneHeader(Header, Buf);
  return F.SeekRetry(0) && F.BlockWriteRetry(Buf.data(), PhoneHeaderSize) == static_cast<int64_t>(PhoneHeaderSize);
}

bool TPhoneBookFile::SavePhoneEntry(int N, const TPhoneRec& R) {
  if (BoundName.empty() || N < 1 || N > PhoneEntries) return false;
  TFile F;
  F.SetRetryPolicy(Policy);
  if (!F.ResetRetry(BoundName, 1, fmOpenReadWrite | fmShareDenyWrite)) return false;
  std::array<uint8_t, PhoneRecSize> Buf{};
  EncodePhoneRec(R, Buf);
  if (!F.SeekRetry(static_cast<int64_t>(PhoneEntryOffset(N))) ||
      F.BlockWriteRetry(Buf.data(), PhoneRecSize) != static_cast<int64_t>(PhoneRecSize))
    return false;
  Entries[N - 1] = R;
  return true;
}

bool TPhoneBookFile::DeleteEntry(int N) {
  if (N < 1 || N > PhoneEntries) return false;
  for (int K = N; K < PhoneEntries; ++K) Entries[K - 1] = std::move(Entries[K]);
  Entries[PhoneEntries - 1] = TPhoneRec{};
  return SavePhoneBook();
}

bool TPhoneBookFile::InsertEntry(int N, const TConfigRec& Cfg, TPhoneBookPrompts& Prompts) {
  if (N < 1 || N > PhoneEntries) return false;
  int J = N;
  while (J <= PhoneEntries && !IsBlankEntry(Entries[J - 1])) ++J;
  if (J > PhoneEntries) {
    Prompts.Notice("No blank entries available");
    return false;
  }
  for (int K = J; K > N; --K) Entries[K - 1] = std::move(Entries[K - 2]);
  InitPhoneRec(Entries[N - 1], Cfg);
  return true;
}

}  // namespace lx
