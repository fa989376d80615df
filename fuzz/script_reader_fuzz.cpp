// Logon script text of any content through the tokenizer: it must end after one token per
// byte at most, keep every token text short, and count lines and columns exactly.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/script_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string_view Text(reinterpret_cast<const char*>(Data), Size);
  TScriptReader R(Text);
  size_t Tokens = 0;
  for (;;) {
    const TScriptToken K = R.Next();
    if (static_cast<int>(K) > 8 || R.Value.size() > TScriptReader::ValueMax) std::abort();
    if (K == TScriptToken::Number && R.Value.size() < TScriptReader::ValueMax) {
      uint32_t V = 0;
      for (char C : R.Value) {
        if (C < '0' || C > '9') std::abort();
        V = (V * 10 + static_cast<uint32_t>(C - '0')) & 0xFFFF;
      }
      if (V != R.Number) std::abort();
    }
    // Every token but the last takes at least one byte of the text.
    if (K == TScriptToken::End) break;
    if (++Tokens > Size + 1) std::abort();
  }
  // At the end every byte has been read once: the position is the text's own.
  const size_t LastLF = Text.rfind('\n');
  int64_t Lines = 1;
  for (char C : Text) Lines += C == '\n';
  const int64_t Col = static_cast<int64_t>(LastLF == std::string_view::npos ? Size : Size - LastLF - 1);
  if (R.Line != Lines || R.Col != Col) std::abort();
  return 0;
}
