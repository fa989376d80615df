// Framing: CRCs, escaping, headers and subpackets through the readers cut at every byte,
// file information and the rules for received names; the upload queue.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "support/test_tempdir.h"
#include "transfer/protocol_queue.h"
#include "transfer/zmodem.h"
#include "transfer/zmodem_frame.h"

using namespace zm;
using namespace std::string_literals;

namespace {

TBytes B(const std::string& S) { return TBytes(S.begin(), S.end()); }
const uint8_t* U(const char* S) { return reinterpret_cast<const uint8_t*>(S); }

// Feeds Wire to a reader Step bytes at a time until it is no longer pending; Rest tells how
// many bytes it left.
template <class TReader>
auto FeedAll(TReader& R, const TBytes& Wire, size_t Step, size_t* Rest = nullptr) {
  size_t At = 0, Used = 0;
  auto Got = TReader::TResult::Pending;
  for (; At < Wire.size() && Got == TReader::TResult::Pending; At += Used)
    Got = R.Feed(Wire.data() + At, std::min(Step, Wire.size() - At), Used);
  if (Rest) *Rest = Wire.size() - At;
  return Got;
}

TEST(ZmodemCrc, KnownValuesAndSplits) {
  EXPECT_EQ(Crc16(0, U("123456789"), 9), 0x31C3);
  EXPECT_EQ(Crc32Of(U("123456789"), 9), 0xCBF43926u);
  // The eight-byte steps agree with the byte-wise tail for every split of a longer text.
  const TBytes D = B("The quick brown fox jumps over the lazy dog, twice over.");
  const uint32_t Whole = Crc32Of(D.data(), D.size());
  for (size_t Cut = 0; Cut <= D.size(); ++Cut)
    EXPECT_EQ(~Crc32Update(Crc32Update(~0u, D.data(), Cut), D.data() + Cut, D.size() - Cut), Whole) << Cut;
}

// Data in, bytes on the wire before the frame end; with or without escaping every control.
TEST(ZmodemEscape, Table) {
  const std::tuple<bool, TBytes, TBytes> Cases[] = {  // escape every control, in -> wire
      {false, {255}, {24, 'm'}},
      {false, {'@', 13}, {'@', 24, 13 ^ 64}},
      {false, {'@' | 128, 141}, {'@' | 128, 24, 141 ^ 64}},
      {false, {'A', 13}, {'A', 13}},
      {false, {127, 24, 17, 19, 16, 144, 145, 147},
       {127, 24, 24 ^ 64, 24, 17 ^ 64, 24, 19 ^ 64, 24, 16 ^ 64, 24, 144 ^ 64, 24, 145 ^ 64, 24, 147 ^ 64}},
      {false, {1, 27, 128, 159, 160}, {1, 27, 128, 159, 160}},
      {true, {1, 27, 13, 128, 159, 160, ' '}, {24, 1 ^ 64, 24, 27 ^ 64, 24, 13 ^ 64, 24, 128 ^ 64, 24, 159 ^ 64, 160, ' '}},
  };
  for (const auto& [EscCtl, In, Wire] : Cases) {
    TFrameWriter W;
    W.SetEscapeControls(EscCtl);
    W.Subpacket(In.data(), In.size(), ZCRCG, false);
    TBytes Want = Wire;
    Want.insert(Want.end(), {ZDLE, ZCRCG});
    ASSERT_GE(W.Out.size(), Want.size());
    EXPECT_EQ(TBytes(W.Out.begin(), W.Out.begin() + static_cast<long>(Want.size())), Want);
  }
  // The CR rule looks at the last byte already sent, across flushes.
  TFrameWriter W;
  W.Raw('@');
  W.Sent();
  W.Subpacket(U("\r"), 1, ZCRCG, false);
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
      Kind == 'B' ? W.HexHeader(H) : W.BinHeader(H, Kind == 'C');
      TBytes Wire = B("rz\r*\x18Z garbage **");
      const size_t Lead = Wire.size();
      Wire.insert(Wire.end(), W.Out.begin(), W.Out.end());
      for (size_t Step : {Wire.size(), size_t{1}}) {
        THeaderReader R;
        size_t Rest = 0;
        ASSERT_EQ(FeedAll(R, Wire, Step, &Rest), THeaderReader::TResult::Header) << Kind << " step " << Step;
        EXPECT_EQ(std::tuple(R.Hdr.Type, R.Hdr.P, R.Kind), std::tuple(H.Type, H.P, uint8_t(Kind)));
        // A hex header's CR and LF are its own (taken with it, or later): only the XON remains.
        if (Kind == 'B') {
          EXPECT_EQ(Step > 1 ? Rest : R.SkipTail(Wire.data() + Wire.size() - Rest, Rest), Step > 1 ? 1u : 2u);
        }
      }
      for (size_t I = Lead + 3; I < Wire.size(); ++I) {
        TBytes Bad = Wire;
        Bad[I] ^= 0x01;
        THeaderReader R;
        const bool Taken = FeedAll(R, Bad, Bad.size()) == THeaderReader::TResult::Header;
        EXPECT_TRUE(!Taken || (R.Hdr.Type == H.Type && R.Hdr.P == H.P)) << "damage at " << I;
      }
    }
  }
  // Upper-case hex digits are not hex digits here: the CRC fails.
  THeaderReader R;
  EXPECT_NE(FeedAll(R, B("**\x18" "B0100000023BE50\r\n"), 99), THeaderReader::TResult::Header);
}

// Every frame end and CRC, read whole or cut; a damaged byte is no subpacket; the length
// limit; flow control on the line (with or without parity) is no data; one escaped byte
// over the limit is too long, like one plain byte over it.
TEST(ZmodemSubpacket, RoundTripDamageAndLength) {
  using TR = TSubpacketReader::TResult;
  TBytes Data(300);
  for (size_t I = 0; I < Data.size(); ++I) Data[I] = static_cast<uint8_t>(I * 7);
  for (const bool Crc32 : {false, true}) {
    Data.back() = Crc32 ? ZDLE : 'x';  // the byte over the limit below: escaped, or plain
    for (const uint8_t End : {ZCRCE, ZCRCG, ZCRCQ, ZCRCW}) {
      TFrameWriter W;
      W.SetEscapeControls(End == ZCRCQ);
      W.Subpacket(Data.data(), Data.size(), End, Crc32);
      TBytes Noisy = W.Out;
      for (const uint8_t Flow : {XON, XOFF, uint8_t(XON | 0x80), uint8_t(XOFF | 0x80)})
        Noisy.insert(Noisy.begin() + 150, Flow);  // flow control, with or without parity
      TSubpacketReader S;
      for (size_t Step : {W.Out.size(), size_t{1}, size_t{7}}) {
        S.Start(1024, Crc32);
        ASSERT_EQ(FeedAll(S, Step == 7 ? Noisy : W.Out, Step), TR::Done) << Crc32 << End << Step;
        EXPECT_EQ(std::pair(TBytes(S.Data(), S.Data() + S.Length()), S.End), std::pair(Data, End));
      }
      TBytes Bad = W.Out;
      Bad[100] ^= 0x20;
      S.Start(1024, Crc32);
      EXPECT_NE(FeedAll(S, Bad, Bad.size()), TR::Done);
      S.Start(299, Crc32);
      EXPECT_EQ(FeedAll(S, W.Out, W.Out.size()), TR::TooLong);
    }
  }
}

TEST(ZmodemCancel, FiveInARow) {
  const std::pair<std::vector<std::string>, bool> Cases[] = {{{"\x18\x18\x18\x18\x18"}, true},
                                                             {{"ab\x18\x18", "\x18\x18\x18"}, true},
                                                             {{"\x18\x18\x18\x18" "a\x18\x18\x18\x18"}, false},
                                                             {{"\x18" "B00", "\x18\x18\x18\x18"}, false}};
  for (const auto& [Feeds, Cancel] : Cases) {
    TCancelDetector D;
    bool Got = false;
    for (const auto& F : Feeds) Got |= D.Feed(U(F.c_str()), F.size());
    EXPECT_EQ(Got, Cancel) << Feeds[0];
  }
}

TEST(ZmodemFileInfo, ParseTable) {
  constexpr int64_t Max = std::numeric_limits<int64_t>::max();
  const std::tuple<std::string, std::string, int64_t, bool> Cases[] = {  // wire -> name, size, size given
      {std::string("a.bin\0" "123 15305460101 100644 0 1 123\0", 37), "a.bin", 123, true},
      {std::string("a.bin\0" "5000\0", 11), "a.bin", 5000, true}, {std::string("dir/x\0", 6), "dir/x", 0, false},
      {std::string("x\0" "12ab 7\0", 9), "x", 0, false},
      {std::string("x\0" "99999999999999999999999 1\0", 27), "x", Max, true},
      {"no-nul", "no-nul", 0, false}, {"", "", 0, false}};
  for (const auto& [Wire, Name, Size, HasSize] : Cases) {
    const TFileInfo F = ParseFileInfo(U(Wire.data()), Wire.size());
    EXPECT_EQ(std::tuple(F.Name, F.Size, F.HasSize), std::tuple(Name, Size, HasSize));
  }
  const TBytes Info = BuildFileInfo("/up/load/name.txt", 1234, 8);
  EXPECT_EQ(std::string(Info.begin(), Info.end()), std::string("name.txt\0" "1234 10\0", 17));
}

// Remote name -> local name ("-": refused); the program's own files by name.
TEST(ZmodemNames, ReceiveRules) {
  const std::pair<std::string, std::string> Cases[] = {
      {"file.zip", "file.zip"},  {"../../etc/passwd", "passwd"}, {"C:\\DOOR\\..\\GAME.ZIP", "GAME.ZIP"}, {"a/b\\c", "c"},
      {"\x82t\xe9.txt", "\x82t\xe9.txt"}, {std::string(255, 'n'), std::string(255, 'n')}, {std::string(256, 'n'), "-"},
      {"", "-"}, {".", "-"}, {"..", "-"}, {"dir/..", "-"}, {"dir/", "-"}, {"x\\.", "-"}, {"bad\x01name", "-"}, {"bad\x7fname", "-"},
      {"tab\tname", "-"},
  };
  for (const auto& [Remote, Local] : Cases) {
    std::string Got;
    EXPECT_EQ(SafeReceiveName(Remote, Got) ? Got : "-", Local) << Remote;
  }
  std::string Own;
  for (const char* N : {"lanternyx.cfg", "LANTERNYX.INI", "lanternyx.hosts", "my.phn", "LOGON.SCR", "lanternyx.zip", "phn",
                        ".phnx", "scr.txt", "lanternyx.cfg.1"})
    Own += IsProgramFileName(N) ? '1' : '0';
  EXPECT_EQ(Own, "1111100000");
}

// A FIFO is refused without opening it (which would block); ";" is an ordinary character;
// 200 paths of well over 120 characters each are kept whole, and no more.
TEST(ProtocolQueue, WhatIsAccepted) {
  TTempDir T;
  WriteFileBytes(T.Path("a.bin"), TBytes(1234, 7));
  WriteFileBytes(T.Path("b;c.bin"), TBytes(10, 7));
  ASSERT_EQ(mkfifo(T.Path("fifo").c_str(), 0600), 0);
  std::filesystem::create_directory(T.Path("dir"));
  // Must exist, name -> added, size, status.
  const std::tuple<bool, std::string, bool, int64_t, uint8_t> Cases[] = {
      {true, "a.bin", true, 1234, 0}, {true, "  b;c.bin \0"s, true, 10, 0}, {true, "missing", false, 0, 0},
      {false, "missing", true, 0, 5}, {false, "fifo", false, 0, 0}, {false, "dir", false, 0, 0},
      {false, "  ", false, 0, 0}};
  TProtocolQueue Q;
  for (const auto& [MustExist, Name, Added, Size, Status] : Cases) {
    ASSERT_EQ(Q.Add(MustExist, T.Dir(), Name), Added) << Name;
    if (Added) {
      EXPECT_EQ(std::pair(Q.Entry(Q.Count()).Size, Q.Entry(Q.Count()).Status), std::pair(Size, Status));
    }
  }
  const std::vector<std::string> Paths{T.Path("a.bin"), T.Path("b;c.bin"), T.Path("missing")};
  EXPECT_EQ(std::tuple(Q.Count(), Q.TotalSize, Q.FileList(), Q.IndexOf(T.Dir() + "//b;c.bin")),
            std::tuple(3, int64_t{1244}, Paths, 2));
  EXPECT_FALSE(Q.Contains(T.Path("other")));
  const std::string Dir = T.Path(std::string(150, 'd')), Name(90, 'n');
  for (int I = 3; I < 200; ++I) ASSERT_TRUE(Q.Add(false, Dir, Name + std::to_string(I)));
  EXPECT_FALSE(Q.Add(false, Dir, "one more"));
  EXPECT_EQ(std::pair(Q.Count(), Q.FileList()[199]), std::pair(200, Dir + "/" + Name + "199"));
}

// Current, deleted -> current after; deleting what is not there changes nothing.
TEST(ProtocolQueue, DeleteKeepsTheHighlight) {
  TTempDir T;
  TProtocolQueue Q;
  for (const char* N : {"1", "2", "3", "4"}) {
    WriteFileBytes(T.Path(N), TBytes(10, 1));
    Q.Add(true, T.Dir(), N);
  }
  for (const auto& [Current, Delete, After] : {std::tuple{3, 1, 2}, {2, 2, 2}, {4, 4, 3}, {1, 3, 1}, {0, 1, 0}}) {
    TProtocolQueue Copy = Q;
    Copy.Current = Current;
    Copy.Delete(Delete);
    EXPECT_EQ(std::tuple(Copy.Current, Copy.Count(), Copy.TotalSize), std::tuple(After, 3, int64_t{30})) << Current << Delete;
  }
  Q.Delete(9);
  EXPECT_EQ(Q.Count(), 4);
  Q.Clear();
  EXPECT_EQ(Q.Count() + Q.TotalSize + Q.Current, 0);
}

}  // namespace
