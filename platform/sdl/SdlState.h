// What the SDL platform's parts share: the window, the renderer and its textures, the input
// latches and the presentation's pace. One per process.
#pragma once

#include <SDL.h>

#include "platform/FramePacer.h"
#include "platform/InputLatch.h"
#include "platform/Letterbox.h"
#include "platform/Platform.h"
#include "platform/SharpScaler.h"
#include "platform/sdl/PadSdl.h"

struct TSdlState {
  SDL_Window* Window = nullptr;
  SDL_Renderer* Renderer = nullptr;
  SDL_Texture* Texture = nullptr;  // the back buffer's copy, its own size
  int TextureWidth = 0;            // pixels
  int TextureHeight = 0;
  bool TextureRgb555 = false;
  SDL_Texture* Enlarged = nullptr;  // the picture at a whole factor, filtered down from there
  int EnlargedFactor = 0;
  bool CanEnlarge = false;  // the renderer draws into textures
  // Without a renderer: the window's own surface, scaled into by the processor.
  bool SurfacePresent = false;
  TSharpScaler Scaler;
  SDL_Surface* LastSurface = nullptr;  // the window surface the bars were last cleared on
  TRect LastDest;
  // The window's picture must be sent whole at the next present (exposed, restored, or a
  // present that did not reach it).
  bool SendWhole = true;
  int BackWidth = 640;  // pixels
  int BackHeight = 480;
  bool FullScreen = false;
  TPlatformSize Windowed;  // the client area when last seen windowed
  bool IntegerScale = false;
  TRect ConfinedTo;  // the pointer's rectangle in full screen; empty: free
  bool VideoUp = false;
  TInputLatch Keys;
  TPadSdl Pads;         // game controllers, pressing keys in Keys
  bool PadsUp = false;  // SDL's controller subsystem is running

  // Pace: the display's vertical sync when it is near the designed rate, else the pacer.
  bool DisplayPaced = false;
  TFramePacer Pacer;
  int64_t LastPresentNs = 0;
  int PresentsMeasured = 0;
  int FastPresents = 0;  // presents that came back much sooner than a refresh of 50..75 Hz
};

TSdlState& SdlState();

// Where the picture lies in an output of that size, by the chosen scaling.
TLetterbox SdlPlacement(int outWidth, int outHeight);
// Frees what presentation made (textures); the renderer stays.
void SdlReleasePresentation();
// Sets the presentation's pace for a renderer just made (vsync asked for or not).
void SdlStartPacing(int framesPerSecond, bool vsyncAsked);
// Whether the display's refresh lies near the designed pace, so its vertical sync can pace.
bool SdlRefreshNearPace(SDL_Window* window);
// What can be told of the GPU before any renderer is made.
enum class TGpuVerdict { SoftwareOnly, Unknown };
TGpuVerdict SdlProbeGpu(SDL_Window* window);
// Whether the renderer draws by software (SDL's own, or OpenGL on a software rasterizer).
bool SdlRendererIsSoftware(SDL_Renderer* renderer);
// Confines the pointer to the picture in full screen, frees it otherwise.
void SdlConfinePointer(const TRect& picture);
// The pointer in window points (it may lie outside the window) as the window system has it
// now; false where that cannot be asked (not X11), and SDL's reading is all there is.
bool SdlPointerInWindow(SDL_Window* window, int& x, int& y);
// Whether a window manager runs (one that tells the frame it puts around windows); true where
// that cannot be asked.
bool SdlWindowManagerRunning(SDL_Window* window);
