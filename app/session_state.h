// The terminal session's share of the application context: the emulator and connection in
// use, the system being called, and the flags the session loop, status bar, capture and
// connect code share.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/capture.h"
#include "app/line_pacer.h"
#include "console/bell.h"
#include "net/socket_base.h"
#include "phonebook/phonebook_file.h"
#include "phonebook/phonerec.h"
#include "term/term_ansi.h"
#include "ui/ui_settings.h"

// The system clipboard, behind an interface so that headless tests can use their own.
class TClipboard {
 public:
  virtual ~TClipboard() = default;
  virtual bool HasText() = 0;
  virtual std::string GetText() = 0;
  virtual void SetText(const std::string& Text) = 0;
};

// True when SSH entries can be dialled in this run (libssh was found and initialised).
bool SSHAvailable();

struct TSessionState {
  std::unique_ptr<TTermAnsi> Term;
  std::unique_ptr<TSocketBase> Socket;
  lx::TPhoneRec CurrentEntry;
  // The phone book the dialing directory has open, for the call counters; may be null.
  std::unique_ptr<lx::TPhoneBookFile> Book;
  lx::TUISettings UI;
  std::unique_ptr<TClipboard> Clipboard;
  TCaptureFile Capture;
  // Received data on its way to the screen at the emulated line speed.
  TLinePacer Pacer;
  TBell Bell;

  bool Connected = false;
  bool CaptureOn = false;
  bool StatusBarOn = false;
  int64_t ConnectTime = 0;  // seconds since midnight when the session began
  std::string Version = "2.00 BETA 22";
  // The name the last Xmodem download was saved as: the next one proposes it.
  std::string LastXmodemName;
  // Sees the text of every message box the transfer screens open, before it opens (tests
  // answer the box here).
  std::function<void(const std::string&)> MessageSeen;
};
