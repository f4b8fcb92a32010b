// The end of every frame: frame-rate count, debug overlay, presentation of the back buffer.
#pragma once

class TFrameList;
class TFrameRenderer;

extern double FramesPerSecond;  // the last computed rate; 0 at start

// Counts the frame for the rate measurement. True when this frame measured FramesPerSecond
// anew, which happens only while the overlay is shown: the overlay is then due.
bool CountFrame();
// Writes the overlay when `measured` (the rate and the walk timing as they stand now), gives the
// canvas back, then presents the back buffer.
void PresentFrame(bool measured);
// The same for a frame still on its list: the overlay is added to frame, and renderer draws it
// (only the rows that can differ, with changedOnly) before the back buffer is presented.
void PresentFrame(bool measured, TFrameList& frame, TFrameRenderer& renderer, bool changedOnly);
// Whether the frame PresentFrame showed last carried the overlay.
bool OverlayShown();
