// Software surfaces: result codes, the fault hooks, keyed copies and their run encoding.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "ddraw/DDraw.h"
#include "tests/support/RandomCut.h"
#include "tests/support/SurfacePixels.h"

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
  std::fill_n(src.WritePixels(0, src.Height()), 6, uint16_t{7});
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

TEST_F(SurfaceTest, AColourKeyRangeSkipsEveryValueInIt) {
  TDDSurface src(4, 1, PixelKind565), dest(4, 1, PixelKind565);
  for (int i = 0; i < 4; ++i) src.WritePixels(0, src.Height())[i] = static_cast<uint16_t>(i + 1);
  src.SetColorKey(2, 3);
  ASSERT_EQ(dest.BltFast(0, 0, &src, TRect{0, 0, 4, 1}, true), DD_OK);
  EXPECT_EQ(dest.Pixels()[0], 1);
  EXPECT_EQ(dest.Pixels()[1], 0);
  EXPECT_EQ(dest.Pixels()[2], 0);
  EXPECT_EQ(dest.Pixels()[3], 4);
}

TEST_F(SurfaceTest, BltOfTheSameWidthCopiesRowsAndKeepsToTheSurface) {
  TDDSurface src(8, 2, PixelKind565);
  for (int i = 0; i < 16; ++i) src.WritePixels(0, src.Height())[i] = static_cast<uint16_t>(i + 1);
  const TRect to{-2, 1, 6, 5};  // two columns and one row past the edges, twice as high
  ASSERT_EQ(surface.Blt(&to, &src), DD_OK);
  EXPECT_EQ(surface.Pixels()[0 * 8 + 0], 0);
  EXPECT_EQ(surface.Pixels()[1 * 8 + 0], 3);
  EXPECT_EQ(surface.Pixels()[2 * 8 + 5], 8);
  EXPECT_EQ(surface.Pixels()[1 * 8 + 6], 0);
  EXPECT_EQ(surface.Pixels()[3 * 8 + 0], 11);
  EXPECT_EQ(surface.Pixels()[3 * 8 + 5], 16);
}

TEST_F(SurfaceTest, FillsOfEveryKindOfValueCoverExactlyTheRectangle) {
  TDDSurface padded(40, 3, PixelKind565, 48);
  const TRect r{1, 1, 38, 2};
  for (uint16_t colour : {uint16_t{0}, uint16_t{0x4242}, uint16_t{0x1234}}) {
    ASSERT_EQ(padded.BltFill(nullptr, 0xFFFF), DD_OK);
    ASSERT_EQ(padded.BltFill(&r, colour), DD_OK);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 48; ++x) {
        const bool inside = y == 1 && x >= 1 && x < 38;
        const uint16_t expected = inside ? colour : x < 40 ? 0xFFFF : 0;
        ASSERT_EQ(padded.Pixels()[y * 48 + x], expected) << x << "," << y << " colour " << colour;
      }
  }
}

TEST_F(SurfaceTest, BltStretchesTheWholeSourceNearestPixel) {
  TDDSurface src(2, 1, PixelKind565);
  src.WritePixels(0, src.Height())[0] = 1;
  src.WritePixels(0, src.Height())[1] = 2;
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

// A random non-empty rectangle inside the 200 x 100 sheets below.
TRect RandomRect(std::mt19937& rng) {
  const int l = static_cast<int>(rng() % 200), t = static_cast<int>(rng() % 100);
  return TRect{l, t, l + 1 + static_cast<int>(rng() % (200 - l)), t + 1 + static_cast<int>(rng() % (100 - t))};
}

// Copies part of the sheet to one random place of both 300 x 200 surfaces: through the runs
// (through the picture's own when given) onto fast, testing every pixel onto plain.
void CopyBothWays(TDDSurface& sheet, TDDSurface& fast, TDDSurface& plain, std::mt19937& rng, const TRect& part,
                  const TRect* picture) {
  const int x = static_cast<int>(rng() % (301 - (part.Right - part.Left)));
  const int y = static_cast<int>(rng() % (201 - (part.Bottom - part.Top)));
  sheet.UseKeyRuns(true);
  ASSERT_EQ(picture ? fast.BltFastPicture(x, y, &sheet, part, *picture) : fast.BltFast(x, y, &sheet, part, true),
            DD_OK);
  sheet.UseKeyRuns(false);
  ASSERT_EQ(plain.BltFast(x, y, &sheet, part, true), DD_OK);
}

class KeyRunsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::mt19937 rng(11);
    for (int i = 0; i < 200 * 100; ++i) {
      sheet.WritePixels(0, sheet.Height())[i] = (rng() % 4 == 0) ? 0 : static_cast<uint16_t>(rng() | 1);
    }
    sheet.SetColorKey(0, 0);
  }
  TDDSurface sheet{200, 100, PixelKind565};
};

TEST_F(KeyRunsTest, RunsMatchThePlainKeyedCopyForRandomRectangles) {
  TDDSurface fast(300, 200, PixelKind565), plain(300, 200, PixelKind565);
  std::mt19937 rng(5);
  for (int i = 0; i < 500; ++i) {
    ASSERT_NO_FATAL_FAILURE(CopyBothWays(sheet, fast, plain, rng, RandomRect(rng), nullptr));
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
  dest.WritePixels(0, dest.Height())[0] = 0x1111;
  ASSERT_EQ(dest.BltFast(0, 0, &sheet, TRect{0, 0, 1, 1}, true), DD_OK);
  EXPECT_EQ(dest.Pixels()[0], 0x1111);
}

// A sheet with short runs in its upper half and long ones (past 16 pixels) in its lower half.

// Reading the pixels changes nothing; a writer's rows, and only their band, count as changed.
TEST_F(KeyRunsTest, ReadingPixelsMarksNothingAndAWriterMarksOnlyTheRowsItNames) {
  sheet.PrepareKeyRuns();
  const uint64_t seen = sheet.Version();
  EXPECT_EQ(sheet.Pixels()[0], std::as_const(sheet).Pixels()[0]);
  EXPECT_EQ(sheet.Version(), seen);
  EXPECT_TRUE(sheet.KeyRunsReady());
  sheet.WritePixels(20, 21)[20 * (sheet.Pitch() / 2)] = 0x4321;
  EXPECT_FALSE(sheet.KeyRunsReady());
  for (int band = 0; band < sheet.RowBands(); ++band) {
    EXPECT_EQ(sheet.BandChangedSince(band, seen), band == 20 / TDDSurface::RowBand) << band;
  }
  TDDSurface dest(1, 1, PixelKind565);
  ASSERT_EQ(dest.BltFast(0, 0, &sheet, TRect{0, 20, 1, 21}, true), DD_OK);
  EXPECT_EQ(dest.Pixels()[0], 0x4321);
}
class PictureRunsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::mt19937 rng(23);
    for (int y = 0; y < 100; ++y) {
      for (int x = 0; x < 200; ++x) {
        const bool hole = y < 50 ? rng() % 4 == 0 : rng() % 29 == 0;
        sheet.WritePixels(0, sheet.Height())[y * 200 + x] = hole ? 0 : static_cast<uint16_t>(rng() | 1);
      }
    }
    sheet.SetColorKey(0, 0);
  }
  TDDSurface sheet{200, 100, PixelKind565};
};

TEST_F(PictureRunsTest, WholeAndClippedPicturesMatchThePlainKeyedCopy) {
  TDDSurface fast(300, 200, PixelKind565), plain(300, 200, PixelKind565);
  std::mt19937 rng(5);
  for (int i = 0; i < 600; ++i) {
    const TRect picture = RandomRect(rng);
    TRect part = picture;
    if (i % 2 == 1) {  // a part of it, as the screen edges cut it
      part.Left += static_cast<int>(rng() % (picture.Right - picture.Left));
      part.Top += static_cast<int>(rng() % (picture.Bottom - picture.Top));
      part.Right -= static_cast<int>(rng() % (part.Right - part.Left));
      part.Bottom -= static_cast<int>(rng() % (part.Bottom - part.Top));
    }
    ASSERT_NO_FATAL_FAILURE(CopyBothWays(sheet, fast, plain, rng, part, &picture));
  }
  EXPECT_TRUE(std::equal(fast.Pixels(), fast.Pixels() + 300 * 200, plain.Pixels()));
}

// Pictures cut by every edge of a surface with a guard of 0, 16 or 64 pixels (whole rows drawn
// into it where the cut fits, column by column where not), and cut short of the edges, through
// the common case and through the general path of a surface with a fault hook set: the visible
// pixels are those of the plain keyed copy, so nothing drawn into the guard shows or wraps into
// the next row.
TEST_F(PictureRunsTest, PicturesCutByAnEdgeShowTheSamePixelsWithAnyGuard) {
  for (int guard : {0, 16, 64}) {
    for (bool quiet : {true, false}) {
      SCOPED_TRACE("guard " + std::to_string(guard) + (quiet ? ", quiet" : ", with a fault hook"));
      TDDSurface fast(150, 90, PixelKind565, 0, guard), plain(150, 90, PixelKind565);
      if (!quiet) fast.LoseEvery(1 << 30);  // never reached, but no longer quiet
      std::mt19937 rng(guard * 2 + quiet);
      for (int i = 0; i < 400; ++i) {
        const TRect picture = RandomRect(rng);
        const int w = picture.Right - picture.Left, h = picture.Bottom - picture.Top;
        const int x = static_cast<int>(rng() % (149 + w)) - w + 1, y = static_cast<int>(rng() % (89 + h)) - h + 1;
        // The part left inside the surface, as DrawKeyed cuts it; every third call also cut
        // short of the edges, where the columns cut off must not be drawn.
        int c0 = std::max(0, -x), r0 = std::max(0, -y), c1 = std::min(w, 150 - x), r1 = std::min(h, 90 - y);
        if (i % 3 == 2) {
          c0 += static_cast<int>(rng() % 3);
          c1 -= static_cast<int>(rng() % 3);
          if (c0 >= c1) continue;
        }
        const TRect part{picture.Left + c0, picture.Top + r0, picture.Left + c1, picture.Top + r1};
        sheet.UseKeyRuns(true);
        ASSERT_EQ(fast.BltFastPicture(x + c0, y + r0, &sheet, part, picture), DD_OK);
        sheet.UseKeyRuns(false);
        ASSERT_EQ(plain.BltFast(x + c0, y + r0, &sheet, part, true), DD_OK);
      }
      sheet.UseKeyRuns(true);
      EXPECT_EQ(VisiblePixels(fast), VisiblePixels(plain));
    }
  }
}

TEST_F(PictureRunsTest, APictureThatDoesNotHoldThePartIsIgnored) {
  TDDSurface dest(50, 50, PixelKind565);
  ASSERT_EQ(dest.BltFastPicture(0, 0, &sheet, TRect{60, 60, 90, 90}, TRect{0, 0, 10, 10}), DD_OK);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; ++x) ASSERT_EQ(dest.Pixels()[y * 50 + x], sheet.Pixels()[(60 + y) * 200 + 60 + x]);
}

TEST_F(PictureRunsTest, EachPictureIsEncodedOnceUntilTheSheetChanges) {
  const TRect r{10, 60, 70, 95};
  const TKeyPicture* first = sheet.KeyPicture(r, 640);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(sheet.KeyPicture(r, 640), first);
  EXPECT_EQ(sheet.KeyPictureCount(), 1u);
  TDDSurface dest(60, 35, PixelKind565);
  sheet.WritePixels(60, 61)[60 * 200 + 10] = 0x1234;  // a write marks every encoding stale
  ASSERT_EQ(dest.BltFastPicture(0, 0, &sheet, r, r), DD_OK);
  EXPECT_EQ(dest.Pixels()[0], 0x1234);
  EXPECT_EQ(sheet.KeyPictureCount(), 1u);
}

TEST_F(PictureRunsTest, ReloadedPicturesAreEncodedAgainWhenTheLoaderPreparesTheRuns) {
  const TRect r{0, 0, 40, 40};
  ASSERT_NE(sheet.KeyPicture(r, 40), nullptr);
  TSurfaceDC* dc;
  ASSERT_EQ(sheet.GetDC(&dc), DD_OK);
  for (int i = 0; i < 200 * 100; ++i) dc->Pixels[i] = 0x0F0F;
  sheet.ReleaseDC(dc);
  sheet.PrepareKeyRuns();
  EXPECT_TRUE(sheet.KeyRunsReady());
  const TKeyPicture* p = sheet.KeyPicture(r, 40);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->Opaque, 40u * 40u);
  EXPECT_EQ(p->Moves[0].Pixels[0], 0x0F0F);
}

TEST_F(PictureRunsTest, NoEncodingPastTheSurfaceWithoutAKeyOrWithTheRunsOff) {
  EXPECT_EQ(sheet.KeyPicture(TRect{190, 0, 210, 10}, 640), nullptr);
  EXPECT_EQ(sheet.KeyPicture(TRect{5, 5, 5, 9}, 640), nullptr);
  sheet.UseKeyRuns(false);
  EXPECT_EQ(sheet.KeyPicture(TRect{0, 0, 10, 10}, 640), nullptr);
  TDDSurface plain(10, 10, PixelKind565);
  EXPECT_EQ(plain.KeyPicture(TRect{0, 0, 10, 10}, 640), nullptr);
}

TEST_F(PictureRunsTest, ManyPicturesAllStayFindable) {
  std::mt19937 rng(3);
  std::vector<std::pair<TRect, const TKeyPicture*>> made;
  for (int i = 0; i < 300; ++i) {
    const TRect r = RandomRect(rng);
    made.emplace_back(r, sheet.KeyPicture(r, 300));
  }
  for (const auto& [r, p] : made) EXPECT_EQ(sheet.KeyPicture(r, 300), p);
}

TEST_F(PictureRunsTest, ACutPictureHoldsOnlyWhatItsSpansLeaveAndEachCutIsAPictureOfItsOwn) {
  std::mt19937 rng(41);
  const TRect r{20, 30, 90, 75};
  const TKeyPicture* whole = sheet.KeyPicture(r, 640);
  ASSERT_NE(whole, nullptr);
  const size_t wholeOpaque = whole->Opaque;
  for (int i = 0; i < 50; ++i) {
    const TPictureCut cut = RandomCut(rng, 70, 45);
    const TKeyPicture* p = sheet.KeyPicture(r, 640, cut);
    ASSERT_NE(p, nullptr);
    size_t expected = 0;
    for (int y = 0; y < 45; ++y) {
      const TColumnSpan s = cut.Row(y, 70);
      for (int x = s.First; x < s.End; ++x) expected += sheet.Pixels()[(30 + y) * 200 + 20 + x] != 0;
    }
    ASSERT_EQ(p->Opaque, expected) << "cut " << i;
    EXPECT_EQ(sheet.KeyPicture(r, 640, cut), p);
  }
  EXPECT_EQ(sheet.KeyPicture(r, 640)->Opaque, wholeOpaque);
  EXPECT_EQ(sheet.KeyPictureCount(), 51u);
}

TEST_F(PictureRunsTest, WhenTooManyPicturesAreKeptTheyAreForgottenAndEncodedAgain) {
  const TRect r{0, 50, 60, 95};
  TDDSurface fast(60, 45, PixelKind565), plain(60, 45, PixelKind565);
  for (int i = 0; i < 5000; ++i) {
    const int edge = i % 60;
    const TPictureCut cut(std::vector<TColumnSpan>(45, TColumnSpan{edge, 60}));
    ASSERT_NE(sheet.KeyPicture(r, 60, cut), nullptr) << i;
    ASSERT_LE(sheet.KeyPictureCount(), 4096u);
  }
  // What is kept after starting over still draws right.
  const TPictureCut cut(std::vector<TColumnSpan>(45, TColumnSpan{10, 50}));
  ASSERT_EQ(fast.DrawReadyPicture(0, 0, sheet, r, r, TCopyPixel{}, cut), false);
  ASSERT_NE(sheet.KeyPicture(r, 60, cut), nullptr);
  ASSERT_TRUE(fast.DrawReadyPicture(0, 0, sheet, r, r, TCopyPixel{}, cut));
  for (int y = 0; y < 45; ++y) {
    ASSERT_EQ(plain.BltFast(10, y, &sheet, TRect{10, 50 + y, 50, 51 + y}, true), DD_OK);
  }
  EXPECT_EQ(VisiblePixels(fast), VisiblePixels(plain));
}

}  // namespace
