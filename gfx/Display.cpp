// The display objects: primary, back buffer, canvas and image sheets; the retry rule, surface
// restore, the back buffer's long-lived lock and the presentation of a finished frame.
#include "gfx/Display.h"

#include <stdexcept>

#include "core/Settings.h"
#include "gfx/DDUtils.h"
#include "gfx/PixelFormat.h"
#include "gfx/TextRenderer.h"
#include "platform/GameInput.h"
#include "platform/Platform.h"

TDisplay* Display = nullptr;

namespace {

// The pixel-format code from a 16-bit red mask.
int PixelKindFromRedMask(uint32_t redMask) {
  switch (redMask) {
    case 0xF800: return PixelKind565;
    case 0x7C00: return PixelKind555;
    case 0x001F: return PixelKindBgr565;
    default: return 0;
  }
}

}  // namespace

std::string SheetName(const std::string& base, int index) { return base + std::to_string(index); }

std::unique_ptr<TDDSurface> MakeBackBuffer(int width, int height, int pixelKind) {
  // In the platform's own frame memory where it has one: the finished frame is then shown
  // where it was drawn.
  return std::make_unique<TDDSurface>(
      width, height, pixelKind, 0, BackBufferGuard,
      PlatformFrameMemory(TDDSurface::StoragePixels(width, height, 0, BackBufferGuard)));
}

TDrawOnto::TDrawOnto(std::unique_ptr<TDDSurface>& surface, const TPoint& screen)
    : FSurface(surface),
      FWidth(ScreenWidth),
      FHeight(ScreenHeight),
      FClip{ClipMinX, ClipMinY, ClipMaxX, ClipMaxY},
      FPhase(StipplePhase) {
  Display->UnlockBackBuffer();
  std::swap(Display->FBackBuffer, FSurface);
  ScreenWidth = static_cast<uint16_t>(Display->FBackBuffer->Width());
  ScreenHeight = static_cast<uint16_t>(Display->FBackBuffer->Height());
  ClipMinX += screen.X;
  ClipMaxX += screen.X;
  ClipMinY += screen.Y;
  ClipMaxY += screen.Y;
  StipplePhase = StipplePhaseFor(screen);
}

TDrawOnto::~TDrawOnto() {
  Display->UnlockBackBuffer();
  std::swap(Display->FBackBuffer, FSurface);
  ScreenWidth = static_cast<uint16_t>(FWidth);
  ScreenHeight = static_cast<uint16_t>(FHeight);
  ClipMinX = FClip[0];
  ClipMinY = FClip[1];
  ClipMaxX = FClip[2];
  ClipMaxY = FClip[3];
  StipplePhase = FPhase;
}

TDisplay::TDisplay() { SurfaceRetry = this; }

TDisplay::~TDisplay() {
  ReleaseSurfaces();
  if (Display == this) Display = nullptr;
  if (SurfaceRetry == this) SurfaceRetry = nullptr;
}

void TDisplay::CreateSurfaces(bool fullScreen, int pixelKind) {
  FFullScreen = fullScreen;
  FLocked = false;
  FPrimary = std::make_unique<TDDSurface>(ScreenWidth, ScreenHeight, pixelKind);
  FBackBuffer = MakeBackBuffer(ScreenWidth, ScreenHeight, pixelKind);

  FBackCanvas = std::make_unique<TDDCanvas>(FBackBuffer.get());
  // The face behind "Default" is found now, with the window already up: a machine without a
  // usable font is told so at start, not when the first line of speech appears.
  DefaultFacePath();
  {
    TCanvasRelease release(*FBackCanvas);
    FBackCanvas->Font.Name = "Default";
    FBackCanvas->Font.Size = 12;
    FBackCanvas->Font.Color = RGB(255, 255, 255);
    FBackCanvas->Brush.Style = TBrushStyle::Clear;
    FBackCanvas->Pen.Color = RGB(0, 255, 100);
  }

  for (int i = 1; i <= 2; ++i) {
    const std::string name = SheetName("Lumo", i);
    LoadBitmapSurface(name, 0, 0, Settings.SystemMemory, pixelKind, FSheets[i]);
    // Found neither as a resource nor as a file: end the set-up like its other failures.
    if (!FSheets[i]) throw std::runtime_error(name + " 비트맵 로드 실패");
  }
  for (int i = 1; i <= 2; ++i) {
    if (FSheets[i]->SetColorKey(0, 0) != DD_OK) throw std::runtime_error("투명색 지정 실패");
  }
  DDPIXELFORMAT format;
  if (FPrimary->GetPixelFormat(&format) != DD_OK) throw std::runtime_error("픽셀 포맷 읽기 실패");
  FPixelKind = BytesPerPixel == 2 ? PixelKindFromRedMask(format.dwRBitMask) : 0;
  if (BytesPerPixel == 2) SelectPixelFormat(static_cast<uint8_t>(FPixelKind));
}

void TDisplay::ReleaseSurfaces() {
  UnlockBackBuffer();
  FBackCanvas.reset();
  FPrimary.reset();
  FBackBuffer.reset();
  FSheets[1].reset();
  FSheets[2].reset();
}

bool TDisplay::CheckResult(HRESULT hr) {
  if (hr == DDERR_SURFACELOST) return RestoreSurfaces() != DD_OK;
  if (hr == DD_OK) return true;
  if (hr == DDERR_WASSTILLDRAWING) return false;
  return true;
}

HRESULT TDisplay::RestoreSurfaces() {
  // Ours is a separate surface in both modes: restore it with the primary's chain, else a lost
  // back buffer would be retried for ever.
  for (TDDSurface* s : {FPrimary.get(), FBackBuffer.get(), FSheets[1].get(), FSheets[2].get()}) {
    if (s == nullptr) continue;
    if (HRESULT hr = s->Restore(); hr != DD_OK) return hr;
  }
  ReloadSheets();
  return DD_OK;
}

void TDisplay::ReloadSheets() {
  for (int i = 1; i <= 2; ++i) {
    if (FSheets[i]) ReloadBitmapSurface(FSheets[i].get(), SheetName("Lumo", i));
  }
}

void TDisplay::RestartRateMeasurement() {
  FRateFrames = -UnmeasuredFrames;
  FRateStart = static_cast<int>(GameTicks());
}

void TDisplay::LockBackBuffer() {
  if (FLocked || !FBackBuffer) return;
  FLockDesc = DDSURFACEDESC{};
  const HRESULT hr = Retry([&] { return FBackBuffer->Lock(&FLockDesc, DDLOCK_WAIT); });
  // A lock that failed for good leaves nothing locked: the pixel work is then skipped.
  FLocked = hr == DD_OK;
  if (!FLocked) FLockDesc.lpSurface = nullptr;
}

void TDisplay::UnlockBackBuffer() {
  if (!FLocked) return;
  if (FBackBuffer) FBackBuffer->Unlock();
  FLocked = false;
  FLockDesc.lpSurface = nullptr;
}

void TDisplay::PresentBackBuffer() {
  if (!FPrimary || !FBackBuffer) return;
  // Full screen flips the chain; a window is shown the back buffer as it is. Either way both
  // surfaces must be free and present. (A copy into the primary first would only be copied
  // again by the platform.)
  const HRESULT hr = Retry([&] {
    const HRESULT front = FPrimary->Flip();
    return front == DD_OK ? FBackBuffer->Flip() : front;
  });
  if (hr != DD_OK) return;  // that frame is simply not shown
  DecoratePicture();
  const TDDSurface& shown = *FBackBuffer;
  // The bands written since the last frame shown; all of another surface.
  const bool known = shown.Serial() == FShownSerial;
  FShownBands.resize(static_cast<size_t>(shown.RowBands()));
  for (int b = 0; b < shown.RowBands(); ++b) {
    FShownBands[static_cast<size_t>(b)] = !known || shown.BandChangedSince(b, FShownVersion);
  }
  const TChangedRows changed{TDDSurface::RowBand, FShownBands.data(), shown.RowBands()};
  PlatformPresent(shown.Pixels(), shown.Pitch(), shown.Width(), shown.Height(), shown.PixelKind() == PixelKind555,
                  &changed);
  FShownSerial = shown.Serial();
  FShownVersion = shown.Version();
}
