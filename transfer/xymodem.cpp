// Xmodem and Ymodem. A block is SOH (128 bytes) or STX (1024 bytes), its number and the
// number's complement, the data, and a checksum byte or a CRC-16 (high byte first). The
// receiver asks with "C" (CRC), NAK (checksum) or "G" (Ymodem-G), answers every block with ACK
// or NAK (Ymodem-G answers none), and takes an end of file only when the sender repeats its
// EOT. Ymodem's block 0 names each file; an empty block 0 ends the batch.
#include "transfer/xymodem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "support/files.h"
#include "support/timeutil.h"
#include "transfer/zmodem_frame.h"

namespace {

constexpr uint8_t SOH = 1, STX = 2, EOT = 4, ACK = 6, NAK = 21, CAN = 24, SUB = 26;
constexpr int StepWaitMs = 50;
constexpr int64_t StepBudgetMs = 40;
constexpr uint16_t MaxRetries = 10;
// The receiver repeats its first request this often (a sender may start after it); Xmodem
// asks for CRC a few times before it settles for the checksum.
constexpr int64_t HandshakeMs = 3000;
constexpr uint16_t CrcTries = 3;
// After a damaged block the line is left to go quiet before the NAK, so that the rest of the
// block is not taken for the next one.
constexpr int64_t PurgeQuietMs = 150;
constexpr int64_t PurgeMaxMs = 3000;
constexpr int64_t DrainQuietMs = 200;
constexpr int64_t DrainMaxMs = 1000;
// Past Ymodem's announced size only the last block's padding may come.
constexpr int64_t SizeSlack = 8192;
constexpr size_t InputSize = 65536;
constexpr size_t WriteSlice = 16384;
// Ymodem-G: output queued ahead of the link.
constexpr size_t StreamAhead = 16384;

uint8_t Checksum(const uint8_t* P, size_t N) {
  unsigned S = 0;
  for (size_t I = 0; I < N; ++I) S += P[I];
  return static_cast<uint8_t>(S);
}

}  // namespace

const char* XYProtocolName(TXYProtocol P) {
  switch (P) {
    case TXYProtocol::Xmodem: return "Xmodem";
    case TXYProtocol::Xmodem1K: return "Xmodem-1K";
    case TXYProtocol::Ymodem: return "Ymodem";
    case TXYProtocol::YmodemG: return "Ymodem-G";
  }
  return "";
}

TXYModem::TXYModem(TSocketBase& C, TXYProtocol P) : Conn(C), Proto(P), In(InputSize) {}

TXYModem::~TXYModem() {
  if (Fd >= 0) ::close(Fd);
}

void TXYModem::SetDestDir(const std::string& Dir) { Dest = Dir.empty() ? Dir : lx::AddSlash(Dir); }

std::vector<uint8_t> TXYModem::TakeUnread() {
  std::vector<uint8_t> R(In.begin() + static_cast<long>(InPos), In.begin() + static_cast<long>(InLen));
  InPos = InLen = 0;
  return R;
}

// ---------------------------------------------------------------------------------------------
// Link, time, hooks

bool TXYModem::Pull(int WaitMs) {
  if (InPos < InLen) return true;
  InPos = InLen = 0;
  if (!LinkUp()) return false;
  if (!Conn.DataWaiting(WaitMs)) {
    if (!Conn.Connected) Down = true;
    return false;
  }
  // ReadBuf takes telnet commands out and undoes the doubled 255s.
  const int32_t N = Conn.ReadBuf(In.data(), static_cast<int32_t>(In.size()));
  if (N < 0) Down = true;
  if (N <= 0) return false;
  InLen = static_cast<size_t>(N);
  return true;
}

void TXYModem::Send(const uint8_t* P, size_t N) { Out.insert(Out.end(), P, P + N); }

// Out goes to the link in slices while it takes them, so a stalled peer cannot hold a step.
// The connection doubles 255 on telnet links; the engine sends the plain bytes.
bool TXYModem::FlushOut(int WaitMs) {
  while (OutPos < Out.size()) {
    if (!LinkUp()) return false;
    const int32_t Ready = Conn.WaitForData(WaitMs, false);
    if (Ready < 0) Down = true;
    if (Ready <= 0) return false;
    const int32_t Want = static_cast<int32_t>(std::min(WriteSlice, Out.size() - OutPos));
    if (Conn.WriteBuf(Out.data() + OutPos, Want) != Want) {
      Down = true;  // a hole in the stream: nothing after it would make sense
      return false;
    }
    OutPos += static_cast<size_t>(Want);
    WaitMs = 0;
  }
  Out.clear();
  OutPos = 0;
  return true;
}

void TXYModem::SetTimer(int64_t Ms) { Deadline = lx::TickMS() + Ms; }
bool TXYModem::TimerUp() const { return lx::TickMS() >= Deadline; }
int TXYModem::WaitBudget() const {
  return static_cast<int>(std::clamp<int64_t>(Deadline - lx::TickMS(), 0, StepWaitMs));
}

void TXYModem::ShowStatus(bool Starting, bool Ending) {
  NextStatus = lx::TickMS() + int64_t{StatusInterval} * 10;
  if (!StatusProc) return;
  TTransferProgress G;
  G.FileName = FileName;
  G.FileSize = FileSize;
  G.BytesTransferred = BytesTransferred;
  G.TotalErrors = TotalErrors;
  G.BlockLen = BlockLen;
  G.StartTime = StartTime;
  G.NewFile = NewFile;
  G.Starting = Starting;
  G.Ending = Ending;
  G.Status = ProtocolStatus;
  NewFile = false;
  StatusProc(*this, G);
}

void TXYModem::AddResult(TFileOutcome Outcome, uint16_t Status, const std::string& Reason) {
  TFileResult R;
  R.Outcome = Outcome;
  R.Status = Status;
  R.Reason = Reason;
  R.Size = FileSize;
  R.Bytes = BytesTransferred;
  R.Errors = TotalErrors;
  R.Name = Receiving ? RxOffered : FileName;
  R.LocalPath = Receiving ? File.Path() : FileName;
  FileResults.push_back(std::move(R));
}

void TXYModem::End() {
  St = TState::Draining;
  DrainEnd = 0;
}

void TXYModem::Fail(uint16_t Status, const std::string& Reason, bool SendCancel) {
  if (St == TState::Draining || St == TState::Finished) return;
  ProtocolStatus = Status;
  if (Receiving && File.IsOpen()) {
    File.Close();
    AddResult(TFileOutcome::Failed, Status, Reason);
  } else if (Receiving && InFile && !SkipData) {
    AddResult(TFileOutcome::Failed, Status, Reason);  // its file could not be made
  } else if (!Receiving && Fd >= 0) {
    ::close(Fd);
    Fd = -1;
    AddResult(TFileOutcome::Failed, Status, Reason);
  }
  if (!Receiving) {
    // Every listed file gets a result.
    while (ListIndex < List.size()) {
      FileName = List[ListIndex++];
      FileSize = BytesTransferred = 0;
      AddResult(TFileOutcome::Failed, Status, "not sent");
    }
  }
  End();
  if (SendCancel && LinkUp()) {
    Out.resize(OutPos);
    const uint8_t Seq[] = {CAN, CAN, CAN, CAN, CAN, CAN, CAN, CAN, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8};
    Send(Seq, sizeof Seq);
    FlushOut(StepWaitMs);
    // What the other side sent before it saw our cancel belongs to the run, not the screen.
    const int64_t Now = lx::TickMS();
    DrainQuiet = Now + DrainQuietMs;
    DrainEnd = Now + DrainMaxMs;
  }
}

bool TXYModem::Step() {
  if (St == TState::Finished) return false;
  if (lx::TickMS() >= NextStatus) ShowStatus(false, false);
  if (St != TState::Draining) {
    if (!LinkUp()) {
      Fail(ZStatus::LinkFailed, "link lost", false);
    } else {
      if (OutPos < Out.size()) FlushOut(0);
      if (Receiving)
        StepReceive();
      else
        StepTransmit();
      if (OutPos < Out.size()) FlushOut(0);
    }
  }
  if (St == TState::Draining) {
    const int64_t Start = lx::TickMS();
    while (LinkUp() && lx::TickMS() < DrainEnd) {
      InPos = InLen;
      const int64_t Left = DrainQuiet - lx::TickMS();
      if (Left <= 0) break;
      if (Pull(static_cast<int>(std::min<int64_t>(Left, StepWaitMs)))) DrainQuiet = lx::TickMS() + DrainQuietMs;
      if (lx::TickMS() - Start >= StepBudgetMs) return true;
    }
    ShowStatus(false, true);
    St = TState::Finished;
    return false;
  }
  return true;
}

void TXYModem::Cancel() {
  if (Finished()) return;
  Fail(ZStatus::Cancelled, "cancelled", true);
  while (Step()) {
  }
}

// ---------------------------------------------------------------------------------------------
// Receiving

uint16_t TXYModem::PrepareReceive() {
  Receiving = true;
  FileResults.clear();
  ProtocolStatus = ZStatus::Ok;
  TotalErrors = Retries = Handshakes = 0;
  FileName.clear();
  FileSize = BytesTransferred = Pos = 0;
  Streaming = Proto == TXYProtocol::YmodemG;
  UseCrc = true;
  InFile = SkipData = EotSeen = HaveSize = false;
  Expect = Batch() ? 0 : 1;
  Blocks = 0;
  BlockNeed = 0;
  CanRun = 0;
  BlockLen = Proto == TXYProtocol::Xmodem ? 128 : 1024;
  St = TState::Request;
  ShowStatus(true, false);
  if (Dest.empty() || !lx::DirExists(Dest)) {
    ProtocolStatus = ENOENT;
    End();
  } else if (!Batch() && RxOpen(XName) && SkipData) {
    // Xmodem's name comes from the user: a refused one ends the run before it begins.
    ProtocolStatus = ZStatus::Refused;
    End();
  }
  return ProtocolStatus;
}

// True unless the run failed; a refused name sets SkipData (its data will be dropped).
bool TXYModem::RxOpen(const std::string& Name) {
  RxOffered = PrintableName(Name);
  FileName = Dest + RxOffered;
  BytesTransferred = Pos = 0;
  SkipData = false;
  InFile = true;
  const char* Refusal = nullptr;
  if (!SafeReceiveName(Name, RxName))
    Refusal = "unsafe file name";
  else if (IsReservedName && IsReservedName(RxName))
    Refusal = "name of a program file";
  if (Refusal) {
    SkipData = true;
    AddResult(TFileOutcome::Skipped, ZStatus::Refused, Refusal);
    return true;
  }
  FileName = Dest + RxName;
  if (!File.Open(Dest, RxName)) {
    Fail(ErrnoStatus(), "cannot create the file", true);
    return false;
  }
  StartTime = lx::SecondsToday();
  NewFile = true;
  ShowStatus(false, false);
  return true;
}

void TXYModem::RxRequest() {
  SendByte(Streaming ? 'G' : UseCrc ? 'C' : NAK);
  BlockNeed = 0;
  SetTimer(std::min<int64_t>(HandshakeMs, BlockWaitMs));
  St = TState::WaitBlock;
}

void TXYModem::RxError(const char* Why) {
  ++TotalErrors;
  ++Retries;
  BlockNeed = 0;
  // Ymodem-G cannot repeat a block: the only way out is to give up.
  if (Streaming) return Fail(ZStatus::CrcError, std::string(Why) + " (Ymodem-G cannot repeat it)", true);
  if (Retries > MaxRetries) return Fail(ZStatus::TooManyErrors, "too many errors", true);
  const int64_t Now = lx::TickMS();
  DrainQuiet = Now + PurgeQuietMs;
  DrainEnd = Now + PurgeMaxMs;
  St = TState::Purge;
}

void TXYModem::RxEndOfFile() {
  EotSeen = false;
  if (SkipData) {
    SkipData = false;
  } else if (HaveSize && Pos < FileSize) {
    return Fail(ZStatus::TooManyErrors, "the file ended early", true);
  } else {
    const std::string Final = File.Finish(Dest, RxName);
    if (Final.empty())
      AddResult(TFileOutcome::Failed, ErrnoStatus(), "cannot give the file its name");
    else
      AddResult(TFileOutcome::Done, ZStatus::Ok, "");
  }
  InFile = false;
  if (!Batch()) return End();
  Expect = 0;
  Handshakes = 0;
  RxRequest();
}

void TXYModem::RxBatchHeader(const uint8_t* D, size_t N) {
  if (D[0] == 0) {
    // The empty block 0: the batch is over.
    SendByte(ACK);
    FlushOut(StepWaitMs);
    return End();
  }
  const zm::TFileInfo Info = zm::ParseFileInfo(D, N);
  FileSize = Info.Size;
  HaveSize = Info.HasSize;
  TotalErrors = 0;
  if (!RxOpen(Info.Name)) return;
  Expect = 1;
  Blocks = 0;
  Handshakes = 0;
  // Ymodem-G acknowledges nothing, block 0 neither: its "G" asks for the data.
  if (!Streaming) SendByte(ACK);
  RxRequest();
}

void TXYModem::RxData(const uint8_t* D, size_t N) {
  size_t Keep = N;
  if (HaveSize) {
    Keep = static_cast<size_t>(std::clamp<int64_t>(FileSize - Pos, 0, static_cast<int64_t>(N)));
    if (Pos + static_cast<int64_t>(N) - FileSize > SizeSlack)
      return Fail(ZStatus::BlockTooLong, "more data than the file's size", true);
  }
  if (!SkipData && Keep > 0 && !File.Write(D, Keep))
    return Fail(ErrnoStatus(), errno == ENOSPC ? "the disk is nearly full" : "cannot write the file", true);
  Pos += static_cast<int64_t>(Keep);
  BytesTransferred = Pos;
}

void TXYModem::RxBlock() {
  const size_t Len = Block[0] == SOH ? 128 : 1024;
  const uint8_t Num = Block[1];
  const uint8_t* D = Block.data() + 3;
  bool Ok = (Num ^ Block[2]) == 0xFF;
  if (Ok && UseCrc) Ok = zm::Crc16(0, D, Len) == (Block[3 + Len] << 8 | Block[4 + Len]);
  if (Ok && !UseCrc) Ok = Checksum(D, Len) == Block[3 + Len];
  if (!Ok) return RxError("damaged block");
  if (Num == Expect) {
    Retries = 0;
    EotSeen = false;
    BlockLen = static_cast<uint16_t>(Len);
    if (!InFile) return RxBatchHeader(D, Len);
    ++Blocks;
    RxData(D, Len);
    if (St != TState::WaitBlock) return;
    ++Expect;
    if (!Streaming) SendByte(ACK);
    SetTimer(BlockWaitMs);
    return;
  }
  if (Num == static_cast<uint8_t>(Expect - 1) && !Streaming) {
    // A repeat: our ACK was lost. Block 0 again also wants its request again.
    SendByte(ACK);
    if (Batch() && Num == 0 && Blocks == 0) return RxRequest();
    SetTimer(BlockWaitMs);
    return;
  }
  Fail(ZStatus::TooManyErrors, "blocks out of order", true);
}

void TXYModem::RxWaitBlock() {
  const int64_t Start = lx::TickMS();
  int Wait = WaitBudget();
  for (;;) {
    if (!Pull(Wait)) {
      if (!LinkUp()) return Fail(ZStatus::LinkFailed, "link lost", false);
      if (!TimerUp()) return;
      if (EotSeen) {
        SendByte(ACK);
        return RxEndOfFile();
      }
      if (RxAtStart()) {
        // Nothing yet: ask again; Xmodem falls back to the checksum after a few tries.
        if (++Handshakes > MaxRetries) return Fail(ZStatus::TooManyRetries, "no sender", true);
        if (!Batch() && Handshakes >= CrcTries) UseCrc = false;
        return RxRequest();
      }
      ++TotalErrors;
      ++Retries;
      BlockNeed = 0;
      if (Streaming) return Fail(ZStatus::HeaderTimeout, "no data", true);
      if (Retries > MaxRetries) return Fail(ZStatus::TooManyRetries, "no data", true);
      SendByte(NAK);
      SetTimer(BlockWaitMs);
      return;
    }
    Wait = 0;
    if (BlockNeed == 0) {
      const uint8_t B = In[InPos++];
      if (B == CAN) {
        if (++CanRun >= 2) return Fail(ZStatus::Cancelled, "cancelled by the other side", true);
        continue;
      }
      CanRun = 0;
      if (B == SOH || B == STX) {
        Block.assign(1, B);
        BlockNeed = (B == SOH ? 128 : 1024) + (UseCrc ? 4 : 3);
        continue;
      }
      if (B == EOT && InFile) {
        // A damaged byte must not end a file early: an EOT before Ymodem's size is reached is
        // believed when it comes twice (or when the sender, sure it ended, sends nothing more).
        if (!EotSeen && !(HaveSize && Pos >= FileSize)) {
          EotSeen = true;
          SendByte(NAK);
          SetTimer(std::min<int64_t>(HandshakeMs, BlockWaitMs));
          return;
        }
        SendByte(ACK);
        return RxEndOfFile();
      }
      return RxError("noise on the line");
    }
    const size_t N = std::min(BlockNeed, InLen - InPos);
    Block.insert(Block.end(), In.begin() + static_cast<long>(InPos), In.begin() + static_cast<long>(InPos + N));
    InPos += N;
    BlockNeed -= N;
    if (BlockNeed == 0) {
      RxBlock();
      if (St != TState::WaitBlock) return;
    }
    if (lx::TickMS() - Start >= StepBudgetMs) return;
  }
}

void TXYModem::StepReceive() {
  switch (St) {
    case TState::Request:
      RxRequest();
      break;
    case TState::WaitBlock:
      RxWaitBlock();
      break;
    case TState::Purge: {
      const int64_t Left = DrainQuiet - lx::TickMS();
      if (Left > 0 && lx::TickMS() < DrainEnd) {
        InPos = InLen;
        if (Pull(static_cast<int>(std::min<int64_t>(Left, StepWaitMs)))) DrainQuiet = lx::TickMS() + PurgeQuietMs;
        InPos = InLen;
        break;
      }
      if (RxAtStart()) {
        RxRequest();  // still at the start: asking again keeps the mode
      } else {
        SendByte(NAK);
        SetTimer(BlockWaitMs);
        St = TState::WaitBlock;
      }
      break;
    }
    default:
      break;
  }
}

// ---------------------------------------------------------------------------------------------
// Sending

uint16_t TXYModem::PrepareTransmit() {
  Receiving = false;
  FileResults.clear();
  ProtocolStatus = ZStatus::Ok;
  TotalErrors = Retries = Handshakes = 0;
  FileName.clear();
  FileSize = BytesTransferred = 0;
  ListIndex = 0;
  if (!Batch() && List.size() > 1) List.resize(1);
  Streaming = false;
  UseCrc = true;
  CanRun = 0;
  SentEmptyHeader = false;
  InFile = false;
  BlockLen = Proto == TXYProtocol::Xmodem ? 128 : 1024;
  St = TState::WaitStart;
  SetTimer(BlockWaitMs);
  ShowStatus(true, false);
  return ProtocolStatus;
}

// The next file of the list opened (only regular files: a FIFO could block a read without
// end); one that cannot be sent is reported and passed over.
void TXYModem::TxNextFile() {
  while (ListIndex < List.size()) {
    FileName = List[ListIndex++];
    FileSize = BytesTransferred = 0;
    TotalErrors = Retries = 0;
    struct stat S;
    const int F = ::open(FileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (F < 0 || ::fstat(F, &S) != 0 || !S_ISREG(S.st_mode)) {
      const uint16_t Status = F < 0 ? ErrnoStatus() : ZStatus::Refused;
      if (F >= 0) ::close(F);
      AddResult(TFileOutcome::Failed, Status, F < 0 ? "cannot open the file" : "not a regular file");
      if (!Batch()) return Fail(Status, "nothing to send", true);
      continue;
    }
    Fd = F;
    FileSize = S.st_size;
    FileMTime = S.st_mtime;
    TxNextPos = 0;
    TxLast = false;
    StartTime = lx::SecondsToday();
    NewFile = true;
    ShowStatus(false, false);
    if (Batch()) {
      // Block 0: name, NUL, size and time; a long name takes a 1K block.
      const std::vector<uint8_t> Info = zm::BuildFileInfo(FileName, FileSize, FileMTime);
      const size_t Len = Info.size() <= 128 ? 128 : 1024;
      TxBlock.assign(3 + Len, 0);
      TxBlock[0] = Len == 128 ? SOH : STX;
      std::copy(Info.begin(), Info.begin() + static_cast<long>(std::min(Info.size(), Len)), TxBlock.begin() + 3);
      Expect = 0;
      const uint16_t C = zm::Crc16(0, TxBlock.data() + 3, Len);
      TxBlock[1] = 0;
      TxBlock[2] = 0xFF;
      TxBlock.push_back(static_cast<uint8_t>(C >> 8));
      TxBlock.push_back(static_cast<uint8_t>(C));
    } else {
      Expect = 1;
      InFile = true;
      TxBuildBlock();
    }
    St = TxLast ? TState::SendEot : TState::SendBlock;
    return;
  }
  if (!Batch()) return End();
  // The empty block 0 ends the batch.
  TxBlock.assign(3 + 128, 0);
  TxBlock[0] = SOH;
  TxBlock[2] = 0xFF;
  const uint16_t C = zm::Crc16(0, TxBlock.data() + 3, 128);
  TxBlock.push_back(static_cast<uint8_t>(C >> 8));
  TxBlock.push_back(static_cast<uint8_t>(C));
  Expect = 0;
  SentEmptyHeader = true;
  St = TState::SendBlock;
}

// The data block numbered Expect from TxNextPos, padded with SUB; at the end of the file the
// block stays empty and an EOT goes instead.
void TXYModem::TxBuildBlock() {
  const int64_t Left = FileSize - TxNextPos;
  // Ymodem's receiver cuts the padding by the size: 1K blocks to the end (lrzsz's rb takes
  // no 128-byte block after 1K ones). Xmodem-1K ends in 128-byte blocks, for less padding.
  const size_t Len = Proto == TXYProtocol::Xmodem || !UseCrc ? 128 : Batch() || Left >= 1024 ? 1024 : 128;
  TxBlock.assign(3 + Len, SUB);
  ssize_t R = 0;
  if (Left > 0) {
    do {
      R = ::pread(Fd, TxBlock.data() + 3, static_cast<size_t>(std::min<int64_t>(Left, static_cast<int64_t>(Len))), TxNextPos);
    } while (R < 0 && errno == EINTR);
    if (R < 0) return Fail(ErrnoStatus(), "cannot read the file", true);
  }
  if (R == 0) {
    TxBlock.clear();
    TxLast = true;
    return;
  }
  std::fill(TxBlock.begin() + 3 + R, TxBlock.end(), SUB);
  TxBlock[0] = Len == 128 ? SOH : STX;
  TxBlock[1] = Expect;
  TxBlock[2] = static_cast<uint8_t>(~Expect);
  if (UseCrc) {
    const uint16_t C = zm::Crc16(0, TxBlock.data() + 3, Len);
    TxBlock.push_back(static_cast<uint8_t>(C >> 8));
    TxBlock.push_back(static_cast<uint8_t>(C));
  } else {
    TxBlock.push_back(Checksum(TxBlock.data() + 3, Len));
  }
  TxNextPos += R;
  BlockLen = static_cast<uint16_t>(Len);
}

void TXYModem::TxEndFile() {
  if (Fd >= 0) ::close(Fd);
  Fd = -1;
  InFile = false;
  BytesTransferred = FileSize;
  AddResult(TFileOutcome::Done, ZStatus::Ok, "");
  if (!Batch()) return End();
  St = TState::WaitStart;
  Handshakes = 0;
  SetTimer(BlockWaitMs);
}

// The receiver's start: "C" (CRC), NAK (checksum) or "G" (streaming, for Ymodem-G).
void TXYModem::TxWaitStart() {
  const int64_t Start = lx::TickMS();
  int Wait = WaitBudget();
  while (Pull(Wait)) {
    Wait = 0;
    const uint8_t B = In[InPos++];
    if (B == CAN) {
      if (++CanRun >= 2) return Fail(ZStatus::Cancelled, "cancelled by the other side", true);
      continue;
    }
    CanRun = 0;
    if (B == 'C' || B == 'G' || B == NAK) {
      UseCrc = B != NAK;
      Streaming = B == 'G' && Proto == TXYProtocol::YmodemG;
      Retries = 0;
      if (!InFile) return TxNextFile();
      // Ymodem, after block 0: the data (or, for an empty file, the EOT) goes now.
      Expect = 1;
      TxNextPos = 0;
      TxBuildBlock();
      St = TxLast ? TState::SendEot : TState::SendBlock;
      return;
    }
    if (lx::TickMS() - Start >= StepBudgetMs) return;
  }
  if (!LinkUp()) return Fail(ZStatus::LinkFailed, "link lost", false);
  if (TimerUp()) {
    if (++Handshakes >= MaxRetries) return Fail(ZStatus::TooManyRetries, "no receiver", true);
    SetTimer(BlockWaitMs);
  }
}

void TXYModem::TxWaitAck() {
  const int64_t Start = lx::TickMS();
  int Wait = WaitBudget();
  auto Again = [this](const char* Why) {
    ++Retries;
    ++TotalErrors;
    if (Retries > MaxRetries) return Fail(ZStatus::TooManyErrors, Why, true);
    St = St == TState::WaitEotAck ? TState::SendEot : TState::SendBlock;
  };
  while (Pull(Wait)) {
    Wait = 0;
    const uint8_t B = In[InPos++];
    if (B == CAN) {
      if (++CanRun >= 2) return Fail(ZStatus::Cancelled, "cancelled by the other side", true);
      continue;
    }
    CanRun = 0;
    if (B == ACK) {
      Retries = 0;
      if (St == TState::WaitEndAck) return End();
      if (St == TState::WaitEotAck) return TxEndFile();
      if (!InFile) {
        // Block 0 taken: the receiver asks for the data next.
        InFile = true;
        St = TState::WaitStart;
        Handshakes = 0;
        SetTimer(BlockWaitMs);
        return;
      }
      BytesTransferred = TxNextPos;
      ++Expect;
      TxBuildBlock();
      St = TxLast ? TState::SendEot : TState::SendBlock;
      return;
    }
    // A "C" instead of an ACK: the receiver did not get our first block and asks again.
    if (B == NAK || (B == 'C' && St == TState::WaitAck && (!InFile || BytesTransferred == 0))) return Again("too many errors");
    if (lx::TickMS() - Start >= StepBudgetMs) return;
  }
  if (!LinkUp()) return Fail(ZStatus::LinkFailed, "link lost", false);
  if (TimerUp()) {
    if (St == TState::WaitEndAck) return End();  // every file went; the last word is a formality
    Again("no answer from the receiver");
  }
}

void TXYModem::StepTransmit() {
  switch (St) {
    case TState::WaitStart:
      TxWaitStart();
      break;
    case TState::SendBlock:
      if (!Streaming || !InFile) {
        Send(TxBlock.data(), TxBlock.size());
        SetTimer(BlockWaitMs);
        // Ymodem-G: block 0 is not acknowledged; the receiver's "G" asks for the data.
        if (Streaming && !InFile && !SentEmptyHeader) {
          InFile = true;
          St = TState::WaitStart;
        } else {
          St = SentEmptyHeader ? TState::WaitEndAck : TState::WaitAck;
        }
        break;
      }
      {
        // Ymodem-G: blocks go out back to back while the link takes them; anything but
        // silence from the receiver ends the run.
        const int64_t Start = lx::TickMS();
        while (lx::TickMS() - Start < StepBudgetMs) {
          if (Pull(0)) {
            const uint8_t B = In[InPos++];
            if (B == CAN || B == NAK) {
              return Fail(B == CAN ? ZStatus::Cancelled : ZStatus::TooManyErrors,
                          B == CAN ? "cancelled by the other side" : "the receiver reported an error", true);
            }
            continue;
          }
          if (Out.size() - OutPos >= StreamAhead) {
            if (FlushOut(10)) SetTimer(BlockWaitMs);
            if (TimerUp()) return Fail(ZStatus::SendTimeout, "no progress", true);
            continue;
          }
          Send(TxBlock.data(), TxBlock.size());
          BytesTransferred = TxNextPos;
          ++Expect;
          TxBuildBlock();
          if (TxLast) {
            St = TState::SendEot;
            return;
          }
          if (St != TState::SendBlock) return;
        }
      }
      break;
    case TState::WaitAck:
    case TState::WaitEotAck:
    case TState::WaitEndAck:
      TxWaitAck();
      break;
    case TState::SendEot:
      if (Out.size() > OutPos && !FlushOut(10)) {
        if (TimerUp()) Fail(ZStatus::SendTimeout, "no progress", true);
        break;
      }
      SendByte(EOT);
      SetTimer(BlockWaitMs);
      St = TState::WaitEotAck;
      break;
    default:
      break;
  }
}
