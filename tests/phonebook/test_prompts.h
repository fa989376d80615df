#pragma once
// Scripted answers to the phone-book questions, recording what was shown.

#include <string>
#include <vector>

#include "phonebook/phonebook_prompts.h"

struct TScriptedPrompts : lx::TPhoneBookPrompts {
  bool Answer = false;
  std::vector<std::string> Asked;
  std::vector<std::string> Notices;
  bool AskYesNo(const std::string& Text) override {
    Asked.push_back(Text);
    return Answer;
  }
  void Notice(const std::string& Text) override { Notices.push_back(Text); }
};
