// The colours of the ramps: each ramp blends between a dark and a light key colour (some
// through a middle key), so neighbouring shades differ evenly.
#include "tools/mkassets/Palette.h"

#include <algorithm>
#include <cmath>

uint8_t TRamp::Shade(double t) const {
  const int i = static_cast<int>(std::lround(std::clamp(t, 0.0, 1.0) * (Count - 1)));
  return static_cast<uint8_t>(First + i);
}

uint8_t TRamp::At(int i) const { return static_cast<uint8_t>(First + std::clamp(i, 0, Count - 1)); }

namespace {

TRgb Mix(TRgb a, TRgb b, double t) {
  auto c = [t](uint8_t x, uint8_t y) { return static_cast<uint8_t>(std::lround(x + (y - x) * t)); };
  return {c(a.R, b.R), c(a.G, b.G), c(a.B, b.B)};
}

void Fill(Palette& p, TRamp r, TRgb dark, TRgb light) {
  for (int i = 0; i < r.Count; ++i) p[r.First + i] = Mix(dark, light, r.Count == 1 ? 0.0 : double(i) / (r.Count - 1));
}

// Dark to middle over the first half, middle to light over the rest.
void Fill3(Palette& p, TRamp r, TRgb dark, TRgb mid, TRgb light) {
  const int half = r.Count / 2;
  for (int i = 0; i < r.Count; ++i)
    p[r.First + i] =
        i < half ? Mix(dark, mid, double(i) / half) : Mix(mid, light, double(i - half) / (r.Count - 1 - half));
}

}  // namespace

Palette BuildPalette() {
  Palette p{};
  using namespace Ramps;
  Fill(p, Grey, {14, 12, 14}, {244, 242, 236});
  Fill3(p, Grass, {18, 48, 22}, {74, 132, 44}, {178, 214, 96});
  Fill3(p, Wood, {52, 28, 14}, {142, 92, 50}, {226, 180, 118});
  Fill3(p, Stone, {40, 40, 50}, {120, 118, 122}, {216, 212, 200});
  Fill3(p, Sand, {118, 90, 52}, {204, 174, 116}, {248, 232, 184});
  Fill3(p, Water, {12, 30, 84}, {34, 98, 170}, {168, 224, 248});
  Fill3(p, Gravel, {46, 42, 40}, {118, 110, 100}, {206, 200, 186});
  // Selection marks: green through yellow to red.
  for (int i = 0; i < Marks.Count; ++i) {
    const double t = double(i) / (Marks.Count - 1);
    p[Marks.First + i] =
        t < 0.5 ? Mix({40, 220, 60}, {240, 224, 40}, t * 2) : Mix({240, 224, 40}, {236, 40, 32}, t * 2 - 1);
  }
  p[Colours::RedLight] = {255, 64, 48};
  p[Colours::RedDark] = {120, 16, 12};
  p[Colours::YellowLight] = {255, 232, 64};
  p[Colours::YellowDark] = {128, 96, 8};
  p[Colours::White] = {250, 250, 244};
  p[Colours::PointerShade] = {176, 184, 200};
  Fill3(p, Skin, {98, 52, 32}, {206, 140, 100}, {252, 212, 176});
  Fill3(p, Hair, {40, 22, 12}, {112, 64, 28}, {190, 130, 64});
  Fill3(p, Tunic, {76, 14, 16}, {176, 40, 36}, {246, 110, 80});
  Fill3(p, Denim, {22, 28, 60}, {48, 70, 128}, {112, 140, 196});
  // Drawn additively over sand, where red and green are near their limit: the shades differ
  // mostly in blue, with a little green for the highlights.
  Fill3(p, Spirit, {8, 12, 48}, {16, 60, 150}, {60, 150, 255});
  // Drawn at half strength: deep, saturated colours keep their hue over sand.
  Fill3(p, Cloak, {10, 36, 16}, {22, 92, 40}, {70, 160, 70});
  Fill3(p, Crimson, {64, 10, 24}, {140, 20, 44}, {210, 70, 84});
  // Brightened by 40/64: kept dark enough that 1.6 times each shade stays below the limit.
  Fill3(p, Steel, {30, 34, 44}, {80, 86, 100}, {150, 156, 164});
  Fill3(p, Purple, {36, 14, 50}, {84, 36, 110}, {140, 84, 156});
  Fill3(p, Saffron, {96, 36, 10}, {210, 110, 24}, {252, 180, 70});
  Fill3(p, Gold, {100, 72, 12}, {196, 156, 36}, {252, 228, 120});
  Fill3(p, Leather, {38, 22, 14}, {92, 58, 32}, {150, 106, 64});
  Fill3(p, Metal, {56, 60, 70}, {140, 146, 160}, {236, 240, 246});
  Fill3(p, Earth, {54, 34, 20}, {104, 70, 40}, {150, 112, 70});
  p[Accent.First + 0] = {24, 20, 40};     // pupils
  p[Accent.First + 1] = {240, 240, 232};  // eye whites
  p[Accent.First + 2] = {170, 60, 60};    // lips
  p[Accent.First + 3] = {250, 240, 120};  // flowers, yellow
  p[Accent.First + 4] = {240, 236, 250};  // flowers, white
  p[Accent.First + 5] = {200, 90, 200};   // flowers, violet
  p[Accent.First + 6] = {255, 250, 220};  // sparkle
  p[Accent.First + 7] = {80, 200, 255};   // spirit eyes
  return p;
}
