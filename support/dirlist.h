#pragma once
// Listing the files of one directory by wildcard, and deleting a file.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lx {

struct TDirEntry {
  std::string Name;  // without the directory
  int64_t Size = 0;  // bytes
  int64_t Time = 0;  // last change, seconds since 1970
  bool IsDir = false;
};

// The entries of Dir (empty: the current directory) whose names match
// Pattern ("*" and "?" wildcards, case as typed), sorted by name. Links are
// followed. Only regular files are listed, and directories too when WithDirs
// is set; fifos, devices and sockets never are, so a caller that opens what
// it finds cannot block on one. At most MaxEntries are returned.
std::vector<TDirEntry> ListFiles(const std::string& Dir, const std::string& Pattern, bool WithDirs = false,
                                 std::size_t MaxEntries = 10000);

// Removes a file (not a directory); false when it could not be removed.
bool DeleteFile(const std::string& Name);

}  // namespace lx
