#include <filesystem>

#include "phonebook/phonebook_file.h"
#include "phonebook/prompts_ui.h"
#include "support/test_tempdir.h"
#include "ui_test_util.h"

namespace {

class BookPrompts : public UITest {
 protected:
  // Checks the message box text on row 12, centred by its length.
  void ExpectMessage(const std::string& T) {
    const int X = (80 - 2 - static_cast<int>(T.size())) / 2 + 2;
    EXPECT_EQ(Text(X, X + static_cast<int>(T.size()) - 1, 12), T);
  }
};

TEST_F(BookPrompts, MissingBookIsCreatedOnlyWhenTheUserSaysYes) {
  TTempDir Dir;
  const std::string Path = Dir.Path("club.phn");
  const lx::TConfigRec Cfg = lx::DefaultConfig(Dir.Dir() + "/");
  lx::TPhoneBookPromptsUI Prompts(C(), Settings);
  lx::TPhoneBookFile Book;

  Peek([&] { ExpectMessage("Unable to load phonebook.  Create new one?"); });
  Key('n');
  EXPECT_FALSE(Book.LoadPhoneBook(Path, Cfg, Prompts));
  EXPECT_FALSE(std::filesystem::exists(Path));

  Peek([&] { ExpectMessage("Unable to load phonebook.  Create new one?"); });
  AfterKeys();
  Peek([&] {
    ExpectMessage("Creating phone book: club.phn");
    EXPECT_EQ(Text(38, 41, 14), " OK ");
    C().PushKey(13);
  });
  Key('y');
  EXPECT_TRUE(Book.LoadPhoneBook(Path, Cfg, Prompts) && std::filesystem::exists(Path));
  EXPECT_TRUE(MouseSteps.empty());
}

}  // namespace
