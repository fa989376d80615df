#pragma once
// The questions and notices of the phone-book file operations. The UI
// answers them with message boxes; tests answer them directly.

#include <string>

namespace lx {

struct TPhoneBookPrompts {
  virtual ~TPhoneBookPrompts() = default;
  virtual bool AskYesNo(const std::string& Text) = 0;
  virtual void Notice(const std::string& Text) = 0;
};

}  // namespace lx
