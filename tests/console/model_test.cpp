// The screen model: teletype output, scrolling, clearing, pipe codes, colour state,
// editing, saving and crunched pictures, checked on the cells.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "console/fonts.h"
#include "console/helpers.h"
#include "console/scrollback.h"

namespace {

struct ConsoleModel : ::testing::Test {
  TSDLConsole Con;
  void Type(std::string_view S) { Con.WriteStr(S); }
};

TEST_F(ConsoleModel, BottomRightCellIsWrittenWithoutScrollingUntilTheNextCharacter) {
  Con.GotoXY(1, 24);
  Type("above");
  Con.GotoXY(1, 25);
  Type(std::string(80, 'a'));
  EXPECT_EQ(Con.CursorX, 1);
  EXPECT_EQ(Con.CursorY, 25);
  EXPECT_TRUE(Con.PendingWrap);
  EXPECT_EQ(RowTextTrimmed(Con, 24), "above");
  EXPECT_EQ(RowText(Con, 25), std::string(80, 'a'));

  Type("Z");
  EXPECT_FALSE(Con.PendingWrap);
  EXPECT_EQ(RowText(Con, 24), std::string(80, 'a'));
  EXPECT_EQ(RowTextTrimmed(Con, 23), "above");
  EXPECT_EQ(RowTextTrimmed(Con, 25), "Z");
  EXPECT_EQ(Con.CursorX, 2);
  EXPECT_EQ(Con.CursorY, 25);
}

TEST_F(ConsoleModel, MovingTheCursorCancelsTheOwedWrap) {
  Con.GotoXY(80, 25);
  Type("x");
  ASSERT_TRUE(Con.PendingWrap);
  Con.WriteXYPipe(1, 25, 7, 0, "status");   // drawing elsewhere keeps it
  Con.GotoXY(1, 25);                         // the cursor is already there: kept
  EXPECT_TRUE(Con.PendingWrap);
  Con.GotoXY(1, 1);
  Type("y");
  EXPECT_EQ(Con.Cell(1, 1).Ch, 'y');
  EXPECT_EQ(Con.Cell(80, 25).Ch, 'x');       // no scroll happened
  Con.GotoXY(80, 25);
  Type("z");
  Con.ClearScreen(2);
  Type("w");
  EXPECT_EQ(Con.Cell(1, 1).Ch, 'w');
  EXPECT_EQ(Con.CursorY, 1);
}

TEST_F(ConsoleModel, RightEdgeOfOtherRowsWrapsAtOnceToTheWindowLeft) {
  Con.SetWindow(5, 1, 80, 25);
  Con.GotoXY(80, 5);
  Type("x");
  EXPECT_EQ(Con.CursorX, 5);
  EXPECT_EQ(Con.CursorY, 6);
  EXPECT_FALSE(Con.PendingWrap);
}

TEST_F(ConsoleModel, ControlBytesMoveTheCursorAndOthersAreGlyphs) {
  Con.GotoXY(10, 3);
  Type("ab\b\bX\r\n");
  EXPECT_EQ(RowTextTrimmed(Con, 3), std::string(9, ' ') + "Xb");
  EXPECT_EQ(Con.CursorX, 1);
  EXPECT_EQ(Con.CursorY, 4);
  Type("\x07\x1b");
  EXPECT_EQ(Con.Cell(1, 4).Ch, 7);
  EXPECT_EQ(Con.Cell(2, 4).Ch, 27);
  // Backspace stops at the window's left edge and erases nothing.
  Con.GotoXY(1, 4);
  Type("\b");
  EXPECT_EQ(Con.CursorX, 1);
  EXPECT_EQ(Con.Cell(1, 4).Ch, 7);
}

TEST_F(ConsoleModel, LineFeedInAScrollRegionMovesOnlyItsRows) {
  for (int Y = 1; Y <= 25; ++Y) Con.WriteXY(1, Y, 7, std::string(1, static_cast<char>('A' + Y - 1)));
  Con.SetWindow(1, 5, 80, 20);
  Con.GotoXY(7, 20);
  Con.WriteChar(10);
  for (int Y = 1; Y <= 4; ++Y) EXPECT_EQ(Con.Cell(1, Y).Ch, 'A' + Y - 1) << Y;
  for (int Y = 5; Y <= 19; ++Y) EXPECT_EQ(Con.Cell(1, Y).Ch, 'A' + Y) << Y;
  EXPECT_EQ(RowTextTrimmed(Con, 20), "");
  for (int Y = 21; Y <= 25; ++Y) EXPECT_EQ(Con.Cell(1, Y).Ch, 'A' + Y - 1) << Y;
  EXPECT_EQ(Con.CursorX, 7);
  EXPECT_EQ(Con.CursorY, 20);
}

TEST_F(ConsoleModel, ScrollFillsTheNewRowWithAttribute7WhateverTheColours) {
  Con.SetBgRGB(1, 2, 3);
  Con.GotoXY(1, 25);
  Con.WriteChar(10);
  const TConsoleCell& C = Con.Cell(10, 25);
  EXPECT_EQ(C.Ch, 32);
  EXPECT_EQ(C.Attr, 7);
  EXPECT_EQ(C.BgMode, 0);
  EXPECT_EQ(Con.BgMode, 2);   // the colour state survives the scroll
}

void FillScreen(TSDLConsole& Con) {
  for (int Y = 1; Y <= Con.Rows; ++Y) Con.WriteXY(1, Y, 7, std::string(Con.Cols, '#'));
}

TEST_F(ConsoleModel, ClearScreenModesRespectTheStatusLine) {
  Con.StatusLine = true;
  FillScreen(Con);
  Con.GotoXY(5, 5);
  Con.ClearScreen(2);
  for (int Y = 1; Y <= 24; ++Y) EXPECT_EQ(RowTextTrimmed(Con, Y), "") << Y;
  EXPECT_EQ(RowText(Con, 25), std::string(80, '#'));
  EXPECT_EQ(Con.CursorX, 1);
  EXPECT_EQ(Con.CursorY, 1);

  FillScreen(Con);
  Con.GotoXY(10, 3);
  Con.ClearScreen(0);
  EXPECT_EQ(RowText(Con, 2), std::string(80, '#'));
  EXPECT_EQ(RowTextTrimmed(Con, 3), std::string(9, '#'));
  EXPECT_EQ(RowTextTrimmed(Con, 24), "");
  EXPECT_EQ(RowText(Con, 25), std::string(80, '#'));

  FillScreen(Con);
  Con.GotoXY(10, 3);
  Con.ClearScreen(1);
  EXPECT_EQ(RowTextTrimmed(Con, 1), "");
  EXPECT_EQ(RowText(Con, 3), std::string(10, ' ') + std::string(70, '#'));
  EXPECT_EQ(RowText(Con, 4), std::string(80, '#'));

  FillScreen(Con);
  Con.SetWindow(3, 4, 10, 6);
  Con.GotoXY(20, 20);
  Con.ClearScreen(4);
  EXPECT_EQ(RowText(Con, 5), "##" + std::string(8, ' ') + std::string(70, '#'));
  EXPECT_EQ(RowText(Con, 7), std::string(80, '#'));
  EXPECT_EQ(Con.CursorX, 3);
  EXPECT_EQ(Con.CursorY, 4);

  FillScreen(Con);
  Con.ClearScreen(3);
  Con.ClearScreen(9);
  for (int Y = 1; Y <= 25; ++Y) EXPECT_EQ(RowText(Con, Y), std::string(80, '#'));
}

TEST_F(ConsoleModel, ClearingUsesTheCurrentColours) {
  Con.SetTextAttr(0x1E);
  Con.SetBg256(99);
  Con.GotoXY(1, 1);
  Con.ClearLinePart(3, 200);
  EXPECT_EQ(Con.Cell(2, 1).BgMode, 0);
  const TConsoleCell& C = Con.Cell(3, 1);
  EXPECT_EQ(C.Attr, 0x1E);
  EXPECT_EQ(C.BgMode, 1);
  EXPECT_EQ(C.Bg[0], 99);
  EXPECT_EQ(Con.Cell(80, 1).BgMode, 1);
}

TEST_F(ConsoleModel, GotoXYStopsAtTheLastRowOrAboveTheStatusBar) {
  Con.GotoXY(200, 200);
  EXPECT_EQ(Con.CursorX, 80);
  EXPECT_EQ(Con.CursorY, 25);
  Con.StatusLine = true;
  Con.GotoXY(3, 25);
  EXPECT_EQ(Con.CursorY, 24);
}

TEST_F(ConsoleModel, SetWindowRejectsInvalidRectangles) {
  Con.SetWindow(1, 5, 80, 20);
  Con.SetWindow(10, 5, 9, 20);
  Con.SetWindow(1, 5, 81, 20);
  Con.SetWindow(1, 21, 80, 20);
  Con.SetWindow(0, 0, 80, 20);
  EXPECT_EQ(Con.WinX1, 1);
  EXPECT_EQ(Con.WinY1, 5);
  EXPECT_EQ(Con.WinX2, 80);
  EXPECT_EQ(Con.WinY2, 20);
}

// --- pipe codes -------------------------------------------------------------------------

TEST_F(ConsoleModel, PipeCodeColoursTheTextAndPadsToTheWidth) {
  Con.GotoXY(40, 12);
  Con.SetTextAttr(0x1F);
  Con.WriteXYPipe(1, 1, 7, 5, "|14Hi|");
  EXPECT_EQ(RowText(Con, 1).substr(0, 6), "Hi|   ");
  for (int X = 1; X <= 5; ++X) EXPECT_EQ(Con.Cell(X, 1).Attr, 14) << X;
  EXPECT_EQ(Con.Cell(6, 1).Attr, 7);   // untouched
  // Cursor and colours come back.
  EXPECT_EQ(Con.CursorX, 40);
  EXPECT_EQ(Con.CursorY, 12);
  EXPECT_EQ(Con.TextAttr, 0x1F);
}

TEST(ConsolePipe, CodesWidthsAndPlainBars) {
  struct TCase {
    int X, Width;
    std::string In, Text;
    std::vector<uint8_t> Attrs;  // from column X on
  } Cases[] = {
      // A bar before anything but two digits below 32 is text, and so are the two after it.
      {1, 0, "|1&x|$1|&1|32|", "|1&x|$1|&1|32|", std::vector<uint8_t>(14, 7)},
      {1, 0, "|9||12A", "|9|A", {7, 7, 7, 12}},
      {1, 0, "x|1", "x|1", {7, 7, 7}},
      // Foreground and background nibbles.
      {1, 0, "a|20b|31c|00d|15e|16f| 9g", "abcdefg", {0x07, 0x47, 0xF7, 0xF0, 0xFF, 0x0F, 0x09}},
      // The width cuts the text; the right edge drops the rest without a wrap.
      {1, 3, "|04Hello", "Hel", {4, 4, 4}},
      {78, 10, "abcdef", "abc", {7, 7, 7}},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.In);
    TSDLConsole Con;
    Con.WriteXYPipe(C.X, 1, 7, C.Width, C.In);
    EXPECT_EQ(RowTextTrimmed(Con, 1).substr(C.X - 1), C.Text);
    for (size_t I = 0; I < C.Attrs.size(); ++I) EXPECT_EQ(Con.Cell(C.X + int(I), 1).Attr, C.Attrs[I]) << I;
    EXPECT_EQ(RowTextTrimmed(Con, 2), "");
  }
}

// --- colour state -------------------------------------------------------------------------

TEST_F(ConsoleModel, SetTextAttrKeepsExtendedModesUnlessItsNibbleChanges) {
  Con.SetTextAttr(7, true);
  Con.SetFg256(200);
  Con.SetBgRGB(10, 20, 30);
  Con.SetTextAttr(7, false);
  EXPECT_EQ(Con.FgMode, 1);
  EXPECT_EQ(Con.BgMode, 2);
  Con.SetTextAttr(0x0F, false);   // foreground nibble changes, background does not
  EXPECT_EQ(Con.FgMode, 0);
  EXPECT_EQ(Con.BgMode, 2);
  Con.SetTextAttr(0x0F, true);
  EXPECT_EQ(Con.BgMode, 0);
  EXPECT_EQ(Con.BgPixel, 0xFF000000u);
}

TEST_F(ConsoleModel, RgbForegroundAndPaletteBackgroundShareNoByte) {
  Con.SetFgRGB(1, 2, 3);
  Con.SetBg256(77);
  Con.WriteCharXY(1, 1, 'x');
  const TConsoleCell C = Con.Cell(1, 1);
  EXPECT_EQ(C.Fg, (std::array<uint8_t, 3>{1, 2, 3}));
  EXPECT_EQ(C.Bg[0], 77);
  TSDLConsole Other;
  Other.SetColors(C);
  EXPECT_EQ(Other.FgRGB, (std::array<uint8_t, 3>{1, 2, 3}));
  EXPECT_EQ(Other.Bg256, 77);
  EXPECT_EQ(Other.BgMode, 1);
}

// Drawing chrome or a box over the session and taking it away again must hand the session
// back exactly the colours it had, extended modes included.
TEST_F(ConsoleModel, DrawingOverTheSessionKeepsItsColourState) {
  struct TState {
    uint8_t Attr, FgMode, BgMode, Fg256, Bg256;
    std::array<uint8_t, 3> FgRGB, BgRGB;
    uint32_t FgPixel, BgPixel;
    bool operator==(const TState&) const = default;
  };
  auto State = [&] {
    return TState{Con.TextAttr, Con.FgMode, Con.BgMode, Con.Fg256, Con.Bg256,
                  Con.FgRGB,    Con.BgRGB,  Con.FgPixel, Con.BgPixel};
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
  for (size_t I = 0; I < Sessions.size(); ++I) {
    for (size_t J = 0; J < Overdraws.size(); ++J) {
      SCOPED_TRACE(testing::Message() << "session " << I << ", overdraw " << J);
      Sessions[I]();
      const TState Before = State();
      Overdraws[J]();
      EXPECT_TRUE(State() == Before);
    }
  }
}

// --- editing -------------------------------------------------------------------------------

TEST_F(ConsoleModel, InsertAndDeleteAtTheRightEdgeTouchOnlyTheLastColumn) {
  Con.WriteXY(1, 1, 7, std::string(80, 'x'));
  Con.InsertChars(1, 80, 1);
  EXPECT_EQ(RowText(Con, 1), std::string(79, 'x') + " ");
  Con.WriteXY(1, 2, 7, std::string(80, 'y'));
  Con.DeleteChars(2, 80, 5);
  EXPECT_EQ(RowText(Con, 2), std::string(79, 'y') + " ");
}

TEST_F(ConsoleModel, InsertAndDeleteCharsShiftCellsWithTheirColours) {
  Con.WriteXY(1, 1, 0x1E, "abcdef");
  Con.SetFg256(123);
  Con.WriteCharXY(3, 1, 'C');
  Con.InsertChars(1, 2, 2);
  EXPECT_EQ(RowTextTrimmed(Con, 1), "a  bCdef");
  EXPECT_EQ(Con.Cell(2, 1).Attr, 0x1E);   // the gap keeps the colours of the cell it opened at
  EXPECT_EQ(Con.Cell(5, 1).FgMode, 1);
  EXPECT_EQ(Con.Cell(5, 1).Fg[0], 123);
  Con.DeleteChars(1, 1, 3);
  EXPECT_EQ(RowTextTrimmed(Con, 1), "bCdef");
  EXPECT_EQ(Con.Cell(2, 1).FgMode, 1);
  // Counts larger than the row and positions off the screen are harmless.
  Con.InsertChars(1, 1, 100000);
  EXPECT_EQ(RowTextTrimmed(Con, 1), "");
  Con.DeleteChars(26, 1, 1);
  Con.InsertChars(1, 81, 1);
  Con.InsertChars(1, 0, 1);
}

TEST_F(ConsoleModel, InsertAndDeleteLinesStayInsideTheirRange) {
  for (int Y = 1; Y <= 25; ++Y) Con.WriteXY(1, Y, 7, std::string(1, static_cast<char>('A' + Y - 1)));
  Con.SetTextAttr(0x17);
  Con.DeleteLines(3, 2, 6);
  EXPECT_EQ(Con.Cell(1, 2).Ch, 'B');
  EXPECT_EQ(Con.Cell(1, 3).Ch, 'E');
  EXPECT_EQ(Con.Cell(1, 4).Ch, 'F');
  EXPECT_EQ(Con.Cell(1, 5).Ch, ' ');
  EXPECT_EQ(Con.Cell(1, 5).Attr, 0x17);
  EXPECT_EQ(Con.Cell(1, 7).Ch, 'G');

  Con.SetBg256(50);
  Con.InsertLines(10, 3, 12);
  EXPECT_EQ(Con.Cell(1, 9).Ch, 'I');
  for (int Y = 10; Y <= 12; ++Y) {
    EXPECT_EQ(Con.Cell(1, Y).Ch, ' ');
    EXPECT_EQ(Con.Cell(1, Y).BgMode, 1);
    EXPECT_EQ(Con.Cell(1, Y).Bg[0], 50);
  }
  EXPECT_EQ(Con.Cell(1, 13).Ch, 'M');

  Con.InsertLines(20, 1, 25);
  EXPECT_EQ(Con.Cell(1, 21).Ch, 'T');
  EXPECT_EQ(Con.Cell(1, 25).Ch, 'X');
  Con.DeleteLines(1, 70000, 25);
  for (int Y = 1; Y <= 25; ++Y) EXPECT_EQ(RowTextTrimmed(Con, Y), "") << Y;
  Con.DeleteLines(9, 1, 8);   // top below bottom: nothing
}

// --- saving and pictures ----------------------------------------------------------------

TEST_F(ConsoleModel, RestoreScreenBringsBackCellsCursorAndColours) {
  Con.WriteXY(3, 4, 0x4E, "saved");
  Con.GotoXY(7, 8);
  Con.SetFgRGB(9, 8, 7);
  Con.SetBg256(33);
  auto Image = std::make_unique<TConsoleImage>();
  Con.SaveScreen(1, 2, 3, 4, *Image);
  EXPECT_EQ(Image->BoxX1, 1);
  EXPECT_EQ(Image->BoxX2, 3);
  EXPECT_EQ(Image->BoxY1, 2);
  EXPECT_EQ(Image->BoxY2, 4);

  Con.SetTextAttr(7, true);
  Con.ClearScreen(2);
  Con.RestoreScreen(*Image);
  EXPECT_EQ(RowTextTrimmed(Con, 4), "  saved");
  EXPECT_EQ(Con.Cell(3, 4).Attr, 0x4E);
  EXPECT_EQ(Con.CursorX, 7);
  EXPECT_EQ(Con.CursorY, 8);
  EXPECT_EQ(Con.FgMode, 2);
  EXPECT_EQ(Con.FgRGB, (std::array<uint8_t, 3>{9, 8, 7}));
  EXPECT_EQ(Con.BgMode, 1);
  EXPECT_EQ(Con.Bg256, 33);
}

TEST_F(ConsoleModel, CrunchedRunOfSpacesThenAGlyph) {
  const std::vector<uint8_t> Data{1, 25, 3, 65};
  Con.WriteXY(1, 1, 0x1F, "old text");
  Con.DisplayCrunched(Data, 3, 2, 1);
  for (int X = 3; X <= 6; ++X) {
    EXPECT_EQ(Con.Cell(X, 2).Ch, ' ');
    EXPECT_EQ(Con.Cell(X, 2).Attr, 1);
  }
  EXPECT_EQ(Con.Cell(7, 2).Ch, 'A');
  EXPECT_EQ(Con.Cell(7, 2).Attr, 1);
  for (int Y = 1; Y <= 25; ++Y)
    for (int X = 1; X <= 80; ++X) {
      if (Y == 2 && X >= 3 && X <= 7) continue;
      ASSERT_EQ(Con.Cell(X, Y), TConsoleCell{}) << X << "," << Y;
    }
  EXPECT_EQ(Con.TextAttr, 1);
}

TEST_F(ConsoleModel, CrunchedCodesForRowsRepeatsAndBackgrounds) {
  const std::vector<uint8_t> Data{'a', 24, 18, 26, 2, '*', 28, 'b'};
  Con.DisplayCrunched(Data, 1, 1, 2);
  EXPECT_EQ(RowTextTrimmed(Con, 1), "a");
  EXPECT_EQ(RowTextTrimmed(Con, 2), "***b");
  EXPECT_EQ(Con.Cell(1, 2).Attr, 0x27);
  EXPECT_EQ(Con.Cell(1, 2).Font, 2);
  EXPECT_EQ(Con.Cell(50, 20).Font, 2);
}

TEST_F(ConsoleModel, CrunchedDataCutInsideARunStopsAtItsEnd) {
  // Each picture is copied into a buffer of its exact size so a read past it is caught.
  for (const std::vector<uint8_t>& Data :
       {std::vector<uint8_t>{'x', 25}, std::vector<uint8_t>{'x', 26}, std::vector<uint8_t>{'x', 26, 5}}) {
    auto Exact = std::make_unique<uint8_t[]>(Data.size());
    std::copy(Data.begin(), Data.end(), Exact.get());
    Con.DisplayCrunched(std::span<const uint8_t>(Exact.get(), Data.size()), 1, 1, 1);
    EXPECT_EQ(RowTextTrimmed(Con, 1), "x");
  }
}

TEST_F(ConsoleModel, CrunchedPictureLargerThanTheScreenIsCut) {
  std::vector<uint8_t> Data;
  for (int Row = 0; Row < 70; ++Row) {
    Data.insert(Data.end(), {26, 255, 'w', 26, 255, 'w', 24});
  }
  Con.DisplayCrunched(Data, 1, 1, 1);
  EXPECT_EQ(Con.Cell(80, 25).Ch, 'w');
  Con.DisplayCrunched(Data, 150, 50, 1);
  EXPECT_EQ(Con.Cell(80, 25).Ch, ' ');
}

TEST_F(ConsoleModel, WritesAfterTerminationAreDropped) {
  Con.Terminated = true;
  Con.WriteStr("gone");
  Con.WriteXY(1, 2, 7, "gone");
  Con.PutCell(1, 3, TConsoleCell{'g'}, 1);
  EXPECT_EQ(RowTextTrimmed(Con, 1), "");
  EXPECT_EQ(RowTextTrimmed(Con, 2), "");
  EXPECT_EQ(RowTextTrimmed(Con, 3), "");
}

TEST_F(ConsoleModel, OpenScreenSizesAndBlanksInTheNewFont) {
  EXPECT_TRUE(Con.OpenScreen(132, 37, 3));
  EXPECT_EQ(Con.PixelWidth(), 132 * 16);
  EXPECT_EQ(Con.PixelHeight(), 37 * 32);
  EXPECT_EQ(Con.WinX2, 132);
  EXPECT_EQ(Con.WinY2, 37);
  EXPECT_EQ(Con.Cell(160, 60).Font, 3);
  EXPECT_FALSE(Con.OpenScreen(80, 25, FontCount + 1));
  EXPECT_TRUE(Con.OpenScreen(10, 500, 1));
  EXPECT_EQ(Con.Cols, 80);
  EXPECT_EQ(Con.Rows, 60);
}

TEST_F(ConsoleModel, DrawRowShowsASavedRowInTheGivenFont) {
  TConsoleRow Saved;
  Saved.fill(TConsoleCell{'r', 0x2A, {}, {}, 1, 0, 0});
  Con.DrawRow(3, Saved, 2);
  EXPECT_EQ(RowText(Con, 3), std::string(80, 'r'));
  EXPECT_EQ(Con.Cell(80, 3).Font, 2);
  EXPECT_EQ(Con.Cell(81, 3).Ch, ' ');
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
    ASSERT_EQ(Run.CursorX, One.CursorX) << Step;
    ASSERT_EQ(Run.CursorY, One.CursorY) << Step;
    ASSERT_EQ(Run.PendingWrap, One.PendingWrap) << Step;
  }
  for (int Y = 1; Y <= ConsoleMaxRows; ++Y) EXPECT_TRUE(Run.Row(Y) == One.Row(Y)) << "row " << Y;
  ASSERT_EQ(Run.ScrollbackCount, One.ScrollbackCount);
  for (int L = 1; L <= One.ScrollbackCount; ++L) EXPECT_TRUE(Run.Line(L) == One.Line(L)) << "line " << L;
}

}  // namespace
