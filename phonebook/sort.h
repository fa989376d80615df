#pragma once
// Sorting: TQuickSort orders (text key, number) pairs; SortPhoneBook asks for
// a key and an order and rewrites the open book in that order.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "config/config.h"
#include "console/console.h"
#include "phonebook/phonebook_file.h"
#include "phonebook/phonebook_prompts.h"

namespace lx {

struct TSortItem {
  std::string Key;  // String[160]
  int32_t Ref = 0;
};

class TQuickSort {
 public:
  static constexpr int MaxItems = 10000;
  enum : int { KeyAscending = 0, KeyDescending = 1, NumberAscending = 2, NumberDescending = 3 };

  int Count() const { return static_cast<int>(Data.size()); }
  // False, and nothing added, once MaxItems pairs exist.
  bool Add(const std::string& Key, int32_t Ref);
  // Sorts pairs Low..High (1-based) in place; a range outside 1..Count is
  // left alone. Not stable.
  void Sort(int Low, int High, int Mode);
  void Clear() { Data.clear(); }
  const TSortItem& Item(int N) const { return Data[static_cast<std::size_t>(N - 1)]; }

 private:
  std::vector<TSortItem> Data;
};

enum class TSortKey { Name, Address, LastCall, TotalCalls };

// Old entry number -> new one; 0 for a blank entry, which is dropped.
using TEntryMoves = std::array<int, PhoneEntries + 1>;

// Puts the non-blank entries first in the chosen order and fills the rest
// with new default entries. Memory only.
TEntryMoves SortEntries(TPhoneBookFile& Book, TSortKey Key, bool Descending, const TConfigRec& Cfg);

struct TSortResult {
  bool Saved = false;  // the book was sorted and written; false also when cancelled
  TEntryMoves Moves{};
};

// The sort command: two pick lists (key, then order) placed from the left
// column L, then SortEntries and a save. A failed save is reported and the
// book in memory is put back as it was, so it matches the file.
TSortResult SortPhoneBook(TSDLConsole& Console, TPhoneBookFile& Book, const TConfigRec& Cfg,
                          TPhoneBookPrompts& Prompts, int L = 1);

}  // namespace lx
