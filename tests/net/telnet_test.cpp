// The telnet client against the loopback BBS, byte for byte: what the peer sends is a script,
// what the client answered is the server's record.
#include <gtest/gtest.h>

#include "net/bbs_server_process.h"
#include "net/net_test_util.h"
#include "net/socket.h"

namespace {

class TelnetTest : public ::testing::Test {
 protected:
  // Runs Script on a fresh server and connects a telnet client to it.
  void Run(const std::string& Script, std::vector<std::string> Options = {"--no-negotiate"}) {
    ASSERT_TRUE(Server.Start(std::move(Options), Script));
    S.TelnetClient = true;
    S.TermType = "ANSI-256COLOR-RGB";
    ASSERT_TRUE(S.Connect("127.0.0.1", Server.Port, 500));
  }
  TBbsServerProcess Server;
  TSocket S;
};

TEST_F(TelnetTest, TerminalTypeIsAcceptedAndNamed) {
  Run("raw ff fd 18\n"
      "expecthex ff fb 18\n"
      "raw ff fa 18 01 ff f0\n"
      "expect \\xff\\xfa\\x18\\x00ANSI-256COLOR-RGB\\x00\\xff\\xf0\n"
      "send OK\n");
  EXPECT_EQ(ReadUntil(S, "OK"), "OK");
  EXPECT_EQ(Server.Record(), Bytes({255, 251, 24}) + Bytes({255, 250, 24, 0}) + "ANSI-256COLOR-RGB" +
                                 Bytes({0, 255, 240}));
}

TEST_F(TelnetTest, WindowSizeIsSentWhenKnown) {
  S.WinWidth = 80;
  S.WinHeight = 24;
  Run("raw ff fd 1f\nexpecthex ff f0\nsend OK\n");
  EXPECT_EQ(ReadUntil(S, "OK"), "OK");
  EXPECT_EQ(Server.Record(), Bytes({255, 250, 31, 0, 80, 0, 24, 255, 240}));
}

TEST_F(TelnetTest, WindowSizeIsRefusedWhenUnset) {
  Run("raw ff fd 1f\nexpecthex ff fc 1f\nraw ff fb 1f\nexpecthex ff fe 1f\nsend OK\n");
  EXPECT_EQ(ReadUntil(S, "OK"), "OK");
  EXPECT_EQ(Server.Record(), Bytes({255, 252, 31, 255, 254, 31}));
}

TEST_F(TelnetTest, OptionsAreAcceptedOrRefused) {
  S.Echo = true;
  Run("raw ff fb 01 ff fd 05 ff fb 05 ff fd 00 ff fb 03 ff fe 18 ff fc 01\n"
      "expecthex ff fd 03\n"
      "send OK\n");
  EXPECT_EQ(ReadUntil(S, "OK"), "OK");
  // WONT and DONT get no answer; every WILL and DO does.
  EXPECT_EQ(Server.Record(), Bytes({255, 253, 1, 255, 252, 5, 255, 254, 5, 255, 251, 0, 255, 253, 3}));
  EXPECT_FALSE(S.Echo) << "the peer took over echoing";
}

TEST_F(TelnetTest, EchoIsClearedWhenAskedToEchoToo) {
  S.Echo = true;
  Run("raw ff fd 01\nexpecthex ff fb 01\nsend OK\n");
  EXPECT_EQ(ReadUntil(S, "OK"), "OK");
  EXPECT_FALSE(S.Echo);
}

TEST_F(TelnetTest, DoubledIACIsOneDataByteAndOneByteCommandsVanish) {
  // NOP, data mark, break, GA and an unknown one-byte command.
  Run("raw 41 ff ff 42 ff f1 43 ff f2 ff f3 44 ff f9 ff 05 45\nsend OK\n");
  EXPECT_EQ(ReadUntil(S, "OK"), "A\xff" "BCDEOK");
  EXPECT_EQ(Server.Record(), "");
}

TEST_F(TelnetTest, CommandSplitAcrossReadsIsCompleted) {
  Run("raw 41 ff\nsleep 150\nraw fd\nsleep 150\nraw 18 42\nexpecthex ff fb 18\nsend OK\n");
  EXPECT_EQ(ReadUntil(S, "OK"), "ABOK");
  EXPECT_EQ(Server.Record(), Bytes({255, 251, 24}));
}

TEST_F(TelnetTest, LongSubnegotiationIsBoundedAndStillAnswered) {
  std::string Script = "raw ff fa 18";
  for (int I = 0; I < 300; ++I) Script += " 41";
  Script += " ff f0 5a\nexpecthex ff f0\nsend OK\n";
  Run(Script);
  EXPECT_EQ(ReadUntil(S, "OK"), "ZOK");
  EXPECT_EQ(Server.Record(), Bytes({255, 250, 24, 0}) + "ANSI-256COLOR-RGB" + Bytes({0, 255, 240}));
}

TEST_F(TelnetTest, BufferedPathDoublesIACAndWriteStrDoesNot) {
  Run("expect END\nsend OK\n");
  S.BufWriteStr("a\xff" "b");
  S.BufFlush();
  EXPECT_EQ(S.WriteStr("c\xff" "d"), 3);
  EXPECT_EQ(S.WriteBuf(reinterpret_cast<const uint8_t*>("\xff"), 1), 1);
  S.WriteStr("END");
  EXPECT_EQ(ReadUntil(S, "OK"), "OK");
  EXPECT_EQ(Server.Record(), "a\xff\xff" "bc\xff" "d\xff" "END");
}

TEST_F(TelnetTest, TelnetOffPassesEverythingThrough) {
  ASSERT_TRUE(Server.Start({"--raw"}, "raw 41 ff fd 18 ff ff 42\nexpect END\nsend OK\n"));
  ASSERT_TRUE(S.Connect("127.0.0.1", Server.Port, 500));
  EXPECT_EQ(ReadUntil(S, "B"), "A\xff\xfd\x18\xff\xff" "B");
  S.BufWriteStr("\xff");
  S.BufFlush();
  S.WriteStr("END");
  EXPECT_EQ(ReadUntil(S, "OK"), "OK");
  EXPECT_EQ(Server.Record(), "\xff" "END");
}

TEST_F(TelnetTest, PeerCloseGivesThirtyEmptyReadsThenFailure) {
  Run("send BYE\nclose\n");
  EXPECT_EQ(ReadUntil(S, "BYE"), "BYE");
  uint8_t B[16];
  for (int I = 0; I < 30; ++I) {
    ASSERT_TRUE(S.DataWaiting(5000));
    ASSERT_EQ(S.ReadBuf(B, sizeof B), 0) << "read " << I;
  }
  EXPECT_TRUE(S.Connected);
  EXPECT_EQ(S.ReadBuf(B, sizeof B), -1);
  EXPECT_FALSE(S.Connected);
  EXPECT_EQ(S.ReadBuf(B, sizeof B), -1);
}

TEST_F(TelnetTest, NegotiatesWithTheDefaultOpening) {
  // The server's own opening, as the demo system sends it.
  S.WinWidth = 80;
  S.WinHeight = 24;
  Run("expect ANSI-256COLOR-RGB\nsend OK\n", {});
  EXPECT_EQ(ReadUntil(S, "OK"), "OK");
  EXPECT_EQ(Server.Record(), Bytes({255, 251, 24, 255, 250, 31, 0, 80, 0, 24, 255, 240, 255, 253, 1, 255, 253, 3}) +
                                 Bytes({255, 250, 24, 0}) + "ANSI-256COLOR-RGB" + Bytes({0, 255, 240}));
}

}  // namespace
