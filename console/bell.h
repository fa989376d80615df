// The terminal bell (byte 7): a short tone through SDL's audio, at most one per 250 ms, so a
// board that sends a row of bells pages the user once, not for a minute.
//     TBell Bell;
//     if (Bell.Ring(TBellMode::Beep, NowMs)) ...   // true: the bell is to be heard or seen
// The audio device is opened at the first beep and again after SDL was shut down (a new
// window); without SDL's audio entries or an audio device the bell is silent, never an error.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

enum class TBellMode : uint8_t { Beep = 0, Flash = 1, Off = 2 };

class TBell {
 public:
  static constexpr int64_t MinGapMs = 250;

  TBell();
  ~TBell();
  TBell(const TBell&) = delete;
  TBell& operator=(const TBell&) = delete;

  // The bell at NowMs (any steady clock in milliseconds): false when it is off or rang less
  // than MinGapMs ago; otherwise true, after starting the tone in Beep mode. The caller
  // flashes in Flash mode.
  bool Ring(TBellMode Mode, int64_t NowMs);

  // Whether the machine has sound at all (a sound card or a sound server); asked before SDL's
  // audio is started, whose ALSA back end would otherwise print errors without one.
  std::function<bool()> HasSound;

 private:
  void Beep();
  void Close();

  bool Rung = false;
  int64_t Last = 0;
  uint32_t Device = 0;   // SDL's audio device; 0 none open
  bool NoAudio = false;  // a device could not be had: stay silent
  bool OwnAudio = false; // we started SDL's audio, so we end it
  std::vector<int16_t> Tone;
};
