// The icon's scene is laid out on the sheets' pixel grid, then resampled by area coverage with
// premultiplied alpha, so transparent pixels lend no colour to the edges.
#include "tools/mkassets/Icon.h"

#include <algorithm>
#include <cmath>

#include "tools/mkassets/CharacterSheet.h"
#include "tools/mkassets/Palette.h"
#include "tools/mkassets/SheetLayout.h"
#include "tools/mkassets/TerrainSheet.h"

namespace {

// Premultiplied colour in 0..1.
struct TColour {
  double R = 0, G = 0, B = 0, A = 0;
};

struct TScene {
  int Width, Height;
  std::vector<TColour> Pixels;
  TScene(int w, int h) : Width(w), Height(h), Pixels(static_cast<size_t>(w) * static_cast<size_t>(h)) {}
  TColour& At(int x, int y) {
    return Pixels[static_cast<size_t>(y) * static_cast<size_t>(Width) + static_cast<size_t>(x)];
  }
};

// The grass block with both upper edges lit, the villager facing right-down standing still,
// the shadow under the feet.
const TPictureRect kBlock = TerrainBlockRect(0, 3);
const TPictureRect kPerson = CharacterFrameRect(1, 1 * 3 + 1);
// Where the pictures lie in the scene: the feet (column 27, soles on row 60 of a frame) two rows
// below the middle of the block's top (column 29, row 15), so the person stands on the block
// rather than on its far edge; the shadow's middle under the soles.
constexpr int BlockX = 0, kBlockY = 45;
constexpr int PersonX = BlockX + 2, kPersonY = kBlockY + 15 - 58;
constexpr int ShadowX = PersonX + 27 - 13, kShadowY = kPersonY + 60 - 6;
constexpr int SceneWidth = 60, kSceneHeight = kBlockY + 45;
// The shadow darkens what lies under it by up to this much, as the game's subtractive blend.
constexpr double ShadowStrength = 0.45;

void Put(TScene& scene, const TIndexedImage& sheet, const TPictureRect& r, int atX, int atY, const Palette& palette) {
  for (int y = 0; y < r.Height; ++y)
    for (int x = 0; x < r.Width; ++x) {
      const uint8_t index = sheet.At(r.Left + x, r.Top + y);
      if (index == 0 || atX + x < 0 || atY + y < 0 || atX + x >= scene.Width || atY + y >= scene.Height) continue;
      const TRgb c = palette[index];
      scene.At(atX + x, atY + y) = {c.R / 255.0, c.G / 255.0, c.B / 255.0, 1.0};
    }
}

void PutShadow(TScene& scene, const TIndexedImage& sheet) {
  const TPictureRect r = ShadowRect;
  for (int y = 0; y < r.Height; ++y)
    for (int x = 0; x < r.Width; ++x) {
      const uint8_t index = sheet.At(r.Left + x, r.Top + y);
      if (index == 0) continue;
      const double keep = 1.0 - ShadowStrength * (index - Ramps::Grey.First + 1) / Ramps::Grey.Count;
      TColour& c = scene.At(ShadowX + x, kShadowY + y);
      c = {c.R * keep, c.G * keep, c.B * keep, c.A};
    }
}

// The scene cut to what it covers, centred in a square with a pixel of room on every side.
TScene ComposeScene() {
  const Palette palette = BuildPalette();
  const TIndexedImage terrain = PaintTerrainSheet();
  TScene scene(SceneWidth, kSceneHeight);
  Put(scene, terrain, kBlock, BlockX, kBlockY, palette);
  // The shadow darkens the ground; the person is drawn over it.
  PutShadow(scene, terrain);
  Put(scene, PaintCharacterSheet(), kPerson, PersonX, kPersonY, palette);
  int left = scene.Width, top = scene.Height, right = -1, bottom = -1;
  for (int y = 0; y < scene.Height; ++y)
    for (int x = 0; x < scene.Width; ++x)
      if (scene.At(x, y).A > 0) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  const int width = right - left + 1, height = bottom - top + 1;
  const int side = std::max(width, height) + 2;
  const int dx = (side - width) / 2 - left, dy = (side - height) / 2 - top;
  TScene square(side, side);
  for (int y = top; y <= bottom; ++y)
    for (int x = left; x <= right; ++x) square.At(x + dx, y + dy) = scene.At(x, y);
  return square;
}

uint8_t Byte(double v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0)); }

}  // namespace

TRgbaImage PaintIcon(int size) {
  size = std::max(size, 1);
  TScene scene = ComposeScene();
  const double step = double(scene.Width) / size;  // scene pixels per icon pixel
  TRgbaImage icon{size, size, std::vector<uint8_t>(static_cast<size_t>(size) * static_cast<size_t>(size) * 4)};
  for (int iy = 0; iy < size; ++iy)
    for (int ix = 0; ix < size; ++ix) {
      // The icon pixel's square on the scene, and how much of each scene pixel it covers.
      const double x0 = ix * step, x1 = x0 + step, y0 = iy * step, y1 = y0 + step;
      TColour sum;
      for (int sy = static_cast<int>(y0); sy < y1 && sy < scene.Height; ++sy)
        for (int sx = static_cast<int>(x0); sx < x1 && sx < scene.Width; ++sx) {
          const double w =
              (std::min(x1, sx + 1.0) - std::max(x0, double(sx))) * (std::min(y1, sy + 1.0) - std::max(y0, double(sy)));
          const TColour& c = scene.At(sx, sy);
          sum = {sum.R + w * c.R, sum.G + w * c.G, sum.B + w * c.B, sum.A + w * c.A};
        }
      const double area = step * step, alpha = sum.A / area;
      uint8_t* out = &icon.Pixels[(static_cast<size_t>(iy) * static_cast<size_t>(size) + static_cast<size_t>(ix)) * 4];
      out[0] = alpha > 0 ? Byte(sum.R / sum.A) : 0;
      out[1] = alpha > 0 ? Byte(sum.G / sum.A) : 0;
      out[2] = alpha > 0 ? Byte(sum.B / sum.A) : 0;
      out[3] = Byte(alpha);
    }
  return icon;
}
