// The engine's shared parts: link input and output, timers, hooks, results.
#include "transfer/zmodem.h"

#include <unistd.h>

#include <algorithm>

#include "support/files.h"
#include "support/strings.h"
#include "support/timeutil.h"

using namespace zm;

namespace {

// The longest a step waits for the link: the screen polls ESC between steps.
constexpr int StepWaitMs = 50;
// Work done in one step before it hands back, even when data keeps coming.
constexpr int64_t StepBudgetMs = 40;
// Output goes to the link in slices no larger than this, each only when the link says it
// can take more, so a stalled peer cannot hold a write for long.
constexpr size_t WriteSlice = 16384;
constexpr size_t InputSize = 16384;
// After a cancel the line is taken until it has been quiet this long, at most DrainMaxMs.
constexpr int64_t DrainQuietMs = 200;
constexpr int64_t DrainMaxMs = 1000;

}  // namespace

TZmodem::TZmodem(TSocketBase& Conn_, uint8_t BlockMode_) : Conn(Conn_), BlockMode(BlockMode_ ? 1 : 0) {
  BlockLen = BlockMode ? 8192 : 1024;
  In.resize(InputSize);
  RBuf.resize(32768);
}

TZmodem::~TZmodem() {
  if (Fd >= 0) ::close(Fd);
  if (CrcFd >= 0) ::close(CrcFd);
}

// An empty directory stays empty (AddSlash would make it the root directory).
void TZmodem::SetDestDir(const std::string& Dir) { Dest = Dir.empty() ? Dir : lx::AddSlash(Dir); }

std::vector<uint8_t> TZmodem::TakeUnread() {
  std::vector<uint8_t> R(InData(), InData() + Avail());
  InPos = InLen = 0;
  return R;
}

void TZmodem::Prime(const uint8_t* P, size_t N) {
  if (N == 0) return;
  std::vector<uint8_t> Rest(In.begin() + static_cast<long>(InPos), In.begin() + static_cast<long>(InLen));
  // The start detector may have eaten the pads before the ZDLE; give the header one back.
  if (P[0] == ZDLE) Rest.push_back(ZPAD);
  Rest.insert(Rest.end(), P, P + N);
  if (Cancels.Feed(P, N)) CancelSeen = true;
  if (Rest.size() > In.size()) In.resize(Rest.size());
  std::copy(Rest.begin(), Rest.end(), In.begin());
  InPos = 0;
  InLen = Rest.size();
}

// ---------------------------------------------------------------------------------------------
// Link

bool TZmodem::LinkUp() const { return !Down && Conn.Connected; }

bool TZmodem::Pull(int WaitMs) {
  if (InPos < InLen) return true;
  InPos = InLen = 0;
  if (!LinkUp()) return false;
  if (!Conn.DataWaiting(WaitMs)) {
    if (!Conn.Connected) Down = true;
    return false;
  }
  const int32_t N = Conn.ReadBuf(In.data(), static_cast<int32_t>(std::min(In.size(), InputSize)));
  if (N < 0) {
    Down = true;
    return false;
  }
  LastRead = N;
  if (N == 0) return false;  // a telnet command, or the peer closing (ReadBuf counts those)
  InLen = static_cast<size_t>(N);
  if (Cancels.Feed(In.data(), InLen)) CancelSeen = true;
  return true;
}

void TZmodem::DropInput() {
  InPos = InLen = 0;
  Conn.PurgeInput(0);
}

TZmodem::TGot TZmodem::GetHeader(int WaitMs) {
  const int64_t Start = lx::TickMS();
  for (;;) {
    if (CancelSeen) return TGot::Cancel;
    if (!Pull(WaitMs)) return LinkUp() ? TGot::Nothing : TGot::Lost;
    WaitMs = 0;
    size_t Used = 0;
    const auto R = HR.Feed(InData(), Avail(), Used);
    Consume(Used);
    if (CancelSeen) return TGot::Cancel;
    if (R == THeaderReader::TResult::Header) {
      RxHdr = HR.Hdr;
      RxHdrCrc32 = HR.Crc32();
      return TGot::Header;
    }
    if (R == THeaderReader::TResult::CrcError) ++TotalErrors;
    // Noise keeps coming: hand back now and then; the state's timer bounds the whole wait.
    if (OverBudget(Start)) return TGot::Nothing;
  }
}

bool TZmodem::FlushOut(int WaitMs) {
  std::vector<uint8_t>& Out = W.Out;
  while (OutPos < Out.size()) {
    if (!LinkUp()) return false;
    const int32_t Ready = Conn.WaitForData(WaitMs, false);
    if (Ready < 0) Down = true;
    if (Ready <= 0) return false;
    const size_t N = std::min(WriteSlice, Out.size() - OutPos);
    const uint8_t* P = Out.data() + OutPos;
    // A telnet link doubles every 255 itself (TSocket's writes), as for every other caller.
    const int32_t Want = static_cast<int32_t>(N);
    const int32_t Done = Conn.WriteBuf(P, Want);
    if (Done != Want) {
      // A short or failed write leaves the other side with a hole in the stream.
      Down = true;
      return false;
    }
    OutPos += N;
    WaitMs = 0;
    LastWrite = lx::TickMS();
    // Sent bytes are dropped now and then, so a stream that never quite drains stays small.
    if (OutPos >= (256u << 10) && OutPos < Out.size()) {
      Out.erase(Out.begin(), Out.begin() + static_cast<long>(OutPos));
      OutPos = 0;
    }
  }
  W.Sent();
  OutPos = 0;
  return true;
}

void TZmodem::PurgeOut() {
  W.Out.resize(OutPos);
  W.Sent();
  OutPos = 0;
  LinkFull = false;
}

void TZmodem::SendHex(uint8_t Type, uint32_t Position) {
  W.HexHeader(THeader::At(Type, Position));
  FlushOut(0);
}

void TZmodem::SendHexFlags(uint8_t Type, const std::array<uint8_t, 4>& P) {
  W.HexHeader(THeader{Type, P});
  FlushOut(0);
}

void TZmodem::SendCancelSequence() {
  PurgeOut();
  for (int I = 0; I < 8; ++I) W.Raw(ZDLE);
  for (int I = 0; I < 10; ++I) W.Raw(8);
  FlushOut(StepWaitMs);
}

// After a cancel the line still carries what the other side sent before it saw ours (the rest
// of a stream, whatever it had buffered) and its own cancel sequence, whose backspaces would
// wipe the screen: all of it belongs to the run. Everything is taken until the line has been
// quiet for a moment, or the time is up.
void TZmodem::StartDrain() {
  Draining = true;
  const int64_t Now = lx::TickMS();
  DrainQuiet = Now + DrainQuietMs;
  DrainEnd = Now + DrainMaxMs;
}

bool TZmodem::DrainLine() {
  if (!Draining) return false;
  const int64_t Start = lx::TickMS();
  while (LinkUp() && lx::TickMS() < DrainEnd) {
    Consume(Avail());
    const int64_t Left = DrainQuiet - lx::TickMS();
    if (Left <= 0) break;
    if (Pull(static_cast<int>(std::min<int64_t>(Left, StepWaitMs)))) DrainQuiet = lx::TickMS() + DrainQuietMs;
    if (OverBudget(Start)) return true;
  }
  Draining = false;
  return false;
}

// ---------------------------------------------------------------------------------------------
// Time

void TZmodem::SetTimer(int64_t Ms) { Deadline = lx::TickMS() + Ms; }

bool TZmodem::TimerUp() const { return lx::TickMS() >= Deadline; }

int TZmodem::WaitBudget() const {
  const int64_t Left = Deadline - lx::TickMS();
  return static_cast<int>(std::clamp<int64_t>(Left, 0, StepWaitMs));
}

bool TZmodem::OverBudget(int64_t StepStart) const { return lx::TickMS() - StepStart >= StepBudgetMs; }

// ---------------------------------------------------------------------------------------------
// Hooks and results

void TZmodem::ShowStatus(bool Starting, bool Ending) {
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

void TZmodem::Log(TTransferEvent E) {
  if (LogProc) LogProc(*this, E);
}

void TZmodem::AddResult(TFileOutcome Outcome, uint16_t Status, const std::string& Reason) {
  TFileResult R;
  R.Outcome = Outcome;
  R.Status = Status;
  R.Reason = Reason;
  R.Size = FileSize;
  R.Bytes = BytesTransferred;
  R.StartPos = StartPos;
  R.Errors = TotalErrors;
  if (Run == TRun::Receive) {
    R.Name = RxOffered;
    R.LocalPath = TempPath;
  } else {
    R.Name = R.LocalPath = FileName;
  }
  FileResults.push_back(std::move(R));
}

void TZmodem::Fail(uint16_t Status, const std::string& Reason, bool SendCancel) {
  const bool Cancelling = SendCancel && LinkUp();
  if (Cancelling) SendCancelSequence();
  ProtocolStatus = Status;
  if (FileOpen) {
    if (Run == TRun::Receive) {
      RxCloseFile();
      Log(TTransferEvent::ReceiveFailed);
    } else {
      TxCloseFile();
      Log(TTransferEvent::SendFailed);
    }
    AddResult(TFileOutcome::Failed, Status, Reason);
  }
  if (CrcFd >= 0) {
    ::close(CrcFd);
    CrcFd = -1;
  }
  if (Run == TRun::Receive)
    Rx = TRx::Cleanup;
  else
    Tx = TTx::Cleanup;
  if (Cancelling) StartDrain();
}

// The other side cancelled (five CAN, ZABORT, ZCAN). Ours goes back as well: a stream that
// was only damaged into looking like a cancel must not leave the sender streaming on.
void TZmodem::PeerCancelled() { Fail(ZStatus::Cancelled, "cancelled by the other side", true); }

// ---------------------------------------------------------------------------------------------
// Driving

bool TZmodem::Finished() const {
  return Run == TRun::None || (Run == TRun::Receive ? Rx == TRx::Finished : Tx == TTx::Finished);
}

bool TZmodem::Step() {
  if (Run == TRun::Receive) return ProtocolReceive() != 2;
  if (Run == TRun::Transmit) return ProtocolTransmit() != 2;
  return false;
}

int TZmodem::ProtocolReceive() { return Run == TRun::Receive ? StepReceive() : 2; }
int TZmodem::ProtocolTransmit() { return Run == TRun::Transmit ? StepTransmit() : 2; }

uint16_t TZmodem::Receive() {
  if (PrepareReceive() != 0) return ProtocolStatus;
  while (Step()) {
  }
  return ProtocolStatus;
}

uint16_t TZmodem::Transmit() {
  if (PrepareTransmit() != 0) return ProtocolStatus;
  while (Step()) {
  }
  return ProtocolStatus;
}

void TZmodem::Cancel() {
  if (Finished()) return;
  Fail(ZStatus::Cancelled, "cancelled", true);
  // The run ends now, so the screen's final call comes before Cancel returns.
  while (Step()) {
  }
}
