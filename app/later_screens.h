// Screens the session opens that belong to other parts of the program. Each is an entry
// point with a fixed signature; until its screen exists it shows nothing and returns.
#pragma once

#include <string>

struct TAppContext;

// Dialing directory: true when the user chose a system (now in CurrentEntry and
// CurrentEntryNum) that the caller should dial.
bool OpenDialingDirectory(TAppContext& App);
void OpenSettingsEditor(TAppContext& App);      // ALT-O
void OpenFontMenu(TAppContext& App);            // ALT-F
void OpenScreenSizeMenu(TAppContext& App);      // ALT-M
void OpenTransferMenu(TAppContext& App);        // ALT-T while connected
void OpenUploadQueueEditor(TAppContext& App);   // ALT-Q
// A Zmodem start seen in the received data (upload: the remote side asks for files).
void StartZmodemFromRemote(TAppContext& App, bool Upload);
void RunLogonScript(TAppContext& App, const std::string& ScriptFile);
