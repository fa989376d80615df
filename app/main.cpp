#include <iostream>

#include "app/command_line.h"
#include "app/paths.h"
#include "app/startup.h"
#include "console/sdl_api.h"
#include "net/ssh_api.h"

int main(int argc, char** argv) {
  const std::string Arg0 = argc > 0 ? argv[0] : "";
  const TCommandLine Cmd = ParseCommandLine(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
  switch (Cmd.Action) {
    case TCommandLine::Help: {
      const TFileLocations Where = PickFileLocations(ReadLocationInputs(Arg0));
      std::cout << HelpText(Where.FilesDir, Where.DataDir) << std::flush;
      return 0;
    }
    case TCommandLine::Version: std::cout << ProgramTitle << std::endl; return 0;
    case TCommandLine::Error:
      std::cerr << "lanternyx: " << Cmd.Message << "\nTry 'lanternyx --help' for more information." << std::endl;
      return 2;
    case TCommandLine::Run: break;
  }

  TSDLLibrary Library;
  if (!Library.Loaded()) {
    // Nothing can be shown without SDL2, so say so where the user started us.
    std::cout << "Lanternyx cannot start: the SDL2 library (libSDL2-2.0.so.0) could not be loaded."
              << std::endl;
    return 1;
  }
  // Without libssh the program still runs; SSH entries are refused.
  TSSHLibrary SshLibrary;
  TAppContext App;
  App.DialAddress = Cmd.Address;
  // A program that cannot show its window has failed, and says so in its exit status.
  if (!StartUp(App, Arg0, std::cout)) return 1;
  RunSession(App);
  ShutDown(App);
  return App.ExitCode;
}
