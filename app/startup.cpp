#include "app/startup.h"

#include "app/file_drop.h"
#include "app/paths.h"
#include "app/session.h"
#include "support/files.h"

#include <chrono>
#include <cstdlib>
#include <ostream>
#include <thread>


bool StartUp(TAppContext& App, const std::string& Arg0, std::ostream& Out) {
  const TFileLocations Where = PickFileLocations(ReadLocationInputs(Arg0));
  if (const std::string Error = MakeFileDirs(Where); !Error.empty()) Out << Error << std::endl;
  App.ProgramDir = Where.FilesDir;
  App.IconFile = FindIconFile(Where);
  if (const char* Agent = std::getenv("SSH_AUTH_SOCK")) App.SshAgentSocket = Agent;
  if (const std::string Home = AccountHome(); !Home.empty()) App.SshKeyDir = lx::AddSlash(Home) + ".ssh/";
  App.Video = ReadVideoSettings(App.ProgramDir + IniFileName);
  App.Theme = App.Video.ThemeFlag();
  App.FontType = App.Video.FontType();

  App.Console = std::make_unique<TSDLConsoleScrollback>();
  // Before the window opens: the video thread reads the handler from its first event on.
  InstallDropHandler(App);
  App.Console->UseLogicalSize = App.Video.Letterbox;
  App.Console->UseAccelerated = App.Video.Gpu;
  if (!App.Console->OpenVideo(App.Video.Cols, App.Video.Rows, App.Video.WinSize, App.Video.Filter,
                              App.FontType)) {
    Out << "Unable to initialize video" << std::endl;
    App.Console.reset();
    return false;
  }

  App.ConfigFile = std::make_unique<lx::TConfigFile>(App.ProgramDir, Where.DataDir);
  App.ConfigFile->LoadOrCreate(App.Config);

  App.Console->SetTitle(ProgramTitle);
  if (!App.IconFile.empty()) App.Console->SetIcon(App.IconFile);
  return true;
}

void RunSession(TAppContext& App) { RunTerminalSession(App); }

void ShutDown(TAppContext& App) {
  EndTerminalSession(App);
  App.ConfigFile.reset();
  App.Console.reset();
}
