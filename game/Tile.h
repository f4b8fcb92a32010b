// TTile: one picture cut from an image sheet and the three ways it is drawn;
// TSprite: the base of every actor on the map.
#pragma once

#include <cstdint>

#include "blit/PictureCut.h"
#include "core/Types.h"

class TFrameList;

class TTile {
 public:
  // FWidth/FHeight := the rectangle's extent plus one, kept in 16 bits (wrapping).
  TTile(int Sheet, const TRect& Rect);
  virtual ~TTile() = default;

  // Each adds its drawing to Frame. P is the middle of the picture's bottom edge; all three clip
  // and skip colour 0.
  virtual void Draw(TFrameList& Frame, const TPoint& P);
  virtual void DrawSeeThrough(TFrameList& Frame, const TPoint& P);
  // Dark: half brightness; else three quarters.
  virtual void DrawShaded(TFrameList& Frame, const TPoint& P, bool Dark);
  // Only picture rows [From, To), each where Draw or DrawShaded would put it, and of them only
  // the columns Cut leaves (its rows count from From); a tile that draws in another way
  // overrides this too.
  enum TShade { Lit, ThreeQuarters, Half };
  virtual void DrawRows(TFrameList& Frame, const TPoint& P, int From, int To, TShade Shade, const TPictureCut& Cut);

  uint16_t FWidth = 0;   // pixels, one more than the picture is wide
  uint16_t FHeight = 0;  // pixels, one more than the picture is high
  int FSheet = 0;        // 1 terrain sheet, 2 character sheet
  TRect FSourceRect;     // on that sheet, Right and Bottom exclusive

 protected:
  TTile() = default;
};

class TSprite : public TTile {
 public:
  // Sets only the number and frame kind; the picture fields and the cell stay zero.
  TSprite(int Id, int FrameKind) : FId(Id), FFrameKind(FrameKind) {}

  // The frame number, within the frame kind, of the picture to draw now.
  virtual int GetFrameIndex() = 0;
  // One frame of behaviour.
  virtual bool Update() { return true; }

  int FId = 0;         // actor number, 1..4 for persons; its occupant code on the map
  int FFrameKind = 0;  // 1..5: first index into the world's frame table
  int FCellX = 0;      // map column 0..99
  int FCellY = 0;      // map row 0..99
};
