#include "transfer/protocol_queue.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <limits>

#include "support/files.h"
#include "support/strings.h"

namespace {

constexpr size_t DescriptionMax = 120;

std::string Normal(const std::string& P) { return std::filesystem::path(P).lexically_normal().string(); }

}  // namespace

std::string TQueueEntry::FullPath() const { return Path.empty() ? FileName : lx::AddSlash(Path) + FileName; }

bool TProtocolQueue::Add(bool MustExist, const std::string& Path, const std::string& FileName_,
                         const std::string& Description) {
  const std::string Name = lx::TrimChar(lx::TrimChar(lx::TrimChar(FileName_, ' '), '\0'), ' ');
  if (Count() >= MaxEntries || Name.empty()) return false;
  TQueueEntry E;
  E.Path = Path.empty() ? Path : lx::AddSlash(Path);
  E.FileName = Name;
  E.Description = (Description.empty() ? Name : Description).substr(0, DescriptionMax);
  const std::string Full = E.FullPath();
  // Look before opening: opening a FIFO or a device can block or have side effects.
  struct stat S;
  bool Found = false;
  if (::stat(Full.c_str(), &S) == 0) {
    if (!S_ISREG(S.st_mode)) return false;
    const int Fd = ::open(Full.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (Fd >= 0) {
      const bool Regular = ::fstat(Fd, &S) == 0 && S_ISREG(S.st_mode);
      ::close(Fd);
      if (!Regular) return false;
      Found = true;
    }
  }
  if (!Found) {
    if (MustExist) return false;
    E.Status = 5;
  } else {
    E.Size = S.st_size;
    TotalSize = TotalSize > std::numeric_limits<int64_t>::max() - E.Size ? std::numeric_limits<int64_t>::max()
                                                                           : TotalSize + E.Size;
  }
  Entries.push_back(std::move(E));
  return true;
}

void TProtocolQueue::Delete(int Index) {
  if (Index < 1 || Index > Count()) return;
  TotalSize = std::max<int64_t>(0, TotalSize - Entries[static_cast<size_t>(Index - 1)].Size);
  Entries.erase(Entries.begin() + (Index - 1));
  if (Current > Index) --Current;
  if (Current > Count()) Current = Count();
}

void TProtocolQueue::Clear() {
  Entries.clear();
  TotalSize = 0;
  Current = 0;
}

int TProtocolQueue::IndexOf(const std::string& FullPath) const {
  const std::string Want = Normal(FullPath);
  for (size_t I = 0; I < Entries.size(); ++I)
    if (Normal(Entries[I].FullPath()) == Want) return static_cast<int>(I) + 1;
  return 0;
}

std::vector<std::string> TProtocolQueue::FileList() const {
  std::vector<std::string> L;
  L.reserve(Entries.size());
  for (const auto& E : Entries) L.push_back(E.FullPath());
  return L;
}
