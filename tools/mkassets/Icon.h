// The program's icon, cut from the game's own sheets: the villager in red standing on a grass
// block, with the shadow the game puts under a person.
#pragma once

#include <cstdint>
#include <vector>

// Pixels of 4 bytes each (red, green, blue, straight alpha), rows top first.
struct TRgbaImage {
  int Width = 0;
  int Height = 0;
  std::vector<uint8_t> Pixels;
};

// The sizes installed for desktops, and the one the program carries for its window.
constexpr int IconSizes[] = {48, 64, 128, 256};
constexpr int WindowIconSize = 64;

// The icon at `size` x `size` pixels (at least 1): the scene is composed at the sheets' own
// scale and each icon pixel averages the part of the scene it covers, so small sizes stay smooth
// and large ones keep the pixel art's blocks.
TRgbaImage PaintIcon(int size);
