// ANSI interpreter: turns the bytes a remote system sends into console operations (glyphs,
// cursor moves, clears, colours, scroll regions) and answers the device queries through the
// attached connection.
//
//     TTermAnsi Term(Console);
//     Term.SetMode(TEmulation::VT102, TCharset::UTF8);   // as the phone book entry says
//     Term.SetSocket(&Connection);
//     Term.ProcessBuf(Received, Length);                  // replies go out after the block
//
// It speaks the ANSI-BBS dialect that BBS art is drawn for, and what a VT102 does on top
// (tab stops, index and reverse index, saved cursor, origin and wrap modes, insert mode, DEC
// line graphics). Where the two disagree, the emulation picks (see TEmulation). A sequence
// may be cut anywhere between two received blocks.
#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "console/console.h"

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

// Where a VT102 and the ANSI-BBS screen of BBS art differ, AnsiBbs keeps the art exact: a
// glyph in the last column wraps at once (at the bottom, before the next glyph), CSI s / u
// save only the position, a control byte inside a sequence ends it, and control bytes with no
// function are drawn as their pictures. VT102 waits at the last column for the next glyph,
// takes CSI s / u as ESC 7 / 8, runs control bytes inside sequences and ignores the others.
enum class TEmulation : uint8_t { AnsiBbs, VT102 };
// Received text: code page 437 bytes, or UTF-8 drawn with the code page's glyphs.
enum class TCharset : uint8_t { CP437, UTF8 };

enum class TParseState : uint8_t {
  Ground,           // text and control bytes
  Utf8,             // inside a multi-byte UTF-8 character
  Escape,           // after ESC
  EscHash,          // after ESC # (line attributes, the alignment pattern)
  Designate,        // after ESC ( or ESC ): which character set
  EscIgnore,        // after ESC and another intermediate: swallowed up to the final byte
  Csi,              // after ESC [: parameters up to the final byte
  CsiIntermediate,  // after an intermediate in a CSI sequence (a space: font selection)
};

class TTermAnsi {
public:
  explicit TTermAnsi(TSDLConsole& Console);
  ~TTermAnsi();
  TTermAnsi(const TTermAnsi&) = delete;
  TTermAnsi& operator=(const TTermAnsi&) = delete;

  // Attaches the connection used for replies (not owned); null detaches it.
  void SetSocket(TSocketBase* Socket);
  // Chooses the dialect and the text encoding; a fresh emulator is ANSI-BBS and CP437.
  void SetMode(TEmulation NewEmulation, TCharset NewCharset);
  TEmulation Emulation() const { return Emul; }
  TCharset Charset() const { return Chars; }

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
  TParseState State = TParseState::Ground;
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
  // The 94 printable ASCII bytes can stand for other glyphs: DEC line drawing or the UK set.
  enum class TGSet : uint8_t { Ascii, DecGraphics, UK };
  // What a byte in the ground state is: its own glyph, a glyph of the character set in use,
  // a control function, or the start of a UTF-8 character.
  enum class TByteKind : uint8_t { Glyph, Mapped, Control, Utf8 };
  struct TCharsets {
    std::array<TGSet, 2> G{TGSet::Ascii, TGSet::Ascii};
    uint8_t GL = 0;             // 0 after SI, 1 after SO
    bool G1Designated = false;  // the board has set G1: SO and SI are shifts, not pictures
  };
  // What ESC 7 keeps: the position, the colours and their modes, the character sets, the
  // origin mode and an owed wrap.
  struct TSavedCursor {
    int X = 1, Y = 1;
    TConsoleCell Colors;
    bool Reversed = false;
    bool OriginMode = false;
    bool WrapDue = false;
    TCharsets Sets;
  };

  // Parser states.
  void Ground(uint8_t Ch);
  void Escape(uint8_t Ch);
  void EscHash(uint8_t Ch);
  void Designate(uint8_t Ch);
  void CsiByte(uint8_t Ch);
  void CsiIntermediateByte(uint8_t Ch);
  void Utf8Start(uint8_t Ch);
  void Utf8Continue(uint8_t Ch);
  void InSequenceControl(uint8_t Ch);
  void EnterEscape();
  void ResetState();

  // Control bytes.
  void Execute(uint8_t Ch);
  void Backspace();
  void CarriageReturn();
  void LineFeed();
  void Index();
  void ReverseIndex();
  void Tab(int Count);
  void BackTab(int Count);

  // Escape sequences.
  void SaveCursor();
  void RestoreCursor();
  void FullReset();
  void AlignmentPattern();
  void ShiftTo(uint8_t GL);

  // CSI sequences.
  void DispatchCsi(uint8_t Final);
  void CursorUp(int N);
  void CursorDown(int N);
  void CursorTo(int Row, int Col);
  void RowTo(int Row);
  void EraseDisplay(int Mode);
  void EraseLine(int Mode);
  void InsertLines(int N);
  void DeleteLines(int N);
  void ScrollRegionUp(int N);
  void ScrollRegionDown(int N);
  void SetScrollRegion();
  void ClearTabs(int Mode);
  void Repeat(int N);
  void DeviceStatus(int Query);
  void DeviceAttributes();
  void SetModes(bool On);
  void SetPrivateMode(int Mode, bool On);
  void SetMouseMode(int Mode, bool On);
  void SelectRendition();
  void SetColour(bool Foreground, int Ansi);
  void SetDefaultColour(bool Foreground);
  void Reverse(bool On);
  void SelectFont();
  void Reply(const std::string& Text);

  // Text.
  void PutCodePoint(char32_t C);
  void PutGlyphs(const uint8_t* Glyphs, size_t N);
  void PutGlyphsAnsiInsert(const uint8_t* Glyphs, size_t N);
  void PutGlyphsVT(const uint8_t* Glyphs, size_t N);
  uint8_t MapGL(uint8_t Ch) const;
  void UpdateByteKinds();

  // Helpers.
  int NextParam();
  bool MoreParams() const { return ParamPos < Params.size(); }
  char PrivateMarker() const;
  bool VT() const { return Emul == TEmulation::VT102; }
  int LastRow() const;
  int RegionTop() const;
  int RegionBottom() const;
  void MoveTo(int X, int Y);
  bool WrapDue() const;
  void EnsureTabs();
  void SendReplies();

  TEmulation Emul = TEmulation::AnsiBbs;
  TCharset Chars = TCharset::CP437;
  std::array<TByteKind, 256> Kinds{};
  TCharsets Sets;
  TSavedCursor Saved;
  bool AutoWrap = true;      // DECAWM
  bool OriginMode = false;   // DECOM: rows count from the scroll region's top
  bool InsertMode = false;   // IRM: glyphs push the rest of the row right
  bool NewLineMode = false;  // LNM: line feed also returns the carriage
  bool Reversed = false;     // SGR 7 in force (its colours are swapped in the attribute)
  // The VT102's last-column flag: a glyph went into the last column at (WrapX, WrapY) and the
  // wrap waits for the next glyph. Any move, or the cursor found elsewhere, drops it.
  bool WrapFlag = false;
  int WrapX = 0, WrapY = 0;
  uint8_t LastGlyph = ' ';   // what CSI b repeats
  char Intermediate = 0;     // the intermediate byte of the sequence in progress
  uint8_t DesignateSlot = 0; // 0 for ESC (, 1 for ESC ), 2 for a set we do not keep
  // UTF-8 decoding: the character so far, the bytes still due, the range the next one must
  // fall in (narrower after E0, ED, F0 and F4, which shuts out overlongs and surrogates).
  char32_t Utf8Code = 0;
  uint8_t Utf8Due = 0;
  uint8_t Utf8Lo = 0x80, Utf8Hi = 0xBF;
  // Tab stops by column (1-based), set for the screen width TabCols.
  std::bitset<ConsoleMaxCols + 1> TabStops;
  int TabCols = 0;

  std::string PendingReply;
  bool InBlock = false;
};
