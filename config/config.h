#pragma once
// The configuration record kept in "lanternyx.cfg": directories, start-up
// choices, defaults for new phone-book entries, macros and status colours.
// On disk it is 3042 bytes at fixed offsets; the reserved areas are kept as
// read so that a load and rewrite does not disturb them.

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "support/files.h"

namespace lx {

constexpr std::size_t ConfigRecSize = 3042;
constexpr const char* ConfigFileName = "lanternyx.cfg";
constexpr int MacroCount = 10;

struct TConfigRec {
  std::string ScriptPath;    // String[140]
  std::string DownloadPath;  // String[140]
  std::string UploadPath;    // String[140]
  std::string CapturePath;   // String[140]
  std::string ProtocolPath;  // String[140]
  uint8_t LoadBook = 0;
  std::string BookName = "lanternyx.phn";  // String[40]
  uint8_t ConfirmDisconnect = 1;
  uint8_t ConfirmExit = 1;
  std::array<uint8_t, 2> Reserved749{60, 0};
  uint8_t DefEmulation = 1;
  std::array<uint8_t, 8> Reserved752{0x00, 0x96, 0x00, 0x00, 0x00, 0x96, 0x00, 0x00};  // 38400, 38400
  uint8_t DefStatusBar = 0;
  uint8_t DefScreenSize = 0;
  std::string DefCaptureName = "lanternyx.cap";  // String[25]
  uint8_t AutoZmodem = 1;
  std::array<uint8_t, 4> Reserved789{1, 0, 0, 1};
  std::array<std::string, MacroCount> Macros{"@UN@CR", "@PW@CR"};  // String[120] each, F1..F10
  std::array<uint8_t, 3> Reserved2003{1, 1, 3};
  uint8_t StatusColor4 = 127;
  uint8_t StatusColor3 = 112;
  uint8_t StatusColor2 = 116;
  uint8_t StatusColor1 = 120;
  std::array<uint8_t, 8> Reserved2010{3, 7, 11, 3, 7, 31, 31, 23};
  std::string SshKeyPath;  // String[255]: a private key tried after the user's own; empty: none
  uint8_t AskNewHost = 0;  // 1: ask before the key of a host never called is trusted
  std::array<uint8_t, 766> Reserved2275{};
  uint8_t Bell = 0;  // byte 7 from the board: 0 beep, 1 flash the status bar, 2 nothing
};

// Field offsets and lengths on disk.
namespace CfgOfs {
constexpr std::size_t ScriptPath = 0, DownloadPath = 141, UploadPath = 282, CapturePath = 423,
                      ProtocolPath = 564, LoadBook = 705, BookName = 706, ConfirmDisconnect = 747,
                      ConfirmExit = 748, Reserved749 = 749, DefEmulation = 751, Reserved752 = 752,
                      DefStatusBar = 760, DefScreenSize = 761, DefCaptureName = 762, AutoZmodem = 788,
                      Reserved789 = 789, Macros = 793, Reserved2003 = 2003, StatusColor4 = 2006,
                      StatusColor3 = 2007, StatusColor2 = 2008, StatusColor1 = 2009, Reserved2010 = 2010,
                      SshKeyPath = 2018, AskNewHost = 2274, Reserved2275 = 2275, Bell = 3041;
constexpr std::size_t PathLen = 140, BookNameLen = 40, CaptureNameLen = 25, MacroLen = 120, KeyPathLen = 255;
}  // namespace CfgOfs

// The record as created: scripts and protocol drivers in FilesDir, downloads,
// uploads and captures in DataDir (both the program directory when beside it).
TConfigRec DefaultConfig(const std::string& FilesDir, const std::string& DataDir);
inline TConfigRec DefaultConfig(const std::string& ProgramDir) { return DefaultConfig(ProgramDir, ProgramDir); }

void EncodeConfig(const TConfigRec& Cfg, std::span<uint8_t, ConfigRecSize> Out);
TConfigRec DecodeConfig(std::span<const uint8_t, ConfigRecSize> In);

// "lanternyx.cfg" in a program directory: loaded or created at start-up and
// rewritten by the settings editor and the book selector.
class TConfigFile {
 public:
  explicit TConfigFile(const std::string& ProgramDir) : TConfigFile(ProgramDir, ProgramDir) {}
  // The file in ProgramDir; a new record sends downloads and captures to DataDir.
  TConfigFile(const std::string& ProgramDir, const std::string& DataDir);

  // Reads the record; when the file can't be opened or is short, fills Cfg
  // with the defaults and writes a new file. False only when that new file
  // could not be written (Cfg still holds usable defaults).
  bool LoadOrCreate(TConfigRec& Cfg);
  // Replaces the file with Cfg; false (old file untouched) on failure.
  bool Save(const TConfigRec& Cfg);

  const std::string& FileName() const { return Name; }
  // Lets tests make writes fail part-way.
  void SetWriteHook(TWriteFn Fn) { WriteHook = std::move(Fn); }
  void SetRetryPolicy(const TRetryPolicy& P) { Policy = P; }

 private:
  std::string ProgramDir;
  std::string DataDir;
  std::string Name;
  TWriteFn WriteHook;
  TRetryPolicy Policy;
};

}  // namespace lx
