// Arbitrary bytes as a phone book: the load must stay in bounds, and a book
// that loads must save and load back to the same bytes.
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz/fuzz_file.h"
#include "phonebook/phonebook_file.h"

namespace {
struct TDecline : lx::TPhoneBookPrompts {
  bool AskYesNo(const std::string&) override { return false; }
  void Notice(const std::string&) override {}
};

std::vector<char> Slurp(const std::string& P) {
  std::ifstream In(P, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(In), {});
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const TFuzzScratch File("book.phn");
  const std::string& Path = File.Path;
  if (Size > 2 * lx::PhoneBookSize || !File.Write(Data, Size)) return 0;
  lx::TConfigRec Cfg;
  TDecline Prompts;
  lx::TPhoneBookFile B;
  if (!B.LoadPhoneBook(Path, Cfg, Prompts)) return 0;
  if (!B.SavePhoneBook()) return 0;
  std::vector<char> First = Slurp(Path);
  if (First.size() != lx::PhoneBookSize) std::abort();

  lx::TPhoneBookFile Again;
  if (!Again.LoadPhoneBook(Path, Cfg, Prompts) || !Again.SavePhoneBook()) std::abort();
  if (Slurp(Path) != First) std::abort();

  // Exercise the in-memory edits on whatever came in.
  int N = Size > 0 ? 1 + Data[0] % lx::PhoneEntries : 1;
  Again.InsertEntry(N, Cfg, Prompts);
  Again.DeleteEntry(N);
  Again.SavePhoneEntry(N, Again.Entry(N));
  Again.SavePhoneHeader();
  return 0;
}
