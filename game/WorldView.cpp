#include "game/WorldView.h"

#include "gfx/Display.h"

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
