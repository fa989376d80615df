// Xmodem and Ymodem against lrzsz (sx, sb, rx, rb), plain and through a damaging relay: every
// run ends with identical files (Xmodem keeps the sender's padding) or with a clean, reported
// failure that leaves nothing under the real name.
#include <sys/socket.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "net/socket.h"
#include "support/timeutil.h"
#include "transfer/zmodem_harness.h"

namespace fs = std::filesystem;

namespace {

using K = TFault::TKind;
using P = TXYProtocol;
enum class TWant : uint8_t { Whole, Failed, WholeOrFailed };

struct TXYCase {
  const char* Title;
  std::vector<std::string> Peer;  // downloads: the file names are added
  bool Upload;
  P Protocol;
  std::vector<size_t> Sizes;
  size_t Pad;  // Xmodem: the received file is the data padded with SUB to a multiple of this
  TFault Fault;
  TWant Want;
};

constexpr int StallMs = 2500, BlockWaitMs = 1500;
const TFault None{};
const TFault Flips{K::BitFlip, true, 16384};
const TFault FlipsOut{K::BitFlip, false, 16384};
const TFault Stall{K::Stall, true, 40000, StallMs};
const TFault StallOut{K::Stall, false, 40000, StallMs};
const TFault Cans{K::CanBurst, true, 40000};
const TFault CansOut{K::CanBurst, false, 40000};
const TFault Telnet{K::Telnet};

// A stall longer than the block bound makes both sides repeat themselves, and Xmodem's ACK
// names no block: the run may end whole, or cleanly failed when a side loses count.
const TXYCase Cases[] = {
    {"sx", {"sx"}, false, P::Xmodem, {100000}, 128, None, TWant::Whole},
    {"sx_k", {"sx", "-k"}, false, P::Xmodem1K, {100000}, 128, None, TWant::Whole},
    {"sb_batch", {"sb"}, false, P::Ymodem, {70000, 0, 3000}, 0, None, TWant::Whole},
    {"sb_k", {"sb", "-k"}, false, P::Ymodem, {70000}, 0, None, TWant::Whole},
    {"sb_g", {"sb"}, false, P::YmodemG, {200000, 0, 1000}, 0, None, TWant::Whole},
    {"rx", {"rx", "f0.bin"}, true, P::Xmodem, {100000}, 128, None, TWant::Whole},
    {"rx_c", {"rx", "-c", "f0.bin"}, true, P::Xmodem1K, {100000}, 128, None, TWant::Whole},
    {"rb_batch", {"rb"}, true, P::Ymodem, {70000, 0, 3000}, 0, None, TWant::Whole},
    {"sx_flips", {"sx"}, false, P::Xmodem, {100000}, 128, Flips, TWant::Whole},
    {"sb_flips", {"sb"}, false, P::Ymodem, {100000}, 0, Flips, TWant::Whole},
    {"sb_g_flips", {"sb"}, false, P::YmodemG, {100000}, 0, Flips, TWant::Failed},
    {"rx_c_flips", {"rx", "-c", "f0.bin"}, true, P::Xmodem, {60000}, 128, FlipsOut, TWant::Whole},
    {"rb_flips", {"rb"}, true, P::Ymodem, {60000}, 0, FlipsOut, TWant::Whole},
    {"sb_stall", {"sb"}, false, P::Ymodem, {100000}, 0, Stall, TWant::WholeOrFailed},
    {"sb_g_stall", {"sb"}, false, P::YmodemG, {100000}, 0, Stall, TWant::Failed},
    {"rb_stall", {"rb"}, true, P::Ymodem, {100000}, 0, StallOut, TWant::WholeOrFailed},
    {"sb_cans", {"sb"}, false, P::Ymodem, {100000}, 0, Cans, TWant::WholeOrFailed},
    {"sx_cans", {"sx"}, false, P::Xmodem, {100000}, 128, Cans, TWant::WholeOrFailed},
    {"rb_cans", {"rb"}, true, P::Ymodem, {100000}, 0, CansOut, TWant::Failed},
    {"sb_telnet", {"sb"}, false, P::Ymodem, {100000}, 0, Telnet, TWant::Whole},
    {"rb_telnet", {"rb"}, true, P::Ymodem, {100000}, 0, Telnet, TWant::Whole},
};

void PrintTo(const TXYCase& C, std::ostream* Os) { *Os << C.Title; }

class XYLrzsz : public ::testing::TestWithParam<TXYCase> {};

TEST_P(XYLrzsz, EndsWholeOrCleanly) {
  const TXYCase& C = GetParam();
  TTempDir T;
  const std::string Src = T.Path("src"), Dl = T.Path("dl"), Peer = T.Path("peer");
  for (const auto& D : {Src, Dl, Peer}) fs::create_directories(D);
  std::vector<std::string> Names;
  std::vector<TBytes> Want;
  TRunOptions O;
  O.XY = C.Protocol;
  O.Upload = C.Upload;
  O.Fault = C.Fault;
  O.PeerArgs = C.Peer;
  O.PeerArgs.insert(O.PeerArgs.begin() + 1, "-q");
  O.PeerDir = C.Upload ? Peer : Src;
  O.DownloadDir = Dl;
  O.XName = "f0.bin";
  O.DeadlineMs = 20000;
  if (C.Fault.Kind == K::Stall) O.BlockWaitMs = BlockWaitMs;
  for (size_t I = 0; I < C.Sizes.size(); ++I) {
    Names.push_back(C.Sizes[I] ? "f" + std::to_string(I) + ".bin" : "empty");
    TBytes Data = TestData(C.Sizes[I], static_cast<uint32_t>(I + 3));
    WriteFileBytes(Src + "/" + Names[I], Data);
    if (C.Pad) Data.resize((Data.size() + C.Pad - 1) / C.Pad * C.Pad, 26);
    Want.push_back(Data);
    if (C.Upload) O.Files.push_back(Src + "/" + Names[I]);
    if (!C.Upload && (I == 0 || C.Protocol >= P::Ymodem)) O.PeerArgs.push_back(Names[I]);
  }
  const TRunResult R = RunWithPeer(O);

  EXPECT_FALSE(R.EngineOverran);
  EXPECT_NE(R.PeerExit, -1) << "the peer had to be killed";
  if (C.Fault.Kind != K::None) {
    EXPECT_GE(R.FaultMs, 0) << "the fault never happened";
  }
  EXPECT_EQ(R.HookEnds, 1);
  const bool Whole = C.Want == TWant::Whole || (C.Want == TWant::WholeOrFailed && R.Status == 0);
  const std::string Dir = C.Upload ? Peer : Dl;
  if (Whole) {
    EXPECT_EQ(R.Status, 0);
    EXPECT_EQ(R.PeerExit, 0) << R.PeerLog;
    ASSERT_EQ(R.Results.size(), Names.size());
    for (size_t I = 0; I < Names.size(); ++I) {
      EXPECT_EQ(R.Results[I].Outcome, TFileOutcome::Done) << Names[I] << ": " << R.Results[I].Reason;
      const TBytes Got = ReadFileBytes(Dir + "/" + Names[I]);
      EXPECT_EQ(Got.size(), Want[I].size()) << Names[I];
      EXPECT_TRUE(Got == Want[I]) << "content of " << Names[I];
    }
    if (C.Fault.Kind == K::BitFlip) {
      EXPECT_GT(R.Results[0].Errors, 0) << "the damage went unnoticed";
    }
    if (!C.Upload) {
      EXPECT_EQ(std::distance(fs::directory_iterator(Dl), fs::directory_iterator()), long(Names.size()));
    }
    return;
  }
  EXPECT_NE(R.Status, 0);
  ASSERT_FALSE(R.Results.empty());
  EXPECT_EQ(R.Results.back().Outcome, TFileOutcome::Failed);
  EXPECT_FALSE(R.Results.back().Reason.empty());
  if (!C.Upload) {
    EXPECT_FALSE(fs::exists(Dl + "/" + Names[0])) << "a failed download under the real name";
  }
  if (C.Fault.Kind == K::CanBurst) {
    EXPECT_LT(R.EndMs - R.FaultMs, 5000) << "a cancel waited for a time-out";
  }
}

INSTANTIATE_TEST_SUITE_P(Peer, XYLrzsz, ::testing::ValuesIn(Cases), [](const auto& I) { return I.param.Title; });

}  // namespace

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
  TSocket SendSock, RecvSock;
  SendSock.AttachHandle(Fd[0]);
  RecvSock.AttachHandle(Fd[1]);
  TXYModem Tx(SendSock, P::YmodemG), Rx(RecvSock, P::YmodemG);
  Tx.SetFileList({T.Path("a.bin"), T.Path("lanternyx.cfg"), T.Path("b.bin")});
  Rx.SetDestDir(Dl);
  Tx.PrepareTransmit();
  Rx.PrepareReceive();
  const int64_t Deadline = lx::TickMS() + 10000;
  bool TxOn = true, RxOn = true;
  while ((TxOn || RxOn) && lx::TickMS() < Deadline) {
    if (TxOn) TxOn = Tx.Step();
    if (RxOn) RxOn = Rx.Step();
  }
  ASSERT_FALSE(TxOn || RxOn) << "the run did not end";
  EXPECT_EQ(Tx.ProtocolStatus, 0);
  EXPECT_EQ(Rx.ProtocolStatus, 0);
  ASSERT_EQ(Rx.Results().size(), 3u);
  EXPECT_EQ(Rx.Results()[1].Outcome, TFileOutcome::Skipped);
  EXPECT_TRUE(ReadFileBytes(Dl + "/a.bin") == A);
  EXPECT_TRUE(ReadFileBytes(Dl + "/b.bin") == B);
  EXPECT_FALSE(fs::exists(Dl + "/lanternyx.cfg"));
}
