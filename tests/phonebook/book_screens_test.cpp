// The import and book-selector screens on a headless console, with books in a private directory.
#include <sys/stat.h>

#include <filesystem>

#include "phonebook/import.h"
#include "phonebook/selector.h"
#include "phonebook/test_prompts.h"
#include "support/strings.h"
#include "ui/ui_test_util.h"

using namespace lx;

namespace {

constexpr int Ins = -82, Del = -83, Home = -71, Down = -80;
const std::string LongName = "a-very-long-phone-book-name.phn";

class ImportScreen : public UITest, protected TBookFiles {
 protected:
  void SetUp() override {
    UITest::SetUp();
    ASSERT_TRUE(OpenBook());
  }
  // Picks the type (line 1 or 2) and types the file name over the default.
  void Choose(int Line, const std::string& File) {
    if (Line == 2) Press({-80});
    Press({13, 25});
    Keys(File + "\r");
  }
  // Once the queued keys are read, checks that a box shows each text, then closes it.
  void ThenShown(const std::vector<std::string>& Texts) {
    AfterKeys();
    Peek([this, Texts] {
      std::string Screen;
      for (int Y = 1; Y <= Con->Rows; ++Y) Screen += Text(1, Con->Cols, Y) + "\n";
      for (const auto& T : Texts) EXPECT_NE(Screen.find(T), std::string::npos) << T;
      C().PushKey(13);
    });
  }
  void Run() { ImportPhoneBook(C(), Settings, Book, Cfg); }
};

TEST_F(ImportScreen, SyncTermListIsImportedSavedAndReportedAndEscapeLeavesAll) {
  const std::string List = Write("s.lst", "[One]\nAddress=one.example\n[Two]\nAddress=two.example\nPort=2323\n"
                                          "[Tls]\nAddress=t.example\nConnectionType=TelnetS\n");
  const auto Before = Pattern();
  Peek([this] {
    Expect({{33, 11, ' ', 116}, {34, 11, 'I', 116}, {32, 12, 'K', 79}, {32, 13, 'S', 112}});
    EXPECT_EQ(Text(31, 48, 12), " Kivatel          ");
  });
  Choose(2, List);
  ThenShown({" SyncTerm Import ", "2 systems imported.", "1 skipped:",
             "  1 connection type not supported (TelnetS)", " OK "});
  Run();
  EXPECT_TRUE(Same(*Before));
  EXPECT_TRUE(MouseSteps.empty());
  Key(27);  // ESC at the type, and at the file name
  Run();
  Press({Down, 13, 27});
  Run();
  EXPECT_TRUE(Same(*Before));
  EXPECT_FALSE(C().KeyPressed());
  EXPECT_EQ(ReadFileBytes(Path)[PhoneEntryOffset(2) + PhoneOfs::Address], 16);  // saved: "two.example:2323"
}

TEST_F(ImportScreen, FailuresAreReported) {
  WriteFileBytes(Dir.Path("kvtl.fon"), TBytes(197, 0));
  const struct { int Line; std::string File, Message; } Cases[] = {
      {1, Dir.Path("missing.fon"), "Unable to open Kivatel phone book!"},
      {2, Dir.Dir(), "Unable to open SyncTerm phone book!"},
      {1, Dir.Path("kvtl.fon"), "0 systems imported."},
  };
  for (const auto& Case : Cases) {
    Choose(Case.Line, Case.File);
    ThenShown({Case.Message});
    Run();
    EXPECT_TRUE(MouseSteps.empty()) << Case.Message;
  }
  EXPECT_TRUE(IsBlankEntry(Book.Entry(1)));

  // A save that fails is reported after the summary; the import stays in memory for the next save.
  Book.SetWriteHook([](int, const void*, std::size_t) -> long { return errno = ENOSPC, -1; });
  Choose(2, Write("s.lst", "[A]\nAddress=h\n"));
  ThenShown({"1 system imported."});
  ThenShown({"Unable to save phone book"});
  Run();
  EXPECT_EQ(Book.Entry(1).Address, "h");
}

class Selector : public UITest, protected TBookFiles {
 protected:
  void SetUp() override {
    UITest::SetUp();
    ASSERT_TRUE(CreatePhoneBook(Dir.Path("lanternyx.phn"), "Lanternyx Phone Book", Cfg));
    ASSERT_TRUE(CreatePhoneBook(Dir.Path("newbook.phn"), "My New Book", Cfg));
    ASSERT_TRUE(CreatePhoneBook(Dir.Path(LongName), "Long", Cfg));
    WriteFileBytes(Dir.Path("notes.txt"), TBytes(10, 'x'));
    std::filesystem::create_directory(Dir.Path("folder.phn"));
    ASSERT_EQ(::mkfifo(Dir.Path("fifo.phn").c_str(), 0600), 0);
  }
  // Queues Keys; once they are read, a message box shows Message on row 12 and Answer answers it;
  // once that is read, Then checks the screen and ESC leaves the selector.
  std::string Asked(const std::vector<int>& Keys, const std::string& Message, std::vector<int> Answer,
                    std::function<void()> Then = {}) {
    Press(Keys);
    AfterKeys();
    Peek([this, Message, Answer] { EXPECT_NE(Text(1, 80, 12).find(Message), std::string::npos) << Message; Press(Answer); });
    AfterKeys();
    Peek([this, Then] { Then ? Then() : void(), C().PushKey(27); });
    return Run();
  }
  std::string Run() { return SelectPhoneBook(C(), Settings, Books, Cfg); }
  std::string Title(const std::string& File) {
    TPhoneHeader H;
    return ReadPhoneHeader(Dir.Path(File), H) ? H.Title : "(none)";
  }

  TSelectorBooks Books{Dir.Dir() + "/", "lanternyx.phn", "lanternyx.phn"};
};

TEST_F(Selector, ListsBooksWithTitlesAndReturnsWholeNames) {
  const auto Before = Pattern();
  Peek([this] {
    EXPECT_EQ(Text(9, 42, 11), "File name              Description");
    EXPECT_EQ(Text(29, 49, 10), " Phone Book Selector ");
    // Names padded or cut to 20, three spaces, the title; empty rows below.
    EXPECT_EQ(Text(9, 70, 12) + Text(9, 70, 13) + Text(9, 70, 14) + Text(9, 70, 15),
              PadRight("a-very-long-phone-bo   Long", 62) + PadRight("lanternyx.phn          Lanternyx Phone Book", 62) +
                  PadRight("newbook.phn            My New Book", 62) + std::string(62, ' '));
    Expect({{9, 13, 'l', 79}, {9, 12, 'a', 116}});  // the bar starts on the open book
  });
  Press({Home, 13});
  EXPECT_EQ(Run(), LongName);
  EXPECT_TRUE(Same(*Before));
  Press({Down, 13});
  EXPECT_EQ(Run(), "newbook.phn");
  Key(27);
  EXPECT_EQ(Run(), "");
}

TEST_F(Selector, CreatesBooksAndRefusesBadOrTakenNames) {
  Press({Ins, 25});  // a new name: the typed extension is dropped
  Keys("mybook.dat\rMine\r\x1b");
  Run();
  EXPECT_EQ(Title("mybook.phn"), "Mine");
  EXPECT_FALSE(std::filesystem::exists(Dir.Path("mybook.dat.phn")));

  const TBytes Old = ReadFileBytes(Dir.Path("newbook.phn"));
  const struct { std::string Typed, Message; std::vector<int> Answer; } Refused[] = {
      {"../evil\r", "A phone book name cannot contain / or \\", {13}},
      {"sub\\x\r", "A phone book name cannot contain / or \\", {13}},
      {"lanternyx\r", "Cannot replace the open phone book.", {13}},
      {"newbook\r", "newbook.phn already exists.  Replace it?", {'n'}},
  };
  for (const auto& R : Refused) {
    Press({Ins, 25});
    Keys(R.Typed);
    EXPECT_EQ(Asked({}, R.Message, R.Answer), "") << R.Typed;
  }
  EXPECT_EQ(ReadFileBytes(Dir.Path("newbook.phn")), Old);
  EXPECT_EQ(Title("lanternyx.phn"), "Lanternyx Phone Book");
  EXPECT_FALSE(std::filesystem::exists(Dir.Path("evil.phn")));
  EXPECT_FALSE(std::filesystem::exists(Dir.Dir() + "/../evil.phn"));

  // Replacing another book after saying yes; the description box reads keys only, so they come with the answer.
  Press({Ins, 25});
  Keys("newbook\r");
  Asked({}, "newbook.phn already exists.  Replace it?", {'y', 'F', 'r', 'e', 's', 'h', 13});
  EXPECT_EQ(Title("newbook.phn"), "Fresh");
}

TEST_F(Selector, DeletesOnlyWhatMayGo) {
  Books.DefaultBook = "newbook.phn";
  Asked({Del}, "Cannot delete the open phone book.", {13});
  Asked({Down, Del}, "Cannot delete the default phone book.", {13});
  Asked({Home, Del}, "Delete " + LongName + "?", {'n'});
  EXPECT_TRUE(std::filesystem::exists(Dir.Path(LongName)));

  Asked({Home, Del}, "Delete " + LongName + "?", {'y'}, [this] { EXPECT_EQ(Text(9, 21, 12), "lanternyx.phn"); });
  EXPECT_FALSE(std::filesystem::exists(Dir.Path(LongName)));

  std::filesystem::remove(Dir.Path("newbook.phn"));
  Asked({Del}, "Cannot delete your only phone book.", {13});
  EXPECT_TRUE(std::filesystem::exists(Dir.Path("lanternyx.phn")));
}

}  // namespace
