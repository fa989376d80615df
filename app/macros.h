// Keyboard macros: the ten texts of the configuration with their "@" codes.
#pragma once

#include <functional>
#include <string>

#include "phonebook/phonerec.h"

// "@CR" and "@LF" become 13 and 10, "@UN" and "@PW" the entry's user name and password,
// "@PA" pauses 500 ms (through Pause, so callers and tests choose how to wait); any other
// two characters after "@" stand for themselves. The result is at most 255 characters.
std::string ExpandMacro(const std::string& Text, const lx::TPhoneRec& Entry,
                        const std::function<void(int Milliseconds)>& Pause);
