// The surface canvas: text and rectangles drawn into a surface's pixels while its device
// context is borrowed.
#include "gfx/DDCanvas.h"

#include <algorithm>
#include <stdexcept>

#include "gfx/PixelFormat.h"
#include "gfx/SurfaceRetry.h"
#include "gfx/TextRenderer.h"

TDDCanvas::TDDCanvas(TDDSurface* surface) : FSurface(surface) {
  if (surface == nullptr) throw std::runtime_error("Cannot create canvas for NIL surface");
}

TDDCanvas::~TDDCanvas() { Release(); }

void TDDCanvas::RequireDC() {
  if (FDC == nullptr) {
    TSurfaceDC* dc = nullptr;
    // Under the display's retry rule like every other surface call: a lost back buffer is
    // restored and a busy one waited for, instead of the drawing ending the program.
    if (RetryOnDisplay([&] { return FSurface->GetDC(&dc, true); }) == DD_OK) FDC = dc;
  }
  if (FDC == nullptr) throw std::runtime_error("Canvas does not allow drawing");
}

void TDDCanvas::Release() {
  if (FDC == nullptr) return;
  FSurface->ReleaseDC(FDC);
  FDC = nullptr;
}

void TDDCanvas::TextOut(int x, int y, std::string_view cp949) {
  RequireDC();
  const int rows = DrawTextCp949(*FDC, x, y, cp949, Font.Size, Font.Color);
  FSurface->MarkRowsChanged(y, y + rows);
}

void TDDCanvas::Rectangle(int left, int top, int right, int bottom) {
  RequireDC();
  const TSurfaceDC& dc = *FDC;
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  if (right - left < 1 || bottom - top < 1) return;
  FSurface->MarkRowsChanged(top, bottom);
  const uint16_t pen = PackColour(dc.PixelKind, Pen.Color);
  const uint16_t brush = PackColour(dc.PixelKind, Brush.Color);
  const bool fill = Brush.Style == TBrushStyle::Solid;
  for (int y = std::max({top, dc.RowsFrom, 0}); y < std::min({bottom, dc.Height, dc.RowsTo}); ++y) {
    auto* row =
        reinterpret_cast<uint16_t*>(reinterpret_cast<uint8_t*>(dc.Pixels) + static_cast<ptrdiff_t>(y) * dc.Pitch);
    const bool edgeRow = y == top || y == bottom - 1;
    for (int x = std::max({left, dc.ColumnsFrom, 0}); x < std::min({right, dc.Width, dc.ColumnsTo}); ++x) {
      if (edgeRow || x == left || x == right - 1) {
        row[x] = pen;
      } else if (fill) {
        row[x] = brush;
      }
    }
  }
}
