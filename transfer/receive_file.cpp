#include "transfer/receive_file.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "support/strings.h"

namespace {

constexpr int MaxFreeNames = 1000;
constexpr size_t BufferSize = 256 << 10;
// The free space is looked at every this many bytes.
constexpr int64_t SpaceCheckEvery = 16 << 20;

}  // namespace

bool SafeReceiveName(const std::string& Remote, std::string& Name) {
  const size_t Cut = Remote.find_last_of("/\\");
  Name = Cut == std::string::npos ? Remote : Remote.substr(Cut + 1);
  if (Name.empty() || Name == "." || Name == ".." || Name.size() > 255) return false;
  for (unsigned char C : Name)
    if (C < 32 || C == 127) return false;
  return true;
}

bool IsProgramFileName(const std::string& Name) {
  const std::string L = lx::LowerCase(Name);
  auto Ends = [&L](const char* Ext) {
    const std::string E(Ext);
    return L.size() > E.size() && L.compare(L.size() - E.size(), E.size(), E) == 0;
  };
  return L == "lanternyx.cfg" || L == "lanternyx.ini" || L == "lanternyx.hosts" || L == "lanternyx.icn" ||
         Ends(".phn") || Ends(".scr");
}

std::string PrintableName(const std::string& S) {
  std::string R = S.substr(0, 255);
  for (char& C : R)
    if (static_cast<unsigned char>(C) < 32 || C == 127) C = '?';
  return R;
}

std::string NameVariant(const std::string& Name, int N, const std::string& Suffix) {
  const std::string Tail = N == 0 ? Suffix : "." + std::to_string(N) + Suffix;
  const size_t Room = 255 - std::min<size_t>(Tail.size(), 255);
  return Name.substr(0, std::min(Name.size(), Room)) + Tail;
}

bool PathExists(const std::string& Path, struct stat* St) {
  struct stat S;
  if (::lstat(Path.c_str(), &S) != 0) return false;
  if (St) *St = S;
  return true;
}

bool IsRegularFile(const std::string& Path, int64_t& Size) {
  struct stat S;
  if (!PathExists(Path, &S) || !S_ISREG(S.st_mode)) return false;
  Size = S.st_size;
  return true;
}

bool RenameNoReplace(const std::string& From, const std::string& To) {
  if (::renameat2(AT_FDCWD, From.c_str(), AT_FDCWD, To.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // File systems without the flag: a hard link fails on an existing name, as wanted.
  if (::link(From.c_str(), To.c_str()) != 0) return false;
  ::unlink(From.c_str());
  return true;
}

bool WriteAllAt(int Fd, const uint8_t* P, size_t N, int64_t At) {
  while (N > 0) {
    const ssize_t W = ::pwrite(Fd, P, N, At);
    if (W < 0 && errno == EINTR) continue;
    if (W <= 0) {
      if (W == 0) errno = ENOSPC;
      return false;
    }
    P += W;
    N -= static_cast<size_t>(W);
    At += W;
  }
  return true;
}

int64_t FreeDiskBytes(const std::string& Dir) {
  struct statvfs V;
  if (::statvfs(Dir.empty() ? "." : Dir.c_str(), &V) != 0) return std::numeric_limits<int64_t>::max();
  const unsigned __int128 Bytes = static_cast<unsigned __int128>(V.f_bavail) * V.f_frsize;
  return Bytes > static_cast<unsigned __int128>(std::numeric_limits<int64_t>::max())
             ? std::numeric_limits<int64_t>::max()
             : static_cast<int64_t>(Bytes);
}

uint16_t ErrnoStatus() { return static_cast<uint16_t>(errno > 0 && errno < 9900 ? errno : EIO); }

// ---------------------------------------------------------------------------------------------

TReceiveFile::TReceiveFile() : Buf(BufferSize) {}

TReceiveFile::~TReceiveFile() { Close(); }

bool TReceiveFile::Open(const std::string& Dir, const std::string& Name) {
  Close();
  for (int N = 0; N < MaxFreeNames; ++N) {
    const std::string P = Dir + NameVariant(Name, N, PartSuffix);
    const int F = ::open(P.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (F >= 0) {
      Adopt(F, P, 0);
      SpaceDir = Dir;
      return true;
    }
    if (errno != EEXIST) return false;
  }
  errno = EEXIST;
  return false;
}

void TReceiveFile::Adopt(int F, const std::string& P, int64_t Pos) {
  Close();
  Fd = F;
  TempPath = P;
  Start = Pos;
  Len = 0;
  NextSpaceCheck = Pos;
  const size_t Slash = P.rfind('/');
  SpaceDir = Slash == std::string::npos ? "" : P.substr(0, Slash + 1);
}

bool TReceiveFile::Flush() {
  if (Len == 0 || Fd < 0) return true;
  if (!WriteAllAt(Fd, Buf.data(), Len, Start)) return false;
  Start += static_cast<int64_t>(Len);
  Len = 0;
  return true;
}

bool TReceiveFile::Write(const uint8_t* P, size_t N) {
  if (Fd < 0) {
    errno = EBADF;
    return false;
  }
  const int64_t End = Position() + static_cast<int64_t>(N);
  if (End >= NextSpaceCheck) {
    if (FreeDiskBytes(SpaceDir) < DiskReserve + static_cast<int64_t>(Len + N)) {
      errno = ENOSPC;
      return false;
    }
    NextSpaceCheck = End + SpaceCheckEvery;
  }
  if (Len + N > Buf.size()) {
    if (!Flush()) return false;
    if (N > Buf.size()) {
      if (!WriteAllAt(Fd, P, N, Start)) return false;
      Start += static_cast<int64_t>(N);
      return true;
    }
  }
  std::memcpy(Buf.data() + Len, P, N);
  Len += N;
  return true;
}

void TReceiveFile::Close() {
  if (Fd < 0) return;
  Flush();
  ::close(Fd);
  Fd = -1;
  Len = 0;
}

bool TReceiveFile::CloseForRename() {
  if (Fd < 0) return true;
  const int64_t End = Position();
  bool Ok = Flush() && ::ftruncate(Fd, End) == 0;
  Ok = ::close(Fd) == 0 && Ok;
  Fd = -1;
  Len = 0;
  return Ok;
}

std::string TReceiveFile::Finish(const std::string& Dir, const std::string& Name) {
  if (Fd < 0 || !CloseForRename()) return {};
  const std::string Final = GiveFreeName(Dir, Name, TempPath);
  if (Final.empty()) return {};
  RemoveStalePart(Dir, Name, TempPath);
  TempPath = Final;
  return Final;
}

std::string GiveFreeName(const std::string& Dir, const std::string& Name, const std::string& From) {
  for (int N = 0; N < MaxFreeNames; ++N) {
    const std::string P = Dir + NameVariant(Name, N, "");
    if (RenameNoReplace(From, P)) return P;
    if (errno != EEXIST) return {};
  }
  errno = EEXIST;
  return {};
}

void RemoveStalePart(const std::string& Dir, const std::string& Name, const std::string& Keep) {
  const std::string Part = Dir + NameVariant(Name, 0, PartSuffix);
  int64_t Size = 0;
  if (Part != Keep && IsRegularFile(Part, Size)) ::unlink(Part.c_str());
}
