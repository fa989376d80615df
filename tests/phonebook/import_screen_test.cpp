#include <filesystem>

#include "phonebook/import.h"
#include "phonebook/test_prompts.h"
#include "support/test_tempdir.h"
#include "ui/ui_test_util.h"

using namespace lx;

namespace {

class ImportScreen : public UITest {
 protected:
  void SetUp() override {
    UITest::SetUp();
    ASSERT_TRUE(CreatePhoneBook(Path, "Test", Cfg));
    ASSERT_TRUE(Book.LoadPhoneBook(Path, Cfg, Prompts));
  }
  // Picks the type (line 1 or 2) and types the file name over the default.
  void Choose(int Line, const std::string& File) {
    if (Line == 2) Ext(80);
    Key(13);
    Key(25);
    Keys(File);
    Key(13);
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

  TTempDir Dir;
  std::string Path = Dir.Path("book.phn");
  TConfigRec Cfg;
  TScriptedPrompts Prompts;
  TPhoneBookFile Book;
};

TEST_F(ImportScreen, SyncTermListIsImportedSavedAndReported) {
  const std::string List = Dir.Path("s.lst");
  const std::string Body = "[One]\nAddress=one.example\n[Two]\nAddress=two.example\nPort=2323\n"
                           "[Tls]\nAddress=t.example\nConnectionType=TelnetS\n";
  WriteFileBytes(List, TBytes(Body.begin(), Body.end()));
  Pattern();
  const auto Before = Snapshot();
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
  TPhoneBookFile Saved;
  ASSERT_TRUE(Saved.LoadPhoneBook(Path, Cfg, Prompts));
  EXPECT_EQ(Saved.Entry(1).Address + " " + Saved.Entry(2).Address, "one.example two.example:2323");
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
  WriteFileBytes(Dir.Path("s.lst"), {'[', 'A', ']', '\n', 'A', 'd', 'd', 'r', 'e', 's', 's', '=', 'h', '\n'});
  Book.SetWriteHook([](int, const void*, std::size_t) -> long { return errno = ENOSPC, -1; });
  Choose(2, Dir.Path("s.lst"));
  ThenShown({"1 system imported."});
  ThenShown({"Unable to save phone book"});
  Run();
  EXPECT_TRUE(MouseSteps.empty());
  EXPECT_EQ(Book.Entry(1).Address, "h");
}

TEST_F(ImportScreen, EscapeLeavesEverythingAsItWas) {
  Pattern();
  const auto Before = Snapshot();
  Key(27);
  Run();
  Ext(80);
  Key(13);
  Key(27);  // and at the file name
  Run();
  EXPECT_TRUE(Same(*Before));
  EXPECT_FALSE(C().KeyPressed());
}

}  // namespace
