#include "phonebook/prompts_ui.h"

#include "ui/dialogs.h"

namespace lx {

bool TPhoneBookPromptsUI::AskYesNo(const std::string& Text) {
  return MessageBox(Console, Settings, MessageYesNo, Text);
}

void TPhoneBookPromptsUI::Notice(const std::string& Text) { MessageBox(Console, Settings, MessageInfo, Text); }

}  // namespace lx
