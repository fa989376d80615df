#pragma once
// Read-only access to an INI file with defaults. A missing or unreadable
// file is not an error: every lookup then returns its default.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lx {

// Files longer than this are read only this far.
inline constexpr size_t IniMaxBytes = 1 << 20;

class TIniReader {
 public:
  explicit TIniReader(const std::string& FileName);
  // Reads the given text as the file's contents (the name is only a label).
  TIniReader(const std::string& Label, std::string_view Contents);

  // Each lookup starts again at the top of the file. Section and key names
  // match without regard to case; the key is a prefix match.
  std::string ReadString(const std::string& Section, const std::string& Key, const std::string& Default);
  // Text that is not a number gives 0, not Default.
  int64_t ReadInteger(const std::string& Section, const std::string& Key, int32_t Default);
  // True for "TRUE" or "1" in any case.
  bool ReadBoolean(const std::string& Section, const std::string& Key, bool Default);

  const std::string& FileName() const { return Name; }
  bool Opened() const { return IsOpen; }
  bool Found() const { return SectionFound; }

 private:
  bool ReadLine(std::string& Line);

  std::string Name;
  // The file is read once; every lookup scans this copy.
  std::vector<char> Text;
  size_t Pos = 0;
  bool IsOpen = false;
  bool SectionFound = false;
};

}  // namespace lx
