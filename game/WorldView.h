// What drawing the world keeps for the camera, beside the game's state: the cover of the
// view's stacks, the clear under its ground, and the frame list with its renderer. None of it
// is part of the game; a new view only costs one whole frame.
#pragma once

#include "game/GroundClear.h"
#include "game/StackCover.h"
#include "gfx/FrameList.h"

class TWorldView {
 public:
  // Draws what FFrame holds onto the back buffer (only the rows that can differ unless
  // FRedrawChanged is off) and empties it.
  void DrawFrame();

  // false: every row of every block is drawn, also where later blocks cover it in full.
  bool FTrimHidden = true;
  TStackCover FCover;
  TGroundClear FGroundClear;  // the clear under the view's ground, kept from frame to frame
  // false: every row of the world drawn every frame, not only those that can differ.
  bool FRedrawChanged = true;
  // What the frame draws, added by the render pass and the pointer; drawn when the frame is shown
  // while FFrameOpen (GameFrame), else at the end of each of them.
  TFrameList FFrame;
  bool FFrameOpen = false;
  TFrameRenderer FRenderer;  // draws FFrame against the last frame drawn
};
