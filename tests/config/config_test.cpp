#include "config/config.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <unistd.h>
#include <vector>

#include "support/test_tempdir.h"

using namespace lx;

namespace {
std::vector<uint8_t> Slurp(const std::string& P) {
  std::ifstream In(P, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(In), {});
}
std::string StrAt(const std::vector<uint8_t>& B, std::size_t Off) {
  return std::string(reinterpret_cast<const char*>(&B[Off + 1]), B[Off]);
}
uint32_t U32At(const std::vector<uint8_t>& B, std::size_t Off) {
  return B[Off] | B[Off + 1] << 8 | B[Off + 2] << 16 | static_cast<uint32_t>(B[Off + 3]) << 24;
}
}  // namespace

TEST(ConfigLayout, OffsetsFollowFromFieldSizes) {
  using namespace CfgOfs;
  EXPECT_EQ(DownloadPath, ScriptPath + PathLen + 1);
  EXPECT_EQ(LoadBook, ProtocolPath + PathLen + 1);
  EXPECT_EQ(ConfirmDisconnect, BookName + BookNameLen + 1);
  EXPECT_EQ(AutoZmodem, DefCaptureName + CaptureNameLen + 1);
  EXPECT_EQ(Reserved2003, Macros + MacroCount * (MacroLen + 1));
  EXPECT_EQ(Reserved2018 + 1024, ConfigRecSize);
}

TEST(ConfigFile, CreatedWithDefaultsWhenMissing) {
  TTempDir D;
  std::string Dir = D.Dir() + "/";
  TConfigFile F(Dir);
  TConfigRec C;
  C.Macros[0] = "stale";
  ASSERT_TRUE(F.LoadOrCreate(C));
  EXPECT_EQ(C.ScriptPath, Dir);
  EXPECT_EQ(C.Macros[0], "@UN@CR");

  auto B = Slurp(Dir + "lanternyx.cfg");
  ASSERT_EQ(B.size(), 3042u);
  for (std::size_t Off : {0u, 141u, 282u, 423u, 564u}) EXPECT_EQ(StrAt(B, Off), Dir);
  EXPECT_EQ(B[705], 0);
  EXPECT_EQ(StrAt(B, 706), "lanternyx.phn");
  EXPECT_EQ(B[747], 1);
  EXPECT_EQ(B[748], 1);
  EXPECT_EQ(B[749], 60);
  EXPECT_EQ(B[751], 1);
  EXPECT_EQ(U32At(B, 752), 38400u);
  EXPECT_EQ(U32At(B, 756), 38400u);
  EXPECT_EQ(StrAt(B, 762), "lanternyx.cap");
  EXPECT_EQ(B[788], 1);
  EXPECT_EQ((std::vector<uint8_t>(B.begin() + 789, B.begin() + 793)), (std::vector<uint8_t>{1, 0, 0, 1}));
  EXPECT_EQ(StrAt(B, 793), "@UN@CR");
  EXPECT_EQ(StrAt(B, 793 + 121), "@PW@CR");
  for (int I = 2; I < 10; ++I) EXPECT_EQ(B[793 + I * 121], 0);
  EXPECT_EQ((std::vector<uint8_t>(B.begin() + 2003, B.begin() + 2010)),
            (std::vector<uint8_t>{1, 1, 3, 127, 112, 116, 120}));
  EXPECT_EQ((std::vector<uint8_t>(B.begin() + 2010, B.begin() + 2018)),
            (std::vector<uint8_t>{3, 7, 11, 3, 7, 31, 31, 23}));
  for (std::size_t I = 2018; I < 3042; ++I) ASSERT_EQ(B[I], 0) << I;
}

TEST(ConfigFile, EmptyProgramDirectoryUsesWorkingDirectoryName) {
  TConfigFile F("");
  EXPECT_EQ(F.FileName(), "lanternyx.cfg");
}

TEST(ConfigFile, LoadAndRewriteKeepsReservedBytes) {
  TTempDir D;
  std::string Dir = D.Dir() + "/";
  std::vector<uint8_t> Raw(3042);
  for (std::size_t I = 0; I < Raw.size(); ++I) Raw[I] = static_cast<uint8_t>(I * 7 + 3);
  // Valid lengths for every string field so the round trip is byte-exact.
  auto SetStr = [&](std::size_t Off, std::size_t Max, const std::string& S) {
    Raw[Off] = static_cast<uint8_t>(S.size());
    for (std::size_t I = 0; I < Max; ++I) Raw[Off + 1 + I] = I < S.size() ? S[I] : 0;
  };
  for (std::size_t Off : {0u, 141u, 282u, 423u, 564u}) SetStr(Off, 140, "/bbs/dir/");
  SetStr(706, 40, "other.phn");
  SetStr(762, 25, "cap.txt");
  for (int I = 0; I < 10; ++I) SetStr(793 + I * 121, 120, "macro" + std::to_string(I));
  std::ofstream(Dir + "lanternyx.cfg", std::ios::binary).write(reinterpret_cast<char*>(Raw.data()), 3042);

  TConfigFile F(Dir);
  TConfigRec C;
  ASSERT_TRUE(F.LoadOrCreate(C));
  EXPECT_EQ(C.BookName, "other.phn");
  EXPECT_EQ(C.Macros[9], "macro9");
  EXPECT_EQ(C.StatusColor1, Raw[2009]);
  ASSERT_TRUE(F.Save(C));
  EXPECT_EQ(Slurp(Dir + "lanternyx.cfg"), Raw);

  C.StatusColor2 = 31;
  C.BookName = std::string(60, 'b');  // held to the field's 40 characters
  ASSERT_TRUE(F.Save(C));
  TConfigRec Back;
  ASSERT_TRUE(F.LoadOrCreate(Back));
  EXPECT_EQ(Back.StatusColor2, 31);
  EXPECT_EQ(Back.BookName, std::string(40, 'b'));
  EXPECT_EQ(Back.Reserved2018, C.Reserved2018);
}

TEST(ConfigFile, ShortFileIsReplacedByDefaults) {
  TTempDir D;
  std::string Dir = D.Dir() + "/";
  std::ofstream(Dir + "lanternyx.cfg", std::ios::binary) << "short";
  TConfigFile F(Dir);
  TConfigRec C;
  ASSERT_TRUE(F.LoadOrCreate(C));
  EXPECT_EQ(C.StatusColor4, 127);
  EXPECT_EQ(Slurp(Dir + "lanternyx.cfg").size(), 3042u);
}

TEST(ConfigFile, SaveFailingPartWayLeavesOldFileIntact) {
  TTempDir D;
  std::string Dir = D.Dir() + "/";
  TConfigFile F(Dir);
  TConfigRec C;
  ASSERT_TRUE(F.LoadOrCreate(C));
  auto Before = Slurp(F.FileName());

  std::size_t Written = 0;
  F.SetWriteHook([&](int Fd, const void* Buf, std::size_t N) -> long {
    if (Written >= 1000) { errno = ENOSPC; return -1; }
    std::size_t Take = std::min<std::size_t>(N, 1000 - Written);
    long R = static_cast<long>(::write(Fd, Buf, Take));
    Written += static_cast<std::size_t>(R);
    return R;
  });
  C.Macros[3] = "changed";
  EXPECT_FALSE(F.Save(C));
  EXPECT_GT(Written, 0u);
  EXPECT_EQ(Slurp(F.FileName()), Before);
}
