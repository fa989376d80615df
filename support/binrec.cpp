#include "support/binrec.h"

#include <algorithm>

namespace lx {

namespace {
bool Fits(std::size_t Size, std::size_t Off, std::size_t N) { return Off <= Size && N <= Size - Off; }
}  // namespace

uint8_t GetU8(std::span<const uint8_t> B, std::size_t Off) { return Fits(B.size(), Off, 1) ? B[Off] : 0; }

uint16_t GetU16(std::span<const uint8_t> B, std::size_t Off) {
  if (!Fits(B.size(), Off, 2)) return 0;
  return static_cast<uint16_t>(B[Off] | (B[Off + 1] << 8));
}

uint32_t GetU32(std::span<const uint8_t> B, std::size_t Off) {
  if (!Fits(B.size(), Off, 4)) return 0;
  return static_cast<uint32_t>(B[Off]) | (static_cast<uint32_t>(B[Off + 1]) << 8) |
         (static_cast<uint32_t>(B[Off + 2]) << 16) | (static_cast<uint32_t>(B[Off + 3]) << 24);
}

int32_t GetI32(std::span<const uint8_t> B, std::size_t Off) { return static_cast<int32_t>(GetU32(B, Off)); }

std::string GetStr(std::span<const uint8_t> B, std::size_t Off, std::size_t MaxLen) {
  if (!Fits(B.size(), Off, MaxLen + 1)) return {};
  std::size_t Len = B[Off];
  if (Len > MaxLen) Len = MaxLen;
  return std::string(reinterpret_cast<const char*>(B.data() + Off + 1), Len);
}

void PutU8(std::span<uint8_t> B, std::size_t Off, uint8_t V) {
  if (Fits(B.size(), Off, 1)) B[Off] = V;
}

void PutU16(std::span<uint8_t> B, std::size_t Off, uint16_t V) {
  if (!Fits(B.size(), Off, 2)) return;
  B[Off] = static_cast<uint8_t>(V);
  B[Off + 1] = static_cast<uint8_t>(V >> 8);
}

void PutU32(std::span<uint8_t> B, std::size_t Off, uint32_t V) {
  if (!Fits(B.size(), Off, 4)) return;
  for (int I = 0; I < 4; ++I) B[Off + I] = static_cast<uint8_t>(V >> (8 * I));
}

void PutI32(std::span<uint8_t> B, std::size_t Off, int32_t V) { PutU32(B, Off, static_cast<uint32_t>(V)); }

void PutStr(std::span<uint8_t> B, std::size_t Off, std::size_t MaxLen, const std::string& S) {
  if (!Fits(B.size(), Off, MaxLen + 1) || MaxLen > 255) return;
  std::size_t Len = S.size() < MaxLen ? S.size() : MaxLen;
  B[Off] = static_cast<uint8_t>(Len);
  uint8_t* const Text = B.data() + Off + 1;
  std::copy_n(reinterpret_cast<const uint8_t*>(S.data()), Len, Text);
  std::fill(Text + Len, Text + MaxLen, uint8_t{0});
}

}  // namespace lx
