// The ground blocks: a 60 x 28 diamond (top vertex on row 1, centre on row 15) over two side
// faces that reach row 44, so blocks stacked 13 pixels apart join. Light comes from the upper
// left: the left face is lighter than the right. Edge variants mark the diamond's upper-left
// (bit 1) and upper-right (bit 2) edges with a bright rim and a dark line inside it.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "tools/mkassets/Palette.h"
#include "tools/mkassets/SheetLayout.h"
#include "tools/mkassets/TerrainSheet.h"

namespace {

constexpr int CentreRow = 15;
constexpr int FaceRows = 15;
constexpr int BottomRow = 44;

enum Kind { Grass, Planks, Stones, Sand, Water, Gravel };

// Half-width of the diamond on a row `d` rows from the centre: columns 30 - hw .. 29 + hw.
// Rounded down so that neighbouring diamonds overlap rather than leave gaps.
int HalfWidth(int d) { return std::max(1, 30 - d * 30 / 14); }

bool InDiamond(int x, int y) {
  const int d = std::abs(y - CentreRow);
  if (d > 14) return false;
  const int hw = HalfWidth(d);
  return x >= 30 - hw && x <= 29 + hw;
}

// The last diamond row covering column x.
int LowerEdge(int x) {
  int y = CentreRow;
  while (y + 1 <= CentreRow + 14 && InDiamond(x, y + 1)) ++y;
  return y;
}

// Noise in -1..1.
double Noise(int x, int y, uint32_t seed) { return (Hash(x, y, seed) & 0xFFFF) / 32767.5 - 1.0; }

// Ground coordinates of a pixel of the diamond: east and south, each -0.5..0.5 over the cell.
void GroundCoords(int x, int y, double& e, double& s) {
  const double dx = x - 29.5, dy = y - CentreRow;
  e = (dx / 30.0 - dy / 14.0) / 2.0;
  s = (dx / 30.0 + dy / 14.0) / 2.0;
}

// Light falls from the upper left: the diamond's upper-left part is a little brighter.
double TopLight(int x, int y) { return 0.06 * ((29.5 - x) / 30.0 + (CentreRow - y) / 14.0) / 2.0; }

uint8_t GrassTop(int x, int y, uint32_t seed) {
  double t = 0.55 + TopLight(x, y) + 0.10 * Noise(x, y, seed);
  const uint32_t h = Hash(x, y, seed + 7);
  if (h % 41 == 0) return Ramps::Accent.At(3 + static_cast<int>(h % 3));  // a small flower
  // Blades: a light tip over a dark root, two rows tall.
  if (Hash(x, y + 1, seed + 3) % 7 == 0) t += 0.30;
  if (Hash(x, y, seed + 3) % 7 == 0) t -= 0.25;
  return Ramps::Grass.Shade(t);
}

uint8_t PlanksTop(int x, int y, uint32_t seed) {
  double e, s;
  GroundCoords(x, y, e, s);
  const double across = (s + 0.5) * 5.0;  // five boards running east-west
  const int board = static_cast<int>(std::floor(across));
  const double inBoard = across - board;
  if (inBoard < 0.12) return Ramps::Wood.At(1);  // seam between boards
  // Each board has its own butt joint somewhere along it.
  const double joint = 0.2 + 0.6 * ((Hash(board, 0, seed) & 255) / 255.0);
  const double along = e + 0.5;
  if (std::abs(along - joint) < 0.018) return Ramps::Wood.At(2);
  if (std::abs(along - joint) < 0.06 && std::abs(inBoard - 0.55) < 0.12) return Ramps::Metal.At(2);  // nail
  double t = 0.55 + 0.10 * ((Hash(board, 1, seed) & 255) / 255.0 - 0.5) + TopLight(x, y);
  t += 0.07 * std::sin(along * 40.0 + board * 2.0 + 3.0 * inBoard);  // grain
  if (inBoard < 0.25) t -= 0.08;
  if (inBoard > 0.85) t += 0.08;
  return Ramps::Wood.Shade(t);
}

uint8_t StonesTop(int x, int y, uint32_t seed) {
  double e, s;
  GroundCoords(x, y, e, s);
  const double v = (s + 0.5) * 4.0;
  const int row = static_cast<int>(std::floor(v));
  const double u = (e + 0.5) * 3.0 + (row % 2) * 0.5;
  const int col = static_cast<int>(std::floor(u));
  const double fu = u - col, fv = v - row;
  const double edge = std::min({fu, 1.0 - fu, fv * 1.4, (1.0 - fv) * 1.4});
  if (edge < 0.07) return Ramps::Stone.At(2);  // mortar
  double t = 0.52 + 0.14 * ((Hash(col, row, seed) & 255) / 255.0 - 0.5) + TopLight(x, y) + 0.04 * Noise(x, y, seed + 1);
  if (edge < 0.17 && (fu < 0.17 || fv < 0.13))
    t += 0.18;  // lit upper edges
  else if (edge < 0.17 && (fu > 0.83 || fv > 0.87))
    t -= 0.16;  // shaded lower edges
  return Ramps::Stone.Shade(t);
}

uint8_t SandTop(int x, int y, uint32_t seed) {
  double e, s;
  GroundCoords(x, y, e, s);
  double t = 0.60 + TopLight(x, y) + 0.05 * std::sin((s * 0.8 + e * 0.3) * 30.0);  // wind ripples
  const uint32_t h = Hash(x, y, seed);
  if (h % 13 == 0)
    t -= 0.14;
  else if (h % 17 == 0)
    t += 0.12;
  return Ramps::Sand.Shade(t);
}

uint8_t WaterTop(int x, int y, uint32_t seed) {
  double t = 0.42 + TopLight(x, y) * 2.0 + 0.04 * Noise(x, y, seed);
  // Short wave crests: a light streak with a dark trough under it.
  const int band = (y + 3 * ((x / 11) % 2)) % 6;
  const bool crest = Hash(x / 7, (y + 3 * ((x / 11) % 2)) / 6, seed + 5) % 3 == 0;
  if (crest && band == 0) t += 0.30;
  if (crest && band == 1) t -= 0.10;
  if (Hash(x, y, seed + 9) % 97 == 0) return Ramps::Accent.At(6);  // sparkle
  return Ramps::Water.Shade(t);
}

uint8_t GravelTop(int x, int y, uint32_t seed) {
  // Pebbles of 3 x 2 pixels in staggered rows, each with its own tone, lit top-left.
  const int py = y / 2, px = (x + (py % 2) * 2) / 3;
  const int ix = (x + (py % 2) * 2) % 3, iy = y % 2;
  const uint32_t h = Hash(px, py, seed);
  if (h % 5 == 0) return Ramps::Gravel.At(2);  // gap between pebbles
  double t = 0.25 + 0.60 * ((h >> 8) % 100) / 100.0 + TopLight(x, y);
  if (ix == 0 && iy == 0) t += 0.15;
  if (ix == 2 && iy == 1) t -= 0.20;
  if ((h >> 4) % 6 == 0) return Ramps::Sand.Shade(t - 0.1);  // a brownish stone among the grey
  return Ramps::Gravel.Shade(t);
}

uint8_t TopColour(int kind, int x, int y, uint32_t seed) {
  switch (kind) {
    case Grass: return GrassTop(x, y, seed);
    case Planks: return PlanksTop(x, y, seed);
    case Stones: return StonesTop(x, y, seed);
    case Sand: return SandTop(x, y, seed);
    case Water: return WaterTop(x, y, seed);
    default: return GravelTop(x, y, seed);
  }
}

// A side face pixel: `depth` rows below the diamond's edge (0..14), `left` for the lit face.
uint8_t SideColour(int kind, int x, int depth, bool left, uint32_t seed) {
  const double face = left ? 0.0 : -0.16;
  const double low = -0.012 * depth;  // a little darker toward the foot of the block
  const double n = 0.05 * Noise(x, depth, seed + 11);
  switch (kind) {
    case Grass:
      if (depth < 2 || (depth < 4 && Hash(x, 0, seed + 13) % 3 == 0)) return Ramps::Grass.Shade(0.35 + face);
      return Ramps::Earth.Shade(0.55 + face + low + 2 * n);
    case Planks: {
      if (depth == 0 || depth == 7) return Ramps::Wood.At(1);
      if (x % 10 == (left ? 3 : 6)) return Ramps::Wood.At(2);
      return Ramps::Wood.Shade(0.45 + face + low + n);
    }
    case Stones: {
      const int course = depth / 5;
      const int joint = (x + (course % 2) * 7) % 14;
      if (depth % 5 == 4 || joint == 0) return Ramps::Stone.At(1);
      return Ramps::Stone.Shade(0.50 + face + low + (depth % 5 == 0 ? 0.08 : 0.0) + n);
    }
    case Sand: return Ramps::Sand.Shade(0.45 + face + low + n + (Hash(x, depth, seed) % 11 == 0 ? -0.1 : 0.0));
    case Water: return Ramps::Water.Shade(0.30 + face + low + n);
    default: return Ramps::Gravel.Shade(0.40 + face + low + 2 * n);
  }
}

// The highlight along one upper edge: the rim pixels are the material's light, the next ones
// dark, so the step reads against both higher and lower neighbours.
void PaintEdge(TIndexedImage& sheet, int ox, int oy, int kind, bool leftEdge) {
  const TRamp ramp = kind == Grass    ? Ramps::Grass
                     : kind == Planks ? Ramps::Wood
                     : kind == Stones ? Ramps::Stone
                     : kind == Sand   ? Ramps::Sand
                     : kind == Water  ? Ramps::Water
                                      : Ramps::Gravel;
  for (int y = 1; y <= CentreRow; ++y) {
    const int hw = HalfWidth(CentreRow - y);
    const int next = y < CentreRow ? HalfWidth(CentreRow - y - 1) : hw;
    const int span = std::max(2, next - hw + 1);
    for (int i = 0; i < span + 1; ++i) {
      const int x = leftEdge ? 30 - hw + i : 29 + hw - i;
      if (!InDiamond(x, y)) continue;
      sheet.Set(ox + x, oy + y, i < span ? ramp.At(ramp.Count - 1 - (i == 0 ? 0 : 1)) : ramp.At(3));
    }
  }
}

void PaintBlock(TIndexedImage& sheet, int kind, int variant) {
  const TPictureRect r = TerrainBlockRect(kind, variant);
  const uint32_t seed = 1000 + static_cast<uint32_t>(kind) * 17;  // variants share the texture
  for (int x = 0; x < 60; ++x) {
    const int edge = LowerEdge(x);
    for (int y = 1; y <= edge; ++y)
      if (InDiamond(x, y)) sheet.Set(r.Left + x, r.Top + y, TopColour(kind, x, y, seed));
    for (int d = 0; d < FaceRows && edge + 1 + d <= BottomRow; ++d)
      sheet.Set(r.Left + x, r.Top + edge + 1 + d, SideColour(kind, x, d, x < 30, seed));
  }
  if (variant & 1) PaintEdge(sheet, r.Left, r.Top, kind, true);
  if (variant & 2) PaintEdge(sheet, r.Left, r.Top, kind, false);
}

}  // namespace

void PaintTerrainBlocks(TIndexedImage& sheet) {
  for (int kind = 0; kind < 6; ++kind)
    for (int variant = 0; variant < 4; ++variant) PaintBlock(sheet, kind, variant);
}
