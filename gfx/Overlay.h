// The end of every frame: frame-rate count, debug overlay, presentation of the back buffer.
#pragma once

extern double FramesPerSecond;  // the last computed rate; 0 at start

void PresentFrame();
