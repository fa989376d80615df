#pragma once
// A private directory for one test, removed with everything in it.

#include <cstdlib>
#include <filesystem>
#include <string>

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
