// Line faults between the engine and lrzsz, made by an in-process relay: each run ends with an
// identical file, or with a clean, reported failure and never a short file under the real name.
// The same relay also plays a telnet link.
#include <filesystem>

#include <gtest/gtest.h>

#include "transfer/zmodem_harness.h"

namespace fs = std::filesystem;

namespace {

using K = TFault::TKind;

struct TFaultCase {
  const char* Title;
  bool Upload;
  TFault Fault;
  uint16_t Status;  // 0: the file must arrive whole
};

constexpr size_t FileSize = 300000;

const TFaultCase Cases[] = {
    {"download bit flip every 32k", false, {K::BitFlip, true, 32768}, 0},
    {"download dropped byte", false, {K::Drop, true, 50000}, 0},
    {"download stall 12s", false, {K::Stall, true, 50000}, 0},
    {"download CAN burst", false, {K::CanBurst, true, 50000}, ZStatus::Cancelled},
    {"download closed mid file", false, {K::Close, true, 50000}, ZStatus::LinkFailed},
    {"upload bit flip every 32k", true, {K::BitFlip, false, 32768}, 0},
    {"upload bit flip every 8k", true, {K::BitFlip, false, 8192}, 0},
    {"upload dropped byte", true, {K::Drop, false, 50000}, 0},
    {"upload stall 12s", true, {K::Stall, false, 50000}, 0},
    {"upload CAN burst", true, {K::CanBurst, false, 50000}, ZStatus::Cancelled},
    {"upload closed mid file", true, {K::Close, false, 50000}, ZStatus::LinkFailed},
    // Not a fault: a telnet link, where a NOP must never become a data byte.
    {"download over telnet", false, {K::Telnet}, 0},
    {"upload over telnet", true, {K::Telnet}, 0},
};

void PrintTo(const TFaultCase& C, std::ostream* Os) { *Os << C.Title; }

class Fault : public ::testing::TestWithParam<TFaultCase> {};

TEST_P(Fault, EndsWholeOrCleanly) {
  const TFaultCase& C = GetParam();
  TTempDir T;
  const std::string Dl = T.Path("dl"), Peer = T.Path("peer");
  fs::create_directories(Dl);
  fs::create_directories(Peer);
  const TBytes Data = TestData(FileSize, 5);
  TRunOptions O;
  O.Upload = C.Upload;
  O.Fault = C.Fault;
  O.PeerDir = Peer;
  O.DownloadDir = Dl;
  if (C.Upload) {
    WriteFileBytes(T.Path("a.bin"), Data);
    O.BlockMode = 0;
    O.Files = {T.Path("a.bin")};
    O.PeerArgs = {"rz", "-q"};
  } else {
    WriteFileBytes(Peer + "/a.bin", Data);
    O.PeerArgs = {"sz", "-q", "a.bin"};
  }
  const TRunResult R = RunWithPeer(O);

  EXPECT_FALSE(R.EngineOverran);
  EXPECT_GE(R.FaultMs, 0) << "the fault never happened";
  EXPECT_NE(R.PeerExit, -1) << "the peer had to be killed";
  EXPECT_EQ(R.HookEnds, 1);
  EXPECT_EQ(R.Status, C.Status);
  ASSERT_EQ(R.Results.size(), 1u);
  const TFileResult& F = R.Results[0];
  const std::string Real = C.Upload ? Peer + "/a.bin" : Dl + "/a.bin";
  if (C.Status == 0) {
    EXPECT_EQ(F.Outcome, TFileOutcome::Done) << F.Reason;
    EXPECT_TRUE(ReadFileBytes(Real) == Data);
    if (C.Fault.Kind == K::BitFlip || C.Fault.Kind == K::Drop) {
      EXPECT_GT(F.Errors, 0) << "the damage went unnoticed";
    }
    if (C.Fault.Kind == K::Telnet) {
      EXPECT_EQ(F.Errors, 0) << "telnet commands came through as data";
    }
    return;
  }
  EXPECT_EQ(F.Outcome, TFileOutcome::Failed);
  EXPECT_FALSE(F.Reason.empty());
  if (C.Fault.Kind == K::CanBurst) {
    // A cancel is obeyed at once, not after a time-out. (Generous: a loaded machine.)
    EXPECT_LT(R.EndMs - R.FaultMs, 5000);
  }
  if (!C.Upload) {
    // The partial file stays under its temporary name, a true prefix, kept for a resume.
    EXPECT_FALSE(fs::exists(Real));
    EXPECT_EQ(F.LocalPath, Real + ".part");
    const TBytes Part = ReadFileBytes(F.LocalPath);
    EXPECT_LE(Part.size(), size_t(C.Fault.At));
    EXPECT_EQ(int64_t(Part.size()), F.Bytes) << "what was received is not all on disk";
    EXPECT_TRUE(std::equal(Part.begin(), Part.end(), Data.begin()));
  }
}

INSTANTIATE_TEST_SUITE_P(Relay, Fault, ::testing::ValuesIn(Cases), [](const auto& I) {
  std::string N = I.param.Title;
  for (char& Ch : N)
    if (!isalnum(static_cast<unsigned char>(Ch))) Ch = '_';
  return N;
});

}  // namespace
