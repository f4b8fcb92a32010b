// The web implementation of the platform seam: the browser's clock, the latches fed by DOM key
// and mouse events, focus from the page's visibility and the window's focus, frames on the
// canvas, the error dialog as a box over the page, and the user's files in the browser. (The
// audio device is in AudioWeb.cpp.)
#include <algorithm>
#include <cmath>
#include <deque>
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>
#include <utility>

#include "platform/InputLatch.h"
#include "platform/Platform.h"
#include "platform/VirtualKeys.h"
#include "platform/web/Canvas.h"
#include "platform/web/KeyMapWeb.h"

extern "C" {
void corvina_page_open(const char* title);
void corvina_page_error(const char* caption, const char* message);
int corvina_page_fullscreen(int mode);  // 0 leave, 1 enter, 2 toggle; answers whether full
void corvina_page_keep_awake(int on);
void corvina_page_download(const char* path);
void corvina_storage_keep(const char* path, void (*answer)(int kept, const char* detail), int settings);
void corvina_audio_resume();
}

namespace {

struct TWebState {
  bool Open = false;
  bool FullScreen = true;  // the picture fills the page: the pointer stays on it
  int BackWidth = 640;
  int BackHeight = 480;
  TCanvas Canvas;
  TInputLatch Keys;
  std::deque<TPlatformEvent> Events;
  bool PointerSeen = false;  // until then the pointer is at the picture's centre
  double PointerX = 0;       // CSS pixels from the page's top-left
  double PointerY = 0;
  bool WindowFocused = true;
  bool Visible = true;
  bool Focus = true;             // both of them
  bool FullScreenAsked = false;  // what the last Alt+Enter asked the browser for
};

TWebState& S() {
  static TWebState state;
  return state;
}

void Push(TPlatformEventKind kind, int vk = 0) { S().Events.push_back({kind, vk}); }

// The browser's storage has answered a write of the user's folder.
void Answered(int kept, const char* detail, PlatformFileKind kind) {
  TPlatformEvent event{TPlatformEventKind::FileKept};
  event.File = {kept != 0, detail, kind};
  S().Events.push_back(std::move(event));
}
void MapAnswered(int kept, const char* detail) { Answered(kept, detail, PlatformFileKind::Saved); }
void SettingsAnswered(int kept, const char* detail) { Answered(kept, detail, PlatformFileKind::Settings); }

// The game has the focus while the page is shown and its window focused.
void UpdateFocus() {
  const bool focus = S().WindowFocused && S().Visible;
  if (focus == S().Focus) return;
  S().Focus = focus;
  if (!focus) S().Keys.ReleaseAll();
  Push(focus ? TPlatformEventKind::FocusGained : TPlatformEventKind::FocusLost);
}

EM_BOOL OnKey(int type, const EmscriptenKeyboardEvent* e, void*) {
  corvina_audio_resume();  // a key is the user's go-ahead for sound
  const int vk = LatchKeyWeb(e->code, type == EMSCRIPTEN_EVENT_KEYDOWN, e->repeat != 0, S().Keys);
  // Firefox grants full screen only inside the key's own event, not on the game's frame that
  // reads the key after it (PlatformToggleFullScreen).
  if (vk == VK_RETURN && e->altKey) S().FullScreenAsked = corvina_page_fullscreen(2) != 0;
  if (vk != 0) Push(TPlatformEventKind::KeyDown, vk);
  return KeptFromBrowser(e->code, e->ctrlKey || e->metaKey);
}

EM_BOOL OnMouse(int type, const EmscriptenMouseEvent* e, void*) {
  S().PointerSeen = true;
  S().PointerX = static_cast<double>(e->clientX);
  S().PointerY = static_cast<double>(e->clientY);
  if (type == EMSCRIPTEN_EVENT_MOUSEMOVE) return false;
  if (type == EMSCRIPTEN_EVENT_MOUSEDOWN) corvina_audio_resume();
  const int vk = VirtualKeyFromDomButton(e->button);
  if (vk == 0) return false;
  if (type == EMSCRIPTEN_EVENT_MOUSEDOWN) {
    S().Keys.Press(vk);
  } else {
    S().Keys.Release(vk);
  }
  return true;
}

EM_BOOL OnFocus(int type, const EmscriptenFocusEvent*, void*) {
  S().WindowFocused = type == EMSCRIPTEN_EVENT_FOCUS;
  UpdateFocus();
  return false;
}

EM_BOOL OnVisibility(int, const EmscriptenVisibilityChangeEvent* e, void*) {
  S().Visible = !e->hidden;
  if (S().Visible) Push(TPlatformEventKind::Exposed);
  UpdateFocus();
  return false;
}

// Listens to the page (listen true) or stops listening.
void Listen(bool listen) {
  const char* window = EMSCRIPTEN_EVENT_TARGET_WINDOW;
  emscripten_set_keydown_callback(window, nullptr, true, listen ? OnKey : nullptr);
  emscripten_set_keyup_callback(window, nullptr, true, listen ? OnKey : nullptr);
  emscripten_set_mousedown_callback(window, nullptr, true, listen ? OnMouse : nullptr);
  emscripten_set_mouseup_callback(window, nullptr, true, listen ? OnMouse : nullptr);
  emscripten_set_mousemove_callback(window, nullptr, true, listen ? OnMouse : nullptr);
  emscripten_set_focus_callback(window, nullptr, true, listen ? OnFocus : nullptr);
  emscripten_set_blur_callback(window, nullptr, true, listen ? OnFocus : nullptr);
  emscripten_set_visibilitychange_callback(nullptr, true, listen ? OnVisibility : nullptr);
}

}  // namespace

uint32_t PlatformTicks() { return static_cast<uint32_t>(static_cast<uint64_t>(emscripten_get_now())); }

uint16_t PlatformAsyncKeyState(int vk) { return S().Keys.Query(vk); }

void PlatformResetState() { S().Keys.Clear(); }

bool PlatformHasFocus() { return S().Focus; }

TPoint PlatformCursorPos() {
  if (!S().PointerSeen) return {S().BackWidth / 2, S().BackHeight / 2};
  const double ratio = emscripten_get_device_pixel_ratio();
  const TPoint p = S().Canvas.Placement().ToBackBuffer(
      {static_cast<int>(std::floor(S().PointerX * ratio)), static_cast<int>(std::floor(S().PointerY * ratio))});
  // As on a desktop's full screen, the bars beside the picture hold the pointer at its edge.
  if (!S().FullScreen) return p;
  return {std::clamp(p.X, 0, S().BackWidth - 1), std::clamp(p.Y, 0, S().BackHeight - 1)};
}

bool PlatformPollEvent(TPlatformEvent& event) {
  if (S().Events.empty()) return false;
  event = S().Events.front();
  S().Events.pop_front();
  return true;
}

// A page cannot wait: only what is pending now. The page's loop never asks.
bool PlatformWaitEvent(TPlatformEvent& event) { return PlatformPollEvent(event); }

TPlatformDisplayStep PlatformOpenDisplay(const TPlatformDisplayConfig& config, std::string* error) {
  TWebState& s = S();
  s.BackWidth = config.Width;
  s.BackHeight = config.Height;
  s.FullScreen = config.FullScreen;
  s.Canvas.FIntegerScale = config.IntegerScale;
  if (!s.Canvas.Fit(config.Width, config.Height)) {
    if (error) *error = "the page has no canvas";
    return TPlatformDisplayStep::Video;
  }
  corvina_page_open(config.Title.c_str());
  s.Keys.Clear();
  s.Events.clear();
  EmscriptenVisibilityChangeEvent visibility{};
  s.Visible = emscripten_get_visibility_status(&visibility) != EMSCRIPTEN_RESULT_SUCCESS || !visibility.hidden;
  s.WindowFocused = true;
  s.Focus = s.Visible;
  // As a desktop window is activated when it first shows: that starts the frames.
  if (s.Focus) Push(TPlatformEventKind::FocusGained);
  Listen(true);
  s.Open = true;
  return TPlatformDisplayStep::Ok;
}

void PlatformCloseDisplay() {
  if (!S().Open) return;
  Listen(false);
  corvina_page_fullscreen(0);
  S().Keys.Clear();
  S().Events.clear();
  S().Open = false;
}

void PlatformLeaveFullScreen() { corvina_page_fullscreen(0); }

// The page always fills its window; full screen here is the browser's, asked for by the
// Alt+Enter the game answers with this (OnKey).
bool PlatformToggleFullScreen() { return S().FullScreenAsked; }
TPlatformSize PlatformWindowedSize() { return {}; }  // the page's canvas follows the page

// The canvas takes the changed rows of the frame straight from the game's back buffer, keeps
// them, and sends them to the GPU (or scales the frame on the processor).
std::shared_ptr<uint16_t[]> PlatformFrameMemory(size_t) { return nullptr; }

void PlatformPresent(const uint16_t* pixels, int pitchBytes, int width, int height, bool rgb555,
                     const TChangedRows* changed) {
  S().BackWidth = width;
  S().BackHeight = height;
  S().Canvas.Present(pixels, pitchBytes, width, height, rgb555, changed);
}

void PlatformShowError(const std::string& caption, const std::string& message) {
  corvina_page_error(caption.c_str(), message.c_str());
}

void PlatformBeep() {}

void PlatformSetScreenSaver(bool enabled) { corvina_page_keep_awake(enabled ? 0 : 1); }

void PlatformReleasePointer() {}

std::optional<TPlatformFileKept> PlatformFileWritten(const std::string& path, PlatformFileKind kind) {
  if (kind == PlatformFileKind::Screenshot) {
    corvina_page_download(path.c_str());
    return TPlatformFileKept{};
  }
  const bool settings = kind == PlatformFileKind::Settings;
  corvina_storage_keep(path.c_str(), settings ? SettingsAnswered : MapAnswered, settings ? 1 : 0);
  return std::nullopt;
}
