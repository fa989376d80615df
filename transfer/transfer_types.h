// What every transfer protocol reports to the screens: status codes, per-file results and
// the progress the display draws.
#pragma once

#include <cstdint>
#include <string>

// Status codes (ProtocolStatus); the screens show them. Values below 9900 that are not listed
// are operating system error numbers from a file operation.
namespace ZStatus {
inline constexpr uint16_t Ok = 0;
inline constexpr uint16_t NoFileName = 2;
inline constexpr uint16_t SendTimeout = 2921;     // sender: no reply within TransTimeout
inline constexpr uint16_t HeaderTimeout = 2923;   // no header in time
inline constexpr uint16_t Cancelled = 9902;       // cancel sequence received or sent
inline constexpr uint16_t BlockTooLong = 9907;
inline constexpr uint16_t EndOfFile = 9908;
inline constexpr uint16_t CrcError = 9915;
inline constexpr uint16_t TooManyErrors = 9920;
inline constexpr uint16_t BadSubpackets = 9929;
inline constexpr uint16_t SkipRequested = 9930;   // the receiver skipped the file
inline constexpr uint16_t NotLocal = 9932;        // refused: not present locally (ZMSKNOLOC)
inline constexpr uint16_t Refused = 9933;         // refused by name, option or AcceptFileFunc
inline constexpr uint16_t TooManyRetries = 9934;
inline constexpr uint16_t LinkFailed = 9939;      // the link went away or a write fell short
}  // namespace ZStatus

// Per-file events for LogProc (numbers kept from the program's older interface).
enum class TTransferEvent : uint8_t {
  FileInfo = 0,           // file information received
  FileReceived = 1,       // file received completely
  ReceiveFailed = 2,      // reception ended without success
  FileRefused = 3,        // refused by this side
  SendingFile = 4,        // about to send
  FileSent = 5,
  SendFailed = 6,
  SkippedByReceiver = 7,  // the other side asked to skip it
};

enum class TFileOutcome : uint8_t { Done, Skipped, Failed };

// What became of one file, for the screen's "done, skipped, failed, and why".
struct TFileResult {
  std::string Name;       // name as offered (download) or path from the list (upload)
  std::string LocalPath;  // download: where the data is (final name, or the partial file)
  int64_t Size = 0;       // announced (download) or local (upload) size
  int64_t Bytes = 0;      // position reached
  int64_t StartPos = 0;   // where the data began (resume point)
  uint16_t Errors = 0;    // errors met and recovered from
  TFileOutcome Outcome = TFileOutcome::Failed;
  uint16_t Status = 0;
  std::string Reason;     // a few words; empty when done
};

// What the progress display draws.
struct TTransferProgress {
  std::string FileName;  // with its path
  int64_t FileSize = 0;
  int64_t BytesTransferred = 0;
  uint16_t TotalErrors = 0;
  uint16_t BlockLen = 0;
  int64_t StartTime = 0;  // seconds since midnight when the file's data began
  bool NewFile = false;   // first call for this file
  bool Starting = false;  // first call of the run
  bool Ending = false;    // last call of the run
  uint16_t Status = 0;
};
