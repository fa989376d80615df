// A whole X/Ymodem download driven by hostile bytes: blocks, block 0's name, size and time,
// EOTs and cancels, cut into reads of varying size. Whatever arrives, the run ends, writes
// nothing but regular files inside its download directory, and never reads past a block.
// Input: byte 0 picks the protocol and the read size; the rest is what the sender sends.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "net/socket_base.h"
#include "transfer/xymodem.h"

namespace {

// The sender's bytes, handed out a few at a time; when they run out the link is gone, so the
// engine ends at once instead of waiting for a block.
class TScriptedLink : public TSocketBase {
 public:
  TScriptedLink(const uint8_t* D, size_t N, size_t Step) : Data(D), Size(N), Chunk(Step) {}
  bool Connect(const std::string&, uint16_t, int32_t, TAbortCheck) override { return false; }
  void Disconnect() override { Connected = false; }
  int32_t WaitForData(int32_t, bool ForRead) override {
    if (!ForRead) return 1;
    if (At < Size) return 1;
    Connected = false;
    return -1;
  }
  int32_t ReadBuf(uint8_t* Buf, int32_t Len) override {
    if (At >= Size) {
      Connected = false;
      return -1;
    }
    size_t N = Size - At < Chunk ? Size - At : Chunk;
    if (N > static_cast<size_t>(Len)) N = static_cast<size_t>(Len);
    for (size_t I = 0; I < N; ++I) Buf[I] = Data[At + I];
    At += N;
    return static_cast<int32_t>(N);
  }
  int32_t WriteBuf(const uint8_t*, int32_t Len) override { return Len; }
  int32_t WriteStr(std::string_view S) override { return static_cast<int32_t>(S.size()); }
  std::unique_ptr<TSocketBase> Clone() override { return nullptr; }

 private:
  const uint8_t* Data;
  size_t Size, Chunk, At = 0;
};

// Empties the download directory, aborting on anything that is not a regular file.
void CleanDir(const std::string& Dir) {
  DIR* D = opendir(Dir.c_str());
  if (!D) abort();
  while (dirent* E = readdir(D)) {
    const std::string Name = E->d_name;
    if (Name == "." || Name == "..") continue;
    struct stat St {};
    const std::string Path = Dir + "/" + Name;
    if (lstat(Path.c_str(), &St) != 0 || !S_ISREG(St.st_mode)) abort();
    unlink(Path.c_str());
  }
  closedir(D);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const std::string Dir = [] {
    char Tmpl[] = "/tmp/lx-fuzz-xymodem-XXXXXX";
    const char* Made = mkdtemp(Tmpl);
    if (!Made) abort();
    return std::string(Made);
  }();
  if (Size < 1) return 0;
  const auto Proto = static_cast<TXYProtocol>(Data[0] & 3);
  const size_t Step = (Data[0] >> 2) % 48 + 1;
  TScriptedLink Link(Data + 1, Size - 1, Step);
  TXYModem X(Link, Proto);
  X.SetDestDir(Dir);
  X.SetReceiveName("fuzz.bin");
  X.BlockWaitMs = 20;
  X.PrepareReceive();
  // Each step consumes input or ends the run; the bound only catches a step that does neither.
  for (size_t Steps = 0; X.Step(); ++Steps)
    if (Steps > 4 * Size + 1000) abort();
  CleanDir(Dir);
  return 0;
}
