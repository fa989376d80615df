// The video thread: owns the SDL window, renderer and streaming texture,
// turns SDL events into key bytes and flags, times the blink and presents
// the console's picture when it changed.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "console/console.h"
#include "console/mouse_map.h"
#include "console/sdl_api.h"
#include "console/window_size.h"

// How the video thread reaches the console. Every hook runs on the video thread.
struct TVideoHooks {
  // Hands the picture to Upload when it changed since the last call or Force is
  // set; returns whether Upload was called. Upload gets ARGB8888 pixels, their
  // width and height, and the rectangles that changed (empty: take all of it,
  // as after Force). BlinkOn is the 700 ms blink phase.
  using TUpload = std::function<void(const uint32_t* Pixels, int Width, int Height,
                                     const std::vector<TPixelRect>& Rects)>;
  std::function<bool(bool BlinkOn, bool Force, const TUpload& Upload)> Compose;
  // Whether something waits to be composed. Without this hook the thread
  // composes at the frame rate; with it, it sleeps until Pending, an event or
  // the blink is due (the console wakes it through TConsoleVideo::Wake).
  std::function<bool()> Pending;
  // Whether anything blinks; the blink timer runs only while it does.
  std::function<bool()> Blinking;
  // Bytes of translated keys and wheel steps, in order.
  std::function<void(const std::string& Bytes)> Keys;
  // Characters typed, UTF-8, in order with the keys.
  std::function<void(const std::string& Text)> Text;
  // The window was closed or the desktop asked the program to quit.
  std::function<void()> Quit;
  // A file was dropped on the window; empty when drops are not wanted.
  std::function<void(const std::string& Path)> Drop;
  // A mouse button went down: 0 left, 1 middle, 2 right.
  std::function<void(int Button)> Press;
  // Arrow keys per wheel step, asked at every step; 1 when not set.
  std::function<int()> WheelLines;
  // While this answers true, buttons, moves and wheel steps go to MouseInput (for the remote
  // side) instead of Press and the arrow keys; a press with Shift held stays local.
  std::function<bool()> MouseReporting;
  std::function<void(const TMouseInput& In)> MouseInput;
};

// The cell under the pointer of Win (Ren gives the letterbox) for the picture G describes
// (its window fields are filled in here); returns SDL's button mask.
Uint32 PointerCell(SDL_Window* Win, SDL_Renderer* Ren, TMouseGeometry G, int& X, int& Y);

// The hooks that tie a video thread to a console.
TVideoHooks ConsoleVideoHooks(TSDLConsole& Con);

struct TVideoParams {
  int Cols = 80, Rows = 25;
  int CellWidth = 8, CellHeight = 16;
  int WindowMode = 0;    // 0 window at scale 1, 1 window fitted to the desktop, 2 full screen
  int ScaleQuality = 0;  // 0 nearest, 1 linear, 2 best
  bool Letterbox = true;
  bool Accelerated = true;
  // The longest sleep with nothing due; a change, an event or the blink ends it sooner.
  int IdleWaitMs = 1000;
};

class TVideo : public TConsoleVideo {
 public:
  explicit TVideo(TVideoHooks Hooks);
  ~TVideo() override;  // closes the video and ends SDL
  TVideo(const TVideo&) = delete;
  TVideo& operator=(const TVideo&) = delete;

  // Starts the video thread and waits up to 5 s for its report; false when
  // it reported a failure (the reason is already on standard output).
  bool Open(const TVideoParams& Params);
  // Stops the thread and frees the window, renderer and texture.
  void Close();
  bool Running() const { return Running_.load(); }

  // Applied by the video thread on its next pass.
  void SetTitle(const std::string& Text) override;
  void SetIcon(const std::string& FileName) override;
  // Asks for a fresh frame although nothing changed (e.g. after a selection).
  void Invalidate() {
    Redraw_.store(true);
    WakeThread();
  }
  // Ends the thread's sleep if it sleeps because nothing was due.
  void Wake() override;

  // Translates and dispatches one event; public so tests can feed events.
  void ProcessEvent(const SDL_Event& Event);

  // Window handles for the main thread's mouse queries; null when closed.
  SDL_Window* Window() const { return Window_; }
  SDL_Renderer* Renderer() const { return Renderer_; }
  const TVideoParams& Params() const { return Params_; }
  double ScaleX() const { return ScaleX_.load(); }
  double ScaleY() const { return ScaleY_.load(); }
  // Buttons held since a press that stayed local (bit 0 left, 1 middle, 2 right).
  unsigned LocalButtons() const { return LocalButtons_.load(); }

 private:
  void Thread();
  bool SetUp();
  void FreeHandles();
  void ApplyPending();
  void PresentIfChanged(bool BlinkOn);
  bool SomethingDue(bool BlinkOn) const;
  void WaitForWork(int TimeoutMs, bool Wakeable);
  void WakeThread();
  bool CopiesInPlace() const;
  void KeyDown(const SDL_Event& Event);
  std::string TextOfPress();
  void MouseEvent(const SDL_Event& Event);
  bool MouseToRemote() const { return Hooks_.MouseInput && Hooks_.MouseReporting && Hooks_.MouseReporting(); }
  void QueueMouse(TMouseInput::TKind Kind, int Button, uint8_t Mods);

  TVideoHooks Hooks_;
  TVideoParams Params_;
  std::thread Thread_;
  std::atomic<bool> Running_{false}, QuitRequest_{false}, Redraw_{true};
  // Set while the thread sleeps with nothing due; whoever clears it wakes the thread.
  std::atomic<bool> Sleeping_{false};
  bool ShownPhase_ = false;            // blink phase of the last frame composed
  bool Software_ = false;              // the renderer draws into the window's own pixels
  bool InPlace_ = false;               // and maps the texture 1:1 onto them
  std::vector<SDL_Rect> Changed_;      // rectangles uploaded for this frame
  bool SDLStarted_ = false;

  // Start handshake: -1 until the thread has set up, 0 success, 1 failure.
  std::mutex StartLock_;
  std::condition_variable StartSignal_;
  int StartResult_ = -1;

  SDL_Window* Window_ = nullptr;
  SDL_Renderer* Renderer_ = nullptr;
  SDL_Texture* Texture_ = nullptr;
  int PixelWidth_ = 0, PixelHeight_ = 0;
  std::atomic<double> ScaleX_{1.0}, ScaleY_{1.0};

  // Mouse buttons whose press went to the remote side, and the cell last reported to it;
  // the video thread's own. The buttons pressed locally are read by the main thread too.
  unsigned RemoteButtons_ = 0;
  int ReportedX_ = 0, ReportedY_ = 0;
  std::atomic<unsigned> LocalButtons_{0};

  std::mutex PendingLock_;
  std::optional<std::string> PendingTitle_, PendingIcon_;
};
