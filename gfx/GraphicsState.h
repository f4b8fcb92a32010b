// The graphics layer's program-wide state as a whole.
#pragma once

// Back to the graphics of a program that has drawn nothing: no display, the 5-5-5 pixel
// functions with the clip rectangle on the screen (so reset the screen size first), no frame
// rate measured and no rendered text kept.
void ResetGraphics();
