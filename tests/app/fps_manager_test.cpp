#include <gtest/gtest.h>

#include "console/fps_manager.h"
#include "console/sdl_api.h"

namespace {

uint32_t Clock = 0;
Uint32 FakeTicks() { return Clock; }

TEST(FramePacer, KeepsSixtyFramesASecondOnAverage) {
  Clock = 5000;
  TSDLEntrySwap Swap(Sdl.SDL_GetTicks, &FakeTicks);
  uint32_t Slept = 0;
  TFPSManager Pacer(60.0f, [&](uint32_t Ms) {
    Clock += Ms;
    Slept += Ms;
  });
  int Seconds = 0, Frames = 0;
  // Frames take 3 ms of work, with an occasional late one of 40 ms.
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
  EXPECT_NEAR(Frames / ((Clock - 5000) / 1000.0), 60.0, 1.0);
  EXPECT_GT(Slept, 0u);
}

TEST(FramePacer, LateFramesAreNotSleptFor) {
  Clock = 0xFFFFFF00u;  // also crosses the tick wrap-around
  TSDLEntrySwap Swap(Sdl.SDL_GetTicks, &FakeTicks);
  uint32_t Slept = 0;
  TFPSManager Pacer(60.0f, [&](uint32_t Ms) { Clock += Ms, Slept += Ms; });
  for (int I = 0; I < 5; ++I) {
    Clock += 50;
    Pacer.Delay();
  }
  EXPECT_EQ(Slept, 0u);
}

}  // namespace
