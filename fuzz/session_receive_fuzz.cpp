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
  size_t Shown = 0, Captured = 0, Droppable = 0;
  TReceiveSink Sink;
  Sink.Data = [&](const uint8_t* D, size_t N, bool Capture) {
    Term.ProcessBuf(D, N);
    Shown += N;
    if (Capture) Captured += N;
  };
  const TZmodemStart Z = FilterReceived(Data, Size, Auto, Sink);
  // A start belongs to the transfer from its CAN on: it must really be one.
  const size_t End = Z.Found ? Z.At : Size;
  if (Z.Found && (!Auto || Z.At + 3 >= Size || Data[Z.At] != 24 || Data[Z.At + 1] != 'B' ||
                  Data[Z.At + 2] != '0' || Data[Z.At + 3] != (Z.Upload ? '1' : '0')))
    std::abort();
  // Only the engine's own bytes may go unshown: CANs, the backspaces after a cancel burst and
  // the "*" pads of a start header.
  for (size_t i = 0; i < End; ++i) Droppable += Data[i] == 24 || Data[i] == 8 || Data[i] == '*';
  if (Shown > End || Captured > Shown || End - Shown > Droppable || Shown - Captured > Droppable) std::abort();
  if (!Auto && (Shown != Size || Captured != Size || Z.Found)) std::abort();
  return 0;
}
