#pragma once
// A private directory for one test, removed with everything in it.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using TBytes = std::vector<uint8_t>;

// Whole-file reads and writes for checking what a save put on disk.
inline TBytes ReadFileBytes(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  return TBytes(std::istreambuf_iterator<char>(In), {});
}
inline std::string ReadFileText(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  return {std::istreambuf_iterator<char>(In), {}};
}
inline void WriteFileBytes(const std::string& Path, const TBytes& B) {
  std::ofstream(Path, std::ios::binary)
      .write(reinterpret_cast<const char*>(B.data()), static_cast<std::streamsize>(B.size()));
}

class TTempDir {
 public:
  TTempDir() {
    std::string T = (std::filesystem::temp_directory_path() / "lxtest.XXXXXX").string();
    if (char* P = ::mkdtemp(T.data())) D = P;
  }
  ~TTempDir() {
    std::error_code Ec;
    if (!D.empty()) std::filesystem::remove_all(D, Ec);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;
  const std::string& Dir() const { return D; }
  std::string Path(const std::string& Name) const { return D + "/" + Name; }

 private:
  std::string D;
};
