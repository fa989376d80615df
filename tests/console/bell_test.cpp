// The bell's rate limit and its silence without audio, through a fake SDL audio table.
#include <gtest/gtest.h>

#include <vector>

#include "console/bell.h"
#include "console/sdl_api.h"

namespace {

Uint32 InitFlags = 0;
SDL_AudioDeviceID OpenResult = 0;
int Opened = 0, Queued = 0;

int FakeInit(Uint32 F) { return InitFlags |= F, 0; }
void FakeQuit(Uint32 F) { InitFlags &= ~F; }
Uint32 FakeWasInit(Uint32 F) { return InitFlags & F; }
SDL_AudioDeviceID FakeOpen(const char*, int, const SDL_AudioSpec*, SDL_AudioSpec*, int) { return ++Opened, OpenResult; }
int FakeQueue(SDL_AudioDeviceID, const void*, Uint32 Length) { return Queued += Length > 0, 0; }
void FakePause(SDL_AudioDeviceID, int) {}
void FakeClose(SDL_AudioDeviceID) {}

TEST(Bell, AtMostOnePer250MsAndSilentWithoutAudio) {
  // Device: what opening the audio gives (0 fails); Entries: SDL has its audio functions.
  struct TRow { TBellMode Mode; SDL_AudioDeviceID Device; bool Entries; int Rings, Opens, Beeps; };
  const std::vector<TRow> Rows = {{TBellMode::Beep, 7, true, 4, 1, 4}, {TBellMode::Flash, 7, true, 4, 0, 0},
                                  {TBellMode::Off, 7, true, 0, 0, 0},  {TBellMode::Beep, 0, true, 4, 1, 0},
                                  {TBellMode::Beep, 7, false, 4, 0, 0}};
  for (size_t R = 0; R < Rows.size(); ++R) {
    const TRow& Row = Rows[R];
    InitFlags = 0, Opened = 0, Queued = 0, OpenResult = Row.Device;
    TSDLEntrySwap A(Sdl.SDL_InitSubSystem, &FakeInit);
    TSDLEntrySwap B(Sdl.SDL_QuitSubSystem, &FakeQuit);
    TSDLEntrySwap C(Sdl.SDL_WasInit, &FakeWasInit);
    TSDLEntrySwap D(Sdl.SDL_OpenAudioDevice, Row.Entries ? &FakeOpen : nullptr);
    TSDLEntrySwap E(Sdl.SDL_QueueAudio, &FakeQueue);
    TSDLEntrySwap F(Sdl.SDL_PauseAudioDevice, &FakePause);
    TSDLEntrySwap G(Sdl.SDL_CloseAudioDevice, &FakeClose);
    int Rings = 0;
    {
      TBell Bell;
      Bell.HasSound = [] { return true; };
      for (int64_t Ms : {0, 100, 249, 250, 600, 601, 849, 850}) Rings += Bell.Ring(Row.Mode, 10'000 + Ms);
    }
    EXPECT_EQ(std::vector({Rings, Opened, Queued}), std::vector({Row.Rings, Row.Opens, Row.Beeps})) << "row " << R;
    EXPECT_EQ(InitFlags, 0u) << "row " << R << ": the audio it started is ended";
  }
}

}  // namespace
