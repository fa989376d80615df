// The loopback BBS itself, as later tests and the demo rely on it: replays arrive intact however
// they are cut, scripts wait for answers, the demo session runs.
#include <fstream>

#include <gtest/gtest.h>

#include "net/bbs_server_process.h"
#include "net/net_test_util.h"
#include "net/socket.h"

namespace {

std::string ReadToEnd(TSocket& S) {
  std::string Got;
  uint8_t Buf[4096];
  int32_t N;
  while (S.DataWaiting(5000) && (N = S.ReadBuf(Buf, sizeof Buf)) >= 0)
    Got.append(reinterpret_cast<char*>(Buf), static_cast<size_t>(N));
  return Got;
}

TEST(BbsServer, ReplayInSplitWritesArrivesIntactOverTelnetAndRaw) {
  std::string Content;
  for (int Round = 0; Round < 8; ++Round)
    for (int B = 0; B < 256; ++B) Content.push_back(static_cast<char>(B));
  const std::string Path = std::string(LX_BINARY_DIR) + "/bbs_server_replay.bin";
  std::ofstream(Path, std::ios::binary) << Content;
  for (bool Telnet : {true, false}) {
    TBbsServerProcess Server;
    std::vector<std::string> Options = {"--replay", Path, "--chunk", "333", "--delay", "1"};
    if (!Telnet) Options.push_back("--raw");
    ASSERT_TRUE(Server.Start(Options));
    TSocket S;
    S.TelnetClient = Telnet;
    ASSERT_TRUE(S.Connect("127.0.0.1", Server.Port, 500));
    const std::string Got = ReadToEnd(S);
    EXPECT_EQ(Got, Content) << (Telnet ? "telnet" : "raw");
  }
}

TEST(BbsServer, StreamHasTheRequestedLength) {
  TBbsServerProcess Server;
  ASSERT_TRUE(Server.Start({"--raw", "--stream", "300k"}));
  TSocket S;
  ASSERT_TRUE(S.Connect("::1", Server.Port, 500));
  const std::string Got = ReadToEnd(S);
  EXPECT_EQ(Got.size(), 300u * 1024);
  EXPECT_NE(Got.find("\x1b[38;5;"), std::string::npos);
}

TEST(BbsServer, ScriptWaitsForTheCursorReport) {
  TBbsServerProcess Server;
  ASSERT_TRUE(Server.Start({"--no-negotiate"}, "send \\e[6n\nexpect R\nsend OK\n"));
  TSocket S;
  S.TelnetClient = true;
  ASSERT_TRUE(S.Connect("127.0.0.1", Server.Port, 500));
  EXPECT_EQ(ReadUntil(S, "\x1b[6n"), "\x1b[6n");
  S.WriteStr("\x1b[12;40R");
  EXPECT_EQ(ReadUntil(S, "OK"), "OK");
  EXPECT_EQ(Server.Record(), "\x1b[12;40R");
}

TEST(BbsServer, DemoSessionGreetsEchoesAndHangsUp) {
  TBbsServerProcess Server;
  ASSERT_TRUE(Server.Start({}));
  TSocket S;
  S.TelnetClient = true;
  S.Echo = true;
  ASSERT_TRUE(S.Connect("127.0.0.1", Server.Port, 500));
  const std::string Screen = ReadUntil(S, "hangs up): ");
  EXPECT_NE(Screen.find("\x1b[6n"), std::string::npos);
  EXPECT_NE(Screen.find("\xdb"), std::string::npos) << "code page 437 blocks";
  EXPECT_FALSE(S.Echo) << "the BBS echoes";
  S.WriteStr("\x1b[5;1Rhi");
  EXPECT_NE(ReadUntil(S, "hi").find("hi"), std::string::npos);
  S.WriteStr("q");
  EXPECT_NE(ReadToEnd(S).find("Goodbye"), std::string::npos);
  EXPECT_FALSE(S.Connected);
}

}  // namespace
