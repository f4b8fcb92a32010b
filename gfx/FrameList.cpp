// Each kind of entry's rows and drawing, and the renderer that draws a frame whole or by bands.
#include "gfx/FrameList.h"

#include <algorithm>
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

// Keeps a surface's row window for a scope, whatever ends it.
class TWindowScope {
 public:
  TWindowScope(TDDSurface& surface, int from, int to) : FSurface(surface) { surface.SetRowWindow(from, to); }
  ~TWindowScope() { FSurface.ClearRowWindow(); }
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

// The entries of two lists reaching one band are the same, or put the same pixels there.
bool SameEntries(const std::vector<TFrameEntry>& now, const std::vector<int>& nowIndex, int nowFrom,
                 const std::vector<TFrameEntry>& last, const std::vector<int>& lastIndex, int lastFrom, int count,
                 int rowFrom, int rowTo) {
  for (int i = 0; i < count; ++i) {
    const TFrameEntry& a = now[static_cast<size_t>(nowIndex[static_cast<size_t>(nowFrom + i)])];
    const TFrameEntry& b = last[static_cast<size_t>(lastIndex[static_cast<size_t>(lastFrom + i)])];
    if (!(a == b) && !SameInk(a, b, rowFrom, rowTo)) return false;
  }
  return true;
}

// An entry drawn `by` further on: what its pixels become when the surface's pixels move so.
void MoveEntry(TFrameEntry& e, const TPoint& by) {
  e.Top += by.Y;
  e.Bottom += by.Y;
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
  // A sprite cut where the screen lies is cut there after the move too (KeyToScreenAt).
  TDrawSetting& s = e.Setting;
  if (std::holds_alternative<TSpritePicture>(e.What) && s.ClipLeft != INT_MIN) {
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

int TTextLine::Bottom() const {
  // The overlay adds the same few lines every frame: each is measured once and kept. A line
  // that measures no rows (empty, or no face to render it) is measured again.
  struct TMeasured {
    std::string Text;
    int Points = 0;
    int Rows = 0;
  };
  constexpr size_t MaxMeasured = 16;
  thread_local std::vector<TMeasured> measured;
  thread_local size_t oldest = 0;
  for (const TMeasured& m : measured) {
    if (m.Points == Points && m.Text == Text) return Y + m.Rows;
  }
  const int rows = TextRowsCp949(Text, Points);
  if (rows > 0) {
    if (measured.size() < MaxMeasured) {
      measured.push_back({Text, Points, rows});
    } else {
      measured[oldest] = {Text, Points, rows};
      oldest = (oldest + 1) % MaxMeasured;
    }
  }
  return Y + rows;
}

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

void TPartKeys::MarkChanged(const TPartKeys& last, std::vector<uint8_t>& stale) const {
  const int bands = static_cast<int>(stale.size());
  const auto mark = [&](int top, int bottom) {
    if (top >= bottom) return;
    const int first = std::max(top, 0) / TDDSurface::RowBand,
              end = std::min((bottom - 1) / TDDSurface::RowBand, bands - 1);
    for (int b = first; b <= end; ++b) stale[static_cast<size_t>(b)] = 1;
  };
  for (size_t i = 0; i < FItems.size(); ++i) {
    if (FItems[i] == last.FItems[i] && (last.FUnmatched.empty() || last.FUnmatched[i] == 0)) continue;
    mark(FItems[i].Top, FItems[i].Bottom);
    mark(last.FItems[i].Top, last.FItems[i].Bottom);
  }
}

void TPartKeys::Renumber(const std::vector<int>& from, int rowShift, std::vector<TRect>& gone) {
  std::vector<uint8_t> continued(FItems.size(), 0);
  std::vector<TItem> items(from.size());
  FUnmatched.assign(from.size(), 0);
  for (size_t i = 0; i < from.size(); ++i) {
    const int f = from[i];
    if (f < 0 || static_cast<size_t>(f) >= FItems.size()) {
      FUnmatched[i] = 1;
      continue;
    }
    items[i] = FItems[static_cast<size_t>(f)];
    items[i].Top += rowShift;
    items[i].Bottom += rowShift;
    continued[static_cast<size_t>(f)] = 1;
  }
  for (size_t i = 0; i < FItems.size(); ++i) {
    if (continued[i] == 0) gone.push_back({INT_MIN, FItems[i].Top + rowShift, INT_MAX, FItems[i].Bottom + rowShift});
  }
  FItems = std::move(items);
}

void TFrameList::ListPartWhole() {
  if (!FPart.Present) return;
  TFrameList made;
  if (FPart.Make) FPart.Make(FPart, std::vector<uint8_t>(static_cast<size_t>(FPart.Keys.Bands()), 1), made);
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
      // by the clipped add, cut to the clip where the screen lies.
      TDrawSetting& s = e.Setting;
      const int64_t right = int64_t{sprite->X} + (sprite->R.Right - sprite->R.Left),
                    bottom = int64_t{sprite->Y} + (sprite->R.Bottom - sprite->R.Top);
      const bool inside = sprite->Way != TSpritePicture::AddClipped && sprite->X >= s.ClipLeft + screen.X &&
                          right < s.ClipRight + screen.X && sprite->Y >= s.ClipTop + screen.Y &&
                          bottom < s.ClipBottom + screen.Y;
      s.ClipLeft = inside ? INT_MIN : s.ClipLeft + screen.X;
      s.ClipRight = inside ? INT_MIN : s.ClipRight + screen.X;
      s.ClipTop = inside ? INT_MIN : s.ClipTop + screen.Y;
      s.ClipBottom = inside ? INT_MIN : s.ClipBottom + screen.Y;
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
        FStale.push_back({INT_MIN, e.Top, INT_MAX, e.Bottom});
        continue;
      }
      part.Listed[kept] = std::move(e);
      part.Places[kept] = now;
      ++kept;
    }
    part.Listed.resize(kept);
    part.Places.resize(kept);
    part.Keys.Renumber(itemFrom, by.Y, FStale);
  }
  // The move is accounted for: the last frame now says what lies where.
  FLastBandsReady = false;
  FVersionAfter = surface.Version();
}

bool TFrameRenderer::Stale(const TFrameList& frame, const TDDSurface& back, int band) const {
  if (back.BandChangedSince(band, FVersionAfter)) return true;
  const auto b = static_cast<size_t>(band);
  const int rowFrom = band * TDDSurface::RowBand, rowTo = rowFrom + TDDSurface::RowBand;
  if (const TDDSurface* source = frame.FGroundSource) {
    const int from = std::max(rowFrom + frame.FGroundShift, 0),
              to = std::min(rowTo + frame.FGroundShift, source->Height());
    for (int s = from / TDDSurface::RowBand; from < to && s <= (to - 1) / TDDSurface::RowBand; ++s) {
      if (source->BandChangedSince(s, FGroundVersion)) return true;
    }
  }
  const int from = FBands.Start[b], count = FBands.Start[b + 1] - from;
  const int lastFrom = FLastBands.Start[b];
  if (count != FLastBands.Start[b + 1] - lastFrom) return true;
  if (!SameEntries(frame.FEntries, FBands.Index, from, FLast.FEntries, FLastBands.Index, lastFrom, count, rowFrom,
                   rowTo)) {
    return true;
  }
  const TKeyedPart& part = frame.FPart;
  if (!part.Present) return false;
  const TKeyedPart& lastPart = FLast.FPart;
  // The part stands among the band's entries where it stood.
  const auto before = [](const TBands& bands, size_t band, size_t at) {
    int n = 0;
    for (int i = bands.Start[band]; i < bands.Start[band + 1]; ++i)
      n += static_cast<size_t>(bands.Index[static_cast<size_t>(i)]) < at;
    return n;
  };
  if (part.At != lastPart.At && before(FBands, b, part.At) != before(FLastBands, b, lastPart.At)) return true;
  if (FPartChanged[b] != 0) return true;
  const int listedFrom = FListed.Start[b], listedCount = FListed.Start[b + 1] - listedFrom;
  const int lastListedFrom = FLastListed.Start[b];
  if (listedCount != FLastListed.Start[b + 1] - lastListedFrom) return true;
  for (int i = 0; i < listedCount; ++i) {
    const auto now = static_cast<size_t>(FListed.Index[static_cast<size_t>(listedFrom + i)]);
    const auto last = static_cast<size_t>(FLastListed.Index[static_cast<size_t>(lastListedFrom + i)]);
    if (part.Places[now] != lastPart.Places[last]) return true;
  }
  return !SameEntries(part.Listed, FListed.Index, listedFrom, lastPart.Listed, FLastListed.Index, lastListedFrom,
                      listedCount, rowFrom, rowTo);
}

void TFrameRenderer::DrawEntries(const TFrameList& frame, TDDSurface& back, bool all, int from, int to) const {
  const auto each = [&](auto first, auto last) {
    for (auto e = first; e != last; ++e) {
      if (all || (e->Top < to && e->Bottom > from)) DrawEntry(*e, back);
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
  const auto redraw = [&](int b) { return FRedraw[static_cast<size_t>(b)] != 0; };
  for (int b = 0; b < bands;) {
    if (!redraw(b)) {
      ++b;
      continue;
    }
    int end = b + 1;
    while (end < bands && redraw(end)) ++end;
    const int from = b * TDDSurface::RowBand, to = std::min(end * TDDSurface::RowBand, height);
    {
      TWindowScope window(back, from, to);
      if (frame.FGround) frame.FGround(back);
      DrawEntries(frame, back, false, from, to);
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
  FRedraw.assign(static_cast<size_t>(bands), compare ? 0 : 1);
  if (compare) {
    FBands.Build(frame.FEntries, height, bands);
    FListed.Build(part.Listed, height, bands);
    // A frame drawn whole left its lists unsorted into bands: sorted here, when first compared with.
    if (!FLastBandsReady) {
      FLastBands.Build(FLast.FEntries, height, bands);
      FLastListed.Build(FLast.FPart.Listed, height, bands);
    }
    FPartChanged.assign(static_cast<size_t>(bands), 0);
    if (part.Present) part.Keys.MarkChanged(FLast.FPart.Keys, FPartChanged);
    for (int b = 0; b < bands; ++b) FRedraw[static_cast<size_t>(b)] = Stale(frame, back, b);
    for (const TRect& r : FStale) {
      const int top = std::max(r.Top, 0), bottom = std::min(r.Bottom, height);
      for (int b = top / TDDSurface::RowBand; top < bottom && b <= (bottom - 1) / TDDSurface::RowBand; ++b) {
        FRedraw[static_cast<size_t>(b)] = 1;
      }
    }
  }
  FStale.clear();
  FMade.Restart();
  if (part.Present && part.Make && std::find(FRedraw.begin(), FRedraw.end(), 1) != FRedraw.end()) {
    part.Make(part, FRedraw, FMade);
  }
  if (compare) {
    DrawBands(frame, back);
  } else {
    if (frame.FGround) frame.FGround(back);
    DrawEntries(frame, back, true, 0, 0);
    FDrawnRows = height;
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
