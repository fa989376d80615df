#include "support/files.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

#include "support/timeutil.h"

namespace lx {

namespace {
bool IsSep(char C) { return C == '/' || C == '\\'; }

std::size_t LastSep(const std::string& Path) { return Path.find_last_of("/\\"); }

long PosixWrite(int Fd, const void* Buf, std::size_t N) {
  return static_cast<long>(::write(Fd, Buf, N));
}

// Creates a file of a new name starting with Prefix. open() takes the umask
// (and a directory's default ACL) off Mode, as for any file the user makes;
// mkstemp would fix the mode at 0600.
int CreateTemp(const std::string& Prefix, mode_t Mode, std::string& Name) {
  static constexpr char Digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  for (int Try = 0; Try < 100; ++Try) {
    uint64_t R = 0;
    if (::getrandom(&R, sizeof R, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof R))
      R = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
          (static_cast<uint64_t>(::getpid()) << 40) ^ static_cast<uint64_t>(Try);
    Name = Prefix;
    for (int I = 0; I < 8; ++I, R /= 36) Name += Digits[R % 36];
    const int Fd = ::open(Name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, Mode);
    if (Fd >= 0 || errno != EEXIST) return Fd;
  }
  return -1;
}
}  // namespace

std::string AddSlash(const std::string& Path) {
  if (!Path.empty() && IsSep(Path.back())) return Path;
  return Path + "/";
}

std::string JustPath(const std::string& Path) {
  std::size_t I = LastSep(Path);
  return I == std::string::npos ? std::string() : Path.substr(0, I + 1);
}

std::string JustFileName(const std::string& Path) {
  std::size_t I = LastSep(Path);
  return I == std::string::npos ? Path : Path.substr(I + 1);
}

std::string NoExtension(const std::string& Name) {
  std::size_t Dot = Name.find_last_of('.');
  if (Dot == std::string::npos || Dot == 0) return Name;
  return Name.substr(0, Dot);
}

bool FileExists(const std::string& Name) {
  struct stat St {};
  return !Name.empty() && ::stat(Name.c_str(), &St) == 0 && !S_ISDIR(St.st_mode);
}

bool DirExists(const std::string& Path) {
  std::string P = Path;
  if (!P.empty() && P.back() == '/') P.pop_back();
  if (Path.empty()) return false;
  struct stat St {};
  return ::stat((P + "/.").c_str(), &St) == 0 && S_ISDIR(St.st_mode);
}

bool IsSharingError(int Err) {
  return Err == EACCES || Err == EPERM || Err == EBUSY || Err == ETXTBSY;
}

bool RetryOnSharing(const std::function<bool()>& Op, const TRetryPolicy& Policy) {
  int Attempts = Policy.Attempts < 1 ? 1 : Policy.Attempts;
  for (int I = 1;; ++I) {
    errno = 0;
    if (Op()) return true;
    int Err = errno;
    if (!IsSharingError(Err) || I >= Attempts) return false;
    WaitMS(Policy.DelayMS);
    errno = Err;
  }
}

TFile::~TFile() { Close(); }

TFile::TFile(TFile&& Other) noexcept : Fd(Other.Fd), Rec(Other.Rec), Policy(Other.Policy) {
  Other.Fd = -1;
}

TFile& TFile::operator=(TFile&& Other) noexcept {
  if (this != &Other) {
    Close();
    Fd = Other.Fd;
    Rec = Other.Rec;
    Policy = Other.Policy;
    Other.Fd = -1;
  }
  return *this;
}

void TFile::Close() {
  if (Fd >= 0) ::close(Fd);
  Fd = -1;
}

static int AccessFlags(int Mode) {
  switch (Mode & 3) {
    case fmOpenRead: return O_RDONLY;
    case fmOpenWrite: return O_WRONLY;
    default: return O_RDWR;
  }
}

bool TFile::OpenWith(const std::string& Name, uint32_t RecSize, int Flags) {
  Close();
  if (Name.empty() || RecSize == 0) return false;
  int NewFd = -1;
  bool Ok = RetryOnSharing(
      [&] {
        do NewFd = ::open(Name.c_str(), Flags | O_CLOEXEC, 0644);
        while (NewFd < 0 && errno == EINTR);
        return NewFd >= 0;
      },
      Policy);
  if (!Ok) return false;
  struct stat St {};
  if (::fstat(NewFd, &St) != 0 || S_ISDIR(St.st_mode)) {
    ::close(NewFd);
    return false;
  }
  Fd = NewFd;
  Rec = RecSize;
  return true;
}

bool TFile::ResetRetry(const std::string& Name, uint32_t RecSize, int Mode) {
  return OpenWith(Name, RecSize, AccessFlags(Mode));
}

bool TFile::RewriteRetry(const std::string& Name, uint32_t RecSize, int Mode) {
  int Flags = AccessFlags(Mode);
  if (Flags == O_RDONLY) Flags = O_RDWR;
  return OpenWith(Name, RecSize, Flags | O_CREAT | O_TRUNC);
}

bool TFile::SeekRetry(int64_t RecNo) {
  if (Fd < 0 || RecNo < 0) return false;
  off_t Pos = static_cast<off_t>(RecNo) * static_cast<off_t>(Rec);
  return RetryOnSharing([&] { return ::lseek(Fd, Pos, SEEK_SET) == Pos; }, Policy);
}

int64_t TFile::BlockReadRetry(void* Buf, int64_t Count) {
  if (Fd < 0 || Count < 0) return -1;
  std::size_t Want = static_cast<std::size_t>(Count) * Rec;
  std::size_t Got = 0;
  auto* P = static_cast<unsigned char*>(Buf);
  while (Got < Want) {
    ssize_t N = -1;
    bool Ok = RetryOnSharing(
        [&] {
          do N = ::read(Fd, P + Got, Want - Got);
          while (N < 0 && errno == EINTR);
          return N >= 0;
        },
        Policy);
    if (!Ok) return -1;
    if (N == 0) break;
    Got += static_cast<std::size_t>(N);
  }
  return static_cast<int64_t>(Got / Rec);
}

int64_t TFile::BlockWriteRetry(const void* Buf, int64_t Count) {
  if (Fd < 0 || Count < 0) return -1;
  std::size_t Want = static_cast<std::size_t>(Count) * Rec;
  std::size_t Put = 0;
  auto* P = static_cast<const unsigned char*>(Buf);
  while (Put < Want) {
    ssize_t N = -1;
    bool Ok = RetryOnSharing(
        [&] {
          do N = ::write(Fd, P + Put, Want - Put);
          while (N < 0 && errno == EINTR);
          return N > 0;
        },
        Policy);
    if (!Ok) return -1;
    Put += static_cast<std::size_t>(N);
  }
  return static_cast<int64_t>(Put / Rec);
}

int64_t TFile::FileSize() const {
  if (Fd < 0) return -1;
  struct stat St {};
  if (::fstat(Fd, &St) != 0) return -1;
  return static_cast<int64_t>(St.st_size) / Rec;
}

bool WriteFileAtomic(const std::string& Target, const void* Data, std::size_t Size, const TWriteFn& Write,
                     mode_t NewMode) {
  if (Target.empty()) return false;
  // Replace what a symbolic link points at, not the link itself.
  std::string Path = Target;
  struct stat Link {};
  if (::lstat(Target.c_str(), &Link) == 0 && S_ISLNK(Link.st_mode)) {
    char* Real = ::realpath(Target.c_str(), nullptr);
    if (Real) {
      Path = Real;
      std::free(Real);
    }
  }
  std::string Dir = JustPath(Path);
  struct stat Old {};
  const bool Replacing = ::stat(Path.c_str(), &Old) == 0;
  // A replacement stays private until it carries the old file's bits.
  std::string Tmp;
  int Fd = CreateTemp(Dir + "." + JustFileName(Path) + ".", Replacing ? 0600 : NewMode, Tmp);
  if (Fd < 0) return false;
  bool Ok = !Replacing || ::fchmod(Fd, Old.st_mode & 07777) == 0;

  const auto* P = static_cast<const unsigned char*>(Data);
  std::size_t Put = 0;
  while (Ok && Put < Size) {
    long N = Write ? Write(Fd, P + Put, Size - Put) : PosixWrite(Fd, P + Put, Size - Put);
    if (N < 0 && errno == EINTR) continue;
    if (N <= 0) {
      Ok = false;
      break;
    }
    Put += static_cast<std::size_t>(N);
  }
  if (Ok) Ok = ::fsync(Fd) == 0;
  if (::close(Fd) != 0) Ok = false;
  if (Ok) Ok = ::rename(Tmp.c_str(), Path.c_str()) == 0;
  if (!Ok) {
    ::unlink(Tmp.c_str());
    return false;
  }
  // Make the rename itself durable.
  int DirFd = ::open(Dir.empty() ? "." : Dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (DirFd >= 0) {
    ::fsync(DirFd);
    ::close(DirFd);
  }
  return true;
}

}  // namespace lx
