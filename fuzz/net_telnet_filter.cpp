// The telnet filter over arbitrary bytes from a peer, cut into receives of varying size.
// Input: byte 0 picks the read buffer size, byte 1 the window size; the rest is the stream.
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

#include "net/socket.h"

namespace {

void Drain(int Fd) {
  char Junk[4096];
  while (recv(Fd, Junk, sizeof Junk, MSG_DONTWAIT) > 0) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < 2) return 0;
  int Fds[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, Fds) != 0) return 0;
  const int Peer = Fds[1];
  {
    // Tiny read buffers put command boundaries everywhere.
    TSocket S(Data[0] % 32 + 1, 64);
    S.AttachHandle(Fds[0]);
    S.TelnetClient = true;
    S.TermType = "ANSI-256COLOR-RGB";
    S.WinWidth = Data[1];
    S.WinHeight = static_cast<uint8_t>(Data[1] * 7);
    Data += 2;
    Size -= 2;

    size_t In = 0, Out = 0;
    uint8_t Buf[37];
    const auto ReadAll = [&] {
      while (S.DataWaiting(0)) {
        const int32_t N = S.ReadBuf(Buf, sizeof Buf);
        if (N < 0) break;
        if (N > static_cast<int32_t>(sizeof Buf)) abort();
        Out += static_cast<size_t>(N);
        Drain(Peer);
      }
    };
    while (In < Size) {
      const size_t Step = Size - In < 512 ? Size - In : 512;
      const ssize_t W = send(Peer, Data + In, Step, MSG_NOSIGNAL);
      if (W <= 0) break;
      In += static_cast<size_t>(W);
      ReadAll();
    }
    shutdown(Peer, SHUT_WR);
    ReadAll();
    // The filter only ever removes bytes.
    if (Out > In) abort();
    S.BufWriteStr("\xff\xff");
    S.BufFlush();
  }
  close(Peer);
  return 0;
}
