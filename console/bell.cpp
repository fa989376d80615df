#include "console/bell.h"

#include <algorithm>
#include <cmath>

#include "console/sdl_api.h"

namespace {

constexpr int Rate = 22050;
constexpr int ToneMs = 120;
constexpr double Pitch = 880.0;

// A sine at a moderate level with short ramps at both ends, so it starts and stops without
// a click.
std::vector<int16_t> MakeTone() {
  const int N = Rate * ToneMs / 1000, Ramp = Rate / 200;
  std::vector<int16_t> T(static_cast<size_t>(N));
  for (int I = 0; I < N; ++I) {
    const double Edge = std::min({1.0, I / double(Ramp), (N - 1 - I) / double(Ramp)});
    T[static_cast<size_t>(I)] = static_cast<int16_t>(6000.0 * Edge * std::sin(2 * M_PI * Pitch * I / Rate));
  }
  return T;
}

bool AudioEntries() {
  return Sdl.SDL_InitSubSystem && Sdl.SDL_QuitSubSystem && Sdl.SDL_WasInit && Sdl.SDL_OpenAudioDevice &&
         Sdl.SDL_QueueAudio && Sdl.SDL_PauseAudioDevice && Sdl.SDL_CloseAudioDevice;
}

}  // namespace

TBell::TBell() : Tone(MakeTone()) {}

TBell::~TBell() { Close(); }

bool TBell::Ring(TBellMode Mode, int64_t NowMs) {
  if (Mode == TBellMode::Off) return false;
  if (Rung && NowMs - Last < MinGapMs) return false;
  Rung = true;
  Last = NowMs;
  if (Mode == TBellMode::Beep) Beep();
  return true;
}

void TBell::Beep() {
  if (NoAudio || !AudioEntries()) return;
  // A new window ends SDL as a whole, its audio included: what we had open is gone.
  if (Device != 0 && Sdl.SDL_WasInit(SDL_INIT_AUDIO) == 0) {
    Device = 0;
    OwnAudio = false;
  }
  if (Device == 0) {
    if (Sdl.SDL_WasInit(SDL_INIT_AUDIO) == 0) {
      if (Sdl.SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        NoAudio = true;
        return;
      }
      OwnAudio = true;
    }
    SDL_AudioSpec Want{};
    Want.freq = Rate;
    Want.format = AUDIO_S16SYS;
    Want.channels = 1;
    Want.samples = 1024;
    SDL_AudioSpec Have{};
    Device = Sdl.SDL_OpenAudioDevice(nullptr, 0, &Want, &Have, 0);
    if (Device == 0) {
      NoAudio = true;
      Close();
      return;
    }
  }
  Sdl.SDL_QueueAudio(Device, Tone.data(), static_cast<Uint32>(Tone.size() * sizeof(int16_t)));
  Sdl.SDL_PauseAudioDevice(Device, 0);
}

void TBell::Close() {
  if (!AudioEntries() || Sdl.SDL_WasInit(SDL_INIT_AUDIO) == 0) {
    Device = 0;
    OwnAudio = false;
    return;
  }
  if (Device != 0) Sdl.SDL_CloseAudioDevice(Device);
  Device = 0;
  if (OwnAudio) Sdl.SDL_QuitSubSystem(SDL_INIT_AUDIO);
  OwnAudio = false;
}
