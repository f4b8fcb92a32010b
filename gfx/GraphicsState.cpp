#include "gfx/GraphicsState.h"

#include "gfx/Display.h"
#include "gfx/Drawing.h"
#include "gfx/Overlay.h"
#include "gfx/TextRenderer.h"

void ResetGraphics() {
  Display = nullptr;
  SelectPixelFormat(PixelKind555);
  FramesPerSecond = 0;
  ResetTextCache();
  ScreenOnSurface = TPoint{0, 0};
  StipplePhase = 0;
}
