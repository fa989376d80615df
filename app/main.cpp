#include <iostream>

#include "app/startup.h"
#include "console/sdl_api.h"
#include "net/ssh_api.h"

int main(int argc, char** argv) {
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
  if (argc > 1) App.DialAddress = argv[1];
  // A program that cannot show its window has failed, and says so in its exit status.
  if (!StartUp(App, argc > 0 ? argv[0] : "", std::cout)) return 1;
  RunSession(App);
  ShutDown(App);
  return App.ExitCode;
}
