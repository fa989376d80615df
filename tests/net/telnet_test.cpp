// The telnet client against the loopback BBS, byte for byte: what the peer sends is a script,
// what the client answered is the server's record.
#include <gtest/gtest.h>

#include "net/bbs_server_process.h"
#include "net/net_test_util.h"
#include "net/socket.h"

namespace {

const std::string Naws8024 = Bytes({255, 250, 31, 0, 80, 0, 24, 255, 240});

struct TTelnet {
  // Runs Script on a fresh server and connects a telnet client (or a raw one) to it.
  bool Run(const std::string& Script, std::vector<std::string> Options = {"--no-negotiate"}, bool Telnet = true) {
    if (!Server.Start(std::move(Options), Script)) return false;
    S.TelnetClient = Telnet;
    S.TermType = "ANSI-256COLOR-RGB";
    return S.Connect("127.0.0.1", Server.Port, 500);
  }
  TBbsServerProcess Server;
  TSocket S;
};

// The board's own opening: every option it offers is answered, and the size and type asked
// for are sent.
TEST(Telnet, TheBoardsOpeningIsAnswered) {
  TTelnet T;
  T.S.Echo = true;
  T.S.SetWindowSize(80, 24);
  ASSERT_TRUE(T.Run("expect ANSI-256COLOR-RGB\nsend OK\n", {}));
  EXPECT_EQ(ReadUntil(T.S, "OK"), "OK");
  EXPECT_EQ(T.Server.Record(), Bytes({255, 251, 24, 255, 251, 31}) + Naws8024 + Bytes({255, 253, 1, 255, 253, 3}) +
                                   Bytes({255, 250, 24, 0}) + "ANSI-256COLOR-RGB" + Bytes({255, 240}));
  EXPECT_FALSE(T.S.Echo);
}

// A 255 the user types or pastes is data: in telnet mode every write path doubles it, and
// only a command written as one is sent as IAC.
TEST(Telnet, EveryWritePathDoublesIACWithTelnetOnAndCommandsGoAsTheyAre) {
  for (bool On : {true, false}) {
    SCOPED_TRACE(On);
    TTelnet T;
    ASSERT_TRUE(T.Run("raw 41 ff ff 42\nexpect END\nsend OK\n", {On ? "--no-negotiate" : "--raw"}, On));
    T.S.BufWriteStr("a\xff" "b");
    T.S.BufFlush();
    EXPECT_EQ(T.S.WriteStr("c\xff" "d"), 3);
    const uint8_t Typed[] = {'e', 255};
    EXPECT_EQ(T.S.WriteBuf(Typed, 2), 2);
    EXPECT_EQ(T.S.WriteTelnetCommand(Telnet::NOP), On ? 2 : 0);
    T.S.WriteStr("END");
    EXPECT_EQ(ReadUntil(T.S, "OK"), On ? "A\xff" "BOK" : "A\xff\xff" "BOK");
    EXPECT_EQ(T.Server.Record(), On ? "a\xff\xff" "bc\xff\xff" "de\xff\xff\xff\xf1" "END"
                                        : "a\xff" "bc\xff" "de\xff" "END");
  }
}

// Once agreed, a new size is sent as it changes (a 255 in it doubled); after DONT
// (acknowledged) no more sizes.
TEST(Telnet, WindowSizeChangesReachThePeerUntilItSaysDont) {
  TTelnet T;
  T.S.WinWidth = 80;
  T.S.WinHeight = 24;
  T.S.SetWindowSize(100, 30);  // nothing agreed yet: kept, not sent
  ASSERT_TRUE(T.Run("raw ff fd 1f\nexpecthex ff f0\nsend A\nexpecthex ff f0\nraw ff fe 1f\nexpecthex ff fc 1f\n"
                    "send B\nexpect END\nsend OK\n"));
  EXPECT_EQ(ReadUntil(T.S, "A"), "A");
  T.S.SetWindowSize(255, 37);
  EXPECT_EQ(ReadUntil(T.S, "B"), "B");
  T.S.SetWindowSize(80, 25);
  T.S.WriteStr("END");
  EXPECT_EQ(ReadUntil(T.S, "OK"), "OK");
  EXPECT_EQ(T.Server.Record(), Bytes({255, 251, 31, 255, 250, 31, 0, 100, 0, 30, 255, 240}) +
                                   Bytes({255, 250, 31, 0, 255, 255, 0, 37, 255, 240, 255, 252, 31}) + "END");
}

TEST(Telnet, PeerCloseGivesThirtyEmptyReadsThenFailure) {
  TTelnet T;
  ASSERT_TRUE(T.Run("send BYE\nclose\n"));
  EXPECT_EQ(ReadUntil(T.S, "BYE"), "BYE");
  uint8_t B[16];
  for (int I = 0; I < 30; ++I) {
    ASSERT_TRUE(T.S.DataWaiting(5000));
    ASSERT_EQ(T.S.ReadBuf(B, sizeof B), 0) << "read " << I;
  }
  EXPECT_TRUE(T.S.Connected);
  EXPECT_EQ(T.S.ReadBuf(B, sizeof B), -1);
  EXPECT_FALSE(T.S.Connected);
}

}  // namespace
