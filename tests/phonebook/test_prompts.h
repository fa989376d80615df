#pragma once
// Scripted answers to the phone-book questions, recording what was shown: each question takes
// the next queued answer, or Answer once the queue is empty.

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "phonebook/phonebook_prompts.h"

struct TScriptedPrompts : lx::TPhoneBookPrompts {
  bool Answer = false;
  std::deque<bool> Answers;
  std::vector<std::string> Asked;
  std::vector<std::string> Notices;
  std::function<void(const std::string&)> OnAsk;  // sees the screen the question is asked over
  bool AskYesNo(const std::string& Text) override {
    Asked.push_back(Text);
    if (OnAsk) OnAsk(Text);
    if (Answers.empty()) return Answer;
    const bool A = Answers.front();
    Answers.pop_front();
    return A;
  }
  void Notice(const std::string& Text) override { Notices.push_back(Text); }
};
