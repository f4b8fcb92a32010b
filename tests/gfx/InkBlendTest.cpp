// Text ink blended in lanes: every pixel as the one-pixel mix of unpacked components would make
// it, in each layout, over any background, at every coverage, for stretches of any length and
// for lines cut by any side of the target.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "gfx/InkBlend.h"
#include "gfx/PixelFormat.h"

namespace {

uint16_t OnePixel(int kind, uint16_t d, uint8_t alpha, TInkColour c) {
  if (alpha == 0) return d;
  uint8_t r, g, b;
  UnpackRgb(kind, d, r, g, b);
  return PackRgb(kind, MixInk(c.R, r, alpha), MixInk(c.G, g, alpha), MixInk(c.B, b, alpha));
}

TEST(InkBlendTest, EveryPixelIsTheOnePixelMix) {
  std::mt19937 random(7);
  constexpr int Width = 70, Height = 12, Pitch = 80;  // pixels; a row's slack is never written
  for (const int kind : {PixelKind565, PixelKind555, PixelKindBgr565}) {
    for (const TInkColour colour :
         {TInkColour{255, 255, 255}, TInkColour{0, 0, 0}, TInkColour{255, 200, 40}, TInkColour{1, 254, 129}}) {
      for (int round = 0; round < 40; ++round) {
        // A line of stretches of every length up to a few sets of lanes, with every coverage
        // (the slack after the last one not 0), placed anywhere from wholly inside the target to
        // reaching past each of its sides.
        std::vector<TInkSpan> spans;
        std::vector<uint8_t> cover;
        for (int row = 0; row < 8; ++row) {
          for (int col = static_cast<int>(random() % 5); col < 60;) {
            const int length = 1 + static_cast<int>(random() % 40);
            spans.push_back({static_cast<uint16_t>(col), static_cast<uint16_t>(row), static_cast<uint16_t>(length),
                             static_cast<uint32_t>(cover.size())});
            for (int i = 0; i < length; ++i) cover.push_back(static_cast<uint8_t>(random()));
            col += length + 1 + static_cast<int>(random() % 6);
          }
        }
        cover.insert(cover.end(), InkSlack, 200);
        const int x = static_cast<int>(random() % 100) - 40, y = static_cast<int>(random() % 16) - 6;
        std::vector<uint16_t> pixels(Pitch * Height);
        for (uint16_t& p : pixels) p = static_cast<uint16_t>(random());  // top bit set too
        std::vector<uint16_t> want = pixels;
        for (const TInkSpan& span : spans) {
          for (int i = 0; i < span.Length; ++i) {
            const int px = x + span.Col + i, py = y + span.Row;
            if (px < 0 || py < 0 || px >= Width || py >= Height) continue;
            uint16_t& p = want[static_cast<size_t>(py) * Pitch + px];
            p = OnePixel(kind, p, cover[span.At + i], colour);
          }
        }
        const TSurfaceDC target{pixels.data(), Pitch * 2, Width, Height, kind};
        BlendInkSpans(target, x, y, spans, cover.data(), colour);
        ASSERT_EQ(pixels, want) << "kind " << kind << ", round " << round << " at " << x << "," << y;
      }
    }
  }
}

}  // namespace
