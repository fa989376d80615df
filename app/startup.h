// Start-up and shut-down of the program.
#pragma once

#include <iosfwd>
#include <string>

#include "app/context.h"

constexpr const char* ProgramTitle = "Lanternyx v2.00 BETA 22";
constexpr const char* IniFileName = "lanternyx.ini";
constexpr const char* IconFileName = "lanternyx.icn";

// Everything up to the terminal session: settings, console and window,
// configuration record, title and icon. False when the video could not start
// ("Unable to initialize video" is then on Out and no window is left).
bool StartUp(TAppContext& App, const std::string& Arg0, std::ostream& Out);

// Stand-in for the terminal session: the blank terminal screen until the
// window is closed or the program is asked to quit.
void RunSession(TAppContext& App);

// Frees the program-wide objects in reverse order of creation.
void ShutDown(TAppContext& App);
