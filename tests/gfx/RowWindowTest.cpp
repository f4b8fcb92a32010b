// What drawing only what changed stands on: every way of drawing onto the back buffer keeps to
// its window of rows and columns, draws there exactly what it draws without one, and marks every
// band it changes.
#include <algorithm>
#include <climits>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "tests/gfx/GfxFixture.h"
#include "tests/support/SurfacePixels.h"

namespace {

class RowWindowTest : public GfxTest {};

TEST_F(RowWindowTest, EveryWayOfDrawingKeepsToTheWindowDrawsThereAsWithoutOneAndMarksWhatItChanges) {
  // Pictures span [100, 160) x [20, 110); the windows cut them at every edge, at columns no
  // set of sixteen lanes lines up with, and one is the rows alone.
  const std::vector<TRect> windows = {
      {0, 40, INT_MAX, 72}, {113, 40, 141, 72}, {0, 0, 117, INT_MAX}, {131, 50, INT_MAX, INT_MAX}};
  for (const int kind : {PixelKind565, PixelKind555}) {
    MakeDisplay(kind);
    display->FBackCanvas = std::make_unique<TDDCanvas>(display->FBackBuffer.get());
    display->FBackCanvas->Brush.Style = TBrushStyle::Clear;
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
        {"glow", [&] { BlendSprite(100, 20, picture, &Sheet(2), &Back(), 30, bmGlowGreen); }},
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
    const int w = Back().Width(), h = Back().Height();
    for (const auto& [name, draw] : ways) {
      base();
      const std::vector<uint16_t> before = VisiblePixels(Back());
      const uint64_t version = Back().Version();
      draw();
      const std::vector<uint16_t> whole = VisiblePixels(Back());
      for (int b = 0; b < Back().RowBands(); ++b) {
        bool changed = false;
        for (int y = b * 16; y < (b + 1) * 16 && y < h; ++y)
          changed |= !std::equal(&whole[y * w], &whole[(y + 1) * w], &before[y * w]);
        EXPECT_TRUE(!changed || Back().BandChangedSince(b, version)) << name << ": band " << b << " changed unmarked";
      }
      int inside = 0;
      for (const TRect& window : windows) {
        base();
        Back().SetWindow(window.Top, window.Bottom, window.Left, window.Right);
        draw();
        Back().ClearWindow();
        const std::vector<uint16_t> windowed = VisiblePixels(Back());
        for (int y = 0; y < h; ++y) {
          for (int x = 0; x < w; ++x) {
            const size_t at = static_cast<size_t>(y) * w + x;
            const bool in = y >= window.Top && y < window.Bottom && x >= window.Left && x < window.Right;
            ASSERT_EQ(windowed[at], in ? whole[at] : before[at])
                << name << ", layout " << kind << ", window from column " << window.Left << " row " << window.Top
                << ": pixel " << x << ", " << y;
            inside += in && whole[at] != before[at];
          }
        }
      }
      EXPECT_GT(inside, 0) << name << " drew nothing in the windows: the case proves nothing";
    }
  }
}

}  // namespace
