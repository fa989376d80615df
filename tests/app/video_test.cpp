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
  int Composes = 0, Uploads = 0;
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

  TVideoHooks Hooks(TRecorder& R) {
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

// Under the leak checker: SDL hands every dropped text over to us.
TEST_F(VideoThread, DropsWithoutAHandlerAreReleased) {
  TRecorder R;
  TVideo Video(Hooks(R));
  ASSERT_TRUE(Video.Open({}));
  SDL_Event Drop{};
  Drop.type = SDL_DROPFILE;
  Drop.drop.file = StrDup("/tmp/x");
  ASSERT_EQ(PushEvent(&Drop), 1);
  SDL_Event Text{};
  Text.type = SDL_DROPTEXT;
  Text.drop.file = StrDup("dragged text");
  ASSERT_EQ(PushEvent(&Text), 1);
  Key('a', 0);
  EXPECT_TRUE(WaitFor(R, [&] { return R.Keys == "a"; }));
}

}  // namespace
