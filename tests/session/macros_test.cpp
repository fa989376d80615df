#include <gtest/gtest.h>

#include <vector>

#include "app/macros.h"

namespace {

lx::TPhoneRec Entry(const std::string& User, const std::string& Pass) {
  lx::TPhoneRec E;
  E.UserName = User;
  E.Password = Pass;
  return E;
}

std::string Expand(const std::string& Text, const lx::TPhoneRec& E = Entry("sysop", "secret")) {
  return ExpandMacro(Text, E, [](int) {});
}

TEST(ExpandMacro, CodesAreReplaced) {
  EXPECT_EQ(Expand("@UN@CR"), "sysop\r");
  EXPECT_EQ(Expand("@PW@CR"), "secret\r");
  EXPECT_EQ(Expand("a@LFb@CR"), "a\nb\r");
  EXPECT_EQ(Expand("@UN@CR", Entry("", "x")), "\r");
}

TEST(ExpandMacro, UnknownAndLowerCaseCodesStandForThemselves) {
  EXPECT_EQ(Expand("@cr"), "cr");
  EXPECT_EQ(Expand("mail@@xy"), "mail@x" "y");  // "@@x" -> "@x", then "y"
  EXPECT_EQ(Expand("a@ZZb"), "aZZb");
}

TEST(ExpandMacro, CodesCutShortByTheEnd) {
  EXPECT_EQ(Expand("abc@"), "abc");
  EXPECT_EQ(Expand("abc@C"), "abcC");
  EXPECT_EQ(Expand("@"), "");
}

TEST(ExpandMacro, PausesHappenInOrderWhileExpanding) {
  std::vector<std::string> Events;
  std::string Progress;
  const std::string Out = ExpandMacro("a@PAb@PA@PAc", Entry("", ""), [&](int Ms) {
    Events.push_back("pause " + std::to_string(Ms));
  });
  EXPECT_EQ(Out, "abc");
  EXPECT_EQ(Events, (std::vector<std::string>{"pause 500", "pause 500", "pause 500"}));
}

TEST(ExpandMacro, ResultIsAShortString) {
  const std::string Long(200, 'x');
  EXPECT_EQ(Expand("@UN@UN", Entry(Long, "")).size(), 255u);
}

}  // namespace
