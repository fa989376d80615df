// The settings editor (ALT-O): the configuration record on three form pages, written back
// to "lanternyx.cfg" when the editor closes.
#pragma once

#include <functional>
#include <string>

#include "app/context.h"

class TSettingsEditor {
 public:
  enum : int { PageDirectories = 1, PageMacros = 2, PageStartup = 3 };

  explicit TSettingsEditor(TAppContext& App);
  void Run();

  // Called each time a page is shown (tests follow the page changes here).
  std::function<void(int Page)> OnPage;
  // Sees every message text before its box opens.
  std::function<void(const std::string&)> MessageSeen;

 private:
  void ShowPage(int Page);
  TAppContext& App;
};

void RunSettingsEditor(TAppContext& App);
