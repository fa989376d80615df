#include "app/script_reader.h"

namespace {

bool IsBlank(uint8_t Ch) { return (Ch >= 9 && Ch <= 13) || Ch == 26 || Ch == 32; }
bool IsDigit(uint8_t Ch) { return Ch >= '0' && Ch <= '9'; }
bool IsLetter(uint8_t Ch) { return (Ch >= 'A' && Ch <= 'Z') || (Ch >= 'a' && Ch <= 'z'); }
uint8_t Upper(uint8_t Ch) { return Ch >= 'a' && Ch <= 'z' ? static_cast<uint8_t>(Ch - 32) : Ch; }

}  // namespace

bool TScriptReader::Read(uint8_t& Ch) {
  if (!Stack.empty()) {
    Ch = static_cast<uint8_t>(Stack.back());
    Stack.pop_back();
    return true;
  }
  if (Pos >= Text.size()) return false;
  Ch = static_cast<uint8_t>(Text[Pos++]);
  if (Ch == 10) {
    ++Line;
    Col = 0;
  } else {
    ++Col;
  }
  return true;
}

TScriptToken TScriptReader::Next() {
  Value.clear();
  Number = 0;
  uint8_t Ch = 0;
  do {
    if (!Read(Ch)) return TScriptToken::End;
  } while (IsBlank(Ch));

  if (Ch == ';') {
    while (Read(Ch) && Ch != 10 && Ch != 13) {
    }
    return TScriptToken::Skip;
  }

  if (Ch == '"') {
    for (;;) {
      if (!Read(Ch)) return TScriptToken::End;
      if (Ch == '"') return TScriptToken::String;
      // \" and \\ stand for the second byte; before anything else the backslash is dropped
      // and the byte counts as an ordinary one.
      if (Ch == '\\' && !Read(Ch)) return TScriptToken::End;
      Keep(Ch);
    }
  }

  if (IsDigit(Ch)) {
    for (;;) {
      Keep(Ch);
      Number = static_cast<uint16_t>(Number * 10u + (Ch - '0'));
      if (!Read(Ch)) return TScriptToken::Number;
      if (!IsDigit(Ch)) {
        PushBack(Ch);
        return TScriptToken::Number;
      }
    }
  }

  if (IsLetter(Ch)) {
    for (;;) {
      Keep(Upper(Ch));
      // A word the text cuts off is never taken for a command.
      if (!Read(Ch)) return TScriptToken::Word;
      if (!IsLetter(Ch)) {
        PushBack(Ch);
        break;
      }
    }
    if (Value == "DELAY") return TScriptToken::Delay;
    if (Value == "QUEUE") return TScriptToken::Queue;
    if (Value == "SEND") return TScriptToken::Send;
    if (Value == "WAITFOR") return TScriptToken::WaitFor;
    return TScriptToken::Word;
  }

  return TScriptToken::Skip;
}
