#include "gfx/InkBlend.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "blit/Attributes.h"

namespace {

// Sixteen 16-bit lanes: every product and sum below stays under 65536 (a colour component
// times a coverage plus the rest of 255 times another is at most 255 * 255), so the mixing
// needs no wider lanes.
typedef uint16_t TLanes __attribute__((vector_size(32)));
constexpr int Lanes = 16;
typedef uint8_t TCoverBytes __attribute__((vector_size(16)));  // the coverages of a set of lanes

// MixInk in lanes; x / 255 for x up to 65407 is (x + 1 + (x >> 8)) >> 8.
CORVINA_INLINE void MixLanes(uint16_t fg, const TLanes& bg, const TLanes& a, TLanes& out) {
  const TLanes x = fg * a + bg * (uint16_t{255} - a) + uint16_t{127};
  out = (x + uint16_t{1} + (x >> 8)) >> 8;
}

// 5-5-5 when Rgb555, else 5-6-5 with the colour's red and blue already placed where the
// layout has them (high and low).
template <bool Rgb555>
CORVINA_INLINE void BlendLanes(TLanes& d, const TLanes& a, TInkColour c) {
  const TLanes hi = Rgb555 ? (d >> 10) & 31 : d >> 11;
  const TLanes mid = Rgb555 ? (d >> 5) & 31 : (d >> 5) & 63;
  const TLanes lo = d & 31;
  TLanes hi8, mid8, lo8;
  MixLanes(c.R, (hi << 3) | (hi >> 2), a, hi8);
  MixLanes(c.G, Rgb555 ? (mid << 3) | (mid >> 2) : (mid << 2) | (mid >> 4), a, mid8);
  MixLanes(c.B, (lo << 3) | (lo >> 2), a, lo8);
  const TLanes out = Rgb555 ? ((hi8 >> 3) << 10) | ((mid8 >> 3) << 5) | (lo8 >> 3)
                            : ((hi8 >> 3) << 11) | ((mid8 >> 2) << 5) | (lo8 >> 3);
  d = a != 0 ? out : d;
}

template <bool Rgb555>
CORVINA_INLINE void BlendSpan(uint16_t* d, const uint8_t* a, int n, int room, TInkColour c) {
  TLanes lane{};
  for (int k = 0; k < Lanes; ++k) lane[k] = static_cast<uint16_t>(k);
  int i = 0;
  // Whole sets of lanes while the row has room for them, those past n at coverage 0.
  for (; i < n && i + Lanes <= room; i += Lanes) {
    TLanes p;
    TCoverBytes bytes;
    std::memcpy(&p, d + i, sizeof p);
    std::memcpy(&bytes, a + i, sizeof bytes);
    TLanes cover = __builtin_convertvector(bytes, TLanes);
    cover = lane < static_cast<uint16_t>(n - i) ? cover : 0;
    BlendLanes<Rgb555>(p, cover, c);
    std::memcpy(d + i, &p, sizeof p);
  }
  if (i >= n) return;
  // The end of a row through a set of lanes of its own.
  TLanes p{}, cover{};
  const int rest = n - i;
  std::memcpy(&p, d + i, static_cast<size_t>(rest) * 2);
  for (int k = 0; k < rest; ++k) cover[k] = a[i + k];
  BlendLanes<Rgb555>(p, cover, c);
  std::memcpy(d + i, &p, static_cast<size_t>(rest) * 2);
}

template <bool Rgb555>
CORVINA_INLINE void BlendSpans(const TSurfaceDC& t, int x, int y, const std::vector<TInkSpan>& spans,
                               const uint8_t* cover, TInkColour c) {
  auto* pixels = reinterpret_cast<uint8_t*>(t.Pixels);
  for (const TInkSpan& span : spans) {
    const int py = y + span.Row;
    if (py < std::max(t.RowsFrom, 0) || py >= std::min(t.RowsTo, t.Height)) continue;
    // Whole sets of lanes may reach past the span, but not past the window: what they store
    // there must be what the window's drawing owns.
    const int limit = std::min(t.Width, t.ColumnsTo);
    const int from = std::max({x + span.Col, t.ColumnsFrom, 0}), to = std::min(x + span.Col + span.Length, limit);
    if (from >= to) continue;
    auto* row = reinterpret_cast<uint16_t*>(pixels + static_cast<ptrdiff_t>(py) * t.Pitch);
    BlendSpan<Rgb555>(row + from, cover + span.At + (from - x - span.Col), to - from, limit - from, c);
  }
}

// Built twice, and reached through the plain function below: some compilers make the choice
// between the builds only for a caller in the same file.
CORVINA_CLONES void BlendLine(const TSurfaceDC& target, int x, int y, const std::vector<TInkSpan>& spans,
                              const uint8_t* cover, TInkColour colour) {
  if (target.PixelKind == PixelKind555) return BlendSpans<true>(target, x, y, spans, cover, colour);
  // The 5-6-5 layout with red low holds blue where the other holds red.
  if (target.PixelKind == PixelKindBgr565) std::swap(colour.R, colour.B);
  BlendSpans<false>(target, x, y, spans, cover, colour);
}

}  // namespace

void BlendInkSpans(const TSurfaceDC& target, int x, int y, const std::vector<TInkSpan>& spans, const uint8_t* cover,
                   TInkColour colour) {
  if (target.Pixels != nullptr) BlendLine(target, x, y, spans, cover, colour);
}
