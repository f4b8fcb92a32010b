// The end of a frame step, and the walk timing that may follow the measured frame rate.
#pragma once

// WalkFrame and FaceCount for a frame rate, each rounded to the nearest (halves to even): a
// step then takes a fifth of a second at any rate.
void FollowFrameRate(double framesPerSecond);
// Counts the frame; when that measured the rate anew and AutoTiming is on, the walk timing
// follows it before the overlay shows it; then the overlay and the presentation.
void FinishFrame();
