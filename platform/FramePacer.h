// Paces frames to a fixed rate on a monotonic clock, for displays that do not: no vertical
// sync, or a refresh far from the designed pace. A frame that ends late (a busy machine wakes
// sleepers late) is made up by the next waits, up to MakeUpFrames frames; a longer stall starts
// the schedule again from there, so lost time is never paid back in a long burst.
#pragma once

#include <cstdint>

class TFramePacer {
 public:
  // framesPerSecond 0: unpaced.
  explicit TFramePacer(int framesPerSecond = 60);

  // A frame was presented at `nowNs`: the time to wait until before the next one begins
  // (nowNs itself when there is nothing to wait for).
  int64_t WakeTime(int64_t nowNs);
  int FramesPerSecond() const { return FFramesPerSecond; }
  static constexpr int MakeUpFrames = 3;

 private:
  int FFramesPerSecond;
  int64_t FPeriodNs;
  int64_t FNextNs = 0;  // when the frame now being made is due
  bool FStarted = false;
};
