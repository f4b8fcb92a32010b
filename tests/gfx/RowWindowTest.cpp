// What drawing only changed rows stands on: every way of drawing onto the back buffer keeps to
// its row window, draws there exactly what it draws without one, and marks every band it changes.
#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

#include "tests/gfx/GfxFixture.h"
#include "tests/support/SurfacePixels.h"

namespace {

class RowWindowTest : public GfxTest {};

TEST_F(RowWindowTest, EveryWayOfDrawingKeepsToTheWindowDrawsThereAsWithoutOneAndMarksWhatItChanges) {
  MakeOverlayDisplay();
  for (int i = 1; i <= 2; ++i) {
    for (int y = 0; y < 90; ++y)
      for (int x = 0; x < 60; ++x)
        Set(Sheet(i), x, y, (x - 30) * (x - 30) + (y - 45) * (y - 45) < 900 ? 0x7BEF ^ x : 0);
  }
  TDDCanvas& canvas = *display->FBackCanvas;
  const TRect picture{0, 0, 60, 90};
  const std::vector<std::pair<const char*, std::function<void()>>> ways = {
      {"keyed", [&] { DrawKeyed(100, 20, 1, picture, true); }},
      {"half bright", [&] { DrawHalfBright(100, 20, 1, picture, true); }},
      {"three quarters", [&] { DrawThreeQuarterBright(100, 20, 1, picture, true); }},
      {"stippled", [&] { DrawStippled(100, 20, 2, picture, true, 10); }},
      {"alpha", [&] { BlendSprite(100, 20, picture, &Sheet(2), &Back(), 64, bmAlpha); }},
      {"add", [&] { BlendSprite(100, 20, picture, &Sheet(2), &Back(), -40, bmAdd); }},
      {"brighten", [&] { BrightenSprite(100, 20, picture, &Sheet(2), &Back(), 20); }},
      {"add clipped", [&] { AddBlendClipped(-10, 20, picture, &Sheet(1), &Back(), 50); }},
      {"text",
       [&] {
         TCanvasRelease release(canvas);
         for (int y = 20; y < 110; y += 14) canvas.TextOut(90, y, "Face Count : 12");
       }},
      {"rectangle",
       [&] {
         TCanvasRelease release(canvas);
         canvas.Brush.Style = TBrushStyle::Solid;
         canvas.Rectangle(90, 20, 170, 110);
         canvas.Brush.Style = TBrushStyle::Clear;
       }},
      {"clear", [&] { ClearSurface(&Back(), 0); }},
  };
  const auto base = [&] {
    for (int y = 0; y < Back().Height(); ++y)
      for (int x = 0; x < Back().Width(); ++x) Set(Back(), x, y, static_cast<uint16_t>(x * 31 + y * 7));
  };
  const int from = 40, to = 72;  // bands 2 and 3 and 4's first half: a window need not end on a band
  for (const auto& [name, draw] : ways) {
    base();
    const std::vector<uint16_t> before = VisiblePixels(Back());
    const uint64_t version = Back().Version();
    draw();
    const std::vector<uint16_t> whole = VisiblePixels(Back());
    const int w = Back().Width();
    for (int b = 0; b < Back().RowBands(); ++b) {
      bool changed = false;
      for (int y = b * 16; y < (b + 1) * 16 && y < Back().Height(); ++y)
        changed |= !std::equal(&whole[y * w], &whole[(y + 1) * w], &before[y * w]);
      EXPECT_TRUE(!changed || Back().BandChangedSince(b, version)) << name << ": band " << b << " changed unmarked";
    }
    base();
    Back().SetRowWindow(from, to);
    draw();
    Back().ClearRowWindow();
    const std::vector<uint16_t> windowed = VisiblePixels(Back());
    int inside = 0;
    for (int y = 0; y < Back().Height(); ++y) {
      const std::vector<uint16_t>& expected = y >= from && y < to ? whole : before;
      ASSERT_TRUE(std::equal(&windowed[y * w], &windowed[(y + 1) * w], &expected[y * w])) << name << ": row " << y;
      inside += y >= from && y < to && !std::equal(&whole[y * w], &whole[(y + 1) * w], &before[y * w]);
    }
    EXPECT_GT(inside, 0) << name << " drew nothing in the window: the case proves nothing";
  }
}

}  // namespace
