// The Zmodem engine: downloads into a directory and uploads a list of files over the open
// connection, one bounded step at a time.
//
//   TZmodem Z(Conn, 1);                  // block mode 1: subpackets up to 8192 bytes
//   Z.SetDestDir(DownloadPath);
//   Z.StatusProc = DrawProgress;         // optional hooks
//   Z.PrepareReceive();                  // or SetFileList(...) and PrepareTransmit()
//   while (Z.Step()) { if (EscPressed()) Z.Cancel(); }
//   for (auto& R : Z.Results()) ...      // per file: done / skipped / failed and why
//
// No step waits longer than about 100 ms, and the engine never touches the console: the
// screen polls its keys between steps. While a run lasts the engine is the only user of the
// connection.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "net/socket_base.h"
#include "transfer/receive_file.h"
#include "transfer/transfer_types.h"
#include "transfer/zmodem_frame.h"

class TZmodem;
using TStatusProc = std::function<void(const TZmodem&, const TTransferProgress&)>;
using TLogProc = std::function<void(const TZmodem&, TTransferEvent)>;
// Asked before a received file is opened (name without directory, announced size).
using TAcceptFileFunc = std::function<bool(const std::string& Name, int64_t Size)>;

class TZmodem {
 public:
  // BlockMode 0: 1024-byte subpackets, 1: 8192 (also the longest one accepted).
  TZmodem(TSocketBase& Conn, uint8_t BlockMode);
  ~TZmodem();
  TZmodem(const TZmodem&) = delete;
  TZmodem& operator=(const TZmodem&) = delete;

  // --- configuration, before a run
  void SetDestDir(const std::string& Dir);
  const std::string& DestDir() const { return Dest; }
  void SetFileList(std::vector<std::string> Paths) { List = std::move(Paths); }
  void AddFileToList(const std::string& Path) { List.push_back(Path); }
  // Bytes already taken from the link by whoever noticed the transfer start; they are read
  // before anything else. A start that begins at its ZDLE (the detector ate the pads) is fine.
  void Prime(const uint8_t* P, size_t N);

  TStatusProc StatusProc;
  TLogProc LogProc;
  TAcceptFileFunc AcceptFileFunc;
  TReservedNameFunc IsReservedName = IsProgramFileName;
  uint16_t StatusInterval = 100;  // hundredths between progress calls
  // Receiving: the management option used when MgmtOverride is set (ZMCLOB replaces an
  // existing file, ZMAPND appends to it); otherwise the sender's option is taken, and only
  // its requests to skip are honoured. Sending: ZF1 of our ZFILE.
  uint8_t FileMgmtOpt = zm::ZMNEW;
  bool MgmtOverride = false;
  // Sending: escape every control character (also switched on by the receiver's ZRINIT).
  bool EscapeControls = false;
  // How long a header, or the data inside a frame, may keep us waiting (milliseconds).
  int32_t HeaderWaitMs = 10000;

  // --- running
  // Not 0 when the run cannot start (no download directory: ENOENT); the first step then
  // ends it, with the final progress call.
  uint16_t PrepareReceive();
  uint16_t PrepareTransmit();
  // One step of the prepared run: 2 when the run is over, 1 when it waited for input, else 0.
  int ProtocolReceive();
  int ProtocolTransmit();
  // One step of whichever run is prepared; false once it is over.
  bool Step();
  // A whole run, step by step, for callers with nothing else to do.
  uint16_t Receive();
  uint16_t Transmit();
  // The user gave up: the cancel sequence goes out and the run ends (the final hook runs).
  void Cancel();
  bool Finished() const;

  const std::vector<TFileResult>& Results() const { return FileResults; }
  // Bytes read from the link but not used by the run (what the remote side sent after the
  // transfer ended); the session shows them.
  std::vector<uint8_t> TakeUnread();

  // --- read by the progress display and the screens
  uint16_t ProtocolStatus = 0;
  std::string FileName;  // path of the current file
  int64_t FileSize = 0;
  int64_t BytesTransferred = 0;
  int64_t BytesRemaining = 0;
  uint16_t TotalErrors = 0;
  uint16_t RetryCount = 0;
  uint16_t BlockLen = 1024;
  int64_t StartTime = 0;

 private:
  enum class TRun : uint8_t { None, Receive, Transmit };
  enum class TRx : uint8_t {
    SendRinit, WaitFile, CollectSinit, CollectFileInfo, LocalCrc, WaitCrc, SendAttn, SendRpos, WaitData,
    CollectData, SendFin, WaitOO, Cleanup, Finished
  };
  enum class TTx : uint8_t {
    Start, WaitRinit, NextFile, SendFile, WaitRpos, FileCrc, SendData, Streaming, WaitAck, WaitEofAck,
    Finish, WaitFin, Cleanup, Finished
  };
  enum class TGot : uint8_t { Nothing, Header, Cancel, Lost };

  // Link input: a block at a time from ReadBuf, so telnet commands never become data.
  bool Pull(int WaitMs);
  const uint8_t* InData() const { return In.data() + InPos; }
  size_t Avail() const { return InLen - InPos; }
  void Consume(size_t N) { InPos += N; }
  void DropInput();
  // Runs the header reader over what has arrived (waiting at most WaitMs for more).
  TGot GetHeader(int WaitMs);
  // Output goes out in slices while the link takes it, so no write can hold a step up.
  bool FlushOut(int WaitMs);
  void PurgeOut();
  void SendHex(uint8_t Type, uint32_t Pos);
  void SendHexFlags(uint8_t Type, const std::array<uint8_t, 4>& P);
  void SendCancelSequence();
  // After a cancel: takes what the other side still sends as part of the run (true while
  // more may come).
  void StartDrain();
  bool DrainLine();
  bool LinkUp() const;

  void SetTimer(int64_t Ms);
  bool TimerUp() const;
  int WaitBudget() const;
  bool OverBudget(int64_t StepStart) const;

  void ShowStatus(bool Starting, bool Ending);
  void Log(TTransferEvent E);
  void AddResult(TFileOutcome Outcome, uint16_t Status, const std::string& Reason);
  // Ends the run: cancel sequence when asked and the link still works, the open file closed
  // (a partial download stays under its temporary name), failure recorded.
  void Fail(uint16_t Status, const std::string& Reason, bool SendCancel);
  void PeerCancelled();
  void Errors() {
    ++RetryCount;
    ++TotalErrors;
  }

  // Receiving.
  int StepReceive();
  void RxWaitFile(TGot G);
  void RxStartFile();
  bool RxCollect(bool& Good);
  void RxDecideFresh(bool Replace);
  bool RxOpenFresh();
  bool RxResume();
  void RxCollectData();
  void RxWaitData(TGot G);
  void RxRetry();
  void RxCloseFile();
  bool RxFinishFile();
  void RxRefuse(uint16_t Status, const std::string& Reason);

  // Sending.
  int StepTransmit();
  void TxWaitRinit(TGot G);
  void TxNextFile();
  void TxWaitRpos(TGot G);
  void TxStream();
  bool TxHandleDataHeader(const zm::THeader& H);
  void TxReposition(uint32_t WirePos);
  void CloseFrame();
  const uint8_t* TxRead(int64_t Pos, size_t Want, size_t& Got, bool& AtEnd);
  void TxCloseFile();

  TSocketBase& Conn;
  std::string Dest;
  std::vector<std::string> List;
  size_t ListIndex = 0;
  std::vector<TFileResult> FileResults;
  uint8_t BlockMode = 0;

  TRun Run = TRun::None;
  TRx Rx = TRx::Finished;
  TTx Tx = TTx::Finished;
  bool Down = false;        // the link is gone: nothing more is sent
  bool CancelSeen = false;  // five CAN from the other side
  bool Draining = false;    // taking the line's bytes after a cancel
  int64_t DrainQuiet = 0, DrainEnd = 0;

  std::vector<uint8_t> In;
  size_t InPos = 0, InLen = 0;
  int32_t LastRead = 0;  // size of the last block read
  zm::TFrameWriter W;
  size_t OutPos = 0;
  bool LinkFull = false;  // the last try found no room on the link
  zm::THeaderReader HR;
  zm::TSubpacketReader SP;
  zm::TCancelDetector Cancels;
  zm::THeader RxHdr;
  bool RxHdrCrc32 = false;

  int64_t Deadline = 0;
  int64_t NextStatus = 0;
  bool NewFile = false;
  bool FileOpen = false;
  bool RunStarted = false;
  uint16_t HandshakeCount = 0;  // time-outs while negotiating
  uint16_t RepeatCount = 0;     // repeated ZSINIT, ZFILE, ZCRC requests
  uint32_t FileCount = 0;

  // Receiving state.
  uint8_t AnswerType = zm::ZRINIT;
  std::string AttnString;
  size_t AttnIndex = 0;
  int64_t AttnResume = 0;
  std::string RxName;     // accepted name, without directory
  std::string RxOffered;  // name as offered, for the results
  std::string TempPath;   // where the data goes until the ZEOF
  std::string ResumeFrom; // a complete-named file moved aside to be resumed
  uint8_t RxConv = 0, RxMgmt = 0;
  bool RxHasSize = false;
  int Fd = -1;            // the file being sent
  TReceiveFile Out;       // the file being received
  int64_t Pos = 0;       // position in the current file
  int64_t StartPos = 0;  // where its data began
  int64_t RxLimit = 0;   // no data is written past this position
  // Resume check: the candidate's CRC-32, computed a slice per step.
  std::string CrcPath;
  int CrcFd = -1;
  int64_t CrcLen = 0, CrcDone = 0;
  uint32_t CrcValue = 0;

  // Sending state.
  uint16_t RxBufSize = 0;
  bool CanCrc32 = true;
  bool ReducedBlock = false;
  uint16_t RposRepeats = 0;  // ZRPOS without progress in between
  int64_t LastRpos = -1;
  int64_t LastWrite = 0;     // when output last went out
  uint16_t GoodBlocks = 0;
  int64_t WindowCount = 0;
  bool Windowed = false;  // the window after an error (see zmodem_send.cpp)
  int64_t Window = 0;
  int64_t AckedPos = 0;
  int64_t NextAckAsk = 0;
  int64_t WindowedSince = 0;
  int64_t LastAck = 0;
  std::vector<uint8_t> RBuf;
  int64_t RStart = 0;
  size_t RLen = 0;
  bool REnd = false;
  int64_t FileMTime = 0;
};
