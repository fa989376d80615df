#include "app/startup.h"

#include <chrono>
#include <ostream>
#include <thread>


bool StartUp(TAppContext& App, const std::string& Arg0, std::ostream& Out) {
  App.ProgramDir = ProgramDirFrom(Arg0);
  App.Video = ReadVideoSettings(App.ProgramDir + IniFileName);
  App.Theme = App.Video.ThemeFlag();
  App.FontType = App.Video.FontType();

  App.Console = std::make_unique<TSDLConsoleScrollback>();
  App.Console->UseLogicalSize = App.Video.Letterbox;
  App.Console->UseAccelerated = App.Video.Gpu;
  if (!App.Console->OpenVideo(App.Video.Cols, App.Video.Rows, App.Video.WinSize, App.Video.Filter,
                              App.FontType)) {
    Out << "Unable to initialize video" << std::endl;
    App.Console.reset();
    return false;
  }

  App.ConfigFile = std::make_unique<lx::TConfigFile>(App.ProgramDir);
  App.ConfigFile->LoadOrCreate(App.Config);

  App.Console->SetTitle(ProgramTitle);
  App.Console->SetIcon(IconFileName);
  return true;
}

void RunSession(TAppContext& App) {
  while (!App.Console->Terminated) std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

void ShutDown(TAppContext& App) {
  App.ConfigFile.reset();
  App.Console.reset();
}
