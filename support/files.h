#pragma once
// Paths, retrying file access and crash-safe whole-file rewrites.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include <sys/types.h>

namespace lx {

// "/" separates paths; "\" is also recognised when taking paths apart.
std::string AddSlash(const std::string& Path);
std::string JustPath(const std::string& Path);
std::string JustFileName(const std::string& Path);
std::string NoExtension(const std::string& Name);
bool FileExists(const std::string& Name);
bool DirExists(const std::string& Path);

// Open modes as the program's files use them: the low two bits select the
// access; the sharing bits are accepted for the callers' sake but POSIX has no
// mandatory sharing modes.
constexpr int fmOpenRead = 0;
constexpr int fmOpenWrite = 1;
constexpr int fmOpenReadWrite = 2;
constexpr int fmShareDenyWrite = 0x20;
constexpr int fmShareDenyNone = 0x40;

// Another process holding a file briefly shows up as one of these errors.
bool IsSharingError(int Err);

struct TRetryPolicy {
  int Attempts = 30;
  int DelayMS = 100;
};

// Runs Op until it succeeds or fails with something other than a sharing
// error, at most Policy.Attempts times. Op returns true on success and leaves
// errno set on failure.
bool RetryOnSharing(const std::function<bool()>& Op, const TRetryPolicy& Policy = {});

// A file descriptor with the retrying open, create, seek and block transfer.
// Positions and counts are in records of RecSize bytes.
class TFile {
 public:
  TFile() = default;
  ~TFile();
  TFile(const TFile&) = delete;
  TFile& operator=(const TFile&) = delete;
  TFile(TFile&& Other) noexcept;
  TFile& operator=(TFile&& Other) noexcept;

  // Opens an existing file.
  bool ResetRetry(const std::string& Name, uint32_t RecSize = 1, int Mode = fmOpenReadWrite);
  // Creates the file, or truncates it when it exists.
  bool RewriteRetry(const std::string& Name, uint32_t RecSize = 1, int Mode = fmOpenReadWrite);
  bool SeekRetry(int64_t Rec);
  // Reads up to Count records; returns the whole records read, or -1.
  int64_t BlockReadRetry(void* Buf, int64_t Count);
  // Writes Count records; returns the records written, or -1.
  int64_t BlockWriteRetry(const void* Buf, int64_t Count);
  int64_t FileSize() const;  // in records; -1 when not open
  void Close();
  bool IsOpen() const { return Fd >= 0; }
  int Handle() const { return Fd; }
  void SetRetryPolicy(const TRetryPolicy& P) { Policy = P; }

 private:
  bool OpenWith(const std::string& Name, uint32_t RecSize, int Flags);
  int Fd = -1;
  uint32_t Rec = 1;
  TRetryPolicy Policy;
};

// Writes N bytes to a descriptor; returns bytes written or -1 with errno set.
// Tests substitute one that fails part-way.
using TWriteFn = std::function<long(int Fd, const void* Buf, std::size_t N)>;

// Replaces Path with Data through a temporary file in the same directory,
// flushed to disk and renamed into place: a crash or a full disk leaves
// either the old file or the new one, never a truncated one. On failure the
// old file is untouched and false is returned. The file keeps the permission
// bits of the one it replaces; a new one gets NewMode less the umask.
bool WriteFileAtomic(const std::string& Path, const void* Data, std::size_t Size,
                     const TWriteFn& Write = nullptr, mode_t NewMode = 0666);

}  // namespace lx
