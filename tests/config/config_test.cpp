#include "config/config.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <fstream>

#include "support/test_tempdir.h"

using namespace lx;

namespace {
std::string StrAt(const TBytes& B, std::size_t Off) { return std::string(B.begin() + Off + 1, B.begin() + Off + 1 + B[Off]); }
TBytes Span(const TBytes& B, std::size_t Off, std::size_t N) { return TBytes(B.begin() + Off, B.begin() + Off + N); }

class ConfigFile : public ::testing::Test {
 protected:
  TTempDir D;
  std::string Dir = D.Dir() + "/", Data = "/home/u/.local/share/lanternyx/";
  TConfigFile F{Dir, Data};
  TConfigRec C;
};
}  // namespace

// Scripts and protocol drivers beside the file; downloads, uploads and captures in the data one.
TEST_F(ConfigFile, MissingOrShortFileIsCreatedWithDefaultsAtTheirOffsets) {
  for (bool Short : {false, true}) {
    if (Short) std::ofstream(Dir + "lanternyx.cfg", std::ios::binary) << "short";
    C.Macros[0] = "stale";
    ASSERT_TRUE(F.LoadOrCreate(C));
    EXPECT_EQ(C.ScriptPath + "|" + C.Macros[0], Dir + "|@UN@CR");
    const TBytes B = ReadFileBytes(Dir + "lanternyx.cfg");
    ASSERT_EQ(B.size(), 3042u);
    EXPECT_EQ((std::vector<std::string>{StrAt(B, 0), StrAt(B, 141), StrAt(B, 282), StrAt(B, 423), StrAt(B, 564),
                                        StrAt(B, 706), StrAt(B, 762), StrAt(B, 793), StrAt(B, 793 + 121)}),
              (std::vector<std::string>{Dir, Data, Data, Data, Dir, "lanternyx.phn", "lanternyx.cap", "@UN@CR", "@PW@CR"}));
    EXPECT_EQ(Span(B, 747, 3), (TBytes{1, 1, 60}));
    EXPECT_EQ(Span(B, 751, 9), (TBytes{1, 0x00, 0x96, 0, 0, 0x00, 0x96, 0, 0}));  // 38400 twice
    EXPECT_EQ(Span(B, 788, 5), (TBytes{1, 1, 0, 0, 1}));
    for (int I = 2; I < 10; ++I) EXPECT_EQ(B[793 + I * 121], 0);
    EXPECT_EQ(Span(B, 2003, 15), (TBytes{1, 1, 3, 127, 112, 116, 120, 3, 7, 11, 3, 7, 31, 31, 23}));
    EXPECT_EQ(Span(B, 2018, 1024), TBytes(1024, 0));
  }
}

TEST_F(ConfigFile, LoadAndRewriteIsByteExactAndBoundsStrings) {
  TBytes Raw(3042);
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
  SetStr(2018, 255, "/keys/id_bbs");
  std::ofstream(Dir + "lanternyx.cfg", std::ios::binary).write(reinterpret_cast<char*>(Raw.data()), 3042);

  ASSERT_TRUE(F.LoadOrCreate(C));
  EXPECT_EQ(C.BookName + "|" + C.Macros[9] + "|" + C.SshKeyPath, "other.phn|macro9|/keys/id_bbs");
  EXPECT_EQ((TBytes{C.StatusColor1, C.AskNewHost, C.Bell}),
            (TBytes{Raw[2009], Raw[2274], Raw[3041]}));  // Bell: the record's last byte
  ASSERT_TRUE(F.Save(C));
  EXPECT_EQ(ReadFileBytes(Dir + "lanternyx.cfg"), Raw);

  C.StatusColor2 = 31;
  C.BookName = std::string(60, 'b');  // held to the field's 40 characters
  ASSERT_TRUE(F.Save(C));
  TConfigRec Back;
  ASSERT_TRUE(F.LoadOrCreate(Back));
  EXPECT_EQ(std::tuple(int(Back.StatusColor2), Back.BookName, Back.Reserved2275 == C.Reserved2275),
            std::tuple(31, std::string(40, 'b'), true));
}

TEST_F(ConfigFile, SaveFailingPartWayLeavesOldFileIntact) {
  ASSERT_TRUE(F.LoadOrCreate(C));
  const TBytes Before = ReadFileBytes(F.FileName());
  std::size_t Written = 0;
  F.SetWriteHook([&](int Fd, const void* Buf, std::size_t N) -> long {
    if (Written >= 1000) { errno = ENOSPC; return -1; }
    long R = static_cast<long>(::write(Fd, Buf, std::min<std::size_t>(N, 1000 - Written)));
    Written += static_cast<std::size_t>(R);
    return R;
  });
  C.Macros[3] = "changed";
  EXPECT_FALSE(F.Save(C));
  EXPECT_GT(Written, 0u);
  EXPECT_EQ(ReadFileBytes(F.FileName()), Before);
}
