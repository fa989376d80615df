#pragma once
// Scripted answers to the phone-book questions, recording what was shown: each question takes
// the next queued answer, or Answer once the queue is empty.

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "phonebook/phonebook_file.h"
#include "phonebook/phonebook_prompts.h"
#include "support/test_tempdir.h"

struct TScriptedPrompts : lx::TPhoneBookPrompts {
  bool Answer = false;
  std::deque<bool> Answers;
  std::vector<std::string> Asked, Notices;
  std::function<void(const std::string&)> OnAsk;  // sees the screen the question is asked over
  bool AskYesNo(const std::string& Text) override {
    Asked.push_back(Text);
    if (OnAsk) OnAsk(Text);
    const bool A = Answers.empty() ? Answer : Answers.front();
    if (!Answers.empty()) Answers.pop_front();
    return A;
  }
  void Notice(const std::string& Text) override { Notices.push_back(Text); }
};

struct TBookFiles {  // a book in a private directory
  TTempDir Dir;
  std::string Path = Dir.Path("book.phn");
  lx::TConfigRec Cfg;
  TScriptedPrompts Prompts;
  lx::TPhoneBookFile Book;

  // Creates an empty book titled Title at Path and loads it into Book.
  bool OpenBook(const std::string& Title = "Test") {
    return lx::CreatePhoneBook(Path, Title, Cfg) && Book.LoadPhoneBook(Path, Cfg, Prompts);
  }
  // A file beside the book holding Text; returns its path.
  std::string Write(const std::string& Name, const std::string& Text) {
    WriteFileBytes(Dir.Path(Name), TBytes(Text.begin(), Text.end()));
    return Dir.Path(Name);
  }
};
