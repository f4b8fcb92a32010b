// Converting 8-bit-per-component colours to and from the 16-bit surface formats (by pixel
// kind: 2 = 5-6-5, 3 = 5-5-5, 4 = 5-6-5 with red in the low bits), and the pixel format the
// drawing routines work in, chosen at run time with the clip rectangle.
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

// The clip rectangle of the surface routines (max exclusive).
extern int ClipMinX, ClipMaxX, ClipMinY, ClipMaxY;
// Where the screen's top-left corner lies on the surface being drawn: ClipToScreen cuts to the
// screen there. (0, 0) but while the world is listed for a surface larger than the screen.
extern TPoint ScreenOnSurface;
// Added to x + 2 y of a pixel before DrawStippled takes every third: a surface that holds the
// screen at an offset keeps the screen's pattern. 0, 1 or 2.
extern int StipplePhase;
// The phase that keeps the screen's pattern on a surface holding the screen's corner at screen.
inline int StipplePhaseFor(const TPoint& screen) { return ((-(screen.X + 2 * screen.Y)) % 3 + 3) % 3; }

// Pixel-format function set, chosen by SelectPixelFormat. Components are 5-bit.
extern uint16_t (*MakeColor)(uint8_t r, uint8_t g, uint8_t b);
extern void (*SplitPixel)(uint16_t p, uint8_t& r, uint8_t& g, uint8_t& b);
extern void (*ComposePixel)(uint8_t r, uint8_t g, uint8_t b, uint16_t& p);
// PixelKind565 or PixelKind555: the layout of the set selected now.
extern int SelectedPixelKind;

// 2 or 4: 5-6-5; 3: 5-5-5; else unchanged. Then the clip rectangle := the screen.
void SelectPixelFormat(uint8_t code);

// The two sets' split and compose, here so a per-pixel loop can call them directly.
inline uint8_t Limit31(uint8_t v) { return v > 31 ? 31 : v; }
inline void SplitPixel555(uint16_t p, uint8_t& r, uint8_t& g, uint8_t& b) {
  r = (p >> 10) & 31;
  g = (p >> 5) & 31;
  b = p & 31;
}
inline void SplitPixel565(uint16_t p, uint8_t& r, uint8_t& g, uint8_t& b) {
  r = (p >> 11) & 31;
  g = (p >> 6) & 31;
  b = p & 31;
}
inline void ComposePixel555(uint8_t r, uint8_t g, uint8_t b, uint16_t& p) {
  p = static_cast<uint16_t>((Limit31(r) << 10) | (Limit31(g) << 5) | Limit31(b));
}
inline void ComposePixel565(uint8_t r, uint8_t g, uint8_t b, uint16_t& p) {
  p = static_cast<uint16_t>((Limit31(r) << 11) | (Limit31(g) << 6) | Limit31(b));
}
