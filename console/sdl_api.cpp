#include "console/sdl_api.h"

#include <dlfcn.h>

#include <iostream>

TSDLEntryTable Sdl;

const std::vector<const char*>& SDLEntryNames() {
#define LX_SDL_NAME(name) #name,
  static const std::vector<const char*> Names = {LX_SDL_ENTRIES(LX_SDL_NAME)};
#undef LX_SDL_NAME
  return Names;
}

const std::vector<std::string>& SDLLibraryCandidates() {
  static const std::vector<std::string> Names = {
      "libs/libSDL2.so", "libSDL2.so", "/usr/local/lib/libSDL2.so", "/usr/lib/libSDL2.so",
      // Only the development package installs the unversioned name; a user
      // with just the run-time library has this one.
      "libSDL2-2.0.so.0"};
  return Names;
}

void* LoadEntry(const char* Name, std::ostream& Out) {
  dlerror();
  void* Address = Sdl.Handle ? dlsym(Sdl.Handle, Name) : nullptr;
  if (!Address) {
    const char* Msg = dlerror();
    Out << "SDL2 load error: Name=" << Name << " Msg=" << (Msg ? Msg : "") << '\n';
    Sdl.LoadError = true;
  }
  return Address;
}

void UnloadSDL() {
  if (Sdl.Handle) dlclose(Sdl.Handle);
  Sdl = TSDLEntryTable{};
}

bool LoadSDL(const std::vector<std::string>& Candidates, std::ostream& Out) {
  UnloadSDL();
  for (const std::string& Name : Candidates) {
    Sdl.Handle = dlopen(Name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (Sdl.Handle) break;
  }
  if (!Sdl.Handle) return false;
  Sdl.Loaded = true;
#define LX_SDL_RESOLVE(name) \
  Sdl.name = reinterpret_cast<decltype(Sdl.name)>(LoadEntry(#name, Out));
  LX_SDL_ENTRIES(LX_SDL_RESOLVE)
#undef LX_SDL_RESOLVE
#define LX_SDL_OPTIONAL(name) Sdl.name = reinterpret_cast<decltype(Sdl.name)>(dlsym(Sdl.Handle, #name));
  LX_SDL_OPTIONAL_ENTRIES(LX_SDL_OPTIONAL)
#undef LX_SDL_OPTIONAL
  if (Sdl.LoadError) {
    Out << "Error loading SDL2 library" << std::endl;
    UnloadSDL();
    Sdl.LoadError = true;
    return false;
  }
  Out.flush();
  return true;
}

bool LoadSDL() { return LoadSDL(SDLLibraryCandidates(), std::cout); }
