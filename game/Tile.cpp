// TTile's construction and its three drawing ways.
#include "game/Tile.h"

#include "gfx/FrameList.h"

TTile::TTile(int Sheet, const TRect& Rect)
    : FWidth(static_cast<uint16_t>(Rect.Right - Rect.Left + 1)),
      FHeight(static_cast<uint16_t>(Rect.Bottom - Rect.Top + 1)),
      FSheet(Sheet),
      FSourceRect(Rect) {}

void TTile::Draw(TFrameList& Frame, const TPoint& P) {
  Frame.Add(TSheetPicture::Of(TSheetPicture::Keyed, P.X, P.Y, FSheet, FSourceRect, false));
}

void TTile::DrawSeeThrough(TFrameList& Frame, const TPoint& P) {
  Frame.Add(TSheetPicture::Of(TSheetPicture::Stippled, P.X, P.Y, FSheet, FSourceRect, false));
}

void TTile::DrawShaded(TFrameList& Frame, const TPoint& P, bool Dark) {
  const auto way = Dark ? TSheetPicture::HalfBright : TSheetPicture::ThreeQuarterBright;
  Frame.Add(TSheetPicture::Of(way, P.X, P.Y, FSheet, FSourceRect, false));
}

void TTile::DrawRows(TFrameList& Frame, const TPoint& P, int From, int To, TShade Shade, const TPictureCut& Cut) {
  const TRect& r = FSourceRect;
  const TRect part{r.Left, r.Top + From, r.Right, r.Top + To};
  const TPoint c = PictureCorner(P, r.Right - r.Left, r.Bottom - r.Top);
  static constexpr TSheetPicture::TWay Ways[] = {TSheetPicture::Keyed, TSheetPicture::ThreeQuarterBright,
                                                 TSheetPicture::HalfBright};
  Frame.Add(TSheetPicture::Of(Ways[Shade], c.X, c.Y + From, FSheet, part, true, Cut));
}
