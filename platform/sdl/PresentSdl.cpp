// Presentation on SDL's renderer: the back buffer streamed into a texture and scaled to the
// output, "sharp" by default (nearest neighbour up to a whole factor, then filtered down), and
// paced to the designed rate when the display's vertical sync does not do it.
#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/Platform.h"
#include "platform/sdl/SdlState.h"

namespace {

TSdlState& S() { return SdlState(); }

int64_t MonotonicNs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

void SleepUntilNs(int64_t wakeNs) {
  timespec t{static_cast<time_t>(wakeNs / 1'000'000'000), static_cast<long>(wakeNs % 1'000'000'000)};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, nullptr) == EINTR) {
  }
}

void DestroyTexture(SDL_Texture*& texture) {
  if (texture) SDL_DestroyTexture(texture);
  texture = nullptr;
}

bool MakeTexture(int width, int height, bool rgb555) {
  DestroyTexture(S().Texture);
  const Uint32 format = rgb555 ? SDL_PIXELFORMAT_RGB555 : SDL_PIXELFORMAT_RGB565;
  S().Texture = SDL_CreateTexture(S().Renderer, format, SDL_TEXTUREACCESS_STREAMING, width, height);
  if (!S().Texture) return false;
  SDL_SetTextureScaleMode(S().Texture, SDL_ScaleModeNearest);
  S().TextureWidth = width;
  S().TextureHeight = height;
  S().TextureRgb555 = rgb555;
  return true;
}

// The picture enlarged by a whole factor, kept as a render target that is drawn filtered.
SDL_Texture* Enlarged(int factor) {
  if (S().Enlarged && S().EnlargedFactor == factor) return S().Enlarged;
  DestroyTexture(S().Enlarged);
  S().Enlarged = SDL_CreateTexture(S().Renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_TARGET,
                                   S().TextureWidth * factor, S().TextureHeight * factor);
  if (!S().Enlarged) return nullptr;
  SDL_SetTextureScaleMode(S().Enlarged, SDL_ScaleModeLinear);
  S().EnlargedFactor = factor;
  return S().Enlarged;
}

void DrawPicture(const TLetterbox& box) {
  const SDL_Rect dest{box.Dest.Left, box.Dest.Top, box.Dest.Right - box.Dest.Left, box.Dest.Bottom - box.Dest.Top};
  SDL_Texture* enlarged = nullptr;
  if (!box.WholeFactor() && S().CanEnlarge && (enlarged = Enlarged(box.SharpFactor())) != nullptr &&
      SDL_SetRenderTarget(S().Renderer, enlarged) == 0) {
    SDL_RenderCopy(S().Renderer, S().Texture, nullptr, nullptr);
    SDL_SetRenderTarget(S().Renderer, nullptr);
  } else {
    enlarged = nullptr;
  }
  SDL_SetRenderDrawColor(S().Renderer, 0, 0, 0, 255);
  SDL_RenderClear(S().Renderer);
  SDL_RenderCopy(S().Renderer, enlarged ? enlarged : S().Texture, nullptr, &dest);
}

// The window surface's rows [top, top + height) made from changed rows, as rectangles to send.
std::vector<SDL_Rect> ChangedRects(const TLetterbox& box, const TChangedRows& changed) {
  std::vector<SDL_Rect> rects;
  const int width = box.Dest.Right - box.Dest.Left, height = box.Dest.Bottom - box.Dest.Top;
  for (int y = 0; y < height;) {
    if (!S().Scaler.DestRowChanged(y, changed)) {
      ++y;
      continue;
    }
    int end = y + 1;
    while (end < height && S().Scaler.DestRowChanged(end, changed)) ++end;
    rects.push_back({box.Dest.Left, box.Dest.Top + y, width, end - y});
    y = end;
  }
  return rects;
}

// The picture into the window's own surface (X shared memory): no renderer, scaled here. Only
// the rows made from changed rows are converted and sent, while the surface holds the rest.
void PresentToSurface(const uint16_t* pixels, int pitchBytes, int width, int height, bool rgb555,
                      const TChangedRows* changed) {
  SDL_Surface* surface = SDL_GetWindowSurface(S().Window);
  if (surface == nullptr || surface->format->BytesPerPixel != 4 || surface->format->Rmask != 0xFF0000u ||
      surface->format->Gmask != 0xFF00u || surface->format->Bmask != 0xFFu) {
    S().SendWhole = true;
    return;
  }
  S().BackWidth = width;
  S().BackHeight = height;
  const TLetterbox box = SdlPlacement(surface->w, surface->h);
  if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) {
    S().SendWhole = true;
    return;
  }
  auto* dest = static_cast<uint32_t*>(surface->pixels);
  const int destPitch = surface->pitch / 4;
  // A new surface (resized, exposed) or a new place: the bars are cleared once.
  bool whole = changed == nullptr || S().SendWhole;
  if (surface != S().LastSurface || !(box.Dest == S().LastDest)) {
    for (int y = 0; y < surface->h; ++y) std::fill_n(dest + static_cast<size_t>(y) * destPitch, surface->w, 0u);
    S().LastSurface = surface;
    S().LastDest = box.Dest;
    whole = true;
  }
  S().Scaler.Prepare(width, height, box.Dest.Right - box.Dest.Left, box.Dest.Bottom - box.Dest.Top);
  S().Scaler.Scale(pixels, pitchBytes / 2, rgb555, dest + static_cast<size_t>(box.Dest.Top) * destPitch + box.Dest.Left,
                   destPitch, TSharpScaler::TLayout::Xrgb, whole ? nullptr : changed);
  if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
  if (whole) {
    S().SendWhole = SDL_UpdateWindowSurface(S().Window) != 0;
  } else if (const std::vector<SDL_Rect> rects = ChangedRects(box, *changed); !rects.empty()) {
    S().SendWhole = SDL_UpdateWindowSurfaceRects(S().Window, rects.data(), static_cast<int>(rects.size())) != 0;
  }
  SdlConfinePointer(box.Dest);
}

// The display paces while its presents take about a refresh; a display that hands them back
// at once has no working vertical sync, and the pacer takes over.
void Pace() {
  const int64_t now = MonotonicNs();
  if (S().DisplayPaced) {
    if (S().LastPresentNs != 0 && ++S().PresentsMeasured <= 60) {
      if (now - S().LastPresentNs < 8'000'000) ++S().FastPresents;
      if (S().PresentsMeasured == 60 && S().FastPresents > 30) {
        S().DisplayPaced = false;
        SDL_RenderSetVSync(S().Renderer, 0);
      }
    }
    S().LastPresentNs = now;
    return;
  }
  const int64_t wake = S().Pacer.WakeTime(now);
  if (wake > now) SleepUntilNs(wake);
}

}  // namespace

TLetterbox SdlPlacement(int outWidth, int outHeight) {
  return S().IntegerScale ? ComputeLetterbox(outWidth, outHeight, S().BackWidth, S().BackHeight)
                          : ComputeSharpFit(outWidth, outHeight, S().BackWidth, S().BackHeight);
}

void SdlReleasePresentation() {
  DestroyTexture(S().Texture);
  DestroyTexture(S().Enlarged);
  S().TextureWidth = S().TextureHeight = 0;
  S().EnlargedFactor = 0;
}

bool SdlRendererIsSoftware(SDL_Renderer* renderer) {
  SDL_RendererInfo info{};
  if (SDL_GetRendererInfo(renderer, &info) != 0) return false;
  if (std::strcmp(info.name, "software") == 0) return true;
  if (std::strncmp(info.name, "opengl", 6) != 0) return false;
  // The renderer's context is current: ask it who draws.
  using TGetString = const unsigned char* (*)(unsigned);
  const auto getString = reinterpret_cast<TGetString>(SDL_GL_GetProcAddress("glGetString"));
  const auto* name =
      getString != nullptr ? reinterpret_cast<const char*>(getString(0x1F01 /* GL_RENDERER */)) : nullptr;
  if (name == nullptr) return false;
  for (const char* soft : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer"}) {
    if (std::strstr(name, soft) != nullptr) return true;
  }
  return false;
}

bool SdlRefreshNearPace(SDL_Window* window) {
  SDL_DisplayMode mode{};
  const int display = SDL_GetWindowDisplayIndex(window);
  return display >= 0 && SDL_GetCurrentDisplayMode(display, &mode) == 0 && mode.refresh_rate >= 50 &&
         mode.refresh_rate <= 75;
}

void SdlStartPacing(int framesPerSecond, bool vsyncAsked) {
  SDL_RendererInfo info{};
  SDL_GetRendererInfo(S().Renderer, &info);
  S().CanEnlarge = (info.flags & SDL_RENDERER_TARGETTEXTURE) != 0;
  S().DisplayPaced = vsyncAsked && (info.flags & SDL_RENDERER_PRESENTVSYNC) != 0;
  S().Pacer = TFramePacer(framesPerSecond);
  S().LastPresentNs = 0;
  S().PresentsMeasured = S().FastPresents = 0;
}

void SdlConfinePointer(const TRect& picture) {
  const TRect want = S().FullScreen ? picture : TRect{};
  if (want == S().ConfinedTo) return;
  S().ConfinedTo = want;
  if (want == TRect{}) {
    SDL_SetWindowMouseRect(S().Window, nullptr);
  } else {
    const SDL_Rect r{want.Left, want.Top, want.Right - want.Left, want.Bottom - want.Top};
    SDL_SetWindowMouseRect(S().Window, &r);
  }
}

void PlatformPresent(const uint16_t* pixels, int pitchBytes, int width, int height, bool rgb555,
                     const TChangedRows* changed) {
  if (!pixels || width <= 0 || height <= 0) return;
  if (S().SurfacePresent && S().Window) {
    PresentToSurface(pixels, pitchBytes, width, height, rgb555, changed);
    Pace();
    return;
  }
  if (!S().Renderer) return;
  if (!S().Texture || S().TextureWidth != width || S().TextureHeight != height || S().TextureRgb555 != rgb555) {
    if (!MakeTexture(width, height, rgb555)) return;
    DestroyTexture(S().Enlarged);
  }
  SDL_UpdateTexture(S().Texture, nullptr, pixels, pitchBytes);
  int outW = 0, outH = 0;
  SDL_GetRendererOutputSize(S().Renderer, &outW, &outH);
  const TLetterbox box = SdlPlacement(outW, outH);
  DrawPicture(box);
  SDL_RenderPresent(S().Renderer);
  SdlConfinePointer(box.Dest);
  Pace();
}

// Every way to the screen here converts the 16-bit picture (the texture's upload into the
// renderer's 32-bit format, the processor's scaling into the window's 32-bit surface), and that
// conversion reads the back buffer where it is: a frame memory of ours would save no copy.
std::shared_ptr<uint16_t[]> PlatformFrameMemory(size_t) { return nullptr; }
