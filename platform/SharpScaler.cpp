#include "platform/SharpScaler.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// 5- and 6-bit components widened to 8 bits by repeating their top bits, eight pixels at a
// time in lanes the compiler maps to the registers it has.
typedef uint16_t TSource8 __attribute__((vector_size(16)));
typedef uint32_t TWide8 __attribute__((vector_size(32)));

template <bool Rgb555, class V>
inline __attribute__((always_inline)) void Widen(V& p) {
  const V r = Rgb555 ? (p >> 10) & 31 : p >> 11;
  const V g = Rgb555 ? (p >> 5) & 31 : (p >> 5) & 63;
  const V b = p & 31;
  const V g8 = Rgb555 ? (g << 3) | (g >> 2) : (g << 2) | (g >> 4);
  p = (((r << 3) | (r >> 2)) << 16) | (g8 << 8) | (b << 3) | (b >> 2);
}

template <bool Rgb555>
inline __attribute__((always_inline)) void WidenPixels(const uint16_t* in, uint32_t* out, int n) {
  int x = 0;
  for (; x + 8 <= n; x += 8) {
    TSource8 p;
    std::memcpy(&p, in + x, sizeof p);
    TWide8 wide = __builtin_convertvector(p, TWide8);
    Widen<Rgb555>(wide);
    std::memcpy(out + x, &wide, sizeof wide);
  }
  for (; x < n; ++x) {
    out[x] = in[x];
    Widen<Rgb555>(out[x]);
  }
}

// n source pixels into 32 bits; built twice, the wider lanes taken where the processor has them.
#if defined(__x86_64__) && !defined(__SANITIZE_ADDRESS__)
__attribute__((target_clones("avx2", "default")))
#endif
void WidenRow(const uint16_t* in, uint32_t* out, int n, bool rgb555) {
  if (rgb555) {
    WidenPixels<true>(in, out, n);
  } else {
    WidenPixels<false>(in, out, n);
  }
}

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
  FWhole = destWidth == srcWidth * factor && destHeight == srcHeight * factor ? factor : 0;
  FCols = Taps(srcWidth, destWidth, factor);
  FRows = Taps(srcHeight, destHeight, factor);
  FHome.assign(static_cast<size_t>(srcHeight), -1);
  for (size_t y = FRows.size(); y-- > 0;) {
    if (FRows[y].W == 0) FHome[FRows[y].A] = static_cast<int>(y);
  }
  FColA.clear();
  FColW.clear();
  for (const TTap& t : FCols) {
    FColA.push_back(t.A);
    FColW.push_back(t.W);
  }
  FWide.assign(static_cast<size_t>(srcWidth) + 1, 0);
  for (auto& line : FLine) line.assign(static_cast<size_t>(destWidth), 0);
  FLineRow[0] = FLineRow[1] = -1;
}

const uint32_t* TSharpScaler::ScaledRow(const uint16_t* src, int srcPitch, bool rgb555, int row, int slot,
                                        uint32_t* dest, int destPitch, int y, const TChangedRows* changed) {
  for (int s = 0; s < 2; ++s) {
    if (FLineRow[s] == row) return FLinePlace[s];
  }
  WidenRow(src + static_cast<size_t>(row) * srcPitch, FWide.data(), FSrcWidth, rgb555);
  // Scaled straight into the destination row that is this row alone, when that row is still to
  // be written here: copying it there afterwards would cost a quarter of the scaling.
  uint32_t* out = FLine[slot].data();
  const int home = FHome[static_cast<size_t>(row)];
  if (home >= y && (changed == nullptr || DestRowChanged(home, *changed))) {
    out = dest + static_cast<size_t>(home) * destPitch;
  }
  FKernels->BlendColumns(FWide.data(), FColA.data(), FColW.data(), out, DestWidth());
  FLineRow[slot] = row;
  FLinePlace[slot] = out;
  return out;
}

bool TSharpScaler::DestRowChanged(int y, const TChangedRows& changed) const {
  if (FWhole != 0) return changed.Row(y / FWhole);
  const TTap& t = FRows[static_cast<size_t>(y)];
  return changed.Row(t.A) || (t.W != 0 && changed.Row(t.B));
}

void TSharpScaler::ScaleWhole(const uint16_t* src, int srcPitch, bool rgb555, uint32_t* dest, int destPitch,
                              const TChangedRows* changed) {
  const int k = FWhole;
  for (int y = 0; y < FSrcHeight; ++y) {
    if (changed != nullptr && !changed->Row(y)) continue;
    const uint16_t* in = src + static_cast<size_t>(y) * srcPitch;
    uint32_t* out = dest + static_cast<size_t>(y) * k * destPitch;
    if (k == 1) {
      WidenRow(in, out, FSrcWidth, rgb555);
      continue;
    }
    WidenRow(in, FWide.data(), FSrcWidth, rgb555);
    FKernels->Repeat(FWide.data(), FSrcWidth, k, out);
    for (int i = 1; i < k; ++i)
      std::memcpy(out + static_cast<size_t>(i) * destPitch, out, DestWidth() * sizeof(uint32_t));
  }
}

void TSharpScaler::Scale(const uint16_t* src, int srcPitch, bool rgb555, uint32_t* dest, int destPitch, TLayout layout,
                         const TChangedRows* changed) {
  // The swap below would turn rows not written back.
  if (layout != TLayout::Xrgb) changed = nullptr;
  if (FWhole != 0) {
    ScaleWhole(src, srcPitch, rgb555, dest, destPitch, changed);
  } else {
    ScaleFiltered(src, srcPitch, rgb555, dest, destPitch, changed);
  }
  if (layout == TLayout::Xrgb) return;
  // The canvas wants the bytes R, G, B, A: red and blue change places, alpha full.
  for (int y = 0; y < DestHeight(); ++y) FKernels->ToRgbaBytes(dest + static_cast<size_t>(y) * destPitch, DestWidth());
}

void TSharpScaler::ScaleFiltered(const uint16_t* src, int srcPitch, bool rgb555, uint32_t* dest, int destPitch,
                                 const TChangedRows* changed) {
  // The rows were scaled for another picture.
  FLineRow[0] = FLineRow[1] = -1;
  for (size_t y = 0; y < FRows.size(); ++y) {
    const TTap& t = FRows[y];
    if (changed != nullptr && !DestRowChanged(static_cast<int>(y), *changed)) continue;
    // Row A in the slot it had, row B in the other: consecutive destination rows share them.
    const int slotA = FLineRow[1] == t.A ? 1 : 0;
    const int row = static_cast<int>(y);
    const uint32_t* a = ScaledRow(src, srcPitch, rgb555, t.A, slotA, dest, destPitch, row, changed);
    const uint32_t* b = t.W == 0 ? a : ScaledRow(src, srcPitch, rgb555, t.B, 1 - slotA, dest, destPitch, row, changed);
    uint32_t* out = dest + y * static_cast<size_t>(destPitch);
    if (t.W == 0) {
      if (a != out) std::copy(a, a + FCols.size(), out);
    } else {
      FKernels->BlendRows(a, b, t.W, out, DestWidth());
    }
  }
}
