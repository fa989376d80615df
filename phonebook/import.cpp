#include "phonebook/import.h"

namespace lx {

void ImportPhoneBook(TSDLConsole&, const TUISettings&, TPhoneBookFile&, const TConfigRec&) {}

}  // namespace lx
