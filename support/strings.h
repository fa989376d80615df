#pragma once
// Short-string helpers shared by every module. Text is code page 437, one byte
// per character; case conversion touches ASCII letters only. Results longer
// than MaxShortString are cut where a routine says so.

#include <cstdint>
#include <string>

namespace lx {

constexpr std::size_t MaxShortString = 255;

// Cuts S to at most N characters.
std::string Cut(const std::string& S, std::size_t N = MaxShortString);

std::string PadRight(const std::string& S, int Width, char Ch = ' ');
std::string PadLeft(const std::string& S, int Width, char Ch = ' ');
std::string PadCenter(const std::string& S, int Width, char Ch, bool FillRight);
std::string Replicate(char Ch, int N);

std::string UpperCase(const std::string& S);
std::string LowerCase(const std::string& S);
char UpCase(char Ch);

std::string TrimChar(const std::string& S, char Ch);
std::string TrimLeftChar(const std::string& S, char Ch);
std::string TrimRightChar(const std::string& S, char Ch);
std::string StripControl(const std::string& S);
// Drops "|nn" colour codes whose two characters read as a number below 33.
std::string StripPipe(const std::string& S);

// N-th field (1-based) of S; with a space delimiter runs of spaces are one separator.
std::string WordGet(int N, const std::string& S, char Delim);
// Replaces left to right and continues after each inserted text, so a
// replacement that contains Find cannot loop.
std::string ReplaceAll(const std::string& S, const std::string& Find, const std::string& Repl);

std::string IntToStr(int64_t N);
// The program's one reader of decimal numbers (settings files, typed fields,
// pipe codes, port numbers). A number is: spaces (code 32 only) allowed at
// both ends, an optional "+" or "-", then one or more digits 0-9, with a
// value that fits a signed 64-bit integer. Anything else - an empty text, a
// stray character, a value out of range - is not a number: TryStrToInt
// returns false and StrToInt gives 0. Callers with a narrower range clamp or
// mask the result themselves.
bool TryStrToInt(const std::string& S, int64_t& Value);
int64_t StrToInt(const std::string& S);
std::string Int2(int64_t N);
std::string FormatThousands(int64_t N);
std::string OctStr(uint64_t N);
int64_t MaxInt64(int64_t A, int64_t B);

}  // namespace lx
