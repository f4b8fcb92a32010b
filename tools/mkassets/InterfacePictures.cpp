// The small pictures to the right of the ground blocks: two pointer phases, the red cell marker
// and the yellow ground marker, the person's shadow and the ten selection marks.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "tools/mkassets/Palette.h"
#include "tools/mkassets/SheetLayout.h"
#include "tools/mkassets/TerrainSheet.h"

namespace {

// An arrow pointing up and left, tip at the top-left pixel: 'o' outline, '#' fill, '+' shade.
constexpr const char* kArrow[18] = {
    "o.................", "oo................", "o#o...............", "o##o..............", "o###o.............",
    "o####o............", "o#####o...........", "o######o..........", "o#######o.........", "o########o........",
    "o#####+oooo.......", "o##o##+o..........", "o#o.o##+o.........", "oo..o##+o.........", "o....o##+o........",
    ".....o#+oo........", "......oo..........", "..................",
};

void PaintPointer(TIndexedImage& sheet, int phase) {
  const TPictureRect r = PointerRects[phase];
  // The second phase swaps fill and shade, so the pointer shimmers as it alternates.
  const uint8_t fill = phase == 0 ? Colours::White : Colours::PointerShade;
  const uint8_t shade = phase == 0 ? Colours::PointerShade : Colours::White;
  for (int y = 0; y < 18; ++y)
    for (int x = 0; x < 18; ++x) {
      const char c = kArrow[y][x];
      if (c == 'o') sheet.Set(r.Left + x, r.Top + y, Colours::Outline);
      if (c == '#') sheet.Set(r.Left + x, r.Top + y, fill);
      if (c == '+') sheet.Set(r.Left + x, r.Top + y, shade);
    }
}

// The outline of the cell's ground diamond as seen through the marker's 64 x 23 window: the
// marker sits 2 pixels left of and 3 below the cell box, so the diamond's centre is at (31.5, 11)
// and its edges climb 14 rows over 30 columns; the cut tips are closed by short caps.
void PaintMarker(TIndexedImage& sheet, const TPictureRect& r, uint8_t light, uint8_t dark) {
  for (int y = 0; y < r.Height; ++y) {
    const double d = std::abs(y - 11);                    // rows from the centre line
    const double reach = 32.0 - (d + 0.0) * 30.0 / 14.0;  // half-width of the outer edge
    for (int x = 0; x < r.Width; ++x) {
      const double dx = std::abs(x - 31.5);
      const double out = reach - dx;  // pixels inside the outer edge
      const bool cap = (y == 0 || y == r.Height - 1) && out >= 0;
      if (cap || (out >= 0 && out < 2.2))
        sheet.Set(r.Left + x, r.Top + y, light);
      else if (out >= 2.2 && out < 3.3 && y > 0 && y < r.Height - 1)
        sheet.Set(r.Left + x, r.Top + y, dark);
    }
  }
}

// A soft oval; the brighter the pixel, the more the game darkens the ground under it.
void PaintShadow(TIndexedImage& sheet) {
  const TPictureRect r = ShadowRect;
  for (int y = 0; y < r.Height; ++y)
    for (int x = 0; x < r.Width; ++x) {
      const double nx = (x - 13.0) / 13.5, ny = (y - 6.0) / 6.5;
      const double d = nx * nx + ny * ny;
      if (d >= 1.0) continue;
      sheet.Set(r.Left + x, r.Top + y, Ramps::Grey.Shade(1.0 - d * 0.85));
    }
}

// A small triangle pointing down at the person, outlined, lit along its top.
void PaintSelectionMark(TIndexedImage& sheet, int i) {
  const TPictureRect r = SelectionMarkRect(i);
  for (int y = 1; y < 11; ++y) {
    const int half = (11 - y) * 5 / 10 + 1;  // 6 at the top row, 1 at the tip
    for (int x = 6 - half; x < 6 + half; ++x) {
      const bool border = x == 6 - half || x == 5 + half || y == 1;
      uint8_t c = Ramps::Marks.At(i);
      if (border)
        c = Colours::Outline;
      else if (y == 2)
        c = Colours::White;
      sheet.Set(r.Left + x, r.Top + y, c);
    }
  }
}

}  // namespace

void PaintInterfacePictures(TIndexedImage& sheet) {
  PaintPointer(sheet, 0);
  PaintPointer(sheet, 1);
  PaintMarker(sheet, CellMarkerRect, Colours::RedLight, Colours::RedDark);
  PaintMarker(sheet, GroundMarkerRect, Colours::YellowLight, Colours::YellowDark);
  PaintShadow(sheet);
  for (int i = 0; i < 10; ++i) PaintSelectionMark(sheet, i);
}

TIndexedImage PaintTerrainSheet() {
  TIndexedImage sheet(SheetWidth, SheetHeight);
  PaintTerrainBlocks(sheet);
  PaintInterfacePictures(sheet);
  return sheet;
}
