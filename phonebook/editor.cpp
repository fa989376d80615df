#include "phonebook/editor.h"

#include <algorithm>
#include <memory>

#include "console/font_faces.h"
#include "console/pictures.h"
#include "phonebook/directory.h"
#include "support/strings.h"
#include "ui/dialogs.h"
#include "ui/listbox.h"
#include "ui/menuform.h"
#include "ui/ui_console.h"

namespace lx {

namespace {

constexpr uint8_t ScanPgUp = 73, ScanPgDn = 81;
// The Font field opens a list: its key ends the form, and the form comes back on it.
constexpr char FontKey = 'N';

std::string EntryFontName(uint8_t Font) {
  return Font == 0 ? "By Font Type" : FontFaces[FontFaceOf(Font) - 1].Name;
}

// The faces by name, the entry's highlighted; an entry stores the face's 8x16 number and is
// shown in the session's resolution. ESC keeps the old choice.
uint8_t PickEntryFont(TPhoneDirectory& D, uint8_t Font) {
  const int X = D.L();
  TListBox List(D.Console);
  ApplyBoxTheme(D.UI, List);
  List.Box.Title = " Select Font ";
  List.Add(EntryFontName(0), 0);
  for (int F = 1; F <= FontFaceCount; ++F) List.Add(FontFaces[F - 1].Name, 0);
  List.Picked = FontFaceOf(Font) + 1;
  List.Top = std::max(1, List.Picked - 12);  // the entry's font on the list's page of 13
  List.Run(X + 26, 6, X + 53, 20);
  List.CloseBox();
  if (List.ExitCode == 27 || UITerminated(D.Console) || List.Picked < 1 || List.Picked > FontFaceCount + 1)
    return Font;
  return List.Picked == 1 ? 0 : FontNumber(List.Picked - 1, false);
}

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
  F.AddToggle('D', " Speed", Left(22), "", 0, 11, "Unlimited 300 600 1200 2400 4800 9600 19200 38400 57600 76800 115200",
              R.LineSpeed);
  F.AddAction(FontKey, " Font", Right(22), "");
  F.AddPipeString('M', " Comment", Left(23, 60, 60), "", R.Comment);
  F.AddZone(27, L + 2, 25, 9);  // "ESC Done" in the legend
  // An action shows no value of its own.
  UIWriteXY(F.Console, L + 52, 22, 7, PadRight(EntryFontName(R.FontFace), 25));
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
    // The cursor rests after the legend until a field is edited.
    C.GotoXY(L + 62, 25);
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
  // A font picked in its list is a change of the entry not yet asked about.
  bool Picked = false;
  std::unique_ptr<TPhoneRec> Before;
  int ResumeAt = 0;
  for (;;) {
    const int N = D.Current();
    UIWriteXY(C, L + 11, 8, 112, IntToStr(N) + " of 200   ");
    TPhoneRec& R = D.Book.Entry(N);
    if (!Before) Before = std::make_unique<TPhoneRec>(R);
    Form.Clear();
    AddItems(Form, R, L);
    if (ResumeAt) Form.Current = ResumeAt;
    ResumeAt = 0;
    const uint8_t Key = Form.Run();
    Picked |= Form.Changed;
    if (Key == FontKey && !C.Terminated.load()) {
      const uint8_t Font = PickEntryFont(D, R.FontFace);
      Picked |= Font != R.FontFace;
      R.FontFace = Font;
      for (int I = 1; I <= Form.Count(); ++I)
        if (Form.Item(I).Key == FontKey) ResumeAt = I;
      continue;
    }

    if (Picked) {
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
        R = *Before;
      }
    }
    Picked = false;
    Before.reset();
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
