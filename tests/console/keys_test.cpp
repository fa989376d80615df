// The key buffer: order, extended keys, the reset on overflow, and one producer thread.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "console/helpers.h"

namespace {

TEST(Keys, BytesComeOutInOrder) {
  TSDLConsole Con;
  EXPECT_FALSE(Con.KeyPressed());
  Con.PushKey('a');
  Con.PushExtKey(59);
  Con.PushKeyString("xy");
  Con.PushKeyString("z");
  Con.PushKeyString("");
  EXPECT_TRUE(Con.KeyPressed());
  for (uint8_t Expected : {uint8_t('a'), uint8_t(0), uint8_t(59), uint8_t('x'), uint8_t('y'), uint8_t('z')})
    EXPECT_EQ(ReadKeyWithin(Con), Expected);
  EXPECT_FALSE(Con.KeyPressed());
}

TEST(Keys, The129thUnreadByteIsLeftAlone) {
  TSDLConsole Con;
  for (int i = 0; i < 128; ++i) Con.PushKey(static_cast<uint8_t>(i));
  EXPECT_EQ(ReadKeyWithin(Con), 0);
  Con.PushKey(200);   // 128 unread again: still fits
  EXPECT_EQ(ReadKeyWithin(Con), 1);
  for (int i = 2; i < 128; ++i) ReadKeyWithin(Con);
  EXPECT_EQ(ReadKeyWithin(Con), 200);
  EXPECT_FALSE(Con.KeyPressed());

  for (int i = 0; i < 128; ++i) Con.PushKey('q');
  Con.PushKey('!');
  EXPECT_EQ(ReadKeyWithin(Con), '!');
  EXPECT_FALSE(Con.KeyPressed());
  // The buffer goes on working after a reset, around its end many times.
  for (int i = 0; i < 1000; ++i) {
    Con.PushKey(static_cast<uint8_t>(i));
    Con.PushKey(static_cast<uint8_t>(i + 1));
    EXPECT_EQ(ReadKeyWithin(Con), static_cast<uint8_t>(i));
    EXPECT_EQ(ReadKeyWithin(Con), static_cast<uint8_t>(i + 1));
  }
}

TEST(Keys, TakeKeyReadsUpToThePlainKeyOrNothing) {
  struct TCase {
    std::string Queued;
    bool Taken;
    std::string Left;
  } Cases[] = {
      {"ab", false, "ab"},
      {"a\x1b" "b", true, "b"},
      {std::string("\0\x1b" "c", 3), false, std::string("\0\x1b" "c", 3)},  // ALT-] is no ESC
      {std::string("\0\x1b\x1b" "d", 4), true, "d"},
      {"", false, ""},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(testing::PrintToString(C.Queued));
    TSDLConsole Con;
    for (char Ch : C.Queued) Con.PushKey(static_cast<uint8_t>(Ch));
    EXPECT_EQ(Con.TakeKey(27), C.Taken);
    std::string Left;
    while (Con.KeyPressed()) Left += static_cast<char>(Con.ReadKey());
    EXPECT_EQ(Left, C.Left);
  }
}

TEST(Keys, WaitsEndWhenTheWindowCloses) {
  TSDLConsole Con;
  EXPECT_FALSE(Con.KeyWait(5));
  std::thread Closer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    Con.Terminated = true;
  });
  EXPECT_EQ(Bounded(Con, [&] { return Con.ReadKey(); }), 1);
  Closer.join();
  EXPECT_FALSE(Bounded(Con, [&] { return Con.KeyWait(100000); }));
  EXPECT_EQ(Bounded(Con, [&] { return Con.ReadKeyWait(); }), 1);
}

TEST(Keys, ProducerThreadAndConsumerAgree) {
  TSDLConsole Con;
  constexpr int Count = 5000;
  std::thread Producer([&] {
    for (int i = 0; i < Count; ++i) {
      while (Con.KeyPressed() && (i % 64) == 0) std::this_thread::yield();   // never overflow
      Con.PushKey(static_cast<uint8_t>(i));
    }
  });
  for (int i = 0; i < Count; ++i) ASSERT_EQ(ReadKeyWithin(Con), static_cast<uint8_t>(i)) << i;
  Producer.join();
}

// A wait for input ends with a key or a click (true), or when the window closes (false).
TEST(Keys, InputWaitEndsOnAKeyAClickOrTermination) {
  struct TCase {
    const char* Name;
    std::function<void(TSDLConsole&)> Act;
    bool Result;
  };
  const TCase Cases[] = {
      {"key", [](TSDLConsole& C) { C.PushKey('k'); }, true},
      {"right click", [](TSDLConsole& C) { C.NoteMousePress(2); }, true},
      {"window closed", [](TSDLConsole& C) { C.Terminate(); }, false},
  };
  for (const TCase& C : Cases) {
    TSDLConsole Con;
    std::thread Other([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      C.Act(Con);
    });
    EXPECT_EQ(Con.InputWait(5000), C.Result) << C.Name;
    Other.join();
  }
  TSDLConsole Con;
  Con.NoteMousePress(7);   // no such button: nothing latched
  EXPECT_EQ(Con.MousePressLatch.load(), 0u);
  EXPECT_FALSE(Con.InputWait(1));
}

}  // namespace

