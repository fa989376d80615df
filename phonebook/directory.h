#pragma once
// The dialing directory: the full-screen list of the open book's 200 entries,
// from which the user dials, tags, edits, sorts, imports and changes books.

#include <array>
#include <string>

#include "config/config.h"
#include "console/console.h"
#include "phonebook/phonebook_file.h"
#include "phonebook/phonebook_prompts.h"
#include "ui/ui_settings.h"

namespace lx {

// What the directory needs from the program around it (the terminal session).
class TDirectoryHost {
 public:
  virtual ~TDirectoryHost() = default;
  virtual bool Connected() = 0;
  virtual bool SSHUsable() = 0;
  // Writes the configuration file after the default book changed.
  virtual bool SaveConfig() = 0;
  // Entry N is the one to dial once the directory has closed.
  virtual void Dial(int N, const TPhoneRec& Entry) = 0;
  // The open book's number of the system in the live session, 0 for none. The
  // directory moves it with its entry so the session never takes another
  // system's details for its own.
  virtual int CurrentEntryNum() = 0;
  virtual void SetCurrentEntryNum(int N) = 0;
  // The live session's entry was edited and saved.
  virtual void CurrentEntryEdited(const TPhoneRec& Entry) = 0;
};

class TPhoneDirectory {
 public:
  TPhoneDirectory(TSDLConsole& Console, const TUISettings& UI, TPhoneBookFile& Book, TConfigRec& Cfg,
                  TDirectoryHost& Host, TPhoneBookPrompts& Prompts, std::string ProgramDir);

  // Loads the configured book and runs the screen; true when an entry was
  // chosen for dialling (handed to the host).
  bool Run();

  // Left column of the 80-column layout and the extra list rows of a tall screen.
  int L() const { return Left; }
  int E() const { return Extra; }
  int ListRows() const { return Extra + 10; }
  // The entry under the bar.
  int Current() const { return Book.Header.TopEntry + Book.Header.BarRow - 1; }
  // Moves the bar onto entry N, scrolling only when N is off the page.
  void ShowEntry(int N);
  // The list rows, gauge and counter, as after any change of the entries.
  void DrawList();

  TSDLConsole& Console;
  const TUISettings& UI;
  TPhoneBookFile& Book;
  TConfigRec& Cfg;
  TDirectoryHost& Host;
  TPhoneBookPrompts& Prompts;
  std::array<bool, PhoneEntries + 1> Tags{};  // [1..200]; marks only

 private:
  int Left = 1, Extra = 1;
  int ShownGauge = 0;   // 0: none drawn yet
  int ShownEntry = 0;   // entry whose row was last drawn highlighted
  std::string ProgramDir;

  void FitPosition();
  void DrawBackground();
  void DrawTitle();
  void DrawRow(int Row, bool High);
  void DrawGauge();
  void DrawCounter();
  void MoveBar(int NewTop, int NewBar);
  // Actions; true when the directory should close.
  bool Command(uint8_t Code, bool Extended);
  bool TryDial();
  void Edit();
  void Insert();
  void Delete();
  void Sort();
  void Import();
  void ChangeBook();
  void Find();
  // Entry numbers that moved: Moved[old] is the new number, 0 when it is gone.
  void Follow(const std::array<int, PhoneEntries + 1>& Moved);
  void AfterLoad(const std::string& Before);
};

// Shows or hides the console's cursor for a scope: the list has its bar and
// needs none, while screens that take typed text do. The change is made in a
// batch of its own, so the window follows it even when nothing is drawn after.
class TCursorScope {
 public:
  TCursorScope(TSDLConsole& Console, bool Hidden) : Console(Console), Was(Console.CursorHidden) { Set(Hidden); }
  ~TCursorScope() { Set(Was); }
  TCursorScope(const TCursorScope&) = delete;
  TCursorScope& operator=(const TCursorScope&) = delete;

 private:
  void Set(bool Hidden) {
    auto Batch = Console.Batch();
    Console.CursorHidden = Hidden;
  }
  TSDLConsole& Console;
  bool Was;
};

// The dialing directory over a whole screen (see TPhoneDirectory::Run).
bool PhoneDirectory(TSDLConsole& Console, const TUISettings& UI, TPhoneBookFile& Book, TConfigRec& Cfg,
                    TDirectoryHost& Host, TPhoneBookPrompts& Prompts, const std::string& ProgramDir);

}  // namespace lx
