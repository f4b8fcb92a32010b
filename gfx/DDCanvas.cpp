// PLACEHOLDER until the canvas lands.
#include "gfx/DDCanvas.h"

TDDCanvas::TDDCanvas(TDDSurface* surface) : FSurface(surface) {}
TDDCanvas::~TDDCanvas() = default;
void TDDCanvas::TextOut(int, int, std::string_view) {}
void TDDCanvas::Rectangle(int, int, int, int) {}
void TDDCanvas::Release() {}
void TDDCanvas::RequireDC() {}
