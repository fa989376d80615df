// Behaviour of the emulator that a BBS relies on, checked on a headless console.
#include <gtest/gtest.h>

#include <climits>

#include "screen_dump.h"
#include "term_fixture.h"

namespace {

class TermTest : public ::testing::Test {
protected:
  void SetUp() override { Make(80, 25); }
  void Make(int Cols, int Rows, bool Status = false) {
    Term.reset();
    Con = MakeConsole(Cols, Rows, Status);
    Term = std::make_unique<TTermAnsi>(*Con);
  }
  void Send(std::string_view S) { Feed(*Term, S); }
  TDumpCell At(int X, int Y) const { return ReadCell(*Con, X, Y); }
  std::string RowText(int Y, int From = 1, int To = 80) const {
    std::string S;
    for (int X = From; X <= To; ++X) S += static_cast<char>(At(X, Y).Ch);
    return S;
  }
  void Label(int Rows) {
    for (int Y = 1; Y <= Rows; ++Y) Send("\x1b[" + std::to_string(Y) + ";1HR" + std::to_string(Y));
  }

  std::unique_ptr<TSDLConsoleScrollback> Con;
  std::unique_ptr<TTermAnsi> Term;
};

// --- select graphic rendition ------------------------------------------------

TEST_F(TermTest, Colour256ThenResetGivesLightGreyOnBlack) {
  Send("\x1b[38;5;196ma\x1b[0mb");
  EXPECT_EQ(At(1, 1).Fg, "256:196");
  EXPECT_EQ(At(2, 1).Fg, "attr");
  EXPECT_EQ(At(2, 1).Bg, "attr");
  EXPECT_EQ(At(2, 1).Attr, 7);
}

TEST_F(TermTest, RgbForegroundAndBackground) {
  Send("\x1b[38;2;255;128;0;48;2;1;2;3mx");
  EXPECT_EQ(At(1, 1).Fg, "rgb:255,128,0");
  EXPECT_EQ(At(1, 1).Bg, "rgb:1,2,3");
  Send("\x1b[48;5;17my");
  EXPECT_EQ(At(2, 1).Fg, "rgb:255,128,0");
  EXPECT_EQ(At(2, 1).Bg, "256:17");
}

TEST_F(TermTest, UnknownColourKindEndsTheWholeRendition) {
  Send("\x1b[38;9;1mx");
  EXPECT_EQ(At(1, 1).Attr, 7) << "the trailing 1 must not be applied";
  EXPECT_EQ(At(1, 1).Fg, "attr");
  Send("\x1b[44;48;0;31mx");
  EXPECT_EQ(At(2, 1).Attr, 0x17) << "44 before the unknown kind stays, 31 after it is dropped";
}

TEST_F(TermTest, ColourComponentsAndParametersWrapModulo256) {
  Send("\x1b[38;5;452mx\x1b[0;287my");  // 452 = 196 + 256, 287 = 31 + 256
  EXPECT_EQ(At(1, 1).Fg, "256:196");
  EXPECT_EQ(At(2, 1).Attr, 4);
}

TEST_F(TermTest, ReverseTwiceRestoresAndDropsBright) {
  Send("\x1b[0;33;44m\x1b[7ma\x1b[7mb");
  EXPECT_EQ(At(1, 1).Attr, 0x61);
  EXPECT_EQ(At(2, 1).Attr, 0x16);
  Send("\x1b[0;1;5;32;41m\x1b[7mc");  // bright green on red with bit 7
  EXPECT_EQ(At(3, 1).Attr, 0x80 | 0x20 | 0x04) << "bright dropped, bit 7 kept, halves swapped";
}

TEST_F(TermTest, BoldIsKeptAcrossForegroundChanges) {
  Send("\x1b[1;31ma\x1b[32mb\x1b[0;44m\x1b[5;42mc");
  EXPECT_EQ(At(1, 1).Attr, 12);
  EXPECT_EQ(At(2, 1).Attr, 10);
  EXPECT_EQ(At(3, 1).Attr, 0x80 | 0x20 | 7) << "blink bit stays across a background change";
}

TEST_F(TermTest, SameNibbleKeepsExtendedColourOtherNibbleEndsIt) {
  Send("\x1b[48;5;52;38;5;46m\x1b[37;40ma\x1b[31mb\x1b[41mc");
  EXPECT_EQ(At(1, 1).Fg, "256:46");
  EXPECT_EQ(At(1, 1).Bg, "256:52");
  EXPECT_EQ(At(2, 1).Fg, "attr");
  EXPECT_EQ(At(2, 1).Bg, "256:52");
  EXPECT_EQ(At(3, 1).Bg, "attr");
  EXPECT_EQ(At(3, 1).Attr, 0x44);
}

TEST_F(TermTest, EmptyRenditionResets) {
  Send("\x1b[1;44;38;5;9m\x1b[mx");
  EXPECT_EQ(At(1, 1).Attr, 7);
  EXPECT_EQ(At(1, 1).Fg, "attr");
}

TEST_F(TermTest, TExtensionSetsRgbAndResizeReachesHandler) {
  int GotCols = -1, GotRows = -1;
  Term->OnScreenSize = [&](uint8_t C, uint8_t R) { GotCols = C; GotRows = R; };
  Send("\x1b[1;10;20;30t\x1b[0;256;257;2tx\x1b[8;50;388t");
  EXPECT_EQ(At(1, 1).Fg, "rgb:10,20,30");
  EXPECT_EQ(At(1, 1).Bg, "rgb:0,1,2");
  EXPECT_EQ(GotRows, 50);
  EXPECT_EQ(GotCols, 132);
}

// --- replies -----------------------------------------------------------------

TEST_F(TermTest, CursorPositionReportBytes) {
  TRecordingSocket Sock;
  Term->SetSocket(&Sock);
  Send("\x1b[3;10H\x1b[6n");
  EXPECT_EQ(Sock.Sent, "\x1b[3;10R");
  Sock.Sent.clear();
  Send("\x1b[25;80H\x1b[5n");  // the parameter is not examined
  EXPECT_EQ(Sock.Sent, "\x1b[25;80R");
  EXPECT_EQ(RowText(1, 1, 10), std::string(10, ' ')) << "a query draws nothing";
}

TEST_F(TermTest, CursorPositionReportWithoutConnectionIsIgnored) {
  Send("\x1b[6nx");
  EXPECT_EQ(At(1, 1).Ch, 'x');
  TRecordingSocket Sock;
  Term->SetSocket(&Sock);
  Term->SetSocket(nullptr);
  Send("\x1b[6n");
  EXPECT_TRUE(Sock.Sent.empty());
}

// --- cursor and tabs -----------------------------------------------------------

TEST_F(TermTest, TabStopsAtRightEdge) {
  Send("\x1b[1;77H\t");
  EXPECT_EQ(Con->CursorX, 80);
  Send("\t");
  EXPECT_EQ(Con->CursorX, 80);
  Send("\x1b[2;1H\t\tx");
  EXPECT_EQ(At(17, 2).Ch, 'x');
}

TEST_F(TermTest, HugeCountsSaturateAndClamp) {
  Send("\x1b[2;2H\x1b[99999999999999999999C");
  EXPECT_EQ(Con->CursorX, 80);
  Send("\x1b[99999999999999999999D");
  EXPECT_EQ(Con->CursorX, 1);
  Send("\x1b[99999999999999999999B");
  EXPECT_EQ(Con->CursorY, 25);
  Send("\x1b[2147483647A");
  EXPECT_EQ(Con->CursorY, 1);
  Send("\x1b[4294967296;4294967296H");
  EXPECT_EQ(Con->CursorX, 80);
  EXPECT_EQ(Con->CursorY, 25);
  // Huge insert and delete counts finish and blank what they cover.
  Send("\x1b[5;1Habc\x1b[5;1H\x1b[2147483647@\x1b[2147483647P\x1b[2147483647L\x1b[2147483647M");
  EXPECT_EQ(RowText(5, 1, 3), "   ");
}

TEST_F(TermTest, RestoreWithoutSaveGoesHome) {
  Send("\x1b[7;33H\x1b[ux");
  EXPECT_EQ(At(1, 1).Ch, 'x');
}

TEST_F(TermTest, CursorStopsAboveStatusLine) {
  Make(80, 25, true);
  Send("\x1b[99;5H");
  EXPECT_EQ(Con->CursorY, 24);
  Send("\x1b[1;1H\x1b[99B");
  EXPECT_EQ(Con->CursorY, 24);
}

TEST_F(TermTest, FullBottomRowThenCursorMoveDoesNotScroll) {
  Send("\x1b[1;1Htop\x1b[25;1H" + std::string(80, '='));
  EXPECT_TRUE(Con->PendingWrap);
  Send("\x1b[12;40Hx");
  EXPECT_EQ(RowText(1, 1, 3), "top") << "the screen must stay where it was drawn";
  EXPECT_EQ(At(40, 12).Ch, 'x');
  Send("\x1b[25;1H" + std::string(80, '=') + "\x1b[25;1Hz");
  EXPECT_EQ(RowText(1, 1, 3), "top") << "placing onto the owed position cancels the wrap too";
  EXPECT_EQ(RowText(25, 1, 2), "z=");
  Send("\x1b[25;1H" + std::string(80, '-') + "y");
  EXPECT_EQ(RowText(24, 1, 2), "--") << "a glyph after the full row still scrolls first";
  EXPECT_EQ(At(1, 25).Ch, 'y');
}

TEST_F(TermTest, WidestScreenUsesAllColumnsAndRows) {
  Make(160, 60, true);
  Send("\x1b[1;157H\t");
  EXPECT_EQ(Con->CursorX, 160);
  Send("\x1b[2;1H" + std::string(160, 'x') + "\x1b[2;100H\x1b[44m\x1b[K");
  EXPECT_EQ(At(99, 2).Ch, 'x');
  EXPECT_EQ(At(160, 2).Attr, 0x17);
  Send("\x1b[99;99H");
  EXPECT_EQ(Con->CursorY, 59);
  EXPECT_EQ(Con->CursorX, 99);
  TRecordingSocket Sock;
  Term->SetSocket(&Sock);
  Send("\x1b[6n");
  EXPECT_EQ(Sock.Sent, "\x1b[59;99R");
}

// --- scroll region -------------------------------------------------------------

TEST_F(TermTest, ScrollRegionLimitsLineFeedScrolling) {
  Label(25);
  Send("\x1b[5;20r\x1b[20;1H\n");
  EXPECT_EQ(Con->WinY1, 5);
  EXPECT_EQ(Con->WinY2, 20);
  EXPECT_EQ(RowText(4, 1, 3), "R4 ");
  EXPECT_EQ(RowText(5, 1, 3), "R6 ");
  EXPECT_EQ(RowText(19, 1, 3), "R20");
  EXPECT_EQ(RowText(20, 1, 3), "   ");
  EXPECT_EQ(RowText(21, 1, 3), "R21");
  EXPECT_EQ(RowText(25, 1, 3), "R25");
  EXPECT_EQ(Con->CursorY, 20);
}

TEST_F(TermTest, ScrollRegionEdgeCases) {
  Send("\x1b[3;4H\x1b[10;99r");
  EXPECT_EQ(Con->WinY1, 10);
  EXPECT_EQ(Con->WinY2, 25) << "bottom past the screen is cut to the last row";
  EXPECT_EQ(Con->CursorX, 4) << "the cursor is not moved";
  Send("\x1b[20;5r");
  EXPECT_EQ(Con->WinY1, 10) << "an inverted region is ignored";
  Send("\x1b[99r");
  EXPECT_EQ(Con->WinY1, 10) << "a top past the screen is ignored";
  Send("\x1b[12r");
  EXPECT_EQ(Con->WinY1, 12);
  EXPECT_EQ(Con->WinY2, 25);
  Send("\x1b[r");
  EXPECT_EQ(Con->WinY1, 1);
  EXPECT_EQ(Con->WinY2, 25);
  Make(80, 25, true);
  Send("\x1b[5;0r");
  EXPECT_EQ(Con->WinY2, 24) << "the status row is never part of the region";
}

// --- modes -----------------------------------------------------------------

TEST_F(TermTest, CursorAndBlinkModes) {
  Send("\x1b[?25l");
  EXPECT_TRUE(Con->CursorHidden);
  Send("\x1b[?25h");
  EXPECT_FALSE(Con->CursorHidden);
  Send("\x1b[?33l");
  EXPECT_TRUE(Con->BlinkEnabled);
  Send("\x1b[?35h");
  EXPECT_FALSE(Con->BlinkEnabled);
}

TEST_F(TermTest, EqualsSignEndsTheSequenceAndTheRestPrints) {
  Send("\x1b[=5h");
  EXPECT_EQ(RowText(1, 1, 3), "5h ");
  EXPECT_FALSE(Con->CursorHidden);
}

// --- clearing and scrollback -------------------------------------------------

TEST_F(TermTest, FormFeedClearsWindowWithoutRecordingButClearScreenRecords) {
  Label(10);
  Send("\x0c");
  EXPECT_EQ(Con->ScrollbackCount, 0);
  EXPECT_EQ(RowText(1, 1, 3), "   ");
  EXPECT_EQ(Con->CursorX, 1);
  EXPECT_EQ(Con->CursorY, 1);
  Label(10);
  Send("\x1b[2J");
  EXPECT_EQ(Con->ScrollbackCount, 10);
  EXPECT_EQ(RowText(10, 1, 3), "   ");
  Send("\x1b[2J");
  EXPECT_EQ(Con->ScrollbackCount, 10) << "a blank screen adds nothing";
}

TEST_F(TermTest, FormFeedHomesToTheScrollRegion) {
  Label(10);
  Send("\x1b[3;6r\x0c");
  EXPECT_EQ(Con->CursorY, 3);
  EXPECT_EQ(RowText(2, 1, 2), "R2");
  EXPECT_EQ(RowText(6, 1, 2), "  ");
  EXPECT_EQ(RowText(7, 1, 2), "R7");
}

// --- control bytes -----------------------------------------------------------

TEST_F(TermTest, ControlBytesAreDrawnAsGlyphs) {
  int X = 1;
  for (int Ch = 1; Ch < 32; ++Ch) {
    if (Ch == 7 || Ch == 8 || Ch == 9 || Ch == 10 || Ch == 12 || Ch == 13 || Ch == 27) continue;
    Term->ProcessChar(static_cast<uint8_t>(Ch));
    EXPECT_EQ(Term->Printed, 1) << Ch;
    EXPECT_EQ(At(X, 1).Ch, Ch) << "byte " << Ch;
    ++X;
  }
  Term->ProcessChar(0);
  EXPECT_EQ(Term->Printed, 0);
  Term->ProcessChar(7);
  EXPECT_EQ(Term->Printed, 0);
  EXPECT_EQ(Con->CursorX, X) << "NUL and BEL draw nothing";
}

TEST_F(TermTest, PrintedMarksOnlyDrawingCalls) {
  Term->ProcessChar('a');
  EXPECT_EQ(Term->Printed, 1);
  Term->ProcessChar('\n');
  EXPECT_EQ(Term->Printed, 0);
  Term->ProcessChar('\r');
  EXPECT_EQ(Term->Printed, 1);
  Term->ProcessChar(8);
  EXPECT_EQ(Term->Printed, 1);
  for (char C : std::string("\x1b[1m")) {
    Term->ProcessChar(static_cast<uint8_t>(C));
    EXPECT_EQ(Term->Printed, 0);
  }
}

// --- parsing across blocks and hostile input -----------------------------------

TEST_F(TermTest, SequenceSplitBetweenBlocks) {
  Send("\x1b[3");
  Send("1mx");
  EXPECT_EQ(At(1, 1).Ch, 'x');
  EXPECT_EQ(At(1, 1).Attr, 4);
  Send("\x1b");
  Send("[");
  Send("2;");
  Send("5Hy");
  EXPECT_EQ(At(5, 2).Ch, 'y');
}

TEST_F(TermTest, ParametersAreCutAt255Characters) {
  Send("\x1b[" + std::string(400, ';'));
  EXPECT_EQ(Term->Params.size(), TTermAnsi::MaxParams);
  Send("31mx");
  EXPECT_EQ(At(1, 1).Attr, 7) << "digits past the cut are lost";
  EXPECT_TRUE(Term->Params.empty());
  EXPECT_EQ(Term->State, 0);
}

// --- fonts ---------------------------------------------------------------------

TEST_F(TermTest, FontSelectionNeedsFontSwitch) {
  Send("\x1b[0;38 Da");
  EXPECT_EQ(Term->Font, 1);
  EXPECT_EQ(At(1, 1).Font, 1);
  Term->FontSwitch = 1;
  Send("\x1b[0;38 Db\x1b[0;43 Dc");
  EXPECT_EQ(At(2, 1).Font, 2);
  EXPECT_EQ(At(3, 1).Font, 1);
}

TEST_F(TermTest, FontSelectionKeepsTheCellSize) {
  Term->FontSwitch = 1;
  Term->Font = 3;
  Send("\x1b[0;42 D");
  EXPECT_EQ(Term->Font, 4);
  Send("\x1b[0;0 D");
  EXPECT_EQ(Term->Font, 3);
  Send("\x1b[0;37 E");
  EXPECT_EQ(Term->Font, 3) << "only D selects";
  EXPECT_EQ(Term->State, 0);
}

// --- processing blocks ---------------------------------------------------------

TEST_F(TermTest, BlockAndByteFeedingAgree) {
  const std::string Data = "\x1b[1;33mHello\x1b[2;5H\x1b[38;5;99mworld\r\n\x1b[0m\xdb\xb1";
  Feed(*Term, Data);
  auto Other = MakeConsole(80, 25);
  TTermAnsi T2(*Other);
  for (char C : Data) T2.ProcessChar(static_cast<uint8_t>(C));
  EXPECT_TRUE(DiffDumps(CaptureScreen(*Con), CaptureScreen(*Other)).empty());
  Term->ProcessBuf(nullptr, 0);  // an empty block is harmless
}

}  // namespace
