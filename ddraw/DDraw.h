// Software surfaces with the operations and result codes of the display API the game was
// written for: 16-bit pixels with a pitch, Lock/Unlock, keyed BltFast, Blt (fill, copy),
// Flip, GetDC/ReleaseDC, Restore, SetColorKey, GetPixelFormat. Tests can make a surface
// busy for a number of calls or lost, so the retry and restore paths run for real.
// A surface is its pixels (TPixelBuffer), what changed in them (TChangeTracker) and the
// encodings for keyed copies (TKeyRunCache), behind the API's contract.
#pragma once

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdint>
#include <memory>
#include <vector>

#include "blit/CopyKernels.h"
#include "blit/KeyPicture.h"
#include "core/Types.h"
#include "ddraw/ChangeTracker.h"
#include "ddraw/KeyRunCache.h"
#include "ddraw/PixelBuffer.h"

constexpr HRESULT MakeDDResult(uint32_t code) { return static_cast<HRESULT>(0x88760000u + code); }
constexpr HRESULT DD_OK = 0;
constexpr HRESULT DDERR_GENERIC = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT DDERR_INVALIDPARAMS = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT DDERR_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT DDERR_INVALIDRECT = MakeDDResult(150);
constexpr HRESULT DDERR_SURFACEBUSY = MakeDDResult(430);
constexpr HRESULT DDERR_SURFACELOST = MakeDDResult(450);      // 0x887601C2
constexpr HRESULT DDERR_WASSTILLDRAWING = MakeDDResult(540);  // 0x8876021C
constexpr HRESULT DDERR_NOTLOCKED = MakeDDResult(584);
constexpr HRESULT DDERR_DCALREADYCREATED = MakeDDResult(620);
constexpr HRESULT DDERR_NODC = MakeDDResult(586);

// Pixel format codes (FPixelKind): 2 = 5-6-5, 3 = 5-5-5, 4 = 5-6-5 with red in the low bits.
constexpr int PixelKind565 = 2;
constexpr int PixelKind555 = 3;
constexpr int PixelKindBgr565 = 4;

// Lock flags: a read-only lock leaves the surface's pre-encoded key runs valid.
constexpr uint32_t DDLOCK_WAIT = 0x1;
constexpr uint32_t DDLOCK_READONLY = 0x10;

struct DDPIXELFORMAT {
  uint32_t dwSize = 32;
  uint32_t dwFlags = 0;
  uint32_t dwRGBBitCount = 0;
  uint32_t dwRBitMask = 0;
  uint32_t dwGBitMask = 0;
  uint32_t dwBBitMask = 0;
};

// What a lock hands out: the top-left pixel and the bytes from one row to the next.
struct DDSURFACEDESC {
  uint32_t dwSize = 108;
  int dwWidth = 0;
  int dwHeight = 0;
  int lPitch = 0;  // bytes
  void* lpSurface = nullptr;
};

// A borrowed "device context": the pixels the text renderer may draw into while it is held.
struct TSurfaceDC {
  uint16_t* Pixels = nullptr;
  int Pitch = 0;  // bytes
  int Width = 0;
  int Height = 0;
  int PixelKind = PixelKind565;
  // The rows and columns a drawing may change, [RowsFrom, RowsTo) within [0, Height) and
  // [ColumnsFrom, ColumnsTo) within [0, Width): the surface's window.
  int RowsFrom = 0;
  int RowsTo = INT_MAX;
  int ColumnsFrom = 0;
  int ColumnsTo = INT_MAX;
};

class TDDSurface {
 public:
  // pitchPixels: row length in pixels (0: the width); a larger pitch pads every row.
  // guardPixels: slack of that many pixels right of every row and before the first, which
  // nothing shows: a keyed picture cut by a side edge by no more than that is drawn whole,
  // without per-column clipping.
  // memory: StoragePixels of them to keep the pixels in (shared with whoever shows them);
  // null: the surface makes its own.
  TDDSurface(int width, int height, int pixelKind, int pitchPixels = 0, int guardPixels = 0,
             std::shared_ptr<uint16_t[]> memory = nullptr);
  // The pixels a surface of these measures keeps, guard and padding included.
  static size_t StoragePixels(int width, int height, int pitchPixels = 0, int guardPixels = 0) {
    return TPixelBuffer::StoragePixels(width, height, pitchPixels, guardPixels);
  }

  int Width() const { return FBuffer.Width(); }
  int Height() const { return FBuffer.Height(); }
  int PixelKind() const { return FPixelKind; }

  // Whole-surface lock. DDERR_SURFACEBUSY while a DC is held, DDERR_SURFACELOST when lost,
  // DDERR_WASSTILLDRAWING while an injected busy count lasts.
  // Any lock without DDLOCK_READONLY counts as a change of the contents.
  // A writer that says which rows it changes, [rowsFrom, rowsTo), marks only those.
  HRESULT Lock(DDSURFACEDESC* desc, uint32_t flags = 0, int rowsFrom = 0, int rowsTo = INT_MAX);
  HRESULT Unlock();
  bool IsLocked() const { return FLocked; }

  // Copies srcRect of src to (x, y); with srcColorKey, source pixels equal to src's colour
  // key are skipped. The rectangle must lie inside both surfaces (DDERR_INVALIDRECT otherwise).
  // A keyed copy uses src's pre-encoded opaque runs (built on first use after a change).
  HRESULT BltFast(int x, int y, TDDSurface* src, const TRect& srcRect, bool srcColorKey);
  // The keyed BltFast of srcRect, a part of the picture `picture` of src: the same result, but
  // the picture's own pre-encoded runs serve (see KeyPicture), the fastest when srcRect is the
  // whole picture. A picture that does not hold srcRect is ignored. The common case is inline:
  // a caller drawing a frame's tiles runs it with no call in between (the copy is limited by
  // its stores, and each call adds its own, of saved registers).
  // With a cut, only what it leaves of each row of the picture is drawn.
  HRESULT BltFastPicture(int x, int y, TDDSurface* src, const TRect& srcRect, const TRect& picture,
                         const TPictureCut& cut = NoCut);
  // BltFastPicture's common case, each source pixel through op (a copy, or a change that
  // depends on that pixel alone), and only what the cut leaves of each row of the picture:
  // done when both surfaces are quiet, the rectangle fits and src's picture is encoded with
  // that cut for its contents and this surface already. False otherwise, with nothing drawn.
  template <class Op>
  bool DrawReadyPicture(int x, int y, const TDDSurface& src, const TRect& srcRect, const TRect& picture, const Op& op,
                        const TPictureCut& cut = NoCut);
  // Fills dstRect (null: whole surface) with a pixel value.
  HRESULT BltFill(const TRect* dstRect, uint16_t colour);
  // Copies src (whole) onto dstRect of this surface (null: whole), scaling nearest-neighbour.
  HRESULT Blt(const TRect* dstRect, TDDSurface* src);
  // Presents this surface through the platform (the "page flip").
  HRESULT Flip();

  // With callerMarksRows the holder marks the rows it changes (MarkRowsChanged); otherwise
  // every row counts as changed.
  HRESULT GetDC(TSurfaceDC** dc, bool callerMarksRows = false);
  HRESULT ReleaseDC(TSurfaceDC* dc);
  bool HasDC() const { return FDCHeld; }

  HRESULT Restore();
  bool IsLost() const { return FLost; }
  // No lock, device context, loss or injected fault: an operation answers at once and for
  // good, and has nothing to wait for.
  bool Quiet() const {
    return !FLocked && !FDCHeld && !FLost && FBusyCalls == 0 && FLoseEvery == 0 && FLockFailure == 0;
  }
  HRESULT SetColorKey(uint16_t low, uint16_t high);
  HRESULT GetPixelFormat(DDPIXELFORMAT* format) const;

  // Fault hooks: the next `calls` operations answer DDERR_WASSTILLDRAWING; LoseSurface drops
  // the contents (they become garbage) until Restore; LoseEvery makes every n-th call lose it.
  void InjectBusy(int calls) { FBusyCalls = calls; }
  void LoseSurface();
  void LoseEvery(int n) {
    FLoseEvery = n;
    FCallCount = 0;
  }
  // Fail every Lock with this result (0: off), for locks that fail for good.
  void InjectLockFailure(HRESULT result) { FLockFailure = result; }

  // Direct access for presentation, tests and loaders that own the surface, outside the
  // API's locks. Reading marks nothing; a writer names the rows [fromRow, toRow) it changes,
  // which are marked now: write before the next keyed copy from this surface.
  const uint16_t* Pixels() const { return FBuffer.Origin(); }
  uint16_t* WritePixels(int fromRow, int toRow) {
    MarkRowsChanged(fromRow, toRow);
    return FBuffer.Origin();
  }
  int Pitch() const { return FBuffer.Stride() * 2; }  // bytes
  uint16_t ColorKey() const { return FKey.Low; }
  uint16_t ColorKeyHigh() const { return FKey.High; }
  bool HasColorKey() const { return FHasColorKey; }
  // Whether a keyed copy from this surface draws pixel value p.
  bool IsOpaque(uint16_t p) const { return !FHasColorKey || p < FKey.Low || p > FKey.High; }

  // Builds the opaque-run encoding for keyed copies now, of the whole surface and of every
  // picture encoded before (loaders call it after filling or reloading a sheet); otherwise
  // the first keyed copy after a change builds what it needs.
  void PrepareKeyRuns() { FKeyRuns.EncodeAll(FBuffer, FKey, Version()); }
  bool KeyRunsReady() const { return FKeyRuns.WholeReady(Version()); }
  // What changed and where drawing may go (see TChangeTracker).
  uint64_t Version() const { return FChanges.Version(); }
  uint64_t Serial() const { return FChanges.Serial(); }
  static constexpr int RowBand = TChangeTracker::RowBand;
  int RowBands() const { return FChanges.RowBands(); }
  bool BandChangedSince(int band, uint64_t version) const { return FChanges.BandChangedSince(band, version); }
  // Rows [from, to) (clipped to the surface) changed outside the surface's own operations.
  void MarkRowsChanged(int from, int to) { FChanges.MarkRows(from, to); }
  // Drawing keeps to rows [rowsFrom, rowsTo) and columns [columnsFrom, columnsTo) while the
  // window is set: the drawing routines and the device context clip to it (a lock still hands
  // out every pixel). Writers that read what they draw over never touch a pixel outside it, so
  // a window can be drawn again. The whole surface again after ClearWindow.
  void SetWindow(int rowsFrom, int rowsTo, int columnsFrom = 0, int columnsTo = INT_MAX) {
    FChanges.SetWindow(rowsFrom, rowsTo, columnsFrom, columnsTo);
  }
  void ClearWindow() { FChanges.ClearWindow(); }
  int RowsFrom() const { return FChanges.RowsFrom(); }
  int RowsTo() const { return FChanges.RowsTo(); }
  int ColumnsFrom() const { return FChanges.ColumnsFrom(); }
  int ColumnsTo() const { return FChanges.ColumnsTo(); }
  // false: keyed copies from this surface test every pixel (the reference path), and
  // KeyPicture answers null.
  void UseKeyRuns(bool on) { FKeyRuns.SetOn(on); }
  // The pre-encoded opaque runs of rectangle r of this colour-keyed surface, within the cut,
  // moves cut for a destination of dstStride pixels; encoded on first use and again after
  // every change. Null when r is empty or reaches past the surface, without a colour key, or
  // with the runs switched off. Valid until the next call or change: when too many pictures
  // are kept, all are forgotten and encoded again as they are asked for.
  const TKeyPicture* KeyPicture(const TRect& r, int dstStride, const TPictureCut& cut = NoCut);
  size_t KeyPictureCount() const { return FKeyRuns.PictureCount(); }

 private:
  // Shared gate of every operation: injected faults, lost state.
  HRESULT Gate() {
    if (FLoseEvery > 0 && ++FCallCount % FLoseEvery == 0) LoseSurface();
    if (FBusyCalls > 0) {
      --FBusyCalls;
      return DDERR_WASSTILLDRAWING;
    }
    return FLost ? DDERR_SURFACELOST : DD_OK;
  }
  HRESULT BltFastCommon(int x, int y, TDDSurface* src, const TRect& r, bool srcColorKey, const TRect* picture,
                        const TPictureCut& cut);
  // The kept picture of r when it is encoded for the current contents and prepared for a
  // destination of dstStride pixels; null otherwise (KeyPicture then makes it ready).
  CORVINA_INLINE const TKeyPicture* ReadyPicture(const TRect& r, uint32_t cutId, int dstStride) const {
    return FHasColorKey ? FKeyRuns.Ready(r, cutId, dstStride, Version()) : nullptr;
  }
  // Columns left of a copy starting at column x, and right of one ending before column end,
  // that may be overwritten: the guard's, at a side edge.
  int LeftRoom(int x) const { return x == 0 ? FBuffer.Guard() : 0; }
  int RightRoom(int end) const { return end == Width() ? FBuffer.Guard() : 0; }
  // Rectangle r of pixels (laid out as this surface's) to dst, testing every pixel.
  void CopyKeyedPlain(const uint16_t* pixels, uint16_t* dst, int dstStride, const TRect& r) const;
  // leftRoom, rightRoom: columns left and right of the copy that may be overwritten.
  void CopyKeyed(uint16_t* dst, int dstStride, const TRect& r, const TRect* picture, int leftRoom, int rightRoom,
                 const TPictureCut& cut);
  // Rectangle r without a kept picture: through the whole surface's runs, or pixel by pixel
  // with the runs off.
  void CopyKeyedUnkept(uint16_t* dst, int dstStride, const TRect& r);
  TPixelBuffer FBuffer;
  TChangeTracker FChanges;
  TKeyRunCache FKeyRuns;
  int FPixelKind;
  bool FLocked = false;
  bool FLost = false;
  bool FDCHeld = false;
  TSurfaceDC FDC;
  bool FHasColorKey = false;
  TKeyRange FKey;
  int FBusyCalls = 0;
  int FLoseEvery = 0;
  int FCallCount = 0;
  HRESULT FLockFailure = 0;
  bool FWriteLocked = false;  // the lock handed out may write: a change when it ends
  int FLockRowsFrom = 0;      // the rows the lock handed out may change
  int FLockRowsTo = 0;
};

template <class Op>
CORVINA_INLINE bool TDDSurface::DrawReadyPicture(int x, int y, const TDDSurface& src, const TRect& r,
                                                 const TRect& picture, const Op& op, const TPictureCut& cut) {
  const int w = r.Right - r.Left, h = r.Bottom - r.Top;
  if (&src == this || !Quiet() || !src.Quiet() || w <= 0 || h <= 0 || x < 0 || y < 0 || x > Width() - w ||
      y > Height() - h || !RectInside(r, picture)) {
    return false;
  }
  // A kept picture lies inside its surface, and so does r.
  const TKeyPicture* p = src.ReadyPicture(picture, cut.Id(), FBuffer.Stride());
  if (p == nullptr) return false;
  MarkRowsChanged(y, y + h);
  const TPicturePart part = PicturePart(*p, r, picture, LeftRoom(x), RightRoom(x + w), FBuffer.At(x, y));
  DrawPicturePart(*p, part.Part.Left, part.Part.Top, part.Part.Right, part.Part.Bottom, part.Dst, op);
  return true;
}

CORVINA_INLINE HRESULT TDDSurface::BltFastPicture(int x, int y, TDDSurface* src, const TRect& r, const TRect& picture,
                                                  const TPictureCut& cut) {
  if (src != nullptr && DrawReadyPicture(x, y, *src, r, picture, TCopyPixel{}, cut)) return DD_OK;
  return BltFastCommon(x, y, src, r, true, &picture, cut);
}
