// The drawing routines onto the back buffer and the 16-bit colour arithmetic (5-6-5 and 5-5-5).
#include "gfx/Drawing.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "blit/CopyKernels.h"
#include "core/Settings.h"
#include "gfx/Display.h"
#include "gfx/PixelFormat.h"

namespace {

uint8_t Clamp31(int64_t v) { return static_cast<uint8_t>(std::clamp<int64_t>(v, 0, 31)); }

// Stores into the back buffer through its long-lived lock; nothing when the lock failed.
void StorePixel(int x, int y, uint16_t value) {
  if (x < 0 || y < 0 || x >= ScreenWidth || y >= ScreenHeight) return;
  if (Display == nullptr || !Display->FBackBuffer) return;
  if (!Display->FLocked) Display->LockBackBuffer();
  const DDSURFACEDESC& desc = Display->FLockDesc;
  if (!Display->FLocked || desc.lpSurface == nullptr || x >= desc.dwWidth || y >= desc.dwHeight) return;
  auto* row = static_cast<uint8_t*>(desc.lpSurface) + static_cast<ptrdiff_t>(y) * desc.lPitch;
  reinterpret_cast<uint16_t*>(row)[x] = value;
}

// Locked pixels of one surface; Stride in pixels.
struct TLocked {
  uint16_t* Pixels = nullptr;
  int Stride = 0;
};

// One per-pixel job: the rectangle R of the source drawn with its top-left at (X, Y), of which
// columns [C0, C1) and rows [R0, R1) (relative to R) lie inside both surfaces, the
// destination's window and the clip.
struct TJob {
  TDDSurface* Source;
  TDDSurface* Dest;
  TLocked S, D;
  int X, Y;
  TRect R;
  int C0, C1, R0, R1;
  TRect Picture;                    // the sheet picture R was clipped from (sheet routines only)
  const TPictureCut* Cut = &NoCut;  // what is drawn of each row of Picture
};

// The indices c of 0..count-1 with srcStart + c in [0, srcLimit) and dstStart + c in
// [dstMin, dstLimit).
CORVINA_INLINE void Visible(int count, int srcStart, int srcLimit, int dstStart, int dstMin, int dstLimit, int& first,
                            int& last) {
  const int64_t f = std::max<int64_t>({0, -int64_t{srcStart}, int64_t{dstMin} - dstStart});
  const int64_t l = std::min<int64_t>({int64_t{count}, int64_t{srcLimit} - srcStart, int64_t{dstLimit} - dstStart});
  first = static_cast<int>(f);
  last = static_cast<int>(std::max(f, l));
}

// ClipToScreen, inlined into the routines that draw a picture per call.
CORVINA_INLINE void ClipInline(int& x, int& y, TRect& r, bool atCorner) {
  if (!atCorner) {
    const TPoint corner = PictureCorner({x, y}, r.Right - r.Left, r.Bottom - r.Top);
    x = corner.X;
    y = corner.Y;
  }
  if (x < 0) {
    r.Left -= x;
    x = 0;
  }
  if (y < 0) {
    r.Top -= y;
    y = 0;
  }
  if (x + (r.Right - r.Left) > ScreenWidth - 1) r.Right = ScreenWidth + r.Left - x;
  if (y + (r.Bottom - r.Top) > ScreenHeight - 1) r.Bottom = ScreenHeight + r.Top - y;
}

// Locks the source (read only), then the destination, under the retry rule. The source is let
// go before a failed destination lock is judged, so a restore can reload it.
bool LockPair(TJob& job) {
  DDSURFACEDESC desc;
  const HRESULT hr = Display->Retry([&] {
    HRESULT r = job.Source->Lock(&desc, DDLOCK_WAIT | DDLOCK_READONLY);
    if (r != DD_OK) return r;
    job.S = {static_cast<uint16_t*>(desc.lpSurface), desc.lPitch / 2};
    r = job.Dest->Lock(&desc, DDLOCK_WAIT, job.Y + job.R0, job.Y + job.R1);
    if (r == DD_OK) {
      job.D = {static_cast<uint16_t*>(desc.lpSurface), desc.lPitch / 2};
    } else {
      job.Source->Unlock();
    }
    return r;
  });
  return hr == DD_OK;
}

// Prepares a job; false when there is nothing to draw or a lock failed for good.
bool BeginJob(int x, int y, const TRect& r, TDDSurface* source, TDDSurface* dest, bool clip, TJob& job) {
  if (Display == nullptr || source == nullptr || dest == nullptr || source == dest) return false;
  job.Source = source;
  job.Dest = dest;
  job.X = x;
  job.Y = y;
  job.R = r;
  Visible(r.Right - r.Left, r.Left, source->Width(), x, std::max(clip ? ClipMinX : 0, dest->ColumnsFrom()),
          std::min(clip ? ClipMaxX : INT_MAX, dest->ColumnsTo()), job.C0, job.C1);
  Visible(r.Bottom - r.Top, r.Top, source->Height(), y, std::max(clip ? ClipMinY : 0, dest->RowsFrom()),
          std::min(clip ? ClipMaxY : INT_MAX, dest->RowsTo()), job.R0, job.R1);
  if (job.C0 >= job.C1 || job.R0 >= job.R1) return false;
  return LockPair(job);
}

void EndJob(TJob& job) {
  job.Source->Unlock();
  job.Dest->Unlock();
}

// The first visible source and destination pixels of the job's row `row`.
CORVINA_INLINE const uint16_t* SourceRow(const TJob& j, int row) {
  return j.S.Pixels + static_cast<size_t>(j.R.Top + row) * j.S.Stride + (j.R.Left + j.C0);
}
CORVINA_INLINE uint16_t* DestRow(const TJob& j, int row) {
  return j.D.Pixels + static_cast<size_t>(j.Y + row) * j.D.Stride + (j.X + j.C0);
}

// Calls fn(column, row, source pixel, destination pixel) for every visible pixel whose source
// pixel is not the transparent 0, within the job's cut.
template <class Fn>
void ForEachOpaque(const TJob& j, Fn fn) {
  for (int row = j.R0; row < j.R1; ++row) {
    int c0 = j.C0, c1 = j.C1;
    if (j.Cut->Id() != 0) {
      const TColumnSpan span = j.Cut->Row(j.R.Top + row - j.Picture.Top, j.Picture.Right - j.Picture.Left);
      c0 = std::max(c0, j.Picture.Left + span.First - j.R.Left);
      c1 = std::min(c1, j.Picture.Left + span.End - j.R.Left);
      if (c0 >= c1) continue;
    }
    const uint16_t* s = SourceRow(j, row) + (c0 - j.C0);
    uint16_t* d = DestRow(j, row) + (c0 - j.C0);
    for (int col = c0; col < c1; ++col, ++s, ++d) {
      if (*s != 0) fn(col, row, *s, *d);
    }
  }
}

// A sheet picture anchored and clipped onto the back buffer, drawn within the cut.
bool BeginSheetJob(int x, int y, int sheet, TRect r, bool atCorner, TJob& job, const TPictureCut& cut = NoCut) {
  if (Display == nullptr || !Display->FBackBuffer || sheet < 1 || sheet > 2) return false;
  job.Picture = r;
  job.Cut = &cut;
  ClipInline(x, y, r, atCorner);
  return BeginJob(x, y, r, Display->FSheets[sheet].get(), Display->FBackBuffer.get(), false, job);
}

// The visible part of the job through the source picture's pre-encoded runs.
template <class Op>
CORVINA_INLINE void DrawRuns(const TJob& job, const TKeyPicture& p, const Op& op) {
  const int c0 = job.R.Left + job.C0 - job.Picture.Left, c1 = job.R.Left + job.C1 - job.Picture.Left;
  const int r0 = job.R.Top + job.R0 - job.Picture.Top, r1 = job.R.Top + job.R1 - job.Picture.Top;
  uint16_t* d = DestRow(job, job.R0);
  DrawPicturePart(p, c0, r0, c1, r1, d, op);
}
void ShadedRuns(const TJob& job, const TKeyPicture& p, THalfPixel op) { DrawRuns(job, p, op); }
void ShadedRuns(const TJob& job, const TKeyPicture& p, TThreeQuarterPixel op) { DrawRuns(job, p, op); }

// The source picture's pre-encoded runs when they stand for exactly its non-zero pixels.
const TKeyPicture* SourceRuns(const TJob& job) {
  TDDSurface& s = *job.Source;
  if (!s.HasColorKey() || s.ColorKey() != 0 || s.ColorKeyHigh() != 0) return nullptr;
  const TRect& p = job.Picture;
  const TRect& r = job.R;
  if (r.Left < p.Left || r.Top < p.Top || r.Right > p.Right || r.Bottom > p.Bottom) return nullptr;
  return s.KeyPicture(p, job.D.Stride, *job.Cut);
}

// A split/compose pair called directly, so a per-pixel loop can inline it; the layout is
// still chosen once per call, from what SelectPixelFormat set.
template <void (*SplitFn)(uint16_t, uint8_t&, uint8_t&, uint8_t&),
          void (*ComposeFn)(uint8_t, uint8_t, uint8_t, uint16_t&)>
struct TFormat {
  static void Split(uint16_t p, uint8_t& r, uint8_t& g, uint8_t& b) { SplitFn(p, r, g, b); }
  static void Compose(uint8_t r, uint8_t g, uint8_t b, uint16_t& p) { ComposeFn(r, g, b, p); }
};
// Any other pair, through the function variables.
struct TSelectedFormat {
  static void Split(uint16_t p, uint8_t& r, uint8_t& g, uint8_t& b) { SplitPixel(p, r, g, b); }
  static void Compose(uint8_t r, uint8_t g, uint8_t b, uint16_t& p) { ComposePixel(r, g, b, p); }
};

// Runs body(format) with the pair selected now.
template <class Body>
void WithPixelFormat(Body body) {
  if (SplitPixel == SplitPixel565 && ComposePixel == ComposePixel565)
    body(TFormat<SplitPixel565, ComposePixel565>{});
  else if (SplitPixel == SplitPixel555 && ComposePixel == ComposePixel555)
    body(TFormat<SplitPixel555, ComposePixel555>{});
  else
    body(TSelectedFormat{});
}

template <class F>
CORVINA_INLINE uint16_t Scaled(uint16_t s, int f) {
  uint8_t r, g, b;
  F::Split(s, r, g, b);
  uint16_t p;
  F::Compose(static_cast<uint8_t>(r * f / 64), static_cast<uint8_t>(g * f / 64), static_cast<uint8_t>(b * f / 64), p);
  return p;
}

template <class F>
CORVINA_INLINE void AddPixel(uint16_t s, uint16_t& d, int level) {
  uint8_t sr, sg, sb, dr, dg, db;
  F::Split(s, sr, sg, sb);
  F::Split(d, dr, dg, db);
  F::Compose(Clamp31(dr + int64_t{sr} * level / 128), Clamp31(dg + int64_t{sg} * level / 128),
             Clamp31(db + int64_t{sb} * level / 128), d);
}

template <class F>
CORVINA_INLINE void AlphaPixel(uint16_t s, uint16_t& d, int level) {
  uint8_t sr, sg, sb, dr, dg, db;
  F::Split(s, sr, sg, sb);
  F::Split(d, dr, dg, db);
  const int keep = 128 - level;
  F::Compose(Clamp31((dr * keep + sr * level) / 128), Clamp31((dg * keep + sg * level) / 128),
             Clamp31((db * keep + sb * level) / 128), d);
}

// fn(format, column, row, source pixel, destination pixel) over the job's opaque pixels, the
// layout chosen once.
template <class Fn>
void EachOpaqueIn(const TJob& job, Fn fn) {
  WithPixelFormat([&](auto format) {
    ForEachOpaque(job, [&](int col, int row, uint16_t s, uint16_t& d) { fn(format, col, row, s, d); });
  });
}

// The alpha and add modes sixteen pixels at a time, with the per-pixel arithmetic: each
// component of 0..31 is mixed in 16-bit lanes, which hold every product of an alpha level
// (0..128) and of an add level within WideLanesAddLevel.
typedef int16_t TComponents __attribute__((vector_size(32)));
constexpr int WideLanesAddLevel = 1024;

// Each mixes the source components s into the destination components d.
struct TAlphaLanes {
  int Level;
  CORVINA_INLINE void operator()(const TComponents& s, TComponents& d) const {
    d = (d * static_cast<int16_t>(128 - Level) + s * static_cast<int16_t>(Level)) >> 7;
  }
};
struct TAddLanes {
  int Level;
  CORVINA_INLINE void operator()(const TComponents& s, TComponents& d) const {
    TComponents q = s * static_cast<int16_t>(Level);
    q = (q + ((q >> 15) & 127)) >> 7;  // divided by 128, rounding toward zero as C++ does
    d += q;
  }
};

// Components kept to 0..31.
CORVINA_INLINE void LimitLanes(TComponents& c) {
  c = c < 0 ? 0 : c;
  c = c > 31 ? 31 : c;
}

// The job's pixels whose source is not the transparent 0 take mix of their components; RShift and
// GShift place red and green (5-6-5: 11 and 6, the lowest green bit dropped; 5-5-5: 10 and 5).
template <int RShift, int GShift, class Mix, class One>
CORVINA_INLINE void BlendLanes(const TJob& j, const Mix& mix, const One& one) {
  const int n = j.C1 - j.C0;
  for (int row = j.R0; row < j.R1; ++row) {
    const uint16_t* s = SourceRow(j, row);
    uint16_t* d = DestRow(j, row);
    int i = 0;
    for (; i + 16 <= n; i += 16) {
      TComponents sv, dv;
      std::memcpy(&sv, s + i, sizeof sv);
      std::memcpy(&dv, d + i, sizeof dv);
      TComponents r = (dv >> RShift) & 31, g = (dv >> GShift) & 31, b = dv & 31;
      mix((sv >> RShift) & 31, r);
      mix((sv >> GShift) & 31, g);
      mix(sv & 31, b);
      LimitLanes(r);
      LimitLanes(g);
      LimitLanes(b);
      const TComponents out = sv != 0 ? (r << RShift) | (g << GShift) | b : dv;
      std::memcpy(d + i, &out, sizeof out);
    }
    for (; i < n; ++i) {
      if (s[i] != 0) one(s[i], d[i]);
    }
  }
}

// The alpha and add modes in either known layout; false for any other layout, a source that is
// also the destination (sixteen pixels are read before any is written), or an add level too
// large for the lanes.
CORVINA_CLONES bool BlendRowsFast(const TJob& job, TBlendMode mode, int level) {
  if (job.Source == job.Dest || (mode == bmAdd && (level > WideLanesAddLevel || level < -WideLanesAddLevel)))
    return false;
  bool done = false;
  WithPixelFormat([&](auto format) {
    using F = decltype(format);
    constexpr bool is565 = std::is_same_v<F, TFormat<SplitPixel565, ComposePixel565>>;
    constexpr bool is555 = std::is_same_v<F, TFormat<SplitPixel555, ComposePixel555>>;
    if constexpr (is565 || is555) {
      constexpr int rShift = is565 ? 11 : 10, gShift = is565 ? 6 : 5;
      if (mode == bmAlpha) {
        BlendLanes<rShift, gShift>(job, TAlphaLanes{level},
                                   [&](uint16_t s, uint16_t& d) { AlphaPixel<F>(s, d, level); });
      } else {
        BlendLanes<rShift, gShift>(job, TAddLanes{level}, [&](uint16_t s, uint16_t& d) { AddPixel<F>(s, d, level); });
      }
      done = true;
    }
  });
  return done;
}

// The glow modes: K falls off from the middle of the rectangle, E is added to one component.
// `lit` is 0, 1 or 2 for red, green or blue.
void Glow(const TJob& job, int level, int lit) {
  const int w = job.R.Right - job.R.Left;
  const int h = job.R.Bottom - job.R.Top;
  const int halfW = w / 2;
  const int halfH = h / 2;
  // A level of 0 has no glow at all; a divisor below 1 is taken as 1.
  uint16_t q = level == 0 ? 0 : static_cast<uint16_t>((int64_t{w} * h / level) / 3);
  if (q == 0) q = 1;
  const auto e = static_cast<uint8_t>(int64_t{level} * 31 / 64);
  ForEachOpaque(job, [&](int col, int row, uint16_t, uint16_t& d) {
    const int a = halfW - std::abs(col - halfW);
    const int b = halfH - std::abs(row - halfH);
    const uint8_t k = level == 0 ? 0 : static_cast<uint8_t>(static_cast<uint16_t>(a * b / q) >> 1);
    uint8_t c[3];
    SplitPixel(d, c[0], c[1], c[2]);
    for (int i = 0; i < 3; ++i) c[i] = static_cast<uint8_t>(c[i] + (i == lit ? e : k));
    ComposePixel(c[0], c[1], c[2], d);
  });
}

bool InsideClip(int x, int y, const TRect& r) {
  return x >= ClipMinX && int64_t{x} + (r.Right - r.Left) < ClipMaxX && y >= ClipMinY &&
         int64_t{y} + (r.Bottom - r.Top) < ClipMaxY;
}

}  // namespace

void PutPixel(int x, int y, uint16_t colour565) {
  if (SelectedPixelKind == PixelKind565)
    StorePixel(x, y, colour565);
  else
    StorePixel(x, y, static_cast<uint16_t>((colour565 & 31) | ((colour565 >> 1) & 0xFFE0)));
}

void ClipToScreen(int& x, int& y, TRect& r, bool atCorner) {
  x -= ScreenOnSurface.X;
  y -= ScreenOnSurface.Y;
  ClipInline(x, y, r, atCorner);
  x += ScreenOnSurface.X;
  y += ScreenOnSurface.Y;
}

namespace {

// A sheet picture anchored, then cut to the screen, the sheet and the back buffer: the part of
// it that shows and where that goes. False when nothing shows.
struct TSheetPart {
  TDDSurface* Src;
  TDDSurface* Dst;
  int X, Y;
  TRect Part;
};
CORVINA_INLINE bool SheetPart(int x, int y, int sheet, const TRect& rect, bool atCorner, TSheetPart& out) {
  if (Display == nullptr || !Display->FBackBuffer || sheet < 1 || sheet > 2) return false;
  TDDSurface* src = Display->FSheets[sheet].get();
  TDDSurface* dst = Display->FBackBuffer.get();
  if (src == nullptr) return false;
  TRect r = rect;
  ClipInline(x, y, r, atCorner);
  int c0, c1, r0, r1;
  Visible(r.Right - r.Left, r.Left, src->Width(), x, dst->ColumnsFrom(), dst->ColumnsTo(), c0, c1);
  Visible(r.Bottom - r.Top, r.Top, src->Height(), y, dst->RowsFrom(), dst->RowsTo(), r0, r1);
  if (c0 >= c1 || r0 >= r1) return false;
  out = {src, dst, x + c0, y + r0, TRect{r.Left + c0, r.Top + r0, r.Left + c1, r.Top + r1}};
  return true;
}

// DrawKeyed's copy when a surface may be busy or lost, or the picture is not encoded yet: under
// the retry rule.
__attribute__((noinline)) void BltKeyedRetried(const TSheetPart& s, const TRect& picture, const TPictureCut& cut) {
  Display->Retry([&] { return s.Dst->BltFastPicture(s.X, s.Y, s.Src, s.Part, picture, cut); });
}

// The frame's ground blocks come through these: their common case makes one call, to the
// processor's copy loops.
void KeyedSheetCopy(int x, int y, int sheet, const TRect& rect, bool atCorner, const TPictureCut& cut) {
  TSheetPart s;
  if (!SheetPart(x, y, sheet, rect, atCorner, s)) return;
  if (!s.Dst->DrawReadyPicture(s.X, s.Y, *s.Src, s.Part, rect, TCopyPixel{}, cut)) BltKeyedRetried(s, rect, cut);
}

// The shaded ways, when the sheet's pictures stand for exactly its non-zero pixels; false when
// the general way must draw.
template <class Op>
CORVINA_INLINE bool ShadedSheetCopy(int x, int y, int sheet, const TRect& rect, bool atCorner, const Op& op,
                                    const TPictureCut& cut) {
  TSheetPart s;
  if (!SheetPart(x, y, sheet, rect, atCorner, s)) return true;
  const TDDSurface& src = *s.Src;
  if (!src.HasColorKey() || src.ColorKey() != 0 || src.ColorKeyHigh() != 0) return false;
  return s.Dst->DrawReadyPicture(s.X, s.Y, src, s.Part, rect, op, cut);
}
bool ShadedCopy(int x, int y, int sheet, const TRect& rect, bool atCorner, THalfPixel op, const TPictureCut& cut) {
  return ShadedSheetCopy(x, y, sheet, rect, atCorner, op, cut);
}
bool ShadedCopy(int x, int y, int sheet, const TRect& rect, bool atCorner, TThreeQuarterPixel op,
                const TPictureCut& cut) {
  return ShadedSheetCopy(x, y, sheet, rect, atCorner, op, cut);
}

// The colour masks of the shaded ways in the display's layout.
THalfPixel HalfOp() { return {Display->FPixelKind == PixelKind555 ? uint16_t{0x3DEF} : uint16_t{0x7BEF}}; }
TThreeQuarterPixel ThreeQuarterOp() {
  const bool is555 = Display->FPixelKind == PixelKind555;
  return {is555 ? uint16_t{0x3DEF} : uint16_t{0x7BEF}, is555 ? uint16_t{0x1CE7} : uint16_t{0x39E7}};
}

// A sheet picture shaded by op: the sheet's ready pictures when they serve, else the source's
// runs, else pixel by pixel.
template <class Op>
void DrawShadedPicture(int x, int y, int sheet, const TRect& r, bool atCorner, const Op& op, const TPictureCut& cut) {
  if (ShadedCopy(x, y, sheet, r, atCorner, op, cut)) return;
  TJob job;
  if (!BeginSheetJob(x, y, sheet, r, atCorner, job, cut)) return;
  if (const TKeyPicture* p = SourceRuns(job)) {
    ShadedRuns(job, *p, op);
  } else {
    ForEachOpaque(job, [&](int, int, uint16_t s, uint16_t& d) { d = op.Of(s); });
  }
  EndJob(job);
}

// A sprite job inside the clip rectangle. A sprite reaching out of it is drawn by the clipped
// add at `level` instead: false then, as when there is nothing to draw.
bool BeginSpriteJob(int x, int y, const TRect& r, TDDSurface* source, TDDSurface* dest, int level, TJob& job) {
  if (Display == nullptr || source == nullptr || dest == nullptr) return false;
  if (!InsideClip(x, y, r)) {
    AddBlendClipped(x, y, r, source, dest, level);
    return false;
  }
  return BeginJob(x, y, r, source, dest, false, job);
}

}  // namespace

void DrawKeyed(int x, int y, int sheet, const TRect& rect, bool atCorner, const TPictureCut& cut) {
  KeyedSheetCopy(x, y, sheet, rect, atCorner, cut);
}

void DrawStippled(int x, int y, int sheet, const TRect& r, bool atCorner, int brightness) {
  TJob job;
  if (!BeginSheetJob(x, y, sheet, r, atCorner, job)) return;
  const int f = std::clamp(brightness, -64, 64) + 64;
  // Every third pixel of the screen, (x + 2 y) a multiple of three: each row from its first
  // such pixel on, three at a time.
  const auto first = [&](int row) { return (3 - (job.X + job.C0 + 2 * (job.Y + row) + StipplePhase) % 3) % 3; };
  const bool is565 = SplitPixel == SplitPixel565 && ComposePixel == ComposePixel565;
  if (is565 || (SplitPixel == SplitPixel555 && ComposePixel == ComposePixel555)) {
    for (int row = job.R0; row < job.R1; ++row) {
      SelectedCopyKernels->StippleRow(SourceRow(job, row), DestRow(job, row), job.C1 - job.C0, first(row),
                                      brightness == 0 ? -1 : f, is565 ? 11 : 10, is565 ? 6 : 5);
    }
  } else {
    WithPixelFormat([&](auto format) {
      for (int row = job.R0; row < job.R1; ++row) {
        const uint16_t* s = SourceRow(job, row);
        uint16_t* d = DestRow(job, row);
        for (int i = first(row); i < job.C1 - job.C0; i += 3) {
          if (s[i] != 0) d[i] = brightness == 0 ? s[i] : Scaled<decltype(format)>(s[i], f);
        }
      }
    });
  }
  EndJob(job);
}

void DrawHalfBright(int x, int y, int sheet, const TRect& r, bool atCorner, const TPictureCut& cut) {
  if (Display != nullptr) DrawShadedPicture(x, y, sheet, r, atCorner, HalfOp(), cut);
}

void DrawThreeQuarterBright(int x, int y, int sheet, const TRect& r, bool atCorner, const TPictureCut& cut) {
  if (Display != nullptr) DrawShadedPicture(x, y, sheet, r, atCorner, ThreeQuarterOp(), cut);
}

void AddBlendClipped(int x, int y, const TRect& r, TDDSurface* source, TDDSurface* dest, int level) {
  TJob job;
  if (!BeginJob(x, y, r, source, dest, true, job)) return;
  EachOpaqueIn(job, [&](auto format, int, int, uint16_t s, uint16_t& d) { AddPixel<decltype(format)>(s, d, level); });
  EndJob(job);
}

void BlendSprite(int x, int y, const TRect& r, TDDSurface* source, TDDSurface* dest, int level, TBlendMode mode) {
  TJob job;
  if (!BeginSpriteJob(x, y, r, source, dest, level, job)) return;
  switch (mode) {
    case bmAlpha: {
      const int l = std::clamp(level, 0, 128);
      if (!BlendRowsFast(job, bmAlpha, l)) {
        EachOpaqueIn(job,
                     [&](auto format, int, int, uint16_t s, uint16_t& d) { AlphaPixel<decltype(format)>(s, d, l); });
      }
      break;
    }
    case bmAdd:
      if (!BlendRowsFast(job, bmAdd, level)) {
        EachOpaqueIn(job,
                     [&](auto format, int, int, uint16_t s, uint16_t& d) { AddPixel<decltype(format)>(s, d, level); });
      }
      break;
    case bmGlowRed: Glow(job, level, 0); break;
    case bmGlowGreen: Glow(job, level, 1); break;
    case bmGlowBlue: Glow(job, level, 2); break;
  }
  EndJob(job);
}

void BrightenSprite(int x, int y, const TRect& r, TDDSurface* source, TDDSurface* dest, int brightness) {
  TJob job;
  if (!BeginSpriteJob(x, y, r, source, dest, brightness, job)) return;
  const int f = std::clamp(brightness, -64, 64) + 64;
  EachOpaqueIn(job, [&](auto format, int, int, uint16_t s, uint16_t& d) { d = Scaled<decltype(format)>(s, f); });
  EndJob(job);
}
