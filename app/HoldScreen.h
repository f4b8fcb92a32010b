// Pause and the key help: the game's frames stop, and a panel is drawn over the picture the
// last frame left, kept aside so that the panels can change and a screenshot shows the game.
#pragma once

#include <cstdint>
#include <vector>

#include "app/KeyGuide.h"
#include "gfx/Display.h"

enum class THold { None, Paused, Help };

class THoldScreen {
 public:
  // Keeps the back buffer's picture as the last frame left it.
  void Keep(const TDDSurface& back);
  bool Kept() const { return !FPixels.empty(); }
  void Forget() { FPixels.clear(); }
  // The kept picture, rows of Width() pixels.
  const uint16_t* Pixels() const { return FPixels.data(); }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // The kept picture back into the display's back buffer with the panel of `hold` over it, the
  // help listing `keys`.
  void Draw(TDisplay& display, THold hold, const TKeyGuide& keys) const;

 private:
  std::vector<uint16_t> FPixels;
  int FWidth = 0;
  int FHeight = 0;
};
