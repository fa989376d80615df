// The file-transfer screens: the transfer type menu (ALT-T), the screens that run an upload or
// download (Zmodem, Ymodem, Ymodem-G, Xmodem-1K, Xmodem) with live progress, and the two-pane
// upload queue editor (ALT-Q).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "transfer/xymodem.h"
#include "transfer/zmodem.h"

struct TAppContext;
class TSDLConsole;

enum class TTransferProtocol : uint8_t { Zmodem, Ymodem, YmodemG, Xmodem1K, Xmodem };
const char* TransferProtocolName(TTransferProtocol P);
struct TTransferChoice {
  int Direction = 0;  // 0 ESC, 1 upload, 2 download
  TTransferProtocol Protocol = TTransferProtocol::Zmodem;
};
TTransferChoice TransferTypeMenu(TAppContext& App);
// ALT-T while connected: the menu, then the transfer chosen.
void RunTransferMenu(TAppContext& App);

// One transfer over the session's connection, driven step by step: ESC cancels, closing the
// window cancels and leaves the program to end. Primed holds bytes already taken from the
// link that belong to the transfer. Returns what the remote side sent after it.
std::vector<uint8_t> ZmodemUpload(TAppContext& App, const uint8_t* Primed = nullptr, size_t PrimedLength = 0);
std::vector<uint8_t> ZmodemDownload(TAppContext& App, const uint8_t* Primed = nullptr, size_t PrimedLength = 0);
// Xmodem and Ymodem: uploads take the queue (Xmodem its first file), Xmodem downloads ask for
// the name to save as, proposing the last one.
std::vector<uint8_t> XYUpload(TAppContext& App, TXYProtocol P);
std::vector<uint8_t> XYDownload(TAppContext& App, TXYProtocol P);
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
// Protocol: its name, put before the direction ("Ymodem download complete: 3 done").
std::string TransferSummary(bool Upload, const std::vector<TFileResult>& Results, uint16_t Status,
                            const std::string& Protocol = "");

void QueueEditor(TAppContext& App);
