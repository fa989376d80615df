#include "console/video.h"

#include <dlfcn.h>
#include <pthread.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "console/keymap.h"
#include "support/cp437.h"

namespace {

constexpr uint32_t BlinkMs = 700;
constexpr uint32_t FrameMs = 16;          // at most 60 frames a second
constexpr auto StartTimeout = std::chrono::milliseconds(5000);

void ReportSDLError() { std::cout << Sdl.SDL_GetError() << std::endl; }

const char* QualityHint(int Quality) {
  switch (Quality) {
    case 1: return "linear";
    case 2: return "best";
    default: return "nearest";
  }
}

// Whether the GL driver behind a just-made accelerated renderer (its context
// is current on this thread) draws on the CPU, as on a machine without a GPU.
// Such a driver costs several times what the software renderer does for our
// one full-window copy.
bool SoftwareGL() {
  bool Software = false;
  for (const char* Lib : {"libGL.so.1", "libGLESv2.so.2"}) {
    void* Handle = dlopen(Lib, RTLD_NOW | RTLD_NOLOAD);
    if (!Handle) continue;
    using TGetString = const unsigned char* (*)(unsigned);
    auto GetString = reinterpret_cast<TGetString>(dlsym(Handle, "glGetString"));
    const auto* Name = GetString ? reinterpret_cast<const char*>(GetString(0x1F01)) : nullptr;  // GL_RENDERER
    if (Name)
      Software = std::strstr(Name, "llvmpipe") || std::strstr(Name, "softpipe") ||
                 std::strstr(Name, "Software Rasterizer") || std::strstr(Name, "SWR");
    dlclose(Handle);
    if (Name) break;
  }
  return Software;
}

// SDL falls back to a driver that draws nowhere when there is no display. The program would
// then run unseen, so such a driver counts as a failure unless SDL_VIDEODRIVER asked for it.
bool InvisibleDriverNotAskedFor(const char* Driver) {
  if (Driver == nullptr) return false;
  const std::string Name = Driver;
  if (Name != "offscreen" && Name != "dummy" && Name != "evdev") return false;
  const char* Asked = std::getenv("SDL_VIDEODRIVER");
  std::string List = Asked ? Asked : "";
  for (char& C : List) C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
  size_t Start = 0;
  while (Start <= List.size()) {
    const size_t End = std::min(List.find(',', Start), List.size());
    if (List.compare(Start, End - Start, Name) == 0) return false;
    Start = End + 1;
  }
  return true;
}

// xterm's modifier bits of the keys held now; Shift also keeps a press local.
constexpr uint8_t ShiftBit = 4;
uint8_t ModBits() {
  const SDL_Keymod M = Sdl.SDL_GetModState ? Sdl.SDL_GetModState() : KMOD_NONE;
  return static_cast<uint8_t>(((M & KMOD_SHIFT) ? ShiftBit : 0) | ((M & KMOD_ALT) ? 8 : 0) | ((M & KMOD_CTRL) ? 16 : 0));
}

// Whether the machine has any GPU device at all. Without one, asking for the
// accelerated renderer only loads a CPU-only GL driver (tens of megabytes of
// LLVM that stay resident after we fall back), so we go straight to software.
bool GpuDevicePresent() {
  std::error_code Err;
  for (const auto& Entry : std::filesystem::directory_iterator("/dev/dri", Err)) {
    const std::string Name = Entry.path().filename().string();
    if (Name.rfind("render", 0) == 0 || Name.rfind("card", 0) == 0) return true;
  }
  return std::filesystem::exists("/dev/nvidia0", Err);
}

}  // namespace

TVideo::TVideo(TVideoHooks Hooks) : Hooks_(std::move(Hooks)) {}

TVideo::~TVideo() {
  Close();
  if (SDLStarted_ && Sdl.SDL_Quit) Sdl.SDL_Quit();
}

bool TVideo::Open(const TVideoParams& Params) {
  Close();
  Params_ = Params;
  QuitRequest_.store(false);
  Redraw_.store(true);
  {
    std::lock_guard Lock(StartLock_);
    StartResult_ = -1;
  }
  Running_.store(true);
  Thread_ = std::thread(&TVideo::Thread, this);
  std::unique_lock Lock(StartLock_);
  StartSignal_.wait_for(Lock, StartTimeout, [this] { return StartResult_ != -1; });
  return StartResult_ != 1;
}

void TVideo::Close() {
  if (Thread_.joinable()) {
    QuitRequest_.store(true);
    WakeThread();
    Thread_.join();
    QuitRequest_.store(false);
  }
  FreeHandles();
}

void TVideo::FreeHandles() {
  if (Texture_) Sdl.SDL_DestroyTexture(Texture_);
  if (Renderer_) Sdl.SDL_DestroyRenderer(Renderer_);
  if (Window_) Sdl.SDL_DestroyWindow(Window_);
  Texture_ = nullptr;
  Renderer_ = nullptr;
  Window_ = nullptr;
}

void TVideo::SetTitle(const std::string& Text) {
  {
    std::lock_guard Lock(PendingLock_);
    PendingTitle_ = Text;
  }
  WakeThread();
}

void TVideo::SetIcon(const std::string& FileName) {
  {
    std::lock_guard Lock(PendingLock_);
    PendingIcon_ = FileName;
  }
  WakeThread();
}

void TVideo::Wake() {
  // Pairs with the fence in WaitForWork: either the thread sees the change before it
  // sleeps, or we see it asleep here.
  std::atomic_thread_fence(std::memory_order_seq_cst);
  if (Sleeping_.load(std::memory_order_relaxed) && Sleeping_.exchange(false)) WakeThread();
}

void TVideo::WakeThread() {
  if (!Running_.load() || !Sdl.SDL_PushEvent) return;
  SDL_Event Nudge{};
  Nudge.type = SDL_USEREVENT;
  Sdl.SDL_PushEvent(&Nudge);
}

bool TVideo::SetUp() {
  // Even a failed SDL_Init leaves state behind that only SDL_Quit frees.
  SDLStarted_ = true;
  if (Sdl.SDL_Init(SDL_INIT_VIDEO) != 0) {
    ReportSDLError();
    return false;
  }
  if (const char* Driver = Sdl.SDL_GetCurrentVideoDriver(); InvisibleDriverNotAskedFor(Driver)) {
    std::cout << "No display found (SDL2 video driver " << Driver << ")" << std::endl;
    return false;
  }
  PixelWidth_ = Params_.Cols * Params_.CellWidth;
  PixelHeight_ = Params_.Rows * Params_.CellHeight;
  double Scale = 1.0;
  Uint32 Flags = SDL_WINDOW_SHOWN | SDL_WINDOW_RESIZABLE;
  if (Params_.WindowMode == 1) Scale = ScaleToDesktop(PixelWidth_, PixelHeight_, ScaleStep(Params_.CellHeight));
  if (Params_.WindowMode == 2) Flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
  ScaleX_.store(Scale);
  ScaleY_.store(Scale);

  Window_ = Sdl.SDL_CreateWindow("", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                 static_cast<int>(PixelWidth_ * Scale),
                                 static_cast<int>(PixelHeight_ * Scale), Flags);
  if (!Window_) {
    ReportSDLError();
    return false;
  }
  // Characters come from text input, which applies the layout, dead keys and compose.
  Sdl.SDL_StartTextInput();
  if (Params_.Accelerated && GpuDevicePresent()) {
    Renderer_ = Sdl.SDL_CreateRenderer(Window_, -1, SDL_RENDERER_ACCELERATED);
    if (Renderer_ && SoftwareGL()) {
      Sdl.SDL_DestroyRenderer(Renderer_);
      Renderer_ = nullptr;
    }
  }
  // A machine without a GPU still gets a window. The software renderer then
  // writes straight to the window, not through a GL texture of its own.
  if (!Renderer_) {
    Sdl.SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    Renderer_ = Sdl.SDL_CreateRenderer(Window_, -1, SDL_RENDERER_SOFTWARE);
  }
  if (!Renderer_) {
    ReportSDLError();
    return false;
  }
  SDL_RendererInfo Info{};
  if (Sdl.SDL_GetRendererInfo(Renderer_, &Info) != 0) {
    std::cout << "ERROR: Unable to get SDL2 renderer info" << std::endl;
    return false;
  }
  Software_ = (Info.flags & SDL_RENDERER_SOFTWARE) != 0;
  Sdl.SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, QualityHint(Params_.ScaleQuality));
  if (Params_.Letterbox)
    Sdl.SDL_RenderSetLogicalSize(Renderer_, static_cast<int>(PixelWidth_ * Scale),
                                 static_cast<int>(PixelHeight_ * Scale));
  // The picture is opaque: a format without alpha is copied, never blended.
  Texture_ = Sdl.SDL_CreateTexture(Renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                   PixelWidth_, PixelHeight_);
  if (!Texture_) {
    ReportSDLError();
    return false;
  }
  if (Params_.WindowMode == 2) {
    float X = 1.0f, Y = 1.0f;
    Sdl.SDL_RenderGetScale(Renderer_, &X, &Y);
    ScaleX_.store(X);
    ScaleY_.store(Y);
  }
  return true;
}

void TVideo::Thread() {
  pthread_setname_np(pthread_self(), "lx-video");   // for ps, top and debuggers
  const bool Ok = SetUp();
  {
    std::lock_guard Lock(StartLock_);
    StartResult_ = Ok ? 0 : 1;
  }
  StartSignal_.notify_all();
  // SDL keeps per-thread data (its error text) that only its own threads free.
  struct TThreadData {
    ~TThreadData() {
      if (Sdl.SDL_TLSCleanup) Sdl.SDL_TLSCleanup();
    }
  } ThreadData;
  if (!Ok) {
    Running_.store(false);
    return;
  }
  bool BlinkOn = false;
  ShownPhase_ = !BlinkOn;
  uint32_t LastBlink = Sdl.SDL_GetTicks();
  uint32_t LastFrame = LastBlink - FrameMs;
  uint32_t Gap = FrameMs;   // time from one frame to the next
  SDL_Event Event;
  while (!QuitRequest_.load()) {
    // Events have priority over drawing: drain them first.
    while (Sdl.SDL_PollEvent(&Event)) ProcessEvent(Event);
    if (QuitRequest_.load()) break;
    ApplyPending();
    const uint32_t Now = Sdl.SDL_GetTicks();
    const bool Blinks = !Hooks_.Blinking || Hooks_.Blinking();
    if (!Blinks) {
      // No timer while nothing blinks; what starts blinking later starts shown.
      BlinkOn = true;
      LastBlink = Now;
    } else if (Now - LastBlink >= BlinkMs) {
      BlinkOn = !BlinkOn;
      LastBlink = Now;
    }
    int Timeout = -1;   // milliseconds until something is due; -1 nothing is
    const bool Due = SomethingDue(BlinkOn);
    if (Due) {
      const uint32_t Since = Now - LastFrame;
      if (Since >= Gap) {
        PresentIfChanged(BlinkOn);
        LastFrame = Now;
        // A frame that took long (a big screen changing all over) is followed by a rest as
        // long, so drawing never takes more than half a core from the text coming in.
        Gap = std::max(FrameMs, 2 * (Sdl.SDL_GetTicks() - Now));
        continue;   // what came in meanwhile waits for the next frame
      }
      Timeout = static_cast<int>(Gap - Since);
    }
    if (Blinks) {
      const uint32_t Since = Now - LastBlink;
      const int ToBlink = Since >= BlinkMs ? 0 : static_cast<int>(BlinkMs - Since);
      Timeout = Timeout < 0 ? ToBlink : std::min(Timeout, ToBlink);
    }
    WaitForWork(Timeout, !Due);
  }
  Running_.store(false);
}

bool TVideo::SomethingDue(bool BlinkOn) const {
  if (Redraw_.load() || BlinkOn != ShownPhase_) return true;
  return !Hooks_.Pending || Hooks_.Pending();
}

void TVideo::WaitForWork(int TimeoutMs, bool Wakeable) {
  if (Wakeable) {
    Sleeping_.store(true, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (QuitRequest_.load() || (Hooks_.Pending && Hooks_.Pending()) || Redraw_.load()) {
      Sleeping_.store(false);
      return;
    }
  }
  const int Ms = TimeoutMs < 0 ? std::max(Params_.IdleWaitMs, 1) : TimeoutMs;
  if (Ms > 0) {
    SDL_Event Event;
    if (Sdl.SDL_WaitEventTimeout && Sdl.SDL_PushEvent) {
      if (Sdl.SDL_WaitEventTimeout(&Event, Ms)) ProcessEvent(Event);
    } else {
      // Without a wait that events and wake-ups end, look again every frame.
      std::this_thread::sleep_for(std::chrono::milliseconds(std::min<int>(Ms, FrameMs)));
    }
  }
  Sleeping_.store(false);
}

// Whether the picture lands in the window pixel for pixel through a renderer that keeps
// the window's pixels between frames: then only the changed rectangles are copied.
bool TVideo::CopiesInPlace() const {
  if (!Software_) return false;
  float SX = 0, SY = 0;
  Sdl.SDL_RenderGetScale(Renderer_, &SX, &SY);
  SDL_Rect View{};
  Sdl.SDL_RenderGetViewport(Renderer_, &View);
  int W = 0, H = 0;
  if (Sdl.SDL_GetRendererOutputSize(Renderer_, &W, &H) != 0) return false;
  return SX == 1.0f && SY == 1.0f && View.x == 0 && View.y == 0 && View.w == PixelWidth_ &&
         View.h == PixelHeight_ && W == PixelWidth_ && H == PixelHeight_;
}

void TVideo::ApplyPending() {
  std::optional<std::string> Title, Icon;
  {
    std::lock_guard Lock(PendingLock_);
    Title.swap(PendingTitle_);
    Icon.swap(PendingIcon_);
  }
  if (Title) Sdl.SDL_SetWindowTitle(Window_, Title->c_str());
  if (Icon) {
    // SDL_LoadBMP_RW frees the stream; an unreadable icon leaves the old one.
    if (SDL_RWops* Stream = Sdl.SDL_RWFromFile(Icon->c_str(), "rb")) {
      if (SDL_Surface* Picture = Sdl.SDL_LoadBMP_RW(Stream, 1)) {
        Sdl.SDL_SetWindowIcon(Window_, Picture);
        Sdl.SDL_FreeSurface(Picture);
      }
    }
  }
}

void TVideo::PresentIfChanged(bool BlinkOn) {
  const bool Force = Redraw_.exchange(false);
  ShownPhase_ = BlinkOn;
  bool Whole = Force;
  Changed_.clear();
  bool Uploaded = false;
  if (Hooks_.Compose)
    Uploaded = Hooks_.Compose(BlinkOn, Force, [&](const uint32_t* Pixels, int Width, int Height,
                                                  const std::vector<TPixelRect>& Rects) {
      // A picture of another size than the texture (a screen change under way) waits.
      if (!Pixels || Width < PixelWidth_ || Height < PixelHeight_) return;
      const int Pitch = Width * 4;
      if (Rects.empty()) {
        Sdl.SDL_UpdateTexture(Texture_, nullptr, Pixels, Pitch);
        Whole = true;
        return;
      }
      for (const TPixelRect& R : Rects) {
        const SDL_Rect Area{R.X, R.Y, R.W, R.H};
        Sdl.SDL_UpdateTexture(Texture_, &Area, Pixels + static_cast<size_t>(R.Y) * Width + R.X, Pitch);
        Changed_.push_back(Area);
      }
    });
  if (!Uploaded && !Force) return;
  if (Whole || !InPlace_) {
    Sdl.SDL_RenderClear(Renderer_);
    Sdl.SDL_RenderCopy(Renderer_, Texture_, nullptr, nullptr);
  } else {
    for (const SDL_Rect& Area : Changed_) Sdl.SDL_RenderCopy(Renderer_, Texture_, &Area, &Area);
  }
  Sdl.SDL_RenderPresent(Renderer_);
  // A whole frame follows every change of the window (they set Redraw_): look again then.
  if (Whole) InPlace_ = CopiesInPlace();
}

void TVideo::ProcessEvent(const SDL_Event& Event) {
  switch (Event.type) {
    case SDL_QUIT:
      if (Hooks_.Quit) Hooks_.Quit();
      break;
    case SDL_WINDOWEVENT:
      switch (Event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
          if (Hooks_.Quit) Hooks_.Quit();
          break;
        case SDL_WINDOWEVENT_SHOWN: case SDL_WINDOWEVENT_EXPOSED: case SDL_WINDOWEVENT_RESIZED:
        case SDL_WINDOWEVENT_SIZE_CHANGED: case SDL_WINDOWEVENT_MAXIMIZED:
        case SDL_WINDOWEVENT_RESTORED:
          Redraw_.store(true);
          break;
        default:
          break;
      }
      break;
    case SDL_KEYDOWN:
      KeyDown(Event);
      break;
    case SDL_TEXTINPUT:
      // Text of no key press of ours: an input method or a compose sequence finishing.
      if (Hooks_.Text) Hooks_.Text(Event.text.text);
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    case SDL_MOUSEMOTION:
      MouseEvent(Event);
      break;
    case SDL_MOUSEWHEEL: {
      if (Event.wheel.y == 0) break;
      if (MouseToRemote() && !(ModBits() & ShiftBit)) {
        // One report per notch, as xterm sends them; a flung wheel is not a flood.
        for (int I = 0; I < std::min(std::abs(Event.wheel.y), 8); ++I)
          QueueMouse(TMouseInput::TKind::Wheel, Event.wheel.y > 0 ? 0 : 1, ModBits());
        break;
      }
      if (!Hooks_.Keys) break;
      const std::string Step = Event.wheel.y > 0 ? std::string{'\0', 72} : std::string{'\0', 80};
      std::string Bytes;
      const int Lines = Hooks_.WheelLines ? Hooks_.WheelLines() : 1;
      for (int I = 0; I < Lines; ++I) Bytes += Step;
      Hooks_.Keys(Bytes);
      break;
    }
    case SDL_DROPFILE:
    case SDL_DROPTEXT:
      if (Event.drop.file) {
        if (Event.type == SDL_DROPFILE && Hooks_.Drop) Hooks_.Drop(Event.drop.file);
        // SDL hands over the text in every case; keeping it would leak.
        Sdl.SDL_free(Event.drop.file);
      }
      break;
    default:
      break;
  }
}

void TVideo::KeyDown(const SDL_Event& Event) {
  const TKeyResult Key = TranslatePress(Event.key.keysym.sym, Event.key.keysym.mod, TextOfPress());
  if (Key.SizeCycle) {
    if (!Window_) return;
    TWindowScale W{Window_, Renderer_, PixelWidth_, PixelHeight_, ScaleStep(Params_.CellHeight),
                   ScaleX_.load(), ScaleY_.load()};
    CycleWindowSize(W);
    ScaleX_.store(W.ScaleX);
    ScaleY_.store(W.ScaleY);
    Redraw_.store(true);
  } else if (!Key.Bytes.empty() && Hooks_.Keys) {
    Hooks_.Keys(Key.Bytes);
  } else if (!Key.Text.empty() && Hooks_.Text) {
    Hooks_.Text(Key.Text);
  }
}

// SDL queues the text of a key press right behind its key event (one X event makes both);
// only our own wake-up nudges, pushed from another thread, can stand between. The press
// takes its text out of the queue, so the two are one decision.
std::string TVideo::TextOfPress() {
  if (!Sdl.SDL_PeepEvents) return {};
  std::array<SDL_Event, 8> Next;
  const int N = Sdl.SDL_PeepEvents(Next.data(), static_cast<int>(Next.size()), SDL_PEEKEVENT,
                                   SDL_FIRSTEVENT, SDL_LASTEVENT);
  for (int I = 0; I < N; ++I) {
    if (Next[I].type == SDL_USEREVENT) continue;
    if (Next[I].type != SDL_TEXTINPUT) break;
    SDL_Event Text;
    if (Sdl.SDL_PeepEvents(&Text, 1, SDL_GETEVENT, SDL_TEXTINPUT, SDL_TEXTINPUT) != 1) break;
    return std::string(Text.text.text, strnlen(Text.text.text, sizeof Text.text.text));
  }
  return {};
}

void TVideo::MouseEvent(const SDL_Event& Event) {
  const bool Remote = MouseToRemote();
  const uint8_t Mods = ModBits();
  if (Event.type == SDL_MOUSEMOTION) {
    // A button let go where we did not see it (outside the window, focus lost) is let go here.
    RemoteButtons_ &= Event.motion.state;
    LocalButtons_ &= Event.motion.state;
    // A local drag (Shift held at its press) is ours from press to release.
    if (!Remote || LocalButtons_.load() != 0) return;
    int Held = 3;
    for (int B = 2; B >= 0; --B)
      if (RemoteButtons_ & (1u << B)) Held = B;
    QueueMouse(TMouseInput::TKind::Motion, Held, Mods);
    return;
  }
  const int Button = Event.button.button - SDL_BUTTON_LEFT;
  if (Button < 0 || Button > 2) return;
  const unsigned Bit = 1u << Button;
  if (Event.type == SDL_MOUSEBUTTONDOWN) {
    if (Remote && !(Mods & ShiftBit)) {
      RemoteButtons_ |= Bit;
      QueueMouse(TMouseInput::TKind::Press, Button, Mods);
    } else {
      LocalButtons_ |= Bit;
      if (Hooks_.Press) Hooks_.Press(Button);
    }
    return;
  }
  LocalButtons_ &= ~Bit;
  if (!(RemoteButtons_ & Bit)) return;
  RemoteButtons_ &= ~Bit;
  // A board that turned reporting off meanwhile hears nothing more.
  if (Remote) QueueMouse(TMouseInput::TKind::Release, Button, Mods);
}

void TVideo::QueueMouse(TMouseInput::TKind Kind, int Button, uint8_t Mods) {
  TMouseGeometry G;
  G.CellWidth = Params_.CellWidth;
  G.CellHeight = Params_.CellHeight;
  G.Cols = Params_.Cols;
  G.Rows = Params_.Rows;
  G.PixelWidth = Params_.Cols * Params_.CellWidth;
  G.PixelHeight = Params_.Rows * Params_.CellHeight;
  G.Letterbox = Params_.Letterbox;
  int X = 1, Y = 1;
  PointerCell(Window_, Renderer_, G, X, Y);
  // Moves count only from one cell to another.
  if (Kind == TMouseInput::TKind::Motion && X == ReportedX_ && Y == ReportedY_) return;
  ReportedX_ = X;
  ReportedY_ = Y;
  Hooks_.MouseInput({Kind, static_cast<uint8_t>(Button), Mods, static_cast<uint16_t>(X), static_cast<uint16_t>(Y)});
}

TVideoHooks ConsoleVideoHooks(TSDLConsole& Con) {
  TVideoHooks H;
  H.Compose = [&Con, Phase = -1, Rects = std::vector<TPixelRect>()](
                  bool BlinkOn, bool Force, const TVideoHooks::TUpload& Upload) mutable {
    if (Phase != static_cast<int>(BlinkOn)) {
      Con.BlinkRedraw(BlinkOn);
      Phase = BlinkOn;
    }
    const bool Changed = Con.NeedsCompose() && Con.ComposeFrame(&Rects);
    if (Force) Rects.clear();
    if (Changed || Force) Upload(Con.Pixels(), Con.ComposedWidth(), Con.ComposedHeight(), Rects);
    return Changed || Force;
  };
  H.Pending = [&Con] { return Con.NeedsCompose(); };
  H.Blinking = [&Con] { return Con.BlinkWanted(); };
  H.Keys = [&Con](const std::string& Bytes) {
    for (char B : Bytes) Con.PushKey(static_cast<uint8_t>(B));
  };
  H.Text = [&Con](const std::string& Text) {
    for (size_t Pos = 0; Pos < Text.size();) {
      char32_t C = 0;
      const size_t Len = lx::DecodeUTF8(Text, Pos, C);
      if (Len != 0) Con.PushText(C);
      Pos += Len != 0 ? Len : 1;
    }
  };
  H.Quit = [&Con] { Con.Terminate(); };
  H.Press = [&Con](int Button) { Con.NoteMousePress(Button); };
  H.WheelLines = [&Con] { return static_cast<int>(Con.WheelLines.load()); };
  H.MouseReporting = [&Con] { return Con.MouseReporting.load(); };
  H.MouseInput = [&Con](const TMouseInput& In) { Con.MouseInputs.Push(In); };
  H.Drop = [&Con](const std::string& Path) {
    if (!Con.OnFileDrop) return;
    Con.OnFileDrop(Path);
    Con.FileDropped.store(true);
  };
  return H;
}

bool TSDLConsole::OpenVideo(int NewCols, int NewRows, uint8_t NewWindowMode, uint8_t NewScaleQuality,
                            uint8_t NewFont) {
  CloseVideo();
  if (!OpenScreen(NewCols, NewRows, NewFont)) return false;
  WindowMode = NewWindowMode;
  ScaleQuality = NewScaleQuality;
  // Never call through an empty entry table.
  if (!Sdl.Loaded) {
    std::cout << "SDL2 library not loaded" << std::endl;
    return false;
  }
  TVideoParams P;
  P.Cols = Cols;
  P.Rows = Rows;
  P.CellWidth = CellWidth();
  P.CellHeight = CellHeight();
  P.WindowMode = WindowMode;
  P.ScaleQuality = ScaleQuality;
  P.Letterbox = UseLogicalSize;
  P.Accelerated = UseAccelerated;
  auto Window = std::make_unique<TVideo>(ConsoleVideoHooks(*this));
  if (!Window->Open(P)) return false;
  AttachVideo(std::move(Window));
  return true;
}
