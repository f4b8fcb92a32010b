// The game's pace on the browser's animation frames: 60 game frames a second on displays of
// 60 Hz and faster (with jittery timestamps), one per animation frame on a slower one, and a
// pause that is not paid back in a burst.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/web/AnimationPace.h"

namespace {

// Game frames run in `seconds` of animation frames at `hz`, timestamps off by up to jitterMs.
int GameFrames(TAnimationPace& pace, double startMs, double hz, double seconds, double jitterMs) {
  int frames = 0;
  const int count = static_cast<int>(hz * seconds);
  std::srand(3);
  for (int i = 0; i < count; ++i) {
    const double jitter = jitterMs * (std::rand() / static_cast<double>(RAND_MAX) * 2 - 1);
    frames += pace.Due(startMs + i * 1000.0 / hz + jitter);
  }
  return frames;
}

TEST(AnimationPaceTest, SixtyGameFramesASecondOnDisplaysOfSixtyHertzAndFaster) {
  for (double hz : {60.0, 59.94, 75.0, 120.0, 144.0, 165.0, 240.0}) {
    TAnimationPace pace(60);
    const int frames = GameFrames(pace, 1000.0, hz, 10.0, hz == 60.0 ? 1.5 : 0.3);
    EXPECT_NEAR(frames, hz < 60 ? hz * 10 : 600, 3) << hz << " Hz";
  }
}

TEST(AnimationPaceTest, ASlowerDisplayRunsAFrameInEachAnimationFrame) {
  TAnimationPace pace(60);
  EXPECT_EQ(GameFrames(pace, 0.0, 50.0, 4.0, 0.0), 200);
}

TEST(AnimationPaceTest, AfterAPauseTheGameGoesOnAtItsPaceWithoutCatchingUp) {
  TAnimationPace pace(60);
  EXPECT_NEAR(GameFrames(pace, 0.0, 120.0, 2.0, 0.0), 120, 2);
  // A hidden page gets no animation frames for five seconds.
  EXPECT_NEAR(GameFrames(pace, 7000.0, 120.0, 1.0, 0.0), 60, 2);
}

}  // namespace
