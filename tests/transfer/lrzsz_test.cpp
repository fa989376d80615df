// Every engine against lrzsz (sz, rz, sx, rx, sb, rb), plain and through the damaging relay.
// A row is the peer's command line, the files sent, what the receiving side held before and
// what must come out: identical files (Xmodem keeps the sender's padding), or a clean,
// reported failure that leaves nothing under the real name. A download changes nothing
// outside its directory.
#include <sys/socket.h>
#include <sys/stat.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "net/socket.h"
#include "support/timeutil.h"
#include "transfer/zmodem_harness.h"

using namespace zm;
namespace fs = std::filesystem;

namespace {

using K = TFault::TKind;
using O = TFileOutcome;
using P = TXYProtocol;
using E = TTransferEvent;
enum class TWant : uint8_t { Whole, Failed, Either };
// Sizes that stand for what is no regular file, in an upload list.
constexpr size_t IsDir = size_t(-1), IsFifo = size_t(-2), IsMissing = size_t(-3);

struct TFile {
  std::string Name;  // as given to the sender, relative to its directory
  size_t Size;
  O Outcome = O::Done;
  std::string SavedAs = {};  // in the receiving directory, when not the name
};
// In the receiving directory before the run: the start of the sent file whose name starts
// this one's, or other data that stays as it was, or other data that must be gone.
// A file resumed from a prefix begins there (an upload at a multiple of 1024, as rz does).
enum class THeld : uint8_t { Prefix, Kept, Gone };
using enum THeld;
struct TLocal {
  std::string Name;
  size_t Size;
  THeld Held = Kept;
};
TLocal Part(size_t Size, THeld Held = Gone) { return {"a.bin.part", Size, Held}; }
struct TMore {
  TFault Fault = {};
  TWant Want = TWant::Whole;
  uint16_t Status = 0;
  std::optional<P> XY = {};  // else Zmodem; Xmodem data arrives padded with SUB to 128 bytes
  std::vector<TLocal> Locals = {};
  bool Primed = false;  // started by the session's detector, which read the start's first bytes
  int64_t KillAt = -1;  // the peer is killed once this many bytes are done
  uint8_t Mgmt = 0;     // our management option for an existing file
  int64_t CutAt = 0;    // a run cut off by the link after this many bytes comes first: the
                        // file then begins where that run stopped
};
struct TCase {
  const char* Title;
  std::vector<std::string> Peer;  // a sender gets the file names added
  std::vector<TFile> Files;
  TMore M = {};
};

const TFault Flip32k{K::BitFlip, true, 32768}, Flips{K::BitFlip, true, 16384}, FlipsOut{K::BitFlip, false, 16384},
    Cans{K::CanBurst, true, 40000}, CansOut{K::CanBurst, false, 40000}, Stall{K::Stall, true, 40000, 2500},
    StallOut{K::Stall, false, 40000, 2500}, Telnet{K::Telnet};
const std::vector<TFile> A{{"a.bin", 150000}}, AB{{"a.bin", 250000}, {"b.bin", 0}}, A300{{"a.bin", 300000}},
    A300Failed{{"a.bin", 300000, O::Failed}}, F0{{"f0.bin", 100000}}, Batch{{"f0.bin", 70000}, {"empty", 0}, {"f2.bin", 3000}};
const std::vector<TFile> A400{{"a.bin", 400000}};
// What a file's run logs (download, upload): its start, then its end by outcome.
const E Logged[2][4] = {{E::FileInfo, E::FileReceived, E::FileRefused, E::ReceiveFailed},
                        {E::SendingFile, E::FileSent, E::SkippedByReceiver, E::SendFailed}};
const std::vector<TLocal> Older{{"a.bin", 40000, Gone}, Part(1000)};

const TCase Cases[] = {
    // Zmodem downloads, in the modes sz offers.
    {"sz", {"sz"}, A},
    {"sz_8k_blocks", {"sz", "-8"}, {{"a.bin", 300000}}},
    {"sz_crc16", {"sz", "-o"}, A},
    {"sz_escape_all", {"sz", "-e"}, A},
    {"sz_window_4096", {"sz", "-w", "4096"}, A},
    {"sz_batch_with_empty_file", {"sz"}, {{"a.bin", 20000}, {"empty", 0}, {"c.bin", 7000}}},
    {"sz_auto_started", {"sz"}, {{"a.bin", 50000}}, {.Primed = true}},
    {"sz_hostile_names", {"sz", "-f"},
     {{"../up/x.bin", 3000, O::Done, "x.bin"}, {"dir\\..\\..\\y.bin", 2000, O::Done, "y.bin"}, {"lanternyx.cfg", 100, O::Skipped},
      {"book.PHN", 100, O::Skipped}, {"ctl\x01.bin", 100, O::Skipped}, {"z.bin", 1000}}},
    // Resuming: a true prefix (our part, or a short copy under the real name) is taken up,
    // asked or not; anything else is never overwritten, and a part of other data replaced.
    {"sz_resume_true_prefix", {"sz", "-r"}, {{"a.bin", 200000}, {"b.bin", 90000}},
     {.Locals = {Part(120000, Prefix), {"b.bin", 50000, Prefix}}}},
    {"sz_resume_own_part_unasked", {"sz"}, {{"a.bin", 200000}}, {.Locals = {Part(120000, Prefix)}}},
    {"sz_resume_over_unrelated", {"sz", "-r"}, {{"a.bin", 100000, O::Done, "a.bin.1"}}, {.Locals = {{"a.bin", 40000}}}},
    {"sz_resume_over_longer", {"sz", "-r"}, {{"a.bin", 100000, O::Done, "a.bin.1"}}, {.Locals = {{"a.bin", 150000}}}},
    {"sz_existing_file_kept", {"sz"}, {{"a.bin", 30000, O::Done, "a.bin.1"}}, {.Locals = {{"a.bin", 30000}}}},
    {"sz_protect", {"sz", "-p"}, {{"a.bin", 30000, O::Skipped}, {"b.bin", 2000}}, {.Locals = {{"a.bin", 30000}}}},
    {"sz_part_of_other_data", {"sz"}, {{"a.bin", 100000}}, {.Locals = {Part(40000)}}},
    {"sz_part_longer_than_file", {"sz", "-r"}, {{"a.bin", 100000}}, {.Locals = {Part(150000)}}},
    // A download cut off by the link is taken up where it stopped, whether or not the sender
    // asks for a resume, even when a part file not the start of this one was there before.
    {"sz_resume_after_cut", {"sz"}, A400, {.Locals = {Part(30000)}, .CutAt = 150000}},
    {"sz_resume_asked_after_cut", {"sz", "-r"}, A400, {.Locals = {Part(500000)}, .CutAt = 150000}},
    // Our management option: append only once the new data is whole (a ZRPOS after damage
    // cannot reach the old content), or replace; the part file is not checked, and goes.
    {"sz_append", {"sz"}, A, {.Fault = Flip32k, .Locals = Older, .Mgmt = ZMAPND}},
    {"sz_replace", {"sz"}, A, {.Fault = Flip32k, .Locals = Older, .Mgmt = ZMCLOB}},
    // Zmodem uploads; rz resumes at its length rounded down to 1024.
    {"rz", {"rz"}, AB},
    {"rz_escape_all", {"rz", "-e"}, AB},
    {"rz_protect_skips", {"rz", "-p"}, {{"a.bin", 250000, O::Skipped}, {"b.bin", 0}}, {.Locals = {{"a.bin", 5000}}}},
    {"rz_resume", {"rz", "-r"}, AB, {.Locals = {{"a.bin", 100000, Prefix}}}},
    {"rz_injected_crc_errors", {"rz", "--errors", "20000"}, AB},
    {"rz_passes_over_what_cannot_be_sent", {"rz"},
     {{"dir", IsDir, O::Failed}, {"fifo", IsFifo, O::Failed}, {"missing", IsMissing, O::Failed}, {"a.bin", 20000}}},
    {"rz_killed", {"rz"}, {{"a.bin", 4 << 20, O::Failed}, {"b.bin", 1000, O::Failed}},
     {.Want = TWant::Failed, .Status = ZStatus::LinkFailed, .KillAt = 200000}},
    // Zmodem through line faults; a telnet link, where a NOP must never become a data byte.
    {"sz_bit_flips", {"sz"}, A300, {.Fault = Flip32k}},
    {"sz_dropped_byte", {"sz"}, A300, {.Fault = {K::Drop, true, 50000}}},
    {"sz_stall_12s", {"sz"}, A300, {.Fault = {K::Stall, true, 50000}}},
    {"sz_can_burst", {"sz"}, A300Failed, {.Fault = {K::CanBurst, true, 50000}, .Want = TWant::Failed, .Status = ZStatus::Cancelled}},
    {"sz_closed", {"sz"}, A300Failed, {.Fault = {K::Close, true, 50000}, .Want = TWant::Failed, .Status = ZStatus::LinkFailed}},
    {"sz_telnet", {"sz"}, A300, {.Fault = Telnet}},
    {"rz_bit_flips", {"rz"}, A300, {.Fault = {K::BitFlip, false, 32768}}},
    {"rz_bit_flips_8k", {"rz"}, A300, {.Fault = {K::BitFlip, false, 8192}}},
    {"rz_dropped_byte", {"rz"}, A300, {.Fault = {K::Drop, false, 50000}}},
    {"rz_stall_12s", {"rz"}, A300, {.Fault = {K::Stall, false, 50000}}},
    {"rz_can_burst", {"rz"}, A300Failed, {.Fault = {K::CanBurst, false, 50000}, .Want = TWant::Failed, .Status = ZStatus::Cancelled}},
    {"rz_closed", {"rz"}, A300Failed, {.Fault = {K::Close, false, 50000}, .Want = TWant::Failed, .Status = ZStatus::LinkFailed}},
    {"rz_telnet", {"rz"}, A300, {.Fault = Telnet}},
    // Xmodem and Ymodem. A stall longer than the block bound makes both sides repeat
    // themselves, and Xmodem's ACK names no block: such a run may also fail cleanly.
    {"sx", {"sx"}, F0, {.XY = P::Xmodem}},
    {"sx_k", {"sx", "-k"}, F0, {.XY = P::Xmodem1K}},
    {"sb_batch", {"sb"}, Batch, {.XY = P::Ymodem}},
    {"sb_k", {"sb", "-k"}, {{"f0.bin", 70000}}, {.XY = P::Ymodem}},
    {"sb_g", {"sb"}, {{"f0.bin", 200000}, {"empty", 0}, {"f2.bin", 1000}}, {.XY = P::YmodemG}},
    {"rx", {"rx", "f0.bin"}, F0, {.XY = P::Xmodem}},
    {"rx_c", {"rx", "-c", "f0.bin"}, F0, {.XY = P::Xmodem1K}},
    {"rb_batch", {"rb"}, Batch, {.XY = P::Ymodem}},
    {"sx_flips", {"sx"}, F0, {.Fault = Flips, .XY = P::Xmodem}},
    {"sb_flips", {"sb"}, F0, {.Fault = Flips, .XY = P::Ymodem}},
    {"sb_g_flips", {"sb"}, F0, {.Fault = Flips, .Want = TWant::Failed, .XY = P::YmodemG}},
    {"rx_c_flips", {"rx", "-c", "f0.bin"}, {{"f0.bin", 60000}}, {.Fault = FlipsOut, .XY = P::Xmodem}},
    {"rb_flips", {"rb"}, {{"f0.bin", 60000}}, {.Fault = FlipsOut, .XY = P::Ymodem}},
    {"sb_stall", {"sb"}, F0, {.Fault = Stall, .Want = TWant::Either, .XY = P::Ymodem}},
    {"sb_g_stall", {"sb"}, F0, {.Fault = Stall, .Want = TWant::Failed, .XY = P::YmodemG}},
    {"rb_stall", {"rb"}, F0, {.Fault = StallOut, .Want = TWant::Either, .XY = P::Ymodem}},
    {"sb_cans", {"sb"}, F0, {.Fault = Cans, .Want = TWant::Either, .XY = P::Ymodem}},
    {"sx_cans", {"sx"}, F0, {.Fault = Cans, .Want = TWant::Either, .XY = P::Xmodem}},
    {"rb_cans", {"rb"}, F0, {.Fault = CansOut, .Want = TWant::Failed, .XY = P::Ymodem}},
    {"sb_telnet", {"sb"}, F0, {.Fault = Telnet, .XY = P::Ymodem}},
    {"rb_telnet", {"rb"}, F0, {.Fault = Telnet, .XY = P::Ymodem}},
};

void PrintTo(const TCase& C, std::ostream* Os) { *Os << C.Title; }

class Lrzsz : public ::testing::TestWithParam<TCase> {};

TEST_P(Lrzsz, EndsWholeOrCleanly) {
  const TCase& C = GetParam();
  const TMore& M = C.M;
  const bool Upload = C.Peer[0][0] == 'r';
  TTempDir T;
  const std::string Src = T.Path("src"), Dl = T.Path("dl"), Peer = T.Path("peer"), To = Upload ? Peer : Dl;
  for (const auto& D : {Src, Dl, Peer}) fs::create_directories(D);
  TRunOptions R0{.Upload = Upload, .PeerArgs = C.Peer, .PeerDir = Upload ? Peer : Src, .DownloadDir = Dl,
                 .BlockMode = uint8_t(Upload ? 0 : 1), .Fault = M.Fault, .DeadlineMs = M.XY ? 20000 : 60000,
                 .KillPeerAt = M.KillAt, .PrimeStart = M.Primed, .XY = M.XY, .XName = C.Files[0].Name,
                 .BlockWaitMs = M.XY && M.Fault.Kind == K::Stall ? 1500 : 10000};
  R0.PeerArgs.insert(R0.PeerArgs.begin() + 1, "-q");
  if (M.Mgmt) R0.Setup = [&M](TZmodem& Z) { Z.MgmtOverride = true, Z.FileMgmtOpt = M.Mgmt; };
  std::vector<TBytes> Data;
  for (size_t I = 0; I < C.Files.size(); ++I) {
    const TFile& F = C.Files[I];
    const std::string Path = Src + "/" + F.Name;
    fs::create_directories(fs::path(Path).parent_path());
    Data.push_back(TestData(F.Size < IsMissing ? F.Size : 0, static_cast<uint32_t>(I + 1)));
    if (F.Size == IsDir)
      fs::create_directory(Path);
    else if (F.Size == IsFifo)
      ASSERT_EQ(::mkfifo(Path.c_str(), 0600), 0);
    else if (F.Size != IsMissing)
      WriteFileBytes(Path, Data.back());
    if (Upload) R0.Files.push_back(Path);
    if (!Upload && (!M.XY || *M.XY >= P::Ymodem || I == 0)) R0.PeerArgs.push_back(F.Name);
  }
  // What the receiving side must hold at the end; where each file's data must begin.
  TFiles Held, Expected;
  std::vector<int64_t> Start(C.Files.size());
  for (const TLocal& L : M.Locals) {
    TBytes B = TestData(L.Size, 99);
    for (size_t I = 0; I < C.Files.size(); ++I) {
      if (L.Held != Prefix || L.Name.rfind(C.Files[I].Name, 0) != 0) continue;
      B.assign(Data[I].begin(), Data[I].begin() + static_cast<long>(L.Size));
      Start[I] = Upload ? L.Size / 1024 * 1024 : L.Size;
    }
    WriteFileBytes(To + "/" + L.Name, B);
    Held[L.Name] = B;
    if (L.Held == Kept) Expected["/" + L.Name] = B;
  }
  const auto Outside = Snapshot(T.Dir(), Dl);
  int64_t Had = 0;
  if (M.CutAt) {
    TRunOptions Cut = R0;
    Cut.Fault = {K::Close, true, M.CutAt};
    ASSERT_EQ(RunWithPeer(Cut).Status, ZStatus::LinkFailed);
    Had = int64_t(fs::file_size(Dl + "/a.bin.part"));
    ASSERT_GT(Had, 0);
  }
  const TRunResult R = RunWithPeer(R0);

  EXPECT_EQ(std::tuple(R.EngineOverran, R.HookStarts, R.HookEnds), std::tuple(false, 1, 1));
  EXPECT_TRUE(M.KillAt >= 0 ? R.PeerExit == 128 + 9 : R.PeerExit != -1) << "peer exit " << R.PeerExit;
  EXPECT_TRUE(M.Fault.Kind == K::None || R.FaultMs >= 0) << "the fault never happened";
  const bool Whole = M.Want == TWant::Whole || (M.Want == TWant::Either && R.Status == 0);
  if (Whole) {
    EXPECT_EQ(std::pair(R.Status, R.PeerExit), std::pair(uint16_t(0), 0)) << R.PeerLog;
  } else {
    EXPECT_TRUE(R.Status != 0 && (!M.Status || R.Status == M.Status)) << "status " << R.Status;
    ASSERT_FALSE(R.Results.empty());
    EXPECT_EQ(R.Results.back().Outcome, O::Failed);
    EXPECT_TRUE(M.Fault.Kind != K::CanBurst || R.EndMs - R.FaultMs < 5000) << "a cancel waited for a time-out";
    EXPECT_TRUE(Upload || !fs::exists(Dl + "/" + C.Files[0].Name)) << "a failed download under the real name";
    if (!Upload && !M.XY) {
      // The partial file stays under its temporary name, a true prefix, kept for a resume.
      const TFileResult& F = R.Results[0];
      ASSERT_LE(F.Bytes, M.Fault.At);
      EXPECT_EQ(F.LocalPath, Dl + "/a.bin.part");
      Expected["/a.bin.part"] = TBytes(Data[0].begin(), Data[0].begin() + F.Bytes);
    }
  }
  if (Whole || !M.XY) {
    ASSERT_EQ(R.Results.size(), C.Files.size());
  }
  std::vector<E> Events;
  for (size_t I = 0; I < R.Results.size() && I < C.Files.size(); ++I) {
    const TFile& F = C.Files[I];
    const TFileResult& G = R.Results[I];
    EXPECT_NE(G.Outcome == O::Failed && G.Reason.empty(), true) << "a failure without a reason";
    if (G.Reason != "not sent")
      Events.insert(Events.end(), {Logged[Upload][0], Logged[Upload][1 + size_t(G.Outcome)]});
    if (!Whole && M.XY) continue;
    EXPECT_EQ(G.Outcome, F.Outcome) << F.Name << ": " << G.Reason;
    if (F.Outcome != O::Done || !Whole) continue;
    const std::string Saved = F.SavedAs.empty() ? F.Name : F.SavedAs;
    TBytes& Bytes = Expected["/" + Saved] = M.Mgmt == ZMAPND ? Held[Saved] : TBytes{};
    Bytes.insert(Bytes.end(), Data[I].begin(), Data[I].end());
    if (M.XY && *M.XY < P::Ymodem) Bytes.resize((Bytes.size() + 127) / 128 * 128, 26);
    EXPECT_EQ(G.StartPos, M.CutAt ? Had : Start[I]) << Saved;  // only the rest came over the link
    EXPECT_TRUE(Upload || M.XY || (G.LocalPath == Dl + "/" + Saved && G.Bytes == int64_t(F.Size)))
        << G.LocalPath << " " << G.Bytes;
  }
  EXPECT_TRUE(M.XY || R.Events == Events) << "events differ";
  if (Whole) {
    const bool Damaged = M.Fault.Kind == K::BitFlip || M.Fault.Kind == K::Drop ||
                         std::count(C.Peer.begin(), C.Peer.end(), "--errors");
    const int Errors = R.Results[0].Errors;
    EXPECT_TRUE(Damaged ? Errors > 0 : M.XY || M.Fault.Kind == K::Stall || Errors == 0)
        << Errors << " errors (damage unnoticed, or telnet commands taken for data?)";
  }
  if (Whole || (!Upload && !M.XY)) {
    EXPECT_EQ(Snapshot(To), Expected);
  }
  EXPECT_TRUE(Upload || Snapshot(T.Dir(), Dl) == Outside) << "something changed outside the download directory";
}

INSTANTIATE_TEST_SUITE_P(Peer, Lrzsz, ::testing::ValuesIn(Cases), [](const auto& I) { return std::string(I.param.Title); });

// lrzsz's rb never asks for Ymodem-G: our sender streams to our own receiver (which streams
// from sb above), and a batch holding a program file's name gets that file dropped.
TEST(XYModem, YmodemGUploadAndRefusedName) {
  TTempDir T;
  const std::string Dl = T.Path("dl");
  fs::create_directories(Dl);
  const TBytes A = TestData(150000, 1), B = TestData(2000, 2);
  WriteFileBytes(T.Path("a.bin"), A);
  WriteFileBytes(T.Path("lanternyx.cfg"), B);
  WriteFileBytes(T.Path("b.bin"), B);
  int Fd[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, Fd), 0);
  TSocket Socks[2];
  for (const int I : {0, 1}) Socks[I].AttachHandle(Fd[I]);
  TXYModem Tx(Socks[0], P::YmodemG), Rx(Socks[1], P::YmodemG);
  Tx.SetFileList({T.Path("a.bin"), T.Path("lanternyx.cfg"), T.Path("b.bin")});
  Rx.SetDestDir(Dl);
  Tx.PrepareTransmit();
  Rx.PrepareReceive();
  bool TxOn = true, RxOn = true;
  for (const int64_t End = lx::TickMS() + 10000; (TxOn || RxOn) && lx::TickMS() < End;) {
    if (TxOn) TxOn = Tx.Step();
    if (RxOn) RxOn = Rx.Step();
  }
  ASSERT_FALSE(TxOn || RxOn) << "the run did not end";
  std::vector<O> Outcomes;
  for (const auto& F : Rx.Results()) Outcomes.push_back(F.Outcome);
  EXPECT_EQ(std::pair(Tx.ProtocolStatus + Rx.ProtocolStatus, Outcomes),
            std::pair(0, std::vector{O::Done, O::Skipped, O::Done}));
  EXPECT_EQ(Snapshot(Dl), (TFiles{{"/a.bin", A}, {"/b.bin", B}}));
}

}  // namespace
