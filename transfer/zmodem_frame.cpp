#include "transfer/zmodem_frame.h"

#include <cstring>
#include <limits>

#include "support/strings.h"

namespace zm {

namespace {

constexpr std::array<uint16_t, 256> MakeCrc16Table() {
  std::array<uint16_t, 256> T{};
  for (unsigned I = 0; I < 256; ++I) {
    uint16_t C = static_cast<uint16_t>(I << 8);
    for (int K = 0; K < 8; ++K) C = static_cast<uint16_t>(C & 0x8000 ? (C << 1) ^ 0x1021 : C << 1);
    T[I] = C;
  }
  return T;
}

// Eight tables: the data path checks every received and sent byte, so the CRC takes eight
// bytes per step.
constexpr std::array<std::array<uint32_t, 256>, 8> MakeCrc32Tables() {
  std::array<std::array<uint32_t, 256>, 8> T{};
  for (uint32_t I = 0; I < 256; ++I) {
    uint32_t C = I;
    for (int K = 0; K < 8; ++K) C = C & 1 ? (C >> 1) ^ 0xEDB88320u : C >> 1;
    T[0][I] = C;
  }
  for (uint32_t I = 0; I < 256; ++I)
    for (int S = 1; S < 8; ++S) T[S][I] = (T[S - 1][I] >> 8) ^ T[0][T[S - 1][I] & 0xff];
  return T;
}

constexpr auto Crc16Table = MakeCrc16Table();
constexpr auto Crc32Tables = MakeCrc32Tables();

constexpr char HexDigits[] = "0123456789abcdef";

// Bytes the readers drop wherever they appear: flow control, with or without parity.
constexpr bool IsFlowControl(uint8_t B) { return (B & 0x7f) == XON || (B & 0x7f) == XOFF; }

constexpr std::array<bool, 256> MakeSpecial() {
  std::array<bool, 256> T{};
  T[ZDLE] = T[XON] = T[XOFF] = T[XON | 0x80] = T[XOFF | 0x80] = true;
  return T;
}
constexpr auto DataSpecial = MakeSpecial();

// Value of a byte after ZDLE: frame ends are handled by the callers.
uint8_t Unescape(uint8_t B) {
  if (B == ZRUB0) return 0x7f;
  if (B == ZRUB1) return 0xff;
  return B ^ 0x40;
}

bool IsFrameEnd(uint8_t B) { return B >= ZCRCE && B <= ZCRCW; }

}  // namespace

uint16_t Crc16(uint16_t Crc, const uint8_t* P, size_t N) {
  for (size_t I = 0; I < N; ++I) Crc = static_cast<uint16_t>((Crc << 8) ^ Crc16Table[(Crc >> 8) ^ P[I]]);
  return Crc;
}

uint32_t Crc32Update(uint32_t Crc, const uint8_t* P, size_t N) {
  const auto& T = Crc32Tables;
  while (N >= 8) {
    const uint32_t A = Crc ^ (P[0] | P[1] << 8 | P[2] << 16 | static_cast<uint32_t>(P[3]) << 24);
    Crc = T[7][A & 0xff] ^ T[6][(A >> 8) & 0xff] ^ T[5][(A >> 16) & 0xff] ^ T[4][A >> 24] ^ T[3][P[4]] ^
          T[2][P[5]] ^ T[1][P[6]] ^ T[0][P[7]];
    P += 8;
    N -= 8;
  }
  while (N--) Crc = (Crc >> 8) ^ T[0][(Crc ^ *P++) & 0xff];
  return Crc;
}

// ---------------------------------------------------------------------------------------------
// Writing

void TFrameWriter::SetEscapeControls(bool On) {
  EscCtl = On;
  Class.fill(0);
  for (uint8_t B : {16, 17, 19, 24, 144, 145, 147}) Class[B] = 1;
  Class[255] = 2;
  Class[13] = Class[141] = 3;
  if (On)
    for (int B = 0; B < 256; ++B)
      if ((B & 0x60) == 0) Class[B] = 1;
}

void TFrameWriter::Raw(const uint8_t* P, size_t N) { Out.insert(Out.end(), P, P + N); }

void TFrameWriter::Escaped(const uint8_t* P, size_t N) {
  uint8_t Prev = Last();
  const size_t Base = Out.size();
  Out.resize(Base + 2 * N);
  uint8_t* O = Out.data() + Base;
  for (size_t I = 0; I < N; ++I) {
    const uint8_t B = P[I];
    switch (Class[B]) {
      case 0:
        *O++ = Prev = B;
        continue;
      case 2:
        *O++ = ZDLE;
        *O++ = Prev = ZRUB1;
        continue;
      case 3:
        if ((Prev & 0x7f) != '@') {
          *O++ = Prev = B;
          continue;
        }
        [[fallthrough]];
      default:
        *O++ = ZDLE;
        *O++ = Prev = B ^ 0x40;
    }
  }
  Out.resize(static_cast<size_t>(O - Out.data()));
}

void TFrameWriter::HexHeader(const THeader& H) {
  uint8_t V[7] = {H.Type, H.P[0], H.P[1], H.P[2], H.P[3], 0, 0};
  const uint16_t C = Crc16(0, V, 5);
  V[5] = static_cast<uint8_t>(C >> 8);
  V[6] = static_cast<uint8_t>(C);
  const uint8_t Lead[] = {ZPAD, ZPAD, ZDLE, ZHEX};
  Raw(Lead, sizeof Lead);
  for (uint8_t X : V) {
    Out.push_back(static_cast<uint8_t>(HexDigits[X >> 4]));
    Out.push_back(static_cast<uint8_t>(HexDigits[X & 15]));
  }
  Out.push_back(13);
  Out.push_back(10 | 0x80);
  // The receiver's XON restarts a sender that saw XOFF on a line noise; not after the closing
  // frames, which the other side reads with a plain character wait.
  if (H.Type != ZFIN && H.Type != ZACK) Out.push_back(XON);
}

void TFrameWriter::BinHeader(const THeader& H, bool Crc32) {
  const uint8_t Lead[] = {ZPAD, ZDLE, Crc32 ? ZBIN32 : ZBIN};
  Raw(Lead, sizeof Lead);
  uint8_t V[9] = {H.Type, H.P[0], H.P[1], H.P[2], H.P[3]};
  size_t N = 5;
  if (Crc32) {
    const uint32_t C = Crc32Of(V, 5);
    for (int I = 0; I < 4; ++I) V[N++] = static_cast<uint8_t>(C >> (8 * I));
  } else {
    const uint16_t C = Crc16(0, V, 5);
    V[N++] = static_cast<uint8_t>(C >> 8);
    V[N++] = static_cast<uint8_t>(C);
  }
  Escaped(V, N);
}

void TFrameWriter::Subpacket(const uint8_t* Data, size_t N, uint8_t End, bool Crc32) {
  Escaped(Data, N);
  Out.push_back(ZDLE);
  Out.push_back(End);
  uint8_t C[4];
  size_t CN;
  if (Crc32) {
    const uint32_t V = ~Crc32Update(Crc32Update(0xFFFFFFFFu, Data, N), &End, 1);
    for (int I = 0; I < 4; ++I) C[I] = static_cast<uint8_t>(V >> (8 * I));
    CN = 4;
  } else {
    const uint16_t V = Crc16(Crc16(0, Data, N), &End, 1);
    C[0] = static_cast<uint8_t>(V >> 8);
    C[1] = static_cast<uint8_t>(V);
    CN = 2;
  }
  Escaped(C, CN);
  if (End == ZCRCW) Out.push_back(XON);
}

// ---------------------------------------------------------------------------------------------
// Header reading

THeaderReader::TResult THeaderReader::Finish() {
  S = TState::Seek;
  bool Ok;
  if (Kind == ZBIN32) {
    const uint32_t Want = Buf[5] | Buf[6] << 8 | Buf[7] << 16 | static_cast<uint32_t>(Buf[8]) << 24;
    Ok = Crc32Of(Buf, 5) == Want;
  } else {
    Ok = Crc16(0, Buf, 5) == static_cast<uint16_t>(Buf[5] << 8 | Buf[6]);
  }
  if (!Ok) return TResult::CrcError;
  Hdr.Type = Buf[0];
  for (int I = 0; I < 4; ++I) Hdr.P[I] = Buf[1 + I];
  TailLeft = Kind == ZHEX ? 2 : 0;
  return TResult::Header;
}

THeaderReader::TResult THeaderReader::Feed(const uint8_t* P, size_t N, size_t& Used) {
  size_t I = 0;
  TResult R = TResult::Pending;
  while (I < N && R == TResult::Pending) {
    const uint8_t B = P[I++];
    const uint8_t C = B & 0x7f;
    switch (S) {
      case TState::Seek: {
        if (C != ZPAD) {
          // Long runs of data between headers: jump to the next pad.
          const void* Q = std::memchr(P + I, ZPAD, N - I);
          const void* Q2 = std::memchr(P + I, ZPAD | 0x80, N - I);
          const uint8_t* Next = static_cast<const uint8_t*>(Q ? Q : Q2);
          if (Q && Q2 && Q2 < Q) Next = static_cast<const uint8_t*>(Q2);
          I = Next ? static_cast<size_t>(Next - P) : N;
          break;
        }
        S = TState::Pad;
        TailLeft = 0;
        break;
      }
      case TState::Pad:
        if (C == ZPAD || IsFlowControl(B)) break;
        S = B == ZDLE ? TState::Zdle : TState::Seek;
        break;
      case TState::Zdle:
        if (IsFlowControl(B)) break;
        Count = 0;
        HaveNibble = false;
        if (C == ZHEX) {
          Kind = ZHEX;
          S = TState::Hex;
        } else if (C == ZBIN || C == ZBIN32) {
          Kind = C;
          S = TState::Bin;
        } else {
          S = C == ZPAD ? TState::Pad : TState::Seek;
        }
        break;
      case TState::Hex: {
        if (IsFlowControl(B)) break;
        const uint8_t D = C >= '0' && C <= '9' ? C - '0' : C >= 'a' && C <= 'f' ? C - 'a' + 10 : 0;
        if (!HaveNibble) {
          Nibble = D;
          HaveNibble = true;
          break;
        }
        HaveNibble = false;
        Buf[Count++] = static_cast<uint8_t>(Nibble << 4 | D);
        if (Count == 7) R = Finish();
        break;
      }
      case TState::Bin:
      case TState::BinEsc: {
        if ((B & 0x7f) == XON || (B & 0x7f) == XOFF) break;
        uint8_t V;
        if (S == TState::Bin) {
          if (B == ZDLE) {
            S = TState::BinEsc;
            break;
          }
          V = B;
        } else {
          if (B == ZDLE) break;
          if (IsFrameEnd(B)) {
            // A frame end cannot sit inside a header: the header is damaged.
            S = TState::Seek;
            R = TResult::CrcError;
            break;
          }
          V = Unescape(B);
          S = TState::Bin;
        }
        Buf[Count++] = V;
        if (Count == (Kind == ZBIN32 ? 9 : 7)) R = Finish();
        break;
      }
    }
  }
  Used = I;
  if (R == TResult::Header && TailLeft > 0) Used += SkipTail(P + I, N - I);
  return R;
}

size_t THeaderReader::SkipTail(const uint8_t* P, size_t N) {
  size_t I = 0;
  while (TailLeft > 0 && I < N) {
    const uint8_t C = P[I] & 0x7f;
    if (C != 13 && C != 10) {
      TailLeft = 0;
      break;
    }
    ++I;
    TailLeft = C == 10 ? 0 : TailLeft - 1;
  }
  return I;
}

// ---------------------------------------------------------------------------------------------
// Subpacket reading

void TSubpacketReader::Start(size_t MaxLen, bool Crc32) {
  Max = MaxLen;
  if (Buf.size() < Max) Buf.resize(Max);
  Len = 0;
  Use32 = Crc32;
  S = TState::Data;
  CrcCount = 0;
  End = 0;
}

TSubpacketReader::TResult TSubpacketReader::Check() {
  S = TState::Data;
  bool Ok;
  if (Use32) {
    const uint32_t Want =
        CrcBytes[0] | CrcBytes[1] << 8 | CrcBytes[2] << 16 | static_cast<uint32_t>(CrcBytes[3]) << 24;
    Ok = ~Crc32Update(Crc32Update(0xFFFFFFFFu, Buf.data(), Len), &End, 1) == Want;
  } else {
    Ok = Crc16(Crc16(0, Buf.data(), Len), &End, 1) == static_cast<uint16_t>(CrcBytes[0] << 8 | CrcBytes[1]);
  }
  return Ok ? TResult::Done : TResult::CrcError;
}

TSubpacketReader::TResult TSubpacketReader::Feed(const uint8_t* P, size_t N, size_t& Used) {
  size_t I = 0;
  TResult R = TResult::Pending;
  while (I < N && R == TResult::Pending) {
    if (S == TState::Data) {
      // Plain bytes are copied in runs up to the next byte that needs a look; the run is
      // searched eight bytes a step (every received byte passes here).
      size_t J = I;
      const auto& Sp = DataSpecial;
      while (J + 8 <= N && !(Sp[P[J]] | Sp[P[J + 1]] | Sp[P[J + 2]] | Sp[P[J + 3]] | Sp[P[J + 4]] | Sp[P[J + 5]] |
                             Sp[P[J + 6]] | Sp[P[J + 7]]))
        J += 8;
      while (J < N && !Sp[P[J]]) ++J;
      const size_t Run = J - I;
      if (Run > 0) {
        if (Len + Run > Max) {
          I += Max - Len + 1;
          R = TResult::TooLong;
          break;
        }
        std::memcpy(Buf.data() + Len, P + I, Run);
        Len += Run;
        I = J;
        continue;
      }
      if (P[I++] == ZDLE) S = TState::DataEsc;
      continue;
    }
    const uint8_t B = P[I++];
    if (IsFlowControl(B)) continue;
    switch (S) {
      case TState::DataEsc:
        // A CAN after ZDLE belongs to a cancel run, which the caller's detector judges.
        if (B == ZDLE) continue;
        S = TState::Data;
        if (IsFrameEnd(B)) {
          End = B;
          S = TState::Crc;
          continue;
        }
        if (Len >= Max) {
          R = TResult::TooLong;
          continue;
        }
        Buf[Len++] = Unescape(B);
        continue;
      case TState::Crc:
        if (B == ZDLE) {
          S = TState::CrcEsc;
          continue;
        }
        CrcBytes[CrcCount++] = B;
        break;
      case TState::CrcEsc:
        if (B == ZDLE) continue;
        S = TState::Crc;
        if (IsFrameEnd(B)) {
          S = TState::Data;
          R = TResult::CrcError;
          continue;
        }
        CrcBytes[CrcCount++] = Unescape(B);
        break;
      case TState::Data:
        break;
    }
    if (CrcCount == (Use32 ? 4 : 2)) R = Check();
  }
  Used = I;
  return R;
}

bool TCancelDetector::Feed(const uint8_t* P, size_t N) {
  size_t I = 0;
  while (I < N) {
    if (P[I] != ZDLE) {
      Run = 0;
      const void* Q = std::memchr(P + I, ZDLE, N - I);
      if (!Q) return false;
      I = static_cast<size_t>(static_cast<const uint8_t*>(Q) - P);
      continue;
    }
    if (++Run >= 5) return true;
    ++I;
  }
  return false;
}

// ---------------------------------------------------------------------------------------------
// File information

TFileInfo ParseFileInfo(const uint8_t* P, size_t N) {
  TFileInfo F;
  const void* Nul = std::memchr(P, 0, N);
  const size_t NameLen = Nul ? static_cast<size_t>(static_cast<const uint8_t*>(Nul) - P) : N;
  F.Name.assign(reinterpret_cast<const char*>(P), NameLen);
  size_t I = NameLen + 1;
  if (I >= N) return F;
  int64_t V = 0;
  bool Digits = false;
  for (; I < N && P[I] != ' ' && P[I] != 0; ++I) {
    if (P[I] < '0' || P[I] > '9') return F;
    Digits = true;
    const int D = P[I] - '0';
    V = V > (std::numeric_limits<int64_t>::max() - D) / 10 ? std::numeric_limits<int64_t>::max() : V * 10 + D;
  }
  F.Size = V;
  F.HasSize = Digits;
  return F;
}

std::vector<uint8_t> BuildFileInfo(const std::string& Name, int64_t Size, int64_t ModTime) {
  const size_t Cut = Name.find_last_of("/\\");
  const std::string Base = Cut == std::string::npos ? Name : Name.substr(Cut + 1);
  std::string S = Base;
  S.push_back('\0');
  S += std::to_string(Size < 0 ? 0 : Size) + " " + lx::OctStr(ModTime > 0 ? static_cast<uint64_t>(ModTime) : 0);
  S.push_back('\0');
  return {S.begin(), S.end()};
}

}  // namespace zm
