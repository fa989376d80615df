#include "app/macros.h"

#include "support/strings.h"

std::string ExpandMacro(const std::string& Text, const lx::TPhoneRec& Entry,
                        const std::function<void(int Milliseconds)>& Pause) {
  std::string Out;
  size_t i = 0;
  while (i < Text.size()) {
    if (Text[i] != '@') {
      Out += Text[i++];
      continue;
    }
    const std::string Code = Text.substr(i + 1, 2);
    i += 1 + Code.size();
    if (Code == "CR") {
      Out += '\r';
    } else if (Code == "LF") {
      Out += '\n';
    } else if (Code == "PA") {
      if (Pause) Pause(500);
    } else if (Code == "PW") {
      Out += Entry.Password;
    } else if (Code == "UN") {
      Out += Entry.UserName;
    } else {
      Out += Code;
    }
  }
  return lx::Cut(Out);
}
