// PLACEHOLDER until the overlay lands.
#include "gfx/Overlay.h"

double FramesPerSecond = 0;
void PresentFrame() {}
