#include "support/dirlist.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "support/files.h"

namespace lx {

std::vector<TDirEntry> ListFiles(const std::string& Dir, const std::string& Pattern, bool WithDirs,
                                 std::size_t MaxEntries) {
  std::vector<TDirEntry> Out;
  struct TCloser {
    void operator()(DIR* D) const { ::closedir(D); }
  };
  std::unique_ptr<DIR, TCloser> D(::opendir(Dir.empty() ? "." : Dir.c_str()));
  if (!D) return Out;
  const int DirFd = ::dirfd(D.get());
  while (Out.size() < MaxEntries) {
    errno = 0;
    const dirent* E = ::readdir(D.get());
    if (!E) break;
    const std::string Name = E->d_name;
    if (Name == "." || Name == "..") continue;
    if (::fnmatch(Pattern.c_str(), Name.c_str(), 0) != 0) continue;
    struct stat St {};
    if (::fstatat(DirFd, Name.c_str(), &St, 0) != 0) continue;
    const bool IsDir = S_ISDIR(St.st_mode);
    if (!S_ISREG(St.st_mode) && !(WithDirs && IsDir)) continue;
    Out.push_back({Name, static_cast<int64_t>(St.st_size), static_cast<int64_t>(St.st_mtime), IsDir});
  }
  std::sort(Out.begin(), Out.end(), [](const TDirEntry& A, const TDirEntry& B) { return A.Name < B.Name; });
  return Out;
}

bool DeleteFile(const std::string& Name) {
  if (Name.empty()) return false;
  return RetryOnSharing([&] { return ::unlink(Name.c_str()) == 0; });
}

}  // namespace lx
