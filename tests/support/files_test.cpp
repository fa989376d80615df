// Paths, record files, atomic saves, directory listings, capped reads and the INI reader.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <filesystem>

#include "support/capread.h"
#include "support/dirlist.h"
#include "support/files.h"
#include "support/ini.h"
#include "support/strings.h"
#include "support/test_tempdir.h"
#include "support/test_watchdog.h"

using namespace lx;
namespace fs = std::filesystem;
using Strs = std::vector<std::string>;

namespace {
std::string Perms(const std::string& P) { return OctStr(static_cast<int>(fs::status(P).permissions()) & 07777); }
long Entries(const std::string& Dir) { return std::distance(fs::directory_iterator(Dir), {}); }
}  // namespace

TEST(Paths, TakeApartWithEitherSeparatorAndLookUp) {
  EXPECT_EQ((Strs{AddSlash(""), AddSlash("a"), AddSlash("a\\"), JustPath("/x/y/z.phn"), JustPath("c:\\bbs\\f.txt"),
                  JustPath("f.txt"), JustFileName("/x/y/z.phn"), JustFileName("a\\b"), JustFileName("plain"),
                  NoExtension("book.phn"), NoExtension("a.b.c"), NoExtension(".hidden"), NoExtension("none")}),
            (Strs{"/", "a/", "a\\", "/x/y/", "c:\\bbs\\", "", "z.phn", "b", "plain", "book", "a.b", ".hidden", "none"}));
  TTempDir D;
  const std::string F = D.Path("f.txt");
  const bool Before = FileExists(F);
  WriteFileBytes(F, TBytes{1});
  EXPECT_EQ((std::vector<bool>{Before, FileExists(F), FileExists(D.Dir()), DirExists(D.Dir()), DirExists(D.Dir() + "/"),
                               DirExists(F), DirExists("")}),
            (std::vector<bool>{false, true, false, true, true, false, false}));
}

TEST(Retry, RetriesSharingErrorsOnly) {
  for (const auto& [Err, Succeeds, Calls] : {std::tuple{EACCES, true, 3}, {EBUSY, false, 5}, {ENOENT, false, 1}}) {
    int N = 0;
    EXPECT_EQ(RetryOnSharing([&] { return ++N == 3 && Err == EACCES ? true : (errno = Err, false); }, {5, 0}), Succeeds);
    EXPECT_EQ(N, Calls) << Err;
  }
}

TEST(TFile, RecordsSeekReadWrite) {
  TTempDir D;
  const std::string F = D.Path("recs.bin");
  TFile File;
  EXPECT_FALSE(File.ResetRetry(F, 4));
  ASSERT_TRUE(File.RewriteRetry(F, 4));
  ASSERT_EQ(File.BlockWriteRetry("AAAABBBBCCCC", 3), 3);
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
  EXPECT_EQ(std::pair(File.IsOpen(), Moved.IsOpen()), std::pair(false, true));
  EXPECT_FALSE(Moved.ResetRetry(D.Dir(), 1));  // a directory is not a file
}

// The whole file or nothing (the disk fills after five bytes); the replaced file's mode bits
// stay, a new file gets what the umask leaves; a link stays a link.
TEST(WriteFileAtomic, ReplacesWholeOrKeepsTheOld) {
  TTempDir D;
  const std::string F = D.Path("book.phn");
  ASSERT_TRUE(WriteFileAtomic(F, "old contents", 12));
  ASSERT_EQ(::chmod(F.c_str(), 0640), 0);
  size_t Written = 0;
  TWriteFn DiskFull = [&](int Fd, const void* Buf, size_t N) -> long {
    if (Written >= 5) return errno = ENOSPC, -1;
    const long R = static_cast<long>(::write(Fd, Buf, std::min(N, 5 - Written)));
    Written += static_cast<size_t>(R);
    return R;
  };
  EXPECT_FALSE(WriteFileAtomic(F, std::string(1000, 'n').data(), 1000, DiskFull));
  EXPECT_EQ(ReadFileText(F) + " " + std::to_string(Entries(D.Dir())), "old contents 1");
  ASSERT_TRUE(WriteFileAtomic(F, "new", 3));
  EXPECT_EQ(ReadFileText(F) + " " + std::to_string(Entries(D.Dir())), "new 1");
  const mode_t Mask = ::umask(027);
  const bool Made = WriteFileAtomic(D.Path("new"), "", 0) && WriteFileAtomic(D.Path("own"), "", 0, nullptr, 0600);
  ::umask(Mask);
  EXPECT_TRUE(Made);
  EXPECT_EQ(Perms(F) + " " + Perms(D.Path("new")) + " " + Perms(D.Path("own")), "640 640 600");
  EXPECT_FALSE(WriteFileAtomic(D.Path("missing/dir/x"), "a", 1) || WriteFileAtomic("", "a", 1));
  fs::create_symlink(F, D.Path("link"));
  ASSERT_TRUE(WriteFileAtomic(D.Path("link"), "two", 3));
  EXPECT_TRUE(fs::is_symlink(D.Path("link")) && ReadFileText(F) == "two");
}

TEST(ListFiles, RegularFilesMatchingThePatternSortedWithSizeAndTime) {
  TTempDir D;
  for (const auto& [Name, Size] : {std::pair{"b.phn", 7}, {"a.phn", 3}, {"c.txt", 1}, {"b.phn.bak", 1}, {"x", 1}})
    WriteFileBytes(D.Path(Name), TBytes(Size, 1));
  fs::create_directory(D.Path("dir.phn"));
  ASSERT_EQ(::mkfifo(D.Path("pipe.phn").c_str(), 0600), 0);
  fs::create_symlink(D.Path("a.phn"), D.Path("link.phn"));
  fs::last_write_time(D.Path("b.phn"), fs::file_time_type::clock::now());
  struct stat St {};
  ASSERT_EQ(::stat(D.Path("b.phn").c_str(), &St), 0);
  auto Names = [](const std::vector<TDirEntry>& L) {
    Strs N;
    for (const auto& E : L) N.push_back(E.Name + (E.IsDir ? "/" : ""));
    return N;
  };
  const auto L = ListFiles(D.Dir(), "*.phn");
  ASSERT_EQ(Names(L), (Strs{"a.phn", "b.phn", "link.phn"}));
  EXPECT_EQ(std::pair(L[1].Size, L[1].Time), std::pair(int64_t(7), int64_t(St.st_mtime)));
  EXPECT_EQ(Names(ListFiles(D.Dir() + "/", "*.phn", true)), (Strs{"a.phn", "b.phn", "dir.phn/", "link.phn"}));
  EXPECT_EQ(Names(ListFiles(D.Dir(), "?.phn")), (Strs{"a.phn", "b.phn"}));
  EXPECT_EQ(ListFiles(D.Dir(), "*.phn", false, 2).size(), 2u);
  EXPECT_TRUE(ListFiles(D.Path("none"), "*").empty());
  // DeleteFile removes files, not directories.
  EXPECT_EQ((std::vector<bool>{DeleteFile(D.Path("x")), fs::exists(D.Path("x")), DeleteFile(D.Path("x")),
                               DeleteFile(D.Path("dir.phn")), fs::is_directory(D.Path("dir.phn"))}),
            (std::vector<bool>{true, false, false, false, true}));
}

// Up to the cap, telling what is left; a file that claims no size (/proc) is read to its end;
// a fifo is refused without waiting for a writer (should the open block, the watchdog opens
// the other end, so the test fails instead of hanging).
TEST(ReadFileCapped, ReadsUpToTheCapAndOnlyFiles) {
  TTempDir D;
  const TBytes Ten{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  WriteFileBytes(D.Path("f"), Ten);
  ::chmod(D.Path("f").c_str(), 0444);
  for (const auto& [Cap, Got, Truncated] : {std::tuple{100, 10, false}, {10, 10, false}, {4, 4, true}, {0, 0, true}}) {
    const TFileRead R = ReadFileCapped(D.Path("f"), Cap);
    const TBytes Want(Ten.begin(), Ten.begin() + Got);
    EXPECT_EQ(std::tuple(R.Status, R.Data, R.Truncated, R.FileSize),
              std::tuple(TReadStatus::Ok, Want, Truncated, 10)) << Cap;
  }
  const TFileRead Proc = ReadFileCapped("/proc/self/status", 1 << 20);
  EXPECT_TRUE(Proc.Status == TReadStatus::Ok && !Proc.Data.empty());
  const std::string Fifo = D.Path("fifo");
  ASSERT_EQ(::mkfifo(Fifo.c_str(), 0600), 0);
  TWatchdog Dog(std::chrono::seconds(5), [&] { ::close(::open(Fifo.c_str(), O_RDWR)); });
  EXPECT_EQ(ReadFileCapped(Fifo, 10).Status, TReadStatus::NotAFile);
  EXPECT_FALSE(Dog.Stop()) << "the open waited for a writer";
  for (const auto& [Path, Want] : {std::pair{D.Path("missing"), TReadStatus::CannotOpen}, {D.Dir(), TReadStatus::NotAFile},
                                   {std::string("/dev/zero"), TReadStatus::NotAFile}})
    EXPECT_EQ(ReadFileCapped(Path, 10).Status, Want) << Path;
}

TEST(LineReader, SplitsLinesAndCutsLongOnes) {
  auto Lines = [](const std::string& Text) {
    TLineReader R(Text, 8);
    Strs Got;
    std::string L;
    bool Cut = false;
    while (R.Next(L, Cut)) Got.push_back(L + (Cut ? "+" : ""));
    return Got;
  };
  EXPECT_EQ(Lines("one\r\ntwo\n\n" + std::string(10, 'x') + "tail\nlast\r"), (Strs{"one", "two", "", "xxxxxxxx+", "last"}));
  EXPECT_EQ(Lines("12345678\r\n"), (Strs{"12345678"}));
}

// Names and sections in any case, spaces around them dropped; a key is a prefix match and the
// first line wins; a key after the next section is not found; values keep quotes, tabs,
// comments and '='; lines are cut at 255.
TEST(Ini, ReadsWhatTheProgramWrites) {
  TTempDir D;
  const std::string F = D.Path("lanternyx.ini"), Long = std::string(300, 'x');
  auto Write = [&](const std::string& Text) { WriteFileBytes(F, TBytes(Text.begin(), Text.end())); };
  using TLook = std::array<const char*, 3>;  // section, key, value ("-": not found)
  const std::pair<std::string, std::vector<TLook>> Cases[] = {
      {"[video]\n   width  =  132   \n", {{"VIDEO", "WIDTH", "132"}}},
      {"[Video]\nfont=1\n[Other]\nwidth=100\n", {{"Video", "width", "-"}, {"Other", "width", "100"}}},
      {"[Video]\nmyfont=7\nfontsize=9\nfont=2\nfont=3\nnoequals\n", {{"Video", "font", "9"}, {"Video", "noequals", "-"}}},
      {";[Video]\n[A]\nx=1\n; x=2\njunk [Video] junk\n;width=1\nwidth=90\n", {{"Video", "width", "90"}, {"A", "x", "1"}}},
      {"[V]\ntheme = \"ascii\" ; note\ntab=a\tb\nsplit=a=b\n",
       {{"V", "theme", "\"ascii\" ; note"}, {"V", "tab", "a\tb"}, {"V", "split", "a=b"}}},
      {"[V]\r\nlong=" + Long + "\r\nw=7\rh=8", {{"V", "long", "x250"}, {"V", "w", "7"}, {"V", "h", "8"}}},
  };
  for (const auto& [Text, Looks] : Cases) {
    Write(Text);
    for (const auto& [Section, Key, Want] : Looks) {
      const std::string Got = TIniReader(F).ReadString(Section, Key, "-");
      EXPECT_EQ(Got == std::string(250, 'x') ? "x250" : Got, Want) << Section << " " << Key;
    }
  }
  Write("[V]\na=yes\nb=1\nc=TrUe\nd=true and more\ne=abc\nf=-12\ng=\n");
  TIniReader R(F);
  EXPECT_EQ((std::vector<bool>{R.ReadBoolean("V", "a", true), R.ReadBoolean("V", "b", false), R.ReadBoolean("V", "c", false),
                               R.ReadBoolean("V", "d", true), R.ReadBoolean("V", "zz", true), R.ReadBoolean("V", "zz", false)}),
            (std::vector<bool>{false, true, true, false, true, false}));
  EXPECT_EQ((std::vector<int64_t>{R.ReadInteger("V", "e", 5), R.ReadInteger("V", "f", 5), R.ReadInteger("V", "g", 5)}),
            (std::vector<int64_t>{0, -12, 0}));
  EXPECT_TRUE(R.Opened() && R.Found());  // the section is there
  R.ReadInteger("Missing", "e", 5);
  EXPECT_FALSE(R.Found());
  TIniReader None(D.Path("none.ini"));
  EXPECT_FALSE(None.Opened());
  EXPECT_EQ(None.ReadString("Video", "theme", "ANSI") + IntToStr(None.ReadInteger("Video", "w", 1)), "ANSI1");
  EXPECT_TRUE(None.ReadBoolean("Video", "gpu", true));
}
