#include "phonebook/phonebook_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "phonebook/test_prompts.h"
#include "support/strings.h"
#include "support/test_tempdir.h"

using namespace lx;

namespace {
// The file with bytes Lo..Hi-1 zeroed, to compare what lies outside them.
TBytes Outside(TBytes F, std::size_t Lo, std::size_t Hi) {
  std::fill(F.begin() + static_cast<long>(Lo), F.begin() + static_cast<long>(Hi), 0);
  return F;
}

std::string Perms(const std::string& P) {
  return OctStr(static_cast<unsigned>(std::filesystem::status(P).permissions()));
}

class PhoneBook : public ::testing::Test {
 protected:
  std::string Book(const std::string& Name = "lanternyx.phn") { return Dir.Path(Name); }
  // Creates a book with entries 1..Count named "SysN" and loads it into B.
  void MakeBook(int Count, const std::string& Name = "lanternyx.phn") {
    ASSERT_TRUE(CreatePhoneBook(Book(Name), "Test", Cfg));
    ASSERT_TRUE(B.LoadPhoneBook(Book(Name), Cfg, Prompts));
    for (int N = 1; N <= Count; ++N) B.Entry(N).Name = "Sys" + std::to_string(N);
    ASSERT_TRUE(B.SavePhoneBook());
  }
  TTempDir Dir;
  TConfigRec Cfg;
  TScriptedPrompts Prompts;
  TPhoneBookFile B;
};
}  // namespace

TEST_F(PhoneBook, MissingBookIsCreatedOwnerOnlyAndExactlySizedWhenTheUserAgrees) {
  EXPECT_FALSE(B.LoadPhoneBook("", Cfg, Prompts));
  EXPECT_TRUE(Prompts.Asked.empty());
  Prompts.Answer = true;
  ASSERT_TRUE(B.LoadPhoneBook(Book(), Cfg, Prompts));
  EXPECT_EQ(Prompts.Notices, std::vector<std::string>{"Creating phone book: lanternyx.phn"});
  EXPECT_EQ(Prompts.Asked, std::vector<std::string>{"Unable to load phonebook.  Create new one?"});
  EXPECT_EQ(B.FileName(), Book());
  EXPECT_EQ(Perms(Book()), "600");  // passwords inside
  const TBytes Raw = ReadFileBytes(Book());
  ASSERT_EQ(Raw.size(), 72448u);
  const std::string Head(Raw.begin(), Raw.begin() + 48);
  EXPECT_EQ(Head, std::string("\x14Lanternyx Phone Book") + std::string(20, '\0') + "\x04" "1.00\x01\x01");
  for (int N = 1; N <= 200; ++N) {  // defaults, with zero bytes after each text
    const std::size_t O = PhoneEntryOffset(N);
    ASSERT_EQ(Raw[O + PhoneOfs::CaptureFile] * 1000 + Raw[O + PhoneOfs::CaptureFile + 14] * 100 + Raw[O + PhoneOfs::Protocol],
              13001) << N;
  }
  // A saved book keeps the bits its owner gave it.
  ASSERT_EQ(::chmod(Book().c_str(), 0640), 0);
  ASSERT_TRUE(B.SavePhoneBook());
  EXPECT_EQ(Perms(Book()), "640");
}

TEST_F(PhoneBook, LoadRepairsWhatItCanAndReportsTheRestKeepingThePreviousBook) {
  MakeBook(3, "short.phn");
  TBytes Raw = ReadFileBytes(Book("short.phn"));
  Raw[PhoneEntryOffset(1) + PhoneOfs::Protocol] = 0;
  Raw[PhoneEntryOffset(2) + PhoneOfs::ScreenSize] = 50;
  Raw[PhoneEntryOffset(2) + PhoneOfs::Address] = 250;  // a length beyond the field
  WriteFileBytes(Book("short.phn"), TBytes(Raw.begin(), Raw.begin() + PhoneEntryOffset(3) + 100));  // cut inside entry 3
  ASSERT_TRUE(B.LoadPhoneBook(Book("short.phn"), Cfg, Prompts));
  EXPECT_EQ(std::to_string(B.Entry(1).Protocol) + " " + std::to_string(B.Entry(2).ScreenSize) + " " +
                std::to_string(B.Entry(2).Address.size()) + " " + B.Entry(3).Name + " " + std::to_string(B.Entry(200).Protocol),
            "1 1 40 Sys3 1");
  EXPECT_TRUE(IsBlankEntry(B.Entry(200)));

  MakeBook(2, "good.phn");
  Raw = ReadFileBytes(Book("good.phn"));
  Raw[PhoneOfs::Version + 4] = '1';  // "1.01"
  WriteFileBytes(Book("old.phn"), Raw);
  WriteFileBytes(Book("tiny.phn"), {1, 2, 3});
  std::filesystem::create_directory(Book("dir.phn"));
  std::filesystem::create_symlink(Book("gone"), Book("link.phn"));
  // Books that exist but cannot be used are reported, never offered for re-creation, even to a user who would say yes.
  Prompts.Answer = true;
  for (const char* Name : {"old.phn", "tiny.phn", "dir.phn", "link.phn"})
    EXPECT_FALSE(B.LoadPhoneBook(Book(Name), Cfg, Prompts)) << Name;
  EXPECT_TRUE(Prompts.Asked.empty());
  EXPECT_EQ(Prompts.Notices, (std::vector<std::string>{"Phone book version mismatch", "Phone book file is too short: tiny.phn",
                                                        "Unable to read phone book: dir.phn",
                                                        "Unable to read phone book: link.phn"}));
  EXPECT_TRUE(ReadFileBytes(Book("tiny.phn")) == TBytes({1, 2, 3}) &&
              std::filesystem::is_directory(Book("dir.phn")) &&
              std::filesystem::is_symlink(Book("link.phn")));

  EXPECT_EQ(B.Header.Title + " " + B.Entry(1).Name, "Test Sys1");
  B.Entry(2).Name = "Changed";  // a later save goes to the book shown, not the refused one
  ASSERT_TRUE(B.SavePhoneBook());
  TPhoneBookFile Check;
  ASSERT_TRUE(Check.LoadPhoneBook(Book("good.phn"), Cfg, Prompts));
  EXPECT_EQ(Check.Entry(2).Name, "Changed");
  EXPECT_EQ(ReadFileBytes(Book("old.phn")), Raw);
}

TEST_F(PhoneBook, EntryAndHeaderSavesChangeOnlyTheirBytes) {
  EXPECT_FALSE(B.SavePhoneHeader());  // nothing bound yet
  MakeBook(10);
  const TBytes Before = ReadFileBytes(Book());
  TPhoneRec Cur = B.Entry(7);
  Cur.TotalCalls += 1;
  ASSERT_TRUE(B.SavePhoneEntry(7, Cur));
  EXPECT_EQ(B.Entry(7).TotalCalls, 1);
  const TBytes After = ReadFileBytes(Book());
  EXPECT_EQ(Outside(After, PhoneEntryOffset(7), PhoneEntryOffset(8)), Outside(Before, PhoneEntryOffset(7), PhoneEntryOffset(8)));
  EXPECT_EQ(After[PhoneEntryOffset(7) + PhoneOfs::TotalCalls], 1);
  EXPECT_FALSE(B.SavePhoneEntry(0, Cur) || B.SavePhoneEntry(201, Cur));

  B.Header.TopEntry = 12;
  B.Header.BarRow = 5;
  B.Entry(1).Name = "not saved";
  ASSERT_TRUE(B.SavePhoneHeader());
  const TBytes Moved = ReadFileBytes(Book());
  EXPECT_EQ(Outside(Moved, 46, 48), Outside(After, 46, 48));
  EXPECT_EQ(Moved[46] * 100 + Moved[47], 1205);
  ::unlink(Book().c_str());
  EXPECT_FALSE(B.SavePhoneHeader());
  EXPECT_FALSE(FileExists(Book()));  // a vanished book is not re-created
}

// Delete shifts up and zeroes the last entry; insert shifts down to the first blank entry at or below.
TEST_F(PhoneBook, DeleteAndInsertShiftEntriesUpToTheFirstBlank) {
  MakeBook(200);
  EXPECT_FALSE(B.DeleteEntry(0));
  ASSERT_TRUE(B.DeleteEntry(1));
  const TBytes Raw = ReadFileBytes(Book());
  EXPECT_EQ(TBytes(Raw.begin() + PhoneEntryOffset(200), Raw.end()), TBytes(362, 0));
  TPhoneBookFile Again;
  ASSERT_TRUE(Again.LoadPhoneBook(Book(), Cfg, Prompts));
  EXPECT_EQ(Again.Entry(1).Name + " " + Again.Entry(199).Name + " " + std::to_string(Again.Entry(200).Protocol),
            "Sys2 Sys200 1");  // repaired on load
  ASSERT_TRUE(B.InsertEntry(10, Cfg, Prompts));  // the blank 200 makes room
  EXPECT_EQ(B.Entry(9).Name + "," + B.Entry(10).Name + "," + B.Entry(11).Name + "," + B.Entry(200).Name, "Sys10,,Sys11,Sys200");
  EXPECT_EQ(B.Entry(10).Rating, 1);
  ASSERT_TRUE(B.InsertEntry(3, Cfg, Prompts));  // the first blank below is 10
  EXPECT_EQ(B.Entry(3).Name + "," + B.Entry(4).Name + "," + B.Entry(10).Name + "," + B.Entry(11).Name, ",Sys4,Sys10,Sys11");
  ASSERT_TRUE(B.InsertEntry(3, Cfg, Prompts));  // entry 3 itself is blank: nothing moves
  EXPECT_EQ(B.Entry(4).Name, "Sys4");
  EXPECT_TRUE(Prompts.Notices.empty());
  EXPECT_FALSE(B.InsertEntry(15, Cfg, Prompts));  // the only blank is above
  EXPECT_EQ(Prompts.Notices, std::vector<std::string>{"No blank entries available"});
  EXPECT_EQ(B.Entry(15).Name + " " + B.Entry(200).Name, "Sys15 Sys200");
}
