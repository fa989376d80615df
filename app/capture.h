// The session capture file: everything received, byte for byte, between a start line and an
// end line, appended to the file named by the phone book entry.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

class TCaptureFile {
 public:
  TCaptureFile() = default;
  ~TCaptureFile() { Close(); }
  TCaptureFile(const TCaptureFile&) = delete;
  TCaptureFile& operator=(const TCaptureFile&) = delete;

  // Appends to Path (creating it) and writes an empty line and the start line for the
  // system; false when the file can't be opened.
  bool Open(const std::string& Path, const std::string& Name, const std::string& Address,
            const std::string& DateMMDDYY);
  void Write(const uint8_t* Data, size_t Length);
  // Writes an empty line and "----> Capture: " + Note, then closes.
  void CloseWithLine(const std::string& Note);
  // Closes without a closing line (program exit).
  void Close();
  bool IsOpen() const { return File != nullptr; }

  static constexpr size_t BufferSize = 16384;

 private:
  struct TCloser {
    void operator()(std::FILE* F) const { std::fclose(F); }
  };
  std::unique_ptr<std::FILE, TCloser> File;
  std::unique_ptr<char[]> Buffer;
};
