// Where a download lands, for every protocol: a name from the wire is cut to its last part and
// refused when unsafe or one of the program's own; the data goes to a fresh "name.part" and
// gets the first free name of "name", "name.1", "name.2", ... only once it is complete, so an
// existing file is never overwritten and a failed download never sits under the real name.
//
//   std::string Name;
//   if (!SafeReceiveName(Wire, Name) || IsProgramFileName(Name)) ...refuse;
//   TReceiveFile F;
//   if (!F.Open(Dir, Name)) ...fail with ErrnoStatus();
//   F.Write(Data, N); ...  F.Finish(Dir, Name)   // or F.Close(): the part stays
//
// Nothing here waits on the network; file operations are plain system calls.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The part of a remote file name after its last "/" or "\"; false (refuse) when that is
// empty, ".", "..", longer than 255 bytes, or holds a control byte.
bool SafeReceiveName(const std::string& Remote, std::string& Name);
// The program's own files: "lanternyx.cfg", "lanternyx.ini", "lanternyx.hosts",
// "lanternyx.icn", phone books "*.phn" and scripts "*.scr" (letter case ignored).
bool IsProgramFileName(const std::string& Name);
// True for names the program keeps for itself, which a download must never create.
using TReservedNameFunc = std::function<bool(const std::string& Name)>;
// What a name looks like in the results: control bytes shown as "?", at most 255 bytes.
std::string PrintableName(const std::string& S);

inline constexpr const char* PartSuffix = ".part";
// The N-th choice of a name: "name", "name.1", "name.2", ... each followed by Suffix, cut so
// that the whole stays within 255 bytes.
std::string NameVariant(const std::string& Name, int N, const std::string& Suffix);
// lstat: a symbolic link counts as existing and is never followed.
bool PathExists(const std::string& Path, struct stat* St = nullptr);
bool IsRegularFile(const std::string& Path, int64_t& Size);
// Moves From to To unless To exists; false with errno EEXIST when it does.
bool RenameNoReplace(const std::string& From, const std::string& To);
bool WriteAllAt(int Fd, const uint8_t* P, size_t N, int64_t At);
// Free bytes for an unprivileged user in Dir (the largest value when it cannot be told).
int64_t FreeDiskBytes(const std::string& Dir);
// errno as a status below 9900 (EIO when it is not one).
uint16_t ErrnoStatus();

// Moves the complete file From to the first free "name", "name.1", ... in Dir; the new path,
// empty on failure (errno set).
std::string GiveFreeName(const std::string& Dir, const std::string& Name, const std::string& From);
// A partial copy of Name left by an earlier attempt is of no use once the file is complete.
void RemoveStalePart(const std::string& Dir, const std::string& Name, const std::string& Keep);

// Whatever the sender says, a download stops while this much room is still left on the disk.
inline constexpr int64_t DiskReserve = 64 << 20;

// One file being received: a write-behind buffer in front of "name.part".
class TReceiveFile {
 public:
  TReceiveFile();
  ~TReceiveFile();
  TReceiveFile(const TReceiveFile&) = delete;
  TReceiveFile& operator=(const TReceiveFile&) = delete;

  // Creates the first free "name.part", "name.1.part", ... in Dir (never an existing file).
  bool Open(const std::string& Dir, const std::string& Name);
  // Continues an existing file of ours at Pos (a resume); takes ownership of Fd.
  void Adopt(int Fd, const std::string& Path, int64_t Pos);
  bool IsOpen() const { return Fd >= 0; }
  // Appends at the current position; false (errno set) on a failed write or when the disk
  // is nearly full.
  bool Write(const uint8_t* P, size_t N);
  bool Flush();
  // Writes what is buffered and closes; the data stays under its temporary name.
  void Close();
  // Complete: closed and moved to the first free "name", "name.1", ...; a stale "name.part"
  // of an earlier attempt is removed. The final path, empty on failure (errno set; the data
  // stays under its temporary name).
  std::string Finish(const std::string& Dir, const std::string& Name);
  // Writes what is buffered and closes, leaving the name as it is; false on a failed write.
  bool CloseForRename();
  const std::string& Path() const { return TempPath; }
  int64_t Position() const { return Start + static_cast<int64_t>(Len); }

 private:
  int Fd = -1;
  std::string TempPath;
  std::vector<uint8_t> Buf;
  size_t Len = 0;
  int64_t Start = 0;  // file position of Buf[0]
  int64_t NextSpaceCheck = 0;
  std::string SpaceDir;
};
