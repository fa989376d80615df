// Reads, writes and the telnet filter over a connected socket pair, where the test decides
// exactly how the bytes are cut into receives.
#include <sys/time.h>

#include <thread>
#include <utility>

#include <gtest/gtest.h>

#include "net/net_test_util.h"

namespace {

// TSocket with the filter's collected subnegotiation in view.
class TProbeSocket : public TSocket {
 public:
  using TSocket::TSocket;
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
    Sock.TelnetClient = Telnet;
    Sock.TermType = "ANSI-256COLOR-RGB";
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
  EXPECT_EQ(S.WaitForData(10, true), 0);
  EXPECT_EQ(S.WaitForData(250, false), 1);
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
