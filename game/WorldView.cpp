#include "game/WorldView.h"

#include "gfx/Display.h"

void TWorldView::DrawFrame() {
  TDDSurface* back = Display != nullptr ? Display->FBackBuffer.get() : nullptr;
  if (back != nullptr) {
    FRenderer.Draw(FFrame, *back, FRedrawChanged);
  } else {
    FFrame.Restart();
  }
}
