// Code page 437 against UTF-8, both ways, with the characters BBS screens are made of.
#include <gtest/gtest.h>

#include <string>

#include "support/cp437.h"

namespace {

TEST(CP437, TableCasesBothWays) {
  struct TCase {
    std::string CP437, UTF8;
  } Cases[] = {
      {"plain text\r\n\t", "plain text\r\n\t"},
      {"\xda\xc4\xbf\xb3\xc0\xd9", "┌─┐│└┘"},
      {"\xc9\xcd\xbb\xba\xc8\xbc", "╔═╗║╚╝"},
      {"\xb0\xb1\xb2\xdb\xdc\xdf\xdd\xde", "░▒▓█▄▀▌▐"},
      {"Caf\x82 na\x8bve \x9c" "5 \xe1\xf8", "Café naïve £5 ß°"},
      {"\xe0\xe3\xec\xfb\xfd\xfe\xff", "απ∞√²■\u00a0"},
      {"@/\x94\xe1 \x82&\x85", "@/öß é&à"},
  };
  for (const TCase& C : Cases) {
    EXPECT_EQ(lx::CP437ToUTF8(C.CP437), C.UTF8);
    EXPECT_EQ(lx::UTF8ToCP437(C.UTF8), C.CP437);
  }
  // Every byte comes back as itself.
  for (int B = 0; B < 256; ++B) {
    const std::string One(1, static_cast<char>(B));
    EXPECT_EQ(lx::UTF8ToCP437(lx::CP437ToUTF8(One)), One) << B;
  }
}

TEST(CP437, ScreenPicturesAndWhatTheCodePageLacks) {
  EXPECT_EQ(lx::CP437ToUTF8(std::string("\x01\x10\x1b\x7f\0a", 6), true), "☺►←⌂ a");
  // Pictures of control codes are not sent as control codes.
  EXPECT_EQ(lx::UTF8ToCP437("☺←⌂"), "???");
  // Characters outside the code page, then malformed UTF-8: one "?" per bad byte.
  EXPECT_EQ(lx::UTF8ToCP437("€😀x"), "??x");
  EXPECT_EQ(lx::UTF8ToCP437("\xff\xc0\xaf\xed\xa0\x80" "a\xc3"), "??????a?");
}

// What received UTF-8 text is drawn with: the glyph itself, one drawn alike, or none (0).
TEST(CP437, GlyphsOfCharacters) {
  const std::pair<char32_t, uint8_t> Rows[] = {
      {U'A', 'A'},   {U'é', 0x82},  {U'─', 0xC4}, {U'█', 0xDB}, {U'»', 0xAF},   {U'·', 0xFA},
      {U'☺', 1},     {U'⌂', 0x7F},  {U'β', 0xE1}, {U'µ', 0xE6}, {U'’', '\''}, {U'—', '-'},
      {U'\u00A0', 0xFF}, {U'€', 0}, {U'\U0001F600', 0}, {0, 0}, {0x7F, 0}};
  for (const auto& [C, Glyph] : Rows) EXPECT_EQ(lx::CP437Glyph(C), Glyph) << static_cast<uint32_t>(C);
}

}  // namespace
