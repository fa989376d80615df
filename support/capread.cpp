#include "support/capread.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "support/files.h"

namespace lx {

TFileRead ReadFileCapped(const std::string& Path, std::size_t Cap) {
  TFileRead R;
  if (Path.empty()) return R;
  int Fd = -1;
  // O_NONBLOCK: opening a fifo for reading would otherwise wait for a writer.
  if (!RetryOnSharing([&] {
        do Fd = ::open(Path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        while (Fd < 0 && errno == EINTR);
        return Fd >= 0;
      }))
    return R;
  struct TCloser {
    int Fd;
    ~TCloser() { ::close(Fd); }
  } Closer{Fd};

  struct stat St {};
  if (::fstat(Fd, &St) != 0) {
    R.Status = TReadStatus::ReadError;
    return R;
  }
  if (!S_ISREG(St.st_mode)) {
    R.Status = TReadStatus::NotAFile;
    return R;
  }
  R.FileSize = static_cast<int64_t>(St.st_size);
  const int Flags = ::fcntl(Fd, F_GETFL);
  if (Flags >= 0) ::fcntl(Fd, F_SETFL, Flags & ~O_NONBLOCK);

  // The size is only a hint (the file may grow or be a /proc file of size 0);
  // the read itself is bounded by the cap.
  R.Data.resize(St.st_size > 0 && static_cast<uint64_t>(St.st_size) < Cap ? static_cast<std::size_t>(St.st_size)
                                                                         : std::min<std::size_t>(Cap, 65536));
  std::size_t Got = 0;
  for (;;) {
    if (Got == R.Data.size()) {
      if (Got >= Cap) break;
      R.Data.resize(std::min(Cap, Got * 2 + 4096));
    }
    ssize_t N = ::read(Fd, R.Data.data() + Got, R.Data.size() - Got);
    if (N < 0 && errno == EINTR) continue;
    if (N < 0) {
      R.Data.clear();
      R.Status = TReadStatus::ReadError;
      return R;
    }
    if (N == 0) break;
    Got += static_cast<std::size_t>(N);
  }
  R.Data.resize(Got);
  if (Got >= Cap) {
    // One byte more tells whether anything lies past the cap.
    uint8_t Probe = 0;
    ssize_t N = 0;
    do N = ::read(Fd, &Probe, 1);
    while (N < 0 && errno == EINTR);
    R.Truncated = N > 0;
  }
  R.Status = TReadStatus::Ok;
  return R;
}

bool TLineReader::Next(std::string& Line, bool& Cut) {
  if (Pos >= Text.size()) return false;
  std::size_t End = Text.find('\n', Pos);
  const bool HasLF = End != std::string_view::npos;
  if (!HasLF) End = Text.size();
  std::size_t Len = End - Pos;
  if (Len > 0 && Text[Pos + Len - 1] == '\r') --Len;
  Cut = Len > MaxLen;
  Line.assign(Text.substr(Pos, Cut ? MaxLen : Len));
  Pos = HasLF ? End + 1 : Text.size();
  return true;
}

}  // namespace lx
