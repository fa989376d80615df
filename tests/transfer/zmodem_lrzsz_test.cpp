// The engine against lrzsz, the reference Zmodem, in the modes lrzsz offers: downloads from
// sz, uploads to rz. Each case checks every file byte for byte, the results and events the
// screens get, the peer's exit code, and (downloads) that nothing changed outside the
// download directory.
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "transfer/zmodem_harness.h"

using namespace zm;

namespace fs = std::filesystem;

namespace {

using TKind = TFileOutcome;
using E = TTransferEvent;

struct TOffer {
  std::string Name;  // as given to sz (relative to its directory)
  size_t Size;
  TKind Outcome;
  std::string SavedAs;  // in the download directory; empty when nothing is saved
  int64_t StartPos = 0;
};

// A file in the download directory before the run.
struct TLocal {
  std::string Name;
  size_t PrefixOf = 0;  // that many bytes of the offered file of the same seed; 0: unrelated
  size_t Size = 0;
  bool Replaced = false;  // an unrelated partial file of ours: gone after the download
};

struct TDownloadCase {
  const char* Title;
  std::vector<std::string> Options;
  std::vector<TOffer> Offers;
  std::vector<TLocal> Locals;
  bool Primed = false;  // started by the session's detector, which read the start's first bytes
};

class ZmodemLrzsz : public ::testing::Test {
 protected:
  void SetUp() override {
    Dl = T.Path("dl");
    Peer = T.Path("peer/work");
    fs::create_directories(Dl);
    fs::create_directories(Peer);
  }
  TBytes Put(const std::string& Path, size_t Size, uint32_t Seed) {
    fs::create_directories(fs::path(Path).parent_path());
    const TBytes B = TestData(Size, Seed);
    WriteFileBytes(Path, B);
    return B;
  }
  TTempDir T;
  std::string Dl, Peer;
};

const TDownloadCase DownloadCases[] = {
    {"default", {}, {{"a.bin", 150000, TKind::Done, "a.bin"}}, {}},
    {"8k blocks", {"-8"}, {{"a.bin", 300000, TKind::Done, "a.bin"}}, {}},
    {"crc16", {"-o"}, {{"a.bin", 150000, TKind::Done, "a.bin"}}, {}},
    {"escape all controls", {"-e"}, {{"a.bin", 150000, TKind::Done, "a.bin"}}, {}},
    {"window 4096", {"-w", "4096"}, {{"a.bin", 150000, TKind::Done, "a.bin"}}, {}},
    {"batch with an empty file",
     {},
     {{"a.bin", 20000, TKind::Done, "a.bin"}, {"empty", 0, TKind::Done, "empty"}, {"c.bin", 7000, TKind::Done, "c.bin"}},
     {}},
    {"resume a true prefix",
     {"-r"},
     {{"a.bin", 200000, TKind::Done, "a.bin", 120000}, {"b.bin", 90000, TKind::Done, "b.bin", 50000}},
     // Our own partial file, and a short copy under the real name.
     {{"a.bin.part", 120000}, {"b.bin", 50000}}},
    {"resume asked over an unrelated file",
     {"-r"},
     {{"a.bin", 100000, TKind::Done, "a.bin.1"}},
     {{"a.bin", 0, 40000}}},
    {"resume asked over a longer file",
     {"-r"},
     {{"a.bin", 100000, TKind::Done, "a.bin.1"}},
     {{"a.bin", 0, 150000}}},
    // Our own partial file is checked and resumed unasked; one of other data starts over.
    {"resume our own part unasked", {}, {{"a.bin", 200000, TKind::Done, "a.bin", 120000}}, {{"a.bin.part", 120000}}},
    {"our part of other data", {}, {{"a.bin", 100000, TKind::Done, "a.bin"}}, {{"a.bin.part", 0, 40000, true}}},
    {"our part longer than the file", {"-r"}, {{"a.bin", 100000, TKind::Done, "a.bin"}}, {{"a.bin.part", 0, 150000, true}}},
    {"existing file kept", {}, {{"a.bin", 30000, TKind::Done, "a.bin.1"}}, {{"a.bin", 0, 30000}}},
    {"auto-started", {}, {{"a.bin", 50000, TKind::Done, "a.bin"}}, {}, true},
    {"hostile names",
     {"-f"},
     {{"../up/x.bin", 3000, TKind::Done, "x.bin"},
      {"dir\\..\\..\\y.bin", 2000, TKind::Done, "y.bin"},
      {"lanternyx.cfg", 100, TKind::Skipped, ""},
      {"book.PHN", 100, TKind::Skipped, ""},
      {"ctl\x01.bin", 100, TKind::Skipped, ""},
      {"z.bin", 1000, TKind::Done, "z.bin"}},
     {}},
};

void PrintTo(const TDownloadCase& C, std::ostream* Os) { *Os << C.Title; }

class Download : public ZmodemLrzsz, public ::testing::WithParamInterface<TDownloadCase> {};

TEST_P(Download, FromSz) {
  const TDownloadCase& C = GetParam();
  std::vector<TBytes> Data;
  std::vector<std::string> Args = {"sz", "-q"};
  Args.insert(Args.end(), C.Options.begin(), C.Options.end());
  for (size_t I = 0; I < C.Offers.size(); ++I) {
    Data.push_back(Put(Peer + "/" + C.Offers[I].Name, C.Offers[I].Size, static_cast<uint32_t>(I + 1)));
    Args.push_back(C.Offers[I].Name);
  }
  std::map<std::string, TBytes> Kept;
  for (const TLocal& L : C.Locals) {
    const std::string Path = Dl + "/" + L.Name;
    if (L.PrefixOf) {
      const size_t Index = L.Name.rfind("a.bin", 0) == 0 ? 0 : 1;
      WriteFileBytes(Path, TBytes(Data[Index].begin(), Data[Index].begin() + static_cast<long>(L.PrefixOf)));
    } else if (L.Replaced) {
      Put(Path, L.Size, 99);
    } else {
      Kept[L.Name] = Put(Path, L.Size, 99);
    }
  }
  const auto Outside = Snapshot(T.Dir(), Dl);

  TRunOptions O;
  O.PeerArgs = Args;
  O.PeerDir = Peer;
  O.DownloadDir = Dl;
  O.PrimeStart = C.Primed;
  const TRunResult R = RunWithPeer(O);

  EXPECT_FALSE(R.EngineOverran);
  EXPECT_EQ(R.Status, 0);
  EXPECT_EQ(R.PeerExit, 0) << R.PeerLog;
  EXPECT_EQ(R.HookStarts, 1);
  EXPECT_EQ(R.HookEnds, 1);
  ASSERT_EQ(R.Results.size(), C.Offers.size());
  std::vector<E> Events;
  std::set<std::string> Expected;
  for (size_t I = 0; I < C.Offers.size(); ++I) {
    const TOffer& F = C.Offers[I];
    const TFileResult& Got = R.Results[I];
    SCOPED_TRACE(F.Name);
    EXPECT_EQ(Got.Outcome, F.Outcome) << Got.Reason;
    Events.push_back(E::FileInfo);
    Events.push_back(F.Outcome == TKind::Done ? E::FileReceived : E::FileRefused);
    if (F.SavedAs.empty()) continue;
    Expected.insert(F.SavedAs);
    EXPECT_EQ(Got.LocalPath, Dl + "/" + F.SavedAs);
    EXPECT_EQ(Got.StartPos, F.StartPos);
    EXPECT_EQ(Got.Bytes, int64_t(F.Size));
    EXPECT_TRUE(ReadFileBytes(Dl + "/" + F.SavedAs) == Data[I]) << "content of " << F.SavedAs;
  }
  EXPECT_EQ(R.Events, Events);
  // Files kept as they were, and nothing else in the download directory.
  for (const auto& [Name, Bytes] : Kept) {
    EXPECT_TRUE(ReadFileBytes(Dl + "/" + Name) == Bytes) << Name << " was changed";
    Expected.insert(Name);
  }
  std::set<std::string> Present;
  for (const auto& D : fs::directory_iterator(Dl)) Present.insert(D.path().filename().string());
  EXPECT_EQ(Present, Expected);
  EXPECT_TRUE(Snapshot(T.Dir(), Dl) == Outside) << "something changed outside the download directory";
}

INSTANTIATE_TEST_SUITE_P(Sz, Download, ::testing::ValuesIn(DownloadCases),
                         [](const auto& I) {
                           std::string N = I.param.Title;
                           for (char& Ch : N)
                             if (!isalnum(static_cast<unsigned char>(Ch))) Ch = '_';
                           return N;
                         });

struct TUploadCase {
  const char* Title;
  std::vector<std::string> Options;
  size_t PeerHas;  // bytes of a.bin already at the receiver (prefix with -r, else unrelated)
  TKind AOutcome;
  int64_t AStart;
  bool ExpectErrors;
};

const TUploadCase UploadCases[] = {
    {"default", {}, 0, TKind::Done, 0, false},
    {"escape all controls", {"-e"}, 0, TKind::Done, 0, false},
    {"protect skips", {"-p"}, 5000, TKind::Skipped, 0, false},
    // rz resumes at its length rounded down to 1024.
    {"resume", {"-r"}, 100000, TKind::Done, 99328, false},
    {"injected CRC errors", {"--errors", "20000"}, 0, TKind::Done, 0, true},
};

void PrintTo(const TUploadCase& C, std::ostream* Os) { *Os << C.Title; }

class Upload : public ZmodemLrzsz, public ::testing::WithParamInterface<TUploadCase> {};

TEST_P(Upload, ToRz) {
  const TUploadCase& C = GetParam();
  const TBytes A = Put(T.Path("src/a.bin"), 250000, 1);
  const TBytes B = Put(T.Path("src/b.bin"), 0, 2);
  TBytes Before;
  if (C.PeerHas) {
    Before = C.Options[0] == "-r" ? TBytes(A.begin(), A.begin() + static_cast<long>(C.PeerHas)) : TestData(C.PeerHas, 7);
    WriteFileBytes(Peer + "/a.bin", Before);
  }
  TRunOptions O;
  O.Upload = true;
  O.BlockMode = 0;
  O.PeerArgs = {"rz", "-q"};
  O.PeerArgs.insert(O.PeerArgs.end(), C.Options.begin(), C.Options.end());
  O.PeerDir = Peer;
  O.Files = {T.Path("src/a.bin"), T.Path("src/b.bin")};
  const TRunResult R = RunWithPeer(O);

  EXPECT_FALSE(R.EngineOverran);
  EXPECT_EQ(R.Status, 0);
  EXPECT_EQ(R.PeerExit, 0) << R.PeerLog;
  EXPECT_EQ(R.HookEnds, 1);
  ASSERT_EQ(R.Results.size(), 2u);
  EXPECT_EQ(R.Results[0].Outcome, C.AOutcome) << R.Results[0].Reason;
  EXPECT_EQ(R.Results[0].StartPos, C.AStart);
  EXPECT_EQ(R.Results[0].Errors > 0, C.ExpectErrors);
  EXPECT_EQ(R.Results[1].Outcome, TKind::Done) << R.Results[1].Reason;
  EXPECT_TRUE(ReadFileBytes(Peer + "/a.bin") == (C.AOutcome == TKind::Done ? A : Before));
  EXPECT_TRUE(ReadFileBytes(Peer + "/b.bin") == B);
  const E AEnd = C.AOutcome == TKind::Done ? E::FileSent : E::SkippedByReceiver;
  EXPECT_EQ(R.Events, (std::vector<E>{E::SendingFile, AEnd, E::SendingFile, E::FileSent}));
}

INSTANTIATE_TEST_SUITE_P(Rz, Upload, ::testing::ValuesIn(UploadCases),
                         [](const auto& I) {
                           std::string N = I.param.Title;
                           for (char& Ch : N)
                             if (!isalnum(static_cast<unsigned char>(Ch))) Ch = '_';
                           return N;
                         });

// A download cut off by the link is taken up where it stopped by the next one, whether or not
// the sender asks for a resume; afterwards no partial file remains. A partial file that is not
// the start of this one is replaced by the new one, so that this stays resumable.
TEST_F(ZmodemLrzsz, InterruptedDownloadResumes) {
  const TBytes Data = Put(Peer + "/a.bin", 400000, 1);
  for (const bool AskResume : {false, true}) {
    SCOPED_TRACE(AskResume);
    Put(Dl + "/a.bin.part", AskResume ? 500000 : 30000, 99);  // longer than the file, or not its start
    TRunOptions O;
    O.PeerArgs = {"sz", "-q", "a.bin"};
    O.PeerDir = Peer;
    O.DownloadDir = Dl;
    O.Fault = {TFault::TKind::Close, true, 150000};
    ASSERT_EQ(RunWithPeer(O).Status, ZStatus::LinkFailed);
    const int64_t Had = int64_t(fs::file_size(Dl + "/a.bin.part"));
    ASSERT_GT(Had, 0);
    O.Fault = {};
    if (AskResume) O.PeerArgs.insert(O.PeerArgs.begin() + 1, "-r");
    const TRunResult R = RunWithPeer(O);
    ASSERT_EQ(R.Results.size(), 1u);
    EXPECT_EQ(R.Results[0].Outcome, TKind::Done) << R.Results[0].Reason;
    EXPECT_EQ(R.Results[0].StartPos, Had);  // only the rest came over the link
    EXPECT_TRUE(ReadFileBytes(Dl + "/a.bin") == Data);
    EXPECT_FALSE(fs::exists(Dl + "/a.bin.part"));
    fs::remove(Dl + "/a.bin");
  }
}

// The receiver dies mid-file: the run ends as a link failure, the files after it unsent.
TEST_F(ZmodemLrzsz, UploadToKilledRz) {
  Put(T.Path("src/a.bin"), 4 << 20, 1);
  Put(T.Path("src/b.bin"), 1000, 2);
  TRunOptions O;
  O.Upload = true;
  O.BlockMode = 0;
  O.PeerArgs = {"rz", "-q"};
  O.PeerDir = Peer;
  O.Files = {T.Path("src/a.bin"), T.Path("src/b.bin")};
  O.KillPeerAt = 200000;
  const TRunResult R = RunWithPeer(O);
  EXPECT_FALSE(R.EngineOverran);
  EXPECT_EQ(R.Status, ZStatus::LinkFailed);
  EXPECT_EQ(R.PeerExit, 128 + 9);
  EXPECT_EQ(R.HookEnds, 1);
  ASSERT_EQ(R.Results.size(), 2u);
  EXPECT_EQ(R.Results[0].Outcome, TKind::Failed);
  EXPECT_EQ(R.Results[1].Outcome, TKind::Failed);
  EXPECT_EQ(R.Results[1].Reason, "not sent");
  EXPECT_EQ(R.Events, (std::vector<E>{E::SendingFile, E::SendFailed}));
}

// Only regular files are sent: a directory, a FIFO (which would block an open) and a missing
// file are reported, and the batch goes on.
TEST_F(ZmodemLrzsz, UploadPassesOverWhatCannotBeSent) {
  const TBytes A = Put(T.Path("src/a.bin"), 20000, 1);
  ASSERT_EQ(mkfifo(T.Path("fifo").c_str(), 0600), 0);
  TRunOptions O;
  O.Upload = true;
  O.BlockMode = 0;
  O.PeerArgs = {"rz", "-q"};
  O.PeerDir = Peer;
  O.Files = {T.Path("src"), T.Path("fifo"), T.Path("missing"), T.Path("src/a.bin")};
  const TRunResult R = RunWithPeer(O);
  EXPECT_EQ(R.Status, 0);
  EXPECT_EQ(R.PeerExit, 0);
  ASSERT_EQ(R.Results.size(), 4u);
  for (int I = 0; I < 3; ++I) EXPECT_EQ(R.Results[I].Outcome, TKind::Failed) << O.Files[I];
  EXPECT_EQ(R.Results[3].Outcome, TKind::Done);
  EXPECT_TRUE(ReadFileBytes(Peer + "/a.bin") == A);
}

// The caller's management option: append adds to the existing file only once the new data is
// whole (a ZRPOS after damage cannot reach the old content), replace puts it in its place.
TEST_F(ZmodemLrzsz, DownloadAppendAndReplaceOptions) {
  const TBytes Data = Put(Peer + "/a.bin", 150000, 1);
  for (const uint8_t Opt : {ZMAPND, ZMCLOB}) {
    SCOPED_TRACE(int(Opt));
    const TBytes Old = Put(Dl + "/a.bin", 40000, 9);
    Put(Dl + "/a.bin.part", 1000, 8);  // not checked with these options; stale once it is done
    TRunOptions O;
    O.PeerArgs = {"sz", "-q", "a.bin"};
    O.PeerDir = Peer;
    O.DownloadDir = Dl;
    O.Fault = {TFault::TKind::BitFlip, true, 32768};
    O.Setup = [Opt](TZmodem& Z) {
      Z.MgmtOverride = true;
      Z.FileMgmtOpt = Opt;
    };
    const TRunResult R = RunWithPeer(O);
    ASSERT_EQ(R.Results.size(), 1u);
    EXPECT_EQ(R.Results[0].Outcome, TKind::Done) << R.Results[0].Reason;
    EXPECT_GT(R.Results[0].Errors, 0);
    TBytes Want = Opt == ZMAPND ? Old : TBytes{};
    Want.insert(Want.end(), Data.begin(), Data.end());
    EXPECT_TRUE(ReadFileBytes(Dl + "/a.bin") == Want);
    EXPECT_EQ(std::distance(fs::directory_iterator(Dl), fs::directory_iterator()), 1);
  }
}

}  // namespace
