// The text-mode screen: a grid of cells, the colour state, the cursor, the text window,
// the key buffer, and a composed 32-bit ARGB picture of it all.
//
// Threads. One thread (the main thread) writes: every operation below that is not in the
// "video thread" section belongs to it, and so do the plain fields. The video thread only
// calls the operations of the "video thread" section and the key pushes. Cells, change marks and pixels are
// guarded by one lock; a main-thread operation takes it unless the calling thread already
// holds it, so a block of writes should run under one `Batch()`:
//     { auto batch = con.Batch(); for (char c : text) con.WriteChar(c); }
// The plain fields (`CursorX`, `TextAttr`, `CursorHidden`, ...) belong to the main thread;
// the picture picks up the cursor and blink settings whenever the lock is released by the
// main thread (at the end of every operation or batch).
//
// Where each job lives: console_lock.* the lock and its owner checks; cells.cpp the cell
// model (writes, scrolls, clears, saved screens, colour state); composer.* the pixels composed
// from the cells (glyphs, cursor, highlight, blink, changed rows); key_queue.* the key and
// mouse-press queue and the waits on it; console.cpp the screen's set-up and its window.
#pragma once

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "console/console_lock.h"
#include "console/key_queue.h"
#include "console/mouse_input.h"

class TFrameComposer;

inline constexpr int ConsoleMaxCols = 160;
inline constexpr int ConsoleMaxRows = 60;

// One screen cell, 11 bytes. The 256-colour index of a colour lives in the first byte of
// its own triple, so an RGB foreground and a 256-colour background never share a byte.
struct TConsoleCell {
  uint8_t Ch = 32;
  uint8_t Attr = 7;                 // low nibble foreground, high nibble background
  std::array<uint8_t, 3> Fg{};      // FgMode 1: Fg[0] = palette index; FgMode 2: R, G, B
  std::array<uint8_t, 3> Bg{};      // BgMode 1: Bg[0] = palette index; BgMode 2: R, G, B
  uint8_t Font = 1;                 // 1-4
  uint8_t FgMode = 0;               // 0 from Attr, 1 256-colour, 2 RGB
  uint8_t BgMode = 0;
  bool operator==(const TConsoleCell&) const = default;
};
static_assert(sizeof(TConsoleCell) == 11);

using TConsoleRow = std::array<TConsoleCell, ConsoleMaxCols>;
using TConsoleGrid = std::array<TConsoleRow, ConsoleMaxRows>;   // [Y - 1][X - 1]

// A saved whole screen with the cursor and colour state (about 105 KB: keep it on the heap,
// e.g. std::make_unique<TConsoleImage>()).
struct TConsoleImage {
  TConsoleGrid Cells{};
  uint8_t CursorX = 1;
  uint8_t CursorY = 1;
  uint8_t TextAttr = 7;
  uint8_t FgMode = 0;
  uint8_t BgMode = 0;
  uint8_t Fg256 = 7;
  uint8_t Bg256 = 0;
  std::array<uint8_t, 3> FgRGB{192, 192, 192};
  std::array<uint8_t, 3> BgRGB{0, 0, 0};
  // Box corners given to SaveScreen, kept for the caller's own use.
  uint8_t BoxX1 = 0, BoxX2 = 0, BoxY1 = 0, BoxY2 = 0;
};

// A mouse event read by ReadMouse: Kind 0 none, 1 left click, 2 right click, 3 left-button
// drag selection, 4 middle button, 5 pointer moved to another cell; 1-based cells.
struct TMouseEvent {
  uint8_t Kind = 0;
  uint16_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
};

// The window side (SDL window, video thread, input) attaches itself to a console through
// this interface; destroying it stops the thread. Headless consoles have none.
class TConsoleVideo {
 public:
  virtual ~TConsoleVideo() = default;
  virtual void SetTitle(const std::string& Text) = 0;
  virtual void SetIcon(const std::string& FileName) = 0;
  // The picture changed: a window thread that sleeps until something is due wakes up.
  // Called by the writing thread at the end of a batch; must be cheap when nobody sleeps.
  virtual void Wake() {}
};

// A part of the picture that changed, in pixels.
struct TPixelRect {
  int X = 0, Y = 0, W = 0, H = 0;
  bool operator==(const TPixelRect&) const = default;
};

class TSDLConsole {
 public:
  TSDLConsole();
  virtual ~TSDLConsole();
  TSDLConsole(const TSDLConsole&) = delete;
  TSDLConsole& operator=(const TSDLConsole&) = delete;

  // --- Screen set-up -----------------------------------------------------------------
  // The headless half of opening the video: stores the size (clamped to 80..160 x 25..60)
  // and font, sizes the picture, sets the text window to the whole screen and blanks every
  // cell in the new font. Returns false only for a font number outside 1..4.
  bool OpenScreen(int NewCols, int NewRows, uint8_t NewFont);
  void AttachVideo(std::unique_ptr<TConsoleVideo> NewVideo);
  void CloseVideo();                 // stops and frees the attached window, if any
  TConsoleVideo* Video() const { return VideoPtr.get(); }
  void SetTitle(const std::string& Text);
  void SetIcon(const std::string& FileName);

  // Holds the console lock for a block of writes (re-entrant on the holding thread).
  class TBatch {
   public:
    explicit TBatch(TSDLConsole& Con) : C(&Con) { C->Acquire(); }
    ~TBatch() { if (C) C->Release(); }
    TBatch(TBatch&& Other) noexcept : C(Other.C) { Other.C = nullptr; }
    TBatch(const TBatch&) = delete;
    TBatch& operator=(const TBatch&) = delete;
    TBatch& operator=(TBatch&&) = delete;
   private:
    TSDLConsole* C;
  };
  [[nodiscard]] TBatch Batch() { return TBatch(*this); }

  // --- Colours -------------------------------------------------------------------------
  void SetTextAttr(uint8_t Attr, bool Force = false);
  void SetFg256(uint8_t Index);
  void SetBg256(uint8_t Index);
  void SetFgRGB(uint8_t R, uint8_t G, uint8_t B);
  void SetBgRGB(uint8_t R, uint8_t G, uint8_t B);
  void GetColors(TConsoleCell& Cell) const;   // save the colour state into a cell
  void SetColors(const TConsoleCell& Cell);   // and restore it

  // --- Cursor and text window ------------------------------------------------------------
  void GotoXY(int X, int Y);
  void SetWindow(int X1, int Y1, int X2, int Y2);

  // --- Writing -----------------------------------------------------------------------------
  void WriteCharXY(int X, int Y, uint8_t Ch);
  void PutCell(int X, int Y, const TConsoleCell& Cell, uint8_t CellFont);
  void WriteXY(int X, int Y, uint8_t Attr, std::string_view Text);
  void WriteXYPipe(int X, int Y, uint8_t Attr, int Width, std::string_view Text);
  void WriteChar(uint8_t Ch);
  void WriteCharFont(uint8_t Ch, uint8_t CharFont);
  // WriteCharFont of every byte of a run of glyphs (no backspace, line feed or carriage
  // return among them), with the colours worked out once and each row marked once.
  void WriteRun(const uint8_t* Text, size_t Length, uint8_t CharFont);
  void WriteStr(std::string_view Text);       // WriteChar of every byte, under one batch
  void ClearLinePart(int X1, int X2);
  virtual void ClearScreen(uint8_t Mode);
  // Glyphs from column X of row Y in the current colours, for a writer that keeps its own
  // wrap rules: the cursor does not move, nothing wraps or scrolls, and what passes the last
  // column is dropped.
  void WriteAt(int X, int Y, const uint8_t* Text, size_t Length, uint8_t CharFont);

  // --- Scrolling and editing -----------------------------------------------------------
  virtual void ScrollUp();
  void DeleteLines(int Top, int Count, int Bottom);
  void InsertLines(int Top, int Count, int Bottom);
  void InsertChars(int Y, int X, int Count);
  void DeleteChars(int Y, int X, int Count);

  // --- Saving and restoring ------------------------------------------------------------
  void SaveScreen(int X1, int Y1, int X2, int Y2, TConsoleImage& Image) const;
  void RestoreScreen(const TConsoleImage& Image);
  void RedrawCells(const TConsoleGrid& Cells);
  void RedrawScreen();                                  // every row is drawn again
  void DrawRow(int Y, std::span<const TConsoleCell> Row, uint8_t RowFont);
  void DisplayCrunched(std::span<const uint8_t> Data, int X, int Y, uint8_t PicFont);

  // --- Reading cells (1-based; out-of-range positions give a blank cell; a reference is
  // good until the next write) -------------------------------------------------------
  const TConsoleCell& Cell(int X, int Y) const;
  const TConsoleRow& Row(int Y) const;                  // out of range gives a blank row

  // --- Drawing single cells and overlays --------------------------------------------------
  // The cell at (X, Y) becomes Cell in the given font / Ch in Attr (both modes 0).
  void DrawCell(int X, int Y, const TConsoleCell& Cell, uint8_t CellFont);
  void DrawChar(int X, int Y, uint8_t Attr, uint8_t Ch, uint8_t CharFont);
  // Shows (true) or removes (false) the cursor underline; nothing while CursorHidden.
  void DrawCursor(bool Visible);
  // Mouse-selection highlight: the rectangle's cells are shown in SelectionAttr until
  // ClearHighlight; the cells themselves do not change.
  void HighlightRect(int X1, int Y1, int X2, int Y2);
  void ClearHighlight();

  // --- Keys ------------------------------------------------------------------------------
  // One producer (the video thread, or tests and macros on the main thread when there is no
  // window) and one consumer (the main thread). The 129th unread byte empties the buffer
  // and is kept alone.
  void PushKey(uint8_t Ch);
  void PushExtKey(uint8_t Code);
  void PushKeyString(std::string_view S);   // the first one or two bytes
  // A character the window system typed (layout, dead keys and compose applied). It stays
  // Unicode until read: ReadKey gives its code page 437 byte ("?" when the code page lacks
  // it), ReadKeyOrText the character itself. Control characters are not text.
  void PushText(char32_t C);
  bool KeyPressed() const;
  // Looks through the unread keys for the plain key Ch (a second byte of an extended key
  // does not count): when it is there, it and every key before it are read and true comes
  // back; otherwise nothing is read. Lets a wait react to ESC and leave typing alone.
  bool TakeKey(uint8_t Ch);
  // The waits below release a batch held by the caller while they sleep, and sleep until a
  // key comes (no polling).
  uint8_t ReadKey();                         // waits; gives 1 once Terminated is set
  // As ReadKey, but a typed character comes as Text (Key 0) for a reader that sends it in
  // another character set than the screen's.
  struct TKeyOrText {
    uint8_t Key = 0;
    char32_t Text = 0;
  };
  TKeyOrText ReadKeyOrText();
  bool KeyWait(int Milliseconds);            // true when a key is waiting
  uint8_t ReadKeyWait();
  void Delay(int Milliseconds) const;
  // Waits up to Milliseconds for a key or a mouse button press; true when one came.
  bool InputWait(int Milliseconds);
  // Sets Terminated and ends every wait at once (setting the field alone ends them within
  // a tenth of a second).
  void Terminate();
  // A mouse button went down (0 left, 1 middle, 2 right): latched for ReadMouse, and
  // InputWait returns.
  void NoteMousePress(int Button);

  // --- Video thread ----------------------------------------------------------------------
  // True when the picture must be composed again (writes, overlays, blink, Invalidate).
  bool NeedsCompose() const { return ChangedFlag.load(std::memory_order_seq_cst); }
  // Rasterises the changed cells and applies the overlays; returns whether any pixel was
  // touched, and when Rects is given, fills it with the rectangles that were. The cells
  // are copied under the lock and drawn after it is released, so a long frame does not
  // hold up the writer. One thread composes at a time; pixels are written only here, so
  // the composing thread may read them afterwards without the lock.
  bool ComposeFrame(std::vector<TPixelRect>* Rects = nullptr);
  // Whether anything on the screen blinks: the cursor shown, or blinking cells. The blink
  // timer has nothing to do while this is false. Up to date after each compose.
  bool BlinkWanted() const { return BlinkWantedFlag.load(std::memory_order_relaxed); }
  // The picture as last composed (ARGB8888), and its size; for the composing thread.
  const uint32_t* Pixels() const;
  int ComposedWidth() const;
  int ComposedHeight() const;
  int PixelWidth() const { return PixWidth; }
  int PixelHeight() const { return PixHeight; }
  int PixelPitch() const { return PixWidth * 4; }       // bytes per pixel row
  int CellWidth() const { return CellW; }
  int CellHeight() const { return CellH; }
  // The 700 ms blink: true shows blinking text and the cursor, false hides them.
  void BlinkRedraw(bool Phase);
  bool BlinkPhase() const { return BlinkOn.load(std::memory_order_relaxed); }
  void Invalidate();                                     // e.g. after the window was exposed
  std::mutex& FrameMutex() { return Lock.Mutex(); }

  // --- Window and mouse (console/video.cpp, console/mouse.cpp) -----------------------
  // OpenScreen, then the video thread with its window; false when the window could not be
  // made (the reason is already on standard output). WindowMode 0 window at scale 1, 1 fitted
  // to the desktop, 2 full screen; ScaleQuality 0 nearest, 1 linear, 2 best.
  bool OpenVideo(int NewCols, int NewRows, uint8_t NewWindowMode, uint8_t NewScaleQuality,
                 uint8_t NewFont);
  bool GetMouseCell(int Button, int& X, int& Y);   // Button 0 left, 1 middle, 2 right
  bool ReadMouse(TMouseEvent& Ev);
  bool HitTest(const TMouseEvent& Ev, int X1, int Y1, int X2, int Y2) const;
  bool CheckFileDrop();                            // FileDropped, then cleared
  bool UseAccelerated = true;                      // try the GPU renderer first
  int LastMouseX = 0, LastMouseY = 0;
  // Set by the session while the remote side takes mouse reports. The window then queues
  // presses, releases, moves and wheel steps in MouseInputs instead of latching presses and
  // turning the wheel into arrow keys; a press with Shift held stays local (as in xterm), and
  // only such presses are seen by GetMouseCell and ReadMouse.
  std::atomic<bool> MouseReporting{false};
  TMouseInputQueue MouseInputs;

  // --- Fields --------------------------------------------------------------------------
  std::atomic<bool> Terminated{false};
  // Arrow keys per wheel step; the video thread reads it at every step, so a screen can
  // change it while the window is open.
  std::atomic<uint8_t> WheelLines{1};
  uint8_t Font = 1;
  uint8_t Rows = 25;
  uint8_t Cols = 80;
  uint8_t TextAttr = 7;
  uint8_t FgMode = 0;
  uint8_t BgMode = 0;
  uint8_t Fg256 = 7;
  uint8_t Bg256 = 0;
  std::array<uint8_t, 3> FgRGB{192, 192, 192};
  std::array<uint8_t, 3> BgRGB{0, 0, 0};
  uint32_t FgPixel = 0xFFAAAAAA;
  uint32_t BgPixel = 0xFF000000;
  bool BlinkEnabled = false;
  int CursorX = 1;
  int CursorY = 1;
  uint8_t WinX1 = 1, WinX2 = 80, WinY1 = 1, WinY2 = 25;
  uint8_t SelectionAttr = 76;
  bool PendingWrap = false;
  bool UseLogicalSize = true;
  bool StatusLine = false;
  bool CursorHidden = false;
  uint8_t WindowMode = 0;
  uint8_t ScaleQuality = 0;
  std::function<void(const std::string&)> OnFileDrop;   // called on the video thread
  std::atomic<bool> FileDropped{false};
  // Buttons pressed since the main thread last polled them (bit 0 left, 1 middle,
  // 2 right), set on the video thread: a click quicker than one poll still counts.
  std::atomic<unsigned> MousePressLatch{0};

 protected:
  // Lock held by the calling thread for the scope of one operation.
  class THold {
   public:
    explicit THold(const TSDLConsole& Con) : C(const_cast<TSDLConsole&>(Con)) { C.Acquire(); }
    ~THold() { C.Release(); }
    THold(const THold&) = delete;
    THold& operator=(const THold&) = delete;
   private:
    TSDLConsole& C;
  };
  void Acquire() { Lock.Enter(); }
  void Release() {
    if (Lock.Leave()) EndBatch();
  }
  // Lets the picture go on while the calling thread sleeps inside a batch.
  class TWaitOutsideLock {
   public:
    explicit TWaitOutsideLock(const TSDLConsole& Con);
    ~TWaitOutsideLock();
    TWaitOutsideLock(const TWaitOutsideLock&) = delete;
    TWaitOutsideLock& operator=(const TWaitOutsideLock&) = delete;
   private:
    TSDLConsole& C;
    int SavedDepth = 0;
  };

  TConsoleCell BlankCell() const;                       // 32 in attribute 7, current font
  TConsoleCell& CellAt(int X, int Y) { return Storage[RowMap[Y - 1]][X - 1]; }
  TConsoleRow& RowAt(int Y) { return Storage[RowMap[Y - 1]]; }
  void MarkRow(int Y) {
    RowDirty[Y - 1] = 1;
    ChangedFlag.store(true, std::memory_order_relaxed);
  }
  void MarkRows(int Top, int Bottom) {
    for (int Y = Top; Y <= Bottom; ++Y) RowDirty[Y - 1] = 1;
    ChangedFlag.store(true, std::memory_order_relaxed);
  }
  void MarkAll();
  void ScrollWindowUp();                                // the window scroll, without scrollback
  void PutGlyph(int X, int Y, uint8_t Ch, uint8_t CharFont);
  // PutGlyph of N glyphs from column X of row Y (all of them Chars[0] when Same), with the
  // colours worked out once; the columns must lie on the screen.
  void PutGlyphSpan(int Y, int X, const uint8_t* Chars, int N, bool Same, uint8_t CharFont);

 private:
  void EndBatch();                                      // the outermost Release
  void Publish();
  void FillBlankRow(int Y);

  TConsoleLock Lock;

  // Cell storage; RowMap makes a scroll a rotation of row numbers instead of a copy.
  std::unique_ptr<TConsoleGrid> StoragePtr;
  TConsoleGrid& Storage;
  std::array<uint8_t, ConsoleMaxRows> RowMap{};
  // A blank row in BlankRowFont, copied whole where a row is cleared by a scroll.
  TConsoleRow BlankRow{};
  uint8_t BlankRowFont = 0;

  // Picture state under the lock: the screen size the cells are shown at, what changed, and
  // the overlays as last published for the composer.
  int PixWidth = 0, PixHeight = 0, CellW = 8, CellH = 16;
  uint8_t ShownRows = 0, ShownCols = 0;
  std::array<uint8_t, ConsoleMaxRows> RowDirty{};
  std::atomic<bool> ChangedFlag{true};
  std::atomic<bool> BlinkOn{true};
  std::atomic<bool> BlinkWantedFlag{false};
  int ShownCursorX = 1, ShownCursorY = 1;
  bool ShownCursorHidden = false;
  bool ShownBlinkEnabled = false;
  uint8_t ShownSelectionAttr = 76;
  bool CursorShown = true;
  bool SelectionOn = false;
  int SelX1 = 0, SelY1 = 0, SelX2 = 0, SelY2 = 0;
  // The pixels and everything the composing thread keeps between frames.
  std::unique_ptr<TFrameComposer> Composer;

  TKeyQueue Keys;

  std::unique_ptr<TConsoleVideo> VideoPtr;
};
