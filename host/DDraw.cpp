// Software surfaces: 16-bit pixel arrays behind the display API's operations and result codes.
#include "host/DDraw.h"

#include <algorithm>
#include <cstring>

TDDSurface::TDDSurface(int width, int height, int pixelKind)
    : FWidth(std::max(width, 0)),
      FHeight(std::max(height, 0)),
      FPixelKind(pixelKind),
      FPixels(static_cast<size_t>(FWidth) * FHeight, 0) {}

HRESULT TDDSurface::Gate() {
  if (FLoseEvery > 0 && ++FCallCount % FLoseEvery == 0) LoseSurface();
  if (FBusyCalls > 0) {
    --FBusyCalls;
    return DDERR_WASSTILLDRAWING;
  }
  if (FLost) return DDERR_SURFACELOST;
  return DD_OK;
}

void TDDSurface::LoseSurface() {
  FLost = true;
  // Lost video memory comes back with garbage; make that visible rather than silently kept.
  std::fill(FPixels.begin(), FPixels.end(), uint16_t{0xA5A5});
}

HRESULT TDDSurface::Lock(DDSURFACEDESC* desc) {
  if (desc == nullptr) return DDERR_INVALIDPARAMS;
  if (FLockFailure != 0) return FLockFailure;
  if (FDCHeld || FLocked) return DDERR_SURFACEBUSY;
  if (HRESULT hr = Gate(); hr != DD_OK) return hr;
  FLocked = true;
  desc->dwWidth = FWidth;
  desc->dwHeight = FHeight;
  desc->lPitch = Pitch();
  desc->lpSurface = FPixels.data();
  return DD_OK;
}

HRESULT TDDSurface::Unlock() {
  if (!FLocked) return DDERR_NOTLOCKED;
  FLocked = false;
  return DD_OK;
}

HRESULT TDDSurface::BltFast(int x, int y, TDDSurface* src, const TRect& r, bool srcColorKey) {
  if (src == nullptr) return DDERR_INVALIDPARAMS;
  if (FLocked || FDCHeld || src->FLocked || src->FDCHeld) return DDERR_SURFACEBUSY;
  if (HRESULT hr = Gate(); hr != DD_OK) return hr;
  if (src != this) {
    if (HRESULT hr = src->Gate(); hr != DD_OK) return hr;
  }
  const int w = r.Right - r.Left;
  const int h = r.Bottom - r.Top;
  if (w <= 0 || h <= 0 || r.Left < 0 || r.Top < 0 || r.Right > src->FWidth ||
      r.Bottom > src->FHeight || x < 0 || y < 0 || x + w > FWidth || y + h > FHeight) {
    return DDERR_INVALIDRECT;
  }
  const bool keyed = srcColorKey && src->FHasColorKey;
  const uint16_t lo = src->FColorKeyLow;
  const uint16_t hi = src->FColorKeyHigh;
  for (int row = 0; row < h; ++row) {
    const uint16_t* s = src->FPixels.data() + static_cast<size_t>(r.Top + row) * src->FWidth + r.Left;
    uint16_t* d = FPixels.data() + static_cast<size_t>(y + row) * FWidth + x;
    if (!keyed) {
      std::memmove(d, s, static_cast<size_t>(w) * 2);
      continue;
    }
    for (int col = 0; col < w; ++col) {
      const uint16_t p = s[col];
      if (p < lo || p > hi) d[col] = p;
    }
  }
  return DD_OK;
}

HRESULT TDDSurface::BltFill(const TRect* dstRect, uint16_t colour) {
  if (FLocked || FDCHeld) return DDERR_SURFACEBUSY;
  if (HRESULT hr = Gate(); hr != DD_OK) return hr;
  TRect r = dstRect ? *dstRect : TRect{0, 0, FWidth, FHeight};
  r.Left = std::max(r.Left, 0);
  r.Top = std::max(r.Top, 0);
  r.Right = std::min(r.Right, FWidth);
  r.Bottom = std::min(r.Bottom, FHeight);
  for (int y = r.Top; y < r.Bottom; ++y) {
    uint16_t* row = FPixels.data() + static_cast<size_t>(y) * FWidth;
    std::fill(row + r.Left, row + std::max(r.Left, r.Right), colour);
  }
  return DD_OK;
}

HRESULT TDDSurface::Blt(const TRect* dstRect, TDDSurface* src) {
  if (src == nullptr) return DDERR_INVALIDPARAMS;
  if (FLocked || FDCHeld || src->FLocked || src->FDCHeld) return DDERR_SURFACEBUSY;
  if (HRESULT hr = Gate(); hr != DD_OK) return hr;
  if (src != this) {
    if (HRESULT hr = src->Gate(); hr != DD_OK) return hr;
  }
  const TRect r = dstRect ? *dstRect : TRect{0, 0, FWidth, FHeight};
  const int w = r.Right - r.Left;
  const int h = r.Bottom - r.Top;
  if (w <= 0 || h <= 0 || src->FWidth <= 0 || src->FHeight <= 0) return DDERR_INVALIDRECT;
  for (int y = std::max(r.Top, 0); y < std::min(r.Bottom, FHeight); ++y) {
    const int sy = static_cast<int>(static_cast<int64_t>(y - r.Top) * src->FHeight / h);
    for (int x = std::max(r.Left, 0); x < std::min(r.Right, FWidth); ++x) {
      const int sx = static_cast<int>(static_cast<int64_t>(x - r.Left) * src->FWidth / w);
      FPixels[static_cast<size_t>(y) * FWidth + x] =
          src->FPixels[static_cast<size_t>(sy) * src->FWidth + sx];
    }
  }
  return DD_OK;
}

HRESULT TDDSurface::Flip() {
  if (FLocked || FDCHeld) return DDERR_SURFACEBUSY;
  return Gate();
}

HRESULT TDDSurface::GetDC(TSurfaceDC** dc) {
  if (dc == nullptr) return DDERR_INVALIDPARAMS;
  *dc = nullptr;
  if (FDCHeld) return DDERR_DCALREADYCREATED;
  if (FLocked) return DDERR_SURFACEBUSY;
  if (HRESULT hr = Gate(); hr != DD_OK) return hr;
  FDC = TSurfaceDC{FPixels.data(), Pitch(), FWidth, FHeight, FPixelKind};
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
  FColorKeyLow = low;
  FColorKeyHigh = high;
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
  } else {
    format->dwRBitMask = 0xF800;
    format->dwGBitMask = 0x07E0;
  }
  format->dwBBitMask = 0x001F;
  return DD_OK;
}
