// The video thread with the real SDL2 library and its dummy video driver.
#include <gtest/gtest.h>
#include <dlfcn.h>

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <sstream>
#include <thread>

#include "console/video.h"

namespace {

using namespace std::chrono_literals;

struct TRecorder {
  std::mutex Lock;
  std::string Keys;
  int Quits = 0, Composes = 0, Uploads = 0;
  std::vector<std::string> Drops;
};

class VideoThread : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    std::ostringstream Out;
    if (!LoadSDL({"libSDL2-2.0.so.0", "libSDL2.so"}, Out)) GTEST_SKIP() << "no SDL2 run-time library";
    PushEvent = reinterpret_cast<decltype(&SDL_PushEvent)>(dlsym(Sdl.Handle, "SDL_PushEvent"));
    StrDup = reinterpret_cast<decltype(&SDL_strdup)>(dlsym(Sdl.Handle, "SDL_strdup"));
    ASSERT_NE(PushEvent, nullptr);
  }
  void TearDown() override { UnloadSDL(); }

  TVideoHooks Hooks(TRecorder& R, bool WantDrops = true) {
    TVideoHooks H;
    H.Compose = [&R, Pixels = std::vector<uint32_t>(2560 * 1920, 0xFF0000AAu)](
                    bool, bool Force, const TVideoHooks::TUpload& Upload) {
      std::lock_guard L(R.Lock);
      ++R.Composes;
      if (!Force) return false;
      ++R.Uploads;
      Upload(Pixels.data(), 2560 * 4);  // big enough for any screen
      return true;
    };
    H.Keys = [&R](const std::string& B) { std::lock_guard L(R.Lock); R.Keys += B; };
    H.Quit = [&R] { std::lock_guard L(R.Lock); ++R.Quits; };
    if (WantDrops) H.Drop = [&R](const std::string& P) { std::lock_guard L(R.Lock); R.Drops.push_back(P); };
    return H;
  }

  template <typename Pred>
  bool WaitFor(TRecorder& R, Pred P) {
    for (int I = 0; I < 400; ++I) {
      {
        std::lock_guard L(R.Lock);
        if (P()) return true;
      }
      std::this_thread::sleep_for(5ms);
    }
    return false;
  }

  void Key(SDL_Keycode Sym, Uint16 Mod) {
    SDL_Event E{};
    E.type = SDL_KEYDOWN;
    E.key.keysym.sym = Sym;
    E.key.keysym.mod = Mod;
    ASSERT_EQ(PushEvent(&E), 1);
  }

  decltype(&SDL_PushEvent) PushEvent = nullptr;
  decltype(&SDL_strdup) StrDup = nullptr;
};

TEST_F(VideoThread, EventsBecomeKeysDropsAndQuit) {
  TRecorder R;
  TVideo Video(Hooks(R));
  ASSERT_TRUE(Video.Open({}));
  EXPECT_NE(Video.Window(), nullptr);
  EXPECT_TRUE(WaitFor(R, [&] { return R.Uploads >= 1; }));  // the first frame is always shown

  Key('c', KMOD_LALT);
  Key(SDLK_KP_7, 0);
  SDL_Event Wheel{};
  Wheel.type = SDL_MOUSEWHEEL;
  Wheel.wheel.y = -1;
  ASSERT_EQ(PushEvent(&Wheel), 1);
  EXPECT_TRUE(WaitFor(R, [&] { return R.Keys.size() >= 6; }));
  EXPECT_EQ(R.Keys, std::string("\0\x2e\0\x47\0\x50", 6));

  SDL_Event Drop{};
  Drop.type = SDL_DROPFILE;
  Drop.drop.file = StrDup("/tmp/some file.zip");
  ASSERT_EQ(PushEvent(&Drop), 1);
  SDL_Event Text{};
  Text.type = SDL_DROPTEXT;
  Text.drop.file = StrDup("not a file");
  ASSERT_EQ(PushEvent(&Text), 1);
  EXPECT_TRUE(WaitFor(R, [&] { return !R.Drops.empty(); }));
  EXPECT_EQ(R.Drops, std::vector<std::string>{"/tmp/some file.zip"});

  SDL_Event Close{};
  Close.type = SDL_WINDOWEVENT;
  Close.window.event = SDL_WINDOWEVENT_CLOSE;
  ASSERT_EQ(PushEvent(&Close), 1);
  SDL_Event Quit{};
  Quit.type = SDL_QUIT;
  ASSERT_EQ(PushEvent(&Quit), 1);
  EXPECT_TRUE(WaitFor(R, [&] { return R.Quits == 2; }));
  Video.Close();
  EXPECT_FALSE(Video.Running());
  EXPECT_EQ(Video.Window(), nullptr);
}

TEST_F(VideoThread, IdleWindowPresentsNothingNew) {
  TRecorder R;
  TVideo Video(Hooks(R));
  ASSERT_TRUE(Video.Open({}));
  ASSERT_TRUE(WaitFor(R, [&] { return R.Composes >= 20; }));
  const int Uploads = R.Uploads;
  EXPECT_LE(Uploads, 2);
  Video.Invalidate();
  EXPECT_TRUE(WaitFor(R, [&] { return R.Uploads > Uploads; }));
}

TEST_F(VideoThread, DropsWithoutAHandlerAreReleased) {
  TRecorder R;
  TVideo Video(Hooks(R, false));
  ASSERT_TRUE(Video.Open({}));
  SDL_Event Drop{};
  Drop.type = SDL_DROPFILE;
  Drop.drop.file = StrDup("/tmp/x");
  ASSERT_EQ(PushEvent(&Drop), 1);
  Key('a', 0);
  EXPECT_TRUE(WaitFor(R, [&] { return R.Keys == "a"; }));
}

TEST_F(VideoThread, OpenAndCloseManyTimes) {
  TRecorder R;
  TVideo Video(Hooks(R));
  for (int I = 0; I < 12; ++I) {
    TVideoParams P;
    P.WindowMode = I % 3;
    P.ScaleQuality = I % 3;
    P.Letterbox = I % 2;
    P.Accelerated = I % 2;
    P.Cols = 80 + I;
    P.CellWidth = I % 2 ? 16 : 8;
    P.CellHeight = I % 2 ? 32 : 16;
    ASSERT_TRUE(Video.Open(P)) << I;
    EXPECT_TRUE(Video.Running());
    Video.SetTitle("Lanternyx");
    Video.SetIcon("no such icon.bmp");
    Video.Close();
    EXPECT_FALSE(Video.Running());
  }
}

}  // namespace
