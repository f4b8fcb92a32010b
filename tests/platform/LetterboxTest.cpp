// Placement of the picture with whole-number scaling and bars, and the pointer's way back.
#include <gtest/gtest.h>

#include "platform/Letterbox.h"

namespace {

TEST(LetterboxTest, AnOutputOfThePicturesSizeShowsItOneToOne) {
  TLetterbox box = ComputeLetterbox(640, 480, 640, 480);
  EXPECT_EQ(box.Dest, MakeRect(0, 0, 640, 480));
  EXPECT_EQ(box.ToBackBuffer({0, 0}), (TPoint{0, 0}));
  EXPECT_EQ(box.ToBackBuffer({639, 479}), (TPoint{639, 479}));
}

TEST(LetterboxTest, AWideScreenGetsTheLargestWholeFactorCentredWithBars) {
  // 1920 / 640 = 3 but 1080 / 480 = 2: the height decides.
  TLetterbox box = ComputeLetterbox(1920, 1080, 640, 480);
  EXPECT_EQ(box.Dest, MakeRect(320, 60, 1280, 960));
}

TEST(LetterboxTest, HighResolutionInAScreenTooSmallForTwoCopiesIsCentredUnscaled) {
  TLetterbox box = ComputeLetterbox(1024, 768, 800, 600);
  EXPECT_EQ(box.Dest, MakeRect(112, 84, 800, 600));
  EXPECT_EQ(box.ToBackBuffer({112, 84}), (TPoint{0, 0}));
}

TEST(LetterboxTest, AWindowOfThreeTimesThePictureIsFilledAtScaleThree) {
  TLetterbox box = ComputeLetterbox(1920, 1440, 640, 480);
  EXPECT_EQ(box.Dest, MakeRect(0, 0, 1920, 1440));
  EXPECT_EQ(box.ToBackBuffer({5, 8}), (TPoint{1, 2}));
}

class ScaledPointerTest : public ::testing::Test {
 protected:
  TLetterbox Box = ComputeLetterbox(1920, 1080, 640, 480);  // scale 2 at (320, 60)
};

TEST_F(ScaledPointerTest, EveryOutputPointOfAPixelMapsToThatPixel) {
  EXPECT_EQ(Box.ToBackBuffer({320, 60}), (TPoint{0, 0}));
  EXPECT_EQ(Box.ToBackBuffer({321, 61}), (TPoint{0, 0}));
  EXPECT_EQ(Box.ToBackBuffer({322, 62}), (TPoint{1, 1}));
  EXPECT_EQ(Box.ToBackBuffer({1599, 1019}), (TPoint{639, 479}));
}

TEST_F(ScaledPointerTest, PointsOnTheBarsLieOutsideTheBackBuffer) {
  // Left bar, one output point off the picture: pixel -1, not 0 (rounded down, not to zero).
  EXPECT_EQ(Box.ToBackBuffer({319, 59}), (TPoint{-1, -1}));
  EXPECT_EQ(Box.ToBackBuffer({0, 0}), (TPoint{-160, -30}));
  EXPECT_EQ(Box.ToBackBuffer({1600, 1020}), (TPoint{640, 480}));
  EXPECT_EQ(Box.ToBackBuffer({1919, 1079}), (TPoint{799, 509}));
}

TEST_F(ScaledPointerTest, PointsBeyondTheOutputKeepGoing) {
  // A window pointer past the window's edge: edge scrolling must still see it.
  EXPECT_EQ(Box.ToBackBuffer({-100, 500}), (TPoint{-210, 220}));
  EXPECT_EQ(Box.ToBackBuffer({2000, -2}), (TPoint{840, -31}));
}

TEST(LetterboxTest, AnOutputSmallerThanThePictureShrinksItKeepingItsProportions) {
  TLetterbox box = ComputeLetterbox(320, 400, 640, 480);
  EXPECT_EQ(box.Dest, MakeRect(0, 80, 320, 240));
  EXPECT_EQ(box.ToBackBuffer({1, 81}), (TPoint{2, 2}));
  EXPECT_EQ(box.ToBackBuffer({319, 319}), (TPoint{638, 478}));
}

TEST(LetterboxTest, DegenerateSizesDoNotDivideByZero) {
  TLetterbox box = ComputeLetterbox(0, 0, 640, 480);
  EXPECT_GT(box.Dest.Right - box.Dest.Left, 0);
  EXPECT_GT(box.Dest.Bottom - box.Dest.Top, 0);
  box.ToBackBuffer({10, 10});
}

}  // namespace

// The sharp way: the picture as large as the output holds at its own aspect, reached by the
// smallest whole enlargement that covers it, then filtered down.
TEST(SharpFitTest, AWideScreenIsFilledToItsHeightWithBarsOnlyAtTheSides) {
  TLetterbox box = ComputeSharpFit(1280, 800, 640, 480);
  EXPECT_EQ(box.Dest, MakeRect(107, 0, 1066, 800));
  EXPECT_EQ(box.SharpFactor(), 2);  // 1066 x 800 needs 1280 x 960 to filter down from
  EXPECT_FALSE(box.WholeFactor());
  // The pointer's way back covers the whole picture and no more.
  EXPECT_EQ(box.ToBackBuffer({107, 0}), (TPoint{0, 0}));
  EXPECT_EQ(box.ToBackBuffer({1172, 799}), (TPoint{639, 479}));
  EXPECT_EQ(box.ToBackBuffer({106, 0}).X, -1);
  EXPECT_EQ(box.ToBackBuffer({1173, 0}).X, 640);
}

TEST(SharpFitTest, AnOutputOfAWholeMultipleIsShownByNearestNeighbourAlone) {
  for (int k : {1, 2, 3}) {
    TLetterbox box = ComputeSharpFit(640 * k, 480 * k, 640, 480);
    EXPECT_TRUE(box.WholeFactor()) << k;
    EXPECT_EQ(box.SharpFactor(), k);
  }
  // A tall output: the width decides, bars above and below.
  TLetterbox tall = ComputeSharpFit(800, 1280, 800, 600);
  EXPECT_EQ(tall.Dest, MakeRect(0, 340, 800, 600));
  EXPECT_TRUE(tall.WholeFactor());
}

TEST(SharpFitTest, EveryPictureRowAndColumnIsReachedInAnOddlySizedWindow) {
  TLetterbox box = ComputeSharpFit(997, 613, 640, 480);
  TPoint last{-1, -1};
  for (int x = box.Dest.Left; x < box.Dest.Right; ++x) {
    const TPoint p = box.ToBackBuffer({x, box.Dest.Top});
    EXPECT_LE(p.X - last.X, 1);  // no column skipped
    last = p;
  }
  EXPECT_EQ(last.X, 639);
}

TEST(SharpFitTest, APixelGoesToTheOutputAndBackToItselfAtEverySizeAPlayerMeets) {
  // A switch between window and full screen puts the pointer back over the pixel it was on.
  for (const TLetterbox& box : {ComputeSharpFit(1920, 1080, 640, 480), ComputeSharpFit(1280, 800, 640, 480),
                                ComputeSharpFit(997, 613, 640, 480), ComputeSharpFit(640, 480, 640, 480),
                                ComputeLetterbox(1920, 1080, 800, 600), ComputeSharpFit(320, 240, 640, 480)}) {
    const bool shrunk = box.Dest.Right - box.Dest.Left < box.BackWidth;
    for (int y = 0; y < box.BackHeight; y += 7) {
      for (int x = 0; x < box.BackWidth; x += 3) {
        const TPoint out = box.FromBackBuffer({x, y});
        ASSERT_TRUE(out.X >= box.Dest.Left && out.X < box.Dest.Right && out.Y >= box.Dest.Top &&
                    out.Y < box.Dest.Bottom)
            << x << "," << y;
        // Shrunk, two pixels share an output point: the way back reaches one of them.
        if (!shrunk) {
          ASSERT_EQ(box.ToBackBuffer(out), (TPoint{x, y})) << x << "," << y;
        }
      }
    }
  }
  // A pixel outside the picture (a pointer beyond the window) goes to the nearest edge.
  const TLetterbox full = ComputeSharpFit(1920, 1080, 640, 480);
  EXPECT_EQ(full.ToBackBuffer(full.FromBackBuffer({-50, 900})), (TPoint{0, 479}));
}

TEST(WindowScaleTest, AWindowIsCentredFrameAndAllAndNeverPushedPastTheTopLeft) {
  // The frame of the default openbox theme: 1 at the sides, a 20-row title, 5 at the bottom.
  EXPECT_EQ(CentreWindow(MakeRect(0, 0, 1920, 1080), 1280, 960, 1, 20, 1, 5), (TPoint{320, 67}));
  // A usable area that does not start at the screen's corner (a panel at the top and left).
  EXPECT_EQ(CentreWindow(MakeRect(40, 30, 1880, 1050), 640, 480, 1, 20, 1, 5), (TPoint{40 + 619 + 1, 30 + 272 + 20}));
  // Too large for the area: the title bar stays reachable.
  EXPECT_EQ(CentreWindow(MakeRect(0, 24, 1280, 776), 1280, 960, 1, 20, 1, 5), (TPoint{1, 44}));
}

TEST(WindowScaleTest, ARequestedScaleIsCutToWhatTheUsableAreaHolds) {
  // 1280 x 800, borders 2 + 2 wide and 30 + 2 high: 3 and 2 do not fit, 1 does.
  EXPECT_EQ(ClampWindowScale(3, 640, 480, 1280, 800, 4, 32), 1);
  EXPECT_EQ(ClampWindowScale(2, 640, 480, 1920, 1080, 4, 32), 2);
  EXPECT_EQ(ClampWindowScale(8, 640, 480, 3840, 2160, 0, 0), 4);
  EXPECT_EQ(ClampWindowScale(2, 800, 600, 640, 480, 0, 0), 1);  // never below 1
  // 2560 x 1440 holds three times the picture only without a frame.
  EXPECT_EQ(ClampWindowScale(3, 640, 480, 2560, 1440, 0, 0), 3);
  EXPECT_EQ(ClampWindowScale(3, 640, 480, 2560, 1440, 2, 25), 2);
}
