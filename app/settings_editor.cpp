#include "app/settings_editor.h"

#include <memory>

#include "app/statusbar.h"
#include "console/pictures.h"
#include "support/strings.h"
#include "support/timeutil.h"
#include "ui/dialogs.h"
#include "ui/menuform.h"

namespace {

constexpr uint8_t Esc = 27, Tab = 9;
constexpr const char* PagePictures[] = {"settings-dirs", "settings-macros", "settings-startup"};

// The pictures are block graphics: CP437 at the console's resolution, as the help screen.
uint8_t PictureFont(const TSDLConsole& Con) { return Con.Font >= 3 ? 3 : 1; }

void AddDirectories(lx::TMenuForm& Form, lx::TConfigRec& Cfg) {
  struct TRow {
    const char* Label;
    std::string* Value;
    const char* Help;
  };
  const TRow Rows[] = {
      {" <Downloads> ", &Cfg.DownloadPath, "Path where downloaded files are stored"},
      {" <Uploads> ", &Cfg.UploadPath, "Path where files to be uploaded are found"},
      {" <Capture> ", &Cfg.CapturePath, "Path where session capture logs are stored"},
      {" <Scripts> ", &Cfg.ScriptPath, "Path where logon scripts are stored"},
      {" <Protocols>", &Cfg.ProtocolPath, "Path to external protocol drivers"},
  };
  for (int I = 0; I < 5; ++I)
    Form.AddPath(static_cast<char>('1' + I), Rows[I].Label,
                 {.LabelX = 3, .LabelY = 15 + I, .FieldX = 19, .LabelWidth = 13, .FieldWidth = 58,
                  .MaxLen = static_cast<int>(lx::CfgOfs::PathLen)},
                 Rows[I].Help, *Rows[I].Value);
  // A file, not a directory: no slash is added.
  Form.AddString('6', " <SSH Key> ",
                 {.LabelX = 3, .LabelY = 20, .FieldX = 19, .LabelWidth = 13, .FieldWidth = 58,
                  .MaxLen = static_cast<int>(lx::CfgOfs::KeyPathLen)},
                 "Private key file tried after your own keys for SSH logins", Cfg.SshKeyPath);
}

void AddMacros(lx::TMenuForm& Form, lx::TConfigRec& Cfg) {
  const std::string Help = "@CR/Enter  @UN/UserName  @PW/Password  @PA/Wait .5 second";
  for (int I = 0; I < lx::MacroCount; ++I) {
    const bool Right = I >= 5;
    const char Key = I == 9 ? '0' : static_cast<char>('1' + I);
    Form.AddString(Key, " <F" + std::to_string(I + 1) + "> ",
                   {.LabelX = Right ? 40 : 3, .LabelY = 15 + I % 5, .FieldX = Right ? 48 : 10,
                    .LabelWidth = Right ? 7 : 6, .FieldWidth = 29, .MaxLen = static_cast<int>(lx::CfgOfs::MacroLen)},
                   Help, Cfg.Macros[I]);
  }
}

void AddStartup(lx::TMenuForm& Form, lx::TConfigRec& Cfg) {
  auto Left = [](int Row, int Width) {
    return lx::TFormPlace{.LabelX = 3, .LabelY = Row, .FieldX = 23, .LabelWidth = 17, .FieldWidth = Width};
  };
  Form.AddToggle('1', " <Load Book> ", Left(15, 3), "Automatically load PhoneBook on startup", 0, 1, "NO YES",
                 Cfg.LoadBook);
  lx::TFormPlace Book = Left(16, 20);
  Book.MaxLen = 20;
  Form.AddString('2', " <Book Name> ", Book, "File name of PhoneBook to load on startup (*.phn)", Cfg.BookName);
  Form.AddToggle('3', " <Terminal Type> ", Left(17, 8), "Default terminal emulation to use on startup", 0, 2,
                 "NONE ANSI-RGB VT102", Cfg.DefEmulation);
  Form.AddToggle('4', " <Status Bar> ", Left(18, 3), "State of terminal statusbar on startup", 0, 1, "OFF ON",
                 Cfg.DefStatusBar);
  Form.AddToggle('5', " <Screen Size> ", Left(19, 8), "Default screen size to use on startup", 0, 1,
                 "80x25 80x50", Cfg.DefScreenSize);
  Form.AddToggle('0', " <Ask New Host> ", Left(20, 3), "Ask before trusting the key of an SSH host never called",
                 0, 1, "NO YES", Cfg.AskNewHost);
  struct TColour {
    const char* Label;
    uint8_t* Value;
    const char* Help;
  };
  const TColour Colours[] = {
      {" <Status Color 1>", &Cfg.StatusColor1, "Status Bar background color and divider characters"},
      {" <Status Color 2>", &Cfg.StatusColor2, "Status Bar software information color (ie Lanternyx, ALT-Z)"},
      {" <Status Color 3>", &Cfg.StatusColor3, "Status Bar information color 1"},
      {" <Status Color 4>", &Cfg.StatusColor4, "Status Bar information color 2"},
  };
  for (int I = 0; I < 4; ++I)
    Form.AddColor(static_cast<char>('6' + I), Colours[I].Label,
                  {.LabelX = 45, .LabelY = 15 + I, .FieldX = 65, .LabelWidth = 18}, Colours[I].Help,
                  *Colours[I].Value);
  Form.AddToggle('B', " <Bell>", {.LabelX = 45, .LabelY = 19, .FieldX = 65, .LabelWidth = 18, .FieldWidth = 5},
                 "What a bell from the board does: beep, flash the status bar, or nothing", 0, 2,
                 "BEEP FLASH OFF", Cfg.Bell);
}

// The page a key that ended the form leads to; 0 leaves the editor.
int NextPage(int Page, uint8_t Key) {
  switch (Key) {
    case Esc: return 0;
    case Tab: return Page % 3 + 1;
    case 'D': case 'd': case 'K': case 'k': return TSettingsEditor::PageDirectories;
    case 'M': case 'm': return TSettingsEditor::PageMacros;
    case 'S': case 's': return TSettingsEditor::PageStartup;
    default: return Page;
  }
}

}  // namespace

TSettingsEditor::TSettingsEditor(TAppContext& A) : App(A) {}

void TSettingsEditor::ShowPage(int Page) {
  TSDLConsole& Con = *App.Console;
  auto Batch = Con.Batch();
  Con.DisplayCrunched(FindPicture(PagePictures[Page - 1]), 1, 1, PictureFont(Con));
  // The close button, clicked through the ESC mouse area.
  Con.WriteXY(74, 10, 8, std::string(5, static_cast<char>(220)));
  Con.WriteXY(74, 11, 120, "\xDD x \xDE");
  if (Page == PageStartup)
    for (int Y = 15; Y <= 19; ++Y) Con.WriteXY(63, Y, 112, "\xB3");
}

void TSettingsEditor::Run() {
  TSDLConsoleScrollback& Con = *App.Console;
  auto Saved = std::make_unique<TConsoleImage>();
  Con.SaveScreen(1, 1, Con.Cols, Con.Rows, *Saved);

  lx::TMenuForm Form(Con);
  int Page = PageDirectories;
  while (Page != 0 && !Con.Terminated.load()) {
    Form.Clear();
    Form.HotKeys = "\tKMDSkmds";
    switch (Page) {
      case PageDirectories: AddDirectories(Form, App.Config); break;
      case PageMacros: AddMacros(Form, App.Config); break;
      default: AddStartup(Form, App.Config); break;
    }
    Form.AddZone(Esc, 75, 11, 3);
    if (Page != PageDirectories) Form.AddZone('D', 1, 11, 13);
    if (Page != PageMacros) Form.AddZone('M', 15, 11, 8);
    if (Page != PageStartup) Form.AddZone('S', 25, 11, 15);
    ShowPage(Page);
    if (OnPage) OnPage(Page);
    Page = NextPage(Page, Form.Run());
  }

  Con.RestoreScreen(*Saved);
  // Written whether or not anything changed; the save replaces the file only when the whole
  // record was written, so a failure leaves the old file and is said.
  if (!App.ConfigFile || !App.ConfigFile->Save(App.Config)) {
    const std::string Text = "Unable to save configuration";
    if (MessageSeen) MessageSeen(Text);
    lx::MessageBox(Con, App.Session.UI, lx::MessageInfo, Text);
  }
  DrawStatusBar(Con, App.Config, App.Session, lx::SecondsToday());
}

void RunSettingsEditor(TAppContext& App) { TSettingsEditor(App).Run(); }
