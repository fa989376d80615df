#include <gtest/gtest.h>
#include <sys/stat.h>

#include <set>

#include "app/paths.h"
#include "support/files.h"
#include "support/test_tempdir.h"

namespace {

using namespace std::string_literals;

struct TPickCase {
  const char *Name, *Arg0, *SelfExe, *XdgConfig, *XdgData, *Home;
  bool DirWritable;
  const char *ExeDir, *Files, *Data;
};

TEST(FileLocations, PickedFromProgramDirectoryAndEnvironment) {
  const char *Cfg = "/home/u/.config/lanternyx/", *Share = "/home/u/.local/share/lanternyx/";
  const TPickCase Cases[] = {
      {"build dir", "./build/lanternyx", "/src/build/lanternyx", "", "", "/home/u", true, "./build/", "./build/",
       "./build/"},
      {"portable copy found through PATH", "lanternyx", "/home/u/lx/lanternyx", "", "", "/home/u", true, "/home/u/lx/",
       "/home/u/lx/", "/home/u/lx/"},
      {"installed, defaults", "lanternyx", "/usr/bin/lanternyx", "", "", "/home/u", false, "/usr/bin/", Cfg, Share},
      {"installed, XDG set", "/opt/lx/lanternyx", "", "/cfg/", "/data", "/home/u", false, "/opt/lx/",
       "/cfg/lanternyx/", "/data/lanternyx/"},
      {"relative XDG values are ignored", "/opt/lx/lanternyx", "", "cfg", "data", "/home/u", false, "/opt/lx/", Cfg,
       Share},
      {"root may write /usr/bin but still gets its home", "/usr/bin/lanternyx", "", "", "", "/root", true, "/usr/bin/",
       "/root/.config/lanternyx/", "/root/.local/share/lanternyx/"},
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
    const bool Beside = C.Files == std::string(C.ExeDir);
    EXPECT_EQ(L.ExeDir + "|" + L.FilesDir + "|" + L.DataDir + "|" + std::to_string(L.BesideProgram),
              C.ExeDir + "|"s + C.Files + "|" + C.Data + "|" + std::to_string(Beside));
    EXPECT_TRUE(Asked == "(none)" || Asked == C.ExeDir) << Asked;
  }
}

TEST(FileLocations, DirectoriesAreMadePrivateAndOnlyWhenNotBesideTheProgram) {
  TTempDir T;
  TFileLocations L{T.Path("bin/"), T.Path("home/.config/lanternyx/"),
                   T.Path("home/.local/share/lanternyx/")};
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
  EXPECT_EQ(FindIconFile(L, [&](const std::string& F) { return There.count(F) > 0; }), "");
  // Each one found hides the ones before it.
  for (const char* Icon : {"/usr/bin/../share/lanternyx/lanternyx.icn", "/home/u/.config/lanternyx/lanternyx.icn",
                           "/usr/bin/lanternyx.icn"}) {
    There.insert(Icon);
    EXPECT_EQ(FindIconFile(L, [&](const std::string& F) { return There.count(F) > 0; }), Icon);
  }
}

}  // namespace
