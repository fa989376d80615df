// Zmodem framing: frame types and flags, CRCs, header and subpacket encoding, and the two
// readers (headers, data subpackets) that turn received bytes into frames. Everything here
// works on byte spans and keeps its state between calls, so input may arrive cut anywhere.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zm {

inline constexpr uint8_t ZPAD = '*';
inline constexpr uint8_t ZDLE = 24;  // also CAN
inline constexpr uint8_t ZBIN = 'A';
inline constexpr uint8_t ZHEX = 'B';
inline constexpr uint8_t ZBIN32 = 'C';
inline constexpr uint8_t XON = 17;
inline constexpr uint8_t XOFF = 19;

// Frame types.
inline constexpr uint8_t ZRQINIT = 0, ZRINIT = 1, ZSINIT = 2, ZACK = 3, ZFILE = 4, ZSKIP = 5, ZNAK = 6,
                         ZABORT = 7, ZFIN = 8, ZRPOS = 9, ZDATA = 10, ZEOF = 11, ZFERR = 12, ZCRC = 13,
                         ZCHALLENGE = 14, ZCOMPL = 15, ZCAN = 16, ZFREECNT = 17, ZCOMMAND = 18;

// Subpacket ends.
inline constexpr uint8_t ZCRCE = 'h', ZCRCG = 'i', ZCRCQ = 'j', ZCRCW = 'k', ZRUB0 = 'l', ZRUB1 = 'm';

// ZRINIT flags (ZF0).
inline constexpr uint8_t CANFDX = 0x01, CANOVIO = 0x02, CANBRK = 0x04, CANFC32 = 0x20, ESCCTL = 0x40,
                         ESC8 = 0x80;
// ZSINIT flags (ZF0).
inline constexpr uint8_t TESCCTL = 0x40;
// ZFILE conversion (ZF0).
inline constexpr uint8_t ZCBIN = 1, ZCNL = 2, ZCRESUM = 3;
// ZFILE management (ZF1): the option in the low five bits, ZMSKNOLOC on top.
inline constexpr uint8_t ZMSKNOLOC = 0x80, ZMMASK = 0x1f, ZMNEWL = 1, ZMCRC = 2, ZMAPND = 3, ZMCLOB = 4,
                         ZMNEW = 5, ZMDIFF = 6, ZMPROT = 7;

// Header argument bytes: P[0] is ZP0 (least significant byte of a position), P[3] is ZP3 = ZF0.
struct THeader {
  uint8_t Type = 0;
  std::array<uint8_t, 4> P{};

  uint32_t Pos() const { return P[0] | P[1] << 8 | P[2] << 16 | static_cast<uint32_t>(P[3]) << 24; }
  uint8_t ZF0() const { return P[3]; }
  uint8_t ZF1() const { return P[2]; }
  static THeader At(uint8_t Type, uint32_t Pos) {
    return {Type, {uint8_t(Pos), uint8_t(Pos >> 8), uint8_t(Pos >> 16), uint8_t(Pos >> 24)}};
  }
  static THeader Flags(uint8_t Type, uint8_t F3, uint8_t F2, uint8_t F1, uint8_t F0) {
    return {Type, {F3, F2, F1, F0}};
  }
};

// CRC-16/XMODEM (polynomial 0x1021, initial 0), sent high byte first.
uint16_t Crc16(uint16_t Crc, const uint8_t* P, size_t N);
// The reflected CRC-32 (0xEDB88320) without the initial and final inversion; callers start
// from 0xFFFFFFFF and send the complement, least significant byte first.
uint32_t Crc32Update(uint32_t Crc, const uint8_t* P, size_t N);
// The usual file checksum: inverted start and end (what `cksum`-style tools and lrzsz's ZCRC
// answer report).
inline uint32_t Crc32Of(const uint8_t* P, size_t N) { return ~Crc32Update(0xFFFFFFFFu, P, N); }

// Builds outgoing frames into a byte buffer with the escaping rules. The last byte written is
// remembered across calls for the CR-after-"@" rule (a telnet escape some links act on).
class TFrameWriter {
 public:
  TFrameWriter() { SetEscapeControls(false); }
  // Escape every control character (0-31, 128-159) as well.
  void SetEscapeControls(bool On);
  bool EscapeControls() const { return EscCtl; }

  void HexHeader(const THeader& H);
  void BinHeader(const THeader& H, bool Crc32);
  // Data escaped, then ZDLE and End raw, then the escaped CRC; XON after a ZCRCW.
  void Subpacket(const uint8_t* Data, size_t N, uint8_t End, bool Crc32);
  void Raw(const uint8_t* P, size_t N);
  void Raw(uint8_t B) { Raw(&B, 1); }

  // Called once Out has been sent, so the CR rule still sees the byte before.
  void Sent() {
    if (!Out.empty()) LastFlushed = Out.back();
    Out.clear();
  }

  std::vector<uint8_t> Out;

 private:
  void Escaped(const uint8_t* P, size_t N);
  uint8_t Last() const { return Out.empty() ? LastFlushed : Out.back(); }

  bool EscCtl = false;
  uint8_t LastFlushed = 0;
  // 0 plain, 1 ZDLE and b xor 64, 2 ZDLE "m" (255), 3 CR: escaped only after "@".
  std::array<uint8_t, 256> Class{};
};

// Reads one header at a time out of received bytes. Everything before "*" is noise.
class THeaderReader {
 public:
  enum class TResult : uint8_t { Pending, Header, CrcError };

  void Reset() { S = TState::Seek; }
  // Consumes bytes from P[0..N) until a header is complete or a CRC failed; Used tells how
  // many were taken. After a hex header its CR and LF are taken too when already present.
  TResult Feed(const uint8_t* P, size_t N, size_t& Used);

  THeader Hdr;
  // 'A', 'B' or 'C': the subpacket after this header uses CRC-32 only after 'C'.
  uint8_t Kind = 0;
  bool Crc32() const { return Kind == ZBIN32; }
  // Takes the CR and LF that close a hex header when they come in a later read; returns how
  // many leading bytes of P were theirs.
  size_t SkipTail(const uint8_t* P, size_t N);

 private:
  enum class TState : uint8_t { Seek, Pad, Zdle, Hex, Bin, BinEsc };
  TResult Finish();
  TState S = TState::Seek;
  uint8_t Buf[9]{};
  uint8_t Count = 0;   // values (hex) or bytes (binary) collected
  uint8_t Nibble = 0;  // hex: high digit waiting
  bool HaveNibble = false;
  int TailLeft = 0;
};

// Decodes one data subpacket: escaped bytes up to ZDLE and a frame end, then the CRC.
class TSubpacketReader {
 public:
  enum class TResult : uint8_t { Pending, Done, CrcError, TooLong };

  // MaxLen: the longest subpacket accepted; Crc32 follows the header that started it.
  void Start(size_t MaxLen, bool Crc32);
  TResult Feed(const uint8_t* P, size_t N, size_t& Used);

  const uint8_t* Data() const { return Buf.data(); }
  size_t Length() const { return Len; }
  uint8_t End = 0;  // ZCRCE, ZCRCG, ZCRCQ or ZCRCW once Done

 private:
  enum class TState : uint8_t { Data, DataEsc, Crc, CrcEsc };
  TResult Check();
  std::vector<uint8_t> Buf;
  size_t Len = 0;
  size_t Max = 0;
  bool Use32 = false;
  TState S = TState::Data;
  uint8_t CrcBytes[4]{};
  uint8_t CrcCount = 0;
};

// Counts runs of CAN: five in a row is the other side's cancel (a valid stream never holds
// two, since a data CAN is always sent escaped).
class TCancelDetector {
 public:
  bool Feed(const uint8_t* P, size_t N);
  void Reset() { Run = 0; }

 private:
  int Run = 0;
};

// The file information a ZFILE subpacket carries: name, NUL, then optional decimal size,
// octal modification time and mode separated by spaces.
struct TFileInfo {
  std::string Name;  // raw bytes as sent, cut at the first NUL
  int64_t Size = 0;  // 0 when absent or not a number; saturates
  bool HasSize = false;
};
TFileInfo ParseFileInfo(const uint8_t* P, size_t N);
// Name (the last path component is used), NUL, size, space, octal time, NUL.
std::vector<uint8_t> BuildFileInfo(const std::string& Name, int64_t Size, int64_t ModTime);

}  // namespace zm
