#include "app/OverPicture.h"

void DrawOverPicture(TDDCanvas& canvas, const std::function<void(TDDCanvas&)>& draw) {
  const TCanvasFont font = canvas.Font;
  const TCanvasPen pen = canvas.Pen;
  const TCanvasBrush brush = canvas.Brush;
  try {
    draw(canvas);
  } catch (...) {
    canvas.Release();
    throw;
  }
  canvas.Release();
  canvas.Font = font;
  canvas.Pen = pen;
  canvas.Brush = brush;
}
