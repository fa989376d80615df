#pragma once
// The phone book selector: lists the books of a directory with their titles,
// picks one, creates or deletes one.

#include <string>

#include "config/config.h"
#include "console/console.h"
#include "ui/ui_settings.h"

namespace lx {

struct TSelectorBooks {
  std::string Dir;       // where the books live (the program directory), ending in "/" or empty
  std::string OpenBook;  // file name of the book the directory has open: never deleted
  std::string DefaultBook;  // the configured default book: never deleted
};

// Returns the chosen book's file name without a directory, or an empty text
// when the user left with ESC.
std::string SelectPhoneBook(TSDLConsole& Console, const TUISettings& UI, const TSelectorBooks& Books,
                            const TConfigRec& Cfg);

}  // namespace lx
