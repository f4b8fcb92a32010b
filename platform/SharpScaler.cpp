#include "platform/SharpScaler.h"

#include <algorithm>
#include <cmath>

namespace {

// The outer components of either layout blend as a pair, the middle one alone; the top byte
// (alpha, the same in both pixels) passes through.
uint32_t Blend(uint32_t p, uint32_t q, uint32_t w) {
  if (w == 0) return p;
  const uint32_t rb = (((p & 0xFF00FFu) * (256 - w) + (q & 0xFF00FFu) * w) >> 8) & 0xFF00FFu;
  const uint32_t g = (((p & 0x00FF00u) * (256 - w) + (q & 0x00FF00u) * w) >> 8) & 0x00FF00u;
  return rb | g | (p & 0xFF000000u);
}

// A 5- or 6-bit component widened to 8 bits by repeating its top bits.
uint32_t Widen(uint32_t v, int bits) { return bits == 5 ? (v << 3) | (v >> 2) : (v << 2) | (v >> 4); }

}  // namespace

std::vector<TSharpScaler::TTap> TSharpScaler::Taps(int src, int dest, int factor) {
  // Linear sampling of the enlarged picture at each destination pixel's centre.
  const int enlarged = src * factor;
  std::vector<TTap> taps(static_cast<size_t>(dest));
  for (int i = 0; i < dest; ++i) {
    const double u = std::clamp((i + 0.5) * enlarged / dest - 0.5, 0.0, enlarged - 1.0);
    const int i0 = static_cast<int>(u), i1 = std::min(i0 + 1, enlarged - 1);
    TTap& t = taps[static_cast<size_t>(i)];
    t.A = static_cast<uint16_t>(i0 / factor);
    t.B = static_cast<uint16_t>(i1 / factor);
    t.W = t.A == t.B ? 0 : static_cast<uint16_t>(std::lround((u - i0) * 256));
  }
  return taps;
}

void TSharpScaler::Prepare(int srcWidth, int srcHeight, int destWidth, int destHeight) {
  if (srcWidth == FSrcWidth && srcHeight == FSrcHeight && destWidth == DestWidth() && destHeight == DestHeight()) {
    return;
  }
  FSrcWidth = srcWidth;
  FSrcHeight = srcHeight;
  const int factor = std::max({(destWidth + srcWidth - 1) / srcWidth, (destHeight + srcHeight - 1) / srcHeight, 1});
  FCols = Taps(srcWidth, destWidth, factor);
  FRows = Taps(srcHeight, destHeight, factor);
  for (auto& line : FLine) line.assign(static_cast<size_t>(destWidth), 0);
  FLineRow[0] = FLineRow[1] = -1;
}

const uint32_t* TSharpScaler::ScaledRow(const uint16_t* src, int srcPitch, int row, int slot) {
  for (int s = 0; s < 2; ++s) {
    if (FLineRow[s] == row) return FLine[s].data();
  }
  const uint16_t* in = src + static_cast<size_t>(row) * srcPitch;
  uint32_t* out = FLine[slot].data();
  for (size_t x = 0; x < FCols.size(); ++x) {
    const TTap& t = FCols[x];
    out[x] = Blend(FColour[in[t.A]], FColour[in[t.B]], t.W);
  }
  FLineRow[slot] = row;
  return out;
}

void TSharpScaler::Scale(const uint16_t* src, int srcPitch, bool rgb555, uint32_t* dest, int destPitch,
                         TLayout layout) {
  if (FColour.empty() || FColourRgb555 != rgb555 || FColourLayout != layout) {
    FColour.resize(65536);
    for (uint32_t p = 0; p < 65536; ++p) {
      const uint32_t r = rgb555 ? Widen((p >> 10) & 31, 5) : Widen(p >> 11, 5);
      const uint32_t g = rgb555 ? Widen((p >> 5) & 31, 5) : Widen((p >> 5) & 63, 6);
      const uint32_t b = Widen(p & 31, 5);
      FColour[p] = layout == TLayout::Xrgb ? (r << 16) | (g << 8) | b : 0xFF000000u | (b << 16) | (g << 8) | r;
    }
    FColourRgb555 = rgb555;
    FColourLayout = layout;
  }
  // The rows were scaled for another picture.
  FLineRow[0] = FLineRow[1] = -1;
  for (size_t y = 0; y < FRows.size(); ++y) {
    const TTap& t = FRows[y];
    // Row A in the slot it had, row B in the other: consecutive destination rows share them.
    const int slotA = FLineRow[1] == t.A ? 1 : 0;
    const uint32_t* a = ScaledRow(src, srcPitch, t.A, slotA);
    const uint32_t* b = t.W == 0 ? a : ScaledRow(src, srcPitch, t.B, 1 - slotA);
    uint32_t* out = dest + y * static_cast<size_t>(destPitch);
    if (t.W == 0) {
      std::copy(a, a + FCols.size(), out);
    } else {
      for (size_t x = 0; x < FCols.size(); ++x) out[x] = Blend(a[x], b[x], t.W);
    }
  }
}
