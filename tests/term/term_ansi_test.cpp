// Behaviour of the emulator that a BBS relies on, checked on a headless console.
#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "term_fixture.h"

namespace {

class TermTest : public ::testing::Test {
protected:
  TermTest() : Con(MakeConsole(80, 25)), Term(std::make_unique<TTermAnsi>(*Con)) {}
  const TConsoleCell& At(int X, int Y) const { return Con->Cell(X, Y); }

  std::unique_ptr<TSDLConsoleScrollback> Con;
  std::unique_ptr<TTermAnsi> Term;
};

// What one cell must hold; -1 and null mean "not checked".
struct TCell { int X, Y, Ch = -1, Attr = -1; const char* Fg = nullptr; const char* Bg = nullptr; };
struct TCase {
  std::string In;
  std::vector<TCell> Cells = {};
  int Cols = 80, Rows = 25;
  bool Status = false;
  TEmulation Emul = TEmulation::AnsiBbs;
  TCharset Chars = TCharset::CP437;
  std::string Reply = {};  // what goes back to the board (no connection when empty)
  TMouseModes Mouse = {};
};
constexpr auto VT = TEmulation::VT102;
using Track = TMouseTracking;

// Each case is fed cut into two blocks at every position, so a sequence split between blocks is
// checked along with the sequence itself.
TEST_F(TermTest, SequencesGiveTheSameScreenHoweverTheyAreCut) {
  const TCase Cases[] = {
      // select graphic rendition
      {"\x1b[38;5;196ma\x1b[0mb", {{1, 1, 'a', -1, "256:196"}, {2, 1, 'b', 7, "attr", "attr"}}},
      {"\x1b[38;2;255;128;0;48;2;1;2;3mx\x1b[48;5;17my",
       {{1, 1, 'x', -1, "rgb:255,128,0", "rgb:1,2,3"}, {2, 1, 'y', -1, "rgb:255,128,0", "256:17"}}},
      {"\x1b[38;9;1mx\x1b[1;44;38;5;9m\x1b[my", {{1, 1, 'x', 7, "attr"}, {2, 1, 'y', 7, "attr"}}},  // 9 is no kind: 1 is lost
      {"\x1b[44;48;0;31mx", {{1, 1, 'x', 0x17}}},   // 44 before it stays, 31 after it is dropped
      {"\x1b[38;5;452mx\x1b[0;287my", {{1, 1, -1, -1, "256:196"}, {2, 1, -1, 4}}},  // modulo 256
      {"\x1b[0;33;44m\x1b[7ma\x1b[7mb", {{1, 1, 'a', 0x61}, {2, 1, 'b', 0x16}}},    // 7 twice restores
      {"\x1b[0;1;5;32;41m\x1b[7mc", {{1, 1, 'c', 0x80 | 0x20 | 0x04}}},  // bright dropped, bit 7 kept
      {"\x1b[1;31ma\x1b[32mb\x1b[0;44m\x1b[5;42mc", {{1, 1, 'a', 12}, {2, 1, 'b', 10}, {3, 1, 'c', 0x80 | 0x20 | 7}}},
      {"\x1b[48;5;52;38;5;46m\x1b[37;40ma\x1b[31mb\x1b[41mc",  // the same nibble keeps extended colour
       {{1, 1, 'a', -1, "256:46", "256:52"}, {2, 1, 'b', -1, "attr", "256:52"}, {3, 1, 'c', 0x44, "attr", "attr"}}},
      {"\x1b[1;10;20;30t\x1b[0;256;257;2tx", {{1, 1, 'x', -1, "rgb:10,20,30", "rgb:0,1,2"}}},
      {"\x1b[=5h", {{1, 1, '5'}, {2, 1, 'h'}}},  // '=' ends the sequence and the rest prints
      {"\x1b[" + std::string(254, ';') + "31mx", {{1, 1, -1, 7}}},  // what passes 255 bytes is lost
      // cursor movement and tabs
      {"\x1b[1;77H\t\tx\x1b[2;1H\t\ty", {{80, 1, 'x'}, {17, 2, 'y'}}},
      {"\x1b[2;2H\x1b[99999999999999999999Cx\x1b[3;9H\x1b[99999999999999999999Dy\x1b[4;2H\x1b[99999999999999999999Bz"
       "\x1b[9;3H\x1b[2147483647Aw", {{80, 2, 'x'}, {1, 3, 'y'}, {2, 25, 'z'}, {3, 1, 'w'}}},
      {"\x1b[4294967296;4294967296Hx", {{80, 25, 'x'}}},
      {"\x1b[5;1Habc\x1b[5;1H\x1b[2147483647@\x1b[2147483647P\x1b[2147483647L\x1b[2147483647M", {{1, 5, ' '}, {3, 5, ' '}}},
      {"\x1b[7;33H\x1b[ux", {{1, 1, 'x'}}},  // restore without save goes home
      {"\x1b[99;5Hx\x1b[1;1H\x1b[99By", {{5, 24, 'x'}, {1, 24, 'y'}}, 80, 25, true},  // above the status line
      // a full bottom row owes a wrap that only a glyph pays
      {"\x1b[1;1Htop\x1b[25;1H" + std::string(80, '=') + "\x1b[12;40Hx", {{1, 1, 't'}, {40, 12, 'x'}}},
      {"\x1b[1;1Htop\x1b[25;1H" + std::string(80, '=') + "\x1b[25;1Hz", {{1, 1, 't'}, {1, 25, 'z'}, {2, 25, '='}}},
      {"\x1b[25;1H" + std::string(80, '=') + "y", {{1, 24, '='}, {1, 25, 'y'}}},
      // the widest screen
      {"\x1b[1;157H\t\tx\x1b[99;99Hy", {{160, 1, 'x'}, {99, 59, 'y'}}, 160, 60, true},
      {"\x1b[2;1H" + std::string(160, 'x') + "\x1b[2;100H\x1b[44m\x1b[K", {{99, 2, 'x', 7}, {160, 2, ' ', 0x17}}, 160, 60, true},
      // SGR 39 / 49 end any colour; SO and SI are pictures until the board sets G1
      {"\x1b[31;44;48;5;9mA\x1b[39;49mB", {{2, 1, 'B', 7, "attr", "attr"}}},
      {"\x0e\x0f\x1b)0\x0eq\x0fq", {{1, 1, 14}, {2, 1, 15}, {3, 1, 0xC4}, {4, 1, 'q'}}},
      // a tab stop in the last column; the ANSI-BBS screen wraps at once, a VT102 waits
      {"\x1b[1;80H\x1bH\x1b[1;75H\tx\tz", {{80, 1, 'x'}, {9, 2, 'z'}}},
      {"\x1b[1;80H\x1bH\x1b[1;75H\tx\tz", {{80, 1, 'z'}, {9, 2, ' '}}, 80, 25, false, VT},
      {"\x1b[25;80Hxy\x1b[1;79Hab\r\nc", {{80, 24, 'x'}, {1, 25, 'y'}, {80, 1, 'b'}, {1, 2, 'c'}}, 80, 25, false, VT},
      {"\x1b[?7l\x1b[1;78Habcd\x1b[?7h\x1b[2;78Habcd", {{79, 1, 'b'}, {80, 1, 'd'}, {1, 3, 'd'}}, 80, 25, false, VT},
      {"\x1b[4h\x1b[1;79Hab\x1b[1;79HXY", {{79, 1, 'X'}, {80, 1, 'Y'}}, 80, 25, false, VT},
      // reverse index at the region's top scrolls it; at the screen's top outside it does not
      {"\x1b[5;10r\x1b[5;1HA\x1bMB\x1b[1;1HC\x1bMD", {{1, 6, 'A'}, {2, 5, 'B'}, {1, 1, 'C'}, {2, 1, 'D'}}, 80, 25, false, VT},
      // ESC 8 brings back an RGB colour saved before a change to 256 colours
      {"\x1b[38;2;9;8;7m\x1b" "7\x1b[0;48;5;3m\x1b[9;9H\x1b" "8x", {{1, 1, 'x', -1, "rgb:9,8,7", "attr"}}, 80, 25, false, VT},
      {"\x1b[31mA\x1b[5;10r\x1b(0\x1b" "cq\x1b[5;1H\x1bMr", {{1, 1, 'q', 7}, {2, 1, ' '}, {1, 4, 'r'}}, 80, 25, false, VT},
      {"\x1b[31m\x1b#8x", {{1, 1, 'x', 4}, {2, 1, 'E', 7}, {80, 25, 'E', 7}}},
      {"\x1b[1;79Hab\x1b[1;79H\x1b[9X", {{79, 1, ' '}, {80, 1, ' '}}, 80, 25, false, VT},
      {"x\x1b[2147483647b", {{80, 24, 'x'}, {1, 25, 'x'}, {2, 25, ' '}}},
      // control bytes: VT102 runs them inside sequences and draws none of the others
      {"a\x01\x7f\x1b[2\x08" "Cb\x1b[3\x18" "c\x0c" "d", {{1, 1, 'a'}, {3, 1, 'b'}, {4, 1, 'c'}, {5, 2, 'd'}}, 80, 25, false, VT},
      // received text by the character set: two code page 437 glyphs, or one UTF-8 character
      {"\xc2\xbb", {{1, 1, 0xC2}, {2, 1, 0xBB}}},
      {"\xc2\xbb\xe2\x94\x80", {{1, 1, 0xAF}, {2, 1, 0xC4}, {3, 1, ' '}}, 80, 25, false, VT, TCharset::UTF8},
      {"\xe2\x97\x98 \xe2\x99\xaa", {{1, 1, 8}, {2, 1, ' '}, {3, 1, 13}}, 80, 25, false, {}, TCharset::UTF8},
      // replies: the position (to any other query too), the status, the device, the position in
      // origin mode (from the region's top); none unconnected
      {.In = "\x1b[3;10H\x1b[6n\x1b[25;80H\x1b[n", .Reply = "\x1b[3;10R\x1b[25;80R"},
      {.In = "\x1b[5n\x1b[c", .Reply = "\x1b[0n\x1b[?6c"},
      {.In = "\x1b[0c\x1bZ\x1b[>c\x1b[7n", .Emul = VT, .Reply = "\x1b[?6c\x1b[?6c"},
      {.In = "\x1b[5;10r\x1b[?6h\x1b[2;3H\x1b[6n", .Emul = VT, .Reply = "\x1b[2;3R"},
      {"\x1b[6nx", {{1, 1, 'x'}, {2, 1, ' '}}},
      // mouse modes: set and reset privately (another mode's reset leaves one), never by ANSI modes
      {.In = "\x1b[?9h", .Mouse = {Track::X10, false}}, {.In = "\x1b[?9h\x1b[?9l"},
      {.In = "\x1b[1000h\x1b[1006h"}, {.In = "\x1b[?1000;1006h\x1b[?1000;1006l"},
      {.In = "\x1b[?1000h\x1b[?1006h", .Mouse = {Track::Normal, true}},
      {.In = "\x1b[?1003h", .Mouse = {Track::AnyEvent, false}},
      {.In = "\x1b[?1000;1002;1006h", .Mouse = {Track::ButtonEvent, true}},
      {.In = "\x1b[?1002h\x1b[?1000l", .Mouse = {Track::ButtonEvent, false}},
  };
  for (const TCase& C : Cases) {
    Term.reset();
    Con = MakeConsole(C.Cols, C.Rows, C.Status);
    for (size_t Cut = 0; Cut <= C.In.size(); ++Cut) {
      SCOPED_TRACE(testing::PrintToString(C.In) + " cut at " + std::to_string(Cut));
      ResetConsole(*Con, C.Status);
      TTermAnsi T(*Con);
      T.SetMode(C.Emul, C.Chars);
      TRecordingSocket Sock;
      if (!C.Reply.empty()) T.SetSocket(&Sock);
      Feed(T, std::string_view(C.In).substr(0, Cut));
      Feed(T, std::string_view(C.In).substr(Cut));
      EXPECT_TRUE(Sock.Sent == C.Reply && T.Mouse == C.Mouse) << testing::PrintToString(Sock.Sent);
      for (const TCell& W : C.Cells) {
        const TConsoleCell& G = At(W.X, W.Y);
        const auto Got = std::tuple(int(G.Ch), int(G.Attr), Colour(G.FgMode, G.Fg), Colour(G.BgMode, G.Bg));
        const auto Want = std::tuple(W.Ch >= 0 ? W.Ch : int(G.Ch), W.Attr >= 0 ? W.Attr : int(G.Attr),
                                     W.Fg ? W.Fg : std::get<2>(Got), W.Bg ? W.Bg : std::get<3>(Got));
        EXPECT_EQ(Got, Want) << W.X << "," << W.Y;
      }
      if (HasFailure()) return;
    }
  }
}

// Tab stops go back to every eighth column when the width changes; a size request keeps it.
TEST_F(TermTest, TabStopsAndSizeRequestsFollowTheWidth) {
  Feed(*Term, "\x1b[3g\x1b[1;5H\x1bH\r\ta");
  const uint8_t Before = At(5, 1).Ch;
  Con->OpenScreen(132, 37, 1);
  Feed(*Term, "\x1b[2;1H\tb");
  EXPECT_EQ(std::pair(Before, At(9, 2).Ch), std::pair(uint8_t('a'), uint8_t('b')));
  int GotCols = -1, GotRows = -1;
  Term->OnScreenSize = [&](uint8_t C, uint8_t R) { GotCols = C; GotRows = R; };
  Feed(*Term, "\x1b[8;50;388t");
  EXPECT_EQ(std::pair(GotCols, GotRows), std::pair(132, 50));
}

TEST_F(TermTest, FontSelectionNeedsFontSwitchAndKeepsTheCellSize) {
  Feed(*Term, "\x1b[0;38 Da");
  Term->FontSwitch = 1;
  Feed(*Term, "\x1b[0;38 Db\x1b[0;43 Dc");
  EXPECT_EQ(std::tuple(At(1, 1).Font, At(2, 1).Font, At(3, 1).Font), std::tuple(1, 45, 1));  // 45: mO'sOul
  Term->Font = 3;  // a 16x32 screen: the large sibling
  for (auto [In, Font] : std::initializer_list<std::pair<const char*, int>>{
           {"\x1b[0;42 D", 4}, {"\x1b[0;0 D", 3}, {"\x1b[0;37 E", 3}, {"\x1b[0;37 D", 44}, {"\x1b[0;39 D", 42},
           {"\x1b[0;40 D", 34}, {"\x1b[0;41 D", 40}}) {
    Feed(*Term, In);
    EXPECT_EQ(Term->Font, Font) << In;
  }
  EXPECT_EQ(Term->State, TParseState::Ground);
  Term->ProcessBuf(nullptr, 0);  // an empty block is harmless
}

// What the session is told: the bell, a line speed, and whether the last byte drew a glyph
// (a logon script waits for the board's echo).
TEST_F(TermTest, BellLineSpeedAndPrintedGoToTheSession) {
  std::string Told;
  Term->OnBell = [&] { Told += "bell "; };
  Term->OnLineSpeed = [&](int Code) { Told += std::to_string(Code) + " "; };
  Feed(*Term, "\a\x1b[0;6*rX\x1b[1;12*r\x1b[*sY\a");
  Told += RowText(*Con, 1).substr(0, 3);
  for (int Ch : {1, 6, 11, 14, 31, 0, 7, 10, 27, int('['), int('1'), int('m'), 13, 8, int('a')}) {
    Term->ProcessChar(static_cast<uint8_t>(Ch));
    Told += static_cast<char>('0' + Term->Printed);
  }
  EXPECT_EQ(Told, "bell 6 12 bell XY 111110bell 000000111");
}

// Received blocks take a faster path (text as runs, parameters appended together) than single
// bytes: random streams cut into random blocks must leave exactly what byte-by-byte feeding
// leaves, every cell byte and the scrollback included.
std::string RandomStream(std::mt19937& Rng, size_t Pieces) {
  auto N = [&](int Lo, int Hi) { return std::to_string(Lo + static_cast<int>(Rng() % (Hi - Lo + 1))); };
  std::string S;
  for (size_t I = 0; I < Pieces; ++I) {
    switch (Rng() % 16) {
      case 0: S += "\x1b[" + N(0, 1) + ";" + N(30, 37) + ";" + N(40, 47) + "m"; break;
      case 1: S += "\x1b[38;5;" + N(0, 255) + "m"; break;
      case 2: S += "\x1b[48;2;" + N(0, 255) + ";" + N(0, 255) + ";" + N(0, 255) + "m"; break;
      case 3: S += "\x1b[" + N(1, 62) + ";" + N(150, 162) + "H"; break;   // near the right edge
      case 4: S += "\x1b[" + N(1, 62) + ";" + N(1, 162) + "H"; break;
      case 5: S += Rng() % 2 ? "\r\n" : "\n"; break;
      case 6: S += std::string(1, "\b\t\r\x07"[Rng() % 4]); break;
      case 7: S += "\x1b[" + N(0, 30) + ";" + N(0, 62) + "r"; break;    // scroll regions, some invalid
      case 8: S += "\x1b[" + N(0, 3) + std::string(1, "@LMPJK"[Rng() % 6]); break;
      case 9: S += Rng() % 2 ? "\x1b[s" : "\x1b[u"; break;
      case 10: S += "\x1b[0m"; break;
      case 11: S += "\x1b" + std::string(1, "78[M(0"[Rng() % 6]); break;
      case 12: S += std::string(Rng() % 2 ? "\x1b[?7" : "\x1b[4") + (Rng() % 2 ? "h" : "l"); break;
      default:  // text: letters, blocks and the control bytes that print as glyphs
        for (int K = 1 + static_cast<int>(Rng() % 200); K > 0; --K)
          S += "aZ \xdb\xb1\x01\x06\x0b\x0e\x1a\x1c\x1f\x7f\xff"[Rng() % 14];
        break;
    }
  }
  return S;
}

TEST(TermBlocks, AnyCutsGiveWhatByteByByteFeedingGives) {
  std::mt19937 Rng(77);
  const std::tuple<int, int, bool> Sizes[] = {{80, 25, false}, {160, 60, true}, {132, 37, false}};
  for (const auto& [Cols, Rows, Bar] : Sizes) {
    for (int Round = 0; Round < 6; ++Round) {
      const std::string In = RandomStream(Rng, 400);
      auto ByByte = MakeConsole(Cols, Rows, Bar), ByBlock = MakeConsole(Cols, Rows, Bar);
      TTermAnsi A(*ByByte), B(*ByBlock);
      // Each round in another dialect and character set.
      const TEmulation Emul = Round % 2 ? TEmulation::VT102 : TEmulation::AnsiBbs;
      const TCharset Chars = Round % 3 == 2 ? TCharset::UTF8 : TCharset::CP437;
      for (TTermAnsi* T : {&A, &B}) T->SetMode(Emul, Chars);
      for (char C : In) A.ProcessChar(static_cast<uint8_t>(C));
      for (size_t Off = 0, Len = 0; Off < In.size(); Off += Len)
        Feed(B, std::string_view(In).substr(Off, Len = 1 + Rng() % 300));
      SCOPED_TRACE(testing::Message() << Cols << "x" << Rows << " round " << Round);
      ASSERT_EQ(DumpScreen(*ByBlock), DumpScreen(*ByByte));
      ASSERT_EQ(B.Printed, A.Printed);
      for (int Y = 1; Y <= ConsoleMaxRows; ++Y)
        ASSERT_TRUE(ByBlock->Row(Y) == ByByte->Row(Y)) << "row " << Y << " differs in some byte";
      for (int L = 1; L <= ByByte->ScrollbackCount; ++L)
        ASSERT_TRUE(ByBlock->Line(L) == ByByte->Line(L)) << "scrollback line " << L;
    }
  }
}

}  // namespace

