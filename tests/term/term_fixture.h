// Shared set-up for the emulator tests: a headless console, a connection that records what
// the emulator sends back, and readable screen dumps.
#pragma once

#include <array>
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
    return WriteStr(std::string_view(reinterpret_cast<const char*>(Buf), static_cast<size_t>(Len)));
  }
  int32_t WriteStr(std::string_view S) override { return Sent.append(S), static_cast<int32_t>(S.size()); }
  std::unique_ptr<TSocketBase> Clone() override { return std::make_unique<TRecordingSocket>(); }

  std::string Sent;
};

// A console as the session sees it: opened headless, scrollback recording on.
std::unique_ptr<TSDLConsoleScrollback> MakeConsole(int Cols, int Rows, bool StatusLine = false);
// Brings an opened console back to that fresh state (far cheaper than a new one).
void ResetConsole(TSDLConsoleScrollback& Con, bool StatusLine = false);

inline std::string RowText(const TSDLConsole& Con, int Y) {
  std::string S;
  for (int X = 1; X <= Con.Cols; ++X) S += static_cast<char>(Con.Cell(X, Y).Ch);
  return S;
}

inline void Feed(TTermAnsi& Term, std::string_view Bytes) {
  Term.ProcessBuf(reinterpret_cast<const uint8_t*>(Bytes.data()), Bytes.size());
}

// The screen as the .screen files of the reference cases show it: size, cursor, window and
// colour state, then a glyph grid (code page 437 shown as Unicode), a foreground and a
// background grid, and the runs of cells in 256-colour or RGB modes or other fonts.
std::string DumpScreen(const TSDLConsoleScrollback& Con);
// A colour as the dump shows it: "attr", "256:N" (N is Index when given, else Bytes[0]) or
// "rgb:R,G,B".
std::string Colour(uint8_t Mode, const std::array<uint8_t, 3>& Bytes, int Index = -1);
