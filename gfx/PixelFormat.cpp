#include "gfx/PixelFormat.h"

#include "core/Settings.h"

int ClipMinX = 0, ClipMaxX = 640, ClipMinY = 0, ClipMaxY = 480;
TPoint ScreenOnSurface{0, 0};
int StipplePhase = 0;

namespace {

// PackRgb of one layout, in the shape of the MakeColor variable.
template <int Kind>
uint16_t PackRgbAs(uint8_t r, uint8_t g, uint8_t b) {
  return PackRgb(Kind, r, g, b);
}

}  // namespace

uint16_t (*MakeColor)(uint8_t r, uint8_t g, uint8_t b) = PackRgbAs<PixelKind555>;
void (*SplitPixel)(uint16_t p, uint8_t& r, uint8_t& g, uint8_t& b) = SplitPixel555;
void (*ComposePixel)(uint8_t r, uint8_t g, uint8_t b, uint16_t& p) = ComposePixel555;
int SelectedPixelKind = PixelKind555;

void SelectPixelFormat(uint8_t code) {
  if (code == 2 || code == 4) {
    MakeColor = PackRgbAs<PixelKind565>;
    SplitPixel = SplitPixel565;
    ComposePixel = ComposePixel565;
    SelectedPixelKind = PixelKind565;
  } else if (code == 3) {
    MakeColor = PackRgbAs<PixelKind555>;
    SplitPixel = SplitPixel555;
    ComposePixel = ComposePixel555;
    SelectedPixelKind = PixelKind555;
  }
  ClipMinX = 0;
  ClipMaxX = ScreenWidth;
  ClipMinY = 0;
  ClipMaxY = ScreenHeight;
}
