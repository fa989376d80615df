// The engine against a scripted peer written with our own framing, for what lrzsz never does:
// hostile or odd requests, answers lrzsz only gives, and the limits on every loop.
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include <gtest/gtest.h>

#include "net/socket.h"
#include "support/test_tempdir.h"
#include "transfer/zmodem.h"

using namespace zm;
namespace fs = std::filesystem;

namespace {

class TScript {
 public:
  TScript() {
    int Fds[2];
    socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, Fds);
    Sock.AttachHandle(Fds[0]);
    Peer = Fds[1];
  }
  ~TScript() { close(Peer); }

  void Send() {
    ASSERT_EQ(write(Peer, W.Out.data(), W.Out.size()), ssize_t(W.Out.size()));
    W.Out.clear();
  }
  void Hex(uint8_t Type, uint32_t Pos) {
    W.HexHeader(THeader::At(Type, Pos));
    Send();
  }
  void Bin(const THeader& H, const std::string& Sub = {}, uint8_t End = ZCRCW, bool Crc32 = true) {
    W.BinHeader(H, Crc32);
    if (H.Type == ZFILE || H.Type == ZDATA || H.Type == ZSINIT)
      W.Subpacket(reinterpret_cast<const uint8_t*>(Sub.data()), Sub.size(), End, Crc32);
    Send();
  }
  // Steps the engine until the peer holds a complete header (false: none within 5 s, or the
  // run ended). Raw keeps every byte that came before it.
  bool Expect(TZmodem& Z, THeader& H) {
    const auto End = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < End) {
      uint8_t Buf[4096];
      const ssize_t N = recv(Peer, Buf, sizeof Buf, MSG_DONTWAIT);
      if (N > 0) In.insert(In.end(), Buf, Buf + N);
      size_t Used = 0;
      if (!In.empty() && R.Feed(In.data(), In.size(), Used) == THeaderReader::TResult::Header) {
        Raw.insert(Raw.end(), In.begin(), In.begin() + static_cast<long>(Used));
        In.erase(In.begin(), In.begin() + static_cast<long>(Used));
        H = R.Hdr;
        return true;
      }
      Raw.insert(Raw.end(), In.begin(), In.begin() + static_cast<long>(Used));
      In.erase(In.begin(), In.begin() + static_cast<long>(Used));
      if (N <= 0 && !Z.Step() && In.empty()) return false;
    }
    return false;
  }
  // The next header must be Type (at Pos when given).
  void Want(TZmodem& Z, uint8_t Type, int64_t Pos = -1) {
    THeader H;
    ASSERT_TRUE(Expect(Z, H)) << "no header, wanted type " << int(Type);
    EXPECT_EQ(H.Type, Type);
    if (Pos >= 0) {
      EXPECT_EQ(H.Pos(), uint32_t(Pos)) << "type " << int(Type);
    }
    Last = H;
  }
  // The subpacket after the last header (CRC-32).
  std::string Sub(TZmodem& Z) {
    TSubpacketReader S;
    S.Start(8192, true);
    const auto End = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < End) {
      size_t Used = 0;
      if (!In.empty()) {
        const auto Got = S.Feed(In.data(), In.size(), Used);
        In.erase(In.begin(), In.begin() + static_cast<long>(Used));
        if (Got == TSubpacketReader::TResult::Done)
          return std::string(reinterpret_cast<const char*>(S.Data()), S.Length());
        if (Got != TSubpacketReader::TResult::Pending) return "<bad>";
      }
      uint8_t Buf[4096];
      const ssize_t N = recv(Peer, Buf, sizeof Buf, MSG_DONTWAIT);
      if (N > 0)
        In.insert(In.end(), Buf, Buf + N);
      else
        Z.Step();
    }
    return "<none>";
  }
  // Sends Bytes over and over while stepping the engine, until it sends a Want header.
  void Noise(TZmodem& Z, const std::string& Bytes, uint8_t Want) {
    const auto End = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < End) {
      ASSERT_EQ(write(Peer, Bytes.data(), Bytes.size()), ssize_t(Bytes.size()));
      Z.Step();
      uint8_t Buf[512];
      const ssize_t N = recv(Peer, Buf, sizeof Buf, MSG_DONTWAIT);
      size_t Used;
      if (N > 0 && R.Feed(Buf, size_t(N), Used) == THeaderReader::TResult::Header && R.Hdr.Type == Want) return;
    }
    ADD_FAILURE() << "no time-out under noise, wanted type " << int(Want);
  }
  void Finish(TZmodem& Z) {
    const auto End = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (Z.Step() && std::chrono::steady_clock::now() < End) {
    }
    EXPECT_TRUE(Z.Finished());
  }

  TSocket Sock;
  int Peer = -1;
  TFrameWriter W;
  THeaderReader R;
  std::vector<uint8_t> In, Raw;
  THeader Last;
};

std::string Info(const std::string& Name, int64_t Size) {
  return Name + std::string(1, '\0') + std::to_string(Size) + " 0 100644" + std::string(1, '\0');
}

// Receiving: free space, names that are refused, and the end of a batch.
TEST(ZmodemScript, ReceiverAnswersAndRefuses) {
  TTempDir T;
  TScript S;
  TZmodem Z(S.Sock, 1);
  Z.SetDestDir(T.Dir());
  Z.PrepareReceive();
  S.Want(Z, ZRINIT);
  EXPECT_EQ(S.Last.ZF0(), CANFDX | CANOVIO | CANFC32);
  S.Hex(ZFREECNT, 0);
  S.Want(Z, ZACK);
  EXPECT_GT(S.Last.Pos(), 0u);
  for (const std::string& Name : {std::string(256, 'n'), std::string(".."), std::string("a/b/")}) {
    S.Bin(THeader::Flags(ZFILE, 0, 0, 0, ZCBIN), Info(Name, 10));
    S.Want(Z, ZSKIP);
  }
  S.Hex(ZFIN, 0);
  S.Want(Z, ZFIN);
  ASSERT_EQ(write(S.Peer, "OO", 2), 2);
  S.Finish(Z);
  EXPECT_EQ(Z.ProtocolStatus, 0);
  ASSERT_EQ(Z.Results().size(), 3u);
  for (const auto& R : Z.Results()) EXPECT_EQ(R.Outcome, TFileOutcome::Skipped);
  EXPECT_TRUE(fs::is_empty(T.Dir()));

  // No download directory, no download.
  TZmodem Nowhere(S.Sock, 1);
  Nowhere.SetDestDir(T.Path("missing"));
  EXPECT_NE(Nowhere.PrepareReceive(), 0);
  EXPECT_FALSE(Nowhere.Step());
}

// A hex ZSINIT brings an attention string (its subpacket in CRC-16, as the header); errors
// are answered with it and ZRPOS at our position; a ZEOF behind our position is not believed,
// and not forever. On a telnet link its 255 goes out doubled once.
TEST(ZmodemScript, ReceiverErrorsAttentionAndLimits) {
  for (const bool Telnet : {false, true}) {
    SCOPED_TRACE(Telnet);
    TTempDir T;
    TScript S;
    S.Sock.TelnetClient = Telnet;
    TZmodem Z(S.Sock, 1);
    Z.SetDestDir(T.Dir());
    Z.PrepareReceive();
    S.Want(Z, ZRINIT);
    S.W.HexHeader(THeader::Flags(ZSINIT, 0, 0, 0, 0));
    S.W.Subpacket(reinterpret_cast<const uint8_t*>("ATTN\xff!\0"), 7, ZCRCW, false);
    S.Send();
    S.Want(Z, ZACK);
    S.Bin(THeader::Flags(ZFILE, 0, 0, 0, ZCBIN), Info("a.bin", 10));
    S.Want(Z, ZRPOS, 0);
    // A damaged subpacket.
    S.W.BinHeader(THeader::At(ZDATA, 0), true);
    const size_t Mark = S.W.Out.size();
    S.W.Subpacket(reinterpret_cast<const uint8_t*>("hello"), 5, ZCRCG, true);
    S.W.Out[Mark] ^= 1;
    S.Send();
    S.Raw.clear();
    S.Want(Z, ZRPOS, 0);
    EXPECT_NE(std::string(S.Raw.begin(), S.Raw.end()).find(Telnet ? "ATTN\xff\xff!" : "ATTN\xff!"), std::string::npos);
    // Data at a position we do not hold.
    S.Bin(THeader::At(ZDATA, 3), "lo");
    S.Want(Z, ZRPOS, 0);
    S.Bin(THeader::At(ZDATA, 0), "hello", ZCRCE);
    for (int I = 0; I < 30 && !Z.Finished(); ++I) {
      S.Bin(THeader::At(ZEOF, 3));
      THeader H;
      if (!S.Expect(Z, H)) break;
    }
    S.Finish(Z);
    EXPECT_EQ(Z.ProtocolStatus, ZStatus::TooManyErrors);
    ASSERT_EQ(Z.Results().size(), 1u);
    EXPECT_EQ(Z.Results()[0].Outcome, TFileOutcome::Failed);
    EXPECT_FALSE(fs::exists(T.Path("a.bin")));
    EXPECT_EQ(ReadFileBytes(T.Path("a.bin.part")), (TBytes{'h', 'e', 'l', 'l', 'o'}));
  }
}

// Over telnet a command can arrive in a read of its own, with no data around it: it must not
// become a data byte.
TEST(ZmodemScript, ReceiverOverTelnetTakesNoCommandForData) {
  TTempDir T;
  TScript S;
  S.Sock.TelnetClient = true;
  TZmodem Z(S.Sock, 1);
  Z.SetDestDir(T.Dir());
  Z.PrepareReceive();
  S.Want(Z, ZRINIT);
  S.Bin(THeader::Flags(ZFILE, 0, 0, 0, ZCBIN), Info("t.bin", 6));
  S.Want(Z, ZRPOS, 0);
  S.W.BinHeader(THeader::At(ZDATA, 0), true);
  S.W.Subpacket(reinterpret_cast<const uint8_t*>("abcdef"), 6, ZCRCE, true);
  const std::vector<uint8_t> Frame = S.W.Out;
  S.W.Out.assign(Frame.begin(), Frame.begin() + 12);
  S.Send();
  for (const auto& Piece : {std::vector<uint8_t>{255, 241}, std::vector<uint8_t>(Frame.begin() + 12, Frame.end())}) {
    for (int I = 0; I < 3; ++I) Z.Step();
    S.W.Out = Piece;
    S.Send();
  }
  S.Bin(THeader::At(ZEOF, 6));
  S.Want(Z, ZRINIT);
  S.Hex(ZFIN, 0);
  S.Want(Z, ZFIN);
  ASSERT_EQ(write(S.Peer, "OO", 2), 2);
  S.Finish(Z);
  ASSERT_EQ(Z.Results().size(), 1u);
  EXPECT_EQ(Z.Results()[0].Outcome, TFileOutcome::Done);
  EXPECT_EQ(Z.Results()[0].Errors, 0);
  EXPECT_EQ(ReadFileBytes(T.Path("t.bin")), (TBytes{'a', 'b', 'c', 'd', 'e', 'f'}));
}

// Time-outs run on, whatever noise the other side keeps sending: the line noise resets no
// timer, in the wait for a file as inside a frame.
TEST(ZmodemScript, ReceiverTimesOutThroughNoise) {
  TTempDir T;
  TScript S;
  TZmodem Z(S.Sock, 1);
  Z.SetDestDir(T.Dir());
  Z.HeaderWaitMs = 300;
  Z.PrepareReceive();
  S.Want(Z, ZRINIT);
  TFrameWriter Stray;  // headers we have no use for here, good and damaged
  Stray.HexHeader(THeader::At(ZACK, 0));
  const std::string Acks(Stray.Out.begin(), Stray.Out.end());
  S.Noise(Z, Acks + "**\x18" "B0300000000abcd\r\n", ZRINIT);
  S.Bin(THeader::Flags(ZFILE, 0, 0, 0, ZCBIN), Info("a.bin", 10));
  S.Want(Z, ZRPOS, 0);
  S.W.BinHeader(THeader::At(ZDATA, 0), true);
  S.W.Raw(reinterpret_cast<const uint8_t*>("abc"), 3);
  S.Send();
  S.Noise(Z, "\x11\x13\x11", ZRPOS);
}

// A sender that keeps offering the file without ever sending data is given up on.
TEST(ZmodemScript, ReceiverRepeatedFileIsBounded) {
  TTempDir T;
  TScript S;
  TZmodem Z(S.Sock, 1);
  Z.SetDestDir(T.Dir());
  Z.PrepareReceive();
  S.Want(Z, ZRINIT);
  for (int I = 0; I < 30 && !Z.Finished(); ++I) {
    S.Bin(THeader::Flags(ZFILE, 0, 0, 0, ZCBIN), Info("a.bin", 10));
    THeader H;
    if (!S.Expect(Z, H)) break;
    EXPECT_EQ(H.Type, ZRPOS);
  }
  S.Finish(Z);
  EXPECT_EQ(Z.ProtocolStatus, ZStatus::TooManyRetries);
}

// A sender that streams on past the size it announced is stopped: the disk never fills.
TEST(ZmodemScript, ReceiverStopsPastTheAnnouncedSize) {
  TTempDir T;
  TScript S;
  TZmodem Z(S.Sock, 1);
  Z.SetDestDir(T.Dir());
  Z.PrepareReceive();
  S.Want(Z, ZRINIT);
  S.Bin(THeader::Flags(ZFILE, 0, 0, 0, ZCBIN), Info("a.bin", 1000));
  S.Want(Z, ZRPOS, 0);
  S.W.BinHeader(THeader::At(ZDATA, 0), true);
  const std::string Block(8192, 'x');
  size_t Sent = 0;
  const auto End = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!Z.Finished() && std::chrono::steady_clock::now() < End && Sent < (64u << 20)) {
    if (S.W.Out.empty()) S.W.Subpacket(reinterpret_cast<const uint8_t*>(Block.data()), Block.size(), ZCRCG, true);
    const ssize_t N = send(S.Peer, S.W.Out.data(), S.W.Out.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    if (N > 0) {
      S.W.Out.erase(S.W.Out.begin(), S.W.Out.begin() + N);
      Sent += size_t(N);
    }
    Z.Step();
  }
  S.Finish(Z);
  EXPECT_EQ(Z.ProtocolStatus, ZStatus::BlockTooLong);
  ASSERT_EQ(Z.Results().size(), 1u);
  EXPECT_EQ(Z.Results()[0].Outcome, TFileOutcome::Failed);
  EXPECT_FALSE(fs::exists(T.Path("a.bin")));
  EXPECT_LE(fs::file_size(T.Path("a.bin.part")), 1000u + 125u + (1u << 20));
}

// Sending: ZFILE asks for a plain binary transfer; ZCRC is answered like lrzsz (the usual
// CRC-32 of that many bytes, 0 meaning the whole file); a receiver's buffer size is waited on
// (ZCRCW, then a new ZDATA after its ZACK); a ZRPOS past the end is taken as the end.
TEST(ZmodemScript, SenderAnswersAndBounds) {
  TTempDir T;
  TBytes Data(5000);
  for (size_t I = 0; I < Data.size(); ++I) Data[I] = static_cast<uint8_t>(I * 13);
  WriteFileBytes(T.Path("a.bin"), Data);
  WriteFileBytes(T.Path("b.bin"), TBytes(10, 1));
  TScript S;
  TZmodem Z(S.Sock, 0);
  Z.SetFileList({T.Path("a.bin"), T.Path("b.bin")});
  Z.HeaderWaitMs = 300;
  Z.PrepareTransmit();
  S.Want(Z, ZRQINIT);
  S.Hex(ZRINIT, 2048);  // a 2048-byte buffer, and no CANFC32: CRC-16 throughout
  S.Want(Z, ZFILE);
  EXPECT_EQ(S.Last.ZF0(), ZCBIN);
  EXPECT_EQ(S.R.Kind, ZBIN);
  // Headers it has no use for now do not keep it from offering the file again.
  TFrameWriter Stray;
  Stray.HexHeader(THeader::At(ZRINIT, 2048));
  S.Noise(Z, std::string(Stray.Out.begin(), Stray.Out.end()), ZFILE);
  Z.HeaderWaitMs = 10000;
  S.Hex(ZCRC, 100);
  S.Want(Z, ZCRC, Crc32Of(Data.data(), 100));
  S.Hex(ZCRC, 0);
  S.Want(Z, ZCRC, Crc32Of(Data.data(), Data.size()));
  S.Hex(ZRPOS, 0);
  for (const uint32_t At : {0, 2048, 4096}) {
    S.Want(Z, ZDATA, At);
    if (At < 4096) S.Hex(ZACK, At + 2048);
  }
  S.Want(Z, ZEOF, 5000);
  S.Hex(ZRPOS, 999999);
  S.Want(Z, ZDATA, 5000);
  S.Want(Z, ZEOF, 5000);
  S.Hex(ZRINIT, 0);
  S.Want(Z, ZFILE);
  S.Hex(ZRPOS, 999999);
  S.Want(Z, ZDATA, 10);
  S.Want(Z, ZEOF, 10);
  S.Hex(ZRINIT, 0);
  S.Want(Z, ZFIN);
  S.Hex(ZFIN, 0);
  S.Finish(Z);
  EXPECT_EQ(Z.ProtocolStatus, 0);
  ASSERT_EQ(Z.Results().size(), 2u);
  EXPECT_EQ(Z.Results()[0].Outcome, TFileOutcome::Done);
  EXPECT_EQ(Z.Results()[1].Outcome, TFileOutcome::Done);
}

// A receiver that does not answer the end of the data (its frame end was damaged on the line,
// so it still reads the subpacket) gets the frame closed before the repeat: with a buffer
// size (ZCRCW, then a wait for ZACK) and at the ZEOF.
TEST(ZmodemScript, SenderClosesTheFrameWhenUnanswered) {
  TTempDir T;
  WriteFileBytes(T.Path("a.bin"), TBytes(3000, 7));
  TScript S;
  TZmodem Z(S.Sock, 0);
  Z.SetFileList({T.Path("a.bin")});
  Z.PrepareTransmit();
  S.Want(Z, ZRQINIT);
  S.Hex(ZRINIT, 0x20000000 | 2048);  // CANFC32, a 2048-byte buffer
  S.Want(Z, ZFILE);
  Z.HeaderWaitMs = 300;
  S.Hex(ZRPOS, 0);
  S.Want(Z, ZDATA, 0);
  // Neither the ZCRCW at the buffer's end nor the ZEOF is answered.
  for (const auto& [Type, Pos] : {std::pair<uint8_t, int64_t>{ZDATA, 2048}, {ZEOF, 3000}}) {
    SCOPED_TRACE(int(Type));
    if (Type == ZEOF) S.Want(Z, ZEOF, 3000);
    S.Raw.clear();
    S.Want(Z, Type, Pos);  // the repeat, after the time-out
    const std::string Before(S.Raw.begin(), S.Raw.end());
    EXPECT_NE(Before.find("\x18h"), std::string::npos) << "no frame end before the repeat";
  }
}

// After an error the sender closes the frame on its way, then keeps at most a window of data
// unacknowledged, asking for acknowledgements (ZCRCQ) along the way: what a receiver must skip
// after asking for a repeat stays small and clean whatever the link buffers.
TEST(ZmodemScript, SenderWindowAfterAnError) {
  TTempDir T;
  TBytes Data(2 << 20);
  for (size_t I = 0; I < Data.size(); ++I) Data[I] = static_cast<uint8_t>(I * 7 + (I >> 9));
  WriteFileBytes(T.Path("big.bin"), Data);
  TScript S;
  TZmodem Z(S.Sock, 0);
  Z.SetFileList({T.Path("big.bin")});
  Z.PrepareTransmit();
  S.Want(Z, ZRQINIT);
  S.Hex(ZRINIT, 0x20000000);  // CANFC32
  S.Want(Z, ZFILE);
  S.Hex(ZRPOS, 0);
  S.Want(Z, ZDATA, 0);
  S.Raw.clear();
  S.Hex(ZRPOS, 1000);
  S.Want(Z, ZDATA, 1000);
  // The frame already on its way was closed (an empty ZCRCE) before the new ZDATA.
  const std::string Before(S.Raw.begin(), S.Raw.end());
  const size_t Header = Before.rfind("*\x18" "C");
  ASSERT_NE(Header, std::string::npos);
  EXPECT_NE(Before.substr(Header > 12 ? Header - 12 : 0, 12).find("\x18h"), std::string::npos);
  // Everything it sends now, for a while: whole subpackets after the new ZDATA.
  auto Collect = [&](size_t& Bytes, int& Asks) {
    TSubpacketReader R;
    R.Start(1024, true);
    const auto End = std::chrono::steady_clock::now() + std::chrono::milliseconds(400);
    while (std::chrono::steady_clock::now() < End) {
      uint8_t Buf[4096];
      const ssize_t N = recv(S.Peer, Buf, sizeof Buf, MSG_DONTWAIT);
      if (N > 0) S.In.insert(S.In.end(), Buf, Buf + N);
      size_t Used = 0;
      while (!S.In.empty()) {
        const auto Got = R.Feed(S.In.data(), S.In.size(), Used);
        S.In.erase(S.In.begin(), S.In.begin() + static_cast<long>(Used));
        if (Got == TSubpacketReader::TResult::Pending) break;
        ASSERT_EQ(Got, TSubpacketReader::TResult::Done);
        Bytes += R.Length();
        Asks += R.End == ZCRCQ;
        R.Start(1024, true);
      }
      Z.Step();
    }
  };
  size_t Bytes = 0;
  int Asks = 0;
  Collect(Bytes, Asks);
  EXPECT_GT(Bytes, 0u);
  EXPECT_LE(Bytes, 16384u);
  EXPECT_GE(Asks, 3);
  S.Hex(ZACK, 1000 + uint32_t(Bytes));
  const size_t First = Bytes;
  Collect(Bytes, Asks);
  EXPECT_GT(Bytes, First) << "an acknowledgement opens the window again";
  EXPECT_LE(Bytes, First + 16384u);
}

}  // namespace
