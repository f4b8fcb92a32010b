// Software surfaces: 16-bit pixel arrays behind the display API's operations and result codes.
#include "host/DDraw.h"

#include <algorithm>
#include <cstring>

TDDSurface::TDDSurface(int width, int height, int pixelKind, int pitchPixels)
    : FWidth(std::max(width, 0)),
      FHeight(std::max(height, 0)),
      FPixelKind(pixelKind),
      FStride(std::max(FWidth, pitchPixels)),
      FPixels(static_cast<size_t>(FStride) * FHeight, 0) {}

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
  FRuns.Valid = false;
  // Lost video memory comes back with garbage; make that visible rather than silently kept.
  std::fill(FPixels.begin(), FPixels.end(), uint16_t{0xA5A5});
}

HRESULT TDDSurface::Lock(DDSURFACEDESC* desc, uint32_t flags) {
  if (desc == nullptr) return DDERR_INVALIDPARAMS;
  if (FLockFailure != 0) return FLockFailure;
  if (FDCHeld || FLocked) return DDERR_SURFACEBUSY;
  if (HRESULT hr = Gate(); hr != DD_OK) return hr;
  FLocked = true;
  if ((flags & DDLOCK_READONLY) == 0) FRuns.Valid = false;
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

void TDDSurface::PrepareKeyRuns() {
  FRuns.RowFirst.assign(static_cast<size_t>(FHeight) + 1, 0);
  FRuns.Runs.clear();
  for (int y = 0; y < FHeight; ++y) {
    FRuns.RowFirst[y] = static_cast<uint32_t>(FRuns.Runs.size());
    const uint16_t* row = FPixels.data() + static_cast<size_t>(y) * FStride;
    int x = 0;
    while (x < FWidth) {
      while (x < FWidth && row[x] >= FColorKeyLow && row[x] <= FColorKeyHigh) ++x;
      const int start = x;
      while (x < FWidth && (row[x] < FColorKeyLow || row[x] > FColorKeyHigh)) ++x;
      if (x > start) FRuns.Runs.push_back({start, x});
    }
  }
  FRuns.RowFirst[FHeight] = static_cast<uint32_t>(FRuns.Runs.size());
  FRuns.Valid = true;
}

void TDDSurface::CopyKeyedPlain(uint16_t* dst, int dstStride, const TRect& r) const {
  for (int row = r.Top; row < r.Bottom; ++row) {
    const uint16_t* s = FPixels.data() + static_cast<size_t>(row) * FStride;
    uint16_t* d = dst + static_cast<ptrdiff_t>(row - r.Top) * dstStride - r.Left;
    for (int col = r.Left; col < r.Right; ++col) {
      const uint16_t p = s[col];
      if (p < FColorKeyLow || p > FColorKeyHigh) d[col] = p;
    }
  }
}

namespace {

// Copies n pixels with fixed-size moves the compiler turns into vector loads and stores (the
// last chunk may overlap the one before).
inline void CopyPixels(uint16_t* d, const uint16_t* s, int n) {
  constexpr int Chunk = 16;
  if (n >= Chunk) {
    int i = 0;
    for (; i + Chunk <= n; i += Chunk) std::memcpy(d + i, s + i, Chunk * 2);
    if (i < n) std::memcpy(d + n - Chunk, s + n - Chunk, Chunk * 2);
  } else if (n >= 8) {
    std::memcpy(d, s, 16);
    std::memcpy(d + n - 8, s + n - 8, 16);
  } else if (n >= 4) {
    std::memcpy(d, s, 8);
    std::memcpy(d + n - 4, s + n - 4, 8);
  } else {
    for (int i = 0; i < n; ++i) d[i] = s[i];
  }
}

struct TKeyRunView {
  const TKeyRun* Runs;
  const uint32_t* RowFirst;  // per row, index of its first run
};

// The hot loop of every keyed copy; built twice, the wider moves chosen where the processor has them.
#if defined(__x86_64__) && !defined(__SANITIZE_ADDRESS__)
__attribute__((target_clones("avx2", "default")))
#endif
void CopyRuns(TKeyRunView v, const uint16_t* src, int srcStride, uint16_t* dst, int dstStride, TRect r) {
  for (int row = r.Top; row < r.Bottom; ++row) {
    const TKeyRun* run = v.Runs + v.RowFirst[row];
    const TKeyRun* end = v.Runs + v.RowFirst[row + 1];
    while (run != end && run->End <= r.Left) ++run;  // rows hold few runs
    const uint16_t* s = src + static_cast<size_t>(row) * srcStride;
    uint16_t* d = dst + static_cast<ptrdiff_t>(row - r.Top) * dstStride - r.Left;
    for (; run != end && run->Start < r.Right; ++run) {
      const int from = std::max(run->Start, r.Left);
      const int to = std::min(run->End, r.Right);
      CopyPixels(d + from, s + from, to - from);
    }
  }
}

}  // namespace

void TDDSurface::CopyKeyedRuns(uint16_t* dst, int dstStride, const TRect& r) const {
  CopyRuns({FRuns.Runs.data(), FRuns.RowFirst.data()}, FPixels.data(), FStride, dst, dstStride, r);
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
      r.Bottom > src->FHeight || x < 0 || y < 0 || x > FWidth - w || y > FHeight - h) {
    return DDERR_INVALIDRECT;
  }
  FRuns.Valid = false;
  uint16_t* d = FPixels.data() + static_cast<size_t>(y) * FStride + x;
  if (srcColorKey && src->FHasColorKey && src != this) {
    if (src->FUseRuns) {
      if (!src->FRuns.Valid) src->PrepareKeyRuns();
      src->CopyKeyedRuns(d, FStride, r);
    } else {
      src->CopyKeyedPlain(d, FStride, r);
    }
    return DD_OK;
  }
  if (srcColorKey && src->FHasColorKey) {  // onto itself: rows may overlap, go through a copy
    TDDSurface copy(*src);
    copy.CopyKeyedPlain(d, FStride, r);
    return DD_OK;
  }
  for (int row = 0; row < h; ++row) {
    const int sr = (src == this && y > r.Top) ? h - 1 - row : row;  // overlap-safe order
    const uint16_t* s = src->FPixels.data() + static_cast<size_t>(r.Top + sr) * src->FStride + r.Left;
    std::memmove(d + static_cast<ptrdiff_t>(sr) * FStride, s, static_cast<size_t>(w) * 2);
  }
  return DD_OK;
}

HRESULT TDDSurface::BltFill(const TRect* dstRect, uint16_t colour) {
  if (FLocked || FDCHeld) return DDERR_SURFACEBUSY;
  if (HRESULT hr = Gate(); hr != DD_OK) return hr;
  FRuns.Valid = false;
  TRect r = dstRect ? *dstRect : TRect{0, 0, FWidth, FHeight};
  r.Left = std::max(r.Left, 0);
  r.Top = std::max(r.Top, 0);
  r.Right = std::min(r.Right, FWidth);
  r.Bottom = std::min(r.Bottom, FHeight);
  for (int y = r.Top; y < r.Bottom; ++y) {
    uint16_t* row = FPixels.data() + static_cast<size_t>(y) * FStride;
    std::fill(row + r.Left, row + std::max(r.Left, r.Right), colour);
  }
  return DD_OK;
}

HRESULT TDDSurface::Blt(const TRect* dstRect, TDDSurface* src) {
  if (src == nullptr || src == this) return DDERR_INVALIDPARAMS;
  if (FLocked || FDCHeld || src->FLocked || src->FDCHeld) return DDERR_SURFACEBUSY;
  if (HRESULT hr = Gate(); hr != DD_OK) return hr;
  if (HRESULT hr = src->Gate(); hr != DD_OK) return hr;
  const TRect r = dstRect ? *dstRect : TRect{0, 0, FWidth, FHeight};
  const int64_t w = static_cast<int64_t>(r.Right) - r.Left;
  const int64_t h = static_cast<int64_t>(r.Bottom) - r.Top;
  if (w <= 0 || h <= 0 || src->FWidth <= 0 || src->FHeight <= 0) return DDERR_INVALIDRECT;
  FRuns.Valid = false;
  for (int y = std::max(r.Top, 0); y < std::min(r.Bottom, FHeight); ++y) {
    const int64_t sy = (y - static_cast<int64_t>(r.Top)) * src->FHeight / h;
    const uint16_t* s = src->FPixels.data() + static_cast<size_t>(sy) * src->FStride;
    uint16_t* d = FPixels.data() + static_cast<size_t>(y) * FStride;
    for (int x = std::max(r.Left, 0); x < std::min(r.Right, FWidth); ++x) {
      d[x] = s[(x - static_cast<int64_t>(r.Left)) * src->FWidth / w];
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
  FRuns.Valid = false;
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
  FColorKeyHigh = std::max(low, high);
  FRuns.Valid = false;
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
