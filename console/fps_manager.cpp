#include "console/fps_manager.h"

#include <chrono>
#include <thread>

#include "console/sdl_api.h"

TFPSManager::TFPSManager(float Rate, TSleep Sleep)
    : FrameTime_(1000.0 / (Rate > 0 ? Rate : 60.0f) + 0.00001), Sleep_(std::move(Sleep)) {
  if (!Sleep_) Sleep_ = [](uint32_t Ms) { std::this_thread::sleep_for(std::chrono::milliseconds(Ms)); };
  StartTick_ = Sdl.SDL_GetTicks();
  LastTick_ = StartTick_;
}

bool TFPSManager::Delay() {
  ++Frames_;
  TargetTick_ = StartTick_ + static_cast<uint32_t>(Frames_ * FrameTime_);
  CurrentTick_ = Sdl.SDL_GetTicks();
  const uint32_t Took = CurrentTick_ - LastTick_;
  if (Took < Shortest_) Shortest_ = Took;
  if (Took > Longest_) Longest_ = Took;
  Accumulated_ += Took;
  // Unsigned difference: a late frame is not slept for, and tick wrap-around is harmless.
  if (static_cast<int32_t>(TargetTick_ - CurrentTick_) > 0) {
    Sleep_(TargetTick_ - CurrentTick_);
    CurrentTick_ = Sdl.SDL_GetTicks();
  }
  LastTick_ = CurrentTick_;
  if (CurrentTick_ - StartTick_ >= 1000) {
    SecondFrames_ = Frames_;
    SecondShortest_ = Shortest_;
    SecondLongest_ = Longest_;
    SecondAverage_ = Frames_ ? Accumulated_ / Frames_ : 0;
    Frames_ = 0;
    Shortest_ = 1000;
    Longest_ = 0;
    Accumulated_ = 0;
    StartTick_ = Sdl.SDL_GetTicks();
    return true;
  }
  return false;
}
