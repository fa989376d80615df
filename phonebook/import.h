#pragma once
// Copying systems from other terminals' phone books into free entries of the
// open book, and the screen that asks which kind and which file.

#include <string>

#include "config/config.h"
#include "console/console.h"
#include "phonebook/phonebook_file.h"
#include "ui/ui_settings.h"

namespace lx {

// ALT+I in the dialing directory: asks for the import type and the file,
// imports into Book, saves it and reports what happened. The caller redraws.
void ImportPhoneBook(TSDLConsole& Console, const TUISettings& UI, TPhoneBookFile& Book,
                     const TConfigRec& Cfg);

}  // namespace lx
