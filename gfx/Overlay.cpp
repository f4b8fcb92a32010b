// The end of every frame: the frame-rate count, the debug overlay and the presentation.
#include "gfx/Overlay.h"

#include <cstdio>
#include <string>

#include "gfx/Display.h"
#include "platform/GameInput.h"
#include "core/Settings.h"

double FramesPerSecond = 0;

namespace {

// Ticks are 32-bit and wrap: the difference is taken in 32 bits.
int32_t TicksSince(int start) {
  return static_cast<int32_t>(GameTicks() - static_cast<uint32_t>(start));
}

void WriteOverlay(TDDCanvas& canvas) {
  canvas.Font.Color = RGB(255, 255, 255);
  char fps[64];
  std::snprintf(fps, sizeof fps, "FPS : %5.2f", FramesPerSecond);
  canvas.TextOut(0, 0, fps);
  canvas.TextOut(0, 20, "Walk Frame : " + std::to_string(WalkFrame));
  canvas.TextOut(0, 40, "Face Count : " + std::to_string(FaceCount));
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
  TDisplay* display = Display;
  if (display == nullptr) return;
  if (measured && display->FBackCanvas) {
    TCanvasRelease release(*display->FBackCanvas);
    WriteOverlay(*display->FBackCanvas);
  }
  display->PresentBackBuffer();
}
