// Where the back buffer lands in a window or on a full screen: the largest whole scale that
// fits, centred with black bars, and the way back from window points to back-buffer pixels.
#pragma once

#include "core/Types.h"

struct TLetterbox {
  int BackWidth = 640;   // back buffer, pixels
  int BackHeight = 480;
  TRect Dest;            // the picture inside the output, output points (Right/Bottom exclusive)

  // An output point (may lie outside the output) as a back-buffer pixel; points outside the
  // picture give pixels outside the back buffer, rounded toward minus infinity.
  TPoint ToBackBuffer(TPoint output) const;
};

// The picture of backWidth x backHeight in an output of outWidth x outHeight: scaled by the
// largest whole factor that fits and centred; an output smaller than the picture gets it
// shrunk to fit, keeping its proportions.
TLetterbox ComputeLetterbox(int outWidth, int outHeight, int backWidth, int backHeight);
