#include "phonebook/selector.h"

#include <sys/stat.h>

#include <algorithm>
#include <vector>

#include "phonebook/phonebook_file.h"
#include "support/dirlist.h"
#include "support/files.h"
#include "support/strings.h"
#include "ui/dialogs.h"
#include "ui/listbox.h"
#include "ui/menubox.h"
#include "ui/ui_console.h"

namespace lx {

namespace {

constexpr uint8_t ScanInsert = 82, ScanDelete = 83;
constexpr int ListRows = 5;  // rows 12-16

// Left column of a layout made for 80 columns, centred on a wider screen.
int LayoutLeft(const TSDLConsole& C) { return UICols(C) > 80 ? (UICols(C) - 79) / 2 : 1; }

// A file name as a list line shows it: control bytes would be drawn as
// glyphs, and code 2 first would even make the line a divider.
std::string Printable(std::string S) {
  for (char& C : S)
    if (static_cast<uint8_t>(C) < 32) C = '?';
  return S;
}

bool AnythingAt(const std::string& Path) {
  struct stat St {};
  return ::lstat(Path.c_str(), &St) == 0;
}

}  // namespace

std::string SelectPhoneBook(TSDLConsole& Console, const TUISettings& UI, const TSelectorBooks& Books,
                            const TConfigRec& Cfg) {
  const int Off = LayoutLeft(Console) - 1;
  TMenuBox Box(Console);
  ApplyBoxTheme(UI, &Box, nullptr);
  Box.Shadow = true;
  Box.Title = " Phone Book Selector ";
  Box.Open(7 + Off, 10, 72 + Off, 19);
  UIWriteXY(Console, 9 + Off, 11, 112, "File name              Description");
  UIWriteXY(Console, 9 + Off, 18, 112, "ESC/Quit       ENTER/Select        DEL/Delete       INS/Create");

  // The list draws inside the selector's frame, and its search field and
  // scroll bar take that frame's look.
  TListBox List(Console);
  List.NoBox = true;
  List.Box.FrameType = Box.FrameType;
  List.BarAttr = 79;
  List.ItemAttr = 116;
  List.ExitKeys = std::string{static_cast<char>(ScanInsert), static_cast<char>(ScanDelete)};
  List.SearchY = 19;
  List.SearchAttr = Box.CornerTR;
  List.TrackAttr = Box.FrameLo;
  List.ThumbAttr = Box.FrameLo;

  // The whole file names, line by line: a line shows at most 20 characters
  // of a name, but loading and deleting need all of it.
  std::vector<std::string> Names;
  auto Fill = [&](const std::string& Select, int Line) {
    List.Clear();
    Names.clear();
    for (const TDirEntry& F : ListFiles(Books.Dir, "*.phn", false, TListBox::MaxItems)) {
      TPhoneHeader H;
      if (!ReadPhoneHeader(Books.Dir + F.Name, H)) continue;
      Names.push_back(F.Name);
      List.Add(PadRight(Printable(F.Name), 20) + "   " + H.Title, 0);
      if (F.Name == Select) Line = List.Count();
    }
    List.Picked = std::clamp(Line, 1, std::max(1, List.Count()));
    List.Top = std::max(1, List.Picked - ListRows + 1);
  };
  auto Tell = [&](const std::string& Text) { MessageBox(Console, UI, MessageInfo, Text); };

  std::string Result;
  Fill(Books.OpenBook, 1);
  while (!UITerminated(Console)) {
    List.Run(7 + Off, 11, 72 + Off, 17);
    if (UITerminated(Console) || List.ExitCode == 27) break;
    const bool Any = !Names.empty();
    const std::string Picked = Any ? Names[List.Picked - 1] : std::string();

    if (List.ExitCode == 13) {
      if (!Any) continue;
      Result = Picked;
      break;
    }

    if (List.ExitCode == ScanInsert) {
      std::string Name = TrimChar(
          InputBox(Console, "Create Phone Book", "Enter file name of phone book:", "newbook", 16, 16), ' ');
      if (UITerminated(Console)) break;
      // A name is a file in the program directory, never a path elsewhere.
      if (std::any_of(Name.begin(), Name.end(),
                      [](char C) { return C == '/' || C == '\\' || static_cast<uint8_t>(C) < 32; })) {
        Tell("A phone book name cannot contain / or \\");
        continue;
      }
      const std::size_t Dot = Name.find_last_of('.');
      if (Dot != std::string::npos) Name = TrimRightChar(Name.substr(0, Dot), ' ');
      if (Name.empty()) continue;
      const std::string File = Name + ".phn";
      if (AnythingAt(Books.Dir + File)) {
        if (File == Books.OpenBook) {
          Tell("Cannot replace the open phone book.");
          continue;
        }
        if (!MessageBox(Console, UI, MessageYesNo, File + " already exists.  Replace it?")) continue;
      }
      const std::string Title =
          InputBox(Console, "Create Phone Book", "Enter description of phone book:", "", 40, 40);
      if (UITerminated(Console)) break;
      if (!CreatePhoneBook(Books.Dir + File, Title, Cfg)) Tell("Unable to create " + File);
      Fill(File, List.Picked);
      continue;
    }

    if (List.ExitCode == ScanDelete && Any) {
      if (Names.size() == 1)
        Tell("Cannot delete your only phone book.");
      else if (Picked == Books.OpenBook)
        Tell("Cannot delete the open phone book.");
      else if (Picked == Books.DefaultBook)
        Tell("Cannot delete the default phone book.");
      else if (MessageBox(Console, UI, MessageYesNo, "Delete " + Printable(Picked) + "?") &&
               !UITerminated(Console)) {  // a closing window answers yes, and must not delete
        if (!DeleteFile(Books.Dir + Picked)) Tell("Unable to delete " + Printable(Picked));
        Fill("", List.Picked);
      }
    }
  }
  Box.Close();
  return Result;
}

}  // namespace lx
