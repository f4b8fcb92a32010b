// Software surfaces: 16-bit pixel arrays behind the display API's operations and result codes.
#include "ddraw/DDraw.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <utility>

namespace {

uint64_t NextSerial() {
  static std::atomic<uint64_t> made{0};
  return ++made;
}

}  // namespace

TDDSurface::TDDSurface(int width, int height, int pixelKind, int pitchPixels, int guardPixels,
                       std::shared_ptr<uint16_t[]> memory)
    : FBuffer(width, height, pitchPixels, guardPixels, std::move(memory)),
      FChanges(width, height, NextSerial()),
      FPixelKind(pixelKind) {}

void TDDSurface::LoseSurface() {
  FLost = true;
  FChanges.MarkAll();
  // Lost video memory comes back with garbage; make that visible rather than silently kept.
  std::fill_n(FBuffer.Storage(), FBuffer.StorageSize(), uint16_t{0xA5A5});
}

HRESULT TDDSurface::Lock(DDSURFACEDESC* desc, uint32_t flags, int rowsFrom, int rowsTo) {
  if (desc == nullptr) return DDERR_INVALIDPARAMS;
  if (FLockFailure != 0) return FLockFailure;
  if (FDCHeld || FLocked) return DDERR_SURFACEBUSY;
  if (HRESULT hr = Gate(); hr != DD_OK) return hr;
  FLocked = true;
  FWriteLocked = (flags & DDLOCK_READONLY) == 0;
  FLockRowsFrom = rowsFrom;
  FLockRowsTo = rowsTo;
  if (FWriteLocked) MarkRowsChanged(rowsFrom, rowsTo);
  desc->dwWidth = Width();
  desc->dwHeight = Height();
  desc->lPitch = Pitch();
  desc->lpSurface = FBuffer.Origin();
  return DD_OK;
}

HRESULT TDDSurface::Unlock() {
  if (!FLocked) return DDERR_NOTLOCKED;
  FLocked = false;
  // Whatever was encoded while the writer held the pixels may not have seen its writes.
  if (FWriteLocked) MarkRowsChanged(FLockRowsFrom, FLockRowsTo);
  FWriteLocked = false;
  return DD_OK;
}

// ---- Pre-encoded pictures ----

namespace {

// Rectangle r of `picture` through fn(part, offset of the part in a destination of dstStride
// pixels): whole when nothing is cut (or the picture does not hold r), else row by row, each
// within the span the cut leaves.
template <class Fn>
void EachCutPart(const TRect& r, const TRect* picture, const TPictureCut& cut, int dstStride, Fn fn) {
  if (cut.Id() == 0 || picture == nullptr || !RectInside(r, *picture)) return fn(r, 0);
  for (int row = r.Top; row < r.Bottom; ++row) {
    const TColumnSpan s = cut.Row(row - picture->Top, picture->Right - picture->Left);
    const int from = std::max(r.Left, picture->Left + s.First), to = std::min(r.Right, picture->Left + s.End);
    if (from < to) fn(TRect{from, row, to, row + 1}, static_cast<ptrdiff_t>(row - r.Top) * dstStride + (from - r.Left));
  }
}

void CopyPart(const TKeyPicture& p, const TRect& part, uint16_t* dst) {
  DrawPicturePart(p, part.Left, part.Top, part.Right, part.Bottom, dst, TCopyPixel{});
}

// n pixels of one value: a byte fill when both bytes agree (black above all), else wide stores.
void FillPixels(uint16_t* d, size_t n, uint16_t colour) {
  if ((colour >> 8) == (colour & 0xFF)) {
    std::memset(d, colour & 0xFF, n * 2);
    return;
  }
  typedef uint16_t TLanes16 __attribute__((vector_size(32)));
  TLanes16 v = {};
  v += colour;
  size_t i = 0;
  for (; i + 16 <= n; i += 16) std::memcpy(d + i, &v, sizeof v);
  for (; i < n; ++i) d[i] = colour;
}

}  // namespace

const TKeyPicture* TDDSurface::KeyPicture(const TRect& r, int dstStride, const TPictureCut& cut) {
  if (!FHasColorKey || !FKeyRuns.On() || dstStride <= 0) return nullptr;
  if (r.Left >= r.Right || r.Top >= r.Bottom || !RectInside(r, TRect{0, 0, Width(), Height()})) return nullptr;
  return &FKeyRuns.Picture(FBuffer, FKey, r, cut, dstStride, Version());
}

void TDDSurface::CopyKeyedPlain(const uint16_t* pixels, uint16_t* dst, int dstStride, const TRect& r) const {
  for (int row = r.Top; row < r.Bottom; ++row) {
    const uint16_t* s = pixels + static_cast<size_t>(row) * FBuffer.Stride();
    uint16_t* d = dst + static_cast<ptrdiff_t>(row - r.Top) * dstStride - r.Left;
    for (int col = r.Left; col < r.Right; ++col) {
      if (IsOpaque(s[col])) d[col] = s[col];
    }
  }
}

void TDDSurface::CopyKeyedUnkept(uint16_t* dst, int dstStride, const TRect& r) {
  if (!FKeyRuns.On()) {
    CopyKeyedPlain(FBuffer.Origin(), dst, dstStride, r);
    return;
  }
  TKeyPicture& whole = FKeyRuns.Whole(FBuffer, FKey, Version());
  whole.PrepareMoves(dstStride);
  CopyPart(whole, r, dst);
}

void TDDSurface::CopyKeyed(uint16_t* dst, int dstStride, const TRect& r, const TRect* picture, int leftRoom,
                           int rightRoom, const TPictureCut& cut) {
  // A picture that does not hold r is ignored, and its cut with it.
  if (picture == nullptr || !RectInside(r, *picture)) return CopyKeyedUnkept(dst, dstStride, r);
  if (const TKeyPicture* p = KeyPicture(*picture, dstStride, cut)) {
    const TPicturePart part = PicturePart(*p, r, *picture, leftRoom, rightRoom, dst);
    CopyPart(*p, part.Part, part.Dst);
    return;
  }
  EachCutPart(r, picture, cut, dstStride,
              [&](const TRect& part, ptrdiff_t at) { CopyKeyedUnkept(dst + at, dstStride, part); });
}

HRESULT TDDSurface::BltFast(int x, int y, TDDSurface* src, const TRect& r, bool srcColorKey) {
  return BltFastCommon(x, y, src, r, srcColorKey, nullptr, NoCut);
}

HRESULT TDDSurface::BltFastCommon(int x, int y, TDDSurface* src, const TRect& r, bool srcColorKey, const TRect* picture,
                                  const TPictureCut& cut) {
  if (src == nullptr) return DDERR_INVALIDPARAMS;
  if (FLocked || FDCHeld || src->FLocked || src->FDCHeld) return DDERR_SURFACEBUSY;
  if (HRESULT hr = Gate(); hr != DD_OK) return hr;
  if (src != this) {
    if (HRESULT hr = src->Gate(); hr != DD_OK) return hr;
  }
  const int w = r.Right - r.Left;
  const int h = r.Bottom - r.Top;
  if (w <= 0 || h <= 0 || r.Left < 0 || r.Top < 0 || r.Right > src->Width() || r.Bottom > src->Height() || x < 0 ||
      y < 0 || x > Width() - w || y > Height() - h) {
    return DDERR_INVALIDRECT;
  }
  MarkRowsChanged(y, y + h);
  const int stride = FBuffer.Stride();
  uint16_t* d = FBuffer.At(x, y);
  if (srcColorKey && src->FHasColorKey && src != this) {
    src->CopyKeyed(d, stride, r, picture, LeftRoom(x), RightRoom(x + w), cut);
    return DD_OK;
  }
  if (srcColorKey && src->FHasColorKey) {  // onto itself: rows may overlap, go through a copy
    const std::vector<uint16_t> copy(FBuffer.Storage(), FBuffer.Storage() + FBuffer.StorageSize());
    EachCutPart(r, picture, cut, stride, [&](const TRect& part, ptrdiff_t at) {
      CopyKeyedPlain(copy.data() + FBuffer.Guard(), d + at, stride, part);
    });
    return DD_OK;
  }
  for (int row = 0; row < h; ++row) {
    const int sr = (src == this && y > r.Top) ? h - 1 - row : row;  // overlap-safe order
    const uint16_t* s = src->FBuffer.At(r.Left, r.Top + sr);
    std::memmove(d + static_cast<ptrdiff_t>(sr) * stride, s, static_cast<size_t>(w) * 2);
  }
  return DD_OK;
}

HRESULT TDDSurface::BltFill(const TRect* dstRect, uint16_t colour) {
  if (FLocked || FDCHeld) return DDERR_SURFACEBUSY;
  if (HRESULT hr = Gate(); hr != DD_OK) return hr;
  TRect r = dstRect ? *dstRect : TRect{0, 0, Width(), Height()};
  MarkRowsChanged(r.Top, r.Bottom);
  r.Left = std::max(r.Left, 0);
  r.Top = std::max(r.Top, 0);
  r.Right = std::min(r.Right, Width());
  r.Bottom = std::min(r.Bottom, Height());
  if (r.Left >= r.Right || r.Top >= r.Bottom) return DD_OK;
  const int stride = FBuffer.Stride();
  if (r.Left == 0 && r.Right == stride) {  // whole rows without padding: one run of pixels
    FillPixels(FBuffer.At(0, r.Top), static_cast<size_t>(stride) * (r.Bottom - r.Top), colour);
    return DD_OK;
  }
  for (int y = r.Top; y < r.Bottom; ++y)
    FillPixels(FBuffer.At(r.Left, y), static_cast<size_t>(r.Right - r.Left), colour);
  return DD_OK;
}

HRESULT TDDSurface::Blt(const TRect* dstRect, TDDSurface* src) {
  if (src == nullptr || src == this) return DDERR_INVALIDPARAMS;
  if (FLocked || FDCHeld || src->FLocked || src->FDCHeld) return DDERR_SURFACEBUSY;
  if (HRESULT hr = Gate(); hr != DD_OK) return hr;
  if (HRESULT hr = src->Gate(); hr != DD_OK) return hr;
  const TRect r = dstRect ? *dstRect : TRect{0, 0, Width(), Height()};
  const int64_t w = static_cast<int64_t>(r.Right) - r.Left;
  const int64_t h = static_cast<int64_t>(r.Bottom) - r.Top;
  const int srcWidth = src->Width(), srcHeight = src->Height();
  if (w <= 0 || h <= 0 || srcWidth <= 0 || srcHeight <= 0) return DDERR_INVALIDRECT;
  MarkRowsChanged(r.Top, r.Bottom);
  for (int y = std::max(r.Top, 0); y < std::min(r.Bottom, Height()); ++y) {
    const int64_t sy = (y - static_cast<int64_t>(r.Top)) * srcHeight / h;
    const uint16_t* s = src->FBuffer.At(0, static_cast<int>(sy));
    uint16_t* d = FBuffer.At(0, y);
    const int x0 = std::max(r.Left, 0), x1 = std::min(r.Right, Width());
    if (w == srcWidth) {  // no scaling across: the row as it is (the windowed present)
      if (x1 > x0) std::memcpy(d + x0, s + (x0 - r.Left), static_cast<size_t>(x1 - x0) * 2);
      continue;
    }
    for (int x = x0; x < x1; ++x) d[x] = s[(x - static_cast<int64_t>(r.Left)) * srcWidth / w];
  }
  return DD_OK;
}

HRESULT TDDSurface::Flip() {
  if (FLocked || FDCHeld) return DDERR_SURFACEBUSY;
  return Gate();
}

HRESULT TDDSurface::GetDC(TSurfaceDC** dc, bool callerMarksRows) {
  if (dc == nullptr) return DDERR_INVALIDPARAMS;
  *dc = nullptr;
  if (FDCHeld) return DDERR_DCALREADYCREATED;
  if (FLocked) return DDERR_SURFACEBUSY;
  if (HRESULT hr = Gate(); hr != DD_OK) return hr;
  if (callerMarksRows) {
    FChanges.MarkUnplaced();
  } else {
    FChanges.MarkAll();
  }
  FDC = TSurfaceDC{FBuffer.Origin(), Pitch(),  Width(),       Height(),   FPixelKind,
                   RowsFrom(),       RowsTo(), ColumnsFrom(), ColumnsTo()};
  FDCHeld = true;
  *dc = &FDC;
  return DD_OK;
}

HRESULT TDDSurface::ReleaseDC(TSurfaceDC* dc) {
  if (!FDCHeld || dc != &FDC) return DDERR_NODC;
  FDCHeld = false;
  return DD_OK;
}

HRESULT TDDSurface::Restore() {
  if (FBusyCalls > 0) {
    --FBusyCalls;
    return DDERR_WASSTILLDRAWING;
  }
  FLost = false;
  return DD_OK;
}

HRESULT TDDSurface::SetColorKey(uint16_t low, uint16_t high) {
  if (FLost) return DDERR_SURFACELOST;
  FHasColorKey = true;
  FKey = TKeyRange{low, std::max(low, high)};
  FChanges.MarkAll();
  return DD_OK;
}

HRESULT TDDSurface::GetPixelFormat(DDPIXELFORMAT* format) const {
  if (format == nullptr) return DDERR_INVALIDPARAMS;
  *format = DDPIXELFORMAT{};
  format->dwFlags = 0x40;  // RGB
  format->dwRGBBitCount = 16;
  if (FPixelKind == PixelKind555) {
    format->dwRBitMask = 0x7C00;
    format->dwGBitMask = 0x03E0;
    format->dwBBitMask = 0x001F;
  } else if (FPixelKind == PixelKindBgr565) {
    format->dwRBitMask = 0x001F;
    format->dwGBitMask = 0x07E0;
    format->dwBBitMask = 0xF800;
  } else {
    format->dwRBitMask = 0xF800;
    format->dwGBitMask = 0x07E0;
    format->dwBBitMask = 0x001F;
  }
  return DD_OK;
}
