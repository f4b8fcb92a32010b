#include "platform/web/AnimationPace.h"

#include <cmath>

TAnimationPace::TAnimationPace(int framesPerSecond)
    : FPacer(framesPerSecond),
      // A quarter of a frame: more than a display's jitter, less than half a 120 Hz refresh.
      FSlackNs(framesPerSecond > 0 ? 250'000'000 / framesPerSecond : 0) {}

bool TAnimationPace::Due(double nowMs) {
  const auto nowNs = static_cast<int64_t>(std::llround(nowMs * 1e6));
  if (FStarted && nowNs < FWakeNs - FSlackNs) return false;
  FStarted = true;
  FWakeNs = FPacer.WakeTime(nowNs);
  return true;
}
