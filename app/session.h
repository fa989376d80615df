// The terminal session: the loop that moves received bytes to the emulator and keys to the
// remote side, the command keys and mouse commands, connecting and hanging up.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "app/context.h"
#include "app/session_rules.h"

class TSession {
 public:
  explicit TSession(TAppContext& App);

  // Start-up screens, the command-line dial, then passes until the console is terminated.
  void Run();
  // The set-up before the loop (flags, text window, about and ready screens, first dial).
  void Begin();
  // One pass of the loop; false once the console is terminated.
  bool Pass();

  // Commands, also reachable from the mouse menu.
  void HandleKey(uint8_t Ch);
  // A typed character, sent in the entry's character set.
  void HandleText(char32_t C);
  void HandleExtKey(uint8_t Code);
  void HandleMouse(const TMouseEvent& Ev);
  void RunMenuCommand(uint8_t Letter);
  void Exit();
  void ToggleCapture();
  void ToggleEcho();
  void Paste();
  void SendMacro(int Number);
  void ScrollbackViewer();

  // Connecting (app/connect.cpp).
  bool DialEntry();
  void ImmediateDial(std::string Address);
  void Hangup();

  // The clock the session reads, replaceable in tests: minute of day and seconds today.
  std::function<int()> MinuteOfDay;
  std::function<int64_t()> SecondsToday;
  // How a macro pause waits; the console's Delay unless a test replaces it.
  std::function<void(int)> Pause;
  // The steady clock the line pacer reads, in microseconds; replaceable in tests.
  std::function<int64_t()> MicrosNow;
  // How long the start-up picture stays.
  int AboutMs = 3000;
  // Sees every message and question text before its box opens (tests read it here).
  std::function<void(const std::string&)> MessageSeen;

  TIdleState Idle;

 private:
  TSDLConsoleScrollback& Con() { return *App.Console; }
  TSessionState& S() { return App.Session; }
  void Message(const std::string& Text);
  bool Question(const std::string& Text);
  void Send(std::string_view Text);
  // What the user typed: sent as one write and echoed by the echo mode.
  void SendTyped(const std::string& Bytes);
  void Receive();
  // One received block through the filter to the screen (through the line pacer when it
  // paces), and to a transfer it starts.
  void Show(const uint8_t* Buf, size_t Length);
  // Received bytes to the emulator and, while capture is on, to the capture file.
  void ShowNow(const uint8_t* Data, size_t Length, bool Capture);
  // The same for bytes that waited in the pacer.
  void ShowFromLine(const uint8_t* Data, size_t Length);
  // What the pacer has due by now to the screen.
  void ShowPaced();
  // A loop pass while paced data waits: shows what is due, then waits for the next byte's
  // time, new data or a key, whichever comes first.
  void PacedPass();
  // The clock's work of Passes idle passes of 10 ms (status bar minute, keep-alive).
  void IdleWork(int Passes);
  // ALT-= and the menu's L: the next emulated line speed.
  void CycleLineSpeed();
  // What the emulator met in a block just shown: a bell, a new line speed or font.
  void AfterShow();
  // A bell the emulator met in what was just shown: beep or flash, as configured.
  void RingBell();
  // Puts the status bar back once its flash has been seen.
  void EndFlash();
  // The emulator's calls back into the session, for a new emulator.
  void HookTerminal();
  void CommandMenu(int X, int Y);
  // Sends what the window queued for the remote side, in the mouse modes it asked for, and
  // tells the window whether to queue more.
  void ReportMouse();
  // What runs next (a box, a menu, another screen) reads the mouse itself; the next pass hands
  // it back to the remote side.
  void KeepMouseLocal();
  // A new connection, or none: the whole text area scrolls and the mouse is the program's.
  void ResetTerminal();
  void RedrawStatus();
  void DialerStatus(int X, const std::string& Text);
  // Tells the connection the rows and columns the remote side may use (all but the status bar).
  void TellWindowSize();

  TAppContext& App;
  std::array<uint8_t, 16384> RecvBuf{};
  int64_t Paced = 0;  // microseconds spent in paced passes, not yet counted as idle passes
  bool BellPending = false;
  bool StatusPending = false;
  uint8_t StatusFont = 0;  // the session's font when the status bar was last drawn
  int64_t FlashUntil = 0;  // TickMS at which a flashed status bar is drawn again; 0 none
};

// What main calls: the whole terminal session on the program's console.
void RunTerminalSession(TAppContext& App);
// Shut-down's share: closes the capture file and frees the emulator and connection.
void EndTerminalSession(TAppContext& App);
