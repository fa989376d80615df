// The program-wide objects, created at start-up and freed at shut-down in
// reverse order. Later parts of the program add their objects here.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/file_drop.h"
#include "app/session_state.h"
#include "app/settings.h"
#include "config/config.h"
#include "console/scrollback.h"
#include "transfer/protocol_queue.h"

struct TAppContext {
  // Where the INI, configuration, phone books and hosts file live: beside the
  // program, or the user's configuration directory (app/paths.h).
  std::string ProgramDir;
  std::string IconFile;     // the window icon found at start-up; empty: none
  std::string DialAddress;  // the one optional command-line argument
  // Where an SSH login finds keys: the agent's socket (SSH_AUTH_SOCK) and the key directory
  // of the account running the program ("/home/u/.ssh/"). Empty: none.
  std::string SshAgentSocket, SshKeyDir;
  TVideoSettings Video;
  uint8_t Theme = 1;     // 1 ANSI look, 0 ASCII look (frame style of the boxes)
  uint8_t FontType = 1;  // 1..4, the session's font
  int ExitCode = 0;      // the program's exit code; set when the video was lost for good

  std::unique_ptr<TSDLConsoleScrollback> Console;
  lx::TConfigRec Config;
  std::unique_ptr<lx::TConfigFile> ConfigFile;

  uint16_t CurrentEntryNum = 0;  // 0: the system in use is not from a phone book
  TSessionState Session;         // emulator, connection, current entry and session flags
  TProtocolQueue UploadQueue;    // files waiting to be uploaded, for the whole run
  TDropInbox Drops;              // files dropped on the window, on their way to the queue
};
