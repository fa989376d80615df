// Runs an engine against a real lrzsz peer (sz, rz, sx, rx, sb, rb) over a socket pair, optionally
// through an in-process relay that damages the stream. Every wait has a limit: the peer is
// killed and the engine cancelled when a run overstays its deadline.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "support/test_tempdir.h"
#include "transfer/xymodem.h"
#include "transfer/zmodem.h"

// A fault the relay applies to the bytes flowing in one direction.
struct TFault {
  // Telnet: no fault but a telnet link: 255 doubled and IAC NOP sprinkled in toward the
  // engine, doubled 255 undone toward the peer.
  enum class TKind : uint8_t { None, BitFlip, Drop, Stall, CanBurst, Close, Telnet };
  TKind Kind = TKind::None;
  // Damage what the engine receives, else what the peer receives (a CAN burst always goes to
  // the engine; this picks the stream whose byte count sets it off).
  bool ToEngine = true;
  int64_t At = 32768;  // byte offset in that direction (BitFlip: every At bytes)
  int StallMs = 12000;
};

struct TRunResult {
  uint16_t Status = 0;
  std::vector<TFileResult> Results;
  std::vector<TTransferEvent> Events;
  int HookStarts = 0, HookEnds = 0;
  int PeerExit = -1;           // exit code, 128 + signal, or -1 when it had to be killed
  // The deadline or the disk cap (more than MaxDiskBytes in the two directories) ended the run.
  bool EngineOverran = false;
  int64_t EndMs = 0, FaultMs = -1;  // when the engine's run ended, the relay applied its fault
  std::string PeerLog;
};

struct TRunOptions {
  bool Upload = false;                // engine sends, else receives
  std::vector<std::string> PeerArgs;  // e.g. {"sz", "-q", "a.bin"}
  std::string PeerDir;                // the peer's working directory
  std::string DownloadDir;            // the engine's download directory
  std::vector<std::string> Files = {};  // upload list
  uint8_t BlockMode = 1;
  TFault Fault;
  int DeadlineMs = 60000;
  int64_t MaxDiskBytes = 64 << 20;      // a run that writes more is stopped (both directories)
  int64_t KillPeerAt = -1;              // kill the peer once this many bytes are done
  bool PrimeStart = false;              // read the start up to its ZDLE first, then Prime()
  std::function<void(TZmodem&)> Setup = {};  // extra engine settings
  // Xmodem / Ymodem instead of Zmodem; Xmodem downloads are saved as XName.
  std::optional<TXYProtocol> XY;
  std::string XName;
  int BlockWaitMs = 10000;
};

TRunResult RunWithPeer(const TRunOptions& O);

// Deterministic file contents: random bytes, with runs of the bytes Zmodem must escape.
TBytes TestData(size_t Size, uint32_t Seed);

// Every regular file under Root (relative path -> contents), except below Skip.
using TFiles = std::map<std::string, TBytes>;
TFiles Snapshot(const std::string& Root, const std::string& Skip = {});
