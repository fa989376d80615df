#include <sys/stat.h>

#include <filesystem>

#include "phonebook/phonebook_file.h"
#include "phonebook/selector.h"
#include "support/strings.h"
#include "support/test_tempdir.h"
#include "ui/ui_test_util.h"

using namespace lx;

namespace {

constexpr int Ins = -82, Del = -83, Home = -71, Down = -80;
const std::string LongName = "a-very-long-phone-book-name.phn";

class Selector : public UITest {
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
  int RowOf(const std::string& S) const {
    for (int Y = 1; Y <= Con->Rows; ++Y)
      if (Text(1, Con->Cols, Y).find(S) != std::string::npos) return Y;
    return 0;
  }
  // Once the queued keys are read, a message box shows Message; Then
  // answers it (and queues what follows).
  void ThenAsked(const std::string& Message, const std::vector<int>& Then) {
    AfterKeys();
    Peek([this, Message, Then] {
      EXPECT_EQ(RowOf(Message), 12) << Message;
      Press(Then);
    });
  }
  std::string Run() { return SelectPhoneBook(C(), Settings, Books, Cfg); }
  std::string Title(const std::string& File) {
    TPhoneHeader H;
    return ReadPhoneHeader(Dir.Path(File), H) ? H.Title : "(none)";
  }

  TTempDir Dir;
  TConfigRec Cfg;
  TSelectorBooks Books{Dir.Dir() + "/", "lanternyx.phn", "lanternyx.phn"};
};

TEST_F(Selector, ListsBooksWithTitlesAndReturnsWholeNames) {
  Pattern();
  const auto Before = Snapshot();
  Peek([this] {
    EXPECT_EQ(Text(9, 42, 11), "File name              Description");
    EXPECT_EQ(Text(29, 49, 10), " Phone Book Selector ");
    // Names padded or cut to 20, three spaces, the title; empty rows below.
    EXPECT_EQ(Text(9, 70, 12), PadRight("a-very-long-phone-bo   Long", 62));
    EXPECT_EQ(Text(9, 70, 13), PadRight("lanternyx.phn          Lanternyx Phone Book", 62));
    EXPECT_EQ(Text(9, 70, 14), PadRight("newbook.phn            My New Book", 62));
    EXPECT_EQ(Text(9, 70, 15), std::string(62, ' '));
    Expect({{9, 13, 'l', 79}, {9, 12, 'a', 116}});  // the bar starts on the open book
  });
  Press({Home, 13});
  EXPECT_EQ(Run(), LongName);
  EXPECT_TRUE(Same(*Before));

  Press({Down, 13});
  EXPECT_EQ(Run(), "newbook.phn");
  Key(27);
  EXPECT_EQ(Run(), "");
  EXPECT_TRUE(MouseSteps.empty());
}

TEST_F(Selector, CreatesBooksAndRefusesBadOrTakenNames) {
  // New name: the typed extension is dropped.
  Press({Ins, 25});
  Keys("mybook.dat\rMine\r");
  Key(27);
  Run();
  EXPECT_EQ(Title("mybook.phn"), "Mine");
  EXPECT_FALSE(std::filesystem::exists(Dir.Path("mybook.dat.phn")));

  const TBytes Old = ReadFileBytes(Dir.Path("newbook.phn"));
  const struct {
    std::string Typed;
    std::string Message;
    std::vector<int> Answer;
  } Refused[] = {
      {"../evil", "A phone book name cannot contain / or \\", {13}},
      {"sub\\x", "A phone book name cannot contain / or \\", {13}},
      {"lanternyx", "Cannot replace the open phone book.", {13}},
      {"newbook", "newbook.phn already exists.  Replace it?", {'n'}},
  };
  for (const auto& R : Refused) {
    Press({Ins, 25});
    Keys(R.Typed + "\r");
    ThenAsked(R.Message, R.Answer);
    AfterKeys();
    Peek([this] { C().PushKey(27); });
    EXPECT_EQ(Run(), "") << R.Typed;
  }
  EXPECT_EQ(ReadFileBytes(Dir.Path("newbook.phn")), Old);
  EXPECT_EQ(Title("lanternyx.phn"), "Lanternyx Phone Book");
  EXPECT_FALSE(std::filesystem::exists(Dir.Path("evil.phn")));
  EXPECT_FALSE(std::filesystem::exists(Dir.Dir() + "/../evil.phn"));

  // Replacing another book after saying yes.
  Press({Ins, 25});
  Keys("newbook\r");
  // The description box reads keys only, so they are queued with the answer.
  ThenAsked("newbook.phn already exists.  Replace it?", {'y', 'F', 'r', 'e', 's', 'h', 13, 27});
  Run();
  EXPECT_EQ(Title("newbook.phn"), "Fresh");
  EXPECT_TRUE(MouseSteps.empty());
}

TEST_F(Selector, DeletesOnlyWhatMayGo) {
  Books.DefaultBook = "newbook.phn";
  const struct {
    std::vector<int> Move;
    std::string Message;
    std::vector<int> Answer;
  } Cases[] = {
      {{}, "Cannot delete the open phone book.", {13}},
      {{Down}, "Cannot delete the default phone book.", {13}},
      {{Home}, "Delete " + LongName + "?", {'n'}},
  };
  for (const auto& Case : Cases) {
    Press(Case.Move);
    Press({Del});
    ThenAsked(Case.Message, Case.Answer);
    AfterKeys();
    Peek([this] { C().PushKey(27); });
    Run();
  }
  EXPECT_TRUE(std::filesystem::exists(Dir.Path(LongName)));

  Press({Home, Del});
  ThenAsked("Delete " + LongName + "?", {'y'});
  AfterKeys();
  Peek([this] {
    EXPECT_EQ(Text(9, 21, 12), "lanternyx.phn");
    C().PushKey(27);
  });
  Run();
  EXPECT_FALSE(std::filesystem::exists(Dir.Path(LongName)));

  std::filesystem::remove(Dir.Path("newbook.phn"));
  Press({Del});
  ThenAsked("Cannot delete your only phone book.", {13});
  AfterKeys();
  Peek([this] { C().PushKey(27); });
  Run();
  EXPECT_TRUE(std::filesystem::exists(Dir.Path("lanternyx.phn")));
  EXPECT_TRUE(MouseSteps.empty());
}

}  // namespace
