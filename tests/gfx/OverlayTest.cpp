// The end of a frame: counting, the overlay's text on the virtual clock, the canvas given back
// before presenting.
#include <cstdio>
#include <stdexcept>

#include "gfx/DDCanvas.h"
#include "gfx/Overlay.h"
#include "platform/Platform.h"
#include "tests/gfx/GfxFixture.h"

namespace {

class OverlayTest : public GfxTest {
 protected:
  void SetUp() override {
    GfxTest::SetUp();
    MakeOverlayDisplay();
  }
  static void Frame() { PresentFrame(CountFrame()); }
  // `frames` frames, `ms` apart on the virtual clock, each cleared first like the render pass.
  void RunFrames(int frames, uint32_t ms) {
    for (int i = 0; i < frames; ++i) {
      ClearSurface(&Back(), 0);
      Frame();
      HeadlessSetClock(PlatformTicks() + ms);
    }
  }
  static int Lit() {
    int n = 0;
    for (uint16_t p : HeadlessLastFrame().Pixels) n += p != 0;
    return n;
  }
};

TEST_F(OverlayTest, TheFiftyFramesAfterAnActivationOnlyCountAndPresent) {
  display->RestartRateMeasurement();
  RunFrames(TDisplay::UnmeasuredFrames, 16);
  EXPECT_EQ(display->FRateFrames, 0);
  EXPECT_EQ(HeadlessPresentCount(), 50);
  EXPECT_EQ(Lit(), 0);
  EXPECT_EQ(FramesPerSecond, 0);
}

TEST_F(OverlayTest, TheFirstMeasuredFrameTakesTheStartAndDrawsNothing) {
  HeadlessSetClock(5000);
  EXPECT_FALSE(CountFrame());
  PresentFrame(false);
  EXPECT_EQ(display->FRateStart, 5000);
  EXPECT_EQ(display->FRateFrames, 1);
  EXPECT_EQ(Lit(), 0);
  EXPECT_EQ(FramesPerSecond, 0);
}

TEST_F(OverlayTest, OneHundredTwentyFramesOverTwoSecondsShowSixty) {
  RunFrames(119, 2000 / 119 + 1);
  HeadlessSetClock(2000);
  ClearSurface(&Back(), 0);
  EXPECT_TRUE(CountFrame());
  PresentFrame(true);
  EXPECT_DOUBLE_EQ(FramesPerSecond, 60.0);
  EXPECT_EQ(HeadlessLastFrame().Pixels, OverlayPicture("60.00", 3, 1));
  EXPECT_FALSE(display->FBackCanvas->HoldsDC());
}

TEST_F(OverlayTest, ASlowRateIsPaddedToFiveCharacters) {
  RunFrames(14, 100);
  HeadlessSetClock(2000);
  ClearSurface(&Back(), 0);
  Frame();
  EXPECT_DOUBLE_EQ(FramesPerSecond, 7.5);
  EXPECT_EQ(HeadlessLastFrame().Pixels, OverlayPicture(" 7.50", 3, 1));
}

TEST_F(OverlayTest, ANonPositiveElapsedTimeCountsAsOneHundredFramesPerSecond) {
  HeadlessSetClock(1000);
  RunFrames(1, 0);
  HeadlessSetClock(900);  // the clock went back
  Frame();
  EXPECT_DOUBLE_EQ(FramesPerSecond, 100.0);
}

TEST_F(OverlayTest, WithTheOverlayOffFramesAreCountedAndPresentedWithoutText) {
  Settings.ShowOverlay = false;
  RunFrames(30, 16);
  EXPECT_EQ(display->FRateFrames, 30);
  EXPECT_EQ(HeadlessPresentCount(), 30);
  EXPECT_EQ(Lit(), 0);
  EXPECT_EQ(FramesPerSecond, 0);
}

TEST_F(OverlayTest, AFailedWriteReleasesTheCanvasAndSkipsThePresentation) {
  RunFrames(1, 16);
  DDSURFACEDESC desc;
  ASSERT_EQ(Back().Lock(&desc, 0), DD_OK);  // held elsewhere: no device context to be had
  EXPECT_THROW(Frame(), std::runtime_error);
  EXPECT_FALSE(display->FBackCanvas->HoldsDC());
  EXPECT_EQ(HeadlessPresentCount(), 1);
  Back().Unlock();
  Frame();
  EXPECT_EQ(HeadlessPresentCount(), 2);
}

TEST_F(OverlayTest, ABackBufferBusyForAMomentIsWaitedForNotAnError) {
  RunFrames(1, 16);
  Back().InjectBusy(1);
  EXPECT_NO_THROW(Frame());
  EXPECT_FALSE(display->FBackCanvas->HoldsDC());
  EXPECT_EQ(HeadlessPresentCount(), 2);
}

}  // namespace
