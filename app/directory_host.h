// The dialing directory as the terminal session opens it (ALT-D).
#pragma once

struct TAppContext;

// True when the user chose a system (now in CurrentEntry and CurrentEntryNum) that the caller
// should dial.
bool OpenDialingDirectory(TAppContext& App);
