// Each kind of entry's rows and drawing, and the renderer that draws a frame whole or by bands.
#include "gfx/FrameList.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "core/Settings.h"
#include "gfx/DDCanvas.h"
#include "gfx/Display.h"
#include "gfx/PixelFormat.h"
#include "gfx/TextRenderer.h"

namespace {

// Keeps a surface's window for a scope, whatever ends it.
class TWindowScope {
 public:
  TWindowScope(TDDSurface& surface, const TRect& window) : FSurface(surface) {
    surface.SetWindow(window.Top, window.Bottom, window.Left, window.Right);
  }
  ~TWindowScope() { FSurface.ClearWindow(); }
  TWindowScope(const TWindowScope&) = delete;
  TWindowScope& operator=(const TWindowScope&) = delete;

 private:
  TDDSurface& FSurface;
};

void DrawEntry(const TFrameEntry& e, TDDSurface& back) {
  std::visit([&](const auto& what) { what.Draw(back); }, e.What);
}

// Whether two sheet pictures that differ only in where on the sheet they are taken from put the
// same pixels into rows [from, to): the sheet's rows they copy there are the same. The pointer's
// two pictures differ so, only in their top rows.
bool SameInk(const TFrameEntry& now, const TFrameEntry& last, int from, int to) {
  const auto* a = std::get_if<TSheetPicture>(&now.What);
  const auto* b = std::get_if<TSheetPicture>(&last.What);
  if (a == nullptr || b == nullptr || now.Source.Value == nullptr) return false;
  if (now.Top != last.Top || now.Bottom != last.Bottom || now.SourceSerial != last.SourceSerial ||
      now.SourceVersion != last.SourceVersion || !(now.Setting == last.Setting)) {
    return false;
  }
  if (a->Way != b->Way || a->AtCorner != b->AtCorner || a->Sheet != b->Sheet || a->X != b->X || a->Y != b->Y ||
      a->Level != b->Level || a->CutId != b->CutId) {
    return false;
  }
  const int width = a->R.Right - a->R.Left, height = a->R.Bottom - a->R.Top;
  if (width != b->R.Right - b->R.Left || height != b->R.Bottom - b->R.Top || width <= 0) return false;
  // The last frame's sheet is this one, unchanged since (serial and version): both are read now.
  const TDDSurface& sheet = *now.Source.Value;
  const auto inside = [&](const TRect& r) {
    return r.Left >= 0 && r.Top >= 0 && r.Right <= sheet.Width() && r.Bottom <= sheet.Height();
  };
  if (!inside(a->R) || !inside(b->R)) return false;
  const size_t stride = static_cast<size_t>(sheet.Pitch() / 2);
  for (int y = std::max(from, now.Top); y < std::min(to, now.Top + height); ++y) {
    const size_t row = static_cast<size_t>(y - now.Top);
    const uint16_t* pa = sheet.Pixels() + (a->R.Top + row) * stride + a->R.Left;
    const uint16_t* pb = sheet.Pixels() + (b->R.Top + row) * stride + b->R.Left;
    if (std::memcmp(pa, pb, static_cast<size_t>(width) * 2) != 0) return false;
  }
  return true;
}

uint64_t TilesOf(const TColumnTiles& tiles, const TFrameEntry& e) { return tiles.Of(e.Left, e.Right); }

// The entries of a list reaching one band, in order.
struct TBandList {
  const std::vector<TFrameEntry>& Entries;
  const int* Index;
  int Count;
  const TFrameEntry& operator[](int i) const { return Entries[static_cast<size_t>(Index[i])]; }
};

// The tiles where two lists of entries reaching one band can differ there; same(i, j): entry i
// of now draws there as entry j of last. Lists of as many entries are compared in place, each
// pair that differs adding its columns, before and now; else every entry between their longest
// same beginning and end adds its own. Elsewhere the same entries draw each pixel in the same order.
template <class Same>
uint64_t ChangedTiles(const TBandList& now, const TBandList& last, const TColumnTiles& tiles, const Same& same) {
  uint64_t changed = 0;
  if (now.Count == last.Count) {
    for (int i = 0; i < now.Count; ++i) {
      if (!same(i, i)) changed |= TilesOf(tiles, now[i]) | TilesOf(tiles, last[i]);
    }
    return changed;
  }
  const int shorter = std::min(now.Count, last.Count);
  int head = 0, tail = 0;
  while (head < shorter && same(head, head)) ++head;
  while (tail < shorter - head && same(now.Count - 1 - tail, last.Count - 1 - tail)) ++tail;
  for (int i = head; i < now.Count - tail; ++i) changed |= TilesOf(tiles, now[i]);
  for (int i = head; i < last.Count - tail; ++i) changed |= TilesOf(tiles, last[i]);
  return changed;
}

// Adds the tiles of r's columns to every band its rows reach.
void MarkTiles(const TRect& r, const TColumnTiles& tiles, std::vector<uint64_t>& stale) {
  const uint64_t columns = tiles.Of(r.Left, r.Right);
  const int top = std::max(r.Top, 0), bottom = std::min(r.Bottom, static_cast<int>(stale.size()) * TDDSurface::RowBand);
  if (top >= bottom || columns == 0) return;
  for (int b = top / TDDSurface::RowBand; b <= (bottom - 1) / TDDSurface::RowBand; ++b) {
    stale[static_cast<size_t>(b)] |= columns;
  }
}

// An entry drawn `by` further on: what its pixels become when the surface's pixels move so.
void MoveEntry(TFrameEntry& e, const TPoint& by) {
  e.Top += by.Y;
  e.Bottom += by.Y;
  // Whole-width entries stay whole-width.
  if (e.Left != INT_MIN) e.Left += by.X;
  if (e.Right != INT_MAX) e.Right += by.X;
  std::visit(
      [&](auto& what) {
        using T = std::decay_t<decltype(what)>;
        if constexpr (std::is_same_v<T, TBox>) {
          what.R = {what.R.Left + by.X, what.R.Top + by.Y, what.R.Right + by.X, what.R.Bottom + by.Y};
        } else {
          what.X += by.X;
          what.Y += by.Y;
        }
      },
      e.What);
  // A sprite's part inside the screen moves with it (KeyToScreenAt); no part stays none.
  TDrawSetting& s = e.Setting;
  if (std::holds_alternative<TSpritePicture>(e.What) && s.ClipLeft < s.ClipRight) {
    s.ClipLeft += by.X;
    s.ClipRight += by.X;
    s.ClipTop += by.Y;
    s.ClipBottom += by.Y;
  }
}

}  // namespace

TDrawSetting TDrawSetting::Now() {
  return {
      ScreenWidth, ScreenHeight, ClipMinX, ClipMinY, ClipMaxX, ClipMaxY, Display != nullptr ? Display->FPixelKind : 0,
      ComposePixel};
}

TDDSurface* TSheetPicture::Source() const {
  return Display != nullptr && Sheet >= 1 && Sheet <= 2 ? Display->FSheets[Sheet].get() : nullptr;
}

int TSheetPicture::Top() const { return AtCorner ? Y : PictureCorner({X, Y}, R.Right - R.Left, R.Bottom - R.Top).Y; }

int TSheetPicture::Left() const { return AtCorner ? X : PictureCorner({X, Y}, R.Right - R.Left, R.Bottom - R.Top).X; }

void TSheetPicture::Draw(TDDSurface&) const {
  switch (Way) {
    case Keyed: return DrawKeyed(X, Y, Sheet, R, AtCorner, *Cut.Value);
    case HalfBright: return DrawHalfBright(X, Y, Sheet, R, AtCorner, *Cut.Value);
    case ThreeQuarterBright: return DrawThreeQuarterBright(X, Y, Sheet, R, AtCorner, *Cut.Value);
    case Stippled: return DrawStippled(X, Y, Sheet, R, AtCorner, Level);
  }
}

void TSpritePicture::Draw(TDDSurface& back) const {
  switch (Way) {
    case Blend: return BlendSprite(X, Y, R, From.Value, &back, Level, Mode);
    case Brighten: return BrightenSprite(X, Y, R, From.Value, &back, Level);
    case AddClipped: return AddBlendClipped(X, Y, R, From.Value, &back, Level);
  }
}

int TTextLine::Bottom() const { return Y + TextRowsCp949(Text, Points); }

void TTextLine::Draw(TDDSurface&) const {
  if (Display == nullptr || !Display->FBackCanvas) return;
  TDDCanvas& canvas = *Display->FBackCanvas;
  // The device context takes the row window when it is borrowed: one for each line.
  TCanvasRelease release(canvas);
  const TCanvasFont font = canvas.Font;
  canvas.Font.Size = Points;
  canvas.Font.Color = Colour;
  canvas.TextOut(X, Y, Text);
  canvas.Font = font;
}

void TBox::Draw(TDDSurface&) const {
  if (Display == nullptr || !Display->FBackCanvas) return;
  TDDCanvas& canvas = *Display->FBackCanvas;
  TCanvasRelease release(canvas);
  const TCanvasPen pen = canvas.Pen;
  const TCanvasBrush brush = canvas.Brush;
  canvas.Pen.Color = Pen;
  canvas.Brush = {Filled ? TBrushStyle::Solid : TBrushStyle::Clear, Brush};
  canvas.Rectangle(R.Left, R.Top, R.Right, R.Bottom);
  canvas.Pen = pen;
  canvas.Brush = brush;
}

void TFrameRenderer::TBands::Build(const std::vector<TFrameEntry>& entries, int height, int bands) {
  Start.assign(static_cast<size_t>(bands) + 1, 0);
  const auto each = [&](auto visit) {
    for (size_t i = 0; i < entries.size(); ++i) {
      const int top = std::max(entries[i].Top, 0), bottom = std::min(entries[i].Bottom, height);
      if (top >= bottom) continue;
      for (int b = top / TDDSurface::RowBand; b <= (bottom - 1) / TDDSurface::RowBand; ++b) visit(b, i);
    }
  };
  each([&](int b, size_t) { ++Start[static_cast<size_t>(b) + 1]; });
  for (int b = 0; b < bands; ++b) Start[static_cast<size_t>(b) + 1] += Start[static_cast<size_t>(b)];
  Index.resize(static_cast<size_t>(Start.back()));
  std::vector<int> at(Start.begin(), Start.end() - 1);
  each([&](int b, size_t i) { Index[static_cast<size_t>(at[static_cast<size_t>(b)]++)] = static_cast<int>(i); });
}

void TPartKeys::MarkChanged(const TPartKeys& last, const TColumnTiles& tiles, std::vector<uint64_t>& stale) const {
  const auto mark = [&](const TItem& item) { MarkTiles({item.Left, item.Top, item.Right, item.Bottom}, tiles, stale); };
  for (size_t i = 0; i < FItems.size(); ++i) {
    if (FItems[i] == last.FItems[i] && (last.FUnmatched.empty() || last.FUnmatched[i] == 0)) continue;
    mark(FItems[i]);
    mark(last.FItems[i]);
  }
}

void TPartKeys::Renumber(const std::vector<int>& from, const TPoint& by, std::vector<TRect>& gone) {
  const auto moved = [&](TItem item) {
    item.Top += by.Y;
    item.Bottom += by.Y;
    item.Left += by.X;
    item.Right += by.X;
    return item;
  };
  std::vector<uint8_t> continued(FItems.size(), 0);
  std::vector<TItem> items(from.size());
  FUnmatched.assign(from.size(), 0);
  for (size_t i = 0; i < from.size(); ++i) {
    const int f = from[i];
    if (f < 0 || static_cast<size_t>(f) >= FItems.size()) {
      FUnmatched[i] = 1;
      continue;
    }
    items[i] = moved(FItems[static_cast<size_t>(f)]);
    continued[static_cast<size_t>(f)] = 1;
  }
  for (size_t i = 0; i < FItems.size(); ++i) {
    if (continued[i] != 0) continue;
    const TItem item = moved(FItems[i]);
    gone.push_back({item.Left, item.Top, item.Right, item.Bottom});
  }
  FItems = std::move(items);
}

void TFrameList::ListPartWhole() {
  if (!FPart.Present) return;
  TFrameList made;
  if (FPart.Make)
    FPart.Make(FPart, std::vector<uint64_t>(static_cast<size_t>(FPart.Keys.Bands()), ~uint64_t{0}), nullptr, made);
  FEntries.insert(FEntries.begin() + static_cast<std::ptrdiff_t>(FPart.At), made.FEntries.begin(), made.FEntries.end());
  FPart.Present = false;
  FPart.Make = nullptr;
}

TKeyedPart& TFrameList::StartPart(int bands) {
  // Two parts in one frame: the first is listed whole where it stood.
  ListPartWhole();
  FPart.Present = true;
  FPart.At = FEntries.size();
  FPart.Keys.Restart(bands);
  FPart.Listed.clear();
  FPart.Places.clear();
  FPart.Sources.clear();
  FPart.Make = nullptr;
  return FPart;
}

void KeyToScreenAt(std::vector<TFrameEntry>& entries, const TPoint& screen) {
  const auto phase = static_cast<uint8_t>(StipplePhaseFor(screen));
  for (TFrameEntry& e : entries) {
    if (const auto* sprite = std::get_if<TSpritePicture>(&e.What)) {
      // A blended or brightened sprite inside the clip is drawn without it; else it is drawn
      // by the clipped add onto its part inside the clip where the screen lies. That part, not
      // the clip, is what it owes to the screen: the screen moved along an edge that cuts it
      // leaves it as it was.
      TDrawSetting& s = e.Setting;
      const int64_t left = sprite->X, top = sprite->Y, right = left + (sprite->R.Right - sprite->R.Left),
                    bottom = top + (sprite->R.Bottom - sprite->R.Top);
      const int64_t clipLeft = int64_t{s.ClipLeft} + screen.X, clipRight = int64_t{s.ClipRight} + screen.X,
                    clipTop = int64_t{s.ClipTop} + screen.Y, clipBottom = int64_t{s.ClipBottom} + screen.Y;
      if (sprite->Way != TSpritePicture::AddClipped && left >= clipLeft && right < clipRight && top >= clipTop &&
          bottom < clipBottom) {
        s.ClipLeft = s.ClipTop = s.ClipRight = s.ClipBottom = INT_MIN;
        continue;
      }
      const int64_t cutLeft = std::max(left, clipLeft), cutRight = std::min(right, clipRight),
                    cutTop = std::max(top, clipTop), cutBottom = std::min(bottom, clipBottom);
      // Every empty part draws the same nothing.
      const bool empty = cutLeft >= cutRight || cutTop >= cutBottom;
      s.ClipLeft = empty ? 0 : static_cast<int>(cutLeft);
      s.ClipRight = empty ? 0 : static_cast<int>(cutRight);
      s.ClipTop = empty ? 0 : static_cast<int>(cutTop);
      s.ClipBottom = empty ? 0 : static_cast<int>(cutBottom);
    } else if (auto* p = std::get_if<TSheetPicture>(&e.What); p != nullptr && p->Way == TSheetPicture::Stippled) {
      p->Phase = phase;
    }
  }
}

void TFrameRenderer::Shift(TDDSurface& surface, const TPoint& by, const std::vector<int>& itemFrom) {
  const int width = surface.Width(), height = surface.Height();
  if (!FKept || surface.Serial() != FSurfaceSerial || height != FHeight || !surface.Quiet() || by.X % 2 != 0 ||
      by.Y % 2 != 0 || std::abs(by.X) >= width || std::abs(by.Y) >= height) {
    Forget();
    return;
  }
  const auto stride = static_cast<size_t>(surface.Pitch() / 2);
  uint16_t* pixels = surface.WritePixels(0, height);
  const auto columns = static_cast<size_t>(width - std::abs(by.X));
  const int fromX = std::max(-by.X, 0), toX = std::max(by.X, 0);
  const auto moveRow = [&](int y) {
    std::memmove(pixels + static_cast<size_t>(y) * stride + static_cast<size_t>(toX),
                 pixels + static_cast<size_t>(y - by.Y) * stride + static_cast<size_t>(fromX), columns * 2);
  };
  if (by.Y > 0) {
    for (int y = height - 1; y >= by.Y; --y) moveRow(y);
  } else {
    for (int y = 0; y < height + by.Y; ++y) moveRow(y);
  }
  // What nothing moved onto.
  if (by.Y != 0) FStale.push_back({0, by.Y > 0 ? 0 : height + by.Y, width, by.Y > 0 ? by.Y : height});
  if (by.X != 0) FStale.push_back({by.X > 0 ? 0 : width + by.X, 0, by.X > 0 ? by.X : width, height});

  for (TFrameEntry& e : FLast.FEntries) MoveEntry(e, by);
  TKeyedPart& part = FLast.FPart;
  if (part.Present) {
    const size_t lastItems = part.Keys.Items();
    // Listed entries go after the place that continues theirs; one whose place has none is gone.
    std::vector<int> to(lastItems, -1);
    for (size_t i = 0; i < itemFrom.size(); ++i) {
      if (itemFrom[i] >= 0 && static_cast<size_t>(itemFrom[i]) < lastItems) {
        to[static_cast<size_t>(itemFrom[i])] = static_cast<int>(i);
      }
    }
    size_t kept = 0;
    for (size_t k = 0; k < part.Listed.size(); ++k) {
      TFrameEntry& e = part.Listed[k];
      MoveEntry(e, by);
      const int place = part.Places[k];
      const int now = place < 0 || static_cast<size_t>(place) >= lastItems ? static_cast<int>(itemFrom.size())
                                                                           : to[static_cast<size_t>(place)];
      if (now < 0) {
        FStale.push_back({e.Left, e.Top, e.Right, e.Bottom});
        continue;
      }
      part.Listed[kept] = std::move(e);
      part.Places[kept] = now;
      ++kept;
    }
    part.Listed.resize(kept);
    part.Places.resize(kept);
    part.Keys.Renumber(itemFrom, by, FStale);
  }
  // The move is accounted for: the last frame now says what lies where.
  FLastBandsReady = false;
  FVersionAfter = surface.Version();
}

uint64_t TFrameRenderer::Stale(const TFrameList& frame, const TDDSurface& back, int band) const {
  const uint64_t all = FTiles.All();
  if (back.BandChangedSince(band, FVersionAfter)) return all;
  const auto b = static_cast<size_t>(band);
  const int rowFrom = band * TDDSurface::RowBand, rowTo = rowFrom + TDDSurface::RowBand;
  if (const TDDSurface* source = frame.FGroundSource) {
    const int from = std::max(rowFrom + frame.FGroundShift, 0),
              to = std::min(rowTo + frame.FGroundShift, source->Height());
    for (int s = from / TDDSurface::RowBand; from < to && s <= (to - 1) / TDDSurface::RowBand; ++s) {
      if (source->BandChangedSince(s, FGroundVersion)) return all;
    }
  }
  const TBandList now{frame.FEntries, FBands.Index.data() + FBands.Start[b], FBands.Start[b + 1] - FBands.Start[b]};
  const TBandList last{FLast.FEntries, FLastBands.Index.data() + FLastBands.Start[b],
                       FLastBands.Start[b + 1] - FLastBands.Start[b]};
  const auto sameEntry = [&](const TFrameEntry& a, const TFrameEntry& e) {
    return a == e || SameInk(a, e, rowFrom, rowTo);
  };
  // With the keyed part, an entry is the same where it also stands on the same side of it.
  const TKeyedPart& part = frame.FPart;
  const TKeyedPart& lastPart = FLast.FPart;
  const auto side = [](const TKeyedPart& p, int index) { return p.Present && static_cast<size_t>(index) >= p.At; };
  uint64_t changed = ChangedTiles(now, last, FTiles, [&](int i, int j) {
    return side(part, now.Index[i]) == side(lastPart, last.Index[j]) && sameEntry(now[i], last[j]);
  });
  if (!part.Present) return changed;
  changed |= FPartChanged[b];
  // A listed entry is the same where it is put at the same place among the made ones.
  const TBandList listed{part.Listed, FListed.Index.data() + FListed.Start[b], FListed.Start[b + 1] - FListed.Start[b]};
  const TBandList lastListed{lastPart.Listed, FLastListed.Index.data() + FLastListed.Start[b],
                             FLastListed.Start[b + 1] - FLastListed.Start[b]};
  return changed | ChangedTiles(listed, lastListed, FTiles, [&](int i, int j) {
           return part.Places[static_cast<size_t>(listed.Index[i])] ==
                      lastPart.Places[static_cast<size_t>(lastListed.Index[j])] &&
                  sameEntry(listed[i], lastListed[j]);
         });
}

void TFrameRenderer::DrawEntries(const TFrameList& frame, TDDSurface& back, bool all, const TRect& window) const {
  const auto each = [&](auto first, auto last) {
    for (auto e = first; e != last; ++e) {
      if (all || (e->Top < window.Bottom && e->Bottom > window.Top && e->Left < window.Right && e->Right > window.Left))
        DrawEntry(*e, back);
    }
  };
  const auto& entries = frame.FEntries;
  const auto at = frame.FPart.Present ? static_cast<std::ptrdiff_t>(frame.FPart.At) : 0;
  each(entries.begin(), entries.begin() + at);
  if (frame.FPart.Present) each(FMade.FEntries.begin(), FMade.FEntries.end());
  each(entries.begin() + at, entries.end());
}

void TFrameRenderer::DrawBands(const TFrameList& frame, TDDSurface& back) {
  const int height = back.Height(), bands = back.RowBands();
  const auto redraw = [&](int b) { return FRedraw[static_cast<size_t>(b)]; };
  for (int b = 0; b < bands;) {
    const uint64_t tiles = redraw(b);
    if (tiles == 0) {
      ++b;
      continue;
    }
    // Bands in a row that are stale in the same columns: one window for each run of tiles.
    int end = b + 1;
    while (end < bands && redraw(end) == tiles) ++end;
    const int from = b * TDDSurface::RowBand, to = std::min(end * TDDSurface::RowBand, height);
    for (uint64_t rest = tiles; rest != 0;) {
      const int first = std::countr_zero(rest);
      const int past = first + std::countr_one(rest >> first);
      rest &= past >= 64 ? 0 : ~uint64_t{0} << past;
      const TRect window{FTiles.From(first), from, FTiles.To(past), to};
      {
        TWindowScope scope(back, window);
        if (frame.FGround) frame.FGround(back);
        DrawEntries(frame, back, false, window);
      }
      FDrawnPixels += int64_t{window.Right - window.Left} * (to - from);
    }
    FDrawnRows += to - from;
    b = end;
  }
}

int TFrameRenderer::Draw(TFrameList& frame, TDDSurface& back, bool changedOnly) {
  const int height = back.Height(), bands = back.RowBands();
  const TKeyedPart& part = frame.FPart;
  // A surface or sheet that is busy, lost or under an injected fault answers according to every
  // call being made: such a frame is drawn whole, and not kept, since what it leaves on the
  // surface need not be what its list says.
  bool quiet = changedOnly && back.Quiet();
  const auto quietEntries = [&](const std::vector<TFrameEntry>& entries) {
    for (size_t i = 0; quiet && i < entries.size(); ++i) {
      const TDDSurface* source = entries[i].Source.Value;
      quiet = source == nullptr || source->Quiet();
    }
  };
  quietEntries(frame.FEntries);
  quiet = quiet && (frame.FGroundSource == nullptr || frame.FGroundSource->Quiet());
  if (part.Present) {
    quietEntries(part.Listed);
    for (const TDDSurface* source : part.Sources) quiet = quiet && (source == nullptr || source->Quiet());
    // Keys for bands of another height say nothing of this one.
    quiet = quiet && part.Keys.Bands() == bands;
  }
  const bool compare = quiet && FKept && back.Serial() == FSurfaceSerial && height == FHeight &&
                       static_cast<bool>(frame.FGround) == static_cast<bool>(FLast.FGround) &&
                       frame.FGroundInputs == FLast.FGroundInputs && frame.FGroundSource == FLast.FGroundSource &&
                       frame.FGroundShift == FLast.FGroundShift && part.Present == FLast.FPart.Present &&
                       (!part.Present || part.Keys.SameForAll(FLast.FPart.Keys));
  // Until the frame has drawn, what the last one left says nothing.
  FKept = false;
  FDrawnRows = 0;
  FDrawnPixels = 0;
  FTiles = TColumnTiles(back.Width());
  FRedraw.assign(static_cast<size_t>(bands), compare ? 0 : FTiles.All());
  if (compare) {
    FBands.Build(frame.FEntries, height, bands);
    FListed.Build(part.Listed, height, bands);
    // A frame drawn whole left its lists unsorted into bands: sorted here, when first compared with.
    if (!FLastBandsReady) {
      FLastBands.Build(FLast.FEntries, height, bands);
      FLastListed.Build(FLast.FPart.Listed, height, bands);
    }
    FPartChanged.assign(static_cast<size_t>(bands), 0);
    if (part.Present) part.Keys.MarkChanged(FLast.FPart.Keys, FTiles, FPartChanged);
    for (int b = 0; b < bands; ++b) FRedraw[static_cast<size_t>(b)] = Stale(frame, back, b);
    for (const TRect& r : FStale) MarkTiles(r, FTiles, FRedraw);
  }
  FStale.clear();
  FMade.Restart();
  if (part.Present && part.Make &&
      std::any_of(FRedraw.begin(), FRedraw.end(), [](uint64_t tiles) { return tiles != 0; })) {
    part.Make(part, FRedraw, &FTiles, FMade);
  }
  if (compare) {
    DrawBands(frame, back);
  } else {
    if (frame.FGround) frame.FGround(back);
    DrawEntries(frame, back, true, TRect{});
    FDrawnRows = height;
    FDrawnPixels = int64_t{height} * back.Width();
  }
  FMade.Restart();
  frame.FPart.Make = nullptr;  // what it reads is this frame's
  if (quiet) {
    std::swap(FLast, frame);
    std::swap(FLastBands, FBands);
    std::swap(FLastListed, FListed);
    FLastBandsReady = compare;
    FKept = true;
    FSurfaceSerial = back.Serial();
    FHeight = height;
    FVersionAfter = back.Version();
    FGroundVersion = FLast.FGroundSource != nullptr ? FLast.FGroundSource->Version() : 0;
  }
  frame.Restart();
  return FDrawnRows;
}
