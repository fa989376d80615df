#include "app/paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/settings.h"
#include "app/startup.h"

namespace {

// Directories a package installs programs into: even root, who may write
// there, gets the per-user directories rather than files in /usr/bin.
constexpr std::array<const char*, 7> SystemProgramDirs{
    "/usr/bin/", "/usr/local/bin/", "/bin/", "/usr/sbin/", "/sbin/", "/usr/games/", "/usr/local/games/"};

bool IsSystemProgramDir(const std::string& Dir) {
  for (const char* D : SystemProgramDirs)
    if (Dir == D) return true;
  return false;
}

// "<Base>/lanternyx/" for an absolute Base; empty otherwise (the XDG rules
// ignore relative values).
std::string Under(std::string Base) {
  if (Base.empty() || Base[0] != '/') return {};
  while (!Base.empty() && Base.back() == '/') Base.pop_back();
  return Base + "/lanternyx/";
}

std::string Env(const char* Name) {
  const char* V = std::getenv(Name);
  return V ? V : "";
}

std::string HomeOfUser() {
  std::string Home = Env("HOME");
  if (!Home.empty()) return Home;
  return AccountHome();
}

std::string MakeDir(const std::string& Dir) {
  // Each missing component in turn, so that ~/.config gets 0700 too.
  for (std::size_t Pos = Dir.find('/', 1); Pos != std::string::npos; Pos = Dir.find('/', Pos + 1)) {
    const std::string Part = Dir.substr(0, Pos);
    if (mkdir(Part.c_str(), 0700) != 0 && errno != EEXIST)
      return "Lanternyx cannot create " + Part + ": " + std::strerror(errno);
  }
  struct stat St{};
  if (stat(Dir.c_str(), &St) != 0 || !S_ISDIR(St.st_mode))
    return "Lanternyx cannot create " + Dir + ": " + std::strerror(ENOTDIR);
  return {};
}

}  // namespace

TFileLocations PickFileLocations(const TLocationInputs& In) {
  TFileLocations L;
  const bool HasDir = In.Arg0.find_first_of("/\\") != std::string::npos;
  // Started through PATH, argument 0 is a bare name: the directory is the real one.
  L.ExeDir = HasDir || In.SelfExe.empty() ? ProgramDirFrom(In.Arg0) : ProgramDirFrom(In.SelfExe);
  L.FilesDir = L.DataDir = L.ExeDir;
  if (!IsSystemProgramDir(L.ExeDir) && In.Writable && In.Writable(L.ExeDir)) return L;

  const std::string Home = In.Home.empty() || In.Home[0] != '/' ? std::string() : In.Home;
  std::string Files = Under(In.XdgConfigHome);
  if (Files.empty() && !Home.empty()) Files = Under(Home + "/.config");
  // Without a home there is nowhere better than beside the program.
  if (Files.empty()) return L;
  std::string Data = Under(In.XdgDataHome);
  if (Data.empty() && !Home.empty()) Data = Under(Home + "/.local/share");
  if (Data.empty()) Data = Files;
  L.FilesDir = Files;
  L.DataDir = Data;
  L.BesideProgram = false;
  return L;
}

TLocationInputs ReadLocationInputs(const std::string& Arg0) {
  TLocationInputs In;
  In.Arg0 = Arg0;
  std::array<char, 4096> Buf{};
  const ssize_t N = readlink("/proc/self/exe", Buf.data(), Buf.size() - 1);
  if (N > 0 && static_cast<std::size_t>(N) < Buf.size() - 1) In.SelfExe.assign(Buf.data(), static_cast<std::size_t>(N));
  In.XdgConfigHome = Env("XDG_CONFIG_HOME");
  In.XdgDataHome = Env("XDG_DATA_HOME");
  In.Home = HomeOfUser();
  In.Writable = [](const std::string& Dir) { return access(Dir.empty() ? "." : Dir.c_str(), W_OK) == 0; };
  return In;
}

std::string MakeFileDirs(const TFileLocations& L) {
  if (L.BesideProgram) return {};
  std::string Error = MakeDir(L.FilesDir);
  if (Error.empty() && L.DataDir != L.FilesDir) Error = MakeDir(L.DataDir);
  return Error;
}

std::string FindIconFile(const TFileLocations& L, const std::function<bool(const std::string&)>& Readable) {
  for (const std::string& Dir : {L.ExeDir, L.FilesDir, L.ExeDir + "../share/lanternyx/"}) {
    const std::string File = Dir + IconFileName;
    if (Readable(File)) return File;
  }
  return {};
}

std::string FindIconFile(const TFileLocations& L) {
  return FindIconFile(L, [](const std::string& File) {
    struct stat St{};
    return stat(File.c_str(), &St) == 0 && S_ISREG(St.st_mode) && access(File.c_str(), R_OK) == 0;
  });
}

std::string AccountHome() {
  std::vector<char> Buf(16384);
  passwd Pw{};
  passwd* Found = nullptr;
  if (getpwuid_r(getuid(), &Pw, Buf.data(), Buf.size(), &Found) == 0 && Found && Found->pw_dir)
    return Found->pw_dir;
  return {};
}
