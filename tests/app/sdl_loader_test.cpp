#include <gtest/gtest.h>

#include <sstream>

#include "console/sdl_api.h"

namespace {

class SDLLoader : public ::testing::Test {
 protected:
  void TearDown() override { UnloadSDL(); }
};

// Nothing found is not reported; a library lacking an entry is named, released and leaves the
// table empty (the GUI test sees the whole message); the run-time name fills every entry. The
// versioned name is the last candidate, after the private copy the GUI test proves first.
TEST_F(SDLLoader, TheTableIsFilledWholeOrNotAtAll) {
  EXPECT_EQ(SDLLibraryCandidates().back(), "libSDL2-2.0.so.0");
  std::ostringstream Out;
  EXPECT_TRUE(!LoadSDL({"/nonexistent/a.so", "nonexistent-b.so"}, Out) && Out.str().empty());
  EXPECT_FALSE(LoadSDL({LX_FAKE_SDL}, Out));
  EXPECT_EQ(Out.str().rfind("SDL2 load error: Name=SDL_AllocFormat Msg=", 0), 0u) << Out.str();
  EXPECT_TRUE(!Sdl.Loaded && !Sdl.Handle && !Sdl.SDL_Init);
  Out.str("");
  ASSERT_TRUE(LoadSDL({"/nonexistent/libSDL2.so", "libSDL2-2.0.so.0"}, Out));
  EXPECT_EQ(Out.str(), "");
  EXPECT_TRUE(Sdl.Loaded && !Sdl.LoadError);
#define LX_CHECK(name) EXPECT_NE(Sdl.name, nullptr) << #name;
  LX_SDL_ENTRIES(LX_CHECK)
#undef LX_CHECK
  UnloadSDL();
  EXPECT_TRUE(!Sdl.Loaded && !Sdl.SDL_Init);
}

}  // namespace
