#include "phonebook/selector.h"

namespace lx {

std::string SelectPhoneBook(TSDLConsole&, const TUISettings&, const TSelectorBooks&, const TConfigRec&) {
  return {};
}

}  // namespace lx
