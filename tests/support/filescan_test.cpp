#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include "support/capread.h"
#include "support/dirlist.h"
#include "support/test_tempdir.h"

using namespace lx;

TEST(ListFiles, RegularFilesMatchingThePatternSortedWithSizeAndTime) {
  TTempDir D;
  WriteFileBytes(D.Path("b.phn"), TBytes(7, 1));
  WriteFileBytes(D.Path("a.phn"), TBytes(3, 1));
  WriteFileBytes(D.Path("c.txt"), TBytes(1, 1));
  WriteFileBytes(D.Path("b.phn.bak"), TBytes(1, 1));
  std::filesystem::create_directory(D.Path("dir.phn"));
  ASSERT_EQ(::mkfifo(D.Path("pipe.phn").c_str(), 0600), 0);
  std::filesystem::create_symlink(D.Path("a.phn"), D.Path("link.phn"));
  std::filesystem::last_write_time(D.Path("b.phn"), std::filesystem::file_time_type::clock::now());
  struct stat St {};
  ASSERT_EQ(::stat(D.Path("b.phn").c_str(), &St), 0);

  auto L = ListFiles(D.Dir(), "*.phn");
  ASSERT_EQ(L.size(), 3u);
  EXPECT_EQ(L[0].Name, "a.phn");
  EXPECT_EQ(L[1].Name, "b.phn");
  EXPECT_EQ(L[2].Name, "link.phn");
  EXPECT_EQ(L[1].Size, 7);
  EXPECT_EQ(L[1].Time, St.st_mtime);
  EXPECT_FALSE(L[1].IsDir);

  auto WithDirs = ListFiles(D.Dir() + "/", "*.phn", true);
  ASSERT_EQ(WithDirs.size(), 4u);
  EXPECT_TRUE(WithDirs[2].IsDir);
  EXPECT_EQ(WithDirs[2].Name, "dir.phn");

  EXPECT_EQ(ListFiles(D.Dir(), "?.phn").size(), 2u);
  EXPECT_EQ(ListFiles(D.Dir(), "*.phn", false, 2).size(), 2u);
  EXPECT_TRUE(ListFiles(D.Path("none"), "*").empty());
}

TEST(DeleteFile, RemovesFilesOnly) {
  TTempDir D;
  WriteFileBytes(D.Path("x"), TBytes(1, 1));
  std::filesystem::create_directory(D.Path("d"));
  EXPECT_TRUE(DeleteFile(D.Path("x")));
  EXPECT_FALSE(std::filesystem::exists(D.Path("x")));
  EXPECT_FALSE(DeleteFile(D.Path("x")));
  EXPECT_FALSE(DeleteFile(D.Path("d")));
  EXPECT_TRUE(std::filesystem::is_directory(D.Path("d")));
}

TEST(ReadFileCapped, ReadsUpToTheCapAndTellsWhatIsLeft) {
  TTempDir D;
  TBytes Ten{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  WriteFileBytes(D.Path("f"), Ten);
  ::chmod(D.Path("f").c_str(), 0444);  // read-only files are read

  const struct {
    std::size_t Cap;
    std::size_t Got;
    bool Truncated;
  } Cases[] = {{100, 10, false}, {10, 10, false}, {4, 4, true}, {0, 0, true}};
  for (const auto& C : Cases) {
    TFileRead R = ReadFileCapped(D.Path("f"), C.Cap);
    EXPECT_EQ(R.Status, TReadStatus::Ok) << C.Cap;
    EXPECT_EQ(R.Data, TBytes(Ten.begin(), Ten.begin() + C.Got)) << C.Cap;
    EXPECT_EQ(R.Truncated, C.Truncated) << C.Cap;
    EXPECT_EQ(R.FileSize, 10);
  }
  // A file that claims no size (as /proc files do) is still read to its end.
  TFileRead Proc = ReadFileCapped("/proc/self/status", 1 << 20);
  EXPECT_EQ(Proc.Status, TReadStatus::Ok);
  EXPECT_GT(Proc.Data.size(), 0u);

  EXPECT_EQ(ReadFileCapped(D.Path("missing"), 10).Status, TReadStatus::CannotOpen);
  EXPECT_EQ(ReadFileCapped(D.Dir(), 10).Status, TReadStatus::NotAFile);
  EXPECT_EQ(ReadFileCapped("/dev/zero", 10).Status, TReadStatus::NotAFile);
}

// A fifo with no writer would block a plain open for ever. Should the read
// block, the watchdog opens the fifo's other end after a few seconds so the
// test ends and fails instead of hanging.
TEST(ReadFileCapped, RefusesAFifoWithoutWaiting) {
  TTempDir D;
  const std::string Fifo = D.Path("fifo");
  ASSERT_EQ(::mkfifo(Fifo.c_str(), 0600), 0);
  std::mutex M;
  std::condition_variable Cv;
  bool Done = false, Fired = false;
  std::thread Watchdog([&] {
    std::unique_lock<std::mutex> Lock(M);
    if (Cv.wait_for(Lock, std::chrono::seconds(5), [&] { return Done; })) return;
    Fired = true;
    int Fd = ::open(Fifo.c_str(), O_RDWR);  // never blocks, and releases a blocked reader
    if (Fd >= 0) ::close(Fd);
  });
  TFileRead R = ReadFileCapped(Fifo, 10);
  {
    std::lock_guard<std::mutex> Lock(M);
    Done = true;
  }
  Cv.notify_all();
  Watchdog.join();
  EXPECT_EQ(R.Status, TReadStatus::NotAFile);
  EXPECT_FALSE(Fired) << "the open waited for a writer";
}

TEST(LineReader, SplitsLinesAndCutsLongOnes) {
  const std::string Text = "one\r\ntwo\n\n" + std::string(10, 'x') + "tail\nlast\r";
  TLineReader R(Text, 8);
  std::vector<std::pair<std::string, bool>> Got;
  std::string L;
  bool Cut = false;
  while (R.Next(L, Cut)) Got.emplace_back(L, Cut);
  const std::vector<std::pair<std::string, bool>> Want = {
      {"one", false}, {"two", false}, {"", false}, {"xxxxxxxx", true}, {"last", false}};
  EXPECT_EQ(Got, Want);

  TLineReader Exact("12345678\r\n", 8);
  ASSERT_TRUE(Exact.Next(L, Cut));
  EXPECT_EQ(L, "12345678");
  EXPECT_FALSE(Cut);
  EXPECT_FALSE(Exact.Next(L, Cut));
}
