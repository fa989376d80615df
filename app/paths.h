// Where the program keeps its files.
//
// A copy whose own directory is writable (a build directory, a portable copy)
// keeps everything beside itself. An installed copy (its directory is not
// writable, or is one of the system's program directories) keeps the INI,
// configuration, phone books, SSH hosts file and logon scripts in
// $XDG_CONFIG_HOME/lanternyx/ (default ~/.config/lanternyx/) and downloads
// and captures in $XDG_DATA_HOME/lanternyx/ (default ~/.local/share/lanternyx/).
#pragma once

#include <functional>
#include <string>

// What the choice depends on: gathered from the running process by
// ReadLocationInputs, given directly by the tests.
struct TLocationInputs {
  std::string Arg0;
  std::string SelfExe;        // the executable's real path (/proc/self/exe); may be empty
  std::string XdgConfigHome;  // environment values, empty when unset
  std::string XdgDataHome;
  std::string Home;
  // Can files be created in Dir? ("" is the working directory.)
  std::function<bool(const std::string& Dir)> Writable;
};

struct TFileLocations {
  std::string ExeDir;    // directory holding the executable, ending in "/"; empty: the working directory
  std::string FilesDir;  // INI, configuration, phone books, hosts file, logon scripts
  std::string DataDir;   // default directory of downloads and captures
  bool BesideProgram = true;  // FilesDir and DataDir are ExeDir
};

TFileLocations PickFileLocations(const TLocationInputs& In);

// The home directory of the account running the program, from the password database (not
// $HOME), as OpenSSH finds the user's keys; empty when there is none.
std::string AccountHome();
TLocationInputs ReadLocationInputs(const std::string& Arg0);

// Creates FilesDir and DataDir with any missing parents (mode 0700: the
// phone books hold passwords) unless they are beside the program.
// Empty on success, else a line saying which directory could not be made.
std::string MakeFileDirs(const TFileLocations& L);

// The window icon "lanternyx.icn": beside the executable, else in FilesDir
// (a user's own picture), else in the installed data directory
// <ExeDir>../share/lanternyx/. Empty when none can be read.
std::string FindIconFile(const TFileLocations& L,
                         const std::function<bool(const std::string& File)>& Readable);
std::string FindIconFile(const TFileLocations& L);
