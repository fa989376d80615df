#include "phonebook/phonebook_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <unistd.h>
#include <vector>

#include "phonebook/test_prompts.h"
#include "support/test_tempdir.h"

using namespace lx;

namespace {
std::vector<uint8_t> Slurp(const std::string& P) {
  std::ifstream In(P, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(In), {});
}
void Spit(const std::string& P, const std::vector<uint8_t>& B) {
  std::ofstream(P, std::ios::binary).write(reinterpret_cast<const char*>(B.data()), static_cast<std::streamsize>(B.size()));
}

class PhoneBook : public ::testing::Test {
 protected:
  std::string Book(const std::string& Name = "lanternyx.phn") { return Dir.Path(Name); }
  // A created book with entries 1..Count named.
  void MakeBook(const std::string& Path, int Count, const std::string& Prefix = "Sys") {
    ASSERT_TRUE(CreatePhoneBook(Path, "Test", Cfg));
    TPhoneBookFile B;
    ASSERT_TRUE(B.LoadPhoneBook(Path, Cfg, Prompts));
    for (int N = 1; N <= Count; ++N) {
      B.Entry(N).Name = Prefix + std::to_string(N);
      B.Entry(N).Address = "host" + std::to_string(N);
    }
    ASSERT_TRUE(B.SavePhoneBook());
  }
  TTempDir Dir;
  TConfigRec Cfg;
  TScriptedPrompts Prompts;
};
}  // namespace

TEST_F(PhoneBook, NewBookIsExactlySizedWithItsHeader) {
  EXPECT_FALSE(CreatePhoneBook("", "x", Cfg));
  ASSERT_TRUE(CreatePhoneBook(Book(), "Lanternyx Phone Book", Cfg));
  auto B = Slurp(Book());
  ASSERT_EQ(B.size(), 72448u);
  EXPECT_EQ(std::string(B.begin() + 1, B.begin() + 1 + B[0]), "Lanternyx Phone Book");
  EXPECT_EQ(B[41], 4);
  EXPECT_EQ(std::string(B.begin() + 42, B.begin() + 46), "1.00");
  EXPECT_EQ(B[46], 1);
  EXPECT_EQ(B[47], 1);
  // Every entry holds the defaults, with zero bytes after each text.
  for (int N = 1; N <= 200; ++N) {
    std::size_t O = PhoneEntryOffset(N);
    ASSERT_EQ(B[O + PhoneOfs::CaptureFile], 13) << N;
    ASSERT_EQ(B[O + PhoneOfs::CaptureFile + 14], 0) << N;
    ASSERT_EQ(B[O + PhoneOfs::Protocol], 1) << N;
    ASSERT_EQ(B[O + PhoneOfs::Rating], 1) << N;
  }
  TPhoneHeader H;
  ASSERT_TRUE(ReadPhoneHeader(Book(), H));
  EXPECT_EQ(H.Title, "Lanternyx Phone Book");
}

TEST_F(PhoneBook, MissingBookIsCreatedOnlyWhenTheUserAgrees) {
  TPhoneBookFile B;
  EXPECT_FALSE(B.LoadPhoneBook("", Cfg, Prompts));
  EXPECT_TRUE(Prompts.Asked.empty());

  Prompts.Answer = false;
  EXPECT_FALSE(B.LoadPhoneBook(Book("new.phn"), Cfg, Prompts));
  ASSERT_EQ(Prompts.Asked.size(), 1u);
  EXPECT_EQ(Prompts.Asked[0], "Unable to load phonebook.  Create new one?");
  EXPECT_FALSE(FileExists(Book("new.phn")));

  Prompts.Answer = true;
  ASSERT_TRUE(B.LoadPhoneBook(Book("new.phn"), Cfg, Prompts));
  ASSERT_EQ(Prompts.Notices.size(), 1u);
  EXPECT_EQ(Prompts.Notices[0], "Creating phone book: new.phn");
  EXPECT_EQ(B.Header.Title, "Lanternyx Phone Book");
  EXPECT_EQ(B.FileName(), Book("new.phn"));
  EXPECT_EQ(Slurp(Book("new.phn")).size(), 72448u);
}

TEST_F(PhoneBook, LoadRepairsEntries) {
  ASSERT_TRUE(CreatePhoneBook(Book(), "T", Cfg));
  auto Raw = Slurp(Book());
  Raw[PhoneEntryOffset(3) + PhoneOfs::Protocol] = 0;
  Raw[PhoneEntryOffset(4) + PhoneOfs::ScreenSize] = 50;
  Raw[PhoneEntryOffset(5) + PhoneOfs::FontType] = 9;
  Raw[PhoneEntryOffset(5) + PhoneOfs::Name] = 250;  // a length beyond the field
  Spit(Book(), Raw);
  TPhoneBookFile B;
  ASSERT_TRUE(B.LoadPhoneBook(Book(), Cfg, Prompts));
  EXPECT_EQ(B.Entry(3).Protocol, 1);
  EXPECT_EQ(B.Entry(4).ScreenSize, 1);
  EXPECT_EQ(B.Entry(5).FontType, 1);
  EXPECT_EQ(B.Entry(5).Name.size(), 40u);
}

TEST_F(PhoneBook, ShortBookLoadsWithRepairedBlankTail) {
  MakeBook(Book(), 3);
  auto Raw = Slurp(Book());
  Raw.resize(PhoneEntryOffset(3) + 100);  // cut inside entry 3
  Spit(Book(), Raw);
  TPhoneBookFile B;
  ASSERT_TRUE(B.LoadPhoneBook(Book(), Cfg, Prompts));
  EXPECT_EQ(B.Entry(2).Name, "Sys2");
  EXPECT_EQ(B.Entry(3).Name, "Sys3");
  EXPECT_EQ(B.Entry(200).Protocol, 1);
  EXPECT_TRUE(IsBlankEntry(B.Entry(200)));
}

TEST_F(PhoneBook, RefusedLoadKeepsPreviousBookAndBinding) {
  MakeBook(Book("good.phn"), 2);
  auto Raw = Slurp(Book("good.phn"));
  Raw[PhoneOfs::Version + 4] = '1';  // "1.01"
  Spit(Book("old.phn"), Raw);
  Spit(Book("tiny.phn"), {1, 2, 3});

  TPhoneBookFile B;
  ASSERT_TRUE(B.LoadPhoneBook(Book("good.phn"), Cfg, Prompts));
  EXPECT_FALSE(B.LoadPhoneBook(Book("old.phn"), Cfg, Prompts));
  ASSERT_EQ(Prompts.Notices.size(), 1u);
  EXPECT_EQ(Prompts.Notices[0], "Phone book version mismatch");
  EXPECT_FALSE(B.LoadPhoneBook(Book("tiny.phn"), Cfg, Prompts));
  Prompts.Answer = false;
  EXPECT_FALSE(B.LoadPhoneBook(Book("absent.phn"), Cfg, Prompts));

  EXPECT_EQ(B.FileName(), Book("good.phn"));
  EXPECT_EQ(B.Header.Title, "Test");
  EXPECT_EQ(B.Header.Version, "1.00");
  EXPECT_EQ(B.Entry(1).Name, "Sys1");
  // A later save goes to the book being shown, not the refused one.
  B.Entry(2).Name = "Changed";
  ASSERT_TRUE(B.SavePhoneBook());
  TPhoneBookFile Check;
  ASSERT_TRUE(Check.LoadPhoneBook(Book("good.phn"), Cfg, Prompts));
  EXPECT_EQ(Check.Entry(2).Name, "Changed");
  EXPECT_EQ(Slurp(Book("old.phn")), Raw);
}

TEST_F(PhoneBook, SaveFailingPartWayLeavesOldFileIntact) {
  MakeBook(Book(), 5);
  auto Before = Slurp(Book());
  TPhoneBookFile B;
  ASSERT_TRUE(B.LoadPhoneBook(Book(), Cfg, Prompts));
  std::size_t Written = 0;
  B.SetWriteHook([&](int Fd, const void* Buf, std::size_t N) -> long {
    if (Written >= 30000) { errno = ENOSPC; return -1; }
    std::size_t Take = std::min<std::size_t>(N, 30000 - Written);
    long R = static_cast<long>(::write(Fd, Buf, Take));
    Written += static_cast<std::size_t>(R);
    return R;
  });
  B.Entry(1).Name = "Lost";
  EXPECT_FALSE(B.SavePhoneBook());
  EXPECT_FALSE(B.DeleteEntry(2));
  EXPECT_EQ(Slurp(Book()), Before);
}

TEST_F(PhoneBook, EntrySaveChangesOnlyThatEntry) {
  MakeBook(Book(), 10);
  auto Before = Slurp(Book());
  TPhoneBookFile B;
  ASSERT_TRUE(B.LoadPhoneBook(Book(), Cfg, Prompts));
  TPhoneRec Cur = B.Entry(7);
  Cur.TotalCalls += 1;
  Cur.LastCall = 0x5A210000u;
  Cur.Name = "Another name";
  ASSERT_TRUE(B.SavePhoneEntry(7, Cur));
  EXPECT_EQ(B.Entry(7).TotalCalls, 1);
  auto After = Slurp(Book());
  ASSERT_EQ(After.size(), Before.size());
  std::size_t Lo = 48 + 6 * 362, Hi = 48 + 7 * 362;
  for (std::size_t I = 0; I < After.size(); ++I)
    if (I < Lo || I >= Hi) {
      ASSERT_EQ(After[I], Before[I]) << "byte " << I;
    }
  EXPECT_NE(std::vector<uint8_t>(After.begin() + Lo, After.begin() + Hi),
            std::vector<uint8_t>(Before.begin() + Lo, Before.begin() + Hi));
  EXPECT_FALSE(B.SavePhoneEntry(0, Cur));
  EXPECT_FALSE(B.SavePhoneEntry(201, Cur));
}

TEST_F(PhoneBook, HeaderSaveWritesOnlyTheHeader) {
  MakeBook(Book(), 3);
  auto Before = Slurp(Book());
  TPhoneBookFile B;
  EXPECT_FALSE(B.SavePhoneHeader());  // nothing bound yet
  ASSERT_TRUE(B.LoadPhoneBook(Book(), Cfg, Prompts));
  B.Header.TopEntry = 12;
  B.Header.BarRow = 5;
  B.Entry(1).Name = "not saved";
  ASSERT_TRUE(B.SavePhoneHeader());
  auto After = Slurp(Book());
  EXPECT_EQ(After[46], 12);
  EXPECT_EQ(After[47], 5);
  EXPECT_TRUE(std::equal(After.begin() + 48, After.end(), Before.begin() + 48));
  ::unlink(Book().c_str());
  EXPECT_FALSE(B.SavePhoneHeader());
  EXPECT_FALSE(FileExists(Book()));  // a vanished book is not re-created
}

TEST_F(PhoneBook, DeleteShiftsDownAndZeroesTheLastEntry) {
  MakeBook(Book(), 200);
  TPhoneBookFile B;
  ASSERT_TRUE(B.LoadPhoneBook(Book(), Cfg, Prompts));
  ASSERT_TRUE(B.DeleteEntry(200));
  EXPECT_EQ(B.Entry(199).Name, "Sys199");
  EXPECT_TRUE(IsBlankEntry(B.Entry(200)));
  auto Raw = Slurp(Book());
  for (std::size_t I = PhoneEntryOffset(200); I < PhoneBookSize; ++I) ASSERT_EQ(Raw[I], 0) << I;

  ASSERT_TRUE(B.DeleteEntry(1));
  EXPECT_EQ(B.Entry(1).Name, "Sys2");
  EXPECT_EQ(B.Entry(198).Name, "Sys199");
  EXPECT_TRUE(IsBlankEntry(B.Entry(199)));
  EXPECT_FALSE(B.DeleteEntry(0));

  TPhoneBookFile Again;
  ASSERT_TRUE(Again.LoadPhoneBook(Book(), Cfg, Prompts));
  EXPECT_EQ(Again.Entry(198).Name, "Sys199");
  EXPECT_EQ(Again.Entry(200).Protocol, 1);  // repaired on load
}

TEST_F(PhoneBook, InsertUsesFirstBlankBelow) {
  MakeBook(Book(), 5);
  TPhoneBookFile B;
  ASSERT_TRUE(B.LoadPhoneBook(Book(), Cfg, Prompts));
  ASSERT_TRUE(B.InsertEntry(2, Cfg, Prompts));
  EXPECT_EQ(B.Entry(1).Name, "Sys1");
  EXPECT_TRUE(IsBlankEntry(B.Entry(2)));
  EXPECT_EQ(B.Entry(2).Rating, 1);
  EXPECT_EQ(B.Entry(3).Name, "Sys2");
  EXPECT_EQ(B.Entry(6).Name, "Sys5");
  EXPECT_TRUE(IsBlankEntry(B.Entry(7)));

  B.Entry(10).Name = "keep";
  ASSERT_TRUE(B.InsertEntry(8, Cfg, Prompts));  // entry 8 itself is blank
  EXPECT_EQ(B.Entry(10).Name, "keep");
  EXPECT_TRUE(Prompts.Notices.empty());
}

TEST_F(PhoneBook, InsertWithOnlyBlanksAboveChangesNothing) {
  MakeBook(Book(), 200);
  TPhoneBookFile B;
  ASSERT_TRUE(B.LoadPhoneBook(Book(), Cfg, Prompts));
  B.Entry(3) = TPhoneRec{};
  B.Entry(3).Protocol = 1;
  EXPECT_FALSE(B.InsertEntry(10, Cfg, Prompts));
  ASSERT_EQ(Prompts.Notices.size(), 1u);
  EXPECT_EQ(Prompts.Notices[0], "No blank entries available");
  EXPECT_EQ(B.Entry(10).Name, "Sys10");
  EXPECT_EQ(B.Entry(200).Name, "Sys200");
  EXPECT_TRUE(B.InsertEntry(3, Cfg, Prompts));
}
