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
