#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "console/sdl_api.h"

namespace fs = std::filesystem;

namespace {

class SDLLoader : public ::testing::Test {
 protected:
  void TearDown() override { UnloadSDL(); }
};

TEST_F(SDLLoader, RunTimeNameFillsTheWholeTableSilently) {
  std::ostringstream Out;
  ASSERT_TRUE(LoadSDL({"/nonexistent/libSDL2.so", "libSDL2-2.0.so.0"}, Out));
  EXPECT_EQ(Out.str(), "");
  EXPECT_TRUE(Sdl.Loaded);
  EXPECT_FALSE(Sdl.LoadError);
#define LX_CHECK(name) EXPECT_NE(Sdl.name, nullptr) << #name;
  LX_SDL_ENTRIES(LX_CHECK)
#undef LX_CHECK
  UnloadSDL();
  EXPECT_FALSE(Sdl.Loaded);
  EXPECT_EQ(Sdl.SDL_Init, nullptr);
}

TEST_F(SDLLoader, MissingEntryIsNamedThenTheLibraryIsReleased) {
  std::ostringstream Out;
  EXPECT_FALSE(LoadSDL({LX_FAKE_SDL}, Out));
  const std::string Text = Out.str();
  EXPECT_EQ(Text.rfind("SDL2 load error: Name=SDL_AllocFormat Msg=", 0), 0u) << Text;
  const auto FirstEnd = Text.find('\n');
  EXPECT_EQ(Text.substr(FirstEnd + 1), "Error loading SDL2 library\n");
  EXPECT_FALSE(Sdl.Loaded);
  EXPECT_EQ(Sdl.Handle, nullptr);
  EXPECT_EQ(Sdl.SDL_Init, nullptr);
  std::ostringstream None;  // nothing found is not reported
  EXPECT_FALSE(LoadSDL({"/nonexistent/a.so", "nonexistent-b.so"}, None));
  EXPECT_EQ(None.str(), "");
  EXPECT_FALSE(Sdl.Loaded);
}

TEST_F(SDLLoader, PrivateCopyUnderLibsFirstVersionedNameLast) {
  const auto& C = SDLLibraryCandidates();
  ASSERT_FALSE(C.empty());
  EXPECT_EQ(C.front(), "libs/libSDL2.so");
  EXPECT_EQ(C.back(), "libSDL2-2.0.so.0");
  const fs::path Old = fs::current_path();
  const fs::path Dir = fs::temp_directory_path() / ("lx_libs_" + std::to_string(getpid()));
  fs::create_directories(Dir / "libs");
  fs::copy_file(LX_FAKE_SDL, Dir / "libs" / "libSDL2.so", fs::copy_options::overwrite_existing);
  fs::current_path(Dir);
  std::ostringstream Out;
  const bool Loaded = LoadSDL(SDLLibraryCandidates(), Out);
  fs::current_path(Old);
  fs::remove_all(Dir);
  // The stand-in lacks one entry, so reaching it proves it was picked before the system's copy.
  EXPECT_FALSE(Loaded);
  EXPECT_NE(Out.str().find("Name=SDL_AllocFormat"), std::string::npos);
}

Uint32 FakeTicks() { return 12345; }

TEST_F(SDLLoader, SwappedEntryComesBackOnScopeExit) {
  std::ostringstream Out;
  ASSERT_TRUE(LoadSDL({"libSDL2-2.0.so.0"}, Out));
  const auto Real = Sdl.SDL_GetTicks;
  {
    TSDLEntrySwap Swap(Sdl.SDL_GetTicks, &FakeTicks);
    EXPECT_EQ(Sdl.SDL_GetTicks(), 12345u);
  }
  EXPECT_EQ(Sdl.SDL_GetTicks, Real);
}

}  // namespace
