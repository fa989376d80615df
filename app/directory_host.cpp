// The dialing directory as the terminal session opens it: the session's answers to the
// directory's questions, and the book it shares with the connect step's call counters.
#include <memory>

#include "app/directory_host.h"
#include "app/session.h"
#include "app/statusbar.h"
#include "phonebook/directory.h"
#include "phonebook/prompts_ui.h"
#include "support/timeutil.h"

namespace {

class TSessionDirectoryHost : public lx::TDirectoryHost {
 public:
  explicit TSessionDirectoryHost(TAppContext& App) : App(App) {}
  bool Connected() override { return App.Session.Connected; }
  bool SSHUsable() override { return SSHAvailable(); }
  bool SaveConfig() override { return App.ConfigFile && App.ConfigFile->Save(App.Config); }
  void Dial(int N, const lx::TPhoneRec& Entry) override {
    App.Session.CurrentEntry = Entry;
    App.CurrentEntryNum = static_cast<uint16_t>(N);
  }
  int CurrentEntryNum() override { return App.CurrentEntryNum; }
  void SetCurrentEntryNum(int N) override { App.CurrentEntryNum = static_cast<uint16_t>(N); }
  void CurrentEntryEdited(const lx::TPhoneRec& Entry) override {
    App.Session.CurrentEntry = Entry;
    Edited = true;
  }
  bool Edited = false;

 private:
  TAppContext& App;
};

}  // namespace

bool OpenDialingDirectory(TAppContext& App) {
  auto& S = App.Session;
  // One book object: the connect step writes the call counters through it.
  if (!S.Book) S.Book = std::make_unique<lx::TPhoneBookFile>();
  TSessionDirectoryHost Host(App);
  lx::TPhoneBookPromptsUI Prompts(*App.Console, S.UI);
  const bool Dial = lx::PhoneDirectory(*App.Console, S.UI, *S.Book, App.Config, Host, Prompts, App.ProgramDir);
  // The status bar shows the session's name and emulation, which an edit may have changed.
  if (Host.Edited && S.Connected) DrawStatusBar(*App.Console, App.Config, S, lx::SecondsToday());
  return Dial;
}
