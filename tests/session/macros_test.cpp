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

TEST(ExpandMacro, CodesUnknownCodesAndCodesCutShort) {
  const std::vector<std::pair<std::string, std::string>> Cases = {
      {"@UN@CR", "sysop\r"}, {"@PW@CR", "secret\r"}, {"a@LFb@CR", "a\nb\r"},
      // Unknown and lower-case codes stand for themselves; "@@x" is "@x".
      {"@cr", "cr"}, {"mail@@xy", "mail@xy"}, {"a@ZZb", "aZZb"},
      {"abc@", "abc"}, {"abc@C", "abcC"}, {"@", ""}};
  for (const auto& [In, Out] : Cases) EXPECT_EQ(Expand(In), Out) << In;
  EXPECT_EQ(Expand("@UN@CR", Entry("", "x")), "\r");
}

TEST(ExpandMacro, EveryPauseIsTaken) {
  std::vector<int> Pauses;
  EXPECT_EQ(ExpandMacro("a@PAb@PA@PAc", Entry("", ""), [&](int Ms) { Pauses.push_back(Ms); }), "abc");
  EXPECT_EQ(Pauses, (std::vector<int>{500, 500, 500}));
}

TEST(ExpandMacro, ResultIsAShortString) {
  const std::string Long(200, 'x');
  EXPECT_EQ(Expand("@UN@UN", Entry(Long, "")).size(), 255u);
}

}  // namespace
