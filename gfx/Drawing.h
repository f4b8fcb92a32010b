// Every routine that puts a picture onto the back buffer, and the 16-bit colour arithmetic.
// Sheet routines anchor and clip a sheet rectangle; surface routines take both surfaces.
#pragma once

#include <cstdint>

#include "core/Types.h"
#include "ddraw/DDraw.h"

enum TBlendMode : uint8_t { bmAlpha = 0, bmAdd = 1, bmGlowRed = 2, bmGlowGreen = 3, bmGlowBlue = 4 };

// The clip rectangle of the surface routines (max exclusive).
extern int ClipMinX, ClipMaxX, ClipMinY, ClipMaxY;

// Pixel-format function set, chosen by SelectPixelFormat.
extern uint16_t (*MakeColor)(uint8_t r, uint8_t g, uint8_t b);
extern void (*SplitPixel)(uint16_t p, uint8_t& r, uint8_t& g, uint8_t& b);
extern void (*ComposePixel)(uint8_t r, uint8_t g, uint8_t b, uint16_t& p);
extern void (*PutPixel)(int x, int y, uint16_t colour565);

// 2 or 4: 5-6-5; 3: 5-5-5; else unchanged. Then the clip rectangle := the screen.
void SelectPixelFormat(uint8_t code);

// The top-left corner of a width x height picture whose anchor is the middle of its bottom edge.
inline TPoint PictureCorner(const TPoint& anchor, int width, int height) {
  return {anchor.X - (width + 1) / 2, anchor.Y - height};
}

void ClipToScreen(int& x, int& y, TRect& r, bool atCorner);
// With a cut, only the columns it leaves of each row of r are drawn.
void DrawKeyed(int x, int y, int sheet, const TRect& r, bool atCorner, const TPictureCut& cut = NoCut);
void DrawStippled(int x, int y, int sheet, const TRect& r, bool atCorner, int brightness);
void DrawHalfBright(int x, int y, int sheet, const TRect& r, bool atCorner, const TPictureCut& cut = NoCut);
void DrawThreeQuarterBright(int x, int y, int sheet, const TRect& r, bool atCorner, const TPictureCut& cut = NoCut);
void BlendSprite(int x, int y, const TRect& r, TDDSurface* source, TDDSurface* dest, int level, TBlendMode mode);
void BrightenSprite(int x, int y, const TRect& r, TDDSurface* source, TDDSurface* dest, int brightness);
void AddBlendClipped(int x, int y, const TRect& r, TDDSurface* source, TDDSurface* dest, int level);
