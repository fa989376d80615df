// The file-transfer screens: the transfer type menu (ALT-T), the screens that run a Zmodem
// upload or download with live progress, and the two-pane upload queue editor (ALT-Q).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "transfer/zmodem.h"

struct TAppContext;
class TSDLConsole;

// 0 ESC, 1 upload, 2 download.
int TransferTypeMenu(TAppContext& App);
// ALT-T while connected: the menu, then the transfer chosen.
void RunTransferMenu(TAppContext& App);

// One transfer over the session's connection, driven step by step: ESC cancels, closing the
// window cancels and leaves the program to end. Primed holds bytes already taken from the
// link that belong to the transfer. Returns what the remote side sent after it.
std::vector<uint8_t> ZmodemUpload(TAppContext& App, const uint8_t* Primed = nullptr, size_t PrimedLength = 0);
std::vector<uint8_t> ZmodemDownload(TAppContext& App, const uint8_t* Primed = nullptr, size_t PrimedLength = 0);
// A transfer the remote side started (Start: its first byte and the rest of the block).
std::vector<uint8_t> AutoTransfer(TAppContext& App, bool Upload, const uint8_t* Start, size_t Length);

// The progress display: the bars are redrawn only when the percentage changes.
struct TTransferView {
  int LastPercent = -1;
  int X0 = 0;  // columns the 80-column layout is moved right on a wider screen
};
void DrawTransferStatus(TSDLConsole& Con, TTransferView& View, const TTransferProgress& P, int64_t NowSeconds);
// 0..100; -1 when the size is unknown (nothing to draw).
int TransferPercent(int64_t Done, int64_t Size);
// Kilobytes a second, rounded; 0 in the first second.
int64_t TransferRate(int64_t Done, int64_t ElapsedSeconds);
// What the user reads when a transfer is over: files done, skipped, failed, and why.
std::string TransferSummary(bool Upload, const std::vector<TFileResult>& Results, uint16_t Status);

void QueueEditor(TAppContext& App);
