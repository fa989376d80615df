// Downloads: files offered by the other side land in the download directory under a
// temporary name and get their real name only after a ZEOF at the right position. An
// existing file is never overwritten unless the caller's option says so.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <limits>
#include <thread>

#include "support/files.h"
#include "support/timeutil.h"
#include "transfer/receive_file.h"
#include "transfer/zmodem.h"

using namespace zm;

namespace {

constexpr int64_t FinishWaitMs = 3000;   // the sender's "OO"
constexpr uint16_t HandshakeRetry = 10;
constexpr uint16_t DataRetry = 20;
constexpr uint16_t RepeatLimit = 20;
constexpr int64_t CrcSlice = 4 << 20;  // resume check: bytes hashed per step
constexpr int MaxFreeNames = 1000;
constexpr auto TricklePause = std::chrono::microseconds(250);
// A sender may send a little more than it announced (a file that grew while it was sent),
// never without end: past the announced size plus an eighth plus this margin the file fails.
constexpr int64_t SizeMargin = 1 << 20;

uint32_t FreeSpace(const std::string& Dir) {
  return static_cast<uint32_t>(std::min<int64_t>(FreeDiskBytes(Dir), std::numeric_limits<uint32_t>::max()));
}

int64_t SatAdd(int64_t A, int64_t B) {
  return A > std::numeric_limits<int64_t>::max() - B ? std::numeric_limits<int64_t>::max() : A + B;
}

}  // namespace

uint16_t TZmodem::PrepareReceive() {
  Run = TRun::Receive;
  Draining = false;
  FileResults.clear();
  ProtocolStatus = ZStatus::Ok;
  TotalErrors = RetryCount = HandshakeCount = RepeatCount = 0;
  FileName.clear();
  FileSize = BytesTransferred = BytesRemaining = 0;
  FileOpen = false;
  AnswerType = ZRINIT;
  AttnString.clear();
  HR.Reset();
  Rx = TRx::SendRinit;
  ShowStatus(true, false);
  if (Dest.empty() || !lx::DirExists(Dest)) {
    // Nothing is received without a download directory; the run ends at its first step.
    ProtocolStatus = ENOENT;
    Rx = TRx::Cleanup;
  }
  return ProtocolStatus;
}

void TZmodem::RxRefuse(uint16_t Status, const std::string& Reason) {
  Log(TTransferEvent::FileRefused);
  TempPath.clear();
  AddResult(TFileOutcome::Skipped, Status, Reason);
  FileOpen = false;
  AnswerType = ZSKIP;
  Rx = TRx::SendRinit;
}

// Attention sequence (when the sender gave one), then ZRPOS at our position.
void TZmodem::RxRetry() {
  AttnIndex = 0;
  AttnResume = 0;
  Rx = AttnString.empty() ? TRx::SendRpos : TRx::SendAttn;
}

// After a failure: what was received and checked is written out; the partial file stays under
// its temporary name for a later resume.
void TZmodem::RxCloseFile() {
  Out.Close();
  FileOpen = false;
}

bool TZmodem::RxOpenFresh() {
  if (!Out.Open(Dest, RxName)) return false;
  TempPath = Out.Path();
  Pos = StartPos = 0;
  return true;
}

// Replace: our partial copy is not the start of this file; the new data takes its name.
void TZmodem::RxDecideFresh(bool Replace) {
  if (CrcFd >= 0) ::close(CrcFd);
  CrcFd = -1;
  if (Replace) ::unlink(CrcPath.c_str());
  if (!RxOpenFresh()) {
    Fail(ErrnoStatus(), "cannot create the file", true);
    return;
  }
  Rx = TRx::SendRpos;
}

// The local copy is a true prefix of the offered file: continue it. A partial file of ours
// is continued in place; a complete-named one is first moved to a temporary name, so that a
// failure now never leaves a short file under the real name.
bool TZmodem::RxResume() {
  if (CrcFd >= 0) ::close(CrcFd);
  CrcFd = -1;
  std::string Path = CrcPath;
  if (CrcPath == Dest + RxName) {
    int N = 0;
    for (; N < MaxFreeNames; ++N) {
      Path = Dest + NameVariant(RxName, N, PartSuffix);
      if (RenameNoReplace(CrcPath, Path)) break;
      if (errno != EEXIST) return false;
    }
    if (N == MaxFreeNames) return false;
    ResumeFrom = CrcPath;
  }
  const int F = ::open(Path.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
  struct stat S;
  if (F < 0 || ::fstat(F, &S) != 0 || !S_ISREG(S.st_mode) || S.st_size != CrcLen) {
    if (F >= 0) ::close(F);
    return false;
  }
  Out.Adopt(F, Path, CrcLen);
  TempPath = Path;
  Pos = StartPos = CrcLen;
  BytesTransferred = Pos;
  return true;
}

void TZmodem::RxStartFile() {
  const TFileInfo Info = ParseFileInfo(SP.Data(), SP.Length());
  RxOffered = PrintableName(Info.Name);
  FileSize = Info.Size;
  RxHasSize = Info.HasSize;
  BytesRemaining = FileSize;
  BytesTransferred = Pos = StartPos = 0;
  RxLimit = RxHasSize ? SatAdd(SatAdd(FileSize, FileSize / 8), SizeMargin) : std::numeric_limits<int64_t>::max();
  TotalErrors = RetryCount = RepeatCount = HandshakeCount = 0;
  TempPath.clear();
  ResumeFrom.clear();
  FileName = Dest + RxOffered;
  Log(TTransferEvent::FileInfo);

  if (!SafeReceiveName(Info.Name, RxName)) return RxRefuse(ZStatus::Refused, "unsafe file name");
  FileName = Dest + RxName;
  if (IsReservedName && IsReservedName(RxName)) return RxRefuse(ZStatus::Refused, "name of a program file");
  if (AcceptFileFunc && !AcceptFileFunc(RxName, FileSize)) return RxRefuse(ZStatus::Refused, "refused");

  const uint8_t Mgmt = MgmtOverride ? FileMgmtOpt : RxMgmt;
  const uint8_t Opt = Mgmt & ZMMASK;
  const std::string Real = Dest + RxName;
  struct stat RealSt;
  const bool RealExists = PathExists(Real, &RealSt);
  if ((Mgmt & ZMSKNOLOC) && !RealExists) return RxRefuse(ZStatus::NotLocal, "not present here");
  if (Opt == ZMPROT && RealExists) return RxRefuse(ZStatus::Refused, "exists (protected)");
  if (Opt == ZMDIFF && RealExists && RxHasSize && RealSt.st_size == FileSize)
    return RxRefuse(ZStatus::Refused, "exists (same size)");

  FileOpen = true;
  NewFile = true;
  StartTime = lx::SecondsToday();
  ShowStatus(false, false);

  // Resume only onto a true prefix: the sender is asked for the CRC of as many bytes as we
  // hold, which must match ours. Our own partial file is always tried; a short copy under the
  // real name only when the sender asks for a resume.
  const bool Special = MgmtOverride && (Opt == ZMAPND || Opt == ZMCLOB);
  CrcPath.clear();
  if (!Special) {
    int64_t L = 0;
    const std::string Part = Dest + NameVariant(RxName, 0, PartSuffix);
    if (IsRegularFile(Part, L)) {
      CrcPath = Part;
      // Empty, or longer than the file: it cannot be the start of this one.
      if (L == 0 || (RxHasSize && L > FileSize)) return RxDecideFresh(true);
    } else if (RxConv == ZCRESUM && IsRegularFile(Real, L) && L > 0) {
      CrcPath = Real;
    }
    if (!CrcPath.empty() && RxHasSize && L <= FileSize && L <= int64_t{std::numeric_limits<uint32_t>::max()}) {
      CrcFd = ::open(CrcPath.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
      if (CrcFd >= 0) {
        CrcLen = L;
        CrcDone = 0;
        CrcValue = 0xFFFFFFFFu;
        RepeatCount = 0;
        Rx = TRx::LocalCrc;
        return;
      }
    }
  }
  RxDecideFresh(false);
}

// ZEOF at our position: the data is complete; give it its name.
bool TZmodem::RxFinishFile() {
  const uint8_t Opt = FileMgmtOpt & ZMMASK;
  if (!Out.CloseForRename()) {
    Fail(ErrnoStatus(), "cannot write the file", true);
    return false;
  }
  const std::string Real = Dest + RxName;
  std::string Final;
  int64_t RealSize = 0;
  if (MgmtOverride && Opt == ZMAPND && IsRegularFile(Real, RealSize)) {
    // Append: the existing file is touched only now, with data that is known to be whole.
    const int Src = ::open(TempPath.c_str(), O_RDONLY | O_CLOEXEC);
    const int Dst = ::open(Real.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
    bool Ok = Src >= 0 && Dst >= 0;
    std::vector<uint8_t> Buf(65536);
    // Exactly what was received is copied, so the copy ends whatever the two files are.
    for (int64_t Left = Pos; Ok && Left > 0;) {
      const ssize_t R = ::read(Src, Buf.data(), static_cast<size_t>(std::min<int64_t>(Left, int64_t(Buf.size()))));
      if (R < 0 && errno == EINTR) continue;
      if (R <= 0) {
        Ok = false;
        break;
      }
      Left -= R;
      for (ssize_t Off = 0; Ok && Off < R;) {
        const ssize_t Wr = ::write(Dst, Buf.data() + Off, static_cast<size_t>(R - Off));
        if (Wr < 0 && errno == EINTR) continue;
        Ok = Wr > 0;
        Off += Wr;
      }
    }
    if (Src >= 0) ::close(Src);
    if (Dst >= 0 && ::close(Dst) != 0) Ok = false;
    if (Ok) {
      ::unlink(TempPath.c_str());
      Final = Real;
    }
  } else if (MgmtOverride && Opt == ZMCLOB && ::rename(TempPath.c_str(), Real.c_str()) == 0) {
    Final = Real;
  } else {
    Final = GiveFreeName(Dest, RxName, TempPath);
  }
  FileOpen = false;
  if (Final.empty()) {
    Log(TTransferEvent::ReceiveFailed);
    AddResult(TFileOutcome::Failed, ErrnoStatus(), "cannot give the file its name");
    return true;
  }
  RemoveStalePart(Dest, RxName, TempPath);
  TempPath = Final;
  Log(TTransferEvent::FileReceived);
  AddResult(TFileOutcome::Done, ZStatus::Ok, "");
  return true;
}

void TZmodem::RxWaitFile(TGot G) {
  auto TimeOut = [this] {
    if (!TimerUp()) return;
    ++HandshakeCount;
    if (HandshakeCount < HandshakeRetry)
      Rx = TRx::SendRinit;
    else
      Fail(ZStatus::TooManyRetries, "no sender", false);
  };
  if (G == TGot::Nothing) return TimeOut();
  switch (RxHdr.Type) {
    case ZRQINIT:
      if (++RepeatCount > RepeatLimit) return Fail(ZStatus::TooManyRetries, "sender keeps restarting", true);
      Rx = TRx::SendRinit;
      return;
    case ZSINIT:
      if (++RepeatCount > RepeatLimit) return Fail(ZStatus::TooManyRetries, "sender keeps restarting", true);
      SP.Start(std::min<size_t>(BlockLen, 1024), RxHdrCrc32);
      SetTimer(HeaderWaitMs);
      Rx = TRx::CollectSinit;
      return;
    case ZFILE:
      RxConv = RxHdr.ZF0();
      RxMgmt = RxHdr.ZF1();
      SP.Start(BlockLen, RxHdrCrc32);
      SetTimer(HeaderWaitMs);
      Rx = TRx::CollectFileInfo;
      return;
    case ZFIN:
    case ZCOMPL:
      Rx = TRx::SendFin;
      return;
    case ZFREECNT:
      SendHex(ZACK, FreeSpace(Dest));
      return;
    case ZCOMMAND:
      SendHex(ZNAK, 0);
      return;
    default:
      return TimeOut();  // stray headers cannot hold us here
  }
}

// Reads the subpacket that follows a header; true once it ended (Good: its CRC was right).
bool TZmodem::RxCollect(bool& Good) {
  const int64_t Start = lx::TickMS();
  int Wait = WaitBudget();
  for (;;) {
    if (CancelSeen || !Pull(Wait)) return false;
    Wait = 0;
    Consume(HR.SkipTail(InData(), Avail()));
    size_t Used = 0;
    const auto R = SP.Feed(InData(), Avail(), Used);
    Consume(Used);
    if (R != TSubpacketReader::TResult::Pending) {
      Good = R == TSubpacketReader::TResult::Done;
      return true;
    }
    if (OverBudget(Start)) return false;
  }
}

void TZmodem::RxWaitData(TGot G) {
  const uint32_t Here = static_cast<uint32_t>(Pos);
  auto Error = [this](bool Attention) {
    Errors();
    if (RetryCount > DataRetry)
      Fail(ZStatus::TooManyErrors, "too many errors", true);
    else if (Attention)
      RxRetry();
    else
      Rx = TRx::SendRpos;
  };
  if (G == TGot::Nothing) {
    if (!TimerUp()) return;
    Errors();
    if (RetryCount > HandshakeRetry)
      Fail(ZStatus::TooManyRetries, "no data", true);
    else
      RxRetry();
    return;
  }
  switch (RxHdr.Type) {
    case ZDATA:
      if (RxHdr.Pos() != Here) return Error(true);
      SP.Start(BlockLen, RxHdrCrc32);
      SetTimer(HeaderWaitMs);
      Rx = TRx::CollectData;
      return;
    case ZEOF:
      if (RxHdr.Pos() != Here) return Error(true);
      if (RxFinishFile()) {
        AnswerType = ZRINIT;
        Rx = TRx::SendRinit;
      }
      return;
    case ZFILE:
      // Our ZRPOS was lost: the sender offers the file again.
      if (++RepeatCount > RepeatLimit) return Fail(ZStatus::TooManyRetries, "sender repeats the file", true);
      Rx = TRx::SendRpos;
      return;
    case ZNAK:
      return Error(false);
    default:
      return Error(true);
  }
}

void TZmodem::RxCollectData() {
  const int64_t Start = lx::TickMS();
  int Wait = WaitBudget();
  for (;;) {
    if (CancelSeen) return PeerCancelled();
    // Data trickling in a subpacket at a time: a short pause lets it gather, so that neither
    // side pays for a wake-up per subpacket (a fraction of the time the link buffers hold).
    if (Avail() == 0 && LastRead > 0 && LastRead < 8192) std::this_thread::sleep_for(TricklePause);
    if (!Pull(Wait)) {
      if (!LinkUp()) return Fail(ZStatus::LinkFailed, "link lost", false);
      if (TimerUp()) {
        Errors();
        if (RetryCount > DataRetry) return Fail(ZStatus::TooManyRetries, "no data", true);
        RxRetry();
      }
      return;
    }
    Wait = 0;
    Consume(HR.SkipTail(InData(), Avail()));
    size_t Used = 0;
    const size_t Before = SP.Length();
    const auto R = SP.Feed(InData(), Avail(), Used);
    Consume(Used);
    // Only data restarts the timer: noise the reader drops (XON, XOFF) must not keep us here.
    if (SP.Length() > Before || R != TSubpacketReader::TResult::Pending) SetTimer(HeaderWaitMs);
    if (CancelSeen) continue;
    if (R == TSubpacketReader::TResult::Pending) {
      if (OverBudget(Start)) return;
      continue;
    }
    if (R != TSubpacketReader::TResult::Done) {
      Errors();
      if (RetryCount > DataRetry) return Fail(ZStatus::BadSubpackets, "too many bad blocks", true);
      return RxRetry();
    }
    const int64_t NewPos = Pos + static_cast<int64_t>(SP.Length());
    if (NewPos > RxLimit) return Fail(ZStatus::BlockTooLong, "more data than the file's size", true);
    if (!Out.Write(SP.Data(), SP.Length())) {
      return Fail(ErrnoStatus(), errno == ENOSPC ? "the disk is nearly full" : "cannot write the file", true);
    }
    Pos += static_cast<int64_t>(SP.Length());
    BytesTransferred = Pos;
    BytesRemaining = std::max<int64_t>(0, FileSize - Pos);
    RetryCount = 0;
    const uint8_t End = SP.End;
    const bool Crc32 = RxHdrCrc32;
    if (End == ZCRCQ || End == ZCRCW) SendHex(ZACK, static_cast<uint32_t>(Pos));
    if (End == ZCRCW || End == ZCRCE) {
      // The frame is over: a new ZDATA, or the ZEOF, comes next.
      SetTimer(HeaderWaitMs);
      Rx = TRx::WaitData;
      return;
    }
    SP.Start(BlockLen, Crc32);
    if (OverBudget(Start)) return;
  }
}

int TZmodem::StepReceive() {
  if (Rx == TRx::Finished) return 2;
  if (Rx == TRx::Cleanup) {
    if (DrainLine()) return 1;
    ShowStatus(false, true);
    Rx = TRx::Finished;
    return 2;
  }
  if (lx::TickMS() >= NextStatus) ShowStatus(false, false);
  if (OutPos < W.Out.size()) FlushOut(0);
  if (Rx != TRx::Cleanup && !LinkUp()) Fail(ZStatus::LinkFailed, "link lost", false);
  if (Rx != TRx::Cleanup && CancelSeen) PeerCancelled();

  int Result = 0;
  switch (Rx) {
    case TRx::SendRinit:
      if (AnswerType == ZSKIP)
        SendHex(ZSKIP, 0);
      else
        SendHexFlags(ZRINIT, {0, 0, 0, CANFDX | CANOVIO | CANFC32});
      AnswerType = ZRINIT;
      SetTimer(HeaderWaitMs);
      Rx = TRx::WaitFile;
      break;

    case TRx::WaitFile: {
      const TGot G = GetHeader(WaitBudget());
      if (G == TGot::Cancel) {
        PeerCancelled();
      } else if (G == TGot::Lost) {
        Fail(ZStatus::LinkFailed, "link lost", false);
      } else {
        RxWaitFile(G);
      }
      Result = G == TGot::Nothing ? 1 : 0;
      break;
    }

    case TRx::CollectSinit:
    case TRx::CollectFileInfo: {
      bool Good = false;
      if (RxCollect(Good)) {
        if (!Good) {
          Errors();
          if (RetryCount > HandshakeRetry) {
            Fail(ZStatus::TooManyErrors, "too many errors", true);
          } else {
            Rx = TRx::SendRinit;
          }
        } else if (Rx == TRx::CollectSinit) {
          const size_t N = std::min<size_t>(SP.Length(), 32);
          AttnString.assign(reinterpret_cast<const char*>(SP.Data()), N);
          AttnString = AttnString.substr(0, AttnString.find('\0'));
          W.SetEscapeControls((RxHdr.ZF0() & TESCCTL) != 0);
          SendHex(ZACK, 1);
          SetTimer(HeaderWaitMs);
          Rx = TRx::WaitFile;
        } else {
          RxStartFile();
        }
      } else if (!CancelSeen && LinkUp() && TimerUp()) {
        Errors();
        if (RetryCount > HandshakeRetry)
          Fail(ZStatus::TooManyRetries, "no file information", true);
        else
          Rx = TRx::SendRinit;
      } else {
        Result = 1;
      }
      break;
    }

    case TRx::LocalCrc: {
      // Our copy's CRC, a slice per step so that a large file cannot hold the screen.
      std::vector<uint8_t> Buf(65536);
      int64_t Slice = 0;
      while (CrcDone < CrcLen && Slice < CrcSlice) {
        const size_t Want = static_cast<size_t>(std::min<int64_t>(int64_t(Buf.size()), CrcLen - CrcDone));
        const ssize_t R = ::pread(CrcFd, Buf.data(), Want, CrcDone);
        if (R <= 0) break;
        CrcValue = Crc32Update(CrcValue, Buf.data(), static_cast<size_t>(R));
        CrcDone += R;
        Slice += R;
      }
      if (Slice == 0 && CrcDone < CrcLen) {
        RxDecideFresh(false);  // the file shrank or cannot be read: no resume
      } else if (CrcDone == CrcLen) {
        CrcValue = ~CrcValue;
        SendHex(ZCRC, static_cast<uint32_t>(CrcLen));
        SetTimer(HeaderWaitMs);
        Rx = TRx::WaitCrc;
      }
      break;
    }

    case TRx::WaitCrc: {
      const TGot G = GetHeader(WaitBudget());
      if (G == TGot::Cancel) {
        PeerCancelled();
      } else if (G == TGot::Lost) {
        Fail(ZStatus::LinkFailed, "link lost", false);
      } else if (G == TGot::Nothing || (RxHdr.Type != ZCRC && RxHdr.Type != ZFILE && RxHdr.Type != ZNAK)) {
        if (TimerUp()) RxDecideFresh(false);  // a sender without ZCRC: start from the beginning
        Result = 1;
      } else if (RxHdr.Type == ZCRC) {
        const bool Match = RxHdr.Pos() == CrcValue;
        if (Match && RxResume())
          Rx = TRx::SendRpos;
        else
          RxDecideFresh(!Match && CrcPath != Dest + RxName);
      } else if (RxHdr.Type == ZFILE && ++RepeatCount < 2) {
        SendHex(ZCRC, static_cast<uint32_t>(CrcLen));
        SetTimer(HeaderWaitMs);
      } else if (RxHdr.Type == ZFILE || RxHdr.Type == ZNAK) {
        RxDecideFresh(false);
      }
      break;
    }

    case TRx::SendAttn: {
      // 221 would be a break (there is none on a network link); 222 pauses a second.
      const int64_t Now = lx::TickMS();
      if (Now < AttnResume) {
        lx::WaitMS(std::min<int64_t>(AttnResume - Now, 50));
        Result = 1;
        break;
      }
      while (AttnIndex < AttnString.size()) {
        const uint8_t C = static_cast<uint8_t>(AttnString[AttnIndex++]);
        if (C == 222) {
          FlushOut(0);
          AttnResume = lx::TickMS() + 1000;
          break;
        }
        if (C != 221) W.Raw(C);
      }
      if (AttnIndex >= AttnString.size() && lx::TickMS() >= AttnResume) {
        FlushOut(0);
        Rx = TRx::SendRpos;
      }
      break;
    }

    case TRx::SendRpos:
      DropInput();
      HR.Reset();
      SendHex(ZRPOS, static_cast<uint32_t>(Pos));
      BytesTransferred = Pos;
      BytesRemaining = std::max<int64_t>(0, FileSize - Pos);
      SetTimer(HeaderWaitMs);
      Rx = TRx::WaitData;
      break;

    case TRx::WaitData: {
      const TGot G = GetHeader(WaitBudget());
      if (G == TGot::Cancel)
        PeerCancelled();
      else if (G == TGot::Lost)
        Fail(ZStatus::LinkFailed, "link lost", false);
      else
        RxWaitData(G);
      Result = G == TGot::Nothing ? 1 : 0;
      break;
    }

    case TRx::CollectData:
      RxCollectData();
      break;

    case TRx::SendFin:
      DropInput();
      SendHex(ZFIN, 0);
      SetTimer(FinishWaitMs);
      AttnIndex = 0;  // counts the "O"s
      Rx = TRx::WaitOO;
      break;

    case TRx::WaitOO:
      if (Pull(WaitBudget())) {
        while (Avail() > 0 && AttnIndex < 2) {
          if (*InData() == 'O') ++AttnIndex;
          Consume(1);
        }
      }
      if (AttnIndex >= 2 || TimerUp() || !LinkUp()) {
        ProtocolStatus = ZStatus::Ok;
        Rx = TRx::Cleanup;
      } else {
        Result = 1;
      }
      break;

    case TRx::Cleanup:
    case TRx::Finished:
      break;
  }

  if (Rx == TRx::Cleanup) {
    FlushOut(0);
    if (DrainLine()) return 1;
    ShowStatus(false, true);
    Rx = TRx::Finished;
    return 2;
  }
  return Result;
}
