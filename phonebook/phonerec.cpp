#include "phonebook/phonerec.h"

#include <algorithm>
#include <array>

#include "console/font_faces.h"
#include "support/binrec.h"

namespace lx {

uint32_t LineSpeedBps(uint8_t Code) {
  static constexpr std::array<uint32_t, 12> Speeds = {0,     300,   600,   1200,  2400,  4800,
                                                      9600,  19200, 38400, 57600, 76800, 115200};
  return Code < Speeds.size() ? Speeds[Code] : 0;
}

void EncodePhoneHeader(const TPhoneHeader& H, std::span<uint8_t, PhoneHeaderSize> Out) {
  std::span<uint8_t> B = Out;
  std::fill(B.begin(), B.end(), 0);
  PutStr(B, PhoneOfs::Title, 40, H.Title);
  PutStr(B, PhoneOfs::Version, 4, H.Version);
  PutU8(B, PhoneOfs::TopEntry, H.TopEntry);
  PutU8(B, PhoneOfs::BarRow, H.BarRow);
}

TPhoneHeader DecodePhoneHeader(std::span<const uint8_t, PhoneHeaderSize> In) {
  std::span<const uint8_t> B = In;
  TPhoneHeader H;
  H.Title = GetStr(B, PhoneOfs::Title, 40);
  H.Version = GetStr(B, PhoneOfs::Version, 4);
  H.TopEntry = GetU8(B, PhoneOfs::TopEntry);
  H.BarRow = GetU8(B, PhoneOfs::BarRow);
  return H;
}

void EncodePhoneRec(const TPhoneRec& R, std::span<uint8_t, PhoneRecSize> Out) {
  using namespace PhoneOfs;
  std::span<uint8_t> B = Out;
  std::fill(B.begin(), B.end(), 0);
  PutStr(B, Name, 40, R.Name);
  PutStr(B, Address, 40, R.Address);
  PutStr(B, UserName, 40, R.UserName);
  PutStr(B, Password, 20, R.Password);
  PutStr(B, Comment, 60, R.Comment);
  PutStr(B, CaptureFile, 25, R.CaptureFile);
  PutU8(B, StatusBar, R.StatusBar);
  PutU8(B, EchoMode, R.EchoMode);
  PutU8(B, Backspace, R.Backspace);
  PutU8(B, SendCRLF, R.SendCRLF);
  PutU8(B, Emulation, R.Emulation);
  PutU8(B, FontType, R.FontType);
  PutU8(B, Mouse, R.Mouse);
  PutU8(B, Colors, R.Colors);
  PutU8(B, IPType, R.IPType);
  PutU8(B, Protocol, R.Protocol);
  PutU8(B, Charset, R.Charset);
  PutU8(B, LineSpeed, R.LineSpeed);
  PutU8(B, FontFace, R.FontFace);
  PutStr(B, ScriptFile, 25, R.ScriptFile);
  PutU8(B, ScreenSize, R.ScreenSize);
  PutI32(B, TotalCalls, R.TotalCalls);
  PutU32(B, LastCall, R.LastCall);
  PutStr(B, SysOp, 40, R.SysOp);
  PutStr(B, Software, 40, R.Software);
  PutU8(B, Rating, R.Rating);
}

TPhoneRec DecodePhoneRec(std::span<const uint8_t, PhoneRecSize> In) {
  using namespace PhoneOfs;
  std::span<const uint8_t> B = In;
  TPhoneRec R;
  R.Name = GetStr(B, Name, 40);
  R.Address = GetStr(B, Address, 40);
  R.UserName = GetStr(B, UserName, 40);
  R.Password = GetStr(B, Password, 20);
  R.Comment = GetStr(B, Comment, 60);
  R.CaptureFile = GetStr(B, CaptureFile, 25);
  R.StatusBar = GetU8(B, StatusBar);
  R.EchoMode = GetU8(B, EchoMode);
  R.Backspace = GetU8(B, Backspace);
  R.SendCRLF = GetU8(B, SendCRLF);
  R.Emulation = GetU8(B, Emulation);
  R.FontType = GetU8(B, FontType);
  R.Mouse = GetU8(B, Mouse);
  R.Colors = GetU8(B, Colors);
  R.IPType = GetU8(B, IPType);
  R.Protocol = GetU8(B, Protocol);
  R.Charset = GetU8(B, Charset);
  R.LineSpeed = GetU8(B, LineSpeed);
  R.FontFace = GetU8(B, FontFace);
  R.ScriptFile = GetStr(B, ScriptFile, 25);
  R.ScreenSize = GetU8(B, ScreenSize);
  R.TotalCalls = GetI32(B, TotalCalls);
  R.LastCall = GetU32(B, LastCall);
  R.SysOp = GetStr(B, SysOp, 40);
  R.Software = GetStr(B, Software, 40);
  R.Rating = GetU8(B, Rating);
  return R;
}

void InitPhoneRec(TPhoneRec& R, const TConfigRec& Cfg) {
  R = TPhoneRec{};
  R.CaptureFile = Cfg.DefCaptureName.substr(0, 25);
  R.StatusBar = Cfg.DefStatusBar;
  R.EchoMode = EchoAuto;
  R.Backspace = 2;
  R.Emulation = Cfg.DefEmulation;
  R.FontType = 1;
  R.Mouse = 1;
  R.Protocol = ProtoTelnet;
  R.ScreenSize = Cfg.DefScreenSize;
  R.Rating = 1;
}

bool IsBlankEntry(const TPhoneRec& R) { return R.Name.empty() && R.Address.empty() && R.LastCall == 0; }

void NormalisePhoneRec(TPhoneRec& R) {
  if (R.SendCRLF > 1) R.SendCRLF = 0;
  if (R.FontType == 0 || R.FontType > 2) R.FontType = 1;
  if (R.Mouse > 1) R.Mouse = 1;
  if (R.IPType > 3) R.IPType = 0;
  if (R.Protocol == 0 || R.Protocol > 3) R.Protocol = ProtoTelnet;
  if (R.Charset > CharsetUTF8) R.Charset = CharsetCP437;
  if (R.LineSpeed > 11) R.LineSpeed = 0;
  if (R.FontFace > FontCount) R.FontFace = 0;
  if (R.ScreenSize == 25) R.ScreenSize = 0;
  else if (R.ScreenSize == 50) R.ScreenSize = 1;
}

}  // namespace lx
