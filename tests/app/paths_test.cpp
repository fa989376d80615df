#include <gtest/gtest.h>
#include <sys/stat.h>

#include <set>

#include "app/paths.h"
#include "config/config.h"
#include "support/test_tempdir.h"

namespace {

struct TPickCase {
  const char* Name;
  const char* Arg0;
  const char* SelfExe;
  const char* XdgConfig;
  const char* XdgData;
  const char* Home;
  bool DirWritable;
  const char* ExeDir;
  const char* Files;
  const char* Data;
};

TEST(FileLocations, PickedFromProgramDirectoryAndEnvironment) {
  const TPickCase Cases[] = {
      {"build dir", "./build/lanternyx", "/src/build/lanternyx", "", "", "/home/u", true, "./build/", "./build/",
       "./build/"},
      {"portable copy found through PATH", "lanternyx", "/home/u/lx/lanternyx", "", "", "/home/u", true,
       "/home/u/lx/", "/home/u/lx/", "/home/u/lx/"},
      {"installed, defaults", "lanternyx", "/usr/bin/lanternyx", "", "", "/home/u", false, "/usr/bin/",
       "/home/u/.config/lanternyx/", "/home/u/.local/share/lanternyx/"},
      {"installed, XDG set", "/opt/lx/lanternyx", "", "/cfg/", "/data", "/home/u", false, "/opt/lx/",
       "/cfg/lanternyx/", "/data/lanternyx/"},
      {"relative XDG values are ignored", "/opt/lx/lanternyx", "", "cfg", "data", "/home/u", false, "/opt/lx/",
       "/home/u/.config/lanternyx/", "/home/u/.local/share/lanternyx/"},
      {"root may write /usr/bin but still gets its home", "/usr/bin/lanternyx", "", "", "", "/root", true,
       "/usr/bin/", "/root/.config/lanternyx/", "/root/.local/share/lanternyx/"},
      {"no home: beside the program after all", "lanternyx", "/usr/bin/lanternyx", "", "", "", false, "/usr/bin/",
       "/usr/bin/", "/usr/bin/"},
      {"no /proc: the working directory", "lanternyx", "", "", "", "/home/u", true, "", "", ""},
  };
  for (const TPickCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TLocationInputs In{C.Arg0, C.SelfExe, C.XdgConfig, C.XdgData, C.Home, nullptr};
    std::string Asked = "(none)";
    In.Writable = [&](const std::string& Dir) {
      Asked = Dir;
      return C.DirWritable;
    };
    const TFileLocations L = PickFileLocations(In);
    EXPECT_EQ(L.ExeDir, C.ExeDir);
    EXPECT_EQ(L.FilesDir, C.Files);
    EXPECT_EQ(L.DataDir, C.Data);
    EXPECT_EQ(L.BesideProgram, L.FilesDir == L.ExeDir);
    if (Asked != "(none)") {
      EXPECT_EQ(Asked, C.ExeDir);
    }
  }
}

TEST(FileLocations, DirectoriesAreMadePrivateAndOnlyWhenNotBesideTheProgram) {
  TTempDir T;
  TFileLocations L;
  L.ExeDir = T.Path("bin/");
  L.FilesDir = T.Path("home/.config/lanternyx/");
  L.DataDir = T.Path("home/.local/share/lanternyx/");
  EXPECT_EQ(MakeFileDirs(L), "");  // beside the program: nothing to make
  EXPECT_FALSE(lx::DirExists(L.FilesDir));

  L.BesideProgram = false;
  EXPECT_EQ(MakeFileDirs(L), "");
  EXPECT_EQ(MakeFileDirs(L), "");  // again: they exist
  for (const std::string& D : {L.FilesDir, L.DataDir, T.Path("home/.config/")}) {
    struct stat St{};
    ASSERT_EQ(stat(D.c_str(), &St), 0) << D;
    EXPECT_EQ(St.st_mode & 0777, 0700u) << D;
  }
  // A file where a directory belongs is reported, naming the directory.
  WriteFileBytes(T.Path("file"), {});
  L.DataDir = T.Path("file/lanternyx/");
  EXPECT_NE(MakeFileDirs(L).find(T.Path("file")), std::string::npos);
  L.DataDir = T.Path("file");
  EXPECT_NE(MakeFileDirs(L).find(T.Path("file")), std::string::npos);
}

TEST(FileLocations, IconBesideTheProgramThenTheUsersThenTheInstalledOne) {
  TFileLocations L{"/usr/bin/", "/home/u/.config/lanternyx/", "/home/u/.local/share/lanternyx/", false};
  std::set<std::string> There;
  const auto Find = [&] { return FindIconFile(L, [&](const std::string& F) { return There.count(F) > 0; }); };
  EXPECT_EQ(Find(), "");
  There.insert("/usr/bin/../share/lanternyx/lanternyx.icn");
  EXPECT_EQ(Find(), "/usr/bin/../share/lanternyx/lanternyx.icn");
  There.insert("/home/u/.config/lanternyx/lanternyx.icn");
  EXPECT_EQ(Find(), "/home/u/.config/lanternyx/lanternyx.icn");
  There.insert("/usr/bin/lanternyx.icn");
  EXPECT_EQ(Find(), "/usr/bin/lanternyx.icn");
}

TEST(FileLocations, NewConfigurationSendsDownloadsAndCapturesToTheDataDirectory) {
  TTempDir T;
  const std::string Files = T.Dir() + "/", Data = "/home/u/.local/share/lanternyx/";
  lx::TConfigFile F(Files, Data);
  lx::TConfigRec C;
  ASSERT_TRUE(F.LoadOrCreate(C));
  const TBytes B = ReadFileBytes(Files + lx::ConfigFileName);
  ASSERT_EQ(B.size(), lx::ConfigRecSize);
  const auto Str = [&](std::size_t Ofs) { return std::string(B.begin() + Ofs + 1, B.begin() + Ofs + 1 + B[Ofs]); };
  EXPECT_EQ(Str(lx::CfgOfs::ScriptPath), Files);
  EXPECT_EQ(Str(lx::CfgOfs::ProtocolPath), Files);
  EXPECT_EQ(Str(lx::CfgOfs::DownloadPath), Data);
  EXPECT_EQ(Str(lx::CfgOfs::UploadPath), Data);
  EXPECT_EQ(Str(lx::CfgOfs::CapturePath), Data);
}

}  // namespace
