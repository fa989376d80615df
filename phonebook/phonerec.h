#pragma once
// Phone-book records as stored on disk: a 48-byte header followed by 200
// entries of 362 bytes, little-endian, length-prefixed strings.

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "config/config.h"

namespace lx {

constexpr std::size_t PhoneHeaderSize = 48;
constexpr std::size_t PhoneRecSize = 362;
constexpr int PhoneEntries = 200;
constexpr std::size_t PhoneBookSize = PhoneHeaderSize + PhoneEntries * PhoneRecSize;  // 72,448
constexpr const char* PhoneBookVersion = "1.00";
constexpr const char* DefaultPhoneBookTitle = "Lanternyx Phone Book";

struct TPhoneHeader {
  std::string Title;                      // String[40]
  std::string Version = PhoneBookVersion;  // String[4]
  uint8_t TopEntry = 1;
  uint8_t BarRow = 1;
};

// Values of the byte fields.
enum : uint8_t { ProtoTelnet = 1, ProtoRlogin = 2, ProtoSSH = 3 };
enum : uint8_t { IPv4 = 0, IPv6 = 1, DefaultIPv4 = 2, DefaultIPv6 = 3 };
enum : uint8_t { EchoOff = 0, EchoOn = 1, EchoAuto = 2 };
enum : uint8_t { CharsetCP437 = 0, CharsetUTF8 = 1 };

struct TPhoneRec {
  std::string Name;         // String[40]
  std::string Address;      // String[40], host[:port]
  std::string UserName;     // String[40]
  std::string Password;     // String[20]
  std::string Comment;      // String[60]
  std::string CaptureFile;  // String[25]
  uint8_t StatusBar = 0;
  uint8_t EchoMode = 0;
  uint8_t Backspace = 0;
  uint8_t SendCRLF = 0;
  uint8_t Emulation = 0;
  uint8_t FontType = 0;
  uint8_t Mouse = 0;
  uint8_t Colors = 0;
  uint8_t IPType = 0;
  uint8_t Protocol = 0;
  // Three bytes that were reserved; zero keeps the behaviour of books written before them.
  uint8_t Charset = 0;    // 0 code page 437, 1 UTF-8
  uint8_t LineSpeed = 0;  // emulated line speed: 0 unlimited, 1..11 300..115200 bps
  uint8_t FontFace = 0;   // 0 the font FontType picks, else a font number of the font list
  std::string ScriptFile;  // String[25]
  uint8_t ScreenSize = 0;
  int32_t TotalCalls = 0;
  uint32_t LastCall = 0;  // MS-DOS packed local date-time; 0 = never
  std::string SysOp;      // String[40]
  std::string Software;   // String[40]
  uint8_t Rating = 0;
};

namespace PhoneOfs {
constexpr std::size_t Title = 0, Version = 41, TopEntry = 46, BarRow = 47;
constexpr std::size_t Name = 0, Address = 41, UserName = 82, Password = 123, Comment = 144, CaptureFile = 205,
                      StatusBar = 231, EchoMode = 232, Backspace = 233, SendCRLF = 234, Emulation = 235,
                      FontType = 236, Mouse = 237, Colors = 238, IPType = 239, Protocol = 240, Charset = 241,
                      LineSpeed = 242, FontFace = 243, ScriptFile = 244, ScreenSize = 270, TotalCalls = 271, LastCall = 275, SysOp = 279,
                      Software = 320, Rating = 361;
}  // namespace PhoneOfs

void EncodePhoneHeader(const TPhoneHeader& H, std::span<uint8_t, PhoneHeaderSize> Out);
TPhoneHeader DecodePhoneHeader(std::span<const uint8_t, PhoneHeaderSize> In);
void EncodePhoneRec(const TPhoneRec& R, std::span<uint8_t, PhoneRecSize> Out);
TPhoneRec DecodePhoneRec(std::span<const uint8_t, PhoneRecSize> In);

// All zero, then the defaults for a new entry, some taken from Cfg.
void InitPhoneRec(TPhoneRec& R, const TConfigRec& Cfg);
// Name and Address empty and never called.
bool IsBlankEntry(const TPhoneRec& R);
// Repairs out-of-range values of an entry read from a file.
void NormalisePhoneRec(TPhoneRec& R);
// Bits per second of a LineSpeed code: 0 for 0 (unlimited) and for codes past 11.
uint32_t LineSpeedBps(uint8_t Code);

// File offset of entry N (1-based).
constexpr std::size_t PhoneEntryOffset(int N) { return PhoneHeaderSize + static_cast<std::size_t>(N - 1) * PhoneRecSize; }

}  // namespace lx
