// The walk timing that follows the measured frame rate: worked out at the end of a frame step
// before the overlay shows it, and only from a rate measured in that frame.
#include "game/FrameTiming.h"
#include "gfx/Overlay.h"
#include "platform/Platform.h"
#include "tests/gfx/GfxFixture.h"

namespace {

class FrameTimingTest : public GfxTest {
 protected:
  void SetUp() override {
    GfxTest::SetUp();
    MakeOverlayDisplay();
    Settings.AutoTiming = true;
  }
  // `frames` frame ends, `ms` apart on the virtual clock, each on a cleared back buffer.
  void RunFrames(int frames, uint32_t ms) {
    for (int i = 0; i < frames; ++i) {
      ClearSurface(&Back(), 0);
      FinishFrame();
      HeadlessSetClock(PlatformTicks() + ms);
    }
  }
};

TEST_F(FrameTimingTest, SixtyFramesPerSecondGiveTwelveAndFourAndTheOverlayShowsTheNewValues) {
  RunFrames(119, 2000 / 119 + 1);
  HeadlessSetClock(2000);
  ClearSurface(&Back(), 0);
  FinishFrame();
  EXPECT_EQ(WalkFrame, 12);
  EXPECT_EQ(FaceCount, 4);
  EXPECT_EQ(HeadlessLastFrame().Pixels, OverlayPicture("60.00", 12, 4));
}

TEST_F(FrameTimingTest, FramesThatMeasureNoRateLeaveTheTimingAlone) {
  display->RestartRateMeasurement();
  RunFrames(TDisplay::UnmeasuredFrames, 16);
  Settings.ShowOverlay = false;
  RunFrames(30, 16);
  EXPECT_EQ(WalkFrame, 3);
  EXPECT_EQ(FaceCount, 1);
  Settings.ShowOverlay = true;
  Settings.AutoTiming = false;
  RunFrames(30, 16);
  EXPECT_GT(FramesPerSecond, 0);
  EXPECT_EQ(WalkFrame, 3);
  EXPECT_EQ(FaceCount, 1);
}

TEST(FollowFrameRate, RoundsHalvesToEvenAndStopsTheWalkBelowTwoAndAHalf) {
  const struct {
    double Rate;
    int Walk, Face;
  } rates[] = {{60, 12, 4}, {100, 20, 7}, {12.5, 2, 1}, {37.5, 8, 2}, {1.5, 0, 0}};
  for (const auto& r : rates) {
    FollowFrameRate(r.Rate);
    EXPECT_EQ(WalkFrame, r.Walk) << r.Rate;
    EXPECT_EQ(FaceCount, r.Face) << r.Rate;
  }
  ResetSettings();
}

}  // namespace
