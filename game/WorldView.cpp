#include "game/WorldView.h"

#include "core/Settings.h"
#include "gfx/Display.h"
#include "gfx/SurfaceRetry.h"

void TWorldView::DrawFrame() {
  TDDSurface* back = Display != nullptr ? Display->FBackBuffer.get() : nullptr;
  if (back != nullptr) {
    FRenderer.Draw(FFrame, *back, FRedrawChanged);
  } else {
    // Nothing to draw on: the frame is still listed whole, as a drawn one would be.
    FFrame.ListPartWhole();
    FFrame.Restart();
  }
}

bool TWorldView::BeginCanvas(const TPoint& off) {
  FOnCanvas = false;
  const TDDSurface* back = Display != nullptr ? Display->FBackBuffer.get() : nullptr;
  // The world must be the first thing the frame draws, and the window must fit the margin.
  if (!FUseCanvas || !FRedrawChanged || back == nullptr || !FFrame.Empty() || off.X < -CanvasMarginX ||
      off.X > CanvasMarginX || off.Y < -CanvasMarginY || off.Y > CanvasMarginY) {
    return false;
  }
  const int width = back->Width() + 2 * CanvasMarginX, height = back->Height() + 2 * CanvasMarginY;
  if (back->Width() != ScreenWidth || back->Height() != ScreenHeight) return false;
  if (!FCanvas || FCanvas->Width() != width || FCanvas->Height() != height ||
      FCanvas->PixelKind() != back->PixelKind()) {
    FCanvas = std::make_unique<TDDSurface>(width, height, back->PixelKind(), 0, BackBufferGuard);
    FCanvasRenderer.Forget();
  }
  FWindow = TPoint{CanvasMarginX + off.X, CanvasMarginY + off.Y};
  FOnCanvas = true;
  return true;
}

void TWorldView::DrawCanvas() {
  {
    TDrawOnto onto(FCanvas, FWindow);
    FCanvasRenderer.Draw(FCanvasFrame, *Display->FBackBuffer, true);
  }
  // The back buffer's ground is the canvas's window: redrawn where the window moved or the
  // canvas's rows under it were drawn.
  // Not const: a copy from a surface goes through its gate (loss, injected faults).
  TDDSurface* canvas = FCanvas.get();
  const TPoint at = FWindow;
  FFrame.SetGround(
      {canvas->Serial(), static_cast<uint64_t>(static_cast<uint32_t>(at.X)) << 32 | static_cast<uint32_t>(at.Y)},
      [canvas, at](TDDSurface& back) {
        const int from = back.RowsFrom(), to = back.RowsTo(), left = back.ColumnsFrom(), right = back.ColumnsTo();
        if (from >= to || left >= right) return;
        const TRect window{at.X + left, at.Y + from, at.X + right, at.Y + to};
        RetryOnDisplay([&] { return back.BltFast(left, from, canvas, window, false); });
      });
  FFrame.SetGroundFrom(canvas, at.Y);
}
