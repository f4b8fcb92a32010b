// The game's pace on the browser's clock: at most one game frame per animation frame, at the
// designed rate. A display faster than that skips animation frames rather than running the
// game faster; one near the rate runs a frame in each despite the jitter of its timestamps.
// Free of the browser, so it is tested natively.
#pragma once

#include <cstdint>

#include "platform/FramePacer.h"

class TAnimationPace {
 public:
  explicit TAnimationPace(int framesPerSecond = 60);
  // An animation frame began at nowMs (the browser's timestamp): whether a game frame runs in it.
  bool Due(double nowMs);

 private:
  TFramePacer FPacer;
  int64_t FSlackNs;     // how early an animation frame may take the next game frame
  int64_t FWakeNs = 0;  // when the next game frame is due
  bool FStarted = false;
};
