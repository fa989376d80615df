// The words of a logon script: strings, numbers, command words, comments. Works on the
// script's text in memory and needs neither a console nor a connection.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The kind numbers are the ones shown in "Expected string value (n)".
enum class TScriptToken : uint8_t {
  String = 0,   // "text"
  Skip = 1,     // a comment, or a byte that starts no token
  End = 2,      // end of the text, or a string not closed before it
  Word = 3,     // a word that is no command, or any word cut off by the end of the text
  Number = 4,
  Delay = 5,
  WaitFor = 6,
  Queue = 7,
  Send = 8,
};

class TScriptReader {
 public:
  // Token texts are length-prefixed strings in the script language; longer ones are read
  // to their end but only this much is kept.
  static constexpr size_t ValueMax = 255;

  // The text is not copied: it must outlive the reader.
  explicit TScriptReader(std::string_view Text) : Text(Text) {}
  explicit TScriptReader(std::string&&) = delete;

  // Reads one token. Its text (string, number, word) is in Value; a word is upper-cased.
  TScriptToken Next();

  std::string Value;
  uint16_t Number = 0;  // a number token's value modulo 65536, over all its digits
  // Where the reader stands: Line counts byte 10s from 1; Col counts bytes since the last
  // byte 10. Bytes read again from the push-back change neither.
  int64_t Line = 1;
  int64_t Col = 0;

 private:
  bool Read(uint8_t& Ch);
  void PushBack(uint8_t Ch) { Stack.push_back(static_cast<char>(Ch)); }
  void Keep(uint8_t Ch) {
    if (Value.size() < ValueMax) Value.push_back(static_cast<char>(Ch));
  }

  std::string_view Text;
  size_t Pos = 0;
  std::string Stack;  // last in, first out; never holds more than one byte
};
