// SDL2 is opened at run time, never linked: every call goes through Sdl, the
// one table of entry points. The SDL headers are used for types and constants.
#pragma once

#define SDL_MAIN_HANDLED
#include <SDL2/SDL.h>

#include <iosfwd>
#include <string>
#include <vector>

// Every SDL2 function the program may call, in the order they are looked up.
#define LX_SDL_ENTRIES(X)                                                                   \
  X(SDL_Init) X(SDL_Quit) X(SDL_GetDesktopDisplayMode) X(SDL_CreateWindow)                  \
  X(SDL_CreateRenderer) X(SDL_SetHint) X(SDL_RenderSetLogicalSize) X(SDL_CreateRGBSurface)  \
  X(SDL_CreateTexture) X(SDL_FreeSurface) X(SDL_DestroyTexture) X(SDL_DestroyRenderer)      \
  X(SDL_DestroyWindow) X(SDL_GetError) X(SDL_UpdateTexture) X(SDL_RenderCopy)               \
  X(SDL_RenderPresent) X(SDL_MapRGBA) X(SDL_SetWindowTitle) X(SDL_LoadBMP_RW)               \
  X(SDL_RWFromFile) X(SDL_SetWindowIcon) X(SDL_PollEvent) X(SDL_WaitEvent)                  \
  X(SDL_RenderClear) X(SDL_GetRendererInfo) X(SDL_GetRendererOutputSize)                    \
  X(SDL_RenderGetLogicalSize) X(SDL_RenderGetViewport) X(SDL_GetWindowFlags)                \
  X(SDL_SetWindowFullscreen) X(SDL_SetWindowPosition) X(SDL_SetWindowSize) X(SDL_GetTicks)  \
  X(SDL_GetKeyFromScancode) X(SDL_free) X(SDL_SetClipboardText) X(SDL_GetClipboardText)     \
  X(SDL_HasClipboardText) X(SDL_GetMouseState) X(SDL_GetRelativeMouseState)                 \
  X(SDL_GetWindowSize) X(SDL_RenderGetScale) X(SDL_GetWindowPixelFormat)                    \
  X(SDL_GetPixelFormatName) X(SDL_SetWindowBordered) X(SDL_CreateTextureFromSurface)        \
  X(SDL_GetModState)                                                                        \
  X(SDL_LockTexture) X(SDL_UnlockTexture) X(SDL_GetWindowSurface)                           \
  X(SDL_UpdateWindowSurface) X(SDL_UpdateWindowSurfaceRects) X(SDL_UpperBlit)               \
  X(SDL_ConvertSurfaceFormat) X(SDL_FillRect) X(SDL_QueryTexture) X(SDL_GetCurrentVideoDriver)   \
  X(SDL_AllocFormat) X(SDL_StartTextInput) X(SDL_PeepEvents)

// Looked up as well but allowed to be missing (older SDL2 versions lack them). Without the
// audio ones the bell is silent.
#define LX_SDL_OPTIONAL_ENTRIES(X)                                                          \
  X(SDL_TLSCleanup) X(SDL_WaitEventTimeout) X(SDL_PushEvent) X(SDL_InitSubSystem)           \
  X(SDL_QuitSubSystem) X(SDL_WasInit) X(SDL_OpenAudioDevice) X(SDL_QueueAudio)              \
  X(SDL_PauseAudioDevice) X(SDL_CloseAudioDevice)

struct TSDLEntryTable {
#define LX_SDL_FIELD(name) decltype(&::name) name = nullptr;
  LX_SDL_ENTRIES(LX_SDL_FIELD)
  LX_SDL_OPTIONAL_ENTRIES(LX_SDL_FIELD)
#undef LX_SDL_FIELD
  void* Handle = nullptr;
  bool Loaded = false;
  bool LoadError = false;
};

// The program-wide SDL2 entry table (the only non-constant global).
extern TSDLEntryTable Sdl;

// Names of every entry point, in look-up order.
const std::vector<const char*>& SDLEntryNames();

// The places tried, in order: a private copy under libs/ first, then the
// usual search path, then the run-time name that exists without the
// development package.
const std::vector<std::string>& SDLLibraryCandidates();

// Opens the first loadable candidate and resolves every entry point; missing
// ones are reported on Out and the library is released again. Returns Sdl.Loaded.
bool LoadSDL(const std::vector<std::string>& Candidates, std::ostream& Out);
bool LoadSDL();
// Releases the library and empties the table.
void UnloadSDL();
// Looks one symbol up in the open library; a missing one is reported on Out
// and sets Sdl.LoadError.
void* LoadEntry(const char* Name, std::ostream& Out);

// Loads SDL2 for the lifetime of the program.
class TSDLLibrary {
 public:
  TSDLLibrary() { LoadSDL(); }
  ~TSDLLibrary() { UnloadSDL(); }
  TSDLLibrary(const TSDLLibrary&) = delete;
  TSDLLibrary& operator=(const TSDLLibrary&) = delete;
  bool Loaded() const { return Sdl.Loaded; }
};

// Replaces one table entry for the lifetime of the object (tests put fakes in
// the table this way); the old entry comes back on scope exit.
template <typename F>
class TSDLEntrySwap {
 public:
  TSDLEntrySwap(F& Slot, F Replacement) : Slot_(Slot), Saved_(Slot) { Slot_ = Replacement; }
  ~TSDLEntrySwap() { Slot_ = Saved_; }
  TSDLEntrySwap(const TSDLEntrySwap&) = delete;
  TSDLEntrySwap& operator=(const TSDLEntrySwap&) = delete;

 private:
  F& Slot_;
  F Saved_;
};
template <typename F>
TSDLEntrySwap(F&, F) -> TSDLEntrySwap<F>;
