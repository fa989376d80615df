#include "phonebook/phonerec.h"

#include <gtest/gtest.h>

using namespace lx;

namespace {
TPhoneRec Sample() {
  TPhoneRec R;
  R.Name = "|14Lantern BBS"; R.Address = "bbs.example.org:2323"; R.UserName = "sysop"; R.Password = "secret";
  R.Comment = "comment"; R.CaptureFile = "cap.txt"; R.ScriptFile = "login.scr"; R.SysOp = "op"; R.Software = "sw";
  R.StatusBar = 1; R.EchoMode = 2; R.Backspace = 1; R.SendCRLF = 1; R.Emulation = 2; R.FontType = 2;
  R.Mouse = 1; R.Colors = 1; R.IPType = 3; R.Protocol = 3; R.Charset = 1; R.LineSpeed = 5; R.FontFace = 6;
  R.ScreenSize = 1; R.TotalCalls = -7; R.LastCall = 0xDEADBEEF; R.Rating = 9;
  return R;
}
}  // namespace

// Absolute offsets, so a field slipping by a byte shows here whatever the constants say.
TEST(PhoneRec, FieldsLandAtFixedOffsetsAndRoundTrip) {
  EXPECT_EQ((std::array<std::size_t, 4>{PhoneHeaderSize, PhoneRecSize, PhoneBookSize, PhoneEntryOffset(7)}),
            (std::array<std::size_t, 4>{48, 362, 72448, 48 + 6 * 362}));
  std::array<uint8_t, PhoneRecSize> B{};
  const TPhoneRec R = Sample();
  EncodePhoneRec(R, B);
  // Strings as length byte and text; 241-243 Charset, LineSpeed, FontFace; 271 and 275 little-endian.
  const std::pair<std::size_t, uint8_t> Want[] = {
      {0, 14},   {1, '|'},   {41, 20},   {42, 'b'},  {82, 5},    {123, 6},   {144, 7},   {205, 7},
      {206, 'c'}, {231, 1},  {232, 2},   {233, 1},   {234, 1},   {235, 2},   {236, 2},   {237, 1},
      {238, 1},  {239, 3},   {240, 3},   {241, 1},   {242, 5},   {243, 6},   {244, 9},   {270, 1},   {271, 0xF9},
      {274, 0xFF}, {275, 0xEF}, {278, 0xDE}, {279, 2}, {280, 'o'}, {320, 2},  {321, 's'}, {361, 9}};
  for (auto [Off, Byte] : Want) EXPECT_EQ(B[Off], Byte) << "offset " << Off;

  const TPhoneRec Back = DecodePhoneRec(B);
  std::array<uint8_t, PhoneRecSize> Again{};
  EncodePhoneRec(Back, Again);
  EXPECT_EQ(B, Again);
  EXPECT_EQ(Back.Name + " " + std::to_string(Back.TotalCalls) + " " + std::to_string(Back.LastCall),
            "|14Lantern BBS -7 3735928559");

  TPhoneHeader H{std::string(50, 't'), "1.00", 190, 11};
  std::array<uint8_t, PhoneHeaderSize> HB{};
  EncodePhoneHeader(H, HB);
  EXPECT_EQ((std::array<uint8_t, 3>{HB[0], HB[46], HB[47]}), (std::array<uint8_t, 3>{40, 190, 11}));
  const TPhoneHeader HBack = DecodePhoneHeader(HB);
  EXPECT_EQ(HBack.Title + " " + HBack.Version, std::string(40, 't') + " 1.00");
  EXPECT_EQ(HBack.TopEntry * 1000 + HBack.BarRow, 190011);
}

TEST(PhoneRec, DefaultsFollowTheConfigurationAndRepairsTouchOnlyOutOfRangeValues) {
  TConfigRec Cfg;
  Cfg.DefCaptureName = "mine.cap";
  Cfg.DefStatusBar = 1, Cfg.DefEmulation = 2, Cfg.DefScreenSize = 1;
  TPhoneRec R = Sample();
  InitPhoneRec(R, Cfg);
  EXPECT_EQ(R.Name + "|" + R.CaptureFile, "|mine.cap");
  const std::array<int, 14> Got{R.StatusBar, R.EchoMode, R.Backspace, R.SendCRLF, R.Emulation, R.FontType, R.Mouse,
                                R.Protocol,  R.Charset,  R.LineSpeed, R.FontFace, R.ScreenSize, R.TotalCalls, R.Rating};
  EXPECT_EQ(Got, (std::array<int, 14>{1, 2, 2, 0, 2, 1, 1, 1, 0, 0, 0, 1, 0, 1}));
  EXPECT_TRUE(IsBlankEntry(R));
  R.LastCall = 1;
  EXPECT_FALSE(IsBlankEntry(R));

  struct TCase { uint8_t TPhoneRec::*Field; uint8_t In, Out; };
  using P = TPhoneRec;
  const TCase Cases[] = {
      {&P::SendCRLF, 2, 0},    {&P::SendCRLF, 1, 1},    {&P::FontType, 0, 1},    {&P::FontType, 3, 1},
      {&P::FontType, 2, 2},    {&P::Mouse, 7, 1},       {&P::Mouse, 0, 0},       {&P::IPType, 4, 0},
      {&P::IPType, 3, 3},      {&P::Protocol, 0, 1},    {&P::Protocol, 4, 1},    {&P::Protocol, 3, 3},
      {&P::ScreenSize, 50, 1}, {&P::ScreenSize, 25, 0}, {&P::ScreenSize, 7, 7},  {&P::Charset, 2, 0},
      {&P::Charset, 1, 1},     {&P::LineSpeed, 12, 0},  {&P::LineSpeed, 11, 11}, {&P::FontFace, 46, 46}, {&P::FontFace, 47, 0}};
  for (const TCase& C : Cases) {
    R = TPhoneRec{};  // all zero, as a deleted entry is stored
    R.*C.Field = C.In;
    NormalisePhoneRec(R);
    EXPECT_EQ(R.*C.Field, C.Out) << "in " << int(C.In);
  }
}
