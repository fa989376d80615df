#pragma once
// Field-by-field access to the program's binary records: little-endian
// integers and length-prefixed strings (String[N] takes N + 1 bytes).
// Every access is bounds-checked against the buffer; nothing is trusted.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace lx {

uint8_t GetU8(std::span<const uint8_t> B, std::size_t Off);
uint16_t GetU16(std::span<const uint8_t> B, std::size_t Off);
uint32_t GetU32(std::span<const uint8_t> B, std::size_t Off);
int32_t GetI32(std::span<const uint8_t> B, std::size_t Off);
// A length byte above MaxLen is read as MaxLen.
std::string GetStr(std::span<const uint8_t> B, std::size_t Off, std::size_t MaxLen);

void PutU8(std::span<uint8_t> B, std::size_t Off, uint8_t V);
void PutU16(std::span<uint8_t> B, std::size_t Off, uint16_t V);
void PutU32(std::span<uint8_t> B, std::size_t Off, uint32_t V);
void PutI32(std::span<uint8_t> B, std::size_t Off, int32_t V);
// Writes S cut to MaxLen, zero-filling the unused tail of the field.
void PutStr(std::span<uint8_t> B, std::size_t Off, std::size_t MaxLen, const std::string& S);

}  // namespace lx
