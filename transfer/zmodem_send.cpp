// Uploads: every file of the list in one batch. Data streams without waiting for
// acknowledgements unless the receiver announced a buffer size; before each piece of output
// goes to the link the engine looks for a reply without waiting, so a ZRPOS stops the stream
// at once.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "support/timeutil.h"
#include "transfer/zmodem.h"

using namespace zm;

namespace {

constexpr int64_t TransTimeoutMs = 30000;  // data that cannot go out at all
constexpr int64_t FinishWaitMs = 3000;
constexpr uint16_t HandshakeRetry = 10;
constexpr uint16_t DataRetry = 20;
constexpr int64_t CrcSlice = 4 << 20;  // resume check: bytes hashed per step
// Output gathered before the engine tries the link, and the most it lets wait.
constexpr size_t OutLow = 16384;
constexpr size_t OutHigh = 65536;
constexpr int64_t Wire = int64_t{1} << 32;
// After an error the stream runs in a window acknowledged through ZCRCQ: what is already on
// its way when the receiver asks for a repeat is garbage it must wade through, and lrzsz's rz
// gives up a header search after some tens of kilobytes and counts each as an error. The
// window halves with every further error (down to MinWindow), doubles back with clean
// acknowledgements, and the stream runs free again after CleanRun bytes without an error.
constexpr int64_t ErrorWindow = 16384;
constexpr int64_t MinWindow = 2048;
constexpr int64_t CleanRun = 1 << 20;

// A 32-bit position from the wire, taken as the 64-bit one nearest below Near.
int64_t Widen(uint32_t WirePos, int64_t Near) {
  int64_t P = (Near & ~(Wire - 1)) | WirePos;
  if (P > Near && P >= Wire) P -= Wire;
  return P;
}

}  // namespace

uint16_t TZmodem::PrepareTransmit() {
  Run = TRun::Transmit;
  Draining = false;
  FileResults.clear();
  ListIndex = 0;
  ProtocolStatus = ZStatus::Ok;
  TotalErrors = RetryCount = HandshakeCount = RepeatCount = 0;
  FileName.clear();
  FileSize = BytesTransferred = BytesRemaining = 0;
  FileOpen = false;
  CanCrc32 = true;
  RxBufSize = 0;
  Windowed = false;
  W.SetEscapeControls(EscapeControls);
  HR.Reset();
  Tx = TTx::Start;
  ShowStatus(true, false);
  return ProtocolStatus;
}

void TZmodem::TxCloseFile() {
  if (Fd >= 0) ::close(Fd);
  Fd = -1;
  FileOpen = false;
}

void TZmodem::TxNextFile() {
  if (ListIndex >= List.size()) {
    Tx = TTx::Finish;
    return;
  }
  FileName = List[ListIndex++];
  FileSize = BytesTransferred = BytesRemaining = Pos = StartPos = 0;
  TotalErrors = RetryCount = RepeatCount = RposRepeats = 0;
  LastRpos = -1;
  BlockLen = BlockMode ? 8192 : 1024;
  ReducedBlock = false;
  Windowed = false;
  Log(TTransferEvent::SendingFile);
  auto Skip = [this](uint16_t Status, const char* Reason) {
    // One file that cannot be sent does not end the batch.
    Log(TTransferEvent::SendFailed);
    AddResult(TFileOutcome::Failed, Status, Reason);
  };
  if (FileName.empty()) return Skip(ZStatus::NoFileName, "no file name");
  // Only regular files: a FIFO or device could block the open or the reads without end.
  struct stat S;
  if (::stat(FileName.c_str(), &S) != 0) return Skip(ErrnoStatus(), "cannot open the file");
  if (!S_ISREG(S.st_mode)) return Skip(ZStatus::Refused, "not a regular file");
  const int F = ::open(FileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (F < 0) return Skip(ErrnoStatus(), "cannot open the file");
  if (::fstat(F, &S) != 0 || !S_ISREG(S.st_mode)) {
    ::close(F);
    return Skip(ZStatus::Refused, "not a regular file");
  }
  Fd = F;
  FileOpen = true;
  FileSize = BytesRemaining = S.st_size;
  FileMTime = S.st_mtime;
  RStart = 0;
  RLen = 0;
  REnd = false;
  NewFile = true;
  StartTime = lx::SecondsToday();
  ShowStatus(false, false);
  Tx = TTx::SendFile;
}

// The file through the read-ahead window: Got bytes at Pos (fewer at the end); AtEnd when
// they reach the end of the file. Null on a read error.
const uint8_t* TZmodem::TxRead(int64_t At, size_t Want, size_t& Got, bool& AtEnd) {
  const int64_t WinEnd = RStart + static_cast<int64_t>(RLen);
  const bool Inside = At >= RStart && (At + static_cast<int64_t>(Want) <= WinEnd || (REnd && At <= WinEnd));
  if (!Inside) {
    ssize_t N;
    do {
      N = ::pread(Fd, RBuf.data(), RBuf.size(), At);
    } while (N < 0 && errno == EINTR);
    if (N < 0) return nullptr;
    RStart = At;
    RLen = static_cast<size_t>(N);
    REnd = RLen < RBuf.size();
  }
  const int64_t Left = RStart + static_cast<int64_t>(RLen) - At;
  Got = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(Want), Left));
  AtEnd = REnd && At + static_cast<int64_t>(Got) >= RStart + static_cast<int64_t>(RLen);
  return RBuf.data() + (At - RStart);
}

// An empty ZCRCE: ends a subpacket the receiver may still be reading; one that waits for a
// header skips it as noise.
void TZmodem::CloseFrame() {
  const uint8_t None = 0;
  W.Subpacket(&None, 0, ZCRCE, CanCrc32);
}

// A ZRPOS during data: back (or on) to where the receiver wants it, with shorter subpackets
// until a few get through.
void TZmodem::TxReposition(uint32_t WirePos) {
  const int64_t P = std::clamp<int64_t>(Widen(WirePos, Pos), 0, std::max(FileSize, Pos));
  RposRepeats = P <= LastRpos ? RposRepeats + 1 : 0;
  LastRpos = P;
  Pos = BytesTransferred = P;
  BytesRemaining = std::max<int64_t>(0, FileSize - P);
  ++TotalErrors;
  if (BlockLen > 256) BlockLen /= 2;
  ReducedBlock = true;
  GoodBlocks = 0;
  Window = Windowed ? std::max(Window / 2, MinWindow) : ErrorWindow;
  Windowed = true;
  WindowedSince = P;
  // An empty ZCRCE closes the frame already on its way: a receiver that took a stale ZDATA at
  // this very position for ours ends that frame there, instead of reading our next ZDATA
  // header as data and asking again, and again.
  PurgeOut();
  CloseFrame();
  if (RposRepeats > DataRetry) return Fail(ZStatus::TooManyErrors, "too many errors", true);
  Tx = TTx::SendData;
}

// A header that came while data goes out; true when it ended the stream.
bool TZmodem::TxHandleDataHeader(const THeader& H) {
  switch (H.Type) {
    case ZRPOS:
      TxReposition(H.Pos());
      return true;
    case ZABORT:
    case ZCAN:
    case ZFIN:
      PeerCancelled();
      return true;
    case ZACK:
      if (Windowed) {
        AckedPos = std::clamp(Widen(H.Pos(), Pos), AckedPos, Pos);
        LastAck = lx::TickMS();
        if (AckedPos - WindowedSince >= 4 * Window) Window = std::min(Window * 2, ErrorWindow);
        if (AckedPos - WindowedSince >= CleanRun) Windowed = false;
      }
      return false;
    case ZRINIT:
    case ZSKIP:
      return false;
    default:
      ++TotalErrors;
      return false;
  }
}

void TZmodem::TxStream() {
  const int64_t Start = lx::TickMS();
  for (;;) {
    if (CancelSeen) return PeerCancelled();
    // Replies are looked for whenever output is about to go out: what is still in our buffer
    // can be dropped at no cost, so looking more often would only add system calls. When the
    // link had no room, more is gathered before it is tried again.
    const bool Outgoing = W.Out.size() - OutPos >= (LinkFull ? OutHigh : OutLow);
    if (Avail() > 0 || (Outgoing && Pull(0))) {
      size_t Used = 0;
      const auto R = HR.Feed(InData(), Avail(), Used);
      Consume(Used);
      if (R == THeaderReader::TResult::Header && TxHandleDataHeader(HR.Hdr)) return;
      // A damaged reply is counted; answering it inside the stream would break the stream.
      if (R == THeaderReader::TResult::CrcError) ++TotalErrors;
      if (OverBudget(Start)) return;  // a flood of replies holds the step no longer
      continue;
    }
    if (!LinkUp()) return Fail(ZStatus::LinkFailed, "link lost", false);
    if (Outgoing) {
      // Full up: wait a little for room, within the step's bound.
      LinkFull = !FlushOut(LinkFull ? 20 : 0);
      if (!LinkUp()) return Fail(ZStatus::LinkFailed, "link lost", false);
      if (LinkFull && W.Out.size() - OutPos >= OutHigh) {
        if (lx::TickMS() - LastWrite > TransTimeoutMs) return Fail(ZStatus::SendTimeout, "no progress", true);
        return;
      }
    }
    if (OverBudget(Start)) {
      LinkFull = !FlushOut(0);
      return;
    }
    if (Windowed && Pos - AckedPos >= Window) {
      // The window is full: wait for an acknowledgement. None for a while, and the data since
      // the last one goes again.
      FlushOut(0);
      if (lx::TickMS() - LastAck > HeaderWaitMs) {
        if (++RetryCount > DataRetry) return Fail(ZStatus::TooManyRetries, "no answer from the receiver", true);
        return TxReposition(static_cast<uint32_t>(AckedPos));
      }
      if (Avail() == 0) Pull(20);
      if (OverBudget(Start)) return;
      continue;
    }
    if (ReducedBlock && ++GoodBlocks > 4) {
      ReducedBlock = false;
      BlockLen = std::max<uint16_t>(BlockLen, BlockMode ? 8192 : 1024);
    }
    size_t Got = 0;
    bool AtEnd = false;
    const uint8_t* D = TxRead(Pos, BlockLen, Got, AtEnd);
    if (!D) return Fail(ErrnoStatus(), "cannot read the file", true);
    if (RxBufSize) WindowCount += static_cast<int64_t>(Got);
    uint8_t End = AtEnd ? ZCRCE : RxBufSize && WindowCount >= RxBufSize ? ZCRCW : ZCRCG;
    if (End == ZCRCG && Windowed && Pos + static_cast<int64_t>(Got) >= NextAckAsk) {
      End = ZCRCQ;
      NextAckAsk = Pos + static_cast<int64_t>(Got) + Window / 4;
    }
    W.Subpacket(D, Got, End, CanCrc32);
    Pos += static_cast<int64_t>(Got);
    BytesTransferred = Pos;
    BytesRemaining = std::max<int64_t>(0, FileSize - Pos);
    if (End == ZCRCE) {
      W.BinHeader(THeader::At(ZEOF, static_cast<uint32_t>(Pos)), CanCrc32);
      FlushOut(0);
      RetryCount = 0;
      SetTimer(HeaderWaitMs);
      Tx = TTx::WaitEofAck;
      return;
    }
    if (End == ZCRCW) {
      FlushOut(0);
      SetTimer(HeaderWaitMs);
      Tx = TTx::WaitAck;
      return;
    }
  }
}

int TZmodem::StepTransmit() {
  if (Tx == TTx::Finished) return 2;
  if (lx::TickMS() >= NextStatus) ShowStatus(false, false);
  if (OutPos < W.Out.size()) FlushOut(0);
  if (Tx != TTx::Cleanup && !LinkUp()) Fail(ZStatus::LinkFailed, "link lost", false);
  if (Tx != TTx::Cleanup && CancelSeen) PeerCancelled();

  // The states that wait for a reply share their first half.
  TGot G = TGot::Nothing;
  switch (Tx) {
    case TTx::WaitRinit:
    case TTx::WaitRpos:
    case TTx::WaitAck:
    case TTx::WaitEofAck:
    case TTx::WaitFin:
      G = GetHeader(WaitBudget());
      if (G == TGot::Cancel) PeerCancelled();
      if (G == TGot::Lost) Fail(ZStatus::LinkFailed, "link lost", false);
      break;
    default:
      break;
  }
  // A header this state has no use for leaves the timer running: a peer repeating one cannot
  // hold a wait open.
  const bool Got = G == TGot::Header;
  const uint8_t Type = Got ? RxHdr.Type : 0xff;
  int Result = G == TGot::Nothing ? 1 : 0;

  switch (Tx) {
    case TTx::Start:
      W.Raw(reinterpret_cast<const uint8_t*>("rz\r"), 3);
      SendHex(ZRQINIT, 0);
      SetTimer(HeaderWaitMs);
      Tx = TTx::WaitRinit;
      break;

    case TTx::WaitRinit:
      if (Type == ZRINIT) {
        RxBufSize = static_cast<uint16_t>(RxHdr.P[0] | RxHdr.P[1] << 8);
        CanCrc32 = (RxHdr.ZF0() & CANFC32) != 0;
        if (RxHdr.ZF0() & ESCCTL) W.SetEscapeControls(true);
        Tx = TTx::NextFile;
      } else if (Type == ZCHALLENGE) {
        SendHexFlags(ZACK, RxHdr.P);
      } else if (Got && Type != ZRQINIT && ++RepeatCount <= DataRetry) {
        SendHex(ZNAK, 0);
      } else if (TimerUp() || RepeatCount > DataRetry) {
        ++TotalErrors;
        if (++HandshakeCount < HandshakeRetry && RepeatCount <= DataRetry) {
          SendHex(ZRQINIT, 0);
          SetTimer(HeaderWaitMs);
        } else {
          Fail(ZStatus::TooManyRetries, "no receiver", false);
        }
      }
      break;

    case TTx::NextFile:
      TxNextFile();
      break;

    case TTx::SendFile: {
      // ZF0 asks for a plain binary transfer: resuming is the receiver's own choice.
      W.BinHeader(THeader::Flags(ZFILE, 0, 0, FileMgmtOpt, ZCBIN), CanCrc32);
      const std::vector<uint8_t> Info = BuildFileInfo(FileName, FileSize, FileMTime);
      W.Subpacket(Info.data(), Info.size(), ZCRCW, CanCrc32);
      FlushOut(0);
      BytesTransferred = 0;
      SetTimer(HeaderWaitMs);
      Tx = TTx::WaitRpos;
      break;
    }

    case TTx::WaitRpos:
      if (Type == ZSKIP) {
        TxCloseFile();
        Log(TTransferEvent::SkippedByReceiver);
        AddResult(TFileOutcome::Skipped, ZStatus::SkipRequested, "skipped by the receiver");
        Tx = TTx::NextFile;
      } else if (Type == ZRPOS) {
        Pos = std::clamp<int64_t>(RxHdr.Pos(), 0, FileSize);
        StartPos = BytesTransferred = Pos;
        LastRpos = Pos;
        BytesRemaining = FileSize - Pos;
        Tx = TTx::SendData;
      } else if (Type == ZCRC) {
        // The receiver checks its copy: CRC-32 of its length (0: the whole file).
        CrcLen = RxHdr.Pos() == 0 ? FileSize : std::min<int64_t>(RxHdr.Pos(), FileSize);
        CrcDone = 0;
        CrcValue = 0xFFFFFFFFu;
        if (++RepeatCount > DataRetry)
          Fail(ZStatus::TooManyRetries, "receiver repeats its questions", true);
        else
          Tx = TTx::FileCrc;
      } else if (Type == ZNAK || TimerUp()) {
        Errors();
        if (RetryCount > HandshakeRetry)
          Fail(ZStatus::HeaderTimeout, "no answer from the receiver", true);
        else
          Tx = TTx::SendFile;
      }
      break;

    case TTx::FileCrc: {
      std::vector<uint8_t> Buf(65536);
      int64_t Slice = 0;
      while (CrcDone < CrcLen && Slice < CrcSlice) {
        const size_t Want = static_cast<size_t>(std::min<int64_t>(int64_t(Buf.size()), CrcLen - CrcDone));
        const ssize_t R = ::pread(Fd, Buf.data(), Want, CrcDone);
        if (R <= 0) {
          CrcLen = CrcDone;  // the file got shorter: the CRC of what is there
          break;
        }
        CrcValue = Crc32Update(CrcValue, Buf.data(), static_cast<size_t>(R));
        CrcDone += R;
        Slice += R;
      }
      if (CrcDone >= CrcLen) {
        SendHex(ZCRC, ~CrcValue);
        SetTimer(HeaderWaitMs);
        Tx = TTx::WaitRpos;
      }
      break;
    }

    case TTx::SendData:
      WindowCount = 0;
      AckedPos = Pos;
      NextAckAsk = Pos + Window / 4;
      LastAck = lx::TickMS();
      W.BinHeader(THeader::At(ZDATA, static_cast<uint32_t>(Pos)), CanCrc32);
      LastWrite = lx::TickMS();
      Tx = TTx::Streaming;
      break;

    case TTx::Streaming:
      TxStream();
      break;

    case TTx::WaitAck:
      if (Type == ZACK) {
        RetryCount = 0;
        Tx = TTx::SendData;
      } else if (Got && TxHandleDataHeader(RxHdr)) {
        // repositioned, or cancelled
      } else if (Got && ++RepeatCount <= DataRetry) {
        SendHex(ZNAK, 0);
      } else if (TimerUp() || RepeatCount > DataRetry) {
        // The receiver asks again (ZRPOS) when our subpacket was lost; keep listening.
        ++TotalErrors;
        if (++RetryCount > DataRetry || RepeatCount > DataRetry) {
          Fail(ZStatus::TooManyRetries, "no answer from the receiver", true);
        } else {
          // A damaged frame end leaves the receiver inside the subpacket, waiting for more:
          // close it (its CRC fails there, and it asks again) and go on where we are.
          CloseFrame();
          Tx = TTx::SendData;
        }
      }
      break;

    case TTx::WaitEofAck:
      if (Type == ZRINIT || Type == ZSKIP) {
        TxCloseFile();
        Log(TTransferEvent::FileSent);
        AddResult(TFileOutcome::Done, ZStatus::Ok, "");
        Tx = TTx::NextFile;
      } else if (Got && Type != ZACK && TxHandleDataHeader(RxHdr)) {
        // repositioned, or cancelled
      } else if (TimerUp()) {
        Errors();
        if (RetryCount > HandshakeRetry) {
          Fail(ZStatus::TooManyRetries, "no answer from the receiver", true);
        } else {
          // No answer: the last frame end may have been damaged on the line (see WaitAck).
          CloseFrame();
          W.BinHeader(THeader::At(ZEOF, static_cast<uint32_t>(Pos)), CanCrc32);
          FlushOut(0);
          SetTimer(HeaderWaitMs);
        }
      }
      break;

    case TTx::Finish:
      SendHex(ZFIN, 0);
      SetTimer(FinishWaitMs);
      Tx = TTx::WaitFin;
      break;

    case TTx::WaitFin:
      if (Type == ZFIN) {
        W.Raw(reinterpret_cast<const uint8_t*>("OO"), 2);
        FlushOut(50);
        Tx = TTx::Cleanup;
      } else if ((Got && Type != ZRINIT) || TimerUp()) {
        Tx = TTx::Cleanup;
      }
      break;

    case TTx::Cleanup:
    case TTx::Finished:
      break;
  }

  if (Tx == TTx::Cleanup) {
    if (DrainLine()) return 1;
    // Files the run never reached are reported too, so every listed file has a result.
    if (ProtocolStatus != ZStatus::Ok) {
      while (ListIndex < List.size()) {
        FileName = List[ListIndex++];
        FileSize = BytesTransferred = StartPos = 0;
        AddResult(TFileOutcome::Failed, ProtocolStatus, "not sent");
      }
    }
    ShowStatus(false, true);
    Tx = TTx::Finished;
    return 2;
  }
  return Result;
}
