#include "support/files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <fstream>
#include <iterator>

#include "support/strings.h"
#include "support/test_tempdir.h"

using namespace lx;

TEST(Paths, TakeApartWithEitherSeparator) {
  EXPECT_EQ(AddSlash(""), "/");
  EXPECT_EQ(AddSlash("a"), "a/");
  EXPECT_EQ(AddSlash("a\\"), "a\\");
  EXPECT_EQ(JustPath("/x/y/z.phn"), "/x/y/");
  EXPECT_EQ(JustPath("c:\\bbs\\f.txt"), "c:\\bbs\\");
  EXPECT_EQ(JustPath("f.txt"), "");
  EXPECT_EQ(JustFileName("/x/y/z.phn"), "z.phn");
  EXPECT_EQ(JustFileName("a\\b"), "b");
  EXPECT_EQ(JustFileName("plain"), "plain");
  EXPECT_EQ(NoExtension("book.phn"), "book");
  EXPECT_EQ(NoExtension("a.b.c"), "a.b");
  EXPECT_EQ(NoExtension(".hidden"), ".hidden");
  EXPECT_EQ(NoExtension("none"), "none");
}

TEST(Paths, ExistenceChecks) {
  TTempDir D;
  std::string F = D.Path("f.txt");
  EXPECT_FALSE(FileExists(F));
  std::ofstream(F) << "x";
  EXPECT_TRUE(FileExists(F));
  EXPECT_FALSE(FileExists(D.Dir()));
  EXPECT_TRUE(DirExists(D.Dir()));
  EXPECT_TRUE(DirExists(D.Dir() + "/"));
  EXPECT_FALSE(DirExists(F));
  EXPECT_FALSE(DirExists(""));
}

TEST(Retry, RetriesSharingErrorsOnly) {
  int Calls = 0;
  TRetryPolicy Fast{5, 0};
  EXPECT_TRUE(RetryOnSharing([&] { ++Calls; if (Calls < 3) { errno = EACCES; return false; } return true; }, Fast));
  EXPECT_EQ(Calls, 3);

  Calls = 0;
  EXPECT_FALSE(RetryOnSharing([&] { ++Calls; errno = EBUSY; return false; }, Fast));
  EXPECT_EQ(Calls, 5);

  Calls = 0;
  EXPECT_FALSE(RetryOnSharing([&] { ++Calls; errno = ENOENT; return false; }, Fast));
  EXPECT_EQ(Calls, 1);
}

TEST(TFile, RecordsSeekReadWrite) {
  TTempDir D;
  std::string F = D.Path("recs.bin");
  TFile File;
  EXPECT_FALSE(File.ResetRetry(F, 4));
  ASSERT_TRUE(File.RewriteRetry(F, 4));
  EXPECT_EQ(File.BlockWriteRetry("AAAABBBBCCCC", 3), 3);
  EXPECT_EQ(File.FileSize(), 3);
  ASSERT_TRUE(File.SeekRetry(1));
  EXPECT_EQ(File.BlockWriteRetry("bbbb", 1), 1);
  File.Close();

  ASSERT_TRUE(File.ResetRetry(F, 4, fmOpenRead | fmShareDenyNone));
  char Buf[16] = {};
  EXPECT_EQ(File.BlockReadRetry(Buf, 4), 3);  // only three records exist
  EXPECT_EQ(std::string(Buf, 12), "AAAAbbbbCCCC");
  EXPECT_EQ(File.BlockWriteRetry("x", 1), -1);  // opened read-only

  TFile Moved = std::move(File);
  EXPECT_FALSE(File.IsOpen());
  EXPECT_TRUE(Moved.IsOpen());
  EXPECT_FALSE(Moved.ResetRetry(D.Dir(), 1));  // a directory is not a file
}

static std::string Perms(const std::string& P) {
  struct stat St {};
  return ::stat(P.c_str(), &St) == 0 ? OctStr(St.st_mode & 07777) : "none";
}

static std::string Slurp(const std::string& P) {
  const TBytes B = ReadFileBytes(P);
  return std::string(B.begin(), B.end());
}

TEST(WriteFileAtomic, ReplacesWholeFile) {
  TTempDir D;
  std::string F = D.Path("book.phn");
  ASSERT_TRUE(WriteFileAtomic(F, "old contents", 12));
  ASSERT_EQ(::chmod(F.c_str(), 0640), 0);
  ASSERT_TRUE(WriteFileAtomic(F, "new", 3));
  EXPECT_EQ(Slurp(F), "new");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(D.Dir()), {}), 1);  // no temporary left
  // The replaced file's bits stay; a new file gets what the umask leaves.
  const mode_t Mask = ::umask(027);
  const bool Made = WriteFileAtomic(D.Path("new"), "", 0) && WriteFileAtomic(D.Path("own"), "", 0, nullptr, 0600);
  ::umask(Mask);
  EXPECT_TRUE(Made);
  EXPECT_EQ(Perms(F) + " " + Perms(D.Path("new")) + " " + Perms(D.Path("own")), "640 640 600");
}

TEST(WriteFileAtomic, FailurePartWayKeepsOldFile) {
  TTempDir D;
  std::string F = D.Path("lanternyx.cfg");
  ASSERT_TRUE(WriteFileAtomic(F, "old contents", 12));
  std::size_t Written = 0;
  // The disk fills after five bytes.
  TWriteFn DiskFull = [&](int Fd, const void* Buf, std::size_t N) -> long {
    if (Written >= 5) { errno = ENOSPC; return -1; }
    std::size_t Take = N < 5 - Written ? N : 5 - Written;
    long R = static_cast<long>(::write(Fd, Buf, Take));
    Written += static_cast<std::size_t>(R);
    return R;
  };
  std::string Big(1000, 'n');
  EXPECT_FALSE(WriteFileAtomic(F, Big.data(), Big.size(), DiskFull));
  EXPECT_EQ(Slurp(F), "old contents");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(D.Dir()), {}), 1);
  EXPECT_FALSE(WriteFileAtomic(D.Path("missing/dir/x"), "a", 1));
  EXPECT_FALSE(WriteFileAtomic("", "a", 1));
}

TEST(WriteFileAtomic, SymbolicLinkStaysALink) {
  TTempDir D;
  std::string Real = D.Path("real.cfg"), Link = D.Path("link.cfg");
  ASSERT_TRUE(WriteFileAtomic(Real, "one", 3));
  std::filesystem::create_symlink(Real, Link);
  ASSERT_TRUE(WriteFileAtomic(Link, "two", 3));
  EXPECT_TRUE(std::filesystem::is_symlink(Link));
  EXPECT_EQ(Slurp(Real), "two");
}
