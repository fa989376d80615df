#include "phonebook/sort.h"

#include <gtest/gtest.h>

#include "phonebook/test_prompts.h"
#include "support/test_tempdir.h"

using namespace lx;

namespace {

std::vector<int32_t> Order(const TQuickSort& Q) {
  std::vector<int32_t> R;
  for (int N = 1; N <= Q.Count(); ++N) R.push_back(Q.Item(N).Ref);
  return R;
}

TEST(QuickSort, ModesOrderKeysAsBytesOrNumbers) {
  const std::vector<std::string> Keys = {"b", "10", "a", "9", "\xE9", "ab", "x"};
  struct { int Mode; std::vector<int32_t> Want; } Cases[] = {
      {TQuickSort::KeyAscending, {2, 4, 3, 6, 1, 7, 5}},
      {TQuickSort::KeyDescending, {5, 7, 1, 6, 3, 4, 2}},
  };
  for (const auto& T : Cases) {
    TQuickSort Q;
    for (std::size_t I = 0; I < Keys.size(); ++I) Q.Add(Keys[I], static_cast<int32_t>(I + 1));
    Q.Sort(1, Q.Count(), T.Mode);
    EXPECT_EQ(Order(Q), T.Want) << T.Mode;
  }
  TQuickSort N;
  for (const char* K : {"10", "-3", "9", "100"}) N.Add(K, static_cast<int32_t>(N.Count() + 1));
  N.Sort(1, 4, TQuickSort::NumberAscending);
  EXPECT_EQ(Order(N), (std::vector<int32_t>{2, 3, 1, 4}));
  N.Sort(1, 4, TQuickSort::NumberDescending);
  EXPECT_EQ(Order(N), (std::vector<int32_t>{4, 1, 3, 2}));
  N.Sort(0, 9, TQuickSort::NumberAscending);  // outside the pairs: nothing happens
  EXPECT_EQ(Order(N), (std::vector<int32_t>{4, 1, 3, 2}));
  TQuickSort Empty;
  Empty.Sort(1, 0, 0);
  Empty.Sort(1, 1, 0);
  EXPECT_EQ(Empty.Count(), 0);
}

class SortBook : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(CreatePhoneBook(Dir.Path("b.phn"), "T", Cfg));
    ASSERT_TRUE(B.LoadPhoneBook(Dir.Path("b.phn"), Cfg, Prompts));
  }
  TTempDir Dir;
  TConfigRec Cfg;
  TScriptedPrompts Prompts;
  TPhoneBookFile B;
};

TEST_F(SortBook, NonBlankEntriesComeFirstInKeyOrder) {
  B.Entry(3).Name = "|14Zeta";
  B.Entry(3).TotalCalls = 10;
  B.Entry(50).Name = "alpha";
  B.Entry(50).TotalCalls = 9;
  B.Entry(120).Address = "mid";
  B.Entry(120).TotalCalls = 100;
  B.Entry(120).Rating = 7;
  B.Entry(121).Rating = 9;  // blank: becomes a default entry
  TEntryMoves M = SortEntries(B, TSortKey::Name, false, Cfg);
  EXPECT_EQ(B.Entry(1).Address, "mid");  // empty name first
  EXPECT_EQ(B.Entry(2).Name, "alpha");
  EXPECT_EQ(B.Entry(3).Name, "|14Zeta");
  EXPECT_EQ(B.Entry(4).Rating, 1);
  EXPECT_EQ(B.Entry(200).Rating, 1);
  EXPECT_EQ(M[3], 3);
  EXPECT_EQ(M[50], 2);
  EXPECT_EQ(M[120], 1);
  EXPECT_EQ(M[121], 0);

  SortEntries(B, TSortKey::TotalCalls, false, Cfg);
  EXPECT_EQ(B.Entry(1).Name, "alpha");  // 9 before 10
  EXPECT_EQ(B.Entry(2).Name, "|14Zeta");
  SortEntries(B, TSortKey::Address, true, Cfg);
  EXPECT_EQ(B.Entry(1).Address, "mid");

  // A full book: the first and the last entry move like any other.
  for (int N = 1; N <= PhoneEntries; ++N) B.Entry(N).Name = "s" + std::to_string(1000 - N);
  M = SortEntries(B, TSortKey::Name, false, Cfg);
  EXPECT_EQ(B.Entry(1).Name + " " + B.Entry(200).Name, "s800 s999");
  EXPECT_EQ(M[200], 1);
}

TEST_F(SortBook, AnEmptyBookSortsToDefaults) {
  const TEntryMoves M = SortEntries(B, TSortKey::LastCall, true, Cfg);
  for (int N = 1; N <= PhoneEntries; ++N) EXPECT_EQ(M[N], 0);
  EXPECT_EQ(B.Entry(1).Protocol, ProtoTelnet);
}

}  // namespace
