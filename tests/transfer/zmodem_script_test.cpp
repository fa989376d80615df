// The engine against a scripted peer written with our own framing, for what lrzsz never does:
// hostile or odd requests, answers lrzsz only gives, and the limits on every loop.
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include <gtest/gtest.h>

#include "net/socket.h"
#include "transfer/zmodem_harness.h"

using namespace zm;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

const uint8_t* U(const std::string& S) { return reinterpret_cast<const uint8_t*>(S.data()); }

class ZmodemScript : public ::testing::Test {
 protected:
  ZmodemScript() { Open(); }
  ~ZmodemScript() override { close(Peer); }

  // A new engine on a new link.
  TZmodem& Open(uint8_t BlockMode = 1, bool Telnet = false, int32_t WaitMs = 10000) {
    Z.reset();
    if (Peer >= 0) close(Peer);
    int Fds[2];
    socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, Fds);
    Sock = std::make_unique<TSocket>();
    Sock->AttachHandle(Fds[0]);
    Sock->TelnetClient = Telnet;
    Peer = Fds[1];
    In.clear(), Raw.clear(), R = {}, W = {};
    Z = std::make_unique<TZmodem>(*Sock, BlockMode);
    Z->HeaderWaitMs = WaitMs;
    return *Z;
  }
  // A receiver that has asked for the first file, or a sender of Files that has offered it.
  TZmodem& Receiver(bool Telnet = false, int32_t WaitMs = 10000) {
    Open(1, Telnet, WaitMs).SetDestDir(T.Dir());
    Z->PrepareReceive();
    Want(ZRINIT);
    return *Z;
  }
  TZmodem& Sender(const std::vector<std::string>& Files, uint32_t RxFlags, int32_t WaitMs = 10000) {
    Open(0, false, WaitMs).SetFileList(Files);
    Z->PrepareTransmit();
    Talk({{-1, 0, ZRQINIT, -1}, {ZRINIT, RxFlags, ZFILE, -1}});
    return *Z;
  }
  // Sends the first Count bytes of what W holds.
  void Send(size_t Count = SIZE_MAX) {
    Count = std::min(Count, W.Out.size());
    ASSERT_EQ(write(Peer, W.Out.data(), Count), ssize_t(Count));
    W.Out.erase(W.Out.begin(), W.Out.begin() + static_cast<long>(Count));
  }
  void Hex(uint8_t Type, uint32_t Pos) {
    W.HexHeader(THeader::At(Type, Pos));
    Send();
  }
  // A binary header, with a subpacket for ZFILE and ZDATA (its first byte damaged if asked).
  void Bin(const THeader& H, const std::string& Sub = {}, uint8_t End = ZCRCW, bool Bad = false) {
    W.BinHeader(H, true);
    const size_t Mark = W.Out.size();
    if (H.Type == ZFILE || H.Type == ZDATA) W.Subpacket(U(Sub), Sub.size(), End, true);
    if (Bad) W.Out[Mark] ^= 1;
    Send();
  }
  // Offers a file; the receiver must answer with Answer at 0 (none awaited when negative).
  void File(const std::string& Name, int64_t Size, int Answer = ZRPOS) {
    Bin(THeader::Flags(ZFILE, 0, 0, 0, ZCBIN), Name + '\0' + std::to_string(Size) + " 0 100644" + '\0');
    if (Answer >= 0) Want(uint8_t(Answer), 0);
  }
  // Writes a file for the sender; gives its path.
  std::string Put(const std::string& Name, const TBytes& Data) {
    WriteFileBytes(T.Path(Name), Data);
    return T.Path(Name);
  }
  // Moves what the engine sent into In; false when nothing was there.
  bool Pull() {
    uint8_t Buf[4096];
    const ssize_t N = recv(Peer, Buf, sizeof Buf, MSG_DONTWAIT);
    if (N > 0) In.insert(In.end(), Buf, Buf + N);
    return N > 0;
  }
  // Steps the engine until the peer holds a complete header (false: none within 5 s, or the
  // run ended), sending Noise to it all the while. Raw keeps every byte up to its end.
  bool Expect(THeader& H, const std::string& Noise = {}) {
    Raw.clear();
    for (const auto End = Clock::now() + std::chrono::seconds(5); Clock::now() < End;) {
      if (!Noise.empty()) send(Peer, Noise.data(), Noise.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
      const bool Came = Pull();
      size_t Used = 0;
      const bool Got = !In.empty() && R.Feed(In.data(), In.size(), Used) == THeaderReader::TResult::Header;
      Raw.append(In.begin(), In.begin() + static_cast<long>(Used));
      In.erase(In.begin(), In.begin() + static_cast<long>(Used));
      if (Got) return H = R.Hdr, true;
      if (!Came && !Z->Step() && In.empty()) return false;
    }
    return false;
  }
  // The next header must be Type (at Pos when given).
  void Want(uint8_t Type, int64_t Pos = -1, const std::string& Noise = {}) {
    ASSERT_TRUE(Expect(Last, Noise)) << "no header, wanted type " << int(Type);
    EXPECT_EQ(std::pair(Last.Type, Pos < 0 ? 0 : Last.Pos()), std::pair(Type, uint32_t(Pos < 0 ? 0 : Pos)));
  }
  // A dialogue: each step sends a hex header (none when Ours is negative), then wants the
  // engine's next header to be Type (at Pos unless negative).
  void Talk(const std::vector<std::tuple<int, uint32_t, uint8_t, int64_t>>& Steps) {
    for (const auto& [Ours, OurPos, Type, Pos] : Steps) {
      if (HasFailure()) return;
      if (Ours >= 0) Hex(uint8_t(Ours), OurPos);
      Want(Type, Pos);
    }
  }
  // Finishes the run, which must end with Status and these outcomes.
  void Ended(uint16_t Status, const std::vector<TFileOutcome>& Outcomes) {
    for (const auto End = Clock::now() + std::chrono::seconds(10); Z->Step() && Clock::now() < End;) {
    }
    std::vector<TFileOutcome> O;
    for (const auto& F : Z->Results()) O.push_back(F.Outcome);
    EXPECT_EQ(std::tuple(Z->Finished(), Z->ProtocolStatus, O), std::tuple(true, Status, Outcomes));
  }
  static std::string HexOf(uint8_t Type, uint32_t Pos) {
    TFrameWriter F;
    F.HexHeader(THeader::At(Type, Pos));
    return std::string(F.Out.begin(), F.Out.end());
  }

  TTempDir T;
  std::unique_ptr<TSocket> Sock;
  std::unique_ptr<TZmodem> Z;
  int Peer = -1;
  TFrameWriter W;
  THeaderReader R;
  std::vector<uint8_t> In;
  std::string Raw;
  THeader Last;
};

// Receiving: free space; names that are refused; a sender that keeps offering a file without
// ever sending data is given up on; no download directory, no download.
TEST_F(ZmodemScript, ReceiverAnswersRefusesAndGivesUp) {
  Receiver();
  EXPECT_EQ(Last.ZF0(), CANFDX | CANOVIO | CANFC32);
  Hex(ZFREECNT, 0);
  Want(ZACK);
  EXPECT_GT(Last.Pos(), 0u);
  for (const std::string& Name : {std::string(256, 'n'), std::string(".."), std::string("a/b/")})
    File(Name, 10, ZSKIP);
  EXPECT_TRUE(fs::is_empty(T.Dir()));
  THeader H;
  for (int I = 0; I < 30 && !Z->Finished() && (File("a.bin", 10, -1), Expect(H)); ++I)
    EXPECT_EQ(H.Type, ZRPOS);
  using O = TFileOutcome;
  Ended(ZStatus::TooManyRetries, {O::Skipped, O::Skipped, O::Skipped, O::Failed});
  Open().SetDestDir(T.Path("missing"));
  EXPECT_TRUE(Z->PrepareReceive() != 0 && !Z->Step());
}

// A hex ZSINIT brings an attention string (its subpacket in CRC-16, as the header); errors
// are answered with it and ZRPOS at our position; a ZEOF behind our position is not believed,
// and not forever. On a telnet link its 255 goes out doubled once.
TEST_F(ZmodemScript, ReceiverErrorsAttentionAndLimits) {
  for (const bool Telnet : {false, true}) {
    SCOPED_TRACE(Telnet);
    fs::remove(T.Path("a.bin.part"));
    Receiver(Telnet);
    W.HexHeader(THeader::Flags(ZSINIT, 0, 0, 0, 0));
    W.Subpacket(U(std::string("ATTN\xff!\0", 7)), 7, ZCRCW, false);
    Send();
    Want(ZACK);
    File("a.bin", 10);
    Bin(THeader::At(ZDATA, 0), "hello", ZCRCG, true);
    Want(ZRPOS, 0);
    EXPECT_NE(Raw.find(Telnet ? "ATTN\xff\xff!" : "ATTN\xff!"), std::string::npos);
    Bin(THeader::At(ZDATA, 3), "lo");  // data at a position we do not hold
    Want(ZRPOS, 0);
    Bin(THeader::At(ZDATA, 0), "hello", ZCRCE);
    THeader H;
    for (int I = 0; I < 30 && !Z->Finished() && (Bin(THeader::At(ZEOF, 3)), Expect(H)); ++I) {
    }
    Ended(ZStatus::TooManyErrors, {TFileOutcome::Failed});
    EXPECT_EQ(Snapshot(T.Dir()), (TFiles{{"/a.bin.part", {'h', 'e', 'l', 'l', 'o'}}}));
  }
}

// Over telnet a command can arrive in a read of its own, with no data around it: it must not
// become a data byte.
TEST_F(ZmodemScript, ReceiverOverTelnetTakesNoCommandForData) {
  Receiver(true);
  File("t.bin", 6);
  W.BinHeader(THeader::At(ZDATA, 0), true);
  W.Subpacket(U("abcdef"), 6, ZCRCE, true);
  W.Out.insert(W.Out.begin() + 12, {255, 241});
  for (const size_t Piece : {12, 2, 99}) {
    Send(Piece);
    for (int I = 0; I < 3; ++I) Z->Step();
  }
  Bin(THeader::At(ZEOF, 6));
  Talk({{-1, 0, ZRINIT, -1}, {ZFIN, 0, ZFIN, -1}});
  ASSERT_EQ(write(Peer, "OO", 2), 2);
  Ended(0, {TFileOutcome::Done});
  EXPECT_EQ(Z->Results()[0].Errors, 0);
  EXPECT_EQ(ReadFileText(T.Path("t.bin")), "abcdef");
}

// Time-outs run on, whatever noise the other side keeps sending: the line noise resets no
// timer, in the wait for a file as inside a frame.
TEST_F(ZmodemScript, ReceiverTimesOutThroughNoise) {
  Receiver(false, 300);
  // Headers we have no use for here, good and damaged.
  Want(ZRINIT, -1, HexOf(ZACK, 0) + "**\x18" "B0300000000abcd\r\n");
  File("a.bin", 10);
  W.BinHeader(THeader::At(ZDATA, 0), true);
  W.Raw(U("abc"), 3);
  Send();
  Want(ZRPOS, 0, "\x11\x13\x11");
}

// A sender that streams on past the size it announced is stopped: the disk never fills.
TEST_F(ZmodemScript, ReceiverStopsPastTheAnnouncedSize) {
  Receiver();
  File("a.bin", 1000);
  W.BinHeader(THeader::At(ZDATA, 0), true);
  const std::string Block(8192, 'x');
  size_t Sent = 0;
  for (const auto End = Clock::now() + std::chrono::seconds(10); !Z->Finished() && Clock::now() < End && Sent < (64u << 20);) {
    if (W.Out.empty()) W.Subpacket(U(Block), Block.size(), ZCRCG, true);
    const ssize_t N = send(Peer, W.Out.data(), W.Out.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    if (N > 0) W.Out.erase(W.Out.begin(), W.Out.begin() + N), Sent += size_t(N);
    Z->Step();
  }
  Ended(ZStatus::BlockTooLong, {TFileOutcome::Failed});
  EXPECT_FALSE(fs::exists(T.Path("a.bin")));
  EXPECT_LE(fs::file_size(T.Path("a.bin.part")), 1000u + 125u + (1u << 20));
}

// Sending: ZFILE asks for a plain binary transfer; ZCRC is answered like lrzsz (the usual
// CRC-32 of that many bytes, 0 meaning the whole file); a receiver's buffer size is waited on
// (ZCRCW, then a new ZDATA after its ZACK); a ZRPOS past the end is taken as the end.
TEST_F(ZmodemScript, SenderAnswersAndBounds) {
  const TBytes Data = TestData(5000, 1);
  // A 2048-byte buffer, and no CANFC32: CRC-16 throughout.
  Sender({Put("a.bin", Data), Put("b.bin", TBytes(10, 1))}, 2048, 300);
  EXPECT_EQ(std::pair(Last.ZF0(), R.Kind), std::pair(ZCBIN, ZBIN));
  // Headers it has no use for now do not keep it from offering the file again.
  Want(ZFILE, -1, HexOf(ZRINIT, 2048));
  Z->HeaderWaitMs = 10000;
  const int64_t Crc100 = Crc32Of(Data.data(), 100), CrcAll = Crc32Of(Data.data(), Data.size());
  Talk({{ZCRC, 100, ZCRC, Crc100}, {ZCRC, 0, ZCRC, CrcAll}, {ZRPOS, 0, ZDATA, 0},
        {ZACK, 2048, ZDATA, 2048}, {ZACK, 4096, ZDATA, 4096}, {-1, 0, ZEOF, 5000},
        {ZRPOS, 999999, ZDATA, 5000}, {-1, 0, ZEOF, 5000}, {ZRINIT, 0, ZFILE, -1},
        {ZRPOS, 999999, ZDATA, 10}, {-1, 0, ZEOF, 10}, {ZRPOS, 999999, ZDATA, 10},
        {-1, 0, ZEOF, 10}, {ZRINIT, 0, ZFIN, -1}});
  Hex(ZFIN, 0);
  Ended(0, std::vector<TFileOutcome>(2, TFileOutcome::Done));
}

// The session's start detector read the board's ZRINIT up to its ZDLE: the engine takes it.
TEST_F(ZmodemScript, SenderTakesAStartReadUpToItsZdle) {
  Open(0).SetFileList({Put("a.bin", TBytes(10, 7))});
  const std::string Start = HexOf(ZRINIT, 0);
  const size_t At = Start.find('\x18');
  Z->Prime(U(Start) + At, Start.size() - At);
  Z->PrepareTransmit();
  Talk({{-1, 0, ZRQINIT, -1}, {-1, 0, ZFILE, -1}});
}

// A receiver that does not answer the end of the data (its frame end was damaged on the line,
// so it still reads the subpacket) gets the frame closed before the repeat: with a buffer
// size (ZCRCW, then a wait for ZACK) and at the ZEOF.
TEST_F(ZmodemScript, SenderClosesTheFrameWhenUnanswered) {
  Sender({Put("a.bin", TBytes(3000, 7))}, 0x20000000 | 2048).HeaderWaitMs = 300;  // CANFC32, 2 KiB
  // Neither the ZCRCW at the buffer's end nor the ZEOF is answered: each is repeated after the
  // time-out, behind a frame end.
  Talk({{ZRPOS, 0, ZDATA, 0}, {-1, 0, ZDATA, 2048}});
  EXPECT_NE(Raw.find("\x18h"), std::string::npos) << "no frame end before the repeated ZDATA";
  Talk({{-1, 0, ZEOF, 3000}, {-1, 0, ZEOF, 3000}});
  EXPECT_NE(Raw.find("\x18h"), std::string::npos) << "no frame end before the repeated ZEOF";
}

// After an error the sender closes the frame on its way, then keeps at most a window of data
// unacknowledged, asking for acknowledgements (ZCRCQ) along the way: what a receiver must skip
// after asking for a repeat stays small and clean whatever the link buffers.
TEST_F(ZmodemScript, SenderWindowAfterAnError) {
  Sender({Put("big.bin", TestData(2 << 20, 2))}, 0x20000000);  // CANFC32
  Talk({{ZRPOS, 0, ZDATA, 0}, {ZRPOS, 1000, ZDATA, 1000}});
  // The frame already on its way was closed (an empty ZCRCE) before the new ZDATA.
  const size_t Header = Raw.rfind("*\x18" "C");
  ASSERT_NE(Header, std::string::npos);
  EXPECT_NE(Raw.substr(Header > 12 ? Header - 12 : 0, 12).find("\x18h"), std::string::npos);
  // Everything it sends now, for a while: whole subpackets after the new ZDATA.
  size_t Bytes = 0;
  int Asks = 0;
  auto Collect = [&] {
    TSubpacketReader Sub;
    Sub.Start(1024, true);
    for (const auto End = Clock::now() + std::chrono::milliseconds(400); Clock::now() < End; Z->Step()) {
      Pull();
      size_t Used = 0;
      while (!In.empty()) {
        const auto Got = Sub.Feed(In.data(), In.size(), Used);
        In.erase(In.begin(), In.begin() + static_cast<long>(Used));
        if (Got == TSubpacketReader::TResult::Pending) break;
        ASSERT_EQ(Got, TSubpacketReader::TResult::Done);
        Bytes += Sub.Length();
        Asks += Sub.End == ZCRCQ;
        Sub.Start(1024, true);
      }
    }
  };
  Collect();
  EXPECT_TRUE(Bytes > 0 && Bytes <= 16384 && Asks >= 3) << Bytes << " bytes, " << Asks << " asks";
  Hex(ZACK, 1000 + uint32_t(Bytes));
  const size_t First = Bytes;
  Collect();
  EXPECT_TRUE(Bytes > First && Bytes <= First + 16384) << "an acknowledgement opens the window again";
}

}  // namespace
