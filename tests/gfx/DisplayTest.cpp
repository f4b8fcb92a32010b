// The display: set-up from the sheets, the retry rule with busy and lost surfaces, the back
// buffer's lock, presentation and release.
#include <algorithm>
#include <list>
#include <stdexcept>

#include "platform/Platform.h"
#include "tests/gfx/GfxFixture.h"

namespace {

class DisplayTest : public GfxTest {
 protected:
  void SetUp() override {
    GfxTest::SetUp();
    for (int i = 1; i <= 2; ++i) {
      TTestBitmap s;
      s.Width = 16;
      s.Height = 8;
      s.Colours = {0x000000, 0xFF8040, 0x20C0FF};
      for (int p = 0; p < 16 * 8; ++p) s.Pixels.push_back(static_cast<uint32_t>((p * i) % 3));
      kept.push_back(MakeBmp(s, false));
      table.push_back({"LUMO" + std::to_string(i), RT_BITMAP, kept.back()});
    }
    SetResourceTableForTesting(table);
  }
  TDisplay& Create(bool fullScreen = true, int kind = PixelKind565) {
    display = std::make_unique<TDisplay>();
    Display = display.get();
    display->CreateSurfaces(fullScreen, kind);
    return *display;
  }
  std::vector<uint16_t> SheetPixels(int i) {
    const TDDSurface& s = Sheet(i);
    return {s.Pixels(), s.Pixels() + s.Width() * s.Height()};
  }
  std::list<std::vector<uint8_t>> kept;
  std::vector<TResource> table;
};

TEST_F(DisplayTest, SetUpMakesTheSurfacesSheetsAndCanvasAndPicksThePixelFormat) {
  TDisplay& d = Create(true, PixelKind565);
  EXPECT_EQ(Back().Width(), 640);
  EXPECT_EQ(Back().Height(), 480);
  ASSERT_TRUE(d.FSheets[1] && d.FSheets[2]);
  EXPECT_EQ(Sheet(1).Width(), 16);
  EXPECT_TRUE(Sheet(2).HasColorKey());
  EXPECT_EQ(Sheet(2).ColorKey(), 0);
  EXPECT_EQ(d.FPixelKind, PixelKind565);
  EXPECT_EQ(MakeColor(255, 0, 0), 0xF800);
  ASSERT_TRUE(d.FBackCanvas);
  EXPECT_FALSE(d.FBackCanvas->HoldsDC());
  EXPECT_EQ(d.FBackCanvas->Pen.Color, RGB(0, 255, 100));
  EXPECT_EQ(d.FBackCanvas->Brush.Style, TBrushStyle::Clear);
  EXPECT_EQ(d.FBackCanvas->Font.Size, 12);
  EXPECT_EQ(d.FBackCanvas->Font.Color, RGB(255, 255, 255));
}

TEST_F(DisplayTest, AFiveFiveFiveDisplaySelectsTheFiveFiveFiveSetAtTheLargeSize) {
  Settings.HighRes = true;
  ApplyScreenSize();
  SelectPixelFormat(2);
  TDisplay& d = Create(false, PixelKind555);
  EXPECT_EQ(d.FPixelKind, PixelKind555);
  EXPECT_EQ(MakeColor(255, 0, 0), 0x7C00);
  EXPECT_EQ(ClipMaxX, 800);
  EXPECT_EQ(Back().Height(), 600);
}

TEST_F(DisplayTest, AMissingSheetEndsTheSetUpWithAMessageNamingIt) {
  table.pop_back();
  SetResourceTableForTesting(table);
  try {
    Create();
    FAIL() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Lumo2 비트맵 로드 실패");
  }
}

TEST_F(DisplayTest, TheRetryRuleRepeatsOnlyBusyAndRestoredResults) {
  TDisplay& d = Create();
  EXPECT_TRUE(d.CheckResult(DD_OK));
  EXPECT_FALSE(d.CheckResult(DDERR_WASSTILLDRAWING));
  EXPECT_TRUE(d.CheckResult(DDERR_INVALIDRECT));
  EXPECT_FALSE(d.CheckResult(DDERR_SURFACELOST));
  d.FPrimary->InjectBusy(1);  // the primary cannot be restored yet: give up this time
  EXPECT_TRUE(d.CheckResult(DDERR_SURFACELOST));
}

TEST_F(DisplayTest, ALostSheetIsRestoredAndReloadedAndThePictureIsTheSame) {
  Create();
  const auto before = SheetPixels(2);
  DrawKeyed(0, 0, 2, MakeRect(0, 0, 16, 8), true);
  const std::vector<uint16_t> expected(Back().Pixels(), Back().Pixels() + 640 * 480);
  ClearSurface(&Back(), 0);
  Sheet(2).LoseSurface();
  Sheet(1).LoseSurface();
  DrawKeyed(0, 0, 2, MakeRect(0, 0, 16, 8), true);
  EXPECT_FALSE(Sheet(2).IsLost());
  EXPECT_EQ(SheetPixels(2), before);
  EXPECT_EQ(std::vector<uint16_t>(Back().Pixels(), Back().Pixels() + 640 * 480), expected);
}

TEST_F(DisplayTest, ALostBackBufferDuringABlendIsRestoredWithTheSheetsIntact) {
  Create();
  const auto sheet = SheetPixels(2);
  Back().LoseSurface();
  BlendSprite(10, 10, MakeRect(0, 0, 16, 8), &Sheet(2), &Back(), 128, bmAdd);
  EXPECT_EQ(SheetPixels(2), sheet);
  EXPECT_FALSE(Back().IsLost());
  EXPECT_FALSE(Back().IsLocked());
  EXPECT_FALSE(Sheet(2).IsLocked());
}

TEST_F(DisplayTest, BusyLocksAreWaitedOutAndTheLockIsTakenOnce) {
  TDisplay& d = Create();
  Back().InjectBusy(4);
  d.LockBackBuffer();
  EXPECT_TRUE(d.FLocked);
  EXPECT_EQ(d.FLockDesc.lpSurface, Back().Pixels());
  d.LockBackBuffer();
  EXPECT_TRUE(Back().IsLocked());
  d.UnlockBackBuffer();
  EXPECT_FALSE(Back().IsLocked());
  d.UnlockBackBuffer();
  EXPECT_FALSE(d.FLocked);
}

TEST_F(DisplayTest, ALockThatFailsForGoodLeavesTheBackBufferUnlocked) {
  TDisplay& d = Create();
  Back().InjectLockFailure(DDERR_OUTOFMEMORY);
  d.LockBackBuffer();
  EXPECT_FALSE(d.FLocked);
  EXPECT_EQ(d.FLockDesc.lpSurface, nullptr);
}

TEST_F(DisplayTest, APresentedFrameIsTheBackBufferInBothModes) {
  for (bool fullScreen : {true, false}) {
    TDisplay& d = Create(fullScreen);
    Set(Back(), 5, 6, 0xBEEF);
    Back().InjectBusy(2);
    const int presents = HeadlessPresentCount();
    d.PresentBackBuffer();
    ASSERT_EQ(HeadlessPresentCount(), presents + 1);
    const THeadlessFrame& f = HeadlessLastFrame();
    EXPECT_EQ(f.Width, 640);
    EXPECT_FALSE(f.Rgb555);
    EXPECT_EQ(f.Pixels[6 * 640 + 5], 0xBEEF);
  }
}

// The headless platform's frame memory holds the back buffer: a frame is shown where it was
// drawn, uncopied, and the same picture as one copied from memory of the display's own.
TEST_F(DisplayTest, TheBackBufferIsPresentedFromThePlatformsFrameMemoryWithoutACopy) {
  TDisplay& d = Create(false);
  for (int y = 0; y < 480; y += 7)
    for (int x = 0; x < 640; x += 5) Set(Back(), x, y, static_cast<uint16_t>(x * 31 + y));
  d.PresentBackBuffer();
  Set(Back(), 1, 2, 0x1234);  // after the present, before the frame is read: it shows
  const std::vector<uint16_t> shown = HeadlessLastFrame().Pixels;
  EXPECT_EQ(shown[2 * 640 + 1], 0x1234);

  TDDSurface own(640, 480, PixelKind565, 0, BackBufferGuard);
  const TDDSurface& back = Back();
  for (int y = 0; y < 480; ++y)
    std::copy_n(back.Pixels() + static_cast<size_t>(y) * (back.Pitch() / 2), 640,
                own.WritePixels(0, own.Height()) + static_cast<size_t>(y) * (own.Pitch() / 2));
  PlatformPresent(own.Pixels(), own.Pitch(), 640, 480, false);
  EXPECT_EQ(HeadlessLastFrame().Pixels, shown);

  // A frame shown from the frame memory outlives the display that drew it.
  d.PresentBackBuffer();
  display.reset();
  Display = nullptr;
  EXPECT_EQ(HeadlessLastFrame().Pixels, shown);
}

TEST_F(DisplayTest, AFrameThatCannotBePresentedIsDropped) {
  TDisplay& d = Create();
  TSurfaceDC* dc;
  ASSERT_EQ(Back().GetDC(&dc), DD_OK);
  const int presents = HeadlessPresentCount();
  d.PresentBackBuffer();
  EXPECT_EQ(HeadlessPresentCount(), presents);
  Back().ReleaseDC(dc);
}

TEST_F(DisplayTest, ReleaseLetsGoOfEverythingAndTheGlobalFollowsTheDisplay) {
  TDisplay& d = Create();
  d.LockBackBuffer();
  d.ReleaseSurfaces();
  EXPECT_FALSE(d.FLocked);
  EXPECT_FALSE(d.FBackBuffer || d.FPrimary || d.FSheets[1] || d.FSheets[2] || d.FBackCanvas);
  d.ReleaseSurfaces();
  display.reset();
  EXPECT_EQ(Display, nullptr);
  EXPECT_EQ(SheetName("Lumo", 2), "Lumo2");
}

TEST(DisplayRetry, WaitsOutABusySurfaceButGivesUpOneLostAgainAfterEveryRestore) {
  TDisplay d;
  int calls = 0;
  EXPECT_EQ(d.Retry([&] { return ++calls <= 5 ? DDERR_WASSTILLDRAWING : DD_OK; }), DD_OK);
  EXPECT_EQ(calls, 6);
  calls = 0;
  EXPECT_EQ(d.Retry([&] { return ++calls, DDERR_SURFACELOST; }), DDERR_SURFACELOST);
  EXPECT_EQ(calls, 1 + TDisplay::RestoreLimit);
  calls = 0;
  EXPECT_EQ(d.Retry([&] { return ++calls, DDERR_INVALIDRECT; }), DDERR_INVALIDRECT);
  EXPECT_EQ(calls, 1);
}

}  // namespace
