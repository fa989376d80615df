#include <gtest/gtest.h>

#include <vector>

#include "app/macros.h"

namespace {

// Unknown and lower-case codes stand for themselves, "@@x" is "@x", every @PA pauses 500 ms,
// and the result is cut to a short string.
TEST(ExpandMacro, CodesPausesAndTheLengthCap) {
  struct TCase { std::string In, User, Out; int Pauses; };
  const std::vector<TCase> Cases = {
      {"@UN@CR", "sysop", "sysop\r", 0}, {"@PW@CR", "sysop", "secret\r", 0}, {"a@LFb@CR", "", "a\nb\r", 0},
      {"@cr", "", "cr", 0},  {"mail@@xy", "", "mail@xy", 0}, {"a@ZZb", "", "aZZb", 0}, {"abc@", "", "abc", 0},
      {"abc@C", "", "abcC", 0}, {"@", "", "", 0}, {"@UN@CR", "", "\r", 0}, {"a@PAb@PA@PAc", "", "abc", 3},
      {"@UN@UN", std::string(200, 'x'), std::string(255, 'x'), 0}};
  for (const TCase& C : Cases) {
    lx::TPhoneRec E;
    E.UserName = C.User;
    E.Password = "secret";
    int Pauses = 0;
    EXPECT_EQ(ExpandMacro(C.In, E, [&](int Ms) { Pauses += Ms == 500; }), C.Out) << C.In;
    EXPECT_EQ(Pauses, C.Pauses) << C.In;
  }
}

}  // namespace
