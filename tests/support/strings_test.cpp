#include "support/strings.h"

#include <gtest/gtest.h>

#include <limits>

using namespace lx;

TEST(Padding, RightLeftAndCentre) {
  EXPECT_EQ(PadRight("abc", 5, '.'), "abc..");
  EXPECT_EQ(PadRight("abcdef", 3, '.'), "abc");
  EXPECT_EQ(PadLeft("7", 3, '0'), "007");
  EXPECT_EQ(PadLeft("abcdef", 3, ' '), "abc");
  EXPECT_EQ(PadCenter("ab", 7, '*', true), "**ab***");
  EXPECT_EQ(PadCenter("ab", 7, '*', false), "**ab");
  EXPECT_EQ(PadCenter("abcdefgh", 4, '*', true), "abcd");
  EXPECT_EQ(PadRight("x", 0, ' '), "");
  EXPECT_EQ(PadRight("x", -3, ' '), "");
  EXPECT_EQ(Replicate('-', 4), "----");
  EXPECT_EQ(Replicate('-', -1), "");
}

TEST(CaseAndTrim, TouchOnlyAsciiAndTheGivenCharacter) {
  EXPECT_EQ(UpperCase("abz\x84{`"), "ABZ\x84{`");
  EXPECT_EQ(LowerCase("AZ\x8e@["), "az\x8e@[");
  EXPECT_EQ(TrimChar("  a b  ", ' '), "a b");
  EXPECT_EQ(TrimLeftChar("  a ", ' '), "a ");
  EXPECT_EQ(TrimRightChar(std::string("ab\0\0", 4), '\0'), "ab");
  EXPECT_EQ(TrimChar("    ", ' '), "");
  EXPECT_EQ(StripControl("a\tb\x1b[0m\r\n"), "ab[0m");
}

TEST(StripPipe, RemovesOnlyCodesBelow33) {
  EXPECT_EQ(StripPipe("|07Hello|15!"), "Hello!");
  EXPECT_EQ(StripPipe("|31x|32y"), "xy");
  EXPECT_EQ(StripPipe("|99x"), "|99x");
  EXPECT_EQ(StripPipe("|33x"), "|33x");
  EXPECT_EQ(StripPipe("|ABx"), "|ABx");
  EXPECT_EQ(StripPipe("a|0"), "a|0");
  EXPECT_EQ(StripPipe("a|"), "a|");
  // The two characters after a bar that is kept are not looked at again.
  EXPECT_EQ(StripPipe("||07x"), "||07x");
  EXPECT_EQ(StripPipe("|1&x"), "|1&x");
}

TEST(WordGet, SpacesCollapseOtherDelimitersDoNot) {
  EXPECT_EQ(WordGet(1, "   alpha   beta  gamma ", ' '), "alpha");
  EXPECT_EQ(WordGet(2, "   alpha   beta  gamma ", ' '), "beta");
  EXPECT_EQ(WordGet(3, "   alpha   beta  gamma ", ' '), "gamma");
  EXPECT_EQ(WordGet(4, "   alpha   beta  gamma ", ' '), "");
  EXPECT_EQ(WordGet(2, "a,,c", ','), "");
  EXPECT_EQ(WordGet(3, "a,,c", ','), "c");
  EXPECT_EQ(WordGet(4, "a,,c", ','), "");
  EXPECT_EQ(WordGet(0, "a b", ' '), "");
  EXPECT_EQ(WordGet(1, "", ' '), "");
}

TEST(ReplaceAll, ReplacesEveryOccurrenceAndTerminates) {
  EXPECT_EQ(ReplaceAll("@UN@CR", "@CR", "\r"), "@UN\r");
  EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), "aaaaaa");
  EXPECT_EQ(ReplaceAll("x.y.z", ".", ""), "xyz");
  EXPECT_EQ(ReplaceAll("abc", "", "q"), "abc");
  EXPECT_EQ(ReplaceAll("abab", "ab", "b"), "bb");
}

TEST(Numbers, TextConversions) {
  EXPECT_EQ(IntToStr(-42), "-42");
  EXPECT_EQ(StrToInt("  123  "), 123);
  EXPECT_EQ(StrToInt("-9223372036854775808"), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(StrToInt("9223372036854775807"), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(StrToInt("9223372036854775808"), 0);
  EXPECT_EQ(StrToInt("99999999999999999999999"), 0);
  EXPECT_EQ(StrToInt("12a"), 0);
  EXPECT_EQ(StrToInt(""), 0);
  EXPECT_EQ(StrToInt("-"), 0);
  EXPECT_EQ(StrToInt("+5"), 5);
  EXPECT_EQ(Int2(5), "05");
  EXPECT_EQ(Int2(12), "12");
  EXPECT_EQ(Int2(123), "12");
  EXPECT_EQ(OctStr(0), "0");
  EXPECT_EQ(OctStr(8), "10");
  EXPECT_EQ(OctStr(0644), "644");
  EXPECT_EQ(MaxInt64(-3, 2), 2);
}

TEST(Numbers, FormatThousandsGroupsFromTheRight) {
  EXPECT_EQ(FormatThousands(1234567), "1,234,567");
  EXPECT_EQ(FormatThousands(999), "999");
  EXPECT_EQ(FormatThousands(1000), "1,000");
  EXPECT_EQ(FormatThousands(0), "0");
  EXPECT_EQ(FormatThousands(-1234), "-1,234");
}
