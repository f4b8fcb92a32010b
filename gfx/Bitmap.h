// Our own decoder of uncompressed BMP images (4, 8 and 24 bits per pixel), with the 14-byte
// file header or without it (as the program's bitmap resources are stored). Every input is
// treated as hostile: anything that does not add up is refused with a message.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct TBmpColour {
  uint8_t Blue = 0, Green = 0, Red = 0, Reserved = 0;
};

struct TBitmap {
  int Width = 0;         // pixels, 1..MaxBitmapSide
  int Height = 0;        // pixels, 1..MaxBitmapSide
  int BitsPerPixel = 0;  // 4, 8 or 24
  std::vector<TBmpColour> Colours;  // the colour table (empty for 24 bits)
  // Top row first. Indexed images: one index per pixel; 24-bit: red, green, blue per pixel.
  std::vector<uint8_t> Pixels;
};

constexpr int MaxBitmapSide = 16384;
constexpr int64_t MaxBitmapPixels = int64_t{64} << 20;

// Decodes `data`; false with a message in `error` when the image is refused.
bool DecodeBitmapFile(std::span<const uint8_t> data, TBitmap& out, std::string& error);
bool DecodeBitmapResource(std::span<const uint8_t> data, TBitmap& out, std::string& error);
