// The page's canvas: sized to the page in device pixels, the picture placed on it by the
// desktop full screen's rules (sharp by default, whole factors when asked), scaled here into
// RGBA and put as ImageData. The game's page and the replay both draw through it.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Letterbox.h"
#include "platform/SharpScaler.h"

class TCanvas {
 public:
  // Follows the page's size; false when the page has no canvas.
  bool Fit(int backWidth, int backHeight);
  void Present(const uint16_t* pixels, int pitchBytes, int width, int height, bool rgb555);
  // Where the picture is, in canvas pixels (device pixels from the page's top-left).
  const TLetterbox& Placement() const { return FBox; }

  bool FIntegerScale = false;

 private:
  TLetterbox FBox;
  int FWidth = 0;  // the canvas, pixels
  int FHeight = 0;
  TSharpScaler FScaler;
  std::vector<uint32_t> FRgba;
};
