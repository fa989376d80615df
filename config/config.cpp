#include "config/config.h"

#include <algorithm>

#include "support/binrec.h"

namespace lx {

TConfigRec DefaultConfig(const std::string& FilesDir, const std::string& DataDir) {
  TConfigRec C;
  C.ScriptPath = C.ProtocolPath = FilesDir;
  C.DownloadPath = C.UploadPath = C.CapturePath = DataDir;
  return C;
}

template <std::size_t N>
static void PutBytes(std::span<uint8_t> B, std::size_t Off, const std::array<uint8_t, N>& A) {
  for (std::size_t I = 0; I < N; ++I) B[Off + I] = A[I];
}

template <std::size_t N>
static void GetBytes(std::span<const uint8_t> B, std::size_t Off, std::array<uint8_t, N>& A) {
  for (std::size_t I = 0; I < N; ++I) A[I] = B[Off + I];
}

void EncodeConfig(const TConfigRec& C, std::span<uint8_t, ConfigRecSize> Out) {
  using namespace CfgOfs;
  std::span<uint8_t> B = Out;
  std::fill(B.begin(), B.end(), 0);
  PutStr(B, ScriptPath, PathLen, C.ScriptPath);
  PutStr(B, DownloadPath, PathLen, C.DownloadPath);
  PutStr(B, UploadPath, PathLen, C.UploadPath);
  PutStr(B, CapturePath, PathLen, C.CapturePath);
  PutStr(B, ProtocolPath, PathLen, C.ProtocolPath);
  PutU8(B, LoadBook, C.LoadBook);
  PutStr(B, BookName, BookNameLen, C.BookName);
  PutU8(B, ConfirmDisconnect, C.ConfirmDisconnect);
  PutU8(B, ConfirmExit, C.ConfirmExit);
  PutBytes(B, Reserved749, C.Reserved749);
  PutU8(B, DefEmulation, C.DefEmulation);
  PutBytes(B, Reserved752, C.Reserved752);
  PutU8(B, DefStatusBar, C.DefStatusBar);
  PutU8(B, DefScreenSize, C.DefScreenSize);
  PutStr(B, DefCaptureName, CaptureNameLen, C.DefCaptureName);
  PutU8(B, AutoZmodem, C.AutoZmodem);
  PutBytes(B, Reserved789, C.Reserved789);
  for (int I = 0; I < MacroCount; ++I) PutStr(B, Macros + I * (MacroLen + 1), MacroLen, C.Macros[I]);
  PutBytes(B, Reserved2003, C.Reserved2003);
  PutU8(B, StatusColor4, C.StatusColor4);
  PutU8(B, StatusColor3, C.StatusColor3);
  PutU8(B, StatusColor2, C.StatusColor2);
  PutU8(B, StatusColor1, C.StatusColor1);
  PutBytes(B, Reserved2010, C.Reserved2010);
  PutStr(B, SshKeyPath, KeyPathLen, C.SshKeyPath);
  PutU8(B, AskNewHost, C.AskNewHost);
  PutBytes(B, Reserved2275, C.Reserved2275);
  PutU8(B, Bell, C.Bell);
}

TConfigRec DecodeConfig(std::span<const uint8_t, ConfigRecSize> In) {
  using namespace CfgOfs;
  std::span<const uint8_t> B = In;
  TConfigRec C;
  C.ScriptPath = GetStr(B, ScriptPath, PathLen);
  C.DownloadPath = GetStr(B, DownloadPath, PathLen);
  C.UploadPath = GetStr(B, UploadPath, PathLen);
  C.CapturePath = GetStr(B, CapturePath, PathLen);
  C.ProtocolPath = GetStr(B, ProtocolPath, PathLen);
  C.LoadBook = GetU8(B, LoadBook);
  C.BookName = GetStr(B, BookName, BookNameLen);
  C.ConfirmDisconnect = GetU8(B, ConfirmDisconnect);
  C.ConfirmExit = GetU8(B, ConfirmExit);
  GetBytes(B, Reserved749, C.Reserved749);
  C.DefEmulation = GetU8(B, DefEmulation);
  GetBytes(B, Reserved752, C.Reserved752);
  C.DefStatusBar = GetU8(B, DefStatusBar);
  C.DefScreenSize = GetU8(B, DefScreenSize);
  C.DefCaptureName = GetStr(B, DefCaptureName, CaptureNameLen);
  C.AutoZmodem = GetU8(B, AutoZmodem);
  GetBytes(B, Reserved789, C.Reserved789);
  for (int I = 0; I < MacroCount; ++I) C.Macros[I] = GetStr(B, Macros + I * (MacroLen + 1), MacroLen);
  GetBytes(B, Reserved2003, C.Reserved2003);
  C.StatusColor4 = GetU8(B, StatusColor4);
  C.StatusColor3 = GetU8(B, StatusColor3);
  C.StatusColor2 = GetU8(B, StatusColor2);
  C.StatusColor1 = GetU8(B, StatusColor1);
  GetBytes(B, Reserved2010, C.Reserved2010);
  C.SshKeyPath = GetStr(B, SshKeyPath, KeyPathLen);
  C.AskNewHost = GetU8(B, AskNewHost);
  GetBytes(B, Reserved2275, C.Reserved2275);
  C.Bell = GetU8(B, Bell);
  return C;
}

TConfigFile::TConfigFile(const std::string& Dir, const std::string& Data)
    : ProgramDir(Dir), DataDir(Data), Name(Dir + ConfigFileName) {}

bool TConfigFile::LoadOrCreate(TConfigRec& Cfg) {
  std::array<uint8_t, ConfigRecSize> Buf{};
  TFile F;
  F.SetRetryPolicy(Policy);
  // Reading is all the load needs, so a read-only file still loads.
  if (F.ResetRetry(Name, ConfigRecSize, fmOpenRead | fmShareDenyNone) && F.BlockReadRetry(Buf.data(), 1) == 1) {
    Cfg = DecodeConfig(Buf);
    return true;
  }
  F.Close();
  // Missing, locked beyond the retries, or too short to hold a record.
  Cfg = DefaultConfig(ProgramDir, DataDir);
  return Save(Cfg);
}

bool TConfigFile::Save(const TConfigRec& Cfg) {
  std::array<uint8_t, ConfigRecSize> Buf{};
  EncodeConfig(Cfg, Buf);
  return WriteFileAtomic(Name, Buf.data(), Buf.size(), WriteHook);
}

}  // namespace lx
