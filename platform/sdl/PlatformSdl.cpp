// The SDL2 implementation of the platform seam: clock, window and presentation, input, the
// error dialog and the screen saver. (The audio device is in AudioSdl.cpp.)
#include <SDL.h>

#include <cstdlib>
#include <cstring>
#include <deque>

#include "platform/sdl/KeyMapSdl.h"
#include "platform/Letterbox.h"
#include "platform/Platform.h"

namespace {

struct SdlState {
  SDL_Window* Window = nullptr;
  SDL_Renderer* Renderer = nullptr;
  SDL_Texture* Texture = nullptr;
  int TextureWidth = 0;  // pixels
  int TextureHeight = 0;
  bool TextureRgb555 = false;
  int BackWidth = 640;   // pixels
  int BackHeight = 480;
  bool FullScreen = false;
  bool VideoUp = false;
  TInputLatch Keys;
};

SdlState& S() {
  static SdlState state;
  return state;
}

bool DialogsDisabled() {
  const char* value = std::getenv("CORVINA_NO_DIALOG");
  return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
}

void DestroyTexture() {
  if (S().Texture) SDL_DestroyTexture(S().Texture);
  S().Texture = nullptr;
  S().TextureWidth = S().TextureHeight = 0;
}

bool MakeTexture(int width, int height, bool rgb555) {
  DestroyTexture();
  Uint32 format = rgb555 ? SDL_PIXELFORMAT_RGB555 : SDL_PIXELFORMAT_RGB565;
  S().Texture = SDL_CreateTexture(S().Renderer, format, SDL_TEXTUREACCESS_STREAMING, width, height);
  if (!S().Texture) return false;
  S().TextureWidth = width;
  S().TextureHeight = height;
  S().TextureRgb555 = rgb555;
  return true;
}

// Latches input and turns the events the main window handles into platform events.
bool Translate(const SDL_Event& e, PlatformEvent& out) {
  int vk = LatchInputEventSdl(e, S().Keys);
  if (vk != 0) {
    out = {PlatformEventKind::KeyDown, vk};
    return true;
  }
  if (e.type == SDL_QUIT) {
    out = {PlatformEventKind::Quit};
    return true;
  }
  if (e.type != SDL_WINDOWEVENT) return false;
  switch (e.window.event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED: out = {PlatformEventKind::FocusGained}; return true;
    case SDL_WINDOWEVENT_FOCUS_LOST: out = {PlatformEventKind::FocusLost}; return true;
    case SDL_WINDOWEVENT_MINIMIZED: out = {PlatformEventKind::Minimized}; return true;
    case SDL_WINDOWEVENT_RESTORED: out = {PlatformEventKind::Restored}; return true;
    case SDL_WINDOWEVENT_EXPOSED: out = {PlatformEventKind::Exposed}; return true;
    case SDL_WINDOWEVENT_CLOSE: out = {PlatformEventKind::Quit}; return true;
    default: return false;
  }
}

// What the desktop shows in the title bar and the task switcher; a window without it keeps the
// desktop's default.
void SetIcon(const PlatformDisplayConfig& config) {
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

PlatformDisplayStep Fail(PlatformDisplayStep step, std::string* error) {
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
}  // namespace

uint32_t PlatformTicks() { return SDL_GetTicks(); }

uint16_t PlatformAsyncKeyState(int vk) { return S().Keys.Query(vk); }

bool PlatformHasFocus() {
  return S().Window && (SDL_GetWindowFlags(S().Window) & SDL_WINDOW_INPUT_FOCUS) != 0;
}

TPoint PlatformCursorPos() {
  if (!S().Window) return {};
  int x = 0, y = 0, ww = 0, wh = 0;
  if (SDL_GetMouseFocus() == S().Window) {
    SDL_GetMouseState(&x, &y);
  } else {
    // Outside the window relative motion stops at the edge; the global position goes on.
    int wx = 0, wy = 0;
    SDL_GetGlobalMouseState(&x, &y);
    SDL_GetWindowPosition(S().Window, &wx, &wy);
    x -= wx;
    y -= wy;
  }
  SDL_GetWindowSize(S().Window, &ww, &wh);
  TLetterbox box = ComputeLetterbox(ww, wh, S().BackWidth, S().BackHeight);
  return box.ToBackBuffer({x, y});
}

bool PlatformPollEvent(PlatformEvent& event) {
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    if (Translate(e, event)) return true;
  }
  return false;
}

bool PlatformWaitEvent(PlatformEvent& event) {
  SDL_Event e;
  while (SDL_WaitEvent(&e)) {
    if (Translate(e, event)) return true;
  }
  return false;
}

PlatformDisplayStep PlatformOpenDisplay(const PlatformDisplayConfig& config, std::string* error) {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    if (error) *error = SDL_GetError();
    return PlatformDisplayStep::Video;
  }
  if (const std::string invisible = InvisibleFallback(); !invisible.empty()) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    if (error) *error = invisible;
    return PlatformDisplayStep::Video;
  }
  S().VideoUp = true;
  S().BackWidth = config.Width;
  S().BackHeight = config.Height;
  S().FullScreen = config.FullScreen;
  S().Keys.Clear();
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
  Uint32 flags = SDL_WINDOW_SHOWN | (config.FullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
  int scale = config.Scale < 1 ? 1 : config.Scale;
  S().Window = SDL_CreateWindow(config.Title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                config.Width * scale, config.Height * scale, flags);
  if (!S().Window) return Fail(PlatformDisplayStep::Window, error);
  SetIcon(config);
  // The presentation waits for the display: that is the program's only pacing.
  S().Renderer = SDL_CreateRenderer(S().Window, -1, SDL_RENDERER_PRESENTVSYNC);
  if (!S().Renderer) return Fail(PlatformDisplayStep::Renderer, error);
  if (!MakeTexture(config.Width, config.Height, false)) return Fail(PlatformDisplayStep::Texture, error);
  SDL_ShowCursor(SDL_DISABLE);
  SDL_RaiseWindow(S().Window);
  return PlatformDisplayStep::Ok;
}

void PlatformCloseDisplay() {
  DestroyTexture();
  if (S().Renderer) SDL_DestroyRenderer(S().Renderer);
  if (S().Window) SDL_DestroyWindow(S().Window);
  S().Renderer = nullptr;
  S().Window = nullptr;
  S().Keys.Clear();
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
  SDL_ShowCursor(SDL_ENABLE);
}

void PlatformPresent(const uint16_t* pixels, int pitchBytes, int width, int height, bool rgb555) {
  if (!S().Renderer || !pixels || width <= 0 || height <= 0) return;
  if (!S().Texture || S().TextureWidth != width || S().TextureHeight != height || S().TextureRgb555 != rgb555) {
    if (!MakeTexture(width, height, rgb555)) return;
  }
  SDL_UpdateTexture(S().Texture, nullptr, pixels, pitchBytes);
  int outW = 0, outH = 0;
  SDL_GetRendererOutputSize(S().Renderer, &outW, &outH);
  TLetterbox box = ComputeLetterbox(outW, outH, width, height);
  SDL_Rect dest{box.Dest.Left, box.Dest.Top, box.Dest.Right - box.Dest.Left, box.Dest.Bottom - box.Dest.Top};
  SDL_SetRenderDrawColor(S().Renderer, 0, 0, 0, 255);
  SDL_RenderClear(S().Renderer);
  SDL_RenderCopy(S().Renderer, S().Texture, nullptr, &dest);
  SDL_RenderPresent(S().Renderer);
}

void PlatformShowError(const std::string& caption, const std::string& message) {
  if (DialogsDisabled()) return;
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
  if (S().Window) SDL_SetWindowGrab(S().Window, SDL_FALSE);
}
