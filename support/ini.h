#pragma once
// Read-only access to an INI file with defaults. A missing or unreadable
// file is not an error: every lookup then returns its default.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace lx {

class TIniReader {
 public:
  explicit TIniReader(const std::string& FileName);

  // Each lookup starts again at the top of the file. Section and key names
  // match without regard to case; the key is a prefix match.
  std::string ReadString(const std::string& Section, const std::string& Key, const std::string& Default);
  // Text that is not a number gives 0, not Default.
  int64_t ReadInteger(const std::string& Section, const std::string& Key, int32_t Default);
  // True for "TRUE" or "1" in any case.
  bool ReadBoolean(const std::string& Section, const std::string& Key, bool Default);

  const std::string& FileName() const { return Name; }
  bool Opened() const { return File != nullptr; }
  bool Found() const { return SectionFound; }

 private:
  struct TCloser {
    void operator()(std::FILE* F) const { std::fclose(F); }
  };
  bool ReadLine(std::string& Line);

  std::string Name;
  std::unique_ptr<std::FILE, TCloser> File;
  bool SectionFound = false;
};

}  // namespace lx
