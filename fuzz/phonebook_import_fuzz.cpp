// Arbitrary bytes as a Kivatel phone book or a SyncTerm list, imported into a
// book partly filled already: no read out of bounds, every system counted
// exactly once, and the book left one that saves without cutting anything.
#include <cstdlib>
#include <span>
#include <string_view>

#include "phonebook/import.h"
#include "phonebook/phonerec.h"

#ifndef LX_IMPORT_SYNCTERM
#define LX_IMPORT_SYNCTERM 0
#endif

namespace {
int UsedEntries(const lx::TPhoneBookFile& B) {
  int N = 0;
  for (int I = 1; I <= lx::PhoneEntries; ++I) N += !lx::IsBlankEntry(B.Entry(I));
  return N;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const lx::TConfigRec Cfg;
  // One book for the whole run (it is large): emptied before each input.
  static lx::TPhoneBookFile Book;
  for (int I = 1; I <= lx::PhoneEntries; ++I) Book.Entry(I) = lx::TPhoneRec{};
  // The first byte decides how full the book is, so the full-book path runs too.
  const int Prefill = Size > 0 ? Data[0] % (lx::PhoneEntries + 1) : 0;
  for (int I = 1; I <= Prefill; ++I) {
    lx::InitPhoneRec(Book.Entry(I), Cfg);
    Book.Entry(I).Name = "used";
  }
  const int Before = UsedEntries(Book);

  lx::TImportResult R;
  int Systems = -1;  // systems the input holds, when the input says without parsing
  if (LX_IMPORT_SYNCTERM) {
    R = lx::ImportSyncTermData(std::string_view(reinterpret_cast<const char*>(Data), Size), Book, Cfg);
  } else {
    R = lx::ImportKivatelData(std::span<const uint8_t>(Data, Size), Book, Cfg);
    const size_t Recs = Size / lx::KivatelOfs::RecSize;
    Systems = 0;
    for (size_t I = 0; I < Recs && I < size_t(lx::KivatelMaxRecords); ++I) {
      const uint8_t* Rec = Data + I * lx::KivatelOfs::RecSize;
      Systems += Rec[lx::KivatelOfs::Name] != 0 || Rec[lx::KivatelOfs::Address] != 0;
    }
    if (R.Unread != static_cast<int>(Recs > 200 ? Recs - 200 : 0)) std::abort();
  }

  if (R.Imported < 0 || R.NotFitted < 0 || R.SkippedTotal() < 0) std::abort();
  if (Systems >= 0 && R.Imported + R.NotFitted + R.SkippedTotal() != Systems) std::abort();
  if (UsedEntries(Book) != Before + R.Imported) std::abort();
  if (R.NotFitted > 0 && UsedEntries(Book) != lx::PhoneEntries) std::abort();

  // Every entry must survive a save whole: nothing longer than its field
  // (a save would cut it).
  for (int I = 1; I <= lx::PhoneEntries; ++I) {
    const lx::TPhoneRec& E = Book.Entry(I);
    if (E.Name.size() > 40 || E.Address.size() > 40 || E.UserName.size() > 40 || E.Password.size() > 20)
      std::abort();
    if (I > Prefill && !lx::IsBlankEntry(E) && (E.Protocol < 1 || E.Protocol > 3)) std::abort();
  }
  (void)lx::ImportSummary(R);
  return 0;
}
