#include <gtest/gtest.h>

#include "console/fps_manager.h"
#include "console/sdl_api.h"

namespace {

uint32_t Clock = 0;
Uint32 FakeTicks() { return Clock; }

// Late frames first, which are not slept for, across the tick wrap-around; then frames of
// 3 ms of work with an occasional late one of 40 ms.
TEST(FramePacer, KeepsSixtyFramesASecondOnAverage) {
  const uint32_t Start = 0xFFFFFF00u;
  Clock = Start;
  TSDLEntrySwap Swap(Sdl.SDL_GetTicks, &FakeTicks);
  uint32_t Slept = 0;
  TFPSManager Pacer(60.0f, [&](uint32_t Ms) { Clock += Ms, Slept += Ms; });
  int Seconds = 0, Frames = 0;
  for (; Frames < 6; ++Frames) {
    Clock += 50;
    Pacer.Delay();
  }
  EXPECT_EQ(Slept, 0u);
  for (int I = 0; Seconds < 10; ++I) {
    Clock += (I % 25 == 0) ? 40 : 3;
    ++Frames;
    if (Pacer.Delay()) {
      ++Seconds;
      EXPECT_GE(Pacer.SecondFrames(), 58u);
      EXPECT_LE(Pacer.SecondFrames(), 61u);
      EXPECT_LE(Pacer.SecondShortest(), Pacer.SecondLongest());
    }
  }
  EXPECT_NEAR(Frames / ((Clock - Start) / 1000.0), 60.0, 1.0);
  EXPECT_GT(Slept, 0u);
}

}  // namespace
