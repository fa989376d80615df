#pragma once
// Code page 437, the text of the screen, against UTF-8, the text of the system clipboard.

#include <cstdint>
#include <string>
#include <string_view>

namespace lx {

// Text to UTF-8. Bytes 128-255 become their characters. Below 32 and 127 stay control
// characters (CR, LF, TAB) unless Pictures is set, for text copied off screen cells, where
// they are the pictures the screen showed and 0 is a space.
std::string CP437ToUTF8(std::string_view Text, bool Pictures = false);

// UTF-8 to code page 437: ASCII stays, characters of bytes 128-255 become those bytes, and
// anything else becomes "?": characters the code page lacks, malformed sequences (one "?" per
// bad byte), and the pictures of 1-31 and 127 too, so that a pasted arrow never sends ESC.
std::string UTF8ToCP437(std::string_view Text);

// One character as UTF8ToCP437 converts it: its code page 437 byte, or "?".
char CharToCP437(char32_t C);
// Appends one character as UTF-8 (U+FFFD for what is no character).
void AppendUTF8(std::string& Out, char32_t C);
// Decodes the character at Text[Pos] into C and returns its length; 0 for a malformed one.
size_t DecodeUTF8(std::string_view Text, size_t Pos, char32_t& C);
// The byte whose glyph shows character C on the screen: the pictures of 1-31 and 127 count,
// so do letters drawn alike (Greek beta as sharp s, micro as mu), and typographic quotes and
// dashes show as their ASCII forms. 0 when the code page has no such glyph.
uint8_t CP437Glyph(char32_t C);

}  // namespace lx
