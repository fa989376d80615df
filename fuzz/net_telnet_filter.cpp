// The telnet filter over arbitrary bytes from a peer, cut into receives of varying size, in
// memory: the answers it sends are checked instead of written to a socket.
// Input: byte 0 picks the receive size, byte 1 the window size; the rest is the stream.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "net/socket.h"

namespace {

class TFuzzSocket : public TSocket {
 public:
  using TSocket::TSocket;
  // One receive of Len bytes (at most the read buffer) through the filter; returns the data kept.
  int32_t Receive(const uint8_t* Data, int32_t Len) {
    std::memcpy(ReadBuffer.data(), Data, static_cast<size_t>(Len));
    ReadCount = Len;
    ReadPos = 0;
    TelnetFilter();
    return ReadCount;
  }
  size_t Answers = 0;

 protected:
  void SendAnswer(const uint8_t* Buf, int32_t Len) override {
    // Every answer is a whole command: IAC, then at least the command and option.
    if (Len < 3 || Buf[0] != Telnet::IAC) std::abort();
    ++Answers;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < 2) return 0;
  const int32_t Step = Data[0] % 32 + 1;
  TFuzzSocket S(32, 64);
  S.TelnetClient = true;
  S.TermType = "ANSI-256COLOR-RGB";
  S.WinWidth = Data[1];
  S.WinHeight = static_cast<uint8_t>(Data[1] * 7);
  Data += 2;
  Size -= 2;
  size_t Out = 0;
  for (size_t In = 0; In < Size;) {
    const int32_t N = static_cast<int32_t>(Size - In < size_t(Step) ? Size - In : size_t(Step));
    const int32_t Kept = S.Receive(Data + In, N);
    if (Kept < 0 || Kept > N) std::abort();
    Out += static_cast<size_t>(Kept);
    In += static_cast<size_t>(N);
  }
  // The filter only ever removes bytes, and answers at most once per command.
  if (Out > Size || S.Answers > Size / 3 + 1) std::abort();
  return 0;
}
