#include "app/capture.h"

bool TCaptureFile::Open(const std::string& Path, const std::string& Name, const std::string& Address,
                        const std::string& DateMMDDYY) {
  Close();
  File.reset(std::fopen(Path.c_str(), "ab"));
  if (!File) return false;
  Buffer = std::make_unique<char[]>(BufferSize);
  std::setvbuf(File.get(), Buffer.get(), _IOFBF, BufferSize);
  const std::string Line = "\n----> Capture: " + Name + " (" + Address + ") " + DateMMDDYY + " Start\n";
  std::fwrite(Line.data(), 1, Line.size(), File.get());
  return true;
}

void TCaptureFile::Write(const uint8_t* Data, size_t Length) {
  // Write errors while capturing are not worth interrupting the session for.
  if (File && Length > 0) std::fwrite(Data, 1, Length, File.get());
}

void TCaptureFile::CloseWithLine(const std::string& Note) {
  if (!File) return;
  const std::string Line = "\n----> Capture: " + Note + "\n";
  std::fwrite(Line.data(), 1, Line.size(), File.get());
  Close();
}

void TCaptureFile::Close() {
  File.reset();  // flushes through the buffer before it goes
  Buffer.reset();
}
