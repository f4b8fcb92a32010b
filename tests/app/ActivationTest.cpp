// The frame pump's state table: activation, deactivation, minimize and restore.
#include <gtest/gtest.h>

#include "app/Activation.h"

namespace {

class PumpTest : public ::testing::TestWithParam<bool> {
 protected:
  bool FullScreen() const { return GetParam(); }
  TActivation Pump{GetParam()};
};

TEST_P(PumpTest, StartsDetachedUntilTheFirstActivation) {
  EXPECT_FALSE(Pump.FIdleOn);
  EXPECT_FALSE(Pump.FrameDue());
  EXPECT_TRUE(Pump.Activate(true));
  EXPECT_TRUE(Pump.FIdleOn);
  EXPECT_TRUE(Pump.FrameDue());
}

TEST_P(PumpTest, DeactivationStopsFramesOnlyInFullScreen) {
  Pump.Activate(true);
  EXPECT_FALSE(Pump.Activate(false));
  EXPECT_FALSE(Pump.FActive);
  EXPECT_EQ(Pump.FIdleOn, !FullScreen());
  EXPECT_EQ(Pump.FrameDue(), !FullScreen());
}

TEST_P(PumpTest, MinimizeStopsFramesAndRestoreResumesThem) {
  Pump.Activate(true);
  Pump.Minimize();
  EXPECT_TRUE(Pump.Minimized());
  EXPECT_TRUE(Pump.FSavedIdle);
  EXPECT_FALSE(Pump.FrameDue());
  Pump.Restore();
  EXPECT_FALSE(Pump.Minimized());
  EXPECT_TRUE(Pump.FrameDue());
}

TEST_P(PumpTest, RestoreResumesFramesOnlyIfTheyRanBeforeTheMinimize) {
  Pump.Minimize();  // never activated: frames were not running
  Pump.Restore();
  EXPECT_FALSE(Pump.FIdleOn);
}

TEST_P(PumpTest, ASecondMinimizeDoesNotForgetThatFramesRan) {
  Pump.Activate(true);
  Pump.Minimize();
  Pump.Minimize();
  Pump.Restore();
  EXPECT_TRUE(Pump.FIdleOn);
}

TEST_P(PumpTest, ARestoreWithoutAMinimizeChangesNothing) {
  Pump.Activate(true);
  Pump.Restore();
  EXPECT_TRUE(Pump.FIdleOn);
}

TEST_P(PumpTest, ActivationWhileMinimizedAttachesAgain) {
  Pump.Activate(true);
  Pump.Minimize();
  EXPECT_TRUE(Pump.Activate(true));
  EXPECT_TRUE(Pump.FIdleOn);
}

INSTANTIATE_TEST_SUITE_P(Modes, PumpTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "FullScreen" : "Windowed"; });

TEST(FullScreenPumpTest, LosingFocusAndMinimizingThenComingBackRunsFramesAgain) {
  // The order a desktop sends them when the user switches away from a full-screen game.
  TActivation pump(true);
  pump.Activate(true);
  pump.Activate(false);
  pump.Minimize();
  pump.Restore();
  EXPECT_FALSE(pump.FrameDue());
  pump.Activate(true);
  EXPECT_TRUE(pump.FrameDue());
}

TEST(FullScreenPumpTest, AnAttachedPumpRunsNoFramesWhileInactive) {
  TActivation pump(true);
  pump.Activate(true);
  pump.FActive = false;
  EXPECT_TRUE(pump.FIdleOn);
  EXPECT_FALSE(pump.FrameDue());
}

TEST(WindowedPumpTest, MinimizingAWindowThatLostFocusStillStopsFrames) {
  TActivation pump(false);
  pump.Activate(true);
  pump.Activate(false);
  EXPECT_TRUE(pump.FrameDue());
  pump.Minimize();
  EXPECT_FALSE(pump.FrameDue());
  pump.Restore();
  EXPECT_TRUE(pump.FrameDue());
}

}  // namespace
