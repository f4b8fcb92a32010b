// What drawing the world keeps for the camera, beside the game's state: the cover of the
// view's stacks, the clear under its ground, and the frame list with its renderer. None of it
// is part of the game; a new view only costs one whole frame.
#pragma once

#include <memory>
#include <vector>

#include "game/GroundClear.h"
#include "game/Map.h"
#include "game/StackCover.h"
#include "gfx/FrameList.h"

// One place of the view as the render pass walked it: its cell, its ground anchor on the
// screen, its stack, the cell's light and the packed stacks in front (TFrontSlot order).
struct TViewPlace {
  int CX = 0, CY = 0, X = 0, Y = 0;
  TStackSlot Stack;
  uint8_t Light = 0;
  uint16_t Front[3] = {};
};

// What the render pass's walk over the view read and made. A frame whose inputs are the same
// (the cells the walk reads byte for byte, the camera cell, the view's size, the trim, the
// tiles and the sheets the cover was learnt from) reuses it instead of walking again. Nothing
// here depends on the pixel offset of the camera: rows are kept before it is applied.
struct TViewWalk {
  bool Valid = false;
  std::vector<uint64_t> Inputs;        // the words read besides the cells, the cells' box among them
  std::vector<TMapCell> Cells;         // the box of cells read, row by row
  std::vector<uint64_t> GroundCovers;  // by view row: the places whose stack covers its ground
  // Each place's terrain key, its rows (its stack's and its ground diamond's) before the
  // camera's offset; First ~0: an empty place.
  struct TKey {
    int Top = 0, Bottom = 0;
    int Left = 0, Right = 0;
    uint64_t First = 0, Second = 0;
  };
  std::vector<TKey> Keys;
  std::vector<int> Occupied;  // the places whose cell holds anyone, in order
  // The places whose stack reaches each band of 16 rows before the camera's offset, in order:
  // band First + b's are Places[Start[b] .. Start[b + 1]).
  struct TBandIndex {
    int First = 0;
    std::vector<int> Start;
    std::vector<int> Places;
  } Bands;
};
// How far past each side of the screen the canvas holds the world: the most the view's pixel
// offset moves it from its cell (the free camera's scroll, a followed person's step).
constexpr int CanvasMarginX = 64, CanvasMarginY = 32;

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
  // The view of the frame being made, whose terrain is listed only for the bands drawn, and the
  // list its persons, marks and speech are first put on.
  std::vector<TViewPlace> FPlaces;
  TFrameList FPersons;
  TViewWalk FWalk;  // what made FPlaces

  // The world (the ground, terrain and persons) is drawn onto the canvas, CanvasMargin larger
  // than the screen on each side and anchored to the view's cells, so that a view whose pixel
  // offset alone moved redraws nothing of it: the back buffer's ground is then the canvas's
  // window at FWindow, and what the frame draws over the world is listed on FFrame.
  // Whether this frame's world goes onto the canvas, the view at pixel offset off; when so,
  // FWindow is set and the canvas made for the back buffer's measures. Otherwise the frame is
  // drawn onto the back buffer alone.
  bool BeginCanvas(const TPoint& off);
  // Draws FCanvasFrame onto the canvas, and sets FFrame's ground: the window.
  void DrawCanvas();
  bool FUseCanvas = true;  // false: every frame drawn onto the back buffer alone
  bool FOnCanvas = false;  // this frame's world is on the canvas
  TPoint FWindow;          // the screen's top-left corner on the canvas
  std::unique_ptr<TDDSurface> FCanvas;
  TFrameList FCanvasFrame;
  TFrameRenderer FCanvasRenderer;
  // The view the canvas's last frame was drawn for: its camera cell and size (H 0: none).
  struct TCanvasView {
    TPoint Cam;
    int H = 0, V = 0;
  } FCanvasView;
};
