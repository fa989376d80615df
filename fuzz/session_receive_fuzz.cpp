// Received blocks through the Zmodem-start filter into a real emulator, as the session does:
// the filter must neither lose nor invent bytes, whatever the remote side sends.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "app/session_rules.h"
#include "console/console.h"
#include "term/term_ansi.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  // Opening a console is costly; runs share one.
  static TSDLConsole Con;
  static const bool Opened = Con.OpenScreen(80, 25, 1);
  static TTermAnsi Term(Con);
  (void)Opened;
  if (Size == 0) return 0;
  const bool Auto = Data[0] & 1;
  ++Data, --Size;
  size_t Shown = 0, Captured = 0, Starts = 0, Cans = 0;
  TReceiveSink Sink;
  Sink.Data = [&](const uint8_t* D, size_t N, bool Capture) {
    Term.ProcessBuf(D, N);
    Shown += N;
    if (Capture) Captured += N;
  };
  Sink.StartZmodem = [&](bool) { ++Starts; };
  FilterReceived(Data, Size, Auto, Sink);
  for (size_t i = 0; i < Size; ++i) Cans += Data[i] == 24;
  // Every byte is shown except the CAN of a start header; only CANs escape the capture.
  if (Shown > Size || Captured > Shown || Size - Shown > Cans || Shown - Captured > Cans) std::abort();
  if (!Auto && (Shown != Size || Captured != Size || Starts != 0)) std::abort();
  return 0;
}
