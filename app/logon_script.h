// Logon scripts: after a connect, a small text file waits for the board's prompts, sends the
// user's name and password, pauses and queues files for upload, without a key pressed.
//
//   WAITFOR "login:"   SEND "@UN@CR"   DELAY 500   QUEUE "new.zip"   ; comment
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct TAppContext;
class TScriptReader;

class TLogonScript {
 public:
  // A script is a few lines; anything this large is refused rather than read.
  static constexpr size_t MaxScriptSize = 1 << 20;
  // Received bytes held between commands (they stay unseen until a WAITFOR or the end).
  static constexpr size_t MaxPending = 64 * 1024;

  explicit TLogonScript(TAppContext& App);

  // Runs ScriptPath + ScriptFile + ".scr" until it ends, fails, is cancelled with ESC, the
  // link drops or the window closes. Uses the session's emulator, connection and entry.
  void Run(const std::string& ScriptFile);

  // How long an error stays on the status bar before the session goes on.
  int ErrorPauseMs = 5000;
  // Sees every note and error once it is on the status bar, and every message box text
  // before the box opens (tests read them here).
  std::function<void(const std::string&)> Seen;

 private:
  struct TMatch;

  void Execute(TScriptReader& R);
  bool Delay(int Ms);
  bool WaitFor(const std::string& Text);
  bool Queue(const std::string& Text);  // false: the queue refused the file
  void Send(const std::string& Text);

  void Listen(int Ms);
  bool Escape();
  bool Live() const;
  size_t Show(const uint8_t* Buf, size_t Length, TMatch* Match);
  void ShowPending();
  void TakeUnread();

  std::string Where(const TScriptReader& R, const std::string& Text) const;
  void Note(const TScriptReader& R, const std::string& Text);
  void Error(const TScriptReader& R, const std::string& Text);
  void Box(const std::string& Text);
  void DrawBar(const std::string& Text);

  TAppContext& App;
  std::string Name;              // ScriptFile + ".scr", as the messages name it
  std::vector<uint8_t> Pending;  // read from the link, not yet on the screen
  std::vector<uint8_t> Unread;   // what the board sent after a transfer, for Pending
};
