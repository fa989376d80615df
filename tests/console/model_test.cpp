// The screen model checked on the cells: teletype output, scrolling, clearing, pipe codes,
// colours, editing, saving, crunched pictures (ANSI art converted too), the scrollback store.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>

#include "console/fonts.h"
#include "console/helpers.h"
#include "console/pictures.h"
#include "console/scrollback.h"
#include "pictures_data.h"
#include "tools/ansicrunch/ansicrunch.h"

namespace {

struct ConsoleModel : ::testing::Test {
  TSDLConsole Con;
  void Letters() {
    for (int Y = 1; Y <= 25; ++Y) Con.WriteXY(1, Y, 7, std::string(1, static_cast<char>('A' + Y - 1)));
  }
};

const std::string A80(80, 'a'), H80(80, '#');

// The owed wrap of the bottom-right cell, the right edge of other rows and control bytes.
TEST_F(ConsoleModel, TeletypeOutput) {
  Con.WriteXY(1, 24, 7, "above");
  Con.GotoXY(1, 25);
  Con.WriteStr(A80);
  EXPECT_EQ(Shown(Con), "1,25+ 24:above 25:" + A80);  // written, not scrolled yet
  Con.WriteStr("Z");
  EXPECT_EQ(Shown(Con), "2,25 23:above 24:" + A80 + " 25:Z");
  // Drawing elsewhere, or a move to where the cursor already is, keeps the owed wrap.
  Con.GotoXY(80, 25);
  Con.WriteStr("x");
  Con.WriteXYPipe(2, 25, 7, 0, "st");
  Con.GotoXY(1, 25);
  const std::string Row25 = "Zst" + std::string(76, ' ') + "x";
  EXPECT_EQ(Shown(Con), "1,25+ 23:above 24:" + A80 + " 25:" + Row25);
  Con.GotoXY(1, 1);  // a move elsewhere drops it: no scroll
  Con.WriteStr("y");
  EXPECT_EQ(Shown(Con), "2,1 1:y 23:above 24:" + A80 + " 25:" + Row25);
  Con.GotoXY(80, 25);
  Con.WriteStr("z");
  Con.ClearScreen(2);  // and so does clearing
  Con.WriteStr("w");
  EXPECT_EQ(Shown(Con), "2,1 1:w");
  // Any other row wraps at once, to the window's left edge.
  Con.SetWindow(5, 1, 80, 25);
  Con.GotoXY(80, 5);
  Con.WriteStr("x");
  EXPECT_EQ(Shown(Con), "5,6 1:w 5:" + std::string(79, ' ') + "x");
  // BS, CR and LF move; other control bytes are glyphs; BS stops at the left edge.
  Con.SetWindow(1, 1, 80, 25);
  Con.ClearScreen(2);
  Con.GotoXY(10, 3);
  Con.WriteStr("ab\b\bX\r\n\x07\x1b");
  Con.GotoXY(1, 4);
  Con.WriteStr("\b");
  EXPECT_EQ(Shown(Con), "1,4 3:         Xb 4:\x07\x1b");
}

TEST_F(ConsoleModel, CursorAndWindowStayOnTheScreenAndLineFeedScrollsTheRegion) {
  Con.GotoXY(200, 200);
  EXPECT_EQ(Shown(Con), "80,25");
  Con.StatusLine = true;
  Con.GotoXY(3, 25);
  EXPECT_EQ(Shown(Con), "3,24");
  Con.SetWindow(1, 5, 80, 25);
  Con.SetWindow(10, 5, 9, 20);
  Con.SetWindow(1, 5, 81, 20);
  Con.SetWindow(1, 21, 80, 20);
  Con.SetWindow(0, 0, 80, 20);
  EXPECT_EQ(std::tuple(Con.WinX1, Con.WinY1, Con.WinX2, Con.WinY2), std::tuple(1, 5, 80, 25));
  // A line feed scrolls only the region and fills with attribute 7.
  Con.StatusLine = false;
  Letters();
  Con.SetWindow(1, 5, 80, 20);
  Con.SetBgRGB(1, 2, 3);
  Con.GotoXY(7, 20);
  Con.WriteChar(10);
  EXPECT_EQ(ColumnText(Con, 1) + Shown(Con).substr(0, 5), "ABCDFGHIJKLMNOPQRST UVWXY7,20 ");
  EXPECT_EQ(Con.Cell(10, 20), TConsoleCell{});
  EXPECT_EQ(Con.BgMode, 2);  // the colour state survives the scroll
}

TEST_F(ConsoleModel, ClearScreenModesKeepTheStatusLine) {
  Con.StatusLine = true;
  const auto Clear = [&](int X, int Y, uint8_t Mode) {
    for (int R = 1; R <= 25; ++R) Con.WriteXY(1, R, 7, H80);
    Con.GotoXY(X, Y);
    Con.ClearScreen(Mode);
    return Shown(Con);
  };
  EXPECT_EQ(Clear(5, 5, 2), "1,1 25:" + H80);
  EXPECT_EQ(Clear(10, 3, 0), "10,3 1-2:" + H80 + " 3:######### 25:" + H80);
  EXPECT_EQ(Clear(10, 3, 1), "10,3 3:" + std::string(10, ' ') + std::string(70, '#') + " 4-25:" + H80);
  EXPECT_EQ(Clear(10, 3, 3), "10,3 1-25:" + H80);
  EXPECT_EQ(Clear(10, 3, 9), "10,3 1-25:" + H80);
  Con.SetWindow(3, 4, 10, 6);
  EXPECT_EQ(Clear(20, 20, 4), "3,4 1-3:" + H80 + " 4-6:##" + std::string(8, ' ') + std::string(70, '#') + " 7-25:" + H80);
}

TEST(ConsolePipe, CodesWidthsAndPlainBars) {
  // Attrs: from column X on.
  struct TCase { int X, Width; std::string In, Text; std::vector<uint8_t> Attrs; } Cases[] = {
      // A bar before anything but two digits below 32 is text, and so are the two after it.
      {1, 0, "|1&x|$1|&1|32|", "|1&x|$1|&1|32|", std::vector<uint8_t>(14, 7)},
      {1, 0, "|9||12A", "|9|A", {7, 7, 7, 12}},
      {1, 0, "x|1", "x|1", {7, 7, 7}},
      // Foreground and background nibbles; the width pads in the last colour.
      {1, 0, "a|20b|31c|00d|15e|16f| 9g", "abcdefg", {0x07, 0x47, 0xF7, 0xF0, 0xFF, 0x0F, 0x09}},
      {1, 5, "|14Hi|", "Hi|", {14, 14, 14, 14, 14, 7}},
      // The width cuts the text; the right edge drops the rest without a wrap.
      {1, 3, "|04Hello", "Hel", {4, 4, 4}},
      {78, 10, "abcdef", "abc", {7, 7, 7}},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.In);
    TSDLConsole Con;
    Con.GotoXY(40, 12);
    Con.SetTextAttr(0x1F);
    Con.WriteXYPipe(C.X, 1, 7, C.Width, C.In);
    EXPECT_EQ(ScreenText(Con), "1:" + std::string(C.X - 1, ' ') + C.Text);
    EXPECT_EQ(RowAttrs(Con, 1, C.X, C.X + int(C.Attrs.size()) - 1), C.Attrs);
    EXPECT_EQ(std::tuple(Con.CursorX, Con.CursorY, Con.TextAttr), std::tuple(40, 12, 0x1F));  // come back
  }
}

TEST_F(ConsoleModel, ExtendedColoursLastUntilTheirNibbleChanges) {
  Con.SetTextAttr(7, true);
  Con.SetFg256(200);
  Con.SetBgRGB(10, 20, 30);
  Con.SetTextAttr(7, false);
  EXPECT_EQ(Con.FgMode * 10 + Con.BgMode, 12);
  Con.SetTextAttr(0x0F, false);  // foreground nibble changes, background does not
  EXPECT_EQ(Con.FgMode * 10 + Con.BgMode, 2);
  Con.SetTextAttr(0x0F, true);
  EXPECT_EQ(std::tuple(Con.BgMode, Con.BgPixel), std::tuple(0, 0xFF000000u));
  // An RGB foreground and a palette background share no byte; clearing uses both.
  Con.SetFgRGB(1, 2, 3);
  Con.SetBg256(77);
  Con.WriteCharXY(1, 1, 'x');
  Con.ClearLinePart(3, 200);
  TSDLConsole Other;
  Other.SetColors(Con.Cell(1, 1));
  EXPECT_EQ(std::tuple(Other.FgRGB, Other.Bg256, Other.BgMode), std::tuple(Con.FgRGB, 77, 1));
  const TConsoleCell Cleared{' ', 0x0F, {1, 2, 3}, {77, 0, 0}, 1, 2, 1};
  EXPECT_EQ(std::tuple(Con.Cell(2, 1), Con.Cell(3, 1), Con.Cell(80, 1)), std::tuple(TConsoleCell{}, Cleared, Cleared));
}

// Drawing chrome or a box over the session and taking it away again must hand the session
// back exactly the colours it had, extended modes included.
TEST_F(ConsoleModel, DrawingOverTheSessionKeepsItsColourState) {
  const auto State = [&] {
    return std::tuple(Con.TextAttr, Con.FgMode, Con.BgMode, Con.Fg256, Con.Bg256, Con.FgRGB, Con.BgRGB, Con.FgPixel,
                      Con.BgPixel);
  };
  const std::vector<std::function<void()>> Sessions = {
      [&] { Con.SetTextAttr(7, true); Con.SetFg256(196); },
      [&] { Con.SetTextAttr(0x1E, true); Con.SetBgRGB(1, 2, 3); },
      [&] { Con.SetTextAttr(0x4E, true); Con.SetFgRGB(9, 8, 7); Con.SetBg256(33); },
  };
  const std::vector<std::function<void()>> Overdraws = {
      [&] { Con.WriteXY(1, 25, 0x70, "status"); },
      [&] { Con.WriteXYPipe(1, 25, 0x1F, 10, "|04x|20y"); },
      [&] {
        auto Image = std::make_unique<TConsoleImage>();
        Con.SaveScreen(1, 1, 80, 25, *Image);
        Con.SetTextAttr(0x1F, true);
        Con.RestoreScreen(*Image);
      },
      [&] {
        TConsoleCell Saved;
        Con.GetColors(Saved);
        Con.SetTextAttr(0x21, true);
        Con.SetColors(Saved);
      },
  };
  for (size_t I = 0; I < Sessions.size(); ++I)
    for (size_t J = 0; J < Overdraws.size(); ++J) {
      Sessions[I]();
      const auto Before = State();
      Overdraws[J]();
      EXPECT_EQ(State(), Before) << "session " << I << ", overdraw " << J;
    }
}

TEST_F(ConsoleModel, InsertAndDeleteShiftCellsWithTheirColoursInsideTheirRange) {
  Con.WriteXY(1, 1, 7, std::string(80, 'x'));
  Con.InsertChars(1, 80, 1);
  Con.WriteXY(1, 2, 7, std::string(80, 'y'));
  Con.DeleteChars(2, 80, 5);
  Con.WriteXY(1, 3, 0x1E, "abcdef");
  Con.SetFg256(123);
  Con.WriteCharXY(3, 3, 'C');
  Con.InsertChars(3, 2, 2);
  EXPECT_EQ(ScreenText(Con), "1:" + std::string(79, 'x') + " 2:" + std::string(79, 'y') + " 3:a  bCdef");
  // The gap keeps the colours of the cell it opened at.
  EXPECT_EQ(std::tuple(Con.Cell(2, 3).Attr, Con.Cell(5, 3).Fg[0]), std::tuple(0x1E, 123));
  Con.DeleteChars(3, 1, 3);
  EXPECT_EQ(RowTextTrimmed(Con, 3) + std::to_string(Con.Cell(2, 3).FgMode), "bCdef1");
  // Counts larger than the row and positions off the screen are harmless.
  Con.InsertChars(3, 1, 100000);
  Con.DeleteChars(26, 1, 1);
  Con.InsertChars(1, 81, 1);
  Con.InsertChars(1, 0, 1);
  EXPECT_EQ(RowTextTrimmed(Con, 3), "");
  // Lines too, inside their range.
  Letters();
  Con.SetTextAttr(0x17);
  Con.DeleteLines(3, 2, 6);
  EXPECT_EQ(ColumnText(Con, 1) + std::to_string(Con.Cell(1, 5).Attr), "ABEF  GHIJKLMNOPQRSTUVWXY23");
  Con.SetBg256(50);
  Con.InsertLines(10, 3, 12);
  Con.InsertLines(20, 1, 25);
  EXPECT_EQ(ColumnText(Con, 1), "ABEF  GHI   MNOPQRS TUVWX");
  EXPECT_EQ(Con.Cell(1, 12).Bg[0] * 10 + Con.Cell(1, 12).BgMode, 501);
  Con.DeleteLines(9, 1, 8);  // top below bottom: nothing
  EXPECT_EQ(ColumnText(Con, 1), "ABEF  GHI   MNOPQRS TUVWX");
  Con.DeleteLines(1, 70000, 25);
  EXPECT_EQ(ScreenText(Con), "");
}

TEST_F(ConsoleModel, RestoreScreenBringsBackCellsAndCursor) {
  Con.WriteXY(3, 4, 0x4E, "saved");
  Con.GotoXY(7, 8);
  auto Image = std::make_unique<TConsoleImage>();
  Con.SaveScreen(1, 2, 3, 4, *Image);
  Con.ClearScreen(2);
  Con.RestoreScreen(*Image);
  EXPECT_EQ(Shown(Con) + " " + std::to_string(Con.Cell(3, 4).Attr), "7,8 4:  saved 78");
}

TEST_F(ConsoleModel, CrunchedPictures) {
  std::vector<uint8_t> Tall;
  for (int Row = 0; Row < 70; ++Row) Tall.insert(Tall.end(), {26, 255, 'w', 26, 255, 'w', 24});
  struct TCase { std::vector<uint8_t> Data; int X, Y; std::string Screen; } Cases[] = {
      {{1, 25, 3, 65}, 3, 2, "2:      A"},  // colour 1, four spaces, 'A'; the rest is blanked
      {{'a', 24, 18, 26, 2, '*', 28, 'b'}, 1, 1, "1:a 2:***b"},  // next row, background 2, a repeat
      // Data cut inside a run stops at its end.
      {{'x', 25}, 1, 1, "1:x"}, {{'x', 26}, 1, 1, "1:x"}, {{'x', 26, 5}, 1, 1, "1:x"},
      // Larger than the screen: cut.
      {Tall, 1, 1, "1-25:" + std::string(80, 'w')}, {Tall, 150, 50, ""},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.Screen);
    Con.WriteXY(1, 1, 0x1F, "old text");
    // Each picture in a buffer of its exact size, so a read past it is caught.
    auto Exact = std::make_unique<uint8_t[]>(C.Data.size());
    std::copy(C.Data.begin(), C.Data.end(), Exact.get());
    Con.DisplayCrunched(std::span<const uint8_t>(Exact.get(), C.Data.size()), C.X, C.Y, 2);
    EXPECT_EQ(ScreenText(Con), C.Screen);
    EXPECT_EQ(Con.Cell(50, 20).Font, 2);
  }
  Con.DisplayCrunched(Cases[0].Data, 3, 2, 1);
  EXPECT_EQ(RowAttrs(Con, 2, 2, 8), (std::vector<uint8_t>{7, 1, 1, 1, 1, 1, 7}));
  EXPECT_EQ(std::tuple(Con.Cell(1, 1), Con.TextAttr), std::tuple(TConsoleCell{}, 1));
  Con.DisplayCrunched(Cases[1].Data, 1, 1, 1);
  EXPECT_EQ(RowAttrs(Con, 2, 1, 4), std::vector<uint8_t>(4, 0x27));
}

TEST_F(ConsoleModel, ScreenSizesRowsAndTermination) {
  EXPECT_TRUE(Con.OpenScreen(132, 37, 3));
  EXPECT_EQ(std::tuple(Con.PixelWidth(), Con.PixelHeight(), Con.WinX2, Con.WinY2, Con.Cell(160, 60).Font),
            std::tuple(132 * 16, 37 * 32, 132, 37, 3));
  EXPECT_TRUE(!Con.OpenScreen(80, 25, FontCount + 1) && Con.OpenScreen(10, 500, 1));
  EXPECT_EQ(Con.Cols * 100 + Con.Rows, 8060);
  // A saved row is shown in the given font, cut to the screen.
  TConsoleRow Saved;
  Saved.fill(TConsoleCell{'r', 0x2A, {}, {}, 1, 0, 0});
  Con.DrawRow(3, Saved, 2);
  EXPECT_EQ(ScreenText(Con), "3:" + std::string(80, 'r'));
  EXPECT_EQ(Con.Cell(80, 3).Font * 1000 + Con.Cell(81, 3).Ch, 2032);
  // Writes after the window closed are dropped.
  Con.Terminated = true;
  Con.WriteStr("gone");
  Con.WriteXY(1, 2, 7, "gone");
  Con.PutCell(1, 3, TConsoleCell{'g'}, 1);
  EXPECT_EQ(ScreenText(Con), "3:" + std::string(80, 'r'));
}

// A run of glyphs written at once must do what writing them one by one does, whatever the
// window (narrow ones too), the cursor (outside the window too) and the colour modes.
TEST(ConsoleRuns, RunEqualsGlyphByGlyph) {
  std::mt19937 Rng(4321);
  TSDLConsoleScrollback Run, One;
  for (auto* C : {&Run, &One}) {
    C->OpenScreen(132, 37, 1);
    C->ScrollbackEnabled = true;
  }
  for (int Step = 0; Step < 3000; ++Step) {
    const int Op = static_cast<int>(Rng() % 8);
    const int A = static_cast<int>(Rng() % 100000), B = static_cast<int>(Rng() % 100000);
    for (auto* C : {&Run, &One}) {
      switch (Op) {
        case 0: C->SetWindow(1 + A % 40, 1 + B % 20, 41 + A % 92, 21 + B % 17); break;
        case 1: C->GotoXY(1 + A % 140, 1 + B % 40); break;
        case 2: C->SetTextAttr(static_cast<uint8_t>(A), B % 2); break;
        case 3: (A % 2 ? C->SetFg256(static_cast<uint8_t>(B)) : C->SetFgRGB(1, static_cast<uint8_t>(B), 3)); break;
        case 4: (A % 2 ? C->SetBg256(static_cast<uint8_t>(B)) : C->SetBgRGB(static_cast<uint8_t>(B), 2, 3)); break;
        case 5: C->WriteCharFont(static_cast<uint8_t>("\r\n\b"[A % 3]), 1); break;
        default: break;
      }
    }
    if (Op >= 6) {
      std::vector<uint8_t> Text(1 + Rng() % 300);
      for (auto& Ch : Text) Ch = static_cast<uint8_t>(32 + Rng() % 200);
      const uint8_t Font = static_cast<uint8_t>(1 + Rng() % 2);
      Run.WriteRun(Text.data(), Text.size(), Font);
      for (uint8_t Ch : Text) One.WriteCharFont(Ch, Font);
    }
    ASSERT_EQ(Shown(Run), Shown(One)) << Step;
  }
  for (int Y = 1; Y <= ConsoleMaxRows; ++Y) EXPECT_TRUE(Run.Row(Y) == One.Row(Y)) << "row " << Y;
  ASSERT_EQ(Run.ScrollbackCount, One.ScrollbackCount);
  for (int L = 1; L <= One.ScrollbackCount; ++L) EXPECT_TRUE(Run.Line(L) == One.Line(L)) << "line " << L;
}

std::string LineText(const TSDLConsoleScrollback& Con, int N) {
  std::string S;
  for (const TConsoleCell& C : Con.Line(N)) S += static_cast<char>(C.Ch);
  return S.erase(S.find_last_not_of(' ') + 1);
}

// Every saved line, oldest first, each ended by "|".
std::string Saved(const TSDLConsoleScrollback& Con) {
  std::string S;
  for (int N = 1; N <= Con.ScrollbackCount; ++N) S += LineText(Con, N) + "|";
  return S;
}

struct Scrollback : ::testing::Test {
  TSDLConsoleScrollback Con;
  Scrollback() { Con.ScrollbackEnabled = true; }
};

TEST_F(Scrollback, ClearingAndScrollingSaveWhatLeavesTheScreen) {
  for (int Y = 1; Y <= 10; ++Y)
    if (Y != 4) Con.WriteXY(1, Y, 7, "r" + std::to_string(Y));  // a blank row between is saved too
  Con.ClearScreen(2);
  Con.ClearScreen(2);  // a blank screen adds nothing
  EXPECT_EQ(Saved(Con), "r1|r2|r3||r5|r6|r7|r8|r9|r10|");
  // Only a line that really leaves the screen is kept: a region below a fixed header scrolls
  // its lines away under the header, not off the screen.
  Con.ClearScrollback();
  for (auto [Top, Bottom] : {std::pair{1, 25}, {2, 24}, {1, 10}, {5, 10}}) {
    for (int Y = 1; Y <= 25; ++Y) Con.WriteXY(1, Y, 7, "row " + std::to_string(Y) + "   ");
    Con.SetWindow(1, Top, 80, Bottom);
    Con.GotoXY(1, Bottom);
    Con.WriteChar(10);
  }
  EXPECT_EQ(Saved(Con), "row 1|row 1|");
  // Nothing while recording is off, nor from a form feed or a clear to the end.
  Con.ClearScrollback();
  Con.ScrollbackEnabled = false;
  Con.SetWindow(1, 1, 80, 25);
  Con.GotoXY(1, 25);
  Con.WriteChar(10);
  Con.ClearScreen(2);
  Con.ScrollbackEnabled = true;
  Con.WriteXY(1, 1, 7, "text");
  Con.ClearScreen(4);
  Con.ClearScreen(0);
  EXPECT_EQ(Con.ScrollbackCount, 0);
}

TEST_F(Scrollback, BlankMeansSpaceInAttribute7OrCharacterZero) {
  Con.WriteXY(160, 1, 7, "x");  // off the screen
  Con.WriteXY(5, 2, 0x70, " ");
  Con.PutCell(3, 3, TConsoleCell{0, 0x4F}, 1);
  EXPECT_EQ(std::tuple(Con.IsBlankRow(1), Con.IsBlankRow(2), Con.IsBlankRow(3)), std::tuple(true, false, true));
  Con.OpenScreen(160, 25, 1);
  Con.WriteXY(160, 4, 7, "x");
  EXPECT_FALSE(Con.IsBlankRow(4));
}

TEST_F(Scrollback, The2001stLineDropsTheOldestAndLinesKeepColoursAndFonts) {
  Con.GotoXY(1, 25);
  for (int i = 1; i <= 2001; ++i) {
    Con.WriteXY(1, 1, 7, std::to_string(i) + "    ");
    Con.WriteChar(10);
  }
  EXPECT_EQ(std::to_string(Con.ScrollbackCount) + ":" + LineText(Con, 1) + "|" + LineText(Con, 2000) + "|" +
                LineText(Con, 2001) + "|" + LineText(Con, 0),
            "2000:2|2001||");
  Con.ClearScrollback();
  EXPECT_EQ(Con.ScrollbackCount + LineText(Con, 1).size(), 0u);
  Con.GotoXY(1, 1);
  Con.SetFgRGB(5, 6, 7);
  Con.WriteCharFont('q', 2);
  Con.AddScrollbackLine(1);
  EXPECT_EQ(Con.Line(1)[0], (TConsoleCell{'q', 7, {5, 6, 7}, {}, 2, 2, 0}));
}

TEST(Pictures, TheTestPictureShowsTheCellsOfItsAnsiFile) {
  EXPECT_TRUE(FindPicture("test").data() == PictureTest.data() && FindPicture("nonesuch").empty());
  TSDLConsole Con;
  Con.DisplayCrunched(PictureTest, 1, 1, 1);
  // Text after ^Z is ignored.
  EXPECT_EQ(ScreenText(Con), "1:Hi     Box 2:\xC9\xCD\xCD\xCD\xBB 3:" + std::string(10, ' ') + "**** 4:   \x01");
  EXPECT_EQ(RowAttrs(Con, 1, 1, 11), (std::vector<uint8_t>{14, 14, 7, 7, 7, 7, 7, 0x17, 0x17, 0x17, 7}));
  EXPECT_EQ(RowAttrs(Con, 3, 11, 14), std::vector<uint8_t>(4, 4));
  EXPECT_EQ(Con.Cell(4, 4).Attr, 7);
}

TEST(Pictures, ConverterWrapsMovesRepeatsAndColours) {
  const struct { std::string Ansi; int Width; std::string Screen; } Cases[] = {
      {std::string(85, 'x'), 80, "1:" + std::string(80, 'x') + " 2:xxxxx"},
      {"\x1b[3;5Hpos", 80, "3:    pos"},
      {"ab\x1b[2Dc", 80, "1:cb"},
      {std::string(300, '='), 160, "1:" + std::string(160, '=') + " 2:" + std::string(140, '=')},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(C.Screen.substr(0, 12));
    TSDLConsole Con;
    Con.OpenScreen(C.Width, 25, 1);
    Con.DisplayCrunched(CrunchAnsi(C.Ansi, C.Width), 1, 1, 1);
    EXPECT_EQ(ScreenText(Con), C.Screen);
  }
  EXPECT_LT(CrunchAnsi(std::string(300, '='), 160).size(), 20u);
  // Broken input survives; a picture longer than the screen is cut.
  EXPECT_TRUE(CrunchAnsi("").empty() && CrunchAnsi("\x1b[").empty());
  CrunchAnsi("\x1b[99999999999;99999999999H\x1b[99999Bx\x1b[99999Ay");
  std::string Many;
  for (int i = 0; i < 100; ++i) Many += std::string(100, 'z') + "\r\n";
  TSDLConsole Con;
  Con.DisplayCrunched(CrunchAnsi(Many), 1, 1, 1);
  EXPECT_EQ(RowText(Con, 25), std::string(80, 'z'));
  // Coloured blanks are kept.
  Con.DisplayCrunched(CrunchAnsi("\x1b[1;31;42mA\x1b[22mB\x1b[94mC\x1b[0;7m\x1b[mD \x1b[45m  "), 1, 1, 1);
  EXPECT_EQ(RowAttrs(Con, 1, 1, 8), (std::vector<uint8_t>{0x2C, 0x24, 0x29, 0x07, 0x07, 0x57, 0x57, 0x07}));
}

}  // namespace
