#include "platform/FramePacer.h"

#include <algorithm>

TFramePacer::TFramePacer(int framesPerSecond)
    : FFramesPerSecond(std::max(framesPerSecond, 0)),
      FPeriodNs(FFramesPerSecond > 0 ? 1'000'000'000 / FFramesPerSecond : 0) {}

int64_t TFramePacer::WakeTime(int64_t nowNs) {
  if (FPeriodNs == 0) return nowNs;
  if (!FStarted || nowNs - FNextNs >= MakeUpFrames * FPeriodNs) {
    FStarted = true;
    FNextNs = nowNs + FPeriodNs;
    return nowNs;
  }
  const int64_t wake = std::max(nowNs, FNextNs);
  FNextNs += FPeriodNs;
  return wake;
}
