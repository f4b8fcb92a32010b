// Software surfaces: result codes, the fault hooks, keyed copies and their run encoding.
#include <gtest/gtest.h>

#include <random>

#include "host/DDraw.h"

namespace {

class SurfaceTest : public ::testing::Test {
 protected:
  TDDSurface surface{8, 4, PixelKind565};
  DDSURFACEDESC desc;
};

TEST_F(SurfaceTest, LockHandsOutThePixelsAndPitchUntilUnlock) {
  ASSERT_EQ(surface.Lock(&desc), DD_OK);
  EXPECT_EQ(desc.lpSurface, surface.Pixels());
  EXPECT_EQ(desc.lPitch, 16);
  EXPECT_EQ(surface.Lock(&desc), DDERR_SURFACEBUSY);
  EXPECT_EQ(surface.Unlock(), DD_OK);
  EXPECT_EQ(surface.Unlock(), DDERR_NOTLOCKED);
}

TEST_F(SurfaceTest, APaddedPitchKeepsRowsApart) {
  TDDSurface padded(3, 2, PixelKind565, 5);
  ASSERT_EQ(padded.Lock(&desc), DD_OK);
  EXPECT_EQ(desc.lPitch, 10);
  padded.Unlock();
  TDDSurface src(3, 2, PixelKind565);
  std::fill(src.Pixels(), src.Pixels() + 6, uint16_t{7});
  ASSERT_EQ(padded.BltFast(0, 0, &src, TRect{0, 0, 3, 2}, false), DD_OK);
  EXPECT_EQ(padded.Pixels()[5], 7);
  EXPECT_EQ(padded.Pixels()[3], 0);
}

TEST_F(SurfaceTest, InjectedBusyAnswersForExactlyThatManyCalls) {
  surface.InjectBusy(2);
  EXPECT_EQ(surface.Lock(&desc), DDERR_WASSTILLDRAWING);
  EXPECT_EQ(surface.BltFill(nullptr, 1), DDERR_WASSTILLDRAWING);
  EXPECT_EQ(surface.BltFill(nullptr, 1), DD_OK);
}

TEST_F(SurfaceTest, ALostSurfaceAnswersLostUntilRestoredAndLosesItsContents) {
  surface.BltFill(nullptr, 0x1234);
  surface.LoseSurface();
  TSurfaceDC* dc;
  EXPECT_EQ(surface.Lock(&desc), DDERR_SURFACELOST);
  EXPECT_EQ(surface.GetDC(&dc), DDERR_SURFACELOST);
  EXPECT_EQ(surface.Flip(), DDERR_SURFACELOST);
  EXPECT_EQ(surface.Restore(), DD_OK);
  EXPECT_EQ(surface.Lock(&desc), DD_OK);
  EXPECT_NE(surface.Pixels()[0], 0x1234);
}

TEST_F(SurfaceTest, LoseEveryLosesOnTheNthCall) {
  surface.LoseEvery(3);
  EXPECT_EQ(surface.Flip(), DD_OK);
  EXPECT_EQ(surface.Flip(), DD_OK);
  EXPECT_EQ(surface.Flip(), DDERR_SURFACELOST);
  EXPECT_TRUE(surface.IsLost());
}

TEST_F(SurfaceTest, AnInjectedLockFailureHoldsUntilCleared) {
  surface.InjectLockFailure(DDERR_GENERIC);
  EXPECT_EQ(surface.Lock(&desc), DDERR_GENERIC);
  EXPECT_EQ(surface.Lock(&desc), DDERR_GENERIC);
  surface.InjectLockFailure(0);
  EXPECT_EQ(surface.Lock(&desc), DD_OK);
}

TEST_F(SurfaceTest, AHeldDeviceContextBlocksLocksAndCopies) {
  TSurfaceDC* dc;
  ASSERT_EQ(surface.GetDC(&dc), DD_OK);
  EXPECT_EQ(dc->Pixels, surface.Pixels());
  TSurfaceDC* second;
  EXPECT_EQ(surface.GetDC(&second), DDERR_DCALREADYCREATED);
  EXPECT_EQ(surface.Lock(&desc), DDERR_SURFACEBUSY);
  EXPECT_EQ(surface.BltFill(nullptr, 0), DDERR_SURFACEBUSY);
  EXPECT_EQ(surface.Flip(), DDERR_SURFACEBUSY);
  EXPECT_EQ(surface.ReleaseDC(dc), DD_OK);
  EXPECT_EQ(surface.ReleaseDC(dc), DDERR_NODC);
  EXPECT_EQ(surface.Lock(&desc), DD_OK);
}

TEST_F(SurfaceTest, BltFastRefusesRectanglesOutsideEitherSurface) {
  TDDSurface src(4, 4, PixelKind565);
  EXPECT_EQ(surface.BltFast(0, 0, &src, TRect{0, 0, 5, 1}, false), DDERR_INVALIDRECT);
  EXPECT_EQ(surface.BltFast(0, 0, &src, TRect{-1, 0, 2, 1}, false), DDERR_INVALIDRECT);
  EXPECT_EQ(surface.BltFast(6, 0, &src, TRect{0, 0, 3, 1}, false), DDERR_INVALIDRECT);
  EXPECT_EQ(surface.BltFast(0, 0, &src, TRect{2, 0, 2, 1}, false), DDERR_INVALIDRECT);
  EXPECT_EQ(surface.BltFast(5, 3, &src, TRect{0, 0, 3, 1}, false), DD_OK);
}

TEST_F(SurfaceTest, BltStretchesTheWholeSourceNearestPixel) {
  TDDSurface src(2, 1, PixelKind565);
  src.Pixels()[0] = 1;
  src.Pixels()[1] = 2;
  ASSERT_EQ(surface.Blt(nullptr, &src), DD_OK);
  EXPECT_EQ(surface.Pixels()[3], 1);
  EXPECT_EQ(surface.Pixels()[4], 2);
  EXPECT_EQ(surface.Pixels()[31], 2);
}

TEST_F(SurfaceTest, PixelFormatGivesTheRedMaskOfTheLayout) {
  DDPIXELFORMAT f;
  surface.GetPixelFormat(&f);
  EXPECT_EQ(f.dwRBitMask, 0xF800u);
  TDDSurface s555(1, 1, PixelKind555);
  s555.GetPixelFormat(&f);
  EXPECT_EQ(f.dwRBitMask, 0x7C00u);
  TDDSurface bgr(1, 1, PixelKindBgr565);
  bgr.GetPixelFormat(&f);
  EXPECT_EQ(f.dwRBitMask, 0x001Fu);
}

class KeyRunsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::mt19937 rng(11);
    for (int i = 0; i < 200 * 100; ++i) {
      sheet.Pixels()[i] = (rng() % 4 == 0) ? 0 : static_cast<uint16_t>(rng() | 1);
    }
    sheet.SetColorKey(0, 0);
  }
  TDDSurface sheet{200, 100, PixelKind565};
};

TEST_F(KeyRunsTest, RunsMatchThePlainKeyedCopyForRandomRectangles) {
  TDDSurface fast(300, 200, PixelKind565), plain(300, 200, PixelKind565);
  std::mt19937 rng(5);
  for (int i = 0; i < 500; ++i) {
    const int l = static_cast<int>(rng() % 200), t = static_cast<int>(rng() % 100);
    const TRect r{l, t, l + 1 + static_cast<int>(rng() % (200 - l)), t + 1 + static_cast<int>(rng() % (100 - t))};
    const int x = static_cast<int>(rng() % (301 - (r.Right - r.Left)));
    const int y = static_cast<int>(rng() % (201 - (r.Bottom - r.Top)));
    sheet.UseKeyRuns(true);
    ASSERT_EQ(fast.BltFast(x, y, &sheet, r, true), DD_OK);
    sheet.UseKeyRuns(false);
    ASSERT_EQ(plain.BltFast(x, y, &sheet, r, true), DD_OK);
  }
  EXPECT_TRUE(std::equal(fast.Pixels(), fast.Pixels() + 300 * 200, plain.Pixels()));
}

TEST_F(KeyRunsTest, AWritableLockOrDeviceContextRebuildsTheRunsOnTheNextCopy) {
  TDDSurface dest(200, 100, PixelKind565);
  DDSURFACEDESC desc;
  sheet.PrepareKeyRuns();
  ASSERT_EQ(sheet.Lock(&desc, DDLOCK_READONLY), DD_OK);
  sheet.Unlock();
  EXPECT_TRUE(sheet.KeyRunsReady());
  ASSERT_EQ(sheet.Lock(&desc), DD_OK);
  static_cast<uint16_t*>(desc.lpSurface)[0] = 0x7777;
  sheet.Unlock();
  EXPECT_FALSE(sheet.KeyRunsReady());
  ASSERT_EQ(dest.BltFast(0, 0, &sheet, TRect{0, 0, 1, 1}, true), DD_OK);
  EXPECT_EQ(dest.Pixels()[0], 0x7777);
  TSurfaceDC* dc;
  ASSERT_EQ(sheet.GetDC(&dc), DD_OK);
  dc->Pixels[0] = 0;
  sheet.ReleaseDC(dc);
  dest.Pixels()[0] = 0x1111;
  ASSERT_EQ(dest.BltFast(0, 0, &sheet, TRect{0, 0, 1, 1}, true), DD_OK);
  EXPECT_EQ(dest.Pixels()[0], 0x1111);
}

TEST_F(KeyRunsTest, AColourKeyRangeSkipsEveryValueInIt) {
  TDDSurface src(4, 1, PixelKind565), dest(4, 1, PixelKind565);
  for (int i = 0; i < 4; ++i) src.Pixels()[i] = static_cast<uint16_t>(i + 1);
  src.SetColorKey(2, 3);
  ASSERT_EQ(dest.BltFast(0, 0, &src, TRect{0, 0, 4, 1}, true), DD_OK);
  EXPECT_EQ(dest.Pixels()[0], 1);
  EXPECT_EQ(dest.Pixels()[1], 0);
  EXPECT_EQ(dest.Pixels()[2], 0);
  EXPECT_EQ(dest.Pixels()[3], 4);
}

}  // namespace
