// Every routine that puts a picture onto the back buffer, and the 16-bit colour arithmetic.
// Sheet routines anchor and clip a sheet rectangle; surface routines take both surfaces.
#pragma once

#include <cstdint>

#include "core/Types.h"
#include "ddraw/DDraw.h"
#include "gfx/PixelFormat.h"

enum TBlendMode : uint8_t { bmAlpha = 0, bmAdd = 1, bmGlowRed = 2, bmGlowGreen = 3, bmGlowBlue = 4 };

// Writes a 5-6-5 colour into the back buffer as the selected pixel format stores it, leaving
// the back buffer locked; nothing outside the screen.
void PutPixel(int x, int y, uint16_t colour565);

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
