// Calls over loopback: setting one up (families, failures, the time limit, cancelling), the
// telnet opening against our board and against telnetd, and reads, writes and the telnet
// filter over a socket pair, where the test decides how the bytes are cut into receives.
#include <sys/time.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <utility>

#include <gtest/gtest.h>

#include "net/bbs_server_process.h"
#include "support/test_watchdog.h"

namespace {

constexpr int32_t ShortLimit = 300;   // hundredths: enough for a loopback connect
constexpr int32_t Forever = 1000000;  // reaching it means the attempt was not ended

TEST(Connect, FamilyFollowsIPType) {
  TBbsServerProcess Server;
  ASSERT_TRUE(Server.Start({"--raw"}, "send HELLO\nhold\n", false));
  struct TCase { const char* Host; uint8_t Type; bool Ok, V6; };
  const TCase Cases[] = {
      {"127.0.0.1", IPTypeIPv4, true, false},        {"::1", IPTypeIPv6, true, true},
      {"::1", IPTypeIPv4, false, false},             {"127.0.0.1", IPTypeIPv6, false, false},
      {"::1", IPTypeDefaultIPv4, true, true},        {"127.0.0.1", IPTypeDefaultIPv6, true, false},
      {"localhost", IPTypeDefaultIPv4, true, false},  // both families: IPv4 first
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(std::string(C.Host) + " type " + std::to_string(C.Type));
    TSocket S;
    S.IPType = C.Type;
    ASSERT_EQ(S.Connect(C.Host, Server.Port, ShortLimit), C.Ok);
    if (!C.Ok) continue;
    EXPECT_EQ(std::tuple(S.UseIPv6, S.RemoteIP), std::tuple(C.V6, C.V6 ? "::1" : "127.0.0.1"));
    EXPECT_EQ(ReadUntil(S, "HELLO"), "HELLO");
  }
}

// The board's own opening: every option it offers is answered, and the size and type asked
// for are sent.
TEST(Connect, TheBoardsTelnetOpeningIsAnswered) {
  TBbsServerProcess Server;
  ASSERT_TRUE(Server.Start({}, "expect ANSI-256COLOR-RGB\nsend OK\n"));
  TSocket S;
  S.TelnetClient = S.Echo = true;
  S.TermType = "ANSI-256COLOR-RGB";
  S.SetWindowSize(80, 24);
  ASSERT_TRUE(S.Connect("127.0.0.1", Server.Port, 500));
  EXPECT_EQ(ReadUntil(S, "OK"), "OK");
  EXPECT_EQ(Server.Record(), Bytes({255, 251, 24, 255, 251, 31, 255, 250, 31, 0, 80, 0, 24, 255, 240, 255, 253, 1, 255,
                                    253, 3, 255, 250, 24, 0}) + "ANSI-256COLOR-RGB" + Bytes({255, 240}));
  EXPECT_FALSE(S.Echo);
}

TEST(Connect, FailuresAndCancelsEndCleanly) {
  TSilentListener Silent(true);
  uint16_t Refusing = 0;
  close(LoopbackSocket(Refusing, -1));
  int Calls = 0;
  // Close: the dialer's ESC (CloseHandle from another thread) this many ms into the attempt,
  // -1 before it, -2 never.
  struct TCase { std::string Host; uint16_t Port; int32_t Limit; TAbortCheck Abort; int Close = -2; };
  const TCase Cases[] = {
      // A refused connect turns "writable" at once; that must not count as connected.
      {"127.0.0.1", Refusing, Forever, {}},
      {std::string(300, 'a') + ".invalid", 23, ShortLimit, {}},
      {"127.0.0.1", Silent.Port, 50, {}},  // gives up at the limit
      {"127.0.0.1", Silent.Port, Forever, [&] { return ++Calls >= 2; }},
      // ESC at any moment: before the attempt, while the name is looked up, while waiting for
      // an answer that never comes.
      {"localhost", Silent.Port, Forever, {}, -1}, {"localhost", Silent.Port, Forever, {}, 0},
      {"localhost", Silent.Port, Forever, {}, 1},  {"localhost", Silent.Port, Forever, {}, 5},
      {"localhost", Silent.Port, Forever, {}, 100},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Host.substr(0, 20) + ":" + std::to_string(C.Port) + " close " + std::to_string(C.Close));
    TSocket S;
    if (C.Close == -1) S.CloseHandle();
    TWatchdog Closer(std::chrono::milliseconds(C.Close < 0 ? 3600000 : C.Close),
                     [&] { S.CloseHandle(); });
    TWatchdog Hung(std::chrono::seconds(20), [] {  // fail in seconds, not at CTest's limit
      std::fputs("the attempt was never ended\n", stderr);
      std::_Exit(1);
    });
    EXPECT_FALSE(S.Connect(C.Host, C.Port, C.Limit, C.Abort));
    Closer.Stop();
    EXPECT_LE(S.Host.size(), HostMax);
    uint8_t B;
    EXPECT_EQ(std::tuple(S.Connected.load(), S.GetHandle(), S.ReadBuf(&B, 1)), std::tuple(false, -1, -1));
  }
  EXPECT_GE(Calls, 2);
}

// Debian's telnetd (inetutils) on a loopback port without inetd, with a program in place of
// login that reports the window size and terminal type it was given.
constexpr const char* TelnetdPath = "/usr/sbin/telnetd";
TEST(Telnetd, ShellStartsWithTheWindowSizeAndTerminalType) {
  if (access(TelnetdPath, X_OK) != 0) GTEST_SKIP() << "telnetd (package inetutils-telnetd) is not installed";
  if (geteuid() != 0) GTEST_SKIP() << "telnetd must run as root to open a terminal for the shell";
  TTempDir Dir;
  const std::string Program = Dir.Path("report.sh");
  // telnetd may start the program a moment before it applies the size: wait for one (3 s at
  // most), report, then report again once the size changes.
  std::ofstream(Program) << "#!/bin/sh\n"
                            "i=0; while [ \"$(stty size)\" = \"0 0\" ] && [ $i -lt 30 ]; do sleep 0.1; i=$((i+1)); done\n"
                            "first=$(stty size); echo \"SIZE $first TERM=$TERM END\"\n"
                            "i=0; while [ \"$(stty size)\" = \"$first\" ] && [ $i -lt 30 ]; do sleep 0.1; i=$((i+1)); done\n"
                            "echo \"RESIZED $(stty size) END\"\nsleep 1\n";
  ASSERT_EQ(chmod(Program.c_str(), 0755), 0);

  uint16_t Port = 0;
  const int Listener = LoopbackSocket(Port, 1, SOCK_STREAM | SOCK_CLOEXEC);
  TSocket S;
  S.TelnetClient = true;
  S.TermType = "ANSI-256COLOR-RGB";
  S.SetWindowSize(80, 25);
  ASSERT_TRUE(S.Connect("127.0.0.1", Port, 500));
  // telnetd serves the accepted connection on its standard input and output, as inetd runs
  // it, and starts the program without a login.
  const int Conn = accept4(Listener, nullptr, nullptr, SOCK_CLOEXEC);
  close(Listener);
  TChild Telnetd;
  ASSERT_TRUE(Conn >= 0 && Telnetd.Start({TelnetdPath, "-h", "-E", Program}, {Conn, Conn, Conn}));
  close(Conn);

  std::string Got = ReadUntil(S, " END");
  for (char& C : Got) C = static_cast<char>(toupper(static_cast<unsigned char>(C)));  // telnetd may lower the name
  EXPECT_NE(Got.find("SIZE 25 80 TERM=ANSI-256COLOR-RGB END"), std::string::npos) << Got;
  S.SetWindowSize(100, 30);
  const std::string Resized = ReadUntil(S, " END");
  EXPECT_NE(Resized.find("RESIZED 30 100 END"), std::string::npos) << Resized;
}

// TSocket with the filter's collected subnegotiation in view.
struct TProbeSocket : TSocket {
  size_t SubDataSize() const { return SubData.size(); }
};

class SocketPairTest : public ::testing::Test {
 protected:
  void SetUp() override { Pair(S); }
  void TearDown() override { close(Peer); }
  void Pair(TSocket& Sock, bool Telnet = true) {
    if (Peer != -1) close(Peer);
    int Fds[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, Fds), 0);
    ASSERT_TRUE(Sock.AttachHandle(Fds[0]));
    Peer = Fds[1];
    Sock.TelnetClient = Telnet, Sock.TermType = "ANSI-256COLOR-RGB";
  }
  void Send(const std::string& Data) { ASSERT_EQ(write(Peer, Data.data(), Data.size()), ssize_t(Data.size())); }
  // Everything the client wrote that has arrived at the peer.
  std::string Received() {
    std::string Got;
    char Buf[4096];
    ssize_t N;
    while ((N = recv(Peer, Buf, sizeof Buf, MSG_DONTWAIT)) > 0) Got.append(Buf, size_t(N));
    return Got;
  }
  // One receive's worth of filtered data, at most Max bytes.
  std::string ReadOnce(int32_t Max = 65536) {
    uint8_t Buf[65536];
    const int32_t N = S.ReadBuf(Buf, Max);
    return N > 0 ? std::string(reinterpret_cast<char*>(Buf), size_t(N)) : std::string();
  }
  TProbeSocket S;
  int Peer = -1;
};

const std::string TType = Bytes({255, 250, 24, 0}) + "ANSI-256COLOR-RGB" + Bytes({255, 240});
const std::string Naws8024 = Bytes({255, 250, 31, 0, 80, 0, 24, 255, 240});

// What the board sends, cut in two at every byte: the data that comes through and what the
// client answered must not depend on the cut.
TEST_F(SocketPairTest, TelnetNegotiationsHoweverTheStreamIsCut) {
  struct TCase { const char* Name; std::string Stream, Data, Reply; bool EchoAfter = true;
                 uint8_t Width = 80, Height = 24; };
  const TCase Cases[] = {
      // IAC IAC, DO TERMINAL-TYPE, NOP, the type asked for, DO NAWS, and IAC DO IAC WILL 1 (the
      // second IAC restarts), DO DO 3.
      {"mixed", "Hi" + Bytes({255, 255, 255, 253, 24, 255, 241, 255, 250, 24, 1, 255, 240}) + "x" +
                    Bytes({255, 253, 31, 255, 253, 255, 251, 1, 255, 253, 255, 253, 3}) + "end",
       "Hi\xffxend", Bytes({255, 251, 24}) + TType + Bytes({255, 251, 31}) + Naws8024 + Bytes({255, 253, 1, 255, 251, 3}),
       false},
      // DO NAWS is agreed to with WILL before the size; asked again, only the size is sent.
      {"window size", Bytes({255, 253, 31, 255, 253, 31}), "", Bytes({255, 251, 31}) + Naws8024 + Naws8024},
      {"window size asked by WILL", Bytes({255, 251, 31}), "", Bytes({255, 254, 31})},
      {"window size unset", Bytes({255, 253, 31, 255, 251, 31}), "", Bytes({255, 252, 31, 255, 254, 31}), true, 0, 0},
      // WONT and DONT get no answer; every WILL and DO does; WILL ECHO hands echoing to the peer.
      {"options", Bytes({255, 251, 1, 255, 253, 5, 255, 251, 5, 255, 253, 0, 255, 251, 3, 255, 254, 24, 255, 254, 31, 255, 252, 1}),
       "", Bytes({255, 253, 1, 255, 252, 5, 255, 254, 5, 255, 251, 0, 255, 253, 3}), false},
      {"asked to echo too", Bytes({255, 253, 1}), "", Bytes({255, 251, 1}), false},
      // NOP, data mark, break, GA and an unknown one-byte command.
      {"one-byte commands", Bytes({65, 255, 255, 66, 255, 241, 67, 255, 242, 255, 243, 68, 255, 249, 255, 5, 69}), "A\xff" "BCDE", ""},
      {"long subnegotiation", Bytes({255, 250, 24}) + std::string(300, 'A') + Bytes({255, 240}) + "Z", "Z", TType},
  };
  for (const TCase& C : Cases) {
    for (size_t Cut = 0; Cut < C.Stream.size(); ++Cut) {
      SCOPED_TRACE(std::string(C.Name) + ", cut at " + std::to_string(Cut));
      Pair(S);
      S.Echo = true;
      S.WinWidth = C.Width, S.WinHeight = C.Height;
      Send(C.Stream.substr(0, Cut));
      std::string Data = Cut > 0 ? ReadOnce() : "";
      Send(C.Stream.substr(Cut));
      Data += ReadOnce();
      ASSERT_EQ(std::tuple(Data, Received(), S.Echo.load()), std::tuple(C.Data, C.Reply, C.EchoAfter));
    }
  }
}

// A 255 the user types or pastes is data: in telnet mode every write path doubles it, and
// only a command written as one is sent as IAC. Without telnet, bytes pass as they are.
TEST_F(SocketPairTest, EveryWritePathDoublesIACWithTelnetOnAndCommandsGoAsTheyAre) {
  for (bool On : {true, false}) {
    SCOPED_TRACE(On);
    Pair(S, On);
    S.BufWriteStr("a\xff" "b");
    S.BufFlush();
    EXPECT_EQ(S.WriteStr("c\xff" "d"), 3);
    const uint8_t Typed[] = {'e', 255};
    EXPECT_EQ(S.WriteBuf(Typed, 2), 2);
    EXPECT_EQ(S.WriteTelnetCommand(Telnet::NOP), On ? 2 : 0);
    EXPECT_EQ(Received(), On ? "a\xff\xff" "bc\xff\xff" "de\xff\xff\xff\xf1" : "a\xff" "bc\xff" "de\xff");
    Send("A\xff\xff" "B");
    EXPECT_EQ(ReadOnce(), On ? "A\xff" "B" : "A\xff\xff" "B");
  }
}

// A peer that stops reading: the write gives up and counts only what went out whole (a 255
// once both its copies are sent), so the caller knows where to go on.
TEST_F(SocketPairTest, AWriteThePeerStopsReadingCountsWholeBytes) {
  S.SendRetries = 1;
  const int32_t Whole = S.WriteStr(std::string(1 << 20, '\xff'));
  const std::string Got = Received();
  EXPECT_GT(Got.size(), 0u);
  EXPECT_EQ(Whole, int32_t(Got.size() / 2));
}

// Once agreed, a new size is sent as it changes (a 255 in it doubled); after DONT
// (acknowledged) no more sizes.
TEST_F(SocketPairTest, WindowSizeChangesReachThePeerUntilItSaysDont) {
  S.WinWidth = 80, S.WinHeight = 24;
  S.SetWindowSize(100, 30);  // nothing agreed yet: kept, not sent
  Send(Bytes({255, 253, 31}));
  ReadOnce();
  S.SetWindowSize(255, 37);
  Send(Bytes({255, 254, 31}));
  ReadOnce();
  S.SetWindowSize(80, 25);
  EXPECT_EQ(Received(), Bytes({255, 251, 31, 255, 250, 31, 0, 100, 0, 30, 255, 240}) +
                            Bytes({255, 250, 31, 0, 255, 255, 0, 37, 255, 240, 255, 252, 31}));
}

TEST_F(SocketPairTest, SubnegotiationAndTerminalTypeAreBounded) {
  Send(Bytes({255, 250, 99}) + std::string(500, 'q'));
  EXPECT_EQ(ReadOnce(), "");
  EXPECT_EQ(S.SubDataSize(), SubDataMax);
  Send(Bytes({255, 240}) + "ok");  // an unknown option gets no reply; data resumes after SE
  EXPECT_EQ(ReadOnce(), "ok");
  EXPECT_EQ(Received(), "");
  for (const std::string& Type : {std::string(40, 'T'), std::string("a\xff")}) {
    S.TermType = Type;
    Send(Bytes({255, 250, 24, 1, 255, 240}));
    ReadOnce();
    const std::string Sent = Type.size() > TermTypeMax ? Type.substr(0, TermTypeMax) : "a\xff\xff";
    EXPECT_EQ(Received(), Bytes({255, 250, 24, 0}) + Sent + Bytes({255, 240}));
  }
}

TEST_F(SocketPairTest, PeerFloodingRequestsWithoutReadingCannotBlockTheReader) {
  // Each 6-byte request asks for a 24-byte answer; the peer never reads one of them.
  std::string Flood;
  for (int I = 0; I < 50000; ++I) Flood += Bytes({255, 250, 24, 1, 255, 240});
  std::thread Writer([&] { Send(Flood + "END"); });
  EXPECT_EQ(ReadUntil(S, "END"), "END");
  Writer.join();
}

TEST_F(SocketPairTest, LargeWritesToASlowReaderArriveWhole) {
  // Far more than the socket buffers hold, while the peer only starts reading later.
  std::string Big(4 * 1024 * 1024, 'x');
  for (size_t I = 0; I < Big.size(); I += 4099) Big[I] = static_cast<char>(I % 251);
  std::string Got;
  // A lost byte must end the reader, not leave it waiting for ever.
  const timeval Limit{5, 0};
  ASSERT_EQ(setsockopt(Peer, SOL_SOCKET, SO_RCVTIMEO, &Limit, sizeof Limit), 0);
  std::thread Reader([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    char Buf[65536];
    ssize_t N;
    while (Got.size() < Big.size() + 2 * 16384 && (N = recv(Peer, Buf, sizeof Buf, 0)) > 0) Got.append(Buf, size_t(N));
  });
  EXPECT_EQ(S.WriteStr(Big), int32_t(Big.size()));
  for (int I = 0; I < 16384; ++I) S.BufWriteChar(255);
  Reader.join();
  EXPECT_EQ(Got, Big + std::string(2 * 16384, '\xff'));
}

TEST_F(SocketPairTest, ReadingWaitingPurgingAndBufferedWrites) {
  EXPECT_EQ(std::pair(S.WaitForData(10, true), S.WaitForData(250, false)), std::pair(0, 1));
  Send("abcdef");
  EXPECT_EQ(S.WaitForData(1000, true), 1);
  EXPECT_EQ(ReadOnce(4), "abcd");  // a block handed out in pieces
  EXPECT_EQ(S.ReadChar(), 'e');
  S.PurgeInput();
  EXPECT_FALSE(S.DataWaiting(0));
  Send(std::string(10000, 'z'));
  S.PurgeInput(50);
  EXPECT_FALSE(S.DataWaiting(0));
  Send("k");
  EXPECT_EQ(S.ReadChar(), 'k');
  // Buffered writes go out when the buffer is full or flushed, and not after a purge.
  TSocket Small(16, 16);
  Pair(Small, false);
  for (char C : std::string("0123456789ABCDEFxyz")) Small.BufWriteChar(static_cast<uint8_t>(C));
  EXPECT_EQ(Received(), "0123456789ABCDEF");
  Small.BufFlush();
  EXPECT_EQ(Received(), "xyz");
  Small.BufWriteStr("dropped");
  Small.PurgeOutput();
  Small.BufFlush();
  EXPECT_EQ(Received(), "");
}

TEST_F(SocketPairTest, PeerCloseGivesThirtyEmptyReadsThenFailure) {
  Send("BYE");
  close(std::exchange(Peer, -1));
  EXPECT_EQ(ReadOnce(), "BYE");
  uint8_t B[16];
  for (int I = 0; I < 30; ++I) ASSERT_EQ(S.ReadBuf(B, sizeof B), 0) << "read " << I;
  EXPECT_EQ(S.ReadBuf(B, sizeof B), -1);
}

TEST_F(SocketPairTest, GonePeerOrClosedLinkFailsEveryCallQuietly) {
  for (int How = 0; How < 3; ++How) {
    SCOPED_TRACE(How);
    Pair(S);
    if (How == 0) {  // writing to a vanished peer must not raise SIGPIPE
      close(std::exchange(Peer, -1));
      int32_t Result = 0;
      for (int I = 0; I < 10 && Result >= 0; ++I) Result = S.WriteStr("hello");
      EXPECT_EQ(Result, -1);
    } else {
      if (How == 1) S.Disconnect(); else S.CloseHandle();
      char C;
      EXPECT_EQ(recv(Peer, &C, 1, 0), 0) << "the peer sees an orderly close";
    }
    uint8_t B;
    EXPECT_EQ(std::tuple(S.Connected.load(), S.ReadBuf(&B, 1), S.WriteStr("x")), std::tuple(false, -1, -1));
    S.BufWriteStr("more");
    S.BufFlush();
  }
}

}  // namespace
