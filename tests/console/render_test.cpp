// The composed picture (colours, blink, cursor, selection; composing the changed rows gives
// what drawing afresh gives), the fonts, the bell, and the key buffer.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <thread>

#include "console/bell.h"
#include "console/fonts.h"
#include "console/helpers.h"
#include "console/palette.h"
#include "console/sdl_api.h"

namespace {

constexpr uint32_t Black = 0xFF000000u;
constexpr uint32_t White = 0xFFFFFFFFu;
constexpr uint32_t Grey = 0xFFAAAAAAu;

// Pixel of an ink (1) or paper (0) spot of the glyph 'A' in an 8x16 cell: row 7 is 0xfe.
constexpr int InkX = 1, InkY = 7, PaperX = 7, PaperY = 7;

std::vector<uint32_t> Picture(const TSDLConsole& Con) {
  return {Con.Pixels(), Con.Pixels() + Con.PixelWidth() * Con.PixelHeight()};
}

// A second console drawn from scratch with the same cells and overlays.
std::vector<uint32_t> FreshPicture(const TSDLConsole& Con) {
  auto Fresh = std::make_unique<TSDLConsole>();
  Fresh->OpenScreen(Con.Cols, Con.Rows, Con.Font);
  auto Image = std::make_unique<TConsoleImage>();
  Con.SaveScreen(0, 0, 0, 0, *Image);
  Fresh->RestoreScreen(*Image);
  Fresh->BlinkEnabled = Con.BlinkEnabled;
  Fresh->CursorHidden = Con.CursorHidden;
  Fresh->GotoXY(Con.CursorX, Con.CursorY);
  Fresh->BlinkRedraw(Con.BlinkPhase());
  Fresh->ComposeFrame();
  return Picture(*Fresh);
}

void BlinkOn(TSDLConsole& C) {
  auto Batch = C.Batch();
  C.BlinkEnabled = true;
}

// Ink and paper of an 'A' in each colour mode, composed with the cursor off.
TEST(Render, InkAndPaperOfEachColourMode) {
  // A paper of 0: any, as long as the whole cell shows it.
  struct TCase { const char* Name; std::function<void(TSDLConsole&)> Set; uint32_t Ink, Paper; };
  const TCase Cases[] = {
      {"16 colours", [](TSDLConsole& C) { C.SetTextAttr(0x1E, true); }, MapRGB(255, 255, 85), MapRGB(0, 0, 170)},
      {"palette", [](TSDLConsole& C) { C.SetFg256(196), C.SetBg256(21); }, MapRGB(255, 0, 0), MapRGB(0, 0, 255)},
      {"grey ramp and a low palette entry", [](TSDLConsole& C) { C.SetFg256(244), C.SetBg256(3); },
       MapRGB(128, 128, 128), MapRGB(128, 128, 0)},
      {"rgb", [](TSDLConsole& C) { C.SetFgRGB(1, 2, 3), C.SetBgRGB(250, 251, 252); }, MapRGB(1, 2, 3),
       MapRGB(250, 251, 252)},
      {"without blink the high bit is a bright background", [](TSDLConsole& C) { C.SetTextAttr(143, true); }, White,
       MapRGB(85, 85, 85)},
      {"a palette ink never blinks",
       [](TSDLConsole& C) { BlinkOn(C), C.SetTextAttr(0x8F, true), C.SetFg256(10); }, Palette256[10], 0},
      {"an rgb ink never blinks",
       [](TSDLConsole& C) { BlinkOn(C), C.SetTextAttr(0x8F, true), C.SetFgRGB(9, 9, 9); }, MapRGB(9, 9, 9), 0},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TSDLConsole Con;
    Con.DrawCursor(false);
    C.Set(Con);
    Con.WriteCharXY(3, 2, 'A');
    Con.BlinkRedraw(false);
    Con.ComposeFrame();
    const uint32_t Paper = C.Paper ? C.Paper : CellPixel(Con, 3, 2, PaperX, PaperY);
    EXPECT_EQ(std::tuple(CellPixel(Con, 3, 2, InkX, InkY), CellPixel(Con, 3, 2, PaperX, PaperY),
                         CellPixel(Con, 3, 2, 0, 0), CellPixel(Con, 4, 2, 0, 0), Con.PixelWidth(), Con.PixelHeight()),
              std::tuple(C.Ink, Paper, Paper, Black, 640, 400));
  }
}

TEST(Render, BlinkingCellShowsThenHides) {
  TSDLConsole Con;
  Con.DrawCursor(false);
  Con.BlinkEnabled = true;
  Con.WriteXY(1, 1, 143, "A");
  // Ink and paper after a frame in the given phase.
  const auto Frame = [&](bool Phase) {
    Con.BlinkRedraw(Phase);
    EXPECT_TRUE(Con.NeedsCompose());
    Con.ComposeFrame();
    return std::make_pair(CellPixel(Con, 1, 1, InkX, InkY), CellPixel(Con, 1, 1, PaperX, PaperY));
  };
  for (bool Phase : {true, false, true}) EXPECT_EQ(Frame(Phase), std::make_pair(Phase ? White : Black, Black));
  // Switching blink off and on again redraws the cell at once.
  { auto Batch = Con.Batch(); Con.BlinkEnabled = false; }
  EXPECT_EQ(Frame(false), std::make_pair(White, MapRGB(85, 85, 85)));
  { auto Batch = Con.Batch(); Con.BlinkEnabled = true; }
  Con.ComposeFrame();
  EXPECT_EQ(CellPixel(Con, 1, 1, InkX, InkY), Black);
}

// The pixel rows 12-15 (8x16) or 27-31 (16x32) of the cell: one colour each, or 0 when mixed.
std::vector<uint32_t> UnderRows(const TSDLConsole& Con, int X, int Y) {
  std::vector<uint32_t> Rows;
  for (int Py = Con.CellHeight() == 16 ? 12 : 27; Py < Con.CellHeight(); ++Py) {
    uint32_t First = CellPixel(Con, X, Y, 0, Py);
    for (int Px = 1; Px < Con.CellWidth(); ++Px)
      if (CellPixel(Con, X, Y, Px, Py) != First) First = 0;
    Rows.push_back(First);
  }
  return Rows;
}

TEST(Render, CursorUnderlineOnTheBottomRowsOfTheCell) {
  const std::vector<uint32_t> Plain(4, Black), Under = {Black, Grey, Grey, Grey};
  TSDLConsole Con;
  // The bottom rows of the cells (5,6), (6,6) and (1,1) after a frame.
  const auto Frame = [&] {
    Con.ComposeFrame();
    return std::tuple(UnderRows(Con, 5, 6), UnderRows(Con, 6, 6), UnderRows(Con, 1, 1));
  };
  Con.GotoXY(5, 6);
  Con.DrawCursor(true);
  EXPECT_EQ(Frame(), std::tuple(Under, Plain, Plain));
  // Moving the cursor takes the underline along; hiding it takes it away.
  Con.GotoXY(1, 1);
  EXPECT_EQ(Frame(), std::tuple(Plain, Plain, Under));
  Con.DrawCursor(false);
  EXPECT_EQ(Frame(), std::tuple(Plain, Plain, Plain));
  // A hidden cursor is not drawn, not even by the blink of the video thread.
  { auto Batch = Con.Batch(); Con.CursorHidden = true; }
  Con.DrawCursor(true);
  Con.BlinkRedraw(true);
  EXPECT_EQ(Frame(), std::tuple(Plain, Plain, Plain));
  { auto Batch = Con.Batch(); Con.CursorHidden = false; }
  Con.OpenScreen(80, 25, 4);
  Con.WriteCharFont('/', 1);  // an 8x16 font number on a 16x32 screen draws its large sibling
  Con.GotoXY(2, 2);
  Con.DrawCursor(true);
  Con.ComposeFrame();
  EXPECT_EQ(UnderRows(Con, 2, 2), (std::vector<uint32_t>{Black, Grey, Grey, Grey, Grey}));
}

TEST(Render, SelectionHighlightGoesWithTheNextCompose) {
  TSDLConsole Con;
  Con.DrawCursor(false);
  Con.WriteXY(1, 1, 7, "select me");
  EXPECT_TRUE(Con.ComposeFrame());
  EXPECT_FALSE(Con.NeedsCompose() || Con.ComposeFrame());  // nothing changed: nothing composed
  const auto Before = Picture(Con);
  Con.HighlightRect(4, 2, 2, 1);
  Con.ComposeFrame();
  EXPECT_EQ(std::make_tuple(CellPixel(Con, 2, 1, PaperX, PaperY), CellPixel(Con, 4, 2, PaperX, PaperY),
                            CellPixel(Con, 5, 1, PaperX, PaperY), Con.Cell(2, 1).Attr),
            std::make_tuple(Palette16[4], Palette16[4], Black, 7));  // the cells stay as they were
  Con.ClearHighlight();
  Con.ComposeFrame();
  EXPECT_EQ(Picture(Con), Before);
  Con.Invalidate();
  EXPECT_TRUE(Con.NeedsCompose());
}

// Random operations, composing now and then: the picture must always equal a fresh one, and
// a copy kept up to date only with the rectangles each frame reports (as the window's
// texture is) must always equal the picture.
TEST(Render, IncrementalPictureEqualsAFreshOne) {
  std::mt19937 Rng(1234);
  for (uint8_t FontNo : {uint8_t(1), uint8_t(4)}) {
    TSDLConsole Con;
    Con.OpenScreen(80, 25, FontNo);
    std::vector<uint32_t> Texture;
    std::vector<TPixelRect> Rects;
    auto Compose = [&] {
      const bool First = Texture.empty();
      Con.ComposeFrame(&Rects);
      if (First) Texture = Picture(Con);
      const int W = Con.ComposedWidth();
      for (const TPixelRect& R : Rects)
        for (int Y = R.Y; Y < R.Y + R.H; ++Y)
          std::copy_n(Con.Pixels() + Y * W + R.X, R.W, Texture.begin() + Y * W + R.X);
      ASSERT_EQ(Texture, Picture(Con)) << "a change outside the reported rectangles";
    };
    for (int Step = 0; Step < 600; ++Step) {
      const int Op = Rng() % 17;
      const int X = 1 + Rng() % 80, Y = 1 + Rng() % 25, N = Rng() % 4;
      switch (Op) {
        case 0: Con.SetTextAttr(static_cast<uint8_t>(Rng())); break;
        case 1: Con.SetFg256(static_cast<uint8_t>(Rng())); break;
        case 2: Con.SetBgRGB(1, static_cast<uint8_t>(Rng()), 3); break;
        case 3: Con.WriteStr("text\r\n more"); break;
        case 4: Con.GotoXY(X, Y); break;
        case 5: Con.SetWindow(1, std::min(X % 25 + 1, Y), 80, Y); break;
        case 6: Con.InsertLines(Y, N, 25); break;
        case 7: Con.DeleteChars(Y, X, N); break;
        case 8: Con.ClearScreen(static_cast<uint8_t>(N)); break;
        case 9: { auto B = Con.Batch(); Con.BlinkEnabled = !Con.BlinkEnabled; } break;
        case 10: Con.BlinkRedraw(Rng() % 2); break;
        case 11: Con.HighlightRect(X, Y, 1 + Rng() % 80, 1 + Rng() % 25); break;
        case 12: Con.ClearHighlight(); break;
        case 13: { const uint8_t Run[] = {'r', 'u', 'n', 0xDB}; Con.WriteRun(Run, 1 + N, FontNo); } break;
        case 14: Con.SetTextAttr(static_cast<uint8_t>(0x80 | Rng())); Con.WriteCharXY(X, Y, 'b'); break;
        case 15: { auto B = Con.Batch(); Con.CursorHidden = !Con.CursorHidden; } break;
        default: Compose(); break;
      }
      if (HasFatalFailure()) return;
    }
    Con.ClearHighlight();
    Compose();
    ASSERT_EQ(Picture(Con), FreshPicture(Con)) << "font " << int(FontNo);
  }
}

// The main thread writes in batches while another thread composes, as the window does.
TEST(Render, ComposingWhileWritingFromAnotherThread) {
  TSDLConsole Con;
  std::atomic<bool> Done{false};
  std::thread Video([&] {
    while (!Done.load()) {
      if (Con.NeedsCompose()) Con.ComposeFrame();
      Con.BlinkRedraw(!Con.BlinkPhase());
      std::this_thread::yield();
    }
  });
  for (int i = 0; i < 300; ++i) {
    auto Batch = Con.Batch();
    Con.WriteStr("line of text scrolling by\r\n");
    Con.BlinkEnabled = i % 2;
  }
  Done = true;
  Video.join();
  Con.BlinkRedraw(true);
  Con.ComposeFrame();
  EXPECT_EQ(Picture(Con), FreshPicture(Con));
}

// A wait for a key inside a batch must not stop the picture.
TEST(Render, WaitingForAKeyInsideABatchLetsFramesThrough) {
  TSDLConsole Con;
  std::atomic<bool> Composed{false};
  std::optional<TSDLConsole::TBatch> Batch(Con.Batch());
  auto Inner = std::make_unique<TSDLConsole::TBatch>(Con);   // the wait lets go of both levels
  Con.WriteStr("prompt");
  std::thread Video([&] {
    Con.ComposeFrame();
    Composed = true;
    Con.PushKey('y');
  });
  if (ReadKeyWithin(Con) == 'y') Con.WriteStr(" yes");   // the batch is held again
  Inner.reset();
  Batch.reset();                          // a video thread still blocked can now finish
  Video.join();
  EXPECT_TRUE(Composed.load());
  EXPECT_EQ(RowTextTrimmed(Con, 1), "prompt yes");
}

// Blink work goes where things blink: a phase change redraws the cursor cell and the
// blinking cells only, and with neither there is nothing to time or draw.
TEST(Render, BlinkRedrawsOnlyWhatBlinks) {
  // BlinkCols: blinking cells on row 3; Rects: what the phase change redraws (8x16 cells).
  struct TCase { const char* Name; bool Hidden, BlinkOn; std::vector<int> BlinkCols; int CursorX, CursorY; bool Wanted;
                 std::vector<TPixelRect> Rects; };
  const TCase Cases[] = {
      {"hidden cursor, nothing blinks", true, true, {}, 5, 7, false, {}},
      {"cursor only", false, true, {}, 5, 7, true, {{8 * 4, 16 * 6, 8, 16}}},
      {"blink off: bit 7 is a background", true, false, {5, 9}, 5, 7, false, {}},
      {"two blinking cells and the cursor", false, true, {5, 9}, 5, 7,
       true, {{8 * 4, 16 * 2, 8 * 5, 16}, {8 * 4, 16 * 6, 8, 16}}},
      {"a blinking cell above the cursor, in another column", false, true, {5}, 2, 4,
       true, {{8 * 4, 16 * 2, 8, 16}, {8 * 1, 16 * 3, 8, 16}}},
      {"a blinking cell above the cursor", false, true, {5}, 5, 4, true, {{8 * 4, 16 * 2, 8, 32}}},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TSDLConsole Con;
    {
      auto Batch = Con.Batch();
      Con.CursorHidden = C.Hidden;
      Con.BlinkEnabled = C.BlinkOn;
      for (int X : C.BlinkCols) Con.WriteXY(X, 3, 0x8F, "B");
      Con.WriteXY(20, 10, 7, "steady text");
      Con.GotoXY(C.CursorX, C.CursorY);
    }
    std::vector<TPixelRect> Rects;
    Con.BlinkRedraw(true);
    Con.ComposeFrame(&Rects);
    EXPECT_EQ(Con.BlinkWanted(), C.Wanted);
    for (bool Phase : {false, true}) {
      Con.BlinkRedraw(Phase);
      EXPECT_EQ(Con.ComposeFrame(&Rects), !C.Rects.empty());
      EXPECT_EQ(Rects, C.Rects) << "phase " << Phase;
      EXPECT_EQ(Picture(Con), FreshPicture(Con));
    }
  }
}

TEST(Fonts, NumbersOutOfRangeAndByHeight) {
  EXPECT_TRUE(&ConsoleFont(0) == &ConsoleFont(1) && &ConsoleFont(FontCount + 1) == &ConsoleFont(1));
  // The faces after the first two pair up 2F-1, 2F.
  EXPECT_EQ(std::tuple(FontForHeight(1, 32), FontForHeight(4, 16), FontForHeight(2, 16), FontForHeight(5, 32),
                       FontForHeight(46, 16)),
            std::tuple(3, 2, 2, 6, 45));
  EXPECT_STREQ(FontFaceFor(45).Name, "Amiga mO'sOul");
}

// Diagonals are rounded (some 2x2 block of the large glyph is mixed), while box drawing and
// solid glyphs are doubled exactly so that lines and blocks meet squarely.
TEST(Fonts, LargeFontsSmoothDiagonalsAndDoubleBoxesExactly) {
  const struct { uint8_t Small, Large, Ch; bool Smoothed; } Cases[] = {
      {1, 3, '/', true},   {1, 3, 'X', true},   {2, 4, '/', true},   {2, 4, 'v', true},
      {1, 3, 0xB0, false}, {1, 3, 0xB3, false}, {1, 3, 0xC4, false}, {1, 3, 0xC5, false},
      {1, 3, 0xC9, false}, {1, 3, 0xDB, false},
  };
  for (const auto& C : Cases) {
    const TFontRec& S = ConsoleFont(C.Small);
    const TFontRec& L = ConsoleFont(C.Large);
    int Differ = 0;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 16; ++x) Differ += FontPixel(L, C.Ch, x, y) != FontPixel(S, C.Ch, x / 2, y / 2);
    EXPECT_EQ(Differ > 0, C.Smoothed) << "font " << int(C.Large) << " char " << int(C.Ch);
  }
  // Topaz has no full block; its solid glyph 160 (rows 0-13 of 16) must stay solid.
  int Top = 0, Bottom = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 16; ++x) (y < 28 ? Top : Bottom) += FontPixel(ConsoleFont(4), 0xA0, x, y);
  EXPECT_TRUE(Top == 16 * 28 && Bottom < 16 * 4) << Top << " " << Bottom;
}

Uint32 InitFlags = 0;
SDL_AudioDeviceID OpenResult = 0;
int Opened = 0, Queued = 0;

SDL_AudioDeviceID FakeOpen(const char*, int, const SDL_AudioSpec*, SDL_AudioSpec*, int) { return ++Opened, OpenResult; }
int FakeQueue(SDL_AudioDeviceID, const void*, Uint32 Length) { return Queued += Length > 0, 0; }

TEST(Bell, AtMostOnePer250MsAndSilentWithoutAudio) {
  // Device: what opening the audio gives (0 fails); Entries: SDL has its audio functions.
  struct TRow { TBellMode Mode; SDL_AudioDeviceID Device; bool Entries; int Rings, Opens, Beeps; };
  const std::vector<TRow> Rows = {{TBellMode::Beep, 7, true, 4, 1, 4}, {TBellMode::Flash, 7, true, 4, 0, 0},
                                  {TBellMode::Off, 7, true, 0, 0, 0},  {TBellMode::Beep, 0, true, 4, 1, 0},
                                  {TBellMode::Beep, 7, false, 4, 0, 0}};
  for (size_t R = 0; R < Rows.size(); ++R) {
    const TRow& Row = Rows[R];
    InitFlags = 0, Opened = 0, Queued = 0, OpenResult = Row.Device;
    TSDLEntrySwap A(Sdl.SDL_InitSubSystem, +[](Uint32 F) { return InitFlags |= F, 0; });
    TSDLEntrySwap B(Sdl.SDL_QuitSubSystem, +[](Uint32 F) { InitFlags &= ~F; });
    TSDLEntrySwap C(Sdl.SDL_WasInit, +[](Uint32 F) { return InitFlags & F; });
    TSDLEntrySwap D(Sdl.SDL_OpenAudioDevice, Row.Entries ? &FakeOpen : nullptr);
    TSDLEntrySwap E(Sdl.SDL_QueueAudio, &FakeQueue);
    TSDLEntrySwap F(Sdl.SDL_PauseAudioDevice, +[](SDL_AudioDeviceID, int) {});
    TSDLEntrySwap G(Sdl.SDL_CloseAudioDevice, +[](SDL_AudioDeviceID) {});
    int Rings = 0;
    {
      TBell Bell;
      Bell.HasSound = [] { return true; };
      for (int64_t Ms : {0, 100, 249, 250, 600, 601, 849, 850}) Rings += Bell.Ring(Row.Mode, 10'000 + Ms);
    }
    EXPECT_EQ(std::vector({Rings, Opened, Queued}), std::vector({Row.Rings, Row.Opens, Row.Beeps})) << "row " << R;
    EXPECT_EQ(InitFlags, 0u) << "row " << R << ": the audio it started is ended";
  }
}

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
  for (char32_t C : {U'\u00e9', U'\u20ac'}) Con.PushText(C);
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
      {"ab", false, "ab"}, {"a\x1b" "b", true, "b"}, {"", false, ""},
      {std::string("\0\x1b" "c", 3), false, std::string("\0\x1b" "c", 3)},  // ALT-] is no ESC
      {std::string("\0\x1b\x1b" "d", 4), true, "d"},
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
    TWatchdog Other(std::chrono::milliseconds(20), [&] { C.Act(Con); });
    EXPECT_EQ(Con.InputWait(5000), C.Result) << C.Name;
  }
  TSDLConsole Con;
  Con.NoteMousePress(7);  // no such button: nothing latched
  EXPECT_EQ(std::tuple(Con.MousePressLatch.load(), Con.InputWait(1), Con.KeyWait(5)), std::tuple(0u, false, false));
  // A closed window ends every key wait, and ReadKey then gives 1.
  TWatchdog Closer(std::chrono::milliseconds(20), [&] { Con.Terminated = true; });
  EXPECT_EQ(Bounded(Con, [&] { return Con.ReadKey(); }), 1);
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

