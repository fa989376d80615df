// A terminal session on a headless console, "connected" through a socket pair whose other
// end the test reads and writes, so keys, commands and received data run through the real
// loop code without a window or a network.
#pragma once

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "app/context.h"
#include "app/session.h"
#include "net/bbs_server_process.h"
#include "net/socket.h"
#include "support/test_tempdir.h"
#include "support/test_watchdog.h"

using namespace std::chrono_literals;
using namespace std::string_literals;

class TMemoryClipboard : public TClipboard {
 public:
  bool HasText() override { return !Text.empty(); }
  std::string GetText() override { return Text; }
  void SetText(const std::string& T) override { Text = T; }
  std::string Text;
};

// What has arrived at Fd: waits up to WaitMs for the first bytes, then until 10 ms pass quietly.
std::string DrainFd(int Fd, int WaitMs);

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Puts a connected socket pair in place of the session's connection (and of an earlier pair).
  void Connect(bool Telnet = false);
  // Everything the remote side has received so far (waits briefly for it to arrive).
  std::string Sent(int WaitMs = 50) { return DrainFd(PeerFd, WaitMs); }
  // Bytes the remote side sends to us.
  void Remote(const std::string& Bytes) {
    ASSERT_EQ(write(PeerFd, Bytes.data(), Bytes.size()), static_cast<ssize_t>(Bytes.size()));
  }
  std::string RowText(int Y) const;
  std::string RowsText(int Y1, int Y2) const;  // rows Y1..Y2 joined by "|"
  std::vector<std::string> QueuedPaths() const;  // the upload queue's full paths
  // Session passes until Done() holds or LimitMs pass; returns Done().
  bool PassUntil(const std::function<bool()>& Done, int LimitMs = 5000);
  // Through the session's key handling, or queued for message boxes and menus.
  void Type(const std::string& K) { for (char Ch : K) Session->HandleKey(uint8_t(Ch)); }
  void Keys(const std::string& K) { for (char Ch : K) App.Console->PushKey(uint8_t(Ch)); }
  void Press(const std::vector<int>& Codes) {  // negative codes are extended keys
    for (int K : Codes) K < 0 ? App.Console->PushExtKey(-K & 0xFF) : App.Console->PushKey(K & 0xFF);
  }
  // Records every message and question as its box opens (answers come from Keys()).
  void Record() { Session->MessageSeen = [this](const std::string& T) { Seen.push_back(T); }; }
  // As Record(), answering each with ENTER.
  void AutoAnswer();
  std::vector<std::string> Seen;

  TAppContext App;
  std::unique_ptr<TSession> Session;
  TMemoryClipboard* Clip = nullptr;
  int PeerFd = -1;
  TTempDir Temp;
  std::string TempDir = Temp.Dir();

 private:
  // A box left waiting for a key that was never queued would hang the suite: after 20 s
  // the watchdog closes the console instead, and the test fails.
  std::unique_ptr<TWatchdog> Watchdog;
};
