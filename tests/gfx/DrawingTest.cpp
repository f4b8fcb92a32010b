// The drawing routines: pixel formats, anchoring and clipping, keyed copies, the stipple, the
// brightness masks, the blend modes and PutPixel, in 5-6-5 and 5-5-5.
#include <algorithm>
#include <climits>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include "tests/gfx/GfxFixture.h"
#include "tests/support/RandomCut.h"
#include "tests/support/SurfacePixels.h"

namespace {

class PixelFormatTest : public GfxTest {};

TEST_F(PixelFormatTest, StartsWithTheFiveFiveFiveSet) {
  // What the unit's initialisation chose (the fixture restores it the same way).
  EXPECT_EQ(MakeColor(255, 255, 255), 0x7FFF);
  EXPECT_EQ(ClipMaxX, 640);
  EXPECT_EQ(ClipMaxY, 480);
}

TEST_F(PixelFormatTest, MakeColorPacksEightBitComponentsInBothLayouts) {
  SelectPixelFormat(2);
  EXPECT_EQ(MakeColor(255, 0, 0), 0xF800);
  EXPECT_EQ(MakeColor(0, 255, 0), 0x07E0);
  EXPECT_EQ(MakeColor(8, 4, 8), 0x0821);
  SelectPixelFormat(3);
  EXPECT_EQ(MakeColor(255, 0, 0), 0x7C00);
  EXPECT_EQ(MakeColor(0, 255, 0), 0x03E0);
  EXPECT_EQ(MakeColor(0, 0, 255), 0x001F);
}

TEST_F(PixelFormatTest, ComposeLimitsComponentsAboveThirtyOne) {
  SelectPixelFormat(2);
  uint16_t p = 0;
  ComposePixel(40, 31, 0, p);
  EXPECT_EQ(p, 0xFFC0);
  ComposePixel(200, 255, 32, p);
  EXPECT_EQ(p, 0xFFDF);
  SelectPixelFormat(3);
  ComposePixel(255, 255, 255, p);
  EXPECT_EQ(p, 0x7FFF);  // bit 15 stays clear
}

TEST_F(PixelFormatTest, SplitThenComposeDropsTheLowestGreenBitOnlyInFiveSixFive) {
  uint8_t r, g, b;
  uint16_t p;
  SelectPixelFormat(2);
  SplitPixel(0xFFFF, r, g, b);
  EXPECT_EQ(r, 31);
  EXPECT_EQ(g, 31);
  EXPECT_EQ(b, 31);
  ComposePixel(r, g, b, p);
  EXPECT_EQ(p, 0xFFDF);
  SelectPixelFormat(3);
  SplitPixel(0x5ABC, r, g, b);
  ComposePixel(r, g, b, p);
  EXPECT_EQ(p, 0x5ABC);
}

TEST_F(PixelFormatTest, UnknownCodeKeepsTheSetButResetsTheClipToTheScreen) {
  SelectPixelFormat(2);
  ClipMaxX = 5;
  ScreenWidth = 800;
  ScreenHeight = 600;
  SelectPixelFormat(7);
  EXPECT_EQ(MakeColor(255, 0, 0), 0xF800);
  EXPECT_EQ(ClipMaxX, 800);
  EXPECT_EQ(ClipMaxY, 600);
  SelectPixelFormat(4);
  EXPECT_EQ(MakeColor(0, 255, 0), 0x07E0);
}

class ClipTest : public GfxTest {};

TEST_F(ClipTest, BottomCentreAnchorMovesLeftByHalfTheWidthRoundedUp) {
  int x = 30, y = 45;
  TRect r = MakeRect(0, 0, 60, 45);
  ClipToScreen(x, y, r, false);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
  EXPECT_EQ(r, MakeRect(0, 0, 60, 45));
  x = 100, y = 100;
  r = MakeRect(0, 0, 27, 13);
  ClipToScreen(x, y, r, false);
  EXPECT_EQ(x, 86);
  EXPECT_EQ(y, 87);
}

TEST_F(ClipTest, LeftAndTopEdgesMoveTheSourceNotTheVisiblePart) {
  int x = 10, y = 45;
  TRect r = MakeRect(0, 0, 60, 45);
  ClipToScreen(x, y, r, false);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(r.Left, 20);
  EXPECT_EQ(r.Right, 60);
  x = 5, y = -7;
  r = MakeRect(100, 100, 20, 20);
  ClipToScreen(x, y, r, true);
  EXPECT_EQ(y, 0);
  EXPECT_EQ(r.Top, 107);
  EXPECT_EQ(r.Bottom, 120);
}

TEST_F(ClipTest, RightAndBottomEdgesTrimTheRectangle) {
  int x = 600, y = 470;
  TRect r = MakeRect(100, 0, 64, 23);
  ClipToScreen(x, y, r, true);
  EXPECT_EQ(r, (TRect{100, 0, 140, 10}));
}

TEST_F(ClipTest, WhollyOffTheRightOrBottomLeavesAnEmptyRectangle) {
  int x = 700, y = 10;
  TRect r = MakeRect(0, 0, 60, 45);
  ClipToScreen(x, y, r, true);
  EXPECT_LE(r.Right, r.Left);
  x = 10, y = 500;
  r = MakeRect(0, 0, 60, 45);
  ClipToScreen(x, y, r, true);
  EXPECT_LE(r.Bottom, r.Top);
}

class KeyedTest : public GfxTest {
 protected:
  void SetUp() override {
    GfxTest::SetUp();
    MakeDisplay(PixelKind565);
  }
};

TEST_F(KeyedTest, CopiesOnlyTheVisiblePartAtTheScreenCorner) {
  Fill(Sheet(1), MakeRect(100, 0, 64, 23), 0x1234);
  DrawKeyed(600, 470, 1, MakeRect(100, 0, 64, 23), true);
  EXPECT_EQ(CountNot(Back(), 0), 40 * 10);
  EXPECT_EQ(At(Back(), 600, 470), 0x1234);
  EXPECT_EQ(At(Back(), 639, 479), 0x1234);
}

TEST_F(KeyedTest, TransparentSourcePixelsLeaveTheDestination) {
  Fill(Back(), MakeRect(0, 0, 10, 10), 0x0F0F);
  Set(Sheet(1), 1, 1, 0xFFFF);
  DrawKeyed(0, 0, 1, MakeRect(0, 0, 3, 3), true);
  EXPECT_EQ(At(Back(), 1, 1), 0xFFFF);
  EXPECT_EQ(At(Back(), 0, 0), 0x0F0F);
  EXPECT_EQ(At(Back(), 2, 2), 0x0F0F);
}

TEST_F(KeyedTest, APictureWhollyOffScreenDrawsNothingAndIsNotRetried) {
  Fill(Sheet(1), MakeRect(0, 0, 60, 45), 0x1111);
  Back().InjectBusy(3);
  DrawKeyed(700, 100, 1, MakeRect(0, 0, 60, 45), true);
  DrawKeyed(-100, 100, 1, MakeRect(0, 0, 60, 45), true);
  DrawKeyed(100, -50, 1, MakeRect(0, 0, 60, 45), true);
  EXPECT_EQ(CountNot(Back(), 0), 0);
  // The busy answers were never asked for.
  DDSURFACEDESC desc;
  EXPECT_EQ(Back().Lock(&desc), DDERR_WASSTILLDRAWING);
}

TEST_F(KeyedTest, ABusyBackBufferIsRetriedUntilTheCopyGoesThrough) {
  Fill(Sheet(1), MakeRect(0, 0, 4, 4), 0x2222);
  Back().InjectBusy(5);
  DrawKeyed(10, 10, 1, MakeRect(0, 0, 4, 4), true);
  EXPECT_EQ(CountNot(Back(), 0), 16);
}

TEST_F(KeyedTest, ASourceReachingPastTheSheetDrawsThePartInside) {
  // Frames of kind 5 reach x = 657 on the 640-wide sheet.
  Fill(Sheet(2), TRect{600, 0, 640, 10}, 0x3333);
  DrawKeyed(100, 100, 2, TRect{600, 0, 657, 10}, true);
  EXPECT_EQ(CountNot(Back(), 0), 40 * 10);
  EXPECT_EQ(At(Back(), 139, 109), 0x3333);
  EXPECT_EQ(At(Back(), 140, 100), 0);
}

TEST_F(KeyedTest, MissingDisplayOrSheetIsANoOp) {
  Fill(Sheet(1), MakeRect(0, 0, 4, 4), 0x2222);
  display->FSheets[1].reset();
  DrawKeyed(0, 0, 1, MakeRect(0, 0, 4, 4), true);
  DrawKeyed(0, 0, 3, MakeRect(0, 0, 4, 4), true);
  DrawHalfBright(0, 0, 1, MakeRect(0, 0, 4, 4), true);
  Display = nullptr;
  DrawKeyed(0, 0, 2, MakeRect(0, 0, 4, 4), true);
  DrawStippled(0, 0, 2, MakeRect(0, 0, 4, 4), true, 0);
  EXPECT_EQ(CountNot(Back(), 0), 0);
}

// Sheet pictures drawn anywhere, partly or wholly off screen, by either anchor.
using TSheetCall = std::tuple<int, int, TRect, bool>;

// Upper half: short runs between many holes; lower half: runs mostly longer than 16 pixels.
void FillWithRuns(TDDSurface& sheet, std::mt19937& rng) {
  uint16_t* pixels = sheet.WritePixels(0, sheet.Height());
  for (int y = 0; y < sheet.Height(); ++y)
    for (int x = 0; x < sheet.Width(); ++x) {
      const bool hole = y < sheet.Height() / 2 ? rng() % 3 == 0 : rng() % 23 == 0;
      pixels[y * (sheet.Pitch() / 2) + x] = hole ? 0 : static_cast<uint16_t>(rng());
    }
}

std::vector<TSheetCall> RandomSheetCalls(std::mt19937& rng, int count) {
  std::vector<TSheetCall> calls;
  for (int i = 0; i < count; ++i) {
    const int l = static_cast<int>(rng() % 700) - 30, t = static_cast<int>(rng() % 520) - 20;
    calls.emplace_back(static_cast<int>(rng() % 760) - 60, static_cast<int>(rng() % 560) - 40,
                       MakeRect(l, t, static_cast<int>(rng() % 90), static_cast<int>(rng() % 70)), rng() % 2 == 0);
  }
  return calls;
}

// The back buffer after drawing every call with `draw`, first through the sheet's pre-encoded
// runs, then through the plain per-pixel reference. Each call is drawn twice over itself (the
// same pixels again): the first encodes its picture, the second finds it ready.
template <class Draw>
std::pair<std::vector<uint16_t>, std::vector<uint16_t>> FastAndPlain(TDDSurface& back, TDDSurface& sheet,
                                                                     const std::vector<TSheetCall>& calls, Draw draw) {
  auto drawAll = [&] {
    ClearSurface(&back, 0x0421);
    for (const auto& [x, y, r, corner] : calls) {
      draw(x, y, r, corner);
      draw(x, y, r, corner);
    }
    return VisiblePixels(back);
  };
  sheet.UseKeyRuns(true);
  auto fast = drawAll();
  EXPECT_GT(sheet.KeyPictureCount(), 0u);
  sheet.UseKeyRuns(false);
  auto plain = drawAll();
  sheet.UseKeyRuns(true);
  return {std::move(fast), std::move(plain)};
}

TEST_F(KeyedTest, PreEncodedRunsDrawTheSamePixelsAsThePlainCopyEverywhere) {
  std::mt19937 rng(7);
  FillWithRuns(Sheet(1), rng);
  Sheet(1).PrepareKeyRuns();
  const auto [fast, plain] = FastAndPlain(Back(), Sheet(1), RandomSheetCalls(rng, 400),
                                          [](int x, int y, TRect r, bool c) { DrawKeyed(x, y, 1, r, c); });
  EXPECT_EQ(fast, plain);
}

// What a cut picture must look like: each row's span drawn alone, uncut, through draw(x, y, r,
// atCorner).
template <class Draw>
void DrawRowByRow(int x, int y, TRect r, bool atCorner, const TPictureCut& cut, Draw draw) {
  const int w = r.Right - r.Left, h = r.Bottom - r.Top;
  if (!atCorner) {
    const TPoint c = PictureCorner({x, y}, w, h);
    x = c.X;
    y = c.Y;
  }
  for (int row = 0; row < h; ++row) {
    const TColumnSpan s = cut.Row(row, w);
    if (s.First < s.End)
      draw(x + s.First, y + row, TRect{r.Left + s.First, r.Top + row, r.Left + s.End, r.Top + row + 1}, true);
  }
}

// The back buffer after every call drawn with its cut, by draw(x, y, r, atCorner, cut): through
// the row-by-row reference with the runs off, then the cut way with the runs off, with them on
// (each call twice: encoded, then found ready) and with the back buffer busy before each call.
template <class Draw>
std::vector<std::vector<uint16_t>> CutWays(TDDSurface& back, TDDSurface& sheet, std::mt19937& rng, Draw draw) {
  const auto calls = RandomSheetCalls(rng, 300);
  std::vector<TPictureCut> cuts;
  for (const auto& [x, y, r, corner] : calls) cuts.push_back(RandomCut(rng, r.Right - r.Left, r.Bottom - r.Top));
  const auto drawAll = [&](auto one) {
    ClearSurface(&back, 0x0421);
    for (size_t i = 0; i < calls.size(); ++i) {
      const auto& [x, y, r, corner] = calls[i];
      one(x, y, r, corner, cuts[i]);
    }
    back.InjectBusy(0);  // what a call off the screen left unasked
    return VisiblePixels(back);
  };
  std::vector<std::vector<uint16_t>> ways;
  sheet.UseKeyRuns(false);
  ways.push_back(drawAll([&](int x, int y, TRect r, bool c, const TPictureCut& cut) {
    DrawRowByRow(x, y, r, c, cut, [&](int rx, int ry, TRect rr, bool rc) { draw(rx, ry, rr, rc, NoCut); });
  }));
  ways.push_back(drawAll(draw));
  sheet.UseKeyRuns(true);
  ways.push_back(drawAll([&](int x, int y, TRect r, bool c, const TPictureCut& cut) {
    draw(x, y, r, c, cut);
    draw(x, y, r, c, cut);
  }));
  ways.push_back(drawAll([&](int x, int y, TRect r, bool c, const TPictureCut& cut) {
    back.InjectBusy(2);
    draw(x, y, r, c, cut);
  }));
  return ways;
}

TEST_F(KeyedTest, ACutPictureDrawsOnlyWhatItsSpansLeaveEveryWay) {
  std::mt19937 rng(29);
  FillWithRuns(Sheet(1), rng);
  Sheet(1).PrepareKeyRuns();
  const auto ways = CutWays(Back(), Sheet(1), rng, [](int x, int y, TRect r, bool c, const TPictureCut& cut) {
    DrawKeyed(x, y, 1, r, c, cut);
  });
  for (size_t i = 1; i < ways.size(); ++i) EXPECT_EQ(ways[i], ways[0]) << "way " << i;
}

class StippleTest : public KeyedTest {};

TEST_F(StippleTest, ThePatternBelongsToTheScreenNotThePicture) {
  Fill(Sheet(1), MakeRect(0, 0, 3, 3), 0x5555);
  DrawStippled(0, 0, 1, MakeRect(0, 0, 3, 3), true, 0);
  EXPECT_EQ(CountNot(Back(), 0), 3);
  EXPECT_EQ(At(Back(), 0, 0), 0x5555);
  EXPECT_EQ(At(Back(), 1, 1), 0x5555);
  EXPECT_EQ(At(Back(), 2, 2), 0x5555);
  ClearSurface(&Back(), 0);
  DrawStippled(1, 0, 1, MakeRect(0, 0, 3, 3), true, 0);
  EXPECT_EQ(CountNot(Back(), 0), 3);
  EXPECT_EQ(At(Back(), 3, 0), 0x5555);
  EXPECT_EQ(At(Back(), 1, 1), 0x5555);
  EXPECT_EQ(At(Back(), 2, 2), 0x5555);
}

TEST_F(StippleTest, BrightnessScalesTheSourceAndIgnoresTheDestination) {
  Fill(Back(), MakeRect(0, 0, 3, 1), 0xFFFF);
  Set(Sheet(1), 0, 0, static_cast<uint16_t>((10 << 11) | (20 << 6) | 30));
  DrawStippled(0, 0, 1, MakeRect(0, 0, 1, 1), true, 32);  // F = 96: x 1.5
  EXPECT_EQ(At(Back(), 0, 0), (15 << 11) | (30 << 6) | 31);
  DrawStippled(0, 0, 1, MakeRect(0, 0, 1, 1), true, -100);  // limited to -64: black
  EXPECT_EQ(At(Back(), 0, 0), 0);
}

class ShadeTest : public GfxTest {};

TEST_F(ShadeTest, HalfBrightUsesTheMasksOfEachLayout) {
  MakeDisplay(PixelKind565);
  Set(Sheet(1), 0, 0, 0xFFFF);
  DrawHalfBright(0, 0, 1, MakeRect(0, 0, 1, 1), true);
  EXPECT_EQ(At(Back(), 0, 0), 0x7BEF);
  MakeDisplay(PixelKind555);
  Set(Sheet(1), 0, 0, 0x7FFF);
  DrawHalfBright(0, 0, 1, MakeRect(0, 0, 1, 1), true);
  EXPECT_EQ(At(Back(), 0, 0), 0x3DEF);
}

TEST_F(ShadeTest, ThreeQuarterBrightAddsTheHalfAndTheQuarter) {
  MakeDisplay(PixelKind565);
  Set(Sheet(1), 0, 0, 0xFFFF);
  Set(Sheet(1), 1, 0, 0);
  Set(Back(), 1, 0, 0x1234);
  DrawThreeQuarterBright(0, 0, 1, MakeRect(0, 0, 2, 1), true);
  EXPECT_EQ(At(Back(), 0, 0), 0x7BEF + 0x39E7);
  EXPECT_EQ(At(Back(), 1, 0), 0x1234);
  MakeDisplay(PixelKind555);
  Set(Sheet(1), 0, 0, 0x7FFF);
  DrawThreeQuarterBright(0, 0, 1, MakeRect(0, 0, 1, 1), true);
  EXPECT_EQ(At(Back(), 0, 0), 0x3DEF + 0x1CE7);
}

TEST_F(ShadeTest, PreEncodedRunsShadeTheSamePixelsAsThePlainRoutinesInBothLayouts) {
  for (int kind : {PixelKind565, PixelKind555}) {
    MakeDisplay(kind);
    std::mt19937 rng(19);
    FillWithRuns(Sheet(2), rng);
    const auto calls = RandomSheetCalls(rng, 300);
    const auto half =
        FastAndPlain(Back(), Sheet(2), calls, [](int x, int y, TRect r, bool c) { DrawHalfBright(x, y, 2, r, c); });
    EXPECT_EQ(half.first, half.second) << "half, kind " << kind;
    const auto threeQuarter = FastAndPlain(
        Back(), Sheet(2), calls, [](int x, int y, TRect r, bool c) { DrawThreeQuarterBright(x, y, 2, r, c); });
    EXPECT_EQ(threeQuarter.first, threeQuarter.second) << "three quarters, kind " << kind;
  }
}

TEST_F(ShadeTest, ACutPictureIsShadedOnlyWhereItsSpansLeaveEveryWayInBothLayouts) {
  for (int kind : {PixelKind565, PixelKind555}) {
    MakeDisplay(kind);
    std::mt19937 rng(31);
    FillWithRuns(Sheet(2), rng);
    const auto half = CutWays(Back(), Sheet(2), rng, [](int x, int y, TRect r, bool c, const TPictureCut& cut) {
      DrawHalfBright(x, y, 2, r, c, cut);
    });
    for (size_t i = 1; i < half.size(); ++i) EXPECT_EQ(half[i], half[0]) << "half, way " << i << ", kind " << kind;
    const auto threeQuarter = CutWays(Back(), Sheet(2), rng, [](int x, int y, TRect r, bool c, const TPictureCut& cut) {
      DrawThreeQuarterBright(x, y, 2, r, c, cut);
    });
    for (size_t i = 1; i < threeQuarter.size(); ++i) {
      EXPECT_EQ(threeQuarter[i], threeQuarter[0]) << "three quarters, way " << i << ", kind " << kind;
    }
  }
}

TEST_F(ShadeTest, ASheetKeyedOnAnotherValueIsShadedByThePlainRoutine) {
  MakeDisplay(PixelKind565);
  Set(Sheet(1), 0, 0, 0x0002);
  Set(Sheet(1), 1, 0, 0xFFFF);
  Sheet(1).SetColorKey(2, 2);  // the shading still skips only 0, so 2 is drawn
  DrawHalfBright(0, 0, 1, MakeRect(0, 0, 2, 1), true);
  EXPECT_EQ(At(Back(), 0, 0), 0x0001);
  EXPECT_EQ(At(Back(), 1, 0), 0x7BEF);
}

class BlendTest : public GfxTest {
 protected:
  void SetUp() override {
    GfxTest::SetUp();
    MakeDisplay(PixelKind565);
  }
  static constexpr uint16_t Rgb(int r, int g, int b) { return static_cast<uint16_t>((r << 11) | (g << 6) | b); }
  TDDSurface* Src() { return &Sheet(2); }
  TDDSurface* Dst() { return &Back(); }
};

TEST_F(BlendTest, AlphaAboveTheRangeTakesTheSourceAndBelowKeepsTheDestination) {
  Set(Sheet(2), 0, 0, Rgb(20, 10, 5));
  Set(Back(), 100, 100, Rgb(3, 4, 5) | 0x20);  // lowest green bit set
  BlendSprite(100, 100, MakeRect(0, 0, 1, 1), Src(), Dst(), 200, bmAlpha);
  EXPECT_EQ(At(Back(), 100, 100), Rgb(20, 10, 5));
  Set(Back(), 100, 100, Rgb(3, 4, 5) | 0x20);
  BlendSprite(100, 100, MakeRect(0, 0, 1, 1), Src(), Dst(), -5, bmAlpha);
  EXPECT_EQ(At(Back(), 100, 100), Rgb(3, 4, 5));
}

TEST_F(BlendTest, AlphaMixesByLevelOverOneHundredTwentyEight) {
  Set(Sheet(2), 0, 0, Rgb(31, 0, 16));
  Set(Back(), 50, 50, Rgb(1, 31, 0));
  BlendSprite(50, 50, MakeRect(0, 0, 1, 1), Src(), Dst(), 64, bmAlpha);
  EXPECT_EQ(At(Back(), 50, 50), Rgb(16, 15, 8));
}

TEST_F(BlendTest, NegativeAddDarkensToZeroWithoutWrapping) {
  Set(Sheet(2), 0, 0, Rgb(31, 31, 31));
  Set(Back(), 50, 50, Rgb(5, 20, 31));
  BlendSprite(50, 50, MakeRect(0, 0, 1, 1), Src(), Dst(), -50, bmAdd);  // subtracts 12
  EXPECT_EQ(At(Back(), 50, 50), Rgb(0, 8, 19));
  BlendSprite(50, 50, MakeRect(0, 0, 1, 1), Src(), Dst(), 1000, bmAdd);
  EXPECT_EQ(At(Back(), 50, 50), Rgb(31, 31, 31));
}

// Whole blocks of random pixels (a fifth transparent), wide enough for the sixteen-pixel lanes
// and a tail, in both layouts and at levels around every limit, against the arithmetic worked
// out pixel by pixel through the selected split and compose.
TEST_F(BlendTest, BlocksBlendExactlyAsPixelByPixelInBothLayouts) {
  const auto expected = [](uint16_t s, uint16_t d, int level, TBlendMode mode) -> uint16_t {
    if (s == 0) return d;
    uint8_t sc[3], dc[3], out[3];
    SplitPixel(s, sc[0], sc[1], sc[2]);
    SplitPixel(d, dc[0], dc[1], dc[2]);
    const int alpha = std::clamp(level, 0, 128);
    for (int i = 0; i < 3; ++i) {
      const int64_t v =
          mode == bmAlpha ? (dc[i] * (128 - alpha) + sc[i] * alpha) / 128 : dc[i] + int64_t{sc[i]} * level / 128;
      out[i] = static_cast<uint8_t>(std::clamp<int64_t>(v, 0, 31));
    }
    uint16_t p;
    ComposePixel(out[0], out[1], out[2], p);
    return p;
  };
  std::mt19937 rng(11);
  for (const int kind : {PixelKind565, PixelKind555}) {
    MakeDisplay(kind);
    const TRect block = MakeRect(3, 2, 37, 5);
    for (const TBlendMode mode : {bmAlpha, bmAdd}) {
      for (const int level : {INT_MIN, -3000, -1025, -1024, -77, -1, 0, 1, 64, 127, 128, 129, 1024, 1025, INT_MAX}) {
        for (int y = 0; y < 8; ++y)
          for (int x = 0; x < 48; ++x) {
            Set(Sheet(2), x, y, rng() % 5 == 0 ? 0 : static_cast<uint16_t>(rng()));
            Set(Back(), 200 + x, 100 + y, static_cast<uint16_t>(rng()));
          }
        std::vector<uint16_t> want;
        for (int y = 0; y < 5; ++y)
          for (int x = 0; x < 37; ++x)
            want.push_back(expected(At(Sheet(2), 3 + x, 2 + y), At(Back(), 201 + x, 101 + y), level, mode));
        BlendSprite(201, 101, block, Src(), Dst(), level, mode);
        std::vector<uint16_t> got;
        for (int y = 0; y < 5; ++y)
          for (int x = 0; x < 37; ++x) got.push_back(At(Back(), 201 + x, 101 + y));
        EXPECT_EQ(got, want) << "kind " << kind << " mode " << mode << " level " << level;
      }
    }
  }
}

TEST_F(BlendTest, ARectangleEndingOnTheRightEdgeFallsBackToTheClippedAdd) {
  Fill(Sheet(2), MakeRect(0, 0, 10, 1), Rgb(10, 10, 10));
  Fill(Back(), MakeRect(630, 0, 10, 1), Rgb(4, 4, 4));
  BlendSprite(630, 0, MakeRect(0, 0, 10, 1), Src(), Dst(), 128, bmAlpha);
  EXPECT_EQ(At(Back(), 630, 0), Rgb(14, 14, 14));  // added, not mixed
  EXPECT_EQ(At(Back(), 639, 0), Rgb(14, 14, 14));
}

TEST_F(BlendTest, TheClippedAddTouchesOnlyPixelsInsideTheClip) {
  Fill(Sheet(2), MakeRect(0, 0, 20, 20), Rgb(8, 8, 8));
  AddBlendClipped(-10, 470, MakeRect(0, 0, 20, 20), Src(), Dst(), 128);
  EXPECT_EQ(CountNot(Back(), 0), 10 * 10);
  EXPECT_EQ(At(Back(), 0, 470), Rgb(8, 8, 8));
  EXPECT_EQ(At(Back(), 9, 479), Rgb(8, 8, 8));
}

TEST_F(BlendTest, GlowIsStrongestInTheMiddleAndSurvivesADivisorOfZero) {
  Fill(Sheet(2), MakeRect(0, 0, 10, 10), Rgb(1, 1, 1));
  // 10 x 10 at level 64: Q = (100 / 64) / 3 = 0, taken as 1. E = 31.
  BlendSprite(100, 100, MakeRect(0, 0, 10, 10), Src(), Dst(), 64, bmGlowRed);
  EXPECT_EQ(At(Back(), 105, 105), Rgb(31, 12, 12));
  EXPECT_EQ(At(Back(), 100, 100), Rgb(31, 0, 0));
  BlendSprite(200, 100, MakeRect(0, 0, 10, 10), Src(), Dst(), 0, bmGlowBlue);
  EXPECT_EQ(At(Back(), 205, 105), 0);
}

TEST_F(BlendTest, GlowGreenAndBlueLightTheirOwnComponent) {
  Fill(Sheet(2), MakeRect(0, 0, 30, 30), Rgb(1, 1, 1));
  // Q = (900 / 32) / 3 = 9; E = 15; in the middle K = (225 / 9) >> 1 = 12.
  BlendSprite(100, 100, MakeRect(0, 0, 30, 30), Src(), Dst(), 32, bmGlowGreen);
  EXPECT_EQ(At(Back(), 115, 115), Rgb(12, 15, 12));
  BlendSprite(200, 100, MakeRect(0, 0, 30, 30), Src(), Dst(), 32, bmGlowBlue);
  EXPECT_EQ(At(Back(), 215, 115), Rgb(12, 12, 15));
}

TEST_F(BlendTest, TransparentSourceNeverChangesTheDestination) {
  Fill(Back(), MakeRect(0, 0, 640, 480), Rgb(7, 7, 7) | 0x20);
  for (int mode = 0; mode <= 5; ++mode) {
    BlendSprite(100, 100, MakeRect(0, 0, 20, 20), Src(), Dst(), 64, static_cast<TBlendMode>(mode));
    BlendSprite(630, 470, MakeRect(0, 0, 20, 20), Src(), Dst(), 64, static_cast<TBlendMode>(mode));
  }
  BrightenSprite(100, 100, MakeRect(0, 0, 20, 20), Src(), Dst(), 64);
  DrawStippled(100, 100, 2, MakeRect(0, 0, 20, 20), true, 10);
  DrawHalfBright(100, 100, 2, MakeRect(0, 0, 20, 20), true);
  DrawThreeQuarterBright(100, 100, 2, MakeRect(0, 0, 20, 20), true);
  EXPECT_EQ(CountNot(Back(), Rgb(7, 7, 7) | 0x20), 0);
}

TEST_F(BlendTest, AModeAboveFourChangesNothing) {
  Fill(Sheet(2), MakeRect(0, 0, 5, 5), Rgb(9, 9, 9));
  BlendSprite(10, 10, MakeRect(0, 0, 5, 5), Src(), Dst(), 64, static_cast<TBlendMode>(9));
  EXPECT_EQ(CountNot(Back(), 0), 0);
  EXPECT_FALSE(Back().IsLocked());
  EXPECT_FALSE(Sheet(2).IsLocked());
}

TEST_F(BlendTest, BrightenDoublesOrBlackensAndIgnoresTheDestination) {
  Set(Sheet(2), 0, 0, Rgb(10, 20, 3));
  Set(Back(), 10, 10, 0xFFFF);
  BrightenSprite(10, 10, MakeRect(0, 0, 1, 1), Src(), Dst(), 64);
  EXPECT_EQ(At(Back(), 10, 10), Rgb(20, 31, 6));
  BrightenSprite(10, 10, MakeRect(0, 0, 1, 1), Src(), Dst(), -80);
  EXPECT_EQ(At(Back(), 10, 10), 0);
}

TEST_F(BlendTest, ASourcePastItsSurfaceIsReadOnlyWhereItExists) {
  Fill(Sheet(2), TRect{630, 470, 640, 480}, Rgb(2, 2, 2));
  BlendSprite(100, 100, TRect{630, 470, 660, 500}, Src(), Dst(), 128, bmAdd);
  EXPECT_EQ(CountNot(Back(), 0), 100);
  BrightenSprite(-5, -5, TRect{630, 470, 660, 500}, Src(), Dst(), 128);  // clipped path: adds
  EXPECT_EQ(At(Back(), 0, 0), Rgb(2, 2, 2));
}

TEST_F(BlendTest, MissingSurfacesAreIgnored) {
  BlendSprite(0, 0, MakeRect(0, 0, 5, 5), nullptr, Dst(), 64, bmAlpha);
  BrightenSprite(0, 0, MakeRect(0, 0, 5, 5), Src(), nullptr, 64);
  AddBlendClipped(0, 0, MakeRect(0, 0, 5, 5), nullptr, nullptr, 64);
  EXPECT_EQ(CountNot(Back(), 0), 0);
}

TEST_F(BlendTest, ALockThatFailsForGoodDrawsNothingAndLeavesNothingLocked) {
  Fill(Sheet(2), MakeRect(0, 0, 5, 5), Rgb(9, 9, 9));
  Back().InjectLockFailure(DDERR_GENERIC);
  BlendSprite(10, 10, MakeRect(0, 0, 5, 5), Src(), Dst(), 64, bmAdd);
  EXPECT_FALSE(Sheet(2).IsLocked());
  Back().InjectLockFailure(0);
  EXPECT_EQ(CountNot(Back(), 0), 0);
}

class PutPixelTest : public GfxTest {};

TEST_F(PutPixelTest, WritesInsideTheScreenOnlyAndKeepsTheLock) {
  MakeDisplay(PixelKind565);
  PutPixel(639, 479, 0xABCD);
  PutPixel(640, 0, 0xFFFF);
  PutPixel(0, 480, 0xFFFF);
  PutPixel(-1, 0, 0xFFFF);
  EXPECT_TRUE(display->FLocked);
  display->UnlockBackBuffer();
  EXPECT_EQ(At(Back(), 639, 479), 0xABCD);
  EXPECT_EQ(CountNot(Back(), 0), 1);
}

TEST_F(PutPixelTest, FiveFiveFiveConvertsTheFiveSixFiveColour) {
  MakeDisplay(PixelKind555);
  PutPixel(3, 4, 0xFFFF);
  PutPixel(4, 4, 0xF800);
  display->UnlockBackBuffer();
  EXPECT_EQ(At(Back(), 3, 4), 0x7FFF);
  EXPECT_EQ(At(Back(), 4, 4), 0x7C00);
}

TEST_F(PutPixelTest, ALockThatFailsForGoodWritesNothing) {
  MakeDisplay(PixelKind565);
  Back().InjectLockFailure(DDERR_GENERIC);
  PutPixel(5, 5, 0xFFFF);
  EXPECT_FALSE(display->FLocked);
  EXPECT_EQ(display->FLockDesc.lpSurface, nullptr);
  Back().InjectLockFailure(0);
  EXPECT_EQ(CountNot(Back(), 0), 0);
}

}  // namespace
