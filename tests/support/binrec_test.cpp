#include "support/binrec.h"

#include <gtest/gtest.h>

#include <array>

using namespace lx;

TEST(BinRec, LittleEndianAndBounds) {
  std::array<uint8_t, 8> B{};
  PutU32(B, 0, 0x11223344);
  PutU16(B, 4, 0xA1B2);
  EXPECT_EQ(B[0], 0x44);
  EXPECT_EQ(B[3], 0x11);
  EXPECT_EQ(B[4], 0xB2);
  EXPECT_EQ(GetU16(B, 4), 0xA1B2);
  EXPECT_EQ(GetU32(B, 0), 0x11223344u);
  PutI32(B, 4, -2);
  EXPECT_EQ(GetI32(B, 4), -2);
  PutU32(B, 6, 1);  // would run past the end: ignored
  EXPECT_EQ(GetU32(B, 6), 0u);
  EXPECT_EQ(GetU8(B, 8), 0);
}

TEST(BinRec, LengthPrefixedStrings) {
  std::array<uint8_t, 6> B;
  B.fill(0xEE);
  PutStr(B, 0, 4, "abcdef");  // cut to four
  EXPECT_EQ(B[0], 4);
  EXPECT_EQ(GetStr(B, 0, 4), "abcd");
  PutStr(B, 0, 4, "x");  // tail cleared
  EXPECT_EQ(B[2], 0);
  EXPECT_EQ(B[5], 0xEE);
  B[0] = 200;  // a hostile length is held to the field
  EXPECT_EQ(GetStr(B, 0, 4).size(), 4u);
  EXPECT_EQ(GetStr(B, 3, 4), "");
}
