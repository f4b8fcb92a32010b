#include "platform/web/Canvas.h"

extern "C" {
// library_corvina.js: the canvas's size made the page's in device pixels (0 without a canvas),
// and a picture of RGBA bytes put at (x, y).
int corvina_canvas_fit(int* width, int* height);
void corvina_canvas_put(const uint32_t* rgba, int width, int height, int x, int y);
}

bool TCanvas::Fit(int backWidth, int backHeight) {
  if (!corvina_canvas_fit(&FWidth, &FHeight)) return false;
  FBox = FIntegerScale ? ComputeLetterbox(FWidth, FHeight, backWidth, backHeight)
                       : ComputeSharpFit(FWidth, FHeight, backWidth, backHeight);
  return true;
}

void TCanvas::Present(const uint16_t* pixels, int pitchBytes, int width, int height, bool rgb555) {
  if (pixels == nullptr || width <= 0 || height <= 0 || !Fit(width, height)) return;
  const int w = FBox.Dest.Right - FBox.Dest.Left, h = FBox.Dest.Bottom - FBox.Dest.Top;
  FRgba.resize(static_cast<size_t>(w) * h);
  FScaler.Prepare(width, height, w, h);
  FScaler.Scale(pixels, pitchBytes / 2, rgb555, FRgba.data(), w, TSharpScaler::TLayout::RgbaBytes);
  corvina_canvas_put(FRgba.data(), w, h, FBox.Dest.Left, FBox.Dest.Top);
}
