// The end of every frame: the frame-rate count, the debug overlay and the presentation.
#include "gfx/Overlay.h"

#include <cstdio>
#include <string>

#include "core/Settings.h"
#include "gfx/Display.h"
#include "gfx/FrameList.h"
#include "platform/GameInput.h"

double FramesPerSecond = 0;

namespace {

bool Shown = false;  // the last presented frame carried the overlay

// Ticks are 32-bit and wrap: the difference is taken in 32 bits.
int32_t TicksSince(int start) { return static_cast<int32_t>(GameTicks() - static_cast<uint32_t>(start)); }

// The overlay's three lines, written anew only when the number in one of them changes.
struct TOverlayLines {
  double Fps = -1;
  int Walk = -1;
  int Face = -1;
  char FpsLine[64] = {};
  std::string WalkLine;
  std::string FaceLine;

  void Follow() {
    if (FramesPerSecond != Fps) {
      Fps = FramesPerSecond;
      std::snprintf(FpsLine, sizeof FpsLine, "FPS : %5.2f", Fps);
    }
    if (WalkFrame != Walk) {
      Walk = WalkFrame;
      WalkLine = "Walk Frame : " + std::to_string(Walk);
    }
    if (FaceCount != Face) {
      Face = FaceCount;
      FaceLine = "Face Count : " + std::to_string(Face);
    }
  }
};

void AddOverlay(TFrameList& frame, TDDCanvas& canvas) {
  static TOverlayLines lines;
  lines.Follow();
  canvas.Font.Color = RGB(255, 255, 255);
  const int points = canvas.Font.Size;
  frame.Add(TTextLine{0, 0, points, canvas.Font.Color, lines.FpsLine});
  frame.Add(TTextLine{0, 20, points, canvas.Font.Color, lines.WalkLine});
  frame.Add(TTextLine{0, 40, points, canvas.Font.Color, lines.FaceLine});
}

}  // namespace

bool CountFrame() {
  TDisplay* display = Display;
  if (display == nullptr) return false;
  if (display->FRateFrames == 0) display->FRateStart = static_cast<int>(GameTicks());
  ++display->FRateFrames;
  if (!Settings.ShowOverlay || display->FRateFrames <= 0 || !display->FBackCanvas) return false;
  // A clock that has not moved since the start measures nothing yet.
  if (GameTicks() == static_cast<uint32_t>(display->FRateStart)) return false;
  const int32_t elapsed = TicksSince(display->FRateStart);
  FramesPerSecond = elapsed > 0 ? display->FRateFrames * 1000.0 / elapsed : 100.0;
  return true;
}

void PresentFrame(bool measured) {
  TFrameList frame;
  TFrameRenderer renderer;
  PresentFrame(measured, frame, renderer, false);
}

void PresentFrame(bool measured, TFrameList& frame, TFrameRenderer& renderer, bool changedOnly) {
  TDisplay* display = Display;
  if (display == nullptr) return;
  Shown = measured && display->FBackCanvas;
  if (Shown) AddOverlay(frame, *display->FBackCanvas);
  if (display->FBackBuffer) renderer.Draw(frame, *display->FBackBuffer, changedOnly);
  display->PresentBackBuffer();
}

bool OverlayShown() { return Shown; }
