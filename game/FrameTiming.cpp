// The walk timing from the frame rate the overlay measures, and the end of every frame step.
#include "game/FrameTiming.h"

#include <cmath>

#include "core/Settings.h"
#include "game/World.h"
#include "gfx/Overlay.h"

void FollowFrameRate(double framesPerSecond) {
  // nearbyint rounds halves to even in the default rounding mode.
  WalkFrame = static_cast<int>(std::nearbyint(framesPerSecond * 0.2));
  FaceCount = static_cast<int>(std::nearbyint(framesPerSecond / 15));
}

void FinishFrame() {
  const bool measured = CountFrame();
  if (measured && Settings.AutoTiming) FollowFrameRate(FramesPerSecond);
  if (World != nullptr && World->FView.FFrameOpen) {
    PresentFrame(measured, World->FView.FFrame, World->FView.FRenderer, World->FView.FRedrawChanged);
  } else {
    PresentFrame(measured);
  }
}
