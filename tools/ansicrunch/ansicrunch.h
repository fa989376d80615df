// Converts ANSI art (code page 437 bytes, SGR colours, CR LF, cursor movement) into the
// crunched screen format read by TSDLConsole::DisplayCrunched.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

// Width is the column at which text wraps (80 for ordinary ANSI art, at most 160).
std::vector<uint8_t> CrunchAnsi(std::string_view Ansi, int Width = 80);
