#pragma once
// The phone-book file layer's questions and notices, answered with the
// toolkit's message boxes.

#include <string>

#include "console/console.h"
#include "phonebook/phonebook_prompts.h"
#include "ui/ui_settings.h"

namespace lx {

class TPhoneBookPromptsUI : public TPhoneBookPrompts {
 public:
  // Both are held by reference: the theme may change while the program runs.
  TPhoneBookPromptsUI(TSDLConsole& Console, const TUISettings& Settings) : Console(Console), Settings(Settings) {}
  bool AskYesNo(const std::string& Text) override;  // a YES / NO box
  void Notice(const std::string& Text) override;    // an OK box

 private:
  TSDLConsole& Console;
  const TUISettings& Settings;
};

}  // namespace lx
