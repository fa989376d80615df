// The rules of the terminal session that need neither a window nor a connection: what a
// key sends, what the mouse reports, how received bytes are sorted,
// and when the idle work is due.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class TSDLConsole;
struct TMouseInput;
struct TMouseModes;

// --- Keys ------------------------------------------------------------------------------
// The bytes an extended key sends to the remote side while connected (function and cursor
// keys, Del); empty for codes that are commands or unused.
std::string KeySequence(uint8_t Code);
inline bool IsMacroKey(uint8_t Code) { return Code >= 94 && Code <= 103; }
// Typed or pasted text (UTF-8) as the remote side reads it in the entry's character set:
// code page 437, "?" for what it lacks; UTF-8 goes out as it is.
std::string TextForRemote(std::string_view Text, uint8_t Charset);

// --- Mouse ----------------------------------------------------------------------------
// What the remote side hears of one mouse event in the modes it asked for, as xterm sends it:
// ESC [ M and three bytes (button code, column and row, each plus 32), or with SGR
// CSI < code ; column ; row M (m for a release). Empty when the modes leave the event out,
// or when the three-byte form cannot carry the cell (past 223).
std::string MouseReport(const TMouseModes& Modes, const TMouseInput& In);
// The text of a selected rectangle in UTF-8: rows joined by CR LF, every row without trailing
// blanks and the first one also without leading blanks.
std::string SelectionText(const TSDLConsole& Console, int X1, int Y1, int X2, int Y2);
// The right-button command menu, in the toolkit's "K-Text|" form.
std::string CommandMenuText(bool ClipboardHasText, bool Connected, int ScrollbackCount);

// --- Received bytes ---------------------------------------------------------------------
// Where the session loop sends the screen's share of a received block: runs of bytes
// (Capture says whether they also go to the capture file).
struct TReceiveSink {
  std::function<void(const uint8_t* Data, size_t Length, bool Capture)> Data;
};
// A Zmodem start found in a block: At is the index of its CAN; that byte and everything after
// it belong to the transfer.
struct TZmodemStart {
  bool Found = false;
  bool Upload = false;  // CAN "B" "0" "1": the remote side asks for files
  size_t At = 0;
};
// Scans one block for CAN "B" "0" "0" (download) and CAN "B" "0" "1" (upload). The start
// is only recognised when the whole sequence lies in the block. The scan stops at a start;
// the bytes before it have gone to the sink, except the pads ("*") right before its CAN.
// A cancel sequence (five CAN or more, and the backspaces after them) goes nowhere.
TZmodemStart FilterReceived(const uint8_t* Buf, size_t Length, bool AutoZmodem, const TReceiveSink& Sink);

// --- Idle work ------------------------------------------------------------------------
struct TIdleState {
  int Passes = 0;
  int ShownMinute = 0;       // minute of day last drawn on the status bar
  int KeepAliveMinute = 0;   // minute of day a key or a keep-alive was last sent
};
struct TIdleWork {
  bool RedrawStatus = false;
  bool SendKeepAlive = false;
};
// One idle pass (10 ms). Every 60th pass looks at the clock: a new minute redraws the
// status bar, and a telnet session that has been quiet since another minute gets IAC NOP.
TIdleWork IdlePass(TIdleState& S, int MinuteOfDay, bool StatusBarOn, bool Telnet, bool Connected);
// A key sent: the line is not quiet this minute.
inline void NoteKeySent(TIdleState& S, int MinuteOfDay) { S.KeepAliveMinute = MinuteOfDay; }
