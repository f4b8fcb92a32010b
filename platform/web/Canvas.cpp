#include "platform/web/Canvas.h"

#include <algorithm>
#include <emscripten/emscripten.h>

extern "C" {
// library_corvina.js: the canvas's size made the page's in device pixels (0 without a canvas),
// and a picture of RGBA bytes put at (x, y).
int corvina_canvas_fit(int* width, int* height);
void corvina_canvas_put(const uint32_t* rgba, int width, int height, int x, int y);
// library_corvina_gl.js: WebGL 2 on the canvas (0 without it); the page's resizes followed; the
// frame's textures made width x height (1 when new, and every row wanted); rows sent to them;
// the picture drawn at (x, y), width x height, enlarged `factor` times on the way.
int corvina_gl_open();
void corvina_canvas_follow();
int corvina_gl_frame(int width, int height, int rgb555);
void corvina_gl_rows(const uint16_t* pixels, int pitch, int width, int y, int rows);
void corvina_gl_draw(int x, int y, int width, int height, int factor);
}

namespace {
// The canvas that showed the last picture: the one a resize refits.
TCanvas* Shown = nullptr;
}  // namespace

// Called by the page when it is resized.
extern "C" EMSCRIPTEN_KEEPALIVE void corvina_canvas_refit() {
  if (Shown != nullptr) Shown->Refit();
}

// Called by the page when the GPU's lost context is back, its textures empty.
extern "C" EMSCRIPTEN_KEEPALIVE void corvina_canvas_restored() {
  if (Shown != nullptr) Shown->Restore();
}

bool TCanvas::Fit(int backWidth, int backHeight) {
  if (!corvina_canvas_fit(&FWidth, &FHeight)) return false;
  if (FWay == TWay::Unknown) {
    FWay = corvina_gl_open() ? TWay::Gpu : TWay::Processor;
    corvina_canvas_follow();
  }
  FBox = FIntegerScale ? ComputeLetterbox(FWidth, FHeight, backWidth, backHeight)
                       : ComputeSharpFit(FWidth, FHeight, backWidth, backHeight);
  return true;
}

void TCanvas::Present(const uint16_t* pixels, int pitchBytes, int width, int height, bool rgb555,
                      const TChangedRows* changed) {
  if (pixels == nullptr || width <= 0 || height <= 0 || !Fit(width, height)) return;
  Shown = this;
  // New textures (a new frame size, or the GPU's context lost), or a new kind of frame, take
  // every row.
  const bool fresh = FWay == TWay::Gpu && corvina_gl_frame(width, height, rgb555 ? 1 : 0) != 0;
  const bool all = fresh || changed == nullptr || width != FFrameWidth || height != FFrameHeight || rgb555 != FRgb555;
  FFrameWidth = width;
  FFrameHeight = height;
  FRgb555 = rgb555;
  FFrame.resize(static_cast<size_t>(width) * height);
  // Each run of changed rows is kept, and sent to the GPU in one piece.
  const int pitch = pitchBytes / 2;
  for (int y = 0; y < height;) {
    if (!all && !changed->Row(y)) {
      ++y;
      continue;
    }
    int end = y + 1;
    while (end < height && (all || changed->Row(end))) ++end;
    for (int row = y; row < end; ++row) {
      std::copy_n(pixels + static_cast<size_t>(row) * pitch, width, FFrame.data() + static_cast<size_t>(row) * width);
    }
    if (FWay == TWay::Gpu) SendRows(y, end);
    y = end;
  }
  if (FWay == TWay::Gpu) {
    DrawOnGpu();
  } else {
    ScaleOnProcessor();
  }
}

void TCanvas::Refit() {
  if (FFrameWidth == 0 || !Fit(FFrameWidth, FFrameHeight)) return;
  if (FWay == TWay::Gpu) {
    DrawOnGpu();
  } else {
    ScaleOnProcessor();
  }
}

void TCanvas::Restore() {
  if (FWay != TWay::Gpu || FFrameWidth == 0 || !Fit(FFrameWidth, FFrameHeight)) return;
  corvina_gl_frame(FFrameWidth, FFrameHeight, FRgb555 ? 1 : 0);
  SendRows(0, FFrameHeight);
  DrawOnGpu();
}

void TCanvas::SendRows(int from, int to) {
  corvina_gl_rows(FFrame.data() + static_cast<size_t>(from) * FFrameWidth, FFrameWidth, FFrameWidth, from, to - from);
}

void TCanvas::DrawOnGpu() {
  corvina_gl_draw(FBox.Dest.Left, FBox.Dest.Top, FBox.Dest.Right - FBox.Dest.Left, FBox.Dest.Bottom - FBox.Dest.Top,
                  FBox.SharpFactor());
}

void TCanvas::ScaleOnProcessor() {
  const int w = FBox.Dest.Right - FBox.Dest.Left, h = FBox.Dest.Bottom - FBox.Dest.Top;
  FRgba.resize(static_cast<size_t>(w) * h);
  FScaler.Prepare(FFrameWidth, FFrameHeight, w, h);
  FScaler.Scale(FFrame.data(), FFrameWidth, FRgb555, FRgba.data(), w, TSharpScaler::TLayout::RgbaBytes);
  corvina_canvas_put(FRgba.data(), w, h, FBox.Dest.Left, FBox.Dest.Top);
}
