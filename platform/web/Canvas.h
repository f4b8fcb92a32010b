// The page's canvas: sized to the page in device pixels, the picture placed on it by the
// desktop full screen's rules (sharp by default, whole factors when asked). With WebGL 2 the
// frame goes to the GPU as it is, only its changed rows, and the GPU scales it, so a frame costs
// the same at any size; without it, the frame is scaled here into RGBA and put as ImageData.
// A page resized while the frames are held shows the held picture refitted, and a GPU context
// the browser took away shows it again when it is back: the canvas keeps the last frame for both.
// The page's size is read when it changes, never each frame (a layout read). The game's page
// and the replay both draw through it.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/ChangedRows.h"
#include "platform/Letterbox.h"
#include "platform/SharpScaler.h"

class TCanvas {
 public:
  // Follows the page's size; false when the page has no canvas.
  bool Fit(int backWidth, int backHeight);
  // changed: the rows that may differ from the frame presented before (null: any).
  void Present(const uint16_t* pixels, int pitchBytes, int width, int height, bool rgb555,
               const TChangedRows* changed = nullptr);
  // The last picture again at the page's present size.
  void Refit();
  // The last picture again on the GPU's context come back empty.
  void Restore();
  // Where the picture is, in canvas pixels (device pixels from the page's top-left).
  const TLetterbox& Placement() const { return FBox; }

  bool FIntegerScale = false;

 private:
  enum class TWay { Unknown, Gpu, Processor };
  // Sends rows [from, to) of the kept frame to the GPU.
  void SendRows(int from, int to);
  void DrawOnGpu();
  void ScaleOnProcessor();

  TWay FWay = TWay::Unknown;
  TLetterbox FBox;
  int FWidth = 0;  // the canvas, pixels
  int FHeight = 0;
  int FFrameWidth = 0;  // the last frame presented
  int FFrameHeight = 0;
  bool FRgb555 = false;
  // The last frame, rows packed; without a GPU, the picture scaled from it.
  std::vector<uint16_t> FFrame;
  TSharpScaler FScaler;
  std::vector<uint32_t> FRgba;
};
