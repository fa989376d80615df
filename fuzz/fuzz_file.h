#pragma once
// The readers under test take file names, so each input is written to a
// scratch file private to the fuzzing process, removed when it exits.

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

class TFuzzScratch {
 public:
  explicit TFuzzScratch(const char* Name) {
    const char* Dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    Path = std::string(Dir) + "/lxfuzz." + std::to_string(getpid()) + "." + Name;
  }
  ~TFuzzScratch() { unlink(Path.c_str()); }
  TFuzzScratch(const TFuzzScratch&) = delete;
  TFuzzScratch& operator=(const TFuzzScratch&) = delete;

  bool Write(const uint8_t* Data, size_t Size) const {
    std::FILE* F = std::fopen(Path.c_str(), "wb");
    if (!F) return false;
    bool Ok = std::fwrite(Data, 1, Size, F) == Size;
    return std::fclose(F) == 0 && Ok;
  }

  std::string Path;
};
