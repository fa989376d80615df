// The key buffer: order, typed text, the reset on overflow, waits, and one producer thread.
#include <gtest/gtest.h>

#include <functional>

#include "console/helpers.h"

namespace {

// Every waiting entry: a key byte as itself, a typed character as "<hex>".
std::string Drain(TSDLConsole& Con) {
  std::string S;
  char Hex[16];
  while (Con.KeyPressed()) {
    const auto K = Con.ReadKeyOrText();
    snprintf(Hex, sizeof Hex, "<%x>", static_cast<unsigned>(K.Text));
    S += K.Text ? std::string(Hex) : std::string(1, static_cast<char>(K.Key));
  }
  return S;
}

TEST(Keys, EntriesComeOutInOrder) {
  TSDLConsole Con;
  Con.PushKey('a');
  Con.PushExtKey(59);
  Con.PushKeyString("xyz");  // the first two bytes
  Con.PushKeyString("z");
  Con.PushKeyString("");
  // Control characters, C1 ones included, and what is no character are not text.
  for (char32_t C : {U'\u00e9', U'\x1f', U'\x7f', U'\x9f', U'\u00a0', U'\U0001F600', char32_t(0x110000)}) Con.PushText(C);
  EXPECT_EQ(Drain(Con), std::string("a\0;xyz", 6) + "<e9><a0><1f600>");
  // ReadKey gives a character's code page 437 byte, "?" where it has none.
  Con.PushText(U'\u00e9');
  Con.PushText(U'\u20ac');
  EXPECT_EQ(ReadKeyWithin(Con), 0x82);
  EXPECT_EQ(ReadKeyWithin(Con), '?');
}

TEST(Keys, The129thUnreadEntryEmptiesTheQueue) {
  TSDLConsole Con;
  for (int i = 0; i < 128; ++i) Con.PushKey(static_cast<uint8_t>(i));
  EXPECT_EQ(ReadKeyWithin(Con), 0);
  Con.PushKey(200);  // 128 unread again: still fits
  std::string Want;
  for (int i = 1; i < 128; ++i) Want += static_cast<char>(i);
  EXPECT_EQ(Drain(Con), Want + "\xc8");
  for (int i = 0; i < 128; ++i) Con.PushKey('q');
  Con.PushText(U'!');
  EXPECT_EQ(Drain(Con), "<21>");
  // The buffer goes on working after a reset, around its end many times.
  for (int i = 0; i < 1000; ++i) {
    Con.PushKey(static_cast<uint8_t>(i));
    Con.PushKey(static_cast<uint8_t>(i + 1));
    ASSERT_EQ(ReadKeyWithin(Con), static_cast<uint8_t>(i));
    ASSERT_EQ(ReadKeyWithin(Con), static_cast<uint8_t>(i + 1));
  }
}

TEST(Keys, TakeKeyReadsUpToThePlainKeyOrNothing) {
  struct TCase { std::string Queued; bool Taken; std::string Left; } Cases[] = {
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
    EXPECT_EQ(Drain(Con), C.Left);
  }
}

// A wait for input ends with a key or a click (true), or when the window closes (false).
TEST(Keys, WaitsEndOnAKeyAClickOrTermination) {
  struct TCase { const char* Name; std::function<void(TSDLConsole&)> Act; bool Result; };
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
  Con.NoteMousePress(7);  // no such button: nothing latched
  EXPECT_EQ(std::tuple(Con.MousePressLatch.load(), Con.InputWait(1), Con.KeyWait(5)), std::tuple(0u, false, false));
  // A closed window ends every key wait, and ReadKey then gives 1.
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
      while (Con.KeyPressed() && (i % 64) == 0) std::this_thread::yield();  // never overflow
      Con.PushKey(static_cast<uint8_t>(i));
    }
  });
  for (int i = 0; i < Count; ++i) ASSERT_EQ(ReadKeyWithin(Con), static_cast<uint8_t>(i)) << i;
  Producer.join();
}

}  // namespace
