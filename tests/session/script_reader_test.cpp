// The logon-script tokenizer: every token kind, string escapes, words cut off by the end of
// the text, comments, stray bytes, where the reader stands, and oversized tokens.
#include <gtest/gtest.h>

#include <string>

#include "app/script_reader.h"

using namespace std::string_literals;

namespace {

// "kind:value" for each token up to the end, joined by "|".
std::string Tokens(const std::string& Text) {
  TScriptReader R(Text);
  std::string S;
  for (int I = 0; I < 1000; ++I) {
    const TScriptToken K = R.Next();
    if (!S.empty()) S += "|";
    S += std::to_string(static_cast<int>(K));
    if (!R.Value.empty() && K != TScriptToken::End) S += ":" + R.Value;
    if (K == TScriptToken::End) break;
  }
  return S;
}

TEST(ScriptReader, Tokens) {
  struct TCase {
    std::string Text;
    std::string Want;
  } Cases[] = {
      {"WAITFOR \"login:\"\n", "6:WAITFOR|0:login:|2"},
      {"waitfor \"a\" Send \"b\" queue \"c\" dElAy 5 ", "6:WAITFOR|0:a|8:SEND|0:b|7:QUEUE|0:c|5:DELAY|4:5|2"},
      {"\t\v\f\r\x1a SEND\n", "8:SEND|2"},
      // Cut off by the end of the text, a command word is only a word.
      {"SEND", "3:SEND|2"},
      {"SEND \"x\"\nSEND", "8:SEND|0:x|3:SEND|2"},
      {"Hello ", "3:HELLO|2"},
      {"SEND2", "8:SEND|4:2|2"},
      // Escapes: \" and \\ stand for the second byte, any other byte loses the backslash.
      {R"("a\"b")", "0:a\"b|2"},
      {R"("a\\b")", "0:a\\b|2"},
      {R"("a\nb")", "0:anb|2"},
      {"\"\"", "0|2"},
      {"\"abc", "2"},
      {"\"abc\\", "2"},
      {"\"two\nlines\"", "0:two\nlines|2"},
      {"12 007", "4:12|4:007|2"},
      {"123", "4:123|2"},
      {"123abc ", "4:123|3:ABC|2"},
      // Comments run to the end of the line (byte 10 or 13); other stray bytes are skipped.
      {"; SEND \"x\"\nDELAY 1", "1|5:DELAY|4:1|2"},
      {";c\rSEND ", "1|8:SEND|2"},
      {"; no line end", "1|2"},
      {"# SEND", "1|3:SEND|2"},
      {"\0\xff\x80{}"s, "1|1|1|1|1|2"},
      {"", "2"},
  };
  for (const auto& C : Cases) EXPECT_EQ(Tokens(C.Text), C.Want) << C.Text;
}

TEST(ScriptReader, LineAndColumn) {
  struct TCase {
    std::string Text;
    int Tokens;  // read this many
    int64_t Line, Col;
  } Cases[] = {
      {"SEND \"x\"", 1, 1, 5},          // the space after the word was read and pushed back
      {"WAITFOR \"login:\"\n", 2, 1, 16},
      {"WAITFOR \"login:\"\n", 3, 2, 0},
      {"a\n  bc", 1, 2, 0},             // the pushed-back line end was counted once
      {"a\n  bc", 2, 2, 4},
      {"\"x\\\ny\" Z", 1, 2, 2},         // a line end after a backslash still counts
      {"\r\n\r\nSEND", 1, 3, 4},
  };
  for (const auto& C : Cases) {
    TScriptReader R(C.Text);
    for (int I = 0; I < C.Tokens; ++I) R.Next();
    EXPECT_EQ(R.Line, C.Line) << C.Text;
    EXPECT_EQ(R.Col, C.Col) << C.Text;
  }
}

TEST(ScriptReader, NumbersKeepTheirValueModulo65536) {
  struct TCase {
    std::string Digits;
    uint16_t Value;
  } Cases[] = {{"70000", 4464}, {"65535", 65535}, {"65536", 0}, {"0", 0}, {"1" + std::string(299, '0'), 0},
               {std::string(300, '0') + "70000", 4464}};
  for (const auto& C : Cases) {
    TScriptReader R(C.Digits);
    EXPECT_EQ(R.Next(), TScriptToken::Number);
    EXPECT_EQ(R.Number, C.Value) << C.Digits;
    EXPECT_LE(R.Value.size(), TScriptReader::ValueMax);
  }
}

TEST(ScriptReader, LongTokensAreReadWholeAndKeptShort) {
  const std::string Text = "SEND \"" + std::string(1000000, 'x') + "\" " + std::string(1000, 'Q') + " SEND ";
  TScriptReader R(Text);
  EXPECT_EQ(R.Next(), TScriptToken::Send);
  EXPECT_EQ(R.Next(), TScriptToken::String);
  EXPECT_EQ(R.Value, std::string(255, 'x'));
  EXPECT_EQ(R.Next(), TScriptToken::Word);
  EXPECT_EQ(R.Value.size(), 255u);
  EXPECT_EQ(R.Next(), TScriptToken::Send);
  EXPECT_EQ(R.Next(), TScriptToken::End);
}

}  // namespace
