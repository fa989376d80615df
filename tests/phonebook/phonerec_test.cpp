#include "phonebook/phonerec.h"

#include <gtest/gtest.h>

using namespace lx;

TEST(PhoneLayout, SizesAndOffsets) {
  EXPECT_EQ(PhoneBookSize, 72448u);
  EXPECT_EQ(PhoneEntryOffset(1), 48u);
  EXPECT_EQ(PhoneEntryOffset(7), 48u + 6 * 362);
  using namespace PhoneOfs;
  // Each field starts where the previous one ends.
  EXPECT_EQ(Version, Title + 41);
  EXPECT_EQ(BarRow + 1, PhoneHeaderSize);
  EXPECT_EQ(Address, Name + 41);
  EXPECT_EQ(Password, UserName + 41);
  EXPECT_EQ(Comment, Password + 21);
  EXPECT_EQ(CaptureFile, Comment + 61);
  EXPECT_EQ(StatusBar, CaptureFile + 26);
  EXPECT_EQ(ScriptFile, Reserved + 3);
  EXPECT_EQ(ScreenSize, ScriptFile + 26);
  EXPECT_EQ(LastCall, TotalCalls + 4);
  EXPECT_EQ(SysOp, LastCall + 4);
  EXPECT_EQ(Rating, Software + 41);
  EXPECT_EQ(Rating + 1, PhoneRecSize);
}

static TPhoneRec Sample() {
  TPhoneRec R;
  R.Name = "|14Lantern BBS";
  R.Address = "bbs.example.org:2323";
  R.UserName = "sysop";
  R.Password = "secret";
  R.Comment = "comment";
  R.CaptureFile = "cap.txt";
  R.StatusBar = 1;
  R.EchoMode = 2;
  R.Backspace = 1;
  R.SendCRLF = 1;
  R.Emulation = 2;
  R.FontType = 2;
  R.Mouse = 1;
  R.Colors = 1;
  R.IPType = 3;
  R.Protocol = 3;
  R.Reserved = {4, 5, 6};
  R.ScriptFile = "login.scr";
  R.ScreenSize = 1;
  R.TotalCalls = -7;
  R.LastCall = 0xDEADBEEF;
  R.SysOp = "op";
  R.Software = "sw";
  R.Rating = 9;
  return R;
}

TEST(PhoneRec, FieldsLandAtTheirOffsets) {
  std::array<uint8_t, PhoneRecSize> B{};
  EncodePhoneRec(Sample(), B);
  using namespace PhoneOfs;
  EXPECT_EQ(B[Name], 14);
  EXPECT_EQ(B[Name + 1], '|');
  EXPECT_EQ(B[Address], 20);
  EXPECT_EQ(B[Address + 1], 'b');
  EXPECT_EQ(B[Password], 6);
  EXPECT_EQ(B[CaptureFile + 1], 'c');
  EXPECT_EQ(B[IPType], 3);
  EXPECT_EQ(B[Protocol], 3);
  EXPECT_EQ(B[Reserved + 2], 6);
  EXPECT_EQ(B[ScriptFile], 9);
  EXPECT_EQ(B[TotalCalls], 0xF9);
  EXPECT_EQ(B[TotalCalls + 3], 0xFF);
  EXPECT_EQ(B[LastCall], 0xEF);
  EXPECT_EQ(B[LastCall + 3], 0xDE);
  EXPECT_EQ(B[Software + 1], 's');
  EXPECT_EQ(B[Rating], 9);
}

TEST(PhoneRec, RoundTrip) {
  std::array<uint8_t, PhoneRecSize> B{};
  TPhoneRec R = Sample();
  EncodePhoneRec(R, B);
  TPhoneRec Back = DecodePhoneRec(B);
  std::array<uint8_t, PhoneRecSize> Again{};
  EncodePhoneRec(Back, Again);
  EXPECT_EQ(B, Again);
  EXPECT_EQ(Back.Name, R.Name);
  EXPECT_EQ(Back.TotalCalls, -7);
  EXPECT_EQ(Back.LastCall, 0xDEADBEEFu);

  TPhoneHeader H;
  H.Title = std::string(50, 't');
  H.TopEntry = 190;
  H.BarRow = 11;
  std::array<uint8_t, PhoneHeaderSize> HB{};
  EncodePhoneHeader(H, HB);
  TPhoneHeader HBack = DecodePhoneHeader(HB);
  EXPECT_EQ(HBack.Title, std::string(40, 't'));
  EXPECT_EQ(HBack.Version, "1.00");
  EXPECT_EQ(HBack.TopEntry, 190);
  EXPECT_EQ(HBack.BarRow, 11);
}

TEST(PhoneRec, DefaultsFollowTheConfiguration) {
  TConfigRec Cfg;
  Cfg.DefCaptureName = "mine.cap";
  Cfg.DefStatusBar = 1;
  Cfg.DefEmulation = 2;
  Cfg.DefScreenSize = 1;
  TPhoneRec R = Sample();
  InitPhoneRec(R, Cfg);
  EXPECT_EQ(R.Name, "");
  EXPECT_EQ(R.CaptureFile, "mine.cap");
  EXPECT_EQ(R.StatusBar, 1);
  EXPECT_EQ(R.EchoMode, 2);
  EXPECT_EQ(R.Backspace, 2);
  EXPECT_EQ(R.SendCRLF, 0);
  EXPECT_EQ(R.Emulation, 2);
  EXPECT_EQ(R.FontType, 1);
  EXPECT_EQ(R.Mouse, 1);
  EXPECT_EQ(R.Protocol, 1);
  EXPECT_EQ(R.Reserved, (std::array<uint8_t, 3>{0, 0, 0}));
  EXPECT_EQ(R.ScreenSize, 1);
  EXPECT_EQ(R.TotalCalls, 0);
  EXPECT_EQ(R.Rating, 1);
  EXPECT_TRUE(IsBlankEntry(R));
  R.LastCall = 1;
  EXPECT_FALSE(IsBlankEntry(R));
}

TEST(PhoneRec, NormalisationRepairsOutOfRangeValues) {
  TPhoneRec R;  // all zero, as a deleted entry is stored
  NormalisePhoneRec(R);
  EXPECT_EQ(R.FontType, 1);
  EXPECT_EQ(R.Protocol, 1);
  EXPECT_EQ(R.SendCRLF, 0);

  R.SendCRLF = 2; R.FontType = 3; R.Mouse = 7; R.IPType = 4; R.Protocol = 4; R.ScreenSize = 50;
  NormalisePhoneRec(R);
  EXPECT_EQ(R.SendCRLF, 0);
  EXPECT_EQ(R.FontType, 1);
  EXPECT_EQ(R.Mouse, 1);
  EXPECT_EQ(R.IPType, 0);
  EXPECT_EQ(R.Protocol, 1);
  EXPECT_EQ(R.ScreenSize, 1);

  R.ScreenSize = 25; R.SendCRLF = 1; R.FontType = 2; R.Mouse = 0; R.IPType = 3; R.Protocol = 3;
  NormalisePhoneRec(R);
  EXPECT_EQ(R.ScreenSize, 0);
  EXPECT_EQ(R.SendCRLF, 1);
  EXPECT_EQ(R.FontType, 2);
  EXPECT_EQ(R.Mouse, 0);
  EXPECT_EQ(R.IPType, 3);
  EXPECT_EQ(R.Protocol, 3);
  R.ScreenSize = 7;  // other values are left alone
  NormalisePhoneRec(R);
  EXPECT_EQ(R.ScreenSize, 7);
}
