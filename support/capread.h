#pragma once
// Reading a whole file of untrusted size into memory, and splitting text
// into lines of bounded length.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lx {

enum class TReadStatus {
  Ok,
  CannotOpen,  // missing, or not allowed
  NotAFile,    // a directory, fifo, device or socket: never read
  ReadError,
};

struct TFileRead {
  TReadStatus Status = TReadStatus::CannotOpen;
  std::vector<uint8_t> Data;  // at most the cap
  bool Truncated = false;     // the file holds more than was read
  int64_t FileSize = 0;       // as the file system reported it when opened
};

// Reads at most Cap bytes of a regular file, opened read-only (with the
// retrying open), so a read-only file reads and a fifo given by mistake
// cannot block the program.
TFileRead ReadFileCapped(const std::string& Path, std::size_t Cap);

// Splits text at LF; a CR before the LF is dropped. Lines longer than MaxLen
// are cut there, the rest of the line skipped, and the cut reported, so an
// endless line costs no memory and never becomes a second line.
class TLineReader {
 public:
  TLineReader(std::string_view Text, std::size_t MaxLen) : Text(Text), MaxLen(MaxLen) {}
  // False at the end of the text. A final line without LF still counts.
  bool Next(std::string& Line, bool& Cut);

 private:
  std::string_view Text;
  std::size_t MaxLen;
  std::size_t Pos = 0;
};

}  // namespace lx
