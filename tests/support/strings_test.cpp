// Text routines, code page 437, addresses, binary record fields, timers and dates: each a
// table of results compared whole.
#include <gtest/gtest.h>

#include <array>
#include <limits>

#include "support/address.h"
#include "support/binrec.h"
#include "support/cp437.h"
#include "support/strings.h"
#include "support/timeutil.h"

using namespace lx;
using Strs = std::vector<std::string>;

TEST(Padding, RightLeftAndCentre) {
  EXPECT_EQ((Strs{PadRight("abc", 5, '.'), PadRight("abcdef", 3, '.'), PadLeft("7", 3, '0'), PadLeft("abcdef", 3, ' '),
                  PadCenter("ab", 7, '*', true), PadCenter("ab", 7, '*', false), PadCenter("abcdefgh", 4, '*', true),
                  PadRight("x", 0, ' '), PadRight("x", -3, ' '), Replicate('-', 4), Replicate('-', -1)}),
            (Strs{"abc..", "abc", "007", "abc", "**ab***", "**ab", "abcd", "", "", "----", ""}));
}

TEST(CaseAndTrim, TouchOnlyAsciiAndTheGivenCharacter) {
  EXPECT_EQ((Strs{UpperCase("abz\x84{`"), LowerCase("AZ\x8e@["), TrimChar("  a b  ", ' '), TrimLeftChar("  a ", ' '),
                  TrimRightChar(std::string("ab\0\0", 4), '\0'), TrimChar("    ", ' '), StripControl("a\tb\x1b[0m\r\n")}),
            (Strs{"ABZ\x84{`", "az\x8e@[", "a b", "a ", "ab", "", "ab[0m"}));
}

// Codes 00-32 go; the two characters after a bar that is kept are not looked at again.
TEST(StripPipe, RemovesOnlyCodesBelow33) {
  Strs Got;
  for (const char* S : {"|07Hello|15!", "|31x|32y", "|99x", "|33x", "|ABx", "a|0", "a|", "||07x", "|1&x"})
    Got.push_back(StripPipe(S));
  EXPECT_EQ(Got, (Strs{"Hello!", "xy", "|99x", "|33x", "|ABx", "a|0", "a|", "||07x", "|1&x"}));
}

TEST(WordGet, SpacesCollapseOtherDelimitersDoNot) {
  const std::string S = "   alpha   beta  gamma ";
  EXPECT_EQ((Strs{WordGet(1, S, ' '), WordGet(2, S, ' '), WordGet(3, S, ' '), WordGet(4, S, ' '), WordGet(2, "a,,c", ','),
                  WordGet(3, "a,,c", ','), WordGet(4, "a,,c", ','), WordGet(0, "a b", ' '), WordGet(1, "", ' ')}),
            (Strs{"alpha", "beta", "gamma", "", "", "c", "", "", ""}));
  EXPECT_EQ((Strs{ReplaceAll("@UN@CR", "@CR", "\r"), ReplaceAll("aaa", "a", "aa"), ReplaceAll("x.y.z", ".", ""),
                  ReplaceAll("abc", "", "q"), ReplaceAll("abab", "ab", "b")}),
            (Strs{"@UN\r", "aaaaaa", "xyz", "abc", "bb"}));
}

TEST(Numbers, TextConversions) {
  constexpr int64_t Min = std::numeric_limits<int64_t>::min(), Max = std::numeric_limits<int64_t>::max();
  std::vector<int64_t> Got;
  for (const char* S : {"  123  ", "-9223372036854775808", "9223372036854775807", "9223372036854775808",
                        "99999999999999999999999", "12a", "", "-", "+5"})
    Got.push_back(StrToInt(S));
  EXPECT_EQ(Got, (std::vector<int64_t>{123, Min, Max, 0, 0, 0, 0, 0, 5}));
  EXPECT_EQ((Strs{IntToStr(-42), Int2(5), Int2(12), Int2(123), OctStr(0), OctStr(8), OctStr(0644), FormatThousands(1234567),
                  FormatThousands(999), FormatThousands(1000), FormatThousands(0), FormatThousands(-1234)}),
            (Strs{"-42", "05", "12", "12", "0", "10", "644", "1,234,567", "999", "1,000", "0", "-1,234"}));
  EXPECT_EQ(MaxInt64(-3, 2), 2);
}

TEST(CP437, BothWaysAndWhatTheCodePageLacks) {
  const std::pair<std::string, std::string> Cases[] = {
      {"plain text\r\n\t", "plain text\r\n\t"},
      {"\xda\xc4\xbf\xb3\xc0\xd9\xc9\xcd\xbb\xba\xc8\xbc", "┌─┐│└┘╔═╗║╚╝"},
      {"\xb0\xb1\xb2\xdb\xdc\xdf\xdd\xde", "░▒▓█▄▀▌▐"},
      {"Caf\x82 na\x8bve \x9c" "5 \xe1\xf8", "Café naïve £5 ß°"},
      {"\xe0\xe3\xec\xfb\xfd\xfe\xff", "απ∞√²■\u00a0"},
      {"@/\x94\xe1 \x82&\x85", "@/öß é&à"},
  };
  for (const auto& [Cp, Utf] : Cases) EXPECT_EQ(CP437ToUTF8(Cp) + "|" + UTF8ToCP437(Utf), Utf + "|" + Cp);
  for (int B = 0; B < 256; ++B) {
    const std::string One(1, static_cast<char>(B));
    EXPECT_EQ(UTF8ToCP437(CP437ToUTF8(One)), One) << B;
  }
  EXPECT_EQ(CP437ToUTF8(std::string("\x01\x10\x1b\x7f\0a", 6), true), "☺►←⌂ a");
  // Pictures of control codes are not sent as them; other characters and each bad byte: "?".
  EXPECT_EQ((Strs{UTF8ToCP437("☺←⌂"), UTF8ToCP437("€😀x"), UTF8ToCP437("\xff\xc0\xaf\xed\xa0\x80" "a\xc3")}),
            (Strs{"???", "??x", "??????a?"}));
}

// What received UTF-8 text is drawn with: the glyph itself, one drawn alike, or none (0).
TEST(CP437, GlyphsOfCharacters) {
  const std::pair<char32_t, uint8_t> Rows[] = {
      {U'A', 'A'},   {U'é', 0x82},  {U'─', 0xC4}, {U'█', 0xDB}, {U'»', 0xAF},   {U'·', 0xFA},
      {U'☺', 1},     {U'⌂', 0x7F},  {U'β', 0xE1}, {U'µ', 0xE6}, {U'’', '\''}, {U'—', '-'},
      {U'\u00A0', 0xFF}, {U'€', 0}, {U'\U0001F600', 0}, {0, 0}, {0x7F, 0}};
  for (const auto& [C, Glyph] : Rows) EXPECT_EQ(CP437Glyph(C), Glyph) << static_cast<uint32_t>(C);
}

// Text (after the telnet:// prefix is removed) -> host, port (default 513), whether a port was
// named, and a piece of the problem ("" for none).
TEST(Address, HostPortAndProblem) {
  const struct { const char *Text, *Host; uint16_t Port; bool HasPort; const char* Problem; } Cases[] = {
      {"bbs.example", "bbs.example", 513, false, ""},
      {"TeLnEt://bbs.example  :2323/", "bbs.example", 2323, true, ""},
      {"bbs.example/", "bbs.example/", 513, false, "host name holds only"},  // no prefix: the slash stays
      {"h:70000", "h", static_cast<uint16_t>(70000), true, "1 to 65535"},   // an entry dials it as 16 bits
      {"h:junk", "h", 0, true, "1 to 65535"},
      {":23", "", 23, true, "no host"},
      {"telnet://[::1]:2323/", "::1", 2323, true, ""},
      {"[2001:db8::5]", "2001:db8::5", 513, false, ""},
      {"2001:db8::5", "2001:db8::5", 513, false, ""},  // several colons and no brackets: no port
      {"[::1]:", "::1", 0, true, "1 to 65535"},
      {"[::1]x", "::1", 513, false, "only ':' and a port"},
      {"[::1", "::1", 513, false, "no ']'"},
      {"[bbs.example]:23", "bbs.example", 23, true, "not an IPv6 address"},
      {"1:2:3", "1:2:3", 513, false, "not an IPv6 address"},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Text);
    const TAddress A = ReadAddress(StripTelnetURL(C.Text), 513);
    EXPECT_EQ(A.Host + " " + std::to_string(A.Port) + (A.HasPort ? " port" : ""),
              C.Host + (" " + std::to_string(C.Port)) + (C.HasPort ? " port" : ""));
    EXPECT_EQ(*C.Problem ? A.Problem.find(C.Problem) != std::string::npos : A.Problem.empty(), true) << A.Problem;
  }
  EXPECT_EQ(JoinAddress("::1", 2323) + " " + JoinAddress("bbs.example", 24), "[::1]:2323 bbs.example:24");
  EXPECT_EQ((std::vector<int>{DefaultPort(1), DefaultPort(2), DefaultPort(3)}), (std::vector<int>{23, 513, 22}));
}

// Little-endian fields; a write past the end is ignored, a hostile length held to the field.
TEST(BinRec, FieldsAndBounds) {
  std::array<uint8_t, 10> B{};
  PutU32(B, 0, 0x11223344);
  PutU16(B, 4, 0xA1B2);
  PutU32(B, 8, 1);
  EXPECT_EQ(B, (std::array<uint8_t, 10>{0x44, 0x33, 0x22, 0x11, 0xB2, 0xA1, 0, 0, 0, 0}));
  EXPECT_EQ((std::vector<uint32_t>{GetU16(B, 4), GetU32(B, 0), GetU32(B, 8), GetU8(B, 10)}),
            (std::vector<uint32_t>{0xA1B2, 0x11223344, 0, 0}));
  PutI32(B, 4, -2);
  EXPECT_EQ(GetI32(B, 4), -2);
  B.fill(0xEE);
  PutStr(B, 0, 4, "abcdef");
  EXPECT_EQ(GetStr(B, 0, 4), "abcd");
  PutStr(B, 0, 4, "x");  // the tail is cleared, the next field untouched
  EXPECT_EQ(B, (std::array<uint8_t, 10>{1, 'x', 0, 0, 0, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}));
  B[0] = 200;
  EXPECT_EQ(GetStr(B, 0, 4).size(), 4u);
  EXPECT_EQ(GetStr(B, 8, 4), "");
}

namespace {
int64_t At(int Min, int Sec, int Hund = 0) {
  return HundredthsOfHourAt({.Min = Min, .Sec = Sec, .Hundredths = Hund});
}
}  // namespace

// End times in hundredths of the hour, across the wrap and within it.
TEST(Timer, RunsOutAcrossTheHour) {
  const int64_t Wrap = At(59, 58) + 500, Within = At(10, 0) + 100;
  EXPECT_EQ((std::vector<bool>{TimerUpAt(Wrap, At(59, 58)), TimerUpAt(Wrap, At(59, 59, 99)), TimerUpAt(Wrap, At(0, 2, 99)),
                               TimerUpAt(Wrap, At(0, 3)), TimerUpAt(Wrap, At(0, 10)), TimerUpAt(Within, At(10, 0, 99)),
                               TimerUpAt(Within, At(10, 1)), TimerUp(TimerSet(0) - 1), TimerUp(TimerSet(3000) + 3000)}),
            (std::vector<bool>{false, false, false, true, true, false, true, true, false}));
  EXPECT_EQ(At(59, 59, 99), 359999);
  const int64_t A = TickMS();
  WaitMS(20);
  EXPECT_GE(TickMS() - A, 19);
  EXPECT_TRUE(SecondsToday() >= 0 && SecondsToday() < 86400 && MinutesToday() < 1440);
}

TEST(PackedDate, RoundTripUnixSecondsAndFormats) {
  const uint32_t P = PackDateTime({2024, 2, 29, 23, 59, 58});
  const TDateTime U = UnpackDateTime(P);
  EXPECT_EQ((std::vector<int>{U.Year, U.Month, U.Day, U.Hour, U.Min, U.Sec}), (std::vector<int>{2024, 2, 29, 23, 59, 58}));
  EXPECT_EQ(PackedToUnix(P), 1709251198);
  EXPECT_EQ(PackedToUnix(PackDateTime({1980, 1, 1, 0, 0, 0})), 315532800);
  EXPECT_GE(UnpackDateTime(PackedNow()).Year, 2020);
  std::vector<std::string> Got;
  for (int Style = 0; Style <= 7; ++Style) FormatDate({2007, 3, 9}, Style, Got.emplace_back("-"));  // 0, 7: unknown
  FormatPackedDate(0, 1, Got.emplace_back());  // a never-called entry stores 0
  EXPECT_EQ(Got, (std::vector<std::string>{"-", "03/09/07", "09/03/07", "07/03/09", "03/09/2007", "09/03/2007", "2007/03/09",
                                           "-", "00/00/80"}));
  EXPECT_EQ(FormatHHMM(0) + FormatHHMM(3 * 3600 + 7 * 60 + 59) + FormatHHMM(12 * 3600 + 45 * 60), "00:0003:0712:45");
}
