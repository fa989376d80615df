// The Xmodem and Ymodem engine: Xmodem (checksum or CRC-16, 128-byte blocks), Xmodem-1K,
// Ymodem batches (block 0 with name, size and time; 1K blocks) and Ymodem-G (streaming, for
// error-free links), both ways, one bounded step at a time.
//
//   TXYModem X(Conn, TXYProtocol::Ymodem);
//   X.SetDestDir(DownloadPath);          // Xmodem carries no name: also SetReceiveName(...)
//   X.StatusProc = DrawProgress;         // optional
//   X.PrepareReceive();                  // or SetFileList(...) and PrepareTransmit()
//   while (X.Step()) { if (EscPressed()) X.Cancel(); }
//   for (auto& R : X.Results()) ...
//
// No step waits longer than about 100 ms, and the engine never touches the console. Downloads
// follow the same file rules as Zmodem's (transfer/receive_file.h).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "net/socket_base.h"
#include "transfer/receive_file.h"
#include "transfer/transfer_types.h"

enum class TXYProtocol : uint8_t { Xmodem, Xmodem1K, Ymodem, YmodemG };

// "Xmodem", "Xmodem-1K", "Ymodem", "Ymodem-G".
const char* XYProtocolName(TXYProtocol P);

class TXYModem;
using TXYStatusProc = std::function<void(const TXYModem&, const TTransferProgress&)>;

class TXYModem {
 public:
  TXYModem(TSocketBase& Conn, TXYProtocol Protocol);
  ~TXYModem();
  TXYModem(const TXYModem&) = delete;
  TXYModem& operator=(const TXYModem&) = delete;

  void SetDestDir(const std::string& Dir);
  // Xmodem downloads: the name the file is saved under (checked like a name from the wire).
  void SetReceiveName(const std::string& Name) { XName = Name; }
  // Uploads: Xmodem sends the first file only, Ymodem all of them as one batch.
  void SetFileList(std::vector<std::string> Paths) { List = std::move(Paths); }

  TXYStatusProc StatusProc;
  TReservedNameFunc IsReservedName = IsProgramFileName;
  uint16_t StatusInterval = 100;  // hundredths between progress calls
  // The longest wait for a block or a reply; the program keeps 10 s, tests may shorten it.
  int32_t BlockWaitMs = 10000;

  // Not 0 when the run cannot start (no download directory, an unsafe Xmodem name); the
  // first step then ends it, with the final progress call.
  uint16_t PrepareReceive();
  uint16_t PrepareTransmit();
  // One step of the prepared run; false once it is over.
  bool Step();
  // The user gave up: the cancel sequence goes out and the run ends (the final hook runs).
  void Cancel();
  bool Finished() const { return St == TState::Finished; }

  const std::vector<TFileResult>& Results() const { return FileResults; }
  // Bytes read from the link but not used by the run; the session shows them.
  std::vector<uint8_t> TakeUnread();

  TXYProtocol Protocol() const { return Proto; }
  uint16_t ProtocolStatus = 0;
  std::string FileName;  // path of the current file
  int64_t FileSize = 0;  // 0 when unknown (Xmodem)
  int64_t BytesTransferred = 0;
  uint16_t TotalErrors = 0;
  uint16_t BlockLen = 128;
  int64_t StartTime = 0;

 private:
  enum class TState : uint8_t {
    // receiving
    Request, WaitBlock, Purge,
    // sending
    WaitStart, NextFile, SendBlock, WaitAck, SendEot, WaitEotAck, WaitEndAck,
    Draining, Finished
  };

  bool Batch() const { return Proto == TXYProtocol::Ymodem || Proto == TXYProtocol::YmodemG; }
  bool LinkUp() const { return !Down && Conn.Connected; }
  bool Pull(int WaitMs);
  void Send(const uint8_t* P, size_t N);
  void SendByte(uint8_t B) { Send(&B, 1); }
  bool FlushOut(int WaitMs);
  void SetTimer(int64_t Ms);
  bool TimerUp() const;
  int WaitBudget() const;
  void ShowStatus(bool Starting, bool Ending);
  void AddResult(TFileOutcome Outcome, uint16_t Status, const std::string& Reason);
  // Ends the run (cancel sequence when asked); an open download stays under its part name.
  void Fail(uint16_t Status, const std::string& Reason, bool SendCancel);
  void End();

  // Receiving.
  void StepReceive();
  void RxRequest();
  void RxWaitBlock();
  void RxBlock();
  void RxError(const char* Why);
  void RxBatchHeader(const uint8_t* Data, size_t N);
  void RxData(const uint8_t* Data, size_t N);
  void RxEndOfFile();
  // No block of the current file (or its block 0) yet: a time-out asks again.
  bool RxAtStart() const { return !InFile || Blocks == 0; }
  bool RxOpen(const std::string& Name);

  // Sending.
  void StepTransmit();
  void TxWaitStart();
  void TxNextFile();
  void TxBuildBlock();
  void TxWaitAck();
  void TxEndFile();

  TSocketBase& Conn;
  TXYProtocol Proto;
  std::string Dest, XName;
  std::vector<std::string> List;
  size_t ListIndex = 0;
  std::vector<TFileResult> FileResults;
  bool Receiving = false;
  TState St = TState::Finished;
  bool Down = false;
  int64_t Deadline = 0, NextStatus = 0, DrainQuiet = 0, DrainEnd = 0;
  bool NewFile = false;
  uint16_t Retries = 0;

  std::vector<uint8_t> In;
  size_t InPos = 0, InLen = 0;
  std::vector<uint8_t> Out;
  size_t OutPos = 0;

  bool UseCrc = true;
  bool Streaming = false;  // Ymodem-G: no acknowledgement per block
  uint8_t Expect = 0;      // receiving: number of the next block; sending: of the block out
  int CanRun = 0;          // CAN bytes in a row where a block or a reply should start

  // Receiving state.
  std::vector<uint8_t> Block;  // header byte, number, complement, data, check
  size_t BlockNeed = 0;
  bool InFile = false;     // between block 0 (or the start) and the end of the file's data
  bool SkipData = false;   // a refused Ymodem file: its data is taken and dropped
  bool HaveSize = false;
  bool EotSeen = false;
  uint16_t Handshakes = 0;
  int64_t Blocks = 0;      // data blocks of the current file taken
  std::string RxName, RxOffered;
  TReceiveFile File;
  int64_t Pos = 0;

  // Sending state.
  int Fd = -1;
  int64_t FileMTime = 0;
  bool SentEmptyHeader = false;
  std::vector<uint8_t> TxBlock;
  int64_t TxNextPos = 0;   // file position after the block in TxBlock
  bool TxLast = false;     // TxBlock holds the file's last data
};
