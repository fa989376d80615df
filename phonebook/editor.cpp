#include "phonebook/editor.h"

#include <memory>

#include "console/pictures.h"
#include "phonebook/directory.h"
#include "support/strings.h"
#include "ui/menuform.h"
#include "ui/ui_console.h"

namespace lx {

namespace {

constexpr uint8_t ScanPgUp = 73, ScanPgDn = 81;

void AddItems(TMenuForm& F, TPhoneRec& R, int L) {
  // Left column: label at L + 1 (11 wide), value at L + 14 (24 wide).
  auto Left = [L](int Y, int Width = 24, int Max = 0) {
    return TFormPlace{.LabelX = L + 1, .LabelY = Y, .FieldX = L + 14, .LabelWidth = 11, .FieldWidth = Width,
                      .MaxLen = Max};
  };
  // Right column: label at L + 40 (10 wide), value at L + 52 (25 wide).
  auto Right = [L](int Y, int Width = 25, int Max = 0) {
    return TFormPlace{.LabelX = L + 40, .LabelY = Y, .FieldX = L + 52, .LabelWidth = 10, .FieldWidth = Width,
                      .MaxLen = Max};
  };
  F.AddPipeString('Y', " Sys. Name", Left(10, 24, 40), "", R.Name);
  F.AddToggle('P', " IP Type", Left(11), "", 0, 3, "IPV4 IPV6 Default_IPV4 Default_IPV6", R.IPType);
  F.AddString('O', " SysOp", Left(12, 24, 40), "", R.SysOp);
  F.AddString('R', " User Name", Left(13, 24, 40), "", R.UserName);
  F.AddToggle('B', " StatusBar", Left(15), "", 0, 1, "OFF ON", R.StatusBar);
  F.AddToggle('T', " Emulation", Left(16), "", 0, 2, "NONE ANSI-RGB VT102", R.Emulation);
  F.AddToggle('F', " Font Type", Left(17), "", 1, 2, "MS-DOS Amiga", R.FontType);
  F.AddToggle('P', " Backspace", Left(18), "", 0, 2, "OFF ON AUTO", R.Backspace);
  F.AddToggle('R', " Send CRLF", Left(19), "", 0, 1, "NO YES", R.SendCRLF);
  F.AddString('A', " Address", Right(10, 25, 40), "", R.Address);
  F.AddToggle('L', " Protocol", Right(11), "", 1, 3, "TELNET RLOGIN SSH", R.Protocol);
  F.AddPipeString('S', " Software", Right(12, 25, 40), "", R.Software);
  F.AddPassword('W', " Password", Right(13, 20, 20), "", R.Password);
  F.AddToggle('O', " Colors", Right(15), "", 0, 1, "Blinking iCE", R.Colors);
  F.AddToggle('E', " EchoMode", Right(16), "", 0, 2, "OFF ON AUTO", R.EchoMode);
  F.AddToggle('U', " Mouse", Right(17), "", 0, 1, "OFF ON", R.Mouse);
  F.AddString('I', " Script", Right(18, 25, 25), "", R.ScriptFile);
  F.AddString('C', " Capture", Right(19, 25, 25), "", R.CaptureFile);
  F.AddToggle('G', " Rating", Left(21), "", 0, 9, "0 1 2 3 4 5 6 7 8 9", R.Rating);
  F.AddToggle('H', " Charset", Right(21), "", 0, 1, "CP437 UTF-8", R.Charset);
  F.AddPipeString('M', " Comment", Left(22, 60, 60), "", R.Comment);
  F.AddZone(27, L + 2, 24, 9);  // "ESC Done" in the legend
}

}  // namespace

bool EditPhoneEntry(TPhoneDirectory& D) {
  TSDLConsole& C = D.Console;
  const int L = D.L();
  auto Saved = std::make_unique<TConsoleImage>();
  C.SaveScreen(1, 1, C.Cols, C.Rows, *Saved);
  TCursorScope Cursor(C, false);
  {
    auto Batch = C.Batch();
    C.DisplayCrunched(FindPicture("phone-editor"), L, 1, C.Font >= 3 ? 3 : 1);
  }

  TMenuForm Form(C);
  Form.HelpWidth = 0;
  Form.LabelAttr = 15;
  Form.HighAttr = 79;
  Form.ValueAttr = 7;
  Form.LabelHotAttr = 14;
  Form.HighHotAttr = 78;
  Form.EditAttr = 79;
  Form.EditFillAttr = 71;
  Form.ExitKeys = std::string{static_cast<char>(ScanPgUp), static_cast<char>(ScanPgDn)};

  bool AnySaved = false;
  auto& H = D.Book.Header;
  for (;;) {
    const int N = D.Current();
    UIWriteXY(C, L + 11, 8, 112, IntToStr(N) + " of 200   ");
    TPhoneRec& R = D.Book.Entry(N);
    const TPhoneRec Before = R;
    Form.Clear();
    AddItems(Form, R, L);
    const uint8_t Key = Form.Run();

    if (Form.Changed) {
      if (D.Prompts.AskYesNo("Save Changes?")) {
        AnySaved = true;
        if (!D.Book.SavePhoneBook()) D.Prompts.Notice("Unable to save phone book");
        // The running session follows an edit of its own system.
        if (D.Host.Connected() && N == D.Host.CurrentEntryNum()) {
          D.Host.CurrentEntryEdited(R);
          C.BlinkEnabled = R.Colors == 0;
        }
      } else {
        // Declined: nothing of it may reach the file with a later save.
        R = Before;
      }
    }
    if (Key == 27 || C.Terminated.load()) break;
    if (Key == ScanPgUp) {
      if (H.BarRow >= 2)
        --H.BarRow;
      else if (H.TopEntry > 1)
        --H.TopEntry;
    } else if (Key == ScanPgDn) {
      if (H.BarRow < D.ListRows())
        ++H.BarRow;
      else if (H.TopEntry + D.E() + 9 < PhoneEntries)
        ++H.TopEntry;
    }
  }

  C.RestoreScreen(*Saved);
  D.DrawList();
  return AnySaved;
}

}  // namespace lx
