// The logon-script tokenizer: every token kind, string escapes, words cut off by the end of
// the text, comments, stray bytes, numbers modulo 65536, oversized tokens, where it stands.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "app/script_reader.h"

using namespace std::string_literals;

namespace {

// "kind:value" for each token up to the end (a number adds "=" and its value), joined by "|".
std::string Tokens(const std::string& Text) {
  TScriptReader R(Text);
  std::string S;
  for (int I = 0; I < 1000; ++I) {
    const TScriptToken K = R.Next();
    if (!S.empty()) S += "|";
    S += std::to_string(static_cast<int>(K));
    if (!R.Value.empty() && K != TScriptToken::End) S += ":" + R.Value;
    if (K == TScriptToken::Number) S += "=" + std::to_string(R.Number);
    if (R.Value.size() > TScriptReader::ValueMax) S += "!long";
    if (K == TScriptToken::End) break;
  }
  return S;
}

TEST(ScriptReader, Tokens) {
  const std::string X255(255, 'x'), Zeros(255, '0');
  const std::pair<std::string, std::string> Cases[] = {
      {"WAITFOR \"login:\"\n", "6:WAITFOR|0:login:|2"},
      {"waitfor \"a\" Send \"b\" queue \"c\" dElAy 5 ", "6:WAITFOR|0:a|8:SEND|0:b|7:QUEUE|0:c|5:DELAY|4:5=5|2"},
      {"\t\v\f\r\x1a SEND\n", "8:SEND|2"},
      // Cut off by the end of the text, a command word is only a word.
      {"SEND", "3:SEND|2"},
      {"SEND \"x\"\nSEND", "8:SEND|0:x|3:SEND|2"},
      {"Hello ", "3:HELLO|2"},
      {"SEND2", "8:SEND|4:2=2|2"},
      // Escapes: \" and \\ stand for the second byte, any other byte loses the backslash.
      {R"("a\"b")", "0:a\"b|2"},
      {R"("a\\b")", "0:a\\b|2"},
      {R"("a\nb")", "0:anb|2"},
      {"\"\"", "0|2"},
      {"\"abc", "2"},
      {"\"abc\\", "2"},
      {"\"two\nlines\"", "0:two\nlines|2"},
      {"12 007", "4:12=12|4:007=7|2"},
      {"123abc ", "4:123=123|3:ABC|2"},
      {"70000 65535 65536", "4:70000=4464|4:65535=65535|4:65536=0|2"},
      {"1" + std::string(299, '0'), "4:1" + Zeros.substr(1) + "=0|2"},
      {std::string(300, '0') + "70000", "4:" + Zeros + "=4464|2"},
      // Comments run to the end of the line (byte 10 or 13); other stray bytes are skipped.
      {"; SEND \"x\"\nDELAY 1", "1|5:DELAY|4:1=1|2"},
      {";c\rSEND ", "1|8:SEND|2"},
      {"; no line end", "1|2"},
      {"# SEND", "1|3:SEND|2"},
      {"\0\xff\x80{}"s, "1|1|1|1|1|2"},
      {"", "2"},
      // Long tokens are read whole and kept short.
      {"SEND \"" + std::string(1000000, 'x') + "\" " + std::string(1000, 'q') + " SEND ",
       "8:SEND|0:" + X255 + "|3:" + std::string(255, 'Q') + "|8:SEND|2"},
  };
  for (const auto& [Text, Want] : Cases) EXPECT_EQ(Tokens(Text), Want) << Text.substr(0, 80);
}

// After reading N tokens: the line and column where the reader stands.
TEST(ScriptReader, LineAndColumn) {
  const std::vector<std::tuple<std::string, int, int64_t, int64_t>> Cases = {
      {"SEND \"x\"", 1, 1, 5},  // the space after the word was read and pushed back
      {"WAITFOR \"login:\"\n", 2, 1, 16}, {"WAITFOR \"login:\"\n", 3, 2, 0},
      {"a\n  bc", 1, 2, 0},  // the pushed-back line end was counted once
      {"a\n  bc", 2, 2, 4},  {"\"x\\\ny\" Z", 1, 2, 2},  // a line end after a backslash still counts
      {"\r\n\r\nSEND", 1, 3, 4}};
  for (const auto& [Text, N, Line, Col] : Cases) {
    TScriptReader R(Text);
    for (int I = 0; I < N; ++I) R.Next();
    EXPECT_EQ(std::pair(R.Line, R.Col), std::pair(Line, Col)) << Text;
  }
}

}  // namespace
