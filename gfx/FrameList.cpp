// Each kind of entry's rows and drawing, and the renderer that draws a frame whole or by bands.
#include "gfx/FrameList.h"

#include <algorithm>

#include "core/Settings.h"
#include "gfx/DDCanvas.h"
#include "gfx/Display.h"
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

bool TFrameRenderer::Stale(const TFrameList& frame, const TDDSurface& back, int band) const {
  if (back.BandChangedSince(band, FVersionAfter)) return true;
  const auto b = static_cast<size_t>(band);
  const int from = FBands.Start[b], count = FBands.Start[b + 1] - from;
  const int lastFrom = FLastBands.Start[b];
  if (count != FLastBands.Start[b + 1] - lastFrom) return true;
  for (int i = 0; i < count; ++i) {
    const TFrameEntry& now = frame.FEntries[static_cast<size_t>(FBands.Index[static_cast<size_t>(from + i)])];
    const TFrameEntry& last = FLast.FEntries[static_cast<size_t>(FLastBands.Index[static_cast<size_t>(lastFrom + i)])];
    if (!(now == last)) return true;
  }
  return false;
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
      for (const TFrameEntry& e : frame.FEntries) {
        if (e.Top < to && e.Bottom > from) DrawEntry(e, back);
      }
    }
    FDrawnRows += to - from;
    b = end;
  }
}

int TFrameRenderer::Draw(TFrameList& frame, TDDSurface& back, bool changedOnly) {
  const int height = back.Height(), bands = back.RowBands();
  // A surface or sheet that is busy, lost or under an injected fault answers according to every
  // call being made: such a frame is drawn whole, and not kept, since what it leaves on the
  // surface need not be what its list says.
  bool quiet = changedOnly && back.Quiet();
  for (size_t i = 0; quiet && i < frame.FEntries.size(); ++i) {
    const TDDSurface* source = frame.FEntries[i].Source.Value;
    quiet = source == nullptr || source->Quiet();
  }
  const bool compare = quiet && FKept && back.Serial() == FSurfaceSerial && height == FHeight &&
                       static_cast<bool>(frame.FGround) == static_cast<bool>(FLast.FGround) &&
                       frame.FGroundInputs == FLast.FGroundInputs;
  // Until the frame has drawn, what the last one left says nothing.
  FKept = false;
  FDrawnRows = 0;
  if (compare) {
    FBands.Build(frame.FEntries, height, bands);
    // A frame drawn whole left its list unsorted into bands: sorted here, when first compared with.
    if (!FLastBandsReady) FLastBands.Build(FLast.FEntries, height, bands);
    FRedraw.resize(static_cast<size_t>(bands));
    for (int b = 0; b < bands; ++b) FRedraw[static_cast<size_t>(b)] = Stale(frame, back, b);
    DrawBands(frame, back);
  } else {
    if (frame.FGround) frame.FGround(back);
    for (const TFrameEntry& e : frame.FEntries) DrawEntry(e, back);
    FDrawnRows = height;
  }
  if (quiet) {
    std::swap(FLast, frame);
    std::swap(FLastBands, FBands);
    FLastBandsReady = compare;
    FKept = true;
    FSurfaceSerial = back.Serial();
    FHeight = height;
    FVersionAfter = back.Version();
  }
  frame.Restart();
  return FDrawnRows;
}
