// Frame pacer: sleeps each frame up to an absolute target so the average rate
// holds even when single frames are late.
#pragma once

#include <cstdint>
#include <functional>

class TFPSManager {
 public:
  using TSleep = std::function<void(uint32_t Milliseconds)>;

  // Ticks come from SDL_GetTicks; Sleep defaults to a thread sleep.
  explicit TFPSManager(float Rate, TSleep Sleep = {});

  // Waits for the next frame; true when a full second of statistics was just completed.
  bool Delay();

  // Statistics of the last complete second.
  uint32_t SecondFrames() const { return SecondFrames_; }
  uint32_t SecondShortest() const { return SecondShortest_; }
  uint32_t SecondLongest() const { return SecondLongest_; }
  double SecondAverage() const { return SecondAverage_; }

 private:
  double FrameTime_;
  TSleep Sleep_;
  uint32_t StartTick_, Frames_ = 0, LastTick_, CurrentTick_ = 0, TargetTick_ = 0;
  uint32_t Shortest_ = 1000, Longest_ = 0;
  double Accumulated_ = 0;
  uint32_t SecondFrames_ = 0, SecondShortest_ = 0, SecondLongest_ = 0;
  double SecondAverage_ = 0;
};
