// ANSI interpreter: turns the bytes a remote system sends into console
// operations (glyphs, cursor moves, clears, colours) and answers the cursor
// position report through the attached connection.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

class TSDLConsole;
class TSocketBase;

// Which mouse events the remote side asked to be told about (private modes 9, 1000, 1002 and
// 1003, as xterm numbers them): none, presses only, presses and releases, those and moves
// while a button is held, or every move.
enum class TMouseTracking : uint8_t { Off, X10, Normal, ButtonEvent, AnyEvent };
struct TMouseModes {
  TMouseTracking Tracking = TMouseTracking::Off;
  bool SGR = false;  // mode 1006: CSI < b ; x ; y M|m, for boards that read no other form
  bool operator==(const TMouseModes&) const = default;
};

class TTermAnsi {
public:
  explicit TTermAnsi(TSDLConsole& Console);
  ~TTermAnsi();
  TTermAnsi(const TTermAnsi&) = delete;
  TTermAnsi& operator=(const TTermAnsi&) = delete;

  // Attaches the connection used for replies (not owned); null detaches it.
  void SetSocket(TSocketBase* Socket);

  // One received byte, in arrival order.
  void ProcessChar(uint8_t Ch);

  // A received block: holds the console's batch lock once for all of it, hands text between
  // control bytes to the console as runs, and sends the replies it asked for only after the
  // lock is released (a peer that stops reading can hold a write up for many seconds, and the
  // window must go on meanwhile). Callers must not hold a batch around it.
  void ProcessBuf(const uint8_t* Data, size_t Length);

  // Resize request CSI 8 ; rows ; cols t. The program installs none.
  std::function<void(uint8_t Cols, uint8_t Rows)> OnScreenSize;
  // The bell (byte 7 in text).
  std::function<void()> OnBell;
  // CSI Ps1 ; Ps2 * r: the board asks for an emulated line speed (Ps2: 0 unlimited, 1..11
  // 300..115200 bps; the session ignores other values).
  std::function<void(int Code)> OnLineSpeed;

  TSDLConsole& Console;
  uint8_t Printed = 0;      // 1 when the last ProcessChar drew a glyph
  uint8_t Font = 1;         // font number 1-4 for every glyph written
  uint8_t FontSwitch = 0;   // the remote side may switch Font (CSI ... space D)
  TSocketBase* Socket = nullptr;
  uint8_t State = 0;        // 0 text, 1 after ESC, 2 inside CSI, 3 after a space, 4 after "*"
  uint16_t SavedX = 1;      // CSI u before any CSI s goes home, never to row 0
  uint16_t SavedY = 1;
  std::string Params;       // parameter characters since ESC [, at most MaxParams
  size_t ParamPos = 0;      // where the next parameter starts in Params
  // Set by CSI ? ... h / l; a new emulator (every connection) starts with none.
  TMouseModes Mouse;

  static constexpr size_t MaxParams = 255;
  // Replies waiting for the end of a block; a block full of queries cannot grow it further.
  static constexpr size_t MaxPendingReply = 1024;

private:
  void ProcessCSI(uint8_t Ch);
  int NextParam();
  bool MoreParams() const { return ParamPos < Params.size(); }
  void ResetState();
  void SelectRendition();
  void SelectFont();
  void SetModes(bool On);
  void SetMouseMode(int Mode, bool On);
  void MoveTo(int X, int Y);
  void SendReplies();

  std::string PendingReply;
  bool InBlock = false;
};
