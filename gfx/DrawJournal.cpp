// The kept pass: each drawing's hash and rows, the bands' keys, and the drawing of the bands
// that can differ.
#include "gfx/DrawJournal.h"

#include <algorithm>

#include "core/Settings.h"
#include "gfx/DDCanvas.h"
#include "gfx/Display.h"
#include "gfx/Drawing.h"
#include "gfx/TextRenderer.h"

TDrawJournal* journal::Current = nullptr;

namespace {

using journal::Current;

constexpr auto Mix = TDrawJournal::Mix;
constexpr auto Pair = TDrawJournal::Pair;
template <class P>
uint64_t Address(P* p) {
  return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(p));
}

TDDSurface* SheetSurface(int sheet) {
  return Display != nullptr && sheet >= 1 && sheet <= 2 ? Display->FSheets[sheet].get() : nullptr;
}

// What the drawing routines read besides their arguments.
uint64_t DrawingState() {
  uint64_t h = Mix(Pair(ScreenWidth, ScreenHeight), Pair(ClipMinX, ClipMinY));
  h = Mix(h, Pair(ClipMaxX, ClipMaxY));
  h = Mix(h, Address(reinterpret_cast<void*>(SplitPixel)));
  return Mix(h, Address(reinterpret_cast<void*>(ComposePixel)));
}

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

}  // namespace

TJournalScope::TJournalScope(TDrawJournal* journal) : FBefore(Current) { Current = journal; }
TJournalScope::~TJournalScope() {
  if (Current != nullptr && Current != FBefore) Current->Abandon();
  Current = FBefore;
}

bool TDrawJournal::InScope() const { return Current == this; }

void TDrawJournal::Drop() {
  FBack = nullptr;
  FEntries.clear();
  FTexts.clear();
  FClear = nullptr;
}

bool TDrawJournal::Begin(TDDSurface& back, uint64_t key, std::function<void()> clear) {
  Drop();
  bool quiet = back.Quiet() && Display != nullptr;
  for (int sheet = 1; sheet <= 2 && quiet; ++sheet) {
    if (const TDDSurface* s = SheetSurface(sheet)) quiet = s->Quiet();
  }
  // A key that changes frame after frame (the view moves with a walking person or the scroll)
  // changes every band every frame: keeping the drawing would only add its own cost. A single
  // change is kept, so that the frame after it draws only what changes again.
  key = Mix(key, DrawingState());
  const bool moving = key != FLastKey && FKeyChanged;
  FKeyChanged = key != FLastKey;
  FLastKey = key;
  if (!quiet || moving) {
    Forget();
    return false;
  }
  FBack = &back;
  FKey = key;
  FClear = std::move(clear);
  return true;
}

void TDrawJournal::Abandon() {
  if (FBack == nullptr) return;
  Drop();
  Forget();
}

void TDrawJournal::Add(TEntry e) {
  // Each word by a constant of its own, then mixed once: a pass keeps thousands of drawings,
  // and a chain of full mixes per word would cost more than drawing what they save.
  const TDDSurface* source = e.Source != nullptr ? e.Source : SheetSurface(e.Sheet);
  uint64_t h = Pair(static_cast<int>(e.Kind) | e.Sheet << 8 | (e.AtCorner ? 1 << 16 : 0), e.Level);
  h += Pair(e.X, e.Y) * 0x9E3779B97F4A7C15ull;
  h += Pair(e.R.Left, e.R.Top) * 0xC2B2AE3D27D4EB4Full;
  h += Pair(e.R.Right, e.R.Bottom) * 0x165667B19E3779F9ull;
  h += Pair(static_cast<int>(e.Cut != nullptr ? e.Cut->Id() : 0), e.Mode) * 0xD6E8FEB86659FD93ull;
  h += Pair(static_cast<int>(e.Colour), static_cast<int>(e.Text)) * 0xFF51AFD7ED558CCDull;
  if (source != nullptr) h += (source->Serial() << 40 ^ source->Version()) * 0xC4CEB9FE1A85EC53ull;
  if (e.Kind == TKind::Text) {
    for (unsigned char c : FTexts[e.Text]) h = (h ^ c) * 0x100000001B3ull;
  }
  e.Hash = Mix(h, 0);
  FEntries.push_back(e);
}

void TDrawJournal::AddSheet(TKind kind, int x, int y, int sheet, const TRect& r, bool atCorner, const TPictureCut& cut,
                            int level) {
  const int height = r.Bottom - r.Top;
  const int top = atCorner ? y : PictureCorner({x, y}, r.Right - r.Left, height).Y;
  Add({kind, static_cast<uint8_t>(sheet), atCorner, x, y, r, &cut, nullptr, level, 0, 0, 0, top, top + height, 0});
}

void TDrawJournal::AddSprite(TKind kind, int x, int y, const TRect& r, TDDSurface* source, int level, int mode) {
  Add({kind, 0, true, x, y, r, nullptr, source, level, mode, 0, 0, y, y + (r.Bottom - r.Top), 0});
}

void TDrawJournal::AddText(int x, int y, std::string_view cp949, int points, TColor colour) {
  FTexts.emplace_back(cp949);
  const int rows = TextRowsCp949(cp949, points);
  Add({TKind::Text, 0, true, x, y, TRect{}, nullptr, nullptr, points, 0, FTexts.size() - 1, colour, y, y + rows, 0});
}

void TDrawJournal::AddRectangle(const TRect& r, TColor pen, TColor brush, bool filled) {
  const int top = std::min(r.Top, r.Bottom), bottom = std::max(r.Top, r.Bottom);
  Add({TKind::Rectangle, 0, true, 0, 0, r, nullptr, nullptr, static_cast<int>(brush), filled ? 1 : 0, 0, pen, top,
       bottom, 0});
}

void TDrawJournal::Replay(const TEntry& e, TDDSurface& back) {
  switch (e.Kind) {
    case TKind::Keyed: return DrawKeyed(e.X, e.Y, e.Sheet, e.R, e.AtCorner, *e.Cut);
    case TKind::HalfBright: return DrawHalfBright(e.X, e.Y, e.Sheet, e.R, e.AtCorner, *e.Cut);
    case TKind::ThreeQuarterBright: return DrawThreeQuarterBright(e.X, e.Y, e.Sheet, e.R, e.AtCorner, *e.Cut);
    case TKind::Stippled: return DrawStippled(e.X, e.Y, e.Sheet, e.R, e.AtCorner, e.Level);
    case TKind::Blend: return BlendSprite(e.X, e.Y, e.R, e.Source, &back, e.Level, static_cast<TBlendMode>(e.Mode));
    case TKind::Brighten: return BrightenSprite(e.X, e.Y, e.R, e.Source, &back, e.Level);
    case TKind::AddClipped: return AddBlendClipped(e.X, e.Y, e.R, e.Source, &back, e.Level);
    case TKind::Text: {
      if (Display == nullptr || !Display->FBackCanvas) return;
      TDDCanvas& canvas = *Display->FBackCanvas;
      // The device context takes the row window when it is borrowed: one for each line.
      TCanvasRelease release(canvas);
      const TCanvasFont font = canvas.Font;
      canvas.Font.Size = e.Level;
      canvas.Font.Color = e.Colour;
      canvas.TextOut(e.X, e.Y, FTexts[e.Text]);
      canvas.Font = font;
      return;
    }
    case TKind::Rectangle: {
      if (Display == nullptr || !Display->FBackCanvas) return;
      TDDCanvas& canvas = *Display->FBackCanvas;
      TCanvasRelease release(canvas);
      const TCanvasPen pen = canvas.Pen;
      const TCanvasBrush brush = canvas.Brush;
      canvas.Pen.Color = e.Colour;
      canvas.Brush = {e.Mode != 0 ? TBrushStyle::Solid : TBrushStyle::Clear, static_cast<TColor>(e.Level)};
      canvas.Rectangle(e.R.Left, e.R.Top, e.R.Right, e.R.Bottom);
      canvas.Pen = pen;
      canvas.Brush = brush;
      return;
    }
  }
}

int TDrawJournal::Finish() {
  TDDSurface* back = FBack;
  FBack = nullptr;
  if (back == nullptr) return 0;
  const int height = back->Height(), bands = back->RowBands();
  FNewKeys.assign(static_cast<size_t>(bands), FKey);
  for (const TEntry& e : FEntries) {
    const int top = std::max(e.Top, 0), bottom = std::min(e.Bottom, height);
    for (int b = top / TDDSurface::RowBand; top < bottom && b <= (bottom - 1) / TDDSurface::RowBand; ++b) {
      uint64_t& key = FNewKeys[static_cast<size_t>(b)];
      key = key * 0x9E3779B97F4A7C15ull + e.Hash;  // in order: the same drawings otherwise ordered differ
    }
  }
  const bool sameSurface =
      back->Serial() == FSurfaceSerial && height == FHeight && FBandKeys.size() == static_cast<size_t>(bands);
  FRedraw.resize(static_cast<size_t>(bands));
  for (int b = 0; b < bands; ++b) {
    FRedraw[static_cast<size_t>(b)] = !sameSurface ||
                                      FNewKeys[static_cast<size_t>(b)] != FBandKeys[static_cast<size_t>(b)] ||
                                      back->BandChangedSince(b, FVersionAfter);
  }
  const auto redraw = [&](int b) { return FRedraw[static_cast<size_t>(b)] != 0; };
  // Until the pass has drawn, the bands' keys say nothing.
  FBandKeys.clear();
  int drawn = 0;
  for (int b = 0; b < bands;) {
    if (!redraw(b)) {
      ++b;
      continue;
    }
    int end = b + 1;
    while (end < bands && redraw(end)) ++end;
    const int from = b * TDDSurface::RowBand, to = std::min(end * TDDSurface::RowBand, height);
    {
      TWindowScope window(*back, from, to);
      if (FClear) FClear();
      for (const TEntry& e : FEntries) {
        if (e.Top < to && e.Bottom > from) Replay(e, *back);
      }
    }
    drawn += to - from;
    b = end;
  }
  FBandKeys.swap(FNewKeys);
  FSurfaceSerial = back->Serial();
  FHeight = height;
  FVersionAfter = back->Version();
  Drop();
  FDrawnRows = drawn;
  return drawn;
}
