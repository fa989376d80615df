// The console and its video thread with a real window: SDL2 with its dummy video
// driver; events pushed into SDL's queue come out as bytes and flags.
#include <gtest/gtest.h>
#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <sstream>
#include <thread>

#include "console/helpers.h"
#include "console/scrollback.h"
#include "console/video.h"

namespace {

using namespace std::chrono_literals;

class DummySDL : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    std::ostringstream Out;
    if (!LoadSDL({"libSDL2-2.0.so.0", "libSDL2.so"}, Out)) GTEST_SKIP() << "no SDL2 run-time library";
    PeepEvents = reinterpret_cast<decltype(&SDL_PeepEvents)>(dlsym(Sdl.Handle, "SDL_PeepEvents"));
    StrDup = reinterpret_cast<decltype(&SDL_strdup)>(dlsym(Sdl.Handle, "SDL_strdup"));
    ASSERT_NE(PeepEvents, nullptr);
  }
  void TearDown() override { UnloadSDL(); }

  void Push(SDL_Event E) { ASSERT_EQ(PeepEvents(&E, 1, SDL_ADDEVENT, 0, 0), 1); }
  // One key press as SDL queues it, in one go: the key event (none for Sym 0), an event of
  // another thread that lands in the middle (Between), the text typed (none for "").
  void Press(SDL_Keycode Sym, Uint16 Mod, const char* Text, Uint32 Between = 0) {
    SDL_Event E[3]{};
    int N = 0;
    if (Sym) E[N].key.keysym.sym = Sym, E[N].key.keysym.mod = Mod, E[N++].type = SDL_KEYDOWN;
    if (Between) E[N++].type = Between;
    if (*Text) std::strncpy(E[N].text.text, Text, 31), E[N++].type = SDL_TEXTINPUT;
    ASSERT_EQ(PeepEvents(E, N, SDL_ADDEVENT, 0, 0), N);
  }
  void Event(Uint32 Type, const char* Dropped = nullptr) {
    SDL_Event E{};
    E.type = Type;
    if (Dropped) E.drop.file = StrDup(Dropped);  // SDL hands it over to the receiver
    Push(E);
  }

  decltype(&SDL_PeepEvents) PeepEvents = nullptr;
  decltype(&SDL_strdup) StrDup = nullptr;
};

class ConsoleWindow : public DummySDL {
 protected:
  void TearDown() override {
    Con.reset();
    DummySDL::TearDown();
  }
  std::string Read(size_t N) {
    std::string S;
    while (S.size() < N && Con->KeyWait(2000)) S += static_cast<char>(Con->ReadKey());
    return S;
  }

  std::unique_ptr<TSDLConsoleScrollback> Con = std::make_unique<TSDLConsoleScrollback>();
};

// Every press sends its key or its text, never both; typed text reads as code page 437. The
// wheel step follows WheelLines set while the window is open (the scrollback viewer's 3).
TEST_F(ConsoleWindow, KeysTextAndWheelArriveAsBytes) {
  ASSERT_TRUE(Con->OpenVideo(80, 25, 0, 0, 1));
  // AltGr with a wake-up between key and text; a dead key, then text of no key press.
  const std::tuple<SDL_Keycode, Uint16, const char*, Uint32> Presses[] = {
      {'c', KMOD_LCTRL | KMOD_LALT, "", 0}, {'c', KMOD_LALT, "c", 0},
      {'c', KMOD_LSHIFT | KMOD_CAPS, "C", 0}, {SDLK_KP_7, 0, "", 0}, {SDLK_KP_7, KMOD_NUM, "7", 0},
      {SDLK_F12, KMOD_RALT, "", 0}, {'q', KMOD_RALT, "@", SDL_USEREVENT}, {0x40000000, 0, "", 0},
      {0, 0, "\u00ea\u20ac", 0}};
  for (const auto& [Sym, Mod, Text, Between] : Presses) Press(Sym, Mod, Text, Between);
  SDL_Event Wheel{};
  Wheel.type = SDL_MOUSEWHEEL, Wheel.wheel.y = 1;
  Push(Wheel);
  EXPECT_EQ(Read(14), std::string("\x03\0\x2e" "C\0\x47" "7\0\x8c" "@\x88?\0\x48", 14));
  Con->WheelLines = 3;
  Wheel.wheel.y = -1;
  Push(Wheel);
  EXPECT_EQ(Read(6), std::string("\0\x50\0\x50\0\x50", 6));
  EXPECT_FALSE(Con->KeyWait(100));
}

// A drop goes to the handler and sets the flag once; SDL_QUIT ends a waiting ReadKey.
TEST_F(ConsoleWindow, DropThenQuit) {
  std::string Dropped;
  Con->OnFileDrop = [&Dropped](const std::string& Path) { Dropped = Path; };
  ASSERT_TRUE(Con->OpenVideo(80, 25, 0, 0, 3));
  Event(SDL_DROPFILE, "/home/user/upload me.zip");
  for (int I = 0; I < 2000 && !Con->FileDropped.load(); ++I) std::this_thread::sleep_for(1ms);
  EXPECT_TRUE(Con->CheckFileDrop() && !Con->CheckFileDrop());  // once
  EXPECT_EQ(Dropped, "/home/user/upload me.zip");
  std::thread Waiter([&] { EXPECT_EQ(Bounded(*Con, [&] { return Con->ReadKey(); }), 1); });
  Event(SDL_QUIT);
  Waiter.join();
  EXPECT_TRUE(Con->Terminated.load());
}

// The main thread writes while the window thread sleeps, wakes and composes (run under
// ThreadSanitizer too): every batch gets composed.
TEST_F(ConsoleWindow, WritesWakeTheWindowThread) {
  ASSERT_TRUE(Con->OpenVideo(160, 60, 0, 0, 3));
  for (int I = 0; I < 300; ++I) {
    auto Batch = Con->Batch();
    Con->WriteStr("a line of text that scrolls the screen\r\n");
    Con->BlinkEnabled = I % 2;
    if (I % 50 == 0) std::this_thread::sleep_for(5ms);   // let the thread fall asleep now and then
  }
  for (int I = 0; I < 2000 && Con->NeedsCompose(); ++I) std::this_thread::sleep_for(1ms);
  EXPECT_FALSE(Con->NeedsCompose());
}

TEST_F(ConsoleWindow, OpenAndCloseRepeatedly) {
  for (int I = 0; I < 12; ++I) {
    if (I % 4 == 3) Con = std::make_unique<TSDLConsoleScrollback>();  // as a change of screen size does
    Con->UseLogicalSize = I % 2;
    Con->UseAccelerated = I % 3 == 0;
    ASSERT_TRUE(Con->OpenVideo(80 + I, 25 + I, static_cast<uint8_t>(I % 3), static_cast<uint8_t>(I % 3),
                               static_cast<uint8_t>(1 + I % 4)));
    Con->WriteXY(1, 1, 7, "hello");
    if (I % 4 != 2) Con->CloseVideo();  // else the new object's predecessor goes with the window open
    EXPECT_EQ(Con->Video() == nullptr, I % 4 != 2);
  }
}

struct TRecorder {
  std::mutex Lock;
  std::string Keys;
  int Composes = 0, Uploads = 0;
  std::atomic<bool> Changed{false};  // what Pending reports; a compose clears it
};

class VideoThread : public DummySDL {
 protected:
  TVideoHooks Hooks() {
    TVideoHooks H;
    H.Compose = [this, Pixels = std::vector<uint32_t>(2560 * 1920, 0xFF0000AAu)](
                    bool, bool Force, const TVideoHooks::TUpload& Upload) {
      std::lock_guard L(R.Lock);
      ++R.Composes;
      R.Changed = false;
      if (!Force) return false;
      ++R.Uploads;
      Upload(Pixels.data(), 2560, 1920, {});  // big enough for any screen
      return true;
    };
    H.Keys = [this](const std::string& B) { std::lock_guard L(R.Lock); R.Keys += B; };
    return H;
  }
  template <typename Fn>
  auto Locked(Fn F) {
    std::lock_guard L(R.Lock);
    return F();
  }
  bool WaitFor(const std::function<bool()>& P) { return WaitUntil([&] { return Locked(P); }, 2000); }
  TRecorder R;
};

// With nothing pending and nothing blinking the thread sleeps: it composes again only when
// woken, not on a tick.
TEST_F(VideoThread, SleepsUntilWokenWhenNothingIsDue) {
  TVideoHooks H = Hooks();
  H.Pending = [this] { return R.Changed.load(); };
  H.Blinking = [] { return false; };
  TVideo Video(H);
  TVideoParams P;
  P.IdleWaitMs = 600000;   // only a wake-up ends the sleep within the test's limits
  ASSERT_TRUE(Video.Open(P));
  ASSERT_TRUE(WaitFor([&] { return R.Uploads >= 1; }));
  std::this_thread::sleep_for(300ms);   // a ticking thread composes about 18 times here
  const int Composes = Locked([&] { return R.Composes; });
  EXPECT_LE(Composes, 3);
  R.Changed = true;
  Video.Wake();
  EXPECT_TRUE(WaitFor([&] { return R.Composes > Composes; }));
  // A forced frame is presented although nothing changed.
  const int Uploads = Locked([&] { return R.Uploads; });
  Video.Invalidate();
  EXPECT_TRUE(WaitFor([&] { return R.Uploads > Uploads; }));
}

// Under the leak checker: SDL hands every dropped text over to us.
TEST_F(VideoThread, DropsWithoutAHandlerAreReleased) {
  TVideo Video(Hooks());
  ASSERT_TRUE(Video.Open({}));
  Event(SDL_DROPFILE, "/tmp/x");
  Event(SDL_DROPTEXT, "dragged text");
  Press(SDLK_TAB, 0, "");
  EXPECT_TRUE(WaitFor([&] { return R.Keys == "\t"; }));
}

}  // namespace
