// Received Zmodem bytes through the header reader, the subpacket reader and the file
// information parser, as the engine chains them, cut into reads of varying size; and the
// subpacket writer and reader on the same bytes, which must agree.
// Input: byte 0 picks the read size and the subpacket limit; the rest is the stream.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "transfer/receive_file.h"
#include "transfer/zmodem_frame.h"

using namespace zm;

namespace {

// Reused between inputs: the fuzzer measures the parsers, not allocation.
THeaderReader Headers;
TSubpacketReader Subpackets;
TFrameWriter Writer;
TSubpacketReader Back;

void CheckName(const TFileInfo& F) {
  std::string Name;
  if (!SafeReceiveName(F.Name, Name)) return;
  if (Name.empty() || Name.size() > 255 || Name == "." || Name == "..") abort();
  for (unsigned char C : Name)
    if (C == '/' || C == '\\' || C < 32 || C == 127) abort();
  if (F.Size < 0) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < 1) return 0;
  const size_t Step = Data[0] % 64 + 1;
  const size_t MaxLen = Data[0] & 0x80 ? 8192 : 1024;
  ++Data;
  --Size;

  Headers.Reset();
  bool InSubpacket = false;
  uint8_t Type = 0;
  size_t At = 0;
  while (At < Size) {
    const size_t N = Size - At < Step ? Size - At : Step;
    size_t Used = 0;
    if (!InSubpacket) {
      const auto R = Headers.Feed(Data + At, N, Used);
      if (Used > N) abort();
      if (R == THeaderReader::TResult::Header &&
          (Headers.Hdr.Type == ZFILE || Headers.Hdr.Type == ZDATA || Headers.Hdr.Type == ZSINIT)) {
        Type = Headers.Hdr.Type;
        Subpackets.Start(MaxLen, Headers.Crc32());
        InSubpacket = true;
      }
    } else {
      Used = Headers.SkipTail(Data + At, N);
      if (Used > N) abort();
      if (Used == 0) {
        const auto R = Subpackets.Feed(Data + At, N, Used);
        if (Used > N || Subpackets.Length() > MaxLen) abort();
        if (R == TSubpacketReader::TResult::Done && Type == ZFILE)
          CheckName(ParseFileInfo(Subpackets.Data(), Subpackets.Length()));
        if (R == TSubpacketReader::TResult::Done && Type == ZDATA &&
            (Subpackets.End == ZCRCG || Subpackets.End == ZCRCQ)) {
          Subpackets.Start(MaxLen, Headers.Crc32());
        } else if (R != TSubpacketReader::TResult::Pending) {
          InSubpacket = false;
        }
      }
    }
    // Every read is taken from, or the engine would spin on it.
    if (Used == 0) abort();
    At += Used;
  }

  // Whatever the bytes, written as a subpacket they read back the same.
  const size_t Len = Size < 512 ? Size : 512;
  Writer.Out.clear();
  Writer.SetEscapeControls(Size & 1);
  Writer.Subpacket(Data, Len, ZCRCQ, (Size & 2) != 0);
  Back.Start(512, (Size & 2) != 0);
  size_t Used = 0;
  if (Back.Feed(Writer.Out.data(), Writer.Out.size(), Used) != TSubpacketReader::TResult::Done) abort();
  if (Back.Length() != Len || (Len && std::memcmp(Back.Data(), Data, Len) != 0) || Back.End != ZCRCQ) abort();
  return 0;
}
