// A text and shape canvas on a surface: borrows the surface's device context for drawing and
// gives it back on Release. Text is CP949 (the game's speech) or plain ASCII.
#pragma once

#include <string_view>

#include "core/Types.h"
#include "ddraw/DDraw.h"

enum class TBrushStyle { Solid, Clear };

struct TCanvasFont {
  const char* Name = "Default";
  int Size = 12;  // points at 96 dpi: 16 px
  TColor Color = RGB(255, 255, 255);
};
struct TCanvasPen {
  TColor Color = RGB(0, 0, 0);
};
struct TCanvasBrush {
  TBrushStyle Style = TBrushStyle::Solid;
  TColor Color = RGB(255, 255, 255);
};

class TDDCanvas {
 public:
  // Throws std::runtime_error("Cannot create canvas for NIL surface") for a null surface.
  explicit TDDCanvas(TDDSurface* surface);
  ~TDDCanvas();
  TDDCanvas(const TDDCanvas&) = delete;
  TDDCanvas& operator=(const TDDCanvas&) = delete;

  // Both borrow the device context when none is held; without one they throw
  // std::runtime_error("Canvas does not allow drawing").
  void TextOut(int x, int y, std::string_view cp949);
  // Outline in the pen colour; filled with the brush unless its style is Clear.
  void Rectangle(int left, int top, int right, int bottom);
  // Gives the device context back; any number of calls.
  void Release();
  bool HoldsDC() const { return FDC != nullptr; }

  TCanvasFont Font;
  TCanvasPen Pen;
  TCanvasBrush Brush;

 private:
  void RequireDC();

  TDDSurface* FSurface;
  TSurfaceDC* FDC = nullptr;
};

// Gives a canvas's device context back when the scope ends, however it ends: a surface whose
// context is held out cannot be locked, copied or presented.
class TCanvasRelease {
 public:
  explicit TCanvasRelease(TDDCanvas& canvas) : FCanvas(canvas) {}
  ~TCanvasRelease() { FCanvas.Release(); }
  TCanvasRelease(const TCanvasRelease&) = delete;
  TCanvasRelease& operator=(const TCanvasRelease&) = delete;

 private:
  TDDCanvas& FCanvas;
};
