// The upload queue: what it accepts, the highlight across deletions, capacity, long paths.
#include <sys/stat.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "support/test_tempdir.h"
#include "transfer/protocol_queue.h"

using namespace std::string_literals;

namespace {

// A FIFO is refused without opening it (which would block); ";" is an ordinary character.
TEST(ProtocolQueue, WhatIsAccepted) {
  TTempDir T;
  WriteFileBytes(T.Path("a.bin"), TBytes(1234, 7));
  WriteFileBytes(T.Path("b;c.bin"), TBytes(10, 7));
  ASSERT_EQ(mkfifo(T.Path("fifo").c_str(), 0600), 0);
  std::filesystem::create_directory(T.Path("dir"));
  const struct {
    bool MustExist;
    std::string Name;
    bool Added;
    int64_t Size;
    uint8_t Status;
  } Cases[] = {{true, "a.bin", true, 1234, 0}, {true, "  b;c.bin \0"s, true, 10, 0}, {true, "missing", false, 0, 0},
               {false, "missing", true, 0, 5}, {false, "fifo", false, 0, 0},          {false, "dir", false, 0, 0},
               {false, "  ", false, 0, 0}};
  TProtocolQueue Q;
  for (const auto& C : Cases) {
    ASSERT_EQ(Q.Add(C.MustExist, T.Dir(), C.Name), C.Added) << C.Name;
    if (C.Added) {
      EXPECT_EQ(std::pair(Q.Entry(Q.Count()).Size, Q.Entry(Q.Count()).Status), std::pair(C.Size, C.Status));
    }
  }
  EXPECT_EQ(std::pair(Q.Count(), Q.TotalSize), std::pair(3, int64_t{1244}));
  EXPECT_EQ(Q.FileList(), (std::vector<std::string>{T.Path("a.bin"), T.Path("b;c.bin"), T.Path("missing")}));
  EXPECT_EQ(Q.IndexOf(T.Dir() + "//b;c.bin"), 2);
  EXPECT_FALSE(Q.Contains(T.Path("other")));
}

// 200 paths of well over 120 characters each, kept whole, and no more.
TEST(ProtocolQueue, CapacityAndLongPaths) {
  TTempDir T;
  const std::string Dir = T.Path(std::string(150, 'd'));
  std::filesystem::create_directory(Dir);
  TProtocolQueue Q;
  for (int I = 0; I < 200; ++I) {
    const std::string Name = std::string(90, 'n') + std::to_string(I);
    WriteFileBytes(Dir + "/" + Name, TBytes(1, 1));
    ASSERT_TRUE(Q.Add(true, Dir, Name));
  }
  EXPECT_FALSE(Q.Add(false, Dir, "one more"));
  EXPECT_EQ(std::pair(Q.Count(), Q.TotalSize), std::pair(200, int64_t{200}));
  EXPECT_EQ(Q.FileList()[199], Dir + "/" + std::string(90, 'n') + "199");
}

// Current, deleted -> current after; deleting what is not there changes nothing.
TEST(ProtocolQueue, DeleteKeepsTheHighlight) {
  TTempDir T;
  TProtocolQueue Q;
  for (const char* N : {"1", "2", "3", "4"}) {
    WriteFileBytes(T.Path(N), TBytes(10, 1));
    Q.Add(true, T.Dir(), N);
  }
  for (const auto& [Current, Delete, After] : {std::tuple{3, 1, 2}, {2, 2, 2}, {4, 4, 3}, {1, 3, 1}, {0, 1, 0}}) {
    TProtocolQueue Copy = Q;
    Copy.Current = Current;
    Copy.Delete(Delete);
    EXPECT_EQ(std::tuple(Copy.Current, Copy.Count(), Copy.TotalSize), std::tuple(After, 3, int64_t{30})) << Current << Delete;
  }
  Q.Delete(9);
  EXPECT_EQ(Q.Count(), 4);
  Q.Clear();
  EXPECT_EQ(Q.Count() + Q.TotalSize + Q.Current, 0);
}

}  // namespace
