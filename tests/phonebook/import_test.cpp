#include "phonebook/import.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "phonebook/test_prompts.h"
#include "support/binrec.h"

using namespace lx;

namespace {

class Import : public ::testing::Test, protected TBookFiles {
 protected:
  void SetUp() override { ASSERT_TRUE(OpenBook()); }
  // Entry numbers and "name|address|user name|password|protocol|status bar" as the saved file holds
  // them at the entry's byte offsets; each has the default font type, so its defaults were filled.
  void ExpectSaved(const std::vector<std::pair<int, std::string>>& Want) {
    ASSERT_TRUE(Book.SavePhoneBook());
    const TBytes F = ReadFileBytes(Path);
    ASSERT_EQ(F.size(), 72448u);
    for (const auto& [N, Fields] : Want) {
      const std::span<const uint8_t> E(F.data() + 48 + static_cast<std::size_t>(N - 1) * 362, 362);
      EXPECT_EQ(GetStr(E, 0, 40) + "|" + GetStr(E, 41, 40) + "|" + GetStr(E, 82, 40) + "|" +
                    GetStr(E, 123, 20) + "|" + std::to_string(E[240]) + "|" +
                    std::to_string(E[231]) + "|" + std::to_string(E[236]),
                Fields + "|1") << "entry " << N;
    }
  }
};

// Kivatel records of name, address, password and user name, each string in its own slot.
TBytes Kivatel(const std::vector<std::array<std::string, 4>>& Recs) {
  TBytes B(Recs.size() * 197, 0);
  for (std::size_t I = 0; I < Recs.size(); ++I) {
    const std::span<uint8_t> R(B.data() + I * 197, 197);
    PutStr(R, 0, 60, Recs[I][0]), PutStr(R, 61, 73, Recs[I][1]), PutStr(R, 135, 30, Recs[I][2]), PutStr(R, 166, 30, Recs[I][3]);
  }
  return B;
}

TEST_F(Import, RealLookingSyncTermList) {
  const std::string List =
      "; SyncTERM dialing list\r\nVersion=2\r\n\r\n"  // before any section: belongs to none
      "[Club BBS]\r\nAddress=club.example.org\r\nPort=2323\r\nConnectionType=Telnet\r\nUserName=alice\r\n"
      "SystemPassword=sysop-secret\r\nPassword=secret\r\nComment=the Address changed in 2019\r\nNoStatus=true\r\n\r\n"
      "[  Default Port  ]\r\n  address = plain.example.org  \r\n;Port=2323\r\n"
      "[SSH Sys]\r\nAddress=ssh.example.org\r\nPort=2222\r\nConnectionType=SSH\r\nUserName=carol\r\n"
      "Password=pa=ss-full-size-20ch\r\nNoStatus=false\r\n"  // the password fills its field
      "[Secure]\r\nAddress=tls.example.org\r\nConnectionType=TelnetS\r\n"
      "[No Auth]\r\nAddress=na.example.org\r\nConnectionType=SSHNA\r\n"
      "[Again]\r\nAddress=tls.example.org\r\nConnectionType=TelnetS\r\n"
      "[Last]\nAddress=last.example.org";
  TImportResult R = ImportSyncTerm(Write("syncterm.lst", List), Book, Cfg);
  EXPECT_EQ(R.Status, TImportStatus::Done);
  EXPECT_EQ(R.Imported * 100 + R.SkippedTotal() * 10 + R.NotFitted, 430);
  EXPECT_EQ(R.Skips(TSkipReason::ConnectionType), 3);
  EXPECT_EQ(R.SkippedTypes, (std::vector<std::string>{"TelnetS", "SSHNA"}));
  ExpectSaved({{1, "Club BBS|club.example.org:2323|alice|secret|1|0"},
               {2, "Default Port|plain.example.org|||1|1"},
               {3, "SSH Sys|ssh.example.org:2222|carol|pa=ss-full-size-20ch|3|1"},
               {4, "Last|last.example.org|||1|1"}});
  EXPECT_TRUE(IsBlankEntry(Book.Entry(5)));
}

TEST_F(Import, SyncTermSectionCases) {
  const std::string Long(2000, ' '), Host34(34, 'h');
  // Address: of the one system imported; empty: none imported.
  const struct {
    std::string Text, Address;
    TSkipReason Skip = TSkipReason::Count;
    std::string Name = "A", User = "";
    uint8_t Protocol = 1;
  } Cases[] = {
      {"[A]\nAddress=h\nPort=24\n", "h:24"}, {"[A]\nAddress=h\nPort=23\n", "h"},
      {"[A]\nAddress=h\nPort=\n", "h"},      {"[A]\nAddress=h\nPort=0024\n", "h:24"},
      {"[A]\nAddress=" + Host34 + "\nPort=23456\n", Host34 + ":23456"},  // 40 in all
      {"[A]\nAddress=" + Host34 + "x\nPort=23456\n", "", TSkipReason::AddressTooLong},
      // IPv6 literals: brackets where a port follows.
      {"[A]\nAddress=2001:db8::1\nPort=2323\n", "[2001:db8::1]:2323"}, {"[A]\nAddress=::1\nPort=23\n", "::1"},
      {"[A]\nAddress=[::1]\nPort=24\n", "[::1]:24"}, {"[A]\nAddress=h:2323\n", "", TSkipReason::PortInAddress},
      {"[A]\nAddress=h\nConnectionType=RLogin\nPort=23\n", "h:23", TSkipReason::Count, "A", "", 2},
      {"[A]\nAddress=h\nConnectionType=rlogin\nPort=513\nUserName=bob\n", "h", TSkipReason::Count, "A", "bob", 2},
      {"[A]\nAddress=h\nConnectionType=ssh\n", "h", TSkipReason::Count, "A", "", 3},
      {"[A]\nADDRESS=h\nusername = u \n", "h", TSkipReason::Count, "A", "u"},
      {"[A]\nAddress=h\nAddress=second\n", "h"}, {"[A]\nMyAddress=x\nAddress=h\nSystemUserName=s\n", "h"},
      {"[A]]\nAddress=h", "h"},
      {"[" + std::string(50, 'n') + "]\nAddress=h\n", "h", TSkipReason::Count, std::string(40, 'n')},
      {"[A]\nAddress=h\nPort=65536\n", "", TSkipReason::BadPort}, {"[A]\nAddress=h\nPort=23x\n", "", TSkipReason::BadPort},
      {"[A]\nAddress=h\nPassword=" + std::string(21, 'p') + "\n", "", TSkipReason::PasswordTooLong},
      // A line too long to read whole gives no value, not a shorter one.
      {"[A]\nAddress=h\nPort=" + Long + "24\n", "", TSkipReason::BadPort},
      {"[A]\nAddress=h\nPassword=p" + Long + "\n", "", TSkipReason::PasswordTooLong},
      {"[A]\nAddress=h" + Long + "x\n", "", TSkipReason::AddressTooLong},
      // ... and its rest is never read as a line of its own.
      {"[A]\n;" + Long + "Address=evil\n", "", TSkipReason::NoAddress},
      {"[A]\nAddress=h\nUserName=" + std::string(41, 'u') + "\n", "", TSkipReason::UserNameTooLong},
      {"[A]\nAddress=h\nConnectionType=Raw\n", "", TSkipReason::ConnectionType},
      {"[A]\nPort=2323\n", "", TSkipReason::NoAddress}, {"Address=preamble\n", ""}, {"", ""},
  };
  for (const auto& C : Cases) {
    TPhoneBookFile B;
    const TImportResult R = ImportSyncTermData(C.Text, B, Cfg);
    SCOPED_TRACE(C.Text.substr(0, 60));
    EXPECT_EQ(R.Imported, C.Address.empty() ? 0 : 1);
    const TPhoneRec& E = B.Entry(1);
    const std::string Got = E.Address + "|" + E.Name + "|" + E.UserName + "|" + std::to_string(E.Protocol);
    EXPECT_EQ(C.Address.empty() ? E.Address : Got,
              C.Address.empty() ? "" : C.Address + "|" + C.Name + "|" + C.User + "|" + std::to_string(C.Protocol));
    const bool Skips = C.Skip != TSkipReason::Count;
    EXPECT_EQ(R.SkippedTotal() * 10 + (Skips ? R.Skips(C.Skip) : 0), Skips ? 11 : 0);
  }
}

TEST_F(Import, KivatelRecordsAndAFileOfMoreThanTwoHundred) {
  TBytes File = Kivatel({{"Club", "club.example.org:2323", "pw", "al"}, {"", "", "", ""} /* unused */, {"--- Local ---", "", "", ""},
                         {"Far", std::string(41, 'a'), "", ""}, {"Secret", "s.example.org", std::string(21, 'p'), ""},
                         {std::string(60, 'N'), "n.example.org", "", std::string(30, 'U')},
                         {"Last", "last.example.org", "", "zed"}});
  File[5 * 197] = 255;        // read as its slot, cut to the name field
  File[5 * 197 + 166] = 255;  // the last slot: never read past the record
  File.resize(File.size() + 10, 7);  // a torn record at the end is not a record
  EXPECT_EQ(ImportKivatel(Dir.Path("kvtl.fon"), Book, Cfg).Status, TImportStatus::CannotOpen);
  WriteFileBytes(Dir.Path("kvtl.fon"), File);
  const TImportResult Got = ImportKivatel(Dir.Path("kvtl.fon"), Book, Cfg);
  EXPECT_EQ(Got.Status, TImportStatus::Done);
  EXPECT_EQ(Got.Imported * 100 + Got.Skips(TSkipReason::AddressTooLong) * 10 + Got.Skips(TSkipReason::PasswordTooLong), 411);
  EXPECT_EQ(Got.Unread, 0);
  ExpectSaved({{1, "Club|club.example.org:2323|al|pw|1|0"}, {2, "--- Local ---||||1|0"},
               {3, std::string(40, 'N') + "|n.example.org|" + std::string(30, 'U') + "||1|0"},
               {4, "Last|last.example.org|zed||1|0"}});
  EXPECT_TRUE(IsBlankEntry(Book.Entry(5)));

  std::vector<std::array<std::string, 4>> Recs;
  for (int I = 1; I <= 203; ++I) Recs.push_back({"S" + std::to_string(I), "h" + std::to_string(I), "", ""});
  WriteFileBytes(Dir.Path("big.fon"), Kivatel(Recs));
  TPhoneBookFile Fresh, Whole;
  const TImportResult R = ImportKivatel(Dir.Path("big.fon"), Fresh, Cfg);
  EXPECT_EQ(R.Imported * 100 + R.Unread * 10 + R.NotFitted, 20030);
  EXPECT_EQ(Fresh.Entry(200).Name, "S200");
  EXPECT_EQ(ImportKivatelData(Kivatel(Recs), Whole, Cfg).Unread, 3);  // given whole, the rest is not read either
}

// Only blank entries are filled: a separator line (a name without an
// address) and a called entry stay; what does not fit is counted.
TEST_F(Import, FullBookKeepsWhatFittedAndCountsTheRest) {
  for (int N = 1; N <= 200; ++N) Book.Entry(N).Address = "used" + std::to_string(N);
  for (int N : {2, 3, 5, 200}) InitPhoneRec(Book.Entry(N), Cfg);
  Book.Entry(2).Name = "--- Local ---";
  Book.Entry(5).LastCall = 1;
  const std::string List = "[S1]\nAddress=a1\n[S2]\nAddress=a2\n[S3]\nAddress=a3\n[Bad]\nConnectionType=Modem\n[S4]\nAddress=a4\n";
  const TImportResult R = ImportSyncTerm(Write("l.lst", List), Book, Cfg);
  EXPECT_EQ(R.Imported * 100 + R.NotFitted * 10 + R.Skips(TSkipReason::ConnectionType), 221);
  ExpectSaved({{2, "--- Local ---||||1|0"}, {3, "S1|a1|||1|1"}, {4, "|used4|||1|0"}, {5, "||||1|0"},
               {200, "S2|a2|||1|1"}});
  EXPECT_EQ(ImportSyncTermData("[S5]\nAddress=a5\n", Book, Cfg).NotFitted, 1);  // now full to the last entry
}

TEST_F(Import, FilesThatAreNotListsAreRefused) {
  EXPECT_EQ(ImportSyncTerm(Dir.Dir(), Book, Cfg).Status, TImportStatus::NotAFile);
  EXPECT_EQ(ImportKivatel("/dev/zero", Book, Cfg).Status, TImportStatus::NotAFile);
  EXPECT_EQ(ImportSyncTerm(Dir.Path("none.lst"), Book, Cfg).Status, TImportStatus::CannotOpen);
  const std::string Huge(SyncTermMaxFile, ';');
  EXPECT_EQ(ImportSyncTerm(Write("huge.lst", Huge + "\n[A]\nAddress=h\n"), Book, Cfg).Status, TImportStatus::TooLarge);
  EXPECT_TRUE(IsBlankEntry(Book.Entry(1)));
}

TEST(ImportSummary, SaysWhatHappened) {
  TImportResult R;
  R.Imported = 1, R.NotFitted = 4, R.Unread = 1;
  R.Skips(TSkipReason::ConnectionType) = 2, R.Skips(TSkipReason::PasswordTooLong) = 1;
  R.SkippedTypes = {"TelnetS", "Raw"};
  EXPECT_EQ(ImportSummary(R), (std::vector<std::string>{"1 system imported.", "3 skipped:",
                                                        "  2 connection type not supported (TelnetS, Raw)",
                                                        "  1 password longer than 20 characters",
                                                        "4 more systems did not fit: the book is full.",
                                                        "1 record after the first 200 not read."}));
}

TEST(DefaultSyncTermList, FindsTheListWhereSyncTermKeepsIt) {
  TTempDir Home;
  EXPECT_EQ(DefaultSyncTermList(Home.Dir()) + " " + DefaultSyncTermList(""), "SyncTerm.lst SyncTerm.lst");
  std::filesystem::create_directory(Home.Path(".syncterm"));
  WriteFileBytes(Home.Path(".syncterm/syncterm.lst"), {});
  EXPECT_EQ(DefaultSyncTermList(Home.Dir()), Home.Path(".syncterm/syncterm.lst"));
}

}  // namespace
