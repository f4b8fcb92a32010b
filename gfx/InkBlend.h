// Text ink over 16-bit pixels: each pixel takes the colour by its coverage, its components
// mixed in 8 bits with whole-number rounding, sixteen pixels at a time.
#pragma once

#include <cstdint>
#include <vector>

#include "ddraw/DDraw.h"

struct TInkColour {
  uint8_t R = 0, G = 0, B = 0;
};

// One component of the colour over one of the pixel's, by coverage (0..255), rounded.
inline uint8_t MixInk(uint8_t fg, uint8_t bg, uint32_t alpha) {
  return static_cast<uint8_t>((fg * alpha + bg * (255 - alpha) + 127) / 255);
}

// A stretch of one row of a rendered line, with a coverage for each of its pixels.
struct TInkSpan {
  uint16_t Col;  // from the line's top-left
  uint16_t Row;
  uint16_t Length;
  uint32_t At;  // its first coverage in the line's list
};

// Coverages a line's list holds past its last span's: read and not used.
constexpr int InkSlack = 15;

// The line's spans with its top-left at (x, y), clipped to the target: each pixel takes the
// colour by its coverage (components widened to 8 bits as UnpackRgb does, mixed by MixInk and
// packed by PackRgb in the target's layout); a pixel of coverage 0 is left as it is.
void BlendInkSpans(const TSurfaceDC& target, int x, int y, const std::vector<TInkSpan>& spans, const uint8_t* cover,
                   TInkColour colour);
