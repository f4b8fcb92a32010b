// The pacer on a clock of our own: the designed rate without vertical sync, beside a display
// that presents quickly, and after a stall.
#include <gtest/gtest.h>

#include "platform/FramePacer.h"

namespace {

constexpr int64_t Ms = 1'000'000;

// Runs `frames` frames, each taking workNs before its present, waiting as told; the clock at the end.
int64_t RunFrames(TFramePacer& pacer, int64_t start, int frames, int64_t workNs) {
  int64_t now = start;
  for (int i = 0; i < frames; ++i) {
    now += workNs;
    now = pacer.WakeTime(now);
  }
  return now;
}

TEST(FramePacerTest, WithoutVerticalSyncFramesComeAtTheDesignedRate) {
  TFramePacer pacer(60);
  // 600 frames of 1 ms work (500 a second unpaced) take ten seconds.
  const int64_t end = RunFrames(pacer, 0, 600, 1 * Ms);
  EXPECT_NEAR(static_cast<double>(end) / Ms, 10000.0, 20.0);
}

TEST(FramePacerTest, LateFramesAreMadeUpButAStallIsNotPaidBackInABurst) {
  TFramePacer pacer(60);
  int64_t now = RunFrames(pacer, 0, 60, 1 * Ms);
  // One frame 25 ms late in all: the following waits are shorter and the schedule holds.
  now = pacer.WakeTime(now + 25 * Ms);
  const int64_t afterLate = RunFrames(pacer, now, 60, 1 * Ms);
  EXPECT_NEAR(static_cast<double>(afterLate) / Ms, 61 * 1000.0 / 60 + 1000.0, 20.0);
  // A stall of a second: the schedule starts again there instead of running 60 frames at once.
  now = pacer.WakeTime(afterLate + 1000 * Ms);
  const int64_t next = pacer.WakeTime(now + 1 * Ms);
  EXPECT_GE(next - now, 15 * Ms);
}

TEST(FramePacerTest, AFastDisplayDoesNotSpeedTheGameUpAndZeroMeansUnpaced) {
  TFramePacer pacer(60);
  // A 144 Hz display handing back presents every 6.9 ms still gives 60 frames a second.
  EXPECT_NEAR(static_cast<double>(RunFrames(pacer, 0, 120, 6'900'000)) / Ms, 2000.0, 20.0);
  TFramePacer unpaced(0);
  EXPECT_EQ(RunFrames(unpaced, 0, 100, 2 * Ms), 200 * Ms);
}

}  // namespace
