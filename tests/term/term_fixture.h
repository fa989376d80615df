// Shared set-up for the emulator tests: a headless console and a connection
// that records what the emulator sends back.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "console/console.h"
#include "console/scrollback.h"
#include "net/socket_base.h"
#include "term/term_ansi.h"

// Collects every byte written, so reply bytes can be checked exactly.
class TRecordingSocket : public TSocketBase {
public:
  bool Connect(const std::string&, uint16_t, int32_t, TAbortCheck = {}) override { return true; }
  void Disconnect() override { Connected = false; }
  int32_t WaitForData(int32_t, bool) override { return 0; }
  int32_t ReadBuf(uint8_t*, int32_t) override { return 0; }
  int32_t WriteBuf(const uint8_t* Buf, int32_t Len) override {
    Sent.append(reinterpret_cast<const char*>(Buf), static_cast<size_t>(Len));
    return Len;
  }
  int32_t WriteStr(std::string_view S) override {
    Sent.append(S);
    return static_cast<int32_t>(S.size());
  }
  std::unique_ptr<TSocketBase> Clone() override { return std::make_unique<TRecordingSocket>(); }

  std::string Sent;
};

// A console as the session sees it: opened headless, scrollback recording on.
std::unique_ptr<TSDLConsoleScrollback> MakeConsole(int Cols, int Rows, bool StatusLine = false);
// Brings an opened console back to that fresh state (far cheaper than a new one).
void ResetConsole(TSDLConsoleScrollback& Con, bool StatusLine = false);

inline void Feed(TTermAnsi& Term, std::string_view Bytes) {
  Term.ProcessBuf(reinterpret_cast<const uint8_t*>(Bytes.data()), Bytes.size());
}
