// Framing: CRCs, escaping, headers and subpackets through the readers cut at every byte,
// file information and the rules for received names.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "transfer/zmodem.h"
#include "transfer/zmodem_frame.h"

using namespace zm;
using TBytes = std::vector<uint8_t>;

namespace {

TBytes B(const std::string& S) { return TBytes(S.begin(), S.end()); }
const uint8_t* U(const char* S) { return reinterpret_cast<const uint8_t*>(S); }

TEST(ZmodemCrc, KnownValuesAndSplits) {
  EXPECT_EQ(Crc16(0, U("123456789"), 9), 0x31C3);
  EXPECT_EQ(Crc32Of(U("123456789"), 9), 0xCBF43926u);
  // The eight-byte steps agree with the byte-wise tail for every split of a longer text.
  const TBytes D = B("The quick brown fox jumps over the lazy dog, twice over.");
  const uint32_t Whole = Crc32Of(D.data(), D.size());
  for (size_t Cut = 0; Cut <= D.size(); ++Cut)
    EXPECT_EQ(~Crc32Update(Crc32Update(~0u, D.data(), Cut), D.data() + Cut, D.size() - Cut), Whole) << Cut;
}

TEST(ZmodemEscape, Table) {
  struct TCase {
    bool EscCtl;
    TBytes In, Wire;
  } Cases[] = {
      {false, {255}, {24, 'm'}},
      {false, {'@', 13}, {'@', 24, 13 ^ 64}},
      {false, {'@' | 128, 141}, {'@' | 128, 24, 141 ^ 64}},
      {false, {'A', 13}, {'A', 13}},
      {false, {127, 24, 17, 19, 16, 144, 145, 147},
       {127, 24, 24 ^ 64, 24, 17 ^ 64, 24, 19 ^ 64, 24, 16 ^ 64, 24, 144 ^ 64, 24, 145 ^ 64, 24, 147 ^ 64}},
      {false, {1, 27, 128, 159, 160}, {1, 27, 128, 159, 160}},
      {true, {1, 27, 13, 128, 159, 160, ' '}, {24, 1 ^ 64, 24, 27 ^ 64, 24, 13 ^ 64, 24, 128 ^ 64, 24, 159 ^ 64, 160, ' '}},
  };
  for (const auto& C : Cases) {
    TFrameWriter W;
    W.SetEscapeControls(C.EscCtl);
    W.Subpacket(C.In.data(), C.In.size(), ZCRCG, false);
    ASSERT_GE(W.Out.size(), C.Wire.size());
    EXPECT_EQ(TBytes(W.Out.begin(), W.Out.begin() + static_cast<long>(C.Wire.size())), C.Wire);
    EXPECT_EQ(W.Out[C.Wire.size()], ZDLE);
    EXPECT_EQ(W.Out[C.Wire.size() + 1], ZCRCG);
  }
  // The CR rule looks at the last byte already sent, across flushes.
  TFrameWriter W;
  W.Raw('@');
  W.Sent();
  const uint8_t Cr = 13;
  W.Subpacket(&Cr, 1, ZCRCG, false);
  EXPECT_EQ(W.Out[0], ZDLE);
}

// Every kind of header, with argument bytes that need escaping, found after noise and read
// whole or one byte at a time; any single damaged byte is never taken for a header.
TEST(ZmodemHeader, RoundTripCutAnywhereAndDamaged) {
  const THeader Headers[] = {THeader::At(ZRPOS, 0x18ff110d), THeader::Flags(ZRINIT, 0, 0, 0, 0x23),
                             THeader::At(ZEOF, 0xffffffffu)};
  for (const char Kind : {'B', 'A', 'C'}) {
    for (const THeader& H : Headers) {
      TFrameWriter W;
      if (Kind == 'B')
        W.HexHeader(H);
      else
        W.BinHeader(H, Kind == 'C');
      TBytes Wire = B("rz\r*\x18Z garbage **");
      const size_t Lead = Wire.size();
      Wire.insert(Wire.end(), W.Out.begin(), W.Out.end());
      for (size_t Step : {Wire.size(), size_t{1}}) {
        THeaderReader R;
        size_t At = 0, Used = 0;
        auto Got = THeaderReader::TResult::Pending;
        while (At < Wire.size() && Got == THeaderReader::TResult::Pending) {
          Got = R.Feed(Wire.data() + At, std::min(Step, Wire.size() - At), Used);
          At += Used;
        }
        ASSERT_EQ(Got, THeaderReader::TResult::Header) << Kind << " step " << Step;
        EXPECT_EQ(R.Hdr.Type, H.Type);
        EXPECT_EQ(R.Hdr.P, H.P);
        EXPECT_EQ(R.Kind, uint8_t(Kind));
        // A hex header's CR and LF are its own; only the XON may remain.
        if (Kind == 'B' && Step > 1) {
          EXPECT_EQ(Wire.size() - At, 1u);
        }
        if (Kind == 'B' && Step == 1) {
          EXPECT_EQ(R.SkipTail(Wire.data() + At, Wire.size() - At), 2u);
        }
      }
      for (size_t I = Lead + 3; I < Wire.size(); ++I) {
        TBytes Bad = Wire;
        Bad[I] ^= 0x01;
        THeaderReader R;
        size_t Used = 0;
        const auto Got = R.Feed(Bad.data(), Bad.size(), Used);
        if (Got == THeaderReader::TResult::Header) {
          EXPECT_EQ(R.Hdr.Type, H.Type) << "damage at " << I;
          EXPECT_EQ(R.Hdr.P, H.P) << "damage at " << I;
        }
      }
    }
  }
  // Upper-case hex digits are not hex digits here: the CRC fails.
  const TBytes Upper = B("**\x18" "B0100000023BE50\r\n");
  THeaderReader R;
  size_t Used = 0;
  EXPECT_NE(R.Feed(Upper.data(), Upper.size(), Used), THeaderReader::TResult::Header);
}

TEST(ZmodemSubpacket, RoundTripDamageAndLength) {
  TBytes Data(300);
  for (size_t I = 0; I < Data.size(); ++I) Data[I] = static_cast<uint8_t>(I * 7);
  for (const bool Crc32 : {false, true}) {
    for (const uint8_t End : {ZCRCE, ZCRCG, ZCRCQ, ZCRCW}) {
      TFrameWriter W;
      W.SetEscapeControls(End == ZCRCQ);
      W.Subpacket(Data.data(), Data.size(), End, Crc32);
      for (size_t Step : {W.Out.size(), size_t{1}, size_t{7}}) {
        TSubpacketReader S;
        S.Start(1024, Crc32);
        size_t At = 0, Used = 0;
        auto Got = TSubpacketReader::TResult::Pending;
        while (At < W.Out.size() && Got == TSubpacketReader::TResult::Pending) {
          Got = S.Feed(W.Out.data() + At, std::min(Step, W.Out.size() - At), Used);
          At += Used;
        }
        ASSERT_EQ(Got, TSubpacketReader::TResult::Done) << Crc32 << End << Step;
        EXPECT_EQ(TBytes(S.Data(), S.Data() + S.Length()), Data);
        EXPECT_EQ(S.End, End);
      }
      TBytes Bad = W.Out;
      Bad[100] ^= 0x20;
      TSubpacketReader S;
      S.Start(1024, Crc32);
      size_t Used = 0;
      EXPECT_NE(S.Feed(Bad.data(), Bad.size(), Used), TSubpacketReader::TResult::Done);
      S.Start(299, Crc32);
      EXPECT_EQ(S.Feed(W.Out.data(), W.Out.size(), Used), TSubpacketReader::TResult::TooLong);
    }
  }
  // Flow control on the line, with or without parity, is no data; and a subpacket one escaped
  // byte over the limit is too long, like one plain byte over it.
  TBytes Last = Data;
  Last.back() = ZDLE;
  TFrameWriter W;
  W.Subpacket(Last.data(), Last.size(), ZCRCG, true);
  TBytes Noisy = W.Out;
  for (const uint8_t Flow : {XON, XOFF, uint8_t(XON | 0x80), uint8_t(XOFF | 0x80)})
    Noisy.insert(Noisy.begin() + 150, Flow);
  TSubpacketReader S;
  size_t Used = 0;
  S.Start(1024, true);
  ASSERT_EQ(S.Feed(Noisy.data(), Noisy.size(), Used), TSubpacketReader::TResult::Done);
  EXPECT_EQ(TBytes(S.Data(), S.Data() + S.Length()), Last);
  S.Start(299, true);
  EXPECT_EQ(S.Feed(W.Out.data(), W.Out.size(), Used), TSubpacketReader::TResult::TooLong);
}

TEST(ZmodemCancel, FiveInARow) {
  struct TCase {
    std::vector<std::string> Feeds;
    bool Cancel;
  } Cases[] = {
      {{"\x18\x18\x18\x18\x18"}, true},
      {{"ab\x18\x18", "\x18\x18\x18"}, true},
      {{"\x18\x18\x18\x18" "a\x18\x18\x18\x18"}, false},
      {{"\x18" "B00", "\x18\x18\x18\x18"}, false},
  };
  for (const auto& C : Cases) {
    TCancelDetector D;
    bool Got = false;
    for (const auto& F : C.Feeds) Got |= D.Feed(U(F.c_str()), F.size());
    EXPECT_EQ(Got, C.Cancel) << C.Feeds[0];
  }
}

TEST(ZmodemFileInfo, ParseTable) {
  constexpr int64_t Max = std::numeric_limits<int64_t>::max();
  struct TCase {
    std::string Wire, Name;
    int64_t Size;
    bool HasSize;
  } Cases[] = {
      {std::string("a.bin\0" "123 15305460101 100644 0 1 123\0", 37), "a.bin", 123, true},
      {std::string("a.bin\0" "5000\0", 11), "a.bin", 5000, true},
      {std::string("dir/x\0", 6), "dir/x", 0, false},
      {std::string("x\0" "12ab 7\0", 9), "x", 0, false},
      {std::string("x\0" "99999999999999999999999 1\0", 27), "x", Max, true},
      {"no-nul", "no-nul", 0, false},
      {"", "", 0, false},
  };
  for (const auto& C : Cases) {
    const TFileInfo F = ParseFileInfo(U(C.Wire.data()), C.Wire.size());
    EXPECT_EQ(F.Name, C.Name);
    EXPECT_EQ(F.Size, C.Size) << C.Name;
    EXPECT_EQ(F.HasSize, C.HasSize) << C.Name;
  }
  const TBytes Info = BuildFileInfo("/up/load/name.txt", 1234, 8);
  EXPECT_EQ(std::string(Info.begin(), Info.end()), std::string("name.txt\0" "1234 10\0", 17));
}

TEST(ZmodemNames, ReceiveRules) {
  struct TCase {
    std::string Remote, Local;  // Local empty: refused
  } Cases[] = {
      {"file.zip", "file.zip"},
      {"../../etc/passwd", "passwd"},
      {"C:\\DOOR\\..\\GAME.ZIP", "GAME.ZIP"},
      {"a/b\\c", "c"},
      {"\x82t\xe9.txt", "\x82t\xe9.txt"},
      {std::string(255, 'n'), std::string(255, 'n')},
      {std::string(256, 'n'), ""},
      {"", ""},
      {".", ""},
      {"..", ""},
      {"dir/..", ""},
      {"dir/", ""},
      {"x\\.", ""},
      {"bad\x01name", ""},
      {"bad\x7fname", ""},
      {"tab\tname", ""},
  };
  for (const auto& C : Cases) {
    std::string Got;
    EXPECT_EQ(SafeReceiveName(C.Remote, Got), !C.Local.empty()) << C.Remote;
    if (!C.Local.empty()) {
      EXPECT_EQ(Got, C.Local);
    }
  }
  for (const char* N : {"lanternyx.cfg", "LANTERNYX.INI", "lanternyx.hosts", "my.phn", "LOGON.SCR"})
    EXPECT_TRUE(IsProgramFileName(N)) << N;
  for (const char* N : {"lanternyx.zip", "phn", ".phnx", "scr.txt", "lanternyx.cfg.1"})
    EXPECT_FALSE(IsProgramFileName(N)) << N;
}

}  // namespace
