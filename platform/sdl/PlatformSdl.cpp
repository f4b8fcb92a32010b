// The SDL2 implementation of the platform seam: clock, window and presentation, input, the
// error dialog and the screen saver. (The audio device is in AudioSdl.cpp.)
#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/Log.h"
#include "platform/EndSignals.h"
#include "platform/Platform.h"
#include "platform/sdl/DialogSignals.h"
#include "platform/sdl/KeyMapSdl.h"
#include "platform/sdl/SdlState.h"

namespace {

TSdlState& S() { return SdlState(); }

bool DialogsDisabled() {
  const char* value = std::getenv("CORVINA_NO_DIALOG");
  return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
}

// Latches input and turns the events the main window handles into platform events.
bool Translate(const SDL_Event& e, TPlatformEvent& out) {
  int vk = LatchInputEventSdl(e, S().Keys);
  if (vk == 0) vk = S().Pads.Feed(e, S().Keys);
  if (vk != 0) {
    out = {TPlatformEventKind::KeyDown, vk};
    return true;
  }
  if (e.type == SDL_QUIT) {
    out = {TPlatformEventKind::Quit};
    return true;
  }
  if (e.type != SDL_WINDOWEVENT) return false;
  // The window system may have lost what the window showed.
  if (e.window.event != SDL_WINDOWEVENT_FOCUS_GAINED && e.window.event != SDL_WINDOWEVENT_FOCUS_LOST) {
    S().SendWhole = true;
  }
  switch (e.window.event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED: out = {TPlatformEventKind::FocusGained}; return true;
    case SDL_WINDOWEVENT_FOCUS_LOST: out = {TPlatformEventKind::FocusLost}; return true;
    case SDL_WINDOWEVENT_MINIMIZED: out = {TPlatformEventKind::Minimized}; return true;
    case SDL_WINDOWEVENT_RESTORED: out = {TPlatformEventKind::Restored}; return true;
    case SDL_WINDOWEVENT_EXPOSED: out = {TPlatformEventKind::Exposed}; return true;
    case SDL_WINDOWEVENT_CLOSE: out = {TPlatformEventKind::Quit}; return true;
    default: return false;
  }
}

// What the desktop shows in the title bar and the task switcher; a window without it keeps the
// desktop's default.
void SetIcon(const TPlatformDisplayConfig& config) {
  const size_t side = config.IconSize > 0 ? static_cast<size_t>(config.IconSize) : 0;
  if (side == 0 || config.Icon.size() != side * side * 4) return;
  // SDL only reads the pixels: the surface is freed before the call returns.
  void* pixels = const_cast<uint8_t*>(config.Icon.data());
  SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(pixels, config.IconSize, config.IconSize, 32,
                                                         config.IconSize * 4, SDL_PIXELFORMAT_RGBA32);
  if (!icon) return;
  SDL_SetWindowIcon(S().Window, icon);
  SDL_FreeSurface(icon);
}

TPlatformDisplayStep Fail(TPlatformDisplayStep step, std::string* error) {
  if (error) *error = SDL_GetError();
  PlatformCloseDisplay();
  return step;
}

// When no display can be reached SDL falls back to drivers that draw nowhere, and the game
// would run unseen until killed. Those are taken only when asked for by name.
std::string InvisibleFallback() {
  const char* asked = SDL_getenv("SDL_VIDEODRIVER");
  if (asked != nullptr && *asked != '\0') return {};
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver == nullptr || (std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0)) return {};
  const char* display = SDL_getenv("DISPLAY");
  return std::string("no display could be opened (DISPLAY ") +
         (display != nullptr && *display != '\0' ? std::string("is ") + display : std::string("is not set")) +
         "); only SDL's invisible \"" + driver + "\" video driver was left";
}

// Takes what the window system has sent into SDL's state until done() or the deadline: a window
// SDL moved or resized is only where it asked once the window manager has answered.
template <typename TDone>
void PumpUntil(TDone done, uint32_t deadlineMs) {
  const uint32_t start = SDL_GetTicks();
  SDL_PumpEvents();
  while (!done() && SDL_GetTicks() - start < deadlineMs) {
    SDL_Delay(5);
    SDL_PumpEvents();
  }
}

constexpr uint32_t WindowManagerMs = 500;  // how long the window manager may take to place a window
constexpr uint32_t FrameMs = 300;          // and to tell the size of the frame it puts around it

SDL_Rect UsableBounds(int display) {
  SDL_Rect usable{};
  if (SDL_GetDisplayUsableBounds(std::max(display, 0), &usable) != 0) SDL_GetDisplayBounds(0, &usable);
  return usable;
}

// The window's scale as far as the usable area of its display holds it with the frame around it.
int FittingScale(int requested, const TPlatformDisplayConfig& config, const SDL_Rect& usable, int frameWidth,
                 int frameHeight) {
  return ClampWindowScale(requested, config.Width, config.Height, usable.w, usable.h, frameWidth, frameHeight);
}

// The shown window at the largest scale up to the asked one that fits its display's usable area,
// frame included (known only once shown), and centred there; a word when the scale is cut.
void PlaceWindow(const TPlatformDisplayConfig& config, int scale) {
  int top = 0, left = 0, bottom = 0, right = 0;
  // The window manager tells the frame a moment after the window is shown; none comes without
  // one, and waiting for it would be most of the start.
  PumpUntil(
      [&] {
        return SDL_GetWindowBordersSize(S().Window, &top, &left, &bottom, &right) == 0 &&
               top + left + bottom + right > 0;
      },
      SdlWindowManagerRunning(S().Window) ? FrameMs : 0);
  if (top < 0 || left < 0 || bottom < 0 || right < 0) top = left = bottom = right = 0;
  const SDL_Rect usable = UsableBounds(SDL_GetWindowDisplayIndex(S().Window));
  const int fits = FittingScale(scale, config, usable, left + right, top + bottom);
  int width = config.Width * fits, height = config.Height * fits;
  if (config.WindowWidth > 0 && config.WindowHeight > 0) {
    // The player's own size, as far as the usable area holds it with the frame.
    width = std::clamp(config.WindowWidth, config.Width / 2, std::max(config.Width / 2, usable.w - left - right));
    height = std::clamp(config.WindowHeight, config.Height / 2, std::max(config.Height / 2, usable.h - top - bottom));
  } else if (fits < config.Scale) {
    LogWarning("--scale " + std::to_string(config.Scale) + " does not fit this screen (" + std::to_string(usable.w) +
               " x " + std::to_string(usable.h) + " with the window's frame); using " + std::to_string(fits));
  }
  const TPoint at =
      CentreWindow(MakeRect(usable.x, usable.y, usable.w, usable.h), width, height, left, top, right, bottom);
  SDL_SetWindowSize(S().Window, width, height);
  SDL_SetWindowPosition(S().Window, at.X, at.Y);
  PumpUntil(
      [&] {
        int w = 0, h = 0, x = 0, y = 0;
        SDL_GetWindowSize(S().Window, &w, &h);
        SDL_GetWindowPosition(S().Window, &x, &y);
        return w == width && h == height && x == at.X && y == at.Y;
      },
      WindowManagerMs);
  S().Windowed = {width, height};
}

// The picture's placement in the window as it is now.
TLetterbox Placement() {
  int w = 0, h = 0;
  SDL_GetWindowSize(S().Window, &w, &h);
  return SdlPlacement(w, h);
}

}  // namespace

TSdlState& SdlState() {
  static TSdlState state;
  return state;
}

uint32_t PlatformTicks() { return SDL_GetTicks(); }

uint16_t PlatformAsyncKeyState(int vk) { return S().Keys.Query(vk); }
void PlatformResetState() { S().Keys.Clear(); }

bool PlatformHasFocus() { return S().Window && (SDL_GetWindowFlags(S().Window) & SDL_WINDOW_INPUT_FOCUS) != 0; }

TPoint PlatformCursorPos() {
  if (!S().Window) return {};
  // Asked of the window system where it can be: SDL's reading goes stale when the window is
  // shown, made full screen or switched under a resting pointer, and stops at the window's edge.
  int x = 0, y = 0;
  if (!SdlPointerInWindow(S().Window, x, y)) SDL_GetMouseState(&x, &y);
  const TPoint p = Placement().ToBackBuffer({x, y});
  // A full-screen display of the picture's own size holds the pointer inside it, whatever
  // reaches the bars (a warped pointer passes the confinement).
  if (!S().FullScreen) return p;
  return {std::clamp(p.X, 0, S().BackWidth - 1), std::clamp(p.Y, 0, S().BackHeight - 1)};
}

bool PlatformPollEvent(TPlatformEvent& event) {
  SDL_Event e;
  if (EndSignalled()) {
    event = {TPlatformEventKind::Quit};
    return true;
  }
  while (SDL_PollEvent(&e)) {
    if (Translate(e, event)) return true;
  }
  return false;
}

bool PlatformWaitEvent(TPlatformEvent& event) {
  // SDL goes back to waiting after a signal interrupts it: the wait is cut into short ones so
  // that a request to end is seen while the program is paused or minimized.
  constexpr int SignalCheckMs = 100;
  SDL_Event e;
  for (;;) {
    if (EndSignalled()) {
      event = {TPlatformEventKind::Quit};
      return true;
    }
    if (SDL_WaitEventTimeout(&e, SignalCheckMs)) {
      if (Translate(e, event)) return true;
    } else if (!S().VideoUp) {
      return false;
    }
  }
}

TPlatformDisplayStep PlatformOpenDisplay(const TPlatformDisplayConfig& config, std::string* error) {
  // The program's own handlers (platform/EndSignals.h) take SIGINT and SIGTERM, not SDL's.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    if (error) *error = SDL_GetError();
    return TPlatformDisplayStep::Video;
  }
  if (const std::string invisible = InvisibleFallback(); !invisible.empty()) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    if (error) *error = invisible;
    return TPlatformDisplayStep::Video;
  }
  S().VideoUp = true;
  // A machine without controller support plays on the keyboard alone.
  S().PadsUp = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
  S().BackWidth = config.Width;
  S().BackHeight = config.Height;
  S().FullScreen = config.FullScreen;
  S().IntegerScale = config.IntegerScale;
  S().ConfinedTo = {};
  S().Keys.Clear();
  // Made at the scale the usable area holds without a frame, so that it is centred at its own
  // size; the frame is known once the window is shown, and may cut the scale further.
  const int scale = FittingScale(config.Scale, config, UsableBounds(0), 0, 0);
  const Uint32 flags =
      SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE | (config.FullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
  const SDL_Rect usable = UsableBounds(0);
  const bool chosen = config.WindowWidth > 0 && config.WindowHeight > 0;
  S().Windowed = {chosen ? std::min(config.WindowWidth, usable.w) : config.Width * scale,
                  chosen ? std::min(config.WindowHeight, usable.h) : config.Height * scale};
  S().Window = SDL_CreateWindow(config.Title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                S().Windowed.Width, S().Windowed.Height, flags);
  if (!S().Window) return Fail(TPlatformDisplayStep::Window, error);
  SetIcon(config);
  SDL_SetWindowMinimumSize(S().Window, config.Width / 2, config.Height / 2);
  // The display's vertical sync paces when its refresh is near the designed rate; otherwise
  // presentation is paced by the clock.
  const bool vsync = config.FramesPerSecond == 60 && SdlRefreshNearPace(S().Window);
  using TPresenter = TPlatformDisplayConfig::TPresenter;
  // Without a GPU the window's own surface is chosen at once: a GPU renderer on a software
  // rasterizer costs several times as much, and making one only to find that out is most of
  // the start and of the memory.
  const bool softwareOnly =
      config.Presenter == TPresenter::Auto && SdlProbeGpu(S().Window) == TGpuVerdict::SoftwareOnly;
  if (config.Presenter != TPresenter::Surface && !softwareOnly) {
    S().Renderer = SDL_CreateRenderer(S().Window, -1, vsync ? SDL_RENDERER_PRESENTVSYNC : 0);
    if (!S().Renderer) return Fail(TPlatformDisplayStep::Renderer, error);
  }
  // The probe could not tell, and the renderer says it is one after all.
  if (S().Renderer && config.Presenter == TPresenter::Auto && SdlRendererIsSoftware(S().Renderer)) {
    SDL_DestroyRenderer(S().Renderer);
    S().Renderer = nullptr;
  }
  S().SurfacePresent = S().Renderer == nullptr;
  S().LastSurface = nullptr;
  if (S().SurfacePresent) {
    // Otherwise SDL backs the window's surface with a renderer of its own again.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_GetWindowSurface(S().Window) == nullptr) return Fail(TPlatformDisplayStep::Renderer, error);
    SdlStartPacing(config.FramesPerSecond, false);
  } else {
    SdlStartPacing(config.FramesPerSecond, vsync);
    // The back buffer's texture is made at the first frame; check now that one can be.
    SDL_Texture* probe = SDL_CreateTexture(S().Renderer, SDL_PIXELFORMAT_RGB565, SDL_TEXTUREACCESS_STREAMING,
                                           config.Width, config.Height);
    if (!probe) return Fail(TPlatformDisplayStep::Texture, error);
    SDL_DestroyTexture(probe);
  }
  // Shown only now: an OpenGL renderer makes the window anew, and the new one would be placed
  // again by the window manager.
  SDL_ShowWindow(S().Window);
  if (!config.FullScreen) PlaceWindow(config, scale);
  SDL_ShowCursor(SDL_DISABLE);
  SDL_RaiseWindow(S().Window);
  return TPlatformDisplayStep::Ok;
}

void PlatformCloseDisplay() {
  SdlReleasePresentation();
  if (S().Renderer) SDL_DestroyRenderer(S().Renderer);
  if (S().Window) SDL_DestroyWindow(S().Window);
  S().Renderer = nullptr;
  S().Window = nullptr;
  S().Pads.CloseAll(S().Keys);
  S().Keys.Clear();
  if (S().PadsUp) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
  S().PadsUp = false;
  if (S().VideoUp) {
    SDL_ShowCursor(SDL_ENABLE);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    S().VideoUp = false;
  }
}

void PlatformLeaveFullScreen() {
  if (!S().Window) return;
  if (S().FullScreen) SDL_SetWindowFullscreen(S().Window, 0);
  S().FullScreen = false;
  SdlConfinePointer({});
  SDL_ShowCursor(SDL_ENABLE);
}

bool PlatformToggleFullScreen() {
  if (!S().Window) return S().FullScreen;
  const bool full = !S().FullScreen;
  const TPoint pointer = PlatformCursorPos();
  int oldWidth = 0, oldHeight = 0;
  SDL_GetWindowSize(S().Window, &oldWidth, &oldHeight);
  if (!S().FullScreen) S().Windowed = {oldWidth, oldHeight};
  // Free for the switch; confined again, to the new picture, at the next present.
  SdlConfinePointer({});
  if (SDL_SetWindowFullscreen(S().Window, full ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0) != 0) return S().FullScreen;
  S().FullScreen = full;
  PumpUntil(
      [&] {
        int w = 0, h = 0;
        SDL_GetWindowSize(S().Window, &w, &h);
        return w != oldWidth || h != oldHeight;
      },
      WindowManagerMs);
  // SDL puts the pointer at its old place in the window, wherever that lies on the picture now:
  // it is put back over the same spot of the picture instead.
  int wx = 0, wy = 0;
  SDL_GetWindowPosition(S().Window, &wx, &wy);
  const TPoint spot = Placement().FromBackBuffer(pointer);
  SDL_WarpMouseGlobal(wx + spot.X, wy + spot.Y);
  return S().FullScreen;
}

TPlatformSize PlatformWindowedSize() {
  if (S().Window && !S().FullScreen) SDL_GetWindowSize(S().Window, &S().Windowed.Width, &S().Windowed.Height);
  return S().Windowed;
}

void PlatformShowError(const std::string& caption, const std::string& message) {
  if (DialogsDisabled()) return;
  // Every error dialog is followed by the program's end with status 1: a signal brings it now.
  TDialogSignals signals(1);
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption.c_str(), message.c_str(), S().Window);
}

// SDL has no system beep; the dialog that follows is the signal.
void PlatformBeep() {}

void PlatformSetScreenSaver(bool enabled) {
  if (enabled) {
    SDL_EnableScreenSaver();
  } else {
    SDL_DisableScreenSaver();
  }
}

void PlatformReleasePointer() {
  if (!S().Window) return;
  SDL_SetWindowGrab(S().Window, SDL_FALSE);
  SdlConfinePointer({});
}

// Files stay where they were written.
std::optional<TPlatformFileKept> PlatformFileWritten(const std::string&, PlatformFileKind) {
  return TPlatformFileKept{};
}
