#include "phonebook/sort.h"

#include <gtest/gtest.h>

#include "phonebook/test_prompts.h"

using namespace lx;

namespace {

// Refs in sorted order after sorting Keys (Ref N is Keys[N - 1]) from Low to High in Mode.
std::vector<int32_t> Sorted(const std::vector<std::string>& Keys, int Mode, int Low = 1, int High = -1) {
  TQuickSort Q;
  for (const std::string& K : Keys) Q.Add(K, Q.Count() + 1);
  Q.Sort(Low, High < 0 ? Q.Count() : High, Mode);
  std::vector<int32_t> R;
  for (int N = 1; N <= Q.Count(); ++N) R.push_back(Q.Item(N).Ref);
  return R;
}

TEST(QuickSort, ModesOrderKeysAsBytesOrNumbers) {
  const std::vector<std::string> Keys = {"b", "10", "a", "9", "\xE9", "ab", "x"}, Numbers = {"10", "-3", "9", "100"};
  using Q = TQuickSort;
  EXPECT_EQ(Sorted(Keys, Q::KeyAscending), (std::vector<int32_t>{2, 4, 3, 6, 1, 7, 5}));
  EXPECT_EQ(Sorted(Keys, Q::KeyDescending), (std::vector<int32_t>{5, 7, 1, 6, 3, 4, 2}));
  EXPECT_EQ(Sorted(Numbers, Q::NumberAscending), (std::vector<int32_t>{2, 3, 1, 4}));
  EXPECT_EQ(Sorted(Numbers, Q::NumberDescending), (std::vector<int32_t>{4, 1, 3, 2}));
  EXPECT_EQ(Sorted(Numbers, Q::NumberAscending, 0, 9), (std::vector<int32_t>{1, 2, 3, 4}));  // outside: left alone
  EXPECT_EQ(Sorted({}, Q::KeyAscending, 1, 1), std::vector<int32_t>{});
}

TEST(SortBook, NonBlankEntriesComeFirstInKeyOrderAndAFullBookMovesWhole) {
  TBookFiles Files;
  ASSERT_TRUE(Files.OpenBook());
  TPhoneBookFile& B = Files.Book;
  const TConfigRec& Cfg = Files.Cfg;
  TEntryMoves M = SortEntries(B, TSortKey::LastCall, true, Cfg);
  EXPECT_EQ(M, TEntryMoves{});  // an empty book sorts to defaults
  EXPECT_EQ(B.Entry(1).Protocol, ProtoTelnet);

  B.Entry(3).Name = "|14Zeta", B.Entry(3).TotalCalls = 10;
  B.Entry(50).Name = "alpha", B.Entry(50).TotalCalls = 9;
  B.Entry(120).Address = "mid", B.Entry(120).TotalCalls = 100, B.Entry(120).Rating = 7;
  B.Entry(121).Rating = 9;  // blank: becomes a default entry
  M = SortEntries(B, TSortKey::Name, false, Cfg);
  EXPECT_EQ(B.Entry(1).Address + "," + B.Entry(2).Name + "," + B.Entry(3).Name, "mid,alpha,|14Zeta");  // empty name first
  EXPECT_EQ(B.Entry(4).Rating * 10 + B.Entry(200).Rating, 11);
  EXPECT_EQ((std::array<int, 4>{M[3], M[50], M[120], M[121]}), (std::array<int, 4>{3, 2, 1, 0}));
  SortEntries(B, TSortKey::TotalCalls, false, Cfg);
  EXPECT_EQ(B.Entry(1).Name + "," + B.Entry(2).Name, "alpha,|14Zeta");  // 9 before 10
  SortEntries(B, TSortKey::Address, true, Cfg);
  EXPECT_EQ(B.Entry(1).Address, "mid");

  // A full book: the first and the last entry move like any other.
  for (int N = 1; N <= PhoneEntries; ++N) B.Entry(N).Name = "s" + std::to_string(1000 - N);
  M = SortEntries(B, TSortKey::Name, false, Cfg);
  EXPECT_EQ(B.Entry(1).Name + " " + B.Entry(200).Name, "s800 s999");
  EXPECT_EQ(M[200], 1);
}

}  // namespace
