// The upload queue: what it accepts, the highlight across deletions, duplicates, long paths.
#include <sys/stat.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "support/test_tempdir.h"
#include "transfer/protocol_queue.h"

using namespace std::string_literals;

namespace {

TEST(ProtocolQueue, WhatIsAccepted) {
  TTempDir T;
  WriteFileBytes(T.Path("a.bin"), TBytes(1234, 7));
  WriteFileBytes(T.Path("b;c.bin"), TBytes(10, 7));  // ";" is an ordinary name character
  ASSERT_EQ(mkfifo(T.Path("fifo").c_str(), 0600), 0);
  std::filesystem::create_directory(T.Path("dir"));
  struct TCase {
    bool MustExist;
    std::string Name;
    bool Added;
    int64_t Size;
    uint8_t Status;
  } Cases[] = {
      {true, "a.bin", true, 1234, 0},
      {true, "  b;c.bin \0"s, true, 10, 0},
      {true, "missing", false, 0, 0},
      {false, "missing", true, 0, 5},
      {false, "fifo", false, 0, 0},  // refused without opening it (which would block)
      {false, "dir", false, 0, 0},
      {false, "  ", false, 0, 0},
  };
  TProtocolQueue Q;
  int Count = 0;
  for (const auto& C : Cases) {
    EXPECT_EQ(Q.Add(C.MustExist, T.Dir(), C.Name), C.Added) << C.Name;
    if (!C.Added) continue;
    ++Count;
    EXPECT_EQ(Q.Entry(Count).Size, C.Size);
    EXPECT_EQ(Q.Entry(Count).Status, C.Status);
  }
  EXPECT_EQ(Q.Count(), Count);
  EXPECT_EQ(Q.TotalSize, 1244);
  EXPECT_EQ(Q.FileList(), (std::vector<std::string>{T.Path("a.bin"), T.Path("b;c.bin"), T.Path("missing")}));
  EXPECT_EQ(Q.IndexOf(T.Dir() + "//b;c.bin"), 2);
  EXPECT_FALSE(Q.Contains(T.Path("other")));
}

TEST(ProtocolQueue, CapacityAndLongPaths) {
  TTempDir T;
  // 200 paths of well over 120 characters each, kept whole.
  const std::string Dir = T.Path(std::string(150, 'd'));
  std::filesystem::create_directory(Dir);
  TProtocolQueue Q;
  for (int I = 0; I < 200; ++I) {
    const std::string Name = std::string(90, 'n') + std::to_string(I);
    WriteFileBytes(Dir + "/" + Name, TBytes(1, 1));
    ASSERT_TRUE(Q.Add(true, Dir, Name));
  }
  EXPECT_FALSE(Q.Add(false, Dir, "one more"));
  EXPECT_EQ(Q.Count(), 200);
  EXPECT_EQ(Q.FileList()[199], Dir + "/" + std::string(90, 'n') + "199");
  EXPECT_EQ(Q.TotalSize, 200);
}

TEST(ProtocolQueue, DeleteKeepsTheHighlight) {
  TTempDir T;
  TProtocolQueue Q;
  for (const char* N : {"1", "2", "3", "4"}) {
    WriteFileBytes(T.Path(N), TBytes(10, 1));
    Q.Add(true, T.Dir(), N);
  }
  struct TCase {
    int Current, Delete, After;
  } Cases[] = {{3, 1, 2}, {2, 2, 2}, {4, 4, 3}, {1, 3, 1}, {0, 1, 0}};
  for (const auto& C : Cases) {
    TProtocolQueue Copy = Q;
    Copy.Current = C.Current;
    Copy.Delete(C.Delete);
    EXPECT_EQ(Copy.Current, C.After) << C.Current << " " << C.Delete;
    EXPECT_EQ(Copy.Count(), 3);
    EXPECT_EQ(Copy.TotalSize, 30);
  }
  Q.Delete(9);
  EXPECT_EQ(Q.Count(), 4);
  Q.Clear();
  EXPECT_EQ(Q.Count() + Q.TotalSize + Q.Current, 0);
}

}  // namespace
