// Arbitrary bytes as a phone book: decoding must stay in bounds, and every entry and the
// header that decode must encode and decode back to the same bytes.
#include <array>
#include <cstdlib>
#include <span>

#include "phonebook/phonebook_file.h"

namespace {
struct TDecline : lx::TPhoneBookPrompts {
  bool AskYesNo(const std::string&) override { return false; }
  void Notice(const std::string&) override {}
};

template <size_t N, class T, class TEnc, class TDec>
void RoundTrip(const T& Value, TEnc Encode, TDec Decode) {
  std::array<uint8_t, N> First{}, Second{};
  Encode(Value, First);
  Encode(Decode(First), Second);
  if (First != Second) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size > lx::PhoneBookSize + 1) return 0;
  static const lx::TConfigRec Cfg;
  TDecline Prompts;
  lx::TPhoneBookFile B;
  if (!B.DecodeBook(std::span<const uint8_t>(Data, Size), Prompts)) return 0;
  // Eight entries the input reached, from one its first byte picks: encoding all 200
  // would cost more than everything else together.
  RoundTrip<lx::PhoneHeaderSize>(B.Header, lx::EncodePhoneHeader, lx::DecodePhoneHeader);
  const int First = 1 + Data[0] % lx::PhoneEntries;
  for (int N = First; N < First + 8 && N <= lx::PhoneEntries && lx::PhoneEntryOffset(N) < Size; ++N)
    RoundTrip<lx::PhoneRecSize>(B.Entry(N), lx::EncodePhoneRec, [](std::span<const uint8_t, lx::PhoneRecSize> In) {
      lx::TPhoneRec R = lx::DecodePhoneRec(In);
      lx::NormalisePhoneRec(R);
      return R;
    });

  // The in-memory edits on whatever came in (nothing is bound, so nothing is written).
  B.InsertEntry(First, Cfg, Prompts);
  B.DeleteEntry(First);
  return 0;
}
