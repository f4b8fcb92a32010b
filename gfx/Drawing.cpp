// PLACEHOLDER until the drawing routines land.
#include "gfx/Drawing.h"

int ClipMinX = 0, ClipMaxX = 640, ClipMinY = 0, ClipMaxY = 480;
static uint16_t MakeColorStub(uint8_t, uint8_t, uint8_t) { return 0; }
static void SplitPixelStub(uint16_t, uint8_t& r, uint8_t& g, uint8_t& b) { r = g = b = 0; }
static void ComposePixelStub(uint8_t, uint8_t, uint8_t, uint16_t& p) { p = 0; }
static void PutPixelStub(int, int, uint16_t) {}
uint16_t (*MakeColor)(uint8_t, uint8_t, uint8_t) = MakeColorStub;
void (*SplitPixel)(uint16_t, uint8_t&, uint8_t&, uint8_t&) = SplitPixelStub;
void (*ComposePixel)(uint8_t, uint8_t, uint8_t, uint16_t&) = ComposePixelStub;
void (*PutPixel)(int, int, uint16_t) = PutPixelStub;
void SelectPixelFormat(uint8_t) {}
void ClipToScreen(int&, int&, TRect&, bool) {}
void DrawKeyed(int, int, int, const TRect&, bool) {}
void DrawStippled(int, int, int, const TRect&, bool, int) {}
void DrawHalfBright(int, int, int, const TRect&, bool) {}
void DrawThreeQuarterBright(int, int, int, const TRect&, bool) {}
void BlendSprite(int, int, const TRect&, TDDSurface*, TDDSurface*, int, TBlendMode) {}
void BrightenSprite(int, int, const TRect&, TDDSurface*, TDDSurface*, int) {}
void AddBlendClipped(int, int, const TRect&, TDDSurface*, TDDSurface*, int) {}
