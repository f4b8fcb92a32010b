// Converting 8-bit-per-component colours to and from the 16-bit surface formats (by pixel
// kind: 2 = 5-6-5, 3 = 5-5-5, 4 = 5-6-5 with red in the low bits).
#pragma once

#include <cstdint>

#include "core/Types.h"
#include "ddraw/DDraw.h"

inline uint16_t PackRgb(int kind, uint8_t r, uint8_t g, uint8_t b) {
  switch (kind) {
    case PixelKind555: return static_cast<uint16_t>(((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
    case PixelKindBgr565: return static_cast<uint16_t>(((b >> 3) << 11) | ((g >> 2) << 5) | (r >> 3));
    default: return static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
  }
}

inline uint16_t PackColour(int kind, TColor c) {
  return PackRgb(kind, static_cast<uint8_t>(GetRValue(c)), static_cast<uint8_t>(GetGValue(c)),
                 static_cast<uint8_t>(GetBValue(c)));
}

// Back to 8 bits per component, the low bits filled from the high ones (31 -> 255).
inline void UnpackRgb(int kind, uint16_t p, uint8_t& r, uint8_t& g, uint8_t& b) {
  auto five = [](unsigned v) { return static_cast<uint8_t>((v << 3) | (v >> 2)); };
  auto six = [](unsigned v) { return static_cast<uint8_t>((v << 2) | (v >> 4)); };
  if (kind == PixelKind555) {
    r = five((p >> 10) & 31);
    g = five((p >> 5) & 31);
    b = five(p & 31);
  } else {
    const uint8_t high = five(p >> 11);
    const uint8_t low = five(p & 31);
    g = six((p >> 5) & 63);
    r = kind == PixelKindBgr565 ? low : high;
    b = kind == PixelKindBgr565 ? high : low;
  }
}
