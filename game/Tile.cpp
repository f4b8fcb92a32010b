// TTile's construction and its three drawing ways.
#include "game/Tile.h"

#include "gfx/Drawing.h"

TTile::TTile(int Sheet, const TRect& Rect)
    : FWidth(static_cast<uint16_t>(Rect.Right - Rect.Left + 1)),
      FHeight(static_cast<uint16_t>(Rect.Bottom - Rect.Top + 1)),
      FSheet(Sheet),
      FSourceRect(Rect) {}

void TTile::Draw(const TPoint& P) { DrawKeyed(P.X, P.Y, FSheet, FSourceRect, false); }

void TTile::DrawSeeThrough(const TPoint& P) { DrawStippled(P.X, P.Y, FSheet, FSourceRect, false, 0); }

void TTile::DrawShaded(const TPoint& P, bool Dark) {
  if (Dark)
    DrawHalfBright(P.X, P.Y, FSheet, FSourceRect, false);
  else
    DrawThreeQuarterBright(P.X, P.Y, FSheet, FSourceRect, false);
}

void TTile::DrawRows(const TPoint& P, int From, int To, TShade Shade, const TPictureCut& Cut) {
  const TRect& r = FSourceRect;
  const TRect part{r.Left, r.Top + From, r.Right, r.Top + To};
  const TPoint c = PictureCorner(P, r.Right - r.Left, r.Bottom - r.Top);
  switch (Shade) {
    case Lit: return DrawKeyed(c.X, c.Y + From, FSheet, part, true, Cut);
    case ThreeQuarters: return DrawThreeQuarterBright(c.X, c.Y + From, FSheet, part, true, Cut);
    case Half: return DrawHalfBright(c.X, c.Y + From, FSheet, part, true, Cut);
  }
}
