// The end of a frame: counting, the overlay's text and timing rules on the virtual clock, the
// canvas given back before presenting.
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
    MakeDisplay(PixelKind565);
    display->FBackCanvas = std::make_unique<TDDCanvas>(display->FBackBuffer.get());
    display->FBackCanvas->Brush.Style = TBrushStyle::Clear;
    Settings.ShowOverlay = true;
    Settings.AutoTiming = false;
    FramesPerSecond = 0;
  }
  // `frames` frames, `ms` apart on the virtual clock, each cleared first like the render pass.
  void RunFrames(int frames, uint32_t ms) {
    for (int i = 0; i < frames; ++i) {
      ClearSurface(&Back(), 0);
      PresentFrame();
      HeadlessSetClock(PlatformTicks() + ms);
    }
  }
  // The picture the three lines should make on a black back buffer.
  static std::vector<uint16_t> Expected(const std::string& fps, int walk, int face) {
    TDDSurface s(640, 480, PixelKind565);
    TDDCanvas c(&s);
    c.Brush.Style = TBrushStyle::Clear;
    c.TextOut(0, 0, "FPS : " + fps);
    c.TextOut(0, 20, "Walk Frame : " + std::to_string(walk));
    c.TextOut(0, 40, "Face Count : " + std::to_string(face));
    c.Release();
    return {s.Pixels(), s.Pixels() + 640 * 480};
  }
  static int Lit() {
    int n = 0;
    for (uint16_t p : HeadlessLastFrame().Pixels) n += p != 0;
    return n;
  }
};

TEST_F(OverlayTest, TheFiftyFramesAfterAnActivationOnlyCountAndPresent) {
  Settings.AutoTiming = true;
  display->RestartRateMeasurement();
  RunFrames(TDisplay::UnmeasuredFrames, 16);
  EXPECT_EQ(display->FRateFrames, 0);
  EXPECT_EQ(HeadlessPresentCount(), 50);
  EXPECT_EQ(Lit(), 0);
  EXPECT_EQ(WalkFrame, 3);
  EXPECT_EQ(FaceCount, 1);
}

TEST_F(OverlayTest, TheFirstMeasuredFrameTakesTheStartAndDrawsNothing) {
  HeadlessSetClock(5000);
  RunFrames(1, 0);
  EXPECT_EQ(display->FRateStart, 5000);
  EXPECT_EQ(display->FRateFrames, 1);
  EXPECT_EQ(Lit(), 0);
  EXPECT_EQ(FramesPerSecond, 0);
}

TEST_F(OverlayTest, OneHundredTwentyFramesOverTwoSecondsShowSixtyAndDriveTheTiming) {
  Settings.AutoTiming = true;
  RunFrames(119, 2000 / 119 + 1);
  HeadlessSetClock(2000);
  ClearSurface(&Back(), 0);
  PresentFrame();
  EXPECT_DOUBLE_EQ(FramesPerSecond, 60.0);
  EXPECT_EQ(WalkFrame, 12);
  EXPECT_EQ(FaceCount, 4);
  EXPECT_EQ(HeadlessLastFrame().Pixels, Expected("60.00", 12, 4));
  EXPECT_GT(Lit(), 0);
  EXPECT_FALSE(display->FBackCanvas->HoldsDC());
}

TEST_F(OverlayTest, ASlowRateIsPaddedToFiveCharacters) {
  RunFrames(14, 100);
  HeadlessSetClock(2000);
  ClearSurface(&Back(), 0);
  PresentFrame();
  EXPECT_DOUBLE_EQ(FramesPerSecond, 7.5);
  EXPECT_EQ(HeadlessLastFrame().Pixels, Expected(" 7.50", 3, 1));
}

TEST_F(OverlayTest, AutoTimingRoundsHalvesToEven) {
  Settings.AutoTiming = true;
  RunFrames(24, 10);
  HeadlessSetClock(2000);
  PresentFrame();  // 25 frames in 2 s: 12.5 per second
  EXPECT_EQ(WalkFrame, 2);
  EXPECT_EQ(FaceCount, 1);
  HeadlessSetClock(0);
  display->FRateFrames = 0;
  RunFrames(74, 10);
  HeadlessSetClock(2000);
  PresentFrame();  // 37.5 per second
  EXPECT_EQ(WalkFrame, 8);
  EXPECT_EQ(FaceCount, 2);
}

TEST_F(OverlayTest, ANonPositiveElapsedTimeCountsAsOneHundredFramesPerSecond) {
  Settings.AutoTiming = true;
  HeadlessSetClock(1000);
  RunFrames(1, 0);
  HeadlessSetClock(900);  // the clock went back
  PresentFrame();
  EXPECT_DOUBLE_EQ(FramesPerSecond, 100.0);
  EXPECT_EQ(WalkFrame, 20);
  EXPECT_EQ(FaceCount, 7);
}

TEST_F(OverlayTest, BelowTwoAndAHalfFramesPerSecondWalkFrameBecomesZero) {
  Settings.AutoTiming = true;
  RunFrames(2, 1000);
  PresentFrame();  // 3 frames in 2 s
  EXPECT_EQ(WalkFrame, 0);
}

TEST_F(OverlayTest, WithTheOverlayOffFramesAreCountedAndPresentedWithoutText) {
  Settings.ShowOverlay = false;
  Settings.AutoTiming = true;
  RunFrames(30, 16);
  EXPECT_EQ(display->FRateFrames, 30);
  EXPECT_EQ(HeadlessPresentCount(), 30);
  EXPECT_EQ(Lit(), 0);
  EXPECT_EQ(WalkFrame, 3);
}

TEST_F(OverlayTest, AFailedWriteReleasesTheCanvasAndSkipsThePresentation) {
  RunFrames(1, 16);
  DDSURFACEDESC desc;
  ASSERT_EQ(Back().Lock(&desc, 0), DD_OK);  // held elsewhere: no device context to be had
  EXPECT_THROW(PresentFrame(), std::runtime_error);
  EXPECT_FALSE(display->FBackCanvas->HoldsDC());
  EXPECT_EQ(HeadlessPresentCount(), 1);
  Back().Unlock();
  PresentFrame();
  EXPECT_EQ(HeadlessPresentCount(), 2);
}

TEST_F(OverlayTest, ABackBufferBusyForAMomentIsWaitedForNotAnError) {
  RunFrames(1, 16);
  Back().InjectBusy(1);
  EXPECT_NO_THROW(PresentFrame());
  EXPECT_FALSE(display->FBackCanvas->HoldsDC());
  EXPECT_EQ(HeadlessPresentCount(), 2);
}

}  // namespace
