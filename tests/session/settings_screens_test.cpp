// The settings editor and the two video menus on a headless console: keys are queued before
// each screen runs (the session fixture's watchdog ends one left waiting); the window is
// re-opened headless.
#include <deque>
#include <sstream>
#include <utility>

#include "app/settings_editor.h"
#include "app/statusbar.h"
#include "app/video_menus.h"
#include "console/reopen.h"
#include "console/sdl_api.h"
#include "tests/session/session_fixture.h"

namespace {

constexpr int Esc = 27, Tab = 9, Enter = 13;
constexpr int Up = -72, Down = -80, Right = -77;

// Scripted pointer: each step is one reading of the mouse state (cell Y * 1000 + X, buttons);
// without steps it rests where the last one left it.
std::deque<std::pair<int, Uint32>> MouseSteps;
int MouseAt = 1001;
Uint32 FakeMouse(int* X, int* Y) {
  Uint32 Buttons = 0;
  if (!MouseSteps.empty()) std::tie(MouseAt, Buttons) = MouseSteps.front(), MouseSteps.pop_front();
  *X = 8 * (MouseAt % 1000 - 1) + 4;
  *Y = 16 * (MouseAt / 1000 - 1) + 8;
  return Buttons;
}

class SettingsScreens : public SessionTest {
 protected:
  void SetUp() override {
    SessionTest::SetUp();
    App.Config = lx::DefaultConfig("");
    App.ConfigFile = std::make_unique<lx::TConfigFile>(TempDir + "/");
    App.Console->UseLogicalSize = false;
    App.Console->LastMouseX = App.Console->LastMouseY = 1;
    MouseSteps.clear();
    MouseAt = 1001;
  }
  void Click(int X, int Y) {
    MouseSteps.push_back({Y * 1000 + X, SDL_BUTTON_LMASK});
    MouseSteps.push_back({Y * 1000 + X, 0});
  }
  std::string CfgPath() const { return TempDir + "/lanternyx.cfg"; }

  std::vector<int> RunEditor() {
    TSettingsEditor Editor(App);
    std::vector<int> Pages;
    Editor.OnPage = [&](int P) { Pages.push_back(P); };
    Editor.MessageSeen = [&](const std::string& T) {
      Seen.push_back(T);
      App.Console->PushKey(13);
    };
    Editor.Run();
    return Pages;
  }

  // Video menus whose window opens headless; Works decides whether each opening succeeds.
  std::unique_ptr<TVideoMenus> Menus() {
    auto M = std::make_unique<TVideoMenus>(App);
    M->Open = [this](const TVideoSetup& V) {
      Opened.push_back(V);
      const bool Ok = Works.empty() || Works.front();
      if (!Works.empty()) Works.pop_front();
      return ReopenScreen(*App.Console, V.Cols, V.Rows, V.FontCode, [Ok] { return Ok; });
    };
    M->WindowMode = [] { return uint8_t{1}; };
    M->MessageSeen = [this](const std::string& T) {
      Seen.push_back(T);
      App.Console->PushKey(13);
    };
    M->Out = &Out;
    return M;
  }
  void WriteRow(int Y, const std::string& Text) { App.Console->WriteXY(1, Y, 7, Text); }
  std::string LineText(int N) const {
    std::string S;
    for (const TConsoleCell& C : App.Console->Line(N)) S += static_cast<char>(C.Ch);
    return S.substr(0, S.find_last_not_of(' ') + 1);
  }

  std::vector<TVideoSetup> Opened;
  std::deque<bool> Works;
  std::ostringstream Out;

 private:
  TSDLEntrySwap<decltype(Sdl.SDL_GetMouseState)> MouseSwap{Sdl.SDL_GetMouseState, &FakeMouse};
};

TEST_F(SettingsScreens, PagesFollowTabLettersAndTheMouseTabs) {
  using TInts = std::vector<int>;
  const std::vector<std::tuple<TInts, TInts, TInts>> Cases = {
      {{Tab, Tab, Tab, Esc}, {}, {1, 2, 3, 1}},
      {{'M', 's', 'K', 'm', 'D', 'x', Esc}, {}, {1, 2, 3, 1, 2, 1}},
      {{}, {16, 39, 13, 25, 76}, {1, 2, 3, 1, 3}},  // the tabs on row 11, then the close button
  };
  for (const auto& [Keys, ClickColumns, Pages] : Cases) {
    Press(Keys);
    for (int X : ClickColumns) Click(X, 11);
    EXPECT_EQ(RunEditor(), Pages);
    EXPECT_FALSE(App.Console->KeyPressed());
  }
}

TEST_F(SettingsScreens, FieldsLandAtTheirRecordOffsets) {
  ASSERT_TRUE(App.ConfigFile->Save(App.Config));
  TBytes Want = ReadFileBytes(CfgPath());
  ASSERT_EQ(Want.size(), 3042u);
  auto Str = [&](size_t Offset, const std::string& S) {
    Want[Offset] = static_cast<uint8_t>(S.size());
    std::copy(S.begin(), S.end(), Want.begin() + static_cast<long>(Offset) + 1);
  };
  // Page 1: each path gets a letter and its slash.
  Press({'1', 'a', Enter, '2', 'b', Enter, '3', 'c', Enter, '4', 'e', Enter, '5', 'f', Enter, '6', 'k', Enter});
  Str(141, "a/"), Str(282, "b/"), Str(423, "c/"), Str(0, "e/"), Str(564, "f/"), Str(2018, "k");
  // Page 2: F1, F6 and F10.
  Press({Tab, '1', 'x', Enter, '6', 'y', Enter, '0', 'z', Enter});
  Str(793, "@UN@CRx"), Str(793 + 5 * 121, "y"), Str(793 + 9 * 121, "z");
  // Page 3: every toggle steps once, the book name grows, two colours move in the picker.
  Press({Tab, '1', '2', 'q', Enter, '3', '4', '5', '0', '6', Right, Enter, '9', Up, Enter, Esc});
  Want[705] = 1, Want[751] = 2, Want[760] = 1, Want[761] = 1, Want[2274] = 1;
  Str(706, "lanternyx.phnq");
  Want[2009] = 121, Want[2006] = 111;
  EXPECT_EQ(RunEditor(), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(ReadFileBytes(CfgPath()), Want);
  // The new status colours are on the bar as soon as the editor closes.
  App.Session.StatusBarOn = true;
  DrawStatusBar(*App.Console, App.Config, App.Session, 0);
  EXPECT_EQ(App.Console->Cell(80, 25).Attr, 121);
}

TEST_F(SettingsScreens, LeavingRewritesTheFileAndAFailedSaveIsSaid) {
  // Nothing changed: the file is written anyway, with the same content.
  ASSERT_TRUE(App.ConfigFile->Save(App.Config));
  const TBytes Before = ReadFileBytes(CfgPath());
  std::filesystem::remove(CfgPath());
  Press({Esc});
  RunEditor();
  EXPECT_EQ(ReadFileBytes(CfgPath()), Before);
  // A full path never takes a slash past its 140 characters.
  App.Config.DownloadPath = std::string(139, 'p');
  Press({'1', 'q', Enter, Esc});
  RunEditor();
  EXPECT_EQ(std::pair(ReadFileBytes(CfgPath())[141], App.Config.DownloadPath),
            std::pair(uint8_t{140}, std::string(139, 'p') + "q"));
  App.ConfigFile = std::make_unique<lx::TConfigFile>(TempDir + "/missing/");
  Press({Esc});
  RunEditor();
  EXPECT_EQ(Seen, std::vector<std::string>{"Unable to save configuration"});
}

// Going from 80 x 50 to 80 x 25 keeps the rows around the cursor; those pushed off the top go
// to the scrollback, and the board hears the new size. The present size, or ESC, changes nothing.
TEST_F(SettingsScreens, ShrinkingKeepsTheRowsAroundTheCursor) {
  struct TCase {
    bool StatusBar;
    int Cursor, Moved, CursorAfter;
  };
  // The rows hold "row 1" .. "row 49" (row 50 is the status bar or blank).
  for (const TCase C : {TCase{false, 45, 20, 25}, {true, 45, 21, 24}, {false, 10, 0, 10}}) {
    App.Console->ClearScrollback();
    ASSERT_TRUE(App.Console->OpenScreen(80, 50, 1));
    Connect(true);
    App.Session.StatusBarOn = C.StatusBar;
    for (int Y = 1; Y <= 49; ++Y) WriteRow(Y, "row " + std::to_string(Y));
    DrawStatusBar(*App.Console, App.Config, App.Session, 0);
    App.Console->GotoXY(7, C.Cursor);
    Press({Enter, Down, Esc, Up, Enter});  // 80x50 again, ESC, then 80x25: one opening
    for (int I = 0; I < 3; ++I) Menus()->ScreenSize();
    ASSERT_EQ(Opened.size(), 1u);
    const auto& Con = *App.Console;
    const auto Row = [](int N) { return "row " + std::to_string(N); };
    const int Height = C.StatusBar ? 24 : 25, Top = C.Moved ? C.Moved + 1 : 1;
    EXPECT_EQ(std::tuple(Opened[0].Rows, Con.Rows, Con.ScrollbackCount, RowText(1),
                         C.Moved ? LineText(C.Moved) : "", RowText(C.CursorAfter), Con.CursorX,
                         Con.CursorY, Con.WinY2, int(Con.Cell(29, 25).Ch),
                         App.Session.Socket->WinHeight.load()),
              std::tuple(25, 25, C.Moved, Row(Top), C.Moved ? Row(C.Moved) : "", Row(C.Cursor), 7,
                         C.CursorAfter, Height, C.StatusBar ? 221 : ' ', Height));
    Opened.clear();
  }
}

TEST_F(SettingsScreens, ReopeningClampsTheTextWindow) {
  // On 80 x Rows, no status bar: the cursor's row and the region; then on 80 x NewRows.
  const std::vector<std::tuple<int, int, int, int, int, std::tuple<int, int, int>>> Cases = {
      {50, 45, 5, 40, 25, {1, 20, 25}},  // twenty rows leave: the region moves up with them
      {50, 10, 3, 30, 25, {3, 25, 10}},  // nothing leaves: the region is cut at the new bottom
      {50, 30, 1, 50, 25, {1, 25, 25}},  // the whole height stays the whole height
      {25, 20, 1, 25, 50, {1, 50, 20}},
      {25, 20, 4, 12, 50, {4, 12, 20}},  // growing keeps a region as it was
  };
  auto& Con = *App.Console;
  for (const auto& [Rows, Cursor, Top, Bottom, NewRows, Want] : Cases) {
    ASSERT_TRUE(Con.OpenScreen(80, Rows, 1));
    for (int Y = 1; Y <= Rows; ++Y) WriteRow(Y, "row " + std::to_string(Y));
    Con.SetWindow(1, Top, 80, Bottom);
    Con.GotoXY(1, Cursor);
    ReopenScreen(Con, 80, NewRows, 1);
    EXPECT_EQ(std::tuple(Con.WinY1, Con.WinY2, Con.CursorY), Want) << Rows << "->" << NewRows;
    // Rows a larger screen adds are blank, not what the storage held before.
    EXPECT_EQ(RowText(NewRows).empty(), NewRows > Rows);
  }
}

TEST_F(SettingsScreens, FontCellsFollowTheNewFamilyAndResolution) {
  // From the old font to the new: what cells in fonts 1..4 become.
  const std::vector<std::tuple<uint8_t, uint8_t, std::string>> Cases = {
      {1, 2, "2212"}, {2, 1, "1112"}, {1, 3, "3434"}, {2, 4, "3434"}, {3, 2, "1222"}, {4, 1, "1211"}};
  for (const auto& [Old, New, Want] : Cases) {
    auto Grid = std::make_unique<TConsoleGrid>();
    for (int F = 1; F <= 4; ++F) (*Grid)[0][F - 1].Font = static_cast<uint8_t>(F);
    ConvertCellFonts(*Grid, Old, New);
    std::string Fonts;
    for (int F = 1; F <= 4; ++F) Fonts += static_cast<char>('0' + (*Grid)[0][F - 1].Font);
    EXPECT_EQ(Fonts, Want) << int(Old) << "->" << int(New);
  }
}

TEST_F(SettingsScreens, TopazSwitchesTheLookAndEscapeTakesTheFirstFilter) {
  Connect(true);
  App.Session.Term->ProcessBuf(reinterpret_cast<const uint8_t*>("session text"), 12);
  Press({Down, Enter, Esc});  // Topaz, then ESC on the filter list
  Menus()->FontAndFilter();
  ASSERT_EQ(Opened.size(), 1u);
  EXPECT_EQ(std::tuple(Opened[0].FontCode, Opened[0].Filter, App.Session.Term->Font, App.Session.UI.Theme),
            std::tuple(1, 2, 2, 0));
  EXPECT_EQ(std::tuple(RowText(1), App.Console->Cell(1, 1).Font), std::tuple("session text", 2));
  // CP437 upscaled: the block look again, cells at 16 x 32.
  Press({Down, Enter, Enter});
  Menus()->FontAndFilter();
  ASSERT_EQ(Opened.size(), 2u);
  EXPECT_EQ(std::tuple(Opened[1].FontCode, Opened[1].Filter, App.Session.UI.Theme, App.Console->CellHeight()),
            std::tuple(3, 2, 1, 32));
  EXPECT_EQ(std::tuple(RowText(1), App.Console->Cell(1, 1).Font), std::tuple("session text", 3));
}

TEST_F(SettingsScreens, VideoThatFailsFallsBackThenEndsTheProgramInOrder) {
  Connect(true);
  WriteRow(2, "still here");
  Works = {false, true};
  Press({Down, Enter});
  Menus()->ScreenSize();
  ASSERT_EQ(Opened.size(), 2u);
  EXPECT_EQ(std::tuple(Opened[1].WindowMode, Opened[1].Filter, Opened[1].FontCode, RowText(2),
                       App.Console->Terminated.load()),
            std::tuple(0, 0, 1, "still here", false));
  EXPECT_EQ(Seen, std::vector<std::string>{"Could not initialize video; Lowest settings used"});
  Works = {false, false};
  Press({Up, Enter});
  Menus()->ScreenSize();
  EXPECT_EQ(Out.str(), "Unable to initialize video\n");
  EXPECT_EQ(std::tuple(App.ExitCode, App.Console->Terminated.load(), App.Session.Connected, App.Session.Socket->Connected.load()),
            std::tuple(1, true, false, false));
}

}  // namespace
