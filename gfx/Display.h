// The display objects every drawing routine works on: the back buffer, the two image sheets,
// the canvas on the back buffer, the lock state and the retry rule for surface calls.
// The SDL main window (TBasic) and the headless runner both own one TDisplay.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ddraw/DDraw.h"
#include "gfx/DDCanvas.h"
#include "gfx/SurfaceRetry.h"

// The back buffer's slack beside its rows: ground blocks cut by a side of the screen are
// drawn whole into it, the fast way, rather than clipped column by column.
constexpr int BackBufferGuard = 64;

// A back buffer as the display makes it.
std::unique_ptr<TDDSurface> MakeBackBuffer(int width, int height, int pixelKind);

class TDisplay : public TSurfaceRetry {
 public:
  TDisplay();
  virtual ~TDisplay();

  // Builds primary, back buffer, canvas (font "Default" 12, white, clear brush, pen
  // RGB(0, 255, 100)), both sheets with colour key 0, FPixelKind and SelectPixelFormat, for
  // the current ScreenWidth x ScreenHeight. pixelKind: 2 = 5-6-5, 3 = 5-5-5.
  // Throws std::runtime_error with the set-up's message when a step fails (a missing sheet too).
  void CreateSurfaces(bool fullScreen, int pixelKind = PixelKind565);
  // Releases everything CreateSurfaces made (unlocking first). Safe to call twice.
  void ReleaseSurfaces();

  // The retry rule: a lost surface restores every surface and reloads the sheets.
  bool CheckResult(HRESULT hr) override;
  HRESULT RestoreSurfaces();
  void ReloadSheets();
  void LockBackBuffer();
  void UnlockBackBuffer();
  // Presents the back buffer (flip in full screen, copy otherwise), retried per CheckResult.
  void PresentBackBuffer();
  // Draws over each finished picture just before it is shown: the program's own notices. The
  // next frame draws the whole picture anew.
  virtual void DecoratePicture() {}

  std::unique_ptr<TDDSurface> FPrimary;
  std::unique_ptr<TDDSurface> FBackBuffer;
  std::unique_ptr<TDDSurface> FSheets[3];  // [1] "Lumo1" terrain, [2] "Lumo2" characters
  std::unique_ptr<TDDCanvas> FBackCanvas;
  DDSURFACEDESC FLockDesc;
  bool FLocked = false;
  int FPixelKind = 0;
  bool FFullScreen = true;
  // Frame-rate measurement: frames counted (negative: not yet measured) and its start tick.
  int FRateFrames = 0;
  int FRateStart = 0;
  // Frames after an activation that are counted but not measured: the first frames after a
  // switch back to the program say nothing about its rate.
  static constexpr int UnmeasuredFrames = 50;
  // Starts the measurement over, from now and after UnmeasuredFrames frames.
  void RestartRateMeasurement();

 private:
  // The back buffer last shown, and its version then; per band, whether it changed since.
  uint64_t FShownSerial = 0;
  uint64_t FShownVersion = 0;
  std::vector<uint8_t> FShownBands;
};

// For a scope, the drawing routines draw onto surface in the back buffer's place, as they would
// onto a screen of its measures, except where the screen's own position counts: the clip
// rectangle and the stippled pattern stay the screen's, whose top-left corner lies at `screen`
// on surface. Swapped back whatever ends the scope.
class TDrawOnto {
 public:
  TDrawOnto(std::unique_ptr<TDDSurface>& surface, const TPoint& screen);
  ~TDrawOnto();
  TDrawOnto(const TDrawOnto&) = delete;
  TDrawOnto& operator=(const TDrawOnto&) = delete;

 private:
  std::unique_ptr<TDDSurface>& FSurface;
  int FWidth, FHeight, FClip[4], FPhase;
};

// "Lumo" + 1 -> "Lumo1".
std::string SheetName(const std::string& base, int index);

// The one display of the running program (nil before set-up). Its owner sets it after making
// the display; a display being destroyed clears it when it points to that display.
extern TDisplay* Display;
