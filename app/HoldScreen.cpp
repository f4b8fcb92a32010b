#include "app/HoldScreen.h"

#include <algorithm>
#include <cstring>

#include "app/OverPicture.h"

namespace {

constexpr int EffectColumn = 190;
constexpr int LineHeight = 18;

void Panel(TDDCanvas& canvas, int left, int top, int right, int bottom) {
  canvas.Brush = {TBrushStyle::Solid, RGB(16, 24, 40)};
  canvas.Pen = {RGB(200, 200, 120)};
  canvas.Rectangle(left, top, right, bottom);
}

void DrawPanel(TDDCanvas& canvas, int width, int height, THold hold, std::span<const THelpLine> help) {
  canvas.Font.Size = 12;
  canvas.Font.Color = RGB(255, 255, 255);
  if (hold == THold::Paused) {
    const int w = 200, h = 76;
    Panel(canvas, (width - w) / 2, (height - h) / 2, (width + w) / 2, (height + h) / 2);
    canvas.Font.Size = 24;
    canvas.Font.Color = RGB(255, 240, 160);
    canvas.TextOut(width / 2 - 46, height / 2 - 28, "PAUSE");
    canvas.Font.Size = 12;
    canvas.Font.Color = RGB(200, 220, 255);
    canvas.TextOut(width / 2 - 82, height / 2 + 12, "Pause, P or Esc: resume");
    return;
  }
  const int lines = static_cast<int>(help.size());
  const int w = std::min(width - 20, 500), h = lines * LineHeight + 20;
  const int left = (width - w) / 2, top = (height - h) / 2;
  Panel(canvas, left, top, left + w, top + h);
  for (int i = 0; i < lines; ++i) {
    const int y = top + 10 + i * LineHeight;
    canvas.Font.Color = i == 0 ? RGB(255, 240, 160) : RGB(200, 220, 255);
    if (*help[i].Key) canvas.TextOut(left + 16, y, help[i].Key);
    canvas.Font.Color = RGB(255, 255, 255);
    if (*help[i].Effect) canvas.TextOut(left + 16 + EffectColumn, y, help[i].Effect);
  }
}

}  // namespace

void THoldScreen::Keep(const TDDSurface& back) {
  FWidth = back.Width();
  FHeight = back.Height();
  FPixels.resize(static_cast<size_t>(FWidth) * FHeight);
  const int pitch = back.Pitch() / 2;
  for (int y = 0; y < FHeight; ++y) {
    std::memcpy(&FPixels[static_cast<size_t>(y) * FWidth], back.Pixels() + static_cast<size_t>(y) * pitch, FWidth * 2u);
  }
}

void THoldScreen::Draw(TDisplay& display, THold hold, const TKeyGuide& keys) const {
  if (!display.FBackBuffer || !display.FBackCanvas || !Kept() || display.FBackBuffer->Width() != FWidth ||
      display.FBackBuffer->Height() != FHeight) {
    return;
  }
  TDDSurface& back = *display.FBackBuffer;
  const int pitch = back.Pitch() / 2;
  uint16_t* pixels = back.WritePixels(0, FHeight);
  for (int y = 0; y < FHeight; ++y) {
    std::memcpy(pixels + static_cast<size_t>(y) * pitch, &FPixels[static_cast<size_t>(y) * FWidth], FWidth * 2u);
  }
  if (hold == THold::None) return;
  DrawOverPicture(*display.FBackCanvas,
                  [&](TDDCanvas& canvas) { DrawPanel(canvas, FWidth, FHeight, hold, keys.Help); });
}
