// Where the back buffer lands in a window or on a full screen, and the way back from window
// points to back-buffer pixels. Two ways to scale: "sharp" (the largest rectangle of the
// picture's own aspect that fits, reached by a whole-factor nearest-neighbour enlargement and
// a filtered reduction) and whole-factor only, with bars.
#pragma once

#include "core/Types.h"

struct TLetterbox {
  int BackWidth = 640;  // back buffer, pixels
  int BackHeight = 480;
  TRect Dest;  // the picture inside the output, output points (Right/Bottom exclusive)

  // An output point (may lie outside the output) as a back-buffer pixel; points outside the
  // picture give pixels outside the back buffer, rounded toward minus infinity.
  TPoint ToBackBuffer(TPoint output) const;
  // The output point at the middle of a back-buffer pixel (one outside is taken as the nearest
  // inside): ToBackBuffer leads back to the same pixel unless the picture is shown shrunk.
  TPoint FromBackBuffer(TPoint pixel) const;
  // The whole factor the sharp way enlarges the picture by before reducing it to Dest: the
  // smallest that reaches or exceeds Dest on both sides. 1 when Dest is no larger than the picture.
  int SharpFactor() const;
  // Whether Dest is the picture enlarged by a whole factor, so nearest neighbour alone shows it.
  bool WholeFactor() const;
};

// The picture of backWidth x backHeight in an output of outWidth x outHeight: scaled by the
// largest whole factor that fits and centred; an output smaller than the picture gets it
// shrunk to fit, keeping its proportions.
TLetterbox ComputeLetterbox(int outWidth, int outHeight, int backWidth, int backHeight);
// The same picture as large as the output allows at its own aspect (any factor), centred.
TLetterbox ComputeSharpFit(int outWidth, int outHeight, int backWidth, int backHeight);

// The largest window scale up to `requested` whose window (the picture times the scale, plus
// the window's borders) fits the usable area; at least 1.
int ClampWindowScale(int requested, int backWidth, int backHeight, int usableWidth, int usableHeight, int borderWidth,
                     int borderHeight);

// Where a window's picture (its client area, width x height) goes so that the window, frame
// included, lies centred in the usable area; a window larger than the area keeps its frame's
// top left corner, and with it the title bar, inside.
TPoint CentreWindow(const TRect& usable, int width, int height, int borderLeft, int borderTop, int borderRight,
                    int borderBottom);
