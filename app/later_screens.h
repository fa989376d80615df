// Screens the session opens that belong to other parts of the program. Each is an entry
// point with a fixed signature; until its screen exists it shows nothing and returns.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct TAppContext;

// Dialing directory: true when the user chose a system (now in CurrentEntry and
// CurrentEntryNum) that the caller should dial.
bool OpenDialingDirectory(TAppContext& App);
void OpenSettingsEditor(TAppContext& App);      // ALT-O
void OpenFontMenu(TAppContext& App);            // ALT-F
void OpenScreenSizeMenu(TAppContext& App);      // ALT-M
void OpenTransferMenu(TAppContext& App);        // ALT-T while connected
void OpenUploadQueueEditor(TAppContext& App);   // ALT-Q
// A Zmodem start seen in the received data (upload: the remote side asks for files). Start
// points at its first byte, followed by the rest of the received block; the transfer takes
// them. Returns what the remote side sent after the transfer, for the screen.
std::vector<uint8_t> StartZmodemFromRemote(TAppContext& App, bool Upload, const uint8_t* Start, size_t Length);
void RunLogonScript(TAppContext& App, const std::string& ScriptFile);
