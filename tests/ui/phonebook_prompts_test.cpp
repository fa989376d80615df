#include <filesystem>

#include "phonebook/phonebook_file.h"
#include "phonebook/prompts_ui.h"
#include "support/test_tempdir.h"
#include "ui_test_util.h"

namespace {

class BookPrompts : public UITest {
 protected:
  // The message box text sits on row 12, centred by its length.
  std::string Message(const std::string& T) {
    const int X = (80 - 2 - static_cast<int>(T.size())) / 2 + 2;
    return Text(X, X + static_cast<int>(T.size()) - 1, 12);
  }
};

TEST_F(BookPrompts, MissingBookIsCreatedOnlyWhenTheUserSaysYes) {
  TTempDir Dir;
  const std::string Path = Dir.Path("club.phn");
  const lx::TConfigRec Cfg = lx::DefaultConfig(Dir.Dir() + "/");
  lx::TPhoneBookPromptsUI Prompts(C(), Settings);
  lx::TPhoneBookFile Book;

  const std::string Ask = "Unable to load phonebook.  Create new one?";
  Peek([&] { EXPECT_EQ(Message(Ask), Ask); });
  Key('n');
  EXPECT_FALSE(Book.LoadPhoneBook(Path, Cfg, Prompts));
  EXPECT_FALSE(std::filesystem::exists(Path));

  Peek([&] { EXPECT_EQ(Message(Ask), Ask); });
  AfterKeys();
  Peek([&] {
    const std::string Note = "Creating phone book: club.phn";
    EXPECT_EQ(Message(Note), Note);
    EXPECT_EQ(Text(38, 41, 14), " OK ");
    C().PushKey(13);
  });
  Key('y');
  EXPECT_TRUE(Book.LoadPhoneBook(Path, Cfg, Prompts));
  EXPECT_TRUE(std::filesystem::exists(Path));
  EXPECT_TRUE(MouseSteps.empty());
}

}  // namespace
